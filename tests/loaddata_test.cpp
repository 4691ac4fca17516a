// LoadData on the real control against a loopback server: the GET it sends, a full load, every
// failure with what stays, the choice lists' rules, decoding, and repeated loads.
#include "control/commentlistmodel.h"
#include "support/controlaccess.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <thread>

using namespace VynMemberComment;

namespace {

// A load reply in the server's layout; field texts are escaped here.
struct Reply {
    QString user = QStringLiteral("Ann Lee");
    std::vector<std::pair<QString, QString>> groups{{"2", "General"}, {"3", "Billing"}};
    std::vector<std::pair<QString, QString>> types{{"5", "Call"}, {"4", "Letter"}};
    std::vector<QStringList> comments;

    QByteArray xml() const
    {
        auto choices = [](const char *tag, const std::vector<std::pair<QString, QString>> &list) {
            QString x = QStringLiteral("<%1s>").arg(QLatin1String(tag));
            for (const auto &[id, text] : list)
                x += QStringLiteral("<%1><id>%2</id><desc>%3</desc></%1>")
                         .arg(QLatin1String(tag), id.toHtmlEscaped(), text.toHtmlEscaped());
            return x + QStringLiteral("</%1s>\n").arg(QLatin1String(tag));
        };
        QString x = QStringLiteral("<?xml version=\"1.0\"?>\n<reply>\n<user>%1</user>\n").arg(user.toHtmlEscaped());
        x += choices("group", groups) + choices("type", types) + QStringLiteral("<comments>\n");
        for (const QStringList &fields : comments) {
            x += QStringLiteral("<comment>");
            for (const QString &f : fields)
                x += f.isNull() ? QStringLiteral("<f/>") : QStringLiteral("<f>%1</f>").arg(f.toHtmlEscaped());
            x += QStringLiteral("</comment>\n");
        }
        // a carriage return survives the parser only as a character reference
        return QString(x + QStringLiteral("</comments>\n</reply>\n")).replace(u'\r', QLatin1String("&#13;")).toUtf8();
    }
};

QStringList comment(const QString &text, const QString &sequence)
{
    return {text,
            "1234",
            sequence,
            "2",
            "General",
            "5",
            "Call",
            "8/5/2010 03:07PM",
            "Ann Lee",
            "1",
            "0",
            "True",
            "Aug 05 2010 03:07PM",
            "0"};
}

class LoadDataTest : public ::testing::Test
{
protected:
    void serve(const Reply &reply) { server.reply(200, reply.xml().toStdString(), "text/xml"); }

    // Loads and returns the boxes it showed, each answered with OK.
    std::vector<SeenBox> load(qint16 person = 1, qint16 type = 1)
    {
        MessageBoxes boxes;
        control.LoadData(server.baseUrl(), person, type);
        return boxes.seen();
    }

    QAbstractItemModel *model() { return control.findChild<QTreeView *>(QStringLiteral("lstComments"))->model(); }
    QComboBox *combo(const char *name) { return control.findChild<QComboBox *>(QLatin1String(name)); }
    MemberCommentPrivate *d() { return dOf(&control); }

    QStringList column(int c)
    {
        QStringList texts;
        for (int r = 0; r < model()->rowCount(); ++r)
            texts << model()->index(r, c).data().toString();
        return texts;
    }
    QStringList row(int r)
    {
        QStringList texts;
        for (int c = 0; c < model()->columnCount(); ++c)
            texts << model()->index(r, c).data().toString();
        return texts;
    }
    static std::vector<std::pair<QString, int>> entries(QComboBox *box)
    {
        std::vector<std::pair<QString, int>> list;
        for (int i = 0; i < box->count(); ++i)
            list.emplace_back(box->itemText(i), box->itemData(i).toInt());
        return list;
    }

    LoopbackServer server;
    MemberComment control;
};

using Entries = std::vector<std::pair<QString, int>>;

} // namespace

