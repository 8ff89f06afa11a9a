#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/OrvekError.h"
#include "core/SentLog.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

RecordSet listOf(const QList<QPair<QString, QString>> &rows)
{
    RecordSet list = MakeSendList();
    for (const auto &r : rows) list.addRow({r.first, r.second});
    return list;
}

QStringList basketRows(const Gateway &gw)
{
    QStringList rows;
    for (int i = 0; i < gw.SmsBasket().rowCount(); ++i)
        rows << gw.SmsBasket().value(i, 1).toString() + QLatin1Char('|') + gw.SmsBasket().value(i, 0).toString();
    return rows;
}

} // namespace

class TestSendSteps : public QObject {
    Q_OBJECT
private slots:
    void readAccount_data();
    void readAccount();
    void confirmationText_data();
    void confirmationText();
    void creditTest_data();
    void creditTest();
    void basketTakesCutThenNormalisedTexts();
    void scheduleForms_data();
    void scheduleForms();
    void judgeReply_data();
    void judgeReply();
    void logRowFromHandOver();
    void sentLogLayoutAndBoundValues();
    void sentLogRowsOfOneSendAllOrNothing();
    void templateRowSplit_data();
    void templateRowSplit();
    void sendListModelTellsViews();
    void sendListsAfterOneClosed();
};

void TestSendSteps::readAccount_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("reached");
    QTest::addColumn<bool>("hasCredit");
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QStringList>("originators");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("account"); // IsAccountReply: the credit step may read a credit
    QTest::newRow("credit and two names") << "1500\nORVEK\nTALVANE\n"
                                          << true << true << "1500" << QStringList{"ORVEK", "TALVANE"} << true << true;
    QTest::newRow("text after the last LF ignored")
        << "7\nA\nB" << true << true << "7" << QStringList{"A"} << true << true;
    QTest::newRow("empty line is an empty name") << "7\n\nB\n"
                                                 << true << true << "7" << QStringList{"", "B"} << true << true;
    QTest::newRow("CR LF line ends") << "1500\r\nORVEK\r\n"
                                     << true << true << "1500" << QStringList{"ORVEK"} << true << true;
    QTest::newRow("credit 0") << "0\nORVEK\n" << true << true << "0" << QStringList{"ORVEK"} << true << true;
    QTest::newRow("credit only") << "250\n" << true << true << "250" << QStringList{} << false << true;
    QTest::newRow("no line feed") << "250" << true << false << "" << QStringList{} << false << true;
    QTest::newRow("a fragment of the code list is a credit")
        << "1" << true << false << "" << QStringList{} << false << true;
    QTest::newRow("other code: no line feed") << "02" << true << false << "" << QStringList{} << false << false;
    QTest::newRow("04") << "04" << true << false << "" << QStringList{} << false << false;
    QTest::newRow("empty") << "" << false << false << "" << QStringList{} << false << false;
    QTest::newRow("01") << "01" << false << false << "" << QStringList{} << false << false;
    QTest::newRow("-1") << "-1" << false << false << "" << QStringList{} << false << false;
    QTest::newRow("HTML page") << "<html><body><HTML>\n</body>\n"
                               << false << false << "" << QStringList{} << false << false;
    QTest::newRow("lower-case html is read, but is no account")
        << "<html>\nx\n"
        << true << true << "<html>" << QStringList{"x"} << true << false;
    QTest::newRow("page with attributes")
        << "<!DOCTYPE html>\n<Html lang=\"tr\">\n"
        << true << true << "<!DOCTYPE html>" << QStringList{"<Html lang=\"tr\">"} << true << false;
}

