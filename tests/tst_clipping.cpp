// Every window at its design size, in the program's font: no text of a label, button, check
// box, radio button, group box title, tab, grid header or tree item is wider (or, for
// labels, taller) than its control leaves it, and no label cuts off the ink of its glyphs; no
// grid cell is cut while its grid has room left; and a chart names each bar whole, no two bars
// alike.
//
// A new window adds one line to windowTable(): its name and how it is opened on the desk
// (a main window over the sample ERP stand-in, company 01, a fake gateway).

#include "core/AppState.h"
#include "interactive/frmInteractiveGraf.h"
#include "messaging/frmSablon.h"
#include "messaging/frmSonEkran.h"
#include "shell/DesktopLook.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBekle.h"
#include "shell/frmGiris.h"
#include "shell/frmHakkinda.h"
#include "shell/frmMDI.h"
#include "shell/frmSirketSec.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
QString copyOfSample(const QString &folder)
{
    static const ErpSampleCopies sample;
    return sample.copyInto(folder);
}

// The desk every window opens on.
struct Desk {
    MainWindowFixture main;
    QTemporaryDir dir;
    ErpStandIn erp{copyOfSample(dir.path() + QStringLiteral("/erp"))};
    FakeGateway gateway;
    std::vector<std::unique_ptr<QWidget>> owned;

    Desk()
    {
        erp.configure();
        gCompanyCode = QStringLiteral("01");
        gCompanyName = QStringLiteral("Merkez Ticaret");
        gGatewayUrl = gateway.url();
        Control<QTreeWidget>(main.ana(), "TreeView1")->expandAll();
    }
    ~Desk()
    {
        owned.clear();
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
    }

    // A work window opened from its navigation node, as the operator opens it.
    QWidget *fromTree(const char *node, const char *className)
    {
        main.clickNode(QString::fromLatin1(node));
        return WorkForms::find(QString::fromLatin1(className));
    }
    template <class T>
    T *own(T *w)
    {
        owned.emplace_back(w);
        w->show();
        return w;
    }
};

// The send screen as a recipient window leaves it: two rows handed over.
QWidget *openSendScreen(Desk &d)
{
    QWidget *caller = d.fromTree("ChkMesaj", "frmChkMesaj");
    auto *screen = WorkForms::get<frmSonEkran>();
    screen->CallerForm = caller;
    screen->frmMDIForm = d.main.mdi();
    screen->TemplateKind = QStringLiteral("ChkMesaj");
    screen->Show();
    caller->hide();
    screen->beginFilling();
    screen->appendRecipient(QStringLiteral("5321234567"), QStringLiteral("Merhaba Çağlar Gıda Ltd. Şti."));
    screen->appendRecipient(QStringLiteral("5057654321"), QStringLiteral("Merhaba Işık Tekstil A.Ş."));
    screen->setAddedCount(2);
    screen->endFilling();
    return screen;
}

QWidget *openTemplatePicker(Desk &d)
{
    auto *picker = WorkForms::get<frmSablon>();
    picker->TemplateKind = QStringLiteral("ChkMesaj");
    picker->CallerTitle = QStringLiteral("Müşterilere mesaj gönder");
    picker->setParent(d.main.mdi(), picker->windowFlags());
    picker->show();
    return picker;
}

// The report window over a few logged sends, the newest with a later send time.
QWidget *openReportWindow(Desk &d)
{
    const auto send = [&d](const char *msgid, const char *kind, const char *tarih, const char *gtarih) {
        d.main.folder.exec("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, "
                           "gtarih, sirket_kod) VALUES (?, ?, 'Brenvik', 2, ?, 'ORVEK', ?, ?, '01')",
                           {msgid, kind,
                            QStringLiteral("İlk Kayıt :Sayın Çağlar Gıda Ltd. Şti., %1 tarihli "
                                           "faturanızın ödemesi için teşekkür ederiz.")
                                .arg(tarih),
                            tarih, gtarih});
    };
    send("100001", "Müşterilere mesaj gönder", "2024-05-01 10:00:00", "2024-05-01 10:00:00");
    send("100002", "Yetkililere mesaj gönder", "2024-05-02 11:30:00", "2024-05-03 09:00:00");
    send("100003", "Hızlı mesaj gönder", "2024-05-03 12:45:10", "2024-05-03 12:45:10");
    return d.fromTree("RapMesaj", "frmRapor");
}

