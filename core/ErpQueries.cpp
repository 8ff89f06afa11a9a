#include "core/ErpQueries.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
enum class Kind { None, Bakiye, Chk, Grup, Yetkili, DGun, EvYil };

Kind kindOf(const QString &key)
{
    if (key == QLatin1String("BakiyeMesaj")) return Kind::Bakiye;
    if (key == QLatin1String("ChkMesaj")) return Kind::Chk;
    if (key == QLatin1String("GrupMesaj")) return Kind::Grup;
    if (key == QLatin1String("YetkiliMesaj")) return Kind::Yetkili;
    if (key == QLatin1String("DGunMesaj")) return Kind::DGun;
    if (key == QLatin1String("EvYilMesaj")) return Kind::EvYil;
    return Kind::None;
}

const char *selectPiece(Kind kind)
{
    switch (kind) {
    case Kind::Chk:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,"
               "TYTK.Soyadi AS YetkiliSoyadi,TCHK.Kod1,TCHK.Kod2,TCHK.Kod3,TCHK.Kod4,TCHK.Kod5,TCHK.Kod8,"
               "TCHK.Kod9,TCHK.Kod10,TCHK.Kod11,TCHK.Kod12,TCHK.Kod13,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::Grup:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,"
               "TYTK.Soyadi AS YetkiliSoyadi,TCHK.GrupKod,TFKTK.Aciklama AS GrupKodAck,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::Yetkili:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,"
               "TYTK.Soyadi AS YetkiliSoyadi,TYTK.Cinsiyet,DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTarihi,"
               "TYTK.MedHal AS MedeniHali,DATEADD(Day,TYTK.EvlTarih,'1899-12-30') AS EvlilikTarihi,TYTK.Kod1,"
               "TYTK.Kod2,TYTK.Kod3,TYTK.Kod4,TYTK.Kod5,TYTK.Kod8,TYTK.Kod9,TYTK.Kod10,TYTK.Kod11,TYTK.Kod12,"
               "TYTK.Kod13,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::Bakiye:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,"
               "TYTK.Soyadi AS YetkiliSoyadi,((CiroB+DigerB+IadeFatB+KDVB+OdemeB+DvrB+OtvBorc)-"
               "(CiroA+DigerA+IadeFatA+KDVA+OdemeA+DvrA+OtvAlacak)) AS Bakiye,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::DGun:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS Ad,TYTK.Soyadi AS Soyad,"
               "DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTar,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::EvYil:
        return "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS Ad,TYTK.Soyadi AS Soyad,"
               "DATEADD(Day,TYTK.EvlTarih,'1899-12-30') AS EvlTarih,TYTK.CepTelBKod,TYTK.CepTel ";
    case Kind::None:
        break;
    }
    return "";
}

const char *conditionPieces(Kind kind)
{
    switch (kind) {
    case Kind::Grup:
        return "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket AND TFKTK.Kod = TCHK.GrupKod "
               "AND TFKTK.Tip = 6 ";
    case Kind::Bakiye:
        return "WHERE ((CiroB + DigerB + IadeFatB + KDVB + OdemeB + DvrB + OtvBorc) - (CiroA + DigerA + "
               "IadeFatA + KDVA + OdemeA + DvrA + OtvAlacak)) > 0 AND TCHK.KartTip = 0 "
               "AND TCHK.HesapKodu = TYTK.Sirket ";
    default:
        return "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket ";
    }
}

QVector<RecordField> columnsOf(Kind kind)
{
    const auto text = [](const char *name) { return RecordField{QString::fromLatin1(name), QMetaType::QString, 0}; };
    const auto date = [](const char *name) { return RecordField{QString::fromLatin1(name), QMetaType::QDate, 0}; };
    const auto number = [](const char *name) { return RecordField{QString::fromLatin1(name), QMetaType::Double, 0}; };
    const auto kods = [&](QVector<RecordField> &f) {
        for (const char *k :
             {"Kod1", "Kod2", "Kod3", "Kod4", "Kod5", "Kod8", "Kod9", "Kod10", "Kod11", "Kod12", "Kod13"})
            f << text(k);
    };
    QVector<RecordField> f;
    switch (kind) {
    case Kind::None:
        return f;
    case Kind::DGun:
    case Kind::EvYil:
        f << text("HesapKodu") << text("Unvan1") << text("Unvan2") << text("Ad") << text("Soyad")
          << date(kind == Kind::DGun ? "DogumTar" : "EvlTarih");
        break;
    default:
        f << text("HesapKodu") << text("Unvan1") << text("Unvan2") << text("YetkiliAdi") << text("YetkiliAdi2")
          << text("YetkiliSoyadi");
        if (kind == Kind::Chk) kods(f);
        if (kind == Kind::Grup) f << text("GrupKod") << text("GrupKodAck");
        if (kind == Kind::Bakiye) f << number("Bakiye");
        if (kind == Kind::Yetkili) {
            f << text("Cinsiyet") << date("DogumTarihi") << text("MedeniHali") << date("EvlilikTarihi");
            kods(f);
        }
        break;
    }
    f << text("CepTelBKod") << text("CepTel");
    return f;
}

// "yyyy-MM-dd" at the start of an ISO text (the stand-in's dates), without QDateTime's parser.
QDate isoDate(const QString &s)
{
    if (s.size() < 10 || s.at(4) != QLatin1Char('-') || s.at(7) != QLatin1Char('-')) return QDate();
    int parts[3] = {0, 0, 0};
    const int from[3] = {0, 5, 8}, len[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = from[p]; i < from[p] + len[p]; ++i) {
            const char16_t c = s.at(i).unicode();
            if (c < u'0' || c > u'9') return QDate();
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    if (s.size() > 10 && s.at(10) != QLatin1Char(' ') && s.at(10) != QLatin1Char('T')) return QDate();
    return QDate(parts[0], parts[1], parts[2]);
}
} // namespace

