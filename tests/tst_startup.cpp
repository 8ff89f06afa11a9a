#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/SentLog.h"
#include "core/SettingsLoader.h"
#include "core/Startup.h"
#include "shell/StartupWindows.h"
#include "shell/frmGiris.h"
#include "shell/frmMDI.h"
#include "shell/frmSirketSec.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/Recorders.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)

namespace {
const QString kStep8 = QStringLiteral("Programı kullanmaya başlamadan önce Orvek® veritabanına ait sunucu bilgilerini "
                                      "Ayarlar -> Hesap ayarları menüsündeki Sunucu bilgileri bölümüne giriniz.");
const QString kConnectionFailed = QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor.");
const QString kLoginTitle = QStringLiteral("Brenvik Kullanıcı girişi");

// The windows of the start, recorded.
struct WindowRecorder {
    WindowRecorder()
    {
        StartupWindows::Handlers h;
        h.showLogin = [this] { ++logins; };
        h.chooseCompany = [this] { ++companyChoices; };
        h.showMainWindow = [this](const QString &tail) { mainCaptions << tail; };
        StartupWindows::setHandlers(h);
    }
    ~WindowRecorder() { StartupWindows::setHandlers({}); }
    int logins = 0;
    int companyChoices = 0;
    QStringList mainCaptions;
};

// A hosted account with saved credentials; the ERP settings stay empty.
void saveHostedAccount(ProgramFolderFixture &fx, const QString &flg)
{
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi='ali', parola='p&1', ckey='C9', flg_kaydet=?, flg_gw='0'", {flg});
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
}

QString kovasetFlag(ProgramFolderFixture &fx)
{
    return fx.scalar("SELECT deger FROM tbl_param WHERE parametre='flg_kovaset'").toString();
}

QString expectedKovaset(const ProgramFolderFixture &fx) { return fx.folder() + QStringLiteral("/Kovaset"); }

// One table of gateway replies for both roads: what the silent login and the login window
// make of each.
void replyTable()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("silent"); // tail, login, connection
    QTest::addColumn<QString>("login");  // success, connection, wrong, unreachable, other, noOriginator

    QTest::newRow("server time") << FakeReply::text("12.03.2024 10:15:00") << "tail"
                                 << "success";
    QTest::newRow("credit and two originators") << FakeReply::text("1500\nORVEK\nTALVANE\n") << "tail"
                                                << "success";
    QTest::newRow("credit and one line feed") << FakeReply::text("1500\n") << "tail"
                                              << "noOriginator";
    QTest::newRow("credit, originator without line feed") << FakeReply::text("1500\nORVEK") << "tail"
                                                          << "noOriginator";
    QTest::newRow("CR LF lines") << FakeReply::text("1500\r\nORVEK\r\n") << "tail"
                                 << "success";
    QTest::newRow("01") << FakeReply::text("01") << "login"
                        << "wrong";
    QTest::newRow("03") << FakeReply::text("03") << "connection"
                        << "wrong";
    QTest::newRow("04") << FakeReply::text("04") << "connection"
                        << "unreachable";
    QTest::newRow("05") << FakeReply::text("05") << "connection"
                        << "unreachable";
    QTest::newRow("reply text -1") << FakeReply::text("-1") << "connection"
                                   << "connection";
    QTest::newRow("closed connection") << FakeReply::closed() << "connection"
                                       << "connection";
    QTest::newRow("-2") << FakeReply::text("-2") << "connection"
                        << "other";
    QTest::newRow("02") << FakeReply::text("02") << "connection"
                        << "other";
    QTest::newRow("06") << FakeReply::text("06") << "connection"
                        << "other";
    QTest::newRow("13") << FakeReply::text("13") << "connection"
                        << "other";
    QTest::newRow("empty reply") << FakeReply::text("") << "connection"
                                 << "other";
    QTest::newRow("fragment 1") << FakeReply::text("1") << "connection"
                                << "other";
    QTest::newRow("fragment 3,0") << FakeReply::text("3,0") << "connection"
                                  << "other";
    QTest::newRow("upper-case page") << FakeReply::html("<HTML><BODY>Proxy</BODY></HTML>", 502) << "connection"
                                     << "connection";
    QTest::newRow("lower-case page with lines")
        << FakeReply::html("<html>\n<body>1500\nA\n</body></html>") << "connection"
        << "connection";
    QTest::newRow("HTML inside") << FakeReply::text("1500 HTML\nA\nB\n") << "connection"
                                 << "connection";
    QTest::newRow("mixed case Html") << FakeReply::text("<Html>1500\nA\nB\n") << "tail"
                                     << "success";
}

