#include "tests/support/Recorders.h"

PromptRecorder::PromptRecorder()
{
    Prompt::setHandler([this](const QString &text, PromptIcon icon, const QString &title, PromptButtons buttons) {
        m_records.append(PromptRecord{text, icon, title, buttons});
        if (!m_answers.isEmpty()) return m_answers.dequeue();
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    });
}

PromptRecorder::~PromptRecorder() { Prompt::setHandler(nullptr); }

QStringList PromptRecorder::texts() const
{
    QStringList out;
    for (const PromptRecord &r : m_records) out << r.text;
    return out;
}

ShellRecorder::ShellRecorder()
{
    Shell::Handlers h;
    h.startProgram = [this](const QString &p) {
        startedPrograms << p;
        return result;
    };
    h.openUrl = [this](const QString &u) {
        openedUrls << u;
        return result;
    };
    h.openFile = [this](const QString &f, const Shell::Declined &later) {
        openedFiles << f;
        declined = later;
        return result;
    };
    Shell::setHandlers(h);
}

ShellRecorder::~ShellRecorder() { Shell::setHandlers(Shell::defaultHandlers()); }

FileDialogStub::FileDialogStub()
{
    FileDialog::setHandler([this](const QString &title, const QString &startFolder, const QString &filter) {
        titles << title;
        startFolders << startFolder;
        filters << filter;
        return m_names.isEmpty() ? QString() : m_names.dequeue();
    });
}

FileDialogStub::~FileDialogStub() { FileDialog::setHandler(nullptr); }

LifecycleRecorder::LifecycleRecorder()
{
    Lifecycle::reset();
    Lifecycle::setHandler([this] { ++endCount; });
}

LifecycleRecorder::~LifecycleRecorder()
{
    Lifecycle::setHandler(nullptr);
    Lifecycle::reset();
}
