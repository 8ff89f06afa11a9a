#include "core/Templates.h"

#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QStringList>
#include <sqlite3.h>

QStringList TemplateKinds()
{
    return {QStringLiteral("BakiyeMesaj"),  QStringLiteral("ChkMesaj"),  QStringLiteral("GrupMesaj"),
            QStringLiteral("YetkiliMesaj"), QStringLiteral("DGunMesaj"), QStringLiteral("EvYilMesaj"),
            QStringLiteral("HizliMesaj")};
}

TemplateHalves SplitTemplateText(const QString &all)
{
    if (all.size() <= kTemplateFirstHalf) return {NonNullText(all), QStringLiteral("")};
    qsizetype cut = kTemplateFirstHalf;
    if (all.at(cut - 1).isHighSurrogate() && all.at(cut).isLowSurrogate()) --cut;
    return {all.left(cut), all.mid(cut)};
}

QVector<TemplateRow> ListTemplates(const QString &kind)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("SELECT id, COALESCE(sablon_p1,'') || COALESCE(sablon_p2,'') "
                                         "FROM tbl_sablonlar WHERE sablon_tip = ? ORDER BY id"),
                          {kind});
    QVector<TemplateRow> rows;
    while (q.next()) rows.append({q.value(0).toLongLong(), q.value(1).toString()});
    return rows;
}

JournalRow TemplateInsertRow(const QString &kind, const QString &all, const QString &msgid, TemplateLayout layout)
{
    const TemplateHalves h = layout == TemplateLayout::WholeNoP2 ? TemplateHalves{NonNullText(all), QStringLiteral("")}
                                                                 : SplitTemplateText(all);
    const bool withP2 = layout == TemplateLayout::SplitEmptyP2 || !h.p2.isEmpty();
    JournalRow row{QStringLiteral("tbl_sablonlar"),
                   {{QStringLiteral("msgid"), NonNullText(msgid)},
                    {QStringLiteral("sablon_tip"), NonNullText(kind)},
                    {QStringLiteral("sablon_p1"), h.p1}}};
    if (withP2) row.values.append({QStringLiteral("sablon_p2"), h.p2});
    return row;
}

qint64 InsertTemplate(const QString &kind, const QString &all, const QString &msgid, TemplateLayout layout)
{
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    InsertJournalRow(db, TemplateInsertRow(kind, all, msgid, layout));
    QSqlQuery q = SqlExec(db, QStringLiteral("SELECT last_insert_rowid()"));
    return q.next() ? q.value(0).toLongLong() : 0;
}

void UpdateTemplate(qint64 id, const QString &all)
{
    OpenLocalDb();
    const TemplateHalves h = SplitTemplateText(all);
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("UPDATE tbl_sablonlar SET sablon_p1 = ?, sablon_p2 = ? "
                                         "WHERE id = ?"),
                          {h.p1, h.p2, id});
    if (q.numRowsAffected() < 1) throw OrvekError(QStringLiteral("Şablon bulunamadı (kayıt silinmiş olabilir)."));
}

bool DeleteTemplate(qint64 id)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("DELETE FROM tbl_sablonlar WHERE id = ?"), {id});
    return q.numRowsAffected() > 0;
}

QStringList TemplateFieldNames(const QString &kind)
{
    const QString sql = GetErpQuery(kind);
    if (sql.isEmpty()) throw OrvekError(QStringLiteral("%1 için ERP sorgusu yok.").arg(kind));
    RequirePlainCompanyCode(gCompanyCode);
    OpenErpDb();
    const auto fail = [](const QSqlQuery &q) {
        const QString t = q.lastError().text().trimmed();
        throw OrvekError(t.isEmpty() ? QStringLiteral("Veritabanı hatası") : t);
    };
    QSqlQuery q(ErpDb());
    q.setForwardOnly(true);
    if (!q.prepare(ErpSqlText(sql))) fail(q);
    QStringList names;
    // SQLite knows the result columns once the text is prepared: no row is read (running it
    // would look for the first row, a scan over every contact when none matches). The server's
    // driver reads only the column descriptions when it runs the text.
    const QVariant handle = q.result()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0) {
        if (sqlite3_stmt *stmt = *static_cast<sqlite3_stmt *const *>(handle.constData())) {
            const int n = sqlite3_column_count(stmt);
            for (int i = 0; i < n; ++i)
                names << QString::fromUtf8(sqlite3_column_name(stmt, i)).remove(QLatin1Char('"'));
            return names;
        }
    }
    if (!q.exec()) fail(q);
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i) names << record.fieldName(i);
    return names;
}