void addInboxMessages(Desk &d, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        d.main.folder.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?, '+905321234567', ?)",
                           {QStringLiteral("2024-05-01 10:%1:00").arg(i, 2, 10, QLatin1Char('0')), texts[i]});
}

const QStringList kShortInbox = {"EVET", "Evet", "hayır", "ŞEKER", "şeker", "bilgi", "İNCİ"};

QWidget *openQueryWindow(Desk &d, const QStringList &texts)
{
    addInboxMessages(d, texts);
    auto *w = WorkForms::get<frmInteractiveGraf>();
    w->Form_Load();
    Control<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    w->show();
    return w;
}

struct WindowCase {
    const char *name;
    std::function<QWidget *(Desk &)> open;
};

const std::vector<WindowCase> &windowTable()
{
    static const std::vector<WindowCase> table = {
        {"frmGiris", [](Desk &d) { return d.own(new frmGiris); }},
        {"frmSirketSec",
         [](Desk &d) {
             auto *w = new frmSirketSec;
             w->Form_Load();
             return d.own(w);
         }},
        {"frmMDI", [](Desk &d) { return d.main.mdi(); }},
        {"frmHakkinda",
         [](Desk &) {
             auto *about = WorkForms::get<frmHakkinda>();
             about->show();
             return about;
         }},
        {"frmBekle",
         [](Desk &) {
             frmBekle *w = frmBekle::instance();
             // With the speed line an export shows.
             Control<QLabel>(w, "Label2")->show();
             Control<QLabel>(w, "lblIslemHiz")->setText(QStringLiteral("1250 kayıt/sn"));
             Control<QLabel>(w, "lblIslemHiz")->show();
             w->show();
             return w;
         }},
        {"frmHizliMesaj", [](Desk &d) { return d.fromTree("HizliMesaj", "frmHizliMesaj"); }},
        {"frmBakiyeGonder", [](Desk &d) { return d.fromTree("BakiyeGonder", "frmBakiyeGonder"); }},
        {"frmYetkiliMesaj", [](Desk &d) { return d.fromTree("YetkiliMesaj", "frmYetkiliMesaj"); }},
        {"frmChkMesaj", [](Desk &d) { return d.fromTree("ChkMesaj", "frmChkMesaj"); }},
        {"frmGrupMesaj", [](Desk &d) { return d.fromTree("GrupMesaj", "frmGrupMesaj"); }},
        {"frmSablonlar", [](Desk &d) { return d.fromTree("Sablonlar", "frmSablonlar"); }},
        {"frmSablon", openTemplatePicker},
        {"frmSonEkran", openSendScreen},
        {"frmSonEkran without connection",
         [](Desk &d) {
             QWidget *screen = openSendScreen(d);
             Control<QLabel>(screen, "lblNet")->setVisible(true);
             return screen;
         }},
        {"frmInteractiveSMS",
         [](Desk &d) {
             addInboxMessages(d, kShortInbox);
             return d.fromTree("GelenMesaj", "frmInteractiveSMS");
         }},
        {"frmInteractiveGraf short texts", [](Desk &d) { return openQueryWindow(d, kShortInbox); }},
        {"frmInteractiveGraf wrapped texts",
         [](Desk &d) {
             return openQueryWindow(
                 d, {"Kampanya hakkında bilgi almak istiyorum", "Kampanya hakkında bilgi verir misiniz", "KAMPANYA"});
         }},
        {"frmInteractiveGraf long texts",
         [](Desk &d) {
             return openQueryWindow(d, {"Kampanya hakkında bilgi almak istiyorum",
                                        "Kampanya hakkında bilgi verir misiniz", "Kampanyanızdan yararlanmak istiyorum",
                                        "Hesap bakiyemi öğrenebilir miyim", "Teşekkürler", "EVET"});
         }},
        {"frmInteractiveGraf many texts",
         [](Desk &d) {
             QStringList texts;
             for (int i = 0; i < 40; ++i) texts << QStringLiteral("Kampanya %1").arg(i);
             return openQueryWindow(d, texts);
         }},
        {"frmAyarlar", [](Desk &d) { return d.fromTree("HesapAyar", "frmAyarlar"); }},
        {"frmRapor", openReportWindow},
        {"frmRapor on a 1600x1000 desktop",
         [](Desk &d) {
             d.main.mdi()->resize(1600, 1000);
             return openReportWindow(d);
         }},
        {"frmBrw", [](Desk &d) { return d.fromTree("OnLineServisler", "frmBrw"); }},
    };
    return table;
}

