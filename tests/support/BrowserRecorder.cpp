#include "tests/support/BrowserRecorder.h"

#include "shell/BrowserView.h"

namespace {
BrowserRecorder *g_current = nullptr;

class RecordingBrowserView : public BrowserView {
public:
    explicit RecordingBrowserView(QWidget *parent) : BrowserView(parent) {}
    void Navigate(const QString &url) override
    {
        m_last = url;
        if (g_current) g_current->navigations << url;
    }
    QString m_last;
};
} // namespace

BrowserRecorder::BrowserRecorder()
{
    g_current = this;
    BrowserView::setFactory([](QWidget *parent) -> BrowserView * {
        if (g_current) ++g_current->created;
        return new RecordingBrowserView(parent);
    });
}

BrowserRecorder::~BrowserRecorder()
{
    if (g_current == this) g_current = nullptr;
    // Views left behind keep recording nothing; new ones are the web engine again.
    BrowserView::setFactory(nullptr);
}

QString BrowserRecorder::lastAddressOf(const BrowserView *view)
{
    auto *r = dynamic_cast<const RecordingBrowserView *>(view);
    return r ? r->m_last : QString();
}
