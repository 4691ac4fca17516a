// The save batch as a property. Rows with arbitrary cell texts go through the batch builder, the
// control's form writer (which must give the batch's text encoded by urlEncode, in CP1252 and in
// CP936) and the reference server's form decoding and strict parser.
// Either the builder refuses the rows, or the server reads back exactly their values, each text
// inside its literal as CP1252 holds it, or it refuses by a rule of its own (no member chosen, a
// blank text, a control character). Anything else aborts: no cell text may ever become SQL.
// Input: UTF-8 records split at U+001E, the first the member id, each further one a row whose
// cells, in column order, are split at U+001F.
#include "batchparser.h"
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "formdecoding.h"
#include "rows/numbers.h"
#include "rows/rowmarker.h"
#include "rows/truthvalue.h"

#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <tuple>

using namespace VynMemberComment;
using namespace MemberCommentServer;

namespace MemberCommentServer {
bool operator==(const NewComment &a, const NewComment &b)
{
    return std::tie(a.description, a.offset, a.group, a.type, a.enteredBy, a.focus)
        == std::tie(b.description, b.offset, b.group, b.type, b.enteredBy, b.focus);
}
bool operator==(const ChangedComment &a, const ChangedComment &b)
{
    return std::tie(a.sequence, a.description, a.group, a.type, a.focus)
        == std::tie(b.sequence, b.description, b.group, b.type, b.focus);
}
} // namespace MemberCommentServer

namespace {

const CodePageConverter &cp1252()
{
    static const CodePageConverter converter = *CodePageConverter::open("CP1252");
    return converter;
}

// A text as the server reads it back: through CP1252, each character the page lacks as "?".
std::string held(QStringView text)
{
    std::vector<std::uint16_t> codes;
    Platform::toCodePage(text, 1252, codes);
    std::string bytes;
    for (const std::uint16_t code : codes)
        bytes += char(code);
    return *cp1252().toUtf8(bytes);
}

// The server's own rules for a text it stores: not blank, no control character.
bool storable(const std::string &text)
{
    bool blank = true;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return false;
        blank = blank && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
    }
    return !blank;
}

[[noreturn]] void fail(const char *why, const std::string &detail)
{
    std::fprintf(stderr, "batch property broken: %s %s\n", why, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList records =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split(QChar(0x1E));
    const qint32 member = records.front().toInt();
    std::vector<CommentRow> rows;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QStringList cells = records[r].split(QChar(0x1F));
        CommentRow &row = rows.emplace_back();
        for (qsizetype c = 0; c < cells.size() && c < Column::Count; ++c)
            row.appendCell(cells[c]);
    }
    const StatementBatch batch = buildStatementBatch(rows, member);
    // The save's form, written in one pass, is the batch's text encoded, in a double-byte page too.
    for (const Platform::CodePage codePage : {936, 1252}) {
        const EncodedBatch encoded = buildEncodedBatch(rows, member, codePage);
        if (encoded.error != batch.error)
            fail("the form writer and the batch text disagree on the rows:",
                 batch.error.value_or(QString()).toStdString());
        if (encoded.form != (batch.text.isEmpty() ? QString() : "SQL=" + urlEncode(batch.text, codePage)).toLatin1())
            fail("the form is not the encoded batch:", encoded.form.toStdString());
    }
    if (batch.error || batch.text.isEmpty())
        return 0;

    const QByteArray body = buildEncodedBatch(rows, member, 1252).form;
    const std::optional<FormFields> form = decodeForm(body.toStdString(), cp1252());
    if (!form || form->size() != 1 || form->front().first != "SQL")
        fail("the form does not decode to one field SQL:", body.toStdString());
    const BatchParse parse = parseBatch(form->front().second);

    bool refusable = member == 0;
    std::vector<CommentStatement> expected;
    std::int64_t offset = 0;
    for (const CommentRow &row : rows) {
        const RowMarker marker = rowMarker(row.cell(Column::CommentSequence));
        if (marker == RowMarker::Unchanged)
            continue;
        FocusFlags focus{};
        const int focusColumns[] = {Column::FocusCenter, Column::FocusMembership, Column::FocusBETA,
                                    Column::FocusFranchiseRelations};
        for (std::size_t f = 0; f < focus.size(); ++f)
            focus[f] = *readTruthValue(row.cell(focusColumns[f]));
        const std::string text = held(row.cell(Column::Description));
        const std::int32_t group = row.cell(Column::CommentGroup).toInt();
        const std::int32_t type = row.cell(Column::CommentType).toInt();
        refusable = refusable || !storable(text);
        if (marker == RowMarker::New) {
            const std::string enteredBy = held(row.cell(Column::EnteredBy));
            refusable = refusable || !storable(enteredBy);
            expected.emplace_back(NewComment{text, ++offset, group, type, enteredBy, focus});
        } else {
            const qint32 sequence = *leadingNumber(row.cell(Column::CommentSequence));
            expected.emplace_back(ChangedComment{sequence, text, group, type, focus});
        }
    }
    if (!parse.error.empty() && !refusable)
        fail("the server refused a sound batch:", parse.error);
    if (parse.error.empty() && refusable)
        fail("the server accepted what its rules refuse:", form->front().second);
    if (parse.error.empty() && (parse.batch.memberId != member || parse.batch.statements != expected))
        fail("the server read other values than the rows hold:", form->front().second);
    return 0;
}
