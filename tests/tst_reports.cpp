#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/RecordFilter.h"
#include "reports/Reports.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

namespace {
// Every line a reader gives, "number|status", and "?" where it met an unreadable line.
QStringList readAll(const QString &reply, int *lines = nullptr)
{
    ReportLineReader reader(reply);
    if (lines) *lines = reader.lineCount();
    QStringList out;
    ReportLine line;
    for (;;) {
        const ReportLineReader::Step step = reader.next(line);
        if (step == ReportLineReader::Step::End) break;
        if (step == ReportLineReader::Step::Unreadable) {
            out << QStringLiteral("?");
            break;
        }
        out << line.number + QLatin1Char('|') + QString::number(line.status);
    }
    return out;
}

void insertSend(ProgramFolderFixture &fx, const QString &msgid, const QString &kind, const QString &company,
                const QString &tarih)
{
    fx.exec("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, gtarih, "
            "sirket_kod) VALUES (?, 'Hızlı mesaj gönder', ?, 1, 'İlk Kayıt :x', 'ORVEK', ?, ?, ?)",
            {msgid, kind, tarih, tarih, company});
}
} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void reportOption_data();
    void reportOption();
    void listQuery_data();
    void listQuery();
    void listRowsAndOrder();
    void lineReader_data();
    void lineReader();
    void deliveryStates_data();
    void deliveryStates();
    void replyJudgement_data();
    void replyJudgement();
    void dayTextsIgnoreTheLocale();
    void filterText_data();
    void filterText();
    void filterTextNarrowsTheReport();
    void contactNamesLookup();
    void contactNamesFromTheErp();
};

void TestReports::reportOption_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("option");
    QTest::newRow("names") << "1"
                           << "1";
    QTest::newRow("no names") << "0"
                              << "0";
    QTest::newRow("missing") << ""
                             << "0";
    QTest::newRow("other value") << "2"
                                 << "0";
    QTest::newRow("blank around") << " 1"
                                  << "0";
}

void TestReports::reportOption()
{
    QFETCH(QString, stored);
    QFETCH(QString, option);
    QCOMPARE(ReportOption(stored), option);
}

void TestReports::listQuery_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("query");
    const QString head = "SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut FROM tbl_giden ";
    QTest::newRow("hosted") << "Brenvik"
                            << "01"
                            << head + "WHERE  gateway = 'Brenvik' AND sirket_kod = '01' OR sirket_kod = '-1' "
                                      "ORDER BY tarih DESC";
    QTest::newRow("apostrophes doubled") << "Am'brel"
                                         << "0'1"
                                         << head + "WHERE  gateway = 'Am''brel' AND sirket_kod = '0''1' OR "
                                                   "sirket_kod = '-1' ORDER BY tarih DESC";
    QTest::newRow("no company yet") << "Ambrel"
                                    << ""
                                    << head + "WHERE  gateway = 'Ambrel' AND sirket_kod = '' OR sirket_kod = '-1' "
                                              "ORDER BY tarih DESC";
}

void TestReports::listQuery()
{
    QFETCH(QString, kind);
    QFETCH(QString, company);
    QFETCH(QString, query);
    QCOMPARE(ReportListQuery(kind, company), query);
}

