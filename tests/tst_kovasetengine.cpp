// The automatic program's engine driven tick by tick: stop check, greeting tick, interactive
// period counter, settings loader, and its log.
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/LocalDb.h"
#include "core/Services.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetLog.h"
#include "kovaset/KovasetProgram.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
QDateTime fixedNow() { return QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)); }

// Settings that load: an on-premises account and four ERP parameters.
void storeUsableSettings(ProgramFolderFixture &f, const QString &flgGw = QStringLiteral("1"))
{
    base64 codec;
    f.exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'gizli', flg_kaydet_i = '1', "
                          "flg_gw = ?, url_ambrel = 'http://127.0.0.1:9/'"),
           {flgGw});
    for (const char *p : {"OrvekServer", "OrvekDatabase", "OrvekUser", "OrvekPassword"})
        f.exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"),
               {codec.Encode(QStringLiteral("x")), QString::fromLatin1(p)});
}

void setParam(ProgramFolderFixture &f, const QString &name, const QString &value)
{
    f.exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"), {value, name});
}
} // namespace

class TestKovasetEngine : public QObject {
    Q_OBJECT
private slots:
    void init() { Lifecycle::reset(); }
    void cleanup() { Lifecycle::reset(); }

    void interactivePeriod_data();
    void interactivePeriod();
    void changedPeriodRestartsTheCount();
    void stopFlag_data();
    void stopFlag();
    void greetingTickWithoutGatewayUser();
    void emptyErpServerEndsTheProgram_data();
    void emptyErpServerEndsTheProgram();
    void logLinesAndRotation();
    void boxesBecomeLogLines();
};

void TestKovasetEngine::interactivePeriod_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("firstCycleTick"); // 0: no cycle within 400 ticks
    QTest::newRow("1") << QStringLiteral("1") << 60;
    QTest::newRow("05 is 5") << QStringLiteral("05") << 300;
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("-1") << QStringLiteral("-1") << 0;
    QTest::newRow("abc") << QStringLiteral("abc") << 0;
    QTest::newRow("1.5") << QStringLiteral("1.5") << 0;
    QTest::newRow("blank before") << QStringLiteral(" 1") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("beyond 32 bits of ms") << QStringLiteral("40000") << 0;
}

void TestKovasetEngine::interactivePeriod()
{
    QFETCH(QString, stored);
    QFETCH(int, firstCycleTick);
    ProgramFolderFixture f;
    storeUsableSettings(f);
    setParam(f, QStringLiteral("IntPeriyot"), stored);
    KovasetLog log;
    log.setEchoToStderr(false);
    KovasetEngine engine(log, fixedNow);
    QVector<int> cycleTicks;
    int tick = 0;
    engine.interactiveCycle = [&](KovasetEngine &) { cycleTicks << tick; };
    for (tick = 1; tick <= 400 && cycleTicks.size() < 2; ++tick) engine.onInteractiveTick();
    QVERIFY(!engine.hasEnded());
    QVERIFY(engine.interactiveTimerOn());
    if (firstCycleTick == 0) {
        QCOMPARE(cycleTicks, QVector<int>{});
        if (stored == QLatin1String("40000")) QCOMPARE(engine.intervalMs(), qint64(40000) * 60000);
        return;
    }
    QCOMPARE(cycleTicks.value(0), firstCycleTick);
    if (firstCycleTick * 2 <= 400) QCOMPARE(cycleTicks.value(1), firstCycleTick * 2);
}

void TestKovasetEngine::changedPeriodRestartsTheCount()
{
    ProgramFolderFixture f;
    storeUsableSettings(f);
    setParam(f, QStringLiteral("IntPeriyot"), QStringLiteral("2"));
    KovasetLog log;
    log.setEchoToStderr(false);
    KovasetEngine engine(log, fixedNow);
    int cycles = 0;
    engine.interactiveCycle = [&](KovasetEngine &) { ++cycles; };
    for (int i = 0; i < 100; ++i) engine.onInteractiveTick();
    QCOMPARE(engine.elapsedMs(), qint64(100000));
    // 100 s were counted towards 2 min; the new period of 1 min counts from the change.
    setParam(f, QStringLiteral("IntPeriyot"), QStringLiteral("1"));
    for (int i = 0; i < 59; ++i) engine.onInteractiveTick();
    QCOMPARE(cycles, 0);
    engine.onInteractiveTick();
    QCOMPARE(cycles, 1);
    // A failing cycle resets the counter and keeps the timer on.
    engine.interactiveCycle = [&](KovasetEngine &) {
        ++cycles;
        throw std::runtime_error("cycle failed");
    };
    for (int i = 0; i < 60; ++i) engine.onInteractiveTick();
    QCOMPARE(cycles, 2);
    QCOMPARE(engine.elapsedMs(), qint64(0));
    QVERIFY(engine.interactiveTimerOn());
}

