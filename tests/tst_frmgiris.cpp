#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/Startup.h"
#include "shell/Twips.h"
#include "shell/frmGiris.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
const QString kMissing = QStringLiteral("Eksik bilgi girişi yaptınız.Lütfen bilgilerinizi kontrol ediniz.");

// The windows that a successful login goes on to, recorded.
struct TailRecorder {
    TailRecorder()
    {
        StartupWindows::Handlers h;
        h.showMainWindow = [this](const QString &tail) { mainCaptions << tail; };
        StartupWindows::setHandlers(h);
    }
    ~TailRecorder() { StartupWindows::setHandlers({}); }
    QStringList mainCaptions;
};

void typeAccount(frmGiris &w, const QString &user, const QString &password, const QString &ckey = {})
{
    QTest::keyClicks(Control<QLineEdit>(w, "txtUserName"), user);
    QTest::keyClicks(Control<QLineEdit>(w, "txtPassWord"), password);
    if (!ckey.isEmpty()) QTest::keyClicks(Control<QLineEdit>(w, "txtClientKodu"), ckey);
}

// The shown login window of the hosted kind over a fresh program folder and the fake gateway,
// with the account veli / p / K7 typed; boxes, shell calls, the program's end and the start
// tail are recorded.
struct LoginScene {
    ProgramFolderFixture fx;
    FakeGateway fake;
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    TailRecorder tail;
    std::unique_ptr<frmGiris> window;

    LoginScene()
    {
        gGatewayKind = GatewayKind::Brenvik;
        gGatewayUrl = fake.url();
        window = std::make_unique<frmGiris>();
        window->show();
        typeAccount(*window, QStringLiteral("veli"), QStringLiteral("p"), QStringLiteral("K7"));
    }
};
} // namespace

class TestFrmGiris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void layoutAndControls();
    void clientCodeOnlyForHostedKind_data();
    void clientCodeOnlyForHostedKind();
    void tabOrderAndKeys();
    void missingInput_data();
    void missingInput();
    void savesAccountOfKind_data();
    void savesAccountOfKind();
    void buttonsDisabledWhileAsking();
    void unexpectedFailureShowsDescription_data();
    void unexpectedFailureShowsDescription();
    void cancelEndsProgram_data();
    void cancelEndsProgram();
    void cancelWhileLoggingInSendsNothing();
};

void TestFrmGiris::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

void TestFrmGiris::cleanup() { ResetAppState(); }

void TestFrmGiris::layoutAndControls()
{
    ProgramFolderFixture fx;
    gGatewayKind = GatewayKind::Brenvik;
    gUserName = QStringLiteral("ali");
    gPassword = QStringLiteral("gizli");
    gCkey = QStringLiteral("C9");
    frmGiris w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvek® Talvane - Kullanıcı girişi"));
    QCOMPARE(w.size(), QSize(tw(5505), tw(2295)));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(Control<QLabel>(w, "lblUserName")->text(), QStringLiteral("Kullanıcı adı:"));
    QCOMPARE(Control<QLabel>(w, "lblPassWord")->text(), QStringLiteral("Parola:"));
    QCOMPARE(Control<QLabel>(w, "lblClientKodu")->text(), QStringLiteral("Client kodu:"));
    QCOMPARE(Control<QCheckBox>(w, "chkKaydet")->text(), QStringLiteral("Kullanıcı bilgilerimi kaydet"));
    QCOMPARE(Control<QPushButton>(w, "btnOturumAc")->text(), QStringLiteral("Oturum Aç"));
    QCOMPARE(Control<QPushButton>(w, "btnVazgec")->text(), QStringLiteral("Vazgeç"));
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->isDefault());
    QVERIFY(Control<QLabel>(w, "imgInfo")->isVisible());
    QVERIFY(!Control<QCheckBox>(w, "chkKaydet")->isChecked());
    // The saved account is not shown.
    QCOMPARE(Control<QLineEdit>(w, "txtUserName")->text(), QString());
    QCOMPARE(Control<QLineEdit>(w, "txtPassWord")->text(), QString());
    QCOMPARE(Control<QLineEdit>(w, "txtClientKodu")->text(), QString());
    for (const char *name : {"imgInfo", "lblUserName", "txtUserName", "lblPassWord", "txtPassWord", "lblClientKodu",
                             "txtClientKodu", "chkKaydet", "btnOturumAc", "btnVazgec"})
        QVERIFY2(w.findChild<QWidget *>(QString::fromLatin1(name)), name);
    QTest::keyClicks(Control<QLineEdit>(w, "txtPassWord"), QStringLiteral("abc"));
    QCOMPARE(Control<QLineEdit>(w, "txtPassWord")->displayText(), QStringLiteral("***"));
    // Picture left, boxes right of it, buttons under the boxes, check box under the picture.
    QVERIFY(Control<QLineEdit>(w, "txtUserName")->x() > Control<QLabel>(w, "imgInfo")->geometry().right());
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->y() > Control<QLineEdit>(w, "txtClientKodu")->geometry().bottom());
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->x() < Control<QPushButton>(w, "btnVazgec")->x());
    QVERIFY(Control<QCheckBox>(w, "chkKaydet")->y() > Control<QLabel>(w, "imgInfo")->geometry().bottom());
    QVERIFY(QRect(QPoint(0, 0), w.size()).contains(Control<QCheckBox>(w, "chkKaydet")->geometry()));
    QVERIFY(QRect(QPoint(0, 0), w.size()).contains(Control<QPushButton>(w, "btnVazgec")->geometry()));
}

