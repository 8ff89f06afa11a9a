#include "core/OrvekError.h"
#include "reports/NumberReport.h"

#include <QtTest>

Q_DECLARE_METATYPE(PromptIcon)

namespace {
const QString kNoNetFetch = QStringLiteral(
    "Lütfen İnternet Bağlantınızı Kontrol Ediniz. Bir Güvenlik Uygulaması Internet Bağlantınızı Denetliyor Olabilir.");
const QString kWrong = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kNone = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");
const QString kNoNetNumberTab = QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz");
const QString kNoNetTab0 = QStringLiteral(
    "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nİnternet Bağlantınız kapalı ya da bir güvenlik "
    "uygulaması internet bağlantınızı kontrol ediyor olabilir.");
const QString kProxyTab0 = QStringLiteral(
    "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nProxy ya da güvenlik duvarı ayarlarınız "
    "programın çalışmasına izin vermiyor olabilir.");
} // namespace

class TestNumberReport : public QObject {
    Q_OBJECT
private slots:
    void numberCheck_data();
    void numberCheck();
    void requestTexts();
    void replyCodes_data();
    void replyCodes();
    void lines_data();
    void lines();
    void messageBodies_data();
    void messageBodies();
    void unreadableBodies_data();
    void unreadableBodies();
};

void TestNumberReport::numberCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("ten, first 5") << "5321234567" << true;
    QTest::newRow("letters pass") << "5abcdefghi" << true;
    QTest::newRow("blanks pass") << "5 2 4 5 6 " << true;
    QTest::newRow("nine") << "532123456" << false;
    QTest::newRow("eleven") << "53212345678" << false;
    QTest::newRow("first not 5") << "0532123456" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("ampersand") << "5321&34567" << false;
    QTest::newRow("less than") << "5321<34567" << false;
    QTest::newRow("greater than") << "532123456>" << false;
    QTest::newRow("Turkish letters count once") << "5ğüşıöçĞÜŞ" << true;
}

void TestNumberReport::numberCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(IsReportGsmNo(text), ok);
}

void TestNumberReport::requestTexts()
{
    QCOMPARE(NumberReportRequest("demo-B001", "pa&ss", "5abc123456", QDate(2024, 1, 9), QDate(2023, 12, 31)),
             QStringLiteral("<MainReportRoot><UserName>demo-B001</UserName><PassWord>pa&ss</PassWord><Action>14"
                            "</Action><GsmNo>5abc123456</GsmNo><FDate>2024-01-09</FDate><LDate>2023-12-31</LDate>"
                            "</MainReportRoot>"));
    QCOMPARE(MessageTextRequest("demo", "x", "5321234567", "100001"),
             QStringLiteral("<MainReportRoot><UserName>demo</UserName><PassWord>x</PassWord><Action>15</Action>"
                            "<GsmNo>5321234567</GsmNo><MsgID>100001</MsgID></MainReportRoot>"));
}

void TestNumberReport::replyCodes_data()
{
    QTest::addColumn<QString>("reply");
    // Expected boxes of the fetch, the number tab's text and tab 0's text ("" = no code).
    QTest::addColumn<QString>("fetch");
    QTest::addColumn<QString>("numberTab");
    QTest::addColumn<QString>("tab0");
    QTest::addColumn<PromptIcon>("icon");
    const auto C = PromptIcon::Critical;
    QTest::newRow("-1") << "-1" << kNoNetFetch << kNoNetNumberTab << kNoNetTab0 << C;
    QTest::newRow("HTML page") << "<HTML><body>502</body></HTML>" << kNoNetFetch << kNoNetNumberTab << kNoNetTab0 << C;
    QTest::newRow("01") << "01" << kWrong << kWrong << kWrong << C;
    QTest::newRow("03") << "03" << kWrong << kWrong << kWrong << C;
    QTest::newRow("04 differs") << "04" << kWrong << kWrong << kProxyTab0 << C;
    QTest::newRow("05") << "05" << kWrong << kWrong << kWrong << C;
    QTest::newRow("08") << "08" << kNone << kNone << kNone << PromptIcon::Information;
    QTest::newRow("lower-case html is no code") << "<html>x</html>"
                                                << ""
                                                << ""
                                                << "" << C;
    QTest::newRow("whole reply only") << "08\n"
                                      << ""
                                      << ""
                                      << "" << C;
    QTest::newRow("a fragment is no code") << "1"
                                           << ""
                                           << ""
                                           << "" << C;
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "" << C;
    QTest::newRow("02 is read") << "02"
                                << ""
                                << ""
                                << "" << C;
}

void TestNumberReport::replyCodes()
{
    QFETCH(QString, reply);
    QFETCH(QString, fetch);
    QFETCH(QString, numberTab);
    QFETCH(QString, tab0);
    QFETCH(PromptIcon, icon);
    const auto check = [&](const std::optional<ReportCodeBox> &box, const QString &text) {
        QCOMPARE(box.has_value(), !text.isEmpty());
        if (!box) return;
        QCOMPARE(box->text, text);
        QCOMPARE(box->icon, icon);
    };
    check(JudgeNumberReportReply(reply), fetch);
    check(JudgeMessageTextReply(MessageTextTab::Number, reply), numberTab);
    check(JudgeMessageTextReply(MessageTextTab::SingleSend, reply), tab0);
}

