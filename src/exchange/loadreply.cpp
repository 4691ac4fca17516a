#include "exchange/loadreply.h"

#include "platform/http.h"
#include "rows/numbers.h"

#include <QUrl>

#include <algorithm>
#include <array>

namespace VynMemberComment {

using Platform::XmlDocument;
using Platform::XmlField;
using Platform::XmlNode;

namespace {

ReplyError noDocumentElement(const XmlDocument &doc)
{
    const QString why = doc.errorText().isEmpty() ? QStringLiteral("it has no document element") : doc.errorText();
    return {ReplyErrorNumber::NoDocumentElement, QStringLiteral("The load reply could not be read: %1").arg(why)};
}

int countChildren(XmlNode node)
{
    int count = 0;
    for (XmlNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
        ++count;
    return count;
}

// Fills a row with the texts of the first `count` fields' contents.
void fillRow(CommentRow &row, const std::array<XmlField, Column::Count> &fields, int count)
{
    std::array<QByteArrayView, Column::Count> values;
    for (std::size_t c = 0; c < std::size_t(count); ++c) {
        if (!fields[c].value) {
            // An element as a field's first child: its text gathers what lies below it.
            for (std::size_t k = 0; k < std::size_t(count); ++k)
                row.appendCell(fields[k].content.text());
            return;
        }
        values[c] = *fields[c].value;
    }
    row.appendUtf8Cells(values.data(), count);
}

} // namespace

std::unique_ptr<XmlDocument> fetchLoadReply(const QString &url)
{
    Platform::HttpResult reply = Platform::httpGet(QUrl(url));
    auto doc = std::make_unique<XmlDocument>();
    if (reply.status != 0 && (reply.status < 200 || reply.status > 299))
        doc->fail(
            QStringLiteral("HTTP status %1 %2 from %3").arg(reply.status).arg(reply.reason, reply.url).simplified());
    else if (!reply.error.isEmpty())
        doc->fail(reply.error);
    else
        doc->loadBytes(std::move(reply.body));
    return doc;
}

CommentReadResult readComments(const XmlDocument &doc, int columnCount)
{
    CommentReadResult result;
    const XmlNode root = doc.documentElement();
    if (root.isNull()) {
        result.error = noDocumentElement(doc);
        return result;
    }
    const XmlNode section = root.item(Section::Comments);
    if (section.isNull()) {
        result.error = ReplyError{ReplyErrorNumber::MissingSection,
                                  QStringLiteral("The load reply has %1 sections under its document element; "
                                                 "the comments are expected at position %2")
                                      .arg(countChildren(root))
                                      .arg(Section::Comments)};
        return result;
    }

    result.rows.reserve(std::size_t(countChildren(section)));
    // Field 0 is read whatever the column count; a row holds at most Column::Count cells.
    const int wanted = std::clamp(columnCount, 1, int(Column::Count));
    int position = 0;
    for (XmlNode record = section.firstChild(); !record.isNull(); record = record.nextSibling(), ++position) {
        std::array<XmlField, Column::Count> fields;
        const int present = record.readFields(fields.data(), wanted);
        if (present == 0) {
            result.error = ReplyError{ReplyErrorNumber::EmptyRecord,
                                      QStringLiteral("Comment record at position %1 has no fields").arg(position)};
            return result;
        }
        // The fields up to the first one that is missing or empty; the row keeps those before it.
        int found = 0;
        std::optional<ReplyError> error;
        while (found < wanted) {
            if (found == present) {
                error =
                    ReplyError{ReplyErrorNumber::MissingField,
                               QStringLiteral("Comment record at position %1 has %2 fields; the list has %3 columns")
                                   .arg(position)
                                   .arg(found)
                                   .arg(columnCount)};
                break;
            }
            if (fields[std::size_t(found)].content.isNull()) {
                error = ReplyError{ReplyErrorNumber::EmptyField,
                                   QStringLiteral("Comment record at position %1: field at position %2 is empty")
                                       .arg(position)
                                       .arg(found)};
                break;
            }
            ++found;
        }
        if (found > 0)
            fillRow(result.rows.emplace_back(), fields, found);
        if (error) {
            result.error = std::move(error);
            return result;
        }
    }
    return result;
}

std::optional<QString> readUserName(const XmlDocument &doc)
{
    const XmlNode name = doc.documentElement().item(Section::User).firstChild();
    if (name.isNull())
        return std::nullopt;
    return name.text();
}

std::optional<std::vector<ChoiceEntry>> readChoices(const XmlDocument &doc, int section)
{
    const XmlNode root = doc.documentElement();
    if (root.isNull())
        return std::nullopt;
    std::vector<ChoiceEntry> entries;
    const XmlNode records = root.item(section);
    entries.reserve(std::size_t(countChildren(records)));
    for (XmlNode record = records.firstChild(); !record.isNull(); record = record.nextSibling()) {
        const XmlNode idField = record.firstChild();
        const XmlNode description = idField.nextSibling().firstChild();
        if (description.isNull())
            break;
        ChoiceEntry &entry = entries.emplace_back(ChoiceEntry{description.text(), 0});
        const XmlNode id = idField.firstChild();
        const std::optional<qint32> value = id.isNull() ? std::nullopt : toInt32(id.text());
        if (!value)
            break;
        entry.id = *value;
    }
    return entries;
}

} // namespace VynMemberComment
