#include "ServiceAddresses.h"
#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/DateText.h"
#include "core/HttpPoster.h"
#include "core/OrvekError.h"
#include "core/TimeSlice.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "messaging/frmSonEkran.h"
#include "reports/frmRapor.h"
#include "shell/BrowserView.h"
#include "shell/DockedWindow.h"
#include "shell/OffThread.h"
#include "shell/WorkArea.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/XlsxReader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QUrl>
#include <QtTest>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// The recipient window that opens the send screen (a docked window of the work set).
class frmChkMesaj : public DockedWindow {
    Q_OBJECT
public:
    frmChkMesaj() { setObjectName(QStringLiteral("frmChkMesaj")); }
};

struct Row {
    QString number;
    QString text;
};

QString messageElements(const QList<Row> &rows)
{
    QString out;
    for (const Row &r : rows)
        out += QStringLiteral("<Message><Mesgbody>") + r.text + QStringLiteral("</Mesgbody><Number>") + r.number +
               QStringLiteral("</Number></Message>");
    return out;
}

QString sendBody(const QString &elements, const QString &originator, const QString &sdate)
{
    return QStringLiteral("<MainmsgBody><UserName>demo-B001</UserName><PassWord>parola</PassWord><Action>1</Action>"
                          "<Messages>") +
           elements + QStringLiteral("</Messages><Originator>") + originator + QStringLiteral("</Originator><SDate>") +
           sdate + QStringLiteral("</SDate></MainmsgBody>");
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// A shown main window, the fake gateway as the account's gateway, the Documents folder in a
// temporary folder, and a recipient window that hands a list over.
struct SendFixture {
    MainWindowFixture main;
    FakeGateway gateway;
    QTemporaryDir docs;
    QPointer<frmChkMesaj> caller;
    QPointer<frmSonEkran> screen;

    SendFixture()
    {
        gGatewayUrl = gateway.url();
        gCompanyCode = QStringLiteral("01");
        gSendKind = QStringLiteral("Müşterilere mesaj gönder");
        gMessageText = QStringLiteral("Merhaba [##Unvan1##]");
        SetDocumentsFolder(docs.path());
    }
    ~SendFixture()
    {
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        SetDocumentsFolder(QString());
    }

    // Opens the screen the way a recipient window does and fills the list.
    frmSonEkran *open(const QList<Row> &rows, bool saveAsTemplate = false)
    {
        caller = WorkForms::get<frmChkMesaj>();
        caller->frmMDIForm = main.mdi();
        caller->Show();
        screen = WorkForms::get<frmSonEkran>();
        screen->CallerForm = caller.data();
        screen->frmMDIForm = main.mdi();
        screen->SaveAsTemplate = saveAsTemplate;
        screen->TemplateKind = QStringLiteral("ChkMesaj");
        screen->Show();
        caller->hide();
        screen->beginFilling();
        int added = 0;
        for (const Row &r : rows) {
            screen->appendRecipient(r.number, r.text);
            screen->setAddedCount(++added);
        }
        screen->endFilling();
        return screen;
    }

    QStringList sendBodies() const
    {
        QStringList out;
        for (const QString &b : gateway.bodies())
            if (FakeGateway::element(b, QStringLiteral("Action")) == QLatin1String("1")) out << b;
        return out;
    }

    QString promptTexts() const { return main.prompts.texts().join(QStringLiteral(" || ")); }
};

void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
RecordSet listOf(const QList<QPair<QString, QString>> &rows)
{
    RecordSet list = MakeSendList();
    for (const auto &r : rows) list.addRow({r.first, r.second});
    return list;
}

// Recipients over the limit as a merge leaves them: the recipient query's own columns.
void fillOverLimit(int rows)
{
    gOverLimitRecipients = RecordSet();
    gOverLimitRecipients.appendField(QStringLiteral("HesapKod"), QMetaType::QString, 20);
    gOverLimitRecipients.appendField(QStringLiteral("Unvan1"), QMetaType::QString, 50);
    gOverLimitRecipients.appendField(QStringLiteral("CepTelBKod"), QMetaType::QString, 3);
    gOverLimitRecipients.appendField(QStringLiteral("CepTel"), QMetaType::QString, 7);
    for (int i = 0; i < rows; ++i)
        gOverLimitRecipients.addRow({QStringLiteral("120.%1").arg(i), QStringLiteral("Şahin'in Dükkânı %1").arg(i),
                                     QStringLiteral("532"), QStringLiteral("%1").arg(1000000 + i)});
}

// Makes the journal beside the database unwritable (a folder stands in its place), so that
// a row that cannot be written after an accepted send is lost to both.
void blockJournal() { QVERIFY(QDir().mkpath(AcceptedWriteJournalPath())); }

QStringList journalLines()
{
    QFile f(AcceptedWriteJournalPath());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Records the progress window seam.
struct ProgressRecorder {
    QStringList calls;
    ProgressRecorder()
    {
        ProgressWindow::Handlers h;
        h.show = [this] { calls << QStringLiteral("show"); };
        h.hide = [this] { calls << QStringLiteral("hide"); };
        ProgressWindow::setHandlers(h);
    }
    ~ProgressRecorder() { ProgressWindow::setHandlers({}); }
};
} // namespace

class TestFrmSonEkran : public QObject {
    Q_OBJECT
private slots:
    void layoutRule();
    void removeButtonClearOfTheSeparator_data();
    void removeButtonClearOfTheSeparator();
    void loadAndFirstActivation();
    void accountReplyFailures_data();
    void accountReplyFailures();
    void finishAcceptedSend_data();
    void finishAcceptedSend();
    void acceptedSendEndToEnd_data();
    void acceptedSendEndToEnd();
    void acceptedSendWithFailedLogWrite();
    void overLimitFileSurvivesLeavingTheScreen();
    void noSecondSendWhileTheExportRuns();
    void failedReplies_data();
    void failedReplies();
    void blockedReplyKeepsListForAnotherTry();
    void sendWithoutReply_data();
    void sendWithoutReply();
    void secondTryAfterNoReplyAsksFirst();
    void busyDatabaseJournalsTheLogRow();
    void accountNotReadSendsNothing_data();
    void accountNotReadSendsNothing();
    void noGatewayKindAsksNothing();
    void creditTest_data();
    void creditTest();
    void emptyOriginatorAsksForOne();
    void emptyListDoesNothing();
    void removingRows();
    void pickersKeepOperatorsTimeThroughConfirmation();
    void fillingDisablesSendAndRemove();
    void cancelThenClose();
    void cancelOnACompleteListCloses();
};

void TestFrmSonEkran::layoutRule()
{
    const SonEkranLayout l = SonEkranArrangement(9000, 7500, 9000, 1095);
    QCOMPARE(l.DataGrid1.width, 8755);
    QCOMPARE(l.DataGrid1.height, 3250);
    QCOMPARE(l.messageColumnWidth, 7250);
    QCOMPARE(l.cmdLstCikart.left, 7550);
    QCOMPARE(l.cmdLstCikart.top, 3425);
    QCOMPARE(l.Frame2.top, 3715);
    QCOMPARE(l.Frame1.top, 3775);
    QCOMPARE(l.Frame1.width, 8755);
    QCOMPARE(l.Frame2.width, 8755);
    QCOMPARE(l.cmdGonder.left, 9000 - 1095 - 1300);
    QCOMPARE(l.cmdVazgec.left, 7780);
    QCOMPARE(l.cmdGonder.top, 5275);
    QCOMPARE(l.cmdVazgec.top, 5275);
    QCOMPARE(l.lblNet.top, 5155);
    QCOMPARE(l.WebBrowser1.top, 5950);
    QCOMPARE(l.WebBrowser1.width, 8775);

    // A main window too small: the refused sizes are skipped, the screen still opens.
    SendFixture fx;
    fx.main.mdi()->resize(300, 200);
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    QVERIFY(w->isVisible());
    fx.main.mdi()->resize(1000, 700);
    QTRY_COMPARE(Control<QTableView>(w, "DataGrid1")->width(), tw(WidthTw(w) - 245));
}

void TestFrmSonEkran::removeButtonClearOfTheSeparator_data()
{
    QTest::addColumn<QSize>("mainWindow");
    QTest::newRow("1600x1000") << QSize(1600, 1000);
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1024x700") << QSize(1024, 700);
}

void TestFrmSonEkran::removeButtonClearOfTheSeparator()
{
    QFETCH(QSize, mainWindow);
    SendFixture fx;
    fx.main.mdi()->resize(mainWindow);
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    QTRY_COMPARE(Control<QTableView>(w, "DataGrid1")->width(), tw(WidthTw(w) - 245));
    const QRect button = Control<QPushButton>(w, "cmdLstCikart")->geometry();
    for (const QWidget *other : {static_cast<const QWidget *>(Control<QFrame>(w, "Frame2")),
                                 static_cast<const QWidget *>(Control<QFrame>(w, "Frame1")),
                                 static_cast<const QWidget *>(Control<QTableView>(w, "DataGrid1"))})
        QVERIFY2(!button.intersects(other->geometry()), qPrintable(other->objectName()));
    // Still a button that holds its caption.
    QVERIFY(button.height() >= Control<QPushButton>(w, "cmdLstCikart")->fontMetrics().height() + 4);
}

void TestFrmSonEkran::loadAndFirstActivation()
{
    SendFixture fx;
    fx.gateway.setCredit(1500);
    fx.gateway.setOriginators({"ORVEK", "TALVANE"});
    frmSonEkran *w = fx.open({{"5321234567", "Merhaba Ali"}, {"5441112233", "Merhaba Ayşe"}});

    QCOMPARE(fx.gateway.bodies(),
             QStringList{"<MainReportRoot><UserName>demo-B001</UserName><PassWord>parola</PassWord><Action>4</Action>"
                         "</MainReportRoot>"});
    QCOMPARE(Control<QLabel>(w, "lblKontor")->text(), QStringLiteral(" 1500"));
    QCOMPARE(Control<QComboBox>(w, "cbGonderen")->count(), 2);
    QCOMPARE(Control<QComboBox>(w, "cbGonderen")->currentText(), QStringLiteral("ORVEK"));
    QVERIFY(!Control<QComboBox>(w, "cbGonderen")->isEditable());
    QVERIFY(!Control<QLabel>(w, "lblNet")->isVisible());
    // One blank between words: the label does its own line breaks.
    QCOMPARE(Control<QLabel>(w, "lblNet")->text(),
             QStringLiteral(" Mesaj merkeziyle bağlantı kurulamıyor. Bilgisayarınız, güvenlik "
                            "duvarı denetiminde olabilir.SMS göndermek için internete bağlı "
                            "olmanız gerekmektedir ! Lütfen güvenlik ayarlarınızı kontrol ediniz."));
    QCOMPARE(Control<QLabel>(w, "lblToplam")->text(), QStringLiteral(" 2"));
    QCOMPARE(w->SendList().rowCount(), 2);
    QCOMPARE(Control<QTableView>(w, "DataGrid1")->model()->rowCount(), 2);
    QCOMPARE(Control<QTableView>(w, "DataGrid1")
                 ->model()
                 ->data(Control<QTableView>(w, "DataGrid1")->model()->index(1, 1))
                 .toString(),
             QStringLiteral("Merhaba Ayşe"));
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), QDate::currentDate());
    QVERIFY(qAbs(Control<QTimeEdit>(w, "DTPicker2")->time().secsTo(QTime::currentTime())) < 120);

    // The advertisement pane and the program-wide browser address.
    const QString advert = QString::fromUtf8(ServiceAddresses::kAdvertUrl) + QStringLiteral("?prm=Brenvik");
    QCOMPARE(gBrowserUrl, advert);
    QCOMPARE(BrowserRecorder::lastAddressOf(Control<BrowserView>(w, "WebBrowser1")), advert);
    const QUrl url(advert);
    QCOMPARE(url.path() + QLatin1Char('?') + url.query(), QStringLiteral("/reklam/?prm=Brenvik"));

    // The clock.
    QVERIFY(Control<QTimer>(w, "Timer1")->isActive());
    QCOMPARE(Control<QTimer>(w, "Timer1")->interval(), 1000);
    Control<QLabel>(w, "Label5")->clear();
    w->Timer1_Timer();
    QVERIFY(FromTurkishDateTime(Control<QLabel>(w, "Label5")->text()).isValid());

    // Another activation (a box closing, the window shown again) asks nothing again.
    w->hide();
    w->Show();
    QCOMPARE(fx.gateway.requestCount(), 1);
    QCOMPARE(fx.main.prompts.count(), 0);
}

