#include "core/AppState.h"
#include "core/Normalizers.h"
#include "core/TimeSlice.h"
#include "messaging/ErpDataControl.h"
#include "messaging/RecipientHandOver.h"
#include "messaging/RecipientWindows.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "messaging/frmSonEkran.h"
#include "reports/frmRapor.h"
#include "shell/OffThread.h"
#include "shell/WidgetServices.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBekle.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/XlsxReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kBrenvik = QStringLiteral("Brenvik");

// The sample ERP stand-in (built once), copied into `folder`, with one more contact of
// 120.001 whose number is Ayşe's written another way.
QString copyOfSample(const QString &folder)
{
    static const ErpSampleCopies sample([](ErpStandIn &erp) {
        erp.addContact("01", {{"Sirket", "120.001"},
                              {"Adi", QStringLiteral("Aynur")},
                              {"Soyadi", "Yılmaz"},
                              {"CepTelBKod", "0532"},
                              {"CepTel", "123 45 67"}});
    });
    return sample.copyInto(folder);
}

// The main window over the sample ERP stand-in (company 01), the fake gateway as the
// account's gateway, the hand-over behind "İleri >>" and the real progress window.
struct HandOverFixture {
    MainWindowFixture main;
    FakeGateway gateway;
    QTemporaryDir dir;
    ErpStandIn erp{copyOfSample(dir.path() + QStringLiteral("/erp"))};

    HandOverFixture()
    {
        erp.configure();
        gCompanyCode = QStringLiteral("01");
        gGatewayUrl = gateway.url();
        SetDocumentsFolder(dir.path());
        InstallRecipientHandOver();
        Control<QTreeWidget>(main.ana(), "TreeView1")->expandAll();
    }
    ~HandOverFixture()
    {
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        RecipientWindow::setSendHandler(nullptr);
        SetDocumentsFolder(QString());
    }

    RecipientWindow *open(const QString &node, const QString &className)
    {
        main.clickNode(node);
        return qobject_cast<RecipientWindow *>(WorkForms::find(className));
    }
};

void addLine(RecipientWindow *w, const QString &field, const QString &op, const QString &value)
{
    QTest::mouseClick(Control<QRadioButton>(w, "Option1"), Qt::LeftButton);
    Control<QComboBox>(w, "Combo1")->setCurrentText(field);
    Control<QComboBox>(w, "Combo2")->setCurrentText(op);
    Control<QLineEdit>(w, "txtDeger")->setText(value);
    QTest::mouseClick(Control<QPushButton>(w, "Command6"), Qt::LeftButton);
}

QStringList sendListRows(const frmSonEkran *screen)
{
    QStringList rows;
    const RecordSet &list = screen->SendList();
    for (int i = 0; i < list.rowCount(); ++i) rows << list.value(i, 0).toString() + ":" + list.value(i, 1).toString();
    rows.sort();
    return rows;
}

// Runs `step` at the first yield of the merge loop (the first moment the loop lets events run).
// Runs step at the first yield of the filling loop. The send screen's account request before
// it also lets timers run (it waits off the window thread), so the step waits for the filling.
void atFirstYield(std::function<void()> step)
{
    auto *timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step)] {
        const frmSonEkran *screen = WorkForms::find<frmSonEkran>();
        if (OffThreadWait::runningCount() > 0 || !screen || !screen->isFilling()) return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start();
}
} // namespace

class TestRecipientHandOver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallWidgetServices(); } // the real progress window
    void init() { ResetAppState(); }
    void cleanup() { TimeSlice::setLength(-1); }

    void noRowUnderFilter();
    void emptyText();
    void unreadableTextStaysInWindow_data();
    void unreadableTextStaysInWindow();
    void handOverPerWindow_data();
    void handOverPerWindow();
    void staleCancelIsCleared();
    void everyTextOverLimit();
    void cancelDuringLoop_data();
    void cancelDuringLoop();
    void cancelAtLaterYield_data();
    void cancelAtLaterYield();
    void navigationDuringLoop_data();
    void navigationDuringLoop();
    void mainRoadEndToEnd();
};

