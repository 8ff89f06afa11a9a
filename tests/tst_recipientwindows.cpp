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
        main.ana()->TreeView1->expandAll();
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
    w->Combo1->setCurrentText(field);
    w->Combo2->setCurrentText(op);
    if (type == w->Option3) {
        w->txtTarih->clear();
        w->txtTarih->setCursorPosition(0);
        QTest::keyClicks(w->txtTarih, value);
    } else {
        w->txtDeger->setText(value);
    }
    QTest::mouseClick(w->Command6, Qt::LeftButton);
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
    QTableView *view = w->DataGrid1->view();
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

    QCOMPARE(w->Label6->text(), title);
    QCOMPARE(w->Label8->text(), description);
    QCOMPARE(w->DataGrid1->caption(), caption);
    QCOMPARE(w->dataControl->objectName(), dataControl);
    QCOMPARE(w->findChild<ErpDataControl *>(dataControl), w->dataControl);

    // Every column of the query, in its order, in the grid, the field list and the field menu.
    const QStringList names = ErpColumnNames(kind);
    QCOMPARE(names.size(), columns);
    QTableView *view = w->DataGrid1->view();
    QCOMPARE(headerNames(view), names);
    QCOMPARE(view->model()->rowCount(), w->dataControl->RecordCount());
    QCOMPARE(comboItems(w->Combo1), names);
    QCOMPARE(w->Combo1->currentText(), QString());
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
    QCOMPARE(w->Frame2->title(), QStringLiteral("Filtre uygula"));
    QCOMPARE(w->Frame1->title(), QStringLiteral("Mesaj içeriği"));
    QVERIFY(w->Option1->isChecked());
    QCOMPARE(comboItems(w->Combo2), QStringList({"=", "<", ">", "<=", ">=", "<>", "like"}));
    QCOMPARE(w->Combo2->currentText(), QString());
    QVERIFY(w->txtDeger->isVisible());
    QVERIFY(!w->txtTarih->isVisible());
    QCOMPARE(w->List1->count(), 0);
    QCOMPARE(w->Label7->text(), QStringLiteral("160"));
    QCOMPARE(w->Label1->text(), QStringLiteral("/ 160"));
    QCOMPARE(w->Command4->text(), QStringLiteral("İleri >>"));
    QVERIFY(!w->Command4->isEnabled()); // no send hand-over installed
    QVERIFY(!w->chkSablonKaydet->isChecked());
    QCOMPARE(w->chkSablonKaydet->text(), QStringLiteral("Mesajı şablon olarak kaydet."));
    auto *dup = w->findChild<QCheckBox *>("chkMukerrer");
    QCOMPARE(dup != nullptr, duplicateOption);
    QCOMPARE(w->chkMukerrer, dup);
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
    QCOMPARE(w->DataGrid1->caption(), QStringLiteral("Müşteri grup bilgileri (Toplam : 0 kayıt)"));
    QCOMPARE(comboItems(w->Combo1), ErpColumnNames("GrupMesaj"));
    QCOMPARE(menuCaptions(), ErpColumnNames("GrupMesaj"));
    QVERIFY(w->Command6->isEnabled());
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
    QCOMPARE(w->DataGrid1->caption(), gridTitle);
    QCOMPARE(w->DataGrid1->view()->model()->rowCount(), 0);
    QCOMPARE(w->Combo1->count(), 0);
    QCOMPARE(menuCaptions(), QStringList({QString()})); // not refilled

    // Even a send hand-over does not enable "İleri >>" on a window without rows; another leaf
    // replaces the window.
    RecipientWindow::setSendHandler([](RecipientWindow &) {});
    QVERIFY(!w->Command4->isEnabled());
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
        QCOMPARE(w->Frame2->geometry().topLeft(), QPoint(tw(r.frame2Left), tw(r.frame2Top)));
        QCOMPARE(w->Frame2->height(), tw(r.frame2Height));
        QCOMPARE(w->DataGrid1->geometry(), QRect(tw(90), tw(r.gridTop), tw(r.gridWidth), tw(r.gridHeight)));
        QCOMPARE(w->Frame1->y(), tw(r.frame1Top));
        QCOMPARE(w->Frame1->width(), tw(r.frame1Width));
        QCOMPARE(w->Label7->x(), tw(r.label7Left));
        QCOMPARE(w->Command4->pos(), QPoint(tw(r.command4Left), tw(r.command4Top)));
        QCOMPARE(w->List1->height(), tw(r.list1Height));
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
    w->txtMesaj->setPlainText(QString(200, 'x')); // red first, so black has to come back
    w->txtMesaj->setPlainText(text);
    QCOMPARE(w->Label7->text(), shown);
    QCOMPARE(textColour(w->Label7), red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    QCOMPARE(w->Label1->text(), QStringLiteral("/ 160"));
    // The hand-over reads the text with CR LF breaks.
    QCOMPARE(w->messageText(), QString(text).replace("\n", "\r\n"));
}

