#include "messaging/frmSonEkran.h"

#include "core/AppState.h"
#include "core/DateText.h"
#include "core/Gateway.h"
#include "core/PageAddresses.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "reports/frmRapor.h"
#include "shell/BrowserView.h"
#include "shell/Controls.h"
#include "shell/OffThread.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>

#include <exception>
#include <optional>

namespace {
const QString kVazgec = QStringLiteral("Vazgeç");
const QString kKapat = QStringLiteral("Kapat");

// Design sizes (twips) of the controls that the layout does not size.
constexpr int kGridLeft = 120;
constexpr int kGridTop = 120;
constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;
constexpr int kLstCikartWidth = 1395;
// "Listeden çıkart" stands between the grid and the separator line (its top at g + 175, the
// line at g + 465): it ends a little above the line instead of running through it.
constexpr int kLstCikartHeight = 270;
constexpr int kFrame1Height = 1290;
constexpr int kFrame2Height = 30;
constexpr int kNetHeight = 780;
constexpr int kBrowserHeight = 1500;

QString describe(const std::exception &e)
{
    const QString d = QString::fromStdString(e.what());
    return d.isEmpty() ? QStringLiteral("Bilinmeyen hata") : d;
}
} // namespace

SonEkranLayout SonEkranArrangement(int w, int h, int s, int vazgecWidth)
{
    SonEkranLayout l;
    l.DataGrid1 = TwRect{kGridLeft, kGridTop, s - 245, h - 4250};
    l.messageColumnWidth = s - 1750;
    const int g = l.DataGrid1.height;
    l.cmdLstCikart = TwRect{w - 1450, g + 175, kLstCikartWidth, kLstCikartHeight};
    l.Frame1 = TwRect{kGridLeft, g + 525, w - 245, kFrame1Height};
    l.Frame2 = TwRect{kGridLeft, g + 465, w - 245, kFrame2Height};
    l.cmdGonder = TwRect{w - vazgecWidth - 1300, g + 2025, kButtonWidth, kButtonHeight};
    l.cmdVazgec = TwRect{w - 1220, g + 2025, vazgecWidth, kButtonHeight};
    l.lblNet = TwRect{kGridLeft, g + 1905, w - vazgecWidth - 1300 - 240, kNetHeight};
    l.WebBrowser1 = TwRect{kGridLeft, h - 1550, w - 225, kBrowserHeight};
    return l;
}

frmSonEkran::frmSonEkran()
{
    setObjectName(QStringLiteral("frmSonEkran"));
    buildControls();
}

frmSonEkran::~frmSonEkran() = default;

QString frmSonEkran::NetWarningText()
{
    return QStringLiteral(" Mesaj merkeziyle bağlantı kurulamıyor. Bilgisayarınız, güvenlik duvarı "
                          "denetiminde olabilir.SMS göndermek için internete bağlı olmanız "
                          "gerekmektedir ! Lütfen güvenlik ayarlarınızı kontrol ediniz.");
}

