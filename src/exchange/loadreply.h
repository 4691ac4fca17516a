#pragma once

#include "platform/xmldocument.h"
#include "rows/commentrow.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace VynMemberComment {

// Positions of the sections under the load reply's document element.
namespace Section {
enum : int { User = 0, Groups = 1, Types = 2, Comments = 3 };
}

// The error numbers of the load reply, one per cause.
namespace ReplyErrorNumber {
enum : int {
    NoDocumentElement = 1001, // the fetch or the parse failed
    MissingSection = 1002,    // fewer than four sections under the document element
    MissingField = 1003,      // a comment record with fewer fields than the list has columns
    EmptyField = 1004,        // a field without a child node
    EmptyRecord = 1005,       // a comment record without child nodes (text or comment between records)
};
}

// An error of the load reply, as the load's error box shows it.
struct ReplyError {
    int number = 0;
    QString description;
};

// Fetches the load reply from the load's address with a GET, holding back user input meanwhile,
// and parses its body as the XML declaration or a byte order mark name its encoding, whatever
// charset the HTTP header names. A failed fetch (no response, a cut one, a status other than 2xx)
// or an unparsable body leaves the document without a document element; its errorText() says why.
std::unique_ptr<Platform::XmlDocument> fetchLoadReply(const QString &url);

struct CommentReadResult {
    // Rows read before any error, the failing record's partial row included.
    std::vector<CommentRow> rows;
    std::optional<ReplyError> error;
};

// Reads the comment section into rows of columnCount cells, one per record, in document order.
CommentReadResult readComments(const Platform::XmlDocument &doc, int columnCount);

// The current user's name: the text of the user section's first child node; none when the
// document, the section or that node is missing.
std::optional<QString> readUserName(const Platform::XmlDocument &doc);

struct ChoiceEntry {
    QString text;
    qint32 id = 0;
};

// The entries of a group or type section, up to the first bad record (a record whose id is no
// 32-bit integer keeps its entry with id 0). None when the document has no document element; an
// empty list when the section is missing.
std::optional<std::vector<ChoiceEntry>> readChoices(const Platform::XmlDocument &doc, int section);

} // namespace VynMemberComment
