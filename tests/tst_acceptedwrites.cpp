#include "core/AcceptedWrites.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/SentLog.h"
#include "core/Templates.h"
#include "tests/support/Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

namespace {

// A second process taking the database's write lock: holds it holdMs, lets it go for gapMs.
class LockHolder {
public:
    LockHolder(const QString &db, int holdMs, int gapMs)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(ORVEK_LOCK_HOLDER),
                        {db, QString::number(holdMs), QString::number(gapMs), QStringLiteral("0")});
    }
    ~LockHolder()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Waits until the helper holds the lock for the first time.
    bool holding()
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000)) return false;
        return m_process.readLine().trimmed() == "holding";
    }

private:
    QProcess m_process;
};

QVector<SentMessageRow> logRows(const QString &msgid)
{
    SentMessageRow r;
    r.msgid = msgid;
    r.msg_tip = QStringLiteral("ChkMesaj");
    r.gateway = QStringLiteral("Brenvik");
    r.paket_boyut = 3;
    r.mesaj = QStringLiteral("İlk Kayıt :Sayın Ayşe Kaya, bakiyeniz 1.250,00 TL");
    r.originator = QStringLiteral("ORVEK");
    r.tarih = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));
    r.gtarih = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));
    r.sirket_kod = QStringLiteral("01");
    return {r};
}

// The rows of one accepted send: its log row and its template row.
QVector<JournalRow> sendRows(const QString &msgid)
{
    QVector<JournalRow> rows = SentMessageJournalRows(logRows(msgid));
    rows.append(TemplateInsertRow(QStringLiteral("ChkMesaj"), QStringLiteral("Sayın {AD}, bakiyeniz {BAKIYE}"), msgid));
    return rows;
}

AcceptedWriteResult writeSend(const QVector<JournalRow> &rows, int *steps = nullptr)
{
    return WriteAfterAcceptedSend([&](QSqlDatabase &db) { InsertJournalRows(db, rows); }, rows,
                                  [steps] {
                                      if (steps) ++*steps;
                                  });
}

QStringList journalLines()
{
    QFile f(AcceptedWriteJournalPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray &l : f.readAll().split('\n'))
        if (!l.isEmpty()) out << QString::fromUtf8(l);
    return out;
}

} // namespace

class TestAcceptedWrites : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetAcceptedWriteRetryMs(0); }

    void landsWhileOtherProcessesRetakeTheLock();
    void journaledWhenTheLockNeverComesFree();
    void otherFailuresJournalAtOnce();
    void replayAfterAnInterruptedReplayWritesNothingTwice();
    void unreadableLinesKeptAside();
    void failedWhenNeitherTableNorJournalTakesTheRows();
    void replacingRowTakesThePlaceOfItsKey();
    void rowTakesTheIdOfTheRowItRefersTo_data();
    void rowTakesTheIdOfTheRowItRefersTo();
    void lockLeftByADeadWriterHoldsNothingUp_data();
    void lockLeftByADeadWriterHoldsNothingUp();
};

// Two other processes keep the write lock almost all the time, each taking it again within
// 0.1 s of letting it go: every accepted send's rows land once, in the tables or from the
// journal at the next start.
void TestAcceptedWrites::landsWhileOtherProcessesRetakeTheLock()
{
    ProgramFolderFixture fx;
    LockHolder a(fx.dbPath(), 600, 50);
    LockHolder b(fx.dbPath(), 500, 80);
    QVERIFY(a.holding());
    QVERIFY(b.holding());

    QStringList ids;
    for (int i = 0; i < 4; ++i) {
        ids << QStringLiteral("ID%1").arg(i);
        QVERIFY(writeSend(sendRows(ids.last())) != AcceptedWriteResult::Failed);
    }
    // Other writes go back to the ordinary busy wait.
    QSqlQuery q(LocalDb());
    QVERIFY(q.exec(QStringLiteral("PRAGMA busy_timeout")) && q.next());
    QCOMPARE(q.value(0).toInt(), 5000);
    q = QSqlQuery();

    ReplayAcceptedWriteJournal();
    for (const QString &id : ids) {
        QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = ?"), {id}).toInt(), 1);
        QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_sablonlar WHERE msgid = ?"), {id}).toInt(), 1);
    }
}

