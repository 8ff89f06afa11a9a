#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/SentLog.h"
#include "messaging/QuickMessage.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kUnreachable = QStringLiteral("Mesaj merkezine ilgili bilgiler gönderilemiyor\r\nBir güvenlik uygulaması "
                                            "programın mesaj merkezine bağlanmasını engelleyebilir.");
const QString kRefused = QStringLiteral("Mesaj gönderilemedi.\r\nKullanıcı adı veya parolanız hatalı olabilir.\r\nSMS "
                                        "krediniz bitmiş olabilir.\r\nGönderilecek mesaj olmayabilir.");
} // namespace

class TestQuickMessage : public QObject {
    Q_OBJECT
private slots:
    void readAccount_data();
    void readAccount();
    void numberCheck_data();
    void numberCheck();
    void credit_data();
    void credit();
    void judgeReply_data();
    void judgeReply();
    void basketTakesOneTextPerNumber();
    void writeSend_data();
    void writeSend();
    void writeFailures_data();
    void writeFailures();
};

void TestQuickMessage::readAccount_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("reached");
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QStringList>("originators");

    const QString unchanged; // nothing is filled
    QTest::newRow("credit and two names") << "1500\nORVEK\nTALVANE\n"
                                          << true << "1500 " << QStringList{"ORVEK", "TALVANE"};
    QTest::newRow("CR LF lines") << "1500\r\nORVEK\r\n" << true << "1500 " << QStringList{"ORVEK"};
    QTest::newRow("piece after last LF ignored") << "7\nORVEK\nYARIM" << true << "7 " << QStringList{"ORVEK"};
    QTest::newRow("credit line only") << "10\n" << true << "10 " << QStringList{};
    QTest::newRow("no line feed: whole reply is the credit") << "1500" << true << "1500 " << QStringList{};
    QTest::newRow("fragment of the code list is a credit") << "1" << true << "1 " << QStringList{};
    QTest::newRow("lower-case page is read") << "<html>" << true << "<html> " << QStringList{};
    QTest::newRow("empty") << "" << false << unchanged << QStringList{};
    QTest::newRow("01") << "01" << false << unchanged << QStringList{};
    QTest::newRow("-1") << "-1" << false << unchanged << QStringList{};
    QTest::newRow("page") << "<HTML><body>Proxy</body></HTML>" << false << unchanged << QStringList{};
    QTest::newRow("page inside") << "1500\n<HTML>\n" << false << unchanged << QStringList{};
    // A code in place of the credit shows what it means, not a credit of 3 or 7.
    QTest::newRow("code 03") << "03" << true << "Kullanıcı bilgilerinizde hata var." << QStringList{};
    QTest::newRow("code 04") << "04" << true << "Bilgiler mesaj merkezine gönderilemiyor." << QStringList{};
    QTest::newRow("code 05") << "05" << true << "Bilgiler mesaj merkezine gönderilemiyor." << QStringList{};
    QTest::newRow("code 02") << "02" << true << "Kontör bilgisi alınamadı (hata kodu 02)." << QStringList{};
    QTest::newRow("code 13") << "13" << true << "Kontör bilgisi alınamadı (hata kodu 13)." << QStringList{};
}

void TestQuickMessage::readAccount()
{
    QFETCH(QString, reply);
    QFETCH(bool, reached);
    QFETCH(QString, credit);
    QFETCH(QStringList, originators);
    const QuickAccount a = ReadQuickAccount(reply);
    QCOMPARE(a.reached, reached);
    QCOMPARE(a.credit, credit);
    QCOMPARE(a.originators, originators);
    if (!credit.isEmpty() && !credit.endsWith(QLatin1Char(' ')))
        QCOMPARE(CheckQuickCredit(a.credit, QStringLiteral("1 ")), QuickCreditCheck::Unreadable);
}

