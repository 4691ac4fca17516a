#pragma once

// Saves and loads of the reference server page as the control makes and reads them.

#include "exchange/loadreply.h"
#include "exchange/savebatch.h"
#include "exchange/urlencode.h"
#include "platform/xmldocument.h"
#include "support/serverclient.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

inline constexpr const char *kSaveHeader = "application/x-www-form-urlencoded";

// A row of the list as the editor leaves it: new ("N") or changed ("<sequence>U").
inline VynMemberComment::CommentRow listRow(qint32 member, const QString &text, const QString &sequence, int group = 2,
                                            int type = 5)
{
    VynMemberComment::CommentRow row(text);
    for (const QString &cell :
         {QString::number(member), sequence, QString::number(group), QStringLiteral("Group"), QString::number(type),
          QStringLiteral("Type"), QStringLiteral("8/5/2010 03:04PM"), QStringLiteral("Demo Clerk"), QStringLiteral("1"),
          QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("Aug 05 2010 03:04PM"), QStringLiteral("1")})
        row.appendCell(cell);
    return row;
}

// The form body the control posts for these rows.
inline std::string formBody(const std::vector<VynMemberComment::CommentRow> &rows, qint32 member)
{
    const VynMemberComment::StatementBatch batch = VynMemberComment::buildStatementBatch(rows, member);
    EXPECT_FALSE(batch.error.has_value());
    return "SQL=" + VynMemberComment::urlEncode(batch.text, 1252).toStdString();
}

// Loads a member's comments through the control's own reply readers: sequence number to text.
inline std::map<int, QString> loadComments(int port, qint32 member)
{
    const auto res =
        clientFor(port)->Get(("/MemberComment.asp?Type=1&PersonID=7&MemberID=" + std::to_string(member)).c_str());
    EXPECT_TRUE(res);
    if (!res)
        return {};
    EXPECT_EQ(res->status, 200);
    VynMemberComment::Platform::XmlDocument doc;
    EXPECT_TRUE(doc.loadBytes(QByteArray::fromStdString(res->body))) << doc.errorText().toStdString();
    VynMemberComment::CommentReadResult read = VynMemberComment::readComments(doc, VynMemberComment::Column::Count);
    EXPECT_FALSE(read.error.has_value());
    std::map<int, QString> comments;
    for (const VynMemberComment::CommentRow &row : read.rows) {
        const int sequence = row.cell(VynMemberComment::Column::CommentSequence).toInt();
        EXPECT_TRUE(comments.emplace(sequence, row.cell(VynMemberComment::Column::Description).toString()).second)
            << sequence;
    }
    return comments;
}
