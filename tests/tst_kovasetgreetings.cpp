// The daily greetings of the automatic program against the ERP stand-in and the fake gateway:
// the request bodies, the log rows, the day's progress and the failures.
#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/Services.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetErp.h"
#include "kovaset/KovasetLog.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <sqlite3.h>

namespace {
const QString kBirthday = QStringLiteral("Doğum günü tebriği");
const QString kAnniversary = QStringLiteral("Evlilik yıldönümü tebriği");
const QString kLogText = QStringLiteral("Doğum Günü - Evlilik Yıldönümü");

QVariantMap person(const QVariant &adi, const QVariant &soyadi, const QVariant &prefix, const QVariant &number,
                   const QDate &born, const QDate &married = QDate())
{
    QVariantMap m;
    m[QStringLiteral("Sirket")] = QStringLiteral("120.001");
    m[QStringLiteral("Adi")] = adi;
    m[QStringLiteral("Soyadi")] = soyadi;
    m[QStringLiteral("CepTelBKod")] = prefix;
    m[QStringLiteral("CepTel")] = number;
    m[QStringLiteral("DogumTar")] = born.isValid() ? ErpStandIn::dayNumber(born.year(), born.month(), born.day()) : 0;
    m[QStringLiteral("EvlTarih")] =
        married.isValid() ? ErpStandIn::dayNumber(married.year(), married.month(), married.day()) : 0;
    return m;
}

// A statement on the database file through a connection of its own, from any thread (the
// fake servers answer on theirs); the first column of the first row, "" when none.
QString RawSql(const QString &dbPath, const QString &sql)
{
    sqlite3 *db = nullptr;
    QString out;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
            if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
                out = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            else if (sqlite3_column_count(st) > 0 && sqlite3_column_type(st, 0) == SQLITE_NULL)
                out = QStringLiteral("<null>");
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// One message of a send request: text and number.
using Message = QPair<QString, QString>;

QString sendBody(const QString &originator, const QVector<Message> &messages)
{
    QString body = QStringLiteral("<MainmsgBody><UserName>demo</UserName><PassWord>gizli</PassWord><Action>1</Action>"
                                  "<Messages>");
    for (const Message &m : messages)
        body += QStringLiteral("<Message><Mesgbody>") + m.first + QStringLiteral("</Mesgbody><Number>") + m.second +
                QStringLiteral("</Number></Message>");
    return body + QStringLiteral("</Messages><Originator>") + originator +
           QStringLiteral("</Originator><SDate></SDate></MainmsgBody>");
}

// A program folder with an on-premises account on the fake gateway, an ERP stand-in with
// company 01 and its account card 120.001, greeting settings, and the engine on a clock of
// the test's.
struct Greetings {
    ProgramFolderFixture folder;
    QTemporaryDir erpDir;
    std::unique_ptr<ErpStandIn> erp;
    FakeGateway gateway;
    PromptRecorder prompts;
    KovasetLog log;
    QDateTime clock = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
    std::unique_ptr<KovasetEngine> engine;
    QVector<int> ended;

    Greetings()
    {
        Lifecycle::reset();
        erp = std::make_unique<ErpStandIn>(erpDir.path());
        addCompany(QStringLiteral("01"));
        folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'gizli', "
                                   "flg_kaydet_i = '1', flg_gw = '1', url_ambrel = ?"),
                    {gateway.url()});
        base64 codec;
        setParam(QStringLiteral("OrvekServer"), codec.Encode(erp->serverSetting()));
        setParam(QStringLiteral("OrvekDatabase"), codec.Encode(erp->database()));
        setParam(QStringLiteral("OrvekUser"), codec.Encode(QStringLiteral("sa")));
        setParam(QStringLiteral("OrvekPassword"), codec.Encode(QStringLiteral("x")));
        setParam(QStringLiteral("KovasetBasla"), QStringLiteral("09:00:00"));
        setParam(QStringLiteral("KovasetBitir"), QStringLiteral("18:00:00"));
        log.setFile(QDir(folder.folder()).filePath(QStringLiteral("kovaset.log")));
        log.setEchoToStderr(false);
        newEngine();
    }
    ~Greetings()
    {
        engine.reset();
        Lifecycle::reset();
    }
    void newEngine()
    {
        engine.reset();
        engine = std::make_unique<KovasetEngine>(log, [this] { return clock; });
        engine->setEndHandler([this](int s) { ended << s; });
    }
    void addCompany(const QString &code)
    {
        erp->addCompany(code, QStringLiteral("Şirket ") + code);
        erp->addAccount(code,
                        {{QStringLiteral("HesapKodu"), QStringLiteral("120.001")}, {QStringLiteral("KartTip"), 0}});
    }
    void setParam(const QString &name, const QString &value)
    {
        folder.exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"), {value, name});
    }
    void settings(const QString &code, const QString &dgunFlag, const QString &dgunText, const QString &evyilFlag,
                  const QString &evyilText)
    {
        folder.exec(QStringLiteral("INSERT INTO tbl_kovaset_ayar (sirket_kod, flg_dgun_mesaj, dgun_mesaj, "
                                   "dgun_gonderen, flg_evyil_mesaj, evyil_mesaj, evyil_gonderen) "
                                   "VALUES (?, ?, ?, 'ORVEK', ?, ?, 'TALVANE')"),
                    {code, dgunFlag, dgunText, evyilFlag, evyilText});
    }
    // Companies 01 and 02, each with one person born on the test's day (K01 and K02, numbers
    // 53212345 + code) and birthday greetings "D" on.
    void birthdaysInTwoCompanies()
    {
        addCompany(QStringLiteral("02"));
        for (const QString &c : {QStringLiteral("01"), QStringLiteral("02")}) {
            erp->addContact(c, person(QStringLiteral("K") + c, QStringLiteral("S"), QStringLiteral("532"),
                                      QStringLiteral("12345") + c, QDate(1980, 12, 10)));
            settings(c, QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
        }
    }
    void tick() { engine->onGreetingTick(); }
    // The account's gateway: a server of the test's own.
    void useGateway(const FakeHttpServer &server)
    {
        folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {server.url(QStringLiteral("/"))});
    }
    // A later start a minute on: a new engine on the simulated gateway, one tick.
    void restartOnTheSimulatedGateway()
    {
        folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {gateway.url()});
        newEngine();
        clock = clock.addSecs(60);
        tick();
    }
    QStringList bodies() const { return gateway.bodies(); }
    QList<QVariantList> gidenRows()
    {
        return folder.rows(QStringLiteral("SELECT msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, "
                                          "gtarih, sirket_kod FROM tbl_giden ORDER BY id"));
    }
    QStringList days()
    {
        QStringList out;
        for (const QVariantList &r : folder.rows(QStringLiteral("SELECT tarih FROM tbl_kovaset ORDER BY tarih")))
            out << r.at(0).toString();
        return out;
    }
    QString logText() const
    {
        QFile f(log.file());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};
} // namespace

