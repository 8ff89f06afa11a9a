#include "shell/Twips.h"

#include <QWidget>

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
