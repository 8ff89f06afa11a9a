#include "reports/frmRapor.h"

#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/GatewayKind.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "reports/NumberReport.h"
#include "reports/ReportDataControl.h"
#include "reports/ReportExport.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/OffThread.h"
#include "shell/Twips.h"
#include "shell/frmAna.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include <exception>
#include <functional>

namespace {
const QString kVazgec = QStringLiteral("Vazgeç");
const QString kKapat = QStringLiteral("Kapat");
const QString kUyari = QStringLiteral("Uyarı");

// A fetch lets the window paint and take the cancel buttons this often (ms); lines are read
// in between without a turn of the event loop each.
constexpr qint64 kFetchSliceMs = 20;

// Design sizes (twips) that the layout keeps.
constexpr int kGridLeft = 120;
constexpr int kDataGrid1Top = 240;
constexpr int kDataGrid4Top = 960;
constexpr int kOzetWidth = 3375;
constexpr int kRangeFrameTop = 60;
constexpr int kRangeFrameHeight = 735;
constexpr int kFrame6Width = 3015;
constexpr int kRaporGoruntule2Width = 1575;
constexpr int kVazgec3Width = 1410;
constexpr int kButtonHeight = 375;
constexpr int kTab2ButtonWidth = 1335;
constexpr int kPanelButtonWidth = 1635;
constexpr int kBoxHeight = 330;
constexpr int kRowPitch = 390;

// A box of the summary: read only, showing its start value.
QLineEdit *summaryBox(QWidget *parent, const char *name, const QString &text, const TwRect &r)
{
    auto *t = MakeTextBox(parent, name, r);
    t->setText(text);
    t->setReadOnly(true);
    return t;
}

// A state box of the summary: ticked, and disabled until a fetch has filled the report.
QCheckBox *stateBox(QWidget *parent, const char *name, const TwRect &r)
{
    auto *c = MakeCheckBox(parent, name, QString(), r);
    c->setChecked(true);
    c->setEnabled(false);
    return c;
}

DataGrid *makeGrid(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = NamedControl(new DataGrid(parent), name);
    g->setCaption(caption);
    // Fixed row heights: a report of many rows costs no measuring of its rows.
    g->view()->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->view()->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    return g;
}

// One summary row: its state box at 60, label at 345, text box at 2160 (twips inside the
// summary frame).
TwRect rowLabel(int row) { return TwRect{345, 330 + row * kRowPitch, 1800, 255}; }
TwRect rowBox(int row) { return TwRect{2160, 300 + row * kRowPitch, 1125, kBoxHeight}; }
TwRect rowCheck(int row) { return TwRect{60, 315 + row * kRowPitch, 285, 285}; }
int summaryHeight(int rows) { return 300 + rows * kRowPitch + 60; }

QString describe(const std::exception &e)
{
    const QString d = QString::fromStdString(e.what());
    return d.isEmpty() ? QStringLiteral("Bilinmeyen hata") : d;
}
} // namespace

// ---- Construction --------------------------------------------------------------------------

frmRapor::frmRapor()
{
    setObjectName(QStringLiteral("frmRapor"));
    buildControls();
    connectHandlers();
}

frmRapor::~frmRapor() = default;

void frmRapor::buildControls()
{
    frRapor = NamedControl(new QFrame(this), "frRapor");
    frRapor->setFrameShape(QFrame::StyledPanel);
    SSTab1 = NamedControl(new QTabWidget(frRapor), "SSTab1");

    frSMS = NamedControl(new QFrame(nullptr), "frSMS");
    frTarih = NamedControl(new QFrame(nullptr), "frTarih");
    frGSM = NamedControl(new QFrame(nullptr), "frGSM");
    SSTab1->addTab(frSMS, QStringLiteral("Bir SMS gönderimine ait rapor"));
    SSTab1->addTab(frTarih, QStringLiteral("İki tarih arasındaki SMS raporları"));
    SSTab1->addTab(frGSM, QStringLiteral("Bir GSM numarasına ait SMS raporları"));

    rsRapor1 = NamedControl(new RecordSetModel(this), "rsRapor1");
    rsRapor1->setRecordSet(&m_list);
    rsKopuk1 = NamedControl(new ReportDataControl(this), "rsKopuk1");

    buildPackageTab();
    buildRangeTab();
    buildNumberTab();

    SetGeometryTw(DataGrid1, TwRect{kGridLeft, kDataGrid1Top, 9000, 2000});
    SetGeometryTw(DataGrid2, TwRect{kGridLeft, 2640, 5000, 2000});
    SetGeometryTw(DataGrid3, TwRect{kGridLeft, 985, 5000, 2000});

    // A fresh window shows an empty report of the default option until it loads.
    CreateFields1();
}

