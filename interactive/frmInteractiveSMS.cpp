#include "interactive/frmInteractiveSMS.h"

#include "shell/Twips.h"

#include <QTabWidget>

frmInteractiveSMS::frmInteractiveSMS()
{
    setObjectName(QStringLiteral("frmInteractiveSMS"));
    setWindowTitle(QStringLiteral("İnteraktif SMS"));
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(new QWidget, QStringLiteral("&İşlemler / Mesajlar"));
    SSTab1->addTab(new QWidget, QStringLiteral("&Geri Dönüş Ayarları"));
}

void frmInteractiveSMS::ArrangeControls()
{
    SetHeightTw(SSTab1, HeightTw(this) - 25);
    SetWidthTw(SSTab1, WidthTw(this) - 15);
}

bool frmInteractiveSMS::Form_QueryUnload()
{
    WorkForms::unload(QStringLiteral("frmPop"));
    return false;
}