struct ExpectedRefusal {
    QString text;
    QString title;
    bool focusUser;
};

ExpectedRefusal refusalOf(const QString &login)
{
    if (login == QLatin1String("connection"))
        return {QStringLiteral(
                    "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nİnternet Bağlantınız kapalı "
                    "olabilir ya da bir güvenlik uygulaması internet bağlantınızı kontrol ediyor olabilir."),
                kLoginTitle, false};
    if (login == QLatin1String("wrong"))
        return {
            QStringLiteral("Kullanıcı bilgilerinizde hata var.\r\nLütfen bilgilerinizi kontrol edip tekrar deneyiniz."),
            kLoginTitle, true};
    if (login == QLatin1String("unreachable"))
        return {QStringLiteral("Kullanıcı bilgileri mesaj merkezine gönderilemiyor\r\nBilgisayarınızdaki güvenlik "
                               "uygulamalarından biri internet bağlantınızı denetliyor olabilir."),
                kLoginTitle, false};
    if (login == QLatin1String("other")) return {kConnectionFailed, QStringLiteral("Brenvik"), false};
    if (login == QLatin1String("noOriginator"))
        return {QStringLiteral("Kullanıcı hesabınızda tanımlı Originator (Gönderen) bilgisi bulunamadı.\r\nOriginator "
                               "tanımlamasının yapılması için lütfen sistem yöneticinize başvurun."),
                QStringLiteral("Brenvik"), false};
    qFatal("unknown outcome");
    return {};
}

// Answers the modal company window whenever it comes up: picks the company of that name
// ("" closes the window with its close box) and records what it offered.
class CompanyWindowDriver {
public:
    explicit CompanyWindowDriver(const QString &company) : m_company(company)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    void choose(const QString &company) { m_company = company; }
    int shown = 0;
    QStringList offered;

private:
    void poll()
    {
        auto *w = qobject_cast<frmSirketSec *>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        ++shown;
        offered.clear();
        QTreeWidgetItem *pick = nullptr;
        for (int i = 0; i < Control<QTreeWidget>(w, "tw1")->topLevelItemCount(); ++i) {
            QTreeWidgetItem *n = Control<QTreeWidget>(w, "tw1")->topLevelItem(i);
            offered << n->text(0);
            if (n->text(0) == m_company) pick = n;
        }
        if (!pick) {
            w->close();
            return;
        }
        Control<QTreeWidget>(w, "tw1")->setCurrentItem(pick);
        QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    }
    QString m_company;
    QTimer m_timer;
};

frmGiris *loginWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *login = qobject_cast<frmGiris *>(w); login && login->isVisible()) return login;
    return nullptr;
}

// What is left of a run: the windows, the lock, the connections and the program-wide values.
void endRun()
{
    delete frmMDI::instance();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<frmGiris *>(w)) w->deleteLater();
    MainWindowFixture::flushDeletes();
    ReleaseSingleInstanceLock();
    DropConnections();
    ResetAppState();
}

QString holderPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/instance-holder"); }

