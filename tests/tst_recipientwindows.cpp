#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/Templates.h"
#include "messaging/ErpDataControl.h"
#include "messaging/RecipientWindows.h"
#include "messaging/frmSablon.h"
#include "shell/DataGrid.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "shell/frmPop.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
// A copy of the sample ERP stand-in in `folder` (the sample is built once).
QString copyOfSample(const QString &folder)
{
    static const ErpSampleCopies sample;
    return sample.copyInto(folder);
}

// The main window over the sample ERP stand-in, company 01, with the navigation tree open.
struct RecipientFixture {
    MainWindowFixture main;
    QTemporaryDir dir;
    ErpStandIn erp{copyOfSample(dir.path() + QStringLiteral("/erp"))};

    RecipientFixture()
    {
        erp.configure();
        gCompanyCode = QStringLiteral("01");
        Control<QTreeWidget>(main.ana(), "TreeView1")->expandAll();
    }
    ~RecipientFixture() { RecipientWindow::setSendHandler(nullptr); }

    // Opens a window from its navigation node, as the operator does.
    RecipientWindow *open(const QString &node, const QString &className)
    {
        main.clickNode(node);
        return qobject_cast<RecipientWindow *>(WorkForms::find(className));
    }
};

const QString kFilterMessage = QStringLiteral(
    "Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri tiplerini kontrol ediniz.\r\n"
    "Sistemin ürettiği hata mesajı : ");

QStringList headerNames(const QTableView *view)
{
    QStringList names;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        names << view->model()->headerData(c, Qt::Horizontal).toString();
    return names;
}

QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

QStringList listLines(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

QStringList menuCaptions()
{
    QStringList captions;
    for (QAction *a : frmPop::instance()->AltmnuAry()) captions << a->text();
    return captions;
}

// The colour a control draws its text in.
QColor textColour(const QWidget *w) { return w->palette().color(w->foregroundRole()); }

// Adds one condition line through the frame's controls.
void addLine(RecipientWindow *w, QRadioButton *type, const QString &field, const QString &op, const QString &value)
{
    QTest::mouseClick(type, Qt::LeftButton);
    Control<QComboBox>(w, "Combo1")->setCurrentText(field);
    Control<QComboBox>(w, "Combo2")->setCurrentText(op);
    if (type == Control<QRadioButton>(w, "Option3")) {
        Control<QLineEdit>(w, "txtTarih")->clear();
        Control<QLineEdit>(w, "txtTarih")->setCursorPosition(0);
        QTest::keyClicks(Control<QLineEdit>(w, "txtTarih"), value);
    } else {
        Control<QLineEdit>(w, "txtDeger")->setText(value);
    }
    QTest::mouseClick(Control<QPushButton>(w, "Command6"), Qt::LeftButton);
}
} // namespace

class TestRecipientWindows : public QObject {
    Q_OBJECT
private slots:
    void windowAgainstStandIn_data();
    void windowAgainstStandIn();
    void queryWithoutRows();
    void failedLoad_data();
    void failedLoad();
    void layoutFollowsMainWindow();
    void openingSizeShowsEveryColumn_data();
    void openingSizeShowsEveryColumn();
    void counter_data();
    void counter();
    void counterCountsTypedLineBreakAsTwo();
    void fieldMenuInsertsPlaceholder();
    void templatePickReplacesMessage();
    void conditionLines();
    void numberBoxTakesDigitsOnly();
    void filterAppliedRefusedAndRemoved();
    void removingLines();
    void removeNeedsASelectedLine();
    void numberBoxLetsTabMoveOn();
    void sendHandlerBehindNextButton();
};

void TestRecipientWindows::openingSizeShowsEveryColumn_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("className");
    QTest::newRow("frmChkMesaj") << "ChkMesaj"
                                 << "frmChkMesaj";
    QTest::newRow("frmGrupMesaj") << "GrupMesaj"
                                  << "frmGrupMesaj";
    QTest::newRow("frmYetkiliMesaj") << "YetkiliMesaj"
                                     << "frmYetkiliMesaj";
    QTest::newRow("frmBakiyeGonder") << "BakiyeGonder"
                                     << "frmBakiyeGonder";
}

