#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/Gathwin.h"
#include "core/Normalizers.h"
#include "core/XmlText.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/Fixtures.h"

#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Every character XML 1.0 forbids, as one-character strings (lone surrogates included).
QStringList forbiddenCharacters()
{
    QStringList out;
    for (char16_t u = 0; u < 0x20; ++u)
        if (u != 0x09 && u != 0x0A && u != 0x0D) out << QString(QChar(u));
    out << QString(QChar(0xD800)) << QString(QChar(0xDBFF)) << QString(QChar(0xDC00)) << QString(QChar(0xDFFF));
    out << QString(QChar(0xFFFE)) << QString(QChar(0xFFFF));
    return out;
}

bool strictlyWellFormed(const QString &xml, QString *error = nullptr)
{
    QXmlStreamReader reader(xml.toUtf8());
    while (!reader.atEnd()) reader.readNext();
    if (error) *error = reader.errorString();
    return !reader.hasError();
}

// The texts of every element of that name, in order.
QStringList elementTexts(const QString &xml, const QString &name)
{
    QStringList out;
    QXmlStreamReader reader(xml.toUtf8());
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == name)
            out << reader.readElementText();
        else if (!reader.isStartElement())
            reader.readNext();
    }
    return out;
}

} // namespace

class TestXmlText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
    }
    void cleanup() { ResetAppState(); }

    void dropped_data();
    void dropped();
    void oneWriterAsTheChainBefore_data();
    void oneWriterAsTheChainBefore();
    void sendRoadWithForbiddenCharacters();
    void reportAndInteractiveRequests();
};

void TestXmlText::dropped_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QString pair = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("plain Turkish") << QStringLiteral("Şükrü Ağaoğlu") << QStringLiteral("Şükrü Ağaoğlu");
    QTest::newRow("tab, CR, LF stay") << QStringLiteral("a\tb\r\nc") << QStringLiteral("a\tb\r\nc");
    QTest::newRow("markup characters stay")
        << QStringLiteral("A&B <x> 'q' \"r\"") << QStringLiteral("A&B <x> 'q' \"r\"");
    QTest::newRow("NUL, BEL, ESC, VT, FF")
        << QString::fromUtf16(u"a\u0000b\u0007c\u001Bd\u000Be\u000Cf", 11) << QStringLiteral("abcdef");
    QTest::newRow("only forbidden") << QString::fromUtf16(u"\u0001\u001F", 2) << QString();
    QTest::newRow("DEL and C1 stay") << QString::fromUtf16(u"a\u007F\u0085b", 4)
                                     << QString::fromUtf16(u"a\u007F\u0085b", 4);
    QTest::newRow("U+FFFE, U+FFFF") << QString::fromUtf16(u"x\uFFFEy\uFFFFz", 5) << QStringLiteral("xyz");
    QTest::newRow("U+FFFD stays") << QString::fromUtf16(u"\uFFFD", 1) << QString::fromUtf16(u"\uFFFD", 1);
    QTest::newRow("surrogate pair stays")
        << QStringLiteral("a") + pair + QStringLiteral("b") << QStringLiteral("a") + pair + QStringLiteral("b");
    QTest::newRow("lone high surrogate") << QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b")
                                         << QStringLiteral("ab");
    QTest::newRow("lone high at the end") << QStringLiteral("ab") + QChar(0xD83D) << QStringLiteral("ab");
    QTest::newRow("lone low surrogate") << QChar(0xDE00) + QStringLiteral("ab") << QStringLiteral("ab");
    QTest::newRow("halves in the wrong order") << QString(QChar(0xDE00)) + QChar(0xD83D) << QString();
    QTest::newRow("high, pair") << QString(QChar(0xD83D)) + pair << pair;
    QTest::newRow("one, two and three bytes") << QStringLiteral("a\u00E2\u07FF\u0800\u20AC\uD7FF\uE000\uFFFD")
                                              << QStringLiteral("a\u00E2\u07FF\u0800\u20AC\uD7FF\uE000\uFFFD");
    QTest::newRow("highest pair") << QString::fromUcs4(U"\U0010FFFF\U00010000")
                                  << QString::fromUcs4(U"\U0010FFFF\U00010000");
}

void TestXmlText::dropped()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(DropXmlForbiddenCharacters(value), expected);
    // Written as UTF-8 behind what a request already holds.
    QByteArray bytes("<a>");
    AppendXmlTextAsUtf8(bytes, value);
    QCOMPARE(bytes, QByteArray("<a>") + expected.toUtf8());
}

