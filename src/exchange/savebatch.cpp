#include "exchange/savebatch.h"

#include "exchange/urlencode.h"
#include "rows/numbers.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace VynMemberComment {

namespace {

// The statements' fixed wording, by name: the form writer encodes each piece once per save.
enum class Wording : std::uint8_t {
    HeaderStart,
    HeaderEnd,
    InsertStart,
    InsertDescription,
    InsertSequence,
    InsertNow,
    InsertEnd,
    UpdateStart,
    UpdateGroup,
    UpdateType,
    UpdateCenter,
    UpdateMembership,
    UpdateBeta,
    UpdateFranchise,
    UpdateWhere,
    UpdateSequence,
    Count
};

constexpr QLatin1StringView wording(Wording piece)
{
    switch (piece) {
    case Wording::HeaderStart:
        return QLatin1StringView("Declare @MaxID  int select @MaxId = (Select Max(CommentSequence) From "
                                 "MemberDiscussionComment where MemberID =");
    case Wording::HeaderEnd:
        return QLatin1StringView(")  Set @MaxId = ISNull(@MaxID,0) ");
    case Wording::InsertStart:
        return QLatin1StringView("INSERT INTO MemberDiscussionComment (MemberID,CommentDescription ,CommentSequence,"
                                 "CommentGroup , CommentType, CommentDate, CommentEnteredBy, Focuscenter, "
                                 "FocusMembership, FocusBeta,RecordLastUpdated, FocusFranchiseRelations) VALUES (");
    case Wording::InsertDescription:
        return QLatin1StringView(" ,");
    case Wording::InsertSequence:
        return QLatin1StringView(",@MAXID+");
    case Wording::InsertNow:
        return QLatin1StringView(",GETDATE(),");
    case Wording::InsertEnd:
        return QLatin1StringView(");");
    case Wording::UpdateStart:
        return QLatin1StringView("UPDATE MemberDiscussionComment  SET CommentDescription = ");
    case Wording::UpdateGroup:
        return QLatin1StringView(", CommentGroup = ");
    case Wording::UpdateType:
        return QLatin1StringView(", CommentType = ");
    case Wording::UpdateCenter:
        return QLatin1StringView(", Focuscenter = ");
    case Wording::UpdateMembership:
        return QLatin1StringView(", FocusMembership = ");
    case Wording::UpdateBeta:
        return QLatin1StringView(", FocusBeta = ");
    case Wording::UpdateFranchise:
        return QLatin1StringView(", FocusFranchiseRelations = ");
    case Wording::UpdateWhere:
        return QLatin1StringView(", RecordLastUpdated = GETDATE() WHERE MemberID = ");
    case Wording::UpdateSequence:
        return QLatin1StringView(" AND CommentSequence = ");
    case Wording::Count:
        break;
    }
    return {};
}

// Characters a statement adds beyond its cells; enough to reserve the batch in one go.
constexpr qsizetype kStatementOverhead = wording(Wording::InsertStart).size() + 80;

constexpr std::array<int, 4> kFocusColumns{Column::FocusCenter, Column::FocusMembership, Column::FocusBETA,
                                           Column::FocusFranchiseRelations};

// The values of one marked row that are not copied from a cell as they stand.
struct RowValues {
    std::array<char16_t, 4> focus{}; // '1' or '0', in the order of kFocusColumns
    qint32 sequence = 0;             // changed rows only
};

QString cellError(qsizetype row, int column, QStringView cell, const char *problem)
{
    return QStringLiteral("Row %1: the %2 cell \"%3\" %4")
        .arg(row + 1)
        .arg(QLatin1StringView(kColumns[std::size_t(column)].header), cell.toString(), QLatin1StringView(problem));
}

std::optional<QString> readRow(const CommentRow &row, RowMarker marker, qsizetype index, RowValues &values)
{
    for (int column : {int(Column::CommentGroup), int(Column::CommentType)})
        if (!isStrictInteger(row.cell(column)))
            return cellError(index, column, row.cell(column), "is no 32-bit integer");
    for (std::size_t f = 0; f < kFocusColumns.size(); ++f) {
        const std::optional<bool> flag = readTruthValue(row.cell(kFocusColumns[f]));
        if (!flag)
            return cellError(index, kFocusColumns[f], row.cell(kFocusColumns[f]), "is no truth value");
        values.focus[f] = *flag ? u'1' : u'0';
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

// A number in decimal, written without a string of its own (one per statement otherwise).
class Decimal
{
public:
    explicit Decimal(qint64 value)
    {
        const bool negative = value < 0;
        auto magnitude = negative ? 0 - quint64(value) : quint64(value);
        do {
            m_digits[--m_begin] = char16_t(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative)
            m_digits[--m_begin] = u'-';
    }
    QStringView view() const { return QStringView(m_digits + m_begin, std::size(m_digits) - m_begin); }

private:
    char16_t m_digits[20];
    std::size_t m_begin = std::size(m_digits);
};

template<typename Out>
void appendInsert(Out &out, const CommentRow &row, const RowValues &values, const QString &member, int counter)
{
    out += Wording::InsertStart;
    out += member;
    out += Wording::InsertDescription;
    out.appendQuoted(row.cell(Column::Description));
    out += Wording::InsertSequence;
    out += Decimal(counter).view();
    out += u',';
    out += row.cell(Column::CommentGroup);
    out += u',';
    out += row.cell(Column::CommentType);
    out += Wording::InsertNow;
    out.appendQuoted(row.cell(Column::EnteredBy));
    out += u',';
    out += values.focus[0];
    out += u',';
    out += values.focus[1];
    out += u',';
    out += values.focus[2];
    out += Wording::InsertNow;
    out += values.focus[3];
    out += Wording::InsertEnd;
}

template<typename Out>
void appendUpdate(Out &out, const CommentRow &row, const RowValues &values, const QString &member)
{
    out += Wording::UpdateStart;
    out.appendQuoted(row.cell(Column::Description));
    out += Wording::UpdateGroup;
    out += row.cell(Column::CommentGroup);
    out += Wording::UpdateType;
    out += row.cell(Column::CommentType);
    out += Wording::UpdateCenter;
    out += values.focus[0];
    out += Wording::UpdateMembership;
    out += values.focus[1];
    out += Wording::UpdateBeta;
    out += values.focus[2];
    out += Wording::UpdateFranchise;
    out += values.focus[3];
    out += Wording::UpdateWhere;
    out += member;
    out += Wording::UpdateSequence;
    out += Decimal(values.sequence).view();
    out += u';';
}

// Which rows the batch holds and the room it needs, read once for both kinds of output.
struct BatchPlan {
    QString member;
    std::vector<RowMarker> markers;
    bool anyNew = false;
    qsizetype room = 0; // characters; 0 when no row is marked
};

BatchPlan planBatch(const std::vector<CommentRow> &rows, qint32 memberId)
{
    BatchPlan plan;
    plan.member = memberId == 0 ? QStringLiteral("MEMBER_ID_REQUIRED") : QString::number(memberId);
    // The markers first: they decide the header and the room the batch needs.
    plan.markers.resize(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        plan.markers[r] = rowMarker(rows[r].cell(Column::CommentSequence));
        if (plan.markers[r] == RowMarker::Unchanged)
            continue;
        plan.anyNew = plan.anyNew || plan.markers[r] == RowMarker::New;
        plan.room += rows[r].size() + kStatementOverhead + 2 * plan.member.size();
    }
    if (plan.room > 0)
        plan.room += plan.room / 8 + wording(Wording::HeaderStart).size() + wording(Wording::HeaderEnd).size()
            + plan.member.size();
    return plan;
}

// Writes the statements of the marked rows; why they cannot be sent when a row is unfit.
template<typename Out>
std::optional<QString> writeBatch(Out &out, const std::vector<CommentRow> &rows, const BatchPlan &plan)
{
    if (plan.anyNew) {
        out += Wording::HeaderStart;
        out += plan.member;
        out += Wording::HeaderEnd;
    }
    int counter = 1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (plan.markers[r] == RowMarker::Unchanged)
            continue;
        RowValues values;
        if (std::optional<QString> error = readRow(rows[r], plan.markers[r], qsizetype(r), values))
            return error;
        if (plan.markers[r] == RowMarker::New)
            appendInsert(out, rows[r], values, plan.member, counter++);
        else
            appendUpdate(out, rows[r], values, plan.member);
    }
    return std::nullopt;
}

// Appends to the batch as text.
class TextWriter
{
public:
    explicit TextWriter(QString &text)
        : m_text(text)
    {
    }
    TextWriter &operator+=(Wording piece)
    {
        m_text += wording(piece);
        return *this;
    }
    template<typename Text>
    TextWriter &operator+=(const Text &text)
    {
        m_text += text;
        return *this;
    }
    // The text in single quotes, each quote inside doubled.
    void appendQuoted(QStringView text)
    {
        m_text += u'\'';
        qsizetype from = 0;
        for (qsizetype quote = text.indexOf(u'\''); quote >= 0; quote = text.indexOf(u'\'', from)) {
            m_text += text.sliced(from, quote + 1 - from);
            m_text += u'\'';
            from = quote + 1;
        }
        m_text += text.sliced(from);
        m_text += u'\'';
    }

private:
    QString &m_text;
};

// Form-URL-encodes whatever is appended, straight into the bytes of a form.
class FormWriter
{
public:
    // Starts writing at the end of the form, with room for `characters` at their widest.
    FormWriter(const FormUrlEncoder &encoder, QByteArray &form, qsizetype characters)
        : m_encoder(encoder)
        , m_form(form)
        , m_widest(encoder.widestPiece())
    {
        // Reserved exactly: the pages never written are never touched (a larger block would be
        // mapped afresh, and fault, on every save).
        const qsizetype at = m_form.size();
        m_form.reserve(at + characters * m_widest + 3);
        m_form.resize(m_form.capacity());
        m_at = m_form.data() + at;
    }
    // The fixed wording is the same for every row: each piece is encoded once, then copied.
    FormWriter &operator+=(Wording piece)
    {
        QByteArray &encoded = m_wordings[std::size_t(piece)];
        if (encoded.isEmpty()) {
            const QString text = wording(piece);
            encoded.resize(text.size() * m_widest + 3);
            encoded.truncate(m_encoder.write(encoded.data(), text) - encoded.constData());
        }
        reserve(encoded.size());
        std::memcpy(m_at, encoded.constData(), std::size_t(encoded.size()));
        m_at += encoded.size();
        return *this;
    }
    FormWriter &operator+=(QStringView text)
    {
        reserve(text.size() * m_widest + 3);
        m_at = m_encoder.write(m_at, text);
        return *this;
    }
    FormWriter &operator+=(char16_t c)
    {
        reserve(m_widest + 3);
        m_at = m_encoder.write(m_at, c);
        return *this;
    }
    void appendQuoted(QStringView text)
    {
        reserve((2 * text.size() + 2) * m_widest + 3);
        m_at = m_encoder.writeQuoted(m_at, text);
    }
    // Ends the form where the writing ended.
    void finish() { m_form.truncate(m_at - m_form.constData()); }

private:
    void reserve(qsizetype bytes)
    {
        if (m_form.constData() + m_form.size() - m_at >= bytes)
            return;
        // More quotes to double than the room allowed for: grow, rarely.
        const qsizetype at = m_at - m_form.constData();
        m_form.resize(std::max(2 * m_form.size(), at + bytes));
        m_at = m_form.data() + at;
    }

    const FormUrlEncoder &m_encoder;
    QByteArray &m_form;
    const int m_widest;
    char *m_at = nullptr;
    std::array<QByteArray, std::size_t(Wording::Count)> m_wordings;
};

} // namespace

StatementBatch buildStatementBatch(const std::vector<CommentRow> &rows, qint32 memberId)
{
    const BatchPlan plan = planBatch(rows, memberId);
    if (plan.room == 0)
        return {};
    StatementBatch batch;
    batch.text.reserve(plan.room);
    TextWriter out(batch.text);
    if (std::optional<QString> error = writeBatch(out, rows, plan)) {
        batch.text.clear();
        batch.error = std::move(error);
    }
    return batch;
}

EncodedBatch buildEncodedBatch(const std::vector<CommentRow> &rows, qint32 memberId, Platform::CodePage codePage)
{
    const BatchPlan plan = planBatch(rows, memberId);
    if (plan.room == 0)
        return {};
    const FormUrlEncoder encoder(codePage);
    EncodedBatch batch;
    batch.form = QByteArrayLiteral("SQL=");
    FormWriter out(encoder, batch.form, plan.room);
    if (std::optional<QString> error = writeBatch(out, rows, plan)) {
        batch.form.clear();
        batch.error = std::move(error);
        return batch;
    }
    out.finish();
    return batch;
}

} // namespace VynMemberComment
