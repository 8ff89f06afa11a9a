#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Templates.h"
#include "kovaset/InteractiveCycle.h"
#include "reports/Reports.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"

#include <QDate>
#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <algorithm>

namespace {
const QString kMobile = QStringLiteral("AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') "
                                       "AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");

// The six texts for company "01", written out in full.
const QString kChk01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,TYTK.Soyadi AS "
    "YetkiliSoyadi,TCHK.Kod1,TCHK.Kod2,TCHK.Kod3,TCHK.Kod4,TCHK.Kod5,TCHK.Kod8,TCHK.Kod9,TCHK.Kod10,TCHK.Kod11,TCHK."
    "Kod12,TCHK.Kod13,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
    "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
const QString kGrup01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,TYTK.Soyadi AS "
    "YetkiliSoyadi,TCHK.GrupKod,TFKTK.Aciklama AS GrupKodAck,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK, HAVLEN401.KTK AS TFKTK "
    "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket AND TFKTK.Kod = TCHK.GrupKod AND TFKTK.Tip = 6 "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
const QString kYetkili01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,TYTK.Soyadi AS "
    "YetkiliSoyadi,TYTK.Cinsiyet,DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTarihi,TYTK.MedHal AS "
    "MedeniHali,DATEADD(Day,TYTK.EvlTarih,'1899-12-30') AS "
    "EvlilikTarihi,TYTK.Kod1,TYTK.Kod2,TYTK.Kod3,TYTK.Kod4,TYTK.Kod5,TYTK.Kod8,TYTK.Kod9,TYTK.Kod10,TYTK.Kod11,TYTK."
    "Kod12,TYTK.Kod13,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
    "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
const QString kBakiye01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS YetkiliAdi2,TYTK.Soyadi AS "
    "YetkiliSoyadi,((CiroB+DigerB+IadeFatB+KDVB+OdemeB+DvrB+OtvBorc)-(CiroA+DigerA+IadeFatA+KDVA+OdemeA+DvrA+OtvAlacak)"
    ") AS Bakiye,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
    "WHERE ((CiroB + DigerB + IadeFatB + KDVB + OdemeB + DvrB + OtvBorc) - (CiroA + DigerA + IadeFatA + KDVA + OdemeA "
    "+ DvrA + OtvAlacak)) > 0 "
    "AND TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
const QString kDGun01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS Ad,TYTK.Soyadi AS "
    "Soyad,DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTar,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
    "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
const QString kEvYil01 = QStringLiteral(
    "SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS Ad,TYTK.Soyadi AS "
    "Soyad,DATEADD(Day,TYTK.EvlTarih,'1899-12-30') AS EvlTarih,TYTK.CepTelBKod,TYTK.CepTel "
    "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
    "WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket "
    "AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");

QStringList kindKeys() { return {"BakiyeMesaj", "ChkMesaj", "GrupMesaj", "YetkiliMesaj", "DGunMesaj", "EvYilMesaj"}; }

// One row as "HesapKodu|first name|..." for the given columns, the rows sorted: the texts
// have no ORDER BY.
QStringList rowKeys(const RecordSet &rs, const QStringList &columns)
{
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r) {
        QStringList parts;
        for (const QString &c : columns) {
            const QVariant v = rs.value(r, c);
            if (v.isNull())
                parts << "<null>";
            else if (v.typeId() == QMetaType::QDate)
                parts << v.toDate().toString(Qt::ISODate);
            else
                parts << v.toString();
        }
        out << parts.join('|');
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A stand-in with the sample rows, connected as company "01".
struct Erp {
    ProgramFolderFixture fx;
    ErpStandIn erp{fx.folder() + "/erp"};
    explicit Erp(const std::function<void(ErpStandIn &)> &extra = {})
    {
        erp.fillSample();
        if (extra) extra(erp);
        erp.configure();
        gCompanyCode = "01";
        OpenErpDb();
    }
};
} // namespace

class TestErpQueries : public QObject {
    Q_OBJECT
private slots:
    void textsForCompany01_data();
    void textsForCompany01();
    void unknownKeys_data();
    void unknownKeys();
    void companyCodeReadAtEveryCall();
    void columnsMatchTheTexts();
    void rowsOnStandIn_data();
    void rowsOnStandIn();
    void valuesHaveTheColumnTypes();
    void edgeRows();
    void secondCompany();
    void loadGivesTheDriverValues_data();
    void loadGivesTheDriverValues();
    void failures();
    void reconnectingQuery();
    void plainCompanyCodes_data();
    void plainCompanyCodes();
    void queriesRefuseACompanyCodeThatIsNotPlain_data();
    void queriesRefuseACompanyCodeThatIsNotPlain();
    void normalizeValue_data();
    void normalizeValue();
};

void TestErpQueries::textsForCompany01_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("tables");
    QTest::newRow("ChkMesaj") << "ChkMesaj" << kChk01 << 2;
    QTest::newRow("GrupMesaj") << "GrupMesaj" << kGrup01 << 3;
    QTest::newRow("YetkiliMesaj") << "YetkiliMesaj" << kYetkili01 << 2;
    QTest::newRow("BakiyeMesaj") << "BakiyeMesaj" << kBakiye01 << 2;
    QTest::newRow("DGunMesaj") << "DGunMesaj" << kDGun01 << 2;
    QTest::newRow("EvYilMesaj") << "EvYilMesaj" << kEvYil01 << 2;
}

