// Loads the Designer plugin the way Qt Designer does and creates the control through it.
#include <gtest/gtest.h>

#include <QIcon>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

TEST(DesignerPluginTest, DescribesTheControlAndCreatesItOnAForm)
{
    QPluginLoader loader(QStringLiteral(VMC_DESIGNER_PLUGIN_FILE));
    ASSERT_TRUE(loader.load()) << qPrintable(loader.errorString());
    auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), QStringLiteral("VynMemberComment::MemberComment"));
    EXPECT_EQ(plugin->includeFile(), QStringLiteral("VynMemberComment/MemberComment.h"));
    EXPECT_FALSE(plugin->isContainer());
    EXPECT_TRUE(plugin->icon().availableSizes().contains(QSize(16, 16)));

    // Designer matches the <widget class> and <class> of the form snippet against name().
    QStringList classes;
    QXmlStreamReader reader(plugin->domXml());
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("widget"))
            classes << reader.attributes().value(QLatin1String("class")).toString();
        else if (reader.name() == QLatin1String("class"))
            classes << reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
    EXPECT_EQ(classes, QStringList({plugin->name(), plugin->name()}));
    EXPECT_TRUE(plugin->domXml().contains(
        QLatin1String("<header location=\"global\">VynMemberComment/MemberComment.h</header>")));

    QWidget form;
    QWidget *control = plugin->createWidget(&form);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &form);
    // The plugin brings its own copy of the class (the shared library), so compare by name.
    EXPECT_STREQ(control->metaObject()->className(), "VynMemberComment::MemberComment");
    // The property editor lists designable, writable properties.
    const QMetaProperty property =
        control->metaObject()->property(control->metaObject()->indexOfProperty("IsCommentNotEmpty"));
    EXPECT_TRUE(property.isDesignable());
    EXPECT_TRUE(property.isWritable());
}