// The request writers give the bytes that the steps one after the other gave: folding
// (NormalizeGsmText), dropping what XML forbids, UTF-8; and count exactly what they write.
void TestXmlText::oneWriterAsTheChainBefore_data()
{
    QTest::addColumn<QStringList>("texts");
    const QString pair = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("empty") << QStringList{QString(), QStringLiteral("")};
    QTest::newRow("Turkish letters") << QStringList{
        QStringLiteral("Sayın Ayşe Yılmaz, Çağlar Gıda Ltd. Şti. ÜÖİĞ üöığ é")};
    QTest::newRow("& < > ~ TAB CR LF") << QStringList{QStringLiteral("a&b<c>d~e\tf\r\ng\rh\ni")};
    QTest::newRow("forbidden controls") << QStringList{
        QString::fromUtf16(u"a\u0000b\u0001c\u0008d\u000Be\u001Ff\u007F", 12)};
    QTest::newRow("U+FFFE, U+FFFF, U+FFFD") << QStringList{QString::fromUtf16(u"x\uFFFEy\uFFFFz\uFFFD", 6)};
    QTest::newRow("surrogate pair") << QStringList{QStringLiteral("a") + pair + QStringLiteral("b")};
    QTest::newRow("pair split by CR LF") << QStringList{QString(QChar(0xD83D)) + QStringLiteral("\r\n") +
                                                        QChar(0xDE00)};
    QTest::newRow("pair split by TAB") << QStringList{QString(QChar(0xD83D)) + QStringLiteral("\t") + QChar(0xDE00)};
    QTest::newRow("lone halves") << QStringList{QString(QChar(0xDE00)) + QStringLiteral("a") + QChar(0xD83D) +
                                                QChar(0xD83D) + pair + QChar(0xD83D)};
    QTest::newRow("two, three, four bytes")
        << QStringList{QStringLiteral("\u00E2\u07FF\u0800\u20AC\uD7FF\uE000") + QString::fromUcs4(U"\U0010FFFF")};
    QTest::newRow("over 160") << QStringList{QStringLiteral("Şükrü & Işıl <ortak> ~ ").repeated(10) +
                                             QStringLiteral("\r\n").repeated(5)};
    const QString alphabet = QStringLiteral("\u00DC\u00FC\u011E\u011F\u0130\u0131\u015E\u015F\u00C7\u00E7\u00D6\u00F6&"
                                            "\u00E9\r\n><~\t-[] aUeIi\u00C9\u00E2\"'\u20AC") +
                             QChar(0xFFFF) + QChar(0xFFFE) + QChar(0xD83D) + QChar(0xDE00) + QChar(0x01) + QChar(0x1F) +
                             QChar(0x7F);
    QTest::newRow("random") << RandomTexts(alphabet, 3000, 8, 20260401);
}

void TestXmlText::oneWriterAsTheChainBefore()
{
    QFETCH(QStringList, texts);
    for (const QString &text : texts) {
        const auto write = [&text](char *(*writer)(char *, QStringView)) {
            QByteArray out(kXmlUtf8Room * text.size() + 1, Qt::Uninitialized);
            out.truncate(writer(out.data(), text) - out.constData());
            return out;
        };
        const QByteArray asIs = DropXmlForbiddenCharacters(text).toUtf8();
        const QByteArray folded = DropXmlForbiddenCharacters(NormalizeGsmText(text)).toUtf8();
        QCOMPARE(write(&WriteXmlTextAsUtf8), asIs);
        QCOMPARE(write(&WriteGsmTextAsXmlUtf8), folded);
        QCOMPARE(XmlUtf8Size(text), asIs.size());
        QCOMPARE(GsmTextXmlUtf8Size(text), folded.size());
    }
}

// A row of the send list (an ERP name merged into the text) holding each forbidden
// character goes through the basket and the send request; the gateway reads the request
// with a strict parser and takes every row.
void TestXmlText::sendRoadWithForbiddenCharacters()
{
    FakeGateway fake;
    fake.setStrictXml(true);
    gGatewayUrl = fake.url();

    RecordSet list = MakeSendList();
    const QStringList bad = forbiddenCharacters();
    for (int i = 0; i < bad.size(); ++i) {
        const QString number = QStringLiteral("53200%1").arg(i, 5, 10, QLatin1Char('0'));
        list.addRow(RecordRow{number, QStringLiteral("Sayın Ay") + bad[i] + QStringLiteral("şe Kaya")});
    }
    Gateway gw;
    QCOMPARE(FillSendBasket(gw, list), int(bad.size()));
    const QString reply = gw.sendsms(QStringLiteral("ali-C9"), QStringLiteral("gizli") + QChar(0x0B),
                                     QStringLiteral("ORVEK") + QChar(0x1B), QString());
    QVERIFY2(reply.startsWith(QLatin1String("ID:")), qPrintable(reply));
    QCOMPARE(fake.malformedRequestCount(), 0);

    const QString body = fake.lastBody();
    QString error;
    QVERIFY2(strictlyWellFormed(body, &error), qPrintable(error));
    QCOMPARE(elementTexts(body, QStringLiteral("Mesgbody")).size(), bad.size());
    const QString clean = NormalizeGsmText(QStringLiteral("Sayın Ayşe Kaya"));
    for (const QString &text : elementTexts(body, QStringLiteral("Mesgbody"))) QCOMPARE(text, clean);
    QCOMPARE(FakeGateway::element(body, QStringLiteral("PassWord")), QStringLiteral("gizli"));
    QCOMPARE(FakeGateway::element(body, QStringLiteral("Originator")), QStringLiteral("ORVEK"));
}

void TestXmlText::reportAndInteractiveRequests()
{
    const QString nul = QString(QChar(0));
    const QString user = QStringLiteral("ali") + nul + QStringLiteral("-C9");
    const QString password = QStringLiteral("giz") + QChar(0x07) + QStringLiteral("li");
    const QStringList requests = {
        GatewayReportRequest(user, password, QStringLiteral("11"),
                             GatewayElement(QStringLiteral("MsgID"), QStringLiteral("77") + QChar(0xFFFF))),
        GathwinRequest(user, password, QStringLiteral("REC") + QChar(0x1F) + QStringLiteral(" READ")),
    };
    for (const QString &request : requests) {
        QString error;
        QVERIFY2(strictlyWellFormed(request, &error), qPrintable(request + QLatin1String(": ") + error));
        QCOMPARE(FakeGateway::element(request, QStringLiteral("UserName")), QStringLiteral("ali-C9"));
        QCOMPARE(FakeGateway::element(request, QStringLiteral("PassWord")), QStringLiteral("gizli"));
    }
    QCOMPARE(FakeGateway::element(requests[0], QStringLiteral("MsgID")), QStringLiteral("77"));
    QCOMPARE(FakeGateway::element(requests[1], QStringLiteral("List")), QStringLiteral("REC READ"));
}

QTEST_GUILESS_MAIN(TestXmlText)
#include "tst_xmltext.moc"
