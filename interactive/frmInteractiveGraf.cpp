#include "interactive/frmInteractiveGraf.h"

#include "core/InteractiveInbox.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QCursor>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

namespace {
// Up to this many bars the axis names each bar; a longer chart names a bar when it is pointed
// at (the category axis needs distinct names and grows slow over a few thousand of them).
constexpr int kNamedBars = 200;

QDateEdit *picker(QWidget *parent, const char *name, const TwRect &r)
{
    auto *d = NamedControl(new QDateEdit(parent), name);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setCalendarPopup(true);
    SetGeometryTw(d, r);
    return d;
}

DataGrid *grid(QWidget *parent, const char *name, RecordSetModel *model, const TwRect &r)
{
    auto *g = NamedControl(new DataGrid(parent), name);
    g->view()->setModel(model);
    g->view()->horizontalHeader()->setStretchLastSection(false);
    SetGeometryTw(g, r);
    return g;
}
} // namespace

frmInteractiveGraf::frmInteractiveGraf(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInteractiveGraf"));
    setWindowTitle(QStringLiteral("İnteraktif SMS - Sorgula ve Grafik"));
    setModal(true);

    Image1 = MakeLabel(this, "Image1", QString(), TwRect{120, 60, 600, 600});
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(tw(540), tw(540)));
    Label1 =
        MakeLabel(this, "Label1", QStringLiteral("İnteraktif SMS - Sorgula ve Grafik"), TwRect{900, 180, 8000, 360});
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    Label1->setFont(bold);

    Frame1 = NamedControl(new QGroupBox(this), "Frame1");
    SetGeometryTw(Frame1, TwRect{120, 720, 9360, 1560});
    Label2 = MakeLabel(Frame1, "Label2",
                       QStringLiteral("Gelen Mesajları Tarih ve Parametreye Göre Sorgulayıp Sonucunu Grafik Olarak "
                                      "Görebilirsiniz."),
                       TwRect{120, 240, 9120, 255});
    Label3 = MakeLabel(Frame1, "Label3", QStringLiteral("Başlangıç Tarihi :"), TwRect{120, 690, 1560, 255});
    DTPicker1 = picker(Frame1, "DTPicker1", TwRect{1740, 645, 1560, 315});
    Label4 = MakeLabel(Frame1, "Label4", QStringLiteral("Bitiş Tarihi :"), TwRect{3480, 690, 1200, 255});
    DTPicker2 = picker(Frame1, "DTPicker2", TwRect{4740, 645, 1560, 315});
    Label5 = MakeLabel(Frame1, "Label5", QStringLiteral("Parametre :"), TwRect{120, 1110, 1560, 255});
    Text1 = NamedControl(new QLineEdit(Frame1), "Text1");
    SetGeometryTw(Text1, TwRect{1740, 1065, 4560, 315});
    DMSXpButton4 = MakeButton(Frame1, "DMSXpButton4", QStringLiteral("Filtrele"), TwRect{7740, 615, 1440, 375});
    DMSXpButton2 = MakeButton(Frame1, "DMSXpButton2", QStringLiteral("Tüm kayıtlar"), TwRect{7740, 1035, 1440, 375});

    m_rs1 = EmptyInboxSet();
    m_rs2 = EmptyInboxCountSet();
    m_model1 = new RecordSetModel(this);
    m_model1->setRecordSet(&m_rs1);
    m_model2 = new RecordSetModel(this);
    m_model2->setRecordSet(&m_rs2);

    SSTab1 = NamedControl(new QTabWidget(this), "SSTab1");
    SetGeometryTw(SSTab1, TwRect{120, 2400, 9360, 5040});
    auto *found = new QWidget;
    auto *chart = new QWidget;
    SSTab1->addTab(found, QStringLiteral("Bulunan Kayıtlar"));
    SSTab1->addTab(chart, QStringLiteral("Grafik Gösterim"));
    DataGrid1 = grid(found, "DataGrid1", m_model1, TwRect{120, 120, 9000, 4320});
    DataGrid1->view()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DataGrid2 = grid(chart, "DataGrid2", m_model2, TwRect{120, 120, 3300, 4320});

    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->hide();
    MSChart1 = NamedControl(new QChartView(m_chart, chart), "MSChart1");
    SetGeometryTw(MSChart1, TwRect{3540, 120, 5580, 4320});

    DMSXpButton3 =
        MakeButton(this, "DMSXpButton3", QStringLiteral("Seçili kayıtları sil"), TwRect{120, 7560, 2160, 375});
    DMSXpButton6 = MakeButton(this, "DMSXpButton6", QStringLiteral("Tümünü sil"), TwRect{2400, 7560, 1440, 375});
    DMSXpButton5 =
        MakeButton(this, "DMSXpButton5", QStringLiteral("Kayıtları Excel'e gönder"), TwRect{3960, 7560, 2640, 375});
    DMSXpButton1 = MakeButton(this, "DMSXpButton1", QStringLiteral("Kapat"), TwRect{8280, 7560, 1200, 375});

    connect(DMSXpButton1, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton1_Click);
    connect(DMSXpButton2, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton2_Click);
    connect(DMSXpButton3, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton3_Click);
    connect(DMSXpButton4, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton4_Click);
    connect(DMSXpButton5, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton5_Click);
    connect(DMSXpButton6, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton6_Click);
    resize(tw(9600), tw(8100));
}

