#pragma once

// Installs the Widgets implementations of the platform seams: QMessageBox for Prompt,
// QFileDialog for FileDialog and QDesktopServices for the shell's URL and file opening.
void InstallWidgetServices();
