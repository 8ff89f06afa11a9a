#include "messaging/frmHizliMesaj.h"

#include "core/AppState.h"
#include "core/DateText.h"
#include "core/Gateway.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SmsText.h"
#include "messaging/QuickMessage.h"
#include "messaging/SendSteps.h"
#include "messaging/frmSablon.h"
#include "shell/Controls.h"
#include "shell/OffThread.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/frmAna.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimeEdit>
#include <QTimer>

namespace {
// Designed sizes (twips).
constexpr int kHeaderHeight = 900;
constexpr int kNumbersWidth = 3600;
constexpr int kBodyHeight = 5900;
constexpr int kInnerFrameTop = 240;
constexpr int kInnerFrameHeight = 5520;

bool isEnterKey(const QKeyEvent *e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
} // namespace

frmHizliMesaj::frmHizliMesaj()
{
    setObjectName(QStringLiteral("frmHizliMesaj"));
    setWindowTitle(QStringLiteral("Hızlı mesaj gönder"));

    Frame3 = NamedControl(new QFrame(this), "Frame3");
    Frame3->setFrameShape(QFrame::StyledPanel);
    SetGeometryTw(Frame3, TwRect{60, 0, 9000, kHeaderHeight});
    auto *title = MakeLabel(Frame3, "Label10", QStringLiteral("Hızlı mesaj gönder"), TwRect{240, 120, 6000, 330});
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    MakeLabel(Frame3, "Label12", QStringLiteral("GSM numaralarına mesaj göndermenizi sağlar."),
              TwRect{240, 480, 6000, 285});

    Frame1 = NamedControl(new QFrame(this), "Frame1");
    SetGeometryTw(Frame1, TwRect{60, kHeaderHeight - 90, 9000, kBodyHeight});

    // Numbers.
    Frame2 = NamedControl(new QGroupBox(QStringLiteral("Mesaj gönderilecek numaralar"), Frame1), "Frame2");
    SetGeometryTw(Frame2, TwRect{0, kInnerFrameTop, kNumbersWidth, kInnerFrameHeight});
    MakeLabel(Frame2, "Label1", QStringLiteral("GSM No :"), TwRect{120, 360, 1500, 255});
    txtGSM = NamedControl(new QLineEdit(Frame2), "txtGSM");
    txtGSM->setMaxLength(kQuickNumberSize);
    txtGSM->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtGSM));
    txtGSM->installEventFilter(this);
    SetGeometryTw(txtGSM, TwRect{120, 630, 2055, 345});
    Command1 = MakeButton(Frame2, "Command1", QStringLiteral("Ekle"), TwRect{2280, 630, 1170, 345});
    MakeLabel(Frame2, "Label2", QStringLiteral("Örn. 5334556633"), TwRect{120, 1020, 2055, 255});
    List1 = NamedControl(new QListWidget(Frame2), "List1");
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    SetGeometryTw(List1, TwRect{120, 1380, 3330, 3480});
    Command2 = MakeButton(Frame2, "Command2", QStringLiteral("Sil"), TwRect{2280, 4980, 1170, 345});

    // Send options.
    Frame4 = NamedControl(new QGroupBox(QStringLiteral("Gönderim seçenekleri"), Frame1), "Frame4");
    SetGeometryTw(Frame4, TwRect{kNumbersWidth + 175, kInnerFrameTop, 5000, kInnerFrameHeight});
    MakeLabel(Frame4, "Label3", QStringLiteral("Mesaj sayısı :"), TwRect{240, 390, 1600, 255});
    txtMesajSay = NamedControl(new QLineEdit(Frame4), "txtMesajSay");
    txtMesajSay->setReadOnly(true);
    txtMesajSay->setText(QStringLiteral(" 0"));
    SetGeometryTw(txtMesajSay, TwRect{1920, 360, 1200, 315});
    MakeLabel(Frame4, "Label4", QStringLiteral("Hesaptaki kontör :"), TwRect{240, 810, 1600, 255});
    txtKontor = NamedControl(new QLineEdit(Frame4), "txtKontor");
    txtKontor->setReadOnly(true);
    txtKontor->setText(QStringLiteral(" 0"));
    SetGeometryTw(txtKontor, TwRect{1920, 780, 1200, 315});
    Command6 = MakeButton(Frame4, "Command6", QStringLiteral("Kontör yükle"), TwRect{3240, 765, 1500, 345});
    MakeLabel(Frame4, "Label6", QStringLiteral("Gönderen :"), TwRect{240, 1230, 1600, 255});
    Combo1 = NamedControl(new QComboBox(Frame4), "Combo1");
    SetGeometryTw(Combo1, TwRect{1920, 1200, 2820, 315});
    MakeLabel(Frame4, "Label7", QStringLiteral("Mesaj :"), TwRect{240, 1650, 1600, 255});
    txtMesaj = NamedControl(new QPlainTextEdit(Frame4), "txtMesaj");
    txtMesaj->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMesaj->setTabChangesFocus(true);
    txtMesaj->installEventFilter(this);
    SetGeometryTw(txtMesaj, TwRect{1920, 1620, 2820, 1455});
    Label5 = MakeLabel(Frame4, "Label5", QStringLiteral("0 / 160"), TwRect{1920, 3120, 2820, 255});
    Label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    chkIleriTarih = NamedControl(new QCheckBox(QStringLiteral("İleri tarihe gönderim yap"), Frame4), "chkIleriTarih");
    SetGeometryTw(chkIleriTarih, TwRect{1920, 3450, 2820, 285});
    MakeLabel(Frame4, "Label8", QStringLiteral("Gönderim tarihi :"), TwRect{240, 3870, 1600, 255});
    DTPicker1 = NamedControl(new QDateEdit(Frame4), "DTPicker1");
    DTPicker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DTPicker1->setCalendarPopup(true);
    SetGeometryTw(DTPicker1, TwRect{1920, 3840, 1500, 315});
    DTPicker2 = NamedControl(new QTimeEdit(Frame4), "DTPicker2");
    DTPicker2->setDisplayFormat(QStringLiteral("HH:mm"));
    SetGeometryTw(DTPicker2, TwRect{3510, 3840, 1230, 315});
    MakeLabel(Frame4, "Label9", QStringLiteral("Sistem tarihiniz :"), TwRect{240, 4260, 1600, 255});
    Label11 = MakeLabel(Frame4, "Label11", QString(), TwRect{1920, 4260, 2820, 255});
    chkSablon = NamedControl(new QCheckBox(QStringLiteral("Mesajı şablon olarak kaydet."), Frame4), "chkSablon");
    SetGeometryTw(chkSablon, TwRect{1920, 4590, 2820, 285});
    Command5 = MakeButton(Frame4, "Command5", QStringLiteral("Mesaj şablonu seç"), TwRect{240, 5010, 1800, 345});
    Command3 = MakeButton(Frame4, "Command3", QStringLiteral("Gönder"), TwRect{2280, 5010, 1170, 345});
    Command4 = MakeButton(Frame4, "Command4", QStringLiteral("Vazgeç"), TwRect{3570, 5010, 1170, 345});

    Timer1 = NamedControl(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    connect(Command1, &QPushButton::clicked, this, &frmHizliMesaj::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmHizliMesaj::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmHizliMesaj::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmHizliMesaj::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmHizliMesaj::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmHizliMesaj::Command6_Click);
    connect(Timer1, &QTimer::timeout, this, &frmHizliMesaj::Timer1_Timer);
    connect(txtMesaj->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int charsAdded) { limitMessage(position, charsAdded); });
    connect(txtMesaj, &QPlainTextEdit::textChanged, this, &frmHizliMesaj::txtMesaj_Change);
}

