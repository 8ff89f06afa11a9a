// The merge behind "İleri >>" over 100,000 contact persons with a three-placeholder text, and
// the whole road of a send of that size.
//
//   BM_MergeIntoLists         the merge loop as the hand-over runs it (the message loop run
//                             once per time slice through WorkOperation::yieldOnSlice, the
//                             stop test on every taken row), into a send
//                             list model and the over-limit list; no window shown.
//   BM_MergeIntoShownScreen   the same loop filling the shown send screen (its list, its count
//                             label and grid catching up while the loop yields).
//   BM_RoadNextToAccepted     the operator's road over an ERP stand-in of 100,000 contact
//                             persons: click on "İleri >>" in the contact person window (send
//                             screen shown with its account request to the fake gateway, the
//                             merge, the filling), then "Gönder" confirmed, up to the box that
//                             tells the send was accepted and logged. Run five times; the
//                             median is the figure.
//
// The merges run at 10,000, 100,000 and 1,000,000 rows; peakRssMB is the process's peak so
// far, so a size run alone (--benchmark_filter=BM_MergeIntoLists/100000) gives its own.
//
//   QT_QPA_PLATFORM=offscreen bench_merge

#include "bench/BenchSupport.h"
#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/RecipientMerge.h"
#include "core/SendList.h"
#include "core/SendSteps.h"
#include "messaging/RecipientHandOver.h"
#include "messaging/RecipientWindows.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

namespace {
constexpr int kRows = 100000;

const QString kText =
    QStringLiteral("Sayın [##YetkiliAdi##] [##YetkiliSoyadi##],\r\n[##Unvan1##] hesabınızın yıl sonu mutabakatı için "
                   "lütfen bizi arayınız.");

const QStringList kFirst = {"Ayşe", "İsmail", "Irmak", "Çiğdem", "Ümit", "Gülşen", "Şükrü", "Ahmet",
                            "Işıl", "Ömer",   "Deniz", "Ağah",   "Can",  "Elif",   "Oğuz",  "Zeynep"};
const QStringList kLast = {"Yılmaz", "Öztürk", "Çelik", "Ağaoğlu", "Işık", "Ilgaz", "Şen", "Kaya"};

// Every tenth account has a long name, whose text goes over 160 characters; every fiftieth
// contact has the number of the one before.
QString accountName(int i, const QString &last)
{
    return i % 10 == 9
               ? last + QStringLiteral(
                            " Uluslararası Gıda Tekstil İnşaat Otomotiv Turizm Sanayi ve Ticaret Anonim Şirketi %1")
                            .arg(i)
               : last + QStringLiteral(" Ticaret %1").arg(i);
}
QString subscriber(int i) { return QString::number(1000000 + (i % 50 == 49 ? i - 1 : i)); }

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

// Peak resident memory of this process in MiB (VmHWM). Run one size per process
// (--benchmark_filter=.../100000) for the peak of that size alone.
double peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
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
        hooks.take = [&list](const QString &gsmNo, const QString &mesaj, int) { list->appendRow(gsmNo, mesaj); };
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
    state.counters["peakRssMB"] = peakRssMb();
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
            hooks.take = [screen](const QString &gsmNo, const QString &mesaj, int count) {
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
    state.counters["peakRssMB"] = peakRssMb();
    state.SetItemsProcessed(state.iterations() * rows.rowCount());
}
BENCHMARK(BM_MergeIntoShownScreen)->Unit(benchmark::kMillisecond)->Iterations(5)->Arg(10000)->Arg(kRows)->Arg(1000000);

// The main window over an ERP stand-in of 100,000 accounts with one contact person each.
struct RoadScene {
    QTemporaryDir dir;
    std::unique_ptr<ErpStandIn> erp;

    RoadScene()
    {
        erp = std::make_unique<ErpStandIn>(dir.path() + QStringLiteral("/erp"));
        erp->addCompany("01", QStringLiteral("Merkez Ticaret"));
        std::mt19937 rng(20240611);
        auto pick = [&rng](const QStringList &l) { return l[int(rng() % unsigned(l.size()))]; };
        erp->begin("01");
        for (int i = 0; i < kRows; ++i) {
            const QString kod = QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0'));
            const QString last = pick(kLast);
            erp->addAccount("01",
                            {{"HesapKodu", kod}, {"Unvan1", accountName(i, last)}, {"KartTip", 0}, {"GrupKod", "G01"}});
            erp->addContact("01", {{"Sirket", kod},
                                   {"Adi", pick(kFirst)},
                                   {"Soyadi", pick(kLast)},
                                   {"DogumTar", ErpStandIn::dayNumber(1950, 1, 1) + int(rng() % 20000)},
                                   {"CepTelBKod", "532"},
                                   {"CepTel", subscriber(i)}});
        }
        erp->commit("01");
    }
};

void BM_RoadNextToAccepted(benchmark::State &state)
{
    static RoadScene scene;
    FakeGateway gateway;
    gateway.setCredit(10000000);
    QTemporaryDir docs;
    for (auto _ : state) {
        auto fx = std::make_unique<MainWindowFixture>();
        fx->mdi()->resize(1280, 900);
        scene.erp->configure();
        gCompanyCode = QStringLiteral("01");
        gGatewayUrl = gateway.url();
        SetDocumentsFolder(docs.path());
        InstallRecipientHandOver();
        fx->ana()->TreeView1->expandAll();
        fx->clickNode(QStringLiteral("YetkiliMesaj"));
        auto *w = WorkForms::find<frmYetkiliMesaj>();
        if (!w || w->recordSet().rowCount() != kRows) {
            state.SkipWithError("recipient window not loaded");
            break;
        }
        QString plain = kText;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        w->txtMesaj->setPlainText(plain);
        QCoreApplication::processEvents();

        // The time ends in the box that follows the accepted reply and the log row.
        QElapsedTimer clock;
        double accepted = -1;
        Prompt::setHandler([&](const QString &text, PromptIcon, const QString &, PromptButtons buttons) {
            if (accepted < 0 && (text == SentText() || text == SentWithOverLimitText()))
                accepted = double(clock.nsecsElapsed()) / 1e9;
            return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
        });
        clock.start();
        w->Command4->click();
        if (frmSonEkran *screen = WorkForms::find<frmSonEkran>()) screen->cmdGonder->click();
        Prompt::setHandler(nullptr);
        if (accepted < 0) {
            state.SkipWithError("the send was not accepted");
            break;
        }
        state.SetIterationTime(accepted);

        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        RecipientWindow::setSendHandler(nullptr);
        fx.reset();
        gateway.clearRequests();
    }
    SetDocumentsFolder(QString());
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_RoadNextToAccepted)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