void TestFrmSonEkran::accountReplyFailures_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("credit");
    QTest::addColumn<QStringList>("originators");
    QTest::newRow("empty") << ""
                           << "" << QStringList{};
    QTest::newRow("01") << "01"
                        << "" << QStringList{};
    QTest::newRow("-1 from the gateway") << "-1"
                                         << "" << QStringList{};
    QTest::newRow("HTML page") << "<HTML><body>Proxy</body></HTML>\n"
                               << "" << QStringList{};
    QTest::newRow("no line feed") << "1500"
                                  << "" << QStringList{};
    QTest::newRow("credit, no originator") << "1500\n"
                                           << " 1500" << QStringList{};
}

void TestFrmSonEkran::accountReplyFailures()
{
    QFETCH(QString, reply);
    QFETCH(QString, credit);
    QFETCH(QStringList, originators);
    SendFixture fx;
    fx.gateway.setReply(QStringLiteral("4"), reply);
    frmSonEkran *w = fx.open({{"5321234567", "x"}});
    QVERIFY(Control<QLabel>(w, "lblNet")->isVisible());
    QCOMPARE(Control<QLabel>(w, "lblKontor")->text(), credit);
    QCOMPARE(Control<QComboBox>(w, "cbGonderen")->count(), originators.size());
    QCOMPARE(fx.main.prompts.count(), 0);
    QVERIFY(w->isVisible());
}