// Tab 0: the list of sends, the report and its summary.
void frmRapor::buildPackageTab()
{
    DataGrid1 = makeGrid(frSMS, "DataGrid1", QStringLiteral("Yapılan SMS gönderimlerinin listesi"));
    DataGrid1->view()->setModel(rsRapor1);
    DataGrid2 = makeGrid(frSMS, "DataGrid2", QStringLiteral("Gönderime ait SMS raporu"));
    DataGrid2->view()->setModel(rsKopuk1->addGrid());
    frOzet1 = NamedControl(new QFrame(frSMS), "frOzet1");
    const int frame2Height = summaryHeight(6);
    SetGeometryTw(frOzet1, TwRect{0, 0, kOzetWidth, 480 + frame2Height + 105 + kButtonHeight});
    cmdMsgGoster = MakeButton(frOzet1, "cmdMsgGoster", QStringLiteral("Mesaj göster"),
                              TwRect{0, 0, kPanelButtonWidth, kButtonHeight});
    cmdRaporGoruntule_1 = MakeButton(frOzet1, "cmdRaporGoruntule_1", QStringLiteral("Rapor görüntüle"),
                                     TwRect{kOzetWidth - kPanelButtonWidth, 0, kPanelButtonWidth, kButtonHeight});
    Frame2 = MakeFrame(frOzet1, "Frame2", QStringLiteral("Özet"), TwRect{0, 480, kOzetWidth, frame2Height});
    Label11 = MakeLabel(Frame2, "Label11", QStringLiteral("Mesaj ID :"), rowLabel(0));
    Text11 = summaryBox(Frame2, "Text11", QStringLiteral("0"), rowBox(0));
    Label1 = MakeLabel(Frame2, "Label1", QStringLiteral("Gönderilen Toplam :"), rowLabel(1));
    Text1 = summaryBox(Frame2, "Text1", QStringLiteral("0"), rowBox(1));
    Check1 = stateBox(Frame2, "Check1", rowCheck(2));
    Label2 = MakeLabel(Frame2, "Label2", QStringLiteral("Bekleyen SMS :"), rowLabel(2));
    Text2 = summaryBox(Frame2, "Text2", QStringLiteral("0"), rowBox(2));
    Check2 = stateBox(Frame2, "Check2", rowCheck(3));
    Label3 = MakeLabel(Frame2, "Label3", QStringLiteral("İletilen SMS :"), rowLabel(3));
    Text3 = summaryBox(Frame2, "Text3", QStringLiteral("0"), rowBox(3));
    Check3 = stateBox(Frame2, "Check3", rowCheck(4));
    Label4 = MakeLabel(Frame2, "Label4", QStringLiteral("Zaman Aşımı :"), rowLabel(4));
    Text4 = summaryBox(Frame2, "Text4", QStringLiteral("0"), rowBox(4));
    Check4 = stateBox(Frame2, "Check4", rowCheck(5));
    Label5 = MakeLabel(Frame2, "Label5", QStringLiteral("Reddedilen SMS :"), rowLabel(5));
    Text5 = summaryBox(Frame2, "Text5", QStringLiteral("0"), rowBox(5));
    const int bottom1 = 480 + frame2Height + 105;
    cmdExceleGonder_1 = MakeButton(frOzet1, "cmdExceleGonder_1", QStringLiteral("Excel'e gönder"),
                                   TwRect{0, bottom1, kPanelButtonWidth, kButtonHeight});
    cmdVazgec_1 = MakeButton(frOzet1, "cmdVazgec_1", kVazgec,
                             TwRect{kOzetWidth - kPanelButtonWidth, bottom1, kPanelButtonWidth, kButtonHeight});
}

// Tab 1: the range, the report and its summary.
void frmRapor::buildRangeTab()
{
    Frame3 = MakeFrame(frTarih, "Frame3", QStringLiteral("Tarih aralığı"),
                       TwRect{kGridLeft, kRangeFrameTop, 9000, kRangeFrameHeight});
    Label6 = MakeLabel(Frame3, "Label6", QStringLiteral("Başlangıç tarihi :"), TwRect{120, 345, 1620, 255});
    DTPicker1 = MakeDatePicker(Frame3, "DTPicker1", TwRect{1800, 300, 1560, kBoxHeight});
    Label7 = MakeLabel(Frame3, "Label7", QStringLiteral("Bitiş tarihi :"), TwRect{3600, 345, 1200, 255});
    DTPicker2 = MakeDatePicker(Frame3, "DTPicker2", TwRect{4860, 300, 1560, kBoxHeight});
    cmdRaporGoruntule_2 = MakeButton(Frame3, "cmdRaporGoruntule_2", QStringLiteral("Rapor görüntüle"),
                                     TwRect{0, 270, kRaporGoruntule2Width, kButtonHeight});
    DataGrid3 = makeGrid(frTarih, "DataGrid3", QStringLiteral("SMS raporu"));
    DataGrid3->view()->setModel(rsKopuk1->addGrid());
    frOzet2 = NamedControl(new QFrame(frTarih), "frOzet2");
    const int frame4Height = summaryHeight(7);
    SetGeometryTw(frOzet2, TwRect{0, 0, kOzetWidth, 75 + frame4Height + 105 + kButtonHeight});
    Frame4 = MakeFrame(frOzet2, "Frame4", QStringLiteral("Özet"), TwRect{0, 75, kOzetWidth, frame4Height});
    Label17 = MakeLabel(Frame4, "Label17", QStringLiteral("Rapor başlangıcı:"), rowLabel(0));
    Text12 = summaryBox(Frame4, "Text12", QStringLiteral("00.00.0000"), rowBox(0));
    Label18 = MakeLabel(Frame4, "Label18", QStringLiteral("Rapor Bitişi:"), rowLabel(1));
    Text13 = summaryBox(Frame4, "Text13", QStringLiteral("00.00.0000"), rowBox(1));
    Label8 = MakeLabel(Frame4, "Label8", QStringLiteral("Gönderilen Toplam :"), rowLabel(2));
    Text6 = summaryBox(Frame4, "Text6", QStringLiteral("0"), rowBox(2));
    Check5 = stateBox(Frame4, "Check5", rowCheck(3));
    Label9 = MakeLabel(Frame4, "Label9", QStringLiteral("Bekleyen SMS :"), rowLabel(3));
    Text7 = summaryBox(Frame4, "Text7", QStringLiteral("0"), rowBox(3));
    Check6 = stateBox(Frame4, "Check6", rowCheck(4));
    Label10 = MakeLabel(Frame4, "Label10", QStringLiteral("İletilen SMS :"), rowLabel(4));
    Text8 = summaryBox(Frame4, "Text8", QStringLiteral("0"), rowBox(4));
    Check7 = stateBox(Frame4, "Check7", rowCheck(5));
    Label12 = MakeLabel(Frame4, "Label12", QStringLiteral("Zaman Aşımı :"), rowLabel(5));
    Text9 = summaryBox(Frame4, "Text9", QStringLiteral("0"), rowBox(5));
    Check8 = stateBox(Frame4, "Check8", rowCheck(6));
    Label13 = MakeLabel(Frame4, "Label13", QStringLiteral("Reddedilen SMS :"), rowLabel(6));
    Text10 = summaryBox(Frame4, "Text10", QStringLiteral("0"), rowBox(6));
    const int bottom2 = 75 + frame4Height + 105;
    cmdExceleGonder_2 = MakeButton(frOzet2, "cmdExceleGonder_2", QStringLiteral("Excel'e gönder"),
                                   TwRect{0, bottom2, kPanelButtonWidth, kButtonHeight});
    cmdVazgec_2 = MakeButton(frOzet2, "cmdVazgec_2", kVazgec,
                             TwRect{kOzetWidth - kPanelButtonWidth, bottom2, kPanelButtonWidth, kButtonHeight});
}

