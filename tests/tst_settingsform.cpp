#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gateway.h"
#include "core/LocalDb.h"
#include "core/SettingsLoader.h"
#include "core/Startup.h"
#include "settings/SettingsForm.h"
#include "tests/support/Recorders.h"
#include "tests/support/SettingsServers.h"

#include <QSqlDatabase>
#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)
Q_DECLARE_METATYPE(PromptIcon)
Q_DECLARE_METATYPE(GatewayKind)

namespace {
const QString kAccountTitle = QStringLiteral("Brenvik Kullanıcı hesapları");
const QString kWrongUser = QStringLiteral("Kullanıcı bilgilerinizde hata var. Lütfen kontrol ediniz.");
const QString kBlankBrenvik = QStringLiteral("Girdiğiniz kullanıcı bilgilerinde hata var. Lütfen kontrol ediniz.");
const QString kBlankAmbrelUrl = QStringLiteral("Lütfen Ambrel uygulamasının bulunduğu adresi belirtin.");
const QString kUnreachable =
    QStringLiteral("internet bağlantınızdaki bir sorun nedeniyle mesaj merkezine ulaşılamıyor.\r\nİnternet "
                   "bağlantınız, kapalı ya da bir güvenlik uygulaması denetiminde olabilir.\r\nLütfen internet "
                   "bağlantınızı kontrol ediniz.");
const QString kSaved = QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi.");
const QString kReset = QStringLiteral(
    "Kullanıcı hesap bilgileriniz başarıyla kaydedildi.\r\nAncak hesap değişikliği yapıldığı için otomatik mesaj "
    "özelliği kapatıldı.\r\nOtomatik mesaj özelliğini kullanmak istiyorsanız lütfen ayarlarınızı yeniden "
    "düzenleyiniz.");
const QString kErpFailed = QStringLiteral(
    "Orvek® veritabanı bağlantısı kurulamıyor.\r\nLütfen sunucu bilgilerinin doğruluğunu kontrol ediniz.");
const QString kNoText = QStringLiteral("Lütfen gönderilecek mesajı giriniz.");
const QString kNoOriginator = QStringLiteral("Lütfen gönderen bilgisini belirtiniz.");
const QString kPeriod = QStringLiteral("Kontrol süresi en az 1 dakika olabilir. Lütfen kontrol süresini belirtiniz.");
const QString kIntMissing = QStringLiteral("Lütfen İnteraktif SMS kullanıcı bilgilerinizi giriniz.");
const QString kIntWrong = QStringLiteral("Hatalı İnteraktif SMS kullanıcı adı/parola");
const QString kIntUnchecked = QStringLiteral("İnteraktif SMS hesap bilgileri kontrol edilemiyor.");
const QString kIntUnreachable = QStringLiteral("İnteraktif SMS merkeziyle bağlantı kurulamıyor.");
const QString kCreditFailed =
    QStringLiteral("Kontör bilgisi görüntülenemiyor.\r\nMesaj merkeziyle bağlantı kurulamadı.");

QString getInfoBody(const QString &user, const QString &password)
{
    return QStringLiteral("<MainReportRoot><UserName>") + user + QStringLiteral("</UserName><PassWord>") + password +
           QStringLiteral("</PassWord><Action>4</Action></MainReportRoot>");
}

QString gathwinBody(const QString &user, const QString &password)
{
    return QStringLiteral("<GathwinMain><UserName>") + user + QStringLiteral("</UserName><PassWord>") + password +
           QStringLiteral("</PassWord><Action>0</Action><List>REC READ</List></GathwinMain>");
}

QString b64(const QString &plain) { return base64().Encode(plain); }

// A program folder with the servers, and window values that save completely.
struct Bench {
    ProgramFolderFixture folder;
    SettingsServers servers{folder};
    SettingsValues v;
    LoadedAccount loaded;

    Bench()
    {
        servers.gateway.setReply(QStringLiteral("4"), QStringLiteral("1500\nORVEK\nTALVANE\n"));
        v.option = GatewayKind::Brenvik;
        v.orvekUser = QStringLiteral("demo");
        v.orvekPassword = QStringLiteral("parola");
        v.orvekClientCode = QStringLiteral("B001");
        v.saveOrvek = true;
        v.server = servers.erpServer();
        v.database = SettingsServers::erpDatabase();
        v.start = QTime(9, 0, 0);
        v.end = QTime(18, 30, 5);
        v.period = QStringLiteral("5");
        loaded.gateway = GatewayKind::Brenvik;
        loaded.user = QStringLiteral("demo");
        loaded.clientCode = QStringLiteral("B001");
    }
    void useAmbrel(const QString &path = QStringLiteral("/ambrel/sms.asp"))
    {
        v.option = GatewayKind::Ambrel;
        v.ambrelUrl = servers.gateway.server().url(path);
        v.ambrelUser = QStringLiteral("veli");
        v.ambrelPassword = QStringLiteral("gizli");
        v.saveAmbrel = false;
        gGatewayKind = GatewayKind::Ambrel;
        gGatewayUrl = v.ambrelUrl;
        gUserName = QStringLiteral("veli");
        gPassword = QStringLiteral("gizli");
        gCkey.clear();
        loaded.gateway = GatewayKind::Ambrel;
        loaded.user = QStringLiteral("veli");
        loaded.clientCode.clear();
    }
    SettingsSaveOutcome save() { return SaveSettings(v, loaded); }
    QStringList actions() const { return servers.gateway.actions(); }
    QVariantList kovasetRow()
    {
        const auto rows = folder.rows(QStringLiteral("SELECT flg_dgun_mesaj, dgun_mesaj, dgun_gonderen, "
                                                     "flg_evyil_mesaj, evyil_mesaj, evyil_gonderen FROM "
                                                     "tbl_kovaset_ayar WHERE sirket_kod = '01'"));
        return rows.value(0);
    }
};

QStringList erpWrites(const QString &server, const QString &database, const QString &user, const QString &password)
{
    const auto coded = [](const QString &s) { return s.isEmpty() ? QString() : b64(s); };
    return {QStringLiteral("param OrvekServer=") + coded(server),
            QStringLiteral("param OrvekDatabase=") + coded(database), QStringLiteral("param OrvekUser=") + coded(user),
            QStringLiteral("param OrvekPassword=") + coded(password)};
}
} // namespace

class TestSettingsForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void completeSaveWritesInOrder();
    void refusedSaveChangesNothing_data();
    void refusedSaveChangesNothing();
    void failedTestGivesBackRunPermission_data();
    void failedTestGivesBackRunPermission();
    void storedEmptiesAreText_data();
    void storedEmptiesAreText();
    void accountReplies_data();
    void accountReplies();
    void blankAccountFields_data();
    void blankAccountFields();
    void accountChange_data();
    void accountChange();
    void erpServerStep();
    void greetingChecks_data();
    void greetingChecks();
    void greetingTextsAndTemplates();
    void interactiveStep_data();
    void interactiveStep();
    void databaseFailureMidSave_data();
    void databaseFailureMidSave();
    void completionFailure_data();
    void completionFailure();
    void noCompanyStillCompletes();

    void fillOriginators_data();
    void fillOriginators();
    void fillReadsStoredSettings();
    void fillGoesOnAfterFailures();
    void fillWithoutCompanyRow();

    void erpTrialConnection();
    void creditQuery_data();
    void creditQuery();
    void hostedAddressReachesLoadSettings();
};

void TestSettingsForm::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

// --- Save -----------------------------------------------------------------------------------