QString frmHizliMesaj::messageText() const { return TextBoxText(txtMesaj); }

void frmHizliMesaj::Form_Load()
{
    // 1-3: credit and originators.
    Combo1->clear();
    QString reply;
    // An account of no known gateway kind asks nothing.
    if (gGatewayKind != GatewayKind::None) {
        Gateway gateway;
        const QString login = GatewayUserName();
        const QString password = gPassword;
        reply = RunOffThread(ConnectingText(), [&] { return gateway.GetInfo(login, password); });
    }
    const QuickAccount account = ReadQuickAccount(reply);
    m_accountRead = IsAccountReply(reply);
    if (account.reached) {
        txtKontor->setText(account.credit);
        Combo1->addItems(account.originators);
        if (Combo1->count() > 0) Combo1->setCurrentIndex(0);
    } else {
        Prompt::show(QuickNoConnectionText(), PromptIcon::Critical, QString());
        if (WorkForms::isUnloaded(this)) return;
        // The window stays usable without the account; a send stops at the credit step, which
        // names the connection, not the credit " 0" that was never read.
    }

    // 4-6: the initial state.
    Command6->setVisible(gGatewayKind == GatewayKind::Brenvik);
    showClock();
    const QDateTime now = QDateTime::currentDateTime();
    DTPicker1->setDate(now.date());
    DTPicker2->setTime(now.time());
    Timer1->start();
    txtGSM->clear();
    txtMesaj->clear();
    txtMesaj_Change();
    chkIleriTarih->setChecked(false);
    mGsmCount = 0;
    // 7: the base lays the window out next.
}