void TestFrmSonEkran::finishAcceptedSend_data()
{
    QTest::addColumn<bool>("saveAsTemplate");
    QTest::addColumn<bool>("logFails");
    QTest::addColumn<bool>("templateFails");
    QTest::addColumn<int>("overLimit");
    QTest::addColumn<QStringList>("boxes"); // "title|text" in order, before the export's own box
    QTest::addColumn<bool>("journalWritable");
    const QString notice = QStringLiteral("Brenvik Uyarı|");
    const QString sent = notice + SentText();
    const QString notLogged = notice + SentButNotLoggedText();
    const QString noTemplate = notice + SentButNoTemplateText();
    const QString over = QStringLiteral("Brenvik mesaj gönderimi|") + SentWithOverLimitText();
    const QString later = QStringLiteral("Uyarı|") + SentLogLaterText();
    QTest::newRow("plain") << false << false << false << 0 << QStringList{sent} << false;
    QTest::newRow("with template") << true << false << false << 0 << QStringList{sent} << false;
    QTest::newRow("over limit") << true << false << false << 3 << QStringList{over} << false;
    QTest::newRow("log fails") << false << true << false << 0 << QStringList{notLogged} << false;
    QTest::newRow("log fails, still exported") << false << true << false << 2 << QStringList{notLogged, over} << false;
    QTest::newRow("template fails") << true << false << true << 0 << QStringList{noTemplate} << false;
    QTest::newRow("template fails, exported") << true << false << true << 1 << QStringList{noTemplate, over} << false;
    QTest::newRow("both fail") << true << true << true << 1 << QStringList{notLogged, noTemplate, over} << false;
    // A row that cannot be written now goes to the journal; the box says it follows later.
    QTest::newRow("log journaled") << false << true << false << 0 << QStringList{later} << true;
    QTest::newRow("both journaled, exported") << true << true << true << 1 << QStringList{later, over} << true;
}

void TestFrmSonEkran::finishAcceptedSend()
{
    QFETCH(bool, saveAsTemplate);
    QFETCH(bool, logFails);
    QFETCH(bool, templateFails);
    QFETCH(int, overLimit);
    QFETCH(QStringList, boxes);
    QFETCH(bool, journalWritable);

    ProgramFolderFixture fx;
    if (!journalWritable) blockJournal();
    PromptRecorder prompts;
    ShellRecorder shell;
    ProgressRecorder progress;
    QTemporaryDir docs;
    SetDocumentsFolder(docs.filePath(QStringLiteral("Belgeler"))); // not there yet: made on demand
    if (logFails) fx.exec("CREATE TRIGGER r1 BEFORE INSERT ON tbl_giden BEGIN SELECT RAISE(ABORT, 'no'); END");
    if (templateFails) fx.exec("CREATE TRIGGER r2 BEFORE INSERT ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'no'); END");
    gSendKind = QStringLiteral("Müşterilere mesaj gönder");
    gGatewayKind = GatewayKind::Brenvik;
    gCompanyCode = QStringLiteral("01");
    gMessageText = QStringLiteral("Sayın [##Unvan1##], borcunuz [##Bakiye##] TL'dir.");
    fillOverLimit(overLimit);

    const RecordSet list = listOf({{"5321234567", "Sayın ALİ, borcunuz 5 TL'dir."}, {"5321234568", "x"}});
    AcceptedSend send;
    send.messageId = QStringLiteral("90001");
    send.sendList = &list;
    send.originator = QStringLiteral("ORVEK");
    send.sentAt = QDateTime(QDate(2026, 12, 10), QTime(9, 0, 1));
    send.sendAt = send.sentAt;
    send.saveAsTemplate = saveAsTemplate;
    send.templateKind = QStringLiteral("ChkMesaj");
    send.messageText = gMessageText;
    const AcceptedSendResult result = frmSonEkran::CompleteAcceptedSend(send, gOverLimitRecipients);

    QCOMPARE(result.logWritten, !logFails);
    QCOMPARE(result.templateWritten, !(saveAsTemplate && templateFails));
    QCOMPARE(result.logJournaled, logFails && journalWritable);
    QCOMPARE(result.templateJournaled, saveAsTemplate && templateFails && journalWritable);
    QCOMPARE(result.exportOverLimit, overLimit > 0);
    if (journalWritable) QCOMPARE(journalLines().size(), int(logFails) + int(saveAsTemplate && templateFails));

    QStringList shown;
    for (const PromptRecord &r : prompts.records()) {
        QCOMPARE(r.icon, r.title == QStringLiteral("Uyarı") ? PromptIcon::Exclamation : PromptIcon::Information);
        shown << r.title + QLatin1Char('|') + r.text;
    }
    if (overLimit > 0) boxes << QStringLiteral("Rendal Yöneticisi|Excel Dosyasına Veri Aktarımı Tamamlanmıştır");
    QCOMPARE(shown, boxes);

    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_giden").toInt(), logFails ? 0 : 1);
    if (!logFails)
        QCOMPARE(fx.rows("SELECT msgid,paket_boyut,mesaj,sirket_kod FROM tbl_giden").first(),
                 QVariantList({"90001", 2, "İlk Kayıt :Sayın ALİ, borcunuz 5 TL'dir.", "01"}));
    const auto templates = fx.rows("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar");
    if (saveAsTemplate && !templateFails)
        QCOMPARE(templates, QList<QVariantList>({{"90001", "ChkMesaj", gMessageText, ""}}));
    else
        QVERIFY(templates.isEmpty());

    const QString file = OverLimitFileName();
    QCOMPARE(file, docs.filePath(QStringLiteral("Belgeler/gitmeyen.xlsx")));
    if (overLimit == 0) {
        QVERIFY(!QFile::exists(file));
        QVERIFY(progress.calls.isEmpty());
    } else {
        QCOMPARE(progress.calls.first(), QStringLiteral("show"));
        QCOMPARE(progress.calls.last(), QStringLiteral("hide"));
        XlsxReader reader;
        QVERIFY2(reader.open(file), qPrintable(reader.error()));
        QCOMPARE(reader.sheetNames(), QStringList{"Sayfa1"});
        const XlsxSheet &sheet = reader.sheet(0);
        QCOMPARE(sheet.rowCount(), overLimit + 1);
        QCOMPARE(sheet.rowTexts(0), QStringList({"HesapKod", "Unvan1", "CepTelBKod", "CepTel"}));
        QCOMPARE(sheet.rowTexts(overLimit), QStringList({QStringLiteral("120.%1").arg(overLimit - 1),
                                                         QStringLiteral("Şahin'in Dükkânı %1").arg(overLimit - 1),
                                                         "532", QString::number(1000000 + overLimit - 1)}));
        QCOMPARE(shell.openedFiles, QStringList{file});
    }
    SetDocumentsFolder(QString());
}

