#include "rows/commentrow.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace VynMemberComment {

namespace {

// Decodes well-formed UTF-8 into out and returns the end of what it wrote; null when the bytes
// start with a byte order mark or hold anything malformed, which QString::fromUtf8 then decodes
// (skipping the mark, replacing bad bytes). Qt's own decoder slows down at every non-ASCII
// letter, and comment texts have many.
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

QStringView CommentRow::cell(int column) const
{
    if (column < 0 || column >= m_count)
        return {};
    const std::uint32_t begin = column == 0 ? 0 : m_end[std::size_t(column - 1)];
    return QStringView(m_text).mid(begin, m_end[std::size_t(column)] - begin);
}

void CommentRow::appendCell(QStringView text)
{
    Q_ASSERT(m_count < Column::Count);
    m_text.append(text);
    m_end[m_count++] = std::uint32_t(m_text.size());
}

void CommentRow::appendUtf8Cells(const QByteArrayView *cells, int count)
{
    Q_ASSERT(count >= 0 && m_count + count <= Column::Count);
    // Decoded into a scratch buffer first, so the row is allocated once at its exact size rather
    // than grown cell by cell. UTF-8 never takes more UTF-16 units than it has bytes.
    thread_local std::vector<char16_t> scratch;
    std::size_t bytes = 0;
    for (int c = 0; c < count; ++c)
        bytes += std::size_t(cells[c].size());
    if (scratch.size() < bytes)
        scratch.resize(bytes);
    char16_t *out = scratch.data();
    for (int c = 0; c < count; ++c) {
        if (char16_t *end = decodeWellFormedUtf8(cells[c], out)) {
            out = end;
        } else {
            const QString decoded = QString::fromUtf8(cells[c]);
            out = std::copy_n(decoded.utf16(), decoded.size(), out);
        }
        m_end[std::size_t(m_count++)] = std::uint32_t(m_text.size() + (out - scratch.data()));
    }
    const auto decoded = qsizetype(out - scratch.data());
    if (decoded == 0)
        return; // an empty row keeps its null text, as appending empty cells leaves it
    if (m_text.isEmpty()) {
        m_text = QString(reinterpret_cast<const QChar *>(scratch.data()), decoded);
    } else {
        m_text.reserve(m_text.size() + decoded);
        m_text.append(reinterpret_cast<const QChar *>(scratch.data()), decoded);
    }
}

void CommentRow::setCell(int column, QStringView text)
{
    Q_ASSERT(column >= 0 && column < Column::Count);
    while (m_count <= column)
        appendCell({});
    const std::uint32_t begin = column == 0 ? 0 : m_end[std::size_t(column - 1)];
    const std::uint32_t end = m_end[std::size_t(column)];
    m_text.replace(qsizetype(begin), qsizetype(end - begin), text.data(), text.size());
    const auto delta = std::int64_t(text.size()) - std::int64_t(end - begin);
    for (int c = column; c < m_count; ++c)
        m_end[std::size_t(c)] = std::uint32_t(std::int64_t(m_end[std::size_t(c)]) + delta);
}

} // namespace VynMemberComment
