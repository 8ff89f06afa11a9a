#pragma once

// The automatic program's log-on start entry: an XDG autostart file
// $XDG_CONFIG_HOME/autostart/brenvik-kovaset.desktop (on Windows the "Brenvik Kovaset" value
// of the machine's Run key). It is written only when it is missing or names no program, and
// never deleted.

#include <QString>

// The entry's file.
QString AutostartEntryPath();

// A program path as one argument of a desktop entry's Exec key: unchanged when it holds no
// blank and no reserved character, else in double quotes with ", `, $ and \ escaped; then
// the string escapes of the file format (\ as \\, line breaks and tabs as \n, \r, \t) and
// % as %%.
QString DesktopExecArgument(const QString &path);

// The whole entry for a program path, one key a line.
QString AutostartEntryText(const QString &programPath);

// The Exec value of an existing entry ("" when the file or the key is missing).
QString ReadAutostartExec(const QString &entryPath);

enum class AutostartStatus { Kept, Written, Failed };
struct AutostartResult {
    AutostartStatus status = AutostartStatus::Failed;
    QString error;
};

// Writes the entry (atomically) when it is missing or its Exec is empty.
AutostartResult EnsureAutostartEntry(const QString &programPath);