// At the main window's opening size a recipient grid shows its designed columns (the ones
// given a width) without scrolling.
void TestRecipientWindows::openingSizeShowsEveryColumn()
{
    QFETCH(QString, node);
    QFETCH(QString, className);
    RecipientFixture fx;
    fx.main.mdi()->resize(fx.main.mdi()->OpeningSize());
    RecipientWindow *w = fx.open(node, className);
    QVERIFY(w);
    QCoreApplication::processEvents();
    QTableView *view = Control<DataGrid>(w, "DataGrid1")->view();
    const int last = std::min(int(RecipientGridColumnWidths().size()), view->model()->columnCount()) - 1;
    QVERIFY(last >= 0);
    QHeaderView *header = view->horizontalHeader();
    const int right = header->sectionPosition(last) + header->sectionSize(last);
    QVERIFY2(right <= view->viewport()->width(),
             qPrintable(QStringLiteral("columns %1 px, grid shows %2 px, window %3 px")
                            .arg(right)
                            .arg(view->viewport()->width())
                            .arg(fx.main.mdi()->width())));
}

void TestRecipientWindows::windowAgainstStandIn_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("dataControl");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("duplicateOption");
    QTest::addColumn<QString>("firstRow"); // the first columns of row 0 as the grid shows them

    QTest::newRow("account cards") << "ChkMesaj"
                                   << "frmChkMesaj"
                                   << "ChkMesaj"
                                   << "Müşterilere mesaj gönder"
                                   << "Cari hesap kartlarındaki bilgilere göre mesaj göndermenizi sağlar."
                                   << "Müşteri bilgileri (Toplam : 5 kayıt)"
                                   << "rsGrup" << 19 << true << "120.001|Çağlar Gıda Ltd. Şti.||Ayşe";
    QTest::newRow("account groups") << "GrupMesaj"
                                    << "frmGrupMesaj"
                                    << "GrupMesaj"
                                    << "Gruplara mesaj gönder"
                                    << "Cari hesap kartlarındaki grup koduna göre mesaj göndermenizi sağlar."
                                    << "Müşteri grup bilgileri (Toplam : 4 kayıt)"
                                    << "rsGrup" << 10 << true << "120.001|Çağlar Gıda Ltd. Şti.||Ayşe";
    QTest::newRow("contact persons") << "YetkiliMesaj"
                                     << "frmYetkiliMesaj"
                                     << "YetkiliMesaj"
                                     << "Yetkililere mesaj gönder"
                                     << "Yetkili kartlarındaki bilgilere göre mesaj göndermenizi sağlar."
                                     << "Müşteri yetkili bilgileri (Toplam : 5 kayıt)"
                                     << "rsGrup" << 23 << true
                                     << "120.001|Çağlar Gıda Ltd. Şti.||Ayşe||Yılmaz|K|15.03.1980";
    QTest::newRow("open balances")
        << "BakiyeGonder"
        << "frmBakiyeGonder"
        << "BakiyeMesaj"
        << "Bakiye gönder"
        << "Finans kayıtlarında bakiyeleri bulunan müşterilerinize bakiye hatırlatması yapmanızı sağlar."
        << "Müşteri bakiye bilgileri (Toplam : 3 kayıt)"
        << "rsBakiye" << 9 << false << "120.001|Çağlar Gıda Ltd. Şti.||Ayşe||Yılmaz|1.250,75";
}