void TestRecipientWindows::counterCountsTypedLineBreakAsTwo()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("BakiyeGonder", "frmBakiyeGonder");
    QVERIFY(w);
    QTest::keyClicks(w->txtMesaj, "ab");
    QCOMPARE(w->Label7->text(), QStringLiteral("158"));
    QTest::keyClick(w->txtMesaj, Qt::Key_Return);
    QTest::keyClicks(w->txtMesaj, "c");
    QCOMPARE(w->Label7->text(), QStringLiteral("155"));
    QCOMPARE(w->messageText(), QStringLiteral("ab\r\nc"));
}

void TestRecipientWindows::fieldMenuInsertsPlaceholder()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    w->txtMesaj->setPlainText("Sayın ");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    frmPop *pop = frmPop::instance();
    QTRY_VERIFY(pop->mnuGizli->isVisible());
    QCOMPARE(pop->TargetForm.data(), w);
    QCOMPARE(pop->TargetTextBox.data(), w->txtMesaj);
    const int item = int(ErpColumnNames("YetkiliMesaj").indexOf("Unvan1"));
    pop->AltmnuAry().at(item)->trigger();
    pop->mnuGizli->hide();
    QCOMPARE(w->txtMesaj->toPlainText(), QStringLiteral("[##Unvan1##]Sayın "));
    QCOMPARE(w->Label7->text(), QString::number(160 - 12 - 6));
}

void TestRecipientWindows::templatePickReplacesMessage()
{
    RecipientFixture fx;
    InsertTemplate("ChkMesaj", QStringLiteral("Başka türün şablonu"), "00");
    InsertTemplate("YetkiliMesaj", QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır."), "00");
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    w->txtMesaj->setPlainText("eski metin");

    QString caption;
    QStringList rows;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        if (!p || !p->isVisible()) return;
        caption = p->windowTitle();
        for (int i = 0; i < p->rsSablon().rowCount(); ++i) rows << p->rsSablon().value(i, 0).toString();
        p->DataGrid1->setCurrentRow(0);
        QTest::mouseClick(p->Command1, Qt::LeftButton);
    });
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Mesaj şablonları - Yetkililere mesaj gönder"));
    QCOMPARE(rows, QStringList({QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır.")}));
    // The whole text replaced, placeholders as stored; the counter follows (CR LF counts two).
    QCOMPARE(w->messageText(), QStringLiteral("Sayın [##YetkiliAdi##],\r\nbakiyeniz hazır."));
    QCOMPARE(w->Label7->text(), QString::number(160 - 41));
    QVERIFY(!WorkForms::isLoaded("frmSablon"));
}

void TestRecipientWindows::conditionLines()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);

    // Each missing input: its warning, titled "Uyarı", the focus on it, and no line.
    w->txtMesaj->setFocus();
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w->Combo1);
    w->Combo1->setCurrentText("YetkiliAdi");
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w->Combo2);
    w->Combo2->setCurrentText("like");
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w->txtDeger);
    QCOMPARE(fx.main.prompts.texts(), QStringList({"Alan Adı Seçiniz", "Operatör Seçiniz", "Lütfen Değer Giriniz"}));
    for (const PromptRecord &r : fx.main.prompts.records()) {
        QCOMPARE(r.icon, PromptIcon::Information);
        QCOMPARE(r.title, QStringLiteral("Uyarı"));
    }
    QCOMPARE(w->List1->count(), 0);
    fx.main.prompts.clear();

    // Before any type is clicked the seven operators stay, "<" on text included.
    w->Combo2->setCurrentText("<");
    w->txtDeger->setText("O'Brien *");
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    // A click on the option already chosen gives its operators too.
    w->txtMesaj->setFocus();
    QTest::mouseClick(w->Option1, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), w->Combo2);
    QCOMPARE(comboItems(w->Combo2), QStringList({"=", "<>", "like"}));
    QCOMPARE(w->Combo2->currentText(), QString());
    addLine(w, w->Option2, "MedeniHali", ">=", "2");
    QCOMPARE(comboItems(w->Combo2), QStringList({"=", "<", ">", "<=", ">=", "<>"}));
    addLine(w, w->Option3, "DogumTarihi", "<>", "15031980");
    QVERIFY(w->txtTarih->isVisible());
    QVERIFY(!w->txtDeger->isVisible());
    // An untouched date box counts as empty.
    w->txtTarih->clear();
    QTest::mouseClick(w->Command6, Qt::LeftButton);
    QCOMPARE(fx.main.prompts.texts(), QStringList({"Lütfen Değer Giriniz"}));
    addLine(w, w->Option1, "Unvan1", "=", "Işık Tekstil A.Ş.");
    QCOMPARE(comboItems(w->Combo2), QStringList({"=", "<>", "like"}));
    // The value box kept what "Sayı" left in it until the line above replaced it.
    QCOMPARE(listLines(w->List1), QStringList({"YetkiliAdi < 'O'Brien *'", "MedeniHali >= 2",
                                               "DogumTarihi <> #15/03/1980#", "Unvan1 = 'Işık Tekstil A.Ş.'"}));
    // Adding lines filters nothing yet.
    QCOMPARE(w->dataControl->RecordCount(), 5);
}

