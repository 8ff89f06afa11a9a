#include "core/AppState.h"
#include "core/Services.h"
#include "shell/ProgressFigures.h"
#include "shell/WidgetServices.h"
#include "shell/frmBekle.h"
#include "tests/support/Controls.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
const QString kSpeed = QStringLiteral(" kayıt/saniye");
} // namespace

class TestFrmBekle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void figures_data();
    void figures();
    void roundHalfEven_data();
    void roundHalfEven();
    void initialState();
    void ticksRefreshTheLabels();
    void newLoadCountsTicksAgain();
    void seamDrivesTheWindow();
    void hiddenWindowStillTicks();
    void doesNotKeepTheProgramAlive();
    void longStatusWidensTheWindow();
};

void TestFrmBekle::initTestCase() { InstallWidgetServices(); }

void TestFrmBekle::cleanup()
{
    frmBekle::unload();
    flushDeletes();
    ResetAppState();
}

void TestFrmBekle::figures_data()
{
    QTest::addColumn<qlonglong>("done");
    QTest::addColumn<qlonglong>("total");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("barBefore");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("speed");
    QTest::newRow("quarter after 3 ticks") << 30LL << 120LL << 3 << 0 << 25 << "30/120 (%25)"
                                           << "10" + kSpeed;
    QTest::newRow("nothing done yet") << 0LL << 500LL << 1 << 0 << 1 << "0/500 (%1)"
                                      << "0" + kSpeed;
    QTest::newRow("example") << 120LL << 500LL << 12 << 20 << 24 << "120/500 (%24)"
                             << "10" + kSpeed;
    QTest::newRow("0.1 % shows 1") << 1LL << 1000LL << 1 << 0 << 1 << "1/1000 (%1)"
                                   << "1" + kSpeed;
    QTest::newRow("99.4 %") << 994LL << 1000LL << 10 << 90 << 99 << "994/1000 (%99)"
                            << "99" + kSpeed;
    QTest::newRow("99.6 %") << 996LL << 1000LL << 10 << 90 << 100 << "996/1000 (%100)"
                            << "100" + kSpeed;
    QTest::newRow("12.5 % to even") << 1LL << 8LL << 2 << 0 << 12 << "1/8 (%12)"
                                    << "0" + kSpeed;
    QTest::newRow("37.5 % to even") << 3LL << 8LL << 2 << 0 << 38 << "3/8 (%38)"
                                    << "2" + kSpeed;
    QTest::newRow("speed 2.5 to even") << 5LL << 100LL << 2 << 0 << 5 << "5/100 (%5)"
                                       << "2" + kSpeed;
    QTest::newRow("speed 3.5 to even") << 7LL << 100LL << 2 << 0 << 7 << "7/100 (%7)"
                                       << "4" + kSpeed;
    QTest::newRow("all done") << 500LL << 500LL << 5 << 99 << 100 << "500/500 (%100)"
                              << "100" + kSpeed;
    QTest::newRow("total 0 keeps the bar") << 0LL << 0LL << 4 << 37 << 37 << "0/0 (%37)"
                                           << "0" + kSpeed;
    QTest::newRow("total 0, some done") << 8LL << 0LL << 4 << 0 << 0 << "8/0 (%0)"
                                        << "2" + kSpeed;
    QTest::newRow("over 100 % keeps the bar") << 600LL << 500LL << 6 << 80 << 80 << "600/500 (%80)"
                                              << "100" + kSpeed;
    QTest::newRow("100.5 % rounds to 100") << 201LL << 200LL << 1 << 50 << 100 << "201/200 (%100)"
                                           << "201" + kSpeed;
    QTest::newRow("beyond 32 bits") << 3000000000LL << 6000000000LL << 1000 << 0 << 50 << "3000000000/6000000000 (%50)"
                                    << "3000000" + kSpeed;
}

void TestFrmBekle::figures()
{
    QFETCH(qlonglong, done);
    QFETCH(qlonglong, total);
    QFETCH(int, ticks);
    QFETCH(int, barBefore);
    const ProgressFigures f = ComputeProgressFigures(done, total, ticks, barBefore);
    QTEST(f.barValue, "bar");
    QTEST(f.caption, "caption");
    QVERIFY(f.speedKnown);
    QTEST(f.speed, "speed");
}

