#pragma once

#include "core/Services.h"

// Installs the Widgets implementations of the platform seams: QMessageBox for Prompt,
// QFileDialog for FileDialog, QDesktopServices for the shell's URL opening, OpenDocument for
// its file opening, and the progress window frmBekle for ProgressWindow.
void InstallWidgetServices();

// Opens a document with the desktop's program for it. Where xdg-open exists it runs it and
// watches its exit status for a few seconds: xdg-open starts on any desktop and only then
// finds out whether a program handles the file's type, so a failure of it (no program for
// the type, the program did not start) calls `declined`. Elsewhere QDesktopServices decides,
// and its answer is the result.
bool OpenDocument(const QString &path, const Shell::Declined &declined);
// How long after the start a failure of xdg-open still counts as declining the document
// (a program that xdg-open keeps in the foreground may end much later, for its own reasons).
constexpr int kOpenerVerdictMs = 5000;
