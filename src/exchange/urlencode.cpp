#include "exchange/urlencode.h"

#include "platform/textfastpaths.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

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
        if (Platform::passesFormEncoding(c))
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
            if (table.asciiAsItself && table.widestPiece == 3 && end - in >= Platform::kVector<In>) {
                if (const int vectorLength = Platform::encodedVectorLength(in); vectorLength >= 0) {
                    length += vectorLength;
                    in += Platform::kVector<In>;
                    continue;
                }
            }
        }
        if (table.asciiAsItself && end - in >= Platform::kVector<In>) {
            const int run = Platform::plainRun(in);
            length += run;
            in += run;
            if (run == Platform::kVector<In>)
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
        if (table.asciiAsItself && end - in >= Platform::kVector<In>) {
            const int run = Platform::encodePlainRun(in, out);
            in += run;
            out += run;
            if (run == Platform::kVector<In>)
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
