#include "exchange/urlencode.h"

#include <QtAlgorithms>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VynMemberComment {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// What a character becomes: itself, "+" or "%XX" in the first slots, and in the last how many
// are used. One store copies a piece; the next piece overwrites what it does not use. A piece
// with no slots used sends the encoder to its slow path, with the code in the first slot: a
// double-byte code, or kHighSurrogate.
struct Piece {
    char16_t slots[4];
};

// Marks a high surrogate; no double-byte page has the lead byte 0xFF.
constexpr char16_t kHighSurrogate = 0xFFFF;

constexpr std::array<Piece, 256> kPieces = [] {
    std::array<Piece, 256> pieces{};
    for (char16_t c = 0; c < 256; ++c) {
        const bool passes = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
                            || c == u'*' || c == u'-' || c == u'.' || c == u'_';
        if (passes)
            pieces[c] = {{c, 0, 0, 1}};
        else if (c == u' ')
            pieces[c] = {{u'+', 0, 0, 1}};
        else
            pieces[c] = {{u'%', kHexDigits[c >> 4], kHexDigits[c & 0xF], 3}};
    }
    return pieces;
}();

// Stores a piece's four slots at out, as UTF-16 or as bytes (all a piece holds is ASCII).
inline void store(char16_t *out, const Piece &piece)
{
    std::memcpy(out, piece.slots, sizeof piece.slots);
}

inline void store(char *out, const Piece &piece)
{
    const char bytes[4] = {char(piece.slots[0]), char(piece.slots[1]), char(piece.slots[2]), char(piece.slots[3])};
    std::memcpy(out, bytes, sizeof bytes);
}

} // namespace

// What every BMP character becomes in one code page, so that encoding never calls iconv and
// reads one table entry per character.
struct UrlCodeTable {
    std::vector<Piece> pieces;
    int widestPiece = 3; // 5 for "%XXXX" in a double-byte page
    bool asciiAsItself = false; // every ASCII character has its own code: runs may skip the table
};

namespace {

std::unique_ptr<const UrlCodeTable> buildCodeTable(Platform::CodePage codePage)
{
    std::vector<std::uint16_t> codes;
    codes.reserve(0x10000);
    QString characters(0xD800, Qt::Uninitialized);
    for (char16_t c = 0; c < 0xD800; ++c)
        characters[c] = QChar(c);
    Platform::toCodePage(characters, codePage, codes);
    // A high surrogate sends the encoder to its slow path to look for the pair; a low one alone is "?".
    codes.insert(codes.end(), 0xDC00 - 0xD800, kHighSurrogate);
    codes.insert(codes.end(), 0xE000 - 0xDC00, u'?');
    characters.resize(0x2000);
    for (char16_t c = 0; c < 0x2000; ++c)
        characters[c] = QChar(char16_t(0xE000 + c));
    Platform::toCodePage(characters, codePage, codes);
    Q_ASSERT(codes.size() == 0x10000);

    auto table = std::make_unique<UrlCodeTable>();
    table->asciiAsItself = true;
    for (std::uint16_t c = 0; c < 0x80; ++c)
        table->asciiAsItself = table->asciiAsItself && codes[c] == c;
    table->pieces.reserve(codes.size());
    for (const std::uint16_t code : codes) {
        table->pieces.push_back(code < 0x100 ? kPieces[code] : Piece{{code, 0, 0, 0}});
        if (code > 0xFF && code != kHighSurrogate)
            table->widestPiece = 5;
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

#if defined(__SSE2__)
// Characters in one SSE2 vector.
template<typename In>
constexpr int kVector = 16 / int(sizeof(In));

// Letters, digits, "*-._" and blanks among the ASCII characters of a vector (all bits of a
// character set); `blanks` gets the blanks.
template<typename In>
__m128i simpleCharacters(__m128i v, __m128i &blanks)
{
    if constexpr (sizeof(In) == 2) {
        const auto within = [](__m128i x, char low, char high) {
            return _mm_and_si128(_mm_cmpgt_epi16(x, _mm_set1_epi16(short(low - 1))),
                                 _mm_cmplt_epi16(x, _mm_set1_epi16(short(high + 1))));
        };
        const auto is = [v](char c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(short(c))); };
        blanks = is(' ');
        const __m128i letters = within(_mm_or_si128(v, _mm_set1_epi16(0x20)), 'a', 'z');
        return _mm_or_si128(_mm_or_si128(letters, within(v, '0', '9')),
                            _mm_or_si128(_mm_or_si128(is('*'), is('-')), _mm_or_si128(_mm_or_si128(is('.'), is('_')), blanks)));
    } else {
        // Bytes from 0x80 on compare as negative, so no range below takes them in.
        const auto within = [](__m128i x, char low, char high) {
            return _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(char(low - 1))), _mm_cmplt_epi8(x, _mm_set1_epi8(char(high + 1))));
        };
        const auto is = [v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
        blanks = is(' ');
        const __m128i letters = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z');
        return _mm_or_si128(_mm_or_si128(letters, within(v, '0', '9')),
                            _mm_or_si128(_mm_or_si128(is('*'), is('-')), _mm_or_si128(_mm_or_si128(is('.'), is('_')), blanks)));
    }
}

// How many characters lead the mask of a vector before the first one not set.
template<typename In>
int leadingSet(__m128i mask)
{
    const auto bits = unsigned(_mm_movemask_epi8(mask));
    return bits == 0xFFFF ? kVector<In> : int(qCountTrailingZeroBits(~bits)) / int(sizeof(In));
}

// Writes what the characters of the vector at in become when they pass as themselves or as "+",
// a whole vector's worth at out, and returns how many such characters lead the vector. Runs of
// plain words are most of a batch: this takes them a vector at a time instead of a table
// lookup each.
template<typename In, typename Out>
int encodeSimpleRun(const In *in, Out *out)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
    __m128i blanks;
    const __m128i simple = simpleCharacters<In>(v, blanks);
    if constexpr (sizeof(In) == 2) {
        const __m128i encoded = _mm_add_epi16(v, _mm_and_si128(blanks, _mm_set1_epi16('+' - ' ')));
        if constexpr (sizeof(Out) == 1)
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(encoded, encoded));
        else
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), encoded);
    } else {
        static_assert(sizeof(Out) == 1, "Latin-1 text is encoded to bytes only");
        const __m128i encoded = _mm_add_epi8(v, _mm_and_si128(blanks, _mm_set1_epi8('+' - ' ')));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), encoded);
    }
    return leadingSet<In>(simple);
}