void frmHizliMesaj::ArrangeControls()
{
    const int inner = WidthTw(this);
    SetWidthTw(Frame3, inner - 175);
    SetWidthTw(Frame1, inner - 175);
    SetTopTw(Frame1, HeightTw(Frame3) - 90);
    SetLeftTw(Frame4, WidthTw(Frame2) + 175);
    SetWidthTw(Frame4, WidthTw(Frame1) - WidthTw(Frame2) - 275);
}

void frmHizliMesaj::Command1_Click()
{
    QStringList listed;
    for (int i = 0; i < List1->count(); ++i) listed << List1->item(i)->text();
    const QString typed = txtGSM->text();
    const QuickNumberCheck check = CheckQuickNumber(typed, listed);
    if (check != QuickNumberCheck::Accepted) {
        Prompt::show(QuickNumberMessage(check), PromptIcon::Information, QString());
        if (check != QuickNumberCheck::Duplicate) txtGSM->setFocus();
        return;
    }
    List1->addItem(typed);
    ++mGsmCount;
    txtMesajSay->setText(QuickCountText(mGsmCount));
    txtGSM->clear();
    txtGSM->setFocus();
}

void frmHizliMesaj::Command2_Click()
{
    if (List1->count() == 0) {
        Prompt::show(QuickRemoveEmptyText(), PromptIcon::Information, QString());
        return;
    }
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    if (selected.isEmpty()) {
        Prompt::show(QuickRemoveNoSelectionText(), PromptIcon::Information, QString());
        List1->setFocus();
        return;
    }
    delete List1->takeItem(List1->row(selected.first()));
    List1->clearSelection();
    List1->setCurrentRow(-1);
    --mGsmCount;
    txtMesajSay->setText(QuickCountText(mGsmCount));
}

