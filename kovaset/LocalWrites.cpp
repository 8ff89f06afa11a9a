#include "kovaset/LocalWrites.h"

#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {
QString errorText(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Veritabanı hatası") : t;
}

void execOrThrow(QSqlDatabase &db, const char *sql)
{
    QSqlQuery q(db);
    if (!q.exec(QLatin1String(sql))) throw OrvekError(errorText(q.lastError()));
}

// Each try waits this long inside SQLite, so that the loop below sees its time limit and its
// stop test often; the connection's usual wait comes back afterwards.
constexpr int kTryBusyTimeoutMs = 250;
constexpr int kNormalBusyTimeoutMs = 5000;

void setBusyTimeout(const QSqlDatabase &db, int ms)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms));
}
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
        bool begun = false;
        QSqlDatabase db;
        try {
            OpenLocalDb();
            db = LocalDb();
            setBusyTimeout(db, kTryBusyTimeoutMs);
            struct Restore {
                QSqlDatabase db;
                ~Restore() { setBusyTimeout(db, kNormalBusyTimeoutMs); }
            } restore{db};
            execOrThrow(db, "BEGIN IMMEDIATE");
            begun = true;
            work(db);
            execOrThrow(db, "COMMIT");
            result.status = LocalWriteStatus::Written;
            result.error.clear();
            return result;
        } catch (const std::exception &e) {
            const OrvekError *oe = dynamic_cast<const OrvekError *>(&e);
            result.error = oe ? oe->description() : QString::fromLocal8Bit(e.what());
            if (begun) {
                QSqlQuery q(db);
                q.exec(QStringLiteral("ROLLBACK"));
            }
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
