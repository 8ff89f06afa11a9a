#pragma once

// Time slices of the long loops that let the message loop run while they work (the merge
// behind "İleri >>", the spreadsheet export). Letting events run after every row costs more
// than the row itself; once per slice keeps the windows responsive (a slice is about one
// frame) at a fraction of that cost. The loop's own checks (cancel flag, the windows going,
// limits) still run for every row: only the event loop waits for the end of the slice.
//
//     TimeSlice slice;
//     for (...) {
//         if (gCancelRequested) break;      // every row
//         ... one row ...
//         if (slice.due()) {
//             QCoreApplication::processEvents();
//             slice.restart();              // the next slice counts work, not events
//         }
//     }

#include <QElapsedTimer>

class TimeSlice {
public:
    // Length of a new slice in milliseconds: about one frame, unless set otherwise.
    static int length();
    // Sets the length of the slices started from now on; 0: every call to due() is true
    // (the loops then yield after every row, which the tests use to see each yield); a
    // negative value restores the default.
    static void setLength(int milliseconds);

    TimeSlice() : m_lengthNs(qint64(length()) * 1000000) {}

    // Whether the loop should let events run now: at the first call, then once the work
    // since the last restart() has taken the slice's length.
    bool due() const { return !m_clock.isValid() || m_clock.nsecsElapsed() >= m_lengthNs; }
    // Starts the next slice; called when the events have run.
    void restart() { m_clock.start(); }

private:
    QElapsedTimer m_clock;
    qint64 m_lengthNs;
};