// Starts the lock holder for a folder and returns its first line.
QString startHolder(QProcess &holder, const QString &folder)
{
    holder.start(holderPath(), {folder});
    if (!holder.waitForStarted() || !holder.waitForReadyRead(30000)) return QStringLiteral("no answer");
    return QString::fromLatin1(holder.readLine()).trimmed();
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void silentLoginReplies_data() { replyTable(); }
    void silentLoginReplies();
    void loginWindowReplies_data() { replyTable(); }
    void loginWindowReplies();

    void silentLoginHostedLoginName();
    void testGatewayLoginOtherKind();
    void noAccountEndsWithoutWindow_data();
    void noAccountEndsWithoutWindow();
    void unsavedAccountOpensLogin();
    void startWritesJournaledRows();
    void secondCopyTouchesNothing();
    void runningCopyBlocksSecondProcess();
    void leftLockFileDoesNotBlock_data();
    void leftLockFileDoesNotBlock();
    void lockPathPerFolder();
    void startTailOrderAndKovasetPath();
    void startTailRunsCompanyChoiceWhenErpConfigured();
    void startTailStopsWhenCompanyWindowEnds();
    void startTailFailureEndsProgram();
    void bothRoadsToMainWindow();
    void mainWindowWithoutErp();

private:
    QTemporaryDir m_runtime;
};

void TestStartup::initTestCase()
{
    // A runtime folder of the test's own (the lock files live there); the helper process
    // inherits it.
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    QVERIFY2(QFileInfo::exists(holderPath()), qPrintable(holderPath()));
}

void TestStartup::cleanup()
{
    ReleaseSingleInstanceLock();
    ResetAppState();
}

void TestStartup::silentLoginReplies()
{
    QFETCH(FakeReply, reply);
    QFETCH(QString, silent);

    ProgramFolderFixture fx;
    // The on-premises kind carries the gateway URL in the database; the hosted one is fixed
    // at build time. Both build their requests the same way apart from the login name.
    FakeGateway fake;
    fake.setReply(QStringLiteral("12"), reply);
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli', parola_i='p<2', flg_kaydet_i='1', flg_gw='1', url_ambrel=?",
            {fake.url()});
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    WindowRecorder windows;

    const bool loop = Main();

    QCOMPARE(fake.bodies(), QStringList{"<MainReportRoot><UserName>veli</UserName><PassWord>p<2</PassWord>"
                                        "<Action>12</Action></MainReportRoot>"});
    // The loader's own message about the empty ERP settings comes first.
    QVERIFY(prompts.count() >= 1);
    QCOMPARE(prompts.records().first().text, kStep8);
    const QVector<PromptRecord> own = prompts.records().mid(1);
    if (silent == QLatin1String("tail")) {
        QVERIFY(loop);
        QVERIFY(own.isEmpty());
        QCOMPARE(windows.logins, 0);
        QCOMPARE(windows.companyChoices, 0);
        QCOMPARE(windows.mainCaptions, QStringList{" [Kullanıcı : veli Şirket : ]"});
        QCOMPARE(shell.startedPrograms, QStringList{expectedKovaset(fx)});
        QCOMPARE(kovasetFlag(fx), QStringLiteral("1"));
        QVERIFY(!gStartBlocked);
        QCOMPARE(life.endCount, 0);
    } else if (silent == QLatin1String("login")) {
        QVERIFY(loop);
        QVERIFY(own.isEmpty());
        QCOMPARE(windows.logins, 1);
        QVERIFY(windows.mainCaptions.isEmpty());
        QVERIFY(shell.startedPrograms.isEmpty());
        QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
        QVERIFY(gStartBlocked);
        QCOMPARE(life.endCount, 0);
    } else {
        QVERIFY(!loop);
        QCOMPARE(own.size(), 1);
        QCOMPARE(own[0].text, kConnectionFailed);
        QCOMPARE(own[0].icon, PromptIcon::Critical);
        QCOMPARE(own[0].title, QStringLiteral("Brenvik"));
        QCOMPARE(windows.logins, 0);
        QVERIFY(windows.mainCaptions.isEmpty());
        QVERIFY(shell.startedPrograms.isEmpty());
        QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
        QVERIFY(gStartBlocked);
        QCOMPARE(life.endCount, 1);
    }
}

