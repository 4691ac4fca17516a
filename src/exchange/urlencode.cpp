#include "exchange/urlencode.h"

#include "platform/textfastpaths.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace VynMemberComment {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// What a UTF-16 unit becomes: itself, "+" or "%XX" in the first bytes and how many of them are
// used. One 4-byte store copies a piece; the next piece overwrites what it does not use. A piece
// that uses none is a double-byte code, lead byte first.
struct Piece {
    char text[3];
    std::uint8_t size;
};
static_assert(sizeof(Piece) == 4);

constexpr std::array<Piece, 256> kPieces = [] {
    std::array<Piece, 256> pieces{};
    for (int c = 0; c < 256; ++c) {
        if (Platform::passesFormEncoding(char16_t(c)))
            pieces[std::size_t(c)] = {{char(c), 0, 0}, 1};
        else if (c == ' ')
            pieces[std::size_t(c)] = {{'+', 0, 0}, 1};
        else
            pieces[std::size_t(c)] = {{'%', kHexDigits[c >> 4], kHexDigits[c & 0xF]}, 3};
    }
    return pieces;
}();

// Stores a piece's four bytes at out, as bytes or as UTF-16 units.
inline void store(char *out, const Piece &piece)
{
    std::memcpy(out, &piece, sizeof piece);
}

inline void store(char16_t *out, const Piece &piece)
{
#if defined(__SSE2__)
    int bytes;
    std::memcpy(&bytes, &piece, sizeof bytes);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out),
                     _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), _mm_setzero_si128()));
#else
    const char16_t units[4] = {char16_t(piece.text[0]), char16_t(piece.text[1]), char16_t(piece.text[2]), 0};
    std::memcpy(out, units, sizeof units);
#endif
}

} // namespace

// What every UTF-16 unit becomes in one code page, so that encoding never calls iconv and reads
// one table entry per unit.
struct UrlCodeTable {
    std::vector<Piece> pieces;
    bool doubleByte = false;    // some pieces are double-byte codes: "%XXXX"
    bool asciiAsItself = false; // every ASCII character has its own code: plain runs may skip the table
};

