#include "core/Services.h"

#include <QCoreApplication>
#include <QProcess>
#include <QUrl>
#include <cstdio>

namespace {
Prompt::Handler &promptHandler()
{
    static Prompt::Handler h;
    return h;
}
Shell::Handlers &shellHandlers()
{
    static Shell::Handlers h = Shell::defaultHandlers();
    return h;
}
FileDialog::Handler &fileDialogHandler()
{
    static FileDialog::Handler h;
    return h;
}
Lifecycle::Handler &lifecycleHandler()
{
    static Lifecycle::Handler h;
    return h;
}
Lifecycle::Handler &closingHandler()
{
    static Lifecycle::Handler h;
    return h;
}
bool g_ended = false;
} // namespace

PromptAnswer Prompt::show(const QString &text, PromptIcon icon, const QString &title, PromptButtons buttons)
{
    if (promptHandler()) return promptHandler()(text, icon, title, buttons);
    QString line = title + QStringLiteral(": ") + text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    return buttons == PromptButtons::YesNo      ? PromptAnswer::No
           : buttons == PromptButtons::OkCancel ? PromptAnswer::Cancel
                                                : PromptAnswer::Ok;
}

void Prompt::setHandler(Handler handler) { promptHandler() = std::move(handler); }

Shell::Handlers Shell::defaultHandlers()
{
    Handlers h;
    h.startProgram = [](const QString &path) { return QProcess::startDetached(path, {}); };
    auto xdgOpen = [](const QString &target) { return QProcess::startDetached(QStringLiteral("xdg-open"), {target}); };
    h.openUrl = xdgOpen;
    h.openFile = [xdgOpen](const QString &path, const Declined &) { return xdgOpen(path); };
    return h;
}

bool Shell::startProgram(const QString &path) { return shellHandlers().startProgram(path); }
bool Shell::openUrl(const QString &url) { return shellHandlers().openUrl(url); }
bool Shell::openFile(const QString &path, const Declined &declined) { return shellHandlers().openFile(path, declined); }

void Shell::setHandlers(Handlers handlers)
{
    Handlers d = defaultHandlers();
    if (!handlers.startProgram) handlers.startProgram = d.startProgram;
    if (!handlers.openUrl) handlers.openUrl = d.openUrl;
    if (!handlers.openFile) handlers.openFile = d.openFile;
    shellHandlers() = std::move(handlers);
}

QString FileDialog::getSaveFileName(const QString &title, const QString &startFolder, const QString &filter)
{
    if (fileDialogHandler()) return fileDialogHandler()(title, startFolder, filter);
    return QString();
}

void FileDialog::setHandler(Handler handler) { fileDialogHandler() = std::move(handler); }

void Lifecycle::endProgram()
{
    g_ended = true;
    if (lifecycleHandler()) {
        lifecycleHandler()();
        return;
    }
    if (closingHandler()) closingHandler()();
    QCoreApplication::exit(0);
}

bool Lifecycle::ended() { return g_ended; }
void Lifecycle::reset() { g_ended = false; }
void Lifecycle::setHandler(Handler handler) { lifecycleHandler() = std::move(handler); }
void Lifecycle::setClosing(Handler closeConnections) { closingHandler() = std::move(closeConnections); }

namespace {
ProgressWindow::Handlers &progressHandlers()
{
    static ProgressWindow::Handlers h;
    return h;
}
} // namespace

void ProgressWindow::show()
{
    if (progressHandlers().show) progressHandlers().show();
}

void ProgressWindow::hide()
{
    if (progressHandlers().hide) progressHandlers().hide();
}

void ProgressWindow::setStatus(const QString &text)
{
    if (progressHandlers().setStatus) progressHandlers().setStatus(text);
}

void ProgressWindow::showSpeed(bool shown)
{
    if (progressHandlers().showSpeed) progressHandlers().showSpeed(shown);
}

void ProgressWindow::runTimer(bool running)
{
    if (progressHandlers().runTimer) progressHandlers().runTimer(running);
}

void ProgressWindow::setHandlers(Handlers handlers) { progressHandlers() = std::move(handlers); }
