// ReadData waits for the save's reply without freezing the window: timers keep firing meanwhile.
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// One comment whose sequence "7U" marks it changed, so that ReadData has a row to send.
constexpr const char *kLoadReply =
    R"(<?xml version="1.0" encoding="UTF-8"?><MemberComment><User>Ann Lee</User>)"
    R"(<Groups><Group><ID>2</ID><Description>General</Description></Group></Groups>)"
    R"(<Types><Type><ID>5</ID><Description>Call</Description></Type></Types><Comments><Comment>)"
    R"(<CommentDescription>Called about the renewal</CommentDescription><MemberID>1001</MemberID>)"
    R"(<CommentSequence>7U</CommentSequence><CommentGroup>2</CommentGroup><GroupDescription>General</GroupDescription>)"
    R"(<CommentType>5</CommentType><TypeDescription>Call</TypeDescription><CommentDate>8/5/2010 03:07PM</CommentDate>)"
    R"(<CommentEnteredBy>Ann Lee</CommentEnteredBy><FocusCenter>1</FocusCenter><FocusMembership>0</FocusMembership>)"
    R"(<FocusBETA>0</FocusBETA><RecordLastUpdated>Aug 05 2010 03:07PM</RecordLastUpdated>)"
    R"(<FocusFranchiseRelations>0</FocusFranchiseRelations></Comment></Comments></MemberComment>)";

constexpr auto kReplyDelay = std::chrono::milliseconds(500);

} // namespace

TEST(ResponsivenessTest, TimerKeepsFiringWhileReadDataWaitsForTheReply)
{
    LoopbackServer server;
    server.setHandler([](const httplib::Request &req, httplib::Response &res) {
        if (req.method == "POST") {
            std::this_thread::sleep_for(kReplyDelay);
            res.set_content(" ", "text/plain"); // a blank reply shows no box
        } else {
            res.set_content(kLoadReply, "text/xml");
        }
    });
    VynMemberComment::MemberComment control;
    control.Mode(true, 1001);
    control.show();
    MessageBoxes boxes;
    control.LoadData(server.baseUrl(), 1, 1);
    ASSERT_EQ(control.findChild<QTreeView *>(QStringLiteral("lstComments"))->model()->rowCount(), 1);

    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    control.ReadData(); // returns once the reply has been handled (the transfer gives up after 60 s)
    timer.stop();

    // About 50 ticks fit in the wait; a frozen loop would give none.
    EXPECT_GE(ticks, 10);
    EXPECT_TRUE(boxes.noneShown());
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].body.rfind("SQL=", 0), 0u);
}