void TestSendSteps::readAccount()
{
    QFETCH(QString, reply);
    QFETCH(bool, reached);
    QFETCH(bool, hasCredit);
    QFETCH(QString, credit);
    QFETCH(QStringList, originators);
    QFETCH(bool, complete);
    QFETCH(bool, account);
    const SendScreenAccount a = ReadSendScreenAccount(reply);
    QCOMPARE(a.reached, reached);
    QCOMPARE(a.credit.has_value(), hasCredit);
    if (hasCredit) QCOMPARE(*a.credit, credit);
    QCOMPARE(a.originators, originators);
    QCOMPARE(a.complete(), complete);
    QCOMPARE(IsAccountReply(reply), account);
}

void TestSendSteps::confirmationText_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("originator");
    QTest::addColumn<bool>("later");
    QTest::addColumn<QString>("text");
    QTest::newRow("at once")
        << 3 << "ORVEK" << false
        << "Mesajınız 3 kişiye ORVEK originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?";
    QTest::newRow("at once, no originator")
        << 12000 << "" << false
        << "Mesajınız 12000 kişiye  originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?";
    QTest::newRow("later, in the past")
        << 1 << "TALVANE" << true
        << "Mesajınız 1 kişiye, 09.01.2020 saat 07:05:09 de TALVANE originator bilgisiyle "
           "gönderilecektir. Devam etmek istiyor musunuz?";
}

void TestSendSteps::confirmationText()
{
    QFETCH(int, count);
    QFETCH(QString, originator);
    QFETCH(bool, later);
    QFETCH(QString, text);
    QCOMPARE(SendConfirmationText(count, originator, later, QDate(2020, 1, 9), QTime(7, 5, 9)), text);
}

void TestSendSteps::creditTest_data()
{
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("expected"); // 1 enough, 0 not enough, -1 throws
    QTest::newRow("equal passes") << " 100"
                                  << " 100" << 1;
    QTest::newRow("one less fails") << " 99"
                                    << " 100" << 0;
    QTest::newRow("more") << " 1500"
                          << " 3" << 1;
    QTest::newRow("decimal comma") << " 2,5"
                                   << " 3" << 0;
    QTest::newRow("decimal point") << " 3.5"
                                   << " 3" << 1;
    QTest::newRow("credit never fetched") << ""
                                          << " 3" << -1;
    QTest::newRow("total empty") << " 10"
                                 << "" << -1;
    QTest::newRow("credit is text") << " yok"
                                    << " 3" << -1;
}

void TestSendSteps::creditTest()
{
    QFETCH(QString, credit);
    QFETCH(QString, total);
    QFETCH(int, expected);
    if (expected < 0) {
        QVERIFY_THROWS_EXCEPTION(OrvekError, HasEnoughCredit(credit, total));
        return;
    }
    QCOMPARE(HasEnoughCredit(credit, total), expected == 1);
}

void TestSendSteps::basketTakesCutThenNormalisedTexts()
{
    // 8 line breaks inside the first 160 characters: cut first, then the breaks go, so the
    // basket text is 144 characters; normalising first would have given 160 others.
    QString withBreaks;
    for (int i = 0; i < 8; ++i) withBreaks += QStringLiteral("abcdefghijklmn") + kCrLf;
    withBreaks += QString(100, QLatin1Char('x'));
    const RecordSet list = listOf({{"5321234567", QStringLiteral("Sayın Şükrü Öztürk, çağrı & <not>")},
                                   {"", "no number"},
                                   {"5441112233", withBreaks},
                                   {"5059998877", QString(160, QLatin1Char('y'))}});
    Gateway gw;
    QCOMPARE(FillSendBasket(gw, list), 3);
    const QStringList rows = basketRows(gw);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], QStringLiteral("5321234567|Sayin Sukru Ozturk, cagri - [not]"));
    QCOMPARE(rows[1], QStringLiteral("5441112233|") + QStringLiteral("abcdefghijklmn").repeated(8) +
                          QString(32, QLatin1Char('x')));
    QCOMPARE(rows[2], QStringLiteral("5059998877|") + QString(160, QLatin1Char('y')));

    // The same rows as the send screen holds them (in its list's text blocks), with a list
    // after them in the storage it leaves: the basket keeps what it took until it is sent.
    Gateway fromBlocks;
    {
        SendListModel screenList;
        for (int r = 0; r < list.rowCount(); ++r) screenList.appendRow(list.text(r, 0), list.text(r, 1));
        QCOMPARE(FillSendBasket(fromBlocks, screenList.list()), 3);
    }
    SendListModel next;
    for (int i = 0; i < 2000; ++i) next.appendRow(QStringLiteral("5300000000"), QString(200, QLatin1Char('z')));
    QCOMPARE(basketRows(fromBlocks), rows);
}

