#pragma once

// Base of every docked work window: the browser window, the recipient windows, the send
// screen, the template and quick message windows, the report, settings and interactive
// windows.
//
// How to write one:
//
//     class frmRapor : public DockedWindow {
//         Q_OBJECT
//     public:
//         frmRapor();                         // builds the controls (objectName = their names)
//     protected:
//         void Form_Load() override;          // what the window does when it loads
//         void ArrangeControls() override;    // lays out the controls (twips, shell/Twips.h)
//         bool Form_QueryUnload() override;   // extra close steps; true refuses the unload
//     private:
//         QTabWidget *SSTab1 = nullptr;       // controls are private; tests find them by name
//     };
//
// and open it the way the navigation does:
//
//     auto *w = WorkForms::get<frmRapor>();   // the program-wide instance (WorkArea.h)
//     w->frmMDIForm = mainWindow;             // before the first Show
//     w->Show();
//
// Show() (modeless) loads the window on its first call: it docks into the work area of
// frmMDIForm, takes the docked geometry (left 2800, top 0, width client width - 2850, height
// client height - 60, twips), runs Form_Load() and then ArrangeControls(); it then shows and
// raises the window, and runs Form_Activate() once, within that first Show (a message box
// closing, or showing the window again after hiding it, does not run it again). Every later
// Show() only shows and raises it.
//
// On every resize of the main window, frmMDIForm_Resize() runs: the docked geometry again,
// then ArrangeControls(). Hidden loaded windows follow too. Each geometry step that does not
// fit (a main window too small) is skipped, the others still apply.
//
// Unload() (= WorkForms::unload(this)) runs the close handler, hides the window, detaches it
// from the work area and deletes it later; see WorkArea.h for the rules and for long loops
// that yield (WorkOperation). The close handler is Form_QueryUnload(): unless it refuses,
// the base then releases frmMDIForm (sets it to nothing) and stops the resize notifications.
// Do not delete a work window yourself; do not call close() on it (use Unload()).

#include "shell/WorkArea.h"
#include "shell/frmMDI.h"

#include <QPointer>
#include <QWidget>

class DockedWindow : public QWidget {
    Q_OBJECT
public:
    explicit DockedWindow(QWidget *parent = nullptr);
    ~DockedWindow() override;

    // The main window; assigned by the opener before Show, released by the close handler.
    QPointer<frmMDI> frmMDIForm;

    void Show();
    bool Unload();
    // Whether the first Show has loaded the window.
    bool isLoadedWindow() const { return m_loaded; }

public slots:
    // The main window was resized.
    virtual void frmMDIForm_Resize();

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void ArrangeControls() {}
    // Extra steps of the close handler; return true to refuse the unload.
    virtual bool Form_QueryUnload() { return false; }

    // Applies the docked geometry from frmMDIForm's client size (nothing without it).
    void DockToMainWindow();

    void closeEvent(QCloseEvent *event) final;

private:
    void releaseMainWindow();
    QMetaObject::Connection m_resizeConnection;
    bool m_loaded = false;
    bool m_activated = false;
};
