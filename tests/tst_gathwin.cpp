#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/Gathwin.h"
#include "tests/support/FakeGathwin.h"

#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)

class TestGathwin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void requestText_data();
    void requestText();
    void unreachableServiceKeepsRequest();
    void repliesReturnedWhole_data();
    void repliesReturnedWhole();
    void fixedAddress();
};

void TestGathwin::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

void TestGathwin::cleanup()
{
    SetGathwinServiceAddress(QString());
    ResetAppState();
}

void TestGathwin::requestText_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("body");
    QTest::newRow("settings check") << "veli"
                                    << "gizli"
                                    << "REC READ"
                                    << "<GathwinMain><UserName>veli</UserName><PassWord>gizli</PassWord>"
                                       "<Action>0</Action><List>REC READ</List></GathwinMain>";
    QTest::newRow("new messages, values unescaped")
        << "şule&co"
        << "p<1>"
        << "REC UNREAD"
        << "<GathwinMain><UserName>şule&co</UserName><PassWord>p<1></PassWord>"
           "<Action>0</Action><List>REC UNREAD</List></GathwinMain>";
}

void TestGathwin::requestText()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, list);
    QFETCH(QString, body);
    FakeGathwin fake;
    fake.setReply(QStringLiteral("ok 08"));
    SetGathwinServiceAddress(fake.url());

    QCOMPARE(GathwinRequest(user, password, list), body);
    QCOMPARE(ListGathwinMessages(user, password, list), QStringLiteral("ok 08"));
    QCOMPARE(gGathwinRequest, body);
    QCOMPARE(gGathwinUrl, fake.url());
    QCOMPARE(fake.bodies(), QStringList{body});
    QCOMPARE(fake.requests().first().path, QByteArray("/gathwin.asp"));
    QCOMPARE(fake.requests().first().header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
}

void TestGathwin::unreachableServiceKeepsRequest()
{
    SetGathwinServiceAddress(FakeHttpServer::refusedUrl(QStringLiteral("/gathwin.asp")));
    QCOMPARE(ListGathwinMessages("veli", "gizli", "REC READ"), QStringLiteral("-1"));
    QCOMPARE(LastGathwinOutcome(), PostOutcome::NotSent);
    QCOMPARE(gGathwinRequest, GathwinRequest("veli", "gizli", "REC READ"));

    FakeGathwin fake;
    fake.setReply(FakeReply::closed());
    SetGathwinServiceAddress(fake.url());
    QCOMPARE(PostToGathwin(gGathwinRequest), QStringLiteral("-1"));
    QCOMPARE(LastGathwinOutcome(), PostOutcome::SentNoAnswer);
    QCOMPARE(fake.requestCount(), 1);
}

void TestGathwin::repliesReturnedWhole_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("expected");
    const QString list = QStringLiteral("<Messages><Message><gsmno>5321234567</gsmno><msgbody>Bilgi İste</msgbody>"
                                        "</Message></Messages>");
    QTest::newRow("err 01") << FakeReply::text("err 01") << "err 01";
    QTest::newRow("ok 08") << FakeReply::text("ok 08") << "ok 08";
    QTest::newRow("message list") << FakeReply::text(list) << list;
    QTest::newRow("HTTP 500 page") << FakeReply::html("<HTML><BODY>Server Error</BODY></HTML>", 500)
                                   << "<HTML><BODY>Server Error</BODY></HTML>";
    QTest::newRow("empty reply") << FakeReply::text("") << "";
}

void TestGathwin::repliesReturnedWhole()
{
    QFETCH(FakeReply, reply);
    FakeGathwin fake;
    fake.queueReply(reply);
    SetGathwinServiceAddress(fake.url());
    QTEST(ListGathwinMessages("veli", "gizli", "REC UNREAD"), "expected");
    // A queued reply answers once; then the default "no new messages".
    QCOMPARE(ListGathwinMessages("veli", "gizli", "REC UNREAD"), QStringLiteral("ok 08"));
}

void TestGathwin::fixedAddress()
{
    QCOMPARE(GathwinServiceAddress(), QString::fromUtf8(ServiceAddresses::kGathwinUrl));
    QVERIFY(GathwinServiceAddress().endsWith(QLatin1String("/gathwin.asp")));
    // The service takes plain HTTP, not TLS.
    QVERIFY2(GathwinServiceAddress().startsWith(QLatin1String("http://")), qPrintable(GathwinServiceAddress()));
    // gGathwinUrl is not an input: the request goes to the service address whatever it held.
    FakeGathwin fake;
    SetGathwinServiceAddress(fake.url());
    gGathwinUrl = QStringLiteral("http://127.0.0.1:1/elsewhere");
    QCOMPARE(PostToGathwin(GathwinRequest("a", "b", "REC READ")), QStringLiteral("ok 08"));
    QCOMPARE(gGathwinUrl, fake.url());
}

QTEST_GUILESS_MAIN(TestGathwin)
#include "tst_gathwin.moc"
