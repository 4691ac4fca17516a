#include "platform/xmldocument.h"

#include "platform/codepage.h"

#include <pugixml.hpp>

namespace VynMemberComment::Platform {

namespace {

// Elements, non-blank text, CDATA, comments and processing instructions become nodes; the
// declaration and the DOCTYPE do not, and no entity beyond the predefined ones is expanded.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The encoding named by an XML declaration at the start of ASCII-compatible bytes; empty when none.
QByteArray declaredEncoding(const QByteArray &bytes)
{
    if (!bytes.startsWith("<?xml") || bytes.size() < 6 || !isXmlSpace(bytes.at(5)))
        return {};
    const qsizetype end = bytes.indexOf("?>");
    if (end < 0)
        return {};
    const QByteArray declaration = bytes.left(end);
    qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    at += 8;
    while (at < declaration.size() && isXmlSpace(declaration.at(at)))
        ++at;
    if (at >= declaration.size() || declaration.at(at) != '=')
        return {};
    ++at;
    while (at < declaration.size() && isXmlSpace(declaration.at(at)))
        ++at;
    if (at >= declaration.size() || (declaration.at(at) != '"' && declaration.at(at) != '\''))
        return {};
    const char quote = declaration.at(at);
    const qsizetype close = declaration.indexOf(quote, at + 1);
    if (close < 0)
        return {};
    return declaration.mid(at + 1, close - at - 1).trimmed().toLower();
}

bool hasByteOrderMarkOrWideStart(const QByteArray &bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return true;
    if (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
        return true;
    // UTF-16 or UTF-32 without a mark still starts with "<" padded by zero bytes.
    return n >= 2 && (b[0] == 0 || b[1] == 0);
}

// A DOM would refuse a second top-level element; pugixml accepts it silently.
bool hasOneDocumentElement(const pugi::xml_document &doc)
{
    int elements = 0;
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
        elements += n.type() == pugi::node_element ? 1 : 0;
    return elements == 1;
}

// The content of a text, CDATA, comment or processing-instruction node, without a copy.
std::optional<QByteArrayView> ownValue(pugi::xml_node node)
{
    switch (node.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
        return QByteArrayView(node.value());
    default:
        return std::nullopt;
    }
}

} // namespace

XmlNode XmlNode::item(int position) const
{
    if (position < 0)
        return {};
    XmlNode child = firstChild();
    for (int i = 0; i < position && !child.isNull(); ++i)
        child = child.nextSibling();
    return child;
}

XmlNode XmlNode::firstChild() const
{
    return XmlNode(pugi::xml_node(m_node).first_child().internal_object());
}

XmlNode XmlNode::nextSibling() const
{
    return XmlNode(pugi::xml_node(m_node).next_sibling().internal_object());
}

int XmlNode::readFields(XmlField *fields, int max) const
{
    int count = 0;
    for (pugi::xml_node child = pugi::xml_node(m_node).first_child(); child && count < max;
         child = child.next_sibling(), ++count) {
        const pugi::xml_node content = child.first_child();
        fields[count] = {XmlNode(content.internal_object()), ownValue(content)};
    }
    return count;
}

QString XmlNode::text() const
{
    const pugi::xml_node node(m_node);
    if (const std::optional<QByteArrayView> value = ownValue(node))
        return QString::fromUtf8(*value);
    if (node.type() != pugi::node_element)
        return {};
    // Walk the subtree in document order with parent links, so depth costs no stack.
    std::string text;
    pugi::xml_node current = node.first_child();
    while (current) {
        if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata)
            text += current.value();
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != node && !current.next_sibling())
            current = current.parent();
        if (current == node)
            break;
        current = current.next_sibling();
    }
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

XmlDocument::XmlDocument()
    : m_doc(std::make_unique<pugi::xml_document>())
{
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::fail(const QString &why)
{
    m_doc->reset();
    m_buffer.clear();
    m_error = why;
}

bool XmlDocument::loadBytes(QByteArray bytes)
{
    m_doc->reset();
    m_buffer.clear();
    m_error.clear();

    pugi::xml_encoding encoding = pugi::encoding_auto;
    if (!hasByteOrderMarkOrWideStart(bytes)) {
        encoding = pugi::encoding_utf8;
        const QByteArray declared = declaredEncoding(bytes);
        if (!declared.isEmpty() && declared != "utf-8" && declared != "utf8") {
            TextDecoder decoder(declared);
            bytes = decoder.decode(bytes).toUtf8();
        }
    }
    // Parsed in place: a reply of many megabytes is not copied once more.
    m_buffer = std::move(bytes);
    const pugi::xml_parse_result result =
        m_doc->load_buffer_inplace(m_buffer.data(), std::size_t(m_buffer.size()), kParseOptions, encoding);

    if (!result) {
        m_error = QStringLiteral("the reply is not well-formed XML: %1 at offset %2")
                      .arg(QString::fromUtf8(result.description()))
                      .arg(qint64(result.offset));
    } else if (!hasOneDocumentElement(*m_doc)) {
        m_error = QStringLiteral("the reply has more than one top-level element");
    }
    if (!m_error.isEmpty()) {
        m_doc->reset();
        m_buffer.clear();
        return false;
    }
    return true;
}

XmlNode XmlDocument::documentElement() const
{
    return XmlNode(m_doc->document_element().internal_object());
}

} // namespace VynMemberComment::Platform
