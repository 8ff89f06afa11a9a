#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/XmlText.h"
#include "reports/NumberReport.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)
Q_DECLARE_METATYPE(PostOutcome)

namespace {
const QString kUser = QStringLiteral("ali-C9");
const QString kPassword = QStringLiteral("p&<ş");

// Runs one request operation by name with its arguments.
QString runOperation(Gateway &gw, const QString &op, const QStringList &a)
{
    if (op == QLatin1String("GetInfo")) return gw.GetInfo(a.value(0), a.value(1));
    if (op == QLatin1String("GetSystemTime")) return gw.GetSystemTime(a.value(0), a.value(1));
    if (op == QLatin1String("getmsgstatus")) return gw.getmsgstatus(a.value(0), a.value(1), a.value(2));
    if (op == QLatin1String("getmsgstatusundelivered"))
        return gw.getmsgstatusundelivered(a.value(0), a.value(1), a.value(2));
    if (op == QLatin1String("getmsgstatustodate"))
        return gw.getmsgstatustodate(a.value(0), a.value(1), a.value(2), a.value(3));
    if (op == QLatin1String("sendsms")) return gw.sendsms(a.value(0), a.value(1), a.value(2), a.value(3));
    qFatal("unknown operation");
    return {};
}

const QStringList kRequestOperations = {
    "GetInfo", "GetSystemTime", "getmsgstatus", "getmsgstatusundelivered", "getmsgstatustodate", "sendsms"};

QString basketText(const Gateway &gw)
{
    QStringList rows;
    for (int i = 0; i < gw.SmsBasket().rowCount(); ++i)
        rows << gw.SmsBasket().value(i, 0).toString() + QLatin1Char('|') + gw.SmsBasket().value(i, 1).toString();
    return rows.join(QLatin1Char(';'));
}
} // namespace

class TestGateway : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void requestBodies_data();
    void requestBodies();
    void sendsmsEmptyBasketSendsNothing();
    void basketKeptAfterFailedExchange();
    void nextGatewayStartsEmpty_data();
    void nextGatewayStartsEmpty();
    void basketEmptiedByAnyReply_data();
    void basketEmptiedByAnyReply();
    void basketLimits_data();
    void basketLimits();
    void gsmTextsFoldedWhenWritten();
    void clearsmsbasketKeepsLimits();
    void transportFailures_data();
    void transportFailures();
    void urlReadAtEveryRequest();
    void simulatedGatewayRoundTrip();
    void gatewayUserName_data();
    void gatewayUserName();
    void gatewayKindText_data();
    void gatewayKindText();
    void errorCodeList_data();
    void errorCodeList();
    void parseGetInfoReply_data();
    void parseGetInfoReply();
    void parseSendReply_data();
    void parseSendReply();
    void parseStatusReply_data();
    void parseStatusReply();
    void malformedRepliesNeverCrash();
    void about();
};

void TestGateway::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

void TestGateway::cleanup()
{
    HttpPoster::resetTimeouts();
    ResetAppState();
}

