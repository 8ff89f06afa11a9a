// The contact person window over 100,000 rows of the ERP stand-in, offscreen: opening it from
// the navigation (query, model, grid shown and painted) against the ERP load of its rows alone,
// and applying a three-condition filter through its "Filtrele" button. The peak resident set
// size of the process is reported with each benchmark (getrusage ru_maxrss); ORVEK_BENCH_ROWS
// sets another row count, for a growth run in a process of its own (--benchmark_filter=Open
// gives the window's peak alone).

#include "bench/BenchMemory.h"
#include "bench/BenchSupport.h"
#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "messaging/ErpDataControl.h"
#include "messaging/RecipientWindows.h"
#include "shell/DataGrid.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

namespace {
int benchRows()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ORVEK_BENCH_ROWS", &ok);
    return ok && n > 0 ? n : 100000;
}
const int kRows = benchRows();

// The window's data control, by its name.
ErpDataControl *dataControl(RecipientWindow *w) { return Control<ErpDataControl>(w, w->members().dataControl); }

// The main window over a stand-in company "01" of 100,000 accounts with one contact person
// each, the names, dates and codes varied.
struct Scene {
    std::unique_ptr<MainWindowFixture> main;
    QTemporaryDir dir;
    std::unique_ptr<ErpStandIn> erp;

    Scene()
    {
        main = std::make_unique<MainWindowFixture>();
        main->mdi()->resize(1280, 900);
        erp = std::make_unique<ErpStandIn>(dir.path() + QStringLiteral("/erp"));
        erp->addCompany("01", QStringLiteral("Merkez Ticaret"));
        const QStringList first = {"Ayşe", "İsmail", "Irmak", "Çiğdem", "Ümit", "Gülşen", "Şükrü", "Ahmet",
                                   "Işıl", "Ömer",   "Deniz", "Ağah",   "Can",  "Elif",   "Oğuz",  "Zeynep"};
        const QStringList last = {"Yılmaz", "Öztürk", "Çelik", "Ağaoğlu", "Işık", "Ilgaz", "Şen", "Kaya"};
        const QStringList cities = {"İSTANBUL", "ANKARA", "İZMİR", "BURSA", "ISPARTA", "ÇORUM"};
        std::mt19937 rng(20240611);
        auto pick = [&rng](const QStringList &l) { return l[int(rng() % unsigned(l.size()))]; };
        erp->begin("01");
        for (int i = 0; i < kRows; ++i) {
            const QString kod = QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0'));
            erp->addAccount("01", {{"HesapKodu", kod},
                                   {"Unvan1", pick(last) + QStringLiteral(" Ticaret %1").arg(i)},
                                   {"KartTip", 0},
                                   {"GrupKod", "G01"}});
            erp->addContact("01", {{"Sirket", kod},
                                   {"Adi", pick(first)},
                                   {"Soyadi", pick(last)},
                                   {"Cinsiyet", rng() % 2 ? "K" : "E"},
                                   {"DogumTar", ErpStandIn::dayNumber(1950, 1, 1) + int(rng() % 20000)},
                                   {"MedHal", "Evli"},
                                   {"EvlTarih", ErpStandIn::dayNumber(1975, 1, 1) + int(rng() % 15000)},
                                   {"Kod1", pick(cities)},
                                   {"CepTelBKod", "532"},
                                   {"CepTel", QString::number(1000000 + i)}});
        }
        erp->commit("01");
        erp->configure();
        gCompanyCode = QStringLiteral("01");
        Control<QTreeWidget>(main->ana(), "TreeView1")->expandAll();
    }

    // Opens the contact person window from the navigation and lets the grid paint.
    frmYetkiliMesaj *open()
    {
        main->clickNode(QStringLiteral("YetkiliMesaj"));
        auto *w = WorkForms::find<frmYetkiliMesaj>();
        if (!w || dataControl(w)->RecordCount() != kRows) return nullptr;
        QApplication::processEvents();
        Control<DataGrid>(w, "DataGrid1")->view()->viewport()->repaint();
        return w;
    }

    void closeAll()
    {
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
    }
};

Scene &scene()
{
    static Scene *s = new Scene; // lives until the process ends
    return *s;
}

void BM_OpenContactPersonWindow(benchmark::State &state)
{
    Scene &s = scene();
    for (auto _ : state) {
        frmYetkiliMesaj *w = s.open();
        if (!w) {
            state.SkipWithError("the window did not load its rows");
            break;
        }
        benchmark::DoNotOptimize(w);
        state.PauseTiming();
        s.closeAll();
        state.ResumeTiming();
    }
    state.counters["rows"] = kRows;
    state.counters["peak_rss_MB"] = PeakRssMb();
}

// The floor of the window: the same rows loaded from the same stand-in, without a window.
void BM_ErpLoadAlone(benchmark::State &state)
{
    scene();
    OpenErpDb();
    int rows = 0;
    for (auto _ : state) {
        RecordSet rs = LoadErpRecordSet(QStringLiteral("YetkiliMesaj"));
        rows = rs.rowCount();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kRows) state.SkipWithError("the load did not give every row");
    state.counters["rows"] = rows;
}

void BM_FilterThreeConditions(benchmark::State &state)
{
    Scene &s = scene();
    frmYetkiliMesaj *w = s.open();
    if (!w) {
        state.SkipWithError("the window did not load its rows");
        return;
    }
    auto *list = Control<QListWidget>(w, "List1");
    list->clear();
    list->addItems({"YetkiliAdi like 'a*'", "DogumTarihi >= #01/01/1970#", "Kod1 = 'istanbul'"});
    ErpDataControl *data = dataControl(w);
    auto *filter = Control<QPushButton>(w, "Command2");
    QWidget *grid = Control<DataGrid>(w, "DataGrid1")->view()->viewport();
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->recordSet().clearFilter();
        data->rowsChanged();
        QApplication::processEvents();
        state.ResumeTiming();
        filter->click();
        grid->repaint();
        shown = data->RecordCount();
    }
    if (shown == 0 || shown == kRows) state.SkipWithError("the filter did not narrow the rows");
    state.counters["shown"] = shown;
    state.counters["peak_rss_MB"] = PeakRssMb();
    s.closeAll();
}
} // namespace

BENCHMARK(BM_ErpLoadAlone)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenContactPersonWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FilterThreeConditions)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
