// One interactive cycle against the simulated interactive service, the fake gateway and the
// ERP stand-in: what is stored, what is sent (request bodies byte for byte), what is logged.

#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gathwin.h"
#include "core/HttpPoster.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "kovaset/InteractiveCycle.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/FakeGathwin.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(10, 20, 30));
const QString kNowText = QStringLiteral("2026-12-10 10:20:30");
const QString kPoll = QStringLiteral("<GathwinMain><UserName>intuser</UserName><PassWord>intpass</PassWord>"
                                     "<Action>0</Action><List>REC UNREAD</List></GathwinMain>");

QString sendBody(const QString &number, const QString &text)
{
    return QStringLiteral("<MainmsgBody><UserName>gwuser-C1</UserName><PassWord>gwpass</PassWord><Action>1</Action>"
                          "<Messages><Message><Mesgbody>") +
           text + QStringLiteral("</Mesgbody><Number>") + number +
           QStringLiteral("</Number></Message></Messages><Originator></Originator><SDate></SDate></MainmsgBody>");
}

const ErpSampleCopies &erpSample()
{
    static const ErpSampleCopies sample;
    return sample;
}

// The rules every cycle below can use: (keyword, by, kind, column, column type, answer,
// answer without account flag, answer without account, company).
const char *const kRules[] = {
    "'BAKIYE','0','BakiyeMesaj','','Metin','Sayin[##YetkiliAdi##], bakiyeniz:[##Bakiye##] TL','1',"
    "'Kaydiniz bulunamadi','01'",
    "'HESAP','1','ChkMesaj','HesapKodu','Metin','[##Unvan1##] yetkilisi[##YetkiliAdi##]','1','Hesap bulunamadi','01'",
    "'UNVAN','1','ChkMesaj','Unvan1','Metin','Hesap:[##HesapKodu##]','0',NULL,'01'",
    "'BKY','1','BakiyeMesaj','Bakiye','Sayı','Bakiye[##HesapKodu##]','0',NULL,'01'",
    "'KOLON','1','BakiyeMesaj','Yok','Metin','x','1','y','01'",
    "'KOTU','0','BakiyeMesaj','','Metin','x','1','y','01 OR 1=1'",
    "'BOS','0','BakiyeMesaj','','Metin','','1','y','01'",
    "'GENEL','0','BakiyeMesaj','','Metin','x','1','Genel bilgi','-1'",
    "'TIP','5','BakiyeMesaj','','Metin','x','1','y','01'",
};

// A program folder with the interactive account, the rules, the ERP stand-in, the simulated
// service and the fake gateway, and a context for one cycle.
struct CycleRig {
    ProgramFolderFixture fx;
    FakeGathwin service;
    FakeGateway gateway;
    Gateway client;
    QStringList log;
    QStringList erpTexts;
    InteractiveContext ctx;

    explicit CycleRig(const QString &mode = QStringLiteral("1"), const QString &single = QStringLiteral("Tesekkurler"))
    {
        const base64 codec;
        setParam("flg_interaktif", "1");
        setParam("IntKullanici", codec.Encode("intuser"));
        setParam("IntParola", codec.Encode("intpass"));
        setParam("IntDonusTip", mode);
        setParam("Int1Mesaj", single);
        for (const char *rule : kRules) fx.exec(QStringLiteral("INSERT INTO tbl_int_parametre VALUES (%1)").arg(rule));

        const QString erpFolder = erpSample().copyInto(fx.folder() + QStringLiteral("/erp"));
        gErpServer = QStringLiteral("sqlite:") + erpFolder;
        gErpDatabase = QStringLiteral("ORVEK");
        SetKovasetGathwinAddress(service.url());
        client.setUrl(gateway.url());

        ctx.gateway = &client;
        ctx.gatewayKind = GatewayKind::Brenvik;
        ctx.userName = QStringLiteral("gwuser");
        ctx.password = QStringLiteral("gwpass");
        ctx.ckey = QStringLiteral("C1");
        ctx.now = [] { return kNow; };
        ctx.log = [this](const QString &line) { log << line; };
        ctx.runErpQuery = [this](const QString &sql) {
            erpTexts << sql;
            return RunErpQueryReconnectOnce(sql);
        };
    }
    ~CycleRig() { SetKovasetGathwinAddress(QString()); }

    void setParam(const QString &name, const QString &value)
    {
        fx.exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"), {value, name});
    }
    QStringList table(const QString &sql)
    {
        QStringList out;
        for (const QVariantList &row : fx.rows(sql)) {
            QStringList cells;
            for (const QVariant &v : row) cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    QStringList sendBodies() const
    {
        QStringList out;
        for (const QString &b : gateway.bodies())
            if (FakeGateway::element(b, QStringLiteral("Action")) == QLatin1String("1")) out << b;
        return out;
    }
};

} // namespace

class TestInteractiveCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void cycle_data();
    void cycle();
    void rowsOfOneAnswer();
    void switchedOffServiceIsNotAsked();
    void storeFailureKeepsMessagesInJournal_data();
    void storeFailureKeepsMessagesInJournal();
    void answerRowsTogetherOrNotAtAll();
    void unreachableServiceStoresNothing();
    void brokenReplyKeepsWholeMessages_data();
    void brokenReplyKeepsWholeMessages();
    void stopBeforeEveryRequest_data();
    void stopBeforeEveryRequest();
    void fixedAddress();
    void leftMessagesAnsweredOnceAtStart_data();
    void leftMessagesAnsweredOnceAtStart();
};