TEST_F(LoadDataTest, GetUrlIsBuiltFromTheArguments)
{
    serve(Reply{});
    struct Case {
        const char *suffix;
        std::optional<qint32> member;
        qint16 person, type;
        const char *target;
    } cases[] = {
        {"", std::nullopt, 5, 3, "/MemberComment.asp?Type=3&PersonID=5&MemberID=0"},
        {"", 42, 0, -1, "/MemberComment.asp?Type=-1&PersonID=0&MemberID=42"},
        {"", -7, -32768, 32767, "/MemberComment.asp?Type=32767&PersonID=-32768&MemberID=-7"},
        {"", 2147483647, 1, 0, "/MemberComment.asp?Type=0&PersonID=1&MemberID=2147483647"},
        {"/app/pages", 9, 1, 2, "/app/pages/MemberComment.asp?Type=2&PersonID=1&MemberID=9"},
    };
    for (const Case &c : cases) {
        if (c.member)
            control.Mode(false, *c.member);
        const QString base = server.baseUrl() + QLatin1String(c.suffix);
        MessageBoxes boxes;
        control.LoadData(base, c.person, c.type);
        EXPECT_TRUE(boxes.noneShown()) << c.target;
        ASSERT_FALSE(server.requests().empty());
        EXPECT_EQ(server.requests().back().target, c.target);
        EXPECT_EQ(server.requests().back().method, "GET");
        EXPECT_EQ(d()->mtServerName, base);
    }

    // a trailing slash is kept: the control asks for "//MemberComment.asp" (Qt may collapse it on the wire)
    const QString slashed = server.baseUrl() + QLatin1String("/");
    control.LoadData(slashed, 1, 2);
    EXPECT_EQ(d()->mtServerName, slashed);
    const std::string target = server.requests().back().target;
    EXPECT_TRUE(target == "//MemberComment.asp?Type=2&PersonID=1&MemberID=9"
                || target == "/MemberComment.asp?Type=2&PersonID=1&MemberID=9")
        << target;
}

