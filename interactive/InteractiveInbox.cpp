#include "interactive/InteractiveInbox.h"

#include "core/DateText.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/TurkishCase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <functional>
#include <map>

namespace {
const QString kSelectMessages = QStringLiteral("SELECT id, tarih, gsmno, msg FROM tbl_int_msgbox ");
const QString kNewestFirst = QStringLiteral(" ORDER BY tarih DESC, id DESC");

QVariant textValue(const QVariant &v)
{
    return v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.toString());
}

RecordRow messageRow(const QSqlQuery &q)
{
    const QVariant tarih = q.value(1);
    QVariant when(QMetaType::fromType<QDateTime>());
    if (!tarih.isNull()) {
        const QDateTime dt = FromIsoText(tarih.toString());
        if (dt.isValid()) when = dt;
    }
    return RecordRow{QVariant(q.value(0).toLongLong()), when, textValue(q.value(2)), textValue(q.value(3))};
}

RecordSet readMessages(const QString &sql, const QVariantList &binds)
{
    OpenLocalDb();
    RecordSet rs = EmptyInboxSet();
    QSqlQuery q = SqlExec(LocalDb(), sql, binds);
    while (q.next()) rs.addRow(messageRow(q));
    return rs;
}

QString isoText(const QVariant &tarih) { return tarih.isNull() ? QString() : ToIsoText(tarih.toDateTime()); }
} // namespace

RecordSet EmptyInboxSet()
{
    RecordSet rs;
    rs.appendField(QStringLiteral("id"), QMetaType::LongLong);
    rs.appendField(QStringLiteral("tarih"), QMetaType::QDateTime);
    rs.appendField(QStringLiteral("gsmno"));
    rs.appendField(QStringLiteral("msg"));
    return rs;
}

RecordSet EmptyInboxCountSet()
{
    RecordSet rs;
    rs.appendField(QStringLiteral("adet"), QMetaType::LongLong);
    rs.appendField(QStringLiteral("msg"));
    return rs;
}

QString LikePrefixPattern(const QString &prefix)
{
    QString out;
    out.reserve(prefix.size() + 2);
    for (const QChar c : prefix) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_')) out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('%');
    return out;
}

SqlWhere InboxFilterWhere(const InboxFilter &filter)
{
    SqlWhere w;
    w.text = QStringLiteral("WHERE tarih >= ? AND tarih <= ?");
    w.binds << filter.from.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:01")
            << filter.to.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
    if (!filter.keyword.isEmpty()) {
        // Both sides folded: LIKE itself ignores the case of the ASCII letters only.
        w.text += QStringLiteral(" AND TURKISH_FOLD(msg) LIKE ? ESCAPE '\\'");
        w.binds << LikePrefixPattern(TurkishFold(filter.keyword));
    }
    return w;
}

RecordSet LoadInboxMessages(const std::optional<InboxFilter> &filter)
{
    if (!filter) return readMessages(kSelectMessages + kNewestFirst, {});
    const SqlWhere w = InboxFilterWhere(*filter);
    return readMessages(kSelectMessages + w.text + kNewestFirst, w.binds);
}

RecordSet LoadInboxCounts(const std::optional<InboxFilter> &filter)
{
    OpenLocalDb();
    SqlWhere w;
    if (filter) w = InboxFilterWhere(*filter);
    // Each spelling with its count and its first row; the spellings of one fold become one
    // group here.
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("SELECT msg, COUNT(*), MIN(id) FROM tbl_int_msgbox ") + w.text +
                              QStringLiteral(" GROUP BY msg COLLATE BINARY"),
                          w.binds);
    struct Group {
        qint64 count = 0;
        QVariant name;
        qint64 nameCount = 0;
        qint64 nameFirstId = 0;
    };
    // Keyed by (not Null, fold): the Null texts first, then by their folded text.
    std::map<std::pair<bool, QString>, Group> groups;
    while (q.next()) {
        const QVariant text = textValue(q.value(0));
        const qint64 count = q.value(1).toLongLong();
        const qint64 firstId = q.value(2).toLongLong();
        Group &g = groups[{!text.isNull(), text.isNull() ? QString() : TurkishFold(text.toString())}];
        g.count += count;
        if (g.nameCount == 0 || count > g.nameCount || (count == g.nameCount && firstId < g.nameFirstId)) {
            g.name = text;
            g.nameCount = count;
            g.nameFirstId = firstId;
        }
    }
    RecordSet rs = EmptyInboxCountSet();
    for (const auto &entry : groups) rs.addRow({QVariant(entry.second.count), entry.second.name});
    return rs;
}