void TestRecipientHandOver::noRowUnderFilter()
{
    HandOverFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    addLine(w, "HesapKodu", "=", "999.999");
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(w->recordSet().rowCount(), 0);
    gSendKind = "önceki";
    gMessageText = "önceki metin";
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("Merhaba");
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text, NoRecipientRowsText());
    QCOMPARE(fx.main.prompts.last().text, QStringLiteral("Mesaj gönderilecek kayıt bulunamadı."));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(fx.main.prompts.last().title, kBrenvik);
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(w->isVisible());
    QCOMPARE(gSendKind, QStringLiteral("önceki"));
    QCOMPARE(gMessageText, QStringLiteral("önceki metin"));
}

void TestRecipientHandOver::emptyText()
{
    HandOverFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    Control<QPushButton>(w, "Command4")->setFocus();
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text, QStringLiteral("Lütfen gönderilecek mesajı giriniz."));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(fx.main.prompts.last().title, kBrenvik);
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QTRY_VERIFY(Control<QPlainTextEdit>(w, "txtMesaj")->hasFocus());

    // One blank is a text: the run starts.
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(" ");
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QCOMPARE(screen->SendList().rowCount(), 5); // Aynur's number is Ayşe's
}

void TestRecipientHandOver::unreadableTextStaysInWindow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");
    QTest::newRow("close mark first") << "Sayın ##] [##Unvan1##]"
                                      << "Mesajdaki \"##]\" işareti, \"[##\" işaretinden önce geliyor.";
    QTest::newRow("open mark left alone") << "[##Unvan1##] [##Unvan2"
                                          << "Mesajdaki \"[##\" işaretinden sonra \"##]\" işareti yok.";
    QTest::newRow("no such column") << "Sayın [##Bakiye##]"
                                    << "Alan bulunamadı: Bakiye";
}

void TestRecipientHandOver::unreadableTextStaysInWindow()
{
    QFETCH(QString, text);
    QFETCH(QString, description);
    HandOverFixture fx;
    RecipientWindow *w = fx.open("GrupMesaj", "frmGrupMesaj");
    QVERIFY(w);
    gCancelRequested = true;
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(text);
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text,
             QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : ") + description);
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(fx.main.prompts.last().title, kBrenvik);
    // No send screen behind a hidden window: the operator stays where the text can be mended.
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(w->isVisible());
    QVERIFY(!frmBekle::isLoaded());
    QVERIFY(fx.gateway.requests().isEmpty());
    QVERIFY(gCancelRequested); // no run started
}

void TestRecipientHandOver::handOverPerWindow_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("sendKind");
    QTest::addColumn<bool>("allowDuplicates");
    QTest::addColumn<bool>("saveAsTemplate");
    QTest::addColumn<QStringList>("rows");

    // 120.001's contacts; Aynur's number is Ayşe's. "" stands for the one of the two that the
    // server lists first.
    const QStringList withDuplicate = {"5057654321:120.001 İsmail", "5321234567:120.001 Aynur",
                                       "5321234567:120.001 Ayşe", "5421112233:120.001 Gülşen"};
    const QStringList once = {"5057654321:120.001 İsmail", "", "5421112233:120.001 Gülşen"};
    QTest::newRow("account cards, duplicate test on") << "ChkMesaj"
                                                      << "frmChkMesaj"
                                                      << "Müşterilere mesaj gönder" << false << true << once;
    QTest::newRow("groups, duplicates allowed") << "GrupMesaj"
                                                << "frmGrupMesaj"
                                                << "Gruplara mesaj gönder" << true << false << withDuplicate;
    QTest::newRow("contact persons, duplicate test on") << "YetkiliMesaj"
                                                        << "frmYetkiliMesaj"
                                                        << "Yetkililere mesaj gönder" << false << false << once;
    QTest::newRow("balances, no duplicate test") << "BakiyeGonder"
                                                 << "frmBakiyeGonder"
                                                 << "Bakiye gönder" << false << true << withDuplicate;
}