void TestSettingsForm::completeSaveWritesInOrder()
{
    Bench b;
    b.v.reportNames = true;
    const SettingsSaveOutcome out = b.save();
    QCOMPARE(out.end, SettingsSaveOutcome::End::Completed);
    QVERIFY(out.box);
    QCOMPARE(out.box->text, kSaved);
    QCOMPARE(out.box->icon, PromptIcon::Information);
    QCOMPARE(out.box->title, QStringLiteral("Brenvik"));
    QVERIFY(out.closeCaption);
    // Nothing is started before the completion box has been shown.
    QVERIFY(b.servers.launches.isEmpty());
    QCOMPARE(out.runPermissionBefore, QStringLiteral("1"));
    QCOMPARE(FinishSettingsSave(out.runPermissionBefore), std::nullopt);

    QStringList expected = erpWrites(b.v.server, b.v.database, QString(), QString());
    expected << "param flg_raporad=1"
             << "param flg_kovaset=0"
             << "ayarlar 0"
             << "kovaset 01 00"
             << "kovaset 01 00"
             << "param KovasetBasla=09:00:00"
             << "param KovasetBitir=18:30:05"
             << "param flg_interaktif=0"
             << "param IntKullanici="
             << "param IntParola="
             << "param IntPeriyot=5"
             << "param flg_kovaset=1"
             << "launch flg_kovaset=1";
    QCOMPARE(b.servers.writes(), expected);
    QCOMPARE(b.servers.launches, QStringList{KovasetProgramPath()});

    // The account test went to the hosted gateway with the login name user-client code.
    QCOMPARE(b.servers.gateway.bodies(), QStringList{getInfoBody("demo-B001", "parola")});
    QCOMPARE(b.servers.gateway.requests().first().path, QByteArray("/sms/com.strova"));
    QCOMPARE(b.servers.gathwin.requestCount(), 0);
    QCOMPARE(gErpServer, b.v.server);
    QCOMPARE(gErpDatabase, QStringLiteral("ORVEK"));
}

// Every check of the typed values refuses before anything is asked or stored: the operator's
// other edits (a new ERP server, the report option, a ticked greeting with its template, an
// interactive account) are not written, and the automatic program keeps running.
void TestSettingsForm::refusedSaveChangesNothing_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("focus");
    const int crit = int(PromptIcon::Critical), info = int(PromptIcon::Information);
    const QString birthday = QStringLiteral("Doğum günü tebriği");
    const QString anniversary = QStringLiteral("Evlilik yıldönümü tebriği");
    const QString interactive = QStringLiteral("İnteraktif SMS");
    QTest::newRow("Brenvik user") << "orvekUser" << kBlankBrenvik << crit << kAccountTitle << 0 << "txtOrvekKullanici";
    QTest::newRow("Brenvik password") << "orvekPassword" << kBlankBrenvik << crit << kAccountTitle << 0
                                      << "txtOrvekKullanici";
    QTest::newRow("Brenvik client code") << "orvekClientCode" << kBlankBrenvik << crit << kAccountTitle << 0
                                         << "txtOrvekKullanici";
    QTest::newRow("Ambrel address") << "ambrelUrl" << kBlankAmbrelUrl << crit << kAccountTitle << 0 << "txtAmbrelYolu";
    QTest::newRow("Ambrel user") << "ambrelUser" << kWrongUser << crit << kAccountTitle << 0 << "txtAmbrelKullanici";
    QTest::newRow("Ambrel password") << "ambrelPassword" << kWrongUser << crit << kAccountTitle << 0
                                     << "txtAmbrelKullanici";
    QTest::newRow("birthday text") << "birthdayText" << kNoText << info << birthday << 1 << "txtDGunMesaj";
    QTest::newRow("birthday originator") << "birthdayOriginator" << kNoOriginator << info << birthday << 1
                                         << "cbDGunOrg";
    QTest::newRow("anniversary text") << "anniversaryText" << kNoText << info << anniversary << 1 << "txtEvYilMesaj";
    QTest::newRow("anniversary originator")
        << "anniversaryOriginator" << kNoOriginator << info << anniversary << 1 << "cbEvYilOrg";
    QTest::newRow("interactive user") << "interactiveUser" << kIntMissing << int(PromptIcon::None) << "Brenvik" << 2
                                      << "txtIntKullanici";
    QTest::newRow("interactive password")
        << "interactivePassword" << kIntMissing << int(PromptIcon::None) << "Brenvik" << 2 << "txtIntKullanici";
    QTest::newRow("period, service on") << "period on" << kPeriod << crit << interactive << 2 << "txtDk";
    QTest::newRow("period, service off") << "period off" << kPeriod << crit << interactive << 2 << "txtDk";
}

void TestSettingsForm::refusedSaveChangesNothing()
{
    QFETCH(QString, refused);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(int, tab);
    QFETCH(QString, focus);
    Bench b;
    if (refused.startsWith(QLatin1String("ambrel"))) b.useAmbrel();
    b.v.reportNames = true;
    b.v.birthdayOn = b.v.anniversaryOn = true;
    b.v.birthdayText = b.v.anniversaryText = QStringLiteral("İyi ki doğdunuz [##Adi##]");
    b.v.birthdayOriginator = b.v.anniversaryOriginator = QStringLiteral("ORVEK");
    b.v.birthdayTemplate = b.v.anniversaryTemplate = true;
    b.v.interactiveOn = true;
    b.v.interactiveUser = QStringLiteral("isim");
    b.v.interactivePassword = QStringLiteral("sifre");
    b.v.start = QTime(7, 0, 0);
    const QHash<QString, QString *> boxes{
        {"orvekUser", &b.v.orvekUser},
        {"orvekPassword", &b.v.orvekPassword},
        {"orvekClientCode", &b.v.orvekClientCode},
        {"ambrelUrl", &b.v.ambrelUrl},
        {"ambrelUser", &b.v.ambrelUser},
        {"ambrelPassword", &b.v.ambrelPassword},
        {"birthdayText", &b.v.birthdayText},
        {"birthdayOriginator", &b.v.birthdayOriginator},
        {"anniversaryText", &b.v.anniversaryText},
        {"anniversaryOriginator", &b.v.anniversaryOriginator},
        {"interactiveUser", &b.v.interactiveUser},
        {"interactivePassword", &b.v.interactivePassword},
    };
    if (QString *box = boxes.value(refused)) {
        *box = refused.endsWith(QLatin1String("Password")) ? QStringLiteral(" ") : QString();
    } else {
        b.v.interactiveOn = refused == QLatin1String("period on");
        b.v.period = b.v.interactiveOn ? QString() : QStringLiteral("0");
    }

    const SettingsSaveOutcome out = b.save();
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QVERIFY(out.box);
    QCOMPARE(out.box->text, text);
    QCOMPARE(int(out.box->icon), icon);
    QCOMPARE(out.box->title, title);
    QCOMPARE(out.tab, tab);
    QCOMPARE(out.focus, focus);
    QVERIFY(!out.closeCaption);
    QVERIFY(!out.clearInteractiveAccount);
    // No row of the settings tables changed, nothing was asked, nothing started.
    QCOMPARE(b.servers.writes(), QStringList());
    QVERIFY(b.servers.launches.isEmpty());
    QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("1"));
    QCOMPARE(b.servers.gateway.requestCount(), 0);
    QCOMPARE(b.servers.gathwin.requestCount(), 0);
    QCOMPARE(gErpServer, QString());
}

// A server test that fails once the automatic program has been told to end: the steps before
// stay stored, the run permission goes back to what it was, and the program is started again
// only when it was allowed to run.
void TestSettingsForm::failedTestGivesBackRunPermission_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    for (const char *before : {"1", "0"}) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(
                qPrintable(QStringLiteral("%1, flg_kovaset %2").arg(QLatin1String(name), QLatin1String(before))));
        };
        row("gateway 01") << "01" << before << kWrongUser;
        row("gateway out of reach") << "-1" << before << kUnreachable;
        row("interactive err 01") << "err 01" << before << kIntWrong;
        row("interactive err 04") << "err 04" << before << kIntUnchecked;
    }
}

