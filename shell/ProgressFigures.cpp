#include "shell/ProgressFigures.h"

#include <cmath>

double RoundHalfEven(double x)
{
    const double r = std::round(x); // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return r;
}

ProgressFigures ComputeProgressFigures(long long done, long long total, int ticks, int barValue)
{
    ProgressFigures f;
    f.barValue = barValue;
    if (total != 0) {
        const double p = RoundHalfEven(double(done) / double(total) * 100.0);
        if (p == 0)
            f.barValue = 1;
        else if (p > 0 && p <= 100)
            f.barValue = int(p);
    }
    f.caption = QString::number(done) + QLatin1Char('/') + QString::number(total) + QStringLiteral(" (%") +
                QString::number(f.barValue) + QLatin1Char(')');
    if (ticks != 0) {
        f.speedKnown = true;
        f.speed =
            QString::number(qint64(RoundHalfEven(double(done) / double(ticks)))) + QStringLiteral(" kayıt/saniye");
    }
    return f;
}
