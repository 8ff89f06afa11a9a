#pragma once

// Installs the windows of the start (login window, company window, main window) behind
// StartupWindows of core/Startup.h.
void InstallStartupWindows();
