#include "core/Base64.h"
#include "core/Cp1254.h"
#include "core/OrvekError.h"

#include <QTemporaryDir>
#include <QtTest>

class TestBase64 : public QObject {
    Q_OBJECT
private slots:
    void encodeLayout_data();
    void encodeLayout();
    void roundTripEveryLength();
    void decode_data();
    void decode();
    void decodeFailures_data();
    void decodeFailures();
    void emptyInputFails();
    void turkishLettersUseCp1254();
    void fileForms();
};

static QByteArray bytes(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = char((i * 37 + 11) & 0xFF);
    return b;
}

void TestBase64::encodeLayout_data()
{
    QTest::addColumn<int>("inputBytes");
    QTest::addColumn<QList<int>>("lineLengths");
    QTest::newRow("1 byte") << 1 << QList<int>{4};
    QTest::newRow("57 bytes: one full line, no break") << 57 << QList<int>{76};
    QTest::newRow("58 bytes") << 58 << QList<int>{76, 4};
    QTest::newRow("114 bytes: two full lines") << 114 << QList<int>{76, 76};
    QTest::newRow("115 bytes") << 115 << QList<int>{76, 76, 4};
    QTest::newRow("56 bytes") << 56 << QList<int>{76};
}

void TestBase64::encodeLayout()
{
    QFETCH(int, inputBytes);
    QFETCH(QList<int>, lineLengths);
    base64 codec;
    const QByteArray enc = codec.EncodeBytes(bytes(inputBytes));
    QVERIFY(!enc.endsWith("\r\n"));
    const QList<QByteArray> lines = enc.split('\n');
    QCOMPARE(lines.size(), lineLengths.size());
    for (int i = 0; i < lines.size(); ++i) {
        const bool last = i == lines.size() - 1;
        QCOMPARE(lines[i].endsWith('\r'), !last);
        QCOMPARE(int(lines[i].size()) - (last ? 0 : 1), lineLengths[i]);
    }
    // Standard Base64 apart from the line breaks.
    QByteArray plain = enc;
    plain.replace("\r\n", "");
    QCOMPARE(plain, bytes(inputBytes).toBase64());
}

void TestBase64::roundTripEveryLength()
{
    base64 codec;
    for (int n = 1; n <= 400; ++n) {
        const QByteArray in = bytes(n);
        QCOMPARE(codec.DecodeBytes(codec.EncodeBytes(in)), in);
    }
    const QByteArray big = bytes(100000);
    QCOMPARE(codec.DecodeBytes(codec.EncodeBytes(big)), big);
}

void TestBase64::decode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray line = bytes(57).toBase64();
    QTest::newRow("76 chars + CR LF = 76 chars") << line + "\r\n" << bytes(57);
    QTest::newRow("CR LF where a group begins is skipped") << QByteArray("\r\nTWFu") << QByteArray("Man");
    QTest::newRow("CR LF inside a group is data (value 0)") << QByteArray("TW\r\nFu") << QByteArray("M`\x00", 3);
    QTest::newRow("leading blank is data and shifts groups")
        << QByteArray(" TWFuTWFu") << QByteArray::fromBase64("ATWFuTWF");
    QTest::newRow("trailing fragment ignored") << QByteArray("TWFuTW") << QByteArray("Man");
    QTest::newRow("one fill") << QByteArray("TWE=") << QByteArray("Ma");
    QTest::newRow("two fills") << QByteArray("TQ==") << QByteArray("M");
    QTest::newRow("outside alphabet decodes as A") << QByteArray("T*Fu") << QByteArray::fromBase64("TAFu");
}

void TestBase64::decode()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    base64 codec;
    QCOMPARE(codec.DecodeBytes(input), expected);
}

void TestBase64::decodeFailures_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only line breaks") << QByteArray("\r\n\r\n");
    QTest::newRow("fewer than four characters") << QByteArray("TWF");
    QTest::newRow("80 characters without a break") << bytes(60).toBase64();
}

void TestBase64::decodeFailures()
{
    QFETCH(QByteArray, input);
    base64 codec;
    QVERIFY_THROWS_EXCEPTION(OrvekError, codec.DecodeBytes(input));
}

void TestBase64::emptyInputFails()
{
    base64 codec;
    QVERIFY_THROWS_EXCEPTION(OrvekError, codec.Encode(QString()));
    QVERIFY_THROWS_EXCEPTION(OrvekError, codec.Decode(QString()));
}

void TestBase64::turkishLettersUseCp1254()
{
    base64 codec;
    const QString text = QStringLiteral("ĞÜŞİÖÇğüşıöç€");
    const QByteArray cp = ToCp1254(text);
    QCOMPARE(cp, QByteArray("\xD0\xDC\xDE\xDD\xD6\xC7\xF0\xFC\xFE\xFD\xF6\xE7\x80"));
    QCOMPARE(codec.Encode(text), QString::fromLatin1(cp.toBase64()));
    QCOMPARE(codec.Decode(codec.Encode(text)), text);
    // A character that the code page lacks becomes "?".
    QCOMPARE(codec.Decode(codec.Encode(QStringLiteral("a\u4E2Db"))), QStringLiteral("a?b"));
    QCOMPARE(codec.Encode(QStringLiteral("sa")), QStringLiteral("c2E="));
}

void TestBase64::fileForms()
{
    QTemporaryDir dir;
    base64 codec;
    const QString in = dir.filePath("in.bin"), enc = dir.filePath("enc.txt"), out = dir.filePath("out.bin");
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes(200));
    f.close();
    codec.EncodeFile(in, enc);
    QCOMPARE(codec.EncodeFromFile(in), QString::fromLatin1(codec.EncodeBytes(bytes(200))));
    codec.DecodeFile(enc, out);
    QFile r(out);
    QVERIFY(r.open(QIODevice::ReadOnly));
    QCOMPARE(r.readAll(), bytes(200));
    r.close();
    codec.DecodeToFile(QStringLiteral("TWFu"), dir.filePath("man.txt"));
    QFile m(dir.filePath("man.txt"));
    QVERIFY(m.open(QIODevice::ReadOnly));
    QCOMPARE(m.readAll(), QByteArray("Man"));

    QFile empty(dir.filePath("empty.bin"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY_THROWS_EXCEPTION(OrvekError, codec.EncodeFromFile(empty.fileName()));
    QVERIFY_THROWS_EXCEPTION(OrvekError, codec.EncodeFromFile(dir.filePath("missing.bin")));
}

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_base64.moc"
