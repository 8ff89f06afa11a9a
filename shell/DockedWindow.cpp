#include "shell/DockedWindow.h"

#include "shell/Twips.h"

#include <QCloseEvent>
#include <QtDebug>

DockedWindow::DockedWindow(QWidget *parent) : QWidget(parent)
{
    // The work area paints a dark background; a docked window paints its own, so its
    // controls take the ordinary window colours instead of inheriting the dark role.
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
}

DockedWindow::~DockedWindow() = default;

void DockedWindow::Show()
{
    if (WorkForms::isUnloaded(this)) return;
    WorkForms::KeepAlive keep(this);
    if (!m_loaded) {
        m_loaded = true;
        if (!frmMDIForm) qWarning("%s shown without its main window", metaObject()->className());
        if (frmMDIForm) {
            setParent(frmMDIForm->workArea());
            m_resizeConnection = connect(frmMDIForm.data(), &frmMDI::Resize, this, &DockedWindow::frmMDIForm_Resize);
        }
        DockToMainWindow();
        Form_Load();
        if (WorkForms::isUnloaded(this)) return;
        ArrangeControls();
    }
    if (WorkForms::isUnloaded(this)) return;
    show();
    raise();
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

bool DockedWindow::Unload() { return WorkForms::unload(this); }

void DockedWindow::frmMDIForm_Resize()
{
    if (!m_loaded || WorkForms::isUnloaded(this)) return;
    WorkForms::KeepAlive keep(this);
    DockToMainWindow();
    ArrangeControls();
}

void DockedWindow::DockToMainWindow()
{
    if (!frmMDIForm) return;
    SetGeometryTw(this, DockedWindowGeometry(frmMDIForm->ScaleWidth(), frmMDIForm->ScaleHeight()));
}

void DockedWindow::closeEvent(QCloseEvent *event)
{
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    releaseMainWindow();
    event->accept();
}

void DockedWindow::releaseMainWindow()
{
    if (m_resizeConnection) disconnect(m_resizeConnection);
    m_resizeConnection = {};
    frmMDIForm = nullptr;
}