void TestRecipientHandOver::handOverPerWindow()
{
    QFETCH(QString, node);
    QFETCH(QString, className);
    QFETCH(QString, sendKind);
    QFETCH(bool, allowDuplicates);
    QFETCH(bool, saveAsTemplate);
    QFETCH(QStringList, rows);
    HandOverFixture fx;
    RecipientWindow *w = fx.open(node, className);
    QVERIFY(w);
    addLine(w, "HesapKodu", "=", "120.001");
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(w->recordSet().rowCount(), 4);
    // frmBakiyeGonder has no duplicate option.
    if (auto *duplicates = w->findChild<QCheckBox *>("chkMukerrer")) duplicates->setChecked(allowDuplicates);
    Control<QCheckBox>(w, "chkSablonKaydet")->setChecked(saveAsTemplate);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("[##HesapKodu##] [##YetkiliAdi##]");
    gOverLimitRecipients.appendField("eski");
    fx.main.prompts.clear();

    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);

    QVERIFY(fx.main.prompts.records().isEmpty());
    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QVERIFY(screen->isVisible());
    QVERIFY(!w->isVisible());
    QVERIFY(WorkForms::find(className) == w); // hidden, still loaded
    QCOMPARE(screen->CallerForm.data(), static_cast<QWidget *>(w));
    QCOMPARE(screen->frmMDIForm.data(), fx.main.mdi());
    QCOMPARE(screen->SaveAsTemplate, saveAsTemplate);
    QCOMPARE(screen->TemplateKind, QString::fromLatin1(w->members().kindKey));
    QCOMPARE(gSendKind, sendKind);
    QCOMPARE(gMessageText, QStringLiteral("[##HesapKodu##] [##YetkiliAdi##]"));

    if (rows.contains(QString())) {
        // Only the first of the two with the same number is taken.
        const RecordSet &set = w->recordSet();
        for (int i = 0; i < set.rowCount(); ++i) {
            const QString name = set.value(i, "YetkiliAdi").toString();
            if (name == QStringLiteral("Ayşe") || name == QStringLiteral("Aynur")) {
                rows.replace(rows.indexOf(QString()), "5321234567:120.001 " + name);
                break;
            }
        }
        rows.sort();
    }
    QCOMPARE(sendListRows(screen), rows);
    QCOMPARE(Control<QLabel>(screen, "lblToplam")->text(), QStringLiteral(" %1").arg(rows.size()));
    QCOMPARE(Control<SendListModel>(screen, "Adodc1")->rowCount(), int(rows.size()));
    QVERIFY(Control<QPushButton>(screen, "cmdGonder")->isEnabled()); // the filling has ended
    QVERIFY(Control<QPushButton>(screen, "cmdLstCikart")->isEnabled());
    QCOMPARE(gProgressTotal, 4);
    QCOMPARE(gProgressDone, 4);
    QVERIFY(!frmBekle::isLoaded());
    QCOMPARE(gOverLimitRecipients.fieldNames(), w->recordSet().fieldNames()); // rebuilt, empty
    QCOMPARE(gOverLimitRecipients.rowCount(), 0);

    // "Vazgeç" on the complete list brings the recipient window back with its filter; a
    // second run starts from the first row again.
    QTest::mouseClick(Control<QPushButton>(screen, "cmdVazgec"), Qt::LeftButton);
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(w->isVisible());
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QCOMPARE(screen->SendList().rowCount(), int(rows.size()));
}

void TestRecipientHandOver::staleCancelIsCleared()
{
    HandOverFixture fx;
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    gCancelRequested = true; // left by an earlier run that was cancelled with nothing taken
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("Merhaba");
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QCOMPARE(screen->SendList().rowCount(), 5);
    QVERIFY(!gCancelRequested);
}

void TestRecipientHandOver::everyTextOverLimit()
{
    HandOverFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    // 154 characters, a line break that counts two, then the seven-character account code: 163.
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(QString(154, 'x') + "\n[##HesapKodu##]");
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text,
             QStringLiteral("Gönderilecek mesajlar 160 karakterden uzun olduğundan mesaj gönderimi yapılamıyor.\r\n"
                            "Lütfen mesaj içeriğinizi değiştirip tekrar deneyiniz."));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(fx.main.prompts.last().title, kBrenvik);
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(w->isVisible());
    QVERIFY(!frmBekle::isLoaded());
    // Every row is kept whole in the over-limit list, duplicates too (none is used).
    QCOMPARE(gOverLimitRecipients.rowCount(), 6);
    QCOMPARE(gOverLimitRecipients.fieldNames(), w->recordSet().fieldNames());
    QCOMPARE(gOverLimitRecipients.value(0, "CepTelBKod").toString(), w->recordSet().value(0, "CepTelBKod").toString());

    // 151 characters, the line break and the account code: 160, within the limit.
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(QString(151, 'x') + "\n[##HesapKodu##]");
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QVERIFY(fx.main.prompts.records().isEmpty());
    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QCOMPARE(screen->SendList().rowCount(), 5); // Aynur's number is Ayşe's
    QCOMPARE(screen->SendList().value(0, 1).toString().size(), 160);
    QCOMPARE(gOverLimitRecipients.rowCount(), 0);
}