void TestSettingsForm::failedTestGivesBackRunPermission()
{
    QFETCH(QString, failure);
    QFETCH(QString, before);
    QFETCH(QString, text);
    Bench b;
    b.folder.exec("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_kovaset'", {before});
    b.servers.clearWrites();
    b.v.reportNames = true;
    b.v.interactiveUser = QStringLiteral("isim");
    b.v.interactivePassword = QStringLiteral("sifre");
    const bool interactive = failure.startsWith(QLatin1String("err"));
    if (failure == QLatin1String("-1"))
        b.servers.gateway.setReply(QStringLiteral("4"), FakeReply::closed());
    else if (!interactive)
        b.servers.gateway.setReply(QStringLiteral("4"), FakeReply::text(failure));
    else
        b.servers.gathwin.setReply(FakeReply::text(failure));

    const SettingsSaveOutcome out = b.save();
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QVERIFY(out.box);
    QCOMPARE(out.box->text, text);
    QCOMPARE(out.tab, interactive ? 2 : (failure == QLatin1String("01") ? 0 : -1));

    QStringList writes = b.servers.writes();
    QVERIFY2(writes.contains(QStringLiteral("param flg_raporad=1")), qPrintable(writes.join('|')));
    QCOMPARE(writes.contains(QStringLiteral("param KovasetBasla=09:00:00")), interactive);
    const qsizetype stop = writes.indexOf(QStringLiteral("param flg_kovaset=0"));
    QVERIFY(stop >= 0);
    QStringList restored{QStringLiteral("param flg_kovaset=") + before};
    if (before == QLatin1String("1")) restored << QStringLiteral("launch flg_kovaset=1");
    QCOMPARE(writes.mid(writes.size() - restored.size()), restored);
    QCOMPARE(b.servers.param("flg_kovaset"), before);
    QCOMPARE(b.servers.launches, before == QLatin1String("1") ? QStringList{KovasetProgramPath()} : QStringList());
}

// What the settings writes store for an empty value is the empty text, never Null: other
// programs reading the file tell the two apart.
void TestSettingsForm::storedEmptiesAreText_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("where");
    const QString param = QStringLiteral("tbl_param");
    const QString greeting = QStringLiteral("tbl_kovaset_ayar");
    const QString company = QStringLiteral("sirket_kod = '01'");
    QTest::newRow("emptied ERP password") << "serverPassword" << param << "deger"
                                          << "parametre = 'OrvekPassword'";
    QTest::newRow("emptied ERP login") << "serverUser" << param << "deger"
                                       << "parametre = 'OrvekUser'";
    QTest::newRow("interactive user, no account") << "interactive" << param << "deger"
                                                  << "parametre = 'IntKullanici'";
    QTest::newRow("interactive password, no account") << "interactive" << param << "deger"
                                                      << "parametre = 'IntParola'";
    QTest::newRow("birthday originator never chosen") << "originators" << greeting << "dgun_gonderen" << company;
    QTest::newRow("anniversary originator never chosen") << "originators" << greeting << "evyil_gonderen" << company;
    QTest::newRow("birthday text, empty box") << "texts" << greeting << "dgun_mesaj" << company;
    QTest::newRow("anniversary text, empty box") << "texts" << greeting << "evyil_mesaj" << company;
    QTest::newRow("originator after the account reset") << "reset" << greeting << "evyil_gonderen" << company;
    QTest::newRow("client code of a hosted account") << "account Brenvik"
                                                     << "tbl_ayarlar"
                                                     << "ckey"
                                                     << "1";
    QTest::newRow("address of an on-premises account") << "account Ambrel"
                                                       << "tbl_ayarlar"
                                                       << "url_ambrel"
                                                       << "1";
}

void TestSettingsForm::storedEmptiesAreText()
{
    QFETCH(QString, change);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, where);
    Bench b;
    // Every value starts out filled, so that only a write can leave it empty or Null.
    b.folder.exec(QStringLiteral("UPDATE %1 SET %2 = 'ZXNraQ==' WHERE %3").arg(table, column, where));
    if (change == QLatin1String("serverPassword")) b.v.serverPassword = QString();
    if (change == QLatin1String("serverUser")) b.v.serverUser = QString();
    if (change == QLatin1String("interactive")) b.v.interactiveUser = b.v.interactivePassword = QString();
    if (change == QLatin1String("originators")) b.v.birthdayOriginator = b.v.anniversaryOriginator = QString();
    if (change == QLatin1String("texts")) b.v.birthdayText = b.v.anniversaryText = QString();
    if (change == QLatin1String("reset")) b.v.orvekUser = QStringLiteral("Demo");
    if (change.startsWith(QLatin1String("account"))) {
        const GatewayKind kind = change.endsWith(QLatin1String("Ambrel")) ? GatewayKind::Ambrel : GatewayKind::Brenvik;
        SaveAccountSettings(QStringLiteral("veli"), QStringLiteral("gizli"), QString(), QStringLiteral("1"), kind,
                            QString());
    } else {
        const SettingsSaveOutcome out = b.save();
        QCOMPARE(out.end, change == QLatin1String("reset") ? SettingsSaveOutcome::End::AccountReset
                                                           : SettingsSaveOutcome::End::Completed);
    }
    const auto rows =
        b.folder.rows(QStringLiteral("SELECT %2 IS NULL, %2 = '' FROM %1 WHERE %3").arg(table, column, where));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), (QVariantList{0, 1}));
}

void TestSettingsForm::accountReplies_data()
{
    QTest::addColumn<bool>("ambrel");
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("focus");

    for (const bool ambrel : {false, true}) {
        const char *branch = ambrel ? "Ambrel: " : "Brenvik: ";
        const QString userBox = ambrel ? QStringLiteral("txtAmbrelKullanici") : QStringLiteral("txtOrvekKullanici");
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromLatin1(branch) + QLatin1String(name)));
        };
        row("good") << ambrel << FakeReply::text("1500\nORVEK\n") << true << kSaved << -1 << QString();
        row("credit line only") << ambrel << FakeReply::text("1500") << true << kSaved << -1 << QString();
        row("01") << ambrel << FakeReply::text("01") << false << kWrongUser << 0 << userBox;
        row("03 as 01") << ambrel << FakeReply::text("03") << false << kWrongUser << 0 << userBox;
        row("no answer") << ambrel << FakeReply::closed() << false << kUnreachable << -1 << QString();
        row("HTML page") << ambrel << FakeReply::html("<HTML><BODY>Proxy</BODY></HTML>") << false << kUnreachable << -1
                         << QString();
        row("html page, error status") << ambrel << FakeReply::html("<html>down</html>", 503) << false << kUnreachable
                                       << -1 << QString();
        row("05") << ambrel << FakeReply::text("05") << false << kUnreachable << -1 << QString();
        row("02") << ambrel << FakeReply::text("02") << false << kUnreachable << -1 << QString();
        row("-2") << ambrel << FakeReply::text("-2") << false << kUnreachable << -1 << QString();
        row("empty") << ambrel << FakeReply::text("") << false << kUnreachable << -1 << QString();
        row("fragment 1") << ambrel << FakeReply::text("1") << false << kUnreachable << -1 << QString();
    }
}

