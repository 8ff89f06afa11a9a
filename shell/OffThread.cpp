#include "shell/OffThread.h"

#include "core/Services.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>

namespace {

int g_running = 0;

// Swallows the operator's input for every object of the program while a wait runs; paint,
// timers, queued calls and the program's own (not spontaneous) close requests pass.
class InputBlocker : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        case QEvent::Close:
            if (event->spontaneous()) {
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

InputBlocker *g_blocker = nullptr;

void blockInput()
{
    if (g_running++ == 0 && QCoreApplication::instance()) {
        g_blocker = new InputBlocker;
        QCoreApplication::instance()->installEventFilter(g_blocker);
    }
}

void unblockInput()
{
    if (--g_running == 0 && g_blocker) {
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(g_blocker);
        delete g_blocker;
        g_blocker = nullptr;
    }
}

} // namespace

void PaintingWaitStep()
{
    blockInput();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    unblockInput();
}

struct OffThreadWait::Private {
    QEventLoop loop;
    WaitWindow window = WaitWindow::Own;
    std::atomic<bool> done{false};
};

OffThreadWait::OffThreadWait(const QString &waitText, WaitWindow window) : d(new Private)
{
    d->window = window;
    blockInput();
    if (!waitText.isEmpty()) ProgressWindow::setStatus(waitText);
    if (window == WaitWindow::Own) ProgressWindow::show();
}

OffThreadWait::~OffThreadWait()
{
    if (d->window == WaitWindow::Own) ProgressWindow::hide();
    unblockInput();
    delete d;
}

void OffThreadWait::finish()
{
    d->done = true;
    // Queued: the loop lives on the window thread; a quit posted before the loop runs is
    // taken when it starts.
    QMetaObject::invokeMethod(&d->loop, "quit", Qt::QueuedConnection);
}

void OffThreadWait::wait()
{
    while (!d->done) d->loop.exec();
}

int OffThreadWait::runningCount() { return g_running; }