void TestFrmSonEkran::acceptedSendEndToEnd_data()
{
    QTest::addColumn<bool>("later");
    QTest::addColumn<bool>("saveAsTemplate");
    QTest::addColumn<int>("overLimit");
    QTest::newRow("at once, template, over-limit file") << false << true << 2;
    QTest::newRow("later date, no template, nothing over") << true << false << 0;
}

void TestFrmSonEkran::acceptedSendEndToEnd()
{
    QFETCH(bool, later);
    QFETCH(bool, saveAsTemplate);
    QFETCH(int, overLimit);
    SendFixture fx;
    fx.gateway.setOriginators({"ORVEK", "TALVANE"});
    gOverLimitRecipients = RecordSet();
    gOverLimitRecipients.appendField(QStringLiteral("Unvan1"), QMetaType::QString, 50);
    gOverLimitRecipients.appendField(QStringLiteral("CepTel"), QMetaType::QString, 7);
    for (int i = 0; i < overLimit; ++i)
        gOverLimitRecipients.addRow({QStringLiteral("Çınar Ltd. %1").arg(i), QStringLiteral("123456%1").arg(i)});

    const QString longText = QStringLiteral("Sayın Müşterimiz & ") + QString(200, QLatin1Char('z'));
    frmSonEkran *w =
        fx.open({{"5441112233", longText}, {"", "numarası olmayan"}, {"5321234567", "Merhaba <Ali>"}}, saveAsTemplate);
    Control<QComboBox>(w, "cbGonderen")->setCurrentIndex(1);
    const QDate day(2020, 1, 9);
    const QTime time(7, 5, 9);
    if (later) {
        Control<QCheckBox>(w, "chkIleriTarih")->setChecked(true);
        Control<QDateEdit>(w, "DTPicker1")->setDate(day);
        Control<QTimeEdit>(w, "DTPicker2")->setTime(time);
    }
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    click(Control<QPushButton>(w, "cmdGonder"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    // Confirmation, then the outcome.
    const QVector<PromptRecord> &boxes = fx.main.prompts.records();
    QVERIFY2(boxes.size() >= 2, qPrintable(fx.promptTexts()));
    QCOMPARE(boxes[0].text, later ? QStringLiteral("Mesajınız 3 kişiye, 09.01.2020 saat 07:05:09 de TALVANE originator "
                                                   "bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?")
                                  : QStringLiteral("Mesajınız 3 kişiye TALVANE originator bilgisiyle gönderilecektir. "
                                                   "Devam etmek istiyor musunuz?"));
    QCOMPARE(boxes[0].icon, PromptIcon::Question);
    QCOMPARE(boxes[0].title, QStringLiteral("Brenvik Mesaj Gönderim Onayı"));
    QCOMPARE(boxes[0].buttons, PromptButtons::YesNo);
    if (overLimit == 0) {
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[1].text, QStringLiteral("Mesaj Başarı İle Gönderildi."));
        QCOMPARE(boxes[1].title, QStringLiteral("Brenvik Uyarı"));
    } else {
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[1].text, SentWithOverLimitText());
        QCOMPARE(boxes[1].title, QStringLiteral("Brenvik mesaj gönderimi"));
        QCOMPARE(boxes[2].text, QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır"));
    }

    // One request carries the basket: the first 160 characters, normalised; no empty number.
    const QString cut = QStringLiteral("Sayin Musterimiz - ") + QString(141, QLatin1Char('z'));
    QCOMPARE(fx.sendBodies(),
             QStringList{sendBody(messageElements({{"5441112233", cut}, {"5321234567", "Merhaba [Ali]"}}), "TALVANE",
                                  later ? "090120200705" : "")});

    // The log row.
    const auto rows = fx.main.folder.rows(
        "SELECT msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih,sirket_kod FROM tbl_giden");
    QCOMPARE(rows.size(), 1);
    const QVariantList r = rows.first();
    QCOMPARE(r.mid(0, 6), QVariantList({"100001", "Müşterilere mesaj gönder", "Brenvik", 3,
                                        QStringLiteral("İlk Kayıt :") + longText, "TALVANE"}));
    const QDateTime tarih = FromIsoText(r[6].toString());
    QVERIFY2(tarih.isValid() && tarih >= before.addMSecs(-before.time().msec()) && tarih <= after,
             qPrintable(r[6].toString()));
    QCOMPARE(r[7].toString(), later ? QStringLiteral("2020-01-09 07:05:00") : r[6].toString());
    QCOMPARE(r[8].toString(), QStringLiteral("01"));

    // The template row: the text as typed, placeholders kept.
    const auto templates = fx.main.folder.rows("SELECT msgid,sablon_tip,sablon_p1,sablon_p2 FROM tbl_sablonlar");
    if (saveAsTemplate)
        QCOMPARE(templates, QList<QVariantList>({{"100001", "ChkMesaj", "Merhaba [##Unvan1##]", ""}}));
    else
        QVERIFY(templates.isEmpty());

    // The over-limit file.
    const QString file = QDir(fx.docs.path()).filePath(QStringLiteral("gitmeyen.xlsx"));
    if (overLimit > 0) {
        XlsxReader reader;
        QVERIFY2(reader.open(file), qPrintable(reader.error()));
        QCOMPARE(reader.sheet(0).rowCount(), 1 + overLimit);
        QCOMPARE(reader.sheet(0).rowTexts(0), QStringList({"Unvan1", "CepTel"}));
        QCOMPARE(reader.sheet(0).rowTexts(2), QStringList({"Çınar Ltd. 1", "1234561"}));
        QCOMPARE(fx.main.shell.openedFiles, QStringList{file});
    } else {
        QVERIFY(!QFile::exists(file));
    }

    // The report window is the open work window; the recipient window and the screen are gone.
    QVERIFY(gMessageText.isEmpty());
    frmRapor *report = WorkForms::find<frmRapor>();
    QVERIFY(report);
    QVERIFY(report->isVisible());
    QCOMPARE(report->frmMDIForm.data(), fx.main.mdi());
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(!WorkForms::isLoaded<frmChkMesaj>());
    MainWindowFixture::flushDeletes();
    QVERIFY(fx.screen.isNull());
    QVERIFY(fx.caller.isNull());
}

// The file of the numbers left out is their only record: leaving the screen during its export,
// and a new merge replacing the program-wide list meanwhile, still give this send's whole list.
void TestFrmSonEkran::overLimitFileSurvivesLeavingTheScreen()
{
    SendFixture fx;
    TimeSlice::setLength(0); // the export lets events run after every row
    gOverLimitRecipients = RecordSet();
    gOverLimitRecipients.appendField(QStringLiteral("Unvan1"));
    for (int i = 0; i < 300; ++i) gOverLimitRecipients.addRow({QStringLiteral("Uzun %1").arg(i)});
    frmSonEkran *w = fx.open({{"5321234567", "a"}}, false);
    QTimer leave;
    leave.setInterval(0);
    bool left = false;
    connect(&leave, &QTimer::timeout, [&] {
        if (left || gProgressDone < 10) return;
        left = true;
        UnloadWorkForms();
        gOverLimitRecipients = RecordSet();
        gOverLimitRecipients.appendField(QStringLiteral("Unvan1"));
        gOverLimitRecipients.addRow({QStringLiteral("Başka gönderim")});
    });
    leave.start();
    click(Control<QPushButton>(w, "cmdGonder"));
    leave.stop();
    TimeSlice::setLength(-1);
    QVERIFY(left);
    XlsxReader reader;
    QVERIFY2(reader.open(QDir(fx.docs.path()).filePath(QStringLiteral("gitmeyen.xlsx"))), qPrintable(reader.error()));
    QCOMPARE(reader.sheet(0).rowCount(), 301);
    QCOMPARE(reader.sheet(0).rowTexts(300), QStringList{QStringLiteral("Uzun 299")});
}

void TestFrmSonEkran::acceptedSendWithFailedLogWrite()
{
    SendFixture fx;
    fx.main.folder.exec("CREATE TRIGGER refuse BEFORE INSERT ON tbl_giden BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    blockJournal();
    gOverLimitRecipients = RecordSet();
    gOverLimitRecipients.appendField(QStringLiteral("Unvan1"));
    gOverLimitRecipients.addRow({QStringLiteral("Uzun Mesajlı")});
    frmSonEkran *w = fx.open({{"5321234567", "a"}}, true);
    click(Control<QPushButton>(w, "cmdGonder"));
    QStringList texts = fx.main.prompts.texts();
    QCOMPARE(texts.value(1), SentButNotLoggedText());
    QCOMPARE(texts.value(2), SentWithOverLimitText());
    // The template is written on its own, and the recipients over the limit are still exported.
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 1);
    QVERIFY(QFile::exists(QDir(fx.docs.path()).filePath(QStringLiteral("gitmeyen.xlsx"))));
    // No report window; the recipient window stays loaded and hidden, the text is kept.
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(WorkForms::isLoaded<frmChkMesaj>());
    QVERIFY(!fx.caller->isVisible());
    QCOMPARE(gMessageText, QStringLiteral("Merhaba [##Unvan1##]"));
}

void TestFrmSonEkran::noSecondSendWhileTheExportRuns()
{
    SendFixture fx;
    gOverLimitRecipients = RecordSet();
    gOverLimitRecipients.appendField(QStringLiteral("Unvan1"));
    gOverLimitRecipients.addRow({QStringLiteral("Uzun Mesajlı")});
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    // The export lets the message loop run; the operator clicks again meanwhile.
    QStringList enabled;
    ProgressWindow::Handlers h;
    h.show = [&] {
        if (!enabled.isEmpty()) return; // the operator clicks once
        enabled << QStringLiteral("%1%2%3")
                       .arg(Control<QPushButton>(w, "cmdGonder")->isEnabled())
                       .arg(Control<QPushButton>(w, "cmdLstCikart")->isEnabled())
                       .arg(Control<QPushButton>(w, "cmdVazgec")->isEnabled());
        w->cmdGonder_Click();
        w->cmdVazgec_Click();
        w->cmdLstCikart_Click();
    };
    ProgressWindow::setHandlers(h);
    click(Control<QPushButton>(w, "cmdGonder"));
    ProgressWindow::setHandlers({});
    QCOMPARE(enabled, QStringList{"000"});
    QCOMPARE(fx.sendBodies().size(), 1);
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
    QVERIFY(!gCancelRequested);
    QVERIFY(WorkForms::isLoaded<frmRapor>());
}

void TestFrmSonEkran::failedReplies_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("net");
    const QString refused = "Mesaj Gönderilemedi." + kCrLf + "Kullanıcı Adı veya Parolanız Hatalı Olabilir." + kCrLf +
                            "SMS Krediniz Bitmiş Olabilir." + kCrLf + "Gönerilecek SMS Olmayabilir.";
    const QString blocked = "SMS Merkezine İlgili Bilgiler Gönderilemiyor" + kCrLf +
                            "Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız";
    const int crit = int(PromptIcon::Critical);
    QTest::newRow("-1 as a reply") << "-1"
                                   << "Lütfen İnternet Bağlantınızı Kontrol Ediniz." + kCrLf +
                                          "İnternete Bağlı Olmadan SMS Gönderemezsiniz"
                                   << int(PromptIcon::Information) << "Uyarı" << false << true;
    QTest::newRow("04") << "04" << blocked << crit << "Uyarı" << true << true;
    QTest::newRow("05") << "05" << blocked << crit << "Uyarı" << true << true;
    QTest::newRow("01") << "01" << refused << crit << "Brenvik Uyarı" << false << false;
    QTest::newRow("03") << "03" << refused << crit << "Brenvik Uyarı" << false << false;
    QTest::newRow("13") << "13" << refused << crit << "Brenvik Uyarı" << false << false;
    QTest::newRow("small id") << "id:5" << refused << crit << "Brenvik Uyarı" << false << false;
    QTest::newRow("empty") << "" << refused << crit << "Brenvik Uyarı" << false << false;
    QTest::newRow("HTML page") << "<HTML>Hata</HTML>" << refused << crit << "Brenvik Uyarı" << false << false;
}

