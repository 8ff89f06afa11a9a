#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/InteractiveRules.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Templates.h"
#include "interactive/InteractiveInbox.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using Row = QVariantList;

qint64 addMessage(ProgramFolderFixture &fx, const QString &tarih, const QString &gsm, const QString &msg)
{
    fx.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?,?,?)", {tarih, gsm, msg});
    return fx.scalar("SELECT MAX(id) FROM tbl_int_msgbox").toLongLong();
}

QList<qint64> ids(const RecordSet &rs)
{
    QList<qint64> out;
    for (int i = 0; i < rs.rowCount(); ++i) out << rs.value(i, kInboxId).toLongLong();
    return out;
}

QStringList texts(const RecordSet &rs, int column)
{
    QStringList out;
    for (int i = 0; i < rs.rowCount(); ++i) out << rs.value(i, column).toString();
    return out;
}

QList<Row> ruleRows(ProgramFolderFixture &fx) { return fx.rows("SELECT * FROM tbl_int_parametre ORDER BY rowid"); }

Row ruleRow(ProgramFolderFixture &fx, const QString &keyword)
{
    const auto r = fx.rows("SELECT * FROM tbl_int_parametre WHERE parametre = ?", {keyword});
    return r.isEmpty() ? Row() : r.first();
}

// A trigger that makes one kind of write fail, as a full or locked disk would.
void failWritesWhere(ProgramFolderFixture &fx, const QString &table, const QString &event, const QString &when)
{
    fx.exec(QStringLiteral("CREATE TRIGGER fail_write BEFORE %1 ON %2 WHEN %3 BEGIN SELECT RAISE(ABORT, 'disk "
                           "full'); END")
                .arg(event, table, when));
}
// The rows of the set as text, in order: id, tarih, gsmno, msg.
QStringList shown(const RecordSet &rs)
{
    QStringList out;
    for (int i = 0; i < rs.totalRowCount(); ++i) {
        const RecordRow row = rs.row(i);
        QStringList cells;
        for (int c = kInboxId; c <= kInboxMsg; ++c)
            cells << (row.value(c).isNull() ? QStringLiteral("<null>") : row.value(c).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}
} // namespace

class TestInteractive : public QObject {
    Q_OBJECT
private slots:
    void keywordUpper_data();
    void keywordUpper();
    void keywordText_data();
    void keywordText();
    void schema();
    void ruleListOrderAndCompanies();
    void insertRule_data();
    void insertRule();
    void saveRule();
    void deleteRule();
    void inboxNewestFirst();
    void filter_data();
    void filter();
    void countsPerText();
    void turkishCaseFilter_data();
    void turkishCaseFilter();
    void turkishCaseCounts_data();
    void turkishCaseCounts();
    void answerOfMessage();
    void updateAfterOtherWriters();
    void updateShowsWhatIsStored_data();
    void updateShowsWhatIsStored();
    void answerModeAllOrNothing();
    void deleteByIds();
    void fieldNamesOfKinds();
};

void TestInteractive::keywordUpper_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("ascii") << "abc1xyz"
                           << "ABC1XYZ";
    QTest::newRow("i to I") << "bilgi"
                            << "BILGI";
    QTest::newRow("upper stays") << "NOPRM"
                                 << "NOPRM";
    QTest::newRow("turkish letters stay") << "ığüşöçİ"
                                          << "ığüşöçİ";
    QTest::newRow("mixed") << "şirket1"
                           << "şIRKET1";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("punctuation") << "a-b c"
                                 << "A-B C";
}

void TestInteractive::keywordUpper()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(KeywordUpper(in), out);
}

void TestInteractive::keywordText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("letters digits") << "Abc19" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blank") << "ab c" << false;
    QTest::newRow("turkish") << "bakiyeı" << false;
    QTest::newRow("apostrophe") << "a'b" << false;
    QTest::newRow("percent") << "a%" << false;
    QTest::newRow("line break") << "a\r\n" << false;
}

void TestInteractive::keywordText()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(IsKeywordText(text), ok);
}

