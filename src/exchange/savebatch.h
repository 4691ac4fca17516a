#pragma once

#include "platform/codepage.h"
#include "rows/commentrow.h"

#include <QByteArray>
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

struct EncodedBatch {
    QByteArray form;              // empty when no row is marked
    std::optional<QString> error; // as StatementBatch::error
};

// The save's form for the same batch: "SQL=" and the batch form-URL-encoded in the code page,
// byte for byte "SQL=" + urlEncode(buildStatementBatch(...).text), written in one pass without
// the batch as text in between.
EncodedBatch buildEncodedBatch(const std::vector<CommentRow> &rows, qint32 memberId, Platform::CodePage codePage);

} // namespace VynMemberComment