// Tab 2: the range, the number, the report and its buttons.
void frmRapor::buildNumberTab()
{
    Frame5 = MakeFrame(frGSM, "Frame5", QStringLiteral("Tarih aralığı"),
                       TwRect{kGridLeft, kRangeFrameTop, 9000, kRangeFrameHeight});
    Label15 = MakeLabel(Frame5, "Label15", QStringLiteral("Başlangıç tarihi :"), TwRect{120, 345, 1620, 255});
    DTPicker3 = MakeDatePicker(Frame5, "DTPicker3", TwRect{1800, 300, 1560, kBoxHeight});
    Label16 = MakeLabel(Frame5, "Label16", QStringLiteral("Bitiş tarihi :"), TwRect{3600, 345, 1200, 255});
    DTPicker4 = MakeDatePicker(Frame5, "DTPicker4", TwRect{4860, 300, 1560, kBoxHeight});
    Frame6 = MakeFrame(Frame5, "Frame6", QStringLiteral("GSM Numarası"), TwRect{0, 15, kFrame6Width, 705});
    txtGsmNo = MakeTextBox(Frame6, "txtGsmNo", TwRect{105, 300, 1200, kBoxHeight});
    txtGsmNo->setMaxLength(10);
    cmdRaporGoruntule_3 = MakeButton(Frame6, "cmdRaporGoruntule_3", QStringLiteral("Rapor görüntüle"),
                                     TwRect{1365, 270, 1590, kButtonHeight});
    DataGrid4 = makeGrid(frGSM, "DataGrid4", QString());
    auto *numberModel = rsKopuk1->addGrid();
    numberModel->setHeaders({QStringLiteral("MsgID"), QStringLiteral("Tarih")});
    DataGrid4->view()->setModel(numberModel);
    SetGeometryTw(DataGrid4, TwRect{kGridLeft, kDataGrid4Top, 9000, 3000});
    cmdMesajGoster = MakeButton(frGSM, "cmdMesajGoster", QStringLiteral("Mesaj göster"),
                                TwRect{0, 0, kTab2ButtonWidth, kButtonHeight});
    cmdExceleGonder_3 = MakeButton(frGSM, "cmdExceleGonder_3", QStringLiteral("Excel'e gönder"),
                                   TwRect{0, 0, kTab2ButtonWidth, kButtonHeight});
    cmdVazgec_3 = MakeButton(frGSM, "cmdVazgec_3", kVazgec, TwRect{0, 0, kVazgec3Width, kButtonHeight});
}

void frmRapor::connectHandlers()
{
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmRapor::SSTab1_Click);
    connect(cmdRaporGoruntule_1, &QPushButton::clicked, this, &frmRapor::cmdRaporGoruntule_1_Click);
    connect(cmdRaporGoruntule_2, &QPushButton::clicked, this, &frmRapor::cmdRaporGoruntule_2_Click);
    connect(cmdRaporGoruntule_3, &QPushButton::clicked, this, &frmRapor::cmdRaporGoruntule_3_Click);
    connect(cmdMsgGoster, &QPushButton::clicked, this, &frmRapor::cmdMsgGoster_Click);
    connect(cmdMesajGoster, &QPushButton::clicked, this, &frmRapor::cmdMesajGoster_Click);
    connect(cmdExceleGonder_1, &QPushButton::clicked, this, &frmRapor::cmdExceleGonder_1_Click);
    connect(cmdExceleGonder_2, &QPushButton::clicked, this, &frmRapor::cmdExceleGonder_2_Click);
    connect(cmdExceleGonder_3, &QPushButton::clicked, this, &frmRapor::cmdExceleGonder_3_Click);
    connect(cmdVazgec_1, &QPushButton::clicked, this, &frmRapor::cmdVazgec_1_Click);
    connect(cmdVazgec_2, &QPushButton::clicked, this, &frmRapor::cmdVazgec_2_Click);
    connect(cmdVazgec_3, &QPushButton::clicked, this, &frmRapor::cmdVazgec_3_Click);
    // On toggled, so that a tick made in code filters as a click does.
    connect(Check1, &QCheckBox::toggled, this, &frmRapor::Check1_Click);
    connect(Check2, &QCheckBox::toggled, this, &frmRapor::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &frmRapor::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &frmRapor::Check4_Click);
    connect(Check5, &QCheckBox::toggled, this, &frmRapor::Check5_Click);
    connect(Check6, &QCheckBox::toggled, this, &frmRapor::Check6_Click);
    connect(Check7, &QCheckBox::toggled, this, &frmRapor::Check7_Click);
    connect(Check8, &QCheckBox::toggled, this, &frmRapor::Check8_Click);
}

// ---- Load, layout, close -----------------------------------------------------------------

