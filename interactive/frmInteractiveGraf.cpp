#include "interactive/frmInteractiveGraf.h"

#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "interactive/InteractiveInbox.h"
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
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
// Up to this many bars the axis names each bar; a longer chart names a bar when it is pointed
// at (the category axis needs distinct names and grows slow over a few thousand of them).
constexpr int kNamedBars = 200;
// A bar's name takes at most this many lines under it.
constexpr int kNameLines = 3;
// The category axis gives each name an equal share of its whole width (the chart less its
// margins), counting one share more at either end, and keeps this much of it free (px, with a
// pixel for rounding): a name up to the rest is drawn whole, a wider one cut to "...".
constexpr qreal kNamePadding = 2 * 4.0 + 1;
// Marks a category apart from an equal one without showing anything.
const QChar kInvisibleMark(0x200B);

// How wide the axis takes a name to be: as a text item of the chart measures it (rich text,
// half a pixel of margin all round).
class NameMeasure {
public:
    explicit NameMeasure(const QFont &font)
    {
        m_item.document()->setDocumentMargin(0.5);
        m_item.setFont(font);
    }
    qreal width(const QString &plain)
    {
        m_item.setHtml(plain.toHtmlEscaped());
        return m_item.boundingRect().width();
    }

private:
    QGraphicsTextItem m_item;
};

// The text broken at its blanks into lines of at most `width`; nothing when a word is wider
// or the text needs more than kNameLines lines. Runs of blanks become one blank.
std::optional<QStringList> wrappedName(const QString &text, NameMeasure &measure, qreal width)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList lines;
    for (const QString &word : text.split(blanks, Qt::SkipEmptyParts)) {
        if (measure.width(word) > width) return std::nullopt;
        const QString longer = lines.isEmpty() ? QString() : lines.last() + QLatin1Char(' ') + word;
        if (!lines.isEmpty() && measure.width(longer) <= width)
            lines.last() = longer;
        else
            lines << word;
        if (lines.size() > kNameLines) return std::nullopt;
    }
    return lines;
}

// The names of the bars of these texts, each bar `width` px wide for its name: the whole texts
// when every one fits and no two different texts look alike; else the bar numbers (1, 2, ...:
// the rows of the count grid) when the highest fits; else none (`shown` false: the axis shows
// no names, as it would cut even an empty-looking one to "..."). Every category is distinct,
// as the axis needs.
struct BarNames {
    QStringList categories;
    bool shown = true;
};