void TestFrmGiris::clientCodeOnlyForHostedKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("shown");
    QTest::newRow("Brenvik") << "Brenvik" << true;
    QTest::newRow("Ambrel") << "Ambrel" << false;
}

void TestFrmGiris::clientCodeOnlyForHostedKind()
{
    QFETCH(QString, kind);
    QFETCH(bool, shown);
    ProgramFolderFixture fx;
    gGatewayKind = ParseGatewayKind(kind).value_or(GatewayKind::None);
    frmGiris w;
    w.show();
    QCOMPARE(Control<QLabel>(w, "lblClientKodu")->isVisible(), shown);
    QCOMPARE(Control<QLineEdit>(w, "txtClientKodu")->isVisible(), shown);
    QCOMPARE(Control<QLineEdit>(w, "txtClientKodu")->isEnabled(), shown);
}

void TestFrmGiris::tabOrderAndKeys()
{
    ProgramFolderFixture fx;
    gGatewayKind = GatewayKind::Brenvik;
    FakeGateway fake;
    fake.setReply(QStringLiteral("4"), QStringLiteral("01"));
    gGatewayUrl = fake.url();
    PromptRecorder prompts;
    LifecycleRecorder life;
    frmGiris w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Control<QLineEdit>(w, "txtUserName")));
    const QList<QWidget *> order = {Control<QLineEdit>(w, "txtPassWord"),   Control<QLineEdit>(w, "txtClientKodu"),
                                    Control<QPushButton>(w, "btnOturumAc"), Control<QPushButton>(w, "btnVazgec"),
                                    Control<QCheckBox>(w, "chkKaydet"),     Control<QLineEdit>(w, "txtUserName")};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next->objectName());
    }
    // Enter logs in from any box.
    typeAccount(w, QStringLiteral("ali"), QStringLiteral("p"), QStringLiteral("C9"));
    QTest::keyClick(Control<QLineEdit>(w, "txtPassWord"), Qt::Key_Return);
    QCOMPARE(fake.requestCount(), 1);
    QCOMPARE(prompts.count(), 1);
    // Esc is "Vazgeç".
    QTest::keyClick(Control<QLineEdit>(w, "txtUserName"), Qt::Key_Escape);
    QCOMPARE(life.endCount, 1);
    QVERIFY(!w.isVisible());
}

void TestFrmGiris::missingInput_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("sent");
    QTest::newRow("both empty") << ""
                                << "" << false;
    QTest::newRow("empty user") << ""
                                << "p" << false;
    QTest::newRow("empty password") << "ali"
                                    << "" << false;
    QTest::newRow("user one blank") << " "
                                    << "p" << false;
    QTest::newRow("password one blank") << "ali"
                                        << " " << false;
    QTest::newRow("user two blanks") << "  "
                                     << "p" << true;
    QTest::newRow("password two blanks") << "ali"
                                         << "  " << true;
}