void TestSettingsForm::accountReplies()
{
    QFETCH(bool, ambrel);
    QFETCH(FakeReply, reply);
    QFETCH(bool, saved);
    QFETCH(QString, text);
    QFETCH(int, tab);
    QFETCH(QString, focus);
    Bench b;
    if (ambrel) b.useAmbrel();
    b.servers.gateway.setReply(QStringLiteral("4"), reply);
    const QString urlBefore = gGatewayUrl;
    b.servers.clearWrites();

    const SettingsSaveOutcome out = b.save();
    QVERIFY(out.box);
    QCOMPARE(out.box->text, text);
    QCOMPARE(out.box->icon, saved ? PromptIcon::Information : PromptIcon::Critical);
    QCOMPARE(out.box->title, saved ? QStringLiteral("Brenvik") : kAccountTitle);
    QCOMPARE(out.tab, tab);
    QCOMPARE(out.focus, focus);
    QCOMPARE(out.closeCaption, saved);
    QCOMPARE(out.end, saved ? SettingsSaveOutcome::End::Completed : SettingsSaveOutcome::End::Stopped);

    const QString body = ambrel ? getInfoBody("veli", "gizli") : getInfoBody("demo-B001", "parola");
    QCOMPARE(b.servers.gateway.bodies(), QStringList{body});
    QCOMPARE(b.servers.gateway.requests().first().path,
             ambrel ? QByteArray("/ambrel/sms.asp") : QByteArray("/sms/com.strova"));

    const QStringList writes = b.servers.writes();
    QCOMPARE(writes.contains(QStringLiteral("ayarlar ") + (ambrel ? "1" : "0")), saved);
    if (!saved) {
        // The account in use stays as it was; nothing after the account step ran, and the
        // automatic program runs again.
        QCOMPARE(gGatewayUrl, urlBefore);
        QCOMPARE(gUserName, ambrel ? QStringLiteral("veli") : QStringLiteral("demo"));
        QCOMPARE(writes.mid(writes.size() - 3),
                 (QStringList{"param flg_kovaset=0", "param flg_kovaset=1", "launch flg_kovaset=1"}));
        return;
    }
    QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("0"));
    QVERIFY(b.servers.launches.isEmpty());
    if (ambrel) {
        QCOMPARE(gGatewayKind, GatewayKind::Ambrel);
        QCOMPARE(gGatewayUrl, b.v.ambrelUrl);
        QCOMPARE(gCkey, QString());
        QCOMPARE(gFlgKaydet, QStringLiteral("0"));
        const auto row = b.folder
                             .rows("SELECT kullanici_adi_i, parola_i, flg_kaydet_i, flg_gw, url_ambrel, "
                                   "kullanici_adi FROM tbl_ayarlar")
                             .value(0);
        QCOMPARE(row, (QVariantList{"veli", "gizli", "0", "1", b.v.ambrelUrl, "demo"}));
    } else {
        QCOMPARE(gGatewayUrl, b.servers.gateway.url());
        QCOMPARE(gFlgKaydet, QStringLiteral("1"));
    }
}

void TestSettingsForm::blankAccountFields_data()
{
    QTest::addColumn<bool>("ambrel");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("ckey");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("focus");

    QTest::newRow("Brenvik: empty user") << false << ""
                                         << ""
                                         << "parola"
                                         << "B001" << kBlankBrenvik << "txtOrvekKullanici";
    QTest::newRow("Brenvik: one-space password") << false << ""
                                                 << "demo"
                                                 << " "
                                                 << "B001" << kBlankBrenvik << "txtOrvekKullanici";
    QTest::newRow("Brenvik: one-space client code") << false << ""
                                                    << "demo"
                                                    << "parola"
                                                    << " " << kBlankBrenvik << "txtOrvekKullanici";
    QTest::newRow("Brenvik: two spaces pass") << false << ""
                                              << "  "
                                              << "parola"
                                              << "B001" << QString() << QString();
    QTest::newRow("Ambrel: empty address") << true << ""
                                           << "veli"
                                           << "gizli"
                                           << "" << kBlankAmbrelUrl << "txtAmbrelYolu";
    QTest::newRow("Ambrel: one-space address, user missing too") << true << " "
                                                                 << ""
                                                                 << "gizli"
                                                                 << "" << kBlankAmbrelUrl << "txtAmbrelYolu";
    QTest::newRow("Ambrel: one-space user") << true << "@"
                                            << " "
                                            << "gizli"
                                            << "" << kWrongUser << "txtAmbrelKullanici";
    QTest::newRow("Ambrel: empty password") << true << "@"
                                            << "veli"
                                            << ""
                                            << "" << kWrongUser << "txtAmbrelKullanici";
}

void TestSettingsForm::blankAccountFields()
{
    QFETCH(bool, ambrel);
    QFETCH(QString, url);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, ckey);
    QFETCH(QString, text);
    QFETCH(QString, focus);
    Bench b;
    if (ambrel) {
        b.useAmbrel();
        if (url != QLatin1String("@")) b.v.ambrelUrl = url;
        b.v.ambrelUser = user;
        b.v.ambrelPassword = password;
    } else {
        b.v.orvekUser = user;
        b.v.orvekPassword = password;
        b.v.orvekClientCode = ckey;
    }
    const SettingsSaveOutcome out = b.save();
    if (text.isEmpty()) {
        // Passes the blank test: the account is tried at the gateway.
        QCOMPARE(b.servers.gateway.bodies(), QStringList{getInfoBody("  -B001", "parola")});
        return;
    }
    QVERIFY(out.box);
    QCOMPARE(out.box->text, text);
    QCOMPARE(out.box->icon, PromptIcon::Critical);
    QCOMPARE(out.box->title, kAccountTitle);
    QCOMPARE(out.tab, 0);
    QCOMPARE(out.focus, focus);
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QCOMPARE(b.servers.gateway.requestCount(), 0);
    QCOMPARE(b.servers.writes(), QStringList());
}

void TestSettingsForm::accountChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("reset");
    // The typed greeting lacks its originator: a save that resets never reaches its check.
    QTest::addColumn<bool>("incomplete");
    QTest::newRow("same account") << "none" << false << false;
    QTest::newRow("user name letter case") << "case" << true << false;
    QTest::newRow("client code, Brenvik") << "ckey" << true << false;
    QTest::newRow("Brenvik to Ambrel") << "kind" << true << false;
    QTest::newRow("Brenvik to Ambrel, greeting incomplete") << "kind" << true << true;
    QTest::newRow("client code, Ambrel: not compared") << "ambrel ckey" << false << false;
    QTest::newRow("no option selected") << "no option" << false << false;
}

void TestSettingsForm::accountChange()
{
    QFETCH(QString, change);
    QFETCH(bool, reset);
    QFETCH(bool, incomplete);
    Bench b;
    b.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj='İyi ki doğdun', dgun_gonderen='ORVEK', "
                  "flg_evyil_mesaj='1', evyil_mesaj='Nice yıllara', evyil_gonderen='TALVANE'");
    b.folder.exec("INSERT INTO tbl_kovaset_ayar(sirket_kod,flg_dgun_mesaj,dgun_gonderen) VALUES('02','1','X')");
    b.v.birthdayOn = true;
    b.v.birthdayText = QStringLiteral("Yeni metin");
    b.v.birthdayOriginator = incomplete ? QString() : QStringLiteral("ORVEK");
    if (change == QLatin1String("case")) b.v.orvekUser = QStringLiteral("Demo");
    if (change == QLatin1String("ckey")) b.v.orvekClientCode = QStringLiteral("B002");
    if (change == QLatin1String("kind")) {
        b.v.option = GatewayKind::Ambrel;
        b.v.ambrelUrl = b.servers.gateway.url();
        b.v.ambrelUser = QStringLiteral("demo");
        b.v.ambrelPassword = QStringLiteral("parola");
    }
    if (change == QLatin1String("ambrel ckey")) {
        b.useAmbrel();
        b.loaded.clientCode = QStringLiteral("B001");
    }
    if (change == QLatin1String("no option")) b.v.option = GatewayKind::None;
    b.servers.clearWrites();

    const SettingsSaveOutcome out = b.save();
    QVERIFY(out.box);
    if (!reset) {
        QCOMPARE(out.end, SettingsSaveOutcome::End::Completed);
        QCOMPARE(out.closeCaption, change != QLatin1String("no option"));
        QCOMPARE(b.servers.gateway.requestCount(), change == QLatin1String("no option") ? 0 : 1);
        return;
    }
    QCOMPARE(out.end, SettingsSaveOutcome::End::AccountReset);
    QCOMPARE(out.box->text, kReset);
    QCOMPARE(out.box->icon, PromptIcon::Information);
    QCOMPARE(out.box->title, kAccountTitle);
    QCOMPARE(out.tab, 1);
    QVERIFY(out.closeCaption);
    // Greetings off, originators gone, the texts kept; the other company is untouched.
    QCOMPARE(b.kovasetRow(), (QVariantList{"0", "İyi ki doğdun", "", "0", "Nice yıllara", ""}));
    QCOMPARE(b.folder.scalar("SELECT dgun_gonderen FROM tbl_kovaset_ayar WHERE sirket_kod='02'").toString(), "X");
    const QStringList writes = b.servers.writes();
    QCOMPARE(writes.mid(writes.size() - 2),
             (QStringList{QStringLiteral("ayarlar ") + (change == "kind" ? "1" : "0"), "kovaset 01 00"}));
    QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("0"));
    QVERIFY(b.servers.launches.isEmpty());
}

