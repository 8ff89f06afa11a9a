// The Kovaset program as a process: a copy of the built binary in a temporary program folder
// with its own database, configuration folder (the log-on entry) and runtime folder.
#include "core/Base64.h"
#include "core/LocalDb.h"
#include "core/Startup.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/FakeGathwin.h"
#include "tests/support/Fixtures.h"
#include "tests/support/KovasetFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {
const QString kStarted = QStringLiteral("Kovaset başladı");
// How long a start waits for a copy that holds the lock and may be ending.
constexpr qint64 kLockWaitMs = 5000;

QString expectedEntry(const QString &exec)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Brenvik Kovaset\nExec=") + exec +
           QStringLiteral("\nNoDisplay=true\nTerminal=false\n");
}

enum class Scenario {
    UninstallIdle,
    UninstallWhileRunning,
    UninstallLowerCase,
    SecondCopy,
    KilledCopyLock,
    EmptyLock,
    EndedProcessLock,
    ForeignProcessLock,
    EmptyRmlock,
    RacingStarts,
    EntryWritten,
    EntryKept,
    EntryRewritten,
    EntryQuoted,
    NoDatabase,
    FlagZero,
    Sigterm,
};
} // namespace

Q_DECLARE_METATYPE(Scenario)

class TestKovasetProgram : public QObject {
    Q_OBJECT
private slots:
    void program_data();
    void program();
    void survivesAWriteTransactionOfAnotherProgram();
    void twentyDaysBesideTheMainProgram();
    void noGreetingTwiceAcrossAKill_data();
    void noGreetingTwiceAcrossAKill();
    void mainProgramThatStartedItFreesItsLock_data();
    void mainProgramThatStartedItFreesItsLock();
    void everyStoredMessageAnsweredOnceAcrossAKill();
};

void TestKovasetProgram::program_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::newRow("/Uninstall while none runs") << Scenario::UninstallIdle;
    QTest::newRow("/Uninstall while one runs") << Scenario::UninstallWhileRunning;
    QTest::newRow("/uninstall is no switch") << Scenario::UninstallLowerCase;
    QTest::newRow("second copy") << Scenario::SecondCopy;
    QTest::newRow("lock of a killed copy") << Scenario::KilledCopyLock;
    QTest::newRow("empty lock (killed between create and write)") << Scenario::EmptyLock;
    QTest::newRow("lock naming an ended process") << Scenario::EndedProcessLock;
    QTest::newRow("lock naming a living process of another program") << Scenario::ForeignProcessLock;
    QTest::newRow("empty lock and an empty .rmlock") << Scenario::EmptyRmlock;
    QTest::newRow("two starts racing") << Scenario::RacingStarts;
    QTest::newRow("log-on entry written") << Scenario::EntryWritten;
    QTest::newRow("log-on entry kept") << Scenario::EntryKept;
    QTest::newRow("log-on entry with empty Exec rewritten") << Scenario::EntryRewritten;
    QTest::newRow("log-on entry quoted") << Scenario::EntryQuoted;
    QTest::newRow("no database") << Scenario::NoDatabase;
    QTest::newRow("flag 0 ends it") << Scenario::FlagZero;
    QTest::newRow("SIGTERM ends it") << Scenario::Sigterm;
}