void TestSendSteps::scheduleForms_data()
{
    QTest::addColumn<bool>("later");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("sdate");
    QTest::addColumn<QDateTime>("gtarih");
    QTest::newRow("at once") << false << QDate(2026, 12, 9) << QTime(14, 30, 27) << "" << QDateTime();
    QTest::newRow("later") << true << QDate(2026, 12, 9) << QTime(14, 30, 27) << "091220261430"
                           << QDateTime(QDate(2026, 12, 9), QTime(14, 30, 0));
    QTest::newRow("single digits padded") << true << QDate(2027, 1, 2) << QTime(3, 4, 59) << "020120270304"
                                          << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 0));
}

void TestSendSteps::scheduleForms()
{
    QFETCH(bool, later);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, sdate);
    QFETCH(QDateTime, gtarih);
    QCOMPARE(ScheduledSendText(later, date, time), sdate);
    if (later) QCOMPARE(ScheduledSendTime(date, time), gtarih);
}

void TestSendSteps::judgeReply_data()
{
    const QString noNet =
        "Lütfen İnternet Bağlantınızı Kontrol Ediniz." + kCrLf + "İnternete Bağlı Olmadan SMS Gönderemezsiniz";
    const QString blocked = "SMS Merkezine İlgili Bilgiler Gönderilemiyor" + kCrLf +
                            "Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız";
    const QString refused = "Mesaj Gönderilemedi." + kCrLf + "Kullanıcı Adı veya Parolanız Hatalı Olabilir." + kCrLf +
                            "SMS Krediniz Bitmiş Olabilir." + kCrLf + "Gönerilecek SMS Olmayabilir.";
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("messageId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("net");
    QTest::addColumn<bool>("keep");
    const int crit = int(PromptIcon::Critical), info = int(PromptIcon::Information), none = int(PromptIcon::None);
    QTest::newRow("-1") << "-1" << int(SendReplyKind::NoConnection) << "" << noNet << info << "Uyarı" << true << false;
    QTest::newRow("04") << "04" << int(SendReplyKind::Blocked) << "" << blocked << crit << "Uyarı" << true << true;
    QTest::newRow("05") << "05" << int(SendReplyKind::Blocked) << "" << blocked << crit << "Uyarı" << true << true;
    QTest::newRow("ID:id") << "ID:4711" << int(SendReplyKind::Accepted) << "4711"
                           << "" << none << "" << false << false;
    QTest::newRow("ID blanks trimmed") << "ID:  4711 " << int(SendReplyKind::Accepted) << "4711"
                                       << "" << none << "" << false << false;
    QTest::newRow("ID alone: empty id") << "ID" << int(SendReplyKind::Accepted) << ""
                                        << "" << none << "" << false << false;
    QTest::newRow("small id refused") << "id:4711" << int(SendReplyKind::Refused) << "" << refused << crit
                                      << "Brenvik Uyarı" << false << false;
    for (const char *code : {"-2", "01", "02", "03", "06", "13", "", " 04", "HTML"})
        QTest::newRow(qPrintable(QStringLiteral("refused '%1'").arg(QLatin1String(code))))
            << QString::fromLatin1(code) << int(SendReplyKind::Refused) << "" << refused << crit << "Brenvik Uyarı"
            << false << false;
}

void TestSendSteps::judgeReply()
{
    QFETCH(QString, reply);
    QFETCH(int, kind);
    QFETCH(QString, messageId);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(bool, net);
    QFETCH(bool, keep);
    const SendReplyJudgement j = JudgeSendReply(reply);
    QCOMPARE(int(j.kind), kind);
    QCOMPARE(j.messageId, messageId);
    QCOMPARE(j.text, text);
    QCOMPARE(int(j.icon), icon);
    QCOMPARE(j.title, title);
    QCOMPARE(j.showNetWarning, net);
    QCOMPARE(j.keepScreen, keep);
}

void TestSendSteps::logRowFromHandOver()
{
    ResetAppState();
    gSendKind = QStringLiteral("Bakiye gönder");
    gGatewayKind = GatewayKind::Ambrel;
    gCompanyCode = QStringLiteral("01");
    const QString first = QString(200, QChar(u'ş')) + QStringLiteral(" & <x>");
    RecordSet list = MakeSendList();
    list.addRow({"5321234567", first});
    list.addRow({"5321234568", "second"});
    const QDateTime at(QDate(2026, 12, 10), QTime(9, 1, 2));
    const SentMessageRow r = SendScreenLogRow("4711", list, "ORVEK", at, at.addDays(1));
    QCOMPARE(r.msgid, QStringLiteral("4711"));
    QCOMPARE(r.msg_tip, QStringLiteral("Bakiye gönder"));
    QCOMPARE(r.gateway, QStringLiteral("Ambrel"));
    QCOMPARE(r.paket_boyut, 2);
    QCOMPARE(r.mesaj, QStringLiteral("İlk Kayıt :") + first); // whole, not cut, not normalised
    QCOMPARE(r.originator, QStringLiteral("ORVEK"));
    QCOMPARE(r.tarih, at);
    QCOMPARE(r.gtarih, at.addDays(1));
    QCOMPARE(r.sirket_kod, QStringLiteral("01"));
    ResetAppState();
}

void TestSendSteps::sentLogLayoutAndBoundValues()
{
    ProgramFolderFixture fx;
    QStringList columns;
    for (const auto &c : fx.rows("SELECT name FROM pragma_table_info('tbl_giden') ORDER BY cid"))
        columns << c.first().toString();
    QCOMPARE(columns, QStringList({"id", "msgid", "msg_tip", "gateway", "paket_boyut", "mesaj", "originator", "tarih",
                                   "gtarih", "sirket_kod"}));

    // Values that a spliced statement would break on: apostrophes in the id and the company
    // code too, which were never quoted.
    SentMessageRow r;
    r.msgid = QStringLiteral("7'); DROP TABLE tbl_giden; --");
    r.msg_tip = QStringLiteral("Müşterilere mesaj gönder");
    r.gateway = QStringLiteral("Brenvik");
    r.paket_boyut = 100000;
    r.mesaj = QStringLiteral("İlk Kayıt :O'Neil'e \"selam\"");
    r.originator = QStringLiteral("D'OR");
    r.tarih = QDateTime(QDate(2026, 12, 10), QTime(9, 5, 7));
    r.gtarih = QDateTime(QDate(2026, 12, 11), QTime(14, 30, 0));
    r.sirket_kod = QStringLiteral("0'1");
    InsertSentMessages({r});
    const auto rows = fx.rows("SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih,sirket_kod "
                              "FROM tbl_giden");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], QVariantList({r.msgid, r.msg_tip, r.gateway, 100000, r.mesaj, r.originator, "2026-12-10 09:05:07",
                                    "2026-12-11 14:30:00", r.sirket_kod}));
    QCOMPARE(fx.scalar("SELECT typeof(paket_boyut) FROM tbl_giden").toString(), QStringLiteral("integer"));
    // The report window's filter compares the kind and company without case.
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_giden WHERE gateway = 'BRENVIK'").toInt(), 1);
}