void TestGateway::requestBodies_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("basket"); // message, number, message, number, ...
    QTest::addColumn<QString>("body");

    const QString report = QStringLiteral("<MainReportRoot><UserName>ali-C9</UserName><PassWord>p&<ş</PassWord>");
    QTest::newRow("4 GetInfo") << "GetInfo" << QStringList{kUser, kPassword} << QStringList{}
                               << report + "<Action>4</Action></MainReportRoot>";
    QTest::newRow("12 GetSystemTime") << "GetSystemTime" << QStringList{kUser, kPassword} << QStringList{}
                                      << report + "<Action>12</Action></MainReportRoot>";
    QTest::newRow("11 getmsgstatus") << "getmsgstatus" << QStringList{kUser, kPassword, "4711"} << QStringList{}
                                     << report + "<Action>11</Action><MsgID>4711</MsgID></MainReportRoot>";
    QTest::newRow("9 getmsgstatusundelivered")
        << "getmsgstatusundelivered" << QStringList{kUser, kPassword, "4711"} << QStringList{}
        << report + "<Action>9</Action><MsgID>4711</MsgID></MainReportRoot>";
    QTest::newRow("17 getmsgstatustodate")
        << "getmsgstatustodate" << QStringList{kUser, kPassword, "2024-01-01", "2024-01-31"} << QStringList{}
        << report + "<Action>17</Action><FDate>2024-01-01</FDate><LDate>2024-01-31</LDate></MainReportRoot>";
    QTest::newRow("Ambrel user name") << "GetInfo" << QStringList{"veli", "x"} << QStringList{}
                                      << "<MainReportRoot><UserName>veli</UserName><PassWord>x</PassWord>"
                                         "<Action>4</Action></MainReportRoot>";

    const QString send = QStringLiteral("<MainmsgBody><UserName>ali-C9</UserName><PassWord>p&<ş</PassWord>"
                                        "<Action>1</Action><Messages>");
    QTest::newRow("1 sendsms at once")
        << "sendsms" << QStringList{kUser, kPassword, "ORVEK", ""} << QStringList{"Merhaba", "5321234567"}
        << send + "<Message><Mesgbody>Merhaba</Mesgbody><Number>5321234567</Number></Message>"
                  "</Messages><Originator>ORVEK</Originator><SDate></SDate></MainmsgBody>";
    QTest::newRow("1 sendsms scheduled")
        << "sendsms" << QStringList{kUser, kPassword, "ORVEK", "150620241430"} << QStringList{"Merhaba", "5321234567"}
        << send + "<Message><Mesgbody>Merhaba</Mesgbody><Number>5321234567</Number></Message>"
                  "</Messages><Originator>ORVEK</Originator><SDate>150620241430</SDate></MainmsgBody>";
    QTest::newRow("1 sendsms three rows in order, empty originator")
        << "sendsms" << QStringList{kUser, kPassword, "", ""}
        << QStringList{"bir", "5320000001", "iki", "5320000002", "üç", "5320000003"}
        << send + "<Message><Mesgbody>bir</Mesgbody><Number>5320000001</Number></Message>"
                  "<Message><Mesgbody>iki</Mesgbody><Number>5320000002</Number></Message>"
                  "<Message><Mesgbody>üç</Mesgbody><Number>5320000003</Number></Message>"
                  "</Messages><Originator></Originator><SDate></SDate></MainmsgBody>";
    QTest::newRow("1 sendsms values unescaped")
        << "sendsms" << QStringList{kUser, kPassword, "A&B", ""} << QStringList{"x < y & \"z\"", "5321234567"}
        << send + "<Message><Mesgbody>x < y & \"z\"</Mesgbody><Number>5321234567</Number></Message>"
                  "</Messages><Originator>A&B</Originator><SDate></SDate></MainmsgBody>";
}

void TestGateway::requestBodies()
{
    QFETCH(QString, op);
    QFETCH(QStringList, args);
    QFETCH(QStringList, basket);
    QFETCH(QString, body);

    FakeGateway fake;
    fake.setReply(QString(), QStringLiteral("yanıt\n"));
    gGatewayUrl = fake.url();
    Gateway gw;
    for (int i = 0; i + 1 < basket.size(); i += 2) gw.addtosmsbasket(basket[i], basket[i + 1]);

    QCOMPARE(runOperation(gw, op, args), QStringLiteral("yanıt\n"));
    const QVector<FakeRequest> requests = fake.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].text(), body);
    QCOMPARE(requests[0].path, QByteArray("/sms/com.strova"));
    QCOMPARE(requests[0].header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
}