void TestRecipientWindows::windowAgainstStandIn()
{
    QFETCH(QString, node);
    QFETCH(QString, className);
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, caption);
    QFETCH(QString, dataControl);
    QFETCH(int, columns);
    QFETCH(bool, duplicateOption);
    QFETCH(QString, firstRow);

    RecipientFixture fx;
    RecipientWindow *w = fx.open(node, className);
    QVERIFY(w);
    QCOMPARE(fx.main.prompts.count(), 0);
    QVERIFY(w->isVisible());
    QStringList loaded = WorkForms::loadedWorkForms();
    loaded.sort();
    QStringList expected = {className, "frmPop"};
    expected.sort();
    QCOMPARE(loaded, expected);
    QCOMPARE(w->frmMDIForm.data(), fx.main.mdi());
    QCOMPARE(QString::fromLatin1(w->members().kindKey), kind);

    QCOMPARE(Control<QLabel>(w, "Label6")->text(), title);
    QCOMPARE(Control<QLabel>(w, "Label8")->text(), description);
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), caption);
    // The window's one data control, under its name.
    const QList<ErpDataControl *> data = w->findChildren<ErpDataControl *>();
    QCOMPARE(data.size(), 1);
    QCOMPARE(data.first()->objectName(), dataControl);

    // Every column of the query, in its order, in the grid, the field list and the field menu.
    const QStringList names = ErpColumnNames(kind);
    QCOMPARE(names.size(), columns);
    QTableView *view = Control<DataGrid>(w, "DataGrid1")->view();
    QCOMPARE(headerNames(view), names);
    QCOMPARE(view->model()->rowCount(), data.first()->RecordCount());
    QCOMPARE(comboItems(Control<QComboBox>(w, "Combo1")), names);
    QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QString());
    QCOMPARE(menuCaptions(), names);

    QStringList shown;
    const int n = int(firstRow.split('|').size());
    for (int c = 0; c < n; ++c) shown << view->model()->index(0, c).data().toString();
    QCOMPARE(shown.join('|'), firstRow);

    // Columns 0 to 7 take the design widths, or what their heading needs when that is more.
    const QVector<int> widths = RecipientGridColumnWidths();
    for (int c = 0; c < widths.size() && c < columns; ++c)
        QCOMPARE(view->columnWidth(c), std::max(tw(widths[c]), view->horizontalHeader()->sectionSizeHint(c)));

    // The frame as it opens.
    QCOMPARE(Control<QGroupBox>(w, "Frame2")->title(), QStringLiteral("Filtre uygula"));
    QCOMPARE(Control<QGroupBox>(w, "Frame1")->title(), QStringLiteral("Mesaj içeriği"));
    QVERIFY(Control<QRadioButton>(w, "Option1")->isChecked());
    QCOMPARE(comboItems(Control<QComboBox>(w, "Combo2")), QStringList({"=", "<", ">", "<=", ">=", "<>", "like"}));
    QCOMPARE(Control<QComboBox>(w, "Combo2")->currentText(), QString());
    QVERIFY(Control<QLineEdit>(w, "txtDeger")->isVisible());
    QVERIFY(!Control<QLineEdit>(w, "txtTarih")->isVisible());
    QCOMPARE(Control<QListWidget>(w, "List1")->count(), 0);
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QStringLiteral("160"));
    QCOMPARE(Control<QLabel>(w, "Label1")->text(), QStringLiteral("/ 160"));
    QCOMPARE(Control<QPushButton>(w, "Command4")->text(), QStringLiteral("İleri >>"));
    QVERIFY(!Control<QPushButton>(w, "Command4")->isEnabled()); // no send hand-over installed
    QVERIFY(!Control<QCheckBox>(w, "chkSablonKaydet")->isChecked());
    QCOMPARE(Control<QCheckBox>(w, "chkSablonKaydet")->text(), QStringLiteral("Mesajı şablon olarak kaydet."));
    auto *dup = w->findChild<QCheckBox *>("chkMukerrer");
    QCOMPARE(dup != nullptr, duplicateOption);
    if (dup) {
        QCOMPARE(dup->text(), QStringLiteral("Mükerrer gönderimlerin yapılmasına izin ver."));
        QVERIFY(!dup->isChecked());
        QCOMPARE(textColour(dup), QColor(255, 0, 0));
    }
}

void TestRecipientWindows::queryWithoutRows()
{
    RecipientFixture fx;
    fx.erp.addCompany("03", QStringLiteral("Boş Şirket"));
    gCompanyCode = QStringLiteral("03");
    RecipientWindow *w = fx.open("GrupMesaj", "frmGrupMesaj");
    QVERIFY(w);
    QCOMPARE(fx.main.prompts.count(), 0);
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), QStringLiteral("Müşteri grup bilgileri (Toplam : 0 kayıt)"));
    QCOMPARE(comboItems(Control<QComboBox>(w, "Combo1")), ErpColumnNames("GrupMesaj"));
    QCOMPARE(menuCaptions(), ErpColumnNames("GrupMesaj"));
    QVERIFY(Control<QPushButton>(w, "Command6")->isEnabled());
}

