#pragma once

// A control on a host window (as a host places it: a top-level widget keeps WA_SetCursor after
// unsetCursor), a loopback server it talks to, and builders for the rows and load replies of the
// tests: each test states only the cells it cares about.

#include "control/commentlistmodel.h"
#include "control/membercomment_p.h"
#include "control/saveexchange.h"
#include "support/gate.h"
#include "support/loopbackserver.h"
#include "support/messageboxes.h"

#include <VynMemberComment/MemberComment.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <map>

using namespace VynMemberComment;

using Cells = std::map<int, QString>;

// A row from all its cells, `cells` overriding by column.
inline CommentRow rowOf(const QStringList &all, const Cells &cells)
{
    CommentRow row;
    for (int c = 0; c < Column::Count; ++c)
        row.appendCell(cells.count(c) ? cells.at(c) : all[c]);
    return row;
}

// A loaded row: comment 7 of member 1234 in group 3 (Billing) and type 4 (Letter), flags 0 1 0 0.
inline CommentRow commentRow(const Cells &cells = {})
{
    return rowOf({"Paid in full", "1234", "7", "3", "Billing", "4", "Letter", "8/5/2010 03:04PM", "clerk1", "0", "1",
                  "0", "Aug 05 2010 03:04PM", "0"},
                 cells);
}

// A new row: "Don't call back" in group 2 (General) and type 5 (Call), flags 1 0 0 1.
inline CommentRow newRow(const Cells &cells = {})
{
    return rowOf({"Don't call back", "1234", "N", "2", "General", "5", "Call", "8/5/2010 03:04PM", "clerk1", "1", "0",
                  "0", "Aug 05 2010 03:04PM", "1"},
                 cells);
}

inline QStringList cellsOf(const CommentRow &row)
{
    QStringList cells;
    for (int c = 0; c < row.cellCount(); ++c)
        cells << row.cell(c).toString();
    return cells;
}

inline QByteArray xmlText(const QString &text)
{
    const QByteArray bytes = text.toHtmlEscaped().replace(u'\r', QLatin1String("&#13;")).toUtf8();
    return bytes.isNull() ? QByteArray("") : bytes; // a null field is written <f/>
}

// A load reply in the server's layout. Texts are put in as raw bytes (xmlText escapes); a null
// field is written <f/>.
struct LoadReply {
    QByteArray user = "Ann Lee";
    std::vector<std::pair<QByteArray, QByteArray>> groups{{"2", "General"}, {"3", "Billing"}};
    std::vector<std::pair<QByteArray, QByteArray>> types{{"5", "Call"}, {"4", "Letter"}};
    std::vector<QByteArrayList> comments;

    LoadReply &add(const CommentRow &row)
    {
        QByteArrayList fields;
        for (const QString &cell : cellsOf(row))
            fields << xmlText(cell);
        comments.push_back(fields);
        return *this;
    }
    QByteArray xml() const
    {
        auto choices = [](const QByteArray &tag, const std::vector<std::pair<QByteArray, QByteArray>> &list) {
            QByteArray x = "<" + tag + "s>";
            for (const auto &[id, text] : list)
                x += "<" + tag + "><id>" + id + "</id><desc>" + text + "</desc></" + tag + ">";
            return x + "</" + tag + "s>\n";
        };
        QByteArray x = "<?xml version=\"1.0\"?>\n<reply>\n<user>" + user + "</user>\n";
        x += choices("group", groups) + choices("type", types) + "<comments>\n";
        for (const QByteArrayList &fields : comments) {
            x += "<comment>";
            for (const QByteArray &f : fields)
                x += f.isNull() ? QByteArray("<f/>") : "<f>" + f + "</f>";
            x += "</comment>\n";
        }
        return x + "</comments>\n</reply>\n";
    }
};

// Waits, running events, until done() holds or ms pass; false when it never held.
template<typename Done>
bool waitFor(Done done, int ms = 10000)
{
    return QTest::qWaitFor(done, ms);
}