void TestRecipientWindows::numberBoxTakesDigitsOnly()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    QTest::keyClicks(w->txtDeger, "Ab1");
    QTest::mouseClick(w->Option2, Qt::LeftButton);
    QTest::keyClicks(w->txtDeger, "2-3,4.x5");
    QCOMPARE(w->txtDeger->text(), QStringLiteral("Ab12345"));
    QTest::keyClick(w->txtDeger, Qt::Key_Backspace);
    QCOMPARE(w->txtDeger->text(), QStringLiteral("Ab1234"));
    QTest::mouseClick(w->Option1, Qt::LeftButton);
    QTest::keyClicks(w->txtDeger, "-y");
    QCOMPARE(w->txtDeger->text(), QStringLiteral("Ab1234-y"));
}

void TestRecipientWindows::filterAppliedRefusedAndRemoved()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    const QString title = QStringLiteral("Müşteri yetkili bilgileri (Toplam : %1 kayıt)");
    QTableView *view = w->DataGrid1->view();
    QHeaderView *header = view->horizontalHeader();
    header->resizeSection(1, 333); // the operator's width survives filtering

    // "Filtrele" with no line does nothing.
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), title.arg(5));

    // Turkish case: 'i*' is İsmail, not Irmak.
    addLine(w, w->Option1, "YetkiliAdi", "like", "i*");
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(view->model()->index(0, 3).data().toString(), QStringLiteral("İsmail"));
    QCOMPARE(header->sectionSize(1), 333);

    // Two lines must both hold: women born before 1980.
    w->List1->clear();
    addLine(w, w->Option1, "Cinsiyet", "=", "k");
    addLine(w, w->Option3, "DogumTarihi", "<", "01011980");
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->index(0, 3).data().toString(), QStringLiteral("Çiğdem"));
    QCOMPARE(fx.main.prompts.count(), 0);

    // A refused line: the message names it; the filter and the count in force stay.
    addLine(w, w->Option1, "Unvan1", "=", "O'Brien");
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QVERIFY2(fx.main.prompts.last().text.startsWith(kFilterMessage), qPrintable(fx.main.prompts.last().text));
    QVERIFY(fx.main.prompts.last().text.contains("3."));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(w->DataGrid1->caption(), title.arg(1));
    QCOMPARE(view->model()->rowCount(), 1);
    QCOMPARE(w->List1->count(), 3);

    // "Filtre kaldır" runs the query again: a row added on the server meanwhile shows.
    fx.erp.addContact("01", {{"Sirket", "120.004"},
                             {"Adi", QStringLiteral("Oya")},
                             {"Soyadi", QStringLiteral("Şen")},
                             {"Cinsiyet", "K"},
                             {"CepTelBKod", "555"},
                             {"CepTel", "1010101"}});
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), title.arg(6));
    QCOMPARE(view->model()->rowCount(), 6);
    QCOMPARE(w->List1->count(), 3); // the lines stay
    QCOMPARE(header->sectionSize(1), 333);

    // The two good lines again filter the fresh rows.
    delete w->List1->takeItem(2);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), title.arg(1));

    // When the query cannot run again, the rows held stay, all shown, and the caption counts them.
    gCompanyCode = QStringLiteral("99");
    fx.main.prompts.clear();
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QVERIFY(
        fx.main.prompts.last().text.startsWith("Grup bilgileri görüntülenemiyor.\r\nSistemin ürettiği hata mesajı : "));
    QCOMPARE(w->DataGrid1->caption(), title.arg(6));
    QCOMPARE(view->model()->rowCount(), 6);

    // Every opening starts afresh: no lines, no filter, an empty value box.
    gCompanyCode = QStringLiteral("01");
    w->txtDeger->setText("kalan");
    RecipientWindow *again = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(again && again != w);
    QCOMPARE(again->List1->count(), 0);
    QCOMPARE(again->txtDeger->text(), QString());
    QCOMPARE(again->DataGrid1->caption(), title.arg(6));
}

