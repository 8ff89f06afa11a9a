#pragma once

// Window geometry in twips. The windows are laid out with the numbers their descriptions
// give in twips (1/1440 inch); at 96 dpi logical one pixel is 15 twips.
//
// Those numbers were drawn for MS Sans Serif 8 pt, whose 52 Latin letters average 6 pixels
// at 96 dpi (kDesignAverageCharWidth). The application font is wider, so one scale, the ratio
// of its average letter width to the design font's, stretches every twip: the layouts keep
// their proportions and their texts keep the room they were given. Until a scale is set, the
// first conversion fits it to the application font (1 without a GUI application).
//
// The layout rules are plain functions of a client size in twips, so tests can check the
// numbers without a window. The Set*Tw helpers apply one value each and skip a value that a
// window could not take (a negative width or height), so a layout that runs step by step
// keeps going when one step does not fit, as every layout of this program does.

#include <QtGlobal>

class QFont;
class QWidget;

inline constexpr int kTwipsPerPixel = 15;
inline constexpr double kDesignAverageCharWidth = 6.0;

// Pixels at 96 dpi per 15 twips.
double TwipScale();
// Sets the scale (tests; a value of 0 or less returns to fitting the application font).
void SetTwipScale(double scale);
// The scale that fits a font: its average width of the 52 Latin letters over the design
// font's, never below 1.
double TwipScaleForFont(const QFont &font);

// Twips to pixels, rounded to the nearest pixel (halves away from zero).
int tw(int twips);

// Pixels to twips.
int toTwips(int pixels);

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
