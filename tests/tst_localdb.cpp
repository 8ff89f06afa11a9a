#include "ServiceAddresses.h"
#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/SettingsLoader.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QDate>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QtTest>

namespace {
const QString kStep1 =
    QStringLiteral("Sistem bilgileri kontrol edilemiyor. \r\nSınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz.");
const QString kStep4 = QStringLiteral("Sistem bilgileri kaydedilemiyor.\r\nSınırlı kullanıcı hesabıyla oturum açmış "
                                      "olabilirsiniz\r\nLütfen sistem yöneticinize başvurun.");
const QString kStep8 = QStringLiteral("Programı kullanmaya başlamadan önce Orvek® veritabanına ait sunucu bilgilerini "
                                      "Ayarlar -> Hesap ayarları menüsündeki Sunucu bilgileri bölümüne giriniz.");

void saveErpSettings(ProgramFolderFixture &fx, const QString &server, const QString &db)
{
    base64 codec;
    const QList<QPair<QString, QString>> values = {
        {"OrvekServer", server}, {"OrvekDatabase", db}, {"OrvekUser", "sa"}, {"OrvekPassword", "p'ss"}};
    for (const auto &v : values)
        fx.exec("UPDATE tbl_param SET deger = ? WHERE parametre = ?", {codec.Encode(v.second), v.first});
}
} // namespace

class TestLocalDb : public QObject {
    Q_OBJECT
private slots:
    void shippedDatabaseLayout();
    void loadSettingsAccount_data();
    void loadSettingsAccount();
    void loadSettingsNullFlagFailsStep4();
    void loadSettingsErpSettings();
    void loadSettingsMissingFileCreatesNothing();
    void loadSettingsNoRow();
    void dataAccessHint();
    void sqlQuote_data();
    void sqlQuote();
    void transactionKeepsAllOrNothing_data();
    void transactionKeepsAllOrNothing();
    void transactionOnALockedDatabase();
    void paramsWithApostrophes();
    void setParamOfMissingNameAddsNothing();
    void saveAccountSettingsKeepsOtherAccount();
    void openLocalDbTwiceKeepsConnection();
    void erpStandInRunsTwoPartNamesAndDateAdd();
    void erpStandInMissingDatabaseFails();
    void erpOdbcToClosedPortFails();
    void odbcConnectionStringQuotesValues();
};