void TestInteractive::schema()
{
    ProgramFolderFixture fx;
    // The delivered default rule, nine columns in their order.
    QCOMPARE(ruleRows(fx).size(), 1);
    const Row noprm = ruleRow(fx, "noprm");
    QCOMPARE(noprm.size(), 9);
    QCOMPARE(noprm[0].toString(), QStringLiteral("noprm"));
    QCOMPARE(noprm.mid(1, 4), Row({"0", "BakiyeMesaj", "", "Metin"}));
    QVERIFY(noprm[5].isNull());
    QCOMPARE(noprm[6].toString(), QStringLiteral("0"));
    QVERIFY(noprm[7].isNull());
    QCOMPARE(noprm[8].toString(), QStringLiteral("-1"));
    // Positional insert of nine values; the keyword compares without letter case.
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ABC','1','ChkMesaj','Kod1','Sayı','x','1','y','01')");
    QVERIFY(LoadRule("NOPRM").has_value());
    QCOMPARE(LoadRule("NOPRM")->sirket_kod, QStringLiteral("-1"));
    QCOMPARE(LoadRule("abc")->sorgu_alan_tipi, QStringLiteral("Sayı"));
    OpenLocalDb();
    QVERIFY_THROWS_EXCEPTION(
        OrvekError, SqlExec(LocalDb(), "INSERT INTO tbl_int_parametre VALUES ('abc','0','','','','','0','','02')"));
    // An id never comes back: the newest message deleted, the next one gets a new id.
    const qint64 first = addMessage(fx, "2026-01-01 10:00:00", "5321234567", "a");
    const qint64 second = addMessage(fx, "2026-01-01 10:00:01", "5321234567", "b");
    fx.exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {second});
    QVERIFY(addMessage(fx, "2026-01-01 10:00:02", "5321234567", "c") > second);
    fx.exec("DELETE FROM tbl_int_msgbox");
    QVERIFY(addMessage(fx, "2026-01-01 10:00:03", "5321234567", "d") > second + 1);
    QVERIFY(first < second);
}

void TestInteractive::ruleListOrderAndCompanies()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ZED','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01')");
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('OTHER','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'02')");
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ALL','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'-1')");
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ABC','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01')");
    // Insertion order, not the keyword's: 'noprm' first.
    QCOMPARE(RuleKeywords("01"), QStringList({"noprm", "ZED", "ALL", "ABC"}));
    QCOMPARE(RuleKeywords("02"), QStringList({"noprm", "OTHER", "ALL"}));
    QCOMPARE(RuleKeywords("03"), QStringList({"noprm", "ALL"}));
    // A company code is a value, never SQL.
    QCOMPARE(RuleKeywords("01' OR '1'='1"), QStringList({"noprm", "ALL"}));
}

void TestInteractive::insertRule_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("inserted");
    QTest::newRow("new") << "ABC1" << true;
    QTest::newRow("other company's") << "SUBE" << false;
    QTest::newRow("own") << "MERKEZ" << false;
    QTest::newRow("reserved in capitals") << "NOPRM" << false;
    QTest::newRow("other letter case") << "sube" << false;
}

void TestInteractive::insertRule()
{
    QFETCH(QString, keyword);
    QFETCH(bool, inserted);
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('SUBE','1','GrupMesaj','GrupKod','Metin','a','1','b','02')");
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('MERKEZ','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01')");
    const QList<Row> before = ruleRows(fx);
    QCOMPARE(InsertRule(keyword, "01"), inserted ? NewRuleOutcome::Inserted : NewRuleOutcome::Duplicate);
    const QList<Row> after = ruleRows(fx);
    if (!inserted) {
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after.size(), before.size() + 1);
    const Row r = after.last();
    QCOMPARE(r.mid(0, 5), Row({keyword, "0", "BakiyeMesaj", "", "Metin"}));
    QVERIFY(r[5].isNull());
    QCOMPARE(r[6].toString(), QStringLiteral("0"));
    QVERIFY(r[7].isNull());
    QCOMPARE(r[8].toString(), QStringLiteral("01"));
}