void TestSettingsForm::erpServerStep()
{
    {
        // A failed trial stores nothing at all, the run permission included.
        Bench b;
        b.v.database = QStringLiteral("YOK");
        const SettingsSaveOutcome out = b.save();
        QVERIFY(out.box);
        QCOMPARE(out.box->text, kErpFailed);
        QCOMPARE(out.box->icon, PromptIcon::Critical);
        QCOMPARE(out.box->title, QStringLiteral("Brenvik"));
        QCOMPARE(out.focus, QStringLiteral("txtSunucuAdi"));
        QCOMPARE(out.tab, 0);
        QCOMPARE(b.servers.writes(), QStringList());
        QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("1"));
        QCOMPARE(gErpServer, QString());
        QCOMPARE(b.servers.gateway.requestCount(), 0);
    }
    {
        // Empty boxes are tried as they are (at the SQL Server driver, which refuses them).
        Bench b;
        b.v.server.clear();
        b.v.database.clear();
        const SettingsSaveOutcome out = b.save();
        QVERIFY(out.box);
        QCOMPARE(out.box->text, kErpFailed);
        QCOMPARE(b.servers.writes(), QStringList());
    }
    {
        // Empty boxes store "" over the old values (they were tried like that).
        Bench b;
        b.folder.exec("UPDATE tbl_param SET deger = 'ZXNraQ==' WHERE parametre IN ('OrvekUser','OrvekPassword')");
        b.servers.clearWrites();
        b.v.serverUser = QString();
        b.v.serverPassword = QString();
        QCOMPARE(b.save().end, SettingsSaveOutcome::End::Completed);
        QCOMPARE(b.servers.param("OrvekUser"), QString());
        QCOMPARE(b.servers.param("OrvekPassword"), QString());
        QCOMPARE(b.servers.param("OrvekServer"), b64(b.v.server));
        QCOMPARE(b.servers.param("OrvekDatabase"), QStringLiteral("T1JWRUs="));
        // The program's ERP connection was neither opened nor replaced.
        QVERIFY(!QSqlDatabase::contains(QString::fromLatin1(kErpConnection)) || !ErpDb().isOpen());
    }
}

void TestSettingsForm::greetingChecks_data()
{
    QTest::addColumn<bool>("anniversary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("originator");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("focus");
    for (const bool anniversary : {false, true}) {
        const QString t = anniversary ? QStringLiteral("anniversary: ") : QStringLiteral("birthday: ");
        const QString textBox = anniversary ? QStringLiteral("txtEvYilMesaj") : QStringLiteral("txtDGunMesaj");
        const QString list = anniversary ? QStringLiteral("cbEvYilOrg") : QStringLiteral("cbDGunOrg");
        QTest::newRow(qPrintable(t + "empty text")) << anniversary << ""
                                                    << "ORVEK" << kNoText << textBox;
        QTest::newRow(qPrintable(t + "one-space text")) << anniversary << " "
                                                        << "" << kNoText << textBox;
        QTest::newRow(qPrintable(t + "no originator")) << anniversary << "Merhaba"
                                                       << "" << kNoOriginator << list;
        QTest::newRow(qPrintable(t + "two spaces, originator")) << anniversary << "  "
                                                                << "ORVEK" << QString() << QString();
    }
}

void TestSettingsForm::greetingChecks()
{
    QFETCH(bool, anniversary);
    QFETCH(QString, text);
    QFETCH(QString, originator);
    QFETCH(QString, box);
    QFETCH(QString, focus);
    Bench b;
    if (anniversary) {
        b.v.anniversaryOn = true;
        b.v.anniversaryText = text;
        b.v.anniversaryOriginator = originator;
    } else {
        b.v.birthdayOn = true;
        b.v.birthdayText = text;
        b.v.birthdayOriginator = originator;
    }
    const SettingsSaveOutcome out = b.save();
    QVERIFY(out.box);
    if (box.isEmpty()) {
        QCOMPARE(out.end, SettingsSaveOutcome::End::Completed);
        QCOMPARE(b.kovasetRow().value(anniversary ? 3 : 0).toString(), QStringLiteral("1"));
        return;
    }
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QCOMPARE(out.box->text, box);
    QCOMPARE(out.box->icon, PromptIcon::Information);
    QCOMPARE(out.box->title,
             anniversary ? QStringLiteral("Evlilik yıldönümü tebriği") : QStringLiteral("Doğum günü tebriği"));
    QCOMPARE(out.tab, 1);
    QCOMPARE(out.focus, focus);
    QVERIFY(!out.closeCaption); // refused before the account step
    QCOMPARE(b.servers.writes(), QStringList());
}

void TestSettingsForm::greetingTextsAndTemplates()
{
    Bench b;
    const QString longText = QString(300, QLatin1Char('x'));
    b.v.birthdayOn = true;
    b.v.birthdayText = QStringLiteral("Sevgili [##Adi##],\r\nnice mutlu yıllar! Ali'nin dileği");
    b.v.birthdayOriginator = QStringLiteral("OR'VEK");
    b.v.birthdayTemplate = true;
    b.v.anniversaryOn = false;
    b.v.anniversaryText = longText;
    b.v.anniversaryOriginator = QString();
    b.v.anniversaryTemplate = true;
    QCOMPARE(b.save().end, SettingsSaveOutcome::End::Completed);
    QCOMPARE(b.kovasetRow(), (QVariantList{"1", b.v.birthdayText, "OR'VEK", "0", longText, ""}));
    const auto templates = b.folder.rows("SELECT msgid, sablon_tip, sablon_p1, sablon_p2 IS NULL FROM tbl_sablonlar "
                                         "ORDER BY id");
    QCOMPARE(templates.size(), 2);
    QCOMPARE(templates.at(0), (QVariantList{"00", "DGunMesaj", b.v.birthdayText, 1}));
    QCOMPARE(templates.at(1), (QVariantList{"00", "EvYilMesaj", longText, 1}));

    // An unticked greeting with an empty text still becomes a template; every save adds one.
    b.v.birthdayOn = false;
    b.v.birthdayText = QString();
    b.v.anniversaryTemplate = false;
    QCOMPARE(b.save().end, SettingsSaveOutcome::End::Completed);
    QCOMPARE(b.save().end, SettingsSaveOutcome::End::Completed);
    QCOMPARE(
        b.folder.scalar("SELECT count(*) FROM tbl_sablonlar WHERE sablon_tip='DGunMesaj' AND sablon_p1=''").toInt(), 2);
    QCOMPARE(b.kovasetRow().value(0).toString(), QStringLiteral("0"));
}

void TestSettingsForm::interactiveStep_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("period");
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<QStringList>("stored"); // flg_interaktif, IntKullanici, IntParola, IntPeriyot

    const FakeReply ok = FakeReply::text("ok 08");
    const QStringList coded{"1", b64("isim"), b64("sifre"), "5"};
    const int crit = int(PromptIcon::Critical);
    const QStringList none;
    QTest::newRow("on, ok 08") << true << "isim"
                               << "sifre"
                               << "5" << ok << true << "" << 0 << "" << false << coded;
    QTest::newRow("on, err 01") << true << "isim"
                                << "sifre"
                                << "5" << FakeReply::text("err 01") << true << kIntWrong << crit << "txtIntKullanici"
                                << true << none;
    QTest::newRow("on, err 04") << true << "isim"
                                << "sifre"
                                << "5" << FakeReply::text("err 04") << true << kIntUnchecked << crit
                                << "txtIntKullanici" << false << none;
    QTest::newRow("on, err 05") << true << "isim"
                                << "sifre"
                                << "5" << FakeReply::text("err 05") << true << kIntUnchecked << crit
                                << "txtIntKullanici" << false << none;
    QTest::newRow("on, err 00") << true << "isim"
                                << "sifre"
                                << "5" << FakeReply::text("err 00") << true << kIntUnreachable << crit
                                << "txtIntKullanici" << false << none;
    QTest::newRow("on, no exchange accepts") << true << "isim"
                                             << "sifre"
                                             << "5" << FakeReply::closed() << true << "" << 0 << "" << false << coded;
    QTest::newRow("on, err 01 with a blank accepts")
        << true << "isim"
        << "sifre"
        << "5" << FakeReply::text("err 01 ") << true << "" << 0 << "" << false << coded;
    QTest::newRow("on, period 05 as typed")
        << true << "isim"
        << "sifre"
        << "05" << ok << true << "" << 0 << "" << false << QStringList{"1", b64("isim"), b64("sifre"), "05"};
    QTest::newRow("on, empty user") << true << ""
                                    << "sifre"
                                    << "5" << ok << false << kIntMissing << int(PromptIcon::None) << "txtIntKullanici"
                                    << false << none;
    QTest::newRow("on, one-space password")
        << true << "isim"
        << " "
        << "" << ok << false << kIntMissing << int(PromptIcon::None) << "txtIntKullanici" << false << none;
    for (const char *bad : {"", "0", "00", "-1", "1.5", " 5", "5 ", "1e2", "٥"})
        QTest::newRow(qPrintable(QStringLiteral("on, period \"%1\"").arg(QString::fromUtf8(bad))))
            << true << "isim"
            << "sifre" << QString::fromUtf8(bad) << ok << false << kPeriod << crit << "txtDk" << false << none;
    QTest::newRow("off, no account") << false << ""
                                     << "sifre"
                                     << "7" << ok << false << "" << 0 << "" << false << QStringList{"0", "", "", "7"};
    QTest::newRow("off, period refused") << false << ""
                                         << ""
                                         << "" << ok << false << kPeriod << crit << "txtDk" << false << none;
    QTest::newRow("off, one-space user is tried")
        << false << " "
        << "sifre"
        << "7" << ok << true << "" << 0 << "" << false << QStringList{"0", b64(" "), b64("sifre"), "7"};
    QTest::newRow("off, account tried, err 01")
        << false << "isim"
        << "sifre"
        << "7" << FakeReply::text("err 01") << true << kIntWrong << crit << "txtIntKullanici" << true << none;
    QTest::newRow("off, account accepted")
        << false << "isim"
        << "sifre"
        << "7" << ok << true << "" << 0 << "" << false << QStringList{"0", b64("isim"), b64("sifre"), "7"};
}