void TestFrmSonEkran::failedReplies()
{
    QFETCH(QString, reply);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(bool, stays);
    QFETCH(bool, net);
    SendFixture fx;
    fx.gateway.setReply(QStringLiteral("1"), reply);
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}});
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 2);
    QCOMPARE(fx.main.prompts.last().text, text);
    QCOMPARE(int(fx.main.prompts.last().icon), icon);
    QCOMPARE(fx.main.prompts.last().title, title);
    QCOMPARE(fx.sendBodies().size(), 1);
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    // The recipient window stays loaded and hidden either way.
    QVERIFY(WorkForms::isLoaded<frmChkMesaj>());
    QVERIFY(!fx.caller->isVisible());
    QCOMPARE(WorkForms::isLoaded<frmSonEkran>(), stays);
    if (stays) {
        QVERIFY(w->isVisible());
        QCOMPARE(Control<QLabel>(w, "lblNet")->isVisible(), net);
        QCOMPARE(w->SendList().rowCount(), 2);
        QVERIFY(Control<QPushButton>(w, "cmdGonder")->isEnabled());
    } else {
        MainWindowFixture::flushDeletes();
        QVERIFY(fx.screen.isNull());
    }
}

void TestFrmSonEkran::blockedReplyKeepsListForAnotherTry()
{
    SendFixture fx;
    fx.gateway.queueReply(QStringLiteral("1"), QStringLiteral("05"));
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}});
    click(Control<QPushButton>(w, "cmdGonder"));
    click(Control<QPushButton>(w, "cmdGonder"));
    // The second request carries the list once: the basket was emptied after the refusal.
    const QStringList bodies = fx.sendBodies();
    QCOMPARE(bodies.size(), 2);
    QCOMPARE(bodies[1], bodies[0]);
    QCOMPARE(bodies[1].count(QStringLiteral("<Message>")), 2);
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
    QVERIFY(WorkForms::isLoaded<frmRapor>());
}

