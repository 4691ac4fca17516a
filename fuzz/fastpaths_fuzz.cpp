// The fast paths answer exactly as the slower references they stand in for, on any input:
// - the bytes as UTF-8 cells (split at U+001F): a row's cells as QString::fromUtf8 decodes them,
//   appended all at once and to a row that holds text already;
// - the bytes as UTF-16 (lone surrogates included): urlEncode and the byte encoder, plain and as a
//   quoted literal, as the encoding's rule gives them unit by unit; the save's form of a new row
//   holding the text as the batch's text encoded; the case-insensitive comparison as Qt's.
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "platform/textfastpaths.h"
#include "rows/commentrow.h"
#include "support/wireforms.h"

#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace VynMemberComment;

namespace {

[[noreturn]] void fail(const char *why, QStringView text)
{
    std::fprintf(stderr, "fast path differs: %s on %s\n", why, QByteArray(text.toUtf8().toHex()).constData());
    std::abort();
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

void checkUtf8Cells(QByteArrayView bytes)
{
    // One column is left for a cell the second row holds already.
    QList<QByteArrayView> cells;
    qsizetype from = 0;
    for (qsizetype at; cells.size() < Column::Count - 2 && (at = bytes.indexOf('\x1F', from)) >= 0; from = at + 1)
        cells.append(bytes.sliced(from, at - from));
    cells.append(bytes.sliced(from));
    const int count = int(cells.size());
    CommentRow once, after(QStringLiteral("held"));
    once.appendUtf8Cells(cells.constData(), count);
    after.appendUtf8Cells(cells.constData(), 1);
    after.appendUtf8Cells(cells.constData() + 1, count - 1);
    if (once.cellCount() != count || after.cellCount() != count + 1 || after.cell(0) != u"held")
        fail("UTF-8 cell count", QString());
    // empty cells leave an empty row's text null, as appending empty strings does
    if (once.size() == 0 && !once.cell(0).isNull())
        fail("empty UTF-8 cells", QString());
    for (int c = 0; c < count; ++c) {
        const QString expected = QString::fromUtf8(cells[c]);
        if (once.cell(c) != expected || after.cell(c + 1) != expected)
            fail("UTF-8 cell", expected);
    }
}

void checkCompare(QStringView a, QStringView b)
{
    if (sign(Platform::compareCaseInsensitive(a, b)) != sign(a.compare(b, Qt::CaseInsensitive)))
        fail("case-insensitive comparison", a.toString() + u'|' + b.toString());
}

void checkEncoding(QStringView text, Platform::CodePage codePage)
{
    const std::string expected = WireForms::encodedByRule(text, codePage);
    if (urlEncode(text, codePage).toStdString() != expected)
        fail("urlEncode", text);
    const FormUrlEncoder encoder(codePage);
    std::string bytes(std::size_t((2 * text.size() + 2) * encoder.widestPiece() + 3), '\0');
    if (std::string(bytes.data(), encoder.write(bytes.data(), text)) != expected)
        fail("form encoder", text);
    const QString literal = u'\'' + text.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
    if (std::string(bytes.data(), encoder.writeQuoted(bytes.data(), text))
        != WireForms::encodedByRule(literal, codePage))
        fail("quoted form encoder", text);

    // The same text as a new row's description and author: the form is the batch encoded.
    CommentRow row;
    const QString cells[Column::Count] = {text.toString(), "1", "N", "2",    "", "5",    "", "",
                                          text.toString(), "1", "0", "True", "", "false"};
    for (const QString &cell : cells)
        row.appendCell(cell);
    const StatementBatch batch = buildStatementBatch({row}, 1234);
    if (buildEncodedBatch({row}, 1234, codePage).form.toStdString()
        != "SQL=" + WireForms::encodedByRule(batch.text, codePage))
        fail("save form", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkUtf8Cells(QByteArrayView(data, qsizetype(size)));

    QString text(qsizetype(size / 2), Qt::Uninitialized);
    if (size >= 2) // an empty input may come as a null pointer
        std::memcpy(text.data(), data, size / 2 * 2);
    for (const Platform::CodePage codePage : {1252, 1251, 936})
        checkEncoding(text, codePage);

    const QStringView all(text);
    const QStringView first = all.first(all.size() / 2), second = all.sliced(all.size() / 2);
    QString upper = first.toString();
    for (QChar &c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
    checkCompare(first, second);
    checkCompare(second, first);
    checkCompare(first, upper);
    checkCompare(upper, all);
    return 0;
}
