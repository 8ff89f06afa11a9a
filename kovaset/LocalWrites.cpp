#include "kovaset/LocalWrites.h"

#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QElapsedTimer>
#include <QThread>

namespace {
// Each try waits this long inside SQLite, so that the loop below sees its time limit and its
// stop test often; the connection's usual wait comes back afterwards.
constexpr int kTryBusyTimeoutMs = 250;
} // namespace

bool IsDatabaseLockedText(const QString &description)
{
    // SQLite's own words for SQLITE_BUSY and SQLITE_LOCKED.
    return description.contains(QLatin1String("database is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("table is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("database is busy"), Qt::CaseInsensitive);
}

LocalWriteResult RunLocalWrite(const std::function<void(QSqlDatabase &)> &work, qint64 maxWaitMs,
                               const std::function<void()> &waitStep, const std::function<bool()> &stopWaiting)
{
    QElapsedTimer waited;
    waited.start();
    LocalWriteResult result;
    for (;;) {
        try {
            InLocalTransaction(work, kTryBusyTimeoutMs);
            result.status = LocalWriteStatus::Written;
            result.error.clear();
            return result;
        } catch (const std::exception &e) {
            const OrvekError *oe = dynamic_cast<const OrvekError *>(&e);
            result.error = oe ? oe->description() : QString::fromLocal8Bit(e.what());
        }
        if (!IsDatabaseLockedText(result.error)) {
            result.status = LocalWriteStatus::Failed;
            return result;
        }
        if (waited.elapsed() >= maxWaitMs || (stopWaiting && stopWaiting())) {
            result.status = LocalWriteStatus::Busy;
            return result;
        }
        if (waitStep)
            waitStep();
        else
            QThread::msleep(100);
    }
}
