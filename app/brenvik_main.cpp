#include "app/BrenvikComposition.h"
#include "core/Startup.h"
#include "shell/BrowserView.h"
#include "shell/DesktopLook.h"
#include "shell/StartupWindows.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    UseProgramFont();
    UseTurkishTexts();
    InstallBrenvik();
    if (!Main()) return 0;
    const int rc = app.exec();
    ReleaseWindows();
    return rc;
}
