#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/DateText.h"
#include "core/HttpPoster.h"
#include "core/Normalizers.h"
#include "core/PageAddresses.h"
#include "core/SmsText.h"
#include "core/Templates.h"
#include "messaging/SendSteps.h"
#include "messaging/frmHizliMesaj.h"
#include "messaging/frmSablon.h"
#include "reports/frmRapor.h"
#include "shell/OffThread.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBrw.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kUnreachable = QStringLiteral("Mesaj merkezine ilgili bilgiler gönderilemiyor\r\nBir güvenlik uygulaması "
                                            "programın mesaj merkezine bağlanmasını engelleyebilir.");
const QString kRefused = QStringLiteral("Mesaj gönderilemedi.\r\nKullanıcı adı veya parolanız hatalı olabilir.\r\nSMS "
                                        "krediniz bitmiş olabilir.\r\nGönderilecek mesaj olmayabilir.");
const QString kSent = QStringLiteral("Mesaj başarı ile gönderildi.");
const QString kNotLogged =
    QStringLiteral("Mesaj başarıyla gönderildi.\r\nAncak bilgisayarınız üzerindeki bir program veri tabanına veri "
                   "girişine izin vermiyor.\r\nBu sebeple gönderim raporu veri tabanına yazılamadı");
const QString kConfirmTitle = QStringLiteral("Brenvik Mesaj gönderim onayı");

QString confirmation(int n, const QString &originator)
{
    return QStringLiteral("Mesajınız %1 kişiye %2 originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?")
        .arg(n)
        .arg(originator);
}

// Types text key by key, letters outside Latin-1 included.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

// The main window with the quick message window opened through the navigation, talking to
// a fake gateway.
struct QuickWindow {
    FakeGateway gateway;
    MainWindowFixture fx;
    QPointer<frmHizliMesaj> w;

    static MainWindowFixture::Account account(const QString &kind)
    {
        MainWindowFixture::Account a;
        a.kind = kind;
        return a;
    }
    explicit QuickWindow(const QString &kind = QStringLiteral("Brenvik")) : fx(account(kind))
    {
        gGatewayUrl = gateway.url();
        gCompanyCode = QStringLiteral("01");
    }

    frmHizliMesaj *open()
    {
        Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
        fx.clickNode(QStringLiteral("HizliMesaj"));
        w = WorkForms::find<frmHizliMesaj>();
        return w;
    }
    // Types a number key by key, as the operator does, and presses "Ekle".
    void add(const QString &keys)
    {
        Control<QLineEdit>(w, "txtGSM")->setFocus();
        QTest::keyClicks(Control<QLineEdit>(w, "txtGSM"), keys);
        QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    }
    void send() { QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton); }
    QStringList listed() const
    {
        QStringList l;
        for (int i = 0; i < Control<QListWidget>(w, "List1")->count(); ++i)
            l << Control<QListWidget>(w, "List1")->item(i)->text();
        return l;
    }
    QStringList sendBodies() const
    {
        QStringList out;
        for (const QString &b : gateway.bodies())
            if (FakeGateway::element(b, QStringLiteral("Action")) == QLatin1String("1")) out << b;
        return out;
    }
    bool closed()
    {
        MainWindowFixture::flushDeletes();
        return w.isNull() && !WorkForms::isLoaded<frmHizliMesaj>();
    }
};

QString body(const QString &user, const QStringList &numbers, const QString &text, const QString &originator,
             const QString &sdate)
{
    QString messages;
    for (const QString &n : numbers)
        messages += QStringLiteral("<Message><Mesgbody>") + text + QStringLiteral("</Mesgbody><Number>") + n +
                    QStringLiteral("</Number></Message>");
    return QStringLiteral("<MainmsgBody><UserName>") + user +
           QStringLiteral("</UserName><PassWord>parola</PassWord>"
                          "<Action>1</Action><Messages>") +
           messages + QStringLiteral("</Messages><Originator>") + originator + QStringLiteral("</Originator><SDate>") +
           sdate + QStringLiteral("</SDate></MainmsgBody>");
}
} // namespace

Q_DECLARE_METATYPE(FakeReply)

class TestFrmHizliMesaj : public QObject {
    Q_OBJECT
private slots:
    void loadShowsAccount_data();
    void loadShowsAccount();
    void loadWithoutAccount_data();
    void loadWithoutAccount();
    void noGatewayKindAsksNothing();
    void answerWithoutAccount_data();
    void answerWithoutAccount();
    void numbersTypedAddedAndRemoved();
    void sendToSeveralNumbers();
    void templateRowAfterSend();
    void replies_data();
    void replies();
    void scheduledSend();
    void checksBeforeSending_data();
    void checksBeforeSending();
    void failedLogWriteKeepsSendAccepted();
    void sendWithoutReply_data();
    void sendWithoutReply();
    void unansweredSendIsFoundInTheDateReport();
    void busyDatabaseJournalsTheLogRow();
    void messageBoxHoldsAt160();
    void templatePick_data();
    void templatePick();
    void buttonsLeaveForBrowser_data();
    void buttonsLeaveForBrowser();
    void layout();
};