void TestStartup::loginWindowReplies()
{
    QFETCH(FakeReply, reply);
    QFETCH(QString, login);

    ProgramFolderFixture fx;
    saveHostedAccount(fx, "0");
    FakeGateway fake;
    fake.setReply(QStringLiteral("4"), reply);
    gGatewayKind = GatewayKind::Brenvik;
    gGatewayUrl = fake.url();
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    WindowRecorder windows;

    frmGiris w;
    w.show();
    QTest::keyClicks(Control<QLineEdit>(w, "txtUserName"), QStringLiteral(" veli"));
    QTest::keyClicks(Control<QLineEdit>(w, "txtPassWord"), QStringLiteral("p<2 "));
    QTest::keyClicks(Control<QLineEdit>(w, "txtClientKodu"), QStringLiteral("K7"));
    Control<QLineEdit>(w, "txtPassWord")->setFocus();
    QTest::mouseClick(Control<QPushButton>(w, "btnOturumAc"), Qt::LeftButton);

    // Typed texts go out untrimmed, user name and client code joined by "-".
    QCOMPARE(fake.bodies(), QStringList{"<MainReportRoot><UserName> veli-K7</UserName><PassWord>p<2 </PassWord>"
                                        "<Action>4</Action></MainReportRoot>"});
    const auto account = fx.rows("SELECT kullanici_adi, parola, ckey, flg_kaydet, flg_gw FROM tbl_ayarlar").first();
    if (login == QLatin1String("success")) {
        QCOMPARE(prompts.count(), 0);
        QCOMPARE(account, QVariantList({" veli", "p<2 ", "K7", "0", "0"}));
        QCOMPARE(gUserName, QStringLiteral(" veli"));
        QCOMPARE(gPassword, QStringLiteral("p<2 "));
        QCOMPARE(gCkey, QStringLiteral("K7"));
        QCOMPARE(gFlgKaydet, QStringLiteral("0"));
        QCOMPARE(windows.mainCaptions, QStringList{" [Kullanıcı :  veli Şirket : ]"});
        QCOMPARE(shell.startedPrograms, QStringList{expectedKovaset(fx)});
        QCOMPARE(kovasetFlag(fx), QStringLiteral("1"));
        QVERIFY(!w.isVisible());
        QCOMPARE(life.endCount, 0);
        return;
    }
    const ExpectedRefusal expected = refusalOf(login);
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().text, expected.text);
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, expected.title);
    // The window stays ready for a new try, with its boxes as typed.
    QVERIFY(w.isVisible());
    QVERIFY(Control<QPushButton>(w, "btnOturumAc")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "btnVazgec")->isEnabled());
    QVERIFY(Control<QLabel>(w, "imgInfo")->isVisible());
    QCOMPARE(Control<QLineEdit>(w, "txtUserName")->text(), QStringLiteral(" veli"));
    if (expected.focusUser) QCOMPARE(w.focusWidget(), static_cast<QWidget *>(Control<QLineEdit>(w, "txtUserName")));
    QCOMPARE(account, QVariantList({"ali", "p&1", "C9", "0", "0"}));
    QVERIFY(windows.mainCaptions.isEmpty());
    QVERIFY(shell.startedPrograms.isEmpty());
    QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
    QCOMPARE(life.endCount, 0);
}

void TestStartup::silentLoginHostedLoginName()
{
    // The hosted kind sends user + "-" + client code; its URL is the fixed one, so the
    // request is checked with the loaded account pointed at the fake gateway.
    ProgramFolderFixture fx;
    saveHostedAccount(fx, "1");
    FakeGateway fake;
    PromptRecorder prompts;
    LoadSettings();
    QCOMPARE(gGatewayKind, GatewayKind::Brenvik);
    gGatewayUrl = fake.url();
    QVERIFY(!TestGatewayLogin().isEmpty());
    QCOMPARE(fake.bodies(), QStringList{"<MainReportRoot><UserName>ali-C9</UserName><PassWord>p&1</PassWord>"
                                        "<Action>12</Action></MainReportRoot>"});
}

