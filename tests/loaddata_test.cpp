// LoadData on the real control against a loopback server: the GET it sends, a full load, every
// failure in the reply with what stays, the choice lists as the control fills them, and repeated loads.
#include "support/controlfixture.h"

namespace {

using LoadDataTest = ControlFixture;
using Entries = std::vector<std::pair<QString, int>>;

CommentRow numbered(const QString &text, const QString &sequence)
{
    return commentRow({{Column::Description, text}, {Column::CommentSequence, sequence}});
}

} // namespace

TEST_F(LoadDataTest, GetUrlIsBuiltFromTheArguments)
{
    serve(LoadReply());
    struct Case {
        const char *suffix;
        qint32 member;
        qint16 person, type;
        const char *target;
    } cases[] = {
        {"", 0, 5, 3, "/MemberComment.asp?Type=3&PersonID=5&MemberID=0"},
        {"", -7, -32768, 32767, "/MemberComment.asp?Type=32767&PersonID=-32768&MemberID=-7"},
        {"", 2147483647, 1, 0, "/MemberComment.asp?Type=0&PersonID=1&MemberID=2147483647"},
        {"/app/pages", 9, 1, 2, "/app/pages/MemberComment.asp?Type=2&PersonID=1&MemberID=9"},
    };
    for (const Case &c : cases) {
        control->Mode(false, c.member);
        const QString base = server.baseUrl() + QLatin1String(c.suffix);
        MessageBoxes boxes;
        control->LoadData(base, c.person, c.type);
        EXPECT_TRUE(boxes.noneShown()) << c.target;
        ASSERT_FALSE(server.requests().empty());
        EXPECT_EQ(server.requests().back().target, c.target);
        EXPECT_EQ(server.requests().back().method, "GET");
        EXPECT_EQ(d()->mtServerName, base); // where the next save goes
    }
}

TEST_F(LoadDataTest, FullLoadFillsListChoicesAndUserUnderABusyPointer)
{
    LoadReply reply;
    reply.add(numbered("first", "1")).add(numbered("  third & <last>  ", "3")).add(numbered("second", "2"));
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        gate.wait();
        res.set_content(reply.xml().toStdString(), "text/xml");
    });
    // timers still run while the GET waits; the reply waits until this one has looked
    bool busy = false;
    QTimer::singleShot(0, control, [&] {
        busy = control->testAttribute(Qt::WA_SetCursor) && control->cursor().shape() == Qt::WaitCursor;
        gate.release();
    });
    EXPECT_TRUE(load().empty());
    EXPECT_TRUE(busy);
    EXPECT_TRUE(pointerRestored());

    // newest first: CommentSequence descending
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(rows()[0], cellsOf(numbered("  third & <last>  ", "3")));
    EXPECT_EQ(model()->sortKey(), Column::CommentSequence);
    EXPECT_EQ(model()->sortOrder(), int(CommentListModel::Descending));

    EXPECT_EQ(entries(group()), (Entries{{"General", 2}, {"Billing", 3}}));
    EXPECT_EQ(entries(type()), (Entries{{"Call", 5}, {"Letter", 4}}));
    EXPECT_EQ(group()->currentIndex(), -1);
    EXPECT_EQ(type()->currentIndex(), -1);
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann Lee"));
    // the reply is read once: released after the fill, so later calls change nothing
    EXPECT_EQ(d()->moXMLDoc, nullptr);
    group()->clear();
    control->CommentGroups();
    control->CommentTypes();
    EXPECT_EQ(group()->count(), 0);

    // a second load replaces everything
    LoadReply second;
    second.user = "Bo";
    second.groups = {{"8", "Other"}};
    second.types = {};
    second.add(numbered("c", "5"));
    serve(second);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(load().empty());
    EXPECT_EQ(column(Column::Description), QStringList{"c"});
    EXPECT_EQ(entries(group()), (Entries{{"Other", 8}}));
    EXPECT_EQ(type()->count(), 0);
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Bo"));
}