// In a single-byte code page every character but the plain ones becomes three: what the 8 at in
// become, counted at once, or -1 when one is a surrogate (a pair becomes three for both).
inline int encodedVectorLength(const char16_t *in)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
    const __m128i surrogates = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(0xF800))),
                                               _mm_set1_epi16(short(0xD800)));
    if (_mm_movemask_epi8(surrogates) != 0)
        return -1;
    // One bit per character, counted by table: without -mpopcnt a population count is a call.
    static constexpr auto kBitsSet = [] {
        std::array<std::uint8_t, 256> bits{};
        for (int b = 1; b < 256; ++b)
            bits[std::size_t(b)] = std::uint8_t((b & 1) + bits[std::size_t(b >> 1)]);
        return bits;
    }();
    __m128i blanks;
    const __m128i simple = simpleCharacters<char16_t>(v, blanks);
    const auto lanes = unsigned(_mm_movemask_epi8(_mm_packs_epi16(simple, _mm_setzero_si128())));
    return 3 * kVector<char16_t> - 2 * kBitsSet[lanes];
}

// How many characters at in pass as themselves or as "+" before any other, up to a vector.
template<typename In>
int simpleRun(const In *in)
{
    __m128i blanks;
    return leadingSet<In>(simpleCharacters<In>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), blanks));
}
#endif

// Whether none of four pieces needs the slow path.
inline bool allSimple(const Piece &a, const Piece &b, const Piece &c, const Piece &d)
{
    return (a.slots[3] != 0) & (b.slots[3] != 0) & (c.slots[3] != 0) & (d.slots[3] != 0);
}

// Characters the table takes one by one after a run of plain characters ends: trying the next
// run at once would cost more than it saves in text where runs are short (accented words).
constexpr qsizetype kStretch = 16;

