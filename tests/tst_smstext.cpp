#include "core/SmsText.h"

#include <QtTest>

class TestSmsText : public QObject {
    Q_OBJECT
private slots:
    void lineBreaks_data();
    void lineBreaks();
    void excessCharacters_data();
    void excessCharacters();
    void numberKey_data();
    void numberKey();
};

void TestSmsText::lineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("crlf");
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << ""
                           << "" << 0;
    QTest::newRow("plain Turkish") << QStringLiteral("Sayın Çağlar") << QStringLiteral("Sayın Çağlar") << 12;
    QTest::newRow("CR LF stays two") << "a\r\nb"
                                     << "a\r\nb" << 4;
    QTest::newRow("lone LF counts two") << "a\nb"
                                        << "a\r\nb" << 4;
    QTest::newRow("lone CR counts two") << "a\rb"
                                        << "a\r\nb" << 4;
    QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                         << "a\r\n\r\nb" << 6;
    QTest::newRow("paragraph and line separators")
        << QString("a") + QChar::ParagraphSeparator + "b" + QChar::LineSeparator + "c"
        << "a\r\nb\r\nc" << 7;
    QTest::newRow("break at the end") << "x\n"
                                      << "x\r\n"
                                      << 3;
    QTest::newRow("empty lines") << "\n\n"
                                 << "\r\n\r\n"
                                 << 4;
}

void TestSmsText::lineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, crlf);
    QFETCH(int, length);
    QCOMPARE(ToCrLf(text), crlf);
    QCOMPARE(SmsLength(text), length);
    QCOMPARE(SmsLength(crlf), length);
    QCOMPARE(SmsRemaining(text), 160 - length);
}

void TestSmsText::excessCharacters_data()
{
    QTest::addColumn<QString>("added");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("cut");

    const QString para(QChar(0x2029));
    QTest::newRow("fits") << "abc" << 160 << 0;
    QTest::newRow("one over") << "abc" << 161 << 1;
    QTest::newRow("all of it") << "abc" << 163 << 3;
    QTest::newRow("more than added") << "abc" << 200 << 3;
    QTest::newRow("break counts two") << QStringLiteral("ab") + para << 161 << 1;
    QTest::newRow("break then letter") << QStringLiteral("a") + para + QStringLiteral("b") << 162 << 2;
    QTest::newRow("CR LF kept whole") << "ab\r\n" << 161 << 2;
    QTest::newRow("surrogate pair kept whole")
        << QStringLiteral("a") + QString::fromUtf8("\xF0\x9F\x98\x80") << 161 << 2;
}

void TestSmsText::excessCharacters()
{
    QFETCH(QString, added);
    QFETCH(int, length);
    QFETCH(int, cut);
    QCOMPARE(QuickExcessCharacters(added, length, 160), cut);
}

void TestSmsText::numberKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("passed");
    QTest::newRow("0") << 48 << 48;
    QTest::newRow("9") << 57 << 57;
    QTest::newRow("erase") << 8 << 8;
    QTest::newRow("slash") << 47 << 0;
    QTest::newRow("colon") << 58 << 0;
    QTest::newRow("blank") << 32 << 0;
    QTest::newRow("plus") << 43 << 0;
    QTest::newRow("letter") << int('a') << 0;
    QTest::newRow("enter") << 13 << 0;
}

void TestSmsText::numberKey()
{
    QFETCH(int, key);
    QFETCH(int, passed);
    QCOMPARE(QuickNumberKey(key), passed);
}

QTEST_GUILESS_MAIN(TestSmsText)
#include "tst_smstext.moc"