void TestReports::listRowsAndOrder()
{
    ProgramFolderFixture fx;
    insertSend(fx, "A1", "Brenvik", "01", "2024-03-01 09:00:00");
    insertSend(fx, "A2", "Brenvik", "01", "2024-11-15 18:30:05"); // newest of company 01
    insertSend(fx, "B1", "Ambrel", "01", "2024-12-01 10:00:00");  // other kind
    insertSend(fx, "C1", "Brenvik", "02", "2024-12-02 10:00:00"); // other company
    insertSend(fx, "G1", "Ambrel", "-1", "2024-06-10 07:00:00");  // every company, any kind
    insertSend(fx, "G2", "Brenvik", "-1", "2023-01-31 23:59:59");
    insertSend(fx, "A3", "Brenvik", "01", "2024-10-09 12:00:00"); // later day than 09.10 as dd.MM text
    OpenLocalDb();

    const auto ids = [](const RecordSet &list) {
        QStringList out;
        for (int r = 0; r < list.rowCount(); ++r) out << list.value(r, 1).toString();
        return out;
    };
    RecordSet list = LoadReportList("Brenvik", "01");
    QCOMPARE(ids(list), QStringList({"A2", "A3", "G1", "A1", "G2"}));
    QCOMPARE(list.fieldNames(), QStringList({"id", "msgid", "msg_tip", "mesaj", "tarih", "gtarih", "gateway",
                                             "originator", "paket_boyut"}));
    QCOMPARE(list.value(0, 4).toDateTime(), QDateTime(QDate(2024, 11, 15), QTime(18, 30, 5)));

    // A company whose sends are all of the other kind sees only the rows of every company.
    QCOMPARE(ids(LoadReportList("Ambrel", "02")), QStringList({"G1", "G2"}));
    QCOMPARE(ids(LoadReportList("Ambrel", "01")), QStringList({"B1", "G1", "G2"}));
    // The kind is compared without case, as the log column was.
    QCOMPARE(ids(LoadReportList("brenvik", "01")), QStringList({"A2", "A3", "G1", "A1", "G2"}));
}

void TestReports::lineReader_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("lines");
    QTest::newRow("twelve characters") << "5321234567 3\n" << QStringList{"5321234567|3"} << 1;
    QTest::newRow("longer line: last twelve") << "100001 5321234567 5\n" << QStringList{"5321234567|5"} << 1;
    QTest::newRow("the eleventh is not read") << "5321234567x0\n" << QStringList{"5321234567|0"} << 1;
    QTest::newRow("short line: first ten") << "53212345678\n" << QStringList{"5321234567|8"} << 1;
    QTest::newRow("very short line") << "7\n" << QStringList{"7|7"} << 1;
    QTest::newRow("two-digit status: last character") << "5321234567 12\n" << QStringList{"321234567 |2"} << 1;
    QTest::newRow("empty line stops") << "5321234567 3\n\n5051234567 3\n" << QStringList{"5321234567|3", "?"} << 3;
    QTest::newRow("letter stops, total counted") << "5321234567 x\n5051234567 3\n" << QStringList{"?"} << 2;
    QTest::newRow("non-ASCII digit stops") << QString("5321234567 ") + QChar(0x0663) + "\n" << QStringList{"?"} << 1;
    QTest::newRow("CR LF") << "5321234567 3\r\n5051234567 0\r\n" << QStringList{"5321234567|3", "5051234567|0"} << 2;
    QTest::newRow("only one CR dropped") << "5321234567 3\r\r\n" << QStringList{"?"} << 1;
    QTest::newRow("no final LF: last piece not read")
        << "5321234567 3\n5051234567 3" << QStringList{"5321234567|3"} << 1;
    QTest::newRow("code without LF") << "01" << QStringList{} << 0;
    QTest::newRow("only a line feed") << "\n" << QStringList{"?"} << 1;
}

void TestReports::lineReader()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, rows);
    QFETCH(int, lines);
    int counted = -1;
    QCOMPARE(readAll(reply, &counted), rows);
    QCOMPARE(counted, lines);
}

void TestReports::deliveryStates_data()
{
    QTest::addColumn<int>("gel");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Beklemede";
    QTest::newRow("1") << 1 << "Beklemede";
    QTest::newRow("2") << 2 << "Reddedildi";
    QTest::newRow("3") << 3 << "İletildi";
    QTest::newRow("4") << 4 << "Reddedildi";
    QTest::newRow("5") << 5 << "Zaman Aşımı";
    QTest::newRow("6") << 6 << "Reddedildi";
    QTest::newRow("7") << 7 << "Reddedildi";
    QTest::newRow("9") << 9 << "Reddedildi";
    QTest::newRow("-1") << -1 << "Reddedildi";
    QTest::newRow("13") << 13 << "Reddedildi";
}

void TestReports::deliveryStates()
{
    QFETCH(int, gel);
    QFETCH(QString, text);
    QCOMPARE(MesajDurumu(gel), text);
}

