// The fast paths answer exactly as the slower calls they stand in for: a row's UTF-8 cells as
// QString::fromUtf8 decodes them, the list's comparison as QStringView::compare ignoring case, and
// the save's form built in one pass as the encoded text of the whole batch.
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "platform/textfastpaths.h"
#include "rows/commentrow.h"

#include <gtest/gtest.h>

#include <random>

using namespace VynMemberComment;

namespace {

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// Byte pieces that make UTF-8 hard: a BOM, truncated and overlong sequences, surrogates, code
// points past U+10FFFF, noncharacters, stray continuation bytes.
const QByteArray kPieces[] = {"\xEF\xBB\xBF",
                              "\xE2\x82\xAC",
                              "\xC3\xA9",
                              "\xF0\x9F\x98\x80",
                              "\xED\xA0\x80",
                              "\xC0\xAF",
                              "\xEF\xBF\xBE",
                              "\xEF\xB7\x90",
                              "\xF4\x90\x80\x80",
                              "\xE0\x9F\xBF",
                              "\xF0\x8F\xBF\xBF",
                              "\x80",
                              "\xFF",
                              "\xC2",
                              "a",
                              "\xE2\x82",
                              "\xF0\x9F",
                              "Z",
                              "plain ASCII run",
                              " "};

QByteArray randomBytes(std::mt19937 &random)
{
    QByteArray bytes;
    for (int n = int(random() % 8); n > 0; --n)
        bytes += kPieces[random() % std::size(kPieces)];
    return bytes;
}

} // namespace

TEST(CommentRowTest, Utf8CellsDecodeAsFromUtf8)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 20000; ++trial) {
        const QByteArray cells[3] = {randomBytes(random), randomBytes(random), randomBytes(random)};
        const QByteArrayView views[3] = {cells[0], cells[1], cells[2]};
        CommentRow row;
        // all at once, or one cell first and the others added to a row that holds text already
        if (trial % 2 == 0) {
            row.appendUtf8Cells(views, 3);
        } else {
            row.appendUtf8Cells(views, 1);
            row.appendUtf8Cells(views + 1, 2);
        }
        ASSERT_EQ(row.cellCount(), 3);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(row.cell(c).toString(), QString::fromUtf8(cells[c])) << cells[c].toHex().constData();
    }
    // long ASCII runs around letters of every length
    const QByteArray mixed = "The member's account (R&D) was closed \xC3\xA9t\xC3\xA9 2010 \xE2\x82\xAC 12 "
                             "\xF0\x9F\x98\x80 and reopened by Ren\xC3\xA9"
                             "e O'Brien in S\xC3\xA3o Paulo.";
    const QByteArrayView one[1] = {mixed};
    CommentRow row;
    row.appendUtf8Cells(one, 1);
    EXPECT_EQ(row.cell(0).toString(), QString::fromUtf8(mixed));
    // empty cells leave an empty row's text null, as appending empty strings does
    const QByteArrayView empty[2] = {QByteArrayView(""), QByteArrayView()};
    CommentRow blank;
    blank.appendUtf8Cells(empty, 2);
    EXPECT_EQ(blank.cellCount(), 2);
    EXPECT_TRUE(blank.cell(1).isNull());
}

TEST(CommentListModelTest, CaseInsensitiveCompareMatchesQt)
{
    const QString texts[] = {// ASCII: letter case, digits and punctuation around the letters, prefixes
                             "", "a", "A", "b", "B", "ab", "AB", "aB", "abc", "10", "9", "100U", "100u", "N", "n", "_",
                             "[", "`", "@", "{",
                             // beyond ASCII: accented, sharp s, Greek sigma forms, a surrogate pair with a case
                             "é", "É", "e", "f", "ß", "SS", "ss", "Σ", "σ", "ς", QString::fromUtf8("\xF0\x90\x90\x80"),
                             QString::fromUtf8("\xF0\x90\x90\xA8"), "a\xC3\xA9", "A\xC3\x89", "Ab\xC3\xA9", "ab"};
    for (const QString &a : texts)
        for (const QString &b : texts)
            EXPECT_EQ(sign(Platform::compareCaseInsensitive(a, b)),
                      sign(QStringView(a).compare(b, Qt::CaseInsensitive)))
                << a.toStdString() << " vs " << b.toStdString();

    std::mt19937 random(11);
    const char16_t alphabet[] = u"aAzZ09_@[`{éÉßσΣ\xD801\xDC00\xDC28 ";
    auto randomText = [&] {
        QString text;
        for (int n = int(random() % 5); n > 0; --n)
            text += QChar(alphabet[random() % (std::size(alphabet) - 1)]);
        return text;
    };
    for (int trial = 0; trial < 50000; ++trial) {
        const QString a = randomText(), b = randomText();
        ASSERT_EQ(sign(Platform::compareCaseInsensitive(a, b)), sign(QStringView(a).compare(b, Qt::CaseInsensitive)))
            << a.toStdString() << " vs " << b.toStdString();
    }
}

