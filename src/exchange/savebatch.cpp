#include "exchange/savebatch.h"

#include "exchange/urlencode.h"
#include "rows/numbers.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <QByteArrayView>

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

constexpr std::array<int, 4> kFocusColumns{Column::FocusCenter, Column::FocusMembership, Column::FocusBETA,
                                           Column::FocusFranchiseRelations};

// The values of one marked row that are not copied from a cell as they stand.
struct RowValues {
    std::array<char16_t, 4> focus{}; // '1' or '0', in the order of kFocusColumns
    qint32 sequence = 0;             // changed rows only
    int offset = 0;                  // new rows only: 1, 2, ... above the member's highest sequence
};

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

// The marked rows of a save, in list order, as they were when it began, read and checked: what
// its statements are made of.
struct MarkedRows {
    QString member;
    bool anyNew = false;
    std::vector<CommentRow> rows;
    std::vector<RowMarker> markers;
    std::vector<RowValues> values;
};

// Reads the marked rows; why they cannot be sent when one is unfit.
std::optional<QString> readMarkedRows(const std::vector<CommentRow> &rows, qint32 memberId, MarkedRows &marked)
{
    marked.member = memberId == 0 ? QStringLiteral("MEMBER_ID_REQUIRED") : QString::number(memberId);
    int offset = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RowMarker marker = rowMarker(rows[r].cell(Column::CommentSequence));
        if (marker == RowMarker::Unchanged)
            continue;
        RowValues values;
        if (std::optional<QString> error = readRow(rows[r], marker, qsizetype(r), values))
            return error;
        if (marker == RowMarker::New)
            values.offset = ++offset;
        marked.anyNew = marked.anyNew || marker == RowMarker::New;
        marked.rows.push_back(rows[r]);
        marked.markers.push_back(marker);
        marked.values.push_back(values);
    }
    return std::nullopt;
}

// The header in front of the statements when a row is new: it reads the member's highest sequence.
template<typename Out>
void appendHeader(Out &out, const MarkedRows &marked)
{
    if (!marked.anyNew)
        return;
    out += Wording::HeaderStart;
    out += marked.member;
    out += Wording::HeaderEnd;
}

