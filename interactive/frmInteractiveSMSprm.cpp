#include "interactive/frmInteractiveSMSprm.h"

#include "core/InteractiveRules.h"
#include "core/Services.h"
#include "shell/Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

frmInteractiveSMSprm::frmInteractiveSMSprm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInteractiveSMSprm"));
    setWindowTitle(QStringLiteral("Parametre Girişi"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Parametre Ekle"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    SetGeometryTw(Label1, TwRect{240, 180, 5400, 285});
    Label2 =
        new QLabel(QStringLiteral("Gelen Mesajda İlk Karakter Olarak Gelecek Olan Parametre Değerini Giriniz."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    SetGeometryTw(Label2, TwRect{240, 540, 5400, 495});
    Label3 = new QLabel(QStringLiteral("Alan Seçiniz :"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    SetGeometryTw(Label3, TwRect{240, 1245, 1500, 255});
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaxLength(kKeywordMaxLength);
    // Letters and digits of ASCII only; a paste holding anything else is refused whole.
    Text1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]*")), Text1));
    SetGeometryTw(Text1, TwRect{1800, 1200, 3840, 315});
    DMSXpButton1 = new QPushButton(QStringLiteral("Tamam"), this);
    DMSXpButton1->setObjectName(QStringLiteral("DMSXpButton1"));
    DMSXpButton1->setAutoDefault(false);
    SetGeometryTw(DMSXpButton1, TwRect{3120, 1800, 1200, 375});
    DMSXpButton2 = new QPushButton(QStringLiteral("Vazgeç"), this);
    DMSXpButton2->setObjectName(QStringLiteral("DMSXpButton2"));
    DMSXpButton2->setAutoDefault(false);
    SetGeometryTw(DMSXpButton2, TwRect{4440, 1800, 1200, 375});
    connect(DMSXpButton1, &QPushButton::clicked, this, &frmInteractiveSMSprm::DMSXpButton1_Click);
    connect(DMSXpButton2, &QPushButton::clicked, this, &frmInteractiveSMSprm::DMSXpButton2_Click);
    setFixedSize(tw(5880), tw(2400));
}

void frmInteractiveSMSprm::DMSXpButton1_Click()
{
    const QString text = Text1->text();
    if (text.isEmpty()) {
        Prompt::show(QStringLiteral("Parametre alanı boş geçilemez"), PromptIcon::Information, QStringLiteral("Uyarı"));
        return;
    }
    m_keyword = KeywordUpper(text);
    accept();
}

void frmInteractiveSMSprm::DMSXpButton2_Click() { reject(); }

void frmInteractiveSMSprm::reject()
{
    m_keyword.clear();
    QDialog::reject();
}

void frmInteractiveSMSprm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
