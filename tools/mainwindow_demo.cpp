// Opens the main window by hand over a temporary copy of the shipped database, signed in
// with a demonstration account; no start-up or login runs.
//   mainwindow_demo [Brenvik|Ambrel] [user] [client code]

#include "core/AppState.h"
#include "messaging/RecipientHandOver.h"
#include "shell/BrowserView.h"
#include "shell/StartupWindows.h"
#include "shell/WidgetServices.h"
#include "shell/frmMDI.h"
#include "tests/support/Fixtures.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    InstallWidgetServices();
    InstallRecipientHandOver();
    ProgramFolderFixture folder;
    const QStringList args = app.arguments();
    gGatewayKind = ParseGatewayKind(args.value(1)).value_or(GatewayKind::Brenvik);
    gUserName = args.value(2, QStringLiteral("demo"));
    gCkey = args.value(3, QStringLiteral("B001"));
    gPassword = QStringLiteral("parola");
    gErpConfigured = true;
    auto *mdi = new frmMDI;
    mdi->show();
    mdi->setWindowTitle(QString::fromUtf8(frmMDI::kDesignCaption) + QStringLiteral(" [Kullanıcı : ") + gUserName +
                        QStringLiteral(" Şirket : Demo]"));
    const int rc = app.exec();
    ReleaseWindows();
    return rc;
}
