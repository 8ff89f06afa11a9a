#include "shell/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {
const QColor kBlue(0x1f, 0x5f, 0xa8);
const QColor kOrange(0xe8, 0x7d, 0x1e);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kGrey(0x60, 0x60, 0x60);

QPixmap blank(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

void envelope(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 3.5, 13, 9));
    p.drawPolyline(QPolygonF({QPointF(1.5, 3.5), QPointF(8, 9), QPointF(14.5, 3.5)}));
}

void bubble(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c.darker(130), 1));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 8), 3, 3);
    p.drawPolygon(QPolygonF({QPointF(4, 10), QPointF(4, 14), QPointF(8, 10)}));
    p.setPen(Qt::white);
    for (int x : {5, 8, 11}) p.drawPoint(x, 6);
}

void person(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    p.drawRoundedRect(QRectF(2.5, 8.5, 11, 6.5), 3, 3);
}

void chart(QPainter &p)
{
    p.setPen(QPen(kGrey, 1));
    p.drawLine(1, 14, 15, 14);
    p.drawLine(1, 1, 1, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(3, 8, 3, 6);
    p.setBrush(kOrange);
    p.drawRect(7, 4, 3, 10);
    p.setBrush(kGreen);
    p.drawRect(11, 6, 3, 8);
}

void gear(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.translate(8, 8);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 2, 2);
    p.resetTransform();
}

void calendar(QPainter &p)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.fillRect(QRectF(2, 3, 12, 3), QColor(0xc0, 0x30, 0x30));
    p.setPen(kGrey);
    for (int y : {8, 11})
        for (int x : {4, 7, 10}) p.drawRect(x, y, 1, 1);
}

void page(QPainter &p)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(
        QPolygonF({QPointF(3.5, 1.5), QPointF(10, 1.5), QPointF(12.5, 4), QPointF(12.5, 14.5), QPointF(3.5, 14.5)}));
    p.setPen(QPen(kBlue, 1));
    for (int y : {5, 8, 11}) p.drawLine(5, y, 11, y);
}

void globe(QPainter &p)
{
    p.setPen(QPen(kBlue.darker(120), 1));
    p.setBrush(QColor(0x8c, 0xc4, 0xf0));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
}

void clock(QPainter &p)
{
    p.setPen(QPen(kGreen.darker(120), 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(QPointF(8, 8), QPointF(8, 4));
    p.drawLine(QPointF(8, 8), QPointF(11, 9));
}

void inbox(QPainter &p)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(QColor(0xf0, 0xe0, 0xa0));
    p.drawRect(QRectF(1.5, 8.5, 13, 6));
    p.setPen(QPen(kGreen, 2));
    p.drawLine(8, 1, 8, 8);
    p.drawLine(5, 5, 8, 8);
    p.drawLine(11, 5, 8, 8);
}

void coin(QPainter &p)
{
    p.setPen(QPen(QColor(0xa0, 0x78, 0x00), 1));
    p.setBrush(QColor(0xf5, 0xc5, 0x18));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(QColor(0xa0, 0x78, 0x00), 1.5));
    p.drawLine(8, 4, 8, 12);
    p.drawLine(5, 8, 11, 8);
}

void star(QPainter &p)
{
    QPolygonF s;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 3 : 7;
        const double a = (i * 36 - 90) * 3.14159265358979 / 180.0;
        s << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kOrange);
    p.drawPolygon(s);
}
} // namespace

QPixmap NavigationImage(int index)
{
    QPixmap pm = blank(16, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1:
        envelope(p, kBlue);
        break;
    case 2:
        star(p);
        break;
    case 3:
        bubble(p, kGreen);
        break;
    case 4:
        person(p, kBlue);
        break;
    case 5:
        envelope(p, kOrange);
        break;
    case 6:
        chart(p);
        break;
    case 7:
        gear(p);
        break;
    case 8:
        calendar(p);
        break;
    case 9:
        page(p);
        break;
    case 10:
        globe(p);
        break;
    case 11:
        clock(p);
        break;
    case 12:
        inbox(p);
        break;
    case 13:
        coin(p);
        break;
    default:
        break;
    }
    return pm;
}

QPixmap LogoPicture(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0x2a, 0x6f, 0xbf));
    g.setColorAt(1, QColor(0x12, 0x3d, 0x75));
    p.fillRect(pm.rect(), g);
    QFont big(QStringLiteral("Tahoma"));
    big.setPixelSize(qMax(10, size.height() / 3));
    big.setBold(true);
    p.setFont(big);
    p.setPen(Qt::white);
    const QRect top(0, size.height() / 8, size.width(), size.height() / 2);
    p.drawText(top, Qt::AlignCenter, QStringLiteral("Orvek®"));
    QFont small(QStringLiteral("Tahoma"));
    small.setPixelSize(qMax(8, size.height() / 5));
    p.setFont(small);
    p.setPen(QColor(0xff, 0xd2, 0x8a));
    const QRect bottom(0, size.height() / 2, size.width(), size.height() / 3);
    p.drawText(bottom, Qt::AlignCenter, QStringLiteral("Talvane"));
    return pm;
}

QPixmap ProductPicture(int which, const QSize &size)
{
    QPixmap pm = blank(size.width(), size.height());
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 16.0, size.height() / 16.0);
    if (which == 1)
        bubble(p, kBlue);
    else
        envelope(p, kOrange);
    return pm;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int s : {16, 32, 48}) icon.addPixmap(ProductPicture(1, QSize(s, s)));
    return icon;
}