void TestRecipientWindows::failedLoad_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("className");
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("gridTitle");
    const QString connect = QStringLiteral("Orvek veritabanıyla bağlantı kurulamıyor.");
    const QString group = QStringLiteral("Grup bilgileri görüntülenemiyor.");
    const QString balance = QStringLiteral("Bakiye bilgileri görüntülenemiyor.");
    struct W {
        const char *node, *cls, *grid;
        QString stage;
    };
    const W windows[] = {{"ChkMesaj", "frmChkMesaj", "Müşteri bilgileri", group},
                         {"GrupMesaj", "frmGrupMesaj", "Müşteri grup bilgileri", group},
                         {"YetkiliMesaj", "frmYetkiliMesaj", "Müşteri yetkili bilgileri", group},
                         {"BakiyeGonder", "frmBakiyeGonder", "Müşteri bakiye bilgileri", balance}};
    for (const W &w : windows) {
        QTest::addRow("%s, server unreachable", w.cls)
            << w.node << w.cls << true << connect << QString::fromUtf8(w.grid);
        QTest::addRow("%s, query fails", w.cls) << w.node << w.cls << false << w.stage << QString::fromUtf8(w.grid);
    }
}

void TestRecipientWindows::failedLoad()
{
    QFETCH(QString, node);
    QFETCH(QString, className);
    QFETCH(bool, unreachable);
    QFETCH(QString, text);
    QFETCH(QString, gridTitle);

    RecipientFixture fx;
    if (unreachable)
        gErpServer = QStringLiteral("sqlite:") + fx.dir.path() + QStringLiteral("/no-server");
    else
        gCompanyCode = QStringLiteral("99"); // the server answers, the company's tables are missing

    RecipientWindow *w = fx.open(node, className);
    QVERIFY(w);
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text, text);
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Brenvik"));
    QVERIFY(w->loadFailed());

    // Shown, empty, and every control disabled.
    QVERIFY(w->isVisible());
    const QList<QWidget *> controls = w->findChildren<QWidget *>();
    QVERIFY(controls.size() > 25);
    for (QWidget *c : controls) QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), gridTitle);
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->view()->model()->rowCount(), 0);
    QCOMPARE(Control<QComboBox>(w, "Combo1")->count(), 0);
    QCOMPARE(menuCaptions(), QStringList({QString()})); // not refilled

    // Even a send hand-over does not enable "İleri >>" on a window without rows; another leaf
    // replaces the window.
    RecipientWindow::setSendHandler([](RecipientWindow &) {});
    QVERIFY(!Control<QPushButton>(w, "Command4")->isEnabled());
    QPointer<RecipientWindow> failed = w;
    fx.main.clickNode("OnLineServisler");
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
    MainWindowFixture::flushDeletes();
    QVERIFY(failed.isNull());
}

void TestRecipientWindows::layoutFollowsMainWindow()
{
    // The rules, from the window's client size in twips.
    const RecipientLayout l = RecipientLayout::compute(9150, 8940);
    QCOMPARE(l.frame3Width, 8975);
    QCOMPARE(l.frame2Left, 9150 - 3015 - 75);
    QCOMPARE(l.frame2Top, 855 - 75);
    QCOMPARE(l.frame2Height, 8940 - 1900 - 1590);
    QCOMPARE(l.command2Top, l.frame2Height - 590);
    QCOMPARE(l.list1Height, l.frame2Height - 3240 - 590);
    QCOMPARE(l.frame1Top, 8940 - 2600);
    QCOMPARE(l.gridTop, 870);
    QCOMPARE(l.gridWidth, l.frame2Left - 195);
    QCOMPARE(l.gridHeight, 8940 - 1900 - 1680);
    QCOMPARE(l.label7Left, 8975 - 540 - 495 - 105);
    QCOMPARE(l.label1Left, 8975 - 540 - 45);
    QCOMPARE(l.command4Top, 8940 - 645);
    QCOMPARE(l.command4Left, 9150 - 1215 - 75);
    // The design keeps the frames apart: filter frame and grid end above the message frame,
    // the grid left of the filter frame.
    QVERIFY(l.frame2Top + l.frame2Height < l.frame1Top);
    QVERIFY(l.gridTop + l.gridHeight < l.frame1Top);
    QVERIFY(90 + l.gridWidth < l.frame2Left);

    // Applied after every resize of the main window.
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    for (const QSize size : {QSize(1100, 800), QSize(900, 650)}) {
        fx.main.mdi()->resize(size);
        QTRY_COMPARE(w->width(), tw(fx.main.mdi()->ScaleWidth() - 2850));
        QCOMPARE(w->height(), tw(fx.main.mdi()->ScaleHeight() - 60));
        QCOMPARE(w->pos(), QPoint(tw(2800), 0));
        const RecipientLayout r = RecipientLayout::compute(WidthTw(w), HeightTw(w));
        QCOMPARE(Control<QGroupBox>(w, "Frame2")->geometry().topLeft(), QPoint(tw(r.frame2Left), tw(r.frame2Top)));
        QCOMPARE(Control<QGroupBox>(w, "Frame2")->height(), tw(r.frame2Height));
        QCOMPARE(Control<DataGrid>(w, "DataGrid1")->geometry(),
                 QRect(tw(90), tw(r.gridTop), tw(r.gridWidth), tw(r.gridHeight)));
        QCOMPARE(Control<QGroupBox>(w, "Frame1")->y(), tw(r.frame1Top));
        QCOMPARE(Control<QGroupBox>(w, "Frame1")->width(), tw(r.frame1Width));
        QCOMPARE(Control<QLabel>(w, "Label7")->x(), tw(r.label7Left));
        QCOMPARE(Control<QPushButton>(w, "Command4")->pos(), QPoint(tw(r.command4Left), tw(r.command4Top)));
        QCOMPARE(Control<QListWidget>(w, "List1")->height(), tw(r.list1Height));
    }
}

