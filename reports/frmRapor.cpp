#include "reports/frmRapor.h"

#include "core/AppState.h"
#include "shell/Twips.h"

#include <QFrame>
#include <QTabWidget>

namespace {
QFrame *tabFrame(QTabWidget *tabs, const char *name, const QString &caption)
{
    auto *f = new QFrame;
    f->setObjectName(QString::fromLatin1(name));
    tabs->addTab(f, caption);
    return f;
}
} // namespace

frmRapor::frmRapor()
{
    setObjectName(QStringLiteral("frmRapor"));
    frRapor = new QFrame(this);
    frRapor->setObjectName(QStringLiteral("frRapor"));
    SSTab1 = new QTabWidget(frRapor);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    frSMS = tabFrame(SSTab1, "frSMS", QStringLiteral("Bir SMS gönderimine ait rapor"));
    frTarih = tabFrame(SSTab1, "frTarih", QStringLiteral("İki tarih arasındaki SMS raporları"));
    frGSM = tabFrame(SSTab1, "frGSM", QStringLiteral("Bir GSM numarasına ait SMS raporları"));
}

void frmRapor::Form_Load()
{
    // A cancel pressed during an earlier run does not carry over past this window's load.
    gCancelRequested = false;
}

void frmRapor::ArrangeControls()
{
    SetGeometryTw(frRapor, TwRect{0, 0, WidthTw(this), HeightTw(this)});
    SetGeometryTw(SSTab1, TwRect{75, 150, WidthTw(frRapor) - 225, HeightTw(frRapor) - 250});
}