void TestSendSteps::sentLogRowsOfOneSendAllOrNothing()
{
    ProgramFolderFixture fx;
    fx.exec("CREATE TRIGGER refuse BEFORE INSERT ON tbl_giden WHEN NEW.msgid = 'bad' "
            "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END");
    SentMessageRow good;
    good.msgid = QStringLiteral("1");
    good.tarih = good.gtarih = QDateTime::currentDateTime();
    SentMessageRow bad = good;
    bad.msgid = QStringLiteral("bad");
    try {
        InsertSentMessages({good, bad});
        QFAIL("the refused row did not throw");
    } catch (const OrvekError &e) {
        QVERIFY2(e.description().contains(QLatin1String("refused by the test")), qPrintable(e.description()));
    }
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    // The connection is usable afterwards (no transaction left open).
    InsertSentMessages({good});
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
}

void TestSendSteps::templateRowSplit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("p2");
    QTest::newRow("255 whole") << 255 << 255 << 0;
    QTest::newRow("256 split 255 + 1") << 256 << 255 << 1;
    QTest::newRow("700") << 700 << 255 << 445;
}

void TestSendSteps::templateRowSplit()
{
    QFETCH(int, length);
    QFETCH(int, p1);
    QFETCH(int, p2);
    ProgramFolderFixture fx;
    PromptRecorder prompts;
    QString text;
    for (int i = 0; i < length; ++i) text += QChar(u"ab'ş"[i % 4]);
    const RecordSet list = listOf({{"5321234567", "x"}});
    AcceptedSend send;
    send.messageText = text;
    send.messageId = QStringLiteral("1");
    send.sendList = &list;
    send.sentAt = send.sendAt = QDateTime::currentDateTime();
    send.saveAsTemplate = true;
    send.templateKind = QStringLiteral("GrupMesaj");
    QVERIFY(FinishAcceptedSend(send).templateWritten);
    QVERIFY(prompts.records().isEmpty()); // the window tells the outcome
    const auto row = fx.rows("SELECT sablon_p1, sablon_p2 FROM tbl_sablonlar").first();
    QCOMPARE(row[0].toString().size(), p1);
    QCOMPARE(row[1].toString().size(), p2);
    QCOMPARE(row[0].toString() + row[1].toString(), text);
}