void TestRecipientWindows::counter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("red");
    QTest::newRow("empty") << ""
                           << "160" << false;
    QTest::newRow("exactly 160") << QString(160, 'a') << "0" << false;
    QTest::newRow("161") << QString(161, 'a') << "-1" << true;
    QTest::newRow("Turkish letters count one each") << QStringLiteral("ğüşıöçİ") << "153" << false;
    QTest::newRow("line break counts two") << "ab\ncd"
                                           << "154" << false;
    QTest::newRow("159 and a line break") << QString(159, 'a') + "\n"
                                          << "-1" << true;
    QTest::newRow("placeholder as typed") << "[##Unvan1##]"
                                          << "148" << false;
}

void TestRecipientWindows::counter()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, red);
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(QString(200, 'x')); // red first, so black has to come back
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(text);
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), shown);
    QCOMPARE(textColour(Control<QLabel>(w, "Label7")), red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    QCOMPARE(Control<QLabel>(w, "Label1")->text(), QStringLiteral("/ 160"));
    // The hand-over reads the text with CR LF breaks.
    QCOMPARE(w->messageText(), QString(text).replace("\n", "\r\n"));
}

void TestRecipientWindows::counterCountsTypedLineBreakAsTwo()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("BakiyeGonder", "frmBakiyeGonder");
    QVERIFY(w);
    QTest::keyClicks(Control<QPlainTextEdit>(w, "txtMesaj"), "ab");
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QStringLiteral("158"));
    QTest::keyClick(Control<QPlainTextEdit>(w, "txtMesaj"), Qt::Key_Return);
    QTest::keyClicks(Control<QPlainTextEdit>(w, "txtMesaj"), "c");
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QStringLiteral("155"));
    QCOMPARE(w->messageText(), QStringLiteral("ab\r\nc"));
}

void TestRecipientWindows::fieldMenuInsertsPlaceholder()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("Sayın ");
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    frmPop *pop = frmPop::instance();
    QTRY_VERIFY(Control<QMenu>(pop, "mnuGizli")->isVisible());
    QCOMPARE(pop->TargetForm.data(), w);
    QCOMPARE(pop->TargetTextBox.data(), Control<QPlainTextEdit>(w, "txtMesaj"));
    const int item = int(ErpColumnNames("YetkiliMesaj").indexOf("Unvan1"));
    pop->AltmnuAry().at(item)->trigger();
    Control<QMenu>(pop, "mnuGizli")->hide();
    QCOMPARE(Control<QPlainTextEdit>(w, "txtMesaj")->toPlainText(), QStringLiteral("[##Unvan1##]Sayın "));
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QString::number(160 - 12 - 6));
}

