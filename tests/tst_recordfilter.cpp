#include "core/OrvekError.h"
#include "core/RecordFilter.h"
#include "core/RecordSet.h"
#include "messaging/FilterBuilder.h"

#include <QDate>
#include <QDateTime>
#include <QtTest>

namespace {

// Rows chosen so that each rule below has a row that passes it and a row that must not:
//  0  O'Brien (apostrophe), Ayşe, midnight birth date
//  1  Işık / İsmail: Turkish dotted and dotless letters
//  2  IŞIK in capitals, Irmak, Null dates
//  3  İNCİ in capitals, Çiğdem (ç sorts before d in Turkish)
//  4  literal wildcard characters in the title
//  5  code with trailing blanks, Null title, empty name, Null number
//  6  Ümit, a birth date that is not at midnight
RecordSet fixture()
{
    RecordSet set;
    set.appendField(QStringLiteral("HesapKodu"));
    set.appendField(QStringLiteral("Unvan1"));
    set.appendField(QStringLiteral("YetkiliAdi"));
    set.appendField(QStringLiteral("Bakiye"), QMetaType::Double);
    set.appendField(QStringLiteral("Adet"), QMetaType::Int);
    set.appendField(QStringLiteral("DogumTarihi"), QMetaType::QDateTime);
    set.appendField(QStringLiteral("Kayit"), QMetaType::QDate);
    const QVariant nullText(QMetaType::fromType<QString>());
    const QVariant nullNumber(QMetaType::fromType<double>());
    const QVariant nullMoment(QMetaType::fromType<QDateTime>());
    const QVariant nullDate(QMetaType::fromType<QDate>());
    auto dt = [](int y, int m, int d, int h = 0, int min = 0) {
        return QVariant(QDateTime(QDate(y, m, d), QTime(h, min)));
    };
    auto day = [](int y, int m, int d) { return QVariant(QDate(y, m, d)); };
    set.addRow({"120.001", "O'Brien Ltd.", "Ayşe", 1250.75, 3, dt(1980, 3, 15), day(2020, 1, 1)});
    set.addRow({"120.002", "Işık Tekstil A.Ş.", "İsmail", 0.0, 0, dt(1975, 12, 1), day(2021, 6, 15)});
    set.addRow({"120.003", "IŞIK YAPI", "Irmak", -300.0, 10, nullMoment, nullDate});
    set.addRow({"120.004", "İNCİ Kırtasiye", "Çiğdem", 500.0, 7, dt(1990, 1, 1), day(2019, 12, 31)});
    set.addRow({"120.005", "%100 Pamuk *Özel*", "Deniz", 10.5, 1, dt(2001, 2, 28), day(2022, 2, 2)});
    set.addRow({"120.006  ", nullText, "", nullNumber, 2, dt(1980, 3, 14, 23, 59), day(2020, 1, 2)});
    set.addRow({"120.007", "Çağlar Gıda", "Ümit", 20.0, 5, dt(1980, 3, 15, 10, 30), day(2023, 3, 3)});
    return set;
}

QString visibleRows(const RecordSet &set)
{
    QStringList rows;
    for (int i = 0; i < set.rowCount(); ++i) rows << QString::number(set.sourceRow(i));
    return rows.join(u',');
}

QString compileError(const QString &text)
{
    const RecordSet set = fixture();
    try {
        RecordFilter::compile(text, set.fields());
    } catch (const OrvekError &e) {
        return e.description();
    }
    return QString();
}

const QString kRefusedPrefix = QStringLiteral(
    "Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri tiplerini kontrol ediniz.\r\n"
    "Sistemin ürettiği hata mesajı : ");

} // namespace

class TestRecordFilter : public QObject {
    Q_OBJECT
private slots:
    void turkishFold_data();
    void turkishFold();
    void filters_data();
    void filters();
    void refused_data();
    void refused();
    void refusedTextPointsAtTheApostrophe();
    void refusedTextKeepsThePreviousFilter();
    void rowsAddedLaterFollowTheFilter();
    void operatorLists();
    void valueKeyFilter_data();
    void valueKeyFilter();
    void buildLine_data();
    void buildLine();
    void applyLines_data();
    void applyLines();
    void applyRefusedKeepsFilterAndCount();
    void applyNoLinesKeepsFilter();
    void gridCaption();
};

