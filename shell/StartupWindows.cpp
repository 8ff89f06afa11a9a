#include "shell/StartupWindows.h"

#include "core/Startup.h"
#include "shell/frmGiris.h"
#include "shell/frmMDI.h"
#include "shell/frmSirketSec.h"

#include <QApplication>
#include <QEvent>

void InstallStartupWindows()
{
    StartupWindows::Handlers h;
    h.showLogin = [] {
        auto *login = new frmGiris;
        login->setAttribute(Qt::WA_DeleteOnClose);
        login->show();
    };
    h.chooseCompany = [] {
        frmSirketSec window(QApplication::activeWindow());
        if (window.Form_Load()) window.exec();
    };
    h.showMainWindow = [](const QString &captionTail) {
        frmMDI *mdi = frmMDI::instance();
        if (!mdi) mdi = new frmMDI;
        mdi->ShowOnScreen();
        mdi->setWindowTitle(mdi->windowTitle() + captionTail);
    };
    StartupWindows::setHandlers(h);
}

void ReleaseWindows()
{
    // The main window's destructor unloads the work set and the about box; their deletions
    // were only posted, and no event loop runs any more to carry them out.
    delete frmMDI::instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
