#include "shell/Twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
double &scaleSetting()
{
    static double scale = 0;
    return scale;
}

const QString &latinLetters()
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return letters;
}
} // namespace

double TwipScaleForFont(const QFont &font)
{
    const double average = QFontMetricsF(font).horizontalAdvance(latinLetters()) / latinLetters().size();
    return std::max(1.0, average / kDesignAverageCharWidth);
}

double TwipScale()
{
    double &scale = scaleSetting();
    if (scale <= 0) {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return 1.0;
        scale = TwipScaleForFont(QGuiApplication::font());
    }
    return scale;
}

void SetTwipScale(double scale) { scaleSetting() = scale; }

int tw(int twips) { return int(std::lround(twips * TwipScale() / kTwipsPerPixel)); }

int toTwips(int pixels) { return int(std::lround(pixels * kTwipsPerPixel / TwipScale())); }

int WidthTw(const QWidget *w) { return toTwips(w->width()); }
int HeightTw(const QWidget *w) { return toTwips(w->height()); }
int LeftTw(const QWidget *w) { return toTwips(w->x()); }
int TopTw(const QWidget *w) { return toTwips(w->y()); }

void SetLeftTw(QWidget *w, int left) { w->move(tw(left), w->y()); }
void SetTopTw(QWidget *w, int top) { w->move(w->x(), tw(top)); }

void SetWidthTw(QWidget *w, int width)
{
    if (width < 0) return;
    w->resize(tw(width), w->height());
}

void SetHeightTw(QWidget *w, int height)
{
    if (height < 0) return;
    w->resize(w->width(), tw(height));
}

void SetGeometryTw(QWidget *w, const TwRect &r)
{
    SetWidthTw(w, r.width);
    SetHeightTw(w, r.height);
    SetLeftTw(w, r.left);
    SetTopTw(w, r.top);
}