void TestFrmHizliMesaj::loadShowsAccount_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("user");
    QTest::newRow("hosted") << "Brenvik"
                            << "demo-B001";
    QTest::newRow("on-site") << "Ambrel"
                             << "demo";
}

void TestFrmHizliMesaj::loadShowsAccount()
{
    QFETCH(QString, kind);
    QFETCH(QString, user);
    QuickWindow q(kind);
    q.gateway.setCredit(1500);
    QVERIFY(q.open());
    frmHizliMesaj *w = q.w;
    QVERIFY(w->isVisible());
    QCOMPARE(w->parentWidget(), q.fx.mdi()->workArea());
    QCOMPARE(q.gateway.bodies(),
             QStringList{QStringLiteral("<MainReportRoot><UserName>") + user +
                         QStringLiteral("</UserName><PassWord>parola</PassWord><Action>4</Action></MainReportRoot>")});
    QCOMPARE(Control<QLineEdit>(w, "txtKontor")->text(), QStringLiteral("1500 "));
    QCOMPARE(Control<QComboBox>(w, "Combo1")->count(), 2);
    QCOMPARE(Control<QComboBox>(w, "Combo1")->itemText(1), QStringLiteral("TALVANE"));
    QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("ORVEK"));
    QCOMPARE(!Control<QPushButton>(w, "Command6")->isHidden(), kind == QLatin1String("Brenvik"));
    QCOMPARE(Control<QLineEdit>(w, "txtMesajSay")->text(), QStringLiteral(" 0"));
    QCOMPARE(Control<QLabel>(w, "Label5")->text(), QStringLiteral("0 / 160"));
    QCOMPARE(w->mGsmCount, 0);
    QVERIFY(!Control<QCheckBox>(w, "chkIleriTarih")->isChecked());
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), QDate::currentDate());
    QVERIFY(Control<QTimer>(w, "Timer1")->isActive());
    QCOMPARE(Control<QTimer>(w, "Timer1")->interval(), 1000);
    QVERIFY(FromTurkishDateTime(Control<QLabel>(w, "Label11")->text()).isValid());
    QCOMPARE(q.fx.prompts.count(), 0);
}

void TestFrmHizliMesaj::loadWithoutAccount_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<bool>("refused"); // nothing listens on the gateway's port
    QTest::newRow("empty") << FakeReply::text("") << false;
    QTest::newRow("01") << FakeReply::text("01") << false;
    QTest::newRow("no connection") << FakeReply::closed() << false;
    QTest::newRow("connection refused") << FakeReply::text("") << true;
    QTest::newRow("proxy page") << FakeReply::html("<HTML><BODY>Erişim engellendi</BODY></HTML>", 403) << false;
}

void TestFrmHizliMesaj::loadWithoutAccount()
{
    QFETCH(FakeReply, reply);
    QFETCH(bool, refused);
    QuickWindow q;
    q.gateway.setReply(QStringLiteral("4"), reply);
    if (refused) gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
    QVERIFY(q.open());
    QCOMPARE(q.fx.prompts.count(), 1);
    QCOMPARE(q.fx.prompts.last().text, QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."));
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(q.fx.prompts.last().title, QString());
    QVERIFY(q.w->isVisible());
    QCOMPARE(Control<QLineEdit>(q.w, "txtKontor")->text(), QStringLiteral(" 0"));
    QCOMPARE(Control<QComboBox>(q.w, "Combo1")->count(), 0);

    // The gateway answers again by the time of the send; the credit " 0" was never read, so
    // the send stops at the credit step with the connection box, not the credit box.
    q.gateway.clearScript();
    gGatewayUrl = q.gateway.url();
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    q.send();
    QCOMPARE(q.fx.prompts.texts().mid(1), (QStringList{confirmation(1, QString()), GatewayUnreachableText()}));
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Brenvik Uyarı"));
    QVERIFY(q.sendBodies().isEmpty());
    QVERIFY(!q.closed());
    QCOMPARE(q.listed(), QStringList{"5331112233"});
}

void TestFrmHizliMesaj::noGatewayKindAsksNothing()
{
    QuickWindow q(QString{});
    QVERIFY(q.open());
    QCOMPARE(q.gateway.requestCount(), 0);
    QCOMPARE(q.fx.prompts.texts(), QStringList{"Mesaj merkeziyle bağlantı kurulamıyor."});
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    q.send();
    QCOMPARE(q.gateway.requestCount(), 0);
    QCOMPARE(q.fx.prompts.last().text, GatewayUnreachableText());
}

void TestFrmHizliMesaj::answerWithoutAccount_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("credit"); // what the credit box shows
    QTest::newRow("a code") << FakeReply::text("07") << "Kontör bilgisi alınamadı (hata kodu 07).";
    QTest::newRow("lower-case page") << FakeReply::html(
                                            "<!DOCTYPE html>\n<html lang=\"tr\">\n<body>Vekil sunucu</body>\n</html>\n")
                                     << "<!DOCTYPE html> ";
}