QString InboxAnswer(qint64 messageId)
{
    OpenLocalDb();
    QSqlQuery q =
        SqlExec(LocalDb(), QStringLiteral("SELECT donusmesaj FROM tbl_int_donus WHERE gelenid = ? ORDER BY id LIMIT 1"),
                {messageId});
    return q.next() && !q.value(0).isNull() ? q.value(0).toString() : QString();
}

InboxSignature ReadInboxSignature()
{
    OpenLocalDb();
    // The shipped database keeps the number of rows in a table of its own, through triggers
    // that every writer's connection runs; a database without them is counted, which walks
    // the whole date index.
    QSqlQuery kept = SqlExec(LocalDb(), QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name IN "
                                                       "('int_msgbox_count', 'int_msgbox_count_insert', "
                                                       "'int_msgbox_count_delete')"));
    const bool countKept = kept.next() && kept.value(0).toInt() == 3;
    kept = QSqlQuery();
    // One statement, so both figures describe the same moment.
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT (%1), (SELECT COALESCE(MAX(id), 0) FROM tbl_int_msgbox)")
                                         .arg(countKept ? QStringLiteral("SELECT n FROM int_msgbox_count LIMIT 1")
                                                        : QStringLiteral("SELECT COUNT(*) FROM tbl_int_msgbox")));
    InboxSignature s;
    if (q.next()) {
        s.count = q.value(0).toLongLong();
        s.maxId = q.value(1).toLongLong();
    }
    return s;
}

InboxUpdate ReadInboxUpdate(const RecordSet &current, const InboxSignature &known)
{
    InboxUpdate u;
    u.signature = ReadInboxSignature();
    if (u.signature == known) return u;

    // Only new rows, all of them newer than the newest row shown: put them on top.
    if (known.count >= 0 && u.signature.count > known.count && u.signature.maxId > known.maxId &&
        current.totalRowCount() == known.count) {
        // The rows after the newest known id, found through the id; "+tarih" keeps the date
        // index out, which would walk every row for this order. The few rows are sorted alone.
        QSqlQuery q = SqlExec(LocalDb(), kSelectMessages + QStringLiteral("WHERE id > ? ORDER BY +tarih DESC, id DESC"),
                              {known.maxId});
        QVector<RecordRow> rows;
        QVector<QString> tarih;
        while (q.next()) {
            tarih << (q.value(1).isNull() ? QString() : q.value(1).toString());
            rows << messageRow(q);
        }
        q = QSqlQuery();
        const bool onlyAdded = known.count + rows.size() == u.signature.count;
        const QString top = current.totalRowCount() > 0 ? isoText(current.row(0).value(kInboxTarih)) : QString();
        const bool onTop = current.totalRowCount() == 0 || (!top.isEmpty() && !tarih.isEmpty() && tarih.last() >= top &&
                                                            FromIsoText(tarih.last()).isValid());
        if (onlyAdded && onTop) {
            u.kind = InboxUpdate::Kind::Prepend;
            u.added = std::move(rows);
            return u;
        }
    }
    u.kind = InboxUpdate::Kind::Reload;
    u.reloaded = LoadInboxMessages();
    // Rows may have come between the two reads: the signature describes what was read.
    u.signature.count = u.reloaded.totalRowCount();
    u.signature.maxId = 0;
    for (int i = 0; i < u.reloaded.totalRowCount(); ++i)
        u.signature.maxId = qMax(u.signature.maxId, u.reloaded.row(i).value(kInboxId).toLongLong());
    return u;
}

int InboxRowOfId(const RecordSet &rs, qint64 id)
{
    for (int i = 0; i < rs.rowCount(); ++i)
        if (rs.row(i).value(kInboxId).toLongLong() == id) return i;
    return -1;
}

void SaveAnswerMode(const QString &mode, const QString &singleAnswer)
{
    InLocalTransaction([&](const QSqlDatabase &) {
        SetParam(QStringLiteral("IntDonusTip"), mode);
        SetParam(QStringLiteral("Int1Mesaj"), singleAnswer);
    });
}

void DeleteInboxMessages(const QVector<qint64> &ids)
{
    if (ids.isEmpty()) return;
    InLocalTransaction([&](const QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("DELETE FROM tbl_int_msgbox WHERE id = ?")))
            throw OrvekError(q.lastError().text());
        for (const qint64 id : ids) {
            q.addBindValue(id);
            if (!q.exec()) throw OrvekError(q.lastError().text());
        }
    });
}

void DeleteAllInboxMessages()
{
    InLocalTransaction([](const QSqlDatabase &db) { SqlExec(db, QStringLiteral("DELETE FROM tbl_int_msgbox")); });
}