void TestInteractive::saveRule()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ABC1','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01')");
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('ORTAK','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'-1')");

    InteractiveRule r = NewRuleValues("ABC1", "01");
    r.geridonus_tipi = "1";
    r.sorgu_tablosu = "ChkMesaj";
    r.sorgu_alani = "HesapKodu";
    r.sorgu_alan_tipi = "Sayı";
    r.donus_mesaj = "Sayın [##Unvan1##]'in borcu 'yok'";
    r.flg_kayityok = "1";
    r.kayityok_mesaj = QString(); // Null in the editor is stored as ''
    // Another company signed in: the row of company 01 is not its own.
    QCOMPARE(SaveRule(r, "02"), 0);
    QVERIFY(ruleRow(fx, "ABC1")[5].isNull());
    QCOMPARE(SaveRule(r, "01"), 1);
    QCOMPARE(ruleRow(fx, "ABC1"),
             Row({"ABC1", "1", "ChkMesaj", "HesapKodu", "Sayı", "Sayın [##Unvan1##]'in borcu 'yok'", "1", "", "01"}));

    // 'noprm' is saved as the shared row whichever company is signed in.
    InteractiveRule d = *LoadRule("noprm");
    d.donus_mesaj = "";
    d.kayityok_mesaj = "Kayıt bulunamadı";
    d.flg_kayityok = "1";
    QCOMPARE(SaveRule(d, "02"), 1);
    QCOMPARE(ruleRow(fx, "noprm"), Row({"noprm", "0", "BakiyeMesaj", "", "Metin", "", "1", "Kayıt bulunamadı", "-1"}));
    // Another shared rule is not the company's: saving it changes nothing.
    InteractiveRule o = *LoadRule("ORTAK");
    o.donus_mesaj = "değişti";
    QCOMPARE(SaveRule(o, "01"), 0);
    QVERIFY(ruleRow(fx, "ORTAK")[5].isNull());
}

void TestInteractive::deleteRule()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('SUBE','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'02')");
    QVERIFY(DeleteRule("sube"));
    QVERIFY(!DeleteRule("SUBE"));
    QVERIFY(!DeleteRule("x' OR '1'='1"));
    QCOMPARE(ruleRows(fx).size(), 1);
}

void TestInteractive::inboxNewestFirst()
{
    ProgramFolderFixture fx;
    const qint64 a = addMessage(fx, "2026-03-05 09:00:00", "5321234567", "bakiye");
    const qint64 b = addMessage(fx, "2026-03-06 09:00:00", "+90 532 123 45 67", "BAKIYE 120.001");
    const qint64 c = addMessage(fx, "2026-03-05 09:00:00", "5051112233", "aynı saniye");
    fx.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (NULL, NULL, NULL)");
    const RecordSet rs = LoadInboxMessages();
    QCOMPARE(rs.fieldNames(), QStringList({"id", "tarih", "gsmno", "msg"}));
    QCOMPARE(ids(rs).mid(0, 3), QList<qint64>({b, c, a}));
    QCOMPARE(rs.rowCount(), 4);
    QCOMPARE(rs.value(0, kInboxTarih).toDateTime(), QDateTime(QDate(2026, 3, 6), QTime(9, 0)));
    QCOMPARE(rs.value(0, kInboxGsmNo).toString(), QStringLiteral("+90 532 123 45 67"));
    QVERIFY(rs.value(3, kInboxTarih).isNull());
    QVERIFY(rs.value(3, kInboxMsg).isNull());
    QCOMPARE(InboxRowOfId(rs, a), 2);
    QCOMPARE(InboxRowOfId(rs, 999), -1);
}