void TestGateway::sendsmsEmptyBasketSendsNothing()
{
    FakeGateway fake;
    gGatewayUrl = fake.url();
    Gateway gw;
    QCOMPARE(gw.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("-2"));
    QCOMPARE(gw.lastOutcome(), PostOutcome::NotSent);
    QCOMPARE(fake.requestCount(), 0);

    gw.addtosmsbasket("a", "5321234567");
    QVERIFY(gw.sendsms(kUser, kPassword, "ORVEK", "").startsWith(QLatin1String("ID")));
    QCOMPARE(gw.lastOutcome(), PostOutcome::Answered);
    QCOMPARE(gw.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("-2"));
    QCOMPARE(gw.lastOutcome(), PostOutcome::NotSent);
    QCOMPARE(fake.requestCount(), 1);
}

void TestGateway::basketKeptAfterFailedExchange()
{
    FakeGateway fake;
    Gateway gw;
    gw.addtosmsbasket("bir", "5320000001");
    gw.addtosmsbasket("iki", "5320000002");
    gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
    QCOMPARE(gw.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("-1"));
    QCOMPARE(basketText(gw), QStringLiteral("bir|5320000001;iki|5320000002"));

    gGatewayUrl = fake.url();
    QVERIFY(gw.sendsms(kUser, kPassword, "ORVEK", "").startsWith(QLatin1String("ID:")));
    QCOMPARE(gw.basketCount(), 0);
    QCOMPARE(fake.requestCount(), 1);
    QCOMPARE(fake.lastBody().count(QLatin1String("<Message>")), 2);
}

void TestGateway::nextGatewayStartsEmpty_data()
{
    QTest::addColumn<bool>("firstSent");
    QTest::newRow("first basket left unsent") << false;
    QTest::newRow("first basket sent") << true;
}

void TestGateway::nextGatewayStartsEmpty()
{
    // A gateway takes over the basket storage of the one before it on the thread: it must
    // take none of its rows, and the strings of those rows must be let go.
    QFETCH(bool, firstSent);
    FakeGateway fake;
    gGatewayUrl = firstSent ? fake.url() : FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
    QString oldText = QStringLiteral("eski %1").arg(1);
    QString oldNumber = QStringLiteral("53200000%1").arg(11);
    {
        Gateway first;
        first.reserveBasket(100);
        first.addtosmsbasket(oldText, oldNumber);
        first.addToBasketAsGsmText(QStringLiteral("ikinci"), QStringLiteral("5320000012"));
        QCOMPARE(first.sendsms(kUser, kPassword, "ORVEK", "").startsWith(QLatin1String("ID")), firstSent);
    }
    QVERIFY(oldText.isDetached());
    QVERIFY(oldNumber.isDetached());

    gGatewayUrl = fake.url();
    Gateway next;
    QCOMPARE(next.basketCount(), 0);
    QCOMPARE(basketText(next), QString());
    QCOMPARE(next.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("-2"));
    next.addtosmsbasket(QStringLiteral("yeni"), QStringLiteral("5320000021"));
    QCOMPARE(basketText(next), QStringLiteral("yeni|5320000021"));
    QVERIFY(next.sendsms(kUser, kPassword, "ORVEK", "").startsWith(QLatin1String("ID")));
    QCOMPARE(fake.lastBody().count(QLatin1String("<Message>")), 1);
    QVERIFY(fake.lastBody().contains(QLatin1String("<Mesgbody>yeni</Mesgbody><Number>5320000021</Number>")));
}

void TestGateway::basketEmptiedByAnyReply_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ID") << FakeReply::text("ID:77") << "ID:77";
    QTest::newRow("refused account 01") << FakeReply::text("01") << "01";
    QTest::newRow("empty reply") << FakeReply::text("") << "";
    QTest::newRow("reply text -1") << FakeReply::text("-1") << "-1";
    QTest::newRow("HTTP 500 page") << FakeReply::html("<HTML>hata</HTML>", 500) << "<HTML>hata</HTML>";
}