void TestErpQueries::textsForCompany01()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QFETCH(int, tables);
    ResetAppState();
    gCompanyCode = "01";
    const QString sql = GetErpQuery(kind);
    QCOMPARE(sql, expected);
    QVERIFY(sql.endsWith(kMobile));
    QCOMPARE(int(sql.count("HAVLEN401.")), tables);
    QCOMPARE(int(sql.count("HAVLEN4")), tables);
    QVERIFY(!sql.contains("Kod6") && !sql.contains("Kod7") && !sql.contains("ORDER BY"));
    QCOMPARE(kind, QTest::currentDataTag()); // the key is left unchanged
}

void TestErpQueries::unknownKeys_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("lower case") << "chkmesaj";
    QTest::newRow("upper case") << "CHKMESAJ";
    QTest::newRow("quick message") << "HizliMesaj";
    QTest::newRow("trailing blank") << "ChkMesaj ";
    QTest::newRow("empty") << "";
}

void TestErpQueries::unknownKeys()
{
    QFETCH(QString, kind);
    gCompanyCode = "01";
    QCOMPARE(GetErpQuery(kind), QString());
    QVERIFY(ErpColumns(kind).isEmpty());
}

void TestErpQueries::companyCodeReadAtEveryCall()
{
    gCompanyCode = "01";
    const QString first = GetErpQuery("GrupMesaj");
    gCompanyCode = "17";
    const QString second = GetErpQuery("GrupMesaj");
    QCOMPARE(second, QString(first).replace("HAVLEN401.", "HAVLEN417."));
    // Spliced unchanged, without quoting.
    gCompanyCode = "0'1";
    QVERIFY(GetErpQuery("ChkMesaj").contains("FROM HAVLEN40'1.CHK AS TCHK, HAVLEN40'1.YTK AS TYTK "));
    gCompanyCode.clear();
    QVERIFY(GetErpQuery("ChkMesaj").contains("FROM HAVLEN4.CHK AS TCHK, HAVLEN4.YTK AS TYTK "));
}