void TestInteractiveCycle::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    erpSample();
}

void TestInteractiveCycle::cleanup()
{
    SetKovasetGathwinAddress(QString());
    HttpPoster::resetTimeouts();
    SetAcceptedWriteRetryMs(0);
}

void TestInteractiveCycle::cycle_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QStringList>("incoming"); // queued at the service: gsmno + "|" + text
    QTest::addColumn<QString>("reply");        // a scripted reply instead of the simulated list
    QTest::addColumn<QStringList>("setup");    // statements run before the cycle
    QTest::addColumn<QString>("accept");       // the gateway's reply to a send; "" = "ID:<n>"
    QTest::addColumn<QString>("gatewayUser");
    QTest::addColumn<QString>("flagAfter");
    QTest::addColumn<QStringList>("inbox"); // gsmno|msg
    QTest::addColumn<QStringList>("sent");  // number|text of each send request
    QTest::addColumn<QStringList>("giden"); // msgid|mesaj|sirket_kod
    QTest::addColumn<QStringList>("donus"); // gelenid|donusmesaj
    QTest::addColumn<int>("erpQueries");
    QTest::addColumn<QString>("logHas"); // "" = nothing logged

    const QStringList none;
    const QString one = QStringLiteral("905321234567|Merhaba");
    const QString list2 = QStringLiteral("<l><m><gsmno>905321234567</gsmno><msgbody>bir</msgbody></m>"
                                         "<m><msgbody>iki</msgbody></m></l>");
    const QString truncated = QStringLiteral("<messages><message><gsmno>905321234567</gsmno><msgbody>BAK");
    const QString noprmAnswers = QStringLiteral(
        "UPDATE tbl_int_parametre SET flg_kayityok = '1', kayityok_mesaj = 'Anlasilamadi' WHERE parametre = 'noprm'");

    // Service replies.
    QTest::newRow("err 01") << "1"
                            << "x" << none << "err 01" << none << ""
                            << "gwuser"
                            << "0" << none << none << none << none << 0 << "kapatıldı";
    QTest::newRow("err 00") << "1"
                            << "x" << none << "err 00" << none << ""
                            << "gwuser"
                            << "0" << none << none << none << none << 0 << "err 00";
    QTest::newRow("capital ERR is a list") << "1"
                                           << "x" << none << "ERR" << none << ""
                                           << "gwuser"
                                           << "1" << none << none << none << none << 0 << "Yanıt: \"ERR\"";
    QTest::newRow("ok 08") << "1"
                           << "x" << none << "ok 08" << none << ""
                           << "gwuser"
                           << "1" << none << none << none << none << 0 << "";
    QTest::newRow("-1 from the service") << "1"
                                         << "x" << none << "-1" << none << ""
                                         << "gwuser"
                                         << "1" << none << none << none << none << 0 << "Yanıt: \"-1\"";
    QTest::newRow("HTML page") << "1"
                               << "x" << none << "<HTML><BODY>Sunucu hatası<br></BODY></HTML>" << none << ""
                               << "gwuser"
                               << "1" << none << none << none << none << 0 << "Sunucu hatası<br>";
    QTest::newRow("truncated XML, no whole message: logged without its texts")
        << "1"
        << "x" << none << truncated << none << ""
        << "gwuser"
        << "1" << none << none << none << none << 0
        << QString("Etkileşimli servis yanıtı tam okunamadı (Start-end tags mismatch): 0 tam mesaj saklanıyor; "
                   "yanıtın kendisi ");
    QTest::newRow("fewer numbers than texts")
        << "1"
        << "Tesekkurler" << none << list2 << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|bir", "|iki"} << QStringList{"5321234567|Tesekkurler"}
        << QStringList{"100001|Tesekkurler|-1"} << QStringList{"1|Tesekkurler"} << 0 << "";

    // Answer modes.
    QTest::newRow("mode 0 stores only") << "0"
                                        << "x" << QStringList{one, "5559998877|a\r\nb"} << "" << none << ""
                                        << "gwuser"
                                        << "1" << QStringList{"905321234567|Merhaba", "5559998877|a b"} << none << none
                                        << none << 0 << "";
    QTest::newRow("mode 7 stores only") << "7"
                                        << "x" << QStringList{one} << "" << none << ""
                                        << "gwuser"
                                        << "1" << QStringList{"905321234567|Merhaba"} << none << none << none << 0
                                        << "";
    QTest::newRow("mode 1, rejected senders stored only")
        << "1"
        << "Tesekkurler" << QStringList{"02121234567|Sabit", one, "4444|Kisa"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"02121234567|Sabit", "905321234567|Merhaba", "4444|Kisa"}
        << QStringList{"5321234567|Tesekkurler"} << QStringList{"100001|Tesekkurler|-1"} << QStringList{"2|Tesekkurler"}
        << 0 << "";
    QTest::newRow("mode 1, apostrophe and XML characters")
        << "1"
        << "Ali'nin ekibi & <siz>\r\nİyi günler" << QStringList{one} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|Merhaba"} << QStringList{"5321234567|Ali'nin ekibi - [siz]\r\nİyi günler"}
        << QStringList{"100001|Ali'nin ekibi - [siz] İyi günler|-1"}
        << QStringList{"1|Ali'nin ekibi - [siz] İyi günler"} << 0 << "";
    QTest::newRow("mode 1, 161 characters cut")
        << "1" << QString(161, QLatin1Char('x')) << QStringList{one} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|Merhaba"} << QStringList{"5321234567|" + QString(160, QLatin1Char('x'))}
        << QStringList{"100001|" + QString(160, QLatin1Char('x')) + "|-1"}
        << QStringList{"1|" + QString(160, QLatin1Char('x'))} << 0 << "";
    QTest::newRow("mode 1, empty text sends nothing")
        << "1"
        << "" << QStringList{one} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|Merhaba"} << none << none << none << 0 << "boş";
    QTest::newRow("mode 1, refused answer")
        << "1"
        << "Tesekkurler" << QStringList{one} << "" << none << "01"
        << "gwuser"
        << "1" << QStringList{"905321234567|Merhaba"} << QStringList{"5321234567|Tesekkurler"} << none << none << 0
        << "Mesaj 1 (905321234567): yanıt ağ geçidince kabul edilmedi, yanıt: \"01\"";
    QTest::newRow("mode 1, gateway unreachable")
        << "1"
        << "Tesekkurler" << QStringList{one} << "" << QStringList{} << "close"
        << "gwuser"
        << "1" << QStringList{"905321234567|Merhaba"} << QStringList{"5321234567|Tesekkurler"} << none << none << 0
        << "yanıt: \"-1\"";
    QTest::newRow("no gateway user: all stored, none answered")
        << "1"
        << "Tesekkurler" << QStringList{one, "905551112233|Iki"} << "" << none << ""
        << ""
        << "1" << QStringList{"905321234567|Merhaba", "905551112233|Iki"} << none << none << none << 0
        << "Ağ geçidi kullanıcısı yok: 2 gelen mesaj yanıtlanmadı.";

    // Keyword rules.
    QTest::newRow("one word, by number") << "2"
                                         << "" << QStringList{"905321234567|bakiye"} << "" << none << ""
                                         << "gwuser"
                                         << "1" << QStringList{"905321234567|bakiye"}
                                         << QStringList{"5321234567|Sayin Ayse, bakiyeniz: 1250,75 TL"}
                                         << QStringList{"100001|Sayin Ayse, bakiyeniz: 1250,75 TL|01"}
                                         << QStringList{"1|Sayin Ayse, bakiyeniz: 1250,75 TL"} << 1 << "";
    QTest::newRow("by number from a written number")
        << "2"
        << "" << QStringList{"+90 532 123 45 67|BAKIYE"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"+90 532 123 45 67|BAKIYE"} << QStringList{"5321234567|Sayin Ayse, bakiyeniz: 1250,75 TL"}
        << QStringList{"100001|Sayin Ayse, bakiyeniz: 1250,75 TL|01"}
        << QStringList{"1|Sayin Ayse, bakiyeniz: 1250,75 TL"} << 1 << "";
    QTest::newRow("by number, no account")
        << "2"
        << "" << QStringList{"905559998877|BAKIYE"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905559998877|BAKIYE"} << QStringList{"5559998877|Kaydiniz bulunamadi"}
        << QStringList{"100001|Kaydiniz bulunamadi|01"} << QStringList{"1|Kaydiniz bulunamadi"} << 1 << "";
    QTest::newRow("leading blank, default rule silent")
        << "2"
        << "" << QStringList{"905321234567| BAKIYE"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567| BAKIYE"} << none << none << none << 0 << "";
    QTest::newRow("leading blank, default rule answers")
        << "2"
        << "" << QStringList{"905321234567| BAKIYE"} << "" << QStringList{noprmAnswers} << ""
        << "gwuser"
        << "1" << QStringList{"905321234567| BAKIYE"} << QStringList{"5321234567|Anlasilamadi"}
        << QStringList{"100001|Anlasilamadi|-1"} << QStringList{"1|Anlasilamadi"} << 0 << "";
    QTest::newRow("no rule, no default rule")
        << "2"
        << "" << QStringList{"905321234567|XYZ 1"} << ""
        << QStringList{"DELETE FROM tbl_int_parametre WHERE parametre = 'noprm'"} << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|XYZ 1"} << none << none << none << 0 << "";
    QTest::newRow("three words, by text value without case")
        << "2"
        << "" << QStringList{"905551112233|unvan ışık tekstil a.ş."} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905551112233|unvan ışık tekstil a.ş."} << QStringList{"5551112233|Hesap: 120.002"}
        << QStringList{"100001|Hesap: 120.002|01"} << QStringList{"1|Hesap: 120.002"} << 1 << "";
    QTest::newRow("by value, one fetch for three answers")
        << "2"
        << "" << QStringList{"905321234567|HESAP 120.001", "905551112233|hesap 120.004  ", "905551112234|HESAP 999"}
        << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|HESAP 120.001", "905551112233|hesap 120.004  ", "905551112234|HESAP 999"}
        << QStringList{"5321234567| Caglar Gida Ltd. Sti. yetkilisi Ayse", "5551112233| Sen Otomotiv yetkilisi Cigdem",
                       "5551112234|Hesap bulunamadi"}
        << QStringList{"100001| Caglar Gida Ltd. Sti. yetkilisi Ayse|01", "100002| Sen Otomotiv yetkilisi Cigdem|01",
                       "100003|Hesap bulunamadi|01"}
        << QStringList{"1| Caglar Gida Ltd. Sti. yetkilisi Ayse", "2| Sen Otomotiv yetkilisi Cigdem",
                       "3|Hesap bulunamadi"}
        << 1 << "";
    QTest::newRow("by value as a number")
        << "2"
        << "" << QStringList{"905321234567|BKY 1250.750"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|BKY 1250.750"} << QStringList{"5321234567|Bakiye 120.001"}
        << QStringList{"100001|Bakiye 120.001|01"} << QStringList{"1|Bakiye 120.001"} << 1 << "";
    QTest::newRow("by value as a number, no number")
        << "2"
        << "" << QStringList{"905321234567|BKY bin"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|BKY bin"} << none << none << none << 1 << "";
    QTest::newRow("not found, flg_kayityok 0")
        << "2"
        << "" << QStringList{"905321234567|UNVAN Yok Firma"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|UNVAN Yok Firma"} << none << none << none << 1 << "";
    QTest::newRow("unknown column") << "2"
                                    << "" << QStringList{"905321234567|KOLON 1"} << "" << none << ""
                                    << "gwuser"
                                    << "1" << QStringList{"905321234567|KOLON 1"} << none << none << none << 1
                                    << "sorgu sütunu bulunamadı: Yok";
    QTest::newRow("company code not letters and digits")
        << "2"
        << "" << QStringList{"905321234567|KOTU"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|KOTU"} << none << none << none << 0 << "şirket kodu geçersiz: 01 OR 1=1";
    QTest::newRow("unknown lookup kind") << "2"
                                         << "" << QStringList{"905321234567|TIP"} << "" << none << ""
                                         << "gwuser"
                                         << "1" << QStringList{"905321234567|TIP"} << none << none << none << 0
                                         << "geri dönüş tipi geçersiz: 5";
    QTest::newRow("found, empty answer text")
        << "2"
        << "" << QStringList{"905321234567|BOS"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|BOS"} << none << none << none << 1 << "boş";
    QTest::newRow("rule of every company: no ERP query")
        << "2"
        << "" << QStringList{"905321234567|GENEL"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|GENEL"} << QStringList{"5321234567|Genel bilgi"}
        << QStringList{"100001|Genel bilgi|-1"} << QStringList{"1|Genel bilgi"} << 0 << "";
    QTest::newRow("keyword 'OR''=' is a plain keyword")
        << "2"
        << "" << QStringList{"905321234567|'or''=' x"} << "" << none << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|'or''=' x"} << none << none << none << 0 << "";
    QTest::newRow("keyword with apostrophes matches its rule")
        << "2"
        << "" << QStringList{"905321234567|'or''=' x"} << ""
        << QStringList{"INSERT INTO tbl_int_parametre VALUES ('''OR''''=''','0','BakiyeMesaj','','Metin','','1',"
                       "'Eslesti','-1')"}
        << ""
        << "gwuser"
        << "1" << QStringList{"905321234567|'or''=' x"} << QStringList{"5321234567|Eslesti"}
        << QStringList{"100001|Eslesti|-1"} << QStringList{"1|Eslesti"} << 0 << "";
}

void TestInteractiveCycle::cycle()
{
    QFETCH(QString, mode);
    QFETCH(QString, single);
    QFETCH(QStringList, incoming);
    QFETCH(QString, reply);
    QFETCH(QStringList, setup);
    QFETCH(QString, accept);
    QFETCH(QString, gatewayUser);
    QFETCH(QStringList, sent);
    QFETCH(int, erpQueries);
    QFETCH(QString, logHas);

    CycleRig rig(mode, single);
    for (const QString &sql : setup) rig.fx.exec(sql);
    for (const QString &m : incoming) rig.service.queueUnread(m.section('|', 0, 0), m.section('|', 1));
    if (!reply.isEmpty()) rig.service.queueReply(reply);
    if (accept == QLatin1String("close"))
        rig.gateway.setReply(QStringLiteral("1"), FakeReply::closed());
    else if (!accept.isEmpty())
        rig.gateway.setReply(QStringLiteral("1"), accept);
    rig.ctx.userName = gatewayUser;

    InteractiveStart(rig.ctx);

    QCOMPARE(rig.service.bodies(), QStringList{kPoll});
    QTEST(rig.fx.scalar("SELECT deger FROM tbl_param WHERE parametre = 'flg_interaktif'").toString(), "flagAfter");
    QTEST(rig.table("SELECT gsmno, msg FROM tbl_int_msgbox ORDER BY id"), "inbox");
    QStringList bodies;
    for (const QString &s : sent) bodies << sendBody(s.section('|', 0, 0), s.section('|', 1));
    QCOMPARE(rig.sendBodies(), bodies);
    QTEST(rig.table("SELECT msgid, mesaj, sirket_kod FROM tbl_giden ORDER BY id"), "giden");
    QTEST(rig.table("SELECT gelenid, donusmesaj FROM tbl_int_donus ORDER BY id"), "donus");
    QCOMPARE(rig.erpTexts.size(), erpQueries);
    if (logHas.isEmpty())
        QVERIFY2(rig.log.isEmpty(), qPrintable(rig.log.join('\n')));
    else
        QVERIFY2(rig.log.join('\n').contains(logHas), qPrintable(rig.log.join('\n')));
}

void TestInteractiveCycle::rowsOfOneAnswer()
{
    CycleRig rig("2", "");
    rig.service.queueUnread("+90 532 123 45 67", "BAKIYE");
    rig.service.queueUnread("905059998877", "DURUM");
    const CycleOutcome out = InteractiveStart(rig.ctx);
    QCOMPARE(out.result, CycleResult::Fetched);
    QCOMPARE(out.fetched, 2);
    QCOMPARE(out.stored, 2);
    QCOMPARE(out.accepted, 1);
    QCOMPARE(rig.service.unreadCount(), 0);

    QCOMPARE(rig.table("SELECT * FROM tbl_int_msgbox"),
             (QStringList{"1|" + kNowText + "|+90 532 123 45 67|BAKIYE", "2|" + kNowText + "|905059998877|DURUM"}));
    QCOMPARE(rig.table("SELECT * FROM tbl_giden"),
             QStringList{"1|100001|Interaktif SMS|Brenvik|1|Sayin Ayse, bakiyeniz: 1250,75 TL||" + kNowText + "|" +
                         kNowText + "|01"});
    QCOMPARE(rig.table("SELECT * FROM tbl_int_donus"), QStringList{"1|1|Sayin Ayse, bakiyeniz: 1250,75 TL"});
    // The by-number condition, as the ERP expects it, after the rule's query text.
    QCOMPARE(rig.erpTexts.size(), 1);
    QVERIFY(rig.erpTexts.first().endsWith(
        "AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '') AND TYTK.CepTelBKod = 532 AND TYTK.CepTel = 1234567"));
    QCOMPARE(gCompanyCode, QStringLiteral("-1")); // the default rule answered the last message

    // The messages were read at the service: the next cycle finds none.
    rig.gateway.clearRequests();
    QCOMPARE(InteractiveStart(rig.ctx).result, CycleResult::NoMessages);
    QCOMPARE(rig.gateway.requestCount(), 0);
}

void TestInteractiveCycle::switchedOffServiceIsNotAsked()
{
    CycleRig rig;
    rig.service.queueReply("err 01");
    rig.service.queueUnread("905321234567", "Merhaba");
    QCOMPARE(InteractiveStart(rig.ctx).result, CycleResult::ServiceError);
    QCOMPARE(rig.service.requestCount(), 1);
    for (int i = 0; i < 2; ++i) QCOMPARE(InteractiveStart(rig.ctx).result, CycleResult::ServiceOff);
    QCOMPARE(rig.service.requestCount(), 1);
    QCOMPARE(rig.service.unreadCount(), 1);
    // Saved again in the main program: the next cycle fetches.
    rig.setParam("flg_interaktif", "1");
    QCOMPARE(InteractiveStart(rig.ctx).result, CycleResult::Fetched);
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_msgbox").toInt(), 1);
}

void TestInteractiveCycle::storeFailureKeepsMessagesInJournal_data()
{
    QTest::addColumn<bool>("locked"); // another program holds the database (else the inbox refuses the rows)
    QTest::newRow("inbox refuses the rows") << false;
    QTest::newRow("database locked") << true;
}

// The fetched messages are read at the service: an inbox that cannot take them now gets them
// from the journal at the next start, and their answers, journaled with them, are tied to
// them there. Their texts never go into the log.
void TestInteractiveCycle::storeFailureKeepsMessagesInJournal()
{
    QFETCH(bool, locked);
    CycleRig rig;
    if (locked) {
        // Each write waits a moment only, the answers' rows a little longer, then journal.
        rig.ctx.runLocalWrite = [](const std::function<void(QSqlDatabase &)> &work, QString &error) {
            try {
                InLocalTransaction(work, 100);
                return true;
            } catch (const OrvekError &e) {
                error = e.description();
                return false;
            }
        };
        SetAcceptedWriteRetryMs(300);
        rig.fx.exec("BEGIN IMMEDIATE");
    } else {
        rig.fx.exec("CREATE TRIGGER full_inbox BEFORE INSERT ON tbl_int_msgbox BEGIN SELECT RAISE(ABORT, 'depo "
                    "dolu'); END");
    }
    rig.service.queueUnread("905321234567", "Merhaba");
    rig.service.queueUnread("905551112233", "İkinci mesaj");
    const CycleOutcome out = InteractiveStart(rig.ctx);
    if (locked) rig.fx.exec("ROLLBACK");
    QCOMPARE(out.stored, 0);
    QCOMPARE(out.accepted, 2);
    QCOMPARE(rig.sendBodies(),
             (QStringList{sendBody("5321234567", "Tesekkurler"), sendBody("5551112233", "Tesekkurler")}));
    const QString log = rig.log.join('\n');
    QVERIFY2(log.contains("Gelen 2 mesaj saklanamadı (") && log.contains(locked ? "locked" : "depo dolu") &&
                 log.contains("günlüğe alındı"),
             qPrintable(log));
    QVERIFY2(!log.contains("Merhaba") && !log.contains("İkinci"), qPrintable(log));
    // No answer row without its message: they wait in the journal together.
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_donus").toInt(), 0);
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_msgbox").toInt(), 0);

    if (!locked) rig.fx.exec("DROP TRIGGER full_inbox");
    ReplayAcceptedWriteJournal();
    QVERIFY(!QFileInfo::exists(AcceptedWriteJournalPath()));
    QVERIFY(!QFileInfo::exists(AcceptedWriteJournalPath() + ".bad"));
    QCOMPARE(rig.table("SELECT id, tarih, gsmno, msg FROM tbl_int_msgbox ORDER BY id"),
             (QStringList{"1|" + kNowText + "|905321234567|Merhaba", "2|" + kNowText + "|905551112233|İkinci mesaj"}));
    QCOMPARE(rig.table("SELECT gelenid, donusmesaj FROM tbl_int_donus ORDER BY gelenid"),
             (QStringList{"1|Tesekkurler", "2|Tesekkurler"}));
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), 2);
    // Both count as answered at the next start.
    QCOMPARE(AnswerLeftMessages(rig.ctx).accepted, 0);
    QCOMPARE(rig.sendBodies().size(), 2);
}

void TestInteractiveCycle::answerRowsTogetherOrNotAtAll()
{
    CycleRig rig;
    rig.fx.exec("CREATE TRIGGER no_answer BEFORE INSERT ON tbl_int_donus BEGIN SELECT RAISE(ABORT, 'yazilamaz'); END");
    rig.service.queueUnread("905321234567", "Merhaba");
    const CycleOutcome out = InteractiveStart(rig.ctx);
    QCOMPARE(out.accepted, 1);
    QCOMPARE(rig.sendBodies().size(), 1);
    // Neither row without the other: both wait in the journal.
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QVERIFY(QFileInfo::exists(AcceptedWriteJournalPath()));
    const QString log = rig.log.join('\n');
    QVERIFY2(log.contains("Mesaj 1 (905321234567): yanıt gönderildi (MsgID 100001)") && log.contains("günlüğe alındı"),
             qPrintable(log));
    // The next start writes them in, still tied to the stored message.
    rig.fx.exec("DROP TRIGGER no_answer");
    ReplayAcceptedWriteJournal();
    QCOMPARE(rig.table("SELECT msgid, mesaj, sirket_kod FROM tbl_giden"), QStringList{"100001|Tesekkurler|-1"});
    QCOMPARE(rig.table("SELECT gelenid, donusmesaj FROM tbl_int_donus"), QStringList{"1|Tesekkurler"});
    // The cycle goes on with the next message on a usable connection.
    rig.service.queueUnread("905321234567", "Tekrar");
    InteractiveStart(rig.ctx);
    QCOMPARE(rig.table("SELECT gelenid, donusmesaj FROM tbl_int_donus"),
             (QStringList{"1|Tesekkurler", "2|Tesekkurler"}));
}

void TestInteractiveCycle::unreachableServiceStoresNothing()
{
    CycleRig rig;
    SetKovasetGathwinAddress(FakeHttpServer::refusedUrl(QStringLiteral("/gathwin.asp")));
    const CycleOutcome out = InteractiveStart(rig.ctx);
    QCOMPARE(out.result, CycleResult::ExchangeFailed);
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_msgbox").toInt(), 0);
    QCOMPARE(rig.fx.scalar("SELECT deger FROM tbl_param WHERE parametre = 'flg_interaktif'").toString(),
             QStringLiteral("1"));
    QCOMPARE(rig.log, QStringList{"Etkileşimli servise ulaşılamadı."});
}

void TestInteractiveCycle::fixedAddress()
{
    const QString fixed = KovasetGathwinAddress();
    QVERIFY2(fixed.startsWith("http://") && fixed.endsWith("/gathwin.asp"), qPrintable(fixed));
    // Another host than the one the main program checks an account on.
    QVERIFY(QUrl(fixed).host() != QUrl(GathwinServiceAddress()).host());
    QVERIFY(QUrl(fixed).host().endsWith(".example"));
    SetKovasetGathwinAddress("http://127.0.0.1:9/gathwin.asp");
    QCOMPARE(KovasetGathwinAddress(), QStringLiteral("http://127.0.0.1:9/gathwin.asp"));
    SetKovasetGathwinAddress(QString());
    QCOMPARE(KovasetGathwinAddress(), fixed);
}

namespace {
// n messages from 90532123450<k> with the texts "Mesaj <k>", as the service lists them.
QVector<QPair<QString, QString>> numberedMessages(int n)
{
    QVector<QPair<QString, QString>> out;
    for (int k = 1; k <= n; ++k)
        out.append({QStringLiteral("90532123450%1").arg(k), QStringLiteral("Mesaj %1").arg(k)});
    return out;
}
// The bytes of the list up to the end of its k-th message.
qsizetype endOfMessage(const QByteArray &list, int k)
{
    qsizetype at = 0;
    for (int i = 0; i < k; ++i) at = list.indexOf("</message>", at) + 10;
    return at;
}
QStringList inboxOf(const QVector<QPair<QString, QString>> &messages)
{
    QStringList out;
    for (const auto &m : messages) out << m.first + QLatin1Char('|') + m.second;
    return out;
}
} // namespace

void TestInteractiveCycle::brokenReplyKeepsWholeMessages_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<qint64>("replyLimit"); // 0: the default
    QTest::addColumn<QStringList>("inbox");
    QTest::addColumn<QByteArray>("rawFile"); // what the file beside the database holds; "": no file
    QTest::addColumn<QString>("logHas");

    const QVector<QPair<QString, QString>> seven = numberedMessages(7);
    const QByteArray list7 = FakeGathwin::listReply(seven).toUtf8();
    const QByteArray list6 = FakeGathwin::listReply(seven.mid(0, 6)).toUtf8();
    const auto six = inboxOf(seven.mid(0, 6));

    const QByteArray cut = list7.left(endOfMessage(list7, 6) + 40); // inside the 7th text
    QTest::newRow("cut off inside the 7th message")
        << FakeReply::bytes(cut, "text/xml; charset=utf-8") << qint64(0) << six << cut
        << "yanıtı tam okunamadı (Error parsing start element tag): 6 tam mesaj saklanıyor; yanıtın kendisi ";
    QByteArray nul = list6;
    nul.replace("Mesaj 4", QByteArray("Mesaj\0 4", 8));
    QTest::newRow("NUL byte inside the 4th message")
        << FakeReply::bytes(nul, "text/xml; charset=utf-8") << qint64(0) << six << nul
        << "; NUL karakterleri atıldı): 6 tam mesaj saklanıyor";
    const qsizetype three = endOfMessage(list6, 3) + 25;
    QTest::newRow("stalled after the 3rd message")
        << FakeReply::stalled(list6, three) << qint64(0) << inboxOf(seven.mid(0, 3)) << list6.left(three)
        << QString("yanıtı yarıda kaldı (Operation too slow. Less than 1 bytes/sec transferred the last 1 seconds; "
                   "%1 bayt geldi): 3 tam mesaj saklanıyor; gelen kısım ")
               .arg(three);
    const qint64 limit = endOfMessage(list6, 4) + 10;
    QTest::newRow("longer than the reply limit")
        << FakeReply::bytes(list6, "text/xml; charset=utf-8") << limit << inboxOf(seven.mid(0, 4))
        << list6.left(qsizetype(limit)) << "4 tam mesaj saklanıyor; gelen kısım ";
    QTest::newRow("error page: no list, no file")
        << FakeReply::html("<HTML><BODY>Hata<br></BODY></HTML>") << qint64(0) << QStringList{} << QByteArray()
        << "hiçbir mesaj saklanmadı. Yanıt: \"<HTML><BODY>Hata<br></BODY></HTML>\"";
}

// Whatever breaks a reply, the messages it holds whole are stored and answered as usual, and
// the raw reply is kept beside the database; the log line says how many and names the file.
void TestInteractiveCycle::brokenReplyKeepsWholeMessages()
{
    QFETCH(FakeReply, reply);
    QFETCH(qint64, replyLimit);
    QFETCH(QStringList, inbox);
    QFETCH(QByteArray, rawFile);
    QFETCH(QString, logHas);
    CycleRig rig;
    rig.service.queueReply(reply);
    HttpPoster::setLowSpeedSeconds(1);
    if (replyLimit > 0) HttpPoster::setReplyLimit(replyLimit);

    const CycleOutcome out = InteractiveStart(rig.ctx);
    HttpPoster::resetTimeouts();

    QCOMPARE(rig.table("SELECT gsmno, msg FROM tbl_int_msgbox ORDER BY id"), inbox);
    QCOMPARE(out.stored, int(inbox.size()));
    QCOMPARE(rig.sendBodies().size(), inbox.size());
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_donus").toInt(), int(inbox.size()));
    const QStringList files = QDir(rig.fx.folder()).entryList({QStringLiteral("gathwin-*.xml")}, QDir::Files);
    const QString log = rig.log.join('\n');
    QVERIFY2(log.contains(logHas), qPrintable(log));
    if (rawFile.isEmpty()) {
        QCOMPARE(out.result, CycleResult::Unreadable);
        QCOMPARE(files, QStringList{});
        return;
    }
    QCOMPARE(out.result, CycleResult::Incomplete);
    QCOMPARE(files, QStringList{QStringLiteral("gathwin-20261210-102030.xml")});
    QCOMPARE(QDir(rig.fx.folder()).filePath(files.first()), out.rawFile);
    QVERIFY2(log.contains(QDir::toNativeSeparators(out.rawFile) + QStringLiteral(" dosyasında.")), qPrintable(log));
    QFile f(out.rawFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), rawFile);
    // The texts of the messages stay out of the log.
    QVERIFY(!log.contains(QStringLiteral("Mesaj 1")));

    // A second broken reply in the same second gets a file of its own (a stall takes curl
    // several seconds to see: it measures the speed over its last few seconds).
    if (reply.kind == FakeReply::Kind::Stall) return;
    rig.service.queueReply(reply);
    if (replyLimit > 0) HttpPoster::setReplyLimit(replyLimit);
    InteractiveStart(rig.ctx);
    QVERIFY(QFile::exists(QDir(rig.fx.folder()).filePath(QStringLiteral("gathwin-20261210-102030-2.xml"))));
}

void TestInteractiveCycle::stopBeforeEveryRequest_data()
{
    QTest::addColumn<QString>("stopWhen"); // "always", "answered" (a send reached the gateway), "polled"
    QTest::addColumn<bool>("stallPoll");   // the service stops after two whole messages
    QTest::addColumn<bool>("holdSends");   // the gateway reads a send and never answers
    QTest::addColumn<int>("polls");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QString>("logHas");
    QTest::newRow("stop before the poll") << "always" << false << false << 0 << 0 << 0 << "";
    QTest::newRow("stop after the first answer")
        << "answered" << false << false << 1 << 3 << 1 << "Durdurma isteği: 2 gelen mesaj saklandı, yanıtlanmadı.";
    QTest::newRow("stop while the first answer waits")
        << "answered" << false << true << 1 << 3 << 1 << "(istek gitti, yanıt gelmedi: yanıt gönderilmiş olabilir)";
    QTest::newRow("stop while the poll has stalled")
        << "polled" << true << false << 1 << 2 << 0 << "yanıtı yarıda kaldı (durdurma isteği; ";
}

// The stop request is looked at before the poll and before every answer; a request in flight
// is aborted by the poster's stop test. What was fetched is stored all the same.
void TestInteractiveCycle::stopBeforeEveryRequest()
{
    QFETCH(QString, stopWhen);
    QFETCH(bool, stallPoll);
    QFETCH(bool, holdSends);
    QFETCH(int, polls);
    QFETCH(int, stored);
    QFETCH(int, sends);
    QFETCH(QString, logHas);
    CycleRig rig;
    const QVector<QPair<QString, QString>> three = numberedMessages(3);
    if (stallPoll) {
        const QByteArray list = FakeGathwin::listReply(three).toUtf8();
        rig.service.queueReply(FakeReply::stalled(list, endOfMessage(list, 2) + 5));
    } else {
        for (const auto &m : three) rig.service.queueUnread(m.first, m.second);
    }
    if (holdSends) rig.gateway.setReply(QStringLiteral("1"), FakeReply::silent());
    QElapsedTimer sincePoll; // "polled": half a second after the poll, once its first bytes are here
    const auto stop = [&] {
        if (stopWhen == QLatin1String("always")) return true;
        if (stopWhen == QLatin1String("polled")) {
            if (rig.service.requestCount() > 0 && !sincePoll.isValid()) sincePoll.start();
            return sincePoll.isValid() && sincePoll.elapsed() >= 500;
        }
        return !rig.sendBodies().isEmpty();
    };
    rig.ctx.stopRequested = stop;
    QElapsedTimer clock;
    clock.start();
    CycleOutcome out;
    {
        // The poster's limits (30 s of stall) are far away: only the stop ends a held request.
        HttpPoster::ScopedStopTest inFlight(stop);
        out = InteractiveStart(rig.ctx);
    }
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.service.requestCount(), polls);
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_msgbox").toInt(), stored);
    QCOMPARE(rig.sendBodies().size(), sends);
    if (polls == 0) QCOMPARE(out.result, CycleResult::Stopped);
    const QString log = rig.log.join('\n');
    if (logHas.isEmpty())
        QVERIFY2(rig.log.isEmpty(), qPrintable(log));
    else
        QVERIFY2(log.contains(logHas), qPrintable(log));
}

void TestInteractiveCycle::leftMessagesAnsweredOnceAtStart_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("service");     // flg_interaktif
    QTest::addColumn<QString>("firstReply");  // the gateway's reply to the first send ("": accepted)
    QTest::addColumn<QStringList>("first");   // numbers answered by the first pass, in order
    QTest::addColumn<QStringList>("second");  // by a second pass
    const QStringList left{"5321000006", "5321000001"};
    QTest::newRow("single answer") << "1" << "1" << "" << left << QStringList{};
    QTest::newRow("keyword rules") << "2" << "1" << "" << left << QStringList{};
    QTest::newRow("no answer mode") << "0" << "1" << "" << QStringList{} << QStringList{};
    QTest::newRow("service off") << "1" << "0" << "" << QStringList{} << QStringList{};
    QTest::newRow("refused: nothing went out") << "1" << "1" << "01" << left << QStringList{"5321000006"};
    QTest::newRow("unclear reply: it may have gone out")
        << "1" << "1" << "<html>502 Bad Gateway</html>" << left << QStringList{};
}

// What a stop or a crash left unanswered is answered once at the next start, in arrival
// order: only messages of the last 24 hours, from mobile numbers, with no answer row and no
// answer that may have gone out.
void TestInteractiveCycle::leftMessagesAnsweredOnceAtStart()
{
    QFETCH(QString, mode);
    QFETCH(QString, service);
    QFETCH(QString, firstReply);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    CycleRig rig(mode);
    rig.setParam("flg_interaktif", service);
    rig.fx.exec("CREATE TABLE IF NOT EXISTS tbl_int_yanitlanan (gelenid INTEGER PRIMARY KEY)");
    const auto message = [&](int n, const QString &number, int minutesAgo) {
        rig.fx.exec("INSERT INTO tbl_int_msgbox (id, tarih, gsmno, msg) VALUES (?, ?, ?, 'GENEL')",
                    {n, kNow.addSecs(-60 * minutesAgo).toString("yyyy-MM-dd HH:mm:ss"), number});
    };
    message(1, "905321000001", 60);
    message(2, "905321000002", 90); // answered
    rig.fx.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (2, 'x')");
    message(3, "905321000003", 25 * 60); // older than a day
    message(4, "905321000004", 30);      // its answer may have gone out
    rig.fx.exec("INSERT INTO tbl_int_yanitlanan (gelenid) VALUES (4)");
    message(5, "02125554433", 20); // no mobile number
    message(6, "905321000006", 180);
    if (!firstReply.isEmpty()) rig.gateway.queueReply(QStringLiteral("1"), firstReply);

    const auto numbersSent = [&] {
        QStringList out;
        for (const QString &b : rig.sendBodies()) out << FakeGateway::element(b, QStringLiteral("Number"));
        rig.gateway.clearRequests();
        return out;
    };
    AnswerLeftMessages(rig.ctx);
    QCOMPARE(numbersSent(), first);
    QCOMPARE(rig.service.requestCount(), 0);
    AnswerLeftMessages(rig.ctx);
    QCOMPARE(numbersSent(), second);
    // Every answer the gateway accepted has its row, tied to its message.
    const int accepted = int(first.size() + second.size()) - (firstReply.isEmpty() ? 0 : 1);
    QCOMPARE(rig.fx.scalar("SELECT count(*) FROM tbl_int_donus WHERE gelenid IN (1, 6)").toInt(), accepted);
}

QTEST_GUILESS_MAIN(TestInteractiveCycle)
#include "tst_interactivecycle.moc"