void TestGateway::basketEmptiedByAnyReply()
{
    QFETCH(FakeReply, reply);
    FakeGateway fake;
    fake.setReply(QStringLiteral("1"), reply);
    gGatewayUrl = fake.url();
    Gateway gw;
    gw.addtosmsbasket("bir", "5320000001");
    gw.addtosmsbasket("iki", "5320000002");
    QTEST(gw.sendsms(kUser, kPassword, "ORVEK", ""), "expected");
    // The gateway answered, so the rows are gone whatever it said.
    QCOMPARE(gw.basketCount(), 0);
    QCOMPARE(gw.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("-2"));
}

// A text added as a GSM text goes out, and shows in the basket, as NormalizeGsmText of it
// added as it is: the same request bytes, also for the characters a request drops and for
// surrogate halves that only folding brings next to each other. Over 160 characters, the
// folded length decides. Both requests are the bytes of the steps one after the other
// (fold, drop what XML forbids, UTF-8), and long enough to be written in several pieces.
void TestGateway::gsmTextsFoldedWhenWritten()
{
    const QString alphabet = QStringLiteral("\u00DC\u00FC\u011E\u011F\u0130\u0131\u015E\u015F\u00C7\u00E7\u00D6\u00F6&"
                                            "\u00E9\r\n><~\t-[] aUeIi\u00C9\u00E2\"'") +
                             QChar(0xFFFF) + QChar(0xFFFE) + QChar(0xD83D) + QChar(0xDE00) + QChar(0x01) + QChar(0x1F);
    QStringList texts = {QStringLiteral("Sayın Ayşe Yılmaz, Çağlar Gıda Ltd. Şti. için bilgi."),
                         QString(QChar(0xD83D)) + QStringLiteral("\r\n") + QChar(0xDE00), QString(),
                         QStringLiteral("düz metin")};
    texts << RandomTexts(alphabet, 2000, 6, 20261211);
    texts << QString(150, QLatin1Char('x')) + QString(20, QLatin1Char('\n')); // 170, folded 150
    texts << RandomTexts(alphabet + QStringLiteral("\u20AC") + QString::fromUcs4(U"\U0001F600"), 2000, 7, 20260402);
    QByteArray expected = "<MainmsgBody><UserName>ali-C9</UserName><PassWord>p&<\xC5\x9F</PassWord><Action>1"
                          "</Action><Messages>";

    FakeGateway fake;
    fake.setReply(QString(), QStringLiteral("ID:1"));
    gGatewayUrl = fake.url();
    Gateway folded, plain;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString number = QStringLiteral("532%1").arg(i, 7, 10, QLatin1Char('0'));
        folded.addToBasketAsGsmText(texts[i], number);
        plain.addtosmsbasket(NormalizeGsmText(texts[i]), number);
        expected += "<Message><Mesgbody>" + DropXmlForbiddenCharacters(NormalizeGsmText(texts[i])).toUtf8() +
                    "</Mesgbody><Number>" + number.toUtf8() + "</Number></Message>";
    }
    expected += "</Messages><Originator>ORVEK</Originator><SDate></SDate></MainmsgBody>";
    QVERIFY_THROWS_EXCEPTION(OrvekError, folded.addToBasketAsGsmText(QString(161, QLatin1Char('x')), "5321234567"));
    QCOMPARE(basketText(folded), basketText(plain));
    QCOMPARE(folded.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("ID:1"));
    QCOMPARE(plain.sendsms(kUser, kPassword, "ORVEK", ""), QStringLiteral("ID:1"));
    const QVector<FakeRequest> requests = fake.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].body, requests[1].body);
    QVERIFY(expected.size() > 300 * 1024);
    QCOMPARE(requests[0].body, expected);
    QVERIFY(requests[0].text().contains(QStringLiteral("Sayin Ayse Yilmaz, Caglar Gida Ltd. Sti. icin bilgi.")));
}

void TestGateway::basketLimits_data()
{
    QTest::addColumn<int>("messageLength");
    QTest::addColumn<int>("numberLength");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("160 / 10") << 160 << 10 << true;
    QTest::newRow("161 / 10") << 161 << 10 << false;
    QTest::newRow("0 / 20") << 0 << 20 << true;
    QTest::newRow("60 / 21") << 60 << 21 << false;
}

