// Filling the shown send screen the way a recipient window's merge does: one row appended,
// the count label rewritten and the message loop run once, per row. Compared with the same
// loop on a bare record set (no screen), so the figure is what the screen adds per row.
// Also a send list of that size through the basket (what "Gönder" does before its request).
//
//   QT_QPA_PLATFORM=offscreen bench_sendscreen

#include "bench/BenchSupport.h"
#include "core/AppState.h"
#include "core/Gateway.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>

#include <benchmark/benchmark.h>

namespace {

QString number(int i) { return QStringLiteral("53%1").arg(i % 100000000, 8, 10, QLatin1Char('0')); }
QString text(int i)
{
    return QStringLiteral("Sayın müşterimiz, %1 numaralı faturanızın son ödeme günü yaklaşmaktadır.").arg(i);
}

void BM_FillShownScreen(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto fx = std::make_unique<MainWindowFixture>();
        frmSonEkran *screen = ShowSendScreen(*fx);
        state.ResumeTiming();

        screen->beginFilling();
        for (int i = 0; i < rows; ++i) {
            screen->appendRecipient(number(i), text(i));
            screen->setAddedCount(i + 1);
            QCoreApplication::processEvents();
        }
        screen->endFilling();

        state.PauseTiming();
        if (screen->SendList().rowCount() != rows) state.SkipWithError("rows lost");
        UnloadWorkForms();
        fx.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_FillShownScreen)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FillBareList(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        RecordSet list = MakeSendList();
        for (int i = 0; i < rows; ++i) {
            list.addRow({number(i), text(i)});
            QCoreApplication::processEvents();
        }
        benchmark::DoNotOptimize(list.rowCount());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_FillBareList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FillBasket(benchmark::State &state)
{
    const int rows = int(state.range(0));
    RecordSet list = MakeSendList();
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) list.addRow({number(i), text(i)});
    for (auto _ : state) {
        Gateway gateway;
        benchmark::DoNotOptimize(FillSendBasket(gateway, list));
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_FillBasket)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