class ControlFixture : public ::testing::Test
{
protected:
    ControlFixture()
    {
        control->Mode(true, 1234);
        d()->mtServerName = server.baseUrl();
    }
    // The server's threads must not wait on a gate while it stops.
    ~ControlFixture() override
    {
        gate.release();
        loadGate.release();
    }

    void show()
    {
        control->resize(control->sizeHint());
        host.resize(control->sizeHint());
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    }

    template<typename T = QWidget>
    T *child(const char *name)
    {
        return control->findChild<T *>(QLatin1String(name));
    }
    QTreeView *list() { return child<QTreeView>("lstComments"); }
    CommentListModel *model() { return qobject_cast<CommentListModel *>(list()->model()); }
    QComboBox *group() { return child<QComboBox>("cboCommentGroup"); }
    QComboBox *type() { return child<QComboBox>("cboCommentType"); }
    QPlainTextEdit *text() { return child<QPlainTextEdit>("txtComment"); }
    QPushButton *add() { return child<QPushButton>("cmdAdd"); }
    QPushButton *edit() { return child<QPushButton>("cmdEdit"); }
    QPushButton *del() { return child<QPushButton>("cmdDelete"); }
    QCheckBox *flag(const char *name) { return child<QCheckBox>(name); }
    MemberCommentPrivate *d() { return MemberCommentPrivate::get(control); }

    void addRows(std::vector<CommentRow> rows) { model()->appendRows(std::move(rows)); }
    QStringList column(int c)
    {
        QStringList texts;
        for (int r = 0; r < model()->rowCount(); ++r)
            texts << model()->cell(r, c);
        return texts;
    }
    std::vector<QStringList> rows()
    {
        std::vector<QStringList> all(size_t(model()->rowCount()));
        for (size_t r = 0; r < all.size(); ++r)
            for (int c = 0; c < Column::Count; ++c)
                all[r] << model()->cell(int(r), c);
        return all;
    }
    // The choices a box offers: text and id.
    static std::vector<std::pair<QString, int>> entries(QComboBox *box)
    {
        std::vector<std::pair<QString, int>> list;
        list.reserve(size_t(box->count()));
        for (int i = 0; i < box->count(); ++i)
            list.emplace_back(box->itemText(i), box->itemData(i).toInt());
        return list;
    }
    // No busy pointer left on the control.
    bool pointerRestored()
    {
        return !control->testAttribute(Qt::WA_SetCursor) && control->cursor().shape() == Qt::ArrowCursor;
    }

    void serve(const LoadReply &reply) { server.reply(200, reply.xml().toStdString(), "text/xml"); }
    // Loads from `base` (the loopback server when empty); the boxes shown, each answered with OK.
    std::vector<SeenBox> load(const QString &base = {})
    {
        MessageBoxes boxes;
        control->LoadData(base.isEmpty() ? server.baseUrl() : base, 1, 1);
        return boxes.seen();
    }
    // Saves; the boxes shown, each answered with OK.
    std::vector<SeenBox> save()
    {
        MessageBoxes boxes;
        EXPECT_TRUE(control->ReadData().isEmpty());
        return boxes.seen();
    }
    // The batch of each POST, decoded back to text.
    std::vector<std::string> postedBatches()
    {
        std::vector<std::string> out;
        for (const auto &r : server.requests()) {
            if (r.method == "POST" && r.body.rfind("SQL=", 0) == 0)
                out.push_back(
                    QByteArray::fromPercentEncoding(QByteArray::fromStdString(r.body.substr(4)).replace('+', ' '))
                        .toStdString());
        }
        return out;
    }

    Gate gate, loadGate; // for handlers that hold their answer until the test lets it go
    LoopbackServer server;
    QWidget host;
    QPointer<MemberComment> control = new MemberComment(&host);
};