void TestGateway::basketLimits()
{
    QFETCH(int, messageLength);
    QFETCH(int, numberLength);
    QFETCH(bool, accepted);
    Gateway gw;
    gw.addtosmsbasket("önce", "5320000001");
    // Turkish letters count as one character each.
    const QString message(messageLength, QChar(0x015F));
    const QString number(numberLength, QLatin1Char('5'));
    bool refused = false;
    try {
        gw.addtosmsbasket(message, number);
    } catch (const OrvekError &e) {
        refused = true;
        QVERIFY(!e.description().isEmpty());
    }
    QCOMPARE(!refused, accepted);
    QCOMPARE(gw.basketCount(), accepted ? 2 : 1);
    QCOMPARE(gw.SmsBasket().value(0, 0).toString(), QStringLiteral("önce"));
    if (accepted) QCOMPARE(gw.SmsBasket().value(1, QStringLiteral("MSG")).toString(), message);
}

void TestGateway::clearsmsbasketKeepsLimits()
{
    Gateway gw;
    QCOMPARE(gw.SmsBasket().fieldNames(), QStringList({"MSG", "GSM"}));
    gw.addtosmsbasket("a", "1");
    gw.clearsmsbasket();
    gw.clearsmsbasket();
    QCOMPARE(gw.basketCount(), 0);
    QCOMPARE(gw.SmsBasket().fieldNames(), QStringList({"MSG", "GSM"}));
    QVERIFY_THROWS_EXCEPTION(OrvekError, gw.addtosmsbasket(QString(161, QLatin1Char('x')), "1"));
    gw.addtosmsbasket("b", "2");
    QCOMPARE(basketText(gw), QStringLiteral("b|2"));
}

void TestGateway::transportFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("requestsPerCall");
    QTest::addColumn<PostOutcome>("outcome");
    QTest::newRow("refused port") << "refused" << 0 << PostOutcome::NotSent;
    QTest::newRow("slower than the time limit") << "slow" << 1 << PostOutcome::SentNoAnswer;
    QTest::newRow("connection closed") << "closed" << 1 << PostOutcome::SentNoAnswer;
    QTest::newRow("empty gateway URL") << "empty" << 0 << PostOutcome::NotSent;
    QTest::newRow("malformed gateway URL") << "malformed" << 0 << PostOutcome::NotSent;
}

void TestGateway::transportFailures()
{
    QFETCH(QString, kind);
    QFETCH(int, requestsPerCall);
    QFETCH(PostOutcome, outcome);
    FakeGateway fake;
    if (kind == QLatin1String("slow")) fake.setReply(QString(), FakeReply::delayed(3000, "ID:1"));
    if (kind == QLatin1String("closed")) fake.setReply(QString(), FakeReply::closed());
    HttpPoster::setTimeouts(2000, 300);
    gGatewayUrl = fake.url();
    if (kind == QLatin1String("refused")) gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
    if (kind == QLatin1String("empty")) gGatewayUrl.clear();
    if (kind == QLatin1String("malformed")) gGatewayUrl = QStringLiteral("http://[::1");

    Gateway gw;
    gw.addtosmsbasket("bir", "5320000001");
    for (const QString &op : kRequestOperations) {
        QCOMPARE(runOperation(gw, op, {kUser, kPassword, "1", "2"}), QStringLiteral("-1"));
        QCOMPARE(gw.lastOutcome(), outcome);
    }
    QCOMPARE(gw.basketCount(), 1);
    QCOMPARE(fake.requestCount(), requestsPerCall * int(kRequestOperations.size()));
}