void TestStartup::testGatewayLoginOtherKind()
{
    FakeGateway fake;
    gGatewayUrl = fake.url();
    gGatewayKind = GatewayKind::None;
    gUserName = QStringLiteral("ali");
    QCOMPARE(TestGatewayLogin(), QString());
    QCOMPARE(fake.requestCount(), 0);
    gGatewayKind = GatewayKind::Ambrel;
    gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
    QCOMPARE(TestGatewayLogin(), QStringLiteral("-1"));
}

void TestStartup::noAccountEndsWithoutWindow_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("flg_gw 2") << "UPDATE tbl_ayarlar SET flg_gw='2', flg_kaydet='1'" << QStringList{kStep8};
    QTest::newRow("flg_gw Null") << "UPDATE tbl_ayarlar SET flg_gw=NULL, flg_kaydet='1'" << QStringList{kStep8};
    QTest::newRow("no account row") << "DELETE FROM tbl_ayarlar" << QStringList{};
    // The start names the missing file and its folder before the settings loader's general text.
    QTest::newRow("no database") << "" << QStringList{QStringLiteral("<missing>")};
}

void TestStartup::noAccountEndsWithoutWindow()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, messages);
    ProgramFolderFixture fx(!setup.isEmpty());
    if (!setup.isEmpty()) fx.exec(setup);
    if (messages == QStringList{QStringLiteral("<missing>")})
        messages = {QStringLiteral("Veritabanı dosyası bulunamadı: ") + fx.dbPath() +
                    QStringLiteral("\r\nDosya silinmiş ya da başka bir klasöre taşınmış olabilir; program bu dosya "
                                   "olmadan çalışamaz.")};
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    WindowRecorder windows;

    QVERIFY(!Main());
    // One box at most: the settings loader's, or the start's own for a missing database.
    QCOMPARE(prompts.texts(), messages);
    QCOMPARE(windows.logins, 0);
    QVERIFY(windows.mainCaptions.isEmpty());
    QVERIFY(shell.startedPrograms.isEmpty());
    QCOMPARE(life.endCount, 1);
    if (setup.isEmpty()) QVERIFY(!QFileInfo::exists(fx.dbPath()));
}

void TestStartup::unsavedAccountOpensLogin()
{
    ProgramFolderFixture fx;
    saveHostedAccount(fx, "0");
    FakeGateway fake;
    PromptRecorder prompts;
    LifecycleRecorder life;
    WindowRecorder windows;
    QVERIFY(Main());
    QCOMPARE(windows.logins, 1);
    QVERIFY(gStartBlocked);
    QVERIFY(windows.mainCaptions.isEmpty());
    QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
    QCOMPARE(prompts.texts(), QStringList{kStep8});
}

void TestStartup::startWritesJournaledRows()
{
    ProgramFolderFixture fx;
    saveHostedAccount(fx, "0");
    SentMessageRow row;
    row.msgid = QStringLiteral("ID:8080");
    row.paket_boyut = 1;
    QCOMPARE(WriteAfterAcceptedSend([](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk full")); },
                                    SentMessageJournalRows({row})),
             AcceptedWriteResult::Journaled);
    DropConnections();
    FakeGateway fake;
    PromptRecorder prompts;
    LifecycleRecorder life;
    WindowRecorder windows;
    QVERIFY(Main());
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = 'ID:8080'")).toInt(), 1);
    QVERIFY(!QFileInfo::exists(AcceptedWriteJournalPath()));
}

void TestStartup::secondCopyTouchesNothing()
{
    ProgramFolderFixture fx;
    FakeGateway fake;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli', parola_i='p', flg_kaydet_i='1', flg_gw='1', url_ambrel=?",
            {fake.url()});
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");

    QProcess holder;
    QCOMPARE(startHolder(holder, fx.folder()), QStringLiteral("held"));

    {
        PromptRecorder prompts;
        ShellRecorder shell;
        LifecycleRecorder life;
        WindowRecorder windows;
        QVERIFY(!Main());
        QCOMPARE(prompts.count(), 1);
        QCOMPARE(prompts.last().text, QStringLiteral("Program Zaten Çalışıyor."));
        QCOMPARE(prompts.last().icon, PromptIcon::Information);
        QCOMPARE(prompts.last().title, QStringLiteral("Uyarı"));
        QCOMPARE(fake.requestCount(), 0);
        QVERIFY(!gAccountLoaded);
        QCOMPARE(windows.logins, 0);
        QVERIFY(windows.mainCaptions.isEmpty());
        QVERIFY(shell.startedPrograms.isEmpty());
        QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
        QCOMPARE(life.endCount, 1);
    }
    QVERIFY(holder.state() == QProcess::Running);

    // A copy that died leaves its lock file behind; it does not block the next start.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    WindowRecorder windows;
    QVERIFY(Main());
    QCOMPARE(windows.mainCaptions.size(), 1);
    QVERIFY(!prompts.texts().contains(QStringLiteral("Program Zaten Çalışıyor.")));
}