void TestRecordFilter::turkishFold_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("I and ı") << "IŞIK"
                             << "ışık" << true;
    QTest::newRow("İ and i") << "İNCİ"
                             << "inci" << true;
    QTest::newRow("I is not i") << "INCI"
                                << "inci" << false;
    QTest::newRow("İ is not ı") << "İ"
                                << "ı" << false;
    QTest::newRow("other letters") << "ÇĞÖŞÜ"
                                   << "çğöşü" << true;
    QTest::newRow("ascii") << "Hello World 123"
                           << "hello world 123" << true;
}

void TestRecordFilter::turkishFold()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(TurkishFold(a) == TurkishFold(b), same);
}

void TestRecordFilter::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("rows");

    QTest::newRow("empty text shows all") << ""
                                          << "0,1,2,3,4,5,6";
    QTest::newRow("blank text shows all") << "   "
                                          << "0,1,2,3,4,5,6";

    // Text
    QTest::newRow("doubled apostrophe") << "Unvan1 = 'O''Brien Ltd.'"
                                        << "0";
    QTest::newRow("doubled apostrophe in like") << "Unvan1 like 'o''b*'"
                                                << "0";
    QTest::newRow("dotless ı matches I") << "Unvan1 LIKE 'ışık*'"
                                         << "1,2";
    QTest::newRow("capital I matches ı") << "Unvan1 like 'IŞIK*'"
                                         << "1,2";
    QTest::newRow("dotted i matches İ") << "Unvan1 like 'inci*'"
                                        << "3";
    QTest::newRow("I does not match İ") << "Unvan1 like 'INCI*'"
                                        << "";
    QTest::newRow("equality without case") << "YetkiliAdi = 'ismail'"
                                           << "1";
    QTest::newRow("ISMAIL is not İsmail") << "YetkiliAdi = 'ISMAIL'"
                                          << "";
    QTest::newRow("contains") << "Unvan1 like '*TEKSTİL*'"
                              << "1";
    QTest::newRow("percent wildcards") << "Unvan1 like '%pamuk%'"
                                       << "4";
    QTest::newRow("mixed wildcards") << "Unvan1 like '*pamuk%'"
                                     << "4";
    QTest::newRow("lone wildcard: every non-Null") << "Unvan1 like '*'"
                                                   << "0,1,2,3,4,6";
    QTest::newRow("like without wildcard is equality") << "Unvan1 like 'ışık tekstil a.ş.'"
                                                       << "1";
    QTest::newRow("= takes wildcards literally") << "Unvan1 = '%100 Pamuk *Özel*'"
                                                 << "4";
    QTest::newRow("= with star matches no other row") << "Unvan1 = '*'"
                                                      << "";
    QTest::newRow("trailing blanks ignored") << "HesapKodu = '120.006'"
                                             << "5";
    QTest::newRow("trailing blanks of literal ignored") << "HesapKodu = '120.001   '"
                                                        << "0";
    QTest::newRow("<> leaves out Null") << "Unvan1 <> 'IŞIK YAPI'"
                                        << "0,1,3,4,6";
    QTest::newRow("empty text is not Null") << "YetkiliAdi = ''"
                                            << "5";
    QTest::newRow("Turkish alphabet order") << "YetkiliAdi < 'D'"
                                            << "0,3,5";
    QTest::newRow("ordering without case") << "YetkiliAdi >= 'ümit'"
                                           << "6";
    QTest::newRow("number on a text field compares as written") << "HesapKodu = 120.004"
                                                                << "3";
    QTest::newRow("keywords without case") << "YetkiliAdi LiKe 'a*' AnD Adet = 3"
                                           << "0";

    // Numbers
    QTest::newRow("greater") << "Bakiye > 0"
                             << "0,3,4,6";
    QTest::newRow("at most, Null left out") << "Bakiye <= 0"
                                            << "1,2";
    QTest::newRow("negative literal") << "Bakiye = -300"
                                      << "2";
    QTest::newRow("decimal literal") << "Bakiye >= 10.5"
                                     << "0,3,4,6";
    QTest::newRow("<> leaves out Null number") << "Bakiye <> 0"
                                               << "0,2,3,4,6";
    QTest::newRow("text holding a number") << "Adet = '3'"
                                           << "0";
    QTest::newRow("text with decimal comma") << "Bakiye = '1250,75'"
                                             << "0";
    QTest::newRow("integer field") << "Adet > 5"
                                   << "2,3";

    // Dates
    QTest::newRow("date is midnight") << "DogumTarihi = #15/03/1980#"
                                      << "0";
    QTest::newRow("after midnight is greater") << "DogumTarihi > #15/03/1980#"
                                               << "3,4,6";
    QTest::newRow("one-digit day and month") << "DogumTarihi < #1/1/1980#"
                                             << "1";
    QTest::newRow("date field") << "Kayit < #01/01/2021#"
                                << "0,3,5";
    QTest::newRow("date <> leaves out Null") << "Kayit <> #01/01/2020#"
                                             << "1,3,4,5,6";
    QTest::newRow("text date") << "DogumTarihi = '15.03.1980'"
                               << "0";

    // Compound
    QTest::newRow("and") << "Bakiye > 0 and YetkiliAdi like 'a*'"
                         << "0";
    QTest::newRow("or") << "Bakiye < 0 OR Bakiye > 1000"
                        << "0,2";
    QTest::newRow("and binds tighter than or") << "YetkiliAdi = 'Ayşe' or YetkiliAdi = 'İsmail' and Bakiye > 100"
                                               << "0";
    QTest::newRow("parentheses") << "(YetkiliAdi = 'Ayşe' or YetkiliAdi = 'İsmail') and Bakiye >= 0"
                                 << "0,1";
    QTest::newRow("bracketed field, other case") << "[bakiye] > 1000"
                                                 << "0";
    QTest::newRow("three conditions") << "Unvan1 like '*a*' and Bakiye > 0 and DogumTarihi >= #01/01/1980#"
                                      << "3,4,6";
}