void TestInteractive::filter_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("messages"); // newest first
    const QDate d0305(2026, 3, 5), d0503(2026, 5, 3);
    QTest::newRow("one day, bounds") << d0305 << d0305 << "" << QStringList({"gece", "ilk saniye"});
    QTest::newRow("a day of 12 or less") << d0503 << d0503 << "" << QStringList({"mayıs"});
    QTest::newRow("range") << d0305 << d0503 << ""
                           << QStringList({"mayıs", "a.b nokta", "a'b", "a%b", "a_b", "AB büyük", "ab küçük",
                                           "sonraki gün", "gece", "ilk saniye"});
    QTest::newRow("prefix without case") << d0305 << d0503 << "ab" << QStringList({"AB büyük", "ab küçük"});
    QTest::newRow("dot") << d0305 << d0503 << "a." << QStringList({"a.b nokta"});
    QTest::newRow("apostrophe") << d0305 << d0503 << "a'" << QStringList({"a'b"});
    QTest::newRow("percent is literal") << d0305 << d0503 << "a%" << QStringList({"a%b"});
    QTest::newRow("underscore is literal") << d0305 << d0503 << "a_" << QStringList({"a_b"});
    QTest::newRow("quote injection") << d0305 << d0503 << "' OR '1'='1" << QStringList();
    QTest::newRow("empty range") << d0503 << d0305 << "" << QStringList();
}

void TestInteractive::filter()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, keyword);
    QFETCH(QStringList, messages);
    ProgramFolderFixture fx;
    addMessage(fx, "2026-03-05 00:00:00", "1", "gece yarısı"); // 00:00:00 exactly is left out
    addMessage(fx, "2026-03-05 00:00:01", "1", "ilk saniye");
    addMessage(fx, "2026-03-05 23:59:59", "1", "gece");
    addMessage(fx, "2026-03-06 00:00:00", "1", "sonraki gün");
    addMessage(fx, "2026-04-01 10:00:00", "1", "ab küçük");
    addMessage(fx, "2026-04-01 10:00:01", "1", "AB büyük");
    addMessage(fx, "2026-04-01 10:00:02", "1", "a_b");
    addMessage(fx, "2026-04-01 10:00:03", "1", "a%b");
    addMessage(fx, "2026-04-01 10:00:04", "1", "a'b");
    addMessage(fx, "2026-04-01 10:00:05", "1", "a.b nokta");
    addMessage(fx, "2026-05-03 12:00:00", "1", "mayıs");
    const InboxFilter f{from, to, keyword};
    const RecordSet rs = LoadInboxMessages(f);
    QCOMPARE(texts(rs, kInboxMsg), messages);
    // The counts cover the same messages.
    const RecordSet counts = LoadInboxCounts(f);
    qint64 total = 0;
    QStringList counted;
    for (int i = 0; i < counts.rowCount(); ++i) {
        total += counts.value(i, 0).toLongLong();
        counted << counts.value(i, 1).toString();
    }
    QCOMPARE(total, qint64(messages.size()));
    for (const QString &m : messages) QVERIFY(counted.contains(m));
}

void TestInteractive::countsPerText()
{
    ProgramFolderFixture fx;
    for (int i = 0; i < 10; ++i) addMessage(fx, "2026-01-02 10:00:00", "1", i % 2 ? "bakiye" : "BAKİYE");
    for (int i = 0; i < 3; ++i) addMessage(fx, "2026-01-02 10:00:00", "1", "abc");
    addMessage(fx, "2026-01-02 10:00:00", "1", "yardım");
    const RecordSet counts = LoadInboxCounts();
    QCOMPARE(counts.fieldNames(), QStringList({"adet", "msg"}));
    QCOMPARE(texts(counts, 1), QStringList({"abc", "BAKİYE", "yardım"}));
    QCOMPARE(texts(counts, 0), QStringList({"3", "10", "1"}));
}

namespace {
// Turkish words in several spellings, one message each, newest last.
const QStringList kTurkishWords = {"Şeker fiyatı", "şeker",   "ŞEKER KAMPANYASI",
                                   "seker",        "ILIK su", "ılık",
                                   "ilik",         "İNCİ",    "inci kefali",
                                   "INCI",         "Işık",    "İstanbul",
                                   "istanbul",     "BILGI",   "bilgi",
                                   "Çiçek",        "ÇİÇEK",   "Öğrenci",
                                   "ÖĞRENCİ",      "GÜL",     "gül",
                                   "Evet",         "EVET"};
} // namespace