void TestStartup::runningCopyBlocksSecondProcess()
{
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_ayarlar SET flg_kaydet='0', flg_gw='0'");
    PromptRecorder prompts;
    LifecycleRecorder life;
    WindowRecorder windows;
    QVERIFY(Main()); // this copy runs, with the login window
    QCOMPARE(windows.logins, 1);

    QProcess second;
    QCOMPARE(startHolder(second, fx.folder()), QStringLiteral("busy"));
    second.closeWriteChannel();
    QVERIFY(second.waitForFinished());

    // Another program folder is another installation.
    QTemporaryDir other;
    QProcess elsewhere;
    QCOMPARE(startHolder(elsewhere, other.path()), QStringLiteral("held"));
    elsewhere.closeWriteChannel();
    QVERIFY(elsewhere.waitForFinished());

    ReleaseSingleInstanceLock();
    QProcess after;
    QCOMPARE(startHolder(after, fx.folder()), QStringLiteral("held"));
    after.closeWriteChannel();
    QVERIFY(after.waitForFinished());
}

void TestStartup::leftLockFileDoesNotBlock_data()
{
    QTest::addColumn<QByteArray>("content"); // "<sleep>": the number of a living other program
    QTest::addColumn<bool>("withRmlock");
    QTest::newRow("empty (killed between create and write)") << QByteArray() << false;
    QTest::newRow("empty, with an empty .rmlock") << QByteArray() << true;
    QTest::newRow("a living process of another program") << QByteArray("<sleep>") << false;
}