TEST(BatchBuilderTest, EncodedFormIsTheEncodedBatch)
{
    // A row for a cell list: description, sequence marker, group, type and the four flags.
    auto row = [](const QString &description, const QString &sequence, const QString &group, const QString &flag) {
        CommentRow r;
        const QString cells[Column::Count] = {description, "1001", sequence,           group,       "General",
                                              "5",         "Call", "8/5/2010 03:07PM", "Ann O'Lee", flag,
                                              "0",         "True", "Aug 05 2010",      "0"};
        for (const QString &cell : cells)
            r.appendCell(cell);
        return r;
    };
    const QString surrogatePair = QString::fromUtf8("\xF0\x9F\x98\x80");
    std::vector<CommentRow> rows = {
        row("plain text", "7", "2", "1"),               // unchanged: not sent
        row("Don't & \"quote\" = 100%", "N", "2", "1"), // new
        row(QString::fromUtf8("caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xC5\x81\xC3\xB3"
                              "d\xC5\xBA ")
                + surrogatePair,
            "12U", "3", "0"),
        row(QString(QChar(0xD800)) + "lone" + QChar(0xDC00), "N", "-4", "True"), // lone surrogates
        row(QString(), "9U", "2", "false"),
    };
    // Long rows, quotes at every place of the encoder's steps.
    for (int i = 0; i < 200; ++i)
        rows.push_back(row(QStringLiteral("It's row %1: ").arg(i).repeated(i % 40 + 1), i % 3 ? "N" : "5U", "2", "1"));
    for (const Platform::CodePage codePage : {1252, 1251, 936, 932}) {
        for (const qint32 member : {1234, 0}) {
            const StatementBatch text = buildStatementBatch(rows, member);
            const EncodedBatch encoded = buildEncodedBatch(rows, member, codePage);
            ASSERT_FALSE(text.error);
            ASSERT_FALSE(encoded.error);
            EXPECT_EQ(encoded.form, "SQL=" + urlEncode(text.text, codePage).toLatin1()) << "CP" << codePage;
        }
    }
    // nothing marked: nothing to send; an unfit row: the same error and no form
    EXPECT_TRUE(buildEncodedBatch({rows[0]}, 1234, 1252).form.isEmpty());
    const std::vector<CommentRow> broken = {rows[1], row("x", "3U", "two", "1")};
    const EncodedBatch refused = buildEncodedBatch(broken, 1234, 1252);
    EXPECT_TRUE(refused.form.isEmpty());
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(*refused.error, *buildStatementBatch(broken, 1234).error);
}

TEST(UrlEncodeTest, EveryPathEncodesAsTheCharacterRule)
{
    // The rule character by character: letters, digits and "*-._" pass, a blank is "+", any
    // other character is its code in the code page in hexadecimal after "%".
    auto reference = [](const QString &text, Platform::CodePage codePage) {
        std::vector<std::uint16_t> codes;
        Platform::toCodePage(text, codePage, codes);
        QString out;
        for (const std::uint16_t code : codes) {
            const bool passes = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')
                || (code >= 'a' && code <= 'z') || code == '*' || code == '-' || code == '.' || code == '_';
            if (passes)
                out += QChar(code);
            else if (code == ' ')
                out += QLatin1Char('+');
            else
                out += QLatin1Char('%') + QString::number(code, 16).toUpper().rightJustified(code > 0xFF ? 3 : 2, u'0');
        }
        return out;
    };
    // Long plain runs (taken a vector at a time) broken by every other kind of character, the
    // halves of a surrogate pair among them.
    const QString alphabet = QString::fromUtf8(
        "aZ09*-._ ~'=,;%+&@[`{/\\\xC3\xA9\xC3\x89\xC3\x9F\xE2\x82\xAC\xE4\xB8\xAD\xCE\xA3\xD0\x96\xF0\x9F\x98\x80");
    std::mt19937 random(5);
    for (int trial = 0; trial < 3000; ++trial) {
        QString text;
        for (int n = int(random() % 60); n > 0; --n) {
            if (random() % 3 == 0)
                text += QStringLiteral("plainWords and Digits 0123456789").left(int(random() % 33));
            else
                text += alphabet[int(random() % alphabet.size())];
        }
        for (const Platform::CodePage codePage : {1252, 1251, 936}) {
            ASSERT_EQ(urlEncode(text, codePage), reference(text, codePage)) << text.toStdString() << " CP" << codePage;
            // the byte writer, plain and as a quoted literal
            const FormUrlEncoder encoder(codePage);
            QByteArray bytes((2 * text.size() + 2) * encoder.widestPiece() + 3, Qt::Uninitialized);
            const char *end = encoder.write(bytes.data(), text);
            ASSERT_EQ(QByteArray(bytes.constData(), end - bytes.constData()), reference(text, codePage).toLatin1());
            end = encoder.writeQuoted(bytes.data(), text);
            const QString literal =
                QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
            ASSERT_EQ(QByteArray(bytes.constData(), end - bytes.constData()), reference(literal, codePage).toLatin1());
        }
    }
}
