#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/FolderAccess.h"
#include "core/LocalDb.h"
#include "core/Startup.h"
#include "kovaset/KovasetLog.h"
#include "kovaset/KovasetProgram.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kFolder = QStringLiteral("/srv/orvek");
const QString kDb = QStringLiteral("/srv/orvek/orvekdata.db");

mode_t modeOf(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return mode_t(-1);
    return st.st_mode & 0777;
}

// Sets the umask for the life of the object.
struct UmaskGuard {
    explicit UmaskGuard(mode_t mask) : old(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old); }
    mode_t old;
};

QVector<JournalRow> journalRow(const QString &msgid)
{
    return {JournalRow{QStringLiteral("tbl_giden"), {{QStringLiteral("msgid"), msgid}}}};
}

int lineCount(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : -1;
}

// The files the programs make beside the database, each made the way the program makes it;
// the path of the file made.
enum class Made { Journal, JournalBad, KovasetLog, KovasetLock, OwnJournalOf0600 };

QString make(Made what, const ProgramFolderFixture &fx)
{
    switch (what) {
    case Made::Journal:
        return AppendAcceptedWriteJournal(journalRow("J1")) ? AcceptedWriteJournalPath() : QString();
    case Made::OwnJournalOf0600: {
        QFile f(AcceptedWriteJournalPath());
        if (!f.open(QIODevice::WriteOnly) || !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) return {};
        f.close();
        return AppendAcceptedWriteJournal(journalRow("J1")) ? AcceptedWriteJournalPath() : QString();
    }
    case Made::JournalBad: {
        QFile f(AcceptedWriteJournalPath());
        if (!f.open(QIODevice::WriteOnly) || f.write("{torn\n") != 6) return {};
        f.close();
        ReplayAcceptedWriteJournal();
        return AcceptedWriteJournalPath() + QStringLiteral(".bad");
    }
    case Made::KovasetLog: {
        KovasetLog log(KovasetLogPath());
        log.setEchoToStderr(false);
        log.write(QStringLiteral("bir satır"));
        return KovasetLogPath();
    }
    case Made::KovasetLock:
        // Looked at while held: the lock file goes when it is let go.
        return AcquireSingleInstanceLockAt(QDir(fx.folder()).filePath("Kovaset.lock"), 0)
                   ? QDir(fx.folder()).filePath("Kovaset.lock")
                   : QString();
    }
    return {};
}

// Restores the real probe at the end of a test.
struct ProbeGuard {
    ~ProbeGuard() { SetFolderAccessProbe({}); }
};

} // namespace

Q_DECLARE_METATYPE(Made)

class TestFolderAccess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void problemText_data();
    void problemText();
    void probeOnRealFolders();
    void startEndsWithOneBox();
    void startGoesOnWhenWritable();
    void sidecarsTakeTheDatabaseMode();
    void filesBesideTheDatabaseTakeItsMode_data();
    void filesBesideTheDatabaseTakeItsMode();
    void secondUserWritesWhatTheFirstMade();

private:
    QTemporaryDir m_runtime;
};

void TestFolderAccess::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
}

void TestFolderAccess::cleanup()
{
    SetFolderAccessProbe({});
    ReleaseSingleInstanceLock();
    DropConnections();
    ResetAppState();
}

void TestFolderAccess::problemText_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("db");
    QTest::addColumn<QString>("sidecar");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<QString>("text");

    const QString folderText = QStringLiteral(
        "Program klasörüne yazılamıyor: /srv/orvek\r\nVeritabanı dosyası ve yanındaki -wal/-shm dosyaları için bu "
        "klasöre yazma izni gereklidir.");
    const QString missingText = QStringLiteral(
        "Veritabanı dosyası bulunamadı: /srv/orvek/orvekdata.db\r\nDosya silinmiş ya da başka bir klasöre taşınmış "
        "olabilir; program bu dosya olmadan çalışamaz.");
    QTest::newRow("all writable") << true << true << QString() << false << QString();
    QTest::newRow("folder") << false << true << QString() << false << folderText;
    // The folder is named first: fixing it is the first thing to do.
    QTest::newRow("folder and file") << false << false << kDb + "-wal" << false << folderText;
    QTest::newRow("folder of a missing database") << false << true << QString() << true << folderText;
    QTest::newRow("missing database") << true << true << QString() << true << missingText;
    // A -wal left without its database: the database is what is missing.
    QTest::newRow("missing database, leftover wal") << true << true << kDb + "-wal" << true << missingText;
    QTest::newRow("file") << true << false << QString() << false
                          << QStringLiteral("Veritabanı dosyasına yazılamıyor: /srv/orvek/orvekdata.db\r\nProgramı "
                                            "kullanan her kullanıcının bu dosyaya yazma izni olmalıdır.");
    QTest::newRow("leftover wal") << true << true << kDb + "-wal" << false
                                  << QStringLiteral("Veritabanının yanındaki dosyaya yazılamıyor: "
                                                    "/srv/orvek/orvekdata.db-wal\r\nDosya başka bir kullanıcıdan "
                                                    "kalmış olabilir; programı kullanan her kullanıcının bu dosyaya "
                                                    "yazma izni olmalıdır.");
}