class TestKovasetGreetings : public QObject {
    Q_OBJECT
private slots:
    void messagesOfOnePart_data();
    void messagesOfOnePart();
    void logRowsOfAWholeDay();
    void greetingWindow_data();
    void greetingWindow();
    void flagsOff();
    void onlyTheFailedPartIsSentAgain_data();
    void onlyTheFailedPartIsSentAgain();
    void midnightDuringARun();
    void failingLogWriteIsNotSentAgain();
    void unansweredPartIsNotSentAgain();
    void busyDatabaseJournalsThePart();
    void progressRowIsCommittedBeforeTheRequest();
    void stopDuringARun_data();
    void stopDuringARun();
    void garbageReplyIsOneLogLine();
    void unclearReplyTriedThreeTimesADay_data();
    void unclearReplyTriedThreeTimesADay();
    void companiesThatWait_data();
    void companiesThatWait();
    void noErpConnectionEndsTheProgram();
    void failingDayStateSendsNothing_data();
    void failingDayStateSendsNothing();
    void erpQueries();
};

void TestKovasetGreetings::messagesOfOnePart_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantList>("people");
    QTest::addColumn<QStringList>("expected"); // text + "|" + number; empty: no request

    const QDate dec10(1980, 12, 10);
    const QString standard = QStringLiteral("Sevgili [##Adi##] [##Soyadi##], iyi ki doğdun!");
    QTest::newRow("two persons") << QDate(2026, 12, 10) << standard
                                 << QVariantList{person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"),
                                                        QStringLiteral("532"), QStringLiteral("1234567"), dec10),
                                                 person(QStringLiteral("Can"), QStringLiteral("Er"),
                                                        QStringLiteral("0542"), QStringLiteral("111 22 33"),
                                                        QDate(1975, 12, 10)),
                                                 person(QStringLiteral("Yarın"), QStringLiteral("Doğan"),
                                                        QStringLiteral("533"), QStringLiteral("9998877"),
                                                        QDate(1975, 12, 11))}
                                 << QStringList{QStringLiteral("Sevgili Ayşe Yılmaz, iyi ki doğdun!|5321234567"),
                                                QStringLiteral("Sevgili Can Er, iyi ki doğdun!|5421112233")};
    QTest::newRow("same number twice: one message")
        << QDate(2026, 12, 10) << standard
        << QVariantList{person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), QStringLiteral("532"),
                               QStringLiteral("1234567"), dec10),
                        person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), QStringLiteral("(532)"),
                               QStringLiteral("123-45-67"), QDate(1950, 12, 10))}
        << QStringList{QStringLiteral("Sevgili Ayşe Yılmaz, iyi ki doğdun!|5321234567")};
    QTest::newRow("landline skipped") << QDate(2026, 12, 10) << standard
                                      << QVariantList{person(QStringLiteral("Ofis"), QStringLiteral("Hattı"),
                                                             QStringLiteral("212"), QStringLiteral("1234567"), dec10),
                                                      person(QStringLiteral("Kısa"), QStringLiteral("Numara"),
                                                             QStringLiteral("532"), QStringLiteral("12345"), dec10)}
                                      << QStringList{};
    QTest::newRow("1899 is no date") << QDate(2026, 12, 30) << standard
                                     << QVariantList{person(QStringLiteral("Tarihsiz"), QStringLiteral("Kişi"),
                                                            QStringLiteral("532"), QStringLiteral("1234567"), QDate())}
                                     << QStringList{};
    const QVariantList leapling{person(QStringLiteral("Şubat"), QStringLiteral("Yirmidokuz"), QStringLiteral("505"),
                                       QStringLiteral("7654321"), QDate(1988, 2, 29))};
    QTest::newRow("29 February in a leap year")
        << QDate(2028, 2, 29) << standard << leapling
        << QStringList{QStringLiteral("Sevgili Şubat Yirmidokuz, iyi ki doğdun!|5057654321")};
    QTest::newRow("29 February: not on 28 February") << QDate(2027, 2, 28) << standard << leapling << QStringList{};
    QTest::newRow("29 February: not on 1 March") << QDate(2027, 3, 1) << standard << leapling << QStringList{};
    QTest::newRow("Null names write nothing")
        << QDate(2026, 12, 10) << standard
        << QVariantList{person(QVariant(), QVariant(), QStringLiteral("532"), QStringLiteral("1234567"), dec10)}
        << QStringList{QStringLiteral("Sevgili  , iyi ki doğdun!|5321234567")};
    QTest::newRow("& < > replaced") << QDate(2026, 12, 10) << QStringLiteral("<Kutlu> olsun & [##Adi##]")
                                    << QVariantList{person(QStringLiteral("Ayşe & Can"), QStringLiteral("Y"),
                                                           QStringLiteral("532"), QStringLiteral("1234567"), dec10)}
                                    << QStringList{QStringLiteral("[Kutlu] olsun - Ayşe - Can|5321234567")};
    QTest::newRow("[##Ad##] and [##Soyad##] filled, other fields as typed")
        << QDate(2026, 12, 10) << QStringLiteral("[##Ad##] [##Soyad##] [##Unvan1##] [##Adi2##] [##Adi##]")
        << QVariantList{person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), QStringLiteral("532"),
                               QStringLiteral("1234567"), dec10)}
        << QStringList{QStringLiteral("Ayşe Yılmaz [##Unvan1##] [##Adi2##] Ayşe|5321234567")};
    const QString long161 = QString(150, QLatin1Char('x')) + QStringLiteral("[##Adi##]");
    QTest::newRow("161 characters cut to 160")
        << QDate(2026, 12, 10) << long161
        << QVariantList{person(QStringLiteral("Abcdefghijk"), QStringLiteral("Y"), QStringLiteral("532"),
                               QStringLiteral("1234567"), dec10)}
        << QStringList{QString(150, QLatin1Char('x')) + QStringLiteral("Abcdefghij|5321234567")};
}

