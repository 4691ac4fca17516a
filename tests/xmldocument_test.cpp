// The XML document adapter: which nodes count for positions, text(), and decoding.
#include "platform/xmldocument.h"
#include "support/loopbackserver.h"

#include <QStringList>

#include <gtest/gtest.h>

using VynMemberComment::Platform::XmlDocument;
using VynMemberComment::Platform::XmlNode;

namespace {

QStringList childTexts(XmlNode node)
{
    QStringList texts;
    for (XmlNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        texts << child.text();
    return texts;
}

QString rootText(const QByteArray &bytes)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.loadBytes(bytes)) << doc.errorText().toStdString();
    return doc.documentElement().text();
}

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

} // namespace

TEST(XmlDocumentTest, PositionsCountElementsTextCdataCommentsAndInstructions)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes("<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<r>\n  <a>1</a>\n  <!--c-->\n  <?p d?>\n"
                              "  <![CDATA[ ]]>\n  t \n  <b/>\n</r>\n"));
    const XmlNode root = doc.documentElement();
    // whitespace-only text is no node; blank CDATA and text with a letter are
    EXPECT_EQ(childTexts(root), (QStringList{"1", "c", "d", " ", "\n  t \n  ", ""}));
    EXPECT_EQ(root.item(0).text(), QStringLiteral("1"));
    EXPECT_EQ(root.item(5).text(), QString());
    EXPECT_FALSE(root.item(5).isNull());
    EXPECT_TRUE(root.item(6).isNull());
    EXPECT_TRUE(root.item(-1).isNull());
    EXPECT_TRUE(root.item(5).firstChild().isNull());
    EXPECT_TRUE(XmlNode().item(0).isNull());
    EXPECT_EQ(XmlNode().text(), QString());
}

TEST(XmlDocumentTest, TextJoinsTextAndCdataBelowAnElement)
{
    // element: text and CDATA in document order, comments and instructions left out
    EXPECT_EQ(rootText("<a>x<b>y<!--no--><?pi no?><c><![CDATA[<z>]]></c></b>w</a>"), QStringLiteral("xy<z>w"));
    // predefined entities and character references expand; line ends are normalised
    EXPECT_EQ(rootText("<a>&lt;&amp;&gt;&quot;&apos;&#233;&#x20AC;</a>"), QStringLiteral("<&>\"'\u00e9\u20ac"));
    EXPECT_EQ(rootText("<a>1\r\n2\r3</a>"), QStringLiteral("1\n2\n3"));
    // surrounding blanks stay
    EXPECT_EQ(rootText("<a>  x  </a>"), QStringLiteral("  x  "));
    EXPECT_EQ(rootText("<a/>"), QString());
}

TEST(XmlDocumentTest, DocumentTypeDeclarationsAreNotProcessed)
{
    LoopbackServer server;
    server.reply(200, "secret");
    const QByteArray internal = "<!DOCTYPE r [<!ENTITY e \"boom\">]><r>&e;</r>";
    EXPECT_NE(rootText(internal), QStringLiteral("boom"));
    const QByteArray external = "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + server.baseUrl().toUtf8() + "/x\">]><r>&e;</r>";
    XmlDocument doc;
    doc.loadBytes(external);
    EXPECT_FALSE(doc.documentElement().text().contains(QStringLiteral("secret")));
    EXPECT_TRUE(server.requests().empty());
}

TEST(XmlDocumentTest, DeclarationOrByteOrderMarkDecidesTheEncoding)
{
    const QString text = QStringLiteral("\u00e9\u20ac\u201c");
    struct Case {
        const char *name;
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {"utf-8 without mark", "<r>" + text.toUtf8() + "</r>", text},
        {"utf-8 with mark", "\xEF\xBB\xBF<r>" + text.toUtf8() + "</r>", text},
        {"utf-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>" + text.toUtf8() + "</r>", text},
        {"utf-16le with mark", utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>" + text + "</r>", false), text},
        {"utf-16be with mark", utf16("<r>" + text + "</r>", true), text},
        {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\xE9\x80\x93</r>", text},
        {"windows-1252, single quotes", "<?xml version='1.0' encoding = 'Windows-1252' ?><r>\xE9\x80\x93</r>", text},
        {"iso-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9\xFF\x80</r>",
         QStringLiteral("\u00e9\u00ff\u0080")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rootText(c.bytes), c.expected) << c.name;
}

TEST(XmlDocumentTest, MalformedReplyLeavesNoDocumentElement)
{
    const char *bad[] = {"", "   ", "not xml", "<r>", "<r><a></r>", "<r a=1/>", "<a/><b/>"};
    for (const char *bytes : bad) {
        XmlDocument doc;
        EXPECT_FALSE(doc.loadBytes(bytes)) << bytes;
        EXPECT_TRUE(doc.documentElement().isNull()) << bytes;
        EXPECT_FALSE(doc.errorText().isEmpty()) << bytes;
    }
    XmlDocument doc;
    doc.loadBytes("<r><a></r>");
    EXPECT_TRUE(doc.errorText().contains(QStringLiteral("offset 8"))) << doc.errorText().toStdString();
}

TEST(XmlDocumentTest, DeepNestingNeedsNoStack)
{
    constexpr int depth = 100000;
    QByteArray bytes;
    bytes.reserve(depth * 8 + 16);
    for (int i = 0; i < depth; ++i)
        bytes += "<e>";
    bytes += "deep";
    for (int i = 0; i < depth; ++i)
        bytes += "</e>";
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes(bytes)) << doc.errorText().toStdString();
    EXPECT_EQ(doc.documentElement().text(), QStringLiteral("deep"));
    EXPECT_EQ(doc.documentElement().firstChild().text(), QStringLiteral("deep"));
}
