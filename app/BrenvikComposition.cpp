#include "app/BrenvikComposition.h"

#include "core/LocalDb.h"
#include "messaging/RecipientHandOver.h"
#include "shell/StartupWindows.h"
#include "shell/WidgetServices.h"

void InstallBrenvik()
{
    InstallWidgetServices();
    InstallStartupWindows();
    InstallRecipientHandOver();
    InstallWorkFormCatalog();
    InstallDatabaseClosing();
}
