#include "core/AppState.h"
#include "core/OrvekError.h"
#include "core/RecipientMerge.h"

#include <QDate>
#include <QtTest>

namespace {
// A few contact-person columns with the types the ERP loader gives them.
RecordSet contactFixture()
{
    RecordSet set;
    set.appendField("HesapKodu");
    set.appendField("Unvan1");
    set.appendField("Unvan2");
    set.appendField("YetkiliAdi");
    set.appendField("DogumTarihi", QMetaType::QDate);
    set.appendField("Bakiye", QMetaType::Double);
    set.appendField("CepTelBKod");
    set.appendField("CepTel");
    // 0: every value filled
    set.addRow({"120.001", "Çağlar Gıda", "Ltd. Şti.", "Ayşe", QDate(1980, 3, 15), 1250.75, "532", "1234567"});
    // 1: Nulls where a text could be
    set.addRow({"120.002", "Işık Tekstil", QVariant(), QVariant(), QVariant(), 10.0, "554", "3334455"});
    // 2: a value that looks like a placeholder
    set.addRow({"120.003", "[##Unvan2##]", "İkinci", "Ömer", QVariant(), 0.0, "535", "9998877"});
    return set;
}

QString repeat(int n) { return QString(n, QLatin1Char('x')); }

// Rows of (Unvan1, CepTelBKod, CepTel) for the runs; "~" is Null.
RecordSet runFixture(const QStringList &rows)
{
    RecordSet set;
    set.appendField("Unvan1");
    set.appendField("CepTelBKod");
    set.appendField("CepTel");
    for (const QString &r : rows) {
        RecordRow values;
        for (const QString &v : r.split('|')) values << (v == "~" ? QVariant() : QVariant(v));
        set.addRow(values);
    }
    return set;
}

enum Duplicates { NoDuplicateTest, TestOn, TestOff };

struct Run {
    QStringList sendList;  // "number:text"
    QStringList overLimit; // Unvan1 of the over-limit rows
    QVector<int> counts;   // the counts handed with each taken row
    int yields = 0;
    RecipientMergeResult result;
};

Run run(const RecordSet &rows, const QString &text, Duplicates duplicates,
        std::function<bool(int yieldNo)> onYield = {})
{
    Run r;
    RecordSet overLimit;
    RecipientMergeHooks hooks;
    if (duplicates != NoDuplicateTest) hooks.duplicateTest = [duplicates] { return duplicates == TestOn; };
    hooks.take = [&r](QStringView gsm, QStringView mesaj, int count) {
        r.sendList << gsm.toString() + ":" + mesaj.toString();
        r.counts << count;
    };
    hooks.yield = [&r, onYield] {
        ++r.yields;
        return onYield ? onYield(r.yields) : false;
    };
    r.result = RunRecipientMerge(rows, MergeText::compile(text, rows.fields()), overLimit, hooks);
    for (int i = 0; i < overLimit.rowCount(); ++i) r.overLimit << overLimit.value(i, 0).toString();
    return r;
}
} // namespace

class TestRecipientMerge : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetAppState(); }

    void mergeText_data();
    void mergeText();
    void refusedTexts_data();
    void refusedTexts();
    void recipientNumber_data();
    void recipientNumber();
    void usedNumbers_data();
    void usedNumbers();
    void runSplitsAndDrops_data();
    void runSplitsAndDrops();
    void runReadsDuplicateOptionPerRow();
    void overLimitListKeepsRawRows();
    void cancelStopsBeforeNextRow();
    void staleCancelTakesNothing();
    void yieldStopTouchesNothingMore();
    void failureBeforeFirstTakenRowEndsRun();
    void failureAfterFirstTakenRowIsSkipped();
};