void TestGateway::urlReadAtEveryRequest()
{
    FakeGateway first;
    FakeGateway second;
    FakeGateway own;
    gGatewayUrl = first.url();
    Gateway gw;
    gw.GetInfo(kUser, kPassword);
    gGatewayUrl = second.url();
    gw.GetInfo(kUser, kPassword);
    gw.setUrl(own.url());
    gw.GetSystemTime(kUser, kPassword);
    gw.useProgramUrl();
    gw.GetSystemTime(kUser, kPassword);
    QCOMPARE(first.actions(), QStringList{"4"});
    QCOMPARE(second.actions(), QStringList({"4", "12"}));
    QCOMPARE(own.actions(), QStringList{"12"});

    // An object's own URL holds even when it is empty.
    gw.setUrl(QString());
    QCOMPARE(gw.GetInfo(kUser, kPassword), QStringLiteral("-1"));
    QCOMPARE(second.requestCount(), 2);
}

void TestGateway::simulatedGatewayRoundTrip()
{
    FakeGateway fake;
    fake.setAccount(kUser, kPassword);
    gGatewayUrl = fake.url();
    Gateway gw;

    const GatewayInfo info = ParseGetInfoReply(gw.GetInfo(kUser, kPassword));
    QCOMPARE(info.credit, QStringLiteral("1500"));
    QCOMPARE(info.originators.size(), 2);
    QCOMPARE(gw.GetInfo(kUser, QStringLiteral("yanlış")), QStringLiteral("01"));

    const QStringList numbers{"5320000001", "5320000002", "5320000003", "5320000004"};
    for (const QString &n : numbers) gw.addtosmsbasket("Merhaba " + n.right(1), n);
    const GatewaySendReply sent = ParseSendReply(gw.sendsms(kUser, kPassword, info.originators.first(), ""));
    QVERIFY(sent.accepted);
    QVERIFY(!sent.messageId.isEmpty());

    const QVector<GatewayStatusLine> states = ParseStatusReply(gw.getmsgstatus(kUser, kPassword, sent.messageId));
    QCOMPARE(states.size(), numbers.size());
    for (int i = 0; i < numbers.size(); ++i) QCOMPARE(states[i].number, numbers[i]);
    QCOMPARE(states[0].state, QLatin1Char('3'));
    QCOMPARE(states[3].state, QLatin1Char('0'));

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(ParseStatusReply(gw.getmsgstatustodate(kUser, kPassword, today, today)).size(), numbers.size());
    QCOMPARE(gw.getmsgstatustodate(kUser, kPassword, "2000-01-01", "2000-01-02"), QStringLiteral("18"));
    // The sends to one number and the text each carried there.
    gw.clearsmsbasket();
    gw.addtosmsbasket("İkinci", numbers[1]);
    const GatewaySendReply second = ParseSendReply(gw.sendsms(kUser, kPassword, info.originators.first(), ""));
    QVERIFY(second.accepted);
    const QDate day = QDate::currentDate();
    NumberReportReader list(PostReportRequest(NumberReportRequest(kUser, kPassword, numbers[1], day, day)));
    QCOMPARE(list.lineCount(), 2);
    QStringList ids;
    QString id, when;
    while (list.next(id, when) == NumberReportReader::Step::Line) {
        ids << id;
        QVERIFY2(QDateTime::fromString(when, QStringLiteral("dd.MM.yyyy HH:mm:ss")).isValid(), qPrintable(when));
    }
    QCOMPARE(ids, QStringList({sent.messageId, second.messageId}));
    QCOMPARE(PostReportRequest(NumberReportRequest(kUser, kPassword, numbers[0], day.addDays(1), day.addDays(2))),
             QStringLiteral("08"));
    QCOMPARE(ReadMessageBodies(PostReportRequest(MessageTextRequest(kUser, kPassword, numbers[1], sent.messageId))),
             QStringList{"Merhaba 2"});
    QCOMPARE(ReadMessageBodies(PostReportRequest(MessageTextRequest(kUser, kPassword, numbers[1], second.messageId))),
             QStringList{"İkinci"});
    QCOMPARE(PostReportRequest(MessageTextRequest(kUser, kPassword, numbers[0], second.messageId)),
             QStringLiteral("08"));

    const QString time = gw.GetSystemTime(kUser, kPassword);
    QVERIFY(!IsGatewayErrorCode(time));
    QVERIFY(QDateTime::fromString(time, QStringLiteral("dd.MM.yyyy HH:mm:ss")).isValid());
}