// ---- What a text needs -------------------------------------------------------------------

QString withoutMnemonics(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

QString describe(const QWidget *w, const QString &text, const QString &what)
{
    return QStringLiteral("%1 \"%2\": %3")
        .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(), text,
             what);
}

QString tooWide(int needed, int available) { return QStringLiteral("needs %1 px, has %2").arg(needed).arg(available); }

// How much of a widget's width its parents cut off (it reaches past one of their edges).
int cutWidth(const QWidget *w, const QWidget *window)
{
    QRect r = w->rect();
    for (const QWidget *p = w; p != window && p->parentWidget(); p = p->parentWidget()) {
        r.translate(p->pos());
        r &= p->parentWidget()->rect();
    }
    return w->width() - std::max(0, r.width());
}

// How much darker than white a label's own drawing of its text is, summed over its pixels.
long long inkOf(const QLabel *label)
{
    QImage image(label->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    const_cast<QLabel *>(label)->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    long long ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += 255 - qGray(image.pixel(x, y));
    return ink;
}

// The glyphs of a label's text stay inside it: the same text drawn with room on every side
// shows no more ink. The dots of "Ö" and "İ" rise above the font's ascent, so a text that
// starts at the label's top edge loses them although its lines fit.
void checkInk(const QLabel *label, QStringList &out)
{
    if (label->frameWidth() > 0) return;
    constexpr int room = 8;
    QLabel copy;
    copy.setFont(label->font());
    copy.setPalette(label->palette());
    copy.setEnabled(label->isEnabled());
    copy.setTextFormat(label->textFormat());
    copy.setWordWrap(label->wordWrap());
    copy.setAlignment(label->alignment());
    copy.setIndent(label->indent());
    copy.setMargin(label->margin());
    copy.setText(label->text());
    copy.setContentsMargins(label->contentsMargins() + QMargins(room, room, room, room));
    copy.resize(label->size() + QSize(2 * room, 2 * room));
    // Less than half a pixel's worth is antialiasing, not a lost stroke.
    const long long lost = inkOf(&copy) - inkOf(label);
    if (lost > 128) out << describe(label, label->text(), QStringLiteral("its glyphs lose ink at the edges"));
}

void checkLabel(const QLabel *label, int cut, QStringList &out)
{
    QString text = label->text();
    if (text.isEmpty() || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
        return;
    text.remove(QLatin1Char('\r'));
    const QFontMetrics fm(label->font());
    const QRect room =
        label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    int indent = label->indent();
    if (indent < 0) indent = label->frameWidth() > 0 ? fm.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    const int width = room.width() - indent - cut;
    if (label->wordWrap()) {
        const QRect needed = fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text);
        if (needed.height() > room.height())
            out << describe(
                label, text,
                QStringLiteral("wrapped, needs %1 px high, has %2").arg(needed.height()).arg(room.height()));
        for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            if (fm.horizontalAdvance(word) > width)
                out << describe(label, word, tooWide(fm.horizontalAdvance(word), width));
        checkInk(label, out);
        return;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        if (fm.horizontalAdvance(line) > width)
            out << describe(label, line, tooWide(fm.horizontalAdvance(line), width));
    const int height = lines.size() * fm.height() + (lines.size() - 1) * fm.leading();
    if (height > room.height())
        out << describe(label, text, QStringLiteral("needs %1 px high, has %2").arg(height).arg(room.height()));
    checkInk(label, out);
}

void checkButton(QAbstractButton *button, int cut, QStringList &out)
{
    const QString text = withoutMnemonics(button->text());
    if (text.isEmpty()) return;
    int needed = 0;
    if (qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button)) {
        needed = button->sizeHint().width();
    } else if (qobject_cast<QPushButton *>(button)) {
        QStyle *style = button->style();
        needed = QFontMetrics(button->font()).horizontalAdvance(text) + style->pixelMetric(QStyle::PM_ButtonMargin) +
                 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
        if (!button->icon().isNull()) needed += button->iconSize().width() + 4;
    } else {
        return;
    }
    if (needed > button->width() - cut) out << describe(button, text, tooWide(needed, button->width() - cut));
}

void checkGroupBox(const QGroupBox *box, int cut, QStringList &out)
{
    if (box->title().isEmpty()) return;
    const int needed = box->minimumSizeHint().width();
    if (needed > box->width() - cut) out << describe(box, box->title(), tooWide(needed, box->width() - cut));
}

void checkTabs(const QTabBar *bar, QStringList &out)
{
    const QFontMetrics fm(bar->font());
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        const QString text = withoutMnemonics(bar->tabText(i));
        const QRect r = bar->tabRect(i);
        const int needed = fm.horizontalAdvance(text) + space;
        if (needed > r.width())
            out << describe(bar, text, tooWide(needed, r.width()));
        else if (r.left() < 0 || r.right() >= bar->width() ||
                 bar->mapTo(bar->window(), r.topRight()).x() >=
                     bar->parentWidget()->mapTo(bar->window(), QPoint(bar->parentWidget()->width(), 0)).x())
            out << describe(bar, text, QStringLiteral("tab lies outside its bar"));
    }
}

