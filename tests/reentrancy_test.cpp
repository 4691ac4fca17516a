// What the host and the user may do while ReadData or LoadData waits for its reply: load, press
// buttons, edit the list, save again, release the control. The server holds each answer until the
// test lets it go, so every action runs while the wait is on.
#include "support/controlfixture.h"

namespace {

constexpr const char *kSaved = "Saved 1 new and 0 changed comment(s).";

class ReentrancyTest : public ControlFixture
{
protected:
    void SetUp() override
    {
        server.setHandler([this](const httplib::Request &req, httplib::Response &res) {
            (req.method == "GET" ? loadGate : gate).wait();
            if (req.method == "GET")
                res.set_content(LoadReply().add(commentRow({{Column::Description, "from server"}})).xml().toStdString(),
                                "text/xml");
            else
                res.set_content(kSaved, "text/plain");
        });
        prepareControl();
    }
    // Member 1234, one group and one type to choose, one new row pending.
    void prepareControl()
    {
        control->Mode(true, 1234);
        d()->mtServerName = server.baseUrl();
        group()->addItem(QStringLiteral("General"), 2);
        type()->addItem(QStringLiteral("Call"), 5);
        addRows({newRow({{Column::Description, "pending"}})});
    }

    // Runs action once the control waits and the server holds its request: timers still run meanwhile.
    void duringTheWait(const std::function<void()> &action)
    {
        const size_t sent = server.requests().size();
        QTimer::singleShot(0, &host, [this, sent, action] {
            EXPECT_TRUE(waitFor([&] { return server.requests().size() > sent; }));
            action();
        });
    }

    static bool savedBox(const SeenBox &box)
    {
        return box.title == QLatin1String("Membership Messaging") && box.text == QLatin1String(kSaved);
    }
};

class ReentrancyLoad : public ReentrancyTest, public ::testing::WithParamInterface<bool>
{};
class ReentrancyRelease : public ReentrancyTest, public ::testing::WithParamInterface<bool>
{};
INSTANTIATE_TEST_SUITE_P(SaveAnsweredFirst, ReentrancyLoad, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(WhileTheBoxIsUp, ReentrancyRelease, ::testing::Bool());

} // namespace

// The host calls LoadData while ReadData waits; with the parameter the save's reply arrives (and
// its box is answered) while LoadData itself waits.
TEST_P(ReentrancyLoad, HostLoadsWhileReadDataWaits)
{
    const bool saveAnsweredFirst = GetParam();
    MessageBoxes boxes;
    bool loaded = false;
    if (saveAnsweredFirst)
        boxes.whileShown([this] { loadGate.release(); });
    duringTheWait([&] {
        (saveAnsweredFirst ? gate : loadGate).release();
        control->LoadData(server.baseUrl(), 1, 1);
        loaded = true;
        gate.release();
    });
    EXPECT_TRUE(control->ReadData().isEmpty());
    EXPECT_TRUE(loaded);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(savedBox(boxes.seen()[0])) << boxes.seen()[0].text.toStdString();
    ASSERT_EQ(postedBatches().size(), 1u);
    EXPECT_NE(postedBatches()[0].find("'pending'"), std::string::npos);
    // the host asked for the server's list, and it shows
    EXPECT_EQ(column(Column::Description), QStringList{"from server"});
    EXPECT_TRUE(pointerRestored());
    EXPECT_FALSE(d()->Inet1->isRunning());
}

TEST_F(ReentrancyTest, ChangesDuringTheWaitGoWithALaterSave)
{
    MessageBoxes boxes;
    duringTheWait([&] {
        model()->setCell(0, Column::Description, QStringLiteral("changed meanwhile"));
        add()->click(); // "New Comment"
        text()->setPlainText(QStringLiteral("typed meanwhile"));
        group()->setCurrentIndex(0);
        type()->setCurrentIndex(0);
        add()->click(); // "Save"
        gate.release();
    });
    EXPECT_TRUE(control->ReadData().isEmpty());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(savedBox(boxes.seen()[0]));

    // the batch went as the list stood when the save began
    ASSERT_EQ(postedBatches().size(), 1u);
    EXPECT_NE(postedBatches()[0].find("'pending',@MAXID+1,"), std::string::npos);
    EXPECT_EQ(postedBatches()[0].find("meanwhile"), std::string::npos);
    // the rows wait, marked new, for the next save, which sends both
    QStringList texts = column(Column::Description);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"changed meanwhile", "typed meanwhile"}));
    EXPECT_EQ(column(Column::CommentSequence), (QStringList{"N", "N"}));
    EXPECT_TRUE(control->ReadData().isEmpty());
    ASSERT_EQ(postedBatches().size(), 2u);
    EXPECT_NE(postedBatches()[1].find("'typed meanwhile'"), std::string::npos);
    EXPECT_NE(postedBatches()[1].find("'changed meanwhile'"), std::string::npos);
    EXPECT_NE(postedBatches()[1].find("@MAXID+2,"), std::string::npos);
}

