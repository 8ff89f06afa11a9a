#pragma once

// Test stand-ins for the platform seams: message boxes, the shell, the save dialog and the
// end of the program. Each installs itself for its lifetime.

#include "core/Services.h"

#include <QQueue>
#include <QString>
#include <QStringList>
#include <QVector>

struct PromptRecord {
    QString text;
    PromptIcon icon;
    QString title;
    PromptButtons buttons;
};

class PromptRecorder {
public:
    PromptRecorder();
    ~PromptRecorder();
    PromptRecorder(const PromptRecorder &) = delete;
    PromptRecorder &operator=(const PromptRecorder &) = delete;

    // Answers for the next boxes, in order; without one, Yes/No boxes get Yes and others Ok.
    void setNextAnswer(PromptAnswer answer) { m_answers.enqueue(answer); }
    const QVector<PromptRecord> &records() const { return m_records; }
    int count() const { return int(m_records.size()); }
    const PromptRecord &last() const { return m_records.last(); }
    QStringList texts() const;
    void clear() { m_records.clear(); }

private:
    QVector<PromptRecord> m_records;
    QQueue<PromptAnswer> m_answers;
};

class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    QStringList startedPrograms;
    QStringList openedUrls;
    QStringList openedFiles;
    bool result = true;
    // What the last openFile asked to be told when its opener gives up later; decline() tells
    // it, as a desktop without a program for the file would.
    Shell::Declined declined;
    void decline() const
    {
        if (declined) declined();
    }
};

class FileDialogStub {
public:
    FileDialogStub();
    ~FileDialogStub();
    // Names answered by the next dialogs, in order; "" = the operator cancelled.
    void setNextFileName(const QString &name) { m_names.enqueue(name); }
    QStringList titles;
    QStringList startFolders;
    QStringList filters;

private:
    QQueue<QString> m_names;
};

class LifecycleRecorder {
public:
    LifecycleRecorder();
    ~LifecycleRecorder();
    int endCount = 0;
};