void TestInteractive::turkishCaseFilter_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("messages"); // newest first
    QTest::newRow("şe") << "şe" << QStringList({"ŞEKER KAMPANYASI", "şeker", "Şeker fiyatı"});
    QTest::newRow("ŞE") << "ŞE" << QStringList({"ŞEKER KAMPANYASI", "şeker", "Şeker fiyatı"});
    QTest::newRow("se is not şe") << "se" << QStringList({"seker"});
    QTest::newRow("ılı: I is the capital of ı") << "ılı" << QStringList({"ılık", "ILIK su"});
    QTest::newRow("ILI") << "ILI" << QStringList({"ılık", "ILIK su"});
    QTest::newRow("ili: not ILIK") << "ili" << QStringList({"ilik"});
    QTest::newRow("inci: İ is the capital of i") << "inci" << QStringList({"inci kefali", "İNCİ"});
    QTest::newRow("İNCİ") << "İNCİ" << QStringList({"inci kefali", "İNCİ"});
    QTest::newRow("INCI: not İNCİ") << "INCI" << QStringList({"INCI"});
    QTest::newRow("ış") << "ış" << QStringList({"Işık"});
    QTest::newRow("is") << "is" << QStringList({"istanbul", "İstanbul"});
    QTest::newRow("bil") << "bil" << QStringList({"bilgi"});
    QTest::newRow("BIL") << "BIL" << QStringList({"BILGI"});
    QTest::newRow("çiç") << "çiç" << QStringList({"ÇİÇEK", "Çiçek"});
    QTest::newRow("ÖĞR") << "ÖĞR" << QStringList({"ÖĞRENCİ", "Öğrenci"});
    QTest::newRow("gül") << "gül" << QStringList({"gül", "GÜL"});
    QTest::newRow("ASCII evet") << "evet" << QStringList({"EVET", "Evet"});
    QTest::newRow("no prefix inside") << "kampanya" << QStringList();
}

void TestInteractive::turkishCaseFilter()
{
    QFETCH(QString, keyword);
    QFETCH(QStringList, messages);
    ProgramFolderFixture fx;
    for (int i = 0; i < kTurkishWords.size(); ++i)
        addMessage(fx, QStringLiteral("2026-04-01 10:%1:00").arg(i, 2, 10, QLatin1Char('0')), "1", kTurkishWords[i]);
    const InboxFilter f{QDate(2026, 4, 1), QDate(2026, 4, 1), keyword};
    QCOMPARE(texts(LoadInboxMessages(f), kInboxMsg), messages);
    // The chart counts the same messages.
    const RecordSet counts = LoadInboxCounts(f);
    qint64 total = 0;
    for (int i = 0; i < counts.rowCount(); ++i) total += counts.value(i, 0).toLongLong();
    QCOMPARE(total, qint64(messages.size()));
}

void TestInteractive::turkishCaseCounts_data()
{
    QTest::addColumn<QStringList>("messages"); // in the order they are stored
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("groups"); // "count name", ordered by the folded text
    QTest::newRow("most frequent spelling names the group")
        << QStringList({"şeker", "ŞEKER", "Şeker", "ŞEKER"}) << "" << QStringList({"4 ŞEKER"});
    QTest::newRow("equally frequent: the first stored")
        << QStringList({"EVET", "Evet", "evet", "Evet", "EVET"}) << "" << QStringList({"5 EVET"});
    QTest::newRow("I/ı and İ/i") << QStringList({"ILIK", "ılık", "İNCİ", "inci", "BILGI", "bilgi", "INCI"}) << ""
                                 << QStringList({"1 bilgi", "1 BILGI", "2 İNCİ", "2 ILIK", "1 INCI"});
    QTest::newRow("Ş Ğ Ü Ö Ç") << QStringList({"çağ", "ÇAĞ", "Öğün", "ÖĞÜN", "şüphe", "ŞÜPHE", "süphe"}) << ""
                               << QStringList({"1 süphe", "2 çağ", "2 Öğün", "2 şüphe"});
    QTest::newRow("Null texts apart, first")
        << QStringList({"a", "<null>", "", "<null>", "A"}) << "" << QStringList({"2 <null>", "1 ", "2 a"});
    QTest::newRow("under the keyword filter")
        << QStringList({"şeker", "ŞEKER al", "Şeker", "seker"}) << "Şe" << QStringList({"2 şeker", "1 ŞEKER al"});
}

