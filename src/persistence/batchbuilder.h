#pragma once

#include "control/commentrow.h"

#include <QString>

#include <optional>
#include <vector>

namespace VynMemberComment {

struct StatementBatch {
    QString text;                 // empty when no row is marked
    std::optional<QString> error; // why the rows cannot be sent; nothing may be sent then
};

// Builds the SQL batch for every marked row, in list order: an INSERT for each new row (offsets
// 1, 2, ... from the member's highest sequence, read once by a header in front), an UPDATE for each
// changed row. Unmarked rows are not read. Member 0 is written as MEMBER_ID_REQUIRED.
StatementBatch buildStatementBatch(const std::vector<CommentRow> &rows, qint32 memberId);

} // namespace VynMemberComment