void TestErpQueries::columnsMatchTheTexts()
{
    Erp e;
    const QMap<QString, int> counts = {{"ChkMesaj", 19},   {"GrupMesaj", 10}, {"YetkiliMesaj", 23},
                                       {"BakiyeMesaj", 9}, {"DGunMesaj", 8},  {"EvYilMesaj", 8}};
    for (const QString &kind : kindKeys()) {
        QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(GetErpQuery(kind)));
        const QSqlRecord rec = q.record();
        QStringList names;
        for (int i = 0; i < rec.count(); ++i) names << rec.fieldName(i);
        QCOMPARE(ErpColumnNames(kind), names);
        QCOMPARE(int(names.size()), counts.value(kind));
        QCOMPARE(names.mid(names.size() - 2), QStringList({"CepTelBKod", "CepTel"}));
    }
    QCOMPARE(ErpColumnNames("DGunMesaj").at(5), QStringLiteral("DogumTar"));
    QCOMPARE(ErpColumnNames("EvYilMesaj").at(5), QStringLiteral("EvlTarih"));
    QCOMPARE(ErpColumnNames("YetkiliMesaj").mid(7, 3), QStringList({"DogumTarihi", "MedeniHali", "EvlilikTarihi"}));
}

void TestErpQueries::rowsOnStandIn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("expected");
    const QStringList person = {"HesapKodu", "YetkiliAdi", "YetkiliSoyadi", "CepTelBKod", "CepTel"};
    QTest::newRow("ChkMesaj")
        << "ChkMesaj"
        << (QStringList(person) << "Unvan1"
                                << "Kod1"
                                << "Kod2")
        << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|Çağlar Gıda Ltd. Şti.|İSTANBUL|K2"),
                        QStringLiteral("120.001|Gülşen|Çelik|542|1112233|Çağlar Gıda Ltd. Şti.|İSTANBUL|K2"),
                        QStringLiteral("120.001|İsmail|Öztürk|505|7654321|Çağlar Gıda Ltd. Şti.|İSTANBUL|K2"),
                        QStringLiteral("120.002|Irmak|Ilgaz|554|3334455|Işık Tekstil A.Ş.|İSTANBUL|K2"),
                        QStringLiteral("120.004|Çiğdem|Şen|555|4445566|Şen Otomotiv|İSTANBUL|K2")});
    QTest::newRow("GrupMesaj") << "GrupMesaj"
                               << (QStringList(person) << "GrupKod"
                                                       << "GrupKodAck")
                               << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|G01|Bayiler"),
                                               QStringLiteral("120.001|Gülşen|Çelik|542|1112233|G01|Bayiler"),
                                               QStringLiteral("120.001|İsmail|Öztürk|505|7654321|G01|Bayiler"),
                                               QStringLiteral("120.004|Çiğdem|Şen|555|4445566|G01|Bayiler")});
    QTest::newRow("YetkiliMesaj")
        << "YetkiliMesaj"
        << (QStringList(person) << "Cinsiyet"
                                << "DogumTarihi"
                                << "MedeniHali"
                                << "EvlilikTarihi"
                                << "Kod1")
        << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|K|1980-03-15|Evli|2005-06-20|Y1"),
                        QStringLiteral("120.001|Gülşen|Çelik|542|1112233|K|<null>|Bekar|<null>|Y1"),
                        QStringLiteral("120.001|İsmail|Öztürk|505|7654321|E|<null>|Bekar|<null>|Y1"),
                        QStringLiteral("120.002|Irmak|Ilgaz|554|3334455|K|<null>|Bekar|<null>|Y1"),
                        QStringLiteral("120.004|Çiğdem|Şen|555|4445566|K|1975-12-01|Bekar|<null>|Y1")});
    QTest::newRow("BakiyeMesaj") << "BakiyeMesaj" << (QStringList(person) << "Bakiye")
                                 << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|1250.75"),
                                                 QStringLiteral("120.001|Gülşen|Çelik|542|1112233|1250.75"),
                                                 QStringLiteral("120.001|İsmail|Öztürk|505|7654321|1250.75")});
    const QStringList greet = {"HesapKodu", "Ad", "Soyad", "CepTelBKod", "CepTel"};
    QTest::newRow("DGunMesaj") << "DGunMesaj" << (QStringList(greet) << "DogumTar")
                               << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|1980-03-15"),
                                               QStringLiteral("120.001|Gülşen|Çelik|542|1112233|<null>"),
                                               QStringLiteral("120.001|İsmail|Öztürk|505|7654321|<null>"),
                                               QStringLiteral("120.002|Irmak|Ilgaz|554|3334455|<null>"),
                                               QStringLiteral("120.004|Çiğdem|Şen|555|4445566|1975-12-01")});
    QTest::newRow("EvYilMesaj") << "EvYilMesaj" << (QStringList(greet) << "EvlTarih")
                                << QStringList({QStringLiteral("120.001|Ayşe|Yılmaz|532|1234567|2005-06-20"),
                                                QStringLiteral("120.001|Gülşen|Çelik|542|1112233|<null>"),
                                                QStringLiteral("120.001|İsmail|Öztürk|505|7654321|<null>"),
                                                QStringLiteral("120.002|Irmak|Ilgaz|554|3334455|<null>"),
                                                QStringLiteral("120.004|Çiğdem|Şen|555|4445566|<null>")});
}

