#pragma once

// Installs the windows of the start (login window, company window, main window) behind
// StartupWindows of core/Startup.h.
void InstallStartupWindows();

// After the event loop has ended, before the application object goes: deletes the main
// window and every window still waiting for its deletion, so no embedded browser page
// outlives the web engine's profile. "&Kapat" leaves the loop with every window in place.
void ReleaseWindows();