TEST_F(LoadDataTest, FullLoadFillsListChoicesAndUser)
{
    Reply reply;
    reply.comments = {comment("first", "1"), comment("  third & <last>  ", "3"), comment("second", "2")};
    serve(reply);
    control.Mode(true, 1234);

    Qt::CursorShape during = Qt::ArrowCursor;
    server.setHandler([&](const httplib::Request &, httplib::Response &res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        res.set_content(reply.xml().toStdString(), "text/xml");
    });
    // timers still run while the GET waits, so this sees the busy pointer
    QTimer::singleShot(50, &control, [&] { during = control.cursor().shape(); });
    EXPECT_TRUE(load().empty());
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(control.cursor().shape(), Qt::ArrowCursor);

    // newest first: CommentSequence descending
    EXPECT_EQ(column(2), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(row(0), comment("  third & <last>  ", "3"));
    auto *comments = qobject_cast<CommentListModel *>(model());
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(comments->sortKey(), 2);
    EXPECT_EQ(comments->sortOrder(), int(CommentListModel::Descending));

    EXPECT_EQ(entries(combo("cboCommentGroup")), (Entries{{"General", 2}, {"Billing", 3}}));
    EXPECT_EQ(entries(combo("cboCommentType")), (Entries{{"Call", 5}, {"Letter", 4}}));
    EXPECT_EQ(combo("cboCommentGroup")->currentIndex(), -1);
    EXPECT_EQ(combo("cboCommentType")->currentIndex(), -1);
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann Lee"));
    // the reply is read once: released after the fill, so later calls change nothing
    EXPECT_EQ(d()->moXMLDoc, nullptr);
    combo("cboCommentGroup")->clear();
    control.CommentGroups();
    control.CommentTypes();
    EXPECT_EQ(combo("cboCommentGroup")->count(), 0);
}

TEST_F(LoadDataTest, LoadReturnsTheEditorToIdleWhateverItsOutcome)
{
    Reply reply;
    reply.comments = {comment("a", "1"), comment("b", "2")};
    serve(reply);
    control.Mode(true, 1234);
    auto *list = control.findChild<QTreeView *>(QStringLiteral("lstComments"));
    auto *add = control.findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    auto *edit = control.findChild<QPushButton *>(QStringLiteral("cmdEdit"));
    auto *text = control.findChild<QPlainTextEdit *>(QStringLiteral("txtComment"));
    auto *center = control.findChild<QCheckBox *>(QStringLiteral("chkCenterFocus"));
    enum class Before { Selected, Editing, Adding };
    const std::pair<Before, bool> cases[] = {
        {Before::Selected, true},  {Before::Editing, true},  {Before::Adding, true},
        {Before::Selected, false}, {Before::Editing, false},
    };
    for (const auto &[before, loads] : cases) {
        serve(reply);
        ASSERT_TRUE(load().empty());
        list->setCurrentIndex(model()->index(0, 0));
        Q_EMIT list->clicked(model()->index(0, 0));
        ASSERT_EQ(text->toPlainText(), QStringLiteral("b"));
        if (before == Before::Editing)
            edit->click();
        if (before == Before::Adding)
            add->click();
        if (!loads)
            server.reply(500, "down");
        const std::vector<SeenBox> boxes = load();
        EXPECT_EQ(boxes.size(), loads ? 0u : 1u);
        // as Cancel leaves it; nothing of the old list stays in the editor
        EXPECT_EQ(add->text(), QStringLiteral("New Comment"));
        EXPECT_EQ(edit->text(), QStringLiteral("Edit"));
        EXPECT_TRUE(text->toPlainText().isEmpty());
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_FALSE(center->isChecked());
        EXPECT_FALSE(center->isEnabled());
        EXPECT_EQ(combo("cboCommentGroup")->currentIndex(), -1);
        EXPECT_EQ(combo("cboCommentType")->currentIndex(), -1);
        EXPECT_TRUE(list->isEnabled());
        EXPECT_FALSE(control.findChild<QPushButton *>(QStringLiteral("cmdDelete"))->isEnabled());
    }
}

TEST_F(LoadDataTest, LockedTextOfALoadedRowIsSentExactly)
{
    // what a plain-text box would give back differs: CR LF and CR as LF, U+00A0 as a blank, U+2028 as LF
    const QString locked = QString::fromUtf16(u"a\r\nb\rc\u00a0d\u2028e");
    Reply reply;
    reply.comments = {comment(locked, "7")};
    serve(reply);
    control.Mode(true, 1234);
    ASSERT_TRUE(load().empty());
    ASSERT_EQ(column(0), QStringList{locked});
    auto *list = control.findChild<QTreeView *>(QStringLiteral("lstComments"));
    list->setCurrentIndex(model()->index(0, 0));
    Q_EMIT list->clicked(model()->index(0, 0));
    control.findChild<QPushButton *>(QStringLiteral("cmdEdit"))->click();
    control.findChild<QCheckBox *>(QStringLiteral("chkBETAFocus"))->click();
    control.findChild<QPushButton *>(QStringLiteral("cmdAdd"))->click();
    EXPECT_EQ(row(0).mid(0, 3), (QStringList{locked, "1234", "7U"}));

    server.reply(200, "");
    control.ReadData();
    ASSERT_EQ(server.requests().back().method, "POST");
    const std::string expected =
        control.urlEncode(QStringLiteral("SET CommentDescription = '%1',").arg(locked)).toStdString();
    EXPECT_NE(server.requests().back().body.find(expected), std::string::npos) << server.requests().back().body;
}

TEST_F(LoadDataTest, RepeatedLoadsReplaceEverything)
{
    Reply first;
    first.comments = {comment("a", "1"), comment("b", "2")};
    serve(first);
    EXPECT_TRUE(load().empty());
    Reply second;
    second.user = QStringLiteral("Bo");
    second.groups = {{"8", "Other"}};
    second.types = {};
    second.comments = {comment("c", "5")};
    serve(second);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(load().empty());
    EXPECT_EQ(column(0), QStringList{"c"});
    EXPECT_EQ(entries(combo("cboCommentGroup")), (Entries{{"Other", 8}}));
    EXPECT_EQ(combo("cboCommentType")->count(), 0);
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Bo"));
}

TEST_F(LoadDataTest, FailuresShowTheErrorBoxAndKeepWhatWasRead)
{
    Reply good;
    good.comments = {comment("old", "9")};
    QStringList shortRecord = comment("short", "3");
    shortRecord.removeLast();
    QStringList emptyField = comment("hole", "3");
    emptyField[6] = QString();
    Reply changed;
    changed.groups = {{"7", "New group"}};

    struct Case {
        const char *name;
        std::function<void()> serveIt;
        int number;
        const char *detail;
        QStringList sequences; // rows left, in document order: no sort after a failure
        bool choicesChanged;
    } cases[] = {
        {"closed port", [&] { server.reply(200, ""); }, 1001, "network error", {}, false},
        {"server error",
         [&] { server.reply(500, changed.xml().toStdString(), "text/xml"); },
         1001,
         "HTTP status 500",
         {},
         false},
        {"malformed", [&] { server.reply(200, "<reply><user>x</user>", "text/xml"); }, 1001, "offset", {}, false},
        {"three sections",
         [&] { server.reply(200, "<r><u>U</u><g><x><i>7</i><d>New group</d></x></g><t/></r>", "text/xml"); },
         1002,
         "has 3 sections",
         {},
         true},
        {"short record",
         [&] {
             Reply r = changed;
             r.comments = {comment("a", "1"), comment("b", "2"), shortRecord, comment("after", "4")};
             serve(r);
         },
         1003,
         "position 2 has 13 fields; the list has 14 columns",
         {"1", "2", "3"},
         true},
        {"empty field",
         [&] {
             Reply r = changed;
             r.comments = {comment("a", "1"), emptyField, comment("after", "4")};
             serve(r);
         },
         1004,
         "position 1: field at position 6",
         {"1", "3"},
         true},
        {"empty description",
         [&] {
             Reply r = changed;
             QStringList noText = comment("", "3");
             noText[0] = QString();
             r.comments = {comment("a", "1"), noText, comment("after", "4")};
             serve(r);
         },
         1004,
         "position 1: field at position 0",
         {"1"},
         true},
        {"comment between records",
         [&] {
             Reply r = changed;
             r.comments = {comment("a", "1"), comment("b", "2")};
             QByteArray xml = r.xml();
             xml.replace("</comment>\n<comment>", "</comment><!-- note --><comment>");
             server.reply(200, xml.toStdString(), "text/xml");
         },
         1005,
         "position 1 has no fields",
         {"1"},
         true},
    };
    for (const Case &c : cases) {
        serve(good);
        ASSERT_TRUE(load().empty()) << c.name;
        c.serveIt();
        MessageBoxes boxes;
        const QString base =
            QLatin1String(c.name) == QLatin1String("closed port") ? LoopbackServer::closedBaseUrl() : server.baseUrl();
        control.LoadData(base, 1, 1);
        ASSERT_EQ(boxes.seen().size(), 1u) << c.name;
        const SeenBox &box = boxes.seen()[0];
        EXPECT_EQ(box.title, QStringLiteral("ERROR")) << c.name;
        EXPECT_EQ(box.icon, QMessageBox::Critical) << c.name;
        EXPECT_EQ(box.buttons, QMessageBox::Ok) << c.name;
        const QStringList lines = box.text.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 4) << box.text.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("ErrorNumber=%1").arg(c.number)) << c.name;
        EXPECT_TRUE(lines[1].startsWith(QLatin1String("ErrorDescription=")));
        EXPECT_TRUE(lines[1].contains(QLatin1String(c.detail))) << lines[1].toStdString();
        EXPECT_EQ(lines[2], QStringLiteral("ErrorSource=VynMemberComment"));
        EXPECT_EQ(lines[3], QString());

        EXPECT_EQ(column(2), c.sequences) << c.name;
        EXPECT_EQ(control.cursor().shape(), Qt::ArrowCursor) << c.name;
        EXPECT_NE(d()->moXMLDoc, nullptr) << c.name;
        const Entries groups = entries(combo("cboCommentGroup"));
        const Entries expectedGroups =
            c.choicesChanged ? Entries{{"New group", 7}} : Entries{{"General", 2}, {"Billing", 3}};
        EXPECT_EQ(groups, expectedGroups) << c.name;
    }
}

