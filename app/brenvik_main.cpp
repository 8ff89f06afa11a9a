#include "core/Startup.h"
#include "messaging/RecipientHandOver.h"
#include "shell/BrowserView.h"
#include "shell/StartupWindows.h"
#include "shell/WidgetServices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    InstallWidgetServices();
    InstallStartupWindows();
    InstallRecipientHandOver();
    if (!Main()) return 0;
    const int rc = app.exec();
    ReleaseWindows();
    return rc;
}