void TestFrmBekle::roundHalfEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("2.51") << 2.51 << 3.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-3.5") << -3.5 << -4.0;
    QTest::newRow("0.49") << 0.49 << 0.0;
}

void TestFrmBekle::roundHalfEven()
{
    QFETCH(double, x);
    QTEST(RoundHalfEven(x), "expected");
}

void TestFrmBekle::initialState()
{
    QVERIFY(!frmBekle::isLoaded());
    frmBekle *w = frmBekle::instance();
    QVERIFY(frmBekle::isLoaded());
    QCOMPARE(frmBekle::instance(), w);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->parent(), nullptr);
    QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(w->windowTitle(), QString());
    QCOMPARE(w->size(), QSize(344, 73));
    QCOMPARE(w->findChild<QLabel *>("Label1")->text(), QStringLiteral("İşleminiz Yapılıyor. Lütfen Bekleyiniz ..."));
    QProgressBar *bar = w->findChild<QProgressBar *>("ProgressBar1");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(w->findChild<QLabel *>("Label2")->text(), QStringLiteral("İşlem Hızı : "));
    QVERIFY(w->findChild<QLabel *>("Label2")->isHidden());
    QCOMPARE(w->findChild<QLabel *>("lblIslemHiz")->text(), QString());
    QVERIFY(w->findChild<QLabel *>("lblIslemHiz")->isHidden());
    QTimer *timer = w->findChild<QTimer *>("Timer1");
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isActive());
    QCOMPARE(w->ticks(), 0);
    // At the right edge of the screen once shown.
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect screen = w->screen()->geometry();
    QCOMPARE(w->frameGeometry().right(), screen.right());
}

void TestFrmBekle::ticksRefreshTheLabels()
{
    frmBekle *w = frmBekle::instance();
    gProgressTotal = 120;
    gProgressDone = 10;
    w->Timer1_Timer();
    QCOMPARE(w->windowTitle(), QStringLiteral("10/120 (%8)"));
    gProgressDone = 20;
    w->Timer1_Timer();
    gProgressDone = 30;
    w->Timer1_Timer();
    QCOMPARE(w->ticks(), 3);
    QCOMPARE(Control<QProgressBar>(w, "ProgressBar1")->value(), 25);
    QCOMPARE(w->windowTitle(), QStringLiteral("30/120 (%25)"));
    QCOMPARE(Control<QLabel>(w, "lblIslemHiz")->text(), "10" + kSpeed);
    // Over the total the bar keeps its value and the caption shows it.
    gProgressDone = 130;
    w->Timer1_Timer();
    QCOMPARE(Control<QProgressBar>(w, "ProgressBar1")->value(), 25);
    QCOMPARE(w->windowTitle(), QStringLiteral("130/120 (%25)"));
    QCOMPARE(Control<QLabel>(w, "lblIslemHiz")->text(), "32" + kSpeed); // 32.5 to the even neighbour
}

void TestFrmBekle::newLoadCountsTicksAgain()
{
    gProgressTotal = 100;
    gProgressDone = 50;
    frmBekle *w = frmBekle::instance();
    for (int i = 0; i < 5; ++i) w->Timer1_Timer();
    QCOMPARE(Control<QLabel>(w, "lblIslemHiz")->text(), "10" + kSpeed);
    frmBekle::unload();
    QVERIFY(!frmBekle::isLoaded());
    flushDeletes();
    w = frmBekle::instance();
    QCOMPARE(Control<QProgressBar>(w, "ProgressBar1")->value(), 0);
    w->Timer1_Timer();
    QCOMPARE(Control<QLabel>(w, "lblIslemHiz")->text(), "50" + kSpeed);
    // The counters belong to the operation: the window never resets them.
    QCOMPARE(gProgressDone, 50);
    QCOMPARE(gProgressTotal, 100);
}