void TestKovasetProgram::program()
{
    QFETCH(Scenario, scenario);
    const auto started = [](KovasetFolder &k, int times = 1) {
        QTRY_VERIFY_WITH_TIMEOUT(k.countInLog(kStarted) >= times, 30000);
    };

    switch (scenario) {
    case Scenario::UninstallIdle: {
        KovasetFolder k;
        QCOMPARE(k.flag(), QStringLiteral("1"));
        k.closeDb();
        QCOMPARE(k.run({QStringLiteral("/Uninstall")}), 0);
        QCOMPARE(k.flag(), QStringLiteral("0"));
        QVERIFY(!QFile::exists(k.entryPath()));
        QCOMPARE(k.countInLog(kStarted), 0);
        break;
    }
    case Scenario::UninstallWhileRunning: {
        KovasetFolder k;
        QProcess &running = k.start();
        started(k);
        QVERIFY(QFile::exists(k.entryPath()));
        QCOMPARE(k.run({QStringLiteral("-x"), QStringLiteral("/Uninstall")}), 0);
        QVERIFY(KovasetFolder::ended(running));
        QCOMPARE(running.exitCode(), 0);
        QCOMPARE(k.flag(), QStringLiteral("0"));
        QVERIFY(k.logText().contains(QStringLiteral("Kovaset sona erdi: flg_kovaset \"0\"")));
        QVERIFY2(QFile::exists(k.entryPath()), "the log-on entry stays");
        break;
    }
    case Scenario::UninstallLowerCase: {
        KovasetFolder k;
        k.setFlag(QStringLiteral("0"));
        k.closeDb();
        QProcess &running = k.start({QStringLiteral("/uninstall")});
        started(k);
        QCOMPARE(k.flag(), QStringLiteral("1"));
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(running));
        QCOMPARE(running.exitCode(), 0);
        break;
    }
    case Scenario::SecondCopy: {
        KovasetFolder k;
        QProcess &first = k.start();
        started(k);
        // A value only this test writes: the second copy must leave it alone.
        k.setFlag(QStringLiteral("x"));
        QString err;
        QCOMPARE(k.run({}, &err), 0);
        QVERIFY2(err.contains(QStringLiteral("zaten çalışıyor")), qPrintable(err));
        QCOMPARE(k.flag(), QStringLiteral("x"));
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(k.countInLog(kStarted), 1);
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(first));
        break;
    }
    case Scenario::KilledCopyLock: {
        KovasetFolder k;
        QProcess &first = k.start();
        started(k);
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(KovasetFolder::ended(first));
        QVERIFY2(QFile::exists(k.folder() + QStringLiteral("/Kovaset.lock")), "the killed copy left its lock");
        k.setFlag(QStringLiteral("x"));
        QProcess &second = k.start();
        started(k, 2);
        QCOMPARE(k.flag(), QStringLiteral("1"));
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(second));
        QCOMPARE(second.exitCode(), 0);
        break;
    }
    case Scenario::EmptyLock:
    case Scenario::EndedProcessLock:
    case Scenario::ForeignProcessLock:
    case Scenario::EmptyRmlock: {
        // A lock file that no living Kovaset holds, as crashes and power cuts leave it.
        KovasetFolder k;
        const QString lockPath = k.folder() + QStringLiteral("/Kovaset.lock");
        const auto leave = [](const QString &path, const QByteArray &text) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        QByteArray content;
        QProcess other;
        if (scenario == Scenario::EndedProcessLock || scenario == Scenario::ForeignProcessLock) {
            other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(other.waitForStarted(10000));
            content =
                QByteArray::number(other.processId()) + "\nKovaset\n" + QSysInfo::machineHostName().toUtf8() + '\n';
            if (scenario == Scenario::EndedProcessLock) {
                other.kill();
                QVERIFY(other.waitForFinished(10000));
            }
        }
        QVERIFY(leave(lockPath, content));
        if (scenario == Scenario::EmptyRmlock) QVERIFY(leave(lockPath + QStringLiteral(".rmlock"), {}));
        k.setFlag(QStringLiteral("x"));
        QElapsedTimer clock;
        clock.start();
        QProcess &running = k.start();
        started(k);
        // Taken over at once, not after the wait for a copy that is ending.
        QVERIFY2(clock.elapsed() < kLockWaitMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(k.flag(), QStringLiteral("1"));
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QCOMPARE(lock.readLine().trimmed(), QByteArray::number(running.processId()));
        lock.close();
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(running));
        QCOMPARE(running.exitCode(), 0);
        QVERIFY(!QFile::exists(lockPath));
        other.kill();
        other.waitForFinished(5000);
        break;
    }
    case Scenario::RacingStarts: {
        KovasetFolder k;
        QProcess &a = k.start();
        QProcess &b = k.start();
        // The one that lost ends on its own once the wait for an ending copy is over.
        QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning, 30000);
        QProcess &lost = a.state() == QProcess::NotRunning ? a : b;
        QProcess &won = &lost == &a ? b : a;
        QCOMPARE(lost.exitCode(), 0);
        QVERIFY(QString::fromUtf8(lost.readAllStandardError()).contains(QStringLiteral("zaten çalışıyor")));
        started(k);
        QCOMPARE(won.state(), QProcess::Running);
        QCOMPARE(k.countInLog(kStarted), 1);
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(won));
        QCOMPARE(won.exitCode(), 0);
        break;
    }
    case Scenario::EntryWritten:
    case Scenario::EntryKept:
    case Scenario::EntryRewritten:
    case Scenario::EntryQuoted: {
        KovasetFolder k(true, scenario == Scenario::EntryQuoted ? QStringLiteral("kovaset yer$-XXXXXX")
                                                                : QStringLiteral("kovaset-XXXXXX"));
        const QString kept = QStringLiteral("[Desktop Entry]\nType=Application\nName=Eski\nExec=/opt/eski/Kovaset\n");
        if (scenario == Scenario::EntryKept) k.writeEntry(kept);
        if (scenario == Scenario::EntryRewritten)
            k.writeEntry(QStringLiteral("[Desktop Entry]\nType=Application\nExec=\nName=Brenvik Kovaset\n"));
        QProcess &running = k.start();
        started(k);
        QString exec = k.program();
        if (scenario == Scenario::EntryQuoted) {
            exec.replace(QStringLiteral("$"), QStringLiteral("\\\\$"));
            exec = QLatin1Char('"') + exec + QLatin1Char('"');
        }
        QCOMPARE(k.entry(), scenario == Scenario::EntryKept ? kept : expectedEntry(exec));
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(running));
        break;
    }
    case Scenario::NoDatabase: {
        KovasetFolder k(false);
        QString err;
        QCOMPARE(k.run({}, &err), 1);
        // The file and where it should be are named.
        QVERIFY2(
            err.contains(QStringLiteral("Kovaset: Veritabanı dosyası bulunamadı: ") + k.dbPath() + QLatin1Char(' ')),
            qPrintable(err));
        QCOMPARE(QDir(k.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Kovaset")});
        QVERIFY(!QFile::exists(k.entryPath()));
        QCOMPARE(k.run({QStringLiteral("/Uninstall")}, &err), 1);
        QCOMPARE(QDir(k.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Kovaset")});
        break;
    }
    case Scenario::FlagZero: {
        KovasetFolder k;
        QProcess &running = k.start();
        started(k);
        k.setFlag(QStringLiteral(""));
        k.setFlag(QStringLiteral("hayır"));
        QTest::qWait(300); // any text but "0" lets it run on
        QCOMPARE(running.state(), QProcess::Running);
        k.setFlag(QStringLiteral("0"));
        QVERIFY(KovasetFolder::ended(running));
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QCOMPARE(running.exitCode(), 0);
        QVERIFY(!QFile::exists(k.folder() + QStringLiteral("/Kovaset.lock")));
        break;
    }
    case Scenario::Sigterm: {
        KovasetFolder k;
        QProcess &running = k.start();
        started(k);
        running.terminate();
        QVERIFY(KovasetFolder::ended(running));
        QCOMPARE(running.exitStatus(), QProcess::NormalExit);
        QCOMPARE(running.exitCode(), 0);
        QVERIFY(k.logText().contains(QStringLiteral("Kovaset sona erdi: SIGTERM alındı")));
        QCOMPARE(k.flag(), QStringLiteral("1"));
        break;
    }
    }
}

void TestKovasetProgram::survivesAWriteTransactionOfAnotherProgram()
{
    KovasetFolder k;
    k.setFlag(QStringLiteral("0"));
    // The main program holds the database for 3 s while Kovaset starts and writes its flag.
    QSqlQuery q(k.db());
    QVERIFY(q.exec(QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(q.exec(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_raporad'")));
    QProcess &running = k.start();
    QThread::sleep(3);
    QVERIFY(q.exec(QStringLiteral("COMMIT")));
    QTRY_VERIFY_WITH_TIMEOUT(k.countInLog(kStarted) == 1, 30000);
    QCOMPARE(running.state(), QProcess::Running);
    QTRY_COMPARE_WITH_TIMEOUT(k.flag(), QStringLiteral("1"), 30000);
    // Kovaset keeps no read transaction open between its ticks: a full checkpoint goes through.
    QVERIFY(q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 0);
    q.finish();
    QCOMPARE(running.state(), QProcess::Running);
    k.setFlag(QStringLiteral("0"));
    QVERIFY(KovasetFolder::ended(running));
    QCOMPARE(running.exitCode(), 0);
    QVERIFY(!k.logText().contains(QStringLiteral("locked"), Qt::CaseInsensitive));
}

void TestKovasetProgram::twentyDaysBesideTheMainProgram()
{
    const int days = 20;
    const QDate first(2026, 12, 10);
    KovasetFolder k;
    FakeGateway gateway;
    k.setUpGreetings(first, days, gateway.url());

    QProcess &helper = k.startProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/kovaset-days"),
                                      {k.folder(), first.toString(Qt::ISODate), QString::number(days)});
    // Meanwhile the main program logs its own sends and saves settings, each in a write
    // transaction that holds the database for a while.
    int writes = 0;
    while (!helper.waitForFinished(5)) {
        QVERIFY2(writes < 100000, "the helper does not end");
        QSqlQuery q(k.db());
        QVERIFY2(q.exec(QStringLiteral("BEGIN IMMEDIATE")), qPrintable(q.lastError().text()));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, "
                                      "tarih, gtarih, sirket_kod) VALUES ('9', 'Hızlı mesaj', 'Ambrel', 1, 'x', '', "
                                      "'2026-12-10 10:00:00', '2026-12-10 10:00:00', '01')")));
        QVERIFY(q.exec(QStringLiteral("UPDATE tbl_param SET deger = deger WHERE parametre = 'flg_raporad'")));
        QThread::msleep(QRandomGenerator::global()->bounded(5, 120));
        QVERIFY2(q.exec(QStringLiteral("COMMIT")), qPrintable(q.lastError().text()));
        ++writes;
    }
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(helper.readAllStandardOutput()).trimmed(), QStringLiteral("done"));
    QVERIFY(writes > 0);

    const QString log = k.logText();
    QVERIFY2(!log.contains(QStringLiteral("locked"), Qt::CaseInsensitive), qPrintable(log.right(2000)));
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_kovaset")).toInt(), days);
    QCOMPARE(gateway.requestCount(), days * 4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msg_tip <> 'Hızlı mesaj'")).toInt(),
             days * 4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT substr(tarih, 1, 10), sirket_kod, msg_tip "
                                     "FROM tbl_giden WHERE msg_tip <> 'Hızlı mesaj')"))
                 .toInt(),
             days * 4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_kovaset_parca WHERE msgid IS NOT NULL")).toInt(),
             days * 4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msg_tip = 'Hızlı mesaj'")).toInt(), writes);
    QCOMPARE(int(log.count(QStringLiteral("Günün tebrikleri tamamlandı"))), days);
}