void TestQuickMessage::numberCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("message");

    const QString wrong = QStringLiteral("Girdiğiniz GSM numarası hatalı. Lütfen tekrar deneyiniz.");
    QTest::newRow("empty") << "" << QStringList{} << "Lütfen GSM numarası giriniz.";
    QTest::newRow("nine digits") << "533455663" << QStringList{} << wrong;
    QTest::newRow("leading zero") << "0533455663" << QStringList{} << wrong;
    QTest::newRow("eleven") << "53345566331" << QStringList{} << wrong;
    QTest::newRow("duplicate") << "5334556633" << QStringList{"5321112233", "5334556633"} << "Bu numara listede mevcut";
    QTest::newRow("mobile") << "5334556633" << QStringList{"5321112233"} << "";
    QTest::newRow("any prefix") << "2124445566" << QStringList{} << "";
    QTest::newRow("not normalised") << "9x9x9x9x9x" << QStringList{} << "";
}

void TestQuickMessage::numberCheck()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, listed);
    QFETCH(QString, message);
    const QuickNumberCheck check = CheckQuickNumber(typed, listed);
    QCOMPARE(check == QuickNumberCheck::Accepted, message.isEmpty());
    QCOMPARE(QuickNumberMessage(check), message);
}

void TestQuickMessage::credit_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("check");
    QTest::newRow("more") << "1500 "
                          << "3 " << int(QuickCreditCheck::Enough);
    QTest::newRow("equal passes") << "3 "
                                  << "3 " << int(QuickCreditCheck::Enough);
    QTest::newRow("one less stops") << "2 "
                                    << "3 " << int(QuickCreditCheck::NotEnough);
    QTest::newRow("decimal credit") << "2,5 "
                                    << "3 " << int(QuickCreditCheck::NotEnough);
    QTest::newRow("not filled") << " 0"
                                << "1 " << int(QuickCreditCheck::NotEnough);
    QTest::newRow("text") << "bakiye yok "
                          << "1 " << int(QuickCreditCheck::Unreadable);
    QTest::newRow("empty") << ""
                           << "1 " << int(QuickCreditCheck::Unreadable);
}

void TestQuickMessage::credit()
{
    QFETCH(QString, credit);
    QFETCH(QString, count);
    QFETCH(int, check);
    QCOMPARE(int(CheckQuickCredit(credit, count)), check);
}

void TestQuickMessage::judgeReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("keep");

    const int critical = int(PromptIcon::Critical);
    const int none = int(PromptIcon::None);
    QTest::newRow("-1") << "-1" << int(QuickReplyKind::NoConnection) << "" << kUnreachable << critical << "Uyarı"
                        << false;
    QTest::newRow("04") << "04" << int(QuickReplyKind::Blocked) << "" << kUnreachable << critical << "Uyarı" << true;
    QTest::newRow("05") << "05" << int(QuickReplyKind::Blocked) << "" << kUnreachable << critical << "Uyarı" << true;
    QTest::newRow("ID:") << "ID:100001" << int(QuickReplyKind::Accepted) << "100001"
                         << "" << none << "" << false;
    QTest::newRow("ID blanks") << "ID: 77 \r\n"
                               << int(QuickReplyKind::Accepted) << "77"
                               << "" << none << "" << false;
    QTest::newRow("ID alone") << "ID" << int(QuickReplyKind::Accepted) << ""
                              << "" << none << "" << false;
    QTest::newRow("small id") << "id:5" << int(QuickReplyKind::Refused) << "" << kRefused << critical << "Brenvik Uyarı"
                              << false;
    QTest::newRow("01") << "01" << int(QuickReplyKind::Refused) << "" << kRefused << critical << "Brenvik Uyarı"
                        << false;
    QTest::newRow("4") << "4" << int(QuickReplyKind::Refused) << "" << kRefused << critical << "Brenvik Uyarı" << false;
    QTest::newRow("-2") << "-2" << int(QuickReplyKind::Refused) << "" << kRefused << critical << "Brenvik Uyarı"
                        << false;
    QTest::newRow("empty") << "" << int(QuickReplyKind::Refused) << "" << kRefused << critical << "Brenvik Uyarı"
                           << false;
    QTest::newRow("page") << "<HTML>500</HTML>" << int(QuickReplyKind::Refused) << "" << kRefused << critical
                          << "Brenvik Uyarı" << false;
}

void TestQuickMessage::judgeReply()
{
    QFETCH(QString, reply);
    QFETCH(int, kind);
    QFETCH(QString, id);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(bool, keep);
    const QuickReplyJudgement j = JudgeQuickReply(reply);
    QCOMPARE(int(j.kind), kind);
    QCOMPARE(j.messageId, id);
    QCOMPARE(j.text, text);
    QCOMPARE(int(j.icon), icon);
    QCOMPARE(j.title, title);
    QCOMPARE(j.keepWindow, keep);
}

