// The merge behind "İleri >>" over 100,000 contact persons with a three-placeholder text (the
// whole road of a send is in bench_road).
//
//   BM_MergeIntoLists         the merge loop as the hand-over runs it (the message loop run
//                             once per time slice through WorkOperation::yieldOnSlice, the
//                             stop test on every taken row), into a send
//                             list model and the over-limit list; no window shown.
//   BM_MergeIntoShownScreen   the same loop filling the shown send screen (its list, its count
//                             label and grid catching up while the loop yields).
//
// The merges run at 10,000, 100,000 and 1,000,000 rows, on the memory the runs before freed
// (the road in bench_road runs the merge on fresh memory). How much of it the allocator kept
// depends on what ran before in the process: a case run alone finds fresher memory than one
// run after the other case, so compare sizes run the same way. peakRssMB is the process's
// peak so far, so a size run alone (--benchmark_filter=BM_MergeIntoLists/100000) gives its own.
//
//   QT_QPA_PLATFORM=offscreen bench_merge

#include "bench/BenchMemory.h"
#include "bench/BenchSupport.h"
#include "bench/RecipientScene.h"
#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/RecipientMerge.h"
#include "messaging/RecipientHandOver.h"
#include "messaging/SendList.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

namespace {
using namespace bench;

constexpr int kRows = 100000;

// `count` contact-person rows with the columns and types of the ERP loader (built once per
// count).
const RecordSet &contactRows(int count = kRows)
{
    static std::map<int, RecordSet> sets;
    auto it = sets.find(count);
    if (it != sets.end()) return it->second;
    RecordSet s(ErpColumns(QStringLiteral("YetkiliMesaj")));
    s.reserve(count);
    std::mt19937 rng(20240611);
    auto pick = [&rng](const QStringList &l) { return l[int(rng() % unsigned(l.size()))]; };
    const int columns = s.fieldCount();
    for (int i = 0; i < count; ++i) {
        const QString last = pick(kLast);
        RecordRow row(columns);
        row[s.fieldIndex("HesapKodu")] = QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0'));
        row[s.fieldIndex("Unvan1")] = accountName(i, last);
        row[s.fieldIndex("YetkiliAdi")] = pick(kFirst);
        row[s.fieldIndex("YetkiliSoyadi")] = pick(kLast);
        row[s.fieldIndex("Cinsiyet")] = rng() % 2 ? QStringLiteral("K") : QStringLiteral("E");
        row[s.fieldIndex("DogumTarihi")] = QDate(1950, 1, 1).addDays(int(rng() % 20000));
        row[s.fieldIndex("MedeniHali")] = QStringLiteral("Evli");
        row[s.fieldIndex("Kod1")] = QStringLiteral("İSTANBUL");
        row[s.fieldIndex("CepTelBKod")] = QStringLiteral("532");
        row[s.fieldIndex("CepTel")] = subscriber(i);
        s.addRow(row);
    }
    return sets.emplace(count, std::move(s)).first->second;
}

void BM_MergeIntoLists(benchmark::State &state)
{
    const RecordSet &rows = contactRows(int(state.range(0)));
    QWidget window;
    int taken = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<SendListModel>();
        list->reserve(rows.rowCount()); // as the hand-over reserves the screen's rows
        state.ResumeTiming();

        gCancelRequested = false;
        gProgressTotal = rows.rowCount();
        gProgressDone = 0;
        WorkOperation op(&window);
        RecipientMergeHooks hooks;
        hooks.duplicateTest = [] { return true; };
        hooks.take = [&list](QStringView gsmNo, QStringView mesaj, int) { list->appendRow(gsmNo, mesaj); };
        hooks.yield = [&op] { return op.yieldOnSlice(); };
        const MergeText text = MergeText::compile(kText, rows.fields());
        const RecipientMergeResult r = RunRecipientMerge(rows, text, gOverLimitRecipients, hooks);
        taken = r.taken;
        if (r.end != MergeEnd::Finished || r.taken + r.overLimit == 0) state.SkipWithError("merge failed");

        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["taken"] = taken;
    state.counters["overLimit"] = gOverLimitRecipients.rowCount();
    state.counters["peakRssMB"] = PeakRssMb();
    state.SetItemsProcessed(state.iterations() * rows.rowCount());
}
BENCHMARK(BM_MergeIntoLists)->Unit(benchmark::kMillisecond)->Iterations(5)->Arg(10000)->Arg(kRows)->Arg(1000000);

void BM_MergeIntoShownScreen(benchmark::State &state)
{
    const RecordSet &rows = contactRows(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto fx = std::make_unique<MainWindowFixture>();
        frmSonEkran *screen = ShowSendScreen(*fx);
        state.ResumeTiming();

        gCancelRequested = false;
        gProgressTotal = rows.rowCount();
        gProgressDone = 0;
        screen->beginFilling();
        screen->reserveRows(rows.rowCount());
        {
            WorkOperation op(screen);
            RecipientMergeHooks hooks;
            hooks.duplicateTest = [] { return true; };
            hooks.take = [screen](QStringView gsmNo, QStringView mesaj, int count) {
                screen->appendRecipient(gsmNo, mesaj);
                screen->setAddedCount(count);
            };
            hooks.yield = [&op] { return op.yieldOnSlice(); };
            const MergeText text = MergeText::compile(kText, rows.fields());
            const RecipientMergeResult r = RunRecipientMerge(rows, text, gOverLimitRecipients, hooks);
            if (r.end != MergeEnd::Finished || screen->SendList().rowCount() != r.taken)
                state.SkipWithError("merge failed");
        }
        screen->endFilling();

        state.PauseTiming();
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        fx.reset();
        state.ResumeTiming();
    }
    state.counters["peakRssMB"] = PeakRssMb();
    state.SetItemsProcessed(state.iterations() * rows.rowCount());
}
BENCHMARK(BM_MergeIntoShownScreen)->Unit(benchmark::kMillisecond)->Iterations(5)->Arg(10000)->Arg(kRows)->Arg(1000000);

// The main window over an ERP stand-in of 100,000 accounts with one contact person each.
} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