void TestFrmGiris::missingInput()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, sent);
    ProgramFolderFixture fx;
    gGatewayKind = GatewayKind::Brenvik;
    FakeGateway fake;
    fake.setReply(QStringLiteral("4"), QStringLiteral("01"));
    gGatewayUrl = fake.url();
    PromptRecorder prompts;
    LifecycleRecorder life;
    frmGiris w;
    w.show();
    // The client code is not examined.
    typeAccount(w, user, password);
    Control<QLineEdit>(w, "txtPassWord")->setFocus();
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);
    QCOMPARE(fake.requestCount(), sent ? 1 : 0);
    QCOMPARE(prompts.count(), 1);
    if (!sent) {
        QCOMPARE(prompts.last().text, kMissing);
        QCOMPARE(prompts.last().icon, PromptIcon::Critical);
        QCOMPARE(prompts.last().title, QStringLiteral("Brenvik Kullanıcı girişi"));
        QCOMPARE(w.focusWidget(), static_cast<QWidget *>(Control<QLineEdit>(w, "txtUserName")));
    }
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->isEnabled());
    QCOMPARE(life.endCount, 0);
}

void TestFrmGiris::savesAccountOfKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QVariantList>("row"); // kullanici_adi..flg_gw
    const QString url = QStringLiteral("URL");
    QTest::newRow("Brenvik ticked") << "Brenvik" << true
                                    << QVariantList{"veli", "p'2", "K7", "1", "eski", "e", "0", "0", "http://eski"};
    QTest::newRow("Brenvik unticked") << "Brenvik" << false
                                      << QVariantList{"veli", "p'2", "K7", "0", "eski", "e", "0", "0", "http://eski"};
    QTest::newRow("Ambrel ticked") << "Ambrel" << true
                                   << QVariantList{"ali", "p1", "C9", "0", "veli", "p'2", "1", "1", url};
    QTest::newRow("Ambrel unticked") << "Ambrel" << false
                                     << QVariantList{"ali", "p1", "C9", "0", "veli", "p'2", "0", "1", url};
}

void TestFrmGiris::savesAccountOfKind()
{
    QFETCH(QString, kind);
    QFETCH(bool, ticked);
    QFETCH(QVariantList, row);
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi='ali', parola='p1', ckey='C9', flg_kaydet='0', "
            "kullanici_adi_i='eski', parola_i='e', flg_kaydet_i='0', url_ambrel='http://eski', flg_gw='0'");
    FakeGateway fake;
    gGatewayKind = ParseGatewayKind(kind).value_or(GatewayKind::None);
    gGatewayUrl = fake.url();
    gCkey = QStringLiteral("önceki");
    if (row.last() == QVariant("URL")) row.last() = fake.url();
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    TailRecorder tail;
    frmGiris w;
    w.show();
    typeAccount(w, QStringLiteral("veli"), QStringLiteral("p'2"), QStringLiteral("K7"));
    Control<QCheckBox>(w, "chkKaydet")->setChecked(ticked);
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);

    QCOMPARE(prompts.count(), 0);
    QCOMPARE(fx.rows("SELECT kullanici_adi, parola, ckey, flg_kaydet, kullanici_adi_i, parola_i, flg_kaydet_i, "
                     "flg_gw, url_ambrel FROM tbl_ayarlar")
                 .first(),
             row);
    QCOMPARE(gFlgKaydet, ticked ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(gUserName, QStringLiteral("veli"));
    QCOMPARE(gPassword, QStringLiteral("p'2"));
    // The client code is the typed one only for the hosted kind.
    QCOMPARE(gCkey, kind == QLatin1String("Brenvik") ? QStringLiteral("K7") : QStringLiteral("önceki"));
    QCOMPARE(tail.mainCaptions, QStringList{" [Kullanıcı : veli Şirket : ]"});
    QVERIFY(!w.isVisible());
    QCOMPARE(life.endCount, 0);
}

void TestFrmGiris::buttonsDisabledWhileAsking()
{
    ProgramFolderFixture fx;
    gGatewayKind = GatewayKind::Ambrel;
    FakeGateway fake;
    fake.setReply(QStringLiteral("4"), QStringLiteral("04"));
    gGatewayUrl = fake.url();
    LifecycleRecorder life;
    frmGiris w;
    w.show();
    QList<bool> enabledAtMessage;
    Prompt::setHandler([&](const QString &, PromptIcon, const QString &, PromptButtons) {
        enabledAtMessage << Control<QPushButton>(w, "btnOturumAc")->isEnabled()
                         << Control<QPushButton>(w, "btnVazgec")->isEnabled();
        return PromptAnswer::Ok;
    });
    typeAccount(w, QStringLiteral("veli"), QStringLiteral("p"));
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);
    Prompt::setHandler(nullptr);
    QCOMPARE(fake.bodies(), QStringList{"<MainReportRoot><UserName>veli</UserName><PassWord>p</PassWord>"
                                        "<Action>4</Action></MainReportRoot>"});
    // Disabled from the request until the message has been read, then ready again.
    QCOMPARE(enabledAtMessage, QList<bool>({false, false}));
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "btnVazgec")->isEnabled());
}