void frmRapor::Form_Load()
{
    try {
        mFlgRaporad = ReportOption(GetParam(QStringLiteral("flg_raporad")));
        OpenLocalDb();
        RecordSet list = LoadReportList(GatewayKindText(gGatewayKind), gCompanyCode);
        m_list = std::move(list);
    } catch (const std::exception &e) {
        // The window still opens, with an empty list; the date and number reports work.
        m_list = RecordSet();
        Prompt::show(QStringLiteral("Gönderim listesi okunamadı.\r\n") + describe(e), PromptIcon::Critical, kUyari);
    }
    rsRapor1->setRecordSet(&m_list);
    Grid1Ayar();
    DataGrid1->setCurrentRow(0);
    CreateFields1();
    // The pickers show today and the boxes stand ticked from here on; a later layout pass
    // keeps what the operator picked.
    const QDate today = QDate::currentDate();
    for (QDateEdit *d : {DTPicker1, DTPicker2, DTPicker3, DTPicker4}) d->setDate(today);
    for (int tab : {0, 1})
        for (QCheckBox *c : stateBoxes(tab)) c->setChecked(true);
    // A cancel pressed during an earlier run does not carry over past this window's load.
    gCancelRequested = false;
}

void frmRapor::ArrangeControls()
{
    Tab0Ayar();
    Tab1Ayar();
    Tab2Ayar();
}

bool frmRapor::Form_QueryUnload() { return false; }

namespace {
// The size a tab's frame lays its controls out in: the tab control's size less 225 in width
// and 450 in height, and never more than the page below the tab strip that holds the frame
// (the tab control places and sizes its pages itself).
struct FrameSize {
    int width;
    int height;
};
FrameSize tabFrameSize(const QTabWidget *tabs)
{
    const int strip = toTwips(tabs->tabBar()->sizeHint().height() + 4);
    return FrameSize{WidthTw(tabs) - 225, std::min(HeightTw(tabs) - 450, HeightTw(tabs) - strip)};
}
} // namespace

void frmRapor::Tab0Ayar()
{
    SetGeometryTw(frRapor, TwRect{25, 25, WidthTw(this) - 75, HeightTw(this) - 75});
    SetGeometryTw(SSTab1,
                  TwRect{LeftTw(frRapor) + 75, TopTw(frRapor) + 150, WidthTw(frRapor) - 225, HeightTw(frRapor) - 250});
    const FrameSize f = tabFrameSize(SSTab1);
    SetWidthTw(DataGrid1, f.width - 250);
    SetHeightTw(DataGrid1, f.height / 2 - 1000);
    SetTopTw(DataGrid2, HeightTw(DataGrid1) + 400);
    SetWidthTw(DataGrid2, f.width - WidthTw(frOzet1) - 300);
    SetHeightTw(DataGrid2, f.height - HeightTw(DataGrid1) - 600);
    SetLeftTw(frOzet1, WidthTw(DataGrid2) + 200);
    SetTopTw(frOzet1, HeightTw(DataGrid1) + 400);
}

void frmRapor::Tab1Ayar()
{
    const FrameSize f = tabFrameSize(SSTab1);
    SetWidthTw(Frame3, f.width - 225);
    SetLeftTw(cmdRaporGoruntule_2, WidthTw(Frame3) - WidthTw(cmdRaporGoruntule_2) - 100);
    SetTopTw(DataGrid3, HeightTw(Frame3) + 250);
    SetWidthTw(DataGrid3, f.width - WidthTw(frOzet2) - 300);
    SetHeightTw(DataGrid3, f.height - HeightTw(Frame3) - 450);
    SetLeftTw(frOzet2, WidthTw(DataGrid3) + 180);
    SetTopTw(frOzet2, HeightTw(Frame3) + 175);
}

void frmRapor::Tab2Ayar()
{
    const FrameSize f = tabFrameSize(SSTab1);
    SetWidthTw(Frame5, f.width - 225);
    SetLeftTw(Frame6, f.width - WidthTw(Frame6) - 225);
    SetWidthTw(DataGrid4, f.width - 225);
    SetHeightTw(DataGrid4, f.height - 1500);
    SetLeftTw(cmdVazgec_3, f.width - WidthTw(cmdVazgec_3) - 100);
    SetTopTw(cmdVazgec_3, f.height - HeightTw(cmdVazgec_3) - 100);
    SetLeftTw(cmdExceleGonder_3, LeftTw(cmdVazgec_3) - WidthTw(cmdExceleGonder_3) - 100);
    SetTopTw(cmdExceleGonder_3, TopTw(cmdVazgec_3));
    SetLeftTw(cmdMesajGoster, LeftTw(cmdExceleGonder_3) - WidthTw(cmdMesajGoster) - 100);
    SetTopTw(cmdMesajGoster, TopTw(cmdVazgec_3));
}

void frmRapor::Grid1Ayar()
{
    DataGrid1->view()->setColumnHidden(0, true);
    DataGrid1->setDesignWidthsTw(1, {800, 1800, 3300, 1800});
    DataGrid1->fitColumns();
}

void frmRapor::fitReportColumns()
{
    for (DataGrid *grid : {DataGrid2, DataGrid3, DataGrid4}) grid->fitColumns();
}

// ---- The report --------------------------------------------------------------------------

RecordSet &frmRapor::ReportSet() { return rsKopuk1->recordSet(); }

DataGrid *frmRapor::ReportGrid(int tab) const
{
    switch (tab) {
    case 0:
        return DataGrid2;
    case 1:
        return DataGrid3;
    case 2:
        return DataGrid4;
    default:
        return nullptr;
    }
}

int frmRapor::ReportCurrentRow() const
{
    const DataGrid *grid = ReportGrid(SSTab1->currentIndex());
    if (!grid) return -1;
    const int row = grid->currentRow();
    return row >= 0 && row < rsKopuk1->recordSet().rowCount() ? row : -1;
}