namespace {
enum class Peer { Silent, ClosesAfterBody, Trickles, NeverAccepts, Refuses };

// Watches the window thread while a send waits: a timer that must keep firing, the progress
// window it sees, and a click on "Gönder" that must not get through.
struct WaitWatch {
    int ticks = 0;
    bool progressShown = false;
    QString progressText;
    int waits = 0;
    int clicksThrough = 0;
    bool shownNow = false;
    QString status;
    QTimer timer;
    explicit WaitWatch(QPushButton *send)
    {
        ProgressWindow::Handlers h;
        h.show = [this] { shownNow = true; };
        h.hide = [this] { shownNow = false; };
        h.setStatus = [this](const QString &text) { status = text; };
        ProgressWindow::setHandlers(h);
        QObject::connect(send, &QPushButton::clicked, [this] { ++clicksThrough; });
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this, send] {
            if (++ticks != 3 || OffThreadWait::runningCount() == 0) return;
            waits = OffThreadWait::runningCount();
            progressShown = shownNow;
            progressText = status;
            QTest::mouseClick(send, Qt::LeftButton);
        });
        timer.start();
    }
    ~WaitWatch() { ProgressWindow::setHandlers({}); }
};
} // namespace

void TestFrmSonEkran::sendWithoutReply_data()
{
    QTest::addColumn<int>("peer");
    QTest::addColumn<bool>("maybeSent");
    QTest::addColumn<bool>("stalls"); // the exchange lasts until a time limit ends it
    QTest::newRow("reads the body, never answers") << int(Peer::Silent) << true << true;
    QTest::newRow("closes after the body") << int(Peer::ClosesAfterBody) << true << false;
    QTest::newRow("trickles a byte a second") << int(Peer::Trickles) << true << true;
    QTest::newRow("never accepts") << int(Peer::NeverAccepts) << false << true;
    QTest::newRow("refuses the connection") << int(Peer::Refuses) << false << false;
}

void TestFrmSonEkran::sendWithoutReply()
{
    QFETCH(int, peer);
    QFETCH(bool, maybeSent);
    QFETCH(bool, stalls);
    SendFixture fx;
    FullBacklogListener backlog;
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}});
    HttpPoster::setTimeouts(1000, 2500);
    HttpPoster::setLowSpeedSeconds(1);
    switch (Peer(peer)) {
    case Peer::Silent:
        fx.gateway.setReply(QStringLiteral("1"), FakeReply::silent());
        break;
    case Peer::ClosesAfterBody:
        fx.gateway.setReply(QStringLiteral("1"), FakeReply::closed());
        break;
    case Peer::Trickles:
        fx.gateway.setReply(QStringLiteral("1"), FakeReply::trickle(QStringLiteral("ID:123456"), 1000));
        break;
    case Peer::NeverAccepts:
        QVERIFY(backlog.isListening());
        gGatewayUrl = backlog.url(QStringLiteral("/sms/com.strova"));
        break;
    case Peer::Refuses:
        gGatewayUrl = FakeHttpServer::refusedUrl(QStringLiteral("/sms/com.strova"));
        break;
    }
    WaitWatch watch(Control<QPushButton>(w, "cmdGonder"));
    click(Control<QPushButton>(w, "cmdGonder"));
    watch.timer.stop();
    HttpPoster::resetTimeouts();

    // The window thread ran meanwhile, behind the progress window, and took no click.
    if (stalls) {
        QVERIFY2(watch.ticks > 3, qPrintable(QString::number(watch.ticks)));
        QCOMPARE(watch.waits, 1);
        QVERIFY(watch.progressShown);
        QCOMPARE(watch.progressText, ConnectingText());
    }
    QCOMPARE(watch.clicksThrough, 1); // the click that sent, no other
    QVERIFY(!watch.shownNow);

    QCOMPARE(fx.main.prompts.count(), 2);
    const PromptRecord &box = fx.main.prompts.last();
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    QVERIFY(WorkForms::isLoaded<frmChkMesaj>());
    QVERIFY(!fx.caller->isVisible());
    if (maybeSent) {
        QCOMPARE(fx.sendBodies().size(), 1);
        QCOMPARE(box.text, SendOutcomeUnknownText());
        QCOMPARE(box.icon, PromptIcon::Exclamation);
        QCOMPARE(box.title, QStringLiteral("Uyarı"));
        // Everything stays as it was for a look at the reports.
        QVERIFY(WorkForms::isLoaded<frmSonEkran>());
        QVERIFY(w->isVisible());
        QCOMPARE(w->SendList().rowCount(), 2);
        QVERIFY(Control<QPushButton>(w, "cmdGonder")->isEnabled());
        QVERIFY(!Control<QLabel>(w, "lblNet")->isVisible());
        QCOMPARE(gMessageText, QStringLiteral("Merhaba [##Unvan1##]"));
    } else {
        QCOMPARE(box.text, "Lütfen İnternet Bağlantınızı Kontrol Ediniz." + kCrLf +
                               "İnternete Bağlı Olmadan SMS Gönderemezsiniz");
        QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    }
}

