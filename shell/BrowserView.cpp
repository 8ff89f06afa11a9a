#include "shell/BrowserView.h"

#include <QCoreApplication>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
class WebEngineBrowserView : public BrowserView {
public:
    explicit WebEngineBrowserView(QWidget *parent) : BrowserView(parent), m_view(new QWebEngineView(this))
    {
        // The engine's own pages are Turkish (its locale follows --lang); the sites hear the
        // same language.
        m_view->page()->profile()->setHttpAcceptLanguage(QStringLiteral("tr-TR"));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
    }
    void Navigate(const QString &url) override { m_view->setUrl(QUrl(url, QUrl::TolerantMode)); }

private:
    QWebEngineView *m_view;
};

BrowserView::Factory &factory()
{
    static BrowserView::Factory f;
    return f;
}
} // namespace

BrowserView *BrowserView::create(QWidget *parent)
{
    if (factory()) return factory()(parent);
    return new WebEngineBrowserView(parent);
}

void BrowserView::setFactory(Factory f) { factory() = std::move(f); }

void PrepareBrowserEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--lang=")) {
        if (!flags.isEmpty()) flags += ' ';
        flags += "--lang=tr";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}
