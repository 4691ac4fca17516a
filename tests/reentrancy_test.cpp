// What the host and the user may do while ReadData waits for its reply: load, press buttons, save
// again, release the control. The server holds each save until the test lets it answer.
#include "control/commentlistmodel.h"
#include "control/saveexchange.h"
#include "support/controlaccess.h"
#include "support/gate.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace VynMemberComment;
using namespace std::chrono_literals;

namespace {

constexpr const char *kSaved = "Saved 1 new and 0 changed comment(s).";

const std::string kLoadReply =
    "<reply><user>Ann Lee</user><groups><group><id>2</id><desc>General</desc></group></groups>"
    "<types><type><id>5</id><desc>Call</desc></type></types><comments><comment><f>from server</f><f>1234</f>"
    "<f>8</f><f>2</f><f>General</f><f>5</f><f>Call</f><f>8/5/2010 03:07PM</f><f>Ann Lee</f><f>1</f><f>0</f>"
    "<f>0</f><f>Aug 05 2010 03:07PM</f><f>0</f></comment></comments></reply>";

class ReentrancyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.setHandler([this](const httplib::Request &req, httplib::Response &res) {
            (req.method == "GET" ? loadGate : saveGate).wait();
            if (req.method == "GET")
                res.set_content(kLoadReply, "text/xml");
            else
                res.set_content(kSaved, "text/plain");
        });
        prepareControl();
    }
    // Member 1234, one group and one type to choose, one new row pending.
    void prepareControl()
    {
        control->Mode(true, 1234);
        dOf(control)->mtServerName = server.baseUrl();
        auto *group = control->findChild<QComboBox *>(QStringLiteral("cboCommentGroup"));
        auto *type = control->findChild<QComboBox *>(QStringLiteral("cboCommentType"));
        group->addItem(QStringLiteral("General"), 2);
        type->addItem(QStringLiteral("Call"), 5);
        CommentRow row(u"pending");
        for (const char *cell : {"1234", "N", "2", "General", "5", "Call", "8/5/2010 03:04PM", "clerk", "1", "0", "0",
                                 "Aug 05 2010 03:04PM", "0"})
            row.appendCell(QString::fromUtf8(cell));
        model()->appendRows({row});
    }
    // The server's threads must not wait on a gate while it stops.
    void TearDown() override
    {
        loadGate.release();
        saveGate.release();
    }

    CommentListModel *model()
    {
        return qobject_cast<CommentListModel *>(
            control->findChild<QTreeView *>(QStringLiteral("lstComments"))->model());
    }

    // The SQL field of each POST, decoded back to text.
    std::vector<std::string> postedBatches()
    {
        std::vector<std::string> out;
        for (const auto &r : server.requests()) {
            if (r.method == "POST")
                out.push_back(
                    QByteArray::fromPercentEncoding(QByteArray::fromStdString(r.body.substr(4)).replace('+', ' '))
                        .toStdString());
        }
        return out;
    }

    // Runs action on the host's side once ReadData is waiting.
    void duringTheWait(std::function<void()> action) { QTimer::singleShot(50, &host, std::move(action)); }

    static bool savedBox(const SeenBox &box)
    {
        return box.title == QLatin1String("Membership Messaging") && box.text == QLatin1String(kSaved);
    }

    // The host calls LoadData from a timer while ReadData waits; saveAnsweredFirst lets the save's
    // reply arrive while LoadData itself waits.
    void loadDuringTheWait(bool saveAnsweredFirst)
    {
        MessageBoxes boxes;
        bool loaded = false;
        duringTheWait([&] {
            if (saveAnsweredFirst) {
                saveGate.release();
                QTimer::singleShot(100, &host, [this] { loadGate.release(); });
            } else {
                loadGate.release();
            }
            control->LoadData(server.baseUrl(), 1, 1);
            loaded = true;
            saveGate.release();
        });
        EXPECT_TRUE(control->ReadData().isEmpty());
        EXPECT_TRUE(loaded);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(savedBox(boxes.seen()[0])) << boxes.seen()[0].text.toStdString();
        const auto batches = postedBatches();
        ASSERT_EQ(batches.size(), 1u);
        EXPECT_NE(batches[0].find("'pending'"), std::string::npos);
        // the host asked for the server's list, and it shows
        ASSERT_EQ(model()->rowCount(), 1);
        EXPECT_EQ(model()->cell(0, Column::Description), QStringLiteral("from server"));
        EXPECT_FALSE(control->testAttribute(Qt::WA_SetCursor));
        EXPECT_FALSE(dOf(control)->Inet1->isRunning());
    }

    // The host releases the control before the save's reply arrives, or while it is shown.
    void releaseDuringTheWait(bool whileTheBoxIsUp)
    {
        MessageBoxes boxes;
        if (whileTheBoxIsUp) {
            boxes.whileShown([this] { delete control.data(); });
            saveGate.release();
        } else {
            duringTheWait([this] {
                delete control.data();
                saveGate.release();
            });
        }
        MemberComment *released = control;
        EXPECT_TRUE(released->ReadData().isEmpty());
        EXPECT_TRUE(control.isNull());
        // a late reply finds nobody to show it to
        EXPECT_TRUE(QTest::qWaitFor([this] { return !postedBatches().empty(); }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(boxes.seen().size(), whileTheBoxIsUp ? 1u : 0u);
        EXPECT_EQ(postedBatches().size(), 1u);
    }

    Gate saveGate;
    Gate loadGate;
    LoopbackServer server;
    QWidget host;
    QPointer<MemberComment> control = new MemberComment(&host);
};

} // namespace

