#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

namespace VynMemberComment {

// Column positions of a comment row: 0 is the row's own text, k is sub-item k.
namespace Column {
enum : int {
    Description = 0,
    MemberID,
    CommentSequence,
    CommentGroup,
    GroupDescription,
    CommentType,
    TypeDescription,
    CommentDate,
    EnteredBy,
    FocusCenter,
    FocusMembership,
    FocusBETA,
    RecordLastUpdated,
    FocusFranchiseRelations,
    Count
};
}

struct ColumnSpec {
    const char *header;
    double widthDivisor; // width is W / divisor; 0 hides the column
};

// The comment row schema, in column order.
inline constexpr std::array<ColumnSpec, Column::Count> kColumns{{
    {"Comment Description", 5},
    {"MemberID", 0},
    {"CommentSequence", 0},
    {"CommentGroup", 0},
    {"Group Description", 5},
    {"CommentType", 0},
    {"Type Description", 5},
    {"Comment Date", 5},
    {"Comment Entered By", 5.2},
    {"FocusCenter", 0},
    {"FocusMembership", 0},
    {"FocusBETA", 0},
    {"RecordLastUpdated", 0},
    {"FocusFranchiseRelations", 0},
}};

// One comment row's texts, kept as a single string with the end of each cell, so a loaded row
// costs little more than its characters. Cells never written read as empty.
class CommentRow
{
public:
    CommentRow() = default;
    explicit CommentRow(QStringView text) { appendCell(text); }

    int cellCount() const { return m_count; }
    QStringView cell(int column) const;
    void setCell(int column, QStringView text);
    // Adds the next cell in column order.
    void appendCell(QStringView text);
    // Adds the next `count` cells from UTF-8 bytes, decoded as QString::fromUtf8 decodes them,
    // with the row's characters allocated once.
    void appendUtf8Cells(const QByteArrayView *cells, int count);
    // Total characters of all cells.
    qsizetype size() const { return m_text.size(); }

private:
    QString m_text;
    std::array<std::uint32_t, Column::Count> m_end{};
    std::uint8_t m_count = 0;
};

} // namespace VynMemberComment
