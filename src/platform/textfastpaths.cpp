#include "platform/textfastpaths.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace VynMemberComment::Platform {

namespace {

// Decodes well-formed UTF-8 into out and returns the end of what it wrote; null when the bytes
// start with a byte order mark or hold anything malformed.
char16_t *decodeWellFormedUtf8(QByteArrayView utf8, char16_t *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const unsigned char *const end = p + utf8.size();
    if (end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return nullptr;
    const auto continuation = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    while (p < end) {
        // Eight ASCII bytes at a time while they last.
        for (std::uint64_t word; end - p >= 8; p += 8, out += 8) {
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080u)
                break;
            for (int i = 0; i < 8; ++i)
                out[i] = p[i];
        }
        if (p == end)
            break;
        const unsigned lead = *p;
        if (lead < 0x80) {
            *out++ = char16_t(lead);
            p += 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            if (end - p < 2 || !continuation(p[1]))
                return nullptr;
            *out++ = char16_t(((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu));
            p += 2;
        } else if ((lead & 0xF0) == 0xE0) {
            if (end - p < 3 || !continuation(p[1]) || !continuation(p[2]))
                return nullptr;
            const unsigned u = ((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) // overlong, or a surrogate
                return nullptr;
            *out++ = char16_t(u);
            p += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            if (end - p < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]))
                return nullptr;
            const unsigned u = ((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
            if (u < 0x10000 || u > 0x10FFFF)
                return nullptr;
            *out++ = char16_t(0xD800 + ((u - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((u - 0x10000) & 0x3FF));
            p += 4;
        } else {
            return nullptr;
        }
    }
    return out;
}

} // namespace

char16_t *decodeUtf8(QByteArrayView utf8, char16_t *out)
{
    if (char16_t *end = decodeWellFormedUtf8(utf8, out))
        return end;
    const QString decoded = QString::fromUtf8(utf8);
    return std::copy_n(decoded.utf16(), decoded.size(), out);
}

int compareCaseInsensitive(QStringView a, QStringView b)
{
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; };
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t ca = a[i].unicode(), cb = b[i].unicode();
        // From the first other character on, Qt decides (what precedes is ASCII: no pair is split).
        if ((ca | cb) >= 0x80)
            return a.sliced(i).compare(b.sliced(i), Qt::CaseInsensitive);
        if (ca != cb && fold(ca) != fold(cb))
            return fold(ca) < fold(cb) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

qsizetype countEncodedUnits(QStringView text)
{
    const char16_t *in = text.utf16();
    const char16_t *const end = in + text.size();
    qsizetype plain = 0;
#if defined(__SSE2__)
    // Counted in sixteen byte lanes, and added up before a lane could overflow.
    constexpr qsizetype kVectorsPerSum = 255;
    while (end - in >= kVector) {
        const char16_t *const stop = in + std::min(kVectorsPerSum, qsizetype(end - in) / kVector) * kVector;
        __m128i lanes = _mm_setzero_si128();
        for (; in < stop; in += kVector) {
            __m128i blanks;
            lanes = _mm_sub_epi8(lanes, plainBytes(loadUnitBytes(in), blanks)); // -1 for each plain unit
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        plain += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    for (const char16_t *p = in; p < end; ++p)
        plain += passesFormEncoding(*p) || *p == u' ' ? 1 : 0;
    return text.size() - plain;
}

} // namespace VynMemberComment::Platform
