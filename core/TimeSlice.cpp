#include "core/TimeSlice.h"

namespace {
constexpr int kFrameMs = 16;
int s_lengthMs = kFrameMs;
} // namespace

int TimeSlice::length() { return s_lengthMs; }

void TimeSlice::setLength(int milliseconds) { s_lengthMs = milliseconds < 0 ? kFrameMs : milliseconds; }