void TestFrmSonEkran::secondTryAfterNoReplyAsksFirst()
{
    SendFixture fx;
    HttpPoster::setTimeouts(1000, 20000);
    HttpPoster::setLowSpeedSeconds(1);
    fx.gateway.queueReply(QStringLiteral("1"), FakeReply::silent());
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}});
    click(Control<QPushButton>(w, "cmdGonder"));
    HttpPoster::resetTimeouts();
    QCOMPARE(fx.main.prompts.last().text, SendOutcomeUnknownText());

    // No: nothing more is asked or sent.
    fx.main.prompts.clear();
    fx.main.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 1);
    QCOMPARE(fx.main.prompts.last().text, ResendQuestionText());
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Question);
    QCOMPARE(fx.main.prompts.last().buttons, PromptButtons::YesNo);
    QCOMPARE(fx.sendBodies().size(), 1);
    QVERIFY(w->isVisible());

    // Yes: the usual confirmation, then the same list once.
    fx.main.prompts.clear();
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 3);
    QCOMPARE(fx.main.prompts.records()[0].text, ResendQuestionText());
    QCOMPARE(fx.main.prompts.records()[1].buttons, PromptButtons::YesNo);
    QCOMPARE(fx.main.prompts.records()[2].text, SentText());
    const QStringList bodies = fx.sendBodies();
    QCOMPARE(bodies.size(), 2);
    QCOMPARE(bodies[1], bodies[0]);
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
    QVERIFY(WorkForms::isLoaded<frmRapor>());
}

void TestFrmSonEkran::busyDatabaseJournalsTheLogRow()
{
    SendFixture fx;
    SetAcceptedWriteRetryMs(400);
    frmSonEkran *w = fx.open({{"5321234567", "a"}}, true);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    {
        WriteLockHolder lock(fx.main.folder.dbPath());
        const int before = ticks;
        timer.start();
        click(Control<QPushButton>(w, "cmdGonder"));
        timer.stop();
        // The window thread kept running while the write waited for the lock.
        QVERIFY(ticks > before);
    }
    SetAcceptedWriteRetryMs(0);
    QCOMPARE(fx.main.prompts.count(), 2);
    QCOMPARE(fx.main.prompts.last().text, SentLogLaterText());
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Exclamation);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Uyarı"));
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 0);
    QCOMPARE(journalLines().size(), 2); // the log row and the template row
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(WorkForms::isLoaded<frmChkMesaj>());

    // The next start writes them in, once.
    ReplayAcceptedWriteJournal();
    ReplayAcceptedWriteJournal();
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_giden").toInt(), 1);
    QCOMPARE(fx.main.folder.scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 1);
    QVERIFY(journalLines().isEmpty());
}

void TestFrmSonEkran::accountNotReadSendsNothing_data()
{
    QTest::addColumn<QString>("reply"); // of the activation's account request
    QTest::addColumn<bool>("refused");  // nothing listens on the gateway's port
    QTest::addColumn<bool>("netWarning");
    QTest::newRow("connection refused") << "" << true << true;
    QTest::newRow("-1 from the gateway") << "-1" << false << true;
    QTest::newRow("01") << "01" << false << true;
    QTest::newRow("a code") << "04" << false << true;
    QTest::newRow("HTML page") << "<HTML><body>Proxy</body></HTML>\n" << false << true;
    QTest::newRow("lower-case page") << "<!DOCTYPE html>\n<html lang=\"tr\">\n<body>Proxy</body>\n</html>\n"
                                     << false << false;
}

void TestFrmSonEkran::accountNotReadSendsNothing()
{
    QFETCH(QString, reply);
    QFETCH(bool, refused);
    QFETCH(bool, netWarning);
    SendFixture fx;
    if (refused)
        gGatewayUrl = QStringLiteral("http://127.0.0.1:%1/sms/com.strova").arg(closedPort());
    else
        fx.gateway.setReply(QStringLiteral("4"), reply);
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    QCOMPARE(Control<QLabel>(w, "lblNet")->isVisible(), netWarning);
    QCOMPARE(fx.main.prompts.count(), 0);

    // By the send the gateway answers again, but no credit was read: the connection box, not
    // an unexpected failure over an empty credit; nothing is sent and the screen stays.
    fx.gateway.clearScript();
    gGatewayUrl = fx.gateway.url();
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 2);
    QCOMPARE(fx.main.prompts.records()[0].buttons, PromptButtons::YesNo);
    const PromptRecord &box = fx.main.prompts.last();
    QCOMPARE(box.text, GatewayUnreachableText());
    QCOMPARE(box.icon, PromptIcon::Critical);
    QCOMPARE(box.title, QStringLiteral("Brenvik Uyarı"));
    QCOMPARE(fx.sendBodies().size(), 0);
    QVERIFY(w->isVisible());
    QCOMPARE(w->SendList().rowCount(), 1);
    QVERIFY(Control<QPushButton>(w, "cmdGonder")->isEnabled());
}

void TestFrmSonEkran::noGatewayKindAsksNothing()
{
    SendFixture fx;
    gGatewayKind = GatewayKind::None;
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    QCOMPARE(fx.gateway.requestCount(), 0);
    QVERIFY(Control<QLabel>(w, "lblNet")->isVisible());
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.gateway.requestCount(), 0);
    QCOMPARE(fx.main.prompts.last().text, GatewayUnreachableText());
    QVERIFY(w->isVisible());
}

void TestFrmSonEkran::creditTest_data()
{
    QTest::addColumn<int>("credit");
    QTest::addColumn<bool>("sent");
    QTest::newRow("equal to the total") << 3 << true;
    QTest::newRow("one less") << 2 << false;
    QTest::newRow("answered 0") << 0 << false;
}

void TestFrmSonEkran::creditTest()
{
    QFETCH(int, credit);
    QFETCH(bool, sent);
    SendFixture fx;
    fx.gateway.setCredit(credit);
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}, {"5321234569", "c"}});
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.sendBodies().size(), sent ? 1 : 0);
    if (!sent) {
        QCOMPARE(fx.main.prompts.last().text, QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok"));
        QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Information);
        QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Brenvik Uyarı"));
        QVERIFY(w->isVisible());
    }
}

void TestFrmSonEkran::emptyOriginatorAsksForOne()
{
    SendFixture fx;
    fx.gateway.setReply(QStringLiteral("4"), QStringLiteral("10\n\nORVEK\n"));
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    QCOMPARE(Control<QComboBox>(w, "cbGonderen")->count(), 2);
    QVERIFY(!Control<QLabel>(w, "lblNet")->isVisible());
    fx.main.mdi()->activateWindow();
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 2);
    QCOMPARE(fx.main.prompts.records()[0].text,
             QStringLiteral("Mesajınız 1 kişiye  originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?"));
    QCOMPARE(fx.main.prompts.last().text, QStringLiteral("SMS Göndermek İçin Gönderen Bölümünü Seçmelisiniz"));
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Uyarı"));
    QTRY_VERIFY(Control<QComboBox>(w, "cbGonderen")->hasFocus());
    QCOMPARE(fx.sendBodies().size(), 0);
}

void TestFrmSonEkran::emptyListDoesNothing()
{
    SendFixture fx;
    frmSonEkran *w = fx.open({});
    fx.gateway.clearRequests();
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.main.prompts.count(), 0);
    QCOMPARE(fx.gateway.requestCount(), 0);
    QVERIFY(w->isVisible());
}