void TestErpQueries::rowsOnStandIn()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, expected);
    Erp e;
    const RecordSet rs = LoadErpRecordSet(kind);
    QCOMPARE(rs.fieldNames(), ErpColumnNames(kind));
    std::sort(expected.begin(), expected.end());
    QCOMPARE(rowKeys(rs, columns), expected);
}

void TestErpQueries::valuesHaveTheColumnTypes()
{
    Erp e;
    for (const QString &kind : kindKeys()) {
        const RecordSet rs = LoadErpRecordSet(kind);
        QVERIFY(rs.rowCount() > 0);
        for (int c = 0; c < rs.fieldCount(); ++c) {
            QCOMPARE(rs.field(c).type, ErpColumns(kind).at(c).type);
            for (int r = 0; r < rs.rowCount(); ++r)
                QVERIFY2(rs.value(r, c).typeId() == rs.field(c).type, qPrintable(kind + "." + rs.field(c).name));
        }
    }
    const QVector<RecordField> y = ErpColumns("YetkiliMesaj");
    QCOMPARE(y.at(7).type, QMetaType::QDate);
    QCOMPARE(y.at(9).type, QMetaType::QDate);
    QCOMPARE(ErpColumns("BakiyeMesaj").at(6).type, QMetaType::Double);
    QCOMPARE(ErpColumns("DGunMesaj").at(5).type, QMetaType::QDate);
    QCOMPARE(ErpColumns("ChkMesaj").at(18).type, QMetaType::QString);
}

void TestErpQueries::edgeRows()
{
    Erp e([](ErpStandIn &erp) {
        // Trailing blanks count as empty, as on SQL Server; day 0 is 30 December 1899.
        erp.addContact("01", {{"Sirket", "120.004"}, {"Adi", "Boşluk"}, {"CepTelBKod", "533"}, {"CepTel", "   "}});
        erp.addContact("01", {{"Sirket", "120.004"},
                              {"Adi", "Sıfır"},
                              {"CepTelBKod", "533"},
                              {"CepTel", "7778899"},
                              {"DogumTar", 0},
                              {"EvlTarih", ErpStandIn::dayNumber(2024, 2, 29)}});
        // A second account with a balance only just above 0 and one exactly 0.
        erp.addAccount("01", {{"HesapKodu", "120.010"}, {"KartTip", 0}, {"CiroB", 0.01}});
        erp.addContact("01", {{"Sirket", "120.010"}, {"Adi", "Kuruş"}, {"CepTelBKod", "544"}, {"CepTel", "1110000"}});
        erp.addAccount("01", {{"HesapKodu", "120.011"}, {"KartTip", 0}, {"CiroB", 5}, {"DvrA", 5}});
        erp.addContact("01", {{"Sirket", "120.011"}, {"Adi", "Sıfırlı"}, {"CepTelBKod", "544"}, {"CepTel", "2220000"}});
    });
    const RecordSet y = LoadErpRecordSet("YetkiliMesaj");
    QStringList names;
    for (int r = 0; r < y.rowCount(); ++r) names << y.value(r, "YetkiliAdi").toString();
    QVERIFY(!names.contains(QStringLiteral("Boşluk")));
    const int zero = int(names.indexOf(QStringLiteral("Sıfır")));
    QVERIFY(zero >= 0);
    QCOMPARE(y.value(zero, "DogumTarihi"), QVariant(QDate(1899, 12, 30)));
    QCOMPARE(y.value(zero, "EvlilikTarihi"), QVariant(QDate(2024, 2, 29)));
    // A Null text stays Null, typed as text.
    QVERIFY(y.value(zero, "Unvan2").isNull());
    QCOMPARE(y.value(zero, "Unvan2").typeId(), int(QMetaType::QString));

    const RecordSet b = LoadErpRecordSet("BakiyeMesaj");
    QStringList balances = rowKeys(b, {"HesapKodu", "Bakiye"});
    balances.removeDuplicates();
    QCOMPARE(balances, QStringList({"120.001|1250.75", "120.010|0.01"}));
}