void frmRapor::CreateFields1()
{
    rsKopuk1->replace(ReportFields(mFlgRaporad == QLatin1String("1")));
    applyReportColumns();
}

void frmRapor::applyReportColumns()
{
    const bool names = mFlgRaporad == QLatin1String("1");
    if (names) {
        DataGrid2->setDesignWidthsTw(0, {1100, 1050, 1050, 1050});
        DataGrid3->setDesignWidthsTw(0, {1100, 1050, 1100, 1050});
    } else {
        DataGrid2->setDesignWidthsTw(0, {1100, 1050});
        DataGrid3->setDesignWidthsTw(0, {1100, 1050});
    }
    QTableView *v4 = DataGrid4->view();
    for (int c = 0; c < rsKopuk1->recordSet().fieldCount(); ++c) v4->setColumnHidden(c, names && c >= 2);
    DataGrid4->setDesignWidthsTw(0, {3200, 3200});
    fitReportColumns();
}

QString frmRapor::MesajDurumu(short gel) const { return ::MesajDurumu(gel); }

void frmRapor::SSTab1_Click() { CreateFields1(); }

// ---- Status filter -------------------------------------------------------------------------

std::array<QCheckBox *, 4> frmRapor::stateBoxes(int tab) const
{
    if (tab == 0) return {Check1, Check2, Check3, Check4};
    return {Check5, Check6, Check7, Check8};
}

void frmRapor::applyStatusFilter(int tab)
{
    // Only the shown tab's boxes speak for the report.
    if (SSTab1->currentIndex() != tab) return;
    const std::array<QCheckBox *, 4> b = stateBoxes(tab);
    gReportFilter = ReportFilterText(b[0]->isChecked(), b[1]->isChecked(), b[2]->isChecked(), b[3]->isChecked());
    try {
        rsKopuk1->setFilterText(QString());
        rsKopuk1->setFilterText(gReportFilter);
    } catch (const std::exception &e) {
        Prompt::show(describe(e), PromptIcon::Critical, kUyari);
    }
    applyReportColumns();
    if (DataGrid *grid = ReportGrid(tab)) grid->setCurrentRow(0);
}

void frmRapor::Check1_Click() { applyStatusFilter(0); }
void frmRapor::Check2_Click() { applyStatusFilter(0); }
void frmRapor::Check3_Click() { applyStatusFilter(0); }
void frmRapor::Check4_Click() { applyStatusFilter(0); }
void frmRapor::Check5_Click() { applyStatusFilter(1); }
void frmRapor::Check6_Click() { applyStatusFilter(1); }
void frmRapor::Check7_Click() { applyStatusFilter(1); }
void frmRapor::Check8_Click() { applyStatusFilter(1); }

// ---- Fetches -------------------------------------------------------------------------------

frmRapor::FetchScope::FetchScope(frmRapor *window) : m_window(window)
{
    ++m_window->m_fetching;
    m_window->updateFetchControls();
}

frmRapor::FetchScope::~FetchScope()
{
    --m_window->m_fetching;
    if (WorkForms::isUnloaded(m_window)) return;
    m_window->updateFetchControls();
    // The rows are all there now: the columns fit them.
    if (m_window->m_fetching == 0) m_window->fitReportColumns();
}

void frmRapor::updateFetchControls()
{
    const bool idle = m_fetching == 0;
    SSTab1->tabBar()->setEnabled(idle);
    for (QPushButton *b : {cmdMsgGoster, cmdRaporGoruntule_1, cmdExceleGonder_1, cmdRaporGoruntule_2, cmdExceleGonder_2,
                           cmdRaporGoruntule_3, cmdMesajGoster, cmdExceleGonder_3})
        b->setEnabled(idle);
}

void frmRapor::cmdRaporGoruntule_1_Click()
{
    if (m_list.rowCount() == 0) return;
    viewReport(0);
}

void frmRapor::cmdRaporGoruntule_2_Click() { viewReport(1); }

void frmRapor::viewReport(int tab)
{
    if (isFetching()) return;
    WorkOperation op(this);
    FetchScope scope(this);
    try {
        ProgressWindow::show();
        if (tab == 0)
            RaporCek();
        else
            RaporCek2();
        if (op.mustStop()) return;
        ProgressWindow::runTimer(false);
        ProgressWindow::showSpeed(false);
        ProgressWindow::hide();
        for (QCheckBox *c : stateBoxes(tab)) c->setEnabled(true);
    } catch (const std::exception &e) {
        if (!op.mustStop()) Prompt::show(describe(e), PromptIcon::None, QStringLiteral("Brenvik"));
    }
}

void frmRapor::RaporCek() { fetch(ReportFetch::Package); }
void frmRapor::RaporCek2() { fetch(ReportFetch::DateRange); }