void frmHizliMesaj::Command3_Click()
{
    WorkForms::KeepAlive keep(this);
    if (List1->count() == 0) {
        Prompt::show(QuickNoNumbersText(), PromptIcon::Information, QString());
        return;
    }
    const QString text = messageText();
    if (IsMissingQuickText(text)) {
        Prompt::show(QuickNoTextText(), PromptIcon::Information, QString());
        if (!WorkForms::isUnloaded(this)) txtMesaj->setFocus();
        return;
    }

    QStringList numbers;
    for (int i = 0; i < List1->count(); ++i) numbers << List1->item(i)->text();
    const int count = int(numbers.size());
    const QString originator = Combo1->currentText();
    const bool later = chkIleriTarih->isChecked();
    const QDate date = DTPicker1->date();
    const QTime time = DTPicker2->time();
    if (m_maybeSent) {
        if (Prompt::show(ResendQuestionText(), PromptIcon::Question, QuickConfirmationTitle(), PromptButtons::YesNo) !=
            PromptAnswer::Yes)
            return;
        if (WorkForms::isUnloaded(this)) return;
    }
    if (Prompt::show(SendConfirmationText(count, originator, later, date, time), PromptIcon::Question,
                     QuickConfirmationTitle(), PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    if (WorkForms::isUnloaded(this)) return;

    if (!m_accountRead) {
        Prompt::show(GatewayUnreachableText(), PromptIcon::Critical, QStringLiteral("Brenvik Uyarı"));
        return;
    }
    switch (CheckQuickCredit(txtKontor->text(), txtMesajSay->text())) {
    case QuickCreditCheck::Enough:
        break;
    case QuickCreditCheck::NotEnough:
        Prompt::show(QuickNoCreditText(), PromptIcon::Information, QStringLiteral("Brenvik Uyarı"));
        return;
    case QuickCreditCheck::Unreadable:
        Prompt::show(QuickUnreadableCreditText(), PromptIcon::Information, QStringLiteral("Brenvik Uyarı"));
        return;
    }

    gMessageText = NormalizeGsmText(text);
    Gateway gateway;
    try {
        FillQuickBasket(gateway, gMessageText, numbers);
    } catch (const OrvekError &e) {
        Prompt::show(QStringLiteral("Mesaj gönderilemedi.") + QStringLiteral("\r\n") + e.description(),
                     PromptIcon::Critical, QStringLiteral("Brenvik Uyarı"));
        return;
    }
    const QString user = GatewayUserName();
    const QString password = gPassword;
    const QString sdate = ScheduledSendText(later, date, time);
    const QString reply =
        RunOffThread(ConnectingText(), [&] { return gateway.sendsms(user, password, originator, sdate); });
    if (SendOutcomeUnknown(reply, gateway.lastOutcome())) {
        // The gateway may have the messages: list, text and window stay as they are.
        m_maybeSent = true;
        gateway.clearsmsbasket();
        Prompt::show(SendOutcomeUnknownText(), PromptIcon::Exclamation, QStringLiteral("Uyarı"));
        return;
    }
    const QDateTime sentAt = QDateTime::currentDateTime();
    const QDateTime sendAt = later ? ScheduledSendTime(date, time) : sentAt;

    const QuickReplyJudgement judged = JudgeQuickReply(reply);
    if (judged.kind != QuickReplyKind::Accepted) {
        Prompt::show(judged.text, judged.icon, judged.title);
        gateway.clearsmsbasket();
        if (!judged.keepWindow && !WorkForms::isUnloaded(this)) Unload();
        return;
    }

    gSendKind = QString::fromUtf8(kQuickMessageKind);
    const QuickWriteResult written =
        WriteQuickSend(QuickLogRow(judged.messageId, count, text, originator, sentAt, sendAt), chkSablon->isChecked(),
                       gMessageText, PaintingWaitStep);
    if (written.journaled() && (written.logWritten || written.logJournaled) &&
        (written.templateWritten || written.templateJournaled)) {
        Prompt::show(SentLogLaterText(), PromptIcon::Exclamation, QStringLiteral("Uyarı"));
    } else if (!written.ok()) {
        Prompt::show(QuickSentNotLoggedText(), PromptIcon::Information, QStringLiteral("Brenvik Uyarı"));
    } else {
        Prompt::show(QuickSentText(), PromptIcon::Information, QStringLiteral("Brenvik Uyarı"));
        RaporlarGoster(0);
    }
    gateway.clearsmsbasket();
    if (!WorkForms::isUnloaded(this)) Unload();
}

void frmHizliMesaj::Command4_Click() { OnLineServislerGoster(); }

void frmHizliMesaj::Command5_Click()
{
    // The chosen template replaces the box's text; the box's limit cuts a longer one to 160.
    WorkForms::KeepAlive keep(this);
    const auto text =
        frmSablon::Pick(QString::fromLatin1(kQuickTemplateKind), QString::fromUtf8(kQuickMessageKind), this);
    if (text) SetTextBoxText(txtMesaj, *text);
    if (WorkForms::isUnloaded(this)) return;
    txtMesaj->setFocus();
}

void frmHizliMesaj::Command6_Click() { KontorYukleGoster(); }

void frmHizliMesaj::Timer1_Timer() { showClock(); }

void frmHizliMesaj::showClock() { Label11->setText(ToTurkishDateTime(QDateTime::currentDateTime())); }

void frmHizliMesaj::txtMesaj_Change()
{
    Label5->setText(QString::number(SmsLength(messageText())) + QStringLiteral(" / 160"));
}

int frmHizliMesaj::txtGSM_KeyPress(int KeyAscii) { return QuickNumberKey(KeyAscii); }

void frmHizliMesaj::limitMessage(int position, int charsAdded)
{
    if (m_limiting || charsAdded <= 0) return;
    const int length = SmsLength(txtMesaj->toPlainText());
    if (length <= kSmsCounterSize) return;
    QTextDocument *doc = txtMesaj->document();
    const int end = qMin(position + charsAdded, doc->characterCount() - 1);
    if (end <= position) return;
    QTextCursor cursor(doc);
    cursor.setPosition(position);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    const int cut = QuickExcessCharacters(cursor.selectedText(), length, kSmsCounterSize);
    if (cut <= 0) return;
    m_limiting = true;
    cursor.setPosition(end - cut);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_limiting = false;
}

void frmHizliMesaj::keyPressEvent(QKeyEvent *event)
{
    if (isEnterKey(event) && !(event->modifiers() & Qt::ControlModifier)) {
        Command3->click();
        return;
    }
    DockedWindow::keyPressEvent(event);
}

bool frmHizliMesaj::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress) return DockedWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    // Enter in the number box adds the number, as "Ekle" does; it never reaches "Gönder".
    if (watched == txtGSM && isEnterKey(key)) {
        Command1->click();
        return true;
    }
    if (watched == txtMesaj && isEnterKey(key)) {
        if (key->modifiers() & Qt::ControlModifier)
            txtMesaj->insertPlainText(QStringLiteral("\n"));
        else
            Command3->click();
        return true;
    }
    // Typed characters only: the erase, tab and delete keys and the Ctrl shortcuts keep their
    // usual work (a paste is held to digits by the box's validator).
    if (watched == txtGSM && !key->text().isEmpty() && !(key->modifiers() & Qt::ControlModifier)) {
        const ushort code = key->text().at(0).unicode();
        if (code >= 32 && code != 127 && txtGSM_KeyPress(code) == 0) return true;
    }
    return DockedWindow::eventFilter(watched, event);
}