void TestFrmBekle::seamDrivesTheWindow()
{
    gProgressTotal = 4;
    gProgressDone = 0;
    ProgressWindow::show();
    QVERIFY(frmBekle::isLoaded());
    QPointer<frmBekle> w = frmBekle::instance();
    QVERIFY(w->isVisible());
    ProgressWindow::setStatus(QStringLiteral("Sayfa 1 kayıtları oluşturuluyor..."));
    QCOMPARE(Control<QLabel>(w, "Label1")->text(), QStringLiteral("Sayfa 1 kayıtları oluşturuluyor..."));
    QVERIFY(Control<QLabel>(w, "Label1")->width() >= Control<QLabel>(w, "Label1")->sizeHint().width());
    ProgressWindow::showSpeed(true);
    QVERIFY(!Control<QLabel>(w, "Label2")->isHidden() && !Control<QLabel>(w, "lblIslemHiz")->isHidden());
    ProgressWindow::runTimer(true);
    QVERIFY(Control<QTimer>(w, "Timer1")->isActive());
    gProgressDone = 2;
    // The timer, not the operation, writes the figures.
    QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("2/4 (%50)"), 10000);
    ProgressWindow::runTimer(false);
    QVERIFY(!Control<QTimer>(w, "Timer1")->isActive());
    ProgressWindow::showSpeed(false);
    QVERIFY(Control<QLabel>(w, "Label2")->isHidden() && Control<QLabel>(w, "lblIslemHiz")->isHidden());
    ProgressWindow::hide();
    QVERIFY(!frmBekle::isLoaded());
    QVERIFY(!w->isVisible());
    flushDeletes();
    QVERIFY(w.isNull());
}

void TestFrmBekle::hiddenWindowStillTicks()
{
    // A caller that only refers to the parts loads the window without showing it.
    gProgressTotal = 10;
    gProgressDone = 10;
    ProgressWindow::runTimer(true);
    QVERIFY(frmBekle::isLoaded());
    frmBekle *w = frmBekle::instance();
    QVERIFY(!w->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(Control<QProgressBar>(w, "ProgressBar1")->value(), 100, 10000);
    QCOMPARE(w->windowTitle(), QStringLiteral("10/10 (%100)"));
    ProgressWindow::hide();
    QVERIFY(!frmBekle::isLoaded());
}

void TestFrmBekle::doesNotKeepTheProgramAlive()
{
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    ProgressWindow::show();
    QVERIFY(frmBekle::instance()->isVisible());
    QVERIFY(!frmBekle::instance()->testAttribute(Qt::WA_QuitOnClose));
    // Closing the main window ends the event loop although the progress window is still up;
    // the guard ends it with 1 otherwise.
    QTimer::singleShot(0, &main, &QWidget::close);
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestFrmBekle::longStatusWidensTheWindow()
{
    ProgressWindow::show();
    frmBekle *w = frmBekle::instance();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect screen = w->screen()->geometry();
    const int barWidth = Control<QProgressBar>(w, "ProgressBar1")->width();

    // A report's wait text is longer than the line: all of it shows, right edge on the screen's.
    ProgressWindow::setStatus(QStringLiteral("Raporunuzdaki Kayıt Sayısı Hesaplanıyor...Lütfen Bekleyiniz."));
    QTRY_COMPARE(w->frameGeometry().right(), screen.right());
    QVERIFY(Control<QLabel>(w, "Label1")->geometry().right() < w->width());
    QVERIFY(Control<QLabel>(w, "Label1")->width() >= Control<QLabel>(w, "Label1")->sizeHint().width());
    QCOMPARE(w->width() - Control<QProgressBar>(w, "ProgressBar1")->width(), 344 - barWidth);

    // A short text gives the window its own size back.
    ProgressWindow::setStatus(QStringLiteral("Mesaj merkezine bağlanılıyor…"));
    QCOMPARE(w->size(), QSize(344, 73));
    QCOMPARE(Control<QProgressBar>(w, "ProgressBar1")->width(), barWidth);
    QTRY_COMPARE(w->frameGeometry().right(), screen.right());
    ProgressWindow::hide();
}

QTEST_MAIN(TestFrmBekle)
#include "tst_frmbekle.moc"
