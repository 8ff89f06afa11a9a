#include "core/Normalizers.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

class TestNormalizers : public QObject {
    Q_OBJECT
private slots:
    void gsmText_data();
    void gsmText();
    void gsmTextAsStepwiseReplacements();
    void gsmNumber_data();
    void gsmNumber();
};

void TestNormalizers::gsmText_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("plain text passes") << "Merhaba 100% $5 \"a\" 'b' 1.2,3;:!?"
                                       << "Merhaba 100% $5 \"a\" 'b' 1.2,3;:!?";
    QTest::newRow("greeting") << QStringLiteral("Günaydın Şükrü Çağlar") << "Gunaydin Sukru Caglar";
    QTest::newRow("dotted capital I") << QStringLiteral("İSTANBUL") << "ISTANBUL";
    QTest::newRow("every Turkish letter") << QStringLiteral("ÜüĞğİıŞşÇçÖö") << "UuGgIiSsCcOo";
    QTest::newRow("e acute, other accents stay") << QStringLiteral("café âîû ÂÉ") << QStringLiteral("cafe âîû ÂÉ");
    QTest::newRow("ampersand in place") << "Ali & Veli"
                                        << "Ali - Veli";
    QTest::newRow("angle brackets") << "<Unvan>"
                                    << "[Unvan]";
    QTest::newRow("tilde between blanks") << "a ~ b"
                                          << "a   b";
    QTest::newRow("tab") << "a\tb"
                         << "a b";
    QTest::newRow("CR LF joins words") << QStringLiteral("Merhaba\r\nDünya") << "MerhabaDunya";
    QTest::newRow("lone CR and LF") << "a\rb\nc\n\rd"
                                    << "abcd";
    QTest::newRow("XML-unsafe mix") << "<a&b>~\t"
                                    << "[a-b]  ";
    // "&lt;" keeps its letters: only the ampersand changes.
    QTest::newRow("entity-like text") << "&lt;"
                                      << "-lt;";
}

void TestNormalizers::gsmText()
{
    QFETCH(QString, input);
    const QString before = input;
    QTEST(NormalizeGsmText(input), "expected");
    QCOMPARE(input, before);
}

// The text's replacements applied one after the other over the whole text, each to the result
// of the one before: what the one pass must give for every mix of the characters involved.
static QString stepwiseGsmText(QString text)
{
    static const char16_t *const steps[][2] = {
        {u"\u00DC", u"U"}, {u"\u00FC", u"u"}, {u"\u011E", u"G"}, {u"\u011F", u"g"}, {u"\u0130", u"I"},
        {u"\u0131", u"i"}, {u"\u015E", u"S"}, {u"\u015F", u"s"}, {u"\u00C7", u"C"}, {u"\u00E7", u"c"},
        {u"\u00D6", u"O"}, {u"\u00F6", u"o"}, {u"&", u"-"},      {u"\u00E9", u"e"}, {u"\r\n", u""},
        {u"\r", u""},      {u"\n", u""},      {u">", u"]"},      {u"<", u"["},      {u"~", u" "},
        {u"\t", u" "},
    };
    for (const auto &s : steps) text.replace(QString::fromUtf16(s[0]), QString::fromUtf16(s[1]));
    return text;
}

void TestNormalizers::gsmTextAsStepwiseReplacements()
{
    // Every character replaced or removed, their results, neighbours of them and units that
    // look special (U+FFFF, a lone surrogate half) but stay.
    const QString alphabet = QStringLiteral("\u00DC\u00FC\u011E\u011F\u0130\u0131\u015E\u015F\u00C7\u00E7\u00D6\u00F6&"
                                            "\u00E9\r\n><~\t-[] aUeIi\u00C9\u00E2") +
                             QChar(0xFFFF) + QChar(0xD800);
    for (const QString &text : RandomTexts(alphabet, 5000, 4, 20240611))
        QCOMPARE(NormalizeGsmText(text), stepwiseGsmText(text));
}

void TestNormalizers::gsmNumber_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ten digits") << "5321234567"
                                << "5321234567";
    QTest::newRow("trunk zero and blanks") << "0 532 123 45 67"
                                           << "5321234567";
    QTest::newRow("country code, parentheses, hyphens") << "+90 (532) 123-45-67"
                                                        << "5321234567";
    QTest::newRow("dots") << "532.123.45.67"
                          << "5321234567";
    QTest::newRow("twelve digits with 90") << "905321234567"
                                           << "5321234567";
    QTest::newRow("brackets, braces, commas") << "  [0]{532},123,4567  "
                                              << "5321234567";
    QTest::newRow("0090 prefix") << "0090 505 765 43 21"
                                 << "5057654321";
    QTest::newRow("anything before the last ten") << "1234 555 444 55 66"
                                                  << "5554445566";
    QTest::newRow("prefix 54") << "5421112233"
                               << "5421112233";
    QTest::newRow("prefix 51") << "5121234567"
                               << "";
    QTest::newRow("prefix 56") << "5621234567"
                               << "";
    QTest::newRow("prefix 59") << "5921234567"
                               << "";
    QTest::newRow("landline") << "0212 123 45 67"
                              << "";
    QTest::newRow("nine digits") << "532123456"
                                 << "";
    QTest::newRow("trunk zero and nine digits") << "0532123456"
                                                << "";
    QTest::newRow("slash and digit after") << "5321234567 /2"
                                           << "";
    QTest::newRow("letter among digits") << "532123456a7"
                                         << "";
    QTest::newRow("exponent form") << "5321234E56"
                                   << "";
    QTest::newRow("only separators") << "(---) ...,,, +++"
                                     << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestNormalizers::gsmNumber()
{
    QFETCH(QString, input);
    QTEST(NormalizeGsmNumber(input), "expected");
}

QTEST_GUILESS_MAIN(TestNormalizers)
#include "tst_normalizers.moc"
