#pragma once

// Loads of the reference server page as the control reads them.

#include "exchange/loadreply.h"
#include "platform/xmldocument.h"
#include "support/serverclient.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

inline constexpr const char *kSaveHeader = "application/x-www-form-urlencoded";

// Loads a member's comments through the control's own reply readers: sequence number to text.
inline std::map<int, QString> loadComments(int port, qint32 member)
{
    const auto res = clientFor(port)->Get("/MemberComment.asp?Type=1&PersonID=7&MemberID=" + std::to_string(member));
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