void TestReports::replyJudgement_data()
{
    QTest::addColumn<bool>("dateRange");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    const QString tab0NoNet = "Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz\r\nİnternet "
                              "bağlantınızı denetleyen bir güvenlik uygulaması Talvane'in internete çıkışını "
                              "engelliyor olabilir.";
    const QString tab1NoNet = "İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz";
    const QString wrong = "Hatalı Kullanıcı Adı veya Parola";
    const int info = int(PromptIcon::Information), crit = int(PromptIcon::Critical), none = int(PromptIcon::None);
    const int noConn = int(ReportReplyKind::NoConnection), account = int(ReportReplyKind::WrongAccount),
              code = int(ReportReplyKind::DateRangeCode), empty = int(ReportReplyKind::Empty),
              lines = int(ReportReplyKind::Lines);

    QTest::newRow("0: -1") << false << "-1" << noConn << tab0NoNet << info << "Uyarı";
    QTest::newRow("0: 04") << false << "04" << noConn << tab0NoNet << info << "Uyarı";
    QTest::newRow("0: 05") << false << "05" << noConn << tab0NoNet << info << "Uyarı";
    QTest::newRow("0: 01") << false << "01" << account << wrong << crit << "Uyarı";
    QTest::newRow("0: 03") << false << "03" << account << wrong << crit << "Uyarı";
    QTest::newRow("0: 18 is read as lines") << false << "18" << lines << "" << none << "";
    QTest::newRow("0: 02 is read as lines") << false << "02" << lines << "" << none << "";
    QTest::newRow("0: empty") << false << "" << empty << "" << none << "";
    QTest::newRow("1: -1") << true << "-1" << noConn << tab1NoNet << info << "Uyarı";
    QTest::newRow("1: 05") << true << "05" << noConn << tab1NoNet << info << "Uyarı";
    QTest::newRow("1: 03") << true << "03" << account << wrong << crit << "Uyarı";
    QTest::newRow("1: 100") << true << "100" << code << "Server Yoğun Lütfen Daha Sonra Tekrar Deneyiniz" << crit
                            << "Uyar";
    QTest::newRow("1: 17") << true << "17" << code << "Hatalı Tarih Girişi" << crit << "Uyar";
    QTest::newRow("1: 18") << true << "18" << code << "Bu Tarihler Arasında Gönderilmiş Rapor Yok." << info << "Uyar";
    QTest::newRow("1: 19") << true << "19" << code << "Tanımlanamayan Hata." << crit << "Uyar";
    QTest::newRow("1: 18 with a line feed is lines") << true << "18\n" << lines << "" << none << "";
    QTest::newRow("1: -1 with blanks is lines") << true << " -1" << lines << "" << none << "";
    QTest::newRow("1: empty") << true << "" << empty << "" << none << "";
}

void TestReports::replyJudgement()
{
    QFETCH(bool, dateRange);
    QFETCH(QString, reply);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    const ReportReplyJudgement j = JudgeReportReply(dateRange ? ReportFetch::DateRange : ReportFetch::Package, reply);
    QCOMPARE(int(j.kind), kind);
    QCOMPARE(j.text, text);
    QCOMPARE(int(j.icon), icon);
    QCOMPARE(j.title, title);
}

void TestReports::dayTextsIgnoreTheLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QDate day(2024, 3, 7);
    const QString request = ReportRequestDay(day);
    const QString summary = ReportSummaryDay(day);
    QLocale::setDefault(before);
    QCOMPARE(request, QStringLiteral("2024-03-07"));
    QCOMPARE(summary, QStringLiteral("07.03.2024"));
}

void TestReports::filterText_data()
{
    QTest::addColumn<int>("ticked"); // bits: 1 Beklemede, 2 İletildi, 4 Zaman Aşımı, 8 Reddedildi
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("waiting") << 1 << "Durum = 'Beklemede'";
    QTest::newRow("timed out only") << 4 << "Durum = 'Zaman Aşımı'";
    QTest::newRow("refused only") << 8 << "Durum = 'Reddedildi'";
    QTest::newRow("delivered and refused") << 10 << "Durum = 'İletildi' OR Durum = 'Reddedildi'";
    QTest::newRow("all but waiting") << 14 << "Durum = 'İletildi' OR Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'";
    QTest::newRow("waiting and timed out") << 5 << "Durum = 'Beklemede' OR Durum = 'Zaman Aşımı'";
    QTest::newRow("all") << 15
                         << "Durum = 'Beklemede' OR Durum = 'İletildi' OR Durum = 'Zaman Aşımı' OR Durum = "
                            "'Reddedildi'";
}