void frmSonEkran::buildControls()
{
    Adodc1 = new SendListModel(this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setModel(Adodc1);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(false);
    // Fixed row heights: a growing list costs no measuring of its rows.
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->verticalHeader()->setDefaultSectionSize(tw(255));
    DataGrid1->verticalHeader()->hide();
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DataGrid1->setColumnWidth(0, tw(1500));

    cmdLstCikart = new QPushButton(QStringLiteral("Listeden çıkart"), this);
    cmdLstCikart->setObjectName(QStringLiteral("cmdLstCikart"));
    SetGeometryTw(cmdLstCikart, TwRect{0, 0, kLstCikartWidth, kLstCikartHeight});

    Frame2 = new QFrame(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::HLine);
    Frame2->setFrameShadow(QFrame::Sunken);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::NoFrame);
    SetGeometryTw(Frame1, TwRect{kGridLeft, 0, 8600, kFrame1Height});

    Label1 = MakeLabel(Frame1, "Label1", QStringLiteral("Gönderen :"), TwRect{120, 165, 1600, 255});
    cbGonderen = new QComboBox(Frame1);
    cbGonderen->setObjectName(QStringLiteral("cbGonderen"));
    cbGonderen->setEditable(false);
    SetGeometryTw(cbGonderen, TwRect{1800, 120, 2400, 315});
    Label2 = MakeLabel(Frame1, "Label2", QStringLiteral("Toplam mesaj :"), TwRect{120, 585, 1600, 255});
    lblToplam = MakeLabel(Frame1, "lblToplam", QString(), TwRect{1800, 585, 2400, 255});
    Label3 = MakeLabel(Frame1, "Label3", QStringLiteral("Mevcut krediniz :"), TwRect{120, 945, 1600, 255});
    lblKontor = MakeLabel(Frame1, "lblKontor", QString(), TwRect{1800, 945, 2400, 255});

    chkIleriTarih = new QCheckBox(QStringLiteral("İleri tarihe gönderim yap"), Frame1);
    chkIleriTarih->setObjectName(QStringLiteral("chkIleriTarih"));
    SetGeometryTw(chkIleriTarih, TwRect{4560, 120, 3000, 315});
    DTPicker1 = new QDateEdit(Frame1);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    DTPicker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DTPicker1->setCalendarPopup(true);
    SetGeometryTw(DTPicker1, TwRect{4560, 525, 1500, 315});
    DTPicker2 = new QTimeEdit(Frame1);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
    DTPicker2->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    SetGeometryTw(DTPicker2, TwRect{6180, 525, 1200, 315});
    Label4 = MakeLabel(Frame1, "Label4", QStringLiteral("Sistem tarihiniz:"), TwRect{4560, 945, 1500, 255});
    Label5 = MakeLabel(Frame1, "Label5", QString(), TwRect{6120, 945, 2400, 255});

    cmdGonder = new QPushButton(QStringLiteral("Gönder"), this);
    cmdGonder->setObjectName(QStringLiteral("cmdGonder"));
    SetGeometryTw(cmdGonder, TwRect{0, 0, kButtonWidth, kButtonHeight});
    cmdVazgec = new QPushButton(kVazgec, this);
    cmdVazgec->setObjectName(QStringLiteral("cmdVazgec"));
    SetGeometryTw(cmdVazgec, TwRect{0, 0, kButtonWidth, kButtonHeight});

    lblNet = new QLabel(NetWarningText(), this);
    lblNet->setObjectName(QStringLiteral("lblNet"));
    lblNet->setWordWrap(true);
    lblNet->setStyleSheet(QStringLiteral("color: red;"));
    lblNet->setVisible(false);

    WebBrowser1 = BrowserView::create(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));

    m_countTimer = new QTimer(this);
    m_countTimer->setSingleShot(true);
    m_countTimer->setInterval(SendListModel::kFlushIntervalMs);
    connect(m_countTimer, &QTimer::timeout, this, &frmSonEkran::showAddedCount);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connect(cmdGonder, &QPushButton::clicked, this, &frmSonEkran::cmdGonder_Click);
    connect(cmdLstCikart, &QPushButton::clicked, this, &frmSonEkran::cmdLstCikart_Click);
    connect(cmdVazgec, &QPushButton::clicked, this, &frmSonEkran::cmdVazgec_Click);
    connect(Timer1, &QTimer::timeout, this, &frmSonEkran::Timer1_Timer);
}

const RecordSet &frmSonEkran::SendList() const { return Adodc1->list(); }

void frmSonEkran::beginFilling()
{
    m_filling = true;
    Adodc1->setDeferred(true);
    updateButtons();
}

void frmSonEkran::endFilling()
{
    m_filling = false;
    Adodc1->setDeferred(false);
    showAddedCount();
    updateButtons();
}

void frmSonEkran::appendRecipient(QStringView gsmNo, QStringView mesaj) { Adodc1->appendRow(gsmNo, mesaj); }

void frmSonEkran::reserveRows(int rows) { Adodc1->reserve(rows); }

void frmSonEkran::setAddedCount(int count)
{
    m_addedCount = count;
    if (!m_filling)
        showAddedCount();
    else if (!m_countTimer->isActive())
        m_countTimer->start();
}

