#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QtAlgorithms>

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VynMemberComment::Platform {

// The fast paths of the text work a load, a sort and a save repeat for every row. Each answers
// exactly as the slower reference beside it, which tests/fastpaths_test.cpp compares it with.

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
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'*'
        || c == u'-' || c == u'.' || c == u'_';
}

#if defined(__SSE2__)
// The same rule for a vector of characters at once: runs of plain words are most of a save batch,
// and are taken a vector at a time instead of a table lookup each.

// Characters in one SSE2 vector.
template<typename In>
inline constexpr int kVector = 16 / int(sizeof(In));

// passesFormEncoding and the blanks for each character of a vector (all bits of a character set);
// `blanks` gets the blanks alone.
template<typename In>
inline __m128i plainCharacters(__m128i v, __m128i &blanks)
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
inline int leadingSet(__m128i mask)
{
    const auto bits = unsigned(_mm_movemask_epi8(mask));
    return bits == 0xFFFF ? kVector<In> : int(qCountTrailingZeroBits(~bits)) / int(sizeof(In));
}

// Writes what the characters of the vector at in become when they pass as themselves or as "+",
// a whole vector's worth at out, and returns how many such characters lead the vector.
template<typename In, typename Out>
inline int encodePlainRun(const In *in, Out *out)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
    __m128i blanks;
    const __m128i plain = plainCharacters<In>(v, blanks);
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
    return leadingSet<In>(plain);
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
    const __m128i plain = plainCharacters<char16_t>(v, blanks);
    const auto lanes = unsigned(_mm_movemask_epi8(_mm_packs_epi16(plain, _mm_setzero_si128())));
    return 3 * kVector<char16_t> - 2 * kBitsSet[lanes];
}

// How many characters at in pass as themselves or as "+" before any other, up to a vector.
template<typename In>
inline int plainRun(const In *in)
{
    __m128i blanks;
    return leadingSet<In>(plainCharacters<In>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), blanks));
}
#endif

} // namespace VynMemberComment::Platform
