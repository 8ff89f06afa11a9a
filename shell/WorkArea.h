#pragma once

// The work area and the life cycle of the program's windows.
//
// WorkArea is the client area of the main window: the navigation panel stands at its left
// edge, the docked work windows (DockedWindow, see DockedWindow.h) stand beside it. Several
// docked windows may be loaded at once (a recipient window stays loaded, hidden, behind the
// send screen); the one shown last is on top.
//
// ---- Program-wide instances (WorkForms) -------------------------------------------------
//
// Every window of the program has at most one program-wide instance, registered under its
// class name (the Q_OBJECT class name, e.g. "frmRapor"). A window is loaded on its first use
// and unloaded explicitly; using it after an unload loads a fresh instance.
//
//     frmRapor *w = WorkForms::get<frmRapor>();     // the instance, created when needed
//     frmRapor *w = WorkForms::find<frmRapor>();    // nullptr when not loaded
//     WorkForms::isLoaded<frmRapor>();
//     WorkForms::unload<frmRapor>();                // or WorkForms::unload(this) from inside
//
// Windows that others open by name only (the navigation opens windows whose classes live in
// other folders) add one line to the catalog in app/WorkFormCatalog.cpp, which the program
// installs with WorkForms::setCatalog before its first window:
//
//     WorkForms::registerClass<frmHizliMesaj>();
//
// Windows created by other means (a window built by a seam handler, for instance) join with
// WorkForms::adopt(widget, name). A window class that keeps its own program-wide instance
// (frmBekle::instance() / isLoaded() / unload()) registers those instead, in the catalog:
//
//     WorkForms::registerMember(QStringLiteral("frmBekle"), &frmBekle::isLoaded, &frmBekle::unload);
//
// ---- The work set -----------------------------------------------------------------------
//
// UnloadWorkForms() unloads the work set: the windows named in WorkForms::workSet(), in that
// order, docked or not (the template picker, the progress window and the placeholder menu are
// members too). A window belongs to it by its registered name; nothing else is needed than
// being created through get<T>() / get(name) or adopt(). The main window, the navigation
// panel, the login and company windows and the about box are not members.
//
// ---- Unloading ---------------------------------------------------------------------------
//
// WorkForms::unload(w):
//   1. runs the window's close handler: QWidget::close(), so closeEvent runs (for a
//      DockedWindow that is Form_QueryUnload, see DockedWindow.h); a handler that ignores
//      the event refuses the unload and the window stays as it is;
//   2. hides it and detaches it (no parent, no longer the registered instance);
//   3. deletes it later (QObject::deleteLater), and not before every KeepAlive and
//      WorkOperation that holds it has ended.
// So a window is never deleted while one of its handlers is on the stack: a handler that
// unloads its own window (a close button that calls OnLineServislerGoster) simply returns.
// A top-level window that the window system may close (its close box) calls
// WorkForms::unload(this) at the end of its closeEvent, so its close is a full unload.
//
// ---- Long operations that yield ------------------------------------------------------
//
// A handler that lets the message loop run (processEvents) may find on return that the
// operator navigated away: the navigation unloads the work set and ends every running
// operation first. Write every such loop with a WorkOperation:
//
//     void frmChkMesaj::cmdIleri_Click()
//     {
//         WorkOperation op(this);        // keeps this window alive until op ends
//         op.watch(sendScreen);          // and every other window the loop writes to
//         for (...) {
//             ... one row ...
//             if (op.yield()) return;    // processEvents; true: stop now, touch nothing more
//         }                              //   than what a plain return needs
//     }
//
// A loop over many rows yields on a time slice instead (see core/TimeSlice.h):
//
//             if (op.yieldOnSlice()) return; // events at the first call, then about once a
//                                            //   frame; the stop test on every call
//
// yield() returns true once the operation was cancelled (navigation, UnloadWorkForms, the
// end of the program) or one of its windows was unloaded or deleted. The windows stay
// allocated until the WorkOperation ends, so the stop itself is safe; the loop must not
// go on working (the windows are hidden and detached, their main window reference is gone).
// gCancelRequested is the windows' own flag and is not touched here.
//
// A modal window of the work set (frmInteractiveGraf) runs its own event loop: the handler
// that calls exec() holds a WorkOperation (or a KeepAlive) over its own window and asks
// mustStop() / isUnloaded() when exec() returns; the modal window itself may be gone then.
//
// ---- Tests -------------------------------------------------------------------------------
//
// tests/support/MainWindowFixture.h gives a shown main window (browser recorded, message
// boxes and the end of the program intercepted) to dock windows into; its flushDeletes()
// runs the pending deletions, after which a QPointer to an unloaded window is null.

