// The lock that belongs to the living process holding it: what a lock file says never keeps
// anyone out, a holder does, and two holders never overlap.
#include "core/ProcessLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Far above what a free lock takes, far below the wait that a held one would cost.
constexpr int kLongWaitMs = 5000;
constexpr int kFreeWithinMs = 2000;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

// The number of a process that has ended.
qint64 endedProcessId()
{
    QProcess p;
    p.start(QStringLiteral("true"), {});
    if (!p.waitForStarted(10000)) return 0;
    const qint64 pid = p.processId();
    p.waitForFinished(10000);
    return pid;
}

} // namespace

class TestProcessLock : public QObject {
    Q_OBJECT
private slots:
    void leftFileIsNoOwner_data();
    void leftFileIsNoOwner();
    void livingHolderKeepsOthersOut();
    void freedWhileWaiting();
    void holdersNeverOverlap();
    void unavailableIsNotHeld();
    void readOnlyFileOfAnotherUser();
};

// Whatever a lock file holds, nobody holding it means it is free at once, and the taker
// writes its own number into it.
void TestProcessLock::leftFileIsNoOwner_data()
{
    QTest::addColumn<QByteArray>("content"); // "<sleep>" stands for a living process's number
    QTest::addColumn<bool>("withRmlock");
    QTest::newRow("empty file (killed between create and write)") << QByteArray() << false;
    QTest::newRow("ended process") << QByteArray::number(endedProcessId()) + "\nKovaset\nhost\n" << false;
    QTest::newRow("living process of another program") << QByteArray("<sleep>") << false;
    QTest::newRow("this process's own number") << QByteArray::number(QCoreApplication::applicationPid()) + "\n"
                                               << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02 nope\n\n\n", 9) << false;
    QTest::newRow("empty file with an empty .rmlock beside it") << QByteArray() << true;
}

void TestProcessLock::leftFileIsNoOwner()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, withRmlock);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kovaset.lock"));
    QProcess sleeper;
    if (content == "<sleep>") {
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted(10000));
        content = QByteArray::number(sleeper.processId()) + "\nsleep\nhost\n";
    }
    QVERIFY(writeFile(path, content));
    if (withRmlock) QVERIFY(writeFile(path + QStringLiteral(".rmlock"), {}));

    ProcessLock lock(path);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(lock.tryLock(kLongWaitMs), ProcessLock::Result::Locked);
    QVERIFY2(clock.elapsed() < kFreeWithinMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(lock.isLocked());
    QVERIFY(readAll(path).startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    lock.unlock();
    QVERIFY(!QFile::exists(path));
    sleeper.kill();
    sleeper.waitForFinished(5000);
}

// A holder in another process keeps the lock for as long as it lives, and its end, however
// abrupt, frees it.
void TestProcessLock::livingHolderKeepsOthersOut()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    QProcess holder;
    // flock(1) holds the lock on an empty file (as a crash would leave it) while its command
    // runs; -o keeps the lock out of the command, which ends with its standard input.
    holder.start(QStringLiteral("flock"), {QStringLiteral("-o"), path, QStringLiteral("sh"), QStringLiteral("-c"),
                                           QStringLiteral("echo held; exec cat")});
    if (!holder.waitForStarted(10000)) QSKIP("flock(1) is not installed");
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    QCOMPARE(readAll(path), QByteArray());

    ProcessLock lock(path);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(lock.tryLock(300), ProcessLock::Result::Held);
    QVERIFY(clock.elapsed() >= 300);
    QVERIFY(!lock.isLocked());

    holder.kill(); // SIGKILL: nothing runs that could unlock
    QVERIFY(holder.waitForFinished(10000));
    clock.restart();
    QCOMPARE(lock.tryLock(kLongWaitMs), ProcessLock::Result::Locked);
    QVERIFY(clock.elapsed() < kFreeWithinMs);
}

// A wait ends as soon as the holder lets go.
void TestProcessLock::freedWhileWaiting()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    auto first = std::make_unique<ProcessLock>(path);
    QCOMPARE(first->tryLock(0), ProcessLock::Result::Locked);
    // A second object is a second open file: it is kept out like another process.
    ProcessLock second(path);
    QCOMPARE(second.tryLock(0), ProcessLock::Result::Held);
    std::unique_ptr<QThread> releaser(QThread::create([&] {
        QThread::msleep(200);
        first.reset();
    }));
    releaser->start();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(second.tryLock(kLongWaitMs), ProcessLock::Result::Locked);
    QVERIFY(clock.elapsed() < kFreeWithinMs);
    releaser->wait();
    QVERIFY(second.isLocked());
    QVERIFY(QFile::exists(path));
}

// Many takers at once, each holding it a moment, then unlocking (and so removing the file):
// at no time do two of them hold it, though a taker may have opened a file that its holder
// removed before the taker locked it.
void TestProcessLock::holdersNeverOverlap()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("x.lock"));
    constexpr int kTakers = 8;
    constexpr int kTurns = 500;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> turns{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < kTakers; ++t) {
        threads.emplace_back(QThread::create([&] {
            for (int i = 0; i < kTurns; ++i) {
                ProcessLock lock(path);
                if (lock.tryLock(30000) != ProcessLock::Result::Locked) continue;
                if (inside.fetch_add(1) != 0) ++overlaps;
                QThread::usleep(200);
                inside.fetch_sub(1);
                ++turns;
            }
        }));
        threads.back()->start();
    }
    for (auto &t : threads) t->wait();
    QCOMPARE(overlaps.load(), 0);
    QCOMPARE(turns.load(), kTakers * kTurns);
    QVERIFY(!QFile::exists(path));
}

// A lock that cannot be made at all is not a holder: the callers tell the two apart.
void TestProcessLock::unavailableIsNotHeld()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProcessLock noFolder(dir.filePath(QStringLiteral("yok/x.lock")));
    QCOMPARE(noFolder.tryLock(kLongWaitMs), ProcessLock::Result::Unavailable);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.lock")));
    ProcessLock directory(dir.filePath(QStringLiteral("x.lock")));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(directory.tryLock(kLongWaitMs), ProcessLock::Result::Unavailable);
    QVERIFY(clock.elapsed() < kFreeWithinMs);
}

// A lock file made by one user, which another may only read, still serves the other: run as
// a second user where this test runs as root, else not at all (the bits do not stop root).
void TestProcessLock::readOnlyFileOfAnotherUser()
{
    if (::geteuid() != 0) QSKIP("needs root to act as a second user");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    const QString path = dir.filePath(QStringLiteral("Kovaset.lock"));
    QVERIFY(writeFile(path, QByteArray()));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);

    const auto asOtherUser = [&](int waitMs) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            ProcessLock lock(path);
            ::_exit(int(lock.tryLock(waitMs)));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    QCOMPARE(asOtherUser(0), int(ProcessLock::Result::Locked));
    QCOMPARE(readAll(path), QByteArray()); // read-only to it: nothing written
    QVERIFY(QFile::exists(path));          // and the folder is not its to remove from

    // And it is kept out by a living holder like anyone.
    ProcessLock mine(path);
    QCOMPARE(mine.tryLock(0), ProcessLock::Result::Locked);
    QCOMPARE(asOtherUser(100), int(ProcessLock::Result::Held));
}

QTEST_GUILESS_MAIN(TestProcessLock)
#include "tst_processlock.moc"
