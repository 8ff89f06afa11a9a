#pragma once

// The start of the automatic program, in this order:
//   1. "/Uninstall" on the command line (same case): flg_kovaset "0", end.
//   2. The single-instance lock in the program folder beside the database (one engine per
//      database whoever is logged on), waiting up to 5 s for a copy that is ending; a second
//      copy ends at once without touching the database.
//   3. flg_kovaset "1"; the log-on entry; the engine's timers.
// No usable database: one log line on standard error, exit status 1, no file made. Message
// boxes become log lines answered at once. SIGTERM, SIGINT and SIGHUP end the program: at
// once when idle; during a run, before its next request (the request in flight is aborted
// within about a second), once the run has returned.

#include <QString>
#include <QStringList>

class KovasetLog;

// The lock file beside the database.
QString KovasetLockPath();
// Whether the program's arguments ask to uninstall.
bool IsUninstallRequest(const QStringList &arguments);
// Installs the Prompt handler of the program: each box becomes the log line title + ": " +
// text and is answered with its default button (the first: Ok, Yes).
void InstallLoggingPrompt(KovasetLog &log);

// The whole program inside a QCoreApplication; returns the exit status. The arguments are
// the program's own (without its path); KovasetMain() takes them from the application.
int KovasetMain();
int KovasetMain(const QStringList &arguments);