void TestRecipientHandOver::cancelDuringLoop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("taken");
    // The first row of the stand-in is a 120.001 contact: "Çağlar Gıda Ltd. Şti." is 21
    // characters, the other accounts' names are shorter.
    QTest::newRow("rows taken stay") << "[##Unvan1##]" << 1;
    QTest::newRow("nothing taken") << "[##Unvan1##]" + QString(140, 'x') << 0;
}

void TestRecipientHandOver::cancelDuringLoop()
{
    QFETCH(QString, text);
    QFETCH(int, taken);
    HandOverFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(text);
    fx.main.prompts.clear();
    bool duringLoop = false;
    atFirstYield([&] {
        frmSonEkran *screen = WorkForms::find<frmSonEkran>();
        QVERIFY(screen && screen->isVisible());
        // While filling: no send, no removal; the progress window runs with its speed line.
        QVERIFY(!Control<QPushButton>(screen, "cmdGonder")->isEnabled());
        QVERIFY(!Control<QPushButton>(screen, "cmdLstCikart")->isEnabled());
        QVERIFY(frmBekle::isLoaded());
        QVERIFY(frmBekle::instance()->isVisible());
        QVERIFY(Control<QLabel>(frmBekle::instance(), "Label2")->isVisible());
        QVERIFY(Control<QLabel>(frmBekle::instance(), "lblIslemHiz")->isVisible());
        QVERIFY(Control<QTimer>(frmBekle::instance(), "Timer1")->isActive());
        QCOMPARE(gProgressTotal, 6);
        QTest::mouseClick(Control<QPushButton>(screen, "cmdVazgec"), Qt::LeftButton);
        duringLoop = true;
    });
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QVERIFY(duringLoop);
    QVERIFY(!frmBekle::isLoaded());
    QCOMPARE(gProgressDone, 1); // the row in progress was finished, the next not read
    QVERIFY(gCancelRequested);
    if (taken > 0) {
        frmSonEkran *screen = WorkForms::find<frmSonEkran>();
        QVERIFY(screen);
        QVERIFY(screen->isVisible());
        QVERIFY(!w->isVisible());
        QCOMPARE(screen->SendList().rowCount(), taken);
        QCOMPARE(Control<QLabel>(screen, "lblToplam")->text(), QStringLiteral(" 1"));
        QCOMPARE(Control<QPushButton>(screen, "cmdVazgec")->text(), QStringLiteral("Kapat"));
        QVERIFY(!Control<QPushButton>(screen, "cmdGonder")->isEnabled()); // a partly filled list is not sent
        QVERIFY(fx.main.prompts.records().isEmpty());
    } else {
        QCOMPARE(fx.main.prompts.count(), 1);
        QCOMPARE(fx.main.prompts.last().text, NothingToSendText());
        QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
        QVERIFY(w->isVisible());
        QCOMPARE(gOverLimitRecipients.rowCount(), 1);
    }
}

void TestRecipientHandOver::cancelAtLaterYield_data()
{
    QTest::addColumn<int>("sliceMs");
    QTest::addColumn<int>("eventRuns"); // runs of the message loop seen while filling
    QTest::addColumn<bool>("cancelled");
    // Events after every row: "Vazgeç" at the third row's yield ends the run after that row.
    QTest::newRow("events at every row") << 0 << 3 << true;
    // Events once per slice: the six rows fit in the first slice, so the message loop runs
    // at the first row's yield only and the click waiting for a third run never comes.
    QTest::newRow("events once per slice") << 60000 << 1 << false;
}