void TestGateway::gatewayKindText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("kind"); // -1: not a kind
    QTest::newRow("hosted") << "Brenvik" << int(GatewayKind::Brenvik);
    QTest::newRow("on-premises") << "Ambrel" << int(GatewayKind::Ambrel);
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("other case") << "brenvik" << -1;
    QTest::newRow("padded") << "Ambrel " << -1;
    QTest::newRow("flag value") << "0" << -1;
}

void TestGateway::gatewayKindText()
{
    QFETCH(QString, stored);
    QFETCH(int, kind);
    const std::optional<GatewayKind> parsed = ParseGatewayKind(stored);
    QCOMPARE(parsed.has_value(), kind >= 0);
    if (!parsed) return;
    QCOMPARE(int(*parsed), kind);
    // Written back as it was stored.
    QCOMPARE(GatewayKindText(*parsed), stored);
}

void TestGateway::gatewayUserName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hosted") << "Brenvik"
                            << "ali-C9";
    QTest::newRow("on-premises") << "Ambrel"
                                 << "ali";
    QTest::newRow("other kind") << "brenvik"
                                << "ali";
    QTest::newRow("no kind") << ""
                             << "ali";
}

void TestGateway::gatewayUserName()
{
    QFETCH(QString, kind);
    QTEST(GatewayUserName(ParseGatewayKind(kind).value_or(GatewayKind::None), "ali", "C9"), "expected");
    gGatewayKind = ParseGatewayKind(kind).value_or(GatewayKind::None);
    gUserName = QStringLiteral("ali");
    gCkey = QStringLiteral("C9");
    QTEST(GatewayUserName(), "expected");
}

void TestGateway::errorCodeList_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("isCode");
    QTest::newRow("empty reply") << "" << true;
    QTest::newRow("01") << "01" << true;
    QTest::newRow("13") << "13" << true;
    QTest::newRow("-1") << "-1" << true;
    QTest::newRow("-2") << "-2" << true;
    QTest::newRow("fragment 1") << "1" << true;
    QTest::newRow("fragment 3,0") << "3,0" << true;
    QTest::newRow("whole list") << GatewayErrorCodeList() << true;
    QTest::newRow("14") << "14" << false;
    QTest::newRow("100") << "100" << false;
    QTest::newRow("ID reply") << "ID:123" << false;
    QTest::newRow("credit reply") << "1500\nORVEK\n" << false;
    QTest::newRow("01 with line feed") << "01\n" << false;
}

void TestGateway::errorCodeList()
{
    QFETCH(QString, reply);
    QCOMPARE(GatewayErrorCodeList(), QStringLiteral("-2,-1,01,02,03,04,05,06,07,08,09,10,11,12,13"));
    QTEST(IsGatewayErrorCode(reply), "isCode");
}

void TestGateway::parseGetInfoReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QStringList>("originators");
    QTest::newRow("two originators") << "1500\nORVEK\nTALVANE\n"
                                     << "1500" << QStringList{"ORVEK", "TALVANE"};
    QTest::newRow("text after last line feed ignored") << "1500\nORVEK\nYARIM"
                                                       << "1500" << QStringList{"ORVEK"};
    QTest::newRow("one line feed") << "1500\n"
                                   << "1500" << QStringList{};
    QTest::newRow("one line feed and a tail") << "1500\nORVEK"
                                              << "1500" << QStringList{};
    QTest::newRow("no line feed") << "1500"
                                  << "1500" << QStringList{};
    QTest::newRow("CR LF") << "1500\r\nORVEK\r\nTALVANE\r\n"
                           << "1500" << QStringList{"ORVEK", "TALVANE"};
    QTest::newRow("blank lines") << "1500\n\nORVEK\n\n"
                                 << "1500" << QStringList{"ORVEK"};
    QTest::newRow("empty") << ""
                           << "" << QStringList{};
    QTest::newRow("Turkish names") << "12,5\nÇAĞRI\nİŞ\n"
                                   << "12,5" << QStringList{"ÇAĞRI", "İŞ"};
}