void TestInteractive::turkishCaseCounts()
{
    QFETCH(QStringList, messages);
    QFETCH(QString, keyword);
    QFETCH(QStringList, groups);
    ProgramFolderFixture fx;
    for (const QString &m : std::as_const(messages))
        fx.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES ('2026-04-01 10:00:00', '1', ?)",
                {m == QLatin1String("<null>") ? QVariant(QMetaType::fromType<QString>()) : QVariant(m)});
    const RecordSet counts = keyword.isEmpty()
                                 ? LoadInboxCounts()
                                 : LoadInboxCounts(InboxFilter{QDate(2026, 4, 1), QDate(2026, 4, 1), keyword});
    QStringList got;
    for (int i = 0; i < counts.rowCount(); ++i) {
        const QVariant name = counts.value(i, 1);
        got << counts.value(i, 0).toString() + QLatin1Char(' ') +
                   (name.isNull() ? QStringLiteral("<null>") : name.toString());
    }
    QCOMPARE(got, groups);
}

void TestInteractive::answerOfMessage()
{
    ProgramFolderFixture fx;
    const qint64 a = addMessage(fx, "2026-01-02 10:00:00", "1", "a");
    const qint64 b = addMessage(fx, "2026-01-02 10:00:01", "1", "b");
    fx.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?, 'ilk cevap')", {b});
    fx.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?, 'ikinci cevap')", {b});
    fx.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (0, 'bulunamayan')");
    QCOMPARE(InboxAnswer(a), QString());
    QCOMPARE(InboxAnswer(b), QStringLiteral("ilk cevap"));
    QCOMPARE(InboxAnswer(0), QStringLiteral("bulunamayan"));
}

void TestInteractive::updateAfterOtherWriters()
{
    ProgramFolderFixture fx;
    const qint64 a = addMessage(fx, "2026-01-02 10:00:00", "1", "a");
    RecordSet rs = LoadInboxMessages();
    InboxSignature known = ReadInboxSignature();

    InboxUpdate u = ReadInboxUpdate(rs, known);
    QCOMPARE(u.kind, InboxUpdate::Kind::None);

    // New messages from the automatic program's connection: put on top, newest first.
    const qint64 b = addMessage(fx, "2026-01-02 10:00:05", "2", "b");
    const qint64 c = addMessage(fx, "2026-01-02 10:00:05", "3", "c");
    u = ReadInboxUpdate(rs, known);
    QCOMPARE(u.kind, InboxUpdate::Kind::Prepend);
    QCOMPARE(u.added.size(), 2);
    QCOMPARE(u.added[0].value(kInboxId).toLongLong(), c);
    QCOMPARE(u.added[1].value(kInboxId).toLongLong(), b);
    rs.insertRows(0, u.added);
    known = u.signature;
    QCOMPARE(ids(rs), ids(LoadInboxMessages()));

    // A message stamped older than the newest shown: the whole inbox again, in order.
    addMessage(fx, "2026-01-01 08:00:00", "4", "eski");
    u = ReadInboxUpdate(rs, known);
    QCOMPARE(u.kind, InboxUpdate::Kind::Reload);
    QCOMPARE(ids(u.reloaded), ids(LoadInboxMessages()));
    rs = u.reloaded;
    known = u.signature;

    // A delete, and a delete with an insert that keeps the count: reloaded.
    fx.exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {a});
    u = ReadInboxUpdate(rs, known);
    QCOMPARE(u.kind, InboxUpdate::Kind::Reload);
    QVERIFY(!ids(u.reloaded).contains(a));
    rs = u.reloaded;
    known = u.signature;
    fx.exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {b});
    addMessage(fx, "2026-01-03 10:00:00", "5", "yeni");
    u = ReadInboxUpdate(rs, known);
    QCOMPARE(u.kind, InboxUpdate::Kind::Reload);
    QCOMPARE(ids(u.reloaded), ids(LoadInboxMessages()));

    // Everything deleted.
    fx.exec("DELETE FROM tbl_int_msgbox");
    u = ReadInboxUpdate(u.reloaded, u.signature);
    QCOMPARE(u.kind, InboxUpdate::Kind::Reload);
    QCOMPARE(u.reloaded.rowCount(), 0);
}