BarNames barNames(const QStringList &texts, const QFont &font, qreal width)
{
    NameMeasure measure(font);
    QStringList categories;
    QSet<QString> seen;
    const auto add = [&](QString c) {
        if (c.isNull()) c = QStringLiteral(""); // the axis passes over a null name
        while (seen.contains(c)) c += kInvisibleMark;
        seen.insert(c);
        categories << c;
    };
    QHash<QString, QString> textOfLook;
    QStringList looks;
    bool whole = width > 0;
    for (int i = 0; whole && i < texts.size(); ++i) {
        const std::optional<QStringList> lines = wrappedName(texts[i], measure, width);
        const QString text = texts[i].isNull() ? QStringLiteral("") : texts[i];
        if (!lines) {
            whole = false;
            break;
        }
        const QString look = lines->join(QLatin1Char('\n'));
        const auto known = textOfLook.constFind(look);
        if (known != textOfLook.constEnd() && *known != text) whole = false;
        textOfLook.insert(look, text);
        looks << look;
    }
    if (whole) {
        // The axis draws its names as rich text.
        for (const QString &look : std::as_const(looks))
            add(look.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
        return BarNames{categories, true};
    }
    const bool numbers = width > 0 && measure.width(QString::number(texts.size())) <= width;
    for (int i = 0; i < texts.size(); ++i) add(numbers ? QString::number(i + 1) : QString(kInvisibleMark));
    return BarNames{categories, numbers};
}

// The text in as many lines of `width` as `lines`, cut with "…" when it needs more.
QString elidedToLines(const QString &text, const QFontMetrics &fm, int width, int lines)
{
    const auto height = [&](const QString &t) {
        return fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, t).height();
    };
    const int room = lines * fm.lineSpacing();
    if (height(text) <= room) return text;
    const QChar ellipsis(0x2026);
    qsizetype low = 0, high = text.size(); // text.left(low) + "…" fits, text.left(high) + "…" does not
    while (high - low > 1) {
        const qsizetype mid = (low + high) / 2;
        (height(text.left(mid) + ellipsis) <= room ? low : high) = mid;
    }
    return text.left(low) + ellipsis;
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
    DTPicker1 = MakeDatePicker(Frame1, "DTPicker1", TwRect{1740, 645, 1560, 315});
    Label4 = MakeLabel(Frame1, "Label4", QStringLiteral("Bitiş Tarihi :"), TwRect{3480, 690, 1200, 255});
    DTPicker2 = MakeDatePicker(Frame1, "DTPicker2", TwRect{4740, 645, 1560, 315});
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
    SetGeometryTw(MSChart1, TwRect{3540, 120, 5580, 3660});
    BarText = MakeLabel(chart, "BarText", QString(), TwRect{3540, 3840, 5580, 600});
    BarText->setTextFormat(Qt::PlainText);
    BarText->setWordWrap(true);
    BarText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(m_chart, &QChart::plotAreaChanged, this, &frmInteractiveGraf::nameBars, Qt::QueuedConnection);
    connect(DataGrid2, &DataGrid::currentRowChanged, this, &frmInteractiveGraf::showBarText);

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

frmInteractiveGraf::~frmInteractiveGraf()
{
    // The chart and the count grid go after this window's members: nothing of them may call
    // back into it.
    m_chart->disconnect(this);
    if (m_series) m_series->disconnect(this);
    DataGrid2->disconnect(this);
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
    DataGrid1->setDesignWidthsTw(kInboxTarih, {1800, 1300, 3400});
    DataGrid1->fitColumns();
    m_model2->setColumnCaptions({QStringLiteral("Adet"), QStringLiteral("Mesaj")});
    DataGrid2->setDesignWidthsTw(0, {800, 2150});
    DataGrid2->fitColumns();
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
    m_categoryAxis = nullptr;
    m_namedBarWidth = -1;
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_barLabels.clear();
    showBarText(-1);
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
        m_categoryAxis = new QBarCategoryAxis;
        // Distinct placeholders until the plot area's width is known.
        QStringList categories;
        for (int i = 0; i < bars; ++i) categories << QString(i + 1, kInvisibleMark);
        m_categoryAxis->append(categories);
        m_categoryAxis->setLabelsVisible(false);
        m_chart->addAxis(m_categoryAxis, Qt::AlignBottom);
        m_series->attachAxis(m_categoryAxis);
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
    nameBars();

    connect(m_series, &QBarSeries::hovered, this, [this](bool status, int index, QBarSet *barSet) {
        if (!status || index < 0 || index >= m_barLabels.size()) {
            QToolTip::hideText();
            showBarText(DataGrid2->currentRow());
            return;
        }
        QToolTip::showText(QCursor::pos(),
                           m_barLabels[index] + QStringLiteral(" : ") + QString::number(qint64(barSet->at(index))));
        showBarText(index);
    });
}

void frmInteractiveGraf::nameBars()
{
    if (!m_categoryAxis || m_barLabels.isEmpty()) return;
    if (m_chart->plotArea().width() <= 0) return;
    const qreal axisWidth = m_chart->size().width() - m_chart->margins().left() - m_chart->margins().right();
    const qreal width = axisWidth / (m_barLabels.size() + 2) - kNamePadding;
    // A new name changes the axis's height, not the chart's width: nothing to do then.
    if (std::abs(width - m_namedBarWidth) < 0.5) return;
    m_namedBarWidth = width;
    const BarNames names = barNames(m_barLabels, m_categoryAxis->labelsFont(), width);
    m_categoryAxis->setLabelsVisible(names.shown);
    m_categoryAxis->setCategories(names.categories);
}

void frmInteractiveGraf::showBarText(int index)
{
    if (index < 0 || index >= m_barLabels.size() || !m_series || m_series->count() == 0) {
        BarText->clear();
        BarText->setToolTip(QString());
        return;
    }
    const qint64 count = qint64(m_series->barSets().first()->at(index));
    const QString text =
        QStringLiteral("%1. %2 : %3").arg(QString::number(index + 1), m_barLabels[index], QString::number(count));
    const int lines = std::max(1, BarText->height() / std::max(1, BarText->fontMetrics().lineSpacing()));
    BarText->setText(elidedToLines(text, BarText->fontMetrics(), BarText->width(), lines));
    BarText->setToolTip(text);
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