void frmSonEkran::showAddedCount()
{
    m_countTimer->stop();
    if (m_addedCount >= 0) lblToplam->setText(QLatin1Char(' ') + QString::number(m_addedCount));
}

void frmSonEkran::updateButtons()
{
    cmdGonder->setEnabled(!m_filling && !m_cancelled && !m_sending);
    cmdLstCikart->setEnabled(!m_filling && !m_sending);
    cmdVazgec->setEnabled(!m_sending);
}

void frmSonEkran::Form_Load()
{
    DTPicker1->setDate(QDate::currentDate());
    DTPicker2->setTime(QTime::currentTime());
    gBrowserUrl = AdvertisementAddress();
    WebBrowser1->Navigate(gBrowserUrl);
    Label5->setText(ToTurkishDateTime(QDateTime::currentDateTime()));
    Timer1->start();
}

void frmSonEkran::Form_Activate()
{
    ArrangeControls();
    if (cbGonderen->count() > 0) return;
    QString reply;
    // An account of no known gateway kind asks nothing.
    if (gGatewayKind != GatewayKind::None) {
        Gateway gateway;
        const QString login = GatewayUserName();
        const QString password = gPassword;
        reply = RunOffThread(ConnectingText(), [&] { return gateway.GetInfo(login, password); });
    }
    const SendScreenAccount account = ReadSendScreenAccount(reply);
    m_accountRead = IsAccountReply(reply);
    if (account.credit) lblKontor->setText(QLatin1Char(' ') + *account.credit);
    cbGonderen->addItems(account.originators);
    if (cbGonderen->count() > 0) cbGonderen->setCurrentIndex(0);
    if (!account.complete()) {
        lblNet->setVisible(true);
        return;
    }
    DTPicker1->setDate(QDate::currentDate());
    DTPicker2->setTime(QTime::currentTime());
}

void frmSonEkran::ArrangeControls()
{
    const int w = WidthTw(this);
    const int h = HeightTw(this);
    const SonEkranLayout l = SonEkranArrangement(w, h, w, WidthTw(cmdVazgec));
    SetGeometryTw(DataGrid1, l.DataGrid1);
    if (l.messageColumnWidth > 0) DataGrid1->setColumnWidth(1, tw(l.messageColumnWidth));
    SetGeometryTw(cmdLstCikart, l.cmdLstCikart);
    SetGeometryTw(Frame1, l.Frame1);
    SetGeometryTw(Frame2, l.Frame2);
    SetGeometryTw(cmdGonder, l.cmdGonder);
    SetGeometryTw(cmdVazgec, l.cmdVazgec);
    SetGeometryTw(lblNet, l.lblNet);
    SetGeometryTw(WebBrowser1, l.WebBrowser1);
}

bool frmSonEkran::Form_QueryUnload()
{
    Timer1->stop();
    CallerForm = nullptr;
    return false;
}

void frmSonEkran::Timer1_Timer() { Label5->setText(ToTurkishDateTime(QDateTime::currentDateTime())); }

Gateway &frmSonEkran::sendGateway()
{
    if (!m_sendGateway) m_sendGateway = std::make_unique<Gateway>();
    return *m_sendGateway;
}

void frmSonEkran::goToFirstRow()
{
    if (Adodc1->rowCount() > 0) DataGrid1->setCurrentIndex(Adodc1->index(0, 0));
}

