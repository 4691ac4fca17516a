// Speed as users see it: the control against the reference server page as it runs, the
// membercomment-server executable on its SQLite file, for one member holding 1,000, 10,000 and
// 30,000 comments of varied and of repetitive texts. The floors are the same GET and POST bodies
// through a plain Qt Network client with compression refused, in the same run.
//
// As in process, the sides take turns and each keeps its best time: single rounds vary by tens of
// milliseconds for both sides alike (a save's commit waits for the disk, and the server's reply
// now and then waits 40 ms for the client's delayed acknowledgement).
#include "controlsteps.h"
#include "floors.h"
#include "referenceserver.h"
#include "scenarios.h"

#include "control/commentlistmodel.h"
#include "exchange/savebatch.h"
#include "exchange/serverpage.h"
#include "platform/codepage.h"

#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <limits>

namespace Bench {

namespace {

constexpr qint32 kMember = 1001; // a member of the demo data
constexpr qint16 kPerson = 7;    // a person of the demo data
constexpr std::size_t kChanged = 1000;
constexpr double kFailed = std::numeric_limits<double>::infinity();

// Slow sides (a compressed load of 30,000 comments) stop taking turns after this much.
constexpr double kBudgetMs = 5000;

// Every comment with the same texts: the reply compresses as well as a reply can.
std::vector<Record> repetitiveRecords()
{
    std::vector<Record> records = makeRecords(1);
    records[0][0] = "Called the member about the renewal of the membership; no answer, will call again tomorrow.";
    return records;
}

// LoadData into the control; why it failed, or nothing when the list shows the n rows.
std::optional<QString> load(VynMemberComment::MemberComment &control, const QString &server, std::size_t n)
{
    const BoxAnswers errors(QStringLiteral("ERROR"));
    control.LoadData(server, kPerson, 1);
    settle();
    if (std::size_t(listOf(control)->model()->rowCount()) == n)
        return std::nullopt;
    return errors.lastText().isEmpty() ? QStringLiteral("the list does not show every comment")
                                       : errors.lastText().simplified();
}

// Opens each of the first rows with Edit and saves it unchanged, as a user would: each becomes a
// changed row that the next ReadData sends.
void changeRows(VynMemberComment::MemberComment &control, std::size_t rows)
{
    QTreeView *list = listOf(control);
    auto *edit = control.findChild<QPushButton *>(QStringLiteral("cmdEdit"));
    auto *save = control.findChild<QPushButton *>(QStringLiteral("cmdAdd"));
    for (std::size_t r = 0; r < rows; ++r) {
        const QModelIndex row = list->model()->index(int(r), 0);
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        edit->click();
        save->click();
    }
    settle();
    std::size_t changed = 0;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        changed += list->model()->index(r, VynMemberComment::Column::CommentSequence).data().toString().endsWith(u'U');
    if (changed != rows)
        fail("Edit and Save did not mark the rows as changed");
}

void measureLoads(Report &report, ReferenceServer &server, std::size_t n, const std::string &what)
{
    const QUrl url = server.loadUrl(kMember, kPerson);
    std::optional<QString> failure, compressedFailure;
    const auto times = timesWithin(n >= 30000 ? 5 : 9, kBudgetMs,
                                   {
                                       [&] {
                                           if (failure)
                                               return kFailed;
                                           auto control = shownControl(kMember);
                                           double t = millis([&] { failure = load(*control, server.baseUrl(), n); });
                                           return failure ? kFailed : t;
                                       },
                                       [&] {
                                           return millis([&] {
                                               if (!fetch(url, Compression::Refused).error.isEmpty())
                                                   fail("the plain GET failed");
                                           });
                                       },
                                       [&] {
                                           if (compressedFailure)
                                               return kFailed;
                                           Fetched fetched;
                                           const double t = millis([&] { fetched = fetch(url); });
                                           if (!fetched.error.isEmpty())
                                               compressedFailure = fetched.error;
                                           return compressedFailure ? kFailed : t;
                                       },
                                   });
    for (const std::optional<QString> &why : {failure, compressedFailure})
        if (why)
            std::fprintf(stderr, "%s: %s\n", what.c_str(), qPrintable(*why));
    const double control = best(times[0]), plain = best(times[1]), compressed = best(times[2]);
    report.figure("server: load " + what + " vs floor", control / plain,
                  failure
                      ? "the load failed: " + failure->left(60).toStdString()
                      : "control " + ms(control) + ", plain GET " + ms(plain) + " (compressed " + ms(compressed) + ")",
                  Goal::AtMost, 1.5);
    // What Qt Network asks for unless told otherwise, as in the control's load. The 10 % leave
    // room for the difference between two runs of the very same fetch.
    report.figure("server: compressed GET " + what + " vs plain", compressed / plain,
                  compressedFailure ? "the GET failed: " + compressedFailure->left(60).toStdString()
                                    : "compressed " + ms(compressed) + ", plain " + ms(plain),
                  Goal::AtMost, 1.1);
}

void measureSave(Report &report, ReferenceServer &server, std::size_t n, const std::string &what)
{
    const std::string name = "server: ReadData " + count(kChanged) + " of " + what + " vs floor";
    auto control = shownControl(kMember);
    if (const std::optional<QString> failure = load(*control, server.baseUrl(), n)) {
        report.figure(name, kFailed, "not measured: the load failed", Goal::AtMost, 1.5);
        return;
    }
    changeRows(*control, kChanged);
    // The floor posts the very bytes the control sends: the same statements, the same work for
    // the server.
    auto *rows = qobject_cast<VynMemberComment::CommentListModel *>(listOf(*control)->model());
    const QByteArray body =
        VynMemberComment::buildEncodedBatch(rows->rows(), kMember, VynMemberComment::Platform::systemCodePage()).form;
    const QUrl saveUrl(VynMemberComment::saveUrl(server.baseUrl()));
    const QByteArray saved = "Saved 0 new and " + QByteArray::number(qulonglong(kChanged)) + " changed";
    const auto times =
        timesWithin(21, kBudgetMs,
                    {
                        [&] {
                            // Until the server's reply shows: what the user waits for.
                            const BoxAnswers answers(QStringLiteral("Membership Messaging"));
                            const auto start = std::chrono::steady_clock::now();
                            control->ReadData();
                            settle();
                            if (!answers.lastText().startsWith(QLatin1String(saved)))
                                fail("the server did not save the changed rows");
                            return std::chrono::duration<double, std::milli>(answers.lastShown() - start).count();
                        },
                        [&] {
                            return millis([&] {
                                if (!postFloor(saveUrl, body).startsWith(saved))
                                    fail("the server did not save the floor's rows");
                            });
                        },
                    });
    const double save = best(times[0]), plain = best(times[1]);
    report.figure(name, save / plain,
                  "ReadData " + ms(save) + ", plain POST " + ms(plain) + " of " + count(std::size_t(body.size()))
                      + " B",
                  Goal::AtMost, 1.5);
}

} // namespace

void endToEnd(Report &report)
{
    const std::pair<const char *, std::vector<Record>> kinds[] = {{"varied", makeRecords(30000)},
                                                                  {"repetitive", repetitiveRecords()}};
    for (const auto &[texts, records] : kinds) {
        ReferenceServer server;
        for (const std::size_t n : {std::size_t(1000), std::size_t(10000), std::size_t(30000)}) {
            server.fill(kMember, kPerson, n, records);
            const std::string what = count(n) + " " + texts;
            measureLoads(report, server, n, what);
            measureSave(report, server, n, what);
        }
    }
}

} // namespace Bench