void TestNumberReport::lines_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("rows"); // id|date; "!" = a line without a space
    QTest::newRow("two lines, tail ignored") << "1 01.05.2024 10:00:00\n2 02.05.2024 11:00:00\n3 03.05.2024" << 2
                                             << QStringList{"1|01.05.2024 10:00:00", "2|02.05.2024 11:00:00"};
    QTest::newRow("no line feed, no rows") << "1 01.05.2024" << 0 << QStringList{};
    QTest::newRow("CR before LF dropped") << "7 x y\r\n" << 1 << QStringList{"7|x y"};
    QTest::newRow("only one CR dropped") << "7 x\r\r\n" << 1 << QStringList{"7|x\r"};
    QTest::newRow("long date text kept") << "9 " + QString(80, 'd') + "\n" << 1 << QStringList{"9|" + QString(80, 'd')};
    QTest::newRow("leading space: empty id") << " 01.05\n" << 1 << QStringList{"|01.05"};
    QTest::newRow("no space stops") << "1 a\n2\n3 c\n" << 3 << QStringList{"1|a", "!"};
    QTest::newRow("empty line stops") << "\n1 a\n" << 2 << QStringList{"!"};
}

void TestNumberReport::lines()
{
    QFETCH(QString, reply);
    QFETCH(int, count);
    QFETCH(QStringList, rows);
    NumberReportReader reader(reply);
    QCOMPARE(reader.lineCount(), count);
    QStringList got;
    QString id, date;
    for (;;) {
        const NumberReportReader::Step s = reader.next(id, date);
        if (s == NumberReportReader::Step::End) break;
        if (s == NumberReportReader::Step::NoSpace) {
            got << "!";
            break;
        }
        got << id + "|" + date;
    }
    QCOMPARE(got, rows);
}

void TestNumberReport::messageBodies_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("box");
    const QString one =
        QStringLiteral("100001 mesaj paketindeki 5321234567 numaralı GSM hattına giden mesaj :\r\n\r\n");
    const QString many =
        QStringLiteral("100001 mesaj paketindeki 5321234567 numaralı GSM hattına giden mesajlar :\r\n\r\n");
    QTest::newRow("one") << "<r><msgbody>Merhaba dünya</msgbody></r>" << one + "Merhaba dünya";
    // The text as the gateway sent it: nothing trimmed, nothing collapsed.
    QTest::newRow("blanks at both ends") << "<r><msgbody>  Merhaba dünya  </msgbody></r>" << one + "  Merhaba dünya  ";
    QTest::newRow("line breaks at both ends and inside")
        << "<r><msgbody>\nMerhaba\n\ndünya\n</msgbody></r>" << one + "\nMerhaba\n\ndünya\n";
    QTest::newRow("CR LF as XML reads it") << "<r><msgbody>a\r\nb\r\n</msgbody></r>" << one + "a\nb\n";
    QTest::newRow("CR LF as characters") << "<r><msgbody>a&#13;&#10;b</msgbody></r>" << one + "a\r\nb";
    QTest::newRow("blanks only") << "<r><msgbody>   </msgbody></r>" << one + "   ";
    QTest::newRow("tab and runs of blanks") << "<r><msgbody>\ta   b\t</msgbody></r>" << one + "\ta   b\t";
    QTest::newRow("blank between parts") << "<r><msgbody><b>x</b> <b>y</b></msgbody></r>" << one + "x y";
    QTest::newRow("each of many as it stands")
        << "<r><msgbody> bir</msgbody><msgbody>iki </msgbody></r>" << many + "Mesaj 1 :  bir\r\nMesaj 2 : iki \r\n";
    QTest::newRow("three at any depth in document order")
        << "<r><a><msgbody>bir</msgbody></a><msgbody>iki</msgbody><b><c><msgbody>üç</msgbody></c></b></r>"
        << many + "Mesaj 1 : bir\r\nMesaj 2 : iki\r\nMesaj 3 : üç\r\n";
    QTest::newRow("declared encoding does not garble")
        << "<?xml version=\"1.0\" encoding=\"windows-1254\"?><r><msgbody>Şişli Ğ ı</msgbody></r>" << one + "Şişli Ğ ı";
    QTest::newRow("entities and CDATA") << "<r><msgbody>a &amp; b <![CDATA[<c>]]></msgbody></r>" << one + "a & b <c>";
    QTest::newRow("empty element") << "<r><msgbody/></r>" << one;
    QTest::newRow("root itself") << "<msgbody>tek</msgbody>" << one + "tek";
}

void TestNumberReport::messageBodies()
{
    QFETCH(QString, reply);
    QFETCH(QString, box);
    QCOMPARE(MessageTextBoxText("100001", "5321234567", ReadMessageBodies(reply)), box);
}

void TestNumberReport::unreadableBodies_data()
{
    QTest::addColumn<QString>("reply");
    QTest::newRow("empty") << "";
    QTest::newRow("no XML") << "Merhaba";
    QTest::newRow("broken XML") << "<r><msgbody>x</r>";
    QTest::newRow("no msgbody") << "<r><body>x</body></r>";
    QTest::newRow("case counts") << "<r><MsgBody>x</MsgBody></r>";
}

void TestNumberReport::unreadableBodies()
{
    QFETCH(QString, reply);
    QVERIFY_THROWS_EXCEPTION(OrvekError, ReadMessageBodies(reply));
}

QTEST_GUILESS_MAIN(TestNumberReport)
#include "tst_numberreport.moc"