void TestAcceptedWrites::journaledWhenTheLockNeverComesFree()
{
    ProgramFolderFixture fx;
    SetAcceptedWriteRetryMs(1500);
    const QVector<JournalRow> rows = sendRows(QStringLiteral("ID:555"));
    int steps = 0;
    {
        LockHolder holder(fx.dbPath(), 600000, 0);
        QVERIFY(holder.holding());
        QCOMPARE(writeSend(rows, &steps), AcceptedWriteResult::Journaled);
    }
    QVERIFY(steps > 0);
    QCOMPARE(journalLines().size(), 2);
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden")).toInt(), 0);

    // The next start writes them in, exactly as the tables would have had them.
    ReplayAcceptedWriteJournal();
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    ReplayAcceptedWriteJournal();
    const QList<QVariantList> log = fx.rows(QStringLiteral(
        "SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih,sirket_kod FROM tbl_giden"));
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0],
             (QVariantList{"ID:555", "ChkMesaj", "Brenvik", 3, "İlk Kayıt :Sayın Ayşe Kaya, bakiyeniz 1.250,00 TL",
                           "ORVEK", "2026-12-10 09:30:00", "2026-12-10 09:30:00", "01"}));
    const QList<QVariantList> templates =
        fx.rows(QStringLiteral("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar WHERE msgid = ?"),
                {QStringLiteral("ID:555")});
    QCOMPARE(templates.size(), 1);
    QCOMPARE(templates[0], (QVariantList{"ID:555", "ChkMesaj", "Sayın {AD}, bakiyeniz {BAKIYE}", ""}));
}