void checkHeader(const QHeaderView *header, QStringList &out)
{
    if (header->orientation() != Qt::Horizontal || !header->model()) return;
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i) || header->sectionSize(i) == 0) continue;
        const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
        if (text.isEmpty()) continue;
        const int needed = header->sectionSizeHint(i);
        if (needed > header->sectionSize(i))
            out << describe(header->parentWidget(), text, tooWide(needed, header->sectionSize(i)));
    }
}

// A cell is cut only when its grid has no room left for it: the columns fill the grid.
void checkGrid(QTableView *view, QStringList &out)
{
    const QAbstractItemModel *model = view->model();
    if (!model) return;
    const QHeaderView *header = view->horizontalHeader();
    int used = 0;
    for (int c = 0; c < header->count(); ++c)
        if (!view->isColumnHidden(c)) used += header->sectionSize(c);
    const int room = view->viewport()->width() - used;
    if (room <= 0) return;
    // A cell draws its text inside the grid line and a margin on either side, and cuts it to
    // "…" where it is wider.
    const int margins =
        (view->showGrid() ? 1 : 0) + 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    const int rows = std::min(model->rowCount(), 500);
    for (int c = 0; c < header->count(); ++c) {
        if (view->isColumnHidden(c)) continue;
        for (int r = 0; r < rows; ++r) {
            const QModelIndex index = model->index(r, c);
            const QString text = index.data().toString();
            if (text.isEmpty()) continue;
            const QVariant font = index.data(Qt::FontRole);
            const QFontMetrics fm(font.isValid() ? font.value<QFont>() : view->font());
            const int needed = fm.horizontalAdvance(text) + margins;
            if (needed > header->sectionSize(c))
                out << describe(view, text,
                                tooWide(needed, header->sectionSize(c)) +
                                    QStringLiteral(", with %1 px left in the grid").arg(room));
        }
    }
}

QString plainText(const QString &richText)
{
    QTextDocument doc;
    doc.setHtml(richText);
    return doc.toPlainText().remove(QChar(0x200B));
}

