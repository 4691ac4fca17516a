// The performance goals, measured side by side in one run: the control through its public members
// on a shown widget (offscreen), each scenario's floor and the typical Qt peer, against a loopback
// server in this process. Prints one line per figure; the exit status counts the goals missed.
//
//   goals_bench [memory] [load] [click] [save] [encode]   (all when none is named)
//   goals_bench profile-load | profile-save                 (the control's loads or saves, for a profiler)
#include "benchdata.h"
#include "benchserver.h"
#include "floors.h"
#include "harness.h"
#include "qtpeer.h"

#include <VynMemberComment/MemberComment.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

using namespace Bench;
using VynMemberComment::MemberComment;

namespace {

constexpr int kDateColumn = 7;

// Stops the run: a step that failed measures nothing.
[[noreturn]] void fail(const char *why)
{
    std::fprintf(stderr, "%s\n", why);
    std::fflush(nullptr);
    std::_Exit(2);
}

QUrl loadUrl(const BenchServer &server)
{
    return QUrl(server.baseUrl() + QStringLiteral("/MemberComment.asp?Type=1&PersonID=1&MemberID=1001"));
}

// A shown control for member 1001 that may edit, as a host window holds it.
std::unique_ptr<MemberComment> shownControl()
{
    auto control = std::make_unique<MemberComment>();
    control->Mode(true, 1001);
    control->resize(control->sizeHint());
    control->show();
    settle();
    return control;
}

QTreeView *listOf(MemberComment &control)
{
    return control.findChild<QTreeView *>(QStringLiteral("lstComments"));
}

// Loads and checks that the list shows every row.
void loadChecked(MemberComment &control, const BenchServer &server, std::size_t rows)
{
    control.LoadData(server.baseUrl(), 1, 1);
    settle();
    const int shown = listOf(control)->model()->rowCount();
    if (std::size_t(shown) != rows)
        fail("the load did not show every row");
}

std::string count(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(std::size_t(at), ",");
    return digits;
}

// Heap bytes in use, in every arena.
std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void memory(Report &report, BenchServer &server)
{
    const std::size_t n = 100000;
    const std::vector<Record> records = makeRecords(n);
    server.setPayload(loadReply(records));
    auto control = shownControl();
    const std::size_t before = heapInUse();
    loadChecked(*control, server, n);
    const std::size_t after = heapInUse();
    const double perRow = double(after - before) / double(n);
    const double raw = double(utf16Bytes(records)) / double(n);
    report.figure("memory per row at " + count(n) + " rows vs UTF-16", perRow / raw,
                  "heap +" + std::to_string(std::lround(perRow)) + " B/row, cells " + std::to_string(std::lround(raw))
                      + " B/row",
                  Goal::AtMost, 2.0);
}

// The control's loads of 100,000 rows and the floor's, for a profiler: `perf record goals_bench profile-load`.
void profileLoad(BenchServer &server)
{
    const std::size_t n = 100000;
    server.setPayload(loadReply(makeRecords(n)));
    for (int i = 0; i < 5; ++i) {
        auto control = shownControl();
        const double first = millis([&] { loadChecked(*control, server, n); });
        const double second = millis([&] { loadChecked(*control, server, n); });
        const double floor = millis([&] { loadFloor(loadUrl(server)); });
        std::printf("load %s, second load %s, floor %s\n", ms(first).c_str(), ms(second).c_str(), ms(floor).c_str());
    }
}

// The control's saves of 10,000 changed rows and the floor's, for a profiler:
// `perf record goals_bench profile-save`.
void profileSave(BenchServer &server)
{
    const std::size_t n = 10000;
    server.setPayload(loadReply(makeRecords(n, Sequences::Changed)));
    auto control = shownControl();
    loadChecked(*control, server, n);
    control->ReadData();
    const QByteArray body(qsizetype(server.lastPostSize()), 'x');
    const QUrl url(server.baseUrl() + QStringLiteral("/MemberComment.asp"));
    for (int i = 0; i < 10; ++i) {
        const double save = millis([&] {
            control->ReadData();
            settle();
        });
        const double floor = millis([&] { postFloor(url, body); });
        std::printf("ReadData %s, floor %s\n", ms(save).c_str(), ms(floor).c_str());
    }
}

void load(Report &report, BenchServer &server)
{
    double previousFirst = 0;
    for (const std::size_t n : {std::size_t(1000), std::size_t(10000), std::size_t(100000)}) {
        const std::vector<Record> records = makeRecords(n);
        server.setPayload(loadReply(records));
        const QUrl url = loadUrl(server);
        QtPeer peer;
        double second = 1e300, release = 1e300;
        const int rounds = n >= 100000 ? 7 : n >= 10000 ? 15 : 21;
        // Abandoned peer models stay in memory (see QtPeer::release): fewer rounds for large ones.
        const int peerRounds = n >= 100000 ? 2 : n >= 10000 ? 5 : rounds;
        const std::vector<double> best = bestOf(rounds, {
            [&] {
                auto control = shownControl();
                const double first = millis([&] { loadChecked(*control, server, n); });
                second = std::min(second, millis([&] { loadChecked(*control, server, n); }));
                release = std::min(release, millis([&] {
                    control.reset();
                    settle();
                }));
                return first;
            },
            [&] { return millis([&] { loadFloor(url); }); },
            [&, round = 0]() mutable {
                if (round++ >= peerRounds)
                    return 1e300;
                const double t = millis([&] { peer.load(url); });
                peer.release();
                return t;
            },
        });
        const double control = best[0], floor = best[1], qt = best[2];
        const std::string rows = count(n);
        const bool goal = n >= 10000;
        report.figure("load " + rows + " vs floor", control / floor, "control " + ms(control) + ", floor " + ms(floor),
                      goal ? Goal::AtMost : Goal::None, 1.5);
        report.figure("load " + rows + ": Qt peer / control", qt / control, "Qt peer " + ms(qt),
                      goal ? Goal::AtLeast : Goal::None, 5);
        report.figure("load " + rows + ": Qt peer vs floor", qt / floor, "Qt peer " + ms(qt) + ", floor " + ms(floor));
        report.figure("second load " + rows + " vs floor", second / floor,
                      "second " + ms(second) + ", floor " + ms(floor), goal ? Goal::AtMost : Goal::None, 1.5);
        if (n == 100000) {
            report.figure("load scaling t(100,000) / t(10,000)", control / previousFirst,
                          ms(control) + " / " + ms(previousFirst), Goal::AtMost, 12);
            report.figure("release " + rows + " rows vs load", release / control,
                          "release " + ms(release) + ", load " + ms(control), Goal::AtMost, 0.2);
        }
        previousFirst = control;
    }
}

void click(Report &report, BenchServer &server)
{
    const std::size_t n = 100000;
    const std::vector<Record> records = makeRecords(n);
    server.setPayload(loadReply(records));
    auto control = shownControl();
    loadChecked(*control, server, n);
    QHeaderView *header = listOf(*control)->header();
    std::vector<QString> dates;
    dates.reserve(n);
    for (const Record &r : records)
        dates.push_back(QString::fromStdString(r[kDateColumn]));

    const std::vector<double> best = bestOf(7, {
        [&] {
            const QPoint at(header->sectionViewportPosition(kDateColumn) + header->sectionSize(kDateColumn) / 2,
                            header->height() / 2);
            const double t = millis([&] {
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
                settle();
            });
            if (header->sortIndicatorSection() != kDateColumn)
                fail("the header click did not sort by Comment Date");
            return t;
        },
        [&] { return millis([&] { dateSortFloor(dates); }); },
    });
    const double viaQDateTime = bestOf(2, {[&] { return millis([&] { dateSortQDateTime(dates); }); }})[0];
    report.figure("\"Comment Date\" click " + count(n) + " vs floor", best[0] / best[1],
                  "click " + ms(best[0]) + ", floor " + ms(best[1]), Goal::AtMost, 10);
    report.figure("QDateTime::fromString sort vs floor", viaQDateTime / best[1], "QDateTime " + ms(viaQDateTime));
}

void save(Report &report, BenchServer &server)
{
    double previous = 0;
    const QUrl url(server.baseUrl() + QStringLiteral("/MemberComment.asp"));
    for (const std::size_t n : {std::size_t(1000), std::size_t(10000)}) {
        const std::vector<Record> records = makeRecords(n, Sequences::Changed);
        server.setPayload(loadReply(records));
        auto control = shownControl();
        loadChecked(*control, server, n);
        // The floor posts a body of the size the control sends.
        control->ReadData();
        settle();
        const QByteArray body(qsizetype(server.lastPostSize()), 'x');
        // Many rounds: a POST stalls now and then for 40 ms (delayed acknowledgement on loopback).
        const std::vector<double> best = bestOf(n >= 10000 ? 25 : 31, {
            [&] {
                return millis([&] {
                    control->ReadData();
                    settle();
                });
            },
            [&] { return millis([&] { postFloor(url, body); }); },
        });
        report.figure("ReadData " + count(n) + " changed rows vs POST floor", best[0] / best[1],
                      "ReadData " + ms(best[0]) + ", POST " + ms(best[1]) + " of " + count(std::size_t(body.size()))
                          + " B",
                      n >= 10000 ? Goal::AtMost : Goal::None, 1.5);
        if (previous > 0)
            report.figure("ReadData scaling t(10,000) / t(1,000)", best[0] / previous,
                          ms(best[0]) + " / " + ms(previous), Goal::AtMost, 12);
        previous = best[0];
    }
}

void encode(Report &report)
{
    MemberComment control;
    for (const double accented : {0.0, 0.3}) {
        const QString text = sqlText(10'000'000, accented);
        const std::string name = accented > 0 ? "urlEncode 10 MB, 30% accented" : "urlEncode 10 MB, ASCII";
        if (control.urlEncode(text) != encodeFloor(text))
            std::fprintf(stderr, "note: the floor's encoding differs from the control's (another code page)\n");
        const std::vector<double> best = bestOf(15, {
            [&] { return millis([&] { control.urlEncode(text); }); },
            [&] { return millis([&] { encodeFloor(text); }); },
            [&] { return millis([&] { QUrl::toPercentEncoding(text); }); },
        });
        report.figure(name + ": speed vs byte loop", best[1] / best[0],
                      "control " + ms(best[0]) + ", byte loop " + ms(best[1]), Goal::AtLeast, 0.5);
        report.figure(name + ": speed vs QUrl", best[2] / best[0], "QUrl::toPercentEncoding " + ms(best[2]),
                      Goal::AtLeast, 2);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::set<std::string> chosen(argv + 1, argv + argc);
    const bool profiling = chosen.count("profile-load") != 0 || chosen.count("profile-save") != 0;
    auto wanted = [&](const char *name) { return !profiling && (chosen.empty() || chosen.count(name) != 0); };

    // A box means a failed step; it is closed, reported, and the run stops once it returns.
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            std::fprintf(stderr, "unexpected box: %s\n", qPrintable(box->property("text").toString()));
            fail("a step failed");
        }
    });
    boxWatch.start(200);

    std::printf("%-46s %9s  %-52s %s\n", "figure", "ratio", "measured", "goal");
    BenchServer server;
    Report report;
    if (wanted("memory")) // first, while the heap holds nothing else
        memory(report, server);
    if (wanted("load"))
        load(report, server);
    if (wanted("click"))
        click(report, server);
    if (wanted("save"))
        save(report, server);
    if (wanted("encode"))
        encode(report);
    if (chosen.count("profile-load") != 0)
        profileLoad(server);
    if (chosen.count("profile-save") != 0)
        profileSave(server);
    report.summary();
    return report.missed();
}