void TestRecipientHandOver::cancelAtLaterYield()
{
    QFETCH(int, sliceMs);
    QFETCH(int, eventRuns);
    QFETCH(bool, cancelled);
    TimeSlice::setLength(sliceMs);
    HandOverFixture fx;
    RecipientWindow *w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    const int rows = w->recordSet().rowCount();
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("[##Unvan1##]");
    fx.main.prompts.clear();

    // A zero timer runs once per run of the message loop; the third run while the screen
    // fills presses "Vazgeç".
    int seen = 0;
    long long doneAtClick = -1;
    int takenAtClick = -1;
    QTimer tick;
    tick.setInterval(0);
    connect(&tick, &QTimer::timeout, this, [&] {
        const frmSonEkran *screen = WorkForms::find<frmSonEkran>();
        if (OffThreadWait::runningCount() > 0 || !screen || !screen->isFilling()) return;
        if (++seen != 3) return;
        doneAtClick = gProgressDone;
        takenAtClick = screen->SendList().rowCount();
        QTest::mouseClick(Control<QPushButton>(screen, "cmdVazgec"), Qt::LeftButton);
    });
    tick.start();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    tick.stop();

    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QCOMPARE(seen, eventRuns);
    QCOMPARE(gCancelRequested, cancelled);
    QVERIFY(!frmBekle::isLoaded());
    if (cancelled) {
        // The row whose yield saw the click was finished (taken), the next one not read.
        QVERIFY(doneAtClick >= 2 && doneAtClick + 1 < rows);
        QCOMPARE(gProgressDone, doneAtClick + 1);
        QCOMPARE(screen->SendList().rowCount(), takenAtClick + 1);
        QCOMPARE(Control<QPushButton>(screen, "cmdVazgec")->text(), QStringLiteral("Kapat"));
        QVERIFY(!Control<QPushButton>(screen, "cmdGonder")->isEnabled());
    } else {
        QCOMPARE(gProgressDone, rows);
        QVERIFY(Control<QPushButton>(screen, "cmdGonder")->isEnabled());
    }
}

void TestRecipientHandOver::navigationDuringLoop_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QStringList>("loaded");
    QTest::newRow("browser window") << "OnLineServisler" << QStringList({"frmBrw"});
    QTest::newRow("another recipient window") << "GrupMesaj" << QStringList({"frmGrupMesaj", "frmPop"});
    QTest::newRow("the same recipient window") << "ChkMesaj" << QStringList({"frmChkMesaj", "frmPop"});
}

void TestRecipientHandOver::navigationDuringLoop()
{
    QFETCH(QString, node);
    QFETCH(QStringList, loaded);
    HandOverFixture fx;
    QPointer<RecipientWindow> w = fx.open("ChkMesaj", "frmChkMesaj");
    QVERIFY(w);
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText("[##Unvan1##]");
    QPointer<frmSonEkran> screen;
    atFirstYield([&] {
        screen = WorkForms::find<frmSonEkran>();
        fx.main.clickNode(node);
    });
    fx.main.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QVERIFY(screen);
    QVERIFY(fx.main.prompts.records().isEmpty());
    QVERIFY(!frmBekle::isLoaded());
    QCOMPARE(WorkForms::loadedWorkForms(), loaded);
    QCOMPARE(gProgressDone, 0); // stopped at the first row's yield
    MainWindowFixture::flushDeletes();
    QVERIFY(screen.isNull());
    QVERIFY(w.isNull());
    // The window opened by the navigation works as usual.
    if (auto *again = qobject_cast<RecipientWindow *>(WorkForms::find(loaded.first()))) {
        QVERIFY(again->isVisible());
        Control<QPlainTextEdit>(again, "txtMesaj")->setPlainText("Merhaba");
        QTest::mouseClick(Control<QPushButton>(again, "Command4"), Qt::LeftButton);
        QVERIFY(WorkForms::isLoaded<frmSonEkran>());
        QVERIFY(WorkForms::find<frmSonEkran>()->SendList().rowCount() > 0);
    }
}

