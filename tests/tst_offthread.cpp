#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "core/Services.h"
#include "shell/OffThread.h"
#include "tests/support/FakeHttpServer.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <stdexcept>
#include <thread>

namespace {
// Records the progress window seam, the status lines with the calls.
struct ProgressSeam {
    QStringList calls;
    ProgressSeam()
    {
        ProgressWindow::Handlers h;
        h.show = [this] { calls << QStringLiteral("show"); };
        h.hide = [this] { calls << QStringLiteral("hide"); };
        h.setStatus = [this](const QString &text) { calls << QStringLiteral("status ") + text; };
        ProgressWindow::setHandlers(h);
    }
    ~ProgressSeam() { ProgressWindow::setHandlers({}); }
};
} // namespace

class TestOffThread : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { HttpPoster::resetTimeouts(); }
    void stalledRequestKeepsWindowThreadRunning();
    void resultsAndErrorsComeBack();
    void progressAlreadyShownStaysShown();
};

void TestOffThread::stalledRequestKeepsWindowThreadRunning()
{
    FakeHttpServer server([](const FakeRequest &) { return FakeReply::silent(); });
    QVERIFY(server.isListening());
    HttpPoster::setTimeouts(2000, 20000);
    HttpPoster::setLowSpeedSeconds(1);
    ProgressSeam seam;

    QPushButton button(QStringLiteral("Gönder"));
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });

    // A timer of the window thread: it must fire while the request stalls, and what the
    // operator does meanwhile must reach no window.
    int ticks = 0;
    bool threadWasOther = false;
    int waitsSeen = 0;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, [&] {
        if (ticks++ != 2) return;
        waitsSeen = OffThreadWait::runningCount();
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
    });
    timer.start();

    const std::thread::id windowThread = std::this_thread::get_id();
    Gateway gateway;
    gateway.setUrl(server.url(QStringLiteral("/sms")));
    const QString reply = RunOffThread(QStringLiteral("Mesaj merkezine bağlanılıyor…"), [&] {
        threadWasOther = std::this_thread::get_id() != windowThread;
        return gateway.GetInfo(QStringLiteral("u"), QStringLiteral("p"));
    });
    timer.stop();

    QCOMPARE(reply, QStringLiteral("-1"));
    QCOMPARE(gateway.lastOutcome(), PostOutcome::SentNoAnswer);
    QVERIFY(threadWasOther);
    QVERIFY2(ticks > 3, qPrintable(QString::number(ticks)));
    QCOMPARE(waitsSeen, 1);
    QCOMPARE(clicks, 0);
    QCOMPARE(seam.calls, (QStringList{QStringLiteral("status Mesaj merkezine bağlanılıyor…"), QStringLiteral("show"),
                                      QStringLiteral("hide")}));
    // Input is taken again once the wait is over.
    QCOMPARE(OffThreadWait::runningCount(), 0);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 1);
}

void TestOffThread::resultsAndErrorsComeBack()
{
    ProgressSeam seam;
    QCOMPARE(RunOffThread(QStringLiteral("x"), [] { return QStringLiteral("ID:7"); }), QStringLiteral("ID:7"));
    int ran = 0;
    RunOffThread(QStringLiteral("x"), [&] { ++ran; });
    QCOMPARE(ran, 1);
    // A work that ends before the window thread starts waiting still ends the wait.
    QCOMPARE(RunOffThread(QStringLiteral("x"), [] { return 5; }), 5);

    bool thrown = false;
    try {
        RunOffThread(QStringLiteral("x"), []() -> int { throw std::runtime_error("bozuk"); });
    } catch (const std::runtime_error &e) {
        thrown = QString::fromUtf8(e.what()) == QLatin1String("bozuk");
    }
    QVERIFY(thrown);
    // Every wait closed its progress window and gave input back, also the failed one.
    QCOMPARE(seam.calls.count(QStringLiteral("show")), 4);
    QCOMPARE(seam.calls.count(QStringLiteral("hide")), 4);
    QCOMPARE(OffThreadWait::runningCount(), 0);
}

void TestOffThread::progressAlreadyShownStaysShown()
{
    ProgressSeam seam;
    RunOffThread(
        QStringLiteral("Rapor isteniyor"), [] { return 1; }, WaitWindow::AlreadyShown);
    QCOMPARE(seam.calls, QStringList{QStringLiteral("status Rapor isteniyor")});
    // The caller's own status line stays.
    seam.calls.clear();
    RunOffThread(
        QString(), [] { return 1; }, WaitWindow::AlreadyShown);
    QVERIFY(seam.calls.isEmpty());
}

QTEST_MAIN(TestOffThread)
#include "tst_offthread.moc"
