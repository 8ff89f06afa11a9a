#pragma once

// A blocking request made from a window, run on a worker thread so the window thread keeps
// painting and its timers keep running.
//
//   const QString reply = RunOffThread(QStringLiteral("Mesaj merkezine bağlanılıyor…"),
//                                      [&] { return gateway.sendsms(user, password, originator, sdate); });
//
// - While `work` runs, the progress window (through the ProgressWindow seam) shows waitText,
//   and the window thread runs a local event loop in which the operator's input (mouse,
//   keys, wheel, touch, shortcuts, the close box) reaches no window of the program.
// - Returns what `work` returned; an exception `work` threw is thrown again here.
// - `work` must not touch widgets or show boxes: it runs off the window thread. The objects
//   it uses (a Gateway, for instance) are used by it alone until it returns, since the
//   window thread only waits meanwhile.
// - A timer or queued call that runs during the wait may unload windows: a handler holds a
//   WorkOperation and asks mustStop() after the call, as for any loop that yields.

#include <QString>

#include <exception>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

// Whether the wait shows the progress window itself (and unloads it at the end) or finds it
// shown by a longer operation of the caller (only the status line is set then, and not even
// that for an empty waitText).
enum class WaitWindow { Own, AlreadyShown };

class OffThreadWait {
public:
    explicit OffThreadWait(const QString &waitText, WaitWindow window = WaitWindow::Own);
    ~OffThreadWait();
    OffThreadWait(const OffThreadWait &) = delete;
    OffThreadWait &operator=(const OffThreadWait &) = delete;

    // Called from the worker thread when the work has ended.
    void finish();
    // Runs the local event loop until finish() was called.
    void wait();

    // How many waits are running now (input is refused while it is above 0).
    static int runningCount();

private:
    struct Private;
    Private *d;
};

// The progress window's text while the gateway or the interactive service is asked.
inline QString ConnectingText() { return QStringLiteral("Mesaj merkezine bağlanılıyor…"); }

// One step of a wait on the window thread: lets pending events run (paint, timers) with the
// operator's input refused as during RunOffThread. The waitStep of WriteAfterAcceptedSend
// from a window.
void PaintingWaitStep();

template <class F>
auto RunOffThread(const QString &waitText, F &&work, WaitWindow window = WaitWindow::Own) -> decltype(work())
{
    using Result = decltype(work());
    OffThreadWait waiting(waitText, window);
    std::exception_ptr error;
    if constexpr (std::is_void_v<Result>) {
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            waiting.finish();
        });
        waiting.wait();
        worker.join();
        if (error) std::rethrow_exception(error);
    } else {
        std::optional<Result> result;
        std::thread worker([&] {
            try {
                result.emplace(work());
            } catch (...) {
                error = std::current_exception();
            }
            waiting.finish();
        });
        waiting.wait();
        worker.join();
        if (error) std::rethrow_exception(error);
        return std::move(*result);
    }
}