// How many characters the text becomes.
template<typename In>
qsizetype encodedLength(const UrlCodeTable &table, const In *in, const In *end)
{
    const Piece *const pieces = table.pieces.data();
    qsizetype length = 0;
    while (in < end) {
#if defined(__SSE2__)
        if constexpr (sizeof(In) == 2) {
            if (table.asciiAsItself && table.widestPiece == 3 && end - in >= kVector<In>) {
                if (const int vectorLength = encodedVectorLength(in); vectorLength >= 0) {
                    length += vectorLength;
                    in += kVector<In>;
                    continue;
                }
            }
        }
        if (table.asciiAsItself && end - in >= kVector<In>) {
            const int run = simpleRun(in);
            length += run;
            in += run;
            if (run == kVector<In>)
                continue;
        }
#endif
        for (const In *const stretchEnd = in + std::min(kStretch, qsizetype(end - in)); in < stretchEnd;) {
            // Four at a time while none needs the slow path: their lookups overlap.
            if (stretchEnd - in >= 4) {
                const Piece &a = pieces[in[0]], &b = pieces[in[1]], &c = pieces[in[2]], &d = pieces[in[3]];
                if (allSimple(a, b, c, d)) {
                    length += a.slots[3] + b.slots[3] + c.slots[3] + d.slots[3];
                    in += 4;
                    continue;
                }
            }
            const Piece &piece = pieces[*in++];
            if (Q_LIKELY(piece.slots[3] != 0)) {
                length += piece.slots[3];
            } else if (piece.slots[0] == kHighSurrogate) {
                if (in < end && (*in & 0xFC00) == 0xDC00)
                    ++in;
                length += 3;
            } else {
                length += piece.slots[0] > 0xFFF ? 5 : 4;
            }
        }
    }
    return length;
}

// Writes what the text becomes at out and returns the end. Past the end, out needs room for the
// 3 more slots a piece store writes.
template<typename In, typename Out>
Out *encodeInto(const UrlCodeTable &table, const In *in, const In *end, Out *out)
{
    const Piece *const pieces = table.pieces.data();
    while (in < end) {
#if defined(__SSE2__)
        if (table.asciiAsItself && end - in >= kVector<In>) {
            const int run = encodeSimpleRun(in, out);
            in += run;
            out += run;
            if (run == kVector<In>)
                continue;
        }
#endif
        for (const In *const stretchEnd = in + std::min(kStretch, qsizetype(end - in)); in < stretchEnd;) {
            if (stretchEnd - in >= 4) {
                const Piece &a = pieces[in[0]], &b = pieces[in[1]], &c = pieces[in[2]], &d = pieces[in[3]];
                if (allSimple(a, b, c, d)) {
                    for (const Piece *piece : {&a, &b, &c, &d}) {
                        store(out, *piece);
                        out += piece->slots[3];
                    }
                    in += 4;
                    continue;
                }
            }
            const Piece &piece = pieces[*in++];
            if (Q_LIKELY(piece.slots[3] != 0)) {
                store(out, piece);
                out += piece.slots[3];
            } else if (piece.slots[0] == kHighSurrogate) {
                if (in < end && (*in & 0xFC00) == 0xDC00)
                    ++in; // a character beyond the BMP is one "?"
                store(out, kPieces[u'?']);
                out += 3;
            } else {
                const char16_t code = piece.slots[0];
                *out++ = Out('%');
                if (code > 0xFFF)
                    *out++ = Out(kHexDigits[code >> 12]);
                *out++ = Out(kHexDigits[(code >> 8) & 0xF]);
                *out++ = Out(kHexDigits[(code >> 4) & 0xF]);
                *out++ = Out(kHexDigits[code & 0xF]);
            }
        }
    }
    return out;
}

} // namespace

QString urlEncode(QStringView text, Platform::CodePage codePage)
{
    if (text.isEmpty())
        return QString();
    const UrlCodeTable &table = codeTable(codePage);
    const char16_t *const begin = text.utf16();
    const char16_t *const end = begin + text.size();
    // The exact length first, so the result is allocated once at its size: never moved while it
    // grows, nor larger than it has to be (a large block costs page faults on every use).
    const qsizetype length = encodedLength(table, begin, end);
    QString result(length + 3, Qt::Uninitialized); // +3: a piece store writes 4 slots, even for 1
    auto *const out = reinterpret_cast<char16_t *>(result.data());
    [[maybe_unused]] const char16_t *const written = encodeInto(table, begin, end, out);
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
    return m_table->widestPiece;
}

char *FormUrlEncoder::write(char *out, QStringView text) const
{
    return encodeInto(*m_table, text.utf16(), text.utf16() + text.size(), out);
}

char *FormUrlEncoder::write(char *out, QLatin1StringView text) const
{
    const auto *const in = reinterpret_cast<const unsigned char *>(text.data());
    return encodeInto(*m_table, in, in + text.size(), out);
}

} // namespace VynMemberComment