void TestKovasetGreetings::messagesOfOnePart()
{
    QFETCH(QDate, today);
    QFETCH(QString, text);
    QFETCH(QVariantList, people);
    QFETCH(QStringList, expected);
    Greetings g;
    g.clock = QDateTime(today, QTime(12, 0, 0));
    for (const QVariant &p : people) g.erp->addContact(QStringLiteral("01"), p.toMap());
    g.settings(QStringLiteral("01"), QStringLiteral("1"), text, QStringLiteral("0"), QString());
    g.tick();
    QVERIFY(!g.engine->hasEnded());
    QCOMPARE(g.prompts.count(), 0);
    if (expected.isEmpty()) {
        QCOMPARE(g.gateway.requestCount(), 0);
        QCOMPARE(g.gidenRows().size(), 0);
    } else {
        QVector<Message> messages;
        for (const QString &m : expected) messages << Message(m.section(QLatin1Char('|'), 0, 0), m.section('|', 1));
        QCOMPARE(g.bodies(), QStringList{sendBody(QStringLiteral("ORVEK"), messages)});
        const auto rows = g.gidenRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).at(3).toInt(), int(expected.size()));
    }
    // A part with nobody to greet is done as well: the day is marked either way.
    QCOMPARE(g.days(), QStringList{today.toString(QStringLiteral("yyyy-MM-dd"))});
    QVERIFY(g.gateway.element(g.bodies().value(0), QStringLiteral("PassWord")).isEmpty() ||
            !g.logText().contains(QStringLiteral("gizli")));
}

void TestKovasetGreetings::logRowsOfAWholeDay()
{
    Greetings g;
    g.addCompany(QStringLiteral("02"));
    const QDate dec10(1980, 12, 10);
    // Both days today: one message of each kind.
    g.erp->addContact(QStringLiteral("01"),
                      person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), QStringLiteral("532"),
                             QStringLiteral("1234567"), dec10, QDate(2005, 12, 10)));
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("Can"), QStringLiteral("Er"), QStringLiteral("542"),
                                                   QStringLiteral("1112233"), dec10));
    g.erp->addContact(QStringLiteral("02"),
                      person(QStringLiteral("Deniz"), QStringLiteral("Kaya"), QStringLiteral("506"),
                             QStringLiteral("1231231"), QDate(), QDate(2010, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("İyi ki doğdun [##Adi##]"),
               QStringLiteral("1"), QStringLiteral("Mutlu yıllar [##Adi##] [##Soyadi##]"));
    g.settings(QStringLiteral("02"), QStringLiteral("1"), QStringLiteral("Doğum günü"), QStringLiteral("1"),
               QStringLiteral("Yıldönümü [##Soyadi##]"));
    g.clock = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 15));
    g.tick();

    QCOMPARE(
        g.bodies(),
        (QStringList{
            sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("İyi ki doğdun Ayşe"), QStringLiteral("5321234567")},
                                               {QStringLiteral("İyi ki doğdun Can"), QStringLiteral("5421112233")}}),
            sendBody(QStringLiteral("TALVANE"),
                     {{QStringLiteral("Mutlu yıllar Ayşe Yılmaz"), QStringLiteral("5321234567")}}),
            sendBody(QStringLiteral("TALVANE"), {{QStringLiteral("Yıldönümü Kaya"), QStringLiteral("5061231231")}})}));
    const QString at = QStringLiteral("2026-12-10 09:30:15");
    const auto rows = g.gidenRows();
    QCOMPARE(rows.size(), 3);
    const QList<QVariantList> expected{{QStringLiteral("100001"), kBirthday, QStringLiteral("Ambrel"), 2, kLogText,
                                        QStringLiteral("ORVEK"), at, at, QStringLiteral("01")},
                                       {QStringLiteral("100002"), kAnniversary, QStringLiteral("Ambrel"), 1, kLogText,
                                        QStringLiteral("TALVANE"), at, at, QStringLiteral("01")},
                                       {QStringLiteral("100003"), kAnniversary, QStringLiteral("Ambrel"), 1, kLogText,
                                        QStringLiteral("TALVANE"), at, at, QStringLiteral("02")}};
    for (int i = 0; i < 3; ++i)
        for (int c = 0; c < 9; ++c) QCOMPARE(rows.at(i).at(c).toString(), expected.at(i).at(c).toString());
    QCOMPARE(g.folder
                 .rows(QStringLiteral("SELECT tarih, sirket_kod, msg_tip, msgid FROM tbl_kovaset_parca "
                                      "ORDER BY sirket_kod, msg_tip"))
                 .size(),
             3);
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
    const QString logged = g.logText();
    QVERIFY(logged.contains(QStringLiteral("Tebrik gönderildi: şirket 01, Doğum günü tebriği, 2 mesaj, msgid 100001")));
    QVERIFY(logged.contains(QStringLiteral("Günün tebrikleri tamamlandı: 2026-12-10")));
    QVERIFY2(!logged.contains(QStringLiteral("gizli")) && !logged.contains(QStringLiteral("İyi ki")),
             "no password and no message text in the log");

    // The next tick of the same day is silent.
    g.clock = g.clock.addSecs(60);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 3);
    QCOMPARE(g.gidenRows().size(), 3);
}

