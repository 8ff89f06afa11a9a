#include "core/AcceptedWrites.h"

#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <atomic>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr int kDefaultRetryMs = 60000;
constexpr int kTryBusyTimeoutMs = 250; // each try waits this long inside SQLite
constexpr int kFirstPauseMs = 50;
constexpr int kLongestPauseMs = 1000;

std::atomic<int> gRetryMs{kDefaultRetryMs};

const QString kKeyTable = QStringLiteral("tbl_gunluk_anahtar");

bool plainIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

bool syncToDisk(QFile &file)
{
    if (!file.flush()) return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// The directory entry of a new file reaches the disk only with its folder.
void syncFolder(const QString &folder)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

QJsonArray encodeValue(const QString &column, const QVariant &v)
{
    if (v.isNull() || !v.isValid() || (v.typeId() == QMetaType::QString && v.toString().isNull()))
        return {column, QStringLiteral("n"), QJsonValue()};
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return {column, QStringLiteral("i"), QString::number(v.toLongLong())};
    case QMetaType::Double:
    case QMetaType::Float:
        return {column, QStringLiteral("d"), QString::number(v.toDouble(), 'g', 17)};
    case QMetaType::QByteArray:
        return {column, QStringLiteral("b"), QString::fromLatin1(v.toByteArray().toBase64())};
    default:
        return {column, QStringLiteral("s"), v.toString()};
    }
}

bool decodeValue(const QJsonValue &item, QPair<QString, QVariant> &out)
{
    const QJsonArray a = item.toArray();
    if (a.size() != 3 || !a[0].isString() || !a[1].isString()) return false;
    const QString type = a[1].toString();
    const QString text = a[2].toString();
    out.first = a[0].toString();
    bool ok = true;
    if (type == QLatin1String("n"))
        out.second = QVariant();
    else if (type == QLatin1String("i"))
        out.second = text.toLongLong(&ok);
    else if (type == QLatin1String("d"))
        out.second = text.toDouble(&ok);
    else if (type == QLatin1String("b"))
        out.second = QByteArray::fromBase64(text.toLatin1());
    else if (type == QLatin1String("s") && a[2].isString())
        out.second = text;
    else
        return false;
    return ok;
}

QByteArray journalLine(const JournalRow &row)
{
    QJsonArray values;
    for (const auto &v : row.values) values.append(encodeValue(v.first, v.second));
    QJsonObject o;
    o.insert(QStringLiteral("key"), QUuid::createUuid().toString(QUuid::WithoutBraces));
    o.insert(QStringLiteral("table"), row.table);
    o.insert(QStringLiteral("values"), values);
    if (row.replace) o.insert(QStringLiteral("replace"), true);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

struct JournalEntry {
    QString key;
    JournalRow row;
    QByteArray line;
};

bool readLine(const QByteArray &line, JournalEntry &entry)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return false;
    const QJsonObject o = doc.object();
    entry.key = o.value(QStringLiteral("key")).toString();
    entry.row.table = o.value(QStringLiteral("table")).toString();
    entry.row.replace = o.value(QStringLiteral("replace")).toBool(false);
    if (entry.key.isEmpty() || entry.row.table.isEmpty() || !o.value(QStringLiteral("values")).isArray()) return false;
    for (const QJsonValue &item : o.value(QStringLiteral("values")).toArray()) {
        QPair<QString, QVariant> v;
        if (!decodeValue(item, v)) return false;
        entry.row.values.append(v);
    }
    entry.line = line;
    return true;
}

QString lockPath() { return AcceptedWriteJournalPath() + QStringLiteral(".lock"); }

bool appendLines(const QString &path, const QByteArray &text)
{
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    if (file.write(text) != text.size() || !syncToDisk(file)) return false;
    file.close();
    if (!existed) syncFolder(QFileInfo(path).absolutePath());
    return true;
}

void execOrThrow(const QSqlDatabase &db, const QString &sql, const QVariantList &binds = {})
{
    SqlExec(db, sql, binds);
}

} // namespace

QString AcceptedWriteJournalPath()
{
    return QFileInfo(LocalDbPath()).absolutePath() + QStringLiteral("/orvekdata.journal");
}

bool AppendAcceptedWriteJournal(const QVector<JournalRow> &rows)
{
    QByteArray text;
    for (const JournalRow &r : rows) text += journalLine(r);
    QLockFile lock(lockPath());
    lock.setStaleLockTime(30000);
    // A replay in another program holds the lock only briefly; write anyway if it does
    // not come free, rather than lose the rows.
    const bool locked = lock.tryLock(10000);
    const bool ok = appendLines(AcceptedWriteJournalPath(), text);
    if (locked) lock.unlock();
    return ok;
}