void TestRecordFilter::filters()
{
    QFETCH(QString, filter);
    QFETCH(QString, rows);
    RecordSet set = fixture();
    SetFilterText(set, filter);
    QCOMPARE(visibleRows(set), rows);
}

void TestRecordFilter::refused_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("reason");

    QTest::newRow("unknown field") << "Yok = 'x'"
                                   << "Kayıtlarda 'Yok' adında bir alan yok.";
    QTest::newRow("text on a number field") << "Bakiye = 'abc'"
                                            << "'Bakiye' bir sayı alanı; 'abc' sayı değil.";
    QTest::newRow("letters in a number") << "Bakiye = 12a"
                                         << "12a geçerli bir sayı değil.";
    QTest::newRow("date that is not a date") << "DogumTarihi = #31/02/1980#"
                                             << "#31/02/1980# geçerli bir tarih değil (gün/ay/yıl).";
    QTest::newRow("untyped date box") << "DogumTarihi = #//#"
                                      << "#//# geçerli bir tarih değil (gün/ay/yıl).";
    QTest::newRow("half typed date") << "Kayit > #12//#"
                                     << "#12//# geçerli bir tarih değil (gün/ay/yıl).";
    QTest::newRow("text that is not a date") << "Kayit = 'dün'"
                                             << "'Kayit' bir tarih alanı; 'dün' tarih değil (gg.aa.yyyy).";
    QTest::newRow("date on a text field") << "Unvan1 = #01/01/2020#"
                                          << "'Unvan1' bir metin alanı; tarih değeriyle karşılaştırılamaz.";
    QTest::newRow("date on a number field") << "Bakiye = #01/01/2020#"
                                            << "'Bakiye' bir sayı alanı; tarih değeriyle karşılaştırılamaz.";
    QTest::newRow("number on a date field") << "DogumTarihi = 5"
                                            << "'DogumTarihi' bir tarih alanı; sayıyla karşılaştırılamaz.";
    QTest::newRow("like on a number field")
        << "Bakiye like '1*'"
        << "LIKE yalnızca metin alanlarında kullanılabilir; 'Bakiye' metin alanı değil.";
    QTest::newRow("leading wildcard only")
        << "Unvan1 like '*Ltd.'"
        << "LIKE değerinde joker karakter (* ya da %) yalnızca sonda ya da hem başta hem sonda olabilir: '*Ltd.'";
    QTest::newRow("inner wildcard")
        << "Unvan1 like 'a*b*'"
        << "LIKE değerinde joker karakter (* ya da %) yalnızca sonda ya da hem başta hem sonda olabilir: 'a*b*'";
    QTest::newRow("unclosed quote") << "Unvan1 = 'abc"
                                    << "10. karakterde açılan tırnak (') kapanmıyor.";
    QTest::newRow("unclosed date") << "Kayit = #01/01/2020"
                                   << "9. karakterde açılan tarih (#) kapanmıyor.";
    QTest::newRow("unclosed bracket") << "[Unvan1 = 'a'"
                                      << "1. karakterde açılan köşeli ayraç ([) kapanmıyor.";
    QTest::newRow("no operator") << "Unvan1 'abc'"
                                 << "8. karakterde karşılaştırma işleci (=, <>, <, >, <=, >=, LIKE) bekleniyor.";
    QTest::newRow("no value") << "Unvan1 ="
                              << "9. karakterde değer bekleniyor ('metin', sayı ya da #gg/aa/yyyy#).";
    QTest::newRow("field as value") << "Bakiye = Adet"
                                    << "10. karakterde değer bekleniyor ('metin', sayı ya da #gg/aa/yyyy#).";
    QTest::newRow("dangling and") << "Bakiye > 0 and"
                                  << "15. karakterde alan adı bekleniyor; ifade bitmiş.";
    QTest::newRow("missing and") << "Bakiye > 0 Adet = 3"
                                 << "12. karakterde beklenmeyen metin: Adet = 3";
    QTest::newRow("unclosed parenthesis") << "(Bakiye > 0"
                                          << "12. karakterde kapanış ayracı ')' bekleniyor.";
    QTest::newRow("stray closing parenthesis") << "Bakiye > 0)"
                                               << "11. karakterde beklenmeyen metin: )";
    QTest::newRow("unknown character") << "Bakiye ! 3"
                                       << "8. karakterde tanınmayan karakter: !";
    QTest::newRow("double quotes are not text") << "Unvan1 = \"a\""
                                                << "10. karakterde tanınmayan karakter: \"";
    QTest::newRow("nesting too deep") << QString(100, u'(') + "Bakiye > 0" + QString(100, u')')
                                      << "65. karakterde ayraçlar çok derin iç içe.";
}

