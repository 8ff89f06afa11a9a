#pragma once

// The main window over a fresh program folder, signed in with a given account, with every
// seam recorded: message boxes, the shell, the end of the program and the browser (no web
// engine starts). The window is shown and exposed; the browser window is its first work
// window. Windows of later tests dock into fixture.mdi().

#include "tests/support/BrowserRecorder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QPointer>
#include <QString>

class frmAna;
class frmMDI;

class MainWindowFixture {
public:
    struct Account {
        QString kind = QStringLiteral("Brenvik");
        QString user = QStringLiteral("demo");
        QString password = QStringLiteral("parola");
        QString ckey = QStringLiteral("B001");
        bool erpConfigured = true;
    };

    MainWindowFixture();
    explicit MainWindowFixture(const Account &account);
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;

    frmMDI *mdi() const { return m_mdi.data(); }
    frmAna *ana() const;
    // Clicks a node of the navigation tree (scrolled into view; its parent is not expanded).
    void clickNode(const QString &key);

    // Runs the deletions that unloads left pending.
    static void flushDeletes();

    ProgramFolderFixture folder;
    PromptRecorder prompts;
    ShellRecorder shell;
    LifecycleRecorder life;
    BrowserRecorder browser;

private:
    // A test may delete the main window itself (ReleaseWindows).
    QPointer<frmMDI> m_mdi;
};