void TestRecipientMerge::mergeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("merged");

    QTest::newRow("no placeholder") << "Merhaba" << 0 << "Merhaba";
    QTest::newRow("at start") << "[##Unvan1##] bey" << 0 << "Çağlar Gıda bey";
    QTest::newRow("at end") << "Sayın [##YetkiliAdi##]" << 0 << "Sayın Ayşe";
    QTest::newRow("whole text") << "[##Unvan1##]" << 0 << "Çağlar Gıda";
    QTest::newRow("two side by side") << "[##YetkiliAdi##][##Unvan2##]" << 0 << "AyşeLtd. Şti.";
    QTest::newRow("three with CR LF") << "Sayın [##YetkiliAdi##],\r\n[##Unvan1##] bakiyesi [##Bakiye##] TL" << 0
                                      << "Sayın Ayşe,\r\nÇağlar Gıda bakiyesi 1250,75 TL";
    QTest::newRow("names without letter case") << "[##UNVAN1##]/[##yetkiliadi##]" << 0 << "Çağlar Gıda/Ayşe";
    QTest::newRow("Null between words") << "a [##Unvan2##] b" << 1 << "a  b";
    QTest::newRow("only a Null") << "[##Unvan2##]" << 1 << "";
    QTest::newRow("Null date") << "[##DogumTarihi##]." << 1 << ".";
    QTest::newRow("decimal comma") << "[##Bakiye##]" << 0 << "1250,75";
    QTest::newRow("whole double") << "[##Bakiye##] TL" << 1 << "10 TL";
    QTest::newRow("date") << "Doğum günü [##DogumTarihi##]" << 0 << "Doğum günü 15.03.1980";
    QTest::newRow("same placeholder twice") << "[##HesapKodu##]-[##HesapKodu##]" << 0 << "120.001-120.001";
    QTest::newRow("lone open mark") << "Fiyat [## 100" << 0 << "Fiyat [## 100";
    QTest::newRow("lone close mark") << "Fiyat ##] 100" << 0 << "Fiyat ##] 100";
    QTest::newRow("open marks without close") << "[##Unvan1 [##" << 0 << "[##Unvan1 [##";
    QTest::newRow("close mark after the last") << "[##Unvan1##] ##] son" << 0 << "Çağlar Gıda ##] son";
    QTest::newRow("marks inside a value stay") << "[##Unvan1##]" << 2 << "[##Unvan2##]";
}

void TestRecipientMerge::mergeText()
{
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(QString, merged);
    const RecordSet set = contactFixture();
    const MergeText m = MergeText::compile(text, set.fields());
    QCOMPARE(m.apply(set.row(row)), merged);
    // Within a limit of its length the text is built; one character less, only its length.
    QString out = QStringLiteral("önceki");
    QCOMPARE(m.applyWithin(set.row(row), merged.size(), out), merged.size());
    QCOMPARE(out, merged);
    out = QStringLiteral("önceki");
    QCOMPARE(m.applyWithin(set.row(row), merged.size() - 1, out), merged.size());
    QCOMPARE(out, QStringLiteral("önceki"));
}

void TestRecipientMerge::refusedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");

    const QString noClose = "Mesajdaki \"[##\" işaretinden sonra \"##]\" işareti yok.";
    const QString misplaced = "Mesajdaki \"##]\" işareti, \"[##\" işaretinden önce geliyor.";
    QTest::newRow("close before first open") << "a ##] b [##Unvan1##]" << misplaced;
    QTest::newRow("close before a later open") << "[##Unvan1##] x ##] [##Unvan2##]" << misplaced;
    QTest::newRow("overlapping marks") << "[##]" << misplaced;
    QTest::newRow("three hashes") << "[###]" << misplaced;
    QTest::newRow("open without close after a placeholder") << "[##Unvan1##] ve [##Unvan2" << noClose;
    QTest::newRow("empty name") << "a [####] b"
                                << "Mesajda adı boş bir alan var: \"[####]\".";
    QTest::newRow("unknown name") << "Sayın [##Adres##]"
                                  << "Alan bulunamadı: Adres";
    QTest::newRow("blanks are part of the name") << "[## Unvan1##]"
                                                 << "Alan bulunamadı:  Unvan1";
    QTest::newRow("unknown after a good one") << "[##Unvan1##] [##Kod6##]"
                                              << "Alan bulunamadı: Kod6";
}