// A lock file that no living copy holds lets the start go on, and the copy that took it
// keeps the next one out.
void TestStartup::leftLockFileDoesNotBlock()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, withRmlock);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess sleeper;
    if (content == "<sleep>") {
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        content = QByteArray::number(sleeper.processId()) + "\nBrenvik\n";
    }
    const QString lockPath = SingleInstanceLockPath(QStringLiteral("Brenvik"), folder.path());
    {
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), qint64(content.size()));
    }
    if (withRmlock) {
        QFile f(lockPath + QStringLiteral(".rmlock"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    SetProgramFolder(folder.path());
    const bool held = AcquireSingleInstanceLock(QStringLiteral("Brenvik"));
    SetProgramFolder(QString());
    QVERIFY(held);
    QProcess second;
    QCOMPARE(startHolder(second, folder.path()), QStringLiteral("busy"));
    second.closeWriteChannel();
    QVERIFY(second.waitForFinished());
    sleeper.kill();
    sleeper.waitForFinished();
}

void TestStartup::lockPathPerFolder()
{
    QTemporaryDir a, b;
    const QString pa = SingleInstanceLockPath(QStringLiteral("Brenvik"), a.path());
    QCOMPARE(pa, SingleInstanceLockPath(QStringLiteral("Brenvik"), a.path() + QStringLiteral("/.")));
    QVERIFY(pa != SingleInstanceLockPath(QStringLiteral("Brenvik"), b.path()));
    QVERIFY(pa != SingleInstanceLockPath(QStringLiteral("Kovaset"), a.path()));
    QCOMPARE(QFileInfo(pa).absolutePath(),
             QFileInfo(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/x").absolutePath());
}

void TestStartup::startTailOrderAndKovasetPath()
{
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
    gUserName = QStringLiteral("ali");
    gCompanyName = QStringLiteral("Merkez Ticaret");
    PromptRecorder prompts;
    LifecycleRecorder life;
    QStringList events;
    StartupWindows::Handlers h;
    h.chooseCompany = [&] { events << "company"; };
    h.showMainWindow = [&](const QString &tail) { events << "main" + tail; };
    StartupWindows::setHandlers(h);
    Shell::Handlers s;
    // The run permission is written before the program starts.
    s.startProgram = [&](const QString &path) {
        events << "start " + path + " flag " + kovasetFlag(fx);
        return false;
    };
    Shell::setHandlers(s);

    QVERIFY(RunStartTail());
    StartupWindows::setHandlers({});
    Shell::setHandlers(Shell::defaultHandlers());
    // A program that fails to start goes unnoticed.
    QCOMPARE(events, QStringList({"start " + fx.folder() + "/Kovaset flag 1",
                                  "main [Kullanıcı : ali Şirket : Merkez Ticaret]"}));
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(life.endCount, 0);
}

void TestStartup::startTailRunsCompanyChoiceWhenErpConfigured()
{
    ProgramFolderFixture fx;
    gErpConfigured = true;
    ShellRecorder shell;
    LifecycleRecorder life;
    QStringList events;
    StartupWindows::Handlers h;
    h.chooseCompany = [&] {
        events << "company";
        gCompanyName = QStringLiteral("Şube Dağıtım");
    };
    h.showMainWindow = [&](const QString &tail) { events << "main" + tail; };
    StartupWindows::setHandlers(h);
    QVERIFY(RunStartTail());
    StartupWindows::setHandlers({});
    QCOMPARE(events, QStringList({"company", "main [Kullanıcı :  Şirket : Şube Dağıtım]"}));
    QCOMPARE(shell.startedPrograms.size(), 1);
}

void TestStartup::startTailStopsWhenCompanyWindowEnds()
{
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
    gErpConfigured = true;
    ShellRecorder shell;
    LifecycleRecorder life;
    int mains = 0;
    StartupWindows::Handlers h;
    h.chooseCompany = [] { Lifecycle::endProgram(); };
    h.showMainWindow = [&](const QString &) { ++mains; };
    StartupWindows::setHandlers(h);
    QVERIFY(!RunStartTail());
    StartupWindows::setHandlers({});
    QCOMPARE(mains, 0);
    QVERIFY(shell.startedPrograms.isEmpty());
    QCOMPARE(kovasetFlag(fx), QStringLiteral("0"));
    QCOMPARE(life.endCount, 1);
}

void TestStartup::startTailFailureEndsProgram()
{
    ProgramFolderFixture fx;
    fx.exec("DROP TABLE tbl_param");
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    WindowRecorder windows;
    QVERIFY(!RunStartTail());
    QCOMPARE(prompts.count(), 1);
    QVERIFY2(prompts.last().text.startsWith(
                 QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : ")),
             qPrintable(prompts.last().text));
    QVERIFY(prompts.last().text.contains(QLatin1String("tbl_param")));
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, QStringLiteral("Brenvik"));
    QVERIFY(shell.startedPrograms.isEmpty());
    QVERIFY(windows.mainCaptions.isEmpty());
    QCOMPARE(life.endCount, 1);
}

void TestStartup::bothRoadsToMainWindow()
{
    ProgramFolderFixture fx;
    ErpStandIn erp(fx.folder() + QStringLiteral("/erp"));
    erp.fillSample();
    base64 codec;
    const QList<QPair<QString, QString>> erpSettings = {{"OrvekServer", erp.serverSetting()},
                                                        {"OrvekDatabase", erp.database()},
                                                        {"OrvekUser", "sa"},
                                                        {"OrvekPassword", "demo"}};
    for (const auto &p : erpSettings)
        fx.exec("UPDATE tbl_param SET deger = ? WHERE parametre = ?", {codec.Encode(p.second), p.first});
    FakeGateway fake;
    fake.setAccount(QStringLiteral("demo"), QStringLiteral("demo"));
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='demo', parola_i='demo', flg_kaydet_i='0', flg_gw='1', "
            "url_ambrel=?",
            {fake.url()});
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    BrowserRecorder browser;
    InstallStartupWindows();
    CompanyWindowDriver companies(QStringLiteral("Şube Dağıtım"));

    // First start: no saved credentials, so the login window; the box ticked saves them.
    QVERIFY(Main());
    frmGiris *login = loginWindow();
    QVERIFY(login);
    QVERIFY(!Control<QLineEdit>(login, "txtClientKodu")->isVisible());
    QTest::keyClicks(Control<QLineEdit>(login, "txtUserName"), QStringLiteral("demo"));
    QTest::keyClicks(Control<QLineEdit>(login, "txtPassWord"), QStringLiteral("demo"));
    Control<QCheckBox>(login, "chkKaydet")->setChecked(true);
    QTest::mouseClick(Control<QPushButton>(login, "btnOturumAc"), Qt::LeftButton);

    QCOMPARE(companies.shown, 1);
    QCOMPARE(companies.offered.size(), 2);
    QVERIFY(frmMDI::instance());
    QVERIFY(frmMDI::instance()->isVisible());
    QCOMPARE(frmMDI::instance()->windowTitle(),
             QStringLiteral("Orvek® Talvane [Kullanıcı : demo Şirket : Şube Dağıtım]"));
    QCOMPARE(gCompanyCode, QStringLiteral("02"));
    QVERIFY(!loginWindow());
    QCOMPARE(fake.actions(), QStringList{"4"});
    QCOMPARE(shell.startedPrograms, QStringList{expectedKovaset(fx)});
    QCOMPARE(kovasetFlag(fx), QStringLiteral("1"));
    QCOMPARE(fx.scalar("SELECT flg_kaydet_i FROM tbl_ayarlar").toString(), QStringLiteral("1"));
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(life.endCount, 0);
    endRun();

    // Second start: the saved account logs in silently.
    fx.exec("UPDATE tbl_param SET deger='0' WHERE parametre='flg_kovaset'");
    companies.choose(QStringLiteral("Merkez Ticaret"));
    QVERIFY(Main());
    QVERIFY(!loginWindow());
    QCOMPARE(companies.shown, 2);
    QVERIFY(frmMDI::instance() && frmMDI::instance()->isVisible());
    QCOMPARE(frmMDI::instance()->windowTitle(),
             QStringLiteral("Orvek® Talvane [Kullanıcı : demo Şirket : Merkez Ticaret]"));
    QCOMPARE(fake.actions(), QStringList({"4", "12"}));
    QCOMPARE(shell.startedPrograms.size(), 2);
    QCOMPARE(kovasetFlag(fx), QStringLiteral("1"));
    QCOMPARE(fx.rows("SELECT sirket_kod FROM tbl_kovaset_ayar ORDER BY sirket_kod"),
             QList<QVariantList>({{"01"}, {"02"}}));
    QCOMPARE(prompts.count(), 0);

    // Closing the main window ends the program.
    frmMDI::instance()->close();
    QCOMPARE(life.endCount, 1);
    endRun();
    StartupWindows::setHandlers({});
}

void TestStartup::mainWindowWithoutErp()
{
    ProgramFolderFixture fx;
    FakeGateway fake;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='demo', parola_i='demo', flg_kaydet_i='1', flg_gw='1', "
            "url_ambrel=?",
            {fake.url()});
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    BrowserRecorder browser;
    InstallStartupWindows();
    CompanyWindowDriver companies{QString()};

    QVERIFY(Main());
    QCOMPARE(prompts.texts(), QStringList{kStep8});
    QCOMPARE(companies.shown, 0);
    QVERIFY(frmMDI::instance() && frmMDI::instance()->isVisible());
    QCOMPARE(frmMDI::instance()->windowTitle(), QStringLiteral("Orvek® Talvane [Kullanıcı : demo Şirket : ]"));
    endRun();
    StartupWindows::setHandlers({});
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