void TestLocalDb::shippedDatabaseLayout()
{
    ProgramFolderFixture fx;
    QCOMPARE(fx.scalar("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    const auto cols = fx.rows("SELECT name FROM pragma_table_info('tbl_ayarlar') ORDER BY cid");
    QStringList names;
    for (const auto &c : cols) names << c.first().toString();
    QCOMPARE(names.mid(1, 3), QStringList({"kullanici_adi", "parola", "ckey"}));
    QCOMPARE(names.mid(5),
             QStringList({"flg_kaydet", "kullanici_adi_i", "parola_i", "flg_kaydet_i", "flg_gw", "url_ambrel"}));
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_ayarlar").toInt(), 1);
    QCOMPARE(fx.rows("SELECT flg_kaydet, flg_kaydet_i, flg_gw FROM tbl_ayarlar").first(),
             QVariantList({"0", "0", "0"}));
    QCOMPARE(fx.scalar("SELECT deger FROM tbl_param WHERE parametre='flg_kovaset'").toString(), QStringLiteral("1"));
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_param").toInt(), 14);
}

void TestLocalDb::loadSettingsAccount_data()
{
    QTest::addColumn<QVariant>("flgGw");
    QTest::addColumn<bool>("nullAccount");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("ckey");
    QTest::addColumn<QString>("flg");
    QTest::addColumn<bool>("loaded");
    const QString hosted = QString::fromLatin1(ServiceAddresses::kGatewayUrl);
    QTest::newRow("hosted") << QVariant("0") << false << "Brenvik" << hosted << "ali"
                            << "p1"
                            << "C9"
                            << "1" << true;
    QTest::newRow("hosted, Null account") << QVariant("0") << true << "Brenvik" << hosted << ""
                                          << ""
                                          << ""
                                          << "1" << true;
    QTest::newRow("on-premises") << QVariant("1") << false << "Ambrel"
                                 << "http://10.0.0.5/sms"
                                 << "veli"
                                 << "p2"
                                 << ""
                                 << "0" << true;
    QTest::newRow("other value") << QVariant("2") << false << ""
                                 << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "" << false;
    QTest::newRow("Null") << QVariant(QMetaType(QMetaType::QString)) << false << ""
                          << ""
                          << ""
                          << ""
                          << ""
                          << "" << false;
}

void TestLocalDb::loadSettingsAccount()
{
    QFETCH(QVariant, flgGw);
    QFETCH(bool, nullAccount);
    ProgramFolderFixture fx;
    PromptRecorder prompts;
    if (nullAccount)
        fx.exec("UPDATE tbl_ayarlar SET kullanici_adi=NULL, parola=NULL, ckey=NULL, flg_kaydet='1', flg_gw=?", {flgGw});
    else
        fx.exec("UPDATE tbl_ayarlar SET kullanici_adi='ali', parola='p1', ckey='C9', flg_kaydet='1', "
                "kullanici_adi_i='veli', parola_i='p2', flg_kaydet_i='0', url_ambrel='http://10.0.0.5/sms', flg_gw=?",
                {flgGw});
    saveErpSettings(fx, "srv", "ORVEK");
    LoadSettings();
    QTEST(GatewayKindText(gGatewayKind), "kind");
    QTEST(gGatewayUrl, "url");
    QTEST(gUserName, "user");
    QTEST(gPassword, "password");
    QTEST(gCkey, "ckey");
    QTEST(gFlgKaydet, "flg");
    QTEST(gAccountLoaded, "loaded");
    // The ERP parameters are read whatever flg_gw holds.
    QVERIFY(gErpConfigured);
    QCOMPARE(gErpServer, QStringLiteral("srv"));
    QCOMPARE(prompts.count(), 0);
}

void TestLocalDb::loadSettingsNullFlagFailsStep4()
{
    ProgramFolderFixture fx;
    PromptRecorder prompts;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi_i='veli', flg_kaydet_i=NULL, flg_gw='1'");
    saveErpSettings(fx, "srv", "ORVEK");
    LoadSettings();
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().text, kStep4);
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, QStringLiteral("Brenvik"));
    QVERIFY(!gAccountLoaded);
    QVERIFY(!gErpConfigured);
}

void TestLocalDb::loadSettingsErpSettings()
{
    {
        // Never saved: empty parameters cannot be decoded.
        ProgramFolderFixture fx;
        PromptRecorder prompts;
        LoadSettings();
        QVERIFY(gAccountLoaded);
        QCOMPARE(gGatewayKind, GatewayKind::Brenvik);
        QVERIFY(!gErpConfigured);
        QCOMPARE(prompts.texts(), QStringList{kStep8});
    }
    {
        ProgramFolderFixture fx;
        PromptRecorder prompts;
        saveErpSettings(fx, QStringLiteral("sunucu\\ŞİRKET"), QStringLiteral("ORVEK"));
        LoadSettings();
        QVERIFY(gErpConfigured);
        QCOMPARE(gErpServer, QStringLiteral("sunucu\\ŞİRKET"));
        QCOMPARE(gErpDatabase, QStringLiteral("ORVEK"));
        QCOMPARE(gErpUser, QStringLiteral("sa"));
        QCOMPARE(gErpPassword, QStringLiteral("p'ss"));
        QCOMPARE(prompts.count(), 0);
    }
}

void TestLocalDb::loadSettingsMissingFileCreatesNothing()
{
    ProgramFolderFixture fx(false);
    PromptRecorder prompts;
    LoadSettings();
    QCOMPARE(prompts.texts(), QStringList{kStep1});
    QVERIFY(!gAccountLoaded);
    QVERIFY(!gErpConfigured);
    QVERIFY(!QFile::exists(fx.dbPath()));
}

