#include "core/ProcessLock.h"

#include "core/FolderAccess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int kRetryPauseMs = 20;
// A holder that removes the file just as it is locked here makes the lock go to the new
// file; after the wait a few such turns are still allowed. A file that keeps changing its
// identity beyond those lies where no lock can be kept.
constexpr int kReplacedTurnsAfterWait = 3;

QByteArray ownerText()
{
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
           QCoreApplication::applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
}

void pauseBeforeRetry(const QElapsedTimer &clock, int waitMs)
{
    const qint64 left = qint64(waitMs) - clock.elapsed();
    QThread::msleep(static_cast<unsigned long>(qBound(qint64(1), left, qint64(kRetryPauseMs))));
}

#ifndef Q_OS_WIN
// Opens the lock file, creating it when missing; a file this user may only read is opened
// for reading, which is enough to lock it.
int openLockFile(const QByteArray &path, bool &writable)
{
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    writable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    return fd;
}

// Whether the path still names the file open on fd (a holder that unlocked removed it).
bool stillAtPath(int fd, const QByteArray &path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

int lockNow(int fd)
{
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

void writeOwner(int fd)
{
    const QByteArray text = ownerText();
    if (::ftruncate(fd, 0) != 0) return;
    [[maybe_unused]] const auto n = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
}
#endif

} // namespace

ProcessLock::ProcessLock(QString path, FileMode mode) : m_path(std::move(path)), m_mode(mode) {}

ProcessLock::~ProcessLock() { unlock(); }

#ifndef Q_OS_WIN

bool ProcessLock::isLocked() const { return m_fd >= 0; }

ProcessLock::Result ProcessLock::tryLock(int waitMs)
{
    if (isLocked()) return Result::Locked;
    const QByteArray path = QFile::encodeName(m_path);
    QElapsedTimer clock;
    clock.start();
    int replacedTurns = 0;
    for (;;) {
        bool writable = false;
        const int fd = openLockFile(path, writable);
        if (fd < 0) return Result::Unavailable;
        const int error = lockNow(fd);
        if (error == 0 && stillAtPath(fd, path)) {
            m_fd = fd;
            if (m_mode == FileMode::LikeDatabase) GiveDatabaseMode(fd);
            if (writable) writeOwner(fd);
            return Result::Locked;
        }
        ::close(fd);
        if (error == 0) {
            // Locked a file its holder had just removed: the lock is on the new one now.
            if (clock.elapsed() >= waitMs && ++replacedTurns > kReplacedTurnsAfterWait) return Result::Unavailable;
            continue;
        }
        if (error != EWOULDBLOCK) return Result::Unavailable;
        if (clock.elapsed() >= waitMs) return Result::Held;
        pauseBeforeRetry(clock, waitMs);
    }
}

void ProcessLock::unlock()
{
    if (m_fd < 0) return;
    // Removed while still locked: whoever opens the path from now on gets a new file, and
    // whoever opened this one sees it is gone once it gets the lock.
    const QByteArray path = QFile::encodeName(m_path);
    if (stillAtPath(m_fd, path)) ::unlink(path.constData());
    ::close(m_fd);
    m_fd = -1;
}

#else

bool ProcessLock::isLocked() const { return m_handle != nullptr; }

ProcessLock::Result ProcessLock::tryLock(int waitMs)
{
    if (isLocked()) return Result::Locked;
    const auto path = reinterpret_cast<LPCWSTR>(m_path.utf16());
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        bool writable = true;
        HANDLE h = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
            writable = false;
            h = ::CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (h == INVALID_HANDLE_VALUE) return Result::Unavailable;
        // One byte far beyond the text, so that the text stays readable.
        OVERLAPPED at{};
        at.OffsetHigh = 1;
        if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            m_handle = h;
            if (writable) {
                const QByteArray text = ownerText();
                DWORD written = 0;
                ::SetFilePointer(h, 0, nullptr, FILE_BEGIN);
                ::SetEndOfFile(h);
                ::WriteFile(h, text.constData(), DWORD(text.size()), &written, nullptr);
            }
            return Result::Locked;
        }
        const DWORD error = ::GetLastError();
        ::CloseHandle(h);
        if (error != ERROR_LOCK_VIOLATION) return Result::Unavailable;
        if (clock.elapsed() >= waitMs) return Result::Held;
        pauseBeforeRetry(clock, waitMs);
    }
}

void ProcessLock::unlock()
{
    if (!m_handle) return;
    // The file stays: a file removed while others have it open cannot be opened again
    // until they close it.
    ::CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

#endif