template<typename Out>
void appendInsert(Out &out, const CommentRow &row, const RowValues &values, const QString &member)
{
    out += Wording::InsertStart;
    out += member;
    out += Wording::InsertDescription;
    out.appendQuoted(row.cell(Column::Description));
    out += Wording::InsertSequence;
    out += Decimal(values.offset).view();
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

// The statement of the i-th marked row.
template<typename Out>
void appendStatement(Out &out, const MarkedRows &marked, std::size_t i)
{
    if (marked.markers[i] == RowMarker::New)
        appendInsert(out, marked.rows[i], marked.values[i], marked.member);
    else
        appendUpdate(out, marked.rows[i], marked.values[i], marked.member);
}

// Appends to the batch as text.
class TextWriter
{
public:
    explicit TextWriter(QString &text) : m_text(text) { }
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

// The fixed wording of the statements, form-URL-encoded once per save.
class EncodedWording
{
public:
    explicit EncodedWording(const FormUrlEncoder &encoder)
    {
        for (std::size_t piece = 0; piece < m_pieces.size(); ++piece) {
            const QString text = wording(Wording(piece));
            m_pieces[piece].resize(text.size() * encoder.widestPiece() + 3);
            m_pieces[piece].truncate(encoder.write(m_pieces[piece].data(), text) - m_pieces[piece].constData());
        }
    }
    const QByteArray &operator[](Wording piece) const { return m_pieces[std::size_t(piece)]; }
    // The bytes of all pieces together: more than any statement's wording.
    qsizetype total() const
    {
        qsizetype total = 0;
        for (const QByteArray &piece : m_pieces)
            total += piece.size();
        return total;
    }

private:
    std::array<QByteArray, std::size_t(Wording::Count)> m_pieces;
};

// Counts the bytes FormWriter writes for whatever is appended.
class FormLength
{
public:
    FormLength(const FormUrlEncoder &encoder, const EncodedWording &wording) : m_encoder(encoder), m_wording(wording) { }
    FormLength &operator+=(Wording piece)
    {
        m_bytes += m_wording[piece].size();
        return *this;
    }
    FormLength &operator+=(QStringView text)
    {
        m_bytes += m_encoder.encodedLength(text);
        return *this;
    }
    FormLength &operator+=(char16_t c) { return *this += QStringView(&c, 1); }
    void appendQuoted(QStringView text) { m_bytes += m_encoder.encodedQuotedLength(text); }
    qint64 bytes() const { return m_bytes; }

private:
    const FormUrlEncoder &m_encoder;
    const EncodedWording &m_wording;
    qint64 m_bytes = 0;
};

// Form-URL-encodes whatever is appended, straight into bytes at a place with room enough.
class FormWriter
{
public:
    FormWriter(const FormUrlEncoder &encoder, const EncodedWording &wording, char *at)
        : m_encoder(encoder), m_wording(wording), m_at(at)
    {
    }
    FormWriter &operator+=(Wording piece)
    {
        const QByteArray &encoded = m_wording[piece];
        std::memcpy(m_at, encoded.constData(), std::size_t(encoded.size()));
        m_at += encoded.size();
        return *this;
    }
    FormWriter &operator+=(QStringView text)
    {
        m_at = m_encoder.write(m_at, text);
        return *this;
    }
    FormWriter &operator+=(char16_t c)
    {
        m_at = m_encoder.write(m_at, c);
        return *this;
    }
    void appendQuoted(QStringView text) { m_at = m_encoder.writeQuoted(m_at, text); }
    char *at() const { return m_at; }

private:
    const FormUrlEncoder &m_encoder;
    const EncodedWording &m_wording;
    char *m_at;
};

// The form as a request body. A read hands out what was written ahead, then writes the next
// statements straight into the reader's buffer while the widest of each fits; after it, the next
// ones are written ahead, in the event loop, while the request sends what was read.
class SaveFormDevice : public QIODevice
{
public:
    SaveFormDevice(MarkedRows marked, Platform::CodePage codePage)
        : m_marked(std::move(marked)), m_encoder(codePage), m_wording(m_encoder),
          // Beyond twice the cells at their widest (every character a doubled quote): the
          // wording, the member twice, the numbers and flags, and the 3 bytes a piece store
          // writes past the end.
          m_roomBeyondCells(m_wording.total() + (2 * m_marked.member.size() + 64) * m_encoder.widestPiece() + 3)
    {
        FormLength length(m_encoder, m_wording);
        appendHeader(length, m_marked);
        for (std::size_t i = 0; i < m_marked.rows.size(); ++i)
            appendStatement(length, m_marked, i);
        m_size = kFieldName.size() + length.bytes();
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }
    // Written from the start again up to the position, as when a request is sent again.
    bool seek(qint64 position) override
    {
        if (!QIODevice::seek(position))
            return false;
        m_next = 0;
        m_ahead = kFieldName.toByteArray();
        m_aheadAt = 0;
        QByteArray skipped(std::min(position, qint64(64 * 1024)), Qt::Uninitialized);
        for (qint64 left = position; left > 0;) {
            const qint64 step = readData(skipped.data(), std::min(left, qint64(skipped.size())));
            if (step <= 0)
                return false;
            left -= step;
        }
        return true;
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        char *out = data;
        char *const end = data + maxSize;
        for (;;) {
            const qsizetype ahead = std::min(qsizetype(end - out), m_ahead.size() - m_aheadAt);
            std::memcpy(out, m_ahead.constData() + m_aheadAt, std::size_t(ahead));
            out += ahead;
            m_aheadAt += ahead;
            if (m_aheadAt < m_ahead.size())
                break; // the buffer is full
            out = writeStatements(out, end);
            if (out == end || m_next > m_marked.rows.size())
                break;
            // The next statement may not fit in what is left: written ahead, handed out in parts.
            writeAhead(1);
        }
        if (m_next <= m_marked.rows.size() && !m_aheadQueued) {
            m_aheadQueued = true;
            QMetaObject::invokeMethod(this, [this] {
                m_aheadQueued = false;
                writeAhead(kAhead);
            }, Qt::QueuedConnection);
        }
        return out - data;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    static constexpr QByteArrayView kFieldName = "SQL=";
    // What a request reads at a time, and more.
    static constexpr qsizetype kAhead = 32 * 1024;

    // The most bytes the next piece can take: the header (0), or the statement of marked row i - 1.
    qsizetype roomFor(std::size_t next) const
    {
        const qsizetype cells = next == 0 ? 0 : m_marked.rows[next - 1].size();
        return 2 * cells * m_encoder.widestPiece() + m_roomBeyondCells;
    }

    // Writes the next pieces at out while the widest of each fits before end; returns where
    // the writing ended.
    char *writeStatements(char *out, char *end)
    {
        for (; m_next <= m_marked.rows.size() && end - out >= roomFor(m_next); ++m_next) {
            FormWriter writer(m_encoder, m_wording, out);
            if (m_next == 0)
                appendHeader(writer, m_marked);
            else
                appendStatement(writer, m_marked, m_next - 1);
            out = writer.at();
        }
        return out;
    }

    // Writes pieces ahead until `bytes` are waiting to be read, or none is left.
    void writeAhead(qsizetype bytes)
    {
        m_ahead.remove(0, m_aheadAt);
        m_aheadAt = 0;
        while (m_ahead.size() < bytes && m_next <= m_marked.rows.size()) {
            const qsizetype at = m_ahead.size();
            m_ahead.resize(at + roomFor(m_next));
            m_ahead.truncate(writeStatements(m_ahead.data() + at, m_ahead.data() + m_ahead.size()) - m_ahead.constData());
        }
    }

    const MarkedRows m_marked;
    const FormUrlEncoder m_encoder;
    const EncodedWording m_wording;
    const qsizetype m_roomBeyondCells;
    qint64 m_size = 0;
    std::size_t m_next = 0;                         // the next piece to write: see roomFor
    QByteArray m_ahead = kFieldName.toByteArray();  // written, not yet read from m_aheadAt on
    qsizetype m_aheadAt = 0;
    bool m_aheadQueued = false;
};

} // namespace

StatementBatch buildStatementBatch(const std::vector<CommentRow> &rows, qint32 memberId)
{
    MarkedRows marked;
    StatementBatch batch;
    if (std::optional<QString> error = readMarkedRows(rows, memberId, marked)) {
        batch.error = std::move(error);
        return batch;
    }
    if (marked.rows.empty())
        return batch;
    qsizetype characters = 0;
    for (const CommentRow &row : marked.rows)
        characters += row.size() + wording(Wording::InsertStart).size() + 80;
    batch.text.reserve(characters + characters / 8);
    TextWriter out(batch.text);
    appendHeader(out, marked);
    for (std::size_t i = 0; i < marked.rows.size(); ++i)
        appendStatement(out, marked, i);
    return batch;
}

SaveForm openSaveForm(const std::vector<CommentRow> &rows, qint32 memberId, Platform::CodePage codePage)
{
    MarkedRows marked;
    SaveForm form;
    if (std::optional<QString> error = readMarkedRows(rows, memberId, marked))
        form.error = std::move(error);
    else if (!marked.rows.empty())
        form.body = std::make_unique<SaveFormDevice>(std::move(marked), codePage);
    return form;
}

} // namespace VynMemberComment
