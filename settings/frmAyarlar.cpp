#include "settings/frmAyarlar.h"

#include "shell/Twips.h"

#include <QTabWidget>

frmAyarlar::frmAyarlar()
{
    setObjectName(QStringLiteral("frmAyarlar"));
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    for (const QString &caption :
         {QStringLiteral("Genel"), QStringLiteral("Otomatik mesajlar"), QStringLiteral("İnteraktif SMS")})
        SSTab1->addTab(new QWidget, caption);
    SSTab1->resize(tw(8500), tw(6600));
}

void frmAyarlar::ArrangeControls()
{
    // The tab control stands centred in the window.
    SetLeftTw(SSTab1, (WidthTw(this) - WidthTw(SSTab1)) / 2);
    SetTopTw(SSTab1, (HeightTw(this) - HeightTw(SSTab1)) / 2);
}
