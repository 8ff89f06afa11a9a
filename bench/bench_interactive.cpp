// The interactive SMS screens over an inbox of 100,000 messages (half of them answered):
// a refresh tick with nothing new and after 10 messages from a second connection, opening
// the inbox window, opening the chart window with 1,000 and 32,767 distinct texts, "Filtrele"
// over ten days, and a click in the rule list with 100,000 contact persons in the stand-in.
//
//   QT_QPA_PLATFORM=offscreen bench_interactive

#include "bench/BenchSupport.h"
#include "core/AppState.h"
#include "core/LocalDb.h"
#include "interactive/frmInteractiveGraf.h"
#include "interactive/frmInteractiveSMS.h"
#include "shell/DataGrid.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"

#include <QChartView>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>
#include <memory>

namespace {
constexpr int kMessages = 100000;
const QDate kFirstDay(2026, 1, 1);

// Writes `n` messages spread over 100 days, `distinct` different texts, every second one
// answered, through a connection of its own.
void fillInbox(const QString &dbPath, int n, int distinct)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-fill"));
        db.setDatabaseName(dbPath);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN"));
        QSqlQuery msg(db), ans(db);
        msg.prepare(QStringLiteral("INSERT INTO tbl_int_msgbox (id, tarih, gsmno, msg) VALUES (?,?,?,?)"));
        ans.prepare(QStringLiteral("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?,?)"));
        const QDateTime start(kFirstDay, QTime(0, 0, 1));
        for (int i = 1; i <= n; ++i) {
            msg.addBindValue(i);
            msg.addBindValue(start.addSecs(qint64(i) * 86400LL * 100 / n).toString("yyyy-MM-dd HH:mm:ss"));
            msg.addBindValue(QStringLiteral("53%1").arg(i % 100000000, 8, 10, QLatin1Char('0')));
            msg.addBindValue(QStringLiteral("BAKIYE %1").arg(i % distinct, 5, 10, QLatin1Char('0')));
            msg.exec();
            if (i % 2 == 0) {
                ans.addBindValue(i);
                ans.addBindValue(QStringLiteral("Sayın müşterimiz, bakiyeniz %1,00 TL'dir.").arg(i));
                ans.exec();
            }
        }
        QSqlQuery(db).exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
}

// A main window with the sample stand-in; its database holds the inbox.
struct InboxEnv {
    std::unique_ptr<MainWindowFixture> main = std::make_unique<MainWindowFixture>();
    QTemporaryDir erpDir;
    explicit InboxEnv(int distinct = 1000)
    {
        static const ErpSampleCopies sample;
        sample.copyInto(erpDir.path());
        ErpStandIn(erpDir.path()).configure();
        gCompanyCode = QStringLiteral("01");
        fillInbox(main->folder.dbPath(), kMessages, distinct);
    }
    frmInteractiveSMS *open()
    {
        Control<QTreeWidget>(main->ana(), "TreeView1")->expandAll();
        main->clickNode(QStringLiteral("GelenMesaj"));
        QCoreApplication::processEvents();
        return WorkForms::find<frmInteractiveSMS>();
    }
    ~InboxEnv()
    {
        UnloadWorkForms();
        main.reset();
    }
};

void BM_InboxTickNothingNew(benchmark::State &state)
{
    InboxEnv env;
    frmInteractiveSMS *w = env.open();
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(500);
    for (auto _ : state) w->Timer1_Timer();
    if (w->rsMsgBox().rowCount() != kMessages) state.SkipWithError("rows lost");
}
BENCHMARK(BM_InboxTickNothingNew)->Unit(benchmark::kMillisecond);

