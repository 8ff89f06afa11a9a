#pragma once

#include <QString>

// What one refresh of the progress window shows for the counters of a long operation.
struct ProgressFigures {
    int barValue = 0; // the bar's value after the refresh (0 to 100)
    QString caption;  // done + "/" + total + " (%" + bar value + ")", e.g. "120/500 (%24)"
    bool speedKnown = false;
    QString speed; // records per second since the window was loaded + " kayıt/saniye"
};

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x);

// One refresh: ticks = timer ticks since the window was loaded, including this one;
// barValue = the bar's value before the refresh.
//  - The bar takes done / total * 100 rounded, or 1 when that is 0 (a started operation never
//    shows an empty bar); it keeps its value when the percentage cannot be computed (total 0)
//    or lies outside 0..100.
//  - The speed is done / ticks rounded; unknown when ticks is 0.
ProgressFigures ComputeProgressFigures(long long done, long long total, int ticks, int barValue);