void TestLocalDb::loadSettingsNoRow()
{
    ProgramFolderFixture fx;
    PromptRecorder prompts;
    fx.exec("DELETE FROM tbl_ayarlar");
    saveErpSettings(fx, "srv", "ORVEK");
    LoadSettings();
    QCOMPARE(prompts.count(), 0);
    QVERIFY(!gAccountLoaded);
    QVERIFY(!gErpConfigured);
}

void TestLocalDb::dataAccessHint()
{
    const QStringList lines = DataAccessHint("2.9").split("\r\n");
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("Talvane veritabanına ulaşılamıyor."));
    QCOMPARE(lines[2], QStringLiteral("Mevcut MDAC sürümünüz : 2.9"));
    QVERIFY(lines[3].endsWith(" paketinin en son sürümünü indirebilirsiniz"));
    GetMdacVersion();
    QVERIFY(gMdacFound);
    QVERIFY(gMdacVersion.startsWith("3."));
}

void TestLocalDb::sqlQuote_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("none") << "abc"
                          << "abc";
    QTest::newRow("one") << "O'Neil"
                         << "O''Neil";
    QTest::newRow("edges and runs") << "'a''b'"
                                    << "''a''''b''";
    QTest::newRow("empty") << ""
                           << "";
}

void TestLocalDb::sqlQuote()
{
    QFETCH(QString, in);
    QTEST(SqlQuote(in), "out");
}

void TestLocalDb::transactionKeepsAllOrNothing_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("kept");
    QTest::newRow("none: committed") << "" << true;
    QTest::newRow("work throws OrvekError") << "orvek" << false;
    QTest::newRow("work throws another exception") << "other" << false;
    // A deferred foreign key fails only at COMMIT, and SQLite keeps the transaction open.
    QTest::newRow("COMMIT fails") << "commit" << false;
}

void TestLocalDb::transactionKeepsAllOrNothing()
{
    QFETCH(QString, failure);
    QFETCH(bool, kept);
    ProgramFolderFixture fx;
    fx.exec("CREATE TABLE t_parent (id INTEGER PRIMARY KEY)");
    fx.exec("CREATE TABLE t_child (id INTEGER PRIMARY KEY, parent INTEGER REFERENCES t_parent(id) "
            "DEFERRABLE INITIALLY DEFERRED)");
    OpenLocalDb();
    QVERIFY(QSqlQuery(LocalDb()).exec("PRAGMA foreign_keys = ON"));

    bool threw = false;
    try {
        InLocalTransaction([&](QSqlDatabase &db) {
            SqlExec(db, "INSERT INTO t_parent VALUES (1)");
            SqlExec(db, "INSERT INTO t_child VALUES (1, ?)", {failure == "commit" ? 2 : 1});
            // Nothing is visible to another program before the commit.
            QCOMPARE(fx.scalar("SELECT count(*) FROM t_parent").toInt(), 0);
            if (failure == "orvek") throw OrvekError("yazılamadı");
            if (failure == "other") throw std::runtime_error("bitti");
        });
    } catch (const std::exception &) {
        threw = true;
    }
    QCOMPARE(threw, !kept);
    QCOMPARE(fx.scalar("SELECT count(*) FROM t_parent").toInt(), kept ? 1 : 0);
    QCOMPARE(fx.scalar("SELECT count(*) FROM t_child").toInt(), kept ? 1 : 0);
    // The connection has left the transaction: the next one begins and commits.
    InLocalTransaction([](QSqlDatabase &db) { SqlExec(db, "INSERT INTO t_parent VALUES (5)"); });
    QCOMPARE(fx.scalar("SELECT count(*) FROM t_parent WHERE id = 5").toInt(), 1);
}