void TestAcceptedWrites::otherFailuresJournalAtOnce()
{
    ProgramFolderFixture fx;
    const QVector<JournalRow> rows = sendRows(QStringLiteral("ID:9"));
    int steps = 0;
    const AcceptedWriteResult r = WriteAfterAcceptedSend(
        [](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk I/O error")); }, rows, [&] { ++steps; });
    QCOMPARE(r, AcceptedWriteResult::Journaled);
    QCOMPARE(steps, 0);
    QCOMPARE(journalLines().size(), 2);
    // The failed try left nothing behind.
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden")).toInt(), 0);
}

// A replay that died after its commit, before removing the journal, leaves the keys of the
// rows it wrote: the next replay writes only the others.
void TestAcceptedWrites::replayAfterAnInterruptedReplayWritesNothingTwice()
{
    ProgramFolderFixture fx;
    QVector<JournalRow> rows = sendRows(QStringLiteral("ID:1"));
    QVERIFY(WriteAfterAcceptedSend([](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk full")); }, rows) ==
            AcceptedWriteResult::Journaled);
    const QStringList lines = journalLines();
    QCOMPARE(lines.size(), 2);
    const QString firstKey = QJsonDocument::fromJson(lines[0].toUtf8()).object().value("key").toString();
    QVERIFY(!firstKey.isEmpty());

    // What the interrupted replay had committed: the first row and its key.
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    InsertJournalRow(db, rows[0]);
    fx.exec(QStringLiteral("CREATE TABLE tbl_gunluk_anahtar (anahtar TEXT PRIMARY KEY)"));
    fx.exec(QStringLiteral("INSERT INTO tbl_gunluk_anahtar VALUES(?)"), {firstKey});

    ReplayAcceptedWriteJournal();
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = 'ID:1'")).toInt(), 1);
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_sablonlar WHERE msgid = 'ID:1'")).toInt(), 1);
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_gunluk_anahtar")).toInt(), 0);
}

void TestAcceptedWrites::unreadableLinesKeptAside()
{
    ProgramFolderFixture fx;
    QVERIFY(WriteAfterAcceptedSend([](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk full")); },
                                   SentMessageJournalRows(logRows(QStringLiteral("ID:2")))) ==
            AcceptedWriteResult::Journaled);
    {
        QFile f(AcceptedWriteJournalPath());
        QVERIFY(f.open(QIODevice::Append));
        // A row for a table that does not exist, and a line torn by a crash.
        f.write("{\"key\":\"k1\",\"table\":\"tbl_yok\",\"values\":[[\"a\",\"s\",\"b\"]]}\n");
        f.write("{\"key\":\"k2\",\"table\":\"tbl_giden\",\"val");
    }
    ReplayAcceptedWriteJournal();
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = 'ID:2'")).toInt(), 1);
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QFile bad(AcceptedWriteJournalPath() + QStringLiteral(".bad"));
    QVERIFY(bad.open(QIODevice::ReadOnly));
    const QByteArray kept = bad.readAll();
    QVERIFY(kept.contains("tbl_yok"));
    QVERIFY(kept.contains("\"k2\""));
}

void TestAcceptedWrites::failedWhenNeitherTableNorJournalTakesTheRows()
{
    ProgramFolderFixture fx;
    QVERIFY(QDir(fx.folder()).mkdir(QStringLiteral("orvekdata.journal"))); // no file can be written there
    const AcceptedWriteResult r =
        WriteAfterAcceptedSend([](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk full")); },
                               SentMessageJournalRows(logRows(QStringLiteral("ID:3"))));
    QCOMPARE(r, AcceptedWriteResult::Failed);
}

// A state row written before a send and completed after it: the completed row, journaled,
// replaces the first one when the journal is written in; plain rows stay plain inserts.
void TestAcceptedWrites::replacingRowTakesThePlaceOfItsKey()
{
    ProgramFolderFixture fx;
    fx.exec(QStringLiteral("INSERT INTO tbl_kovaset_parca (tarih, sirket_kod, msg_tip, msgid) "
                           "VALUES ('2026-12-10', '01', 'Doğum günü tebriği', NULL)"));
    JournalRow done{QStringLiteral("tbl_kovaset_parca"),
                    {{QStringLiteral("tarih"), QStringLiteral("2026-12-10")},
                     {QStringLiteral("sirket_kod"), QStringLiteral("01")},
                     {QStringLiteral("msg_tip"), QStringLiteral("Doğum günü tebriği")},
                     {QStringLiteral("msgid"), QStringLiteral("ID:5")}}};
    done.replace = true;
    QVector<JournalRow> rows = SentMessageJournalRows(logRows(QStringLiteral("ID:5")));
    rows.append(done);
    QVERIFY(AppendAcceptedWriteJournal(rows));
    const QStringList lines = journalLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(!lines[0].contains(QStringLiteral("\"replace\"")));
    QVERIFY(lines[1].contains(QStringLiteral("\"replace\":true")));

    ReplayAcceptedWriteJournal();
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath() + QStringLiteral(".bad")));
    QCOMPARE(fx.rows(QStringLiteral("SELECT sirket_kod, msgid FROM tbl_kovaset_parca")),
             (QList<QVariantList>{{QStringLiteral("01"), QStringLiteral("ID:5")}}));
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = 'ID:5'")).toInt(), 1);
}

namespace {
// How an answer row that refers to a journaled message reaches the tables.
enum class Referring {
    SameReplay,       // both lines in one journal
    LaterReplay,      // the message written by a replay before the answer was journaled
    WrittenDirectly,  // the answer written straight in after that replay
    StillInJournal,   // written straight in while the message waits: journaled as well
    ReferredRowLost,  // the message's line never came
    OldLine,          // a line of the earlier format, without a reference
};
} // namespace
Q_DECLARE_METATYPE(Referring)

void TestAcceptedWrites::rowTakesTheIdOfTheRowItRefersTo_data()
{
    QTest::addColumn<Referring>("how");
    QTest::addColumn<qint64>("gelenid"); // of the answer row at the end; message ids start at 1 (3 rows before)
    QTest::newRow("same replay") << Referring::SameReplay << qint64(4);
    QTest::newRow("later replay") << Referring::LaterReplay << qint64(4);
    QTest::newRow("written directly after the replay") << Referring::WrittenDirectly << qint64(4);
    QTest::newRow("message still in the journal") << Referring::StillInJournal << qint64(4);
    QTest::newRow("referred row lost") << Referring::ReferredRowLost << qint64(0);
    QTest::newRow("line of the earlier format") << Referring::OldLine << qint64(7);
}

// A message stored from the journal gets its id only then: its answer row, journaled with the
// message's key, takes that id, in the same replay or a later one.
void TestAcceptedWrites::rowTakesTheIdOfTheRowItRefersTo()
{
    QFETCH(Referring, how);
    QFETCH(qint64, gelenid);
    ProgramFolderFixture fx;
    for (int i = 0; i < 3; ++i)
        fx.exec(QStringLiteral("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES ('2026-12-10 09:00:00', "
                               "'905321234567', 'önceki')"));
    JournalRow message{QStringLiteral("tbl_int_msgbox"),
                       {{QStringLiteral("tarih"), QStringLiteral("2026-12-10 10:00:00")},
                        {QStringLiteral("gsmno"), QStringLiteral("905551112233")},
                        {QStringLiteral("msg"), QStringLiteral("Merhaba")}}};
    message.key = QStringLiteral("0b6d2f0e-5a43-4c49-9d1e-6f1c2a7b9e10");
    message.keepsId = true;
    JournalRow answer{QStringLiteral("tbl_int_donus"),
                      {{QStringLiteral("gelenid"), 0}, {QStringLiteral("donusmesaj"), QStringLiteral("Tesekkurler")}}};
    answer.idColumn = QStringLiteral("gelenid");
    answer.refersTo = message.key;

    switch (how) {
    case Referring::SameReplay:
        QVERIFY(AppendAcceptedWriteJournal({message}));
        QVERIFY(AppendAcceptedWriteJournal({answer}));
        break;
    case Referring::LaterReplay:
        QVERIFY(AppendAcceptedWriteJournal({message}));
        ReplayAcceptedWriteJournal();
        QVERIFY(AppendAcceptedWriteJournal({answer}));
        break;
    case Referring::WrittenDirectly:
    case Referring::StillInJournal: {
        QVERIFY(AppendAcceptedWriteJournal({message}));
        if (how == Referring::WrittenDirectly) ReplayAcceptedWriteJournal();
        const AcceptedWriteResult r =
            WriteAfterAcceptedSend([&](QSqlDatabase &db) { InsertJournalRow(db, answer); }, {answer});
        QCOMPARE(r, how == Referring::WrittenDirectly ? AcceptedWriteResult::Written : AcceptedWriteResult::Journaled);
        break;
    }
    case Referring::ReferredRowLost:
        QVERIFY(AppendAcceptedWriteJournal({answer}));
        break;
    case Referring::OldLine: {
        QVERIFY(AppendAcceptedWriteJournal({message}));
        QFile f(AcceptedWriteJournalPath());
        QVERIFY(f.open(QIODevice::Append));
        f.write("{\"key\":\"9f0c3e4a-1111-4d2b-8c3a-2b7e5d6f7a80\",\"table\":\"tbl_int_donus\","
                "\"values\":[[\"gelenid\",\"i\",\"7\"],[\"donusmesaj\",\"s\",\"Tesekkurler\"]]}\n");
        break;
    }
    }
    ReplayAcceptedWriteJournal();
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath() + QStringLiteral(".bad")));
    QCOMPARE(fx.rows(QStringLiteral("SELECT gelenid, donusmesaj FROM tbl_int_donus")),
             (QList<QVariantList>{{gelenid, QStringLiteral("Tesekkurler")}}));
    if (how != Referring::ReferredRowLost)
        QCOMPARE(fx.scalar(QStringLiteral("SELECT id FROM tbl_int_msgbox WHERE msg = 'Merhaba'")).toLongLong(),
                 qint64(4));
}

void TestAcceptedWrites::lockLeftByADeadWriterHoldsNothingUp_data()
{
    QTest::addColumn<QString>("owner"); // what the left lock file names
    QTest::newRow("empty (killed between create and write)") << QString();
    QTest::newRow("ended process") << QStringLiteral("ended");
    QTest::newRow("living process that does not hold it") << QStringLiteral("living");
}

// A writer killed while it held the journal's lock leaves the lock file behind: neither the
// next journaled write nor the replay at the next start waits for it.
void TestAcceptedWrites::lockLeftByADeadWriterHoldsNothingUp()
{
    QFETCH(QString, owner);
    ProgramFolderFixture fx;
    QByteArray content;
    QProcess other;
    if (!owner.isEmpty()) {
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted(10000));
        content = QByteArray::number(other.processId()) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n';
        if (owner == QLatin1String("ended")) {
            other.kill();
            QVERIFY(other.waitForFinished(10000));
        }
    }
    const QString lockPath = AcceptedWriteJournalPath() + QStringLiteral(".lock");
    const auto leaveLock = [&] {
        QFile f(lockPath);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
    };
    // Far below the waits for a living holder (10 s to write, 2 s to replay).
    constexpr qint64 kAtOnceMs = 1500;

    QVERIFY(leaveLock());
    QElapsedTimer clock;
    clock.start();
    const QVector<JournalRow> rows = SentMessageJournalRows(logRows(QStringLiteral("ID:9")));
    QCOMPARE(WriteAfterAcceptedSend([](QSqlDatabase &) { throw OrvekError(QStringLiteral("disk full")); }, rows),
             AcceptedWriteResult::Journaled);
    QVERIFY2(clock.elapsed() < kAtOnceMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(journalLines().size(), 1);
    other.kill();
    other.waitForFinished(10000);

    QVERIFY(leaveLock());
    clock.restart();
    ReplayAcceptedWriteJournal();
    QVERIFY2(clock.elapsed() < kAtOnceMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(fx.scalar(QStringLiteral("SELECT count(*) FROM tbl_giden WHERE msgid = 'ID:9'")).toInt(), 1);
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QVERIFY(!QFile::exists(lockPath));
}

QTEST_GUILESS_MAIN(TestAcceptedWrites)
#include "tst_acceptedwrites.moc"