int AcceptedWriteRetryMs() { return gRetryMs; }
void SetAcceptedWriteRetryMs(int ms) { gRetryMs = ms > 0 ? ms : kDefaultRetryMs; }

bool IsBusyOrLockedError(const QString &description)
{
    // SQLite's own texts of SQLITE_BUSY and SQLITE_LOCKED (and their extended codes).
    return description.contains(QLatin1String("database is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive) ||
           description.contains(QLatin1String("database schema is locked"), Qt::CaseInsensitive);
}

void InsertJournalRow(QSqlDatabase &db, const JournalRow &row)
{
    if (!plainIdentifier(row.table) || row.values.isEmpty())
        throw OrvekError(QStringLiteral("Geçersiz günlük kaydı: %1").arg(row.table));
    QStringList columns;
    QStringList marks;
    QVariantList binds;
    for (const auto &v : row.values) {
        if (!plainIdentifier(v.first)) throw OrvekError(QStringLiteral("Geçersiz sütun adı: %1").arg(v.first));
        columns << v.first;
        marks << QStringLiteral("?");
        binds << v.second;
    }
    SqlExec(db,
            QStringLiteral("%1 INTO %2 (%3) VALUES(%4)")
                .arg(row.replace ? QStringLiteral("INSERT OR REPLACE") : QStringLiteral("INSERT"), row.table,
                     columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
            binds);
}

void InsertJournalRows(QSqlDatabase &db, const QVector<JournalRow> &rows)
{
    for (const JournalRow &r : rows) InsertJournalRow(db, r);
}

AcceptedWriteResult WriteAfterAcceptedSend(const std::function<void(QSqlDatabase &)> &writeInTransaction,
                                           const QVector<JournalRow> &journalRows,
                                           const std::function<void()> &waitStep)
{
    QElapsedTimer clock;
    clock.start();
    const int limit = gRetryMs;
    int pause = kFirstPauseMs;
    for (;;) {
        bool busy = false;
        try {
            InLocalTransaction(writeInTransaction, kTryBusyTimeoutMs);
            return AcceptedWriteResult::Written;
        } catch (const OrvekError &e) {
            busy = IsBusyOrLockedError(e.description());
        } catch (...) {}
        if (!busy || clock.elapsed() >= limit) break;

        QElapsedTimer pauseClock;
        pauseClock.start();
        while (pauseClock.elapsed() < pause) {
            if (waitStep) waitStep();
            QThread::msleep(
                static_cast<unsigned long>(qBound(qint64(1), qint64(pause) - pauseClock.elapsed(), qint64(10))));
        }
        pause = qMin(pause * 2, kLongestPauseMs);
    }
    return AppendAcceptedWriteJournal(journalRows) ? AcceptedWriteResult::Journaled : AcceptedWriteResult::Failed;
}

void ReplayAcceptedWriteJournal()
{
    const QString path = AcceptedWriteJournalPath();
    if (!QFileInfo::exists(path)) return;
    QLockFile lock(lockPath());
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(2000)) return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();

    QVector<JournalEntry> entries;
    QByteArray bad;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        JournalEntry e;
        if (readLine(line, e))
            entries.append(std::move(e));
        else
            bad += line + '\n';
    }

    try {
        InLocalTransaction([&](QSqlDatabase &db) {
            execOrThrow(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar TEXT PRIMARY KEY)").arg(kKeyTable));
            for (const JournalEntry &e : entries) {
                if (SqlExec(db, QStringLiteral("SELECT 1 FROM %1 WHERE anahtar = ?").arg(kKeyTable), {e.key}).next())
                    continue;
                try {
                    InsertJournalRow(db, e.row);
                } catch (const OrvekError &err) {
                    if (IsBusyOrLockedError(err.description())) throw;
                    // A row its table will never take (no such table or column): kept aside.
                    bad += e.line + '\n';
                    continue;
                }
                execOrThrow(db, QStringLiteral("INSERT INTO %1 (anahtar) VALUES(?)").arg(kKeyTable), {e.key});
            }
        });
        if (!bad.isEmpty() && !appendLines(path + QStringLiteral(".bad"), bad)) return;
        if (!QFile::remove(path)) return;
        syncFolder(QFileInfo(path).absolutePath());
        QSqlQuery clear(LocalDb());
        clear.exec(QStringLiteral("DELETE FROM %1").arg(kKeyTable));
    } catch (...) {
        // The journal stays for the next start.
    }
}