void TestReports::filterText()
{
    QFETCH(int, ticked);
    QFETCH(QString, text);
    QCOMPARE(ReportFilterText(ticked & 1, ticked & 2, ticked & 4, ticked & 8), text);
}

void TestReports::filterTextNarrowsTheReport()
{
    RecordSet report(ReportFields(false));
    for (int status : {0, 3, 5, 2, 1, 3})
        report.addRow({QStringLiteral("532000000%1").arg(status), MesajDurumu(status)});
    const auto shown = [&report] {
        QStringList out;
        for (int r = 0; r < report.rowCount(); ++r) out << report.value(r, 1).toString();
        return out;
    };
    SetFilterText(report, ReportFilterText(true, false, true, false));
    QCOMPARE(shown(), QStringList({"Beklemede", "Zaman Aşımı", "Beklemede"}));
    SetFilterText(report, ReportFilterText(false, true, false, true));
    QCOMPARE(shown(), QStringList({"İletildi", "Reddedildi", "İletildi"}));
    // No box ticked removes the filter: the whole report, not an empty one.
    SetFilterText(report, ReportFilterText(false, false, false, false));
    QCOMPARE(report.rowCount(), 6);
}

void TestReports::contactNamesLookup()
{
    ContactNames names;
    names.add("532", "1234567", "Ayşe", "Nur", "Yılmaz");
    names.add("532", "1234567", "Başka", "", "Kişi");       // a later contact of the same number
    names.add("505 ", "7654321  ", "İsmail", "", "Öztürk"); // trailing blanks are no part of the value
    names.add("53", "21234567", "Yanlış", "", "Bölüm");     // another split of the same digits
    QCOMPARE(names.size(), 3);

    const ContactNames::Names *first = names.find(u"5321234567");
    QVERIFY(first);
    QCOMPARE(first->ad, QStringLiteral("Ayşe Nur"));
    QCOMPARE(first->soyad, QStringLiteral("Yılmaz"));
    const ContactNames::Names *padded = names.find(u"5057654321");
    QVERIFY(padded);
    QCOMPARE(padded->ad, QStringLiteral("İsmail ")); // an empty second name keeps the blank
    QVERIFY(!names.find(u"5421112233"));
    QVERIFY(!names.find(u"532123456")); // nine digits: the line part is shorter
}

void TestReports::contactNamesFromTheErp()
{
    ProgramFolderFixture fx;
    ErpStandIn erp(fx.folder() + QStringLiteral("/erp"));
    erp.fillSample();
    erp.addContact("01", {{"Sirket", "120.004"},
                          {"Adi", "Cem"},
                          {"Adi2", QVariant()},
                          {"Soyadi", QVariant()},
                          {"CepTelBKod", "555"},
                          {"CepTel", "9990000"}});
    erp.configure();
    gCompanyCode = QStringLiteral("01");
    OpenErpDb();
    const ContactNames names = ContactNames::load();

    const ContactNames::Names *ayse = names.find(u"5321234567");
    QVERIFY(ayse);
    QCOMPARE(ayse->soyad, QStringLiteral("Yılmaz"));
    QVERIFY(names.find(u"5543334455"));  // Irmak Ilgaz of 120.002
    QVERIFY(!names.find(u"5359998877")); // Ömer Öz: card type 1
    QVERIFY(!names.find(u"533"));        // Şükrü Ağaoğlu: empty CepTel
    QVERIFY(!names.find(u"5061231231")); // the other company's contact
    // Ümit Işık (no area code) and Şükrü Ağaoğlu (empty CepTel) are not among them either.
    QCOMPARE(names.size(), 6);
    // Null names read as empty texts.
    const ContactNames::Names *cem = names.find(u"5559990000");
    QVERIFY(cem);
    QCOMPARE(cem->ad, QStringLiteral("Cem "));
    QCOMPARE(cem->soyad, QString());
}

QTEST_GUILESS_MAIN(TestReports)
#include "tst_reports.moc"
