// One long comment in a list of 1,000: what painting the list and loading it cost with a comment of
// 1 MiB or 16 MiB, against the same list without it. The list is found by its objectName and
// painted as a frame is, through its viewport.
#include "benchdata.h"
#include "controlsteps.h"
#include "scenarios.h"

#include <QAbstractItemModel>
#include <QTreeView>

namespace Bench {

namespace {

constexpr std::size_t kRows = 1000;
constexpr double kFrameMs = 16;
// A paint or a load that takes seconds is taken once or twice, not in every round.
constexpr double kBudgetMs = 3000;

// Words with blanks, `characters` long.
std::string longText(std::size_t characters)
{
    const std::string sentence = "The member called about the renewal and asked for the invoice again. ";
    std::string text;
    text.reserve(characters);
    while (text.size() < characters)
        text += sentence;
    text.resize(characters);
    return text;
}

struct ListCost {
    double load = 0;  // ms, first load into a shown control
    double paint = 0; // ms, one frame of the list
    std::size_t bytes = 0;
};

// The list's costs; with a long comment, that comment must be the first row shown.
ListCost measureList(BenchServer &server, const std::vector<Record> &records, bool longFirst)
{
    const std::string reply = loadReply(records);
    server.setPayload(reply);
    ListCost cost;
    cost.bytes = reply.size();
    auto shown = shownControl();
    cost.load = best(timesWithin(7, kBudgetMs, {[&] {
                                     auto control = shownControl();
                                     return millis([&] { loadChecked(*control, server.baseUrl(), records.size()); });
                                 }})[0]);
    loadChecked(*shown, server.baseUrl(), records.size());
    QTreeView *list = listOf(*shown);
    if (longFirst && list->model()->index(0, 2).data().toString() != QString::fromStdString(records.back()[2]))
        fail("the long comment is not the first row");
    QWidget *viewport = list->viewport();
    cost.paint = best(timesWithin(15, kBudgetMs, {[&] { return millis([&] { viewport->repaint(); }); }})[0]);
    return cost;
}

} // namespace

void longTexts(Report &report, BenchServer &server)
{
    std::vector<Record> records = makeRecords(kRows);
    const ListCost plain = measureList(server, records, false);
    // The long comment has the highest sequence: the list shows it first.
    records.push_back(records.front());
    records.back()[2] = "99999";
    for (const std::size_t mib : {std::size_t(1), std::size_t(16)}) {
        records.back()[0] = longText(mib << 20);
        const ListCost cost = measureList(server, records, true);
        const std::string what = "with one " + std::to_string(mib) + " MiB comment";
        report.figure("list of " + count(kRows) + " " + what + ": paint vs without", cost.paint / plain.paint,
                      "frame " + ms(cost.paint) + ", without " + ms(plain.paint), Goal::AtMost, 2);
        report.figure("list of " + count(kRows) + " " + what + ": frame vs 16 ms", cost.paint / kFrameMs,
                      "frame " + ms(cost.paint), Goal::AtMost, 1);
        const double perByte = (cost.load / double(cost.bytes)) / (plain.load / double(plain.bytes));
        report.figure("list of " + count(kRows) + " " + what + ": load per byte vs without", perByte,
                      "load " + ms(cost.load) + " for " + count(cost.bytes) + " B, without " + ms(plain.load),
                      Goal::AtMost, 2);
    }
}

} // namespace Bench