void TestFrmSonEkran::removingRows()
{
    SendFixture fx;
    fx.gateway.setCredit(2);
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}, {"5321234569", "c"}});
    const QString question =
        QStringLiteral("Seçtiğiniz kaydı mesaj gönderim listesinden çıkartmak istediğinizden emin misiniz?");

    // No current row: asked, nothing removed.
    click(Control<QPushButton>(w, "cmdLstCikart"));
    QCOMPARE(fx.main.prompts.last().text, question);
    QCOMPARE(fx.main.prompts.last().icon, PromptIcon::Question);
    QCOMPARE(fx.main.prompts.last().title, QStringLiteral("Brenvik SMS Gönderimi"));
    QCOMPARE(fx.main.prompts.last().buttons, PromptButtons::YesNo);
    QCOMPARE(w->SendList().rowCount(), 3);

    Control<QTableView>(w, "DataGrid1")->setCurrentIndex(Control<QTableView>(w, "DataGrid1")->model()->index(1, 0));
    fx.main.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "cmdLstCikart"));
    QCOMPARE(w->SendList().rowCount(), 3);
    click(Control<QPushButton>(w, "cmdLstCikart"));
    QCOMPARE(w->SendList().rowCount(), 2);
    QCOMPARE(w->SendList().value(0, 0).toString(), QStringLiteral("5321234567"));
    QCOMPARE(w->SendList().value(1, 0).toString(), QStringLiteral("5321234569"));
    // The total follows the list ...
    QCOMPARE(Control<QLabel>(w, "lblToplam")->text(), QStringLiteral(" 2"));

    // ... so a credit of 2 covers the two rows left, and the package size logs them.
    fx.main.prompts.clear();
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(
        fx.main.prompts.records()[0].text,
        QStringLiteral("Mesajınız 2 kişiye ORVEK originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?"));
    QVERIFY(!fx.main.prompts.texts().contains(QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok")));
    QCOMPARE(fx.sendBodies().size(), 1);
    QCOMPARE(fx.sendBodies().first().count(QStringLiteral("<Message>")), 2);
    QCOMPARE(fx.main.folder.scalar("SELECT paket_boyut FROM tbl_giden").toInt(), 2);
}

void TestFrmSonEkran::pickersKeepOperatorsTimeThroughConfirmation()
{
    SendFixture fx;
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    Control<QCheckBox>(w, "chkIleriTarih")->setChecked(true);
    const QDate day = QDate::currentDate().addDays(3);
    Control<QDateEdit>(w, "DTPicker1")->setDate(day);
    Control<QTimeEdit>(w, "DTPicker2")->setTime(QTime(23, 59, 0));
    fx.main.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(fx.sendBodies().size(), 0);
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), day);
    QCOMPARE(Control<QTimeEdit>(w, "DTPicker2")->time(), QTime(23, 59, 0));
    click(Control<QPushButton>(w, "cmdGonder"));
    QCOMPARE(FakeGateway::element(fx.sendBodies().value(0), QStringLiteral("SDate")),
             day.toString(QStringLiteral("ddMMyyyy")) + QStringLiteral("2359"));
    QCOMPARE(fx.main.folder.scalar("SELECT gtarih FROM tbl_giden").toString(),
             day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:00"));
}

void TestFrmSonEkran::fillingDisablesSendAndRemove()
{
    SendFixture fx;
    frmSonEkran *w = fx.open({{"5321234567", "a"}});
    w->beginFilling();
    QVERIFY(!Control<QPushButton>(w, "cmdGonder")->isEnabled());
    QVERIFY(!Control<QPushButton>(w, "cmdLstCikart")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "cmdVazgec")->isEnabled());
    w->cmdGonder_Click();
    w->cmdLstCikart_Click();
    QCOMPARE(fx.main.prompts.count(), 0);
    QCOMPARE(fx.sendBodies().size(), 0);
    // Values that the list cannot hold are refused without a trace.
    QVERIFY_THROWS_EXCEPTION(OrvekError, w->appendRecipient(QStringLiteral("05321234567"), QStringLiteral("x")));
    QCOMPARE(w->SendList().rowCount(), 1);
    w->endFilling();
    QVERIFY(Control<QPushButton>(w, "cmdGonder")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "cmdLstCikart")->isEnabled());
}

void TestFrmSonEkran::cancelThenClose()
{
    SendFixture fx;
    frmSonEkran *w = fx.open({});
    w->beginFilling();
    w->appendRecipient(QStringLiteral("5321234567"), QStringLiteral("a"));
    w->setAddedCount(1);
    QCOMPARE(Control<QPushButton>(w, "cmdVazgec")->text(), QStringLiteral("Vazgeç"));
    click(Control<QPushButton>(w, "cmdVazgec"));
    QVERIFY(gCancelRequested);
    QCOMPARE(Control<QPushButton>(w, "cmdVazgec")->text(), QStringLiteral("Kapat"));
    QVERIFY(!Control<QPushButton>(w, "cmdGonder")->isEnabled());
    w->endFilling();
    // A partly filled list can no longer be sent; rows can still be removed.
    QVERIFY(!Control<QPushButton>(w, "cmdGonder")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "cmdLstCikart")->isEnabled());
    w->cmdGonder_Click();
    QCOMPARE(fx.main.prompts.count(), 0);

    click(Control<QPushButton>(w, "cmdVazgec"));
    QVERIFY(!gCancelRequested);
    QVERIFY(fx.caller->isVisible());
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(fx.screen->CallerForm.isNull());
    QVERIFY(fx.screen->frmMDIForm.isNull());
    QVERIFY(!Control<QTimer>(fx.screen, "Timer1")->isActive());
    MainWindowFixture::flushDeletes();
    QVERIFY(fx.screen.isNull());
}

void TestFrmSonEkran::cancelOnACompleteListCloses()
{
    // Nothing is filling any more: one press of "Vazgeç" goes back to the recipient window.
    SendFixture fx;
    frmSonEkran *w = fx.open({{"5321234567", "a"}, {"5321234568", "b"}});
    QVERIFY(!w->isFilling());
    QCOMPARE(Control<QPushButton>(w, "cmdVazgec")->text(), QStringLiteral("Vazgeç"));
    click(Control<QPushButton>(w, "cmdVazgec"));
    QVERIFY(!WorkForms::isLoaded<frmSonEkran>());
    QVERIFY(fx.caller->isVisible());
    QVERIFY(!gCancelRequested);
    QCOMPARE(fx.main.prompts.count(), 0);
    QCOMPARE(fx.sendBodies().size(), 0);
}

QTEST_MAIN(TestFrmSonEkran)
#include "tst_frmsonekran.moc"