namespace {

std::unique_ptr<const UrlCodeTable> buildCodeTable(Platform::CodePage codePage)
{
    QString units(0x10000, Qt::Uninitialized);
    for (int c = 0; c < 0x10000; ++c)
        units[c] = QChar(char16_t(c));
    std::vector<std::uint16_t> codes;
    Platform::toCodePage(units, codePage, codes);
    Q_ASSERT(codes.size() == 0x10000);

    auto table = std::make_unique<UrlCodeTable>();
    table->asciiAsItself = true;
    for (std::uint16_t c = 0; c < 0x80; ++c)
        table->asciiAsItself = table->asciiAsItself && codes[c] == c;
    table->pieces.reserve(codes.size());
    for (const std::uint16_t code : codes) {
        table->pieces.push_back(code < 0x100 ? kPieces[code] : Piece{{char(code >> 8), char(code & 0xFF), 0}, 0});
        table->doubleByte = table->doubleByte || code > 0xFF;
    }
    return table;
}

const UrlCodeTable &codeTable(Platform::CodePage codePage)
{
    static std::mutex mutex;
    static std::map<Platform::CodePage, std::unique_ptr<const UrlCodeTable>> tables;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const UrlCodeTable> &table = tables[codePage];
    if (!table)
        table = buildCodeTable(codePage);
    return *table;
}

// The code of a double-byte piece.
inline unsigned codeOf(const Piece &piece)
{
    return unsigned(static_cast<unsigned char>(piece.text[0])) << 8 | static_cast<unsigned char>(piece.text[1]);
}

// Writes one unit and returns the end: its piece, a double-byte code as "%" and its hexadecimal
// digits, a quote twice when quotes are doubled.
template<bool DoubleQuotes, typename Out>
inline Out *encodeUnit(const Piece *pieces, char16_t c, Out *out)
{
    const Piece &piece = pieces[c];
    if (Q_LIKELY(piece.size != 0)) {
        store(out, piece);
        out += piece.size;
        if (DoubleQuotes && c == u'\'') {
            store(out, piece);
            out += piece.size;
        }
        return out;
    }
    const unsigned code = codeOf(piece);
    *out++ = Out('%');
    if (code > 0xFFF)
        *out++ = Out(kHexDigits[code >> 12]);
    *out++ = Out(kHexDigits[(code >> 8) & 0xF]);
    *out++ = Out(kHexDigits[(code >> 4) & 0xF]);
    *out++ = Out(kHexDigits[code & 0xF]);
    return out;
}

// Writes eight units that do not all pass as they are: eight pieces stored one after the other
// without a branch, unless a quote is to be doubled or a piece is a double-byte code.
template<bool DoubleQuotes, bool DoubleByte, typename Out>
inline Out *encodeEight(const Piece *pieces, const char16_t *in, bool quotes, Out *out)
{
    const Piece *const eight[] = {&pieces[in[0]], &pieces[in[1]], &pieces[in[2]], &pieces[in[3]],
                                  &pieces[in[4]], &pieces[in[5]], &pieces[in[6]], &pieces[in[7]]};
    bool simple = !(DoubleQuotes && quotes);
    if constexpr (DoubleByte) {
        for (const Piece *piece : eight)
            simple = simple && piece->size != 0;
    }
    if (Q_LIKELY(simple)) {
        for (const Piece *piece : eight) {
            store(out, *piece);
            out += piece->size;
        }
        return out;
    }
    for (int i = 0; i < 8; ++i)
        out = encodeUnit<DoubleQuotes>(pieces, in[i], out);
    return out;
}

// Writes what the units become at out and returns the end. Past the end, out needs room for the
// 3 more units a piece store writes.
template<bool DoubleQuotes, bool DoubleByte, typename Out>
Out *encodeUnits(const UrlCodeTable &table, const char16_t *in, const char16_t *end, Out *out)
{
    const Piece *const pieces = table.pieces.data();
#if defined(__SSE2__)
    // Sixteen units at a time, eight as a vector where all eight pass.
    if (table.asciiAsItself) {
        while (end - in >= Platform::kVector) {
            const Platform::PlainUnits units = Platform::plainUnits(in);
            if (units.plain == 0xFFFF) {
                Platform::storeEight<0>(out, units.encoded);
                Platform::storeEight<1>(out + 8, units.encoded);
                in += Platform::kVector;
                out += Platform::kVector;
                continue;
            }
            const unsigned quotes = DoubleQuotes ? Platform::bytesEqual(units.bytes, '\'') : 0;
            if ((units.plain & 0xFF) == 0xFF) {
                Platform::storeEight<0>(out, units.encoded);
                out += 8;
            } else {
                out = encodeEight<DoubleQuotes, DoubleByte>(pieces, in, (quotes & 0xFF) != 0, out);
            }
            if ((units.plain >> 8) == 0xFF) {
                Platform::storeEight<1>(out, units.encoded);
                out += 8;
            } else {
                out = encodeEight<DoubleQuotes, DoubleByte>(pieces, in + 8, (quotes >> 8) != 0, out);
            }
            in += Platform::kVector;
        }
    }
#endif
    for (; in < end; ++in)
        out = encodeUnit<DoubleQuotes>(pieces, *in, out);
    return out;
}

template<bool DoubleQuotes, typename Out>
Out *encode(const UrlCodeTable &table, QStringView text, Out *out)
{
    const char16_t *const begin = text.utf16();
    const char16_t *const end = begin + text.size();
    return table.doubleByte ? encodeUnits<DoubleQuotes, true>(table, begin, end, out)
                            : encodeUnits<DoubleQuotes, false>(table, begin, end, out);
}

// How many units the text becomes.
qsizetype encodedLength(const UrlCodeTable &table, QStringView text)
{
    // In a single-byte page every unit that does not pass becomes "%XX".
    if (!table.doubleByte && table.asciiAsItself)
        return text.size() + 2 * Platform::countEncodedUnits(text);
    qsizetype length = 0;
    for (const QChar c : text) {
        const Piece &piece = table.pieces[c.unicode()];
        length += piece.size != 0 ? piece.size : codeOf(piece) > 0xFFF ? 5 : 4;
    }
    return length;
}

} // namespace

QString urlEncode(QStringView text, Platform::CodePage codePage)
{
    if (text.isEmpty())
        return QString();
    const UrlCodeTable &table = codeTable(codePage);
    // The exact length first, so the result is allocated once at its size: never moved while it
    // grows, nor larger than it has to be (a large block costs page faults on every use).
    const qsizetype length = encodedLength(table, text);
    QString result(length + 3, Qt::Uninitialized); // +3: a piece store writes 4 units, even for 1
    auto *const out = reinterpret_cast<char16_t *>(result.data());
    [[maybe_unused]] const char16_t *const written = encode<false>(table, text, out);
    Q_ASSERT(written - out == length);
    result.truncate(length);
    return result;
}

FormUrlEncoder::FormUrlEncoder(Platform::CodePage codePage)
    : m_table(&codeTable(codePage))
{
}

int FormUrlEncoder::widestPiece() const
{
    return m_table->doubleByte ? 5 : 3;
}

char *FormUrlEncoder::write(char *out, QStringView text) const
{
    return encode<false>(*m_table, text, out);
}

char *FormUrlEncoder::write(char *out, char16_t unit) const
{
    return encodeUnit<false>(m_table->pieces.data(), unit, out);
}

char *FormUrlEncoder::writeQuoted(char *out, QStringView text) const
{
    out = write(out, u'\'');
    out = encode<true>(*m_table, text, out);
    return write(out, u'\'');
}

} // namespace VynMemberComment
