#include "control/commentrow.h"

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
