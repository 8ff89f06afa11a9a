#include "shell/frmBrw.h"

#include "shell/BrowserView.h"
#include "shell/Twips.h"

frmBrw::frmBrw()
{
    setObjectName(QStringLiteral("frmBrw"));
    WebBrowser1 = BrowserView::create(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->resize(tw(kBrowserWidth), tw(kBrowserHeight));
}

void frmBrw::navigate(const QString &url) { WebBrowser1->Navigate(url); }

void frmBrw::ArrangeControls()
{
    SetLeftTw(WebBrowser1, BrowserLeft(WidthTw(this), WidthTw(WebBrowser1)));
    SetTopTw(WebBrowser1, 0);
    SetHeightTw(WebBrowser1, BrowserHeight(HeightTw(this)));
}
