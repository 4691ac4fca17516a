// Loads the Designer plugin the way Qt Designer does and creates the control through it.
#include <gtest/gtest.h>

#include <QIcon>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace {

class DesignerPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loader.setFileName(QStringLiteral(VMC_DESIGNER_PLUGIN_FILE));
        ASSERT_TRUE(loader.load()) << qPrintable(loader.errorString());
        plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        ASSERT_NE(plugin, nullptr);
    }

    QPluginLoader loader;
    QDesignerCustomWidgetInterface *plugin = nullptr;
};

// Designer matches the <widget class> and <class> of the form snippet against name().
QStringList classesInDomXml(const QString &xml)
{
    QStringList classes;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("widget"))
            classes << reader.attributes().value(QLatin1String("class")).toString();
        else if (reader.name() == QLatin1String("class"))
            classes << reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
    return classes;
}

TEST_F(DesignerPluginTest, DescribesTheControlForTheWidgetBox)
{
    EXPECT_EQ(plugin->name(), QStringLiteral("VynMemberComment::MemberComment"));
    EXPECT_EQ(plugin->group(), QStringLiteral("VynMemberComment"));
    EXPECT_EQ(plugin->includeFile(), QStringLiteral("VynMemberComment/MemberComment.h"));
    EXPECT_FALSE(plugin->toolTip().isEmpty());
    EXPECT_FALSE(plugin->whatsThis().isEmpty());
    EXPECT_FALSE(plugin->isContainer());

    const QIcon icon = plugin->icon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));

    const QStringList classes = classesInDomXml(plugin->domXml());
    EXPECT_EQ(classes, QStringList({plugin->name(), plugin->name()}));
    EXPECT_TRUE(plugin->domXml().contains(
        QLatin1String("<header location=\"global\">VynMemberComment/MemberComment.h</header>")));
}

TEST_F(DesignerPluginTest, CreatesTheControlOnAForm)
{
    QWidget form;
    QWidget *control = plugin->createWidget(&form);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &form);
    // The plugin brings its own copy of the class (the shared library), so compare by name.
    EXPECT_STREQ(control->metaObject()->className(), "VynMemberComment::MemberComment");
    EXPECT_TRUE(control->sizeHint().isValid());

    // The property editor lists designable, writable properties.
    const QMetaObject *meta = control->metaObject();
    const int index = meta->indexOfProperty("IsCommentNotEmpty");
    ASSERT_GE(index, 0);
    const QMetaProperty property = meta->property(index);
    EXPECT_TRUE(property.isDesignable());
    EXPECT_TRUE(property.isWritable());
    EXPECT_EQ(property.read(control), QVariant(false));
    ASSERT_TRUE(property.write(control, true));
    EXPECT_EQ(property.read(control), QVariant(true));
}

} // namespace
