// The Kovaset program as a process: a copy of the built binary in a temporary program folder
// with its own database, configuration folder (the log-on entry) and runtime folder.
#include "core/Base64.h"
#include "core/LocalDb.h"
#include "core/Startup.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {
const QString kStarted = QStringLiteral("Kovaset başladı");

// A program folder holding a copy of Kovaset and of the shipped database.
class KovasetFolder {
public:
    explicit KovasetFolder(bool withDatabase = true, const QString &nameTemplate = QStringLiteral("kovaset-XXXXXX"))
        : m_dir(QDir::temp().filePath(nameTemplate))
    {
        QVERIFY2(m_dir.isValid(), "temporary folder");
        QDir(m_dir.path()).mkpath(QStringLiteral("prog"));
        QDir(m_dir.path()).mkpath(QStringLiteral("config"));
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Kovaset"), program()));
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withDatabase) {
            QVERIFY(QFile::copy(ProgramFolderFixture::shippedDatabase(), dbPath()));
            QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner);
        }
        m_connection = QStringLiteral("kovaset-side-%1").arg(++s_connections);
    }
    ~KovasetFolder()
    {
        for (auto &p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        }
        if (QSqlDatabase::contains(m_connection)) {
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
        }
    }

    QString root() const { return m_dir.path(); }
    QString folder() const { return m_dir.filePath(QStringLiteral("prog")); }
    QString program() const { return folder() + QStringLiteral("/Kovaset"); }
    QString dbPath() const { return folder() + QStringLiteral("/orvekdata.db"); }
    QString config() const { return m_dir.filePath(QStringLiteral("config")); }
    QString runtime() const { return m_dir.filePath(QStringLiteral("runtime")); }
    QString entryPath() const { return config() + QStringLiteral("/autostart/brenvik-kovaset.desktop"); }
    QString logText() const
    {
        QFile f(folder() + QStringLiteral("/kovaset.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QProcess &start(const QStringList &args = {}) { return startProgram(program(), args); }
    QProcess &startProgram(const QString &path, const QStringList &args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->start(path, args);
        p->waitForStarted(10000);
        m_processes.push_back(std::move(p));
        return *m_processes.back();
    }
    // Runs a copy to its end; its exit status, or -1 when it did not end within the wait.
    int run(const QStringList &args = {}, QString *stderrText = nullptr)
    {
        QProcess &p = start(args);
        if (!p.waitForFinished(30000)) return -1;
        if (stderrText) *stderrText = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
    static bool ended(QProcess &p, int waitMs = 30000)
    {
        return p.state() == QProcess::NotRunning || p.waitForFinished(waitMs);
    }

    QSqlDatabase db()
    {
        if (!QSqlDatabase::contains(m_connection)) {
            QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            d.setDatabaseName(dbPath());
            d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            d.open();
        }
        return QSqlDatabase::database(m_connection);
    }
    QString flag()
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("SELECT deger FROM tbl_param WHERE parametre = 'flg_kovaset'"));
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
    void setFlag(const QString &value)
    {
        QSqlQuery q(db());
        q.prepare(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_kovaset'"));
        q.addBindValue(value);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    void exec(const QString &sql, const QVariantList &binds = {})
    {
        QSqlQuery q(db());
        q.prepare(sql);
        for (const QVariant &b : binds) q.addBindValue(b);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text() + QStringLiteral(": ") + sql));
    }
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    void closeDb()
    {
        if (QSqlDatabase::contains(m_connection)) QSqlDatabase::database(m_connection, false).close();
    }
    void writeEntry(const QString &text)
    {
        QDir().mkpath(config() + QStringLiteral("/autostart"));
        QFile f(entryPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    QString entry() const
    {
        QFile f(entryPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int countInLog(const QString &needle) const { return int(logText().count(needle)); }

private:
    QTemporaryDir m_dir;
    QString m_connection;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    static inline int s_connections = 0;
};

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
    void mainProgramThatStartedItFreesItsLock_data();
    void mainProgramThatStartedItFreesItsLock();
};

void TestKovasetProgram::program_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::newRow("/Uninstall while none runs") << Scenario::UninstallIdle;
    QTest::newRow("/Uninstall while one runs") << Scenario::UninstallWhileRunning;
    QTest::newRow("/uninstall is no switch") << Scenario::UninstallLowerCase;
    QTest::newRow("second copy") << Scenario::SecondCopy;
    QTest::newRow("lock of a killed copy") << Scenario::KilledCopyLock;
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
        QVERIFY2(err.contains(QStringLiteral("veritabanı kullanılamıyor")), qPrintable(err));
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
    const QString erpFolder = k.root() + QStringLiteral("/erp");
    {
        ErpStandIn erp(erpFolder);
        for (const QString &c : {QStringLiteral("01"), QStringLiteral("02")}) {
            erp.addCompany(c, QStringLiteral("Şirket ") + c);
            erp.addAccount(c,
                           {{QStringLiteral("HesapKodu"), QStringLiteral("120.001")}, {QStringLiteral("KartTip"), 0}});
            erp.begin(c);
            for (int d = 0; d < days; ++d) {
                const QDate day = first.addDays(d);
                erp.addContact(c,
                               {{QStringLiteral("Sirket"), QStringLiteral("120.001")},
                                {QStringLiteral("Adi"), QStringLiteral("Kişi%1").arg(d)},
                                {QStringLiteral("Soyadi"), QStringLiteral("S")},
                                {QStringLiteral("CepTelBKod"), QStringLiteral("532")},
                                {QStringLiteral("CepTel"), QStringLiteral("10000%1").arg(d, 2, 10, QLatin1Char('0'))},
                                {QStringLiteral("DogumTar"), ErpStandIn::dayNumber(1980, day.month(), day.day())},
                                {QStringLiteral("EvlTarih"), ErpStandIn::dayNumber(2001, day.month(), day.day())}});
            }
            erp.commit(c);
            k.exec(
                QStringLiteral("INSERT INTO tbl_kovaset_ayar (sirket_kod, flg_dgun_mesaj, dgun_mesaj, dgun_gonderen, "
                               "flg_evyil_mesaj, evyil_mesaj, evyil_gonderen) "
                               "VALUES (?, '1', 'D [##Adi##]', 'ORVEK', '1', 'E [##Adi##]', 'TALVANE')"),
                {c});
        }
    }
    base64 codec;
    k.exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'gizli', flg_kaydet_i = '1', "
                          "flg_gw = '1', url_ambrel = ?"),
           {gateway.url()});
    const QList<QPair<QString, QString>> erpSettings{
        {QStringLiteral("OrvekServer"), QStringLiteral("sqlite:") + erpFolder},
        {QStringLiteral("OrvekDatabase"), QStringLiteral("ORVEK")},
        {QStringLiteral("OrvekUser"), QStringLiteral("sa")},
        {QStringLiteral("OrvekPassword"), QStringLiteral("x")}};
    for (const auto &p : erpSettings)
        k.exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"), {codec.Encode(p.second), p.first});

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

QTEST_GUILESS_MAIN(TestKovasetProgram)
#include "tst_kovasetprogram.moc"