#include "core/TimeSlice.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class WorkArea : public QWidget {
    Q_OBJECT
public:
    explicit WorkArea(QWidget *parent = nullptr);

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

namespace WorkForms {

// The work set, in the order UnloadWorkForms unloads it.
const QStringList &workSet();
bool inWorkSet(const QString &name);

using Factory = std::function<QWidget *()>;
// Makes a window openable by name; an empty factory removes the name.
void registerFactory(const QString &name, Factory factory);
template <class T>
void registerClass()
{
    registerFactory(QString::fromLatin1(T::staticMetaObject.className()), [] { return new T; });
}
bool hasFactory(const QString &name);
// A window with its own instance keeping: its loaded test and its unload procedure.
void registerMember(const QString &name, std::function<bool()> loaded, std::function<void()> unload);
// The procedure that registers the windows opened by name; it runs once, on the first use of
// the registry after it is set.
void setCatalog(void (*registerCatalog)());

// The loaded instance of a name, loading it through its factory when needed; nullptr when
// the name has no factory.
QWidget *get(const QString &name);
// The loaded instance, or nullptr (also for a window that keeps its own instance).
QWidget *find(const QString &name);
// Loaded here or, for a registered member, by its own test.
bool isLoaded(const QString &name);
// Registers w as the program-wide instance of name (default: its class name). An instance
// already registered under that name is replaced, not unloaded.
void adopt(QWidget *w, const QString &name = QString());
// The names of the loaded windows of the work set, in work set order.
QStringList loadedWorkForms();

// Unloads (see above). Returns false when the window's close handler refused; true also when
// there was nothing to unload.
bool unload(QWidget *w);
// Unloads the registered instance of name and, for a registered member, runs its own unload.
bool unload(const QString &name);
// Whether unload has run on w (it may still wait for its deletion).
bool isUnloaded(const QObject *w);

template <class T>
QString nameOf()
{
    return QString::fromLatin1(T::staticMetaObject.className());
}
template <class T>
T *find()
{
    return qobject_cast<T *>(find(nameOf<T>()));
}
template <class T>
bool isLoaded()
{
    return find<T>() != nullptr;
}
template <class T>
bool unload()
{
    return unload(nameOf<T>());
}
template <class T>
T *get()
{
    if (T *w = find<T>()) return w;
    T *w = new T;
    adopt(w, nameOf<T>());
    return w;
}

// Holds a window's deletion back while it lives (an unload still hides and detaches it).
class KeepAlive {
public:
    explicit KeepAlive(QWidget *w);
    ~KeepAlive();
    KeepAlive(const KeepAlive &) = delete;
    KeepAlive &operator=(const KeepAlive &) = delete;

private:
    QPointer<QWidget> m_window;
};

} // namespace WorkForms

// Unloads every window of the work set in its order; ends every running WorkOperation first.
void UnloadWorkForms();

// A long operation of a window that yields to the message loop (see the header comment).
class WorkOperation {
public:
    explicit WorkOperation(QWidget *window);
    ~WorkOperation();
    WorkOperation(const WorkOperation &) = delete;
    WorkOperation &operator=(const WorkOperation &) = delete;

    // Another window the operation works on; it stops when that one goes too.
    WorkOperation &watch(QWidget *window);
    // Lets pending events run, then tells whether the caller must stop.
    bool yield();
    // As yield(), but the events run only at the first call and when the operation's time
    // slice is over; the stop test runs on every call.
    bool yieldOnSlice();
    bool mustStop() const;
    void cancel() { m_cancelled = true; }

    // Ends every running operation (their next yield returns true).
    static void cancelAll();
    static int runningCount();

private:
    struct Watched {
        QPointer<QWidget> window;
        WorkForms::KeepAlive *keep;
    };
    std::vector<Watched> m_watched;
    bool m_cancelled = false;
    TimeSlice m_slice;
    mutable quint64 m_checkedGeneration = ~quint64(0); // unloads seen by the last full check
};