void TestErpQueries::secondCompany()
{
    Erp e;
    gCompanyCode = "02";
    const RecordSet g = LoadErpRecordSet("GrupMesaj");
    QCOMPARE(rowKeys(g, {"HesapKodu", "YetkiliAdi", "GrupKodAck"}),
             QStringList({QStringLiteral("320.001|Deniz|Toptancılar")}));
    QCOMPARE(LoadErpRecordSet("BakiyeMesaj").value(0, "Bakiye"), QVariant(10.0));
}

void TestErpQueries::loadGivesTheDriverValues_data()
{
    QTest::addColumn<QString>("company");
    QTest::newRow("01, several rows") << "01";
    QTest::newRow("02, one row") << "02";
    QTest::newRow("03, no rows") << "03";
}

// The loader keeps texts in the set's shared blocks and other values by column; every cell
// must still be what the driver gives through NormalizeErpValue, of the same type and
// nullness (an empty text is not Null), also for a value stored with another type than its
// column's (a blob in a text column).
void TestErpQueries::loadGivesTheDriverValues()
{
    QFETCH(QString, company);
    Erp e([](ErpStandIn &erp) {
        erp.addCompany("03", QStringLiteral("Boş Şirket"));
        erp.addContact("01", {{"Sirket", "120.004"},
                              {"Adi", QByteArray("Blob \xc3\xbcnvan")},
                              {"Soyadi", QString()},
                              {"Kod3", QString("")},
                              {"CepTelBKod", "536"},
                              {"CepTel", "5556677"},
                              {"DogumTar", ErpStandIn::dayNumber(1999, 1, 31)}});
    });
    gCompanyCode = company;
    for (const QString &kind : kindKeys()) {
        const QVector<RecordField> fields = ErpColumns(kind);
        QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(GetErpQuery(kind)));
        QVector<QVector<QVariant>> expected;
        while (q.next()) {
            QVector<QVariant> row;
            for (int c = 0; c < fields.size(); ++c) row << NormalizeErpValue(q.value(c), fields[c].type);
            expected << row;
        }
        const RecordSet rs = LoadErpRecordSet(kind);
        QCOMPARE(rs.rowCount(), int(expected.size()));
        for (int r = 0; r < rs.rowCount(); ++r)
            for (int c = 0; c < rs.fieldCount(); ++c) {
                const QVariant got = rs.value(r, c), want = expected[r][c];
                const QByteArray where = (kind + " row " + QString::number(r) + " " + fields[c].name).toUtf8();
                QVERIFY2(got.typeId() == want.typeId() && got.isNull() == want.isNull() && got == want,
                         where.constData());
            }
    }
}

