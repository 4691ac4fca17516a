#include "rows/commentrow.h"

#include "platform/textfastpaths.h"

#include <vector>

namespace VynMemberComment {

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
        out = Platform::decodeUtf8(cells[c], out);
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