void TestRecipientWindows::removingLines()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    addLine(w, w->Option1, "HesapKodu", "=", "120.001");
    addLine(w, w->Option1, "HesapKodu", "=", "120.001"); // the same line twice is kept twice
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), QStringLiteral("Müşteri bilgileri (Toplam : 3 kayıt)"));

    // "Sil" with no line selected does nothing.
    w->List1->setCurrentRow(-1);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->List1->count(), 2);
    QCOMPARE(fx.main.prompts.count(), 0);

    // Removing the selected line leaves none selected, so a second "Sil" removes nothing.
    w->List1->setCurrentRow(0);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->List1->count(), 1);

    // With every line gone the filter stays: "Filtrele" and "Filtre kaldır" do nothing.
    w->List1->setCurrentRow(0);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->List1->count(), 0);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
    QCOMPARE(w->DataGrid1->caption(), QStringLiteral("Müşteri bilgileri (Toplam : 3 kayıt)"));
    QCOMPARE(w->DataGrid1->view()->model()->rowCount(), 3);
}

void TestRecipientWindows::removeNeedsASelectedLine()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    addLine(w, w->Option1, "HesapKodu", "=", "120.001");
    addLine(w, w->Option1, "HesapKodu", "=", "120.002");
    // The keyboard focus entering the list makes a line current without selecting it.
    w->List1->setFocus(Qt::TabFocusReason);
    QVERIFY(w->List1->selectedItems().isEmpty());
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->List1->count(), 2);
    // A line unselected again (Ctrl+click) is not removed either.
    w->List1->setCurrentRow(1);
    w->List1->item(1)->setSelected(false);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(w->List1->count(), 2);
    // The selected line goes, whichever is current.
    w->List1->setCurrentRow(0);
    w->List1->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    QTest::mouseClick(w->Command7, Qt::LeftButton);
    QCOMPARE(listLines(w->List1), QStringList({"HesapKodu = '120.002'"}));
    QCOMPARE(fx.main.prompts.count(), 0);
}

void TestRecipientWindows::numberBoxLetsTabMoveOn()
{
    RecipientFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    QTest::mouseClick(w->Option2, Qt::LeftButton);
    w->txtDeger->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w->txtDeger);
    QTest::keyClick(w->txtDeger, Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() != w->txtDeger);
    w->txtDeger->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w->txtDeger);
    QTest::keyClick(w->txtDeger, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(QApplication::focusWidget() != w->txtDeger);
    QCOMPARE(w->txtDeger->text(), QString());
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
    QVERIFY(w->Command4->isEnabled());
    addLine(w, w->Option1, "YetkiliAdi", "=", "Ayşe");
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    w->txtMesaj->setPlainText("Merhaba\n[##Unvan1##]");
    QTest::mouseClick(w->Command4, Qt::LeftButton);
    QCOMPARE(calls, QStringList({"frmGrupMesaj:1:Merhaba\r\n[##Unvan1##]"}));
    QVERIFY(!w->isVisible());
    // Shown again it keeps its rows, filter, lines and text.
    w->Show();
    QVERIFY(w->isVisible());
    QCOMPARE(w->recordSet().rowCount(), 1);
    QCOMPARE(w->List1->count(), 1);
    QCOMPARE(w->txtMesaj->toPlainText(), QStringLiteral("Merhaba\n[##Unvan1##]"));
}

QTEST_MAIN(TestRecipientWindows)
#include "tst_recipientwindows.moc"