void TestErpQueries::failures()
{
    Erp e;
    QVERIFY_THROWS_EXCEPTION(OrvekError, LoadErpRecordSet("HizliMesaj"));
    gCompanyCode = "99";
    try {
        LoadErpRecordSet("ChkMesaj");
        QFAIL("a missing company must fail");
    } catch (const OrvekError &err) {
        QVERIFY(!err.description().isEmpty());
    }
    gCompanyCode.clear();
    QVERIFY_THROWS_EXCEPTION(OrvekError, LoadErpRecordSet("ChkMesaj"));
}

// A query that fails on the open connection is run once more on a reopened one: a company
// whose tables came after the connection opened is found there. The reader sees only the
// try that ran.
void TestErpQueries::reconnectingQuery()
{
    Erp e;
    int reads = 0, rows = 0;
    QString error;
    const auto count = [&](QSqlQuery &q) {
        ++reads;
        rows = 0;
        while (q.next()) ++rows;
    };

    gCompanyCode = "01";
    QCOMPARE(RunErpQueryReconnectingOnce(GetErpQuery("ChkMesaj"), count, &error), ErpQueryStatus::Done);
    QCOMPARE(reads, 1);
    QVERIFY(error.isEmpty());

    reads = 0;
    gCompanyCode = "09";
    QCOMPARE(RunErpQueryReconnectingOnce(GetErpQuery("ChkMesaj"), count, &error), ErpQueryStatus::Failed);
    QCOMPARE(reads, 0);
    QVERIFY(!error.isEmpty());
    try {
        RunErpQueryReconnectOnce(GetErpQuery("ChkMesaj"));
        QFAIL("a missing company must fail");
    } catch (const OrvekError &err) {
        QVERIFY(!err.description().isEmpty());
    }

    e.erp.addCompany("09", QStringLiteral("Yeni Şirket"));
    e.erp.addAccount("09", {{"HesapKodu", "120.001"}, {"Unvan1", QStringLiteral("Yeni Ltd.")}, {"KartTip", 0}});
    e.erp.addContact("09", {{"Sirket", "120.001"}, {"Adi", "Ayşe"}, {"CepTelBKod", "532"}, {"CepTel", "1234567"}});
    QVERIFY(ErpDb().isOpen());
    QCOMPARE(RunErpQueryReconnectingOnce(GetErpQuery("YetkiliMesaj"), count, &error), ErpQueryStatus::Done);
    QCOMPARE(reads, 1);
    QCOMPARE(rows, 1);
    QCOMPARE(RunErpQueryReconnectOnce(GetErpQuery("YetkiliMesaj")).rowCount(), 1);

    CloseErpDb();
    gErpDatabase = QStringLiteral("YOK");
    reads = 0;
    QCOMPARE(RunErpQueryReconnectingOnce(GetErpQuery("ChkMesaj"), count, &error), ErpQueryStatus::NoConnection);
    QCOMPARE(reads, 0);
    QVERIFY(!error.isEmpty());
    QVERIFY_THROWS_EXCEPTION(OrvekError, RunErpQueryReconnectOnce(GetErpQuery("ChkMesaj")));
}

void TestErpQueries::plainCompanyCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("plain");
    QTest::newRow("digits") << "01" << true;
    QTest::newRow("letters and digits") << "Ab9z" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("apostrophe") << "0'1" << false;
    QTest::newRow("dot") << "01.CHK" << false;
    QTest::newRow("blank") << " 01" << false;
    QTest::newRow("Turkish letter") << QStringLiteral("Ş1") << false;
    QTest::newRow("full-width digit") << QStringLiteral("０1") << false;
}

void TestErpQueries::plainCompanyCodes()
{
    QFETCH(QString, code);
    QFETCH(bool, plain);
    QCOMPARE(IsPlainCompanyCode(code), plain);
}

void TestErpQueries::queriesRefuseACompanyCodeThatIsNotPlain_data()
{
    QTest::addColumn<int>("query");
    QTest::newRow("recipient list") << 0;
    QTest::newRow("template fields") << 1;
    QTest::newRow("report contacts") << 2;
}

