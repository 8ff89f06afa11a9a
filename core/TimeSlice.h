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
//         slice.runEventsIfDue();           // the message loop, about once a frame
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
    // since the last restart() has taken the slice's length. Reading the clock costs about
    // as much as a quick row, so a loop whose last slice took many calls reads it only every
    // few calls (at most kMaxStride, about sixteen times a slice); a slow loop reads it at
    // every call.
    bool due()
    {
        if (!m_clock.isValid() || m_lengthNs == 0) return true;
        ++m_calls;
        if (--m_untilRead > 0) return false;
        m_untilRead = m_stride;
        return m_clock.nsecsElapsed() >= m_lengthNs;
    }
    // When due(): lets the pending events run and starts the next slice (which counts work,
    // not events). Tells whether the events ran.
    bool runEventsIfDue();
    // Starts the next slice; called when the events have run.
    void restart()
    {
        m_stride = qBound(1, m_calls / 16, kMaxStride);
        m_untilRead = m_stride;
        m_calls = 0;
        m_clock.start();
    }

private:
    static constexpr int kMaxStride = 32;
    QElapsedTimer m_clock;
    qint64 m_lengthNs;
    int m_calls = 0;     // calls to due() in this slice
    int m_stride = 1;    // calls between two clock reads
    int m_untilRead = 1; // calls left until the next read
};