void frmInteractiveGraf::showFailure(const QString &description)
{
    Prompt::show(QStringLiteral("Tanımlanamayan bir hata oluştu.") + QStringLiteral("\r\n") + description,
                 PromptIcon::Critical, QStringLiteral("Uyarı"));
}

void frmInteractiveGraf::resetPickers()
{
    const QDate today = QDate::currentDate();
    DTPicker1->setDate(today);
    DTPicker2->setDate(today);
}

void frmInteractiveGraf::showMessages(RecordSet rs)
{
    m_rs1 = std::move(rs);
    m_model1->reset();
}

void frmInteractiveGraf::showCounts(RecordSet rs)
{
    m_rs2 = std::move(rs);
    m_model2->reset();
}

void frmInteractiveGraf::reloadBoth()
{
    OpenLocalDb();
    RecordSet messages = LoadInboxMessages();
    RecordSet counts = LoadInboxCounts();
    showMessages(std::move(messages));
    showCounts(std::move(counts));
    GridAyar();
    GrafikRef();
}

void frmInteractiveGraf::Form_Load()
{
    resetPickers();
    try {
        reloadBoth();
    } catch (const OrvekError &e) {
        showFailure(e.description());
    }
}

void frmInteractiveGraf::GridAyar()
{
    QTableView *v1 = DataGrid1->view();
    m_model1->setColumnCaptions({QString(), QStringLiteral("Tarih"), QStringLiteral("GsmNo"), QStringLiteral("Mesaj")});
    v1->setColumnHidden(kInboxId, true);
    v1->setColumnWidth(kInboxTarih, tw(1800));
    v1->setColumnWidth(kInboxGsmNo, tw(1300));
    v1->setColumnWidth(kInboxMsg, tw(3400));
    QTableView *v2 = DataGrid2->view();
    m_model2->setColumnCaptions({QStringLiteral("Adet"), QStringLiteral("Mesaj")});
    v2->setColumnWidth(0, tw(800));
    v2->setColumnWidth(1, tw(2150));
}

QList<qreal> frmInteractiveGraf::BarValues() const
{
    QList<qreal> values;
    if (!m_series || m_series->count() == 0) return values;
    const QBarSet *set = m_series->barSets().first();
    for (int i = 0; i < set->count(); ++i) values << set->at(i);
    return values;
}

void frmInteractiveGraf::GrafikRef()
{
    m_chart->removeAllSeries();
    m_series = nullptr;
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_barLabels.clear();
    const int bars = std::min(m_rs2.rowCount(), kChartMaxBars);
    if (bars == 0) return;

    QList<qreal> values;
    values.reserve(bars);
    m_barLabels.reserve(bars);
    qreal highest = 0;
    for (int i = 0; i < bars; ++i) {
        const qreal count = m_rs2.value(i, 0).toDouble();
        values << count;
        highest = std::max(highest, count);
        m_barLabels << m_rs2.value(i, 1).toString();
    }
    auto *set = new QBarSet(QStringLiteral("Adet"));
    set->append(values);
    m_series = new QBarSeries;
    m_series->append(set);
    m_chart->addSeries(m_series);

    if (bars <= kNamedBars) {
        // One name per bar: equal texts (an empty and a Null text) are told apart by
        // invisible marks, so the axis keeps one category per bar.
        QStringList categories;
        QSet<QString> seen;
        for (const QString &text : std::as_const(m_barLabels)) {
            QString c = text.isNull() ? QStringLiteral("") : text; // the axis passes over a null name
            while (seen.contains(c)) c += QChar(0x200B);
            seen.insert(c);
            categories << c;
        }
        auto *x = new QBarCategoryAxis;
        x->append(categories);
        m_chart->addAxis(x, Qt::AlignBottom);
        m_series->attachAxis(x);
    } else {
        auto *x = new QValueAxis;
        x->setRange(-0.5, bars - 0.5);
        x->setLabelsVisible(false);
        x->setGridLineVisible(false);
        m_chart->addAxis(x, Qt::AlignBottom);
        m_series->attachAxis(x);
    }
    auto *y = new QValueAxis;
    y->setRange(0, highest);
    y->setLabelFormat(QStringLiteral("%d"));
    if (highest < 10) y->setTickCount(int(highest) + 1);
    m_chart->addAxis(y, Qt::AlignLeft);
    m_series->attachAxis(y);

    connect(m_series, &QBarSeries::hovered, this, [this](bool status, int index, QBarSet *barSet) {
        if (!status || index < 0 || index >= m_barLabels.size()) {
            QToolTip::hideText();
            return;
        }
        QToolTip::showText(QCursor::pos(),
                           m_barLabels[index] + QStringLiteral(" : ") + QString::number(qint64(barSet->at(index))));
    });
}