void TestKovasetProgram::noGreetingTwiceAcrossAKill_data()
{
    QTest::addColumn<int>("heldRequest"); // the gateway reads it and never answers; 0: none
    QTest::addColumn<bool>("beforeTheRun");
    QTest::newRow("killed before its run") << 0 << true;
    QTest::newRow("killed between the 1st part's request and its rows") << 1 << false;
    QTest::newRow("killed between the 3rd part's request and its rows") << 3 << false;
    QTest::newRow("killed after the run") << 0 << false;
}

// A run of four parts (two companies, two kinds) in a second process, killed with SIGKILL at
// a point of the run, then started again on the same day: across both processes every part
// reaches the gateway exactly once. A part whose request was out when the process died is
// not sent again, and the restart says so.
void TestKovasetProgram::noGreetingTwiceAcrossAKill()
{
    QFETCH(int, heldRequest);
    QFETCH(bool, beforeTheRun);
    const QDate day(2026, 12, 10);
    KovasetFolder k;
    FakeGateway gateway;
    k.setUpGreetings(day, 1, gateway.url());
    for (int i = 1; i < heldRequest; ++i) gateway.queueReply(QStringLiteral("1"), QStringLiteral("ID: 90%1").arg(i));
    if (heldRequest > 0) gateway.queueReply(QStringLiteral("1"), FakeReply::silent());
    const QString helperPath = QCoreApplication::applicationDirPath() + QStringLiteral("/kovaset-days");
    const QStringList args{k.folder(), day.toString(Qt::ISODate), QStringLiteral("1")};

    QProcess &first = k.startProgram(helperPath, beforeTheRun ? args + QStringList{QStringLiteral("wait")} : args);
    if (beforeTheRun) {
        QVERIFY(first.waitForReadyRead(30000));
        QCOMPARE(first.readLine().trimmed(), QByteArray("ready"));
    } else if (heldRequest > 0) {
        QTRY_COMPARE_WITH_TIMEOUT(gateway.requestCount(), heldRequest, 30000);
    } else {
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
    }
    if (first.state() != QProcess::NotRunning && first.processId() > 0) ::kill(pid_t(first.processId()), SIGKILL);
    QVERIFY(KovasetFolder::ended(first));
    const int sentBefore = gateway.requestCount();
    QCOMPARE(sentBefore, beforeTheRun ? 0 : heldRequest > 0 ? heldRequest : 4);

    QProcess &again = k.startProgram(helperPath, args);
    QVERIFY(again.waitForFinished(30000));
    QCOMPARE(again.exitStatus(), QProcess::NormalExit);
    QCOMPARE(again.exitCode(), 0);

    // Every part once: kind by its originator, company by its number.
    QMap<QString, int> perPart;
    for (const QString &body : gateway.bodies())
        ++perPart[FakeGateway::element(body, QStringLiteral("Originator")) + QLatin1Char('/') +
                  FakeGateway::element(body, QStringLiteral("Number"))];
    QMap<QString, int> once;
    for (const char *part : {"ORVEK/5321010000", "TALVANE/5321010000", "ORVEK/5321020000", "TALVANE/5321020000"})
        once[QString::fromLatin1(part)] = 1;
    QCOMPARE(perPart, once);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT sirket_kod, msg_tip FROM "
                                     "tbl_kovaset_parca WHERE tarih = '2026-12-10')"))
                 .toInt(),
             4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden")).toInt(), heldRequest > 0 ? 3 : 4);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_kovaset WHERE tarih = '2026-12-10'")).toInt(), 1);
    const QString log = k.logText();
    QCOMPARE(int(log.count(QStringLiteral("gönderilmiş olabilir, bugün yeniden gönderilmeyecek"))),
             heldRequest > 0 ? 1 : 0);
}