void TestRecipientHandOver::mainRoadEndToEnd()
{
    HandOverFixture fx;
    fx.gateway.setCredit(50);

    // The operator opens the contact persons, narrows them to one account and writes a text
    // with placeholders over two lines.
    RecipientWindow *w = fx.open("YetkiliMesaj", "frmYetkiliMesaj");
    QVERIFY(w);
    QCOMPARE(w->recordSet().rowCount(), 6);
    addLine(w, "HesapKodu", "=", "120.001");
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(w->recordSet().rowCount(), 4);
    Control<QCheckBox>(w, "chkSablonKaydet")->setChecked(true);
    Control<QCheckBox>(w, "chkMukerrer")->setChecked(true); // Aynur has Ayşe's number
    // Ayşe, the only one with a birth date, goes over 160 characters.
    const QString filler(110, 'x');
    const QString typed = "Sayın [##YetkiliAdi##] [##YetkiliSoyadi##],\n[##Unvan1##] " + filler + " [##DogumTarihi##]";
    Control<QPlainTextEdit>(w, "txtMesaj")->setPlainText(typed);
    QString typedCrLf = typed;
    typedCrLf.replace("\n", "\r\n");
    auto merged = [&](const QString &name, const QString &surname, const QString &born) {
        return "Sayın " + name + " " + surname + ",\r\nÇağlar Gıda Ltd. Şti. " + filler + " " + born;
    };
    fx.main.prompts.clear();

    // "İleri >>": the send screen comes in the window's place with the merged rows.
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    frmSonEkran *screen = WorkForms::find<frmSonEkran>();
    QVERIFY(screen);
    QVERIFY(screen->isVisible());
    QVERIFY(!w->isVisible());
    QVERIFY(fx.main.prompts.records().isEmpty());
    QCOMPARE(Control<QLabel>(screen, "lblKontor")->text(), QStringLiteral(" 50"));
    QCOMPARE(Control<QComboBox>(screen, "cbGonderen")->currentText(), QStringLiteral("ORVEK"));
    QCOMPARE(merged("Ayşe", "Yılmaz", "15.03.1980").size(), 163);
    QCOMPARE(gOverLimitRecipients.rowCount(), 1);
    QCOMPARE(gOverLimitRecipients.value(0, "YetkiliAdi").toString(), QStringLiteral("Ayşe"));
    const QStringList expected = {"5057654321:" + merged("İsmail", "Öztürk", ""),
                                  "5321234567:" + merged("Aynur", "Yılmaz", ""),
                                  "5421112233:" + merged("Gülşen", "Çelik", "")};
    QCOMPARE(sendListRows(screen), expected);
    QCOMPARE(Control<QLabel>(screen, "lblToplam")->text(), QStringLiteral(" 3"));
    QVERIFY(Control<QPushButton>(screen, "cmdGonder")->isEnabled());

    // "Gönder", confirmed: one request with the whole list, normalised.
    fx.gateway.clearRequests();
    QTest::mouseClick(Control<QPushButton>(screen, "cmdGonder"), Qt::LeftButton);
    QCOMPARE(fx.gateway.actions(), QStringList({"1"}));
    const QString body = fx.gateway.lastBody();
    for (const QString &row : expected) {
        const QString number = row.left(10);
        const QString text = NormalizeGsmText(row.mid(11));
        QVERIFY2(body.contains("<Message><Mesgbody>" + text + "</Mesgbody><Number>" + number + "</Number></Message>"),
                 qPrintable(body));
    }
    QCOMPARE(FakeGateway::element(body, "Originator"), QStringLiteral("ORVEK"));
    QCOMPARE(fx.main.prompts.records().first().text, SendConfirmationText(3, "ORVEK", false, QDate(), QTime()));
    QVERIFY(fx.main.prompts.texts().contains(SentWithOverLimitText()));

    // The log row and the template of the typed text.
    const auto log =
        fx.main.folder.rows("SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,sirket_kod FROM tbl_giden");
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0][0].toString(), QStringLiteral("100001"));
    QCOMPARE(log[0][1].toString(), QStringLiteral("Yetkililere mesaj gönder"));
    QCOMPARE(log[0][2].toString(), QStringLiteral("Brenvik"));
    QCOMPARE(log[0][3].toInt(), 3);
    QVERIFY(log[0][4].toString().startsWith("İlk Kayıt :Sayın "));
    QCOMPARE(log[0][5].toString(), QStringLiteral("ORVEK"));
    QCOMPARE(log[0][6].toString(), QStringLiteral("01"));
    QCOMPARE(fx.main.folder.rows("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar WHERE msgid='100001'"),
             QList<QVariantList>({{"100001", "YetkiliMesaj", typedCrLf, ""}}));

    // The row over the limit went to its file, whole.
    XlsxReader reader;
    QVERIFY2(reader.open(OverLimitFileName()), qPrintable(reader.error()));
    QCOMPARE(reader.sheet(0).rowCount(), 2);
    QCOMPARE(reader.sheet(0).rowTexts(0), w->recordSet().fieldNames());
    QVERIFY(reader.sheet(0).rowTexts(1).contains(QStringLiteral("Ayşe")));

    // The report window is the open work window; the recipient window and the screen are gone.
    QVERIFY(gMessageText.isEmpty());
    frmRapor *report = WorkForms::find<frmRapor>();
    QVERIFY(report);
    QVERIFY(report->isVisible());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmPop", "frmRapor"})); // the field menu stays
}

QTEST_MAIN(TestRecipientHandOver)
#include "tst_recipienthandover.moc"