namespace {

// What one fetch of tab 0 or tab 1 works on.
struct FetchRun {
    FetchRun(WorkOperation &operation, ReportFetch fetch)
        : op(operation), kind(fetch), package(fetch == ReportFetch::Package)
    {}
    WorkOperation &op;
    ReportFetch kind;
    bool package;                               // tab 0: one logged send; tab 1: a range of days
    std::array<QCheckBox *, 4> boxes{};         // the tab's state boxes
    QLineEdit *totalBox = nullptr;              // Text1 / Text6
    std::array<QLineEdit *, 4> stateCounters{}; // Text2 to Text5 / Text7 to Text10
    QLineEdit *messageIdBox = nullptr;          // Text11 (tab 0)
    QLineEdit *firstDayBox = nullptr;           // Text12 (tab 1)
    QLineEdit *lastDayBox = nullptr;            // Text13 (tab 1)
    DataGrid *grid = nullptr;
    ReportDataControl *report = nullptr;
    bool withNames = false; // report rows carry the contact's names
    QString messageId;
    QDate firstDay;
    QDate lastDay;
};

void TickStateBoxes(const std::array<QCheckBox *, 4> &boxes)
{
    for (QCheckBox *c : boxes) {
        c->setEnabled(false);
        c->setChecked(true);
    }
}

void EnableStateBoxes(const std::array<QCheckBox *, 4> &boxes)
{
    for (QCheckBox *c : boxes) c->setEnabled(true);
}

// The one gateway request of the fetch; none for an account of no known gateway kind. It runs
// off the window thread behind the progress window the fetch already shows. Unset: the fetch
// has to stop.
std::optional<QString> AskGateway(const FetchRun &run)
{
    ProgressWindow::setStatus(ReportTexts::asking());
    gErrorText = ReportTexts::stageGateway();
    if (run.op.yield()) return std::nullopt;

    const bool asks = gGatewayKind != GatewayKind::None;
    const QString login = GatewayUserName();
    const QString password = gPassword;
    const QString fromDay = ReportRequestDay(run.firstDay);
    const QString toDay = ReportRequestDay(run.lastDay);
    const auto ask = [&]() -> QString {
        if (!asks) return QString();
        Gateway gateway;
        return run.package ? gateway.getmsgstatus(login, password, run.messageId)
                           : gateway.getmsgstatustodate(login, password, fromDay, toDay);
    };
    const QString reply = RunOffThread(QString(), ask, WaitWindow::AlreadyShown);
    if (run.op.mustStop()) return std::nullopt;
    return reply;
}

// The reply judged: the boxes of a failed exchange and of the range codes, else a fresh
// report and the summary's heads. Whether the reply has lines to read (false: the fetch
// ends here).
bool StartReport(const FetchRun &run, const QString &reply, const std::function<void()> &createFields)
{
    const ReportReplyJudgement judged = JudgeReportReply(run.kind, reply);
    if (judged.kind == ReportReplyKind::NoConnection || judged.kind == ReportReplyKind::WrongAccount) {
        Prompt::show(judged.text, judged.icon, judged.title);
        if (!run.package && !run.op.mustStop()) TickStateBoxes(run.boxes);
        return false;
    }
    if (run.op.yield()) return false;
    createFields();
    if (judged.kind == ReportReplyKind::DateRangeCode) {
        Prompt::show(judged.text, judged.icon, judged.title);
        return false;
    }
    gProgressDone = 0;
    gProgressTotal = 0;
    ProgressWindow::showSpeed(true);
    if (run.package) {
        run.messageIdBox->setText(run.messageId);
    } else {
        run.firstDayBox->setText(ReportSummaryDay(run.firstDay));
        run.lastDayBox->setText(ReportSummaryDay(run.lastDay));
    }
    if (judged.kind == ReportReplyKind::Empty) {
        if (!run.package) EnableStateBoxes(run.boxes);
        return false;
    }
    return true;
}

void ShowLineCount(const FetchRun &run, const ReportLineReader &reader)
{
    gProgressTotal = reader.lineCount();
    run.totalBox->setText(QString::number(reader.lineCount()));
    for (QLineEdit *t : run.stateCounters) t->setText(QStringLiteral("0"));
}

// With the report option: the contacts of the company, read once for every line. Whether
// the fetch goes on.
bool LoadContactNames(const FetchRun &run, ContactNames &names)
{
    if (!run.withNames) return true;
    ProgressWindow::setStatus(ReportTexts::connectingErp());
    gErrorText = ReportTexts::stageErp();
    if (run.op.yield()) return false;
    OpenErpDb();
    names = ContactNames::load();
    return true;
}

// Whether the fetch goes on.
bool EnterBuildingStage(const FetchRun &run)
{
    ProgressWindow::showSpeed(true);
    ProgressWindow::runTimer(true);
    ProgressWindow::setStatus(ReportTexts::building());
    gErrorText = ReportTexts::stageLines();
    return !run.op.yield();
}

// Every line a report row, counted into the state boxes, up to a cancel or an unreadable
// line. Whether the fetch goes on (false: the window has to stop).
bool ReadLines(const FetchRun &run, ReportLineReader &reader, const ContactNames &names)
{
    std::array<int, kDeliveryStateCount> counts{};
    const auto showCounts = [&] {
        for (int i = 0; i < kDeliveryStateCount; ++i)
            run.stateCounters[size_t(i)]->setText(QString::number(counts[size_t(i)]));
        run.report->catchUp();
    };
    RecordSet &report = run.report->recordSet();
    report.reserve(reader.lineCount());
    const QString noName;
    QElapsedTimer slice;
    slice.start();
    bool unreadable = false;
    ReportLine line;
    for (;;) {
        if (gCancelRequested) break;
        if (slice.elapsed() >= kFetchSliceMs) {
            showCounts();
            if (run.op.yield()) return false;
            slice.restart();
            if (gCancelRequested) break;
        }
        const ReportLineReader::Step step = reader.next(line);
        if (step == ReportLineReader::Step::End) break;
        if (step == ReportLineReader::Step::Unreadable) {
            unreadable = true;
            break;
        }
        const DeliveryState state = DeliveryStateOf(line.status);
        ++counts[size_t(state)];
        RecordRow row;
        if (run.withNames) {
            const ContactNames::Names *n = names.find(line.number);
            row = {line.number, n ? n->ad : noName, n ? n->soyad : noName, DeliveryStateText(state)};
        } else {
            row = {line.number, DeliveryStateText(state)};
        }
        run.report->append(std::move(row));
        ++gProgressDone;
    }
    showCounts();
    if (run.grid) run.grid->setCurrentRow(report.rowCount() - 1);
    if (unreadable) Prompt::show(gErrorText, PromptIcon::Critical, kUyari);
    return true;
}

} // namespace