void TestSendSteps::sendListModelTellsViews()
{
    SendListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.appendRow("5321234567", "bir");
    model.appendRow("5321234568", QString(255, QLatin1Char('m')));
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted.at(1).at(1).toInt(), 1);
    // Too long: refused before any view hears of it.
    QVERIFY_THROWS_EXCEPTION(OrvekError, model.appendRow("53212345678", "x"));
    QVERIFY_THROWS_EXCEPTION(OrvekError, model.appendRow("5321234569", QString(256, QLatin1Char('m'))));
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("GsmNo"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Mesaj"));
    model.removeRow(0);
    model.removeRow(5); // no such row: nothing
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("5321234568"));
    QCOMPARE(reset.size(), 0);
    QCOMPARE(model.list().fieldNames(), QStringList({"GsmNo", "Mesaj"}));

    // A long filling: the list takes every row at once, the views hear of them in batches.
    model.setDeferred(true);
    for (int i = 0; i < 1000; ++i) model.appendRow(QStringLiteral("5330000%1").arg(i, 3, 10, QLatin1Char('0')), "t");
    QCOMPARE(model.list().rowCount(), 1001);
    QCOMPARE(model.rowCount(), 1);
    QTRY_COMPARE(model.rowCount(), 1001); // the batch timer
    QCOMPARE(inserted.size(), 3);
    model.appendRow("5339999999", "last");
    model.removeRow(1001); // a removal first tells of what is pending
    QCOMPARE(model.rowCount(), 1001);
    model.appendRow("5339999999", "last");
    model.setDeferred(false);
    QCOMPARE(model.rowCount(), 1002);
    QCOMPARE(model.data(model.index(1001, 1)).toString(), QStringLiteral("last"));
    QCOMPARE(model.list().field(0).size, 10);
    QCOMPARE(model.list().field(1).size, 255);
    // Refused while deferred: the number went in before the text was refused, yet nothing of
    // the row stays.
    model.setDeferred(true);
    QVERIFY_THROWS_EXCEPTION(OrvekError, model.appendRow("5321234569", QString(256, QLatin1Char('m'))));
    QCOMPARE(model.list().rowCount(), 1002);

    // The list keeps its own characters: a caller writing its buffer again for the next row
    // changes no row already added.
    QString number = QStringLiteral("5321111111");
    QString text = QStringLiteral("ilk metin");
    model.appendRow(number, text);
    number.data()[9] = QLatin1Char('2');
    text.data()[0] = QLatin1Char('X');
    model.appendRow(number, text);
    QCOMPARE(model.list().value(1002, 0).toString(), QStringLiteral("5321111111"));
    QCOMPARE(model.list().value(1002, 1).toString(), QStringLiteral("ilk metin"));
    QCOMPARE(model.list().value(1003, 0).toString(), QStringLiteral("5321111112"));
    QCOMPARE(model.list().value(1003, 1).toString(), QStringLiteral("Xlk metin"));
    model.setDeferred(false);
    QCOMPARE(model.rowCount(), 1004);
}

