#pragma once

// The embedded web browser of the program's windows. The program uses QWebEngineView; tests
// install a factory that makes a recording stand-in (tests/support/BrowserRecorder.h), so no
// test ever starts the web engine.

#include <QWidget>

#include <functional>

class BrowserView : public QWidget {
    Q_OBJECT
public:
    using Factory = std::function<BrowserView *(QWidget *parent)>;

    explicit BrowserView(QWidget *parent = nullptr) : QWidget(parent) {}
    // Opens an address as it is (one navigation, no other arguments).
    virtual void Navigate(const QString &url) = 0;

    // A new browser from the installed factory (the web engine by default).
    static BrowserView *create(QWidget *parent);
    // An empty factory restores the web engine.
    static void setFactory(Factory factory);
};

// Before the QApplication exists: what the web engine needs of the process (shared OpenGL
// contexts, its Turkish locale; as root, the engine's sandbox turned off).
void PrepareBrowserEngine();