void TestKovasetGreetings::greetingWindow_data()
{
    QTest::addColumn<QString>("basla");
    QTest::addColumn<QString>("bitir");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("runs");
    const QString b = QStringLiteral("09:00:00"), e = QStringLiteral("18:00:00");
    QTest::newRow("1 s before the start") << b << e << QTime(8, 59, 59) << false;
    QTest::newRow("at the start") << b << e << QTime(9, 0, 0) << true;
    QTest::newRow("at the end") << b << e << QTime(18, 0, 0) << true;
    QTest::newRow("1 s after the end") << b << e << QTime(18, 0, 1) << false;
    QTest::newRow("reversed, inside neither") << e << b << QTime(12, 0, 0) << false;
    QTest::newRow("reversed, evening") << e << b << QTime(20, 0, 0) << false;
    QTest::newRow("reversed, morning") << e << b << QTime(8, 0, 0) << false;
}

void TestKovasetGreetings::greetingWindow()
{
    QFETCH(QString, basla);
    QFETCH(QString, bitir);
    QFETCH(QTime, time);
    QFETCH(bool, runs);
    Greetings g;
    g.setParam(QStringLiteral("KovasetBasla"), basla);
    g.setParam(QStringLiteral("KovasetBitir"), bitir);
    g.erp->addContact(QStringLiteral("01"),
                      person(QStringLiteral("Ayşe"), QStringLiteral("Yılmaz"), QStringLiteral("532"),
                             QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("Kutlu olsun"), QStringLiteral("0"),
               QString());
    g.clock = QDateTime(QDate(2026, 12, 10), time);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), runs ? 1 : 0);
    QCOMPARE(g.days().size(), runs ? 1 : 0);
    QVERIFY(g.engine->greetingTimerOn());
}

void TestKovasetGreetings::flagsOff()
{
    Greetings g;
    // Any greeting flag other than "1" is off; the ERP database is never asked (it would fail).
    g.settings(QStringLiteral("01"), QStringLiteral("0"), QStringLiteral("a"), QStringLiteral("evet"),
               QStringLiteral("b"));
    g.settings(QStringLiteral("02"), QString(), QStringLiteral("a"), QStringLiteral(" 1"), QStringLiteral("b"));
    g.setParam(QStringLiteral("OrvekServer"), base64().Encode(QStringLiteral("sqlite:/yok/boyle/bir/klasor")));
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 0);
    QCOMPARE(g.prompts.count(), 0);
    QVERIFY(!ErpDb().isOpen());
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});

    // Without any company row the day stays open.
    Greetings empty;
    empty.tick();
    QCOMPARE(empty.days(), QStringList{});
}

void TestKovasetGreetings::onlyTheFailedPartIsSentAgain_data()
{
    QTest::addColumn<bool>("unreachable"); // no request can be made in the first tick
    QTest::newRow("refused by the gateway") << false;
    QTest::newRow("gateway unreachable") << true;
}

void TestKovasetGreetings::onlyTheFailedPartIsSentAgain()
{
    QFETCH(bool, unreachable);
    Greetings g;
    g.addCompany(QStringLiteral("02"));
    for (const QString &c : {QStringLiteral("01"), QStringLiteral("02")})
        g.erp->addContact(c, person(QStringLiteral("Kişi") + c, QStringLiteral("S"), QStringLiteral("532"),
                                    QStringLiteral("12345") + c, QDate(1980, 12, 10), QDate(2000, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D [##Adi##]"), QStringLiteral("1"),
               QStringLiteral("E [##Adi##]"));
    g.settings(QStringLiteral("02"), QStringLiteral("1"), QStringLiteral("D [##Adi##]"), QStringLiteral("0"),
               QString());
    const QString company02 =
        sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D Kişi02"), QStringLiteral("5321234502")}});

    if (unreachable) {
        QString deadUrl;
        {
            FakeGateway gone;
            deadUrl = gone.url();
        }
        g.folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {deadUrl});
        g.tick();
        QCOMPARE(g.gidenRows().size(), 0);
        QCOMPARE(g.days(), QStringList{});
        QVERIFY(
            g.logText().contains(QStringLiteral("Tebrik gönderilemedi: şirket 02, Doğum günü tebriği, yanıt \"-1\"")));
        g.folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {g.gateway.url()});
        g.clock = g.clock.addSecs(60);
        g.tick();
        QCOMPARE(g.gateway.requestCount(), 3);
        QCOMPARE(g.gateway.lastBody(), company02);
        QCOMPARE(g.gidenRows().size(), 3);
        QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
        return;
    }

    g.gateway.queueReply(QStringLiteral("1"), QStringLiteral("ID: 501"));
    g.gateway.queueReply(QStringLiteral("1"), QStringLiteral("ID: 502"));
    g.gateway.queueReply(QStringLiteral("1"), QStringLiteral("01"));
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 3);
    QCOMPARE(g.gidenRows().size(), 2);
    QCOMPARE(g.days(), QStringList{});
    QVERIFY(g.logText().contains(QStringLiteral("Tebrik gönderilemedi: şirket 02, Doğum günü tebriği, yanıt \"01\"")));
    QVERIFY2(g.engine->greetingTimerOn(), "a refused part does not stop the program");

    g.clock = g.clock.addSecs(60);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 4);
    QCOMPARE(g.gateway.lastBody(), company02);
    const auto rows = g.gidenRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("501"));
    QCOMPARE(rows.at(2).at(8).toString(), QStringLiteral("02"));
    QCOMPARE(rows.at(2).at(6).toString(), QStringLiteral("2026-12-10 10:01:00"));
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
}

