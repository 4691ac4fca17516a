#include "persistence/batchbuilder.h"

#include "persistence/rowmarker.h"
#include "persistence/truthvalue.h"

#include <array>
#include <limits>

namespace VynMemberComment {

namespace {

constexpr QLatin1StringView kHeaderStart(
    "Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From MemberDiscussionComment "
    "where MemberID =");
constexpr QLatin1StringView kHeaderEnd(")  Set @MaxId = ISNull(@MaxID,0) ");
constexpr QLatin1StringView kInsertStart(
    "INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,CommentGroup , "
    "CommentType, CommentDate, CommentEnteredBy, Focuscenter, FocusMembership, FocusBeta,RecordLastUpdated, "
    "FocusFranchiseRelations) VALUES (");
constexpr QLatin1StringView kUpdateStart("UPDATE MemberDiscussionComment  SET CommentDescription = ");
constexpr QLatin1StringView kUpdateWhere(", RecordLastUpdated = GETDATE() WHERE MemberID = ");

// Characters a statement adds beyond its cells; enough to reserve the batch in one go.
constexpr qsizetype kStatementOverhead = kInsertStart.size() + 80;

constexpr std::array<int, 4> kFocusColumns{Column::FocusCenter, Column::FocusMembership, Column::FocusBETA,
                                           Column::FocusFranchiseRelations};

// The values of one marked row that are not copied from a cell as they stand.
struct RowValues {
    std::array<char, 4> focus{}; // '1' or '0', in the order of kFocusColumns
    qint32 sequence = 0;         // changed rows only
};

// Integer text within 32 bits, nothing else: it goes into the statement unquoted.
bool isInteger(QStringView text)
{
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    if (i == text.size())
        return false;
    const qint64 limit = i == 1 ? -qint64(std::numeric_limits<qint32>::min()) : std::numeric_limits<qint32>::max();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > limit)
            return false;
    }
    return true;
}

QString cellError(qsizetype row, int column, QStringView cell, const char *problem)
{
    return QStringLiteral("Row %1: the %2 cell \"%3\" %4")
        .arg(row + 1)
        .arg(QLatin1StringView(kColumns[std::size_t(column)].header), cell.toString(),
             QLatin1StringView(problem));
}

std::optional<QString> readRow(const CommentRow &row, RowMarker marker, qsizetype index, RowValues &values)
{
    for (int column : {int(Column::CommentGroup), int(Column::CommentType)})
        if (!isInteger(row.cell(column)))
            return cellError(index, column, row.cell(column), "is no 32-bit integer");
    for (std::size_t f = 0; f < kFocusColumns.size(); ++f) {
        const std::optional<bool> flag = readTruthValue(row.cell(kFocusColumns[f]));
        if (!flag)
            return cellError(index, kFocusColumns[f], row.cell(kFocusColumns[f]), "is no truth value");
        values.focus[f] = *flag ? '1' : '0';
    }
    if (marker == RowMarker::Changed) {
        const std::optional<qint32> sequence = leadingNumber(row.cell(Column::CommentSequence));
        if (!sequence)
            return cellError(index, Column::CommentSequence, row.cell(Column::CommentSequence),
                             "starts with no sequence number");
        values.sequence = *sequence;
    }
    return std::nullopt;
}

// Appends the text in single quotes, each quote inside doubled.
void appendQuoted(QString &out, QStringView text)
{
    out += u'\'';
    qsizetype from = 0;
    for (qsizetype quote = text.indexOf(u'\''); quote >= 0; quote = text.indexOf(u'\'', from)) {
        out += text.sliced(from, quote + 1 - from);
        out += u'\'';
        from = quote + 1;
    }
    out += text.sliced(from);
    out += u'\'';
}

void appendInsert(QString &out, const CommentRow &row, const RowValues &values, const QString &member,
                  int counter)
{
    out += kInsertStart;
    out += member;
    out += QLatin1StringView(" ,");
    appendQuoted(out, row.cell(Column::Description));
    out += QLatin1StringView(",@MAXID+");
    out += QString::number(counter);
    out += u',';
    out += row.cell(Column::CommentGroup);
    out += u',';
    out += row.cell(Column::CommentType);
    out += QLatin1StringView(",GETDATE(),");
    appendQuoted(out, row.cell(Column::EnteredBy));
    out += u',';
    out += QLatin1Char(values.focus[0]);
    out += u',';
    out += QLatin1Char(values.focus[1]);
    out += u',';
    out += QLatin1Char(values.focus[2]);
    out += QLatin1StringView(",GETDATE(),");
    out += QLatin1Char(values.focus[3]);
    out += QLatin1StringView(");");
}

void appendUpdate(QString &out, const CommentRow &row, const RowValues &values, const QString &member)
{
    out += kUpdateStart;
    appendQuoted(out, row.cell(Column::Description));
    out += QLatin1StringView(", CommentGroup = ");
    out += row.cell(Column::CommentGroup);
    out += QLatin1StringView(", CommentType = ");
    out += row.cell(Column::CommentType);
    out += QLatin1StringView(", Focuscenter = ");
    out += QLatin1Char(values.focus[0]);
    out += QLatin1StringView(", FocusMembership = ");
    out += QLatin1Char(values.focus[1]);
    out += QLatin1StringView(", FocusBeta = ");
    out += QLatin1Char(values.focus[2]);
    out += QLatin1StringView(", FocusFranchiseRelations = ");
    out += QLatin1Char(values.focus[3]);
    out += kUpdateWhere;
    out += member;
    out += QLatin1StringView(" AND CommentSequence = ");
    out += QString::number(values.sequence);
    out += u';';
}

} // namespace

StatementBatch buildStatementBatch(const std::vector<CommentRow> &rows, qint32 memberId)
{
    const QString member = memberId == 0 ? QStringLiteral("MEMBER_ID_REQUIRED") : QString::number(memberId);

    // The markers first: they decide the header and the room the batch needs.
    std::vector<RowMarker> markers(rows.size());
    bool anyNew = false;
    qsizetype room = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        markers[r] = rowMarker(rows[r].cell(Column::CommentSequence));
        if (markers[r] == RowMarker::Unchanged)
            continue;
        anyNew = anyNew || markers[r] == RowMarker::New;
        room += rows[r].size() + kStatementOverhead + 2 * member.size();
    }
    if (room == 0)
        return {};

    StatementBatch batch;
    QString &out = batch.text;
    out.reserve(room + room / 8 + kHeaderStart.size() + kHeaderEnd.size() + member.size());
    if (anyNew) {
        out += kHeaderStart;
        out += member;
        out += kHeaderEnd;
    }
    int counter = 1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (markers[r] == RowMarker::Unchanged)
            continue;
        RowValues values;
        if (std::optional<QString> error = readRow(rows[r], markers[r], qsizetype(r), values)) {
            batch.text.clear();
            batch.error = std::move(error);
            return batch;
        }
        if (markers[r] == RowMarker::New)
            appendInsert(out, rows[r], values, member, counter++);
        else
            appendUpdate(out, rows[r], values, member);
    }
    return batch;
}

} // namespace VynMemberComment