void frmRapor::fetch(ReportFetch kind)
{
    const bool package = kind == ReportFetch::Package;
    const int tab = package ? 0 : 1;
    WorkOperation op(this);
    FetchRun run(op, kind);
    run.boxes = stateBoxes(tab);
    run.totalBox = package ? Text1 : Text6;
    run.stateCounters = package ? std::array<QLineEdit *, 4>{Text2, Text3, Text4, Text5}
                                : std::array<QLineEdit *, 4>{Text7, Text8, Text9, Text10};
    run.messageIdBox = Text11;
    run.firstDayBox = Text12;
    run.lastDayBox = Text13;
    run.grid = ReportGrid(tab);
    run.report = rsKopuk1;

    FetchScope scope(this);
    // A cancel left over from before does not empty this run; "Vazgeç" stops it from here on.
    gCancelRequested = false;
    TickStateBoxes(run.boxes);

    if (package) {
        if (m_list.rowCount() == 0) return;
        int row = DataGrid1->currentRow();
        if (row < 0 || row >= m_list.rowCount()) row = 0;
        run.messageId = m_list.value(row, 1).toString();
    }
    run.firstDay = DTPicker1->date();
    run.lastDay = DTPicker2->date();

    try {
        const std::optional<QString> reply = AskGateway(run);
        if (!reply || !StartReport(run, *reply, [this] { CreateFields1(); })) return;

        ProgressWindow::setStatus(ReportTexts::counting());
        if (op.yield()) return;
        ReportLineReader reader(*reply);
        ShowLineCount(run, reader);
        run.withNames = mFlgRaporad == QLatin1String("1");
        ContactNames names;
        if (!LoadContactNames(run, names) || !EnterBuildingStage(run) || !ReadLines(run, reader, names)) return;
    } catch (const std::exception &) {
        if (op.mustStop()) return;
        rsKopuk1->catchUp();
        Prompt::show(gErrorText, PromptIcon::Critical, kUyari);
    }
    if (op.mustStop()) return;
    if (!package) EnableStateBoxes(run.boxes);
}

// ---- Cancel and close --------------------------------------------------------------------------

void frmRapor::cancelOrClose(QPushButton *button)
{
    if (button->text() == kVazgec) {
        gCancelRequested = true;
        button->setText(kKapat);
        ProgressWindow::hide();
    } else if (button->text() == kKapat) {
        gCancelRequested = false;
        ProgressWindow::hide();
        OnLineServislerGoster();
    }
}

void frmRapor::cmdVazgec_1_Click() { cancelOrClose(cmdVazgec_1); }
void frmRapor::cmdVazgec_2_Click() { cancelOrClose(cmdVazgec_2); }
void frmRapor::cmdVazgec_3_Click() { cancelOrClose(cmdVazgec_3); }

void frmRapor::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdVazgec_1->click();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(event->modifiers() & ~Qt::KeypadModifier)) {
        // A focused button takes Enter itself; elsewhere Enter is the number tab's view button.
        if (auto *focused = qobject_cast<QPushButton *>(focusWidget()); focused && isAncestorOf(focused)) {
            focused->click();
            return;
        }
        if (SSTab1->currentIndex() == 2) {
            cmdRaporGoruntule_3->click();
            return;
        }
    }
    DockedWindow::keyPressEvent(event);
}

// ---- Number report and message texts ------------------------------------------------------------

void frmRapor::cmdRaporGoruntule_3_Click()
{
    if (isFetching()) return;
    WorkOperation op(this);
    FetchScope scope(this);
    const auto closeProgress = [] {
        ProgressWindow::runTimer(false);
        ProgressWindow::showSpeed(false);
        ProgressWindow::hide();
    };

    const QString gsmNo = txtGsmNo->text();
    if (!IsReportGsmNo(gsmNo)) {
        Prompt::show(NumberReportTexts::badNumber(), PromptIcon::Information, kUyari);
        if (op.mustStop()) return;
        closeProgress();
        txtGsmNo->setFocus();
        return;
    }
    const QDate firstDay = DTPicker3->date();
    const QDate lastDay = DTPicker4->date();
    try {
        ProgressWindow::show();
        ProgressWindow::setStatus(ReportTexts::asking());
        if (op.yield()) return;
        const QString request = NumberReportRequest(GatewayUserName(), gPassword, gsmNo, firstDay, lastDay);
        if (op.yield()) return;
        const QString reply = RunOffThread(
            QString(), [&] { return PostReportRequest(request); }, WaitWindow::AlreadyShown);
        if (op.mustStop()) return;

        if (const std::optional<ReportCodeBox> code = JudgeNumberReportReply(reply)) {
            Prompt::show(code->text, code->icon, kUyari);
            if (!op.mustStop()) closeProgress();
            return;
        }
        gStageMark = QStringLiteral("1");
        CreateFields1();
        gProgressDone = 0;
        gProgressTotal = 0;
        ProgressWindow::showSpeed(true);
        if (!reply.isEmpty()) {
            ProgressWindow::setStatus(ReportTexts::counting());
            if (op.yield()) return;
            NumberReportReader reader(reply);
            gProgressTotal = reader.lineCount();
            ProgressWindow::setStatus(ReportTexts::building());
            if (op.yield()) return;
            ProgressWindow::runTimer(true);

            RecordSet &report = rsKopuk1->recordSet();
            report.reserve(reader.lineCount());
            const int fields = report.fieldCount();
            QElapsedTimer slice;
            slice.start();
            QString messageId;
            QString dateText;
            for (;;) {
                if (slice.elapsed() >= kFetchSliceMs) {
                    rsKopuk1->catchUp();
                    if (op.yield()) return;
                    slice.restart();
                }
                const NumberReportReader::Step step = reader.next(messageId, dateText);
                if (step == NumberReportReader::Step::End) break;
                ++gProgressDone;
                if (step == NumberReportReader::Step::NoSpace) {
                    rsKopuk1->catchUp();
                    throw OrvekError(QStringLiteral("Satırda boşluk yok"));
                }
                RecordRow row(fields);
                row[0] = messageId;
                row[1] = dateText;
                rsKopuk1->append(std::move(row));
            }
            rsKopuk1->catchUp();
            DataGrid4->setCurrentRow(report.rowCount() - 1);
        }
        closeProgress();
    } catch (const std::exception &) {
        if (op.mustStop()) return;
        rsKopuk1->catchUp();
        Prompt::show(gStageMark + NumberReportTexts::fetchFailure(), PromptIcon::Critical, kUyari);
        if (!op.mustStop()) closeProgress();
    }
}

