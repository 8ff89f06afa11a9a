#include "core/AcceptedWrites.h"

#include "core/DateText.h"
#include "core/FolderAccess.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/ProcessLock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <algorithm>
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
// The ids of "keepid" rows a replay wrote, for rows journaled after that replay.
const QString kIdTable = QStringLiteral("tbl_gunluk_kimlik");
constexpr int kIdKeptDays = 7;

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
    o.insert(QStringLiteral("key"),
             row.key.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : row.key);
    o.insert(QStringLiteral("table"), row.table);
    o.insert(QStringLiteral("values"), values);
    if (row.replace) o.insert(QStringLiteral("replace"), true);
    if (row.keepsId) o.insert(QStringLiteral("keepid"), true);
    if (!row.refersTo.isEmpty()) o.insert(QStringLiteral("ref"), QJsonArray{row.idColumn, row.refersTo});
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
    entry.row.keepsId = o.value(QStringLiteral("keepid")).toBool(false);
    if (entry.key.isEmpty() || entry.row.table.isEmpty() || !o.value(QStringLiteral("values")).isArray()) return false;
    if (o.contains(QStringLiteral("ref"))) {
        const QJsonArray ref = o.value(QStringLiteral("ref")).toArray();
        if (ref.size() != 2 || !ref[0].isString() || !ref[1].isString() || ref[1].toString().isEmpty())
            return false;
        entry.row.idColumn = ref[0].toString();
        entry.row.refersTo = ref[1].toString();
    }
    entry.row.key = entry.key;
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
    if (!OpenBesideDatabase(file, QIODevice::WriteOnly | QIODevice::Append)) return false;
    if (file.write(text) != text.size() || !syncToDisk(file)) return false;
    file.close();
    if (!existed) syncFolder(QFileInfo(path).absolutePath());
    return true;
}

void execOrThrow(const QSqlDatabase &db, const QString &sql, const QVariantList &binds = {})
{
    SqlExec(db, sql, binds);
}

// The row with its id column set to id (in place of a value it held, else added).
JournalRow withId(const JournalRow &row, qint64 id)
{
    JournalRow out = row;
    out.idColumn.clear();
    out.refersTo.clear();
    for (auto &v : out.values)
        if (v.first.compare(row.idColumn, Qt::CaseInsensitive) == 0) {
            v.second = id;
            return out;
        }
    out.values.append({row.idColumn, id});
    return out;
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
    // A replay in another program holds the lock only briefly; write anyway if it does
    // not come free, rather than lose the rows.
    ProcessLock lock(lockPath(), ProcessLock::FileMode::LikeDatabase);
    lock.tryLock(10000);
    return appendLines(AcceptedWriteJournalPath(), text);
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

qint64 JournaledRowId(QSqlDatabase &db, const QString &key)
{
    if (key.isEmpty() || !SqlTableExists(db, kIdTable)) return 0;
    QSqlQuery q = SqlExec(db, QStringLiteral("SELECT kimlik FROM %1 WHERE anahtar = ?").arg(kIdTable), {key});
    return q.next() ? q.value(0).toLongLong() : 0;
}

qint64 InsertJournalRow(QSqlDatabase &db, const JournalRow &row)
{
    if (!row.refersTo.isEmpty()) {
        if (!plainIdentifier(row.idColumn)) throw OrvekError(QStringLiteral("Geçersiz sütun adı: %1").arg(row.idColumn));
        const qint64 id = JournaledRowId(db, row.refersTo);
        if (id <= 0) throw OrvekError(QStringLiteral("Bağlı kayıt henüz günlükte: %1").arg(row.refersTo));
        return InsertJournalRow(db, withId(row, id));
    }
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
    const QSqlQuery q = SqlExec(db,
                                QStringLiteral("%1 INTO %2 (%3) VALUES(%4)")
                                    .arg(row.replace ? QStringLiteral("INSERT OR REPLACE") : QStringLiteral("INSERT"),
                                         row.table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                                binds);
    return q.lastInsertId().toLongLong();
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
    ProcessLock lock(lockPath(), ProcessLock::FileMode::LikeDatabase);
    if (lock.tryLock(2000) != ProcessLock::Result::Locked) return;

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
        QByteArray badRows;
        InLocalTransaction([&](QSqlDatabase &db) {
            badRows.clear();
            execOrThrow(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar TEXT PRIMARY KEY)").arg(kKeyTable));
            const bool keepsIds = std::any_of(entries.cbegin(), entries.cend(),
                                              [](const JournalEntry &e) { return e.row.keepsId; });
            if (keepsIds) {
                execOrThrow(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar TEXT PRIMARY KEY, kimlik "
                                               "INTEGER NOT NULL, tarih TEXT NOT NULL)")
                                    .arg(kIdTable));
                execOrThrow(db, QStringLiteral("DELETE FROM %1 WHERE tarih < ?").arg(kIdTable),
                            {ToIsoText(QDateTime::currentDateTime().addDays(-kIdKeptDays))});
            }
            // The ids of the rows written now, by their keys.
            QHash<QString, qint64> written;
            for (const JournalEntry &e : entries) {
                if (SqlExec(db, QStringLiteral("SELECT 1 FROM %1 WHERE anahtar = ?").arg(kKeyTable), {e.key}).next())
                    continue;
                qint64 id = 0;
                try {
                    JournalRow row = e.row;
                    if (!row.refersTo.isEmpty() && plainIdentifier(row.idColumn)) {
                        qint64 referred = written.value(row.refersTo, 0);
                        if (referred <= 0) referred = JournaledRowId(db, row.refersTo);
                        row = withId(row, referred);
                    }
                    id = InsertJournalRow(db, row);
                } catch (const OrvekError &err) {
                    if (IsBusyOrLockedError(err.description())) throw;
                    // A row its table will never take (no such table or column): kept aside.
                    badRows += e.line + '\n';
                    continue;
                }
                execOrThrow(db, QStringLiteral("INSERT INTO %1 (anahtar) VALUES(?)").arg(kKeyTable), {e.key});
                if (e.row.keepsId && id > 0) {
                    written.insert(e.key, id);
                    execOrThrow(db,
                                QStringLiteral("INSERT OR REPLACE INTO %1 (anahtar, kimlik, tarih) VALUES(?,?,?)")
                                    .arg(kIdTable),
                                {e.key, id, ToIsoText(QDateTime::currentDateTime())});
                }
            }
        });
        bad += badRows;
        if (!bad.isEmpty() && !appendLines(path + QStringLiteral(".bad"), bad)) return;
        if (!QFile::remove(path)) return;
        syncFolder(QFileInfo(path).absolutePath());
        QSqlQuery clear(LocalDb());
        clear.exec(QStringLiteral("DELETE FROM %1").arg(kKeyTable));
    } catch (...) {
        // The journal stays for the next start.
    }
}
