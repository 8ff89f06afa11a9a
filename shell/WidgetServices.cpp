#include "shell/WidgetServices.h"

#include "core/Services.h"
#include "shell/frmBekle.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {
PromptAnswer showMessageBox(const QString &text, PromptIcon icon, const QString &title, PromptButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Box texts carry gateway and ERP values: shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    switch (icon) {
    case PromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case PromptIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case PromptIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case PromptIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case PromptIcon::None:
        break;
    }
    switch (buttons) {
    case PromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case PromptButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Evet"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Hayır"));
        break;
    case PromptButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("İptal"));
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
}
} // namespace

bool OpenDocument(const QString &path, const Shell::Declined &declined)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty()) {
        // Parented to the application: it lives until xdg-open ends (it may keep the program
        // it started in the foreground), at the latest until the program ends.
        auto *process = new QProcess(QCoreApplication::instance());
        process->setProgram(xdgOpen);
        process->setArguments({path});
        process->setStandardInputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        auto listening = std::make_shared<bool>(true);
        QObject::connect(process, &QProcess::finished, process,
                         [process, listening, declined](int exitCode, QProcess::ExitStatus status) {
                             const bool failed = status == QProcess::NormalExit && exitCode != 0;
                             process->deleteLater();
                             if (failed && *listening && declined) declined();
                         });
        QTimer::singleShot(kOpenerVerdictMs, process, [listening] { *listening = false; });
        process->start();
        if (!process->waitForStarted()) {
            delete process;
            return false;
        }
        return true;
    }
#else
    Q_UNUSED(declined);
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void InstallWidgetServices()
{
    Prompt::setHandler(showMessageBox);
    FileDialog::setHandler([](const QString &title, const QString &startFolder, const QString &filter) {
        // An existing folder as the dialog's start: it opens there with an empty name.
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, startFolder, filter);
    });
    Shell::Handlers h = Shell::defaultHandlers();
    h.openUrl = [](const QString &url) { return QDesktopServices::openUrl(QUrl(url)); };
    h.openFile = OpenDocument;
    Shell::setHandlers(h);

    // The progress window: a reference loads it (hidden), show() shows it modeless, hide()
    // unloads it.
    ProgressWindow::Handlers progress;
    progress.show = [] { frmBekle::instance()->show(); };
    progress.hide = [] { frmBekle::unload(); };
    progress.setStatus = [](const QString &text) { frmBekle::instance()->setStatusText(text); };
    progress.showSpeed = [](bool shown) { frmBekle::instance()->showSpeed(shown); };
    progress.runTimer = [](bool running) { frmBekle::instance()->runTimer(running); };
    ProgressWindow::setHandlers(progress);
}