// The names under the bars: each one whole (as its category has it, not cut to "..."), and no
// two alike.
void checkChart(QChartView *view, QStringList &out)
{
    QChart *chart = view->chart();
    QSet<QString> names;
    for (QAbstractAxis *axis : chart->axes(Qt::Horizontal))
        if (auto *categories = qobject_cast<QBarCategoryAxis *>(axis))
            for (const QString &c : categories->categories()) names.insert(plainText(c));
    const qreal plotBottom = chart->mapRectToScene(chart->plotArea()).bottom();
    QSet<QString> shown;
    for (QGraphicsItem *item : view->scene()->items()) {
        auto *label = qgraphicsitem_cast<QGraphicsTextItem *>(item);
        if (!label || !label->isVisible() || label->sceneBoundingRect().top() < plotBottom - 1) continue;
        const QString text = label->toPlainText().remove(QChar(0x200B));
        if (text.trimmed().isEmpty()) continue;
        if (!names.contains(text))
            out << describe(view, text, QStringLiteral("a bar's name cut short"));
        else if (shown.contains(text))
            out << describe(view, text, QStringLiteral("two bars with one name"));
        shown.insert(text);
    }
}

void checkTree(QTreeView *tree, QStringList &out)
{
    tree->expandAll();
    QCoreApplication::processEvents();
    QStyleOptionViewItem option;
    option.initFrom(tree->viewport());
    option.font = tree->font();
    option.decorationSize = tree->iconSize();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    const int visibleRight = tree->viewport()->width();
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int row = 0; row < tree->model()->rowCount(parent); ++row) {
            const QModelIndex index = tree->model()->index(row, 0, parent);
            const QRect r = tree->visualRect(index);
            const int room = std::min(r.right() + 1, visibleRight) - r.left();
            const int needed = tree->itemDelegateForIndex(index)->sizeHint(option, index).width();
            if (needed > room) out << describe(tree, index.data().toString(), tooWide(needed, room));
            walk(index);
        }
    };
    walk(QModelIndex());
}

void checkShown(QWidget *window, QWidget *under, QStringList &out)
{
    QList<QWidget *> widgets = under->findChildren<QWidget *>();
    widgets.prepend(under);
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(window) && w != window) continue;
        const int cut = w == window ? 0 : cutWidth(w, window);
        if (auto *label = qobject_cast<QLabel *>(w))
            checkLabel(label, cut, out);
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            checkButton(button, cut, out);
        else if (auto *box = qobject_cast<QGroupBox *>(w))
            checkGroupBox(box, cut, out);
        else if (auto *bar = qobject_cast<QTabBar *>(w))
            checkTabs(bar, out);
        else if (auto *header = qobject_cast<QHeaderView *>(w))
            checkHeader(header, out);
        else if (auto *tree = qobject_cast<QTreeView *>(w))
            checkTree(tree, out);
        else if (auto *table = qobject_cast<QTableView *>(w))
            checkGrid(table, out);
        else if (auto *chart = qobject_cast<QChartView *>(w))
            checkChart(chart, out);
    }
}

// Every text on the window, every page of every tab widget in turn.
QStringList clippedTexts(QWidget *window)
{
    QStringList out;
    checkShown(window, window, out);
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        if (!tabs->isVisibleTo(window)) continue;
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            checkShown(window, tabs->widget(i), out);
        }
        tabs->setCurrentIndex(current);
    }
    out.removeDuplicates();
    return out;
}
} // namespace

class TestClipping : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void everyTextFits_data();
    void everyTextFits();
    void checkerSeesClippedTexts();
};

void TestClipping::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    UseProgramFont();
}

void TestClipping::cleanup() { ResetAppState(); }

void TestClipping::everyTextFits_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < windowTable().size(); ++i) QTest::newRow(windowTable()[i].name) << int(i);
}