void TestRecipientMerge::refusedTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, description);
    try {
        MergeText::compile(text, contactFixture().fields());
        QFAIL("the text was accepted");
    } catch (const OrvekError &e) {
        QCOMPARE(e.description(), description);
    }
}

void TestRecipientMerge::recipientNumber_data()
{
    QTest::addColumn<QVariant>("prefix");
    QTest::addColumn<QVariant>("subscriber");
    QTest::addColumn<QString>("number");

    QTest::newRow("prefix and number") << QVariant("532") << QVariant("1234567") << "5321234567";
    QTest::newRow("trunk zero and blanks") << QVariant("0532") << QVariant("123 45 67") << "5321234567";
    QTest::newRow("country code") << QVariant("+90 (532)") << QVariant("123-45-67") << "5321234567";
    QTest::newRow("country code run together") << QVariant("90532") << QVariant("1234567") << "5321234567";
    QTest::newRow("whole number in one column") << QVariant("") << QVariant("05321234567") << "5321234567";
    QTest::newRow("ten digits exactly") << QVariant("5") << QVariant("321234567") << "5321234567";
    QTest::newRow("nine digits") << QVariant("53") << QVariant("1234567") << "";
    QTest::newRow("prefix 51") << QVariant("512") << QVariant("1234567") << "";
    QTest::newRow("prefix 50") << QVariant("505") << QVariant("7654321") << "5057654321";
    QTest::newRow("numeric prefix") << QVariant(532.0) << QVariant("1234567") << "5321234567";
    QTest::newRow("Null prefix") << QVariant() << QVariant("1234567") << "";
    QTest::newRow("Null number") << QVariant("532") << QVariant(QMetaType(QMetaType::QString)) << "";
    QTest::newRow("too short") << QVariant("532") << QVariant("12345") << "";
    QTest::newRow("other prefix") << QVariant("212") << QVariant("1234567") << "";
    QTest::newRow("slash inside") << QVariant("532") << QVariant("1234567 /2") << "";
    QTest::newRow("whole number in the prefix column") << QVariant("05321234567") << QVariant("") << "5321234567";
    QTest::newRow("twelve digits in the number column") << QVariant("") << QVariant("905441234567") << "5441234567";
    QTest::newRow("nine digits after one") << QVariant("5") << QVariant("551234567") << "5551234567";
    QTest::newRow("second digit from the prefix") << QVariant("90535") << QVariant("12345678") << "";
    QTest::newRow("empty texts") << QVariant("") << QVariant("") << "";
}

void TestRecipientMerge::recipientNumber()
{
    QFETCH(QVariant, prefix);
    QFETCH(QVariant, subscriber);
    QFETCH(QString, number);
    QCOMPARE(RecipientNumber(prefix, subscriber), number);

    // The merge reads the number of a row where the set holds it: the same number, whether the
    // row came as values or cell by cell as the ERP loader adds it.
    RecordSet asValues;
    asValues.appendField("CepTelBKod");
    asValues.appendField("CepTel");
    RecordSet byCell = asValues;
    asValues.addRow({prefix, subscriber});
    for (int column = 0; column < 2; ++column) {
        const QVariant &v = column == 0 ? prefix : subscriber;
        if (v.isNull())
            byCell.appendNull(column);
        else if (v.typeId() == QMetaType::QString)
            byCell.appendText(column, v.toString());
        else
            byCell.appendValue(column, v);
    }
    byCell.endRow();
    for (const RecordSet *set : {&asValues, &byCell}) {
        QStringList taken;
        RecordSet overLimit;
        RecipientMergeHooks hooks;
        hooks.take = [&taken](QStringView gsm, QStringView, int) { taken << gsm.toString(); };
        RunRecipientMerge(*set, MergeText::compile("x", set->fields()), overLimit, hooks);
        QCOMPARE(taken, number.isEmpty() ? QStringList() : QStringList{number});
    }
}

