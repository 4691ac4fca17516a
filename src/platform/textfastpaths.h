#pragma once

#include <QByteArrayView>
#include <QStringView>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VynMemberComment::Platform {

// The fast paths of the text work a load, a sort and a save repeat for every row. Each answers
// exactly as the slower reference beside it, which fuzz/fastpaths_fuzz.cpp compares it with.

// Decodes UTF-8 into out (room for utf8.size() units) and returns the end of what it wrote.
// Reference: QString::fromUtf8, whose decoder slows down at every non-ASCII letter, and comment
// texts have many. Well-formed text takes the fast path; a leading byte order mark or malformed
// bytes go to the reference (which skips the mark and replaces bad bytes).
char16_t *decodeUtf8(QByteArrayView utf8, char16_t *out);

// Compares two texts as QStringView::compare with Qt::CaseInsensitive does (only the sign counts).
// Reference: that call, which takes over from the first non-ASCII character on; before it, ASCII
// folding is one addition where Qt folds through its Unicode tables. A sort of 100,000 rows makes
// millions of comparisons, nearly all between ASCII texts.
int compareCaseInsensitive(QStringView a, QStringView b);

// Form encoding. Reference, one character at a time: letters, digits and "*-._" pass as
// themselves, a blank becomes "+", everything else is a code.
constexpr bool passesFormEncoding(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'*' || c == u'-'
        || c == u'.' || c == u'_';
}

#if defined(__SSE2__)
// The same rule for sixteen UTF-16 units at once, packed into bytes: runs of plain words are most
// of a save batch, and are taken a vector at a time instead of a table lookup each.

// UTF-16 units taken at once.
inline constexpr int kVector = 16;

// The units at in as bytes; a unit above 0xFF becomes 0xFF, which does not pass either.
inline __m128i loadUnitBytes(const char16_t *in)
{
    const auto *const vectors = reinterpret_cast<const __m128i *>(in);
    return _mm_packus_epi16(_mm_loadu_si128(vectors), _mm_loadu_si128(vectors + 1));
}

// All bits set in each byte that passes as itself or is a blank; `blanks` gets the blanks alone.
inline __m128i plainBytes(__m128i v, __m128i &blanks)
{
    // Whether each byte, unsigned, lies in [low, high]: the range moved to start at -128, one
    // signed comparison.
    const auto within = [](__m128i x, char low, char high) {
        return _mm_cmplt_epi8(_mm_add_epi8(x, _mm_set1_epi8(char(0x80 - low))),
                              _mm_set1_epi8(char(0x80 + high - low + 1)));
    };
    const auto is = [v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    blanks = is(' ');
    const __m128i letters = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 'z');
    const __m128i digitsDashPoint = _mm_andnot_si128(is('/'), within(v, '-', '9')); // "-./0123456789" but "/"
    return _mm_or_si128(_mm_or_si128(letters, digitsDashPoint), _mm_or_si128(_mm_or_si128(is('*'), is('_')), blanks));
}

// Sixteen units: `bytes` as loadUnitBytes gives them, `encoded` the bytes written where they pass
// (a blank as "+"), and `plain` a bit set for each unit that passes or is a blank (0xFFFF: all).
struct PlainUnits {
    __m128i bytes;
    __m128i encoded;
    unsigned plain;
};

inline PlainUnits plainUnits(const char16_t *in)
{
    const __m128i bytes = loadUnitBytes(in);
    __m128i blanks;
    const __m128i plain = plainBytes(bytes, blanks);
    return {bytes, _mm_add_epi8(bytes, _mm_and_si128(blanks, _mm_set1_epi8('+' - ' '))),
            unsigned(_mm_movemask_epi8(plain))};
}

// A bit set for each of the sixteen bytes that is c.
inline unsigned bytesEqual(__m128i bytes, char c)
{
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

// Writes the first eight (Half 0) or the last eight (Half 1) bytes, as bytes or as UTF-16 units.
template<int Half>
inline void storeEight(char *out, __m128i bytes)
{
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), Half == 0 ? bytes : _mm_unpackhi_epi64(bytes, bytes));
}

template<int Half>
inline void storeEight(char16_t *out, __m128i bytes)
{
    const __m128i units =
        Half == 0 ? _mm_unpacklo_epi8(bytes, _mm_setzero_si128()) : _mm_unpackhi_epi8(bytes, _mm_setzero_si128());
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), units);
}
#endif

// How many units of the text do not pass as themselves or as "+".
qsizetype countEncodedUnits(QStringView text);

} // namespace VynMemberComment::Platform