namespace {

const QString kConfirmTitle = QStringLiteral("Brenvik Mesaj Gönderim Onayı");

// A Yes/No question of the send; true when the answer is Yes and the screen is still there.
bool AnsweredYes(QWidget *screen, const QString &question)
{
    if (Prompt::show(question, PromptIcon::Question, kConfirmTitle, PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    return !WorkForms::isUnloaded(screen);
}

// The account, the credit and the originator; the originator when they all pass, else unset
// after the refusal's box.
std::optional<QString> CheckedOriginator(bool accountRead, const QString &credit, const QString &total,
                                         QComboBox *originators)
{
    if (!accountRead) {
        Prompt::show(GatewayUnreachableText(), PromptIcon::Critical, QStringLiteral("Brenvik Uyarı"));
        return std::nullopt;
    }
    if (!HasEnoughCredit(credit, total)) {
        Prompt::show(QStringLiteral("SMS Göndermek İçin Yeterli Krediniz Yok"), PromptIcon::Information,
                     QStringLiteral("Brenvik Uyarı"));
        return std::nullopt;
    }
    const QString originator = originators->currentText();
    if (originator.isEmpty()) {
        Prompt::show(QStringLiteral("SMS Göndermek İçin Gönderen Bölümünü Seçmelisiniz"), PromptIcon::Information,
                     QStringLiteral("Uyarı"));
        originators->setFocus();
        return std::nullopt;
    }
    return originator;
}

// The one sendsms of the basket, off the window thread (none for an account of no known
// gateway kind). Unset when its outcome is unknown: the gateway may have the messages, so
// the list and the screen stay as they are and a further send asks first (maybeSent).
std::optional<QString> SendBasket(Gateway &gateway, const QString &originator, const QString &sdate, bool &maybeSent)
{
    const bool asks = gGatewayKind != GatewayKind::None;
    const QString login = GatewayUserName();
    const QString password = gPassword;
    const QString reply =
        asks ? RunOffThread(ConnectingText(), [&] { return gateway.sendsms(login, password, originator, sdate); })
             : QString();
    if (asks && SendOutcomeUnknown(reply, gateway.lastOutcome())) {
        maybeSent = true;
        gateway.clearsmsbasket();
        Prompt::show(SendOutcomeUnknownText(), PromptIcon::Exclamation, QStringLiteral("Uyarı"));
        return std::nullopt;
    }
    return reply;
}

// A reply other than an accepted send: its box, the basket emptied.
void ShowRefusedSend(const SendReplyJudgement &judged, QLabel *netWarning, Gateway &gateway)
{
    if (judged.showNetWarning) netWarning->setVisible(true);
    Prompt::show(judged.text, judged.icon, judged.title);
    gateway.clearsmsbasket();
}

// What the accepted send writes: its log row, its template, the numbers left out.
AcceptedSend AcceptedSendOf(const QString &messageId, const RecordSet &list, const QString &originator,
                            const QDateTime &sentAt, const QDateTime &sendAt, bool saveAsTemplate,
                            const QString &templateKind)
{
    AcceptedSend send;
    send.messageId = messageId;
    send.sendList = &list;
    send.originator = originator;
    send.sentAt = sentAt;
    send.sendAt = sendAt;
    send.saveAsTemplate = saveAsTemplate;
    send.templateKind = templateKind;
    send.messageText = gMessageText;
    return send;
}

// The accepted send's rows and the file of the numbers left out; then the basket emptied.
AcceptedSendResult CompleteSend(const AcceptedSend &send, Gateway &gateway)
{
    // The numbers left out are written to their file even when the operator leaves the screen
    // meanwhile: from a copy, which a merge started from another window cannot replace.
    const RecordSet overLimit = gOverLimitRecipients;
    const AcceptedSendResult result =
        frmSonEkran::CompleteAcceptedSend(send, overLimit, [] { return Lifecycle::ended(); });
    gateway.clearsmsbasket();
    return result;
}

} // namespace

void frmSonEkran::cmdGonder_Click()
{
    // The list is complete only once the opener has finished filling it; a send that runs
    // (its export lets the message loop run) takes no second click.
    if (m_filling || m_cancelled || m_sending) return;
    const RecordSet &list = SendList();
    if (list.rowCount() == 0) return;

    if (m_maybeSent && !AnsweredYes(this, ResendQuestionText())) return;
    const bool later = chkIleriTarih->isChecked();
    if (!AnsweredYes(this, SendConfirmationText(list.rowCount(), cbGonderen->currentText(), later, DTPicker1->date(),
                                                DTPicker2->time())))
        return;

    WorkOperation op(this);
    m_sending = true;
    updateButtons();
    const auto sendingEnds = qScopeGuard([this] {
        m_sending = false;
        updateButtons();
    });
    Gateway &gateway = sendGateway();
    try {
        const std::optional<QString> originator =
            CheckedOriginator(m_accountRead, lblKontor->text(), lblToplam->text(), cbGonderen);
        if (!originator) return;
        FillSendBasket(gateway, list);
        const QDate date = DTPicker1->date();
        const QTime time = DTPicker2->time();
        const std::optional<QString> reply =
            SendBasket(gateway, *originator, ScheduledSendText(later, date, time), m_maybeSent);
        if (!reply) return;
        const QDateTime sentAt = QDateTime::currentDateTime();
        const QDateTime sendAt = later ? ScheduledSendTime(date, time) : sentAt;

        const SendReplyJudgement judged = JudgeSendReply(*reply);
        if (judged.kind != SendReplyKind::Accepted) {
            ShowRefusedSend(judged, lblNet, gateway);
            if (!judged.keepScreen && !op.mustStop()) Unload();
            return;
        }
        goToFirstRow();
        const AcceptedSendResult result = CompleteSend(
            AcceptedSendOf(judged.messageId, list, *originator, sentAt, sendAt, SaveAsTemplate, TemplateKind), gateway);
        // The export lets the message loop run: the operator may have left the screen.
        if (op.mustStop()) return;
        if (result.logWritten) {
            gMessageText.clear();
            openReportWindow();
            if (CallerForm) WorkForms::unload(CallerForm);
        }
        Unload();
    } catch (const std::exception &e) {
        Prompt::show(SendFailureText(describe(e)), PromptIcon::Critical, QStringLiteral("Uyarı"));
        gateway.clearsmsbasket();
        goToFirstRow();
    }
}

AcceptedSendResult frmSonEkran::CompleteAcceptedSend(AcceptedSend send, const RecordSet &overLimitRecipients,
                                                     const std::function<bool()> &mustStop)
{
    send.overLimit = overLimitRecipients.rowCount() > 0;
    const AcceptedSendResult result = FinishAcceptedSend(send, PaintingWaitStep);
    for (const SendNotice &n : result.notices) Prompt::show(n.text, n.icon, n.title);
    if (result.exportOverLimit) {
        QDir().mkpath(DocumentsFolder());
        ProgressWindow::show();
        QCoreApplication::processEvents();
        ExportToExcel(overLimitRecipients, OverLimitFileName(), overLimitRecipients.fieldNames(), mustStop);
        QCoreApplication::processEvents();
        ProgressWindow::hide();
    }
    return result;
}

void frmSonEkran::openReportWindow()
{
    frmRapor *report = WorkForms::get<frmRapor>();
    report->frmMDIForm = frmMDIForm ? frmMDIForm.data() : frmMDI::instance();
    report->Show();
}

void frmSonEkran::cmdLstCikart_Click()
{
    if (m_filling || m_sending) return;
    if (Prompt::show(
            QStringLiteral("Seçtiğiniz kaydı mesaj gönderim listesinden çıkartmak istediğinizden emin misiniz?"),
            PromptIcon::Question, QStringLiteral("Brenvik SMS Gönderimi"), PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    if (WorkForms::isUnloaded(this)) return;
    const QModelIndex current = DataGrid1->currentIndex();
    if (!current.isValid()) return;
    Adodc1->removeRow(current.row());
    // The total shown (and compared with the credit) is the list as it now stands.
    setAddedCount(SendList().rowCount());
}

void frmSonEkran::cmdVazgec_Click()
{
    if (m_sending) return;
    try {
        // "Vazgeç" stops a filling that still runs and becomes "Kapat". Once the list is
        // complete there is nothing left to stop, and the same press closes the screen.
        if (cmdVazgec->text() == kVazgec && m_filling) {
            gCancelRequested = true;
            cmdVazgec->setText(kKapat);
            m_cancelled = true;
            updateButtons();
            return;
        }
        if (CallerForm) {
            if (auto *docked = qobject_cast<DockedWindow *>(CallerForm.data()))
                docked->Show();
            else
                CallerForm->show();
        }
        gCancelRequested = false;
        Unload();
    } catch (const std::exception &e) {
        Prompt::show(describe(e), PromptIcon::Critical, QStringLiteral("Brenvik"));
    }
}