void TestQuickMessage::basketTakesOneTextPerNumber()
{
    Gateway gw;
    FillQuickBasket(gw, QStringLiteral("Merhaba"), {"5331112233", "5442223344", "2125556677"});
    QCOMPARE(gw.basketCount(), 3);
    for (int i = 0; i < 3; ++i) QCOMPARE(gw.SmsBasket().value(i, 0).toString(), QStringLiteral("Merhaba"));
    QCOMPARE(gw.SmsBasket().value(2, 1).toString(), QStringLiteral("2125556677"));
}

void TestQuickMessage::writeSend_data()
{
    QTest::addColumn<bool>("asTemplate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<QString>("p1");
    QTest::addColumn<QString>("p2");

    QTest::newRow("log only") << false << "Günaydın"
                              << "Gunaydin"
                              << ""
                              << "";
    QTest::newRow("with template") << true << "Şükrü'ye\r\nselam"
                                   << "Sukru'yeselam"
                                   << "Sukru'yeselam"
                                   << "";
    const QString exact(255, QLatin1Char('a'));
    QTest::newRow("255 whole") << true << exact << exact << exact << "";
    const QString longer = exact + QStringLiteral("bc");
    QTest::newRow("257 split") << true << longer << longer << exact << "bc";
}

void TestQuickMessage::writeSend()
{
    QFETCH(bool, asTemplate);
    QFETCH(QString, typed);
    QFETCH(QString, normalised);
    QFETCH(QString, p1);
    QFETCH(QString, p2);
    ProgramFolderFixture fx;
    gGatewayKind = GatewayKind::Ambrel;
    gCompanyCode = QStringLiteral("02");
    const QDateTime sent(QDate(2026, 3, 5), QTime(9, 7, 41));
    const QDateTime at(QDate(2026, 3, 6), QTime(10, 15, 0));

    const QuickWriteResult r = WriteQuickSend(
        QuickLogRow(QStringLiteral("4711"), 3, typed, QStringLiteral("ORV'EK"), sent, at), asTemplate, normalised);
    QVERIFY(r.ok());
    const auto log =
        fx.rows("SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih,sirket_kod FROM tbl_giden");
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first(),
             QVariantList({"4711", "Hızlı mesaj gönder", "Ambrel", 3, QStringLiteral("İlk Kayıt :") + typed, "ORV'EK",
                           "2026-03-05 09:07:41", "2026-03-06 10:15:00", "02"}));
    const auto templates = fx.rows("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar WHERE msgid='4711'");
    if (!asTemplate) {
        QVERIFY(templates.isEmpty());
        return;
    }
    QCOMPARE(templates.size(), 1);
    QCOMPARE(templates.first(), QVariantList({"4711", "HizliMesaj", p1, p2}));
}

void TestQuickMessage::writeFailures_data()
{
    QTest::addColumn<bool>("logFails");
    QTest::addColumn<bool>("templateFails");
    QTest::newRow("log refused") << true << false;
    QTest::newRow("template refused") << false << true;
    QTest::newRow("both refused") << true << true;
}

void TestQuickMessage::writeFailures()
{
    QFETCH(bool, logFails);
    QFETCH(bool, templateFails);
    ProgramFolderFixture fx;
    if (logFails) fx.exec("CREATE TRIGGER r1 BEFORE INSERT ON tbl_giden BEGIN SELECT RAISE(ABORT, 'no'); END");
    if (templateFails) fx.exec("CREATE TRIGGER r2 BEFORE INSERT ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'no'); END");
    const QDateTime now = QDateTime::currentDateTime();
    const QuickWriteResult r = WriteQuickSend(QuickLogRow("9", 1, "x", "O", now, now), true, QStringLiteral("x"));
    QVERIFY(!r.ok());
    QCOMPARE(r.logWritten, !logFails);
    QCOMPARE(r.templateWritten, !templateFails);
    // Each write stands on its own.
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), logFails ? 0 : 1);
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_sablonlar WHERE msgid='9'").toInt(), templateFails ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestQuickMessage)
#include "tst_quickmessage.moc"
