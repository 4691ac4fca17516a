#include "persistence/urlencode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace VynMemberComment {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// What a code below 256 becomes: itself, "+" or "%XX", in the first slots; the last slot holds
// how many are used. Eight bytes, so a piece is copied with one store.
struct Piece {
    char16_t slots[4];
};

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

// Marks a high surrogate in a code table; no double-byte page has the lead byte 0xFF.
constexpr std::uint16_t kHighSurrogate = 0xFFFF;

// The code of every BMP character in one code page, so that encoding never calls iconv.
struct CodeTable {
    std::vector<std::uint16_t> codes;
    qsizetype widestPiece = 3; // 5 for "%XXXX" in a double-byte page
};

std::unique_ptr<const CodeTable> buildCodeTable(Platform::CodePage codePage)
{
    auto table = std::make_unique<CodeTable>();
    std::vector<std::uint16_t> &codes = table->codes;
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
    const auto wide = [](std::uint16_t code) { return code > 0xFF && code != kHighSurrogate; };
    if (std::any_of(codes.begin(), codes.end(), wide))
        table->widestPiece = 5;
    return table;
}

const CodeTable &codeTable(Platform::CodePage codePage)
{
    static std::mutex mutex;
    static std::map<Platform::CodePage, std::unique_ptr<const CodeTable>> tables;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const CodeTable> &table = tables[codePage];
    if (!table)
        table = buildCodeTable(codePage);
    return *table;
}

// Characters read per step of the encoder.
constexpr qsizetype kStep = 4096;

} // namespace

QString urlEncode(QStringView text, Platform::CodePage codePage)
{
    if (text.isEmpty())
        return QString();
    const CodeTable &table = codeTable(codePage);
    const std::uint16_t *const codes = table.codes.data();
    const char16_t *in = text.utf16();
    const char16_t *const end = in + text.size();

    // Room for the usual case and the first step's worst case. Later steps that do not fit grow
    // the buffer by what the rest of the text needs at the rate seen so far, so a large text is
    // neither copied twice nor given twice the room it needs.
    QString result(text.size() + text.size() / 2 + kStep * table.widestPiece + 1, Qt::Uninitialized);
    qsizetype used = 0;
    while (in < end) {
        const qsizetype step = std::min(kStep, qsizetype(end - in));
        const qsizetype needed = used + step * table.widestPiece + 1; // +1: a piece store writes 4 slots
        if (needed > result.size()) {
            const double rate = double(used) / double(in - text.utf16());
            result.resize(needed + qsizetype(double(end - in) * rate * 1.125));
        }
        char16_t *out = reinterpret_cast<char16_t *>(result.data()) + used;
        char16_t *const outBegin = out;
        for (const char16_t *const stepEnd = in + step; in < stepEnd;) {
            const std::uint16_t code = codes[*in++];
            if (Q_LIKELY(code < 0x100)) {
                const Piece &piece = kPieces[code];
                std::memcpy(out, piece.slots, sizeof piece.slots);
                out += piece.slots[3];
            } else if (code == kHighSurrogate) {
                if (in < end && (*in & 0xFC00) == 0xDC00)
                    ++in; // a character beyond the BMP is one "?"
                std::memcpy(out, kPieces[u'?'].slots, sizeof(Piece));
                out += 3;
            } else {
                *out++ = u'%';
                if (code > 0xFFF)
                    *out++ = kHexDigits[code >> 12];
                *out++ = kHexDigits[(code >> 8) & 0xF];
                *out++ = kHexDigits[(code >> 4) & 0xF];
                *out++ = kHexDigits[code & 0xF];
            }
        }
        used += out - outBegin;
    }
    result.resize(used);
    return result;
}

} // namespace VynMemberComment
