#pragma once

// Installs the Widgets implementations of the platform seams: QMessageBox for Prompt,
// QFileDialog for FileDialog, QDesktopServices for the shell's URL and file opening, and the
// progress window frmBekle for ProgressWindow.
void InstallWidgetServices();