void TestFrmHizliMesaj::answerWithoutAccount()
{
    QFETCH(FakeReply, reply);
    QFETCH(QString, credit);
    QuickWindow q;
    q.gateway.setReply(QStringLiteral("4"), reply);
    QVERIFY(q.open());
    QCOMPARE(q.fx.prompts.count(), 0);
    QCOMPARE(Control<QLineEdit>(q.w, "txtKontor")->text(), credit);
    q.gateway.clearScript();
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    q.send();
    QCOMPARE(q.fx.prompts.texts(), (QStringList{confirmation(1, Control<QComboBox>(q.w, "Combo1")->currentText()),
                                                GatewayUnreachableText()}));
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Brenvik Uyarı"));
    QVERIFY(q.sendBodies().isEmpty());
    QVERIFY(!q.closed());
}

void TestFrmHizliMesaj::numbersTypedAddedAndRemoved()
{
    QuickWindow q;
    QVERIFY(q.open());
    PromptRecorder &p = q.fx.prompts;
    auto *txtMesajSay = Control<QLineEdit>(q.w, "txtMesajSay");
    auto *txtGSM = Control<QLineEdit>(q.w, "txtGSM");
    const auto lastIs = [&p](const QString &text) {
        return p.count() > 0 && p.last().text == text && p.last().icon == PromptIcon::Information &&
               p.last().title.isEmpty();
    };

    // Separators and letters never reach the box; only ten digits fit.
    q.add("532 111-22.33");
    q.add("(544) 222 33 44 99");
    q.add("2125556677");
    QCOMPARE(p.count(), 0);
    QCOMPARE(q.listed(), (QStringList{"5321112233", "5442223344", "2125556677"}));
    QCOMPARE(txtMesajSay->text(), QStringLiteral("3 "));
    QCOMPARE(q.w->mGsmCount, 3);
    QCOMPARE(txtGSM->text(), QString());

    q.add("5321112233");
    QVERIFY(lastIs("Bu numara listede mevcut"));
    QCOMPARE(txtGSM->text(), QStringLiteral("5321112233"));
    txtGSM->clear();
    q.add("");
    QVERIFY(lastIs("Lütfen GSM numarası giriniz."));
    q.add("0532111223");
    QVERIFY(lastIs("Girdiğiniz GSM numarası hatalı. Lütfen tekrar deneyiniz."));
    txtGSM->clear();
    q.add("532111223");
    QVERIFY(lastIs("Girdiğiniz GSM numarası hatalı. Lütfen tekrar deneyiniz."));
    QCOMPARE(q.listed().size(), 3);
    QCOMPARE(txtMesajSay->text(), QStringLiteral("3 "));

    // "Sil" needs a selected entry.
    Control<QListWidget>(q.w, "List1")->setFocus();
    QTest::mouseClick(Control<QPushButton>(q.w, "Command2"), Qt::LeftButton);
    QVERIFY(lastIs("Lütfen silmek istediğiniz GSM numarasını seçiniz."));
    QCOMPARE(q.listed().size(), 3);
    Control<QListWidget>(q.w, "List1")->setCurrentRow(1);
    QTest::mouseClick(Control<QPushButton>(q.w, "Command2"), Qt::LeftButton);
    QCOMPARE(q.listed(), (QStringList{"5321112233", "2125556677"}));
    QCOMPARE(txtMesajSay->text(), QStringLiteral("2 "));
    for (int i = 0; i < 2; ++i) {
        Control<QListWidget>(q.w, "List1")->setCurrentRow(0);
        QTest::mouseClick(Control<QPushButton>(q.w, "Command2"), Qt::LeftButton);
    }
    QCOMPARE(txtMesajSay->text(), QStringLiteral("0 "));
    QCOMPARE(q.w->mGsmCount, 0);
    QTest::mouseClick(Control<QPushButton>(q.w, "Command2"), Qt::LeftButton);
    QVERIFY(lastIs("Listede GSM numarası bulunamadı."));

    // Enter in the number box adds the number, as "Ekle" does, with the same checks; it never
    // presses "Gönder".
    p.clear();
    txtGSM->clear();
    txtGSM->setFocus();
    QTest::keyClicks(txtGSM, "5331112233");
    QTest::keyClick(txtGSM, Qt::Key_Return);
    QTest::keyClicks(txtGSM, "5442223344");
    QTest::keyClick(txtGSM, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(p.count(), 0);
    QCOMPARE(q.listed(), (QStringList{"5331112233", "5442223344"}));
    QCOMPARE(txtMesajSay->text(), QStringLiteral("2 "));
    QVERIFY(txtGSM->text().isEmpty());
    QTest::keyClick(txtGSM, Qt::Key_Return);
    QVERIFY(lastIs("Lütfen GSM numarası giriniz."));
    QCOMPARE(p.count(), 1);
    QVERIFY(q.sendBodies().isEmpty());
}

void TestFrmHizliMesaj::sendToSeveralNumbers()
{
    QuickWindow q;
    QVERIFY(q.open());
    auto *txtMesaj = Control<QPlainTextEdit>(q.w, "txtMesaj");
    q.add("5331112233");
    q.add("5442223344");
    q.add("1234567890");
    Control<QComboBox>(q.w, "Combo1")->setCurrentIndex(1);
    txtMesaj->setFocus();
    typeText(txtMesaj, QStringLiteral("Günaydın & <hoş> geldiniz~"));
    QTest::keyClick(txtMesaj, Qt::Key_Return, Qt::ControlModifier);
    typeText(txtMesaj, QStringLiteral("Şükrü Bey"));
    const QString typed = QStringLiteral("Günaydın & <hoş> geldiniz~\r\nŞükrü Bey");
    QCOMPARE(q.w->messageText(), typed);
    QCOMPARE(Control<QLabel>(q.w, "Label5")->text(), QStringLiteral("37 / 160"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    // Enter inside the message box presses "Gönder".
    QTest::keyClick(txtMesaj, Qt::Key_Return);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QString normalised = QStringLiteral("Gunaydin - [hos] geldiniz Sukru Bey");
    QCOMPARE(q.sendBodies(),
             QStringList{body("demo-B001", {"5331112233", "5442223344", "1234567890"}, normalised, "TALVANE", "")});
    QCOMPARE(q.fx.prompts.count(), 2);
    QCOMPARE(q.fx.prompts.records().at(0).text, confirmation(3, "TALVANE"));
    QCOMPARE(q.fx.prompts.records().at(0).icon, PromptIcon::Question);
    QCOMPARE(q.fx.prompts.records().at(0).title, kConfirmTitle);
    QCOMPARE(q.fx.prompts.records().at(0).buttons, PromptButtons::YesNo);
    QCOMPARE(q.fx.prompts.last().text, kSent);
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Brenvik Uyarı"));

    const auto rows = q.fx.folder.rows(
        "SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,sirket_kod,tarih,gtarih FROM tbl_giden");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().mid(0, 7), QVariantList({"100001", "Hızlı mesaj gönder", "Brenvik", 3,
                                                   QStringLiteral("İlk Kayıt :") + typed, "TALVANE", "01"}));
    const QDateTime tarih = FromIsoText(rows.first().at(7).toString());
    QVERIFY(tarih >= before && tarih <= after);
    QCOMPARE(rows.first().at(8), rows.first().at(7));
    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_sablonlar WHERE sablon_tip='HizliMesaj'").toInt(), 0);
    QCOMPARE(gSendKind, QStringLiteral("Hızlı mesaj gönder"));
    QCOMPARE(gMessageText, normalised);

    // The report window takes the work area, on its per-send tab.
    QVERIFY(q.closed());
    auto *report = WorkForms::find<frmRapor>();
    QVERIFY(report);
    QVERIFY(report->isVisible());
    QCOMPARE(Control<QTabWidget>(report, "SSTab1")->currentIndex(), 0);
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmRapor"});
}

void TestFrmHizliMesaj::templateRowAfterSend()
{
    QuickWindow q;
    QVERIFY(q.open());
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText(QStringLiteral("İndirim'de\nbuluşalım"));
    Control<QCheckBox>(q.w, "chkSablon")->setChecked(true);
    q.send();
    QCOMPARE(q.fx.prompts.last().text, kSent);
    QCOMPARE(q.fx.folder.rows("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar WHERE msgid<>'00'"),
             QList<QVariantList>{QVariantList({"100001", "HizliMesaj", "Indirim'debulusalim", ""})});
    QCOMPARE(q.fx.folder.scalar("SELECT mesaj FROM tbl_giden").toString(),
             QStringLiteral("İlk Kayıt :İndirim'de\r\nbuluşalım"));
}

void TestFrmHizliMesaj::replies_data()
{
    QTest::addColumn<FakeReply>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("kept");

    QTest::newRow("-1 text") << FakeReply::text("-1") << kUnreachable << "Uyarı" << false;
    QTest::newRow("04") << FakeReply::text("04") << kUnreachable << "Uyarı" << true;
    QTest::newRow("05") << FakeReply::text("05") << kUnreachable << "Uyarı" << true;
    QTest::newRow("01") << FakeReply::text("01") << kRefused << "Brenvik Uyarı" << false;
    QTest::newRow("03") << FakeReply::text("03") << kRefused << "Brenvik Uyarı" << false;
    QTest::newRow("13") << FakeReply::text("13") << kRefused << "Brenvik Uyarı" << false;
    QTest::newRow("empty") << FakeReply::text("") << kRefused << "Brenvik Uyarı" << false;
    QTest::newRow("small id") << FakeReply::text("id:5") << kRefused << "Brenvik Uyarı" << false;
    QTest::newRow("server error page") << FakeReply::httpError(500, "<HTML>Hata</HTML>") << kRefused << "Brenvik Uyarı"
                                       << false;
}

void TestFrmHizliMesaj::replies()
{
    QFETCH(FakeReply, reply);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(bool, kept);
    QuickWindow q;
    q.gateway.setReply(QStringLiteral("1"), reply);
    QVERIFY(q.open());
    q.add("5331112233");
    q.add("5442223344");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    q.send();

    QCOMPARE(q.sendBodies().size(), 1);
    QCOMPARE(q.fx.prompts.count(), 2);
    QCOMPARE(q.fx.prompts.last().text, text);
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(q.fx.prompts.last().title, title);
    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QCOMPARE(gSendKind, QString());
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    QCOMPARE(q.closed(), !kept);
    if (!kept) return;
    // The operator can send again with the same list and text.
    QCOMPARE(q.listed(), (QStringList{"5331112233", "5442223344"}));
    QCOMPARE(q.w->messageText(), QStringLiteral("Merhaba"));
    q.gateway.clearScript();
    q.send();
    QCOMPARE(q.sendBodies().size(), 2);
    QCOMPARE(q.sendBodies().at(1), q.sendBodies().at(0));
    QCOMPARE(q.fx.prompts.last().text, kSent);
    QVERIFY(q.closed());
}

void TestFrmHizliMesaj::scheduledSend()
{
    QuickWindow q;
    QVERIFY(q.open());
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Randevunuz yarın");
    Control<QCheckBox>(q.w, "chkIleriTarih")->setChecked(true);
    Control<QDateEdit>(q.w, "DTPicker1")->setDate(QDate(2026, 3, 5));
    Control<QTimeEdit>(q.w, "DTPicker2")->setTime(QTime(9, 7, 0));
    q.send();
    QCOMPARE(q.fx.prompts.records().at(0).text,
             QStringLiteral("Mesajınız 1 kişiye, 05.03.2026 saat 09:07:00 de ORVEK originator bilgisiyle "
                            "gönderilecektir. Devam etmek istiyor musunuz?"));
    QCOMPARE(q.sendBodies(),
             QStringList{body("demo-B001", {"5331112233"}, "Randevunuz yarin", "ORVEK", "050320260907")});
    QCOMPARE(q.fx.folder.scalar("SELECT gtarih FROM tbl_giden").toString(), QStringLiteral("2026-03-05 09:07:00"));
    QVERIFY(q.fx.folder.scalar("SELECT tarih FROM tbl_giden").toString() != QStringLiteral("2026-03-05 09:07:00"));
}

void TestFrmHizliMesaj::checksBeforeSending_data()
{
    QTest::addColumn<int>("numbers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("credit");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<bool>("sent");

    const QString noCredit = QStringLiteral("Mesaj göndermek için yeterli krediniz yok");
    QTest::newRow("no numbers") << 0 << "Merhaba" << 100 << true
                                << QStringList{"Mesaj gönderilecek GSM numarası bulunamadı."} << false;
    QTest::newRow("no text") << 2 << "" << 100 << true << QStringList{"Lütfen göndermek istediğiniz mesajı yazınız."}
                             << false;
    QTest::newRow("one blank") << 2 << " " << 100 << true << QStringList{"Lütfen göndermek istediğiniz mesajı yazınız."}
                               << false;
    QTest::newRow("two blanks are sent") << 2 << "  " << 100 << true << QStringList{confirmation(2, "ORVEK"), kSent}
                                         << true;
    QTest::newRow("answered No") << 2 << "Merhaba" << 100 << false << QStringList{confirmation(2, "ORVEK")} << false;
    QTest::newRow("credit equal passes") << 2 << "Merhaba" << 2 << true << QStringList{confirmation(2, "ORVEK"), kSent}
                                         << true;
    QTest::newRow("credit one less") << 2 << "Merhaba" << 1 << true << QStringList{confirmation(2, "ORVEK"), noCredit}
                                     << false;
    QTest::newRow("answered credit 0") << 1 << "Merhaba" << 0 << true << QStringList{confirmation(1, "ORVEK"), noCredit}
                                       << false;
}

void TestFrmHizliMesaj::checksBeforeSending()
{
    QFETCH(int, numbers);
    QFETCH(QString, text);
    QFETCH(int, credit);
    QFETCH(bool, answerYes);
    QFETCH(QStringList, prompts);
    QFETCH(bool, sent);
    QuickWindow q;
    q.gateway.setCredit(credit);
    QVERIFY(q.open());
    for (int i = 0; i < numbers; ++i) q.add(QStringLiteral("53311122%1").arg(i, 2, 10, QLatin1Char('0')));
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText(text);
    if (!answerYes) q.fx.prompts.setNextAnswer(PromptAnswer::No);
    q.send();
    QCOMPARE(q.fx.prompts.texts(), prompts);
    QCOMPARE(q.sendBodies().size(), sent ? 1 : 0);
    QCOMPARE(q.closed(), sent);
}

void TestFrmHizliMesaj::failedLogWriteKeepsSendAccepted()
{
    QuickWindow q;
    q.fx.folder.exec("CREATE TRIGGER refuse BEFORE INSERT ON tbl_giden BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    // Neither the table nor the journal beside the database takes the row.
    QVERIFY(QDir().mkpath(AcceptedWriteJournalPath()));
    QVERIFY(q.open());
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    Control<QCheckBox>(q.w, "chkSablon")->setChecked(true);
    q.send();
    QCOMPARE(q.fx.prompts.texts(), (QStringList{confirmation(1, "ORVEK"), kNotLogged}));
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Brenvik Uyarı"));
    QCOMPARE(q.sendBodies().size(), 1);
    QCOMPARE(gSendKind, QStringLiteral("Hızlı mesaj gönder"));
    // The template row went in; no report window.
    QCOMPARE(q.fx.folder.scalar("SELECT sablon_p1 FROM tbl_sablonlar WHERE msgid='100001'").toString(),
             QStringLiteral("Merhaba"));
    QVERIFY(q.closed());
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
}

void TestFrmHizliMesaj::sendWithoutReply_data()
{
    QTest::addColumn<QString>("peer");
    QTest::addColumn<bool>("maybeSent");
    QTest::newRow("reads the body, never answers") << "silent" << true;
    QTest::newRow("closes after the body") << "closed" << true;
    QTest::newRow("trickles a byte a second") << "trickle" << true;
    QTest::newRow("never accepts") << "backlog" << false;
    QTest::newRow("refuses the connection") << "refused" << false;
}

void TestFrmHizliMesaj::sendWithoutReply()
{
    QFETCH(QString, peer);
    QFETCH(bool, maybeSent);
    QuickWindow q;
    FullBacklogListener backlog;
    QVERIFY(q.open());
    q.add("5331112233");
    q.add("5442223344");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    HttpPoster::setTimeouts(1000, 2500);
    HttpPoster::setLowSpeedSeconds(1);
    if (peer == QLatin1String("silent")) q.gateway.setReply(QStringLiteral("1"), FakeReply::silent());
    if (peer == QLatin1String("closed")) q.gateway.setReply(QStringLiteral("1"), FakeReply::closed());
    if (peer == QLatin1String("trickle"))
        q.gateway.setReply(QStringLiteral("1"), FakeReply::trickle(QStringLiteral("ID:100001"), 1000));
    if (peer == QLatin1String("backlog")) gGatewayUrl = backlog.url(QStringLiteral("/sms/com.strova"));
    if (peer == QLatin1String("refused")) gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));

    // The clock of the window keeps going meanwhile, and a second press reaches nothing.
    int ticks = 0;
    int pressesDuringWait = 0;
    QTimer timer;
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (OffThreadWait::runningCount() > 0 && pressesDuringWait == 0) {
            ++pressesDuringWait;
            q.send();
        }
    });
    timer.start();
    q.send();
    timer.stop();
    HttpPoster::resetTimeouts();

    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    if (!maybeSent) {
        QCOMPARE(q.fx.prompts.last().text, kUnreachable);
        QVERIFY(q.closed());
        return;
    }
    if (peer != QLatin1String("closed")) QVERIFY(ticks > 0); // a stalled exchange let the clock run
    QCOMPARE(q.sendBodies().size(), 1);
    // Confirmation, then the box of the unknown outcome; the window stays as it was.
    QCOMPARE(q.fx.prompts.count(), 2);
    QCOMPARE(q.fx.prompts.last().text, SendOutcomeUnknownText());
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Exclamation);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Uyarı"));
    QVERIFY(!q.closed());
    QCOMPARE(q.listed(), (QStringList{"5331112233", "5442223344"}));
    QCOMPARE(q.w->messageText(), QStringLiteral("Merhaba"));

    // The next press asks first; No sends nothing, Yes goes on to the confirmation.
    q.gateway.clearScript();
    q.fx.prompts.clear();
    q.fx.prompts.setNextAnswer(PromptAnswer::No);
    q.send();
    QCOMPARE(q.fx.prompts.texts(), QStringList{ResendQuestionText()});
    QCOMPARE(q.fx.prompts.last().buttons, PromptButtons::YesNo);
    QCOMPARE(q.sendBodies().size(), 1);
    q.fx.prompts.clear();
    q.send();
    QCOMPARE(q.fx.prompts.texts(), (QStringList{ResendQuestionText(), confirmation(2, "ORVEK"), kSent}));
    QCOMPARE(q.sendBodies().size(), 2);
    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
}

