#include "kovaset/KovasetErp.h"

#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"

#include <QSqlError>

namespace {
const char *kGreetingColumns =
    "SELECT TCHK.HesapKodu,TYTK.Adi,TYTK.Adi2,TYTK.Soyadi,TYTK.CepTelBKod,TYTK.CepTel,"
    "Day(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgGun,Month(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgAy,"
    "Year(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgYil,Day(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvGun,"
    "Month(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvAy,Year(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvYil ";

QString driverText(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Veritabanı hatası") : t;
}

// One try: true when the query ran and every row was read.
bool runOnce(const QString &sql, const std::function<void(QSqlQuery &)> &readRows, QString &error)
{
    QSqlQuery q(ErpDb());
    q.setForwardOnly(true);
    if (!q.exec(ErpSqlText(sql))) {
        error = driverText(q.lastError());
        return false;
    }
    readRows(q);
    if (q.lastError().isValid()) {
        error = driverText(q.lastError());
        return false;
    }
    return true;
}
} // namespace

QString KovasetErpQueryFor(const QString &kind, const QString &companyCode)
{
    if (kind == QLatin1String("Kovaset"))
        return QLatin1String(kGreetingColumns) + ErpQueryTail(QStringLiteral("ChkMesaj"), companyCode);
    if (kind == QLatin1String("BakiyeMesaj") || kind == QLatin1String("ChkMesaj") ||
        kind == QLatin1String("GrupMesaj") || kind == QLatin1String("YetkiliMesaj"))
        return ErpQueryColumns(kind) + ErpQueryTail(kind, companyCode);
    return QString();
}

QString KovasetGetErpQuery(const QString &kind) { return KovasetErpQueryFor(kind, gCompanyCode); }

bool IsPlainCompanyCode(const QString &code)
{
    if (code.isEmpty()) return false;
    for (const QChar c : code) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))) return false;
    }
    return true;
}

ErpQueryStatus RunErpQueryReconnectingOnce(const QString &sql, const std::function<void(QSqlQuery &)> &readRows,
                                           QString *error)
{
    QString description;
    const auto report = [&](ErpQueryStatus s) {
        if (error) *error = description;
        return s;
    };
    try {
        OpenErpDb();
    } catch (const std::exception &e) {
        description = QString::fromStdString(e.what());
        return report(ErpQueryStatus::NoConnection);
    }
    if (runOnce(sql, readRows, description)) return report(ErpQueryStatus::Done);
    CloseErpDb();
    try {
        OpenErpDb();
    } catch (const std::exception &e) {
        description = QString::fromStdString(e.what());
        return report(ErpQueryStatus::NoConnection);
    }
    if (runOnce(sql, readRows, description)) return report(ErpQueryStatus::Done);
    return report(ErpQueryStatus::Failed);
}
