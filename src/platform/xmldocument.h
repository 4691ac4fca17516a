#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace pugi {
class xml_document;
class xml_node;
struct xml_node_struct;
}

class QUrl;

namespace VynMemberComment::Platform {

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

private:
    friend class XmlDocument;
    explicit XmlNode(pugi::xml_node_struct *node) : m_node(node) {}
    pugi::xml_node_struct *m_node = nullptr;
};

// The load reply. A failed fetch or an unparsable reply leaves it without a document element, and
// errorText() then says why.
class XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Fetches the URL with an HTTP GET and parses the reply, holding back user input meanwhile.
    // Follows redirects; gives up after the transfer timeout without progress. True when it worked.
    bool load(const QUrl &url);
    // Parses bytes as they came over the wire; the XML declaration or BOM names the encoding.
    bool loadBytes(const QByteArray &bytes);

    XmlNode documentElement() const;
    QString errorText() const { return m_error; }

    // How long a transfer may go without progress before it gives up (60 s; shortened in tests).
    static int timeoutMilliseconds();
    static void setTimeoutMilliseconds(int ms);

private:
    std::unique_ptr<pugi::xml_document> m_doc;
    QString m_error;
};

} // namespace VynMemberComment::Platform