void TestFrmHizliMesaj::unansweredSendIsFoundInTheDateReport()
{
    QuickWindow q;
    QVERIFY(q.open());
    q.add("5331112233");
    q.add("5442223344");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    // The gateway takes the send and then stays silent past the client's limits.
    HttpPoster::setTimeouts(1000, 2500);
    HttpPoster::setLowSpeedSeconds(1);
    q.gateway.setAnswerDelay(QStringLiteral("1"), 4000);
    q.send();
    HttpPoster::resetTimeouts();
    q.gateway.setAnswerDelay(QStringLiteral("1"), 0);

    QCOMPARE(q.sendBodies().size(), 1);
    const QString box = q.fx.prompts.last().text;
    QCOMPARE(box, QStringLiteral("Mesaj merkezinden yanıt alınamadı. Mesajlarınız gönderilmiş olabilir.\r\nYeniden "
                                 "göndermeden önce Raporlar bölümünde \"İki tarih arasındaki SMS raporları\" ya da "
                                 "\"Bir GSM numarasına ait SMS raporları\" sekmesinden kontrol ediniz."));
    // No message id came back: nothing in the log of sends, which the per-send tab lists.
    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);

    // The tabs the box names are the report window's own, and the date range finds the send.
    RaporlarGoster(1);
    auto *report = WorkForms::find<frmRapor>();
    QVERIFY(report);
    QCOMPARE(Control<QTabWidget>(report, "SSTab1")->currentIndex(), 1);
    for (int tab : {1, 2})
        QVERIFY2(
            box.contains(QLatin1Char('"') + Control<QTabWidget>(report, "SSTab1")->tabText(tab) + QLatin1Char('"')),
            qPrintable(Control<QTabWidget>(report, "SSTab1")->tabText(tab)));
    QVERIFY(!box.contains(Control<QTabWidget>(report, "SSTab1")->tabText(0)));
    q.gateway.clearRequests();
    QTest::mouseClick(Control<QPushButton>(report, "cmdRaporGoruntule_2"), Qt::LeftButton);
    QCOMPARE(q.gateway.actions(), QStringList{"17"});
    QStringList numbers;
    for (int r = 0; r < report->ReportSet().rowCount(); ++r) numbers << report->ReportSet().value(r, 0).toString();
    QCOMPARE(numbers, (QStringList{"5331112233", "5442223344"}));
}

