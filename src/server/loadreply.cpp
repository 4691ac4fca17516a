#include "server/loadreply.h"

namespace VynMemberComment {

using Platform::XmlDocument;
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

bool isAsciiSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
        || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

} // namespace

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
    int position = 0;
    for (XmlNode record = section.firstChild(); !record.isNull(); record = record.nextSibling(), ++position) {
        XmlNode field = record.firstChild();
        if (field.isNull()) {
            result.error = ReplyError{ReplyErrorNumber::EmptyRecord,
                                      QStringLiteral("Comment record at position %1 has no fields").arg(position)};
            return result;
        }
        XmlNode content = field.firstChild();
        if (content.isNull()) {
            result.error = ReplyError{ReplyErrorNumber::EmptyField,
                                      QStringLiteral("Comment record at position %1: field at position 0 is empty")
                                          .arg(position)};
            return result;
        }
        CommentRow &row = result.rows.emplace_back(content.text());
        for (int k = 1; k < columnCount; ++k) {
            field = field.nextSibling();
            if (field.isNull()) {
                result.error = ReplyError{ReplyErrorNumber::MissingField,
                                          QStringLiteral("Comment record at position %1 has %2 fields; the list has %3 columns")
                                              .arg(position)
                                              .arg(k)
                                              .arg(columnCount)};
                return result;
            }
            content = field.firstChild();
            if (content.isNull()) {
                result.error = ReplyError{ReplyErrorNumber::EmptyField,
                                          QStringLiteral("Comment record at position %1: field at position %2 is empty")
                                              .arg(position)
                                              .arg(k)};
                return result;
            }
            row.appendCell(content.text());
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

std::optional<qint32> toInt32(QStringView text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isAsciiSpace(text[i]))
        ++i;
    while (end > i && isAsciiSpace(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == end)
        return std::nullopt;
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 value = 0;
    for (; i < end; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return qint32(negative ? -value : value);
}

} // namespace VynMemberComment