void TestRecipientMerge::usedNumbers_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("reserved");
    QTest::addColumn<int>("step"); // distance between two added numbers
    QTest::newRow("a few") << 5 << 0 << 1;
    QTest::newRow("growing far past its start, consecutive") << 50000 << 0 << 1;
    QTest::newRow("reserved, spread out") << 50000 << 50000 << 7919;
    QTest::newRow("reserved too small") << 20000 << 100 << 3;
    // A table takes the room of the last one its thread let go: the numbers of the rows
    // above (all from the same first number) must not be found in it.
    QTest::newRow("a few after larger tables") << 5 << 0 << 1;
    QTest::newRow("reserved after larger tables") << 3000 << 3000 << 1;
}

void TestRecipientMerge::usedNumbers()
{
    QFETCH(int, count);
    QFETCH(int, reserved);
    QFETCH(int, step);
    UsedNumbers used;
    if (reserved) used.reserve(reserved);
    auto number = [step](int i) { return QString::number(5321000000LL + qint64(i) * step); };
    QVERIFY(used.contains(QString::fromLatin1(kUsedNumberSentinel)));
    for (int i = 0; i < count; ++i) {
        QVERIFY(!used.contains(number(i)));
        used.add(number(i));
        used.add(number(i)); // twice is once
    }
    for (int i = 0; i < count; ++i) QVERIFY2(used.contains(number(i)), qPrintable(number(i)));
    // Neighbours of the added numbers, the other mobile prefixes, the ends of the range.
    for (int i = 0; i < count; ++i)
        if (step > 1) QVERIFY(!used.contains(QString::number(5321000000LL + qint64(i) * step + 1)));
    for (const char *other : {"5320999999", "5051000000", "5999999999", "5000000001"})
        QVERIFY2(!used.contains(QString::fromLatin1(other)), other);
    QVERIFY(used.contains(QString::fromLatin1(kUsedNumberSentinel)));
    // A number outside the mobile range is kept too.
    QVERIFY(!used.contains("4321234567"));
    used.add("4321234567");
    QVERIFY(used.contains("4321234567"));
}

void TestRecipientMerge::runSplitsAndDrops_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<QStringList>("sendList");
    QTest::addColumn<QStringList>("overLimit");
    QTest::addColumn<int>("yields");

    // "A" + 155 characters after a placeholder of one letter: 160; of two letters: 161.
    const QString tail = " " + repeat(158);
    QTest::newRow("160 in, 161 over") << QStringList({"A|532|1111111", "AB|532|2222222"}) << "[##Unvan1##]" + tail
                                      << int(NoDuplicateTest) << QStringList({"5321111111:A" + tail})
                                      << QStringList({"AB"}) << 2;
    // 158 characters and one CR LF: 160; one character more: 161.
    QTest::newRow("CR LF counts two") << QStringList({"A|532|1111111", "AB|532|2222222"})
                                      << "[##Unvan1##]" + repeat(157) + "\r\n"
                                      << int(NoDuplicateTest) << QStringList({"5321111111:A" + repeat(157) + "\r\n"})
                                      << QStringList({"AB"}) << 2;
    QTest::newRow("Null merge fits") << QStringList({"~|532|1111111"}) << "[##Unvan1##]" << int(NoDuplicateTest)
                                     << QStringList({"5321111111:"}) << QStringList() << 1;
    QTest::newRow("Null and unusable numbers dropped without a yield")
        << QStringList({"A|~|1111111", "B|532|~", "C|212|1111111", "D|532|123", "E|0532|1111111"}) << "[##Unvan1##]"
        << int(NoDuplicateTest) << QStringList({"5321111111:E"}) << QStringList() << 1;
    QTest::newRow("duplicates dropped while the test is on")
        << QStringList({"A|532|1111111", "B|0532|111 11 11", "C|533|1111111"}) << "[##Unvan1##]" << int(TestOn)
        << QStringList({"5321111111:A", "5331111111:C"}) << QStringList() << 2;
    QTest::newRow("duplicates kept when allowed")
        << QStringList({"A|532|1111111", "B|0532|111 11 11"}) << "[##Unvan1##]" << int(TestOff)
        << QStringList({"5321111111:A", "5321111111:B"}) << QStringList() << 2;
    QTest::newRow("duplicates kept without the option")
        << QStringList({"A|532|1111111", "B|532|1111111"}) << "[##Unvan1##]" << int(NoDuplicateTest)
        << QStringList({"5321111111:A", "5321111111:B"}) << QStringList() << 2;
    QTest::newRow("sentinel never taken while the test is on")
        << QStringList({"A|500|0000000", "B|532|1111111"}) << "x" << int(TestOn) << QStringList({"5321111111:x"})
        << QStringList() << 1;
    QTest::newRow("sentinel taken when duplicates are allowed")
        << QStringList({"A|500|0000000"}) << "x" << int(TestOff) << QStringList({"5000000000:x"}) << QStringList() << 1;
    QTest::newRow("over-limit number stays free")
        << QStringList({"LONG|532|1111111", "S|532|1111111", "T|532|1111111"}) << "[##Unvan1##]" + repeat(157)
        << int(TestOn) << QStringList({"5321111111:S" + repeat(157)}) << QStringList({"LONG"}) << 2;
    QTest::newRow("everything over the limit")
        << QStringList({"AB|532|1111111", "CD|533|1111111"}) << "[##Unvan1##]" + repeat(159) << int(TestOn)
        << QStringList() << QStringList({"AB", "CD"}) << 2;
}