void TestFrmHizliMesaj::busyDatabaseJournalsTheLogRow()
{
    QuickWindow q;
    QVERIFY(q.open());
    q.add("5331112233");
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText("Merhaba");
    SetAcceptedWriteRetryMs(300);
    {
        // A second connection holds the write lock through the whole send.
        WriteLockHolder lock(q.fx.folder.dbPath());
        QVERIFY(lock.holds());
        q.send();
    }
    SetAcceptedWriteRetryMs(0);
    QCOMPARE(q.fx.prompts.texts(), (QStringList{confirmation(1, "ORVEK"), SentLogLaterText()}));
    QCOMPARE(q.fx.prompts.last().icon, PromptIcon::Exclamation);
    QCOMPARE(q.fx.prompts.last().title, QStringLiteral("Uyarı"));
    QCOMPARE(q.fx.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QVERIFY(QFile::exists(AcceptedWriteJournalPath()));
    ReplayAcceptedWriteJournal();
    QCOMPARE(q.fx.folder.scalar("SELECT msgid FROM tbl_giden").toString(), QStringLiteral("100001"));
}

void TestFrmHizliMesaj::messageBoxHoldsAt160()
{
    QuickWindow q;
    QVERIFY(q.open());
    QPlainTextEdit *box = Control<QPlainTextEdit>(q.w, "txtMesaj");
    box->setFocus();

    // Typing stops at 160.
    QTest::keyClicks(box, QString(170, QLatin1Char('a')));
    QCOMPARE(q.w->messageText(), QString(160, QLatin1Char('a')));
    QCOMPARE(Control<QLabel>(q.w, "Label5")->text(), QStringLiteral("160 / 160"));

    // A line break counts two: it does not fit after 159 characters, it fits after 158.
    box->setPlainText(QString(159, QLatin1Char('b')));
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(q.w->messageText(), QString(159, QLatin1Char('b')));
    box->setPlainText(QString(158, QLatin1Char('b')));
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(q.w->messageText(), QString(158, QLatin1Char('b')) + QStringLiteral("\r\n"));
    QCOMPARE(Control<QLabel>(q.w, "Label5")->text(), QStringLiteral("160 / 160"));

    // A paste in the middle keeps what fits of the pasted text and all that stood after it.
    box->setPlainText(QString(150, QLatin1Char('c')) + QStringLiteral("SON"));
    QTextCursor c = box->textCursor();
    c.setPosition(10);
    box->setTextCursor(c);
    box->insertPlainText(QString(20, QLatin1Char('x')));
    QCOMPARE(q.w->messageText(), QString(10, 'c') + QString(7, 'x') + QString(140, 'c') + QStringLiteral("SON"));

    // A text put in whole (as a picked template is) is cut to 160: line breaks count two.
    const QString longText = QStringLiteral("Sayın müşterimiz,\r\n") + QString(200, QLatin1Char('d'));
    box->setPlainText(longText);
    QCOMPARE(q.w->messageText(), longText.left(160));
    QCOMPARE(Control<QLabel>(q.w, "Label5")->text(), QStringLiteral("160 / 160"));
    q.add("5331112233");
    q.send();
    QCOMPARE(q.fx.prompts.last().text, kSent);
    QCOMPARE(FakeGateway::element(q.sendBodies().value(0), QStringLiteral("Mesgbody")).size(), 158);
}

void TestFrmHizliMesaj::templatePick_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("with a line break") << "Merhaba\r\nDünya"
                                       << "Merhaba\r\nDünya";
    QTest::newRow("exactly 160") << QString(160, 'e') << QString(160, 'e');
    QTest::newRow("longer: cut to 160") << QString(100, 'a') + "\r\n" + QString(100, 'b')
                                        << QString(100, 'a') + "\r\n" + QString(58, 'b');
    QTest::newRow("in two halves: cut to 160") << QString(300, 'c') << QString(160, 'c');
}

