// The interactive cycle in a second process, on the database that the main program reads
// and deletes from at the same time: nothing fetched is lost or stored twice, every accepted
// answer has both log rows, and neither program meets a locked database.

#include "core/Base64.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/FakeGathwin.h"
#include "tests/support/Fixtures.h"

#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

namespace {
QString runnerPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/interactive-cycle-runner"); }

// The main program's side: its own connection, as the query and chart window has it.
class MainProgramSide {
public:
    explicit MainProgramSide(const QString &dbPath)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("main-program"));
        m_db.setDatabaseName(dbPath);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!m_db.open()) qFatal("main program connection: %s", qPrintable(m_db.lastError().text()));
    }
    ~MainProgramSide()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("main-program"));
    }

    // Deletes the oldest stored message, or all of them; returns the deleted "id|msg" rows.
    QStringList deleteMessages(bool all)
    {
        QStringList deleted;
        run("BEGIN IMMEDIATE");
        QSqlQuery q(m_db);
        const QString which = all ? QStringLiteral("SELECT id, msg FROM tbl_int_msgbox")
                                  : QStringLiteral("SELECT id, msg FROM tbl_int_msgbox ORDER BY id LIMIT 1");
        if (!q.exec(which)) fail(q);
        while (q.next()) deleted << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
        q.finish();
        for (const QString &row : std::as_const(deleted)) {
            QSqlQuery d(m_db);
            d.prepare(QStringLiteral("DELETE FROM tbl_int_msgbox WHERE id = ?"));
            d.addBindValue(row.section('|', 0, 0).toLongLong());
            if (!d.exec()) fail(d);
        }
        run("COMMIT");
        return deleted;
    }
    void addRule(int n)
    {
        QSqlQuery q(m_db);
        q.prepare(
            QStringLiteral("INSERT INTO tbl_int_parametre VALUES (?,'0','BakiyeMesaj','','Metin','','1',?,'-1')"));
        q.addBindValue(QStringLiteral("K%1").arg(n));
        q.addBindValue(QStringLiteral("Kural %1").arg(n));
        if (!q.exec()) fail(q);
    }
    QStringList errors;

private:
    void run(const char *sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(QString::fromLatin1(sql))) fail(q);
    }
    void fail(const QSqlQuery &q) { errors << q.lastError().text(); }
    QSqlDatabase m_db;
};
} // namespace

class TestInteractiveTwoProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cyclesBesideTheMainProgram();
};

void TestInteractiveTwoProcess::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    QVERIFY2(QFileInfo::exists(runnerPath()), qPrintable(runnerPath()));
}

void TestInteractiveTwoProcess::cyclesBesideTheMainProgram()
{
    constexpr int kMessages = 2000;
    constexpr int kBatch = 100;
    ProgramFolderFixture fx;
    const base64 codec;
    for (const auto &p : {QPair<QString, QString>{"flg_interaktif", "1"},
                          {"IntKullanici", codec.Encode("intuser")},
                          {"IntParola", codec.Encode("intpass")},
                          {"IntDonusTip", "2"}})
        fx.exec("UPDATE tbl_param SET deger = ? WHERE parametre = ?", {p.second, p.first});
    // Messages without a rule get the default rule's answer, so every message is answered.
    fx.exec("UPDATE tbl_int_parametre SET flg_kayityok = '1', kayityok_mesaj = 'Kayit yok' WHERE parametre = 'noprm'");

    FakeGathwin service;
    FakeGateway gateway;
    const auto text = [](int i) { return QStringLiteral("K%1 M%2").arg(i % 40).arg(i, 4, 10, QLatin1Char('0')); };
    const auto number = [](int i) { return QStringLiteral("90532%1").arg(i, 7, 10, QLatin1Char('0')); };
    int queued = 0;
    const auto queueBatch = [&] {
        for (int n = 0; n < kBatch && queued < kMessages; ++n, ++queued)
            service.queueUnread(number(queued), text(queued));
    };
    queueBatch();

    QProcess runner;
    runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    runner.start(runnerPath(), {fx.folder(), service.url(), gateway.url(), QString::number(kMessages)});
    QVERIFY(runner.waitForStarted());

    QStringList deleted;
    QString output;
    {
        MainProgramSide mainProgram(fx.dbPath());
        int rule = 0;
        for (int round = 0; runner.state() != QProcess::NotRunning; ++round) {
            if (service.unreadCount() == 0) queueBatch();
            deleted << mainProgram.deleteMessages(round % 25 == 24);
            if (rule < 40 && round % 2 == 0) mainProgram.addRule(rule++);
            runner.waitForFinished(10);
            output += QString::fromUtf8(runner.readAllStandardOutput());
            QVERIFY2(round < 100000, "the cycles do not end");
        }
        QVERIFY2(mainProgram.errors.isEmpty(), qPrintable(mainProgram.errors.join('\n')));
    }
    output += QString::fromUtf8(runner.readAllStandardOutput());
    QCOMPARE(runner.exitStatus(), QProcess::NormalExit);
    QVERIFY2(runner.exitCode() == 0, qPrintable(output.right(2000)));
    QVERIFY2(!output.contains(QLatin1String("locked"), Qt::CaseInsensitive), qPrintable(output.right(2000)));
    QVERIFY2(!output.contains(QLatin1String("log: ")), qPrintable(output.right(2000)));
    QVERIFY2(output.contains(QStringLiteral("done fetched=%1 stored=%1 accepted=%1 refused=0").arg(kMessages)),
             qPrintable(output.right(2000)));
    QCOMPARE(queued, kMessages);

    // Each message stored once: the rows left and the rows deleted hold every text once.
    QStringList stored = deleted;
    for (const QVariantList &r : fx.rows("SELECT id, msg FROM tbl_int_msgbox"))
        stored << r.at(0).toString() + QLatin1Char('|') + r.at(1).toString();
    QCOMPARE(stored.size(), kMessages);
    QSet<QString> texts, ids;
    for (const QString &row : std::as_const(stored)) {
        ids.insert(row.section('|', 0, 0));
        texts.insert(row.section('|', 1));
    }
    QCOMPARE(ids.size(), kMessages);
    for (int i = 0; i < kMessages; ++i) QVERIFY2(texts.contains(text(i)), qPrintable(text(i)));
    // The number of rows the database keeps beside the inbox is still exact after both
    // programs' inserts and deletes.
    QCOMPARE(fx.scalar("SELECT n FROM int_msgbox_count").toInt(), kMessages - int(deleted.size()));

    // Each accepted answer: one send, one tbl_giden row, one tbl_int_donus row naming its
    // stored message.
    int sends = 0;
    for (const QString &b : gateway.bodies()) sends += FakeGateway::element(b, "Action") == QLatin1String("1");
    QCOMPARE(sends, kMessages);
    QCOMPARE(fx.scalar("SELECT count(DISTINCT msgid) FROM tbl_giden WHERE msg_tip = 'Interaktif SMS'").toInt(),
             kMessages);
    QSet<QString> answered;
    for (const QVariantList &r : fx.rows("SELECT gelenid FROM tbl_int_donus")) answered.insert(r.at(0).toString());
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_int_donus").toInt(), kMessages);
    QCOMPARE(answered, ids);
}

QTEST_GUILESS_MAIN(TestInteractiveTwoProcess)
#include "tst_interactivetwoprocess.moc"