void TestRecipientMerge::runSplitsAndDrops()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, text);
    QFETCH(int, duplicates);
    QFETCH(QStringList, sendList);
    QFETCH(QStringList, overLimit);
    QFETCH(int, yields);

    const RecordSet set = runFixture(rows);
    gProgressDone = 0;
    const Run r = run(set, text, Duplicates(duplicates));
    QCOMPARE(r.result.end, MergeEnd::Finished);
    QCOMPARE(r.sendList, sendList);
    QCOMPARE(r.overLimit, overLimit);
    QCOMPARE(r.result.taken, int(sendList.size()));
    QCOMPARE(r.result.overLimit, int(overLimit.size()));
    QCOMPARE(r.yields, yields);
    QCOMPARE(gProgressDone, rows.size()); // every visited row counts, dropped ones too
    QVector<int> counts;
    for (int i = 1; i <= sendList.size(); ++i) counts << i;
    QCOMPARE(r.counts, counts);
}

void TestRecipientMerge::runReadsDuplicateOptionPerRow()
{
    // The operator may tick the option while the run yields: the rows after it are taken.
    const RecordSet set = runFixture({"A|532|1111111", "B|532|1111111", "C|532|1111111"});
    bool testOn = true;
    RecordSet overLimit;
    QStringList taken;
    RecipientMergeHooks hooks;
    hooks.duplicateTest = [&testOn] { return testOn; };
    hooks.take = [&taken](QStringView, QStringView mesaj, int) { taken << mesaj.toString(); };
    hooks.yield = [&testOn] {
        testOn = false;
        return false;
    };
    RunRecipientMerge(set, MergeText::compile("[##Unvan1##]", set.fields()), overLimit, hooks);
    QCOMPARE(taken, QStringList({"A", "B", "C"}));
}

