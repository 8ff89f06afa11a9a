#pragma once

// The browser window: the home work window, showing the gateway operator's web client or
// its credit top-up page. The browser keeps its design width and stands centred in the
// window, at full height less 10 twips.

#include "shell/DockedWindow.h"

class BrowserView;

class frmBrw : public DockedWindow {
    Q_OBJECT
public:
    static constexpr int kBrowserWidth = 8850;  // twips
    static constexpr int kBrowserHeight = 7815; // design height, twips

    frmBrw();

    // Opens an address in the browser.
    void navigate(const QString &url);

    // The browser's left and height from the window's client size (twips).
    static constexpr int BrowserLeft(int clientWidth, int browserWidth) { return (clientWidth - browserWidth) / 2; }
    static constexpr int BrowserHeight(int clientHeight) { return clientHeight - 10; }

protected:
    void ArrangeControls() override;

private:
    BrowserView *WebBrowser1 = nullptr;
};
