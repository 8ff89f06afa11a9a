#include "core/SmsText.h"

#include <QtTest>

class TestSmsText : public QObject {
    Q_OBJECT
private slots:
    void lineBreaks_data();
    void lineBreaks();
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

QTEST_GUILESS_MAIN(TestSmsText)
#include "tst_smstext.moc"