void TestKovasetProgram::mainProgramThatStartedItFreesItsLock_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("main program ended") << false;
    QTest::newRow("main program killed") << true;
}

void TestKovasetProgram::mainProgramThatStartedItFreesItsLock()
{
    QFETCH(bool, killed);
    KovasetFolder k;
    // This process takes the main program's lock later: same runtime folder as the children.
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", k.runtime().toLocal8Bit());
    QProcess &brenvik = k.startProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/instance-holder"),
                                       {k.folder(), k.program()});
    QVERIFY(brenvik.waitForReadyRead(30000));
    QCOMPARE(brenvik.readLine().trimmed(), QByteArray("held"));
    QTRY_VERIFY_WITH_TIMEOUT(k.countInLog(kStarted) == 1, 30000);
    if (killed)
        ::kill(pid_t(brenvik.processId()), SIGKILL);
    else
        brenvik.closeWriteChannel();
    QVERIFY(KovasetFolder::ended(brenvik));

    // Kovaset runs on, and the main program can start again.
    SetProgramFolder(k.folder());
    const bool again = AcquireSingleInstanceLock(QStringLiteral("Brenvik"));
    ReleaseSingleInstanceLock();
    SetProgramFolder(QString());
    if (oldRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    QVERIFY(again);
    QVERIFY(k.logText().count(QStringLiteral("Kovaset sona erdi")) == 0);
    k.setFlag(QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(k.countInLog(QStringLiteral("Kovaset sona erdi")) == 1, 30000);
}

// The first interactive cycle (a minute after the start) stores a list of 40 messages and
// answers them in order; the gateway holds the 15th answer's request and the process is
// killed with SIGKILL there. The next start answers the rest at once: across both processes
// every message reaches the gateway exactly once, the held one included (its request was
// out, so it counts as given), and every accepted answer is tied to its message.
void TestKovasetProgram::everyStoredMessageAnsweredOnceAcrossAKill()
{
    const int messages = 40;
    const int held = 15;
    KovasetFolder k;
    FakeGateway gateway;
    FakeGathwin service;
    k.setGateway(gateway.url());
    k.setErpServer(QStringLiteral("x"));
    k.setUpInteractive();
    QStringList numbers;
    for (int i = 1; i <= messages; ++i) {
        numbers << QStringLiteral("532100%1").arg(i, 4, 10, QLatin1Char('0'));
        service.queueUnread(QStringLiteral("90") + numbers.last(), QStringLiteral("Mesaj %1").arg(i));
    }
    for (int i = 1; i < held; ++i) gateway.queueReply(QStringLiteral("1"), QStringLiteral("ID: 70%1").arg(i));
    gateway.queueReply(QStringLiteral("1"), FakeReply::silent());
    const auto sends = [&gateway] {
        QStringList out;
        for (const QString &b : gateway.bodies())
            if (FakeGateway::element(b, QStringLiteral("Action")) == QLatin1String("1"))
                out << FakeGateway::element(b, QStringLiteral("Number"));
        return out;
    };
    const QString program = k.installCopy(QStringLiteral("kovaset-service-at"));
    QVERIFY(!program.isEmpty());
    k.closeDb();

    QProcess &first = k.startProgram(program, {service.url()});
    QTRY_COMPARE_WITH_TIMEOUT(sends().size(), held, 150000);
    ::kill(pid_t(first.processId()), SIGKILL);
    QVERIFY(KovasetFolder::ended(first));
    QCOMPARE(sends().size(), held);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_int_msgbox")).toInt(), messages);
    k.closeDb();

    QProcess &again = k.startProgram(program, {service.url()});
    QTRY_COMPARE_WITH_TIMEOUT(sends().size(), messages, 30000);
    // The gateway has the last request once it is counted; its reply and rows come after, and
    // a stop signal before them would abort that request.
    QTRY_COMPARE_WITH_TIMEOUT(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_int_donus")).toInt(), messages - 1,
                              30000);
    k.closeDb();
    ::kill(pid_t(again.processId()), SIGTERM);
    QVERIFY(KovasetFolder::ended(again));
    QCOMPARE(again.exitCode(), 0);

    QStringList sent = sends();
    sent.sort();
    QCOMPARE(sent, numbers);
    QCOMPARE(service.readCount(), messages);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_int_donus")).toInt(), messages - 1);
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(DISTINCT gelenid) FROM tbl_int_donus d WHERE EXISTS (SELECT 1 "
                                     "FROM tbl_int_msgbox m WHERE m.id = d.gelenid)"))
                 .toInt(),
             messages - 1);
    // The held answer may have gone out: counted as given, with no row.
    QCOMPARE(k.scalar(QStringLiteral("SELECT group_concat(gsmno) FROM tbl_int_msgbox m WHERE NOT EXISTS (SELECT 1 "
                                     "FROM tbl_int_donus d WHERE d.gelenid = m.id)"))
                 .toString(),
             QStringLiteral("90") + numbers.at(held - 1));
    QCOMPARE(k.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msg_tip = 'Interaktif SMS'")).toInt(),
             messages - 1);
    QVERIFY2(k.logText().contains(QStringLiteral("Yanıtlanmamış %1 gelen mesaj yanıtlanıyor.").arg(messages - held)),
             qPrintable(k.logText().right(2000)));
}

QTEST_GUILESS_MAIN(TestKovasetProgram)
#include "tst_kovasetprogram.moc"