void TestClipping::everyTextFits()
{
    QFETCH(int, index);
    Desk desk;
    QPointer<QWidget> window = windowTable()[size_t(index)].open(desk);
    QVERIFY2(window, "the window did not open");
    QVERIFY(QTest::qWaitForWindowExposed(window->window()));
    QCoreApplication::processEvents();
    const QStringList clipped = clippedTexts(window);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
}

// The checker itself finds each kind of clipped text.
void TestClipping::checkerSeesClippedTexts()
{
    QWidget window;
    window.resize(400, 300);
    auto *label = new QLabel(QStringLiteral("Hesaptaki kontör :"), &window);
    label->setGeometry(0, 0, 60, 20);
    auto *twoLines = new QLabel(QStringLiteral("birinci satır\nikinci satır"), &window);
    twoLines->setGeometry(0, 30, 300, 16);
    auto *dots = new QLabel(QStringLiteral("Örn. http://sunucu/sms.asp"), &window);
    dots->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dots->setGeometry(0, 270, 300, 30);
    auto *button = new QPushButton(QStringLiteral("Listeden çıkart"), &window);
    button->setGeometry(0, 60, 50, 24);
    auto *check = new QCheckBox(QStringLiteral("İleri tarihe gönderim yap"), &window);
    check->setGeometry(0, 90, 60, 20);
    auto *pastTheEdge = new QPushButton(QStringLiteral("Gönder"), &window);
    pastTheEdge->setGeometry(370, 250, 100, 24);
    auto *fits = new QPushButton(QStringLiteral("Tamam"), &window);
    fits->setGeometry(0, 120, 200, 24);
    auto *tree = new QTreeWidget(&window);
    tree->setHeaderLabels({QStringLiteral("YetkiliSoyadi")});
    tree->header()->resizeSection(0, 30);
    new QTreeWidgetItem(tree, {QStringLiteral("Yetkililere mesaj gönder")});
    tree->setGeometry(0, 150, 60, 100);
    auto *tabs = new QTabWidget(&window);
    tabs->addTab(new QWidget, QStringLiteral("Gönderim bazında rapor"));
    tabs->addTab(new QWidget, QStringLiteral("Tarih bazında rapor"));
    tabs->setGeometry(200, 0, 120, 80);
    QStandardItemModel cells(1, 2);
    cells.setItem(0, 0, new QStandardItem(QStringLiteral("Müşterilere mesaj gönder")));
    cells.setItem(0, 1, new QStandardItem(QStringLiteral("x")));
    auto *table = new QTableView(&window);
    table->setModel(&cells);
    table->setColumnWidth(0, 40);
    table->setColumnWidth(1, 40);
    table->setGeometry(200, 90, 190, 80);
    auto *chart = new QChart;
    auto *bars = new QBarSet(QStringLiteral("Adet"));
    bars->append({3, 2});
    auto *series = new QBarSeries;
    series->append(bars);
    chart->addSeries(series);
    auto *names = new QBarCategoryAxis;
    names->append({QStringLiteral("Kampanya hakkında bilgi A"), QStringLiteral("Kampanya hakkında bilgi B")});
    chart->addAxis(names, Qt::AlignBottom);
    series->attachAxis(names);
    auto *chartView = new QChartView(chart, &window);
    chartView->setGeometry(200, 175, 190, 120);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString all = clippedTexts(&window).join(QLatin1Char('\n'));
    QVERIFY2(all.contains(QStringLiteral("Hesaptaki kontör :")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("px high")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Örn. http://sunucu/sms.asp\": its glyphs lose ink")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Listeden çıkart")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("İleri tarihe gönderim yap")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("YetkiliSoyadi")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Yetkililere mesaj gönder")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Tarih bazında rapor")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Gönder")), qPrintable(all));
    QVERIFY2(!all.contains(QStringLiteral("Tamam")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("Müşterilere mesaj gönder")), qPrintable(all));
    QVERIFY2(!all.contains(QStringLiteral("\"x\"")), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("a bar's name cut short")), qPrintable(all));
}

QTEST_MAIN(TestClipping)
#include "tst_clipping.moc"