void TestGateway::parseGetInfoReply()
{
    QFETCH(QString, reply);
    const GatewayInfo info = ParseGetInfoReply(reply);
    QTEST(info.credit, "credit");
    QTEST(info.originators, "originators");
}

void TestGateway::parseSendReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("id");
    QTest::newRow("ID:") << "ID:12345" << true << "12345";
    QTest::newRow("ID blank, blanks around") << "ID  987 \r\n" << true << "987";
    QTest::newRow("ID alone") << "ID" << true << "";
    QTest::newRow("code 01") << "01" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("lower case") << "id:5" << false << "";
    QTest::newRow("HTML page") << "<HTML>ID:1</HTML>" << false << "";
    QTest::newRow("failed exchange") << "-1" << false << "";
}

void TestGateway::parseSendReply()
{
    QFETCH(QString, reply);
    const GatewaySendReply r = ParseSendReply(reply);
    QTEST(r.accepted, "accepted");
    QTEST(r.messageId, "id");
}

void TestGateway::parseStatusReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("rows"); // number:state, joined with ","
    QTest::newRow("two lines") << "5321234567 3\n5051234567 0\n"
                               << "5321234567:3,5051234567:0";
    QTest::newRow("piece after last line feed ignored") << "5321234567 3\n5051234567 0"
                                                        << "5321234567:3";
    QTest::newRow("longer lines read from the end") << "100001 2024-01-05 905321234567-5\n"
                                                    << "5321234567:5";
    QTest::newRow("CR LF") << "5321234567 3\r\n5051234567 0\r\n"
                           << "5321234567:3,5051234567:0";
    QTest::newRow("blank and short lines") << "\n\n18\n5321234567 3\n"
                                           << "5321234567:3";
    QTest::newRow("code 18") << "18"
                             << "";
    QTest::newRow("no line feed") << "5321234567 3"
                                  << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("HTML page") << "<HTML>\n<BODY>Hata</BODY>\n</HTML>"
                               << ">Hata</BOD:>"; // callers test for a page first
}

void TestGateway::parseStatusReply()
{
    QFETCH(QString, reply);
    QStringList rows;
    for (const GatewayStatusLine &l : ParseStatusReply(reply)) rows << l.number + QLatin1Char(':') + l.state;
    QTEST(rows.join(QLatin1Char(',')), "rows");
}

void TestGateway::malformedRepliesNeverCrash()
{
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i) binary[i] = char(i * 37 % 256);
    QString huge(10 * 1024 * 1024, QLatin1Char('7'));
    for (qsizetype i = 11; i < huge.size(); i += 13) huge[i] = QLatin1Char('\n');

    FakeGateway fake;
    fake.queueReply(QStringLiteral("4"), FakeReply::bytes(binary, "application/octet-stream"));
    fake.queueReply(QStringLiteral("4"), FakeReply::text(huge));
    gGatewayUrl = fake.url();
    Gateway gw;
    for (int round = 0; round < 2; ++round) {
        const QString reply = gw.GetInfo(kUser, kPassword);
        QVERIFY(reply != QLatin1String("-1"));
        ParseGetInfoReply(reply);
        ParseSendReply(reply);
        IsGatewayErrorCode(reply);
        const QVector<GatewayStatusLine> rows = ParseStatusReply(reply);
        if (round == 1) {
            QCOMPARE(reply.size(), huge.size());
            QCOMPARE(rows.size(), qsizetype(huge.count(QLatin1Char('\n')) - 1)); // the first line is too short
        }
    }
}

void TestGateway::about()
{
    const QStringList lines = Gateway().about().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4);
    for (const QString &l : lines) QVERIFY(!l.isEmpty() && !l.contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(TestGateway)
#include "tst_gateway.moc"
