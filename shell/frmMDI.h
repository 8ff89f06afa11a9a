#pragma once

// The main window: the navigation panel frmAna at the left of its client area (WorkArea),
// the docked work windows beside it, the menus "&Program" and "&Yardım".
//
// Constructing it loads it: the navigation panel builds its tree and opens the browser
// window on the web client. Closing it (close box or the system) unloads the placeholder
// menu, closes the local and the ERP connection, unloads every other window and ends the
// program; "&Kapat" ends the program at once.

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QSize>

class QAction;
class QMenu;
class WorkArea;
class frmAna;

// Where the main window opens on a screen: its opening size centred on the screen's available
// area (the frame's top left in `frameTopLeft`), or maximised when that size and the window
// frame's margins do not fit there.
struct MainWindowPlacement {
    QPoint frameTopLeft;
    QSize size;
    bool maximised = false;
    bool operator==(const MainWindowPlacement &o) const
    {
        return maximised == o.maximised && (maximised || (frameTopLeft == o.frameTopLeft && size == o.size));
    }
};
MainWindowPlacement PlaceMainWindow(const QRect &available, const QSize &size, const QMargins &frame);

class frmMDI : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char *kDesignCaption = "Orvek® Talvane";

    explicit frmMDI(QWidget *parent = nullptr);
    ~frmMDI() override;

    // The client area that holds the navigation panel and the docked windows.
    WorkArea *workArea() const { return m_workArea; }
    // Client width and height in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;
    frmAna *Ana() const { return m_ana; }

    // The size in twips it opens with: wide enough for a recipient window's grid to show its
    // designed columns (12880 twips, a scroll bar and the filter frame beside it) right of the
    // navigation panel. It is built at the design size, 11790 x 8640.
    static constexpr int kOpeningWidth = 19500;
    static constexpr int kOpeningHeight = 8640;
    QSize OpeningSize() const;
    // Shows the window where the operator can use it (PlaceMainWindow on the screen of the
    // active window, else the primary screen), on either road of the start.
    void ShowOnScreen();

    // The main window of the program (nullptr when there is none).
    static frmMDI *instance();

    void miKapat_Click();
    void miHakkinda_Click();
    // The operator's guide beside the program: handed to the desktop's program for HTML
    // files; where there is none (or it gives up on the file) shown in the browser window;
    // a missing file is said in a box.
    void miF1_Click();
    void miWEB_Click();

signals:
    // The main window was resized; the docked windows lay themselves out.
    void Resize();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void MDIForm_Load();
    void MDIForm_Resize();
    void MDIForm_QueryUnload();

    WorkArea *m_workArea = nullptr;
    frmAna *m_ana = nullptr;
    QMenu *miProgram = nullptr;
    QMenu *miYardim = nullptr;
    QAction *miKapat = nullptr;
    QAction *miHakkinda = nullptr;
    QAction *miF1 = nullptr;
    QAction *miWEB = nullptr;
};
