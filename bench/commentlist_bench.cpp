// Filling the comment list and sorting it once: the fill must cost no per-row sorting or layout.
#include "control/commentlistmodel.h"

#include <benchmark/benchmark.h>

using namespace VynMemberComment;

static void BM_FillThenSort(benchmark::State &state)
{
    const auto n = int(state.range(0));
    for (auto _ : state) {
        CommentListModel model;
        for (const ColumnSpec &spec : kColumns)
            model.addColumn(QString::fromLatin1(spec.header));
        std::vector<CommentRow> rows;
        rows.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i) {
            CommentRow row(QStringLiteral("Comment number %1 about the member's account").arg(i));
            row.setCell(Column::CommentSequence, QString::number((i * 7919) % n));
            rows.push_back(std::move(row));
        }
        model.appendRows(std::move(rows));
        model.setSortKey(Column::CommentSequence);
        model.setSortOrder(CommentListModel::Descending);
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_FillThenSort)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
