// Where the main window opens: the placement rule on screens of several sizes, and the main
// window that either road of the start (silent login, login window) puts on a 1920 x 1080
// screen.

#include "core/AppState.h"
#include "core/Startup.h"
#include "shell/DesktopLook.h"
#include "shell/StartupWindows.h"
#include "shell/frmGiris.h"
#include "shell/frmMDI.h"
#include "tests/support/BrowserRecorder.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/Recorders.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(MainWindowPlacement)

class TestStartWindows : public QObject {
    Q_OBJECT
public:
    // Before the application exists: an offscreen screen of a desktop's size.
    static void initMain()
    {
        static QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({"screens":[{"name":"desk","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    }

private slots:
    void initTestCase();
    void cleanup();
    void placement_data();
    void placement();
    void mainWindowOnScreenAfterEitherRoad_data();
    void mainWindowOnScreenAfterEitherRoad();
};

void TestStartWindows::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    UseProgramFont();
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1080));
}

void TestStartWindows::cleanup()
{
    StartupWindows::setHandlers({});
    ReleaseSingleInstanceLock();
    ResetAppState();
}

void TestStartWindows::placement_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<MainWindowPlacement>("expected");
    const QMargins frame(4, 30, 4, 4);
    QTest::newRow("wide screen: centred") << QRect(0, 0, 1920, 1080) << QSize(1584, 711) << frame
                                          << MainWindowPlacement{QPoint(164, 167), QSize(1584, 711), false};
    QTest::newRow("panel at the top: centred below it")
        << QRect(0, 32, 1920, 1048) << QSize(1584, 711) << frame
        << MainWindowPlacement{QPoint(164, 183), QSize(1584, 711), false};
    QTest::newRow("second screen to the right")
        << QRect(1920, 0, 2560, 1440) << QSize(1584, 711) << frame
        << MainWindowPlacement{QPoint(1920 + 484, 347), QSize(1584, 711), false};
    QTest::newRow("laptop screen: too narrow")
        << QRect(0, 0, 1366, 768) << QSize(1584, 711) << frame << MainWindowPlacement{{}, QSize(1584, 711), true};
    QTest::newRow("frame makes it too high")
        << QRect(0, 0, 1920, 740) << QSize(1584, 711) << frame << MainWindowPlacement{{}, QSize(1584, 711), true};
    QTest::newRow("exactly fits") << QRect(0, 0, 1592, 745) << QSize(1584, 711) << frame
                                  << MainWindowPlacement{QPoint(0, 0), QSize(1584, 711), false};
}

void TestStartWindows::placement()
{
    QFETCH(QRect, available);
    QFETCH(QSize, size);
    QFETCH(QMargins, frame);
    QFETCH(MainWindowPlacement, expected);
    const MainWindowPlacement p = PlaceMainWindow(available, size, frame);
    QCOMPARE(p.maximised, expected.maximised);
    if (!expected.maximised) {
        QCOMPARE(p.frameTopLeft, expected.frameTopLeft);
        QCOMPARE(p.size, expected.size);
    }
}

void TestStartWindows::mainWindowOnScreenAfterEitherRoad_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("silent login") << true;
    QTest::newRow("login window") << false;
}

void TestStartWindows::mainWindowOnScreenAfterEitherRoad()
{
    QFETCH(bool, silent);
    ProgramFolderFixture fx;
    FakeGateway gateway;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli', parola_i='gizli', flg_kaydet_i=?, flg_gw='1', "
            "url_ambrel=?",
            {silent ? "1" : "0", gateway.url()});
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    BrowserRecorder browser;
    InstallStartupWindows();

    QVERIFY(Main());
    if (!silent) {
        frmGiris *login = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *g = qobject_cast<frmGiris *>(w); g && g->isVisible()) login = g;
        QVERIFY(login);
        QVERIFY(!frmMDI::instance());
        QTest::keyClicks(Control<QLineEdit>(login, "txtUserName"), QStringLiteral("veli"));
        QTest::keyClicks(Control<QLineEdit>(login, "txtPassWord"), QStringLiteral("gizli"));
        QTest::mouseClick(Control<QPushButton>(login, "btnOturumAc"), Qt::LeftButton);
    }
    QPointer<frmMDI> mdi = frmMDI::instance();
    QVERIFY(mdi);
    QVERIFY(QTest::qWaitForWindowExposed(mdi));
    QCOMPARE(life.endCount, 0);

    const QRect available = mdi->screen()->availableGeometry();
    const QRect frame = mdi->frameGeometry();
    QVERIFY(!mdi->isMaximized());
    QCOMPARE(mdi->size(), mdi->OpeningSize());
    QVERIFY2(
        available.contains(frame),
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    // Centred, give or take the frame the window system drew.
    QVERIFY(qAbs(frame.center().x() - available.center().x()) <= 20);
    QVERIFY(qAbs(frame.center().y() - available.center().y()) <= 20);

    delete mdi;
    MainWindowFixture::flushDeletes();
}

QTEST_MAIN(TestStartWindows)
#include "tst_startwindows.moc"