void TestInteractive::updateShowsWhatIsStored_data()
{
    QTest::addColumn<bool>("countKept"); // the shipped database, or one without the kept count
    QTest::addColumn<bool>("here");      // the change on the program's own connection
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<int>("kind");
    const int none = int(InboxUpdate::Kind::None);
    const int prepend = int(InboxUpdate::Kind::Prepend);
    const int reload = int(InboxUpdate::Kind::Reload);
    const QString add = QStringLiteral("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES ");
    struct Case {
        const char *name;
        bool here;
        QStringList change;
        int kind;
    };
    const QList<Case> cases = {
        {"nothing", false, {}, none},
        {"new rows from another connection",
         false,
         {add + "('2026-01-03 09:00:00', '4', 'd')", add + "('2026-01-03 09:00:01', '5', NULL)"},
         prepend},
        {"new rows from this connection", true, {add + "('2026-01-03 09:00:00', NULL, 'd')"}, prepend},
        {"new rows in the second of the top",
         false,
         {add + "('2026-01-02 10:00:05', '4', 'd')", add + "('2026-01-02 10:00:05', '5', 'e')"},
         prepend},
        {"a new row older than the top", false, {add + "('2026-01-02 10:00:04', '4', 'd')"}, reload},
        {"a new row without a date", false, {add + "(NULL, '4', 'd')"}, reload},
        {"a new row with a date that is no date", false, {add + "('yarın', '4', 'd')"}, reload},
        {"a row deleted by another connection", false, {"DELETE FROM tbl_int_msgbox WHERE id = 2"}, reload},
        {"a row deleted here", true, {"DELETE FROM tbl_int_msgbox WHERE id = 2"}, reload},
        {"the newest row deleted", false, {"DELETE FROM tbl_int_msgbox WHERE id = 5"}, reload},
        {"a row deleted and a new one added",
         false,
         {"DELETE FROM tbl_int_msgbox WHERE id = 1", add + "('2026-01-03 09:00:00', '4', 'd')"},
         reload},
        {"a row added below the largest id",
         false,
         {"INSERT INTO tbl_int_msgbox (id, tarih, gsmno, msg) VALUES (3, '2026-01-03 09:00:00', '4', 'd')"},
         reload},
        {"everything deleted", true, {"DELETE FROM tbl_int_msgbox"}, reload},
    };
    for (const bool kept : {true, false})
        for (const Case &c : cases)
            QTest::addRow("%s%s", c.name, kept ? "" : ", count not kept") << kept << c.here << c.change << c.kind;
}

void TestInteractive::updateShowsWhatIsStored()
{
    QFETCH(bool, countKept);
    QFETCH(bool, here);
    QFETCH(QStringList, change);
    QFETCH(int, kind);
    ProgramFolderFixture fx;
    if (!countKept) {
        fx.exec("DROP TRIGGER int_msgbox_count_insert");
        fx.exec("DROP TRIGGER int_msgbox_count_delete");
        fx.exec("DROP TABLE int_msgbox_count");
    }
    const QString add = QStringLiteral("INSERT INTO tbl_int_msgbox (id, tarih, gsmno, msg) VALUES ");
    fx.exec(add + "(1, '2026-01-02 10:00:00', '1', 'a')");
    fx.exec(add + "(2, '2026-01-02 10:00:05', '2', 'b')");
    fx.exec(add + "(5, '2026-01-02 10:00:05', '3', 'c')");
    RecordSet rs = LoadInboxMessages();
    const InboxSignature known = ReadInboxSignature();
    QCOMPARE(known.count, 3);
    QCOMPARE(known.maxId, 5);

    OpenLocalDb();
    for (const QString &sql : change) here ? void(SqlExec(LocalDb(), sql)) : fx.exec(sql);
    const InboxUpdate u = ReadInboxUpdate(rs, known);
    QCOMPARE(int(u.kind), kind);
    if (u.kind == InboxUpdate::Kind::Prepend) rs.insertRows(0, u.added);
    if (u.kind == InboxUpdate::Kind::Reload) rs = u.reloaded;
    // The rows shown are the stored ones in their order, and the new figures describe them:
    // the next look finds nothing new.
    QCOMPARE(shown(rs), shown(LoadInboxMessages()));
    QCOMPARE(u.signature.count, fx.scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toLongLong());
    QCOMPARE(u.signature.maxId, fx.scalar("SELECT COALESCE(MAX(id), 0) FROM tbl_int_msgbox").toLongLong());
    QCOMPARE(ReadInboxUpdate(rs, u.signature).kind, InboxUpdate::Kind::None);
}