TEST_F(LoadDataTest, FailuresShowTheErrorBoxAndKeepWhatWasRead)
{
    LoadReply changed;
    changed.groups = {{"7", "New group"}};
    // the reply with these records, spoiled by `spoil`
    auto with = [&](const QStringList &sequences, const std::function<void(LoadReply &)> &spoil) {
        LoadReply r = changed;
        for (const QString &sequence : sequences)
            r.add(numbered(sequence, sequence));
        spoil(r);
        return r.xml().toStdString();
    };
    const std::string shortRecord = with({"1", "2", "3", "4"}, [](LoadReply &r) { r.comments[2].removeLast(); });
    const std::string emptyField = with({"1", "3", "4"}, [](LoadReply &r) { r.comments[1][6] = QByteArray(); });
    const std::string noted = QByteArray::fromStdString(with({"1", "2"}, [](LoadReply &) {}))
                                  .replace("</comment>\n<comment>", "</comment><!-- note --><comment>")
                                  .toStdString();
    const std::string threeSections = "<r><u>U</u><g><x><i>7</i><d>New group</d></x></g><t/></r>";
    struct Case {
        std::string body;
        int status, number;
        const char *detail;
        QStringList sequences; // rows left, in document order: no sort after a failure
        bool choicesChanged;
    } cases[] = {
        {"", 200, 1001, "network error", {}, false}, // a closed port
        {changed.xml().toStdString(), 500, 1001, "HTTP status 500", {}, false},
        {"<reply><user>x</user>", 200, 1001, "offset", {}, false},
        {threeSections, 200, 1002, "has 3 sections", {}, true},
        {shortRecord, 200, 1003, "position 2 has 13 fields; the list has 14 columns", {"1", "2", "3"}, true},
        {emptyField, 200, 1004, "position 1: field at position 6", {"1", "3"}, true},
        {noted, 200, 1005, "position 1 has no fields", {"1"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.detail);
        serve(LoadReply().add(numbered("old", "9")));
        ASSERT_TRUE(load().empty());
        server.reply(c.status, c.body, "text/xml");
        const std::vector<SeenBox> boxes = load(c.body.empty() ? LoopbackServer::closedBaseUrl() : server.baseUrl());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, QStringLiteral("ERROR"));
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
        const QStringList lines = boxes[0].text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 4) << boxes[0].text.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("ErrorNumber=%1").arg(c.number));
        EXPECT_TRUE(lines[1].startsWith(QLatin1String("ErrorDescription=")));
        EXPECT_TRUE(lines[1].contains(QLatin1String(c.detail))) << lines[1].toStdString();
        EXPECT_EQ(lines[2], QStringLiteral("ErrorSource=VynMemberComment"));
        EXPECT_EQ(lines[3], QString());

        EXPECT_EQ(column(Column::CommentSequence), c.sequences);
        EXPECT_TRUE(pointerRestored());
        EXPECT_NE(d()->moXMLDoc, nullptr);
        const Entries groups = c.choicesChanged ? Entries{{"New group", 7}} : Entries{{"General", 2}, {"Billing", 3}};
        EXPECT_EQ(entries(group()), groups);
    }
}

TEST_F(LoadDataTest, HostCanRefillChoicesFromAReplyHeldAfterAFailedFill)
{
    LoadReply reply;
    reply.add(numbered("short", "3")).comments[0].removeLast();
    serve(reply);
    ASSERT_EQ(load().size(), 1u);
    QStringList kept = cellsOf(numbered("short", "3"));
    kept.last() = QString();
    ASSERT_EQ(rows(), std::vector<QStringList>{kept});

    group()->clear();
    type()->clear();
    d()->mtEnteredBy.clear();
    MessageBoxes boxes;
    control->CommentGroups();
    control->CommentTypes();
    EXPECT_TRUE(boxes.noneShown());
    EXPECT_EQ(entries(group()), (Entries{{"General", 2}, {"Billing", 3}}));
    EXPECT_EQ(entries(type()), (Entries{{"Call", 5}, {"Letter", 4}}));
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann Lee"));
}

TEST_F(LoadDataTest, ChoiceListsAbsorbTheirErrors)
{
    MessageBoxes boxes;
    // before any load: nothing to read, nothing shown
    control->CommentGroups();
    control->CommentTypes();
    EXPECT_TRUE(boxes.noneShown());

    // which records a list takes is loadreply's table; here what the control does with a reply
    serve(LoadReply());
    ASSERT_TRUE(load().empty());

    // a user section without a child: the type list and the user stay, the groups are refilled
    LoadReply noUser;
    noUser.user = QByteArray();
    noUser.groups = {{"6", "Six"}};
    noUser.types = {{"6", "Six"}};
    serve(noUser);
    d()->mtEnteredBy = QStringLiteral("kept");
    load();
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("kept"));
    EXPECT_EQ(entries(type()), (Entries{{"Call", 5}, {"Letter", 4}}));
    EXPECT_EQ(entries(group()), (Entries{{"Six", 6}}));
}
