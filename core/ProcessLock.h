#pragma once

// A lock file that belongs to the process holding it, never to what the file says.
//
// The lock is the kernel's advisory lock on the open file (flock on Unix, LockFileEx on
// Windows), kept for as long as the file stays open; the kernel drops it when the process
// ends in any way, so a copy killed at any point, a power cut that left the file empty, or a
// file holding the number of a process that is gone or is some other program never keeps
// anyone out. The process number written into the file is for people reading it only.
// A file another user made, which this user can only read, is locked all the same.
//
//   ProcessLock lock(path);
//   switch (lock.tryLock(2000)) {
//   case ProcessLock::Result::Locked: ...      // ours until unlock() or the end of `lock`
//   case ProcessLock::Result::Held: ...        // a living process held it for the whole wait
//   case ProcessLock::Result::Unavailable: ... // the file cannot be opened or locked here
//   }
//
// Unlocking removes the file; a process that opened it meanwhile notices and tries again on
// the new file, so two processes never both think they hold it.

#include <QString>

class ProcessLock {
public:
    enum class Result { Locked, Held, Unavailable };
    // The permission bits of a lock file this process creates: the umask's, or the database
    // file's own (a lock beside the database, which every user of the database must open).
    enum class FileMode { Umask, LikeDatabase };

    explicit ProcessLock(QString path, FileMode mode = FileMode::Umask);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    // Takes the lock, trying again until waitMs have passed while another process holds it.
    // True at once when this object holds it already.
    Result tryLock(int waitMs);
    bool isLocked() const;
    void unlock();

    QString path() const { return m_path; }

private:
    QString m_path;
    FileMode m_mode;
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};