void TestKovasetEngine::stopFlag_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<bool>("dropParams"); // the flag cannot be read
    QTest::addColumn<bool>("ends");
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("0") << QStringLiteral("0") << false << true << 0;
    QTest::newRow("1") << QStringLiteral("1") << false << false << 0;
    QTest::newRow("empty") << QString() << false << false << 0;
    QTest::newRow("x") << QStringLiteral("x") << false << false << 0;
    QTest::newRow("0 with a blank") << QStringLiteral("0 ") << false << false << 0;
    QTest::newRow("unreadable") << QStringLiteral("1") << true << true << 1;
}

void TestKovasetEngine::stopFlag()
{
    QFETCH(QString, flag);
    QFETCH(bool, dropParams);
    QFETCH(bool, ends);
    QFETCH(int, exitStatus);
    ProgramFolderFixture f;
    setParam(f, QStringLiteral("flg_kovaset"), flag);
    if (dropParams) f.exec(QStringLiteral("DROP TABLE tbl_param"));
    KovasetLog log(QDir(f.folder()).filePath(QStringLiteral("kovaset.log")));
    log.setEchoToStderr(false);
    KovasetEngine engine(log, fixedNow);
    QVector<int> endedWith;
    engine.setEndHandler([&](int s) { endedWith << s; });
    OpenLocalDb();
    engine.onStopTick();
    QCOMPARE(engine.hasEnded(), ends);
    QCOMPARE(engine.stopTimerOn(), !ends);
    if (!ends) {
        QVERIFY(endedWith.isEmpty());
        return;
    }
    QCOMPARE(endedWith, QVector<int>{exitStatus});
    QVERIFY2(!LocalDb().isOpen(), "the local connection is closed at the end");
    QVERIFY(!engine.greetingTimerOn() && !engine.interactiveTimerOn());
    QFile file(log.file());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("Kovaset sona erdi: ")));
}

void TestKovasetEngine::greetingTickWithoutGatewayUser()
{
    FakeGateway gateway;
    ProgramFolderFixture f;
    storeUsableSettings(f, QStringLiteral("7"));
    f.exec(QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {gateway.url()});
    setParam(f, QStringLiteral("IntPeriyot"), QStringLiteral("1"));
    KovasetLog log;
    log.setEchoToStderr(false);
    KovasetEngine engine(log, fixedNow);
    int cycles = 0;
    engine.interactiveCycle = [&](KovasetEngine &) { ++cycles; };
    engine.onGreetingTick();
    QVERIFY(!engine.hasEnded());
    QVERIFY2(!engine.greetingTimerOn(), "no gateway user: the greeting timer stays off");
    QCOMPARE(gateway.requestCount(), 0);
    // The other two go on.
    engine.onStopTick();
    QVERIFY(engine.stopTimerOn());
    for (int i = 0; i < 60; ++i) engine.onInteractiveTick();
    QCOMPARE(cycles, 1);

    // With an account the timer is turned on again after the run.
    ResetAppState();
    f.exec(QStringLiteral("UPDATE tbl_ayarlar SET flg_gw = '1'"));
    KovasetEngine second(log, fixedNow);
    second.onGreetingTick();
    QVERIFY(second.greetingTimerOn());
    QCOMPARE(gUserName, QStringLiteral("demo"));
    QCOMPARE(gGatewayUrl, gateway.url());
}

void TestKovasetEngine::emptyErpServerEndsTheProgram_data()
{
    QTest::addColumn<bool>("byInteractiveCycle");
    QTest::newRow("greeting tick") << false;
    QTest::newRow("interactive cycle") << true;
}