void TestRecordFilter::refused()
{
    QFETCH(QString, filter);
    QFETCH(QString, reason);
    QCOMPARE(compileError(filter), reason);
}

void TestRecordFilter::refusedTextPointsAtTheApostrophe()
{
    QCOMPARE(compileError("Unvan1 = 'O'Brien Ltd.'"),
             QStringLiteral("13. karakterde beklenmeyen metin: Brien Ltd.' (metin değerinin içindeki tek "
                            "tırnak (') değeri orada bitiriyor)"));
}

void TestRecordFilter::refusedTextKeepsThePreviousFilter()
{
    RecordSet set = fixture();
    SetFilterText(set, "Bakiye > 0");
    QVERIFY_THROWS_EXCEPTION(OrvekError, SetFilterText(set, "Bakiye > 'x'"));
    QCOMPARE(visibleRows(set), QStringLiteral("0,3,4,6"));
    SetFilterText(set, "");
    QVERIFY(!set.isFiltered());
    QCOMPARE(set.rowCount(), 7);
}

void TestRecordFilter::rowsAddedLaterFollowTheFilter()
{
    RecordSet set = fixture();
    SetFilterText(set, "YetkiliAdi like 'ı*'");
    QCOMPARE(visibleRows(set), QStringLiteral("2"));
    set.addRow({"120.008", "Yeni", "ILGAZ", 1.0});
    set.addRow({"120.009", "Yeni", "İlkay", 1.0});
    QCOMPARE(visibleRows(set), QStringLiteral("2,7"));
}

void TestRecordFilter::operatorLists()
{
    QCOMPARE(FilterOperatorsAtOpen(), QStringList({"=", "<", ">", "<=", ">=", "<>", "like"}));
    QCOMPARE(FilterOperators(FilterValueType::Text), QStringList({"=", "<>", "like"}));
    QCOMPARE(FilterOperators(FilterValueType::Number), QStringList({"=", "<", ">", "<=", ">=", "<>"}));
    QCOMPARE(FilterOperators(FilterValueType::Date), QStringList({"=", "<", ">", "<=", ">=", "<>"}));
}

