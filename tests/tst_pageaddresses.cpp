#include "ServiceAddresses.h"
#include "core/PageAddresses.h"

#include <QUrl>
#include <QtTest>

class TestPageAddresses : public QObject {
    Q_OBJECT
private slots:
    void addresses_data();
    void addresses();
    void passwordPagesUseHttps();
};

void TestPageAddresses::addresses_data()
{
    const QString web = QString::fromUtf8(ServiceAddresses::kWebClientUrl);
    const QString credit = QString::fromUtf8(ServiceAddresses::kCreditUrl);
    const QString login = QString::fromUtf8(ServiceAddresses::kProductSiteUrl);
    const QString home = QString::fromUtf8(ServiceAddresses::kProductHomeUrl);
    const QString fixed = QString::fromUtf8(ServiceAddresses::kWebClientCompany);

    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("ckey");
    QTest::addColumn<QString>("webClient");
    QTest::addColumn<QString>("creditPage");
    QTest::addColumn<QString>("productSite");

    QTest::newRow("hosted") << "Brenvik"
                            << "demo"
                            << "parola"
                            << "B001" << web + "?company=B001&Username=demo"
                            << credit + "?Company=B001&Username=demo&Password=parola"
                            << login + "?username=demo&password=parola&company=B001";
    // Values go in as they are: no percent-encoding of blanks, '&', '?' or Turkish letters.
    QTest::newRow("unencoded") << "Brenvik"
                               << "ali veli&co"
                               << "p?w&x=1"
                               << "K 1" << web + "?company=K 1&Username=ali veli&co"
                               << credit + "?Company=K 1&Username=ali veli&co&Password=p?w&x=1"
                               << login + "?username=ali veli&co&password=p?w&x=1&company=K 1";
    QTest::newRow("turkish") << "Brenvik"
                             << "Şükrü"
                             << "ğüİ"
                             << "" << web + "?company=&Username=Şükrü"
                             << credit + "?Company=&Username=Şükrü&Password=ğüİ"
                             << login + "?username=Şükrü&password=ğüİ&company=";
    QTest::newRow("on-site") << "Ambrel"
                             << "demo"
                             << "parola"
                             << "B001" << web + "?company=" + fixed
                             << credit + "?Company=B001&Username=demo&Password=parola" << home;
    QTest::newRow("unknown kind") << ""
                                  << "demo"
                                  << "parola"
                                  << "B001" << web + "?company=" + fixed
                                  << credit + "?Company=B001&Username=demo&Password=parola" << home;
}

void TestPageAddresses::addresses()
{
    QFETCH(QString, kind);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, ckey);
    QFETCH(QString, webClient);
    QFETCH(QString, creditPage);
    QFETCH(QString, productSite);
    const GatewayKind gatewayKind = ParseGatewayKind(kind).value_or(GatewayKind::None);
    QCOMPARE(WebClientAddressFor(gatewayKind, ckey, user), webClient);
    QCOMPARE(CreditTopUpAddress(ckey, user, password), creditPage);
    QCOMPARE(ProductSiteAddress(gatewayKind, user, password, ckey), productSite);
    // The signed-in web client does not depend on the kind.
    QCOMPARE(WebClientAddress(ckey, user),
             QString::fromUtf8(ServiceAddresses::kWebClientUrl) + "?company=" + ckey + "&Username=" + user);
}

void TestPageAddresses::passwordPagesUseHttps()
{
    for (const char *page :
         {ServiceAddresses::kCreditUrl, ServiceAddresses::kProductSiteUrl, ServiceAddresses::kWebClientUrl})
        QCOMPARE(QUrl(QString::fromUtf8(page)).scheme(), QStringLiteral("https"));
    QCOMPARE(ProductSiteHost(), QUrl(QString::fromUtf8(ServiceAddresses::kProductHomeUrl)).host());
    QVERIFY(!ProductSiteHost().isEmpty());
}

QTEST_GUILESS_MAIN(TestPageAddresses)
#include "tst_pageaddresses.moc"