void TestSettingsForm::interactiveStep()
{
    QFETCH(bool, on);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, period);
    QFETCH(FakeReply, reply);
    QFETCH(bool, asked);
    QFETCH(QString, box);
    QFETCH(int, icon);
    QFETCH(QString, focus);
    QFETCH(bool, cleared);
    QFETCH(QStringList, stored);
    Bench b;
    b.folder.exec("UPDATE tbl_param SET deger = 'eski' WHERE parametre IN ('IntKullanici','IntParola','IntPeriyot')");
    b.servers.gathwin.setReply(reply);
    b.v.interactiveOn = on;
    b.v.interactiveUser = user;
    b.v.interactivePassword = password;
    b.v.period = period;

    const SettingsSaveOutcome out = b.save();
    QCOMPARE(b.servers.gathwin.bodies(), asked ? QStringList{gathwinBody(user, password)} : QStringList());
    const QStringList now{b.servers.param("flg_interaktif"), b.servers.param("IntKullanici"),
                          b.servers.param("IntParola"), b.servers.param("IntPeriyot")};
    QVERIFY(out.box);
    if (box.isEmpty()) {
        QCOMPARE(out.end, SettingsSaveOutcome::End::Completed);
        QCOMPARE(now, stored);
        return;
    }
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QCOMPARE(out.box->text, box);
    QCOMPARE(int(out.box->icon), icon);
    QCOMPARE(out.box->title,
             icon == int(PromptIcon::None) ? QStringLiteral("Brenvik") : QStringLiteral("İnteraktif SMS"));
    QCOMPARE(out.tab, 2);
    QCOMPARE(out.focus, focus);
    QCOMPARE(out.clearInteractiveAccount, cleared);
    QCOMPARE(now, (QStringList{"0", "eski", "eski", "eski"}));
    // A refusal of the service: the steps before ran. A refused value: nothing ran.
    QCOMPARE(b.servers.param("KovasetBitir"), asked ? QStringLiteral("18:30:05") : QStringLiteral("18:00:00"));
}

void TestSettingsForm::databaseFailureMidSave_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("lastWrite");
    // Whether the automatic program had been told to end: then it gets its run permission
    // back and is started again.
    QTest::addColumn<bool>("restored");
    QTest::newRow("ERP setting") << "BEFORE UPDATE ON tbl_param WHEN NEW.parametre = 'OrvekDatabase'"
                                 << QStringLiteral("param OrvekServer=") + "*" << false;
    QTest::newRow("stop flag") << "BEFORE UPDATE ON tbl_param WHEN NEW.parametre = 'flg_kovaset'"
                               << "param flg_raporad=0" << false;
    QTest::newRow("account") << "BEFORE UPDATE ON tbl_ayarlar"
                             << "param flg_kovaset=0" << true;
    QTest::newRow("greeting") << "BEFORE UPDATE ON tbl_kovaset_ayar"
                              << "ayarlar 0" << true;
    QTest::newRow("template") << "BEFORE INSERT ON tbl_sablonlar"
                              << "kovaset 01 00" << true;
    QTest::newRow("hours") << "BEFORE UPDATE ON tbl_param WHEN NEW.parametre = 'KovasetBitir'"
                           << "param KovasetBasla=09:00:00" << true;
    QTest::newRow("interactive") << "BEFORE UPDATE ON tbl_param WHEN NEW.parametre = 'IntPeriyot'"
                                 << "param IntParola=" << true;
}

