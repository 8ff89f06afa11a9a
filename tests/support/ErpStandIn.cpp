#include "tests/support/ErpStandIn.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
QString chkDdl()
{
    QString sql = QStringLiteral("CREATE TABLE CHK (HesapKodu TEXT COLLATE RTRIM, Unvan1 TEXT COLLATE RTRIM, "
                                 "Unvan2 TEXT COLLATE RTRIM, KartTip INTEGER DEFAULT 0");
    for (int i = 1; i <= 13; ++i) sql += QStringLiteral(", Kod%1 TEXT COLLATE RTRIM").arg(i);
    sql += QStringLiteral(", GrupKod TEXT COLLATE RTRIM");
    for (const char *c : {"CiroA", "CiroB", "DigerA", "DigerB", "IadeFatA", "IadeFatB", "KDVA", "KDVB", "OdemeA",
                          "OdemeB", "DvrA", "DvrB", "OtvBorc", "OtvAlacak"})
        sql += QStringLiteral(", %1 REAL DEFAULT 0").arg(QLatin1String(c));
    return sql + QStringLiteral(")");
}

QString ytkDdl()
{
    QString sql = QStringLiteral("CREATE TABLE YTK (Sirket TEXT COLLATE RTRIM, Adi TEXT COLLATE RTRIM, "
                                 "Adi2 TEXT COLLATE RTRIM, Soyadi TEXT COLLATE RTRIM, Cinsiyet TEXT COLLATE RTRIM, "
                                 "DogumTar INTEGER, MedHal TEXT COLLATE RTRIM, EvlTarih INTEGER");
    for (int i = 1; i <= 13; ++i) sql += QStringLiteral(", Kod%1 TEXT COLLATE RTRIM").arg(i);
    return sql + QStringLiteral(", CepTelBKod TEXT COLLATE RTRIM, CepTel TEXT COLLATE RTRIM)");
}

void insertMap(ErpStandIn &erp, const QString &file, const QString &table, const QVariantMap &values)
{
    QStringList cols, marks;
    QVariantList binds;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        cols << it.key();
        marks << QStringLiteral("?");
        binds << it.value();
    }
    erp.exec(file,
             QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                 .arg(table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
             binds);
}

QString companyFile(const QString &code) { return QStringLiteral("HAVLEN4") + code; }
} // namespace

ErpStandIn::ErpStandIn(const QString &folder, const QString &database) : m_folder(folder), m_database(database)
{
    QDir().mkpath(folder);
    exec(m_database,
         QStringLiteral("CREATE TABLE IF NOT EXISTS SIR (Kod TEXT COLLATE RTRIM, KisaAdi TEXT COLLATE RTRIM)"));
    exec(m_database,
         QStringLiteral("CREATE TABLE IF NOT EXISTS SDK (Kod TEXT COLLATE RTRIM, SirketKod TEXT COLLATE RTRIM)"));
}

ErpStandIn::~ErpStandIn()
{
    for (const QString &name : m_connections) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

QString ErpStandIn::connectionFor(const QString &file)
{
    const QString name = QStringLiteral("erp-standin-%1-%2").arg(quintptr(this)).arg(file);
    if (!QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QDir(m_folder).filePath(file + QStringLiteral(".db")));
        if (!db.open()) qFatal("stand-in: %s", qPrintable(db.lastError().text()));
        m_connections << name;
    }
    return name;
}

void ErpStandIn::exec(const QString &file, const QString &sql, const QVariantList &binds)
{
    try {
        SqlExec(QSqlDatabase::database(connectionFor(file), false), sql, binds);
    } catch (const OrvekError &e) {
        qFatal("stand-in exec failed: %s\n%s", qPrintable(e.description()), qPrintable(sql));
    }
}

void ErpStandIn::begin(const QString &company)
{
    QSqlDatabase::database(connectionFor(companyFile(company)), false).transaction();
}
void ErpStandIn::commit(const QString &company)
{
    QSqlDatabase::database(connectionFor(companyFile(company)), false).commit();
}

void ErpStandIn::addCompanyListRow(const QString &sdkKod, const QString &sirKod, const QString &shortName)
{
    exec(m_database, QStringLiteral("INSERT INTO SIR (Kod, KisaAdi) VALUES (?, ?)"), {sirKod, shortName});
    exec(m_database, QStringLiteral("INSERT INTO SDK (Kod, SirketKod) VALUES (?, ?)"), {sdkKod, sirKod});
}

void ErpStandIn::addCompany(const QString &code, const QString &shortName)
{
    addCompanyListRow(code, code, shortName);
    const QString file = companyFile(code);
    exec(file, chkDdl());
    exec(file, ytkDdl());
    exec(file, QStringLiteral("CREATE TABLE KTK (Kod TEXT COLLATE RTRIM, Tip INTEGER, Aciklama TEXT COLLATE RTRIM)"));
}

void ErpStandIn::addAccount(const QString &company, const QVariantMap &values)
{
    insertMap(*this, companyFile(company), QStringLiteral("CHK"), values);
}

void ErpStandIn::addContact(const QString &company, const QVariantMap &values)
{
    insertMap(*this, companyFile(company), QStringLiteral("YTK"), values);
}