void TestRecipientWindows::templatePickReplacesMessage()
{
    RecipientFixture fx;
    InsertTemplate("ChkMesaj", QStringLiteral("Başka türün şablonu"), "00");
    InsertTemplate("YetkiliMesaj", QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır."), "00");
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("eski metin");

    QString caption;
    QStringList rows;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        if (!p || !p->isVisible()) return;
        caption = p->windowTitle();
        for (int i = 0; i < p->rsSablon().rowCount(); ++i) rows << p->rsSablon().value(i, 0).toString();
        Control<DataGrid>(p, "DataGrid1")->setCurrentRow(0);
        QTest::mouseClick(Control<QPushButton>(p, "Command1"), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(w, "Command5"), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Mesaj şablonları - Yetkililere mesaj gönder"));
    QCOMPARE(rows, QStringList({QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır.")}));
    // The whole text replaced, placeholders as stored; the counter follows (CR LF counts two).
    QCOMPARE(w->messageText(), QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır."));
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QString::number(160 - 41));
    QVERIFY(!WorkForms::isLoaded("frmSablon"));
}

void TestRecipientWindows::conditionLines()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    auto *Command6 = Control<QPushButton>(w, "Command6");
    auto *Combo2 = Control<QComboBox>(w, "Combo2");

    // Each missing input: its warning, titled "Uyarı", the focus on it, and no line.
    Control<QPlainTextEdit>(w, "txtMesaj")->setFocus();
    QTest::mouseClick(Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Control<QComboBox>(w, "Combo1"));
    Control<QComboBox>(w, "Combo1")->setCurrentText("YetkiliAdi");
    QTest::mouseClick(Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Combo2);
    Combo2->setCurrentText("like");
    QTest::mouseClick(Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Control<QLineEdit>(w, "txtDeger"));
    QCOMPARE(fx.main.prompts.texts(), QStringList({"Alan Adı Seçiniz", "Operatör Seçiniz", "Lütfen Değer Giriniz"}));
    for (const PromptRecord &r : fx.main.prompts.records()) {
        QCOMPARE(r.icon, PromptIcon::Information);
        QCOMPARE(r.title, QStringLiteral("Uyarı"));
    }
    QCOMPARE(Control<QListWidget>(w, "List1")->count(), 0);
    fx.main.prompts.clear();

    // Before any type is clicked the seven operators stay, "<" on text included.
    Combo2->setCurrentText("<");
    Control<QLineEdit>(w, "txtDeger")->setText("O'Brien *");
    QTest::mouseClick(Command6, Qt::LeftButton);
    // A click on the option already chosen gives its operators too.
    Control<QPlainTextEdit>(w, "txtMesaj")->setFocus();
    QTest::mouseClick(Control<QRadioButton>(w, "Option1"), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Combo2);
    QCOMPARE(comboItems(Combo2), QStringList({"=", "<>", "like"}));
    QCOMPARE(Combo2->currentText(), QString());
    addLine(w, Control<QRadioButton>(w, "Option2"), "MedeniHali", ">=", "2");
    QCOMPARE(comboItems(Combo2), QStringList({"=", "<", ">", "<=", ">=", "<>"}));
    addLine(w, Control<QRadioButton>(w, "Option3"), "DogumTarihi", "<>", "15031980");
    QVERIFY(Control<QLineEdit>(w, "txtTarih")->isVisible());
    QVERIFY(!Control<QLineEdit>(w, "txtDeger")->isVisible());
    // An untouched date box counts as empty.
    Control<QLineEdit>(w, "txtTarih")->clear();
    QTest::mouseClick(Command6, Qt::LeftButton);
    QCOMPARE(fx.main.prompts.texts(), QStringList({"Lütfen Değer Giriniz"}));
    addLine(w, Control<QRadioButton>(w, "Option1"), "Unvan1", "=", "Işık Tekstil A.Ş.");
    QCOMPARE(comboItems(Combo2), QStringList({"=", "<>", "like"}));
    // The value box kept what "Sayı" left in it until the line above replaced it.
    QCOMPARE(listLines(Control<QListWidget>(w, "List1")),
             QStringList({"YetkiliAdi < 'O'Brien *'", "MedeniHali >= 2", "DogumTarihi <> #15/03/1980#",
                          "Unvan1 = 'Işık Tekstil A.Ş.'"}));
    // Adding lines filters nothing yet.
    QCOMPARE(Control<ErpDataControl>(w, w->members().dataControl)->RecordCount(), 5);
}

void TestRecipientWindows::numberBoxTakesDigitsOnly()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    auto *txtDeger = Control<QLineEdit>(w, "txtDeger");
    QTest::keyClicks(txtDeger, "Ab1");
    QTest::mouseClick(Control<QRadioButton>(w, "Option2"), Qt::LeftButton);
    QTest::keyClicks(txtDeger, "2-3,4.x5");
    QCOMPARE(txtDeger->text(), QStringLiteral("Ab12345"));
    QTest::keyClick(txtDeger, Qt::Key_Backspace);
    QCOMPARE(txtDeger->text(), QStringLiteral("Ab1234"));
    QTest::mouseClick(Control<QRadioButton>(w, "Option1"), Qt::LeftButton);
    QTest::keyClicks(txtDeger, "-y");
    QCOMPARE(txtDeger->text(), QStringLiteral("Ab1234-y"));
}

void TestRecipientWindows::filterAppliedRefusedAndRemoved()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    auto *Command2 = Control<QPushButton>(w, "Command2");
    auto *DataGrid1 = Control<DataGrid>(w, "DataGrid1");
    const QString title = QStringLiteral("Müşteri yetkili bilgileri (Toplam : %1 kayıt)");
    QTableView *view = DataGrid1->view();
    QHeaderView *header = view->horizontalHeader();
    header->resizeSection(1, 333); // the operator's width survives filtering

    // "Filtrele" with no line does nothing.
    QTest::mouseClick(Command2, Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton);
    QCOMPARE(DataGrid1->caption(), title.arg(5));

    // Turkish case: 'i*' is İsmail, not Irmak.
    addLine(w, Control<QRadioButton>(w, "Option1"), "YetkiliAdi", "like", "i*");
    QTest::mouseClick(Command2, Qt::LeftButton);
    QCOMPARE(DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(view->model()->index(0, 3).data().toString(), QStringLiteral("İsmail"));
    QCOMPARE(header->sectionSize(1), 333);

    // Two lines must both hold: women born before 1980.
    Control<QListWidget>(w, "List1")->clear();
    addLine(w, Control<QRadioButton>(w, "Option1"), "Cinsiyet", "=", "k");
    addLine(w, Control<QRadioButton>(w, "Option3"), "DogumTarihi", "<", "01011980");
    QTest::mouseClick(Command2, Qt::LeftButton);
    QCOMPARE(DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->index(0, 3).data().toString(), QStringLiteral("Çiğdem"));
    QCOMPARE(fx.main.prompts.count(), 0);

    // A refused line: the message names it; the filter and the count in force stay.
    addLine(w, Control<QRadioButton>(w, "Option1"), "Unvan1", "=", "O'Brien");
    QTest::mouseClick(Command2, Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QVERIFY2(fx.main.prompts.last().text.startsWith(kFilterMessage), qPrintable(fx.main.prompts.last().text));
    QVERIFY(fx.main.prompts.last().text.contains("3."));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(Control<QListWidget>(w, "List1")->count(), 3);

    // "Filtre kaldır" runs the query again: a row added on the server meanwhile shows.
    fx.erp.addContact("01", {{"Sirket", "120.004"},
                             {"Adi", QStringLiteral("Oya")},
                             {"Soyadi", QStringLiteral("Şen")},
                             {"Cinsiyet", "K"},
                             {"CepTelBKod", "555"},
                             {"CepTel", "1010101"}});
    QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton);
    QCOMPARE(DataGrid1->caption(), title.arg(6));
    QCOMPARE(view->model()->rowCount(), 6);
    QCOMPARE(Control<QListWidget>(w, "List1")->count(), 3); // the lines stay
    QCOMPARE(header->sectionSize(1), 333);

    // The two good lines again filter the fresh rows.
    delete Control<QListWidget>(w, "List1")->takeItem(2);
    QTest::mouseClick(Command2, Qt::LeftButton);
    QCOMPARE(DataGrid1->caption(), title.arg(1));

    // When the query cannot run again, the rows held stay, all shown, and the caption counts them.
    gCompanyCode = QStringLiteral("99");
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QVERIFY(
        fx.main.prompts.last().text.startsWith("Grup bilgileri görüntülenemiyor.\r\nSistemin ürettiği hata mesajı : "));
    QCOMPARE(DataGrid1->caption(), title.arg(6));
    QCOMPARE(view->model()->rowCount(), 6);

    // Every opening starts afresh: no lines, no filter, an empty value box.
    gCompanyCode = QStringLiteral("01");
    Control<QLineEdit>(w, "txtDeger")->setText("kalan");
    RecipientWindow *again = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(again && again != w);
    QCOMPARE(Control<QListWidget>(again, "List1")->count(), 0);
    QCOMPARE(Control<QLineEdit>(again, "txtDeger")->text(), QString());
    QCOMPARE(Control<DataGrid>(again, "DataGrid1")->caption(), title.arg(6));
}

void TestRecipientWindows::removingLines()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    auto *List1 = Control<QListWidget>(w, "List1");
    addLine(w, Control<QRadioButton>(w, "Option1"), "HesapKodu", "=", "120.001");
    addLine(w, Control<QRadioButton>(w, "Option1"), "HesapKodu", "=", "120.001"); // the same line twice is kept twice
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), QStringLiteral("Müşteri bilgileri (Toplam : 3 kayıt)"));

    // "Sil" with no line selected does nothing.
    List1->setCurrentRow(-1);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(List1->count(), 2);
    QCOMPARE(fx.main.prompts.count(), 0);

    // Removing the selected line leaves none selected, so a second "Sil" removes nothing.
    List1->setCurrentRow(0);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(List1->count(), 1);

    // With every line gone the filter stays: "Filtrele" and "Filtre kaldır" do nothing.
    List1->setCurrentRow(0);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(List1->count(), 0);
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton);
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), QStringLiteral("Müşteri bilgileri (Toplam : 3 kayıt)"));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->view()->model()->rowCount(), 3);
}

