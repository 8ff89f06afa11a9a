#include "core/LocalDb.h"
#include "shell/BrowserView.h"
#include "shell/WidgetServices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    InstallWidgetServices();
    LoadSettings();
    return 0;
}