void frmInteractiveGraf::DMSXpButton4_Click()
{
    const InboxFilter filter{DTPicker1->date(), DTPicker2->date(), Text1->text()};
    try {
        RecordSet messages = LoadInboxMessages(filter);
        RecordSet counts = LoadInboxCounts(filter);
        showMessages(std::move(messages));
        showCounts(std::move(counts));
        GridAyar();
        GrafikRef();
    } catch (const OrvekError &e) {
        showFailure(e.description());
    }
}

void frmInteractiveGraf::DMSXpButton2_Click()
{
    // Each step on its own: a failing one is passed over.
    try {
        showMessages(LoadInboxMessages());
    } catch (const OrvekError &) {}
    try {
        showCounts(LoadInboxCounts());
    } catch (const OrvekError &) {}
    GridAyar();
    GrafikRef();
}

void frmInteractiveGraf::DMSXpButton3_Click()
{
    if (m_rs1.rowCount() == 0) return;
    QModelIndexList rows = DataGrid1->view()->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        Prompt::show(QStringLiteral("Silmek istediğiniz kayıt ya da kayıtları seçiniz"), PromptIcon::Information,
                     QStringLiteral("Uyarı"));
        return;
    }
    const QString question = rows.size() == 1 ? QStringLiteral("Kaydı Silmek İstediğinizden Eminmisiniz?")
                                              : QStringLiteral("Kayıtları Silmek İstediğinizden Eminmisiniz?");
    if (Prompt::show(question, PromptIcon::Question, QStringLiteral("Uyarı"), PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    QVector<qint64> ids;
    // The rows may have changed while the question was open: read the selection again.
    rows = DataGrid1->view()->selectionModel()->selectedRows();
    for (const QModelIndex &i : std::as_const(rows))
        if (i.row() < m_rs1.rowCount()) ids << m_rs1.value(i.row(), kInboxId).toLongLong();
    try {
        DeleteInboxMessages(ids);
    } catch (const OrvekError &e) {
        showFailure(e.description());
        return;
    }
    resetPickers();
    try {
        reloadBoth();
    } catch (const OrvekError &e) {
        showFailure(e.description());
    }
}

void frmInteractiveGraf::DMSXpButton6_Click()
{
    if (Prompt::show(QStringLiteral("Kayıtların Tümünü Silmek İstediğinizden Emin misiniz?"), PromptIcon::Question,
                     QStringLiteral("İnteraktif SMS - Gelen Mesajlar"), PromptButtons::YesNo) == PromptAnswer::Yes) {
        try {
            DeleteAllInboxMessages();
        } catch (const OrvekError &e) {
            showFailure(e.description());
        }
    }
    resetPickers();
    try {
        reloadBoth();
    } catch (const OrvekError &e) {
        showFailure(e.description());
    }
}

void frmInteractiveGraf::DMSXpButton5_Click()
{
    if (m_rs1.rowCount() == 0) return;
    if (Prompt::show(QStringLiteral("Kayıtları Excel'e Aktarmak İstiyor musunuz?"), PromptIcon::Question,
                     QStringLiteral("İnteraktif SMS - Veri Aktarma"), PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    WorkOperation op(this);
    try {
        OpenLocalDb();
        const QString fileName = GetExcelFileToSave();
        if (fileName.isEmpty()) return;
        RecordSet copy(m_rs1.fields());
        copy.reserve(m_rs1.rowCount());
        for (int i = 0; i < m_rs1.rowCount(); ++i) copy.addRow(m_rs1.row(i));
        setEnabled(false);
        ExportToExcel(copy, fileName, copy.fieldNames(), [&op] { return op.mustStop(); });
        if (!op.mustStop()) setEnabled(true);
    } catch (const OrvekError &e) {
        if (op.mustStop()) return;
        setEnabled(true);
        showFailure(e.description());
    }
}

void frmInteractiveGraf::DMSXpButton1_Click() { WorkForms::unload(this); }

void frmInteractiveGraf::reject()
{
    QDialog::reject();
    WorkForms::unload(this);
}