void TestSettingsForm::databaseFailureMidSave()
{
    QFETCH(QString, trigger);
    QFETCH(QString, lastWrite);
    QFETCH(bool, restored);
    Bench b;
    b.v.birthdayTemplate = true;
    b.folder.exec(QStringLiteral("CREATE TRIGGER test_fail ") + trigger +
                  QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'disk kilitli'); END"));
    const SettingsSaveOutcome out = b.save();
    QCOMPARE(out.end, SettingsSaveOutcome::End::Stopped);
    QVERIFY(out.box);
    QVERIFY2(out.box->text.contains(QLatin1String("disk kilitli")), qPrintable(out.box->text));
    QCOMPARE(out.box->icon, PromptIcon::Critical);
    QCOMPARE(out.box->title, QString());
    QCOMPARE(out.tab, -1);
    QCOMPARE(out.focus, QString());
    QStringList writes = b.servers.writes();
    QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("1"));
    if (restored) {
        QCOMPARE(writes.mid(writes.size() - 2), (QStringList{"param flg_kovaset=1", "launch flg_kovaset=1"}));
        writes.resize(writes.size() - 2);
        QCOMPARE(b.servers.launches, QStringList{KovasetProgramPath()});
    } else {
        QVERIFY(b.servers.launches.isEmpty());
    }
    QVERIFY(!writes.isEmpty());
    if (lastWrite.endsWith(QLatin1Char('*')))
        QVERIFY2(writes.last().startsWith(lastWrite.chopped(1)), qPrintable(writes.join('|')));
    else
        QCOMPARE(writes.last(), lastWrite);
}

void TestSettingsForm::completionFailure_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("was allowed to run") << "1";
    QTest::newRow("was stopped") << "0";
}

// The run permission "1" cannot be written at the end: the box, and the automatic program is
// started only when it ran before the save (it writes its permission itself when it starts).
void TestSettingsForm::completionFailure()
{
    QFETCH(QString, before);
    Bench b;
    b.folder.exec("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_kovaset'", {before});
    const SettingsSaveOutcome out = b.save();
    QCOMPARE(out.end, SettingsSaveOutcome::End::Completed);
    QCOMPARE(out.runPermissionBefore, before);
    b.folder.exec("CREATE TRIGGER test_fail BEFORE UPDATE ON tbl_param WHEN NEW.deger = '1' AND NEW.parametre = "
                  "'flg_kovaset' BEGIN SELECT RAISE(ABORT, 'salt okunur'); END");
    const std::optional<SettingsBox> failure = FinishSettingsSave(out.runPermissionBefore);
    QVERIFY(failure);
    QVERIFY(failure->text.contains(QLatin1String("salt okunur")));
    QCOMPARE(failure->icon, PromptIcon::Critical);
    QCOMPARE(failure->title, QString());
    QCOMPARE(b.servers.launches, before == QLatin1String("1") ? QStringList{KovasetProgramPath()} : QStringList());
    QCOMPARE(b.servers.param("flg_kovaset"), QStringLiteral("0"));
}

void TestSettingsForm::noCompanyStillCompletes()
{
    Bench b;
    gCompanyCode.clear();
    b.v.birthdayText = QStringLiteral("kaybolmaz");
    QCOMPARE(b.save().end, SettingsSaveOutcome::End::Completed);
    QCOMPARE(b.kovasetRow().value(1).toString(), QString());
    for (const QString &w : b.servers.writes()) QVERIFY2(!w.startsWith(QLatin1String("kovaset ")), qPrintable(w));
}

// --- Fill -----------------------------------------------------------------------------------

void TestSettingsForm::fillOriginators_data()
{
    QTest::addColumn<bool>("ambrel");
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QStringList>("originators");
    // "-": no list is filled (an error reply leaves the lists as they are).
    QTest::newRow("two, each ended") << false << FakeReply::text("1500\nORVEK\nTALVANE\n")
                                     << QStringList{"ORVEK", "TALVANE"};
    QTest::newRow("last not ended") << false << FakeReply::text("1500\nORVEK\nTALVANE") << QStringList{"ORVEK"};
    QTest::newRow("credit only") << false << FakeReply::text("1500\n") << QStringList();
    QTest::newRow("empty") << false << FakeReply::text("") << QStringList{"-"};
    QTest::newRow("01") << false << FakeReply::text("01") << QStringList{"-"};
    QTest::newRow("no exchange") << false << FakeReply::closed() << QStringList{"-"};
    QTest::newRow("html") << false << FakeReply::html("<html>\nA\nB\n</html>\n") << QStringList{"-"};
    QTest::newRow("Ambrel") << true << FakeReply::text("7\nYEREL\n") << QStringList{"YEREL"};
}

void TestSettingsForm::fillOriginators()
{
    QFETCH(bool, ambrel);
    QFETCH(FakeReply, reply);
    QFETCH(QStringList, originators);
    Bench b;
    if (ambrel) b.useAmbrel();
    b.servers.gateway.setReply(QStringLiteral("4"), reply);
    PromptRecorder prompts;
    const SettingsFill fill = FillSettingsForm();
    if (originators == QStringList{"-"})
        QCOMPARE(fill.originators, std::nullopt);
    else
        QCOMPARE(fill.originators, std::optional<QStringList>(originators));
    QCOMPARE(fill.failure, std::nullopt);
    QCOMPARE(b.servers.gateway.bodies(),
             QStringList{ambrel ? getInfoBody("veli", "gizli") : getInfoBody("demo-B001", "parola")});
    QCOMPARE(fill.creditTopUpVisible, std::optional<bool>(!ambrel));
    QCOMPARE(fill.values.option, ambrel ? GatewayKind::Ambrel : GatewayKind::Brenvik);
    if (ambrel) {
        QCOMPARE(fill.values.ambrelUrl, b.v.ambrelUrl);
        QCOMPARE(fill.values.ambrelUser, QStringLiteral("veli"));
        QCOMPARE(fill.values.orvekUser, QString());
        QCOMPARE(fill.loaded.clientCode, QString());
    } else {
        QCOMPARE(fill.values.orvekClientCode, QStringLiteral("B001"));
        QVERIFY(fill.values.saveOrvek);
        QCOMPARE(fill.values.ambrelUrl, QString());
        QCOMPARE(fill.loaded.clientCode, QStringLiteral("B001"));
    }
    QCOMPARE(prompts.count(), 0);
}

void TestSettingsForm::fillReadsStoredSettings()
{
    Bench b;
    const QString greeting = QString(170, QLatin1Char('a'));
    b.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj=?, dgun_gonderen='ESKI', "
                  "flg_evyil_mesaj='0', evyil_mesaj=NULL, evyil_gonderen=NULL",
                  {greeting});
    b.folder.exec("UPDATE tbl_param SET deger=? WHERE parametre='OrvekServer'", {b64("sunucu\\SQL")});
    b.folder.exec("UPDATE tbl_param SET deger=? WHERE parametre='IntKullanici'", {b64("isim")});
    b.folder.exec("UPDATE tbl_param SET deger='1' WHERE parametre IN ('flg_raporad','flg_interaktif')");
    b.folder.exec("UPDATE tbl_param SET deger='05' WHERE parametre='IntPeriyot'");
    b.folder.exec("UPDATE tbl_param SET deger='23:59:58' WHERE parametre='KovasetBasla'");
    const SettingsFill fill = FillSettingsForm();
    QCOMPARE(fill.failure, std::nullopt);
    QVERIFY(fill.greetingsAvailable);
    QVERIFY(fill.values.birthdayOn);
    QCOMPARE(fill.values.birthdayText, greeting);
    QCOMPARE(fill.values.birthdayOriginator, QStringLiteral("ESKI"));
    QVERIFY(!fill.values.anniversaryOn);
    QCOMPARE(fill.values.anniversaryText, QString());
    QCOMPARE(fill.values.anniversaryOriginator, QString());
    QCOMPARE(fill.values.server, QStringLiteral("sunucu\\SQL"));
    QCOMPARE(fill.values.database, QString());
    QCOMPARE(fill.values.interactiveUser, QStringLiteral("isim"));
    QVERIFY(fill.values.reportNames);
    QVERIFY(fill.values.interactiveOn);
    QCOMPARE(fill.values.period, QStringLiteral("05"));
    QCOMPARE(fill.values.start, QTime(23, 59, 58));
    QCOMPARE(fill.values.end, QTime(18, 0, 0));
    QCOMPARE(SettingsCounterValue(greeting), -10);
}

