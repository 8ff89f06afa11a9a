#include "app/BrenvikComposition.h"

#include "core/LocalDb.h"
#include "core/Services.h"
#include "messaging/RecipientHandOver.h"
#include "shell/StartupWindows.h"
#include "shell/WidgetServices.h"

void InstallDatabaseClosing()
{
    Lifecycle::setClosing([] {
        CloseLocalDb();
        CloseErpDb();
    });
}

void InstallBrenvik()
{
    InstallWidgetServices();
    InstallStartupWindows();
    InstallRecipientHandOver();
    InstallWorkFormCatalog();
    InstallDatabaseClosing();
}