QTEST_GUILESS_MAIN(TestSendSteps)
// A send list takes the storage of the one closed before it; a second list open at the same
// time has storage of its own. Each shows its own rows, and a text read from a closed list
// keeps its characters.
void TestSendSteps::sendListsAfterOneClosed()
{
    const auto fill = [](SendListModel &model, const QString &text, int rows) {
        model.setDeferred(true);
        for (int i = 0; i < rows; ++i)
            model.appendRow(QStringLiteral("53%1").arg(i, 8, 10, QLatin1Char('0')), text + QString::number(i));
        model.setDeferred(false);
    };
    const auto shows = [](const SendListModel &model, const QString &text, int rows) {
        if (model.rowCount() != rows) return false;
        for (int i = 0; i < rows; i += 251) {
            if (model.data(model.index(i, 0)).toString() != QStringLiteral("53%1").arg(i, 8, 10, QLatin1Char('0')) ||
                model.data(model.index(i, 1)).toString() != text + QString::number(i))
                return false;
        }
        return model.data(model.index(rows - 1, 1)).toString() == text + QString::number(rows - 1);
    };

    QString readBefore;
    {
        SendListModel first;
        fill(first, QStringLiteral("ilk "), 20000);
        readBefore = first.data(first.index(19999, 1)).toString();
    }
    auto second = std::make_unique<SendListModel>();
    QCOMPARE(second->rowCount(), 0);
    QCOMPARE(second->list().totalRowCount(), 0);
    auto third = std::make_unique<SendListModel>(); // open while the second is
    // Longer texts than the first list's: they reach every block it wrote.
    fill(*second, QStringLiteral("Sayın müşterimiz, ikinci liste "), 20000);
    fill(*third, QStringLiteral("üçüncü liste metni "), 18000);
    QVERIFY(shows(*second, QStringLiteral("Sayın müşterimiz, ikinci liste "), 20000));
    QVERIFY(shows(*third, QStringLiteral("üçüncü liste metni "), 18000));
    QCOMPARE(readBefore, QStringLiteral("ilk 19999"));

    // Both closed, in either order: the next list starts empty and shows only its rows.
    second.reset();
    third.reset();
    SendListModel fourth;
    QCOMPARE(fourth.rowCount(), 0);
    fill(fourth, QStringLiteral("d"), 700);
    QVERIFY(shows(fourth, QStringLiteral("d"), 700));
    QCOMPARE(fourth.list().fieldNames(), QStringList({"GsmNo", "Mesaj"}));
    QVERIFY_THROWS_EXCEPTION(OrvekError, fourth.appendRow("53212345678", "x"));
    QCOMPARE(fourth.list().rowCount(), 700);
}

#include "tst_sendsteps.moc"