void ErpStandIn::addCode(const QString &company, const QString &kod, int tip, const QString &aciklama)
{
    exec(companyFile(company), QStringLiteral("INSERT INTO KTK (Kod, Tip, Aciklama) VALUES (?, ?, ?)"),
         {kod, tip, aciklama});
}

int ErpStandIn::dayNumber(int year, int month, int day)
{
    return int(QDate(1899, 12, 30).daysTo(QDate(year, month, day)));
}

void ErpStandIn::fillSample()
{
    addCompany(QStringLiteral("01"), QStringLiteral("Merkez Ticaret"));
    addCompany(QStringLiteral("02"), QStringLiteral("Şube Dağıtım"));
    const QString c1 = QStringLiteral("01"), c2 = QStringLiteral("02");
    addCode(c1, QStringLiteral("G01"), 6, QStringLiteral("Bayiler"));
    addCode(c1, QStringLiteral("G02"), 5, QStringLiteral("Bölge kodu"));
    addCode(c2, QStringLiteral("G01"), 6, QStringLiteral("Toptancılar"));

    auto account = [&](const QString &co, const QString &kod, const QString &unvan, int kartTip, const QString &grup,
                       double borc, double alacak) {
        addAccount(co, {{"HesapKodu", kod},
                        {"Unvan1", unvan},
                        {"Unvan2", QString()},
                        {"KartTip", kartTip},
                        {"Kod1", QStringLiteral("İSTANBUL")},
                        {"Kod2", QStringLiteral("K2")},
                        {"GrupKod", grup},
                        {"CiroB", borc},
                        {"OdemeA", alacak}});
    };
    account(c1, "120.001", QStringLiteral("Çağlar Gıda Ltd. Şti."), 0, "G01", 2000.75, 750);
    account(c1, "120.002", QStringLiteral("Işık Tekstil A.Ş."), 0, "G02", 100, 100);
    account(c1, "120.003", QStringLiteral("Öztürk İnşaat"), 1, "G01", 500, 0);
    account(c1, "120.004", QStringLiteral("Şen Otomotiv"), 0, "G01", 0, 300);
    account(c1, "120.005", QStringLiteral("Boş Hesap"), 0, "G01", 10, 0);
    account(c2, "320.001", QStringLiteral("Deniz Yapı"), 0, "G01", 10, 0);

    auto contact = [&](const QString &co, const QString &sirket, const QString &adi, const QString &soyadi,
                       const QVariant &bkod, const QVariant &tel, const QString &cinsiyet, const QVariant &dogum,
                       const QVariant &evl) {
        addContact(co, {{"Sirket", sirket},
                        {"Adi", adi},
                        {"Adi2", QString()},
                        {"Soyadi", soyadi},
                        {"Cinsiyet", cinsiyet},
                        {"DogumTar", dogum},
                        {"MedHal", evl.isNull() ? "Bekar" : "Evli"},
                        {"EvlTarih", evl},
                        {"Kod1", QStringLiteral("Y1")},
                        {"CepTelBKod", bkod},
                        {"CepTel", tel}});
    };
    const QVariant none{QMetaType(QMetaType::Int)};
    contact(c1, "120.001", QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), "532", "1234567", "K",
            dayNumber(1980, 3, 15), dayNumber(2005, 6, 20));
    contact(c1, "120.001", QStringLiteral("İsmail"), QStringLiteral("Öztürk"), "505", "7654321", "E", none, none);
    contact(c1, "120.001", QStringLiteral("Gülşen"), QStringLiteral("Çelik"), "542", "1112233", "K", none, none);
    contact(c1, "120.002", QStringLiteral("Şükrü"), QStringLiteral("Ağaoğlu"), "533", "", "E", none, none);
    contact(c1, "120.002", QStringLiteral("Ümit"), QStringLiteral("Işık"), QVariant(QMetaType(QMetaType::QString)),
            "2223344", "E", none, none);
    contact(c1, "120.002", QStringLiteral("Irmak"), QStringLiteral("Ilgaz"), "554", "3334455", "K", none, none);
    contact(c1, "120.003", QStringLiteral("Ömer"), QStringLiteral("Öz"), "535", "9998877", "E", none, none);
    contact(c1, "120.004", QStringLiteral("Çiğdem"), QStringLiteral("Şen"), "555", "4445566", "K",
            dayNumber(1975, 12, 1), none);
    contact(c2, "320.001", QStringLiteral("Deniz"), QStringLiteral("Kaya"), "506", "1231231", "E", none, none);
}

void ErpStandIn::configure() const
{
    gErpServer = serverSetting();
    gErpDatabase = m_database;
    gErpUser = QStringLiteral("sa");
    gErpPassword = QStringLiteral("demo");
    gErpConfigured = true;
}

ErpSampleCopies::ErpSampleCopies(const std::function<void(ErpStandIn &)> &extra)
{
    ErpStandIn sample(m_dir.path());
    sample.fillSample();
    if (extra) extra(sample);
}

QString ErpSampleCopies::copyInto(const QString &folder) const
{
    QDir().mkpath(folder);
    const QDir from(m_dir.path());
    for (const QString &file : from.entryList({"*.db"}, QDir::Files))
        QFile::copy(from.filePath(file), QDir(folder).filePath(file));
    return folder;
}
