// The windows that are opened by name (WorkForms::get(name)) and the work set members that
// keep their own instance, one line each. A new window class that the navigation or another
// folder opens by name adds its include and its line.

#include "app/BrenvikComposition.h"
#include "shell/WorkArea.h"

#include "interactive/frmInteractiveGraf.h"
#include "interactive/frmInteractiveSMS.h"
#include "messaging/RecipientWindows.h"
#include "messaging/frmHizliMesaj.h"
#include "messaging/frmSablonlar.h"
#include "reports/frmRapor.h"
#include "settings/frmAyarlar.h"
#include "shell/frmBekle.h"
#include "shell/frmBrw.h"
#include "shell/frmPop.h"

namespace {
void registerWorkForms()
{
    WorkForms::registerClass<frmAyarlar>();
    WorkForms::registerClass<frmBakiyeGonder>();
    WorkForms::registerClass<frmBrw>();
    WorkForms::registerClass<frmChkMesaj>();
    WorkForms::registerClass<frmGrupMesaj>();
    WorkForms::registerClass<frmHizliMesaj>();
    WorkForms::registerClass<frmInteractiveGraf>();
    WorkForms::registerClass<frmInteractiveSMS>();
    WorkForms::registerClass<frmRapor>();
    WorkForms::registerClass<frmSablonlar>();
    WorkForms::registerClass<frmYetkiliMesaj>();

    // Windows that keep their own instance.
    WorkForms::registerMember(QStringLiteral("frmBekle"), &frmBekle::isLoaded, &frmBekle::unload);
    WorkForms::registerMember(QStringLiteral("frmPop"), &frmPop::isLoaded, &frmPop::unload);
}
} // namespace

void InstallWorkFormCatalog() { WorkForms::setCatalog(&registerWorkForms); }
