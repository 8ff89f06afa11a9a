#include "shell/frmGiris.h"

#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/Startup.h"
#include "shell/OffThread.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <exception>

frmGiris::frmGiris(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGiris"));
    setWindowTitle(QStringLiteral("Orvek® Talvane - Kullanıcı girişi"));
    setWindowIcon(ProgramIcon());
    setFixedSize(tw(5505), tw(2295));

    imgInfo = new QLabel(this);
    imgInfo->setObjectName(QStringLiteral("imgInfo"));
    imgInfo->setPixmap(ProductPicture(1, QSize(tw(840), tw(840))));
    imgInfo->setAlignment(Qt::AlignCenter);
    imgInfo->setGeometry(tw(120), tw(120), tw(1080), tw(1080));

    const auto label = [this](const char *name, const QString &text, int top) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(tw(1320), top, tw(1200), tw(330));
        return l;
    };
    const auto box = [this](const char *name, int top) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(tw(2520), top, tw(2865), tw(330));
        return e;
    };
    lblUserName = label("lblUserName", QStringLiteral("Kullanıcı adı:"), tw(120));
    txtUserName = box("txtUserName", tw(120));
    lblPassWord = label("lblPassWord", QStringLiteral("Parola:"), tw(540));
    txtPassWord = box("txtPassWord", tw(540));
    txtPassWord->setEchoMode(QLineEdit::Password);
    txtPassWord->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    lblClientKodu = label("lblClientKodu", QStringLiteral("Client kodu:"), tw(960));
    txtClientKodu = box("txtClientKodu", tw(960));
    lblUserName->setBuddy(txtUserName);
    lblPassWord->setBuddy(txtPassWord);
    lblClientKodu->setBuddy(txtClientKodu);

    btnOturumAc = new QPushButton(QStringLiteral("Oturum Aç"), this);
    btnOturumAc->setObjectName(QStringLiteral("btnOturumAc"));
    btnOturumAc->setGeometry(tw(2520), tw(1410), tw(1380), tw(390));
    btnOturumAc->setDefault(true);
    btnVazgec = new QPushButton(QStringLiteral("Vazgeç"), this);
    btnVazgec->setObjectName(QStringLiteral("btnVazgec"));
    btnVazgec->setGeometry(tw(4005), tw(1410), tw(1380), tw(390));
    // Like every button of the window, it takes Enter itself while it has the focus.

    chkKaydet = new QCheckBox(QStringLiteral("Kullanıcı bilgilerimi kaydet"), this);
    chkKaydet->setObjectName(QStringLiteral("chkKaydet"));
    chkKaydet->setGeometry(tw(120), tw(1890), tw(3600), tw(330));

    setTabOrder(txtUserName, txtPassWord);
    setTabOrder(txtPassWord, txtClientKodu);
    setTabOrder(txtClientKodu, btnOturumAc);
    setTabOrder(btnOturumAc, btnVazgec);
    setTabOrder(btnVazgec, chkKaydet);

    connect(btnOturumAc, &QPushButton::clicked, this, &frmGiris::btnOturumAc_Click);
    connect(btnVazgec, &QPushButton::clicked, this, &frmGiris::btnVazgec_Click);

    Form_Load();
    txtUserName->setFocus();
}

void frmGiris::Form_Load()
{
    imgInfo->setVisible(true);
    const bool hosted = gGatewayKind == GatewayKind::Brenvik;
    lblClientKodu->setVisible(hosted);
    txtClientKodu->setVisible(hosted);
    txtClientKodu->setEnabled(hosted);
}

void frmGiris::enableButtons(bool enabled)
{
    btnOturumAc->setEnabled(enabled);
    btnVazgec->setEnabled(enabled);
}

void frmGiris::btnOturumAc_Click()
{
    const QString user = txtUserName->text();
    const QString password = txtPassWord->text();
    const QString ckey = txtClientKodu->text();
    if (LoginInputMissing(user, password)) {
        Prompt::show(LoginInputMissingText(), PromptIcon::Critical, QStringLiteral("Brenvik Kullanıcı girişi"));
        txtUserName->setFocus();
        return;
    }

    enableButtons(false);
    // The disabled buttons are painted; an Esc or close box the operator gave meanwhile has
    // ended the program, and then nothing is sent or saved.
    const QPointer<frmGiris> self(this);
    QCoreApplication::processEvents();
    if (!self || Lifecycle::ended()) return;

    QString reply;
    {
        Gateway gw;
        const QString login = GatewayUserName(gGatewayKind, user, ckey);
        reply = RunOffThread(ConnectingText(), [&] { return gw.GetInfo(login, password); });
    }
    if (!self || Lifecycle::ended()) return;
    const LoginOutcome outcome = JudgeLoginReply(reply);
    if (outcome != LoginOutcome::Success) {
        const LoginRefusal r = LoginRefusalFor(outcome);
        Prompt::show(r.text, r.icon, r.title);
        if (r.showInfo) imgInfo->setVisible(true);
        enableButtons(true);
        if (r.focusUser) txtUserName->setFocus();
        return;
    }

    // An unexpected failure here, in the tail too, shows its description and leaves both
    // buttons disabled: the operator can only close the window, which ends the program.
    try {
        AcceptLogin(user, password, ckey, chkKaydet->isChecked());
        // The tail shows the main window (or ends the program) before this window closes.
        RunStartTailSteps();
    } catch (const OrvekError &e) {
        Prompt::show(e.description(), PromptIcon::None, QStringLiteral("Brenvik"));
        return;
    } catch (const std::exception &e) {
        Prompt::show(QString::fromLocal8Bit(e.what()), PromptIcon::None, QStringLiteral("Brenvik"));
        return;
    }
    m_loggedIn = true;
    accept();
}

void frmGiris::btnVazgec_Click()
{
    Lifecycle::endProgram();
    QDialog::done(QDialog::Rejected);
}

void frmGiris::reject()
{
    if (m_loggedIn) {
        QDialog::reject();
        return;
    }
    btnVazgec_Click();
}