void TestLocalDb::transactionOnALockedDatabase()
{
    ProgramFolderFixture fx;
    OpenLocalDb();
    const auto wait = [] {
        QSqlQuery q = SqlExec(LocalDb(), "PRAGMA busy_timeout");
        return q.next() ? q.value(0).toInt() : -1;
    };
    QCOMPARE(wait(), kLocalBusyTimeoutMs);
    bool ran = false;
    {
        WriteLockHolder lock(fx.dbPath());
        QVERIFY(lock.holds());
        try {
            InLocalTransaction([&](QSqlDatabase &) { ran = true; }, 50);
            QFAIL("a held database must fail the transaction");
        } catch (const OrvekError &e) {
            // The text the retrying writers look for.
            QVERIFY2(IsBusyOrLockedError(e.description()), qPrintable(e.description()));
        }
        QVERIFY(!ran);
        QCOMPARE(wait(), kLocalBusyTimeoutMs);
    }
    // Free again: the work runs with the transaction's own wait, the usual one comes back.
    int inside = -1;
    InLocalTransaction([&](QSqlDatabase &) { inside = wait(); }, 50);
    QCOMPARE(inside, 50);
    QCOMPARE(wait(), kLocalBusyTimeoutMs);
}

void TestLocalDb::paramsWithApostrophes()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_param (parametre, deger) VALUES ('Ali''nin', 'x')");
    QCOMPARE(GetParam("Ali'nin"), QStringLiteral("x"));
    SetParam("Ali'nin", "Ayşe'nin '; DROP TABLE tbl_param; --");
    QCOMPARE(GetParam("Ali'nin"), QStringLiteral("Ayşe'nin '; DROP TABLE tbl_param; --"));
    QCOMPARE(GetParam("flg_kovaset"), QStringLiteral("1"));
    QCOMPARE(GetParam("FLG_KOVASET"), QStringLiteral("1")); // names compare without case
    QCOMPARE(GetParam("yok"), QString());
    fx.exec("UPDATE tbl_param SET deger = NULL WHERE parametre = 'IntPeriyot'");
    QCOMPARE(GetParam("IntPeriyot"), QString());
}

void TestLocalDb::setParamOfMissingNameAddsNothing()
{
    ProgramFolderFixture fx;
    fx.exec("DELETE FROM tbl_param WHERE parametre = 'flg_kovaset'");
    SetParam("flg_kovaset", "1");
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_param WHERE parametre='flg_kovaset'").toInt(), 0);
    QCOMPARE(GetParam("flg_kovaset"), QString());
}

void TestLocalDb::saveAccountSettingsKeepsOtherAccount()
{
    ProgramFolderFixture fx;
    fx.exec("UPDATE tbl_ayarlar SET kullanici_adi='ali', parola='p1', ckey='C9', flg_kaydet='1', "
            "kullanici_adi_i='veli', parola_i='p2', flg_kaydet_i='1', url_ambrel='http://x/', flg_gw='0'");
    SaveAccountSettings("Ay'şe", "pa'ss", "IGNORED", "0", GatewayKind::Ambrel, "http://h/'u");
    QCOMPARE(fx.rows("SELECT * FROM tbl_ayarlar").first(),
             QVariantList({QVariant(QMetaType(QMetaType::QString)), "ali", "p1", "C9",
                           QVariant(QMetaType(QMetaType::QString)), "1", "Ay'şe", "pa'ss", "0", "1", "http://h/'u"}));
    SaveAccountSettings("mehmet", "sifre", "K1", "1", GatewayKind::Brenvik, "IGNORED");
    QCOMPARE(fx.rows("SELECT * FROM tbl_ayarlar").first(),
             QVariantList({QVariant(QMetaType(QMetaType::QString)), "mehmet", "sifre", "K1",
                           QVariant(QMetaType(QMetaType::QString)), "1", "Ay'şe", "pa'ss", "0", "0", "http://h/'u"}));
}