// The company code comes from the ERP's own company list and goes into the table names: a code
// that is more than letters and digits never reaches the server.
void TestErpQueries::queriesRefuseACompanyCodeThatIsNotPlain()
{
    QFETCH(int, query);
    Erp e;
    gCompanyCode = "01.CHK AS T; DELETE FROM HAVLEN401.CHK; SELECT 1 FROM HAVLEN401";
    try {
        if (query == 0) LoadErpRecordSet("ChkMesaj");
        if (query == 1) TemplateFieldNames("ChkMesaj");
        if (query == 2) ContactNames::load();
        QFAIL("the query ran");
    } catch (const OrvekError &err) {
        QVERIFY2(err.description().startsWith(QStringLiteral("Şirket kodu geçersiz: 01.CHK")),
                 qPrintable(err.description()));
    }
    gCompanyCode = "01";
    QVERIFY(LoadErpRecordSet("ChkMesaj").rowCount() > 0);
}

void TestErpQueries::normalizeValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("expected");
    const int text = QMetaType::QString, date = QMetaType::QDate, number = QMetaType::Double;
    const QDate wedding(2005, 6, 20);
    QTest::newRow("date from ODBC date-time") << QVariant(QDateTime(wedding, QTime(0, 0))) << date << QVariant(wedding);
    QTest::newRow("date from ODBC date") << QVariant(wedding) << date << QVariant(wedding);
    QTest::newRow("date from stand-in text") << QVariant("2005-06-20 00:00:00") << date << QVariant(wedding);
    QTest::newRow("date from ISO date") << QVariant("2005-06-20") << date << QVariant(wedding);
    QTest::newRow("date from bad text") << QVariant("20.06.2005") << date << QVariant(QMetaType(QMetaType::QDate));
    QTest::newRow("date from impossible day")
        << QVariant("2005-02-30 00:00:00") << date << QVariant(QMetaType(QMetaType::QDate));
    QTest::newRow("date Null") << QVariant(QMetaType(QMetaType::QDateTime)) << date
                               << QVariant(QMetaType(QMetaType::QDate));
    QTest::newRow("number from double") << QVariant(1250.75) << number << QVariant(1250.75);
    QTest::newRow("number from decimal text") << QVariant("1250.7500") << number << QVariant(1250.75);
    QTest::newRow("number from negative text") << QVariant("-300") << number << QVariant(-300.0);
    QTest::newRow("number from integer") << QVariant(qlonglong(10)) << number << QVariant(10.0);
    QTest::newRow("number from garbage") << QVariant("abc") << number << QVariant(QMetaType(QMetaType::Double));
    QTest::newRow("number Null") << QVariant() << number << QVariant(QMetaType(QMetaType::Double));
    QTest::newRow("text") << QVariant(QStringLiteral("Çağlar")) << text << QVariant(QStringLiteral("Çağlar"));
    QTest::newRow("text from integer") << QVariant(532) << text << QVariant("532");
    QTest::newRow("text from bytes") << QVariant(QByteArray("G\xC4\xB1")) << text << QVariant(QStringLiteral("Gı"));
    QTest::newRow("text Null") << QVariant(QMetaType(QMetaType::QString)) << text
                               << QVariant(QMetaType(QMetaType::QString));
    QTest::newRow("empty text stays empty") << QVariant(QString("")) << text << QVariant(QString(""));
}

void TestErpQueries::normalizeValue()
{
    QFETCH(QVariant, value);
    QFETCH(int, type);
    QFETCH(QVariant, expected);
    const QVariant got = NormalizeErpValue(value, QMetaType::Type(type));
    QCOMPARE(got.typeId(), type);
    QCOMPARE(got.isNull(), expected.isNull());
    if (!expected.isNull()) QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestErpQueries)
#include "tst_erpqueries.moc"