void BM_InboxTickTenNew(benchmark::State &state)
{
    InboxEnv env;
    frmInteractiveSMS *w = env.open();
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(500);
    const qint64 kept = w->rsMsgBox().value(500, 0).toLongLong();
    QDateTime stamp(kFirstDay.addDays(200), QTime(9, 0));
    int shown = kMessages;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 10; ++i) {
            stamp = stamp.addSecs(1);
            env.main->folder.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?, '5321234567', 'yeni')",
                                  {stamp.toString("yyyy-MM-dd HH:mm:ss")});
        }
        state.ResumeTiming();
        w->Timer1_Timer();
        shown += 10;
        if (w->rsMsgBox().rowCount() != shown) {
            state.SkipWithError("new rows lost");
            break;
        }
    }
    const int row = Control<DataGrid>(w, "DataGrid1")->currentRow();
    if (row < 0 || w->rsMsgBox().value(row, 0).toLongLong() != kept) state.SkipWithError("selection lost");
}
BENCHMARK(BM_InboxTickTenNew)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_InboxOpen(benchmark::State &state)
{
    InboxEnv env;
    for (auto _ : state) {
        frmInteractiveSMS *w = env.open();
        // Checked while the clock runs: an error raised while paused aborts at ResumeTiming.
        if (!w || w->rsMsgBox().rowCount() != kMessages) {
            state.SkipWithError("not loaded");
            break;
        }
        state.PauseTiming();
        WorkForms::unload(w);
        MainWindowFixture::flushDeletes();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InboxOpen)->Unit(benchmark::kMillisecond)->Iterations(5);

// Opening the chart window; with showChart the chart tab is brought up and painted too.
void BM_ChartOpen(benchmark::State &state, bool showChart)
{
    InboxEnv env(int(state.range(0)));
    for (auto _ : state) {
        auto *g = WorkForms::get<frmInteractiveGraf>();
        g->Form_Load();
        if (showChart) Control<QTabWidget>(g, "SSTab1")->setCurrentIndex(1);
        g->show();
        QCoreApplication::processEvents();
        if (showChart) Control<QChartView>(g, "MSChart1")->grab();
        if (g->BarValues().size() != state.range(0)) {
            state.SkipWithError("bars lost");
            break;
        }
        state.PauseTiming();
        WorkForms::unload(g);
        MainWindowFixture::flushDeletes();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_ChartOpen, records, false)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ChartOpen, chart, true)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ChartFilterTenDays(benchmark::State &state)
{
    InboxEnv env;
    auto *g = WorkForms::get<frmInteractiveGraf>();
    g->Form_Load();
    g->show();
    QCoreApplication::processEvents();
    Control<QDateEdit>(g, "DTPicker1")->setDate(kFirstDay.addDays(40));
    Control<QDateEdit>(g, "DTPicker2")->setDate(kFirstDay.addDays(49));
    auto *query = Control<QPushButton>(g, "DMSXpButton4");
    for (auto _ : state) {
        query->click();
        QCoreApplication::processEvents();
    }
    if (g->rs1().rowCount() < 9000 || g->rs1().rowCount() > 11000) state.SkipWithError("wrong range");
    WorkForms::unload(g);
    MainWindowFixture::flushDeletes();
}
BENCHMARK(BM_ChartFilterTenDays)->Unit(benchmark::kMillisecond);

// Company 01 with 100,000 contact persons, none with a balance (the balance query finds no
// row: the worst case for anything that looks for one).
struct BigErp {
    QTemporaryDir dir;
    ErpStandIn erp{dir.path() + "/erp"};
    BigErp()
    {
        erp.addCompany("01", QStringLiteral("Merkez Ticaret"));
        erp.begin("01");
        for (int i = 0; i < 100000; ++i) {
            const QString kod = QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0'));
            erp.addAccount("01",
                           {{"HesapKodu", kod}, {"Unvan1", QStringLiteral("Çağlar Gıda %1").arg(i)}, {"KartTip", 0}});
            erp.addContact("01", {{"Sirket", kod},
                                  {"Adi", QStringLiteral("Ayşe")},
                                  {"Soyadi", QStringLiteral("Yılmaz")},
                                  {"CepTelBKod", "532"},
                                  {"CepTel", QString::number(1000000 + i)}});
        }
        erp.commit("01");
    }
};

void BM_List1Click(benchmark::State &state)
{
    static BigErp *big = new BigErp;
    auto main = std::make_unique<MainWindowFixture>();
    big->erp.configure();
    gCompanyCode = QStringLiteral("01");
    main->folder.exec(
        "INSERT INTO tbl_int_parametre VALUES ('ABC','1','YetkiliMesaj','Cinsiyet','Metin','a','1','b','01')");
    Control<QTreeWidget>(main->ana(), "TreeView1")->expandAll();
    main->clickNode(QStringLiteral("GeriDonus"));
    auto *w = WorkForms::find<frmInteractiveSMS>();
    auto *list = Control<QListWidget>(w, "List1");
    int row = 0;
    for (auto _ : state) {
        row = 1 - row;
        list->setCurrentRow(row);
    }
    if (main->prompts.count() != 0) state.SkipWithError("ERP failed");
    UnloadWorkForms();
    main.reset();
}
BENCHMARK(BM_List1Click)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv) { return RunWidgetBenchmarks(argc, argv); }