void TestRecipientWindows::removeNeedsASelectedLine()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    auto *List1 = Control<QListWidget>(w, "List1");
    addLine(w, Control<QRadioButton>(w, "Option1"), "HesapKodu", "=", "120.001");
    addLine(w, Control<QRadioButton>(w, "Option1"), "HesapKodu", "=", "120.002");
    // The keyboard focus entering the list makes a line current without selecting it.
    List1->setFocus(Qt::TabFocusReason);
    QVERIFY(List1->selectedItems().isEmpty());
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(List1->count(), 2);
    // A line unselected again (Ctrl+click) is not removed either.
    List1->setCurrentRow(1);
    List1->item(1)->setSelected(false);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(List1->count(), 2);
    // The selected line goes, whichever is current.
    List1->setCurrentRow(0);
    List1->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    QTest::mouseClick(Control<QPushButton>(w, "Command7"), Qt::LeftButton);
    QCOMPARE(listLines(List1), QStringList({"HesapKodu = '120.002'"}));
    QCOMPARE(fx.main.prompts.count(), 0);
}

void TestRecipientWindows::numberBoxLetsTabMoveOn()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    auto *txtDeger = Control<QLineEdit>(w, "txtDeger");
    QTest::mouseClick(Control<QRadioButton>(w, "Option2"), Qt::LeftButton);
    txtDeger->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), txtDeger);
    QTest::keyClick(txtDeger, Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() != txtDeger);
    txtDeger->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), txtDeger);
    QTest::keyClick(txtDeger, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(QApplication::focusWidget() != txtDeger);
    QCOMPARE(txtDeger->text(), QString());
}