void TestFrmHizliMesaj::templatePick()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QuickWindow q;
    QVERIFY(q.open());
    InsertTemplate(QStringLiteral("ChkMesaj"), QStringLiteral("başka bir pencerenin"), QStringLiteral("00"));
    InsertTemplate(QStringLiteral("HizliMesaj"), stored, QStringLiteral("00"));
    Control<QPlainTextEdit>(q.w, "txtMesaj")->setPlainText(QStringLiteral("önceki metin"));

    QString caption;
    QStringList rows;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        if (!p || !p->isVisible()) return;
        caption = p->windowTitle();
        for (int i = 0; i < p->rsSablon().rowCount(); ++i) rows << p->rsSablon().value(i, 0).toString();
        QTest::mouseClick(Control<QPushButton>(p, "Command1"), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(q.w, "Command5"), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Mesaj şablonları - Hızlı mesaj gönder"));
    QCOMPARE(rows, QStringList{stored});
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
    QCOMPARE(q.w->messageText(), shown);
    QCOMPARE(Control<QLabel>(q.w, "Label5")->text(), QString::number(SmsLength(shown)) + QStringLiteral(" / 160"));

    // The cut text is what goes out and what the log keeps.
    q.add("5331112233");
    q.send();
    QCOMPARE(q.fx.prompts.last().text, kSent);
    QCOMPARE(FakeGateway::element(q.sendBodies().value(0), QStringLiteral("Mesgbody")), NormalizeGsmText(shown));
    QCOMPARE(q.fx.folder.scalar("SELECT mesaj FROM tbl_giden").toString(), QStringLiteral("İlk Kayıt :") + shown);
}

