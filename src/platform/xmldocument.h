#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace pugi {
class xml_document;
class xml_node;
struct xml_node_struct;
} // namespace pugi

namespace VynMemberComment::Platform {

struct XmlField;

// One node of a loaded document, or none (isNull). Children count the nodes a DOM without
// preserved whitespace keeps: elements, non-blank text, CDATA, comments and processing instructions.
class XmlNode
{
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr; }
    // The child at a zero-based position; none when out of range.
    XmlNode item(int position) const;
    XmlNode firstChild() const;
    XmlNode nextSibling() const;
    // A text or CDATA node's content, a comment's content, or for an element all text and CDATA
    // below it in document order. Computed without recursion.
    QString text() const;
    // Reads this node's children, at most `max` of them, into `fields` in document order and
    // returns how many it read. One call per record instead of several per field: a load of
    // 100,000 records of 14 fields notices.
    int readFields(XmlField *fields, int max) const;

private:
    friend class XmlDocument;
    explicit XmlNode(pugi::xml_node_struct *node)
        : m_node(node)
    {
    }
    pugi::xml_node_struct *m_node = nullptr;
};

// One child of a node as readFields reads it.
struct XmlField {
    XmlNode content; // the child's first child; none when it has no children
    // content's own text as the document holds it (UTF-8, not copied) when content is a text,
    // CDATA, comment or processing-instruction node; none otherwise (text() gathers an element's).
    std::optional<QByteArrayView> value;
};

// An XML document parsed from bytes. Unparsable bytes, or a fetch that failed before there were
// any, leave it without a document element, and errorText() then says why.
class XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Parses bytes as they came over the wire; the XML declaration or BOM names the encoding.
    // True when it worked. The document is parsed in the bytes themselves: bytes handed over by
    // move (a reply of many megabytes) are not copied.
    bool loadBytes(QByteArray bytes);
    // Holds no document, for the reason given.
    void fail(const QString &why);

    XmlNode documentElement() const;
    QString errorText() const { return m_error; }

private:
    std::unique_ptr<pugi::xml_document> m_doc;
    // The bytes the document was parsed from, in place: its texts point into them.
    QByteArray m_buffer;
    QString m_error;
};

} // namespace VynMemberComment::Platform