void TestLocalDb::openLocalDbTwiceKeepsConnection()
{
    ProgramFolderFixture fx;
    OpenLocalDb();
    QVERIFY(LocalDb().isOpen());
    OpenLocalDb();
    QVERIFY(LocalDb().isOpen());
    CloseLocalDb();
    QVERIFY(!LocalDb().isOpen());
    OpenLocalDb();
    QVERIFY(LocalDb().isOpen());
    // busy_timeout is set on the connection.
    QSqlQuery q(LocalDb());
    QVERIFY(q.exec("PRAGMA busy_timeout"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 5000);
}

void TestLocalDb::erpStandInRunsTwoPartNamesAndDateAdd()
{
    ProgramFolderFixture fx;
    ErpStandIn erp(fx.folder() + "/erp");
    erp.fillSample();
    erp.configure();
    OpenErpDb();
    QVERIFY(ErpIsStandIn());
    const QString sql =
        ErpSqlText("SELECT TYTK.Adi, DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTarihi "
                   "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK "
                   "WHERE TCHK.HesapKodu = TYTK.Sirket AND TYTK.DogumTar IS NOT NULL ORDER BY TYTK.Adi");
    QVERIFY(sql.contains("DATEADD('Day',"));
    QSqlQuery q = SqlExec(ErpDb(), sql);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("Ayşe"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("1980-03-15 00:00:00"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("Çiğdem"));
    QVERIFY(!q.next());

    QSqlQuery parts = SqlExec(
        ErpDb(), ErpSqlText("SELECT DAY(DATEADD(Day, 0, '1899-12-30')), MONTH(DATEADD(Month, 2, '2024-12-31')), "
                            "YEAR(DATEADD(Year, 1, '2024-02-29'))"));
    QVERIFY(parts.next());
    QCOMPARE(parts.value(0).toInt(), 30);
    QCOMPARE(parts.value(1).toInt(), 2);
    QCOMPARE(parts.value(2).toInt(), 2025);

    // Trailing blanks compare equal, as on SQL Server.
    QSqlQuery rtrim = SqlExec(ErpDb(), "SELECT count(*) FROM HAVLEN401.CHK WHERE HesapKodu = '120.001   '");
    QVERIFY(rtrim.next());
    QCOMPARE(rtrim.value(0).toInt(), 1);

    QSqlQuery companies =
        SqlExec(ErpDb(), "SELECT DISTINCT(SDK.Kod), SIR.KisaAdi FROM SIR, SDK WHERE SDK.SirketKod = SIR.Kod");
    int n = 0;
    while (companies.next()) ++n;
    QCOMPARE(n, 2);
}

void TestLocalDb::erpStandInMissingDatabaseFails()
{
    ProgramFolderFixture fx;
    gErpServer = "sqlite:" + fx.folder() + "/yok";
    gErpDatabase = "ORVEK";
    QVERIFY_THROWS_EXCEPTION(OrvekError, OpenErpDb());
    QVERIFY(!QFile::exists(fx.folder() + "/yok/ORVEK.db"));
}

void TestLocalDb::erpOdbcToClosedPortFails()
{
    ProgramFolderFixture fx;
    // A port that was just free: nothing listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    gErpServer = QStringLiteral("127.0.0.1,%1").arg(port);
    gErpDatabase = "ORVEK";
    gErpUser = "sa";
    gErpPassword = "x";
    QVERIFY(QSqlDatabase::isDriverAvailable("QODBC"));
    QString description;
    try {
        OpenErpDb();
    } catch (const OrvekError &e) {
        description = e.description();
    }
    QVERIFY2(!description.isEmpty(), "the connection should fail");
    // The driver manager found the FreeTDS driver: the failure is the driver's, not a missing driver.
    QVERIFY2(!description.contains("Data source name not found"), qPrintable(description));
    QVERIFY2(!description.contains("Can't open lib"), qPrintable(description));
    QVERIFY(!ErpDb().isOpen());
}

void TestLocalDb::odbcConnectionStringQuotesValues()
{
    QCOMPARE(ErpOdbcConnectionString("srv\\SQL", "ORVEK", "sa", "a;b}c"),
             QStringLiteral("DRIVER={FreeTDS};SERVER={srv\\SQL};DATABASE={ORVEK};UID={sa};PWD={a;b}}c};TDS_Version=7.4;"
                            "ClientCharset=UTF-8"));
}

QTEST_GUILESS_MAIN(TestLocalDb)
#include "tst_localdb.moc"