void TestRecipientMerge::overLimitListKeepsRawRows()
{
    RecordSet set = contactFixture();
    set.addRow({"120.003", "Uzun", QVariant(), QVariant(), QVariant(), QVariant(), " 0532", "123 45 67"});
    RecordSet overLimit;
    overLimit.appendField("Eski"); // the list of an earlier run is replaced
    overLimit.addRow({"eski satır"});
    RecipientMergeHooks hooks;
    const RecipientMergeResult r =
        RunRecipientMerge(set, MergeText::compile("[##Unvan1##]" + repeat(160), set.fields()), overLimit, hooks);
    QCOMPARE(r.overLimit, 4);
    QCOMPARE(overLimit.fieldCount(), set.fieldCount());
    for (int c = 0; c < set.fieldCount(); ++c) {
        QCOMPARE(overLimit.field(c).name, set.field(c).name);
        QCOMPARE(overLimit.field(c).type, set.field(c).type);
    }
    QCOMPARE(overLimit.rowCount(), 4);
    for (int i = 0; i < 4; ++i) QCOMPARE(overLimit.row(i), set.row(i));
    QCOMPARE(overLimit.value(3, "CepTelBKod").toString(), QStringLiteral(" 0532")); // raw, not normalised
}

void TestRecipientMerge::cancelStopsBeforeNextRow()
{
    // Cancel pressed during the second row's yield: that row is finished, the third not read.
    const RecordSet set = runFixture({"A|532|1111111", "B|533|1111111", "C|534|1111111"});
    gProgressDone = 0;
    const Run r = run(set, "[##Unvan1##]", TestOn, [](int n) {
        if (n == 2) gCancelRequested = true;
        return false;
    });
    QCOMPARE(r.result.end, MergeEnd::Cancelled);
    QCOMPARE(r.sendList, QStringList({"5321111111:A", "5331111111:B"}));
    QCOMPARE(gProgressDone, 2);
    QVERIFY(gCancelRequested); // the run does not clear it
}

void TestRecipientMerge::staleCancelTakesNothing()
{
    const RecordSet set = runFixture({"A|532|1111111"});
    gCancelRequested = true;
    const Run r = run(set, "x", TestOn);
    QCOMPARE(r.result.end, MergeEnd::Cancelled);
    QVERIFY(r.sendList.isEmpty());
    QCOMPARE(r.yields, 0);
}

void TestRecipientMerge::yieldStopTouchesNothingMore()
{
    const RecordSet set = runFixture({"A|532|1111111", "B|533|1111111", "C|534|1111111"});
    gProgressDone = 0;
    const Run r = run(set, "[##Unvan1##]", TestOn, [](int n) { return n == 2; });
    QCOMPARE(r.result.end, MergeEnd::Stopped);
    QCOMPARE(r.sendList, QStringList({"5321111111:A"}));
    QCOMPARE(gProgressDone, 1);
}

void TestRecipientMerge::failureBeforeFirstTakenRowEndsRun()
{
    // Rows without the number columns: the first row's read fails.
    RecordSet set;
    set.appendField("Unvan1");
    set.appendField("CepTelBKod");
    set.addRow({"A", "532"});
    const Run r = run(set, "x", TestOn);
    QCOMPARE(r.result.end, MergeEnd::Failed);
    QCOMPARE(r.result.error, QStringLiteral("Alan bulunamadı: CepTel"));
    QCOMPARE(r.yields, 0);
    QVERIFY(r.sendList.isEmpty());

    // No row at all: nothing to fail on.
    set.clear();
    QCOMPARE(run(set, "x", TestOn).result.end, MergeEnd::Finished);
}

void TestRecipientMerge::failureAfterFirstTakenRowIsSkipped()
{
    const RecordSet set = runFixture({"A|532|1111111", "B|533|1111111", "C|534|1111111"});
    RecordSet overLimit;
    QStringList taken;
    RecipientMergeHooks hooks;
    hooks.take = [&taken](QStringView, QStringView mesaj, int) {
        if (mesaj == u"B") throw OrvekError("liste dolu");
        taken << mesaj.toString();
    };
    const RecipientMergeResult r =
        RunRecipientMerge(set, MergeText::compile("[##Unvan1##]", set.fields()), overLimit, hooks);
    QCOMPARE(r.end, MergeEnd::Finished);
    QCOMPARE(taken, QStringList({"A", "C"}));
}

QTEST_GUILESS_MAIN(TestRecipientMerge)
#include "tst_recipientmerge.moc"