void TestFrmGiris::unexpectedFailureShowsDescription_data()
{
    QTest::addColumn<QString>("breaking");
    QTest::addColumn<bool>("accountSaved");
    QTest::newRow("account save") << "DROP TABLE tbl_ayarlar" << false;
    QTest::newRow("start tail") << "DROP TABLE tbl_param" << true;
}

// The login's error handler: the description alone, no icon, and both buttons left disabled,
// so that closing the window, which ends the program, is the only way on.
void TestFrmGiris::unexpectedFailureShowsDescription()
{
    QFETCH(QString, breaking);
    QFETCH(bool, accountSaved);
    LoginScene s;
    s.fx.exec(breaking);
    const QString table = breaking.section(' ', 2);
    frmGiris &w = *s.window;
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);
    QCOMPARE(s.prompts.count(), 1);
    QVERIFY2(s.prompts.last().text.contains(table), qPrintable(s.prompts.last().text));
    QVERIFY2(!s.prompts.last().text.startsWith(QLatin1String("Tanımlanamayan")), qPrintable(s.prompts.last().text));
    QCOMPARE(s.prompts.last().icon, PromptIcon::None);
    QCOMPARE(s.prompts.last().title, QStringLiteral("Brenvik"));
    QVERIFY(w.isVisible());
    QVERIFY(!Control<QPushButton>(w, "btnOturumAc")->isEnabled());
    QVERIFY(!Control<QPushButton>(w, "btnVazgec")->isEnabled());
    QVERIFY(s.tail.mainCaptions.isEmpty());
    QVERIFY(s.shell.startedPrograms.isEmpty());
    QCOMPARE(gUserName.isEmpty(), !accountSaved);
    QCOMPARE(s.life.endCount, 0);

    w.close();
    QCOMPARE(s.life.endCount, 1);
}

void TestFrmGiris::cancelEndsProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Vazgeç") << "button";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("close box") << "close";
    QTest::newRow("Enter on Vazgeç") << "enterOnButton";
}

void TestFrmGiris::cancelEndsProgram()
{
    QFETCH(QString, how);
    LoginScene s;
    frmGiris &w = *s.window;
    if (how == QLatin1String("button"))
        QTest::mouseClick(Control<QPushButton>(w, "btnVazgec"), Qt::LeftButton);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(Control<QLineEdit>(w, "txtUserName"), Qt::Key_Escape);
    else if (how == QLatin1String("enterOnButton")) {
        // A focused button takes Enter itself: the default button does not log in.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Control<QPushButton>(w, "btnVazgec")->setFocus();
        QTest::keyClick(Control<QPushButton>(w, "btnVazgec"), Qt::Key_Return);
    } else
        QVERIFY(w.close());
    QCOMPARE(s.life.endCount, 1);
    QVERIFY(!w.isVisible());
    QCOMPARE(s.fake.requestCount(), 0);
    QCOMPARE(s.prompts.count(), 0);
    QVERIFY(s.tail.mainCaptions.isEmpty());
}

// An Esc that waits in the queue when "Oturum Aç" is clicked ends the program in the click's
// first yield: no request goes out, nothing is saved, no main window.
void TestFrmGiris::cancelWhileLoggingInSendsNothing()
{
    LoginScene s;
    frmGiris &w = *s.window;
    QCoreApplication::postEvent(Control<QLineEdit>(w, "txtUserName"),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);
    QCOMPARE(s.life.endCount, 1);
    QCOMPARE(s.fake.requestCount(), 0);
    QCOMPARE(s.prompts.count(), 0);
    QVERIFY(gUserName.isEmpty());
    QVERIFY(s.tail.mainCaptions.isEmpty());
    QVERIFY(s.shell.startedPrograms.isEmpty());
}

QTEST_MAIN(TestFrmGiris)
#include "tst_frmgiris.moc"
