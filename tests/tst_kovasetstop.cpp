// The Kovaset program as a process, stopped while a peer holds its request: a gateway that
// reads a greeting request and never answers, an interactive service that reads the poll and
// never answers. SIGTERM and "/Uninstall" must end it soon, and nothing is sent after the
// stop. The first greeting tick and the first interactive cycle come a minute after the
// start, so the four programs run side by side.
#include "core/Base64.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/KovasetFolder.h"

#include <QtTest>

#include <chrono>
#include <csignal>
#include <memory>

namespace {
qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct StalledPeer {
    QString name;
    bool service = false;   // the interactive service stalls (else the gateway)
    bool uninstall = false; // stopped by "/Uninstall" (else SIGTERM)
    std::unique_ptr<KovasetFolder> folder;
    std::unique_ptr<FakeHttpServer> peer;
    QProcess *process = nullptr;
};
} // namespace

class TestKovasetStop : public QObject {
    Q_OBJECT
private slots:
    void endsSoonAfterAStopWithAStalledPeer();
};

void TestKovasetStop::endsSoonAfterAStopWithAStalledPeer()
{
    std::vector<StalledPeer> runs;
    for (const bool service : {false, true})
        for (const bool uninstall : {false, true}) {
            StalledPeer r;
            r.name = QStringLiteral("%1, %2").arg(service ? QStringLiteral("stalled service")
                                                          : QStringLiteral("stalled gateway"),
                                                  uninstall ? QStringLiteral("/Uninstall") : QStringLiteral("SIGTERM"));
            r.service = service;
            r.uninstall = uninstall;
            r.folder = std::make_unique<KovasetFolder>();
            r.peer = std::make_unique<FakeHttpServer>([](const FakeRequest &) { return FakeReply::silent(); });
            QVERIFY(r.peer->isListening());
            runs.push_back(std::move(r));
        }

    for (StalledPeer &r : runs) {
        KovasetFolder &k = *r.folder;
        if (r.service) {
            // The poll every minute; the greeting window never opens.
            k.setGateway(QStringLiteral("http://127.0.0.1:9/"));
            k.setErpServer(QStringLiteral("x"));
            k.setUpInteractive();
            const QString program = k.installCopy(QStringLiteral("kovaset-service-at"));
            QVERIFY(!program.isEmpty());
            k.closeDb();
            r.process = &k.startProgram(program, {r.peer->url(QStringLiteral("/gathwin.asp"))});
        } else {
            // Four greeting parts due today, all day long; no interactive cycle.
            k.setUpGreetings(QDate::currentDate(), 1, r.peer->url(QStringLiteral("/sms/com.strova")));
            k.setParam(QStringLiteral("KovasetBasla"), QStringLiteral("00:00:00"));
            k.setParam(QStringLiteral("KovasetBitir"), QStringLiteral("23:59:59"));
            k.setParam(QStringLiteral("IntPeriyot"), QStringLiteral("0"));
            k.closeDb();
            r.process = &k.start();
        }
    }
    for (StalledPeer &r : runs) {
        QTRY_VERIFY_WITH_TIMEOUT(r.peer->requestCount() == 1, 150000);
        QCOMPARE(r.process->state(), QProcess::Running);
    }

    for (StalledPeer &r : runs) {
        KovasetFolder &k = *r.folder;
        const qint64 stopNs = steadyNs();
        if (r.uninstall)
            QCOMPARE(k.run({QStringLiteral("/Uninstall")}), 0);
        else
            ::kill(pid_t(r.process->processId()), SIGTERM);
        const qint64 stoppedNs = steadyNs(); // "/Uninstall" has written its flag
        // A hang guard only: the figures are printed below.
        QVERIFY2(r.process->waitForFinished(10000), qPrintable(r.name));
        const qint64 endNs = steadyNs();
        QCOMPARE(r.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.process->exitCode(), 0);
        int after = 0;
        for (const FakeRequest &q : r.peer->requests())
            if (q.arrivedNs > stopNs) ++after;
        QCOMPARE(after, 0);
        QCOMPARE(r.peer->requestCount(), 1);
        const QString log = k.logText();
        QVERIFY2(log.contains(r.uninstall ? QStringLiteral("Kovaset sona erdi: flg_kovaset \"0\"")
                                          : QStringLiteral("Kovaset sona erdi: SIGTERM alındı")),
                 qPrintable(log));
        if (r.service) {
            QVERIFY2(log.contains(QStringLiteral("Etkileşimli servise ulaşılamadı. (istek gitti, durdurma isteğiyle "
                                                 "kesildi; yanıt gelmedi)")),
                     qPrintable(log));
        } else {
            QVERIFY2(log.contains(QStringLiteral("Tebrik isteği gitti, durdurma isteğiyle kesildi, yanıt gelmedi; "
                                                 "gönderilmiş olabilir")),
                     qPrintable(log));
            QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_kovaset_parca WHERE msgid IS NULL")).toInt(), 1);
        }
        qInfo("%s: ended %lld ms after the stop (%lld ms after the flag was written), %d requests after it",
              qPrintable(r.name), (endNs - stopNs) / 1000000, (endNs - stoppedNs) / 1000000, after);
    }
}

QTEST_GUILESS_MAIN(TestKovasetStop)
#include "tst_kovasetstop.moc"
