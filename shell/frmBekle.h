#pragma once

// The progress window of long operations: a single topmost window at the right edge of the
// screen that refreshes itself once a second from gProgressDone / gProgressTotal while its
// timer runs. The operation talks to it only through those counters, its timer, its labels
// and its unloading (through the ProgressWindow seam from core).

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QTimer;

// Makes the window topmost without moving or resizing it, then puts its right edge on the
// right edge of its screen; its top stays. Does nothing it cannot do.
void SetTopmostRight(QWidget &window);

class frmBekle : public QDialog {
    Q_OBJECT
public:
    // The program-wide window, loaded (hidden) by the first reference.
    static frmBekle *instance();
    static bool isLoaded();
    // Stops the timer, hides the window and deletes it later; the next reference loads a new
    // one whose tick count starts at 0 again.
    static void unload();

private:
    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblIslemHiz = nullptr;
    QTimer *Timer1 = nullptr;

public:
    int ticks() const { return m_ticks; }

    // Shows or hides the speed line (its caption and value).
    void showSpeed(bool shown);
    // Starts Timer1 unless it runs, or stops it.
    void runTimer(bool running);

    // Shows text on the status line. A text longer than the line widens the window (never
    // below its own size) so nothing is cut off, and the window keeps its right edge on the
    // screen's edge.
    void setStatusText(const QString &text);

    // One refresh from the counters (runs on every tick of Timer1).
    void Timer1_Timer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    frmBekle();
    void Form_Load();

    int m_ticks = 0;
    bool m_placedShown = false;
    int m_speedWidth = 0; // the speed value's width at the window's own width
    static QPointer<frmBekle> s_instance;
};
