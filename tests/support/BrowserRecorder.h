#pragma once

// Stand-in for the embedded web browser: while a BrowserRecorder lives, every BrowserView the
// program creates is a plain widget that records its navigations (no web engine starts).

#include <QStringList>

class BrowserView;

class BrowserRecorder {
public:
    BrowserRecorder();
    ~BrowserRecorder();
    BrowserRecorder(const BrowserRecorder &) = delete;
    BrowserRecorder &operator=(const BrowserRecorder &) = delete;

    // Every address navigated to, by any stand-in, in order.
    QStringList navigations;
    int created = 0;
    // The address a stand-in view navigated to last ("" before any).
    static QString lastAddressOf(const BrowserView *view);
};
