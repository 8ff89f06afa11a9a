#include "core/TimeSlice.h"

#include <QCoreApplication>

namespace {
constexpr int kFrameMs = 16;
int s_lengthMs = kFrameMs;
} // namespace

int TimeSlice::length() { return s_lengthMs; }

void TimeSlice::setLength(int milliseconds) { s_lengthMs = milliseconds < 0 ? kFrameMs : milliseconds; }

bool TimeSlice::runEventsIfDue()
{
    if (!due()) return false;
    QCoreApplication::processEvents();
    restart();
    return true;
}
