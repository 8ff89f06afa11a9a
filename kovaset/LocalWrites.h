#pragma once

// Writes of the automatic program to the shared local database. Each runs in one
// BEGIN IMMEDIATE transaction on the local connection; a database that another program holds
// locked is waited on (SQLite's busy wait, then further tries) instead of failing the write.

#include <QSqlDatabase>
#include <QString>
#include <functional>

enum class LocalWriteStatus {
    Written,
    Busy,  // still locked by another program after the whole wait
    Failed // any other failure; nothing of the transaction is kept
};

struct LocalWriteResult {
    LocalWriteStatus status = LocalWriteStatus::Failed;
    QString error; // the driver's description unless Written
};

// How long a write waits for a locked database before it gives up.
inline constexpr qint64 kLocalWriteWaitMs = 60000;

// Runs `work` (which throws OrvekError on failure) in InLocalTransaction (core/LocalDb.h) on
// the local connection. A busy or locked database is tried again until maxWaitMs have passed,
// calling waitStep between tries (a short sleep by default); a stopWaiting that returns true
// between tries ends the wait early (Busy).
LocalWriteResult RunLocalWrite(const std::function<void(QSqlDatabase &)> &work, qint64 maxWaitMs = kLocalWriteWaitMs,
                               const std::function<void()> &waitStep = {},
                               const std::function<bool()> &stopWaiting = {});

// Whether a driver's description tells of a database that another connection holds.
bool IsDatabaseLockedText(const QString &description);
