#pragma once

// The main window: the navigation panel frmAna at the left of its client area (WorkArea),
// the docked work windows beside it, the menus "&Program" and "&Yardım".
//
// Constructing it loads it: the navigation panel builds its tree and opens the browser
// window on the web client. Closing it (close box or the system) unloads the placeholder
// menu, closes the local and the ERP connection, unloads every other window and ends the
// program; "&Kapat" ends the program at once.

#include <QMainWindow>

class QAction;
class QMenu;
class WorkArea;
class frmAna;

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

    // The main window of the program (nullptr when there is none).
    static frmMDI *instance();

    void miKapat_Click();
    void miHakkinda_Click();
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