void TestFrmHizliMesaj::buttonsLeaveForBrowser_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("address");
    QTest::newRow("Vazgeç") << "Command4" << WebClientAddress("B001", "demo");
    QTest::newRow("Kontör yükle") << "Command6" << CreditTopUpAddress("B001", "demo", "parola");
}

void TestFrmHizliMesaj::buttonsLeaveForBrowser()
{
    QFETCH(QString, button);
    QFETCH(QString, address);
    QuickWindow q;
    QVERIFY(q.open());
    q.add("5331112233");
    QTest::mouseClick(q.w->findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(q.closed());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmBrw"});
    QCOMPARE(q.fx.browser.navigations.last(), address);
    QVERIFY(q.sendBodies().isEmpty());
}

void TestFrmHizliMesaj::layout()
{
    QuickWindow q;
    QVERIFY(q.open());
    for (const QSize size : {QSize(1200, 800), QSize(900, 620)}) {
        q.fx.mdi()->resize(size);
        QCoreApplication::processEvents();
        frmHizliMesaj *w = q.w;
        const int inner = WidthTw(w);
        QCOMPARE(w->geometry(),
                 QRect(tw(2800), 0, tw(q.fx.mdi()->ScaleWidth() - 2850), tw(q.fx.mdi()->ScaleHeight() - 60)));
        QCOMPARE(Control<QFrame>(w, "Frame3")->width(), tw(inner - 175));
        QCOMPARE(Control<QFrame>(w, "Frame1")->width(), tw(inner - 175));
        QCOMPARE(Control<QFrame>(w, "Frame1")->y(), tw(HeightTw(Control<QFrame>(w, "Frame3")) - 90));
        QCOMPARE(Control<QGroupBox>(w, "Frame4")->x(), tw(WidthTw(Control<QGroupBox>(w, "Frame2")) + 175));
        QCOMPARE(Control<QGroupBox>(w, "Frame4")->width(),
                 tw(WidthTw(Control<QFrame>(w, "Frame1")) - WidthTw(Control<QGroupBox>(w, "Frame2")) - 275));
    }
}

QTEST_MAIN(TestFrmHizliMesaj)
#include "tst_frmhizlimesaj.moc"
