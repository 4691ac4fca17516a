// The XML document adapter: which nodes count for positions, text(), decoding, and entities.
// (Invalid UTF-8 and deep nesting are read through the control, in the wire faults.)
#include "platform/xmldocument.h"
#include "support/loopbackserver.h"

#include <QStringEncoder>
#include <QStringList>

#include <gtest/gtest.h>

using VynMemberComment::Platform::XmlDocument;
using VynMemberComment::Platform::XmlNode;

namespace {

QString rootText(const QByteArray &bytes)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadBytes(bytes)) << doc.errorText().toStdString();
    return doc.documentElement().text();
}

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding, bool mark = true)
{
    return QStringEncoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default)(text);
}

} // namespace

TEST(XmlDocumentTest, PositionsCountElementsTextCdataCommentsAndInstructions)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes("<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<r>\n  <a>1</a>\n  <!--c-->\n  <?p d?>\n"
                              "  <![CDATA[ ]]>\n  t \n  <b/>\n</r>\n"));
    const XmlNode root = doc.documentElement();
    // whitespace-only text is no node; blank CDATA and text with a letter are
    QStringList texts;
    for (XmlNode child = root.firstChild(); !child.isNull(); child = child.nextSibling())
        texts << child.text();
    EXPECT_EQ(texts, (QStringList{"1", "c", "d", " ", "\n  t \n  ", ""}));
    EXPECT_EQ(root.item(2).text(), QStringLiteral("d"));
    EXPECT_FALSE(root.item(5).isNull());
    EXPECT_TRUE(root.item(6).isNull() && root.item(-1).isNull() && root.item(5).firstChild().isNull());
    EXPECT_TRUE(XmlNode().item(0).isNull());
    EXPECT_EQ(XmlNode().text(), QString());
}

TEST(XmlDocumentTest, TextAsTheBytesSay)
{
    const QString text = QStringLiteral("\u00e9\u20ac\u201c"), element = "<r>" + text + "</r>";
    const QByteArray cp1252 = "<r>\xE9\x80\x93</r>";
    // clang-format off
    const std::pair<QByteArray, QString> cases[] = {
        // an element's text: its text and CDATA in document order, without comments and instructions;
        // entities and character references expanded, line ends normalised, blanks kept
        {"<a>x<b>y<!--no--><?pi no?><c><![CDATA[<z>]]></c></b>w</a>", "xy<z>w"}, {"<a/>", ""},
        {"<a>&lt;&amp;&gt;&quot;&apos;&#233;&#x20AC;</a>", "<&>\"'\u00e9\u20ac"}, {"<a> 1\r\n2\r3 </a>", " 1\n2\n3 "},
        // the declaration or a byte order mark decides the encoding, UTF-8 when neither does
        {element.toUtf8(), text}, {"\xEF\xBB\xBF" + element.toUtf8(), text},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + element.toUtf8(), text}, // the mark wins
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + element.toUtf8(), text},
        {utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + element, QStringConverter::Utf16LE), text},
        {utf16(element, QStringConverter::Utf16BE), text}, {utf16(element, QStringConverter::Utf16LE, false), text},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + cp1252, text},
        {"<?xml version='1.0' encoding = 'Windows-1252' ?>" + cp1252, text},
        {"<?xml\nversion='1.0'\nencoding=\n'cp1252'?>" + cp1252, text},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9\xFF\x80</r>", "\u00e9\u00ff\u0080"}};
    // clang-format on
    for (const auto &[bytes, expected] : cases)
        EXPECT_EQ(rootText(bytes), expected) << bytes.toHex().constData();
}

TEST(XmlDocumentTest, MalformedReplyLeavesNoDocumentElement)
{
    const char *bad[] = {"", "   ", "not xml", "<r>", "<r><a></r>", "<r a=1/>", "<a/><b/>", "<r/><!--x--><s/>"};
    for (const char *bytes : bad) {
        XmlDocument doc;
        EXPECT_TRUE(!doc.loadBytes(bytes) && doc.documentElement().isNull() && !doc.errorText().isEmpty()) << bytes;
    }
    XmlDocument doc;
    doc.loadBytes("<r><a></r>");
    EXPECT_TRUE(doc.errorText().contains(QStringLiteral("offset 8"))) << doc.errorText().toStdString();
    // a document that failed holds nothing of the one before
    ASSERT_TRUE(doc.loadBytes("<r>x</r>"));
    doc.fail("gone");
    EXPECT_TRUE(doc.documentElement().isNull());
    EXPECT_EQ(doc.errorText(), QStringLiteral("gone"));
}

TEST(XmlDocumentTest, EntitiesAreNeverExpandedNorFetched)
{
    LoopbackServer server;
    server.reply(200, "secret");
    QByteArray bomb = "<!DOCTYPE r [<!ENTITY e0 \"boom\">";
    for (int i = 1; i < 10; ++i)
        bomb +=
            QStringLiteral("<!ENTITY e%1 \"%2\">").arg(i).arg(QStringLiteral("&e%1;").arg(i - 1).repeated(10)).toUtf8();
    XmlDocument doc;
    for (const QByteArray &bytes :
         {bomb + "]><r>&e9;</r>", bomb + "<!ENTITY x SYSTEM \"" + server.baseUrl().toUtf8() + "/x\">]><r>&x;</r>"}) {
        doc.loadBytes(bytes);
        const QString text = doc.documentElement().text();
        EXPECT_FALSE(text.contains(QStringLiteral("boom")) || text.contains(QStringLiteral("secret")))
            << bytes.constData();
    }
    EXPECT_TRUE(server.requests().empty());
}