void TestKovasetGreetings::midnightDuringARun()
{
    Greetings g;
    g.setParam(QStringLiteral("KovasetBasla"), QStringLiteral("00:00:00"));
    g.setParam(QStringLiteral("KovasetBitir"), QStringLiteral("23:59:59"));
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("Bugün"), QStringLiteral("A"), QStringLiteral("532"),
                                                   QStringLiteral("1000001"), QDate(1980, 12, 10)));
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("Yarın"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1000002"), QDate(1980, 12, 11)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("[##Adi##]"), QStringLiteral("0"), QString());
    // Every look at the clock is one second later: the run crosses midnight.
    QDateTime t(QDate(2026, 12, 10), QTime(23, 59, 59));
    g.engine = std::make_unique<KovasetEngine>(g.log, [&t] {
        const QDateTime now = t;
        t = t.addSecs(1);
        return now;
    });
    g.tick();
    QCOMPARE(g.bodies(),
             QStringList{sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("Bugün"), QStringLiteral("5321000001")}})});
    QCOMPARE(g.gidenRows().value(0).value(6).toString(), QStringLiteral("2026-12-10 23:59:59"));
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
    g.tick();
    QCOMPARE(g.gateway.lastBody(),
             sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("Yarın"), QStringLiteral("5321000002")}}));
    QCOMPARE(g.days(), (QStringList{QStringLiteral("2026-12-10"), QStringLiteral("2026-12-11")}));
}

void TestKovasetGreetings::failingLogWriteIsNotSentAgain()
{
    Greetings g;
    g.birthdaysInTwoCompanies();
    g.folder.exec(QStringLiteral("CREATE TRIGGER giden_dolu BEFORE INSERT ON tbl_giden WHEN NEW.sirket_kod = '01' "
                                 "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END"));
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 2);
    QVERIFY(g.logText().contains(QStringLiteral("Tebrik gönderildi, kaydı sonra tamamlanacak: şirket 01, Doğum günü "
                                                "tebriği, 1 mesaj, msgid 100001, tarih 2026-12-10 10:00:00")));
    // Nothing of the failed transaction stays (the part is still marked as being sent); its
    // rows wait in the journal; the other company is logged as usual.
    QCOMPARE(g.folder
                 .scalar(QStringLiteral("SELECT count(*) FROM tbl_kovaset_parca WHERE sirket_kod = '01' AND "
                                        "msgid IS NULL"))
                 .toInt(),
             1);
    QVERIFY(QFile::exists(AcceptedWriteJournalPath()));
    QCOMPARE(g.gidenRows().size(), 1);
    QVERIFY(!g.engine->hasEnded());
    QCOMPARE(g.prompts.count(), 0);

    // A restarted engine on the same day: the journal's progress row goes in before the
    // parts are read, so the part is not sent again; the log row its table refuses is kept
    // aside.
    g.folder.exec(QStringLiteral("DELETE FROM tbl_kovaset"));
    g.newEngine();
    g.clock = g.clock.addSecs(60);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 2);
    QCOMPARE(g.folder.scalar(QStringLiteral("SELECT msgid FROM tbl_kovaset_parca WHERE sirket_kod = '01'")).toString(),
             QStringLiteral("100001"));
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
    QVERIFY(QFile::exists(AcceptedWriteJournalPath() + QStringLiteral(".bad")));
}

void TestKovasetGreetings::unansweredPartIsNotSentAgain()
{
    Greetings g;
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    // The gateway reads the whole request, then drops the connection: it may have taken it.
    g.gateway.queueReply(QStringLiteral("1"), FakeReply::closed());
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 1);
    QVERIFY(g.logText().contains(QStringLiteral("Tebrik isteği gitti, yanıt gelmedi; gönderilmiş olabilir, bugün "
                                                "yeniden gönderilmeyecek: şirket 01, Doğum günü tebriği, 1 mesaj")));
    const QList<QVariantList> parts = g.folder.rows(QStringLiteral("SELECT sirket_kod, msg_tip, msgid FROM "
                                                                   "tbl_kovaset_parca"));
    QCOMPARE(parts.size(), 1);
    QCOMPARE(parts[0][1].toString(), BirthdayKind());
    QVERIFY(parts[0][2].isNull());
    QCOMPARE(g.gidenRows().size(), 0);
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});

    // Not again on that day, also from a restarted engine.
    g.folder.exec(QStringLiteral("DELETE FROM tbl_kovaset"));
    g.newEngine();
    g.clock = g.clock.addSecs(60);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 1);
}

