#include "control/commentlistmodel.h"
#include "control/commentlistview.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace VynMemberComment;

namespace {

// A model with the schema's fourteen columns and rows whose column `column` holds the given texts.
std::unique_ptr<CommentListModel> modelWith(const QStringList &texts, int column = 0)
{
    auto model = std::make_unique<CommentListModel>();
    for (const ColumnSpec &spec : kColumns)
        model->addColumn(QString::fromLatin1(spec.header));
    std::vector<CommentRow> rows;
    for (const QString &t : texts) {
        CommentRow r;
        r.setCell(column, t);
        rows.push_back(std::move(r));
    }
    model->appendRows(std::move(rows));
    return model;
}

QStringList column(const CommentListModel &model, int c)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, c).data().toString();
    return out;
}

} // namespace

TEST(CommentListModelTest, KeepsTheModelContractThroughEveryChange)
{
    auto model = modelWith({QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")});
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QPersistentModelIndex c = model->index(0, 0);
    model->setSortKey(0);
    EXPECT_EQ(c.row(), 2); // a sort moves persistent indexes with their rows
    EXPECT_EQ(c.data().toString(), QStringLiteral("c"));
    model->setSortOrder(CommentListModel::Descending);
    EXPECT_EQ(model->insertSorted(CommentRow(u"bb")), 1);
    model->setCell(3, 2, QStringLiteral("N"));
    EXPECT_FALSE(model->removeAt(-1));
    EXPECT_FALSE(model->removeAt(4));
    EXPECT_TRUE(model->removeAt(1));
    EXPECT_EQ(column(*model, 0), (QStringList{"c", "b", "a"}));
    model->clear();
    EXPECT_EQ(model->rowCount(), 0);
}

TEST(CommentListModelTest, SortsTextsStablyWithoutRegardToCase)
{
    // numbers compare as texts: the editor's header clicks show it through the control
    // letter case does not count, and equal texts keep their previous order in both directions
    auto model =
        modelWith({QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("ALPHA"), QStringLiteral("alpha")});
    for (int r = 0; r < model->rowCount(); ++r)
        model->setCell(r, 1, QString::number(r));
    model->setSortKey(0);
    EXPECT_EQ(column(*model, 1), (QStringList{"1", "2", "3", "0"}));
    model->setSortOrder(CommentListModel::Descending);
    EXPECT_EQ(column(*model, 1), (QStringList{"0", "1", "2", "3"}));
}

TEST(CommentListModelTest, BulkFillIsOneInsertAndNoSort)
{
    auto model = modelWith({});
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy layout(model.get(), &QAbstractItemModel::layoutChanged);
    std::vector<CommentRow> rows;
    rows.reserve(1000);
    for (int i = 0; i < 1000; ++i)
        rows.emplace_back(QString::number(999 - i));
    model->appendRows(std::move(rows));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(layout.count(), 0);
    EXPECT_EQ(model->rowCount(), 1000);
    EXPECT_EQ(model->cell(0, 0), QStringLiteral("999"));
}

TEST(CommentListModelTest, PendingRowsShowInItalics)
{
    auto model =
        modelWith({QStringLiteral("N"), QStringLiteral("7U"), QStringLiteral("7"), QStringLiteral("n"), QString()},
                  Column::CommentSequence);
    const bool italic[] = {true, true, false, false, false};
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c : {0, 13})
            EXPECT_EQ(model->index(r, c).data(Qt::FontRole).value<QFont>().italic(), italic[r]) << r;
    }
}

TEST(CommentListModelTest, LongTextsAreListedAsAPrefixAndKeptWhole)
{
    constexpr int kShown = CommentListModel::ShownTextRole;
    const QString huge = QStringLiteral("<b>markup</b> ") + QString(16 * 1024 * 1024, QLatin1Char('x'));
    const QString lines =
        QStringLiteral("first line\r\nsecond line\n") + QString(999, QLatin1Char('\n')) + QStringLiteral("last");
    for (int c : {0, 8}) {
        auto model = modelWith({QString(1000, QLatin1Char('y')), huge, lines}, c);
        // what the editor can write is listed whole, without a tool tip
        EXPECT_EQ(model->index(0, c).data(kShown).toString(), QString(1000, QLatin1Char('y')));
        EXPECT_FALSE(model->index(0, c).data(Qt::ToolTipRole).isValid());
        // a longer text: its start in the list, more of it in the tool tip, all of it in the cell
        EXPECT_EQ(model->index(1, c).data(kShown).toString(), huge.left(1000) + QChar(0x2026));
        const QString tip = model->index(1, c).data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(tip.contains(QLatin1String("&lt;b&gt;markup&lt;/b&gt; xxx"))) << tip.left(80).toStdString();
        EXPECT_TRUE(tip.contains(QString(2000 - 14, QLatin1Char('x')) + QChar(0x2026)));
        EXPECT_LT(tip.size(), 2100);
        EXPECT_EQ(model->index(1, c).data().toString(), huge);
        EXPECT_EQ(model->cell(1, c), huge);
        // a row is one line
        EXPECT_EQ(model->index(2, c).data(kShown).toString(), QStringLiteral("first line\u2026"));
        EXPECT_EQ(model->index(2, c).data().toString(), lines);
        const QString linesTip = model->index(2, c).data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(linesTip.contains(QStringLiteral("first line\r<br>\nsecond line\u2026"))) << linesTip.toStdString();
        EXPECT_EQ(model->cell(2, c), lines);
    }
}

TEST(CommentListModelTest, TheListPaintsTheShownText)
{
    CommentListView view;
    for (const ColumnSpec &spec : kColumns)
        view.comments()->addColumn(QString::fromLatin1(spec.header));
    std::vector<CommentRow> rows(2);
    rows[0].setCell(Column::Description, QStringLiteral("one line"));
    rows[1].setCell(Column::Description, QStringLiteral("first\nsecond\nthird\nfourth"));
    view.comments()->appendRows(std::move(rows));
    // a text of many lines is listed on one
    EXPECT_EQ(view.sizeHintForRow(1), view.sizeHintForRow(0));
}
