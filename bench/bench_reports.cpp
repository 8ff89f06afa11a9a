// The report window shown offscreen in the main window, talking to the fake gateway on
// loopback:
//  - BM_PackageReport: "Rapor görüntüle" of tab 0 on a reply of 100,000 lines, from the
//    click until the handler returns with the grid and the counters final; without names
//    (Arg 0) and with names from an ERP stand-in of 100,000 contact persons, every number
//    named (Arg 1).
//  - BM_StatusBoxClick: one click on a state box of a 100,000-row report until the grid
//    shows the narrowed report (the pending repaint included).
//  - BM_NumberReport: "Rapor görüntüle" of tab 2 on a list of 100,000 sends, from the click
//    until the handler returns with the grid final.
//  - BM_ReportExport: tab 0's "Excel'e gönder" on a 100,000-row report with names (4
//    columns), from the click (question and file name answered at once) to the completion
//    box (Arg 0), against the spreadsheet export alone on the same rows (Arg 1).
//
//   QT_QPA_PLATFORM=offscreen bench_reports

#include "bench/BenchSupport.h"
#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/SpreadsheetExport.h"
#include "reports/frmRapor.h"
#include "shell/DataGrid.h"
#include "shell/WidgetServices.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/Recorders.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
constexpr int kLines = 100000;
constexpr int kContactsPerAccount = 100;

QString numberOf(int i) { return QStringLiteral("53%1").arg(i, 8, 10, QLatin1Char('0')); }

QString reply(int lines)
{
    static const char states[] = {'3', '3', '0', '5', '3', '2', '1'};
    QString r;
    r.reserve(lines * 13);
    for (int i = 0; i < lines; ++i)
        r += numberOf(i) + QLatin1Char(' ') + QLatin1Char(states[i % 7]) + QLatin1Char('\n');
    return r;
}

// The main window with the report window on tab 0, one logged send, the fake gateway
// answering every status request with `lines` lines.
struct ShownReport {
    FakeGateway gateway;
    std::unique_ptr<MainWindowFixture> fx;
    std::unique_ptr<ErpStandIn> erp;
    frmRapor *w = nullptr;

    ShownReport(int lines, bool names)
    {
        fx = std::make_unique<MainWindowFixture>();
        gGatewayUrl = gateway.url();
        gCompanyCode = QStringLiteral("01");
        fx->folder.exec("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_raporad'", {names ? "1" : "0"});
        fx->folder.exec("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, "
                        "gtarih, sirket_kod) VALUES ('100001', 'Hızlı mesaj gönder', 'Brenvik', ?, 'x', 'ORVEK', "
                        "'2024-05-01 10:00:00', '2024-05-01 10:00:00', '01')",
                        {lines});
        if (names) {
            erp = std::make_unique<ErpStandIn>(fx->folder.folder() + QStringLiteral("/erp"));
            erp->addCompany(QStringLiteral("01"), QStringLiteral("Merkez Ticaret"));
            erp->begin(QStringLiteral("01"));
            for (int a = 0; a < lines / kContactsPerAccount; ++a) {
                const QString account = QStringLiteral("120.%1").arg(a, 5, 10, QLatin1Char('0'));
                erp->addAccount(QStringLiteral("01"), {{"HesapKodu", account}, {"Unvan1", "Hesap"}, {"KartTip", 0}});
                for (int c = 0; c < kContactsPerAccount; ++c) {
                    const QString n = numberOf(a * kContactsPerAccount + c);
                    erp->addContact(QStringLiteral("01"), {{"Sirket", account},
                                                           {"Adi", QStringLiteral("Ayşe")},
                                                           {"Adi2", QStringLiteral("Nur")},
                                                           {"Soyadi", QStringLiteral("Yılmaz")},
                                                           {"CepTelBKod", n.left(3)},
                                                           {"CepTel", n.mid(3)}});
                }
            }
            erp->commit(QStringLiteral("01"));
            erp->configure();
        }
        gateway.setReply(QStringLiteral("11"), reply(lines));
        fx->mdi()->resize(1024, 768);
        RaporlarGoster(0);
        w = WorkForms::find<frmRapor>();
        QCoreApplication::processEvents();
    }
    ~ShownReport()
    {
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        fx.reset();
    }
    bool complete(int lines) const
    {
        return w->ReportSet().rowCount() == lines && Control<QLineEdit>(w, "Text1")->text() == QString::number(lines) &&
               Control<DataGrid>(w, "DataGrid2")->view()->model()->rowCount() == lines && gProgressDone == lines;
    }
};