void TestFolderAccess::problemText()
{
    QFETCH(bool, folder);
    QFETCH(bool, db);
    QFETCH(QString, sidecar);
    QFETCH(bool, missing);
    QFETCH(QString, text);
    const std::optional<QString> problem = FolderAccessProblem({folder, db, sidecar, missing}, kFolder, kDb);
    QCOMPARE(problem.has_value(), !text.isEmpty());
    if (problem) QCOMPARE(*problem, text);
}

// Permission bits do not stop root, so the unwritable cases use what stops everyone: a
// folder that does not exist, a directory where a file should be.
void TestFolderAccess::probeOnRealFolders()
{
    ProgramFolderFixture fx;
    const QStringList before = QDir(fx.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    FolderAccess a = ProbeFolderAccess(fx.folder(), fx.dbPath());
    QVERIFY(a.folderWritable);
    QVERIFY(a.dbWritable);
    QVERIFY(a.unwritableSidecar.isEmpty());
    // The probe leaves nothing behind and never creates the database or its sidecars.
    QCOMPARE(QDir(fx.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);

    QVERIFY(!a.dbMissing);

    a = ProbeFolderAccess(fx.folder() + "/yok", fx.folder() + "/yok/orvekdata.db");
    QVERIFY(!a.folderWritable);
    QVERIFY(a.dbMissing);
    QVERIFY(a.dbWritable); // nothing there that could not be written
    QVERIFY(!QFileInfo::exists(fx.folder() + "/yok"));

    QVERIFY(QDir(fx.folder()).mkdir("orvekdata.db-shm"));
    a = ProbeFolderAccess(fx.folder(), fx.dbPath());
    QVERIFY(a.folderWritable && a.dbWritable);
    QCOMPARE(a.unwritableSidecar, fx.dbPath() + "-shm");

    ProgramFolderFixture empty(false);
    QVERIFY(QDir(empty.folder()).mkdir("orvekdata.db"));
    a = ProbeFolderAccess(empty.folder(), empty.dbPath());
    QVERIFY(a.folderWritable);
    QVERIFY(!a.dbWritable);
}

void TestFolderAccess::startEndsWithOneBox()
{
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli', parola_i='p', flg_kaydet_i='1'");
    QString probedFolder, probedDb;
    ProbeGuard guard;
    SetFolderAccessProbe([&](const QString &folder, const QString &db) {
        probedFolder = folder;
        probedDb = db;
        return FolderAccess{false, true, {}};
    });
    PromptRecorder prompts;
    LifecycleRecorder life;
    QVERIFY(!Main());
    QCOMPARE(probedFolder, ProgramFolder());
    QCOMPARE(probedDb, LocalDbPath());
    QCOMPARE(prompts.count(), 1);
    QVERIFY(prompts.last().text.startsWith("Program klasörüne yazılamıyor: " + QDir::toNativeSeparators(fx.folder()) +
                                           "\r\n"));
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(life.endCount, 1);
    // Nothing further ran: the settings were not read.
    QVERIFY(!gAccountLoaded);
    QVERIFY(gUserName.isEmpty());
}

void TestFolderAccess::startGoesOnWhenWritable()
{
    // No account saved: the start reads the settings, then opens the login window.
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_ayarlar SET flg_kaydet_i='0'");
    int probes = 0;
    ProbeGuard guard;
    SetFolderAccessProbe([&](const QString &, const QString &) {
        ++probes;
        return FolderAccess{true, true, {}};
    });
    PromptRecorder prompts;
    LifecycleRecorder life;
    Main();
    QCOMPARE(probes, 1);
    QVERIFY(gAccountLoaded);
    for (const QString &t : prompts.texts()) QVERIFY2(!t.contains("yazılamıyor"), qPrintable(t));
}

void TestFolderAccess::sidecarsTakeTheDatabaseMode()
{
    ProgramFolderFixture fx;
    DropConnections();
    QVERIFY(!QFileInfo::exists(fx.dbPath() + "-wal"));
    QVERIFY(::chmod(QFile::encodeName(fx.dbPath()).constData(), 0640) == 0);
    // A narrow umask, as a user's session may have: the sidecars must not come out 0600.
    const mode_t old = ::umask(0077);
    OpenLocalDb();
    QSqlQuery q(LocalDb());
    QVERIFY(q.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli'"));
    ::umask(old);
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString side = fx.dbPath() + suffix;
        QVERIFY2(QFileInfo::exists(side), suffix);
        QCOMPARE(modeOf(side), mode_t(0640));
    }
}

void TestFolderAccess::filesBesideTheDatabaseTakeItsMode_data()
{
    QTest::addColumn<Made>("what");
    QTest::addColumn<int>("dbMode");
    QTest::newRow("journal, group-writable database") << Made::Journal << 0664;
    QTest::newRow("journal, private database") << Made::Journal << 0600;
    QTest::newRow("journal of 0600 made earlier") << Made::OwnJournalOf0600 << 0664;
    QTest::newRow("journal's .bad file") << Made::JournalBad << 0664;
    QTest::newRow("kovaset.log") << Made::KovasetLog << 0664;
    QTest::newRow("Kovaset.lock") << Made::KovasetLock << 0664;
}

// Made under a narrow umask, as a user's session may have, each file gets the database's
// bits, neither the umask's nor wider ones.
void TestFolderAccess::filesBesideTheDatabaseTakeItsMode()
{
    QFETCH(Made, what);
    QFETCH(int, dbMode);
    ProgramFolderFixture fx;
    QVERIFY(::chmod(QFile::encodeName(fx.dbPath()).constData(), mode_t(dbMode)) == 0);
    QString path;
    {
        const UmaskGuard narrow(0077);
        path = make(what, fx);
    }
    QVERIFY2(!path.isEmpty() && QFileInfo::exists(path), qPrintable(path));
    QCOMPARE(modeOf(path), mode_t(dbMode));
}

// Two users of one group-writable program folder: what the first made (under the common
// umask 022), the second writes. Run as a second uid where this test runs as root.
void TestFolderAccess::secondUserWritesWhatTheFirstMade()
{
    if (::geteuid() != 0) QSKIP("needs root to act as a second user");
    ProgramFolderFixture fx;
    DropConnections();
    const QByteArray folder = QFile::encodeName(fx.folder());
    QVERIFY(::chmod(folder.constData(), 0775) == 0);
    QVERIFY(::chmod(QFile::encodeName(fx.dbPath()).constData(), 0664) == 0);
    const gid_t group = 0; // the group of what root makes here
    QVERIFY(::chown(folder.constData(), 0, group) == 0);
    {
        const UmaskGuard common(0022);
        QVERIFY(AppendAcceptedWriteJournal(journalRow("A1")));
        KovasetLog log(KovasetLogPath());
        log.setEchoToStderr(false);
        log.write(QStringLiteral("A"));
    }

    const pid_t child = ::fork();
    if (child == 0) {
        // Another user of the same group, nothing more.
        if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(65534) != 0) ::_exit(3);
        if (::access(folder.constData(), W_OK | X_OK) != 0) ::_exit(4);
        const UmaskGuard common(0022);
        KovasetLog log(KovasetLogPath());
        log.setEchoToStderr(false);
        log.write(QStringLiteral("B"));
        ::_exit(AppendAcceptedWriteJournal(journalRow("B1")) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 4) QSKIP("the temporary folder cannot be reached by a second user");
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(lineCount(AcceptedWriteJournalPath()), 2);
    QCOMPARE(lineCount(KovasetLogPath()), 2);
}

QTEST_GUILESS_MAIN(TestFolderAccess)
#include "tst_folderaccess.moc"