TEST_F(ReentrancyTest, SecondReadDataDuringTheWaitSendsNothing)
{
    MessageBoxes boxes;
    QString second = QStringLiteral("not called");
    duringTheWait([&] {
        second = control->ReadData();
        gate.release();
    });
    EXPECT_TRUE(control->ReadData().isEmpty());
    EXPECT_TRUE(second.isEmpty());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("Error Occoured"));
    EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("Information"));
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(savedBox(boxes.seen()[1]));
    EXPECT_EQ(postedBatches().size(), 1u);
    EXPECT_EQ(column(Column::CommentSequence), QStringList{"N"});
    EXPECT_TRUE(pointerRestored());
}

// The host releases the control before the save's reply arrives, or (with the parameter) while it is shown.
TEST_P(ReentrancyRelease, ControlReleasedDuringTheSave)
{
    const bool whileTheBoxIsUp = GetParam();
    MessageBoxes boxes;
    if (whileTheBoxIsUp) {
        boxes.whileShown([this] { delete control.data(); });
        gate.release();
    } else {
        duringTheWait([this] {
            delete control.data();
            gate.release();
        });
    }
    MemberComment *released = control;
    EXPECT_TRUE(released->ReadData().isEmpty());
    EXPECT_TRUE(control.isNull());
    EXPECT_EQ(postedBatches().size(), 1u);
    // a late reply finds nobody to show it to
    EXPECT_FALSE(waitFor([&] { return boxes.seen().size() > (whileTheBoxIsUp ? 1u : 0u); }, 300));
}

TEST_F(ReentrancyTest, ControlReleasedWhileLoadDataWaits)
{
    MessageBoxes boxes;
    duringTheWait([this] {
        delete control.data();
        loadGate.release();
    });
    MemberComment *released = control;
    released->LoadData(server.baseUrl(), 1, 1);
    EXPECT_TRUE(control.isNull());
    EXPECT_FALSE(waitFor([&] { return !boxes.noneShown(); }, 300));
}

TEST_F(ReentrancyTest, ControlReleasedWhileAnEditorBoxIsUp)
{
    // Save's three checks and Delete's question each wait in a box with events running.
    const struct {
        const char *button;
        int choices; // how many of group and type are chosen
        const char *typed;
    } cases[] = {{"cmdAdd", 0, "typed"}, {"cmdAdd", 1, "typed"}, {"cmdAdd", 2, " "}, {"cmdDelete", 0, ""}};
    for (const auto &c : cases) {
        if (!control) {
            control = new MemberComment(&host);
            prepareControl();
        }
        auto *button = child<QPushButton>(c.button);
        if (button == add()) {
            button->click(); // "New Comment"
            text()->setPlainText(QLatin1String(c.typed));
            group()->setCurrentIndex(c.choices > 0 ? 0 : -1);
            type()->setCurrentIndex(c.choices > 1 ? 0 : -1);
        } else {
            list()->setCurrentIndex(model()->index(0, 0));
            button->setEnabled(true);
        }
        MessageBoxes boxes;
        boxes.whileShown([this] { delete control.data(); });
        button->click();
        EXPECT_TRUE(control.isNull()) << c.button << c.choices;
        EXPECT_EQ(boxes.seen().size(), 1u);
    }
}