void TestKovasetEngine::emptyErpServerEndsTheProgram()
{
    QFETCH(bool, byInteractiveCycle);
    ProgramFolderFixture f;
    storeUsableSettings(f);
    setParam(f, QStringLiteral("OrvekServer"), QString());
    setParam(f, QStringLiteral("IntPeriyot"), QStringLiteral("1"));
    PromptRecorder prompts;
    KovasetLog log;
    log.setEchoToStderr(false);
    KovasetEngine engine(log, fixedNow);
    QVector<int> endedWith;
    engine.setEndHandler([&](int s) { endedWith << s; });
    int cycles = 0;
    engine.interactiveCycle = [&](KovasetEngine &) { ++cycles; };
    if (byInteractiveCycle)
        for (int i = 0; i < 60; ++i) engine.onInteractiveTick();
    else
        engine.onGreetingTick();
    QCOMPARE(prompts.count(), 2);
    QCOMPARE(
        prompts.records().at(0).text,
        QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.\r\nLütfen sunucu bilgilerinizi kontrol ediniz."));
    QCOMPARE(prompts.records().at(1).text, QStringLiteral("Kovaset uygulaması kapatılıyor..."));
    for (const PromptRecord &r : prompts.records()) {
        QCOMPARE(r.icon, PromptIcon::Critical);
        QCOMPARE(r.title, QStringLiteral("Kovaset"));
    }
    QVERIFY(engine.hasEnded());
    QCOMPARE(endedWith.size(), 1);
    QCOMPARE(cycles, 0);
    QVERIFY(!engine.greetingTimerOn() && !engine.interactiveTimerOn() && !engine.stopTimerOn());
}

void TestKovasetEngine::logLinesAndRotation()
{
    QCOMPARE(
        KovasetLog::lineFor(QDateTime(QDate(2026, 12, 9), QTime(8, 5, 7)), QStringLiteral("Kovaset: bir\r\niki\nüç")),
        QStringLiteral("2026-12-09 08:05:07 Kovaset: bir iki üç"));
    // Any other control character of a text is shown, never written as it came.
    QCOMPARE(KovasetLog::lineFor(QDateTime(QDate(2026, 12, 9), QTime(8, 5, 7)),
                                 QStringLiteral("yanıt ") + QString::fromUtf8("a\0b\x1b[2J\tc", 9)),
             QStringLiteral("2026-12-09 08:05:07 yanıt a\\x00b\\x1B[2J\\x09c"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kovaset.log"));
    KovasetLog log(path);
    log.setEchoToStderr(false);
    log.setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59)); });
    const QString text = QString(1000, QLatin1Char('a'));
    const int lineBytes = int(KovasetLog::lineFor(QDateTime(), text).toUtf8().size()) + 20;
    int written = 0;
    while (!QFile::exists(path + QStringLiteral(".1"))) {
        log.write(text);
        ++written;
        QVERIFY(written < 2 * int(KovasetLog::kMaxFileBytes / lineBytes));
    }
    QVERIFY(QFileInfo(path + QStringLiteral(".1")).size() <= KovasetLog::kMaxFileBytes);
    QVERIFY(QFileInfo(path + QStringLiteral(".1")).size() > KovasetLog::kMaxFileBytes - lineBytes);
    QFile current(path);
    QVERIFY(current.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(current.readAll()), QStringLiteral("2026-12-09 23:59:59 ") + text + QLatin1Char('\n'));
    // A second rotation replaces the older file.
    while (QFileInfo(path).size() < KovasetLog::kMaxFileBytes - lineBytes) log.write(text);
    log.write(text);
    log.write(text);
    QVERIFY(QFileInfo(path).size() < 3 * lineBytes);
    QVERIFY(!QFile::exists(path + QStringLiteral(".2")));
}

void TestKovasetEngine::boxesBecomeLogLines()
{
    QTemporaryDir dir;
    KovasetLog log(dir.filePath(QStringLiteral("kovaset.log")));
    log.setEchoToStderr(false);
    log.setClock([] { return QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)); });
    InstallLoggingPrompt(log);
    const PromptAnswer ok =
        Prompt::show(QStringLiteral("Dikkat !\r\nİkinci satır"), PromptIcon::Critical, QStringLiteral("Kovaset"));
    const PromptAnswer yes =
        Prompt::show(QStringLiteral("Soru?"), PromptIcon::Question, QStringLiteral("Başlık"), PromptButtons::YesNo);
    Prompt::setHandler({});
    QCOMPARE(ok, PromptAnswer::Ok);
    QCOMPARE(yes, PromptAnswer::Yes);
    QFile f(log.file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QStringLiteral("2026-12-10 09:00:00 Kovaset: Dikkat ! İkinci satır\n"
                                                            "2026-12-10 09:00:00 Başlık: Soru?\n"));
}

QTEST_GUILESS_MAIN(TestKovasetEngine)
#include "tst_kovasetengine.moc"