// Another program takes the write lock while the gateway answers the first part and holds it
// through the rest of the run: the accepted part's rows go to the journal, the second part is
// not sent (its progress row cannot be written first); a later start writes the journal in
// and sends the second part only.
void TestKovasetGreetings::busyDatabaseJournalsThePart()
{
    Greetings g;
    g.birthdaysInTwoCompanies();
    const QString dbPath = g.folder.dbPath();
    sqlite3 *locker = nullptr;
    FakeHttpServer gateway([&](const FakeRequest &) {
        if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &locker, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK) {
            sqlite3_busy_timeout(locker, 5000);
            sqlite3_exec(locker, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        }
        return FakeReply::text(QStringLiteral("ID: 501"));
    });
    g.useGateway(gateway);
    SetAcceptedWriteRetryMs(300);
    g.tick();
    SetAcceptedWriteRetryMs(0);
    QVERIFY(locker);
    QCOMPARE(sqlite3_get_autocommit(locker), 0);
    sqlite3_exec(locker, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(locker);

    QCOMPARE(gateway.requestCount(), 1);
    QCOMPARE(g.gidenRows().size(), 0);
    QVERIFY(QFile::exists(AcceptedWriteJournalPath()));
    QVERIFY(g.logText().contains(QStringLiteral("Tebrik gönderildi, kaydı sonra tamamlanacak: şirket 01")));
    QVERIFY(g.logText().contains(
        QStringLiteral("Tebrik gönderilmedi, gönderim kaydı yazılamadı (sonraki turda denenecek): şirket 02")));
    QCOMPARE(g.days(), QStringList{});

    // A restarted engine writes the journal in first: company 01 is done, 02 is sent.
    g.restartOnTheSimulatedGateway();
    QCOMPARE(g.bodies(),
             QStringList{sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D"), QStringLiteral("5321234502")}})});
    const QList<QVariantList> giden = g.gidenRows();
    QCOMPARE(giden.size(), 2);
    QCOMPARE(giden[0][0].toString(), QStringLiteral("501"));
    QCOMPARE(giden[0][8].toString(), QStringLiteral("01"));
    QCOMPARE(giden[1][8].toString(), QStringLiteral("02"));
    QCOMPARE(g.folder.rows(QStringLiteral("SELECT sirket_kod, msgid FROM tbl_kovaset_parca ORDER BY sirket_kod")),
             (QList<QVariantList>{{QStringLiteral("01"), QStringLiteral("501")},
                                  {QStringLiteral("02"), QStringLiteral("100001")}}));
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
    QVERIFY(!QFile::exists(AcceptedWriteJournalPath()));
}

// While the gateway reads the request, the part already stands in the database as being
// sent; the accepted reply completes the same row.
void TestKovasetGreetings::progressRowIsCommittedBeforeTheRequest()
{
    Greetings g;
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    const QString dbPath = g.folder.dbPath();
    QString seen;
    FakeHttpServer gateway([&](const FakeRequest &) {
        seen = RawSql(dbPath, QStringLiteral("SELECT sirket_kod || '|' || msg_tip || '|' || coalesce(msgid, '<null>') "
                                             "FROM tbl_kovaset_parca"));
        return FakeReply::text(QStringLiteral("ID: 7"));
    });
    g.useGateway(gateway);
    g.tick();
    QCOMPARE(gateway.requestCount(), 1);
    QCOMPARE(seen, QStringLiteral("01|") + kBirthday + QStringLiteral("|<null>"));
    QCOMPARE(g.folder.rows(QStringLiteral("SELECT sirket_kod, msgid FROM tbl_kovaset_parca")),
             (QList<QVariantList>{{QStringLiteral("01"), QStringLiteral("7")}}));
    QCOMPARE(g.gidenRows().size(), 1);
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
}

enum class StopBy { Flag, Signal };
Q_DECLARE_METATYPE(StopBy)
Q_DECLARE_METATYPE(FakeReply)

void TestKovasetGreetings::stopDuringARun_data()
{
    QTest::addColumn<StopBy>("by");
    QTest::addColumn<bool>("answerFirst"); // the stop comes with the first part's accepted reply
    QTest::newRow("flg_kovaset 0 while the request waits") << StopBy::Flag << false;
    QTest::newRow("a stop signal while the request waits") << StopBy::Signal << false;
    QTest::newRow("flg_kovaset 0 with the first reply") << StopBy::Flag << true;
}

// Two companies, one part each. The stop comes while the gateway holds the first request
// (it never answers: only the stop ends the request, long before the poster's 30 s stall
// limit), or together with its accepted reply: either way the second part is never asked for
// and the engine ends after the run.
void TestKovasetGreetings::stopDuringARun()
{
    QFETCH(StopBy, by);
    QFETCH(bool, answerFirst);
    Greetings g;
    g.birthdaysInTwoCompanies();
    const QString dbPath = g.folder.dbPath();
    std::atomic<bool> signalled{false};
    g.engine->setStopSignal([&signalled] { return signalled ? QStringLiteral("SIGTERM alındı") : QString(); });
    FakeHttpServer gateway([&](const FakeRequest &) {
        if (by == StopBy::Signal)
            signalled = true;
        else
            RawSql(dbPath, QStringLiteral("UPDATE tbl_param SET deger = '0' WHERE parametre = 'flg_kovaset'"));
        return answerFirst ? FakeReply::text(QStringLiteral("ID: 7")) : FakeReply::silent();
    });
    g.useGateway(gateway);

    QElapsedTimer clock;
    clock.start();
    g.tick();
    const qint64 took = clock.elapsed();
    QVERIFY2(took < 10000, qPrintable(QString::number(took)));
    qInfo("%s: the run ended %lld ms after it began", QTest::currentDataTag(), took);

    QCOMPARE(gateway.requestCount(), 1);
    QVERIFY(g.engine->hasEnded());
    QCOMPARE(g.ended, QVector<int>{0});
    QVERIFY(g.logText().contains(by == StopBy::Signal ? QStringLiteral("Kovaset sona erdi: SIGTERM alındı")
                                                      : QStringLiteral("Kovaset sona erdi: flg_kovaset \"0\"")));
    QCOMPARE(g.days(), QStringList{});
    const QList<QVariantList> parts = g.folder.rows(QStringLiteral("SELECT sirket_kod, msgid FROM tbl_kovaset_parca"));
    QCOMPARE(parts.size(), 1);
    QCOMPARE(parts[0][0].toString(), QStringLiteral("01"));
    if (answerFirst) {
        QCOMPARE(parts[0][1].toString(), QStringLiteral("7"));
        QCOMPARE(g.gidenRows().size(), 1);
    } else {
        // The body had gone out: it may have been sent, so never again today.
        QVERIFY(parts[0][1].isNull());
        QVERIFY(g.logText().contains(QStringLiteral("Tebrik isteği gitti, durdurma isteğiyle kesildi, yanıt gelmedi; "
                                                    "gönderilmiş olabilir, bugün yeniden gönderilmeyecek: şirket 01")));
        QCOMPARE(g.gidenRows().size(), 0);
    }

    // A later start on the same day sends only the part that was never asked for.
    g.folder.exec(QStringLiteral("UPDATE tbl_param SET deger = '1' WHERE parametre = 'flg_kovaset'"));
    g.restartOnTheSimulatedGateway();
    QCOMPARE(g.bodies(),
             QStringList{sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D"), QStringLiteral("5321234502")}})});
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
    QCOMPARE(int(g.logText().count(QStringLiteral("gönderilmiş olabilir"))), answerFirst ? 0 : 2);
}

// A reply with control bytes stands in the log as one readable line.
void TestKovasetGreetings::garbageReplyIsOneLogLine()
{
    Greetings g;
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    g.gateway.setReply(QStringLiteral("1"),
                       FakeReply::bytes(QByteArray("\0\x1b[2J05\r\nx\xff", 11) + QByteArray(300, 'z'), "text/plain"));
    g.tick();
    QFile f(g.log.file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);
    const QList<QByteArray> lines = bytes.split('\n');
    const QByteArray *line = nullptr;
    for (const QByteArray &l : lines)
        if (l.contains("Tebrik gönderilemedi")) line = &l;
    QVERIFY(line);
    for (const char c : *line) QVERIFY2(uchar(c) >= 0x20, line->constData());
    QVERIFY2(line->contains(QByteArray("yanıt \"\\x00\\x1B[2J05\\x0D\\x0Ax\xEF\xBF\xBD") + QByteArray(189, 'z') +
                            "\"... (311 karakter)"),
             line->constData());
}

void TestKovasetGreetings::unclearReplyTriedThreeTimesADay_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<bool>("olderFile"); // a database file without the table of the tries
    QTest::addColumn<int>("requests");   // in five ticks of one day, a restart among them
    const QString page = QStringLiteral("<html><body><h1>500 Internal Server Error</h1></body></html>");
    QTest::newRow("HTML 500 page") << FakeReply::httpError(500, page) << false << 3;
    QTest::newRow("HTML 500 page, older database file") << FakeReply::httpError(500, page) << true << 3;
    QTest::newRow("binary bytes") << FakeReply::bytes(QByteArray("\x00\x8f\xfe\xff\x01", 5), "application/octet-stream")
                                  << false << 3;
    QTest::newRow("empty reply") << FakeReply::text(QString()) << false << 3;
    QTest::newRow("gateway code") << FakeReply::text(QStringLiteral("01")) << false << 5;
}

// A reply that is neither accepted nor a gateway code may come from a proxy after the gateway
// took the request: the part is tried at most three times a day, across restarts, and again
// the next day. A gateway code keeps the part due at every tick.
void TestKovasetGreetings::unclearReplyTriedThreeTimesADay()
{
    QFETCH(FakeReply, reply);
    QFETCH(bool, olderFile);
    QFETCH(int, requests);
    Greetings g;
    if (olderFile) g.folder.exec(QStringLiteral("DROP TABLE tbl_kovaset_deneme"));
    for (const int day : {10, 11})
        g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("K%1").arg(day), QStringLiteral("S"),
                                                       QStringLiteral("532"), QStringLiteral("12345%1").arg(day),
                                                       QDate(1980, 12, day)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D [##Adi##]"), QStringLiteral("0"),
               QString());
    g.gateway.setReply(QStringLiteral("1"), reply);
    for (int tick = 0; tick < 5; ++tick) {
        if (tick == 2) g.newEngine(); // the count is kept across a restart
        g.tick();
        g.clock = g.clock.addSecs(60);
    }
    QCOMPARE(g.bodies().size(), requests);
    QCOMPARE(g.gidenRows().size(), 0);
    QCOMPARE(g.days(), QStringList{});
    const QString log = g.logText();
    QCOMPARE(int(log.count(QStringLiteral("Tebrik gönderilemedi: şirket 01, Doğum günü tebriği"))), requests);
    QCOMPARE(int(log.count(QStringLiteral("kez anlaşılamadı, tebrik bugün yeniden denenmeyecek"))),
             requests == 3 ? 1 : 0);
    QVERIFY2(g.engine->greetingTimerOn(), "the program goes on");

    // The next day the part is due again, and goes out.
    g.gateway.clearScript();
    g.clock = QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0));
    g.tick();
    QCOMPARE(g.bodies().size(), requests + 1);
    QCOMPARE(g.gateway.lastBody(),
             sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D K11"), QStringLiteral("5321234511")}}));
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-11")});
}

void TestKovasetGreetings::companiesThatWait_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("queryFails");
    QTest::newRow("code with a quote") << QStringLiteral("01'") << false;
    QTest::newRow("code with a dot") << QStringLiteral("01.CHK AS TCHK, HAVLEN401") << false;
    QTest::newRow("code with a blank") << QStringLiteral("0 1") << false;
    QTest::newRow("no tables for the code") << QStringLiteral("09") << true;
}

void TestKovasetGreetings::companiesThatWait()
{
    QFETCH(QString, code);
    QFETCH(bool, queryFails);
    Greetings g;
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(code, QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    g.tick();
    // The other company is greeted; this one waits for the next tick, with a log line.
    QCOMPARE(g.bodies(),
             QStringList{sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D"), QStringLiteral("5321234567")}})});
    QCOMPARE(g.days(), QStringList{});
    QCOMPARE(g.prompts.count(), 0);
    QVERIFY(!g.engine->hasEnded());
    QVERIFY(g.logText().contains(queryFails ? QStringLiteral("Şirket 09 için ERP sorgusu çalışmadı")
                                            : QStringLiteral("Şirket kodu geçersiz")));
    if (!queryFails) return;

    // The company's tables appear while the connection is open: the reopened connection
    // finds them on the second try.
    g.addCompany(QStringLiteral("09"));
    g.erp->addContact(QStringLiteral("09"), person(QStringLiteral("Dokuz"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("9999999"), QDate(1980, 12, 10)));
    QVERIFY(ErpDb().isOpen());
    g.clock = g.clock.addSecs(60);
    g.tick();
    QCOMPARE(g.gateway.lastBody(),
             sendBody(QStringLiteral("ORVEK"), {{QStringLiteral("D"), QStringLiteral("5329999999")}}));
    QCOMPARE(g.gateway.requestCount(), 2);
    QCOMPARE(g.days(), QStringList{QStringLiteral("2026-12-10")});
}

void TestKovasetGreetings::noErpConnectionEndsTheProgram()
{
    Greetings g;
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    g.setParam(QStringLiteral("OrvekDatabase"), base64().Encode(QStringLiteral("YOK")));
    g.tick();
    QCOMPARE(g.prompts.count(), 1);
    QCOMPARE(g.prompts.last().text,
             QStringLiteral("Orvek® veritabanıyla bağlantı sağlanamadı. Kovaset.exe uygulaması kapatılıyor..."));
    QCOMPARE(g.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(g.prompts.last().title, QStringLiteral("Orvek® Talvane"));
    QVERIFY(g.engine->hasEnded());
    QCOMPARE(g.ended.size(), 1);
    QCOMPARE(g.gateway.requestCount(), 0);
    QVERIFY(!g.engine->greetingTimerOn());
}

void TestKovasetGreetings::failingDayStateSendsNothing_data()
{
    QTest::addColumn<QString>("breaking");
    QTest::newRow("day marks unreadable") << QStringLiteral("DROP TABLE tbl_kovaset");
    QTest::newRow("progress unreadable") << QStringLiteral("DROP TABLE tbl_kovaset_parca");
    QTest::newRow("companies unreadable") << QStringLiteral("DROP TABLE tbl_kovaset_ayar");
}

void TestKovasetGreetings::failingDayStateSendsNothing()
{
    QFETCH(QString, breaking);
    Greetings g;
    g.erp->addContact(QStringLiteral("01"), person(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("532"),
                                                   QStringLiteral("1234567"), QDate(1980, 12, 10)));
    g.settings(QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("D"), QStringLiteral("0"), QString());
    g.folder.exec(breaking);
    g.tick();
    QCOMPARE(g.gateway.requestCount(), 0);
    QCOMPARE(g.prompts.count(), 0);
    QVERIFY(!g.engine->hasEnded());
    QVERIFY(g.logText().contains(QStringLiteral("Tebrik çalışması yapılamadı: ")));
}

void TestKovasetGreetings::erpQueries()
{
    gCompanyCode = QStringLiteral("07");
    QCOMPARE(
        KovasetGetErpQuery(QStringLiteral("Kovaset")),
        QStringLiteral(
            "SELECT TCHK.HesapKodu,TYTK.Adi,TYTK.Adi2,TYTK.Soyadi,TYTK.CepTelBKod,TYTK.CepTel,"
            "Day(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgGun,Month(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS "
            "DgAy,Year(DATEADD(Day,TYTK.DogumTar,'1899-12-30')) AS DgYil,Day(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) "
            "AS EvGun,Month(DATEADD(Day,TYTK.EvlTarih,'1899-12-30')) AS EvAy,Year(DATEADD(Day,TYTK.EvlTarih,"
            "'1899-12-30')) AS EvYil FROM HAVLEN407.CHK AS TCHK, HAVLEN407.YTK AS TYTK WHERE TCHK.KartTip = 0 AND "
            "TCHK.HesapKodu = TYTK.Sirket AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') AND "
            "(TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')"));
    QCOMPARE(KovasetGetErpQuery(QStringLiteral("GrupMesaj")),
             QStringLiteral("SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS "
                            "YetkiliAdi2,TYTK.Soyadi AS YetkiliSoyadi,TCHK.GrupKod,TFKTK.Aciklama AS GrupKodAck,"
                            "TYTK.CepTelBKod,TYTK.CepTel FROM HAVLEN407.CHK AS TCHK, HAVLEN407.YTK AS TYTK, "
                            "HAVLEN407.KTK AS TFKTK WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket AND "
                            "TFKTK.Kod = TCHK.GrupKod AND TFKTK.Tip = 6 AND (TYTK.CepTelBKod IS NOT NULL AND "
                            "TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')"));
    for (const char *k : {"BakiyeMesaj", "ChkMesaj", "YetkiliMesaj"})
        QCOMPARE(KovasetGetErpQuery(QString::fromLatin1(k)), GetErpQuery(QString::fromLatin1(k)));
    for (const char *k : {"DGunMesaj", "EvYilMesaj", "kovaset", ""})
        QCOMPARE(KovasetGetErpQuery(QString::fromLatin1(k)), QString());
    gCompanyCode.clear();
}

QTEST_GUILESS_MAIN(TestKovasetGreetings)
#include "tst_kovasetgreetings.moc"
