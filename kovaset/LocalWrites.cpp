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
} // namespace

bool IsDatabaseLockedText(const QString &description)
{
    // SQLite's own words for SQLITE_BUSY and SQLITE_LOCKED.
    return description.contains(QLatin1String("database is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("table is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("database is busy"), Qt::CaseInsensitive);
}

LocalWriteResult RunLocalWrite(const std::function<void(QSqlDatabase &)> &work, qint64 maxWaitMs,
                               const std::function<void()> &waitStep)
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
        if (waited.elapsed() >= maxWaitMs) {
            result.status = LocalWriteStatus::Busy;
            return result;
        }
        if (waitStep)
            waitStep();
        else
            QThread::msleep(100);
    }
}