void TestRecordFilter::valueKeyFilter_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("passes");
    const int text = int(FilterValueType::Text), number = int(FilterValueType::Number),
              date = int(FilterValueType::Date);
    QTest::newRow("number: digit") << number << int('7') << true;
    QTest::newRow("number: erase") << number << 8 << true;
    QTest::newRow("number: minus") << number << int('-') << false;
    QTest::newRow("number: comma") << number << int(',') << false;
    QTest::newRow("number: point") << number << int('.') << false;
    QTest::newRow("number: letter") << number << int('a') << false;
    QTest::newRow("text: apostrophe") << text << int('\'') << true;
    QTest::newRow("date: letter") << date << int('a') << true;
}

void TestRecordFilter::valueKeyFilter()
{
    QFETCH(int, type);
    QFETCH(int, code);
    QFETCH(bool, passes);
    QCOMPARE(FilterValueKeyPasses(FilterValueType(type), code), passes);
}

void TestRecordFilter::buildLine_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("focus");
    using F = FilterLineInput::Focus;
    const int text = int(FilterValueType::Text), number = int(FilterValueType::Number),
              date = int(FilterValueType::Date);

    QTest::newRow("text") << text << "Unvan1"
                          << "like"
                          << "Çağ*"
                          << ""
                          << "Unvan1 like 'Çağ*'"
                          << "" << int(F::None);
    QTest::newRow("text as typed: apostrophe, blanks") << text << "Unvan1"
                                                       << "="
                                                       << " O'Brien "
                                                       << ""
                                                       << "Unvan1 = ' O'Brien '"
                                                       << "" << int(F::None);
    QTest::newRow("number") << number << "Bakiye"
                            << ">="
                            << "100"
                            << ""
                            << "Bakiye >= 100"
                            << "" << int(F::None);
    QTest::newRow("number keeps earlier letters") << number << "Bakiye"
                                                  << "="
                                                  << "12a"
                                                  << ""
                                                  << "Bakiye = 12a"
                                                  << "" << int(F::None);
    QTest::newRow("date") << date << "DogumTarihi"
                          << "<"
                          << "ignored"
                          << "15/03/1980"
                          << "DogumTarihi < #15/03/1980#"
                          << "" << int(F::None);
    QTest::newRow("half typed date") << date << "Kayit"
                                     << "="
                                     << ""
                                     << "12//"
                                     << "Kayit = #12//#"
                                     << "" << int(F::None);
    QTest::newRow("no field") << text << ""
                              << ""
                              << ""
                              << ""
                              << ""
                              << "Alan Adı Seçiniz" << int(F::FieldList);
    QTest::newRow("no operator") << text << "Unvan1"
                                 << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "Operatör Seçiniz" << int(F::OperatorList);
    QTest::newRow("no value") << number << "Bakiye"
                              << "="
                              << ""
                              << "01/01/2020"
                              << ""
                              << "Lütfen Değer Giriniz" << int(F::ValueBox);
    QTest::newRow("untyped date box") << date << "Kayit"
                                      << "="
                                      << "5"
                                      << "//"
                                      << ""
                                      << "Lütfen Değer Giriniz" << int(F::DateBox);
    QTest::newRow("date box with prompt characters") << date << "Kayit"
                                                     << "="
                                                     << "5"
                                                     << "__/__/____"
                                                     << ""
                                                     << "Lütfen Değer Giriniz" << int(F::DateBox);
}

void TestRecordFilter::buildLine()
{
    QFETCH(int, type);
    QFETCH(QString, field);
    QFETCH(QString, op);
    QFETCH(QString, value);
    QFETCH(QString, date);
    QFETCH(QString, line);
    QFETCH(QString, warning);
    QFETCH(int, focus);
    const FilterLineInput r = BuildFilterLine(FilterValueType(type), field, op, value, date);
    QCOMPARE(r.line, line);
    QCOMPARE(r.warning, warning);
    QCOMPARE(int(r.focus), focus);
    QCOMPARE(r.ok(), warning.isEmpty());
}

