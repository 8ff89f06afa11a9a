#include "kovaset/KovasetErp.h"

#include "core/AppState.h"
#include "core/ErpQueries.h"

namespace {
const char *kGreetingColumns =
    "SELECT TCHK.HesapKodu,TYTK.Adi,TYTK.Adi2,TYTK.Soyadi,TYTK.CepTelBKod,TYTK.CepTel,"
    "Day(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgGun,Month(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgAy,"
    "Year(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgYil,Day(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvGun,"
    "Month(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvAy,Year(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvYil ";
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