void frmRapor::cmdMesajGoster_Click()
{
    if (isFetching()) return;
    const QString gsmNo = txtGsmNo->text();
    if (!IsReportGsmNo(gsmNo)) {
        Prompt::show(NumberReportTexts::badNumber(), PromptIcon::Information, kUyari);
        if (!WorkForms::isUnloaded(this)) txtGsmNo->setFocus();
        return;
    }
    showMessageText(MessageTextTab::Number);
}

void frmRapor::cmdMsgGoster_Click()
{
    if (isFetching()) return;
    showMessageText(MessageTextTab::SingleSend);
}

void frmRapor::showMessageText(MessageTextTab tab)
{
    const bool numberTab = tab == MessageTextTab::Number;
    if (ReportSet().rowCount() == 0) {
        Prompt::show(NumberReportTexts::noReport(), PromptIcon::Information, kUyari);
        return;
    }
    WorkOperation op(this);
    FetchScope scope(this);
    try {
        if (!numberTab) gErrorText = NumberReportTexts::stageBuilding();
        const int row = ReportCurrentRow();
        if (row < 0) throw OrvekError(QStringLiteral("Seçili rapor satırı yok"));
        const QString rowValue = ReportSet().value(row, 0).toString();
        const QString gsmNo = numberTab ? txtGsmNo->text() : rowValue;
        const QString msgId = numberTab ? rowValue : Text11->text();
        const QString request = MessageTextRequest(GatewayUserName(), gPassword, gsmNo, msgId);
        if (!numberTab) gErrorText = NumberReportTexts::stageExchange();
        if (op.yield()) return;
        const QString reply = RunOffThread(ConnectingText(), [&] { return PostReportRequest(request); });
        if (op.mustStop()) return;
        if (const std::optional<ReportCodeBox> code = JudgeMessageTextReply(tab, reply)) {
            Prompt::show(code->text, code->icon, kUyari);
            return;
        }
        Prompt::show(MessageTextBoxText(msgId, gsmNo, ReadMessageBodies(reply)), PromptIcon::Information,
                     QStringLiteral("Brenvik"));
    } catch (const std::exception &e) {
        if (op.mustStop()) return;
        Prompt::show(numberTab ? NumberReportTexts::numberTabFailure(describe(e)) : gErrorText, PromptIcon::Critical,
                     kUyari);
    }
}

// ---- Exports -----------------------------------------------------------------------------------

void frmRapor::cmdExceleGonder_1_Click() { exportReport(0); }
void frmRapor::cmdExceleGonder_2_Click() { exportReport(1); }
void frmRapor::cmdExceleGonder_3_Click() { exportReport(2); }

QString frmRapor::GetExcelFileToSave() { return ::GetExcelFileToSave(); }

void frmRapor::exportReport(int tab)
{
    if (isFetching()) return;
    const bool numberTab = tab == 2;
    if (ReportSet().rowCount() == 0) {
        Prompt::show(NumberReportTexts::noReport(), PromptIcon::Information, kUyari);
        return;
    }
    if (!numberTab) {
        bool anyTicked = false;
        for (QCheckBox *c : stateBoxes(tab)) anyTicked = anyTicked || c->isChecked();
        if (!anyTicked) {
            Prompt::show(ReportExportTexts::noStateChosen(), PromptIcon::Information, QStringLiteral("Talvane"));
            return;
        }
    }
    WorkOperation op(this);
    FetchScope scope(this);
    if (Prompt::show(ReportExportTexts::question(), PromptIcon::Question, kUyari, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    if (op.mustStop()) return;
    const QString fileName = GetExcelFileToSave();
    if (fileName.isEmpty() || op.mustStop()) return;

    try {
        gErrorText = ReportExportTexts::stage();
        if (numberTab) OpenLocalDb();
        const RecordSet &report = ReportSet();
        RecordSet copy(ReportExportFields(report, numberTab));
        const int fields = copy.fieldCount();
        copy.reserve(report.rowCount());
        // A cancel left over from an earlier run does not stop this copy; "Vazgeç" does.
        gCancelRequested = false;
        QElapsedTimer slice;
        slice.start();
        for (int r = 0; r < report.rowCount(); ++r) {
            if (gCancelRequested) break;
            if (!numberTab && slice.elapsed() >= kFetchSliceMs) {
                if (op.yield()) return;
                slice.restart();
                if (gCancelRequested) break;
            }
            copy.addRow(ReportExportRow(report, r, fields));
        }
        if (!gCancelRequested) {
            const QStringList headers = copy.fieldNames();
            ProgressWindow::show();
            if (op.yield()) return;
            ExportToExcel(copy, fileName, headers, [&op] { return op.mustStop(); });
            if (op.yield()) return;
        }
        ProgressWindow::hide();
        CreateFields1();
    } catch (const std::exception &e) {
        if (op.mustStop()) return;
        ProgressWindow::hide();
        Prompt::show(tab == 0 ? ReportExportTexts::singleSendFailure(describe(e)) : gErrorText + describe(e),
                     PromptIcon::Critical, kUyari);
    }
}