void TestRecordFilter::applyLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("badLine");
    QTest::addColumn<QString>("filterText");

    QTest::newRow("one line") << QStringList{"Bakiye > 0"} << "0,3,4,6" << 0 << "Bakiye > 0";
    QTest::newRow("all lines must hold") << QStringList{"Bakiye > 0", "YetkiliAdi like 'ç*'", "Kayit >= #01/01/2019#"}
                                         << "3" << 0 << "Bakiye > 0 and YetkiliAdi like 'ç*' and Kayit >= #01/01/2019#";
    QTest::newRow("same line twice") << QStringList{"Adet > 2", "Adet > 2"} << "0,2,3,6" << 0
                                     << "Adet > 2 and Adet > 2";
    // The joined text is read as a whole, without parentheses around the lines.
    QTest::newRow("joined text read as a whole")
        << QStringList{"YetkiliAdi = 'Ayşe' or YetkiliAdi = 'İsmail'", "Bakiye > 100"} << "0" << 0
        << "YetkiliAdi = 'Ayşe' or YetkiliAdi = 'İsmail' and Bakiye > 100";
    QTest::newRow("apostrophe in the first line")
        << QStringList{"Unvan1 = 'O'Brien Ltd.'", "Bakiye > 0"} << "" << 1 << "";
    QTest::newRow("wrong type in the second line")
        << QStringList{"Bakiye > 0", "Bakiye = 'x'", "Adet = 1"} << "" << 2 << "";
    QTest::newRow("bad date in the third line")
        << QStringList{"Bakiye > 0", "Adet > 0", "Kayit = #31/04/2020#"} << "" << 3 << "";
    QTest::newRow("unknown field in the last line") << QStringList{"Bakiye > 0", "Yok = 1"} << "" << 2 << "";
    QTest::newRow("blank line") << QStringList{"Bakiye > 0", " "} << "" << 2 << "";
}

void TestRecordFilter::applyLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, rows);
    QFETCH(int, badLine);
    QFETCH(QString, filterText);
    RecordSet set = fixture();
    const FilterApplyResult r = ApplyFilterLines(set, lines);
    QCOMPARE(r.badLine, badLine);
    QCOMPARE(r.filterText, filterText);
    if (badLine == 0) {
        QCOMPARE(int(r.status), int(FilterApplyResult::Status::Applied));
        QCOMPARE(visibleRows(set), rows);
    } else {
        QCOMPARE(int(r.status), int(FilterApplyResult::Status::Refused));
        QVERIFY(!r.reason.isEmpty());
        QVERIFY(r.message().startsWith(kRefusedPrefix + QString::number(badLine) + ". satırdaki koşul"));
        QVERIFY(!set.isFiltered());
    }
}

void TestRecordFilter::applyRefusedKeepsFilterAndCount()
{
    RecordSet set = fixture();
    QCOMPARE(int(ApplyFilterLines(set, {"Bakiye > 0", "Adet > 3"}).status), int(FilterApplyResult::Status::Applied));
    QCOMPARE(visibleRows(set), QStringLiteral("3,6"));

    // A valid first line must not be applied on its own when a later line is refused.
    const FilterApplyResult r = ApplyFilterLines(set, {"Bakiye < 0", "Bakiye < 'eksi'"});
    QCOMPARE(int(r.status), int(FilterApplyResult::Status::Refused));
    QCOMPARE(r.badLine, 2);
    QCOMPARE(r.message(), kRefusedPrefix + QStringLiteral("2. satırdaki koşul kabul edilmedi: 'Bakiye' bir sayı "
                                                          "alanı; 'eksi' sayı değil."));
    QCOMPARE(visibleRows(set), QStringLiteral("3,6"));
    QCOMPARE(set.rowCount(), 2);
}

void TestRecordFilter::applyNoLinesKeepsFilter()
{
    RecordSet set = fixture();
    ApplyFilterLines(set, {"Adet = 1"});
    const FilterApplyResult r = ApplyFilterLines(set, {});
    QCOMPARE(int(r.status), int(FilterApplyResult::Status::NothingToDo));
    QCOMPARE(visibleRows(set), QStringLiteral("4"));
}

void TestRecordFilter::gridCaption()
{
    QCOMPARE(FilterGridCaption("Müşteri bilgileri", 125), QStringLiteral("Müşteri bilgileri (Toplam : 125 kayıt)"));
    QCOMPARE(FilterGridCaption("Müşteri bakiye bilgileri", 0),
             QStringLiteral("Müşteri bakiye bilgileri (Toplam : 0 kayıt)"));
}

QTEST_GUILESS_MAIN(TestRecordFilter)
#include "tst_recordfilter.moc"