QString ErpQueryColumns(const QString &kind) { return QLatin1String(selectPiece(kindOf(kind))); }

QString ErpQueryTail(const QString &kind, const QString &companyCode)
{
    const Kind k = kindOf(kind);
    if (k == Kind::None) return QString();
    const QString &code = companyCode;
    QString sql = QLatin1String("FROM HAVLEN4") + code + QLatin1String(".CHK AS TCHK, HAVLEN4") + code;
    if (k == Kind::Grup)
        sql += QLatin1String(".YTK AS TYTK, HAVLEN4") + code + QLatin1String(".KTK AS TFKTK ");
    else
        sql += QLatin1String(".YTK AS TYTK ");
    sql += QLatin1String(conditionPieces(k));
    sql += QLatin1String("AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') "
                         "AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
    return sql;
}

QString GetErpQuery(const QString &kind)
{
    if (kindOf(kind) == Kind::None) return QString();
    return ErpQueryColumns(kind) + ErpQueryTail(kind, gCompanyCode);
}

QVector<RecordField> ErpColumns(const QString &kind) { return columnsOf(kindOf(kind)); }

QStringList ErpColumnNames(const QString &kind)
{
    QStringList names;
    for (const RecordField &f : columnsOf(kindOf(kind))) names << f.name;
    return names;
}

QVariant NormalizeErpValue(const QVariant &value, QMetaType::Type type)
{
    const auto null = [type] { return QVariant(QMetaType(type)); };
    if (value.isNull()) return null();
    const int from = value.typeId();
    switch (type) {
    case QMetaType::QString:
        if (from == QMetaType::QString) return value;
        if (from == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
        return value.toString();
    case QMetaType::QDate: {
        QDate d;
        if (from == QMetaType::QDate) return value;
        if (from == QMetaType::QDateTime)
            d = value.toDateTime().date();
        else if (from == QMetaType::QString)
            d = isoDate(value.toString());
        else if (from == QMetaType::QByteArray)
            d = isoDate(QString::fromLatin1(value.toByteArray()));
        return d.isValid() ? QVariant(d) : null();
    }
    case QMetaType::Double: {
        if (from == QMetaType::Double) return value;
        bool ok = false;
        double x = 0;
        if (from == QMetaType::QString)
            x = value.toString().trimmed().toDouble(&ok);
        else if (from == QMetaType::QByteArray)
            x = value.toByteArray().trimmed().toDouble(&ok);
        else
            x = value.toDouble(&ok);
        return ok ? QVariant(x) : null();
    }
    default: {
        QVariant v = value;
        return v.convert(QMetaType(type)) ? v : null();
    }
    }
}

RecordSet LoadErpRecordSet(const QString &kind)
{
    const QVector<RecordField> fields = ErpColumns(kind);
    if (fields.isEmpty()) throw OrvekError(QStringLiteral("Bilinmeyen mesaj türü: %1").arg(kind));
    RequirePlainCompanyCode(gCompanyCode);
    QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(GetErpQuery(kind)));
    const int n = int(fields.size());
    if (q.record().count() < n) throw OrvekError(QStringLiteral("ERP sorgusu beklenen %1 sütunu döndürmedi.").arg(n));
    QVector<QMetaType::Type> types(n);
    for (int c = 0; c < n; ++c) types[c] = fields[c].type;

    RecordSet rs(fields);
    while (q.next()) {
        for (int c = 0; c < n; ++c) {
            const QVariant v = NormalizeErpValue(q.value(c), types[c]);
            // A text goes into the set's shared text blocks: the driver's string is freed with
            // the row instead of staying as one allocation per cell.
            const QString *text =
                v.typeId() == QMetaType::QString ? static_cast<const QString *>(v.constData()) : nullptr;
            if (types[c] == QMetaType::QString && text && !text->isNull())
                rs.appendText(c, *text);
            else
                rs.appendValue(c, v);
        }
        rs.endRow();
    }
    if (q.lastError().isValid()) throw OrvekError(q.lastError().text());
    return rs;
}

bool IsAsciiLettersAndDigits(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))) return false;
    }
    return true;
}

bool IsPlainCompanyCode(const QString &code) { return !code.isEmpty() && IsAsciiLettersAndDigits(code); }

void RequirePlainCompanyCode(const QString &code)
{
    if (!IsPlainCompanyCode(code)) throw OrvekError(QStringLiteral("Şirket kodu geçersiz: ") + code);
}

namespace {
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

// Opens the ERP connection; false with the reason when it does not open.
bool openErp(QString &error)
{
    try {
        OpenErpDb();
        return true;
    } catch (const std::exception &e) {
        error = QString::fromStdString(e.what());
        return false;
    }
}
} // namespace

ErpQueryStatus RunErpQueryReconnectingOnce(const QString &sql, const std::function<void(QSqlQuery &)> &readRows,
                                           QString *error)
{
    QString description;
    const auto report = [&](ErpQueryStatus s) {
        if (error) *error = description;
        return s;
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) CloseErpDb();
        if (!openErp(description)) return report(ErpQueryStatus::NoConnection);
        if (runOnce(sql, readRows, description)) return report(ErpQueryStatus::Done);
    }
    return report(ErpQueryStatus::Failed);
}