TEST_F(LoadDataTest, HostCanRefillChoicesFromAReplyHeldAfterAFailedFill)
{
    Reply reply;
    QStringList shortRecord = comment("short", "3");
    shortRecord.removeLast();
    reply.comments = {shortRecord};
    serve(reply);
    ASSERT_EQ(load().size(), 1u);
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_EQ(model()->index(0, 12).data().toString(), QStringLiteral("Aug 05 2010 03:07PM"));
    EXPECT_EQ(model()->index(0, 13).data().toString(), QString());

    combo("cboCommentGroup")->clear();
    combo("cboCommentType")->clear();
    d()->mtEnteredBy.clear();
    MessageBoxes boxes;
    control.CommentGroups();
    control.CommentTypes();
    EXPECT_TRUE(boxes.noneShown());
    EXPECT_EQ(combo("cboCommentGroup")->count(), 2);
    EXPECT_EQ(combo("cboCommentType")->count(), 2);
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Ann Lee"));
}

TEST_F(LoadDataTest, ChoiceListsAbsorbTheirErrors)
{
    MessageBoxes boxes;
    // before any load: nothing to read, nothing shown
    control.CommentGroups();
    control.CommentTypes();
    EXPECT_TRUE(boxes.noneShown());

    Reply good;
    serve(good);
    load();
    d()->mtEnteredBy = QStringLiteral("kept");

    // an id that is no integer keeps its entry with 0; the records after it are missing
    Reply badId;
    badId.groups = {{"1", "One"}, {"x1", "Bad"}, {"3", "Three"}};
    badId.types = {{"1", "One"}, {"", "No id"}, {"3", "Three"}};
    serve(badId);
    load();
    EXPECT_EQ(entries(combo("cboCommentGroup")), (Entries{{"One", 1}, {"Bad", 0}}));
    EXPECT_EQ(entries(combo("cboCommentType")), (Entries{{"One", 1}, {"No id", 0}}));
    EXPECT_EQ(combo("cboCommentGroup")->currentIndex(), -1);

    // a user section without a child: the type list and the user stay, the groups are refilled
    Reply noUser;
    noUser.user = QString();
    noUser.groups = {{"6", "Six"}};
    noUser.types = {{"6", "Six"}};
    serve(noUser);
    d()->mtEnteredBy = QStringLiteral("kept");
    load();
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("kept"));
    EXPECT_EQ(entries(combo("cboCommentType")), (Entries{{"One", 1}, {"No id", 0}}));
    EXPECT_EQ(entries(combo("cboCommentGroup")), (Entries{{"Six", 6}}));

    // no description: the entries before it stay
    Reply noDescription;
    noDescription.types = {{"1", "One"}, {"2", ""}, {"3", "Three"}};
    serve(noDescription);
    load();
    EXPECT_EQ(entries(combo("cboCommentType")), (Entries{{"One", 1}}));
}