TEST_F(ReentrancyTest, HostLoadsWhileReadDataWaits)
{
    loadDuringTheWait(false);
}

TEST_F(ReentrancyTest, SaveReplyArrivesWhileTheHostsLoadWaits)
{
    loadDuringTheWait(true);
}

TEST_F(ReentrancyTest, NewCommentSavedDuringTheWaitStaysPending)
{
    auto *add = control->findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    MessageBoxes boxes;
    duringTheWait([&] {
        add->click(); // "New Comment"
        control->findChild<QPlainTextEdit *>(QStringLiteral("txtComment"))
            ->setPlainText(QStringLiteral("typed meanwhile"));
        control->findChild<QComboBox *>(QStringLiteral("cboCommentGroup"))->setCurrentIndex(0);
        control->findChild<QComboBox *>(QStringLiteral("cboCommentType"))->setCurrentIndex(0);
        add->click(); // "Save"
        saveGate.release();
    });
    EXPECT_TRUE(control->ReadData().isEmpty());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(savedBox(boxes.seen()[0]));

    // the batch went as it stood when the save began
    ASSERT_EQ(postedBatches().size(), 1u);
    EXPECT_NE(postedBatches()[0].find("'pending',@MAXID+1,"), std::string::npos);
    EXPECT_EQ(postedBatches()[0].find("typed meanwhile"), std::string::npos);
    // the new row waits, marked new, for the next save, which sends both
    ASSERT_EQ(model()->rowCount(), 2);
    QStringList texts;
    for (int r = 0; r < 2; ++r) {
        texts << model()->cell(r, Column::Description);
        EXPECT_EQ(model()->cell(r, Column::CommentSequence), QStringLiteral("N"));
    }
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"pending", "typed meanwhile"}));
    EXPECT_TRUE(control->ReadData().isEmpty());
    ASSERT_EQ(postedBatches().size(), 2u);
    EXPECT_NE(postedBatches()[1].find("'typed meanwhile'"), std::string::npos);
    EXPECT_NE(postedBatches()[1].find("'pending'"), std::string::npos);
    EXPECT_NE(postedBatches()[1].find("@MAXID+2,"), std::string::npos);
}

TEST_F(ReentrancyTest, SecondReadDataDuringTheWaitSendsNothing)
{
    MessageBoxes boxes;
    QString second = QStringLiteral("not called");
    duringTheWait([&] {
        second = control->ReadData();
        saveGate.release();
    });
    EXPECT_TRUE(control->ReadData().isEmpty());
    EXPECT_TRUE(second.isEmpty());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("Error Occoured"));
    EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("Information"));
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(savedBox(boxes.seen()[1]));
    EXPECT_EQ(postedBatches().size(), 1u);
    EXPECT_EQ(model()->cell(0, Column::CommentSequence), QStringLiteral("N"));
    EXPECT_FALSE(control->testAttribute(Qt::WA_SetCursor));
}

TEST_F(ReentrancyTest, ControlReleasedBeforeTheSaveReply)
{
    releaseDuringTheWait(false);
}

TEST_F(ReentrancyTest, ControlReleasedWhileTheSaveReplyIsShown)
{
    releaseDuringTheWait(true);
}

TEST_F(ReentrancyTest, ControlReleasedWhileLoadDataWaits)
{
    MessageBoxes boxes;
    QTimer::singleShot(50, &host, [this] {
        delete control.data();
        loadGate.release();
    });
    MemberComment *released = control;
    released->LoadData(server.baseUrl(), 1, 1);
    EXPECT_TRUE(control.isNull());
    QTest::qWait(200);
    EXPECT_TRUE(boxes.noneShown());
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
        auto *button = control->findChild<QPushButton *>(QLatin1String(c.button));
        if (button->objectName() == QLatin1String("cmdAdd")) {
            button->click(); // "New Comment"
            control->findChild<QPlainTextEdit *>(QStringLiteral("txtComment"))->setPlainText(QLatin1String(c.typed));
            control->findChild<QComboBox *>(QStringLiteral("cboCommentGroup"))->setCurrentIndex(c.choices > 0 ? 0 : -1);
            control->findChild<QComboBox *>(QStringLiteral("cboCommentType"))->setCurrentIndex(c.choices > 1 ? 0 : -1);
        } else {
            control->findChild<QTreeView *>(QStringLiteral("lstComments"))->setCurrentIndex(model()->index(0, 0));
            button->setEnabled(true);
        }
        MessageBoxes boxes;
        boxes.whileShown([this] { delete control.data(); });
        button->click();
        EXPECT_TRUE(control.isNull()) << c.button << c.choices;
        EXPECT_EQ(boxes.seen().size(), 1u);
    }
}