void TestInteractive::answerModeAllOrNothing()
{
    ProgramFolderFixture fx;
    SaveAnswerMode("1", "Teşekkürler, 'mesajınız' alındı");
    QCOMPARE(GetParam("IntDonusTip"), QStringLiteral("1"));
    QCOMPARE(GetParam("Int1Mesaj"), QStringLiteral("Teşekkürler, 'mesajınız' alındı"));
    failWritesWhere(fx, "tbl_param", "UPDATE", "NEW.parametre = 'Int1Mesaj'");
    bool failed = false;
    try {
        SaveAnswerMode("2", "yeni");
    } catch (const OrvekError &e) {
        failed = e.description().contains("disk full");
    }
    QVERIFY(failed);
    QCOMPARE(fx.scalar("SELECT deger FROM tbl_param WHERE parametre = 'IntDonusTip'").toString(), QStringLiteral("1"));
    // Not left inside a transaction: the next write goes through.
    fx.exec("DROP TRIGGER fail_write");
    SaveAnswerMode("0", "");
    QCOMPARE(fx.scalar("SELECT deger FROM tbl_param WHERE parametre = 'IntDonusTip'").toString(), QStringLiteral("0"));
}

void TestInteractive::deleteByIds()
{
    ProgramFolderFixture fx;
    QList<qint64> all;
    for (int i = 0; i < 5; ++i) all << addMessage(fx, QStringLiteral("2026-01-0%1 10:00:00").arg(i + 1), "1", "m");
    fx.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?, 'cevap')", {all[1]});
    DeleteInboxMessages({all[1], all[3]});
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toInt(), 3);
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_msgbox WHERE id IN (?, ?)", {all[1], all[3]}).toInt(), 0);
    // The answers stay.
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_donus").toInt(), 1);
    // One failing delete: none of them.
    failWritesWhere(fx, "tbl_int_msgbox", "DELETE", QStringLiteral("OLD.id = %1").arg(all[4]));
    QVERIFY_THROWS_EXCEPTION(OrvekError, DeleteInboxMessages({all[0], all[4]}));
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toInt(), 3);
    fx.exec("DROP TRIGGER fail_write");
    DeleteAllInboxMessages();
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toInt(), 0);
    QCOMPARE(fx.scalar("SELECT COUNT(*) FROM tbl_int_donus").toInt(), 1);
}

void TestInteractive::fieldNamesOfKinds()
{
    ProgramFolderFixture fx;
    static const ErpSampleCopies sample;
    QTemporaryDir erpDir;
    sample.copyInto(erpDir.path());
    ErpStandIn(erpDir.path()).configure();
    gCompanyCode = "01";
    for (const QString &kind : RuleKinds()) QCOMPARE(TemplateFieldNames(kind), ErpColumnNames(kind));
    QVERIFY_THROWS_EXCEPTION(OrvekError, TemplateFieldNames("Bilinmeyen"));
    // A company without tables: the query cannot be prepared.
    gCompanyCode = "77";
    QVERIFY_THROWS_EXCEPTION(OrvekError, TemplateFieldNames("BakiyeMesaj"));
    CloseErpDb();
    gErpServer = "sqlite:" + erpDir.path() + "/yok";
    gCompanyCode = "01";
    QVERIFY_THROWS_EXCEPTION(OrvekError, TemplateFieldNames("BakiyeMesaj"));
}

QTEST_GUILESS_MAIN(TestInteractive)
#include "tst_interactive.moc"