void TestRecipientWindows::sendHandlerBehindNextButton()
{
    RecipientFixture fx;
    QStringList calls;
    RecipientWindow::setSendHandler([&calls](RecipientWindow &w) {
        calls << QStringLiteral("%1:%2:%3").arg(w.objectName()).arg(w.recordSet().rowCount()).arg(w.messageText());
        w.hide();
    });
    RecipientWindow *w = fx.open("GrupMesaj", "frmGrupMesaj");
    QVERIFY(w);
    QVERIFY(Control<QPushButton>(w, "Command4")->isEnabled());
    addLine(w, Control<QRadioButton>(w, "Option1"), "YetkiliAdi", "=", "Ayşe");
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("Merhaba\n[##Unvan1##]");
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(calls, QStringList({"frmGrupMesaj:1:Merhaba\r\n[##Unvan1##]"}));
    QVERIFY(!w->isVisible());
    // Shown again it keeps its rows, filter, lines and text.
    w->Show();
    QVERIFY(w->isVisible());
    QCOMPARE(w->recordSet().rowCount(), 1);
    QCOMPARE(Control<QListWidget>(w, "List1")->count(), 1);
    QCOMPARE(Control<QPlainTextEdit>(w, "txtMesaj")->toPlainText(), QStringLiteral("Merhaba\n[##Unvan1##]"));
}

QTEST_MAIN(TestRecipientWindows)
#include "tst_recipientwindows.moc"
