#pragma once

// Window geometry in twips. The windows are laid out with the numbers their descriptions
// give in twips (1/1440 inch); at 96 dpi logical one pixel is 15 twips.
//
// The layout rules are plain functions of a client size in twips, so tests can check the
// numbers without a window. The Set*Tw helpers apply one value each and skip a value that a
// window could not take (a negative width or height), so a layout that runs step by step
// keeps going when one step does not fit, as every layout of this program does.

#include <QtGlobal>

class QWidget;

inline constexpr int kTwipsPerPixel = 15;

// Twips to pixels, rounded to the nearest pixel.
constexpr int tw(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

// Pixels to twips.
constexpr int toTwips(int pixels) { return pixels * kTwipsPerPixel; }

struct TwRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    constexpr bool operator==(const TwRect &o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

// The navigation panel along the left edge of the main window's client area.
inline constexpr int kNavigationPanelWidth = 2800;

// Where every docked work window stands, from the main window's client size:
// left 2800, top 0, width client width - 2850, height client height - 60.
constexpr TwRect DockedWindowGeometry(int clientWidth, int clientHeight)
{
    return TwRect{kNavigationPanelWidth, 0, clientWidth - 2850, clientHeight - 60};
}

// The navigation panel's height and its tree's height.
constexpr int NavigationPanelHeight(int clientHeight) { return clientHeight - 5; }
constexpr int NavigationTreeHeight(int panelClientHeight) { return panelClientHeight - 1200; }

// Client (inner) size and position of a widget in twips.
int WidthTw(const QWidget *w);
int HeightTw(const QWidget *w);
int LeftTw(const QWidget *w);
int TopTw(const QWidget *w);

// One property each; a negative width or height leaves the property as it is.
void SetLeftTw(QWidget *w, int left);
void SetTopTw(QWidget *w, int top);
void SetWidthTw(QWidget *w, int width);
void SetHeightTw(QWidget *w, int height);
// Width, height, left and top in this order, each with the rule above.
void SetGeometryTw(QWidget *w, const TwRect &r);
