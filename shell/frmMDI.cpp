#include "shell/frmMDI.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/PageAddresses.h"
#include "core/Services.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmHakkinda.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>

frmMDI::frmMDI(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMDI"));
    setWindowTitle(QString::fromUtf8(kDesignCaption));
    setWindowIcon(ProgramIcon());

    m_workArea = new WorkArea(this);
    m_workArea->setObjectName(QStringLiteral("WorkArea"));
    m_workArea->setAutoFillBackground(true);
    m_workArea->setBackgroundRole(QPalette::Dark);
    setCentralWidget(m_workArea);

    miProgram = menuBar()->addMenu(QStringLiteral("&Program"));
    miProgram->setObjectName(QStringLiteral("miProgram"));
    miKapat = miProgram->addAction(QStringLiteral("&Kapat"));
    miKapat->setObjectName(QStringLiteral("miKapat"));
    connect(miKapat, &QAction::triggered, this, &frmMDI::miKapat_Click);

    miYardim = menuBar()->addMenu(QStringLiteral("&Yardım"));
    miYardim->setObjectName(QStringLiteral("miYardim"));
    miHakkinda = miYardim->addAction(QStringLiteral("Orvek® Talvane Hakkında"));
    miHakkinda->setObjectName(QStringLiteral("miHakkinda"));
    connect(miHakkinda, &QAction::triggered, this, &frmMDI::miHakkinda_Click);
    miF1 = miYardim->addAction(QStringLiteral("Yardım Ko&nuları"));
    miF1->setObjectName(QStringLiteral("miF1"));
    connect(miF1, &QAction::triggered, this, &frmMDI::miF1_Click);
    miWEB = miYardim->addAction(ProductSiteHost());
    miWEB->setObjectName(QStringLiteral("miWEB"));
    connect(miWEB, &QAction::triggered, this, &frmMDI::miWEB_Click);

    connect(m_workArea, &WorkArea::resized, this, &frmMDI::MDIForm_Resize);
    WorkForms::adopt(this);
    MDIForm_Load();
}

frmMDI::~frmMDI()
{
    // Nothing outlives the main window: the work set and the about box go with it.
    UnloadWorkForms();
    WorkForms::unload<frmHakkinda>();
}

frmMDI *frmMDI::instance() { return WorkForms::find<frmMDI>(); }

int frmMDI::ScaleWidth() const { return WidthTw(m_workArea); }
int frmMDI::ScaleHeight() const { return HeightTw(m_workArea); }

void frmMDI::MDIForm_Load()
{
    m_ana = new frmAna(this);
    m_ana->move(0, 0);
    m_ana->Form_Load();
    m_ana->show();
    resize(tw(11790), tw(8640));
}

void frmMDI::MDIForm_Resize()
{
    if (!m_ana) return;
    if (WidthTw(m_ana) < kNavigationPanelWidth) {
        m_ana->move(0, 0);
        SetWidthTw(m_ana, kNavigationPanelWidth);
    }
    SetHeightTw(m_ana, NavigationPanelHeight(ScaleHeight()));
    m_ana->fitTreeToPanel();
    emit Resize();
}

MainWindowPlacement PlaceMainWindow(const QRect &available, const QSize &size, const QMargins &frame)
{
    MainWindowPlacement p;
    p.size = size;
    const QSize outer = size.grownBy(frame);
    if (outer.width() > available.width() || outer.height() > available.height()) {
        p.maximised = true;
        return p;
    }
    p.frameTopLeft = available.topLeft() +
                     QPoint((available.width() - outer.width()) / 2, (available.height() - outer.height()) / 2);
    return p;
}

QSize frmMDI::OpeningSize() const { return QSize(tw(std::max(11790, kOpeningWidth)), tw(kOpeningHeight)); }

void frmMDI::ShowOnScreen()
{
    QWidget *active = QApplication::activeWindow();
    QScreen *screen = active && active != this ? active->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    // Before the first show the window system has not told the frame's size; allow for a
    // usual title bar and border.
    QMargins frame(frameGeometry().left() - geometry().left(), geometry().top() - frameGeometry().top(),
                   frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    if (!isVisible() && frame.isNull()) frame = QMargins(4, 30, 4, 4);
    const MainWindowPlacement p = PlaceMainWindow(screen ? screen->availableGeometry() : QRect(), OpeningSize(), frame);
    if (p.maximised) {
        // Without a window manager the maximised state is not acted on: fill the area anyway.
        const QRect area = screen ? screen->availableGeometry() : QRect();
        if (area.isValid()) {
            resize(area.size().shrunkBy(frame));
            move(area.topLeft());
        }
        showMaximized();
        return;
    }
    resize(p.size);
    move(p.frameTopLeft);
    showNormal();
}

void frmMDI::miKapat_Click() { Lifecycle::endProgram(); }

void frmMDI::miHakkinda_Click()
{
    frmHakkinda *about = WorkForms::get<frmHakkinda>();
    about->show();
    about->raise();
    about->activateWindow();
}

void frmMDI::miF1_Click()
{
    const QString path = HelpFilePath();
    if (!QFileInfo(path).isFile()) {
        Prompt::show(HelpFileMissingText(path), PromptIcon::Critical, QStringLiteral("Uyarı"));
        return;
    }
    QPointer<frmMDI> self(this);
    const auto showInBrowser = [self, path] {
        if (self && self->m_ana) self->m_ana->ShowOwnPage(HelpPageAddress(path));
    };
    if (!Shell::openFile(path, showInBrowser)) showInBrowser();
}

void frmMDI::miWEB_Click() { Shell::openUrl(ProductSiteAddress(gGatewayKind, gUserName, gPassword, gCkey)); }

void frmMDI::MDIForm_QueryUnload()
{
    WorkForms::unload(QStringLiteral("frmPop"));
    if (LocalDb().isOpen()) CloseLocalDb();
    if (ErpDb().isOpen()) CloseErpDb();
}

void frmMDI::closeEvent(QCloseEvent *event)
{
    MDIForm_QueryUnload();
    UnloadWorkForms();
    WorkForms::unload<frmHakkinda>();
    event->accept();
    Lifecycle::endProgram();
}
