#include "shell/frmHakkinda.h"

#include "core/AppState.h"
#include "shell/Controls.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
QLabel *centredLabel(QWidget *parent, const char *name, const QString &text, const TwRect &r)
{
    auto *l = MakeLabel(parent, name, text, r);
    l->setAlignment(Qt::AlignCenter);
    return l;
}
} // namespace

frmHakkinda::frmHakkinda()
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmHakkinda"));
    setWindowTitle(QStringLiteral("Orvek® Talvane Hakkında"));
    setFixedSize(tw(5190), tw(4575));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    Label1 = centredLabel(this, "Label1", QStringLiteral("Orvek® Talvane 1.0"), TwRect{0, 150, 5190, 360});
    QFont big = font();
    big.setPointSize(12);
    big.setBold(true);
    Label1->setFont(big);

    Image1 = centredLabel(this, "Image1", QString(), TwRect{1560, 600, 720, 720});
    Image1->setPixmap(ProductPicture(1, Image1->size()));
    Image2 = centredLabel(this, "Image2", QString(), TwRect{2910, 600, 720, 720});
    Image2->setPixmap(ProductPicture(2, Image2->size()));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    SetGeometryTw(Frame1, TwRect{240, 1440, 4710, 2460});
    Label2 = centredLabel(Frame1, "Label2",
                          QStringLiteral("Bu programın tüm hakları saklıdır. İzinsiz kullanılması ve "
                                         "kopyalanması yasaktır."),
                          TwRect{120, 180, 4470, 720});
    Label2->setWordWrap(true);
    lblKullaniciAdi =
        centredLabel(Frame1, "lblKullaniciAdi", QStringLiteral("Kullanıcı adı"), TwRect{120, 1020, 4470, 270});
    lblKullanici = centredLabel(Frame1, "lblKullanici", QString(), TwRect{120, 1320, 4470, 270});
    lblBayiKodu = centredLabel(Frame1, "lblBayiKodu", QStringLiteral("Client kodu"), TwRect{120, 1740, 4470, 270});
    lblBayi = centredLabel(Frame1, "lblBayi", QString(), TwRect{120, 2040, 4470, 270});
    QFont bold = font();
    bold.setBold(true);
    lblKullanici->setFont(bold);
    lblBayi->setFont(bold);

    Command1 = new QPushButton(QStringLiteral("Kapat"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    SetGeometryTw(Command1, TwRect{1920, 4080, 1335, 375});
    connect(Command1, &QPushButton::clicked, this, &frmHakkinda::Command1_Click);

    if (QScreen *s = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    Form_Load();
}

void frmHakkinda::Form_Load()
{
    lblKullanici->setText(gUserName);
    if (gGatewayKind == GatewayKind::Brenvik) {
        lblBayi->setText(gCkey);
        lblBayiKodu->setVisible(true);
        lblBayi->setVisible(true);
    } else {
        lblBayiKodu->setVisible(false);
        lblBayi->setVisible(false);
    }
}

void frmHakkinda::Command1_Click() { WorkForms::unload(this); }

void frmHakkinda::closeEvent(QCloseEvent *event)
{
    event->accept();
    WorkForms::unload(this);
}

void frmHakkinda::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        Command1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}