TEST_F(LoadDataTest, RepliesDecodeByTheirDeclaration)
{
    const QString text = QStringLiteral("Caf\u00e9 \u20ac \u201cquoted\u201d");
    Reply reply;
    reply.user = text;
    reply.comments = {comment(text, "1")};
    const QString xml = QString::fromUtf8(reply.xml());

    // windows-1252, whatever the header says
    QByteArray cp1252 = xml.toUtf8();
    cp1252.replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
    cp1252.replace(text.toUtf8(), "Caf\xE9 \x80 \x93quoted\x94");
    // UTF-16 little-endian with its mark
    QByteArray utf16("\xFF\xFE");
    for (QChar c : xml)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));

    for (const QByteArray &bytes : {cp1252, utf16}) {
        server.reply(200, bytes.toStdString(), "text/xml; charset=utf-8");
        EXPECT_TRUE(load().empty());
        EXPECT_EQ(column(0), QStringList{text});
        EXPECT_EQ(d()->mtEnteredBy, text);
    }
}

TEST_F(LoadDataTest, DeepAndLargeReplies)
{
    // the user's name nested 100,000 elements deep
    QByteArray deep = "<reply><user>";
    for (int i = 0; i < 100000; ++i)
        deep += "<e>";
    deep += "Deep";
    for (int i = 0; i < 100000; ++i)
        deep += "</e>";
    deep += "</user><g/><t/><c/></reply>";
    server.reply(200, deep.toStdString(), "text/xml");
    EXPECT_TRUE(load().empty());
    EXPECT_EQ(d()->mtEnteredBy, QStringLiteral("Deep"));

    Reply many;
    for (int i = 0; i < 10000; ++i)
        many.comments.push_back(
            comment(QStringLiteral("comment %1").arg(i), QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'))));
    serve(many);
    EXPECT_TRUE(load().empty());
    ASSERT_EQ(model()->rowCount(), 10000);
    EXPECT_EQ(model()->index(0, 2).data().toString(), QStringLiteral("09999"));
    EXPECT_EQ(model()->index(9999, 0).data().toString(), QStringLiteral("comment 0"));
}