void BM_PackageReport(benchmark::State &state)
{
    const bool names = state.range(0) == 1;
    ShownReport shown(kLines, names);
    auto *view = Control<QPushButton>(shown.w, "cmdRaporGoruntule_1");
    for (auto _ : state) {
        QTest::mouseClick(view, Qt::LeftButton);
        state.PauseTiming();
        if (!shown.complete(kLines)) state.SkipWithError("report incomplete");
        if (names && shown.w->ReportSet().value(kLines - 1, 1).toString() != QStringLiteral("Ayşe Nur"))
            state.SkipWithError("a number without its name");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_PackageReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_StatusBoxClick(benchmark::State &state)
{
    ShownReport shown(kLines, false);
    QTest::mouseClick(Control<QPushButton>(shown.w, "cmdRaporGoruntule_1"), Qt::LeftButton);
    if (!shown.complete(kLines)) state.SkipWithError("report incomplete");
    QCoreApplication::processEvents();
    auto *box = Control<QCheckBox>(shown.w, "Check2");
    QAbstractItemModel *grid = Control<DataGrid>(shown.w, "DataGrid2")->view()->model();
    for (auto _ : state) {
        const bool narrowing = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton);
        QCoreApplication::processEvents();
        state.PauseTiming();
        const int rows = grid->rowCount();
        if (narrowing ? rows >= kLines : rows != kLines) state.SkipWithError("grid not narrowed");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StatusBoxClick)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void BM_NumberReport(benchmark::State &state)
{
    ShownReport shown(10, false);
    QString list;
    list.reserve(kLines * 28);
    for (int i = 0; i < kLines; ++i) list += QString::number(200000 + i) + QStringLiteral(" 01.05.2024 10:00:00\n");
    shown.gateway.setReply(QStringLiteral("14"), list);
    Control<QTabWidget>(shown.w, "SSTab1")->setCurrentIndex(2);
    Control<QLineEdit>(shown.w, "txtGsmNo")->setText(QStringLiteral("5321234567"));
    QCoreApplication::processEvents();
    auto *view = Control<QPushButton>(shown.w, "cmdRaporGoruntule_3");
    QAbstractItemModel *grid = Control<DataGrid>(shown.w, "DataGrid4")->view()->model();
    for (auto _ : state) {
        QTest::mouseClick(view, Qt::LeftButton);
        state.PauseTiming();
        if (shown.w->ReportSet().rowCount() != kLines || grid->rowCount() != kLines)
            state.SkipWithError("list incomplete");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_NumberReport)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_ReportExport(benchmark::State &state)
{
    const bool alone = state.range(0) == 1;
    ShownReport shown(kLines, true);
    FileDialogStub dialog;
    const QString path = shown.fx->folder.folder() + QStringLiteral("/rapor.xlsx");
    for (auto _ : state) {
        state.PauseTiming();
        QTest::mouseClick(Control<QPushButton>(shown.w, "cmdRaporGoruntule_1"), Qt::LeftButton);
        if (!shown.complete(kLines)) state.SkipWithError("report incomplete");
        const RecordSet rows = shown.w->ReportSet();
        QFile::remove(path);
        shown.fx->prompts.clear();
        dialog.setNextFileName(path);
        state.ResumeTiming();
        if (alone)
            ExportToExcel(rows, path, rows.fieldNames());
        else
            QTest::mouseClick(Control<QPushButton>(shown.w, "cmdExceleGonder_1"), Qt::LeftButton);
        state.PauseTiming();
        if (!QFile::exists(path) || shown.fx->prompts.count() == 0 ||
            shown.fx->prompts.last().icon != PromptIcon::Information)
            state.SkipWithError("no workbook");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ReportExport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallWidgetServices(); // the real progress window
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
