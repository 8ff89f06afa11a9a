// Replies from outside as they stand in a log line: cut, escaped, one readable line.
#include "kovaset/LogText.h"

#include <QtTest>

class TestLogText : public QObject {
    Q_OBJECT
private slots:
    void replyForLog_data();
    void replyForLog();
};

void TestLogText::replyForLog_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("logged");

    QTest::newRow("code") << QStringLiteral("01") << QStringLiteral("\"01\"");
    QTest::newRow("empty") << QString() << QStringLiteral("\"\"");
    QTest::newRow("Turkish letters stay")
        << QStringLiteral("Sunucu hatası: Işık") << QStringLiteral("\"Sunucu hatası: Işık\"");
    QTest::newRow("NUL and ESC") << QString::fromUtf8("a\0b\x1b[31mc", 9) << QStringLiteral("\"a\\x00b\\x1B[31mc\"");
    QTest::newRow("CR LF and TAB") << QStringLiteral("bir\r\niki\tüç") << QStringLiteral("\"bir\\x0D\\x0Aiki\\x09üç\"");
    QTest::newRow("DEL and C1") << QStringLiteral("x\x7f") + QChar(0x85) + QChar(0x9b)
                                << QStringLiteral("\"x\\x7F\\x85\\x9B\"");
    QTest::newRow("line separators") << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") + QChar(0x2029)
                                     << QStringLiteral("\"a\\u2028b\\u2029\"");
    QTest::newRow("lone surrogate") << QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b")
                                    << QStringLiteral("\"a\\uD800b\"");
    QTest::newRow("a pair stays") << QString::fromUtf8("\xF0\x9F\x98\x80") << QString::fromUtf8("\"\xF0\x9F\x98\x80\"");
    QTest::newRow("200 characters whole")
        << QString(200, QLatin1Char('a')) << QLatin1Char('"') + QString(200, 'a') + '"';
    QTest::newRow("201 characters cut") << QString(201, QLatin1Char('a'))
                                        << QLatin1Char('"') + QString(200, 'a') +
                                               QStringLiteral("\"... (201 karakter)");
    QTest::newRow("200 control characters, cut before escaping")
        << QString(300, QChar(0))
        << QLatin1Char('"') + QStringLiteral("\\x00").repeated(200) + QStringLiteral("\"... (300 karakter)");
    QTest::newRow("a pair at the cut is not split")
        << QString(199, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("b")
        << QLatin1Char('"') + QString(199, 'a') + QStringLiteral("\"... (202 karakter)");
}

void TestLogText::replyForLog()
{
    QFETCH(QString, reply);
    QFETCH(QString, logged);
    const QString out = ReplyForLog(reply);
    QCOMPARE(out, logged);
    for (const QChar c : out) {
        QVERIFY2(c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() <= 0x9F), "a control character stayed");
        QVERIFY(c.unicode() != 0x2028 && c.unicode() != 0x2029);
    }
    // Valid UTF-8 both ways: nothing of the line is lost in the file.
    QCOMPARE(QString::fromUtf8(out.toUtf8()), out);
}

QTEST_GUILESS_MAIN(TestLogText)
#include "tst_logtext.moc"