void TestSettingsForm::fillGoesOnAfterFailures()
{
    Bench b;
    b.folder.exec("UPDATE tbl_param SET deger='!!!' WHERE parametre='OrvekServer'");
    b.folder.exec("UPDATE tbl_param SET deger=? WHERE parametre='OrvekDatabase'", {b64("ORVEK")});
    b.folder.exec("UPDATE tbl_param SET deger='sabah' WHERE parametre='KovasetBasla'");
    b.folder.exec("UPDATE tbl_kovaset_ayar SET flg_evyil_mesaj='1', evyil_gonderen='TALVANE'");
    const SettingsFill fill = FillSettingsForm();
    // One box, of the first failure; every later step ran.
    QVERIFY(fill.failure);
    QCOMPARE(fill.failure->icon, PromptIcon::Critical);
    QCOMPARE(fill.failure->title, QStringLiteral("Brenvik"));
    QVERIFY(!fill.failure->text.contains(QLatin1String("sabah")));
    QCOMPARE(fill.values.server, QString());
    QCOMPARE(fill.values.database, QStringLiteral("ORVEK"));
    QVERIFY(fill.values.anniversaryOn);
    QCOMPARE(fill.values.anniversaryOriginator, QStringLiteral("TALVANE"));
    QCOMPARE(fill.values.end, QTime(18, 0, 0));
    QCOMPARE(fill.loaded.gateway, GatewayKind::Brenvik);
    QCOMPARE(fill.loaded.user, QStringLiteral("demo"));
    QCOMPARE(fill.loaded.clientCode, QStringLiteral("B001"));

    // A fill whose only failure is the stored time names it.
    b.folder.exec("UPDATE tbl_param SET deger='' WHERE parametre='OrvekServer'");
    const SettingsFill second = FillSettingsForm();
    QVERIFY(second.failure);
    QVERIFY2(second.failure->text.contains(QLatin1String("sabah")), qPrintable(second.failure->text));
}

void TestSettingsForm::fillWithoutCompanyRow()
{
    Bench b;
    gCompanyCode.clear();
    const SettingsFill fill = FillSettingsForm();
    QCOMPARE(fill.failure, std::nullopt);
    QVERIFY(!fill.greetingsAvailable);
    QVERIFY(!fill.values.birthdayOn);
    QCOMPARE(fill.values.start, QTime(9, 0, 0));
    QCOMPARE(fill.loaded.user, QStringLiteral("demo"));

    // No account kind at all: no exchange, no option, Command8 left alone.
    gGatewayKind = GatewayKind::None;
    b.servers.gateway.clearRequests();
    const SettingsFill none = FillSettingsForm();
    QCOMPARE(b.servers.gateway.requestCount(), 0);
    QCOMPARE(none.values.option, GatewayKind::None);
    QCOMPARE(none.creditTopUpVisible, std::nullopt);
    QCOMPARE(none.values.orvekUser, QString());
}

// --- Server tests ---------------------------------------------------------------------------

void TestSettingsForm::erpTrialConnection()
{
    Bench b;
    gErpServer = b.servers.erpServer();
    gErpDatabase = SettingsServers::erpDatabase();
    OpenErpDb();
    const QStringList before = QSqlDatabase::connectionNames();

    const SettingsBox good = TestErpConnection(b.servers.erpServer(), "ORVEK", "", "");
    QCOMPARE(good.text, QStringLiteral("Bağlantı kuruldu."));
    QCOMPARE(good.icon, PromptIcon::Information);
    QCOMPARE(good.title, QStringLiteral("Brenvik"));
    for (const QString &database : {QStringLiteral("YOK"), QString()}) {
        const SettingsBox bad = TestErpConnection(b.servers.erpServer(), database, "", "");
        QCOMPARE(bad.text, QStringLiteral("Bağlantı kurulamadı. Lütfen sunucu bilgilerinizi kontrol ediniz."));
        QCOMPARE(bad.icon, PromptIcon::Critical);
        QCOMPARE(bad.title, QStringLiteral("Brenvik"));
    }
    QString error;
    QVERIFY(!TryErpConnection(QStringLiteral("sqlite:/yok/klasor"), "ORVEK", "", "", &error));
    QVERIFY(!error.isEmpty());

    // The program's connection stayed open on its own settings; no trial connection is left.
    QVERIFY(ErpDb().isOpen());
    QCOMPARE(QSqlDatabase::connectionNames(), before);
    QCOMPARE(b.servers.writes(), QStringList());
}

void TestSettingsForm::creditQuery_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    const int info = int(PromptIcon::Information), crit = int(PromptIcon::Critical);
    const QString brenvik = getInfoBody("demo-B001", "parola");
    QTest::newRow("good") << "Brenvik" << FakeReply::text("1500\nORVEK\n") << brenvik << "Mevcut kontörünüz : 1500"
                          << info;
    QTest::newRow("credit, CR LF") << "Brenvik" << FakeReply::text("99\r\nORVEK\r\n") << brenvik
                                   << "Mevcut kontörünüz : 99" << info;
    QTest::newRow("01") << "Brenvik" << FakeReply::text("01") << brenvik << "Hatalı kullanıcı adı / parola" << crit;
    QTest::newRow("03") << "Brenvik" << FakeReply::text("03") << brenvik << kCreditFailed << crit;
    QTest::newRow("no exchange") << "Brenvik" << FakeReply::closed() << brenvik << kCreditFailed << crit;
    QTest::newRow("empty") << "Brenvik" << FakeReply::text("") << brenvik << kCreditFailed << crit;
    QTest::newRow("fragment 5") << "Brenvik" << FakeReply::text("5") << brenvik << kCreditFailed << crit;
    QTest::newRow("HTML") << "Brenvik" << FakeReply::html("<HTML>x</HTML>") << brenvik << kCreditFailed << crit;
    QTest::newRow("Ambrel") << "Ambrel" << FakeReply::text("42\n") << getInfoBody("demo", "parola")
                            << "Mevcut kontörünüz : 42" << info;
    QTest::newRow("no kind, no request") << "" << FakeReply::text("1500\n") << QString() << kCreditFailed << crit;
}

void TestSettingsForm::creditQuery()
{
    QFETCH(QString, kind);
    QFETCH(FakeReply, reply);
    QFETCH(QString, body);
    QFETCH(QString, text);
    QFETCH(int, icon);
    Bench b;
    gGatewayKind = ParseGatewayKind(kind).value_or(GatewayKind::None);
    // The account in use, at its own address (not the hosted one).
    b.servers.gateway.setReply(QStringLiteral("4"), reply);
    SetHostedGatewayAddress(FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova")));
    const SettingsBox box = CreditQueryBox(CreditQueryReply());
    QCOMPARE(box.text, text);
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(box.title, QString());
    QCOMPARE(b.servers.gateway.bodies(), body.isEmpty() ? QStringList() : QStringList{body});
}

void TestSettingsForm::hostedAddressReachesLoadSettings()
{
    ProgramFolderFixture folder;
    QCOMPARE(HostedGatewayAddress(), QString::fromUtf8(ServiceAddresses::kGatewayUrl));
    SetHostedGatewayAddress(QStringLiteral("http://127.0.0.1:9/sms/com.strova"));
    PromptRecorder prompts;
    LoadSettings();
    QCOMPARE(gGatewayKind, GatewayKind::Brenvik);
    QCOMPARE(gGatewayUrl, QStringLiteral("http://127.0.0.1:9/sms/com.strova"));
    SetHostedGatewayAddress(QString());
    QCOMPARE(HostedGatewayAddress(), QString::fromUtf8(ServiceAddresses::kGatewayUrl));
}

QTEST_GUILESS_MAIN(TestSettingsForm)
#include "tst_settingsform.moc"
