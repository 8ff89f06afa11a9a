#pragma once

// Start of the main program: the single-instance lock, the silent login with the saved
// account, the decision on each gateway reply (silent login and login window), and the start
// tail shared by both roads (company choice, run permission of the automatic program, its
// start, main window with user and company in the caption).
//
// The windows live in the Widgets library; they reach this code through StartupWindows,
// whose handlers the Widgets library installs (shell/StartupWindows.h). Without handlers
// nothing is shown.

#include "core/Services.h"

#include <QString>
#include <functional>

// The windows that the start shows.
class StartupWindows {
public:
    struct Handlers {
        std::function<void()> showLogin;     // the login window, not modal
        std::function<void()> chooseCompany; // the company window, modal: returns when closed
        // Shows the main window, not modal, then appends captionTail to its caption.
        std::function<void(const QString &captionTail)> showMainWindow;
    };
    static void showLogin();
    static void chooseCompany();
    static void showMainWindow(const QString &captionTail);
    static void setHandlers(Handlers handlers);
};

// --- Single instance ------------------------------------------------------------------

// The lock file of one program ("Brenvik", "Kovaset") installed in one folder: in the
// per-user runtime folder, named after the program and a hash of the folder's path.
QString SingleInstanceLockPath(const QString &programName, const QString &programFolder);
// Takes the lock of the program in ProgramFolder() for the life of the process (or until
// ReleaseSingleInstanceLock). False only when another running copy holds it (a ProcessLock,
// core/ProcessLock.h): a lock file left by a copy that died, an empty one, or one naming some
// other process does not count, and a runtime folder that cannot hold the lock file does not
// stop the program.
bool AcquireSingleInstanceLock(const QString &programName);
void ReleaseSingleInstanceLock();
// The same lock taken at a path of the caller's (the automatic program's lock lies in the
// program folder beside the database, and takes the database file's permission bits),
// waiting up to waitMs for a holder that is ending.
bool AcquireSingleInstanceLockAt(const QString &lockPath, int waitMs);

// --- Start-up -------------------------------------------------------------------------

// The start procedure. Returns whether the event loop must run: true when a window is on
// screen (the login window, or the main window after the start tail), false when the
// program has ended (second copy, no account, refused silent login, failed start).
bool Main();

// Asks the gateway for its time with the saved account (GatewayUserName(), gPassword).
// The reply as it came; "" without a gateway kind (GatewayKind::None); "-1" when
// anything fails on the way.
QString TestGatewayLogin();

// The start tail's steps: the company window, the stop flag, Kovaset, the main window.
// Returns false when the program ended on the way (the company window ended it); a failing
// step throws (OrvekError or another std::exception). The login runs it inside its own
// error handler.
bool RunStartTailSteps();
// The start tail as Main runs it: RunStartTailSteps, and when a step fails, "Tanımlanamayan
// bir hata oluştu." with the description is shown and the program ends (false).
bool RunStartTail();

// " [Kullanıcı : " + gUserName + " Şirket : " + gCompanyName + "]"
QString MainCaptionTail();

// The automatic message program beside the main program.
QString KovasetProgramPath();

// --- Decision tables ------------------------------------------------------------------

// Whether a reply holds "HTML" or "html" (those two spellings only).
bool ReplyHoldsHtml(const QString &reply);

enum class SilentLoginOutcome {
    Success,        // not a code and no HTML: the start tail runs
    ShowLogin,      // "01": the login window opens
    ConnectionError // anything else: the connection message, the program ends
};
SilentLoginOutcome JudgeSilentLoginReply(const QString &reply);

enum class LoginOutcome {
    Success,         // the account is saved and the start tail runs
    ConnectionError, // "-1" or a reply holding HTML
    WrongUser,       // "01", "03"
    Unreachable,     // "04", "05"
    OtherCode,       // any other code, the empty reply among them
    NoOriginator     // exactly one line feed: a credit line and no originator
};
LoginOutcome JudgeLoginReply(const QString &reply);

// What the login window does after a refused login.
struct LoginRefusal {
    QString text;
    PromptIcon icon = PromptIcon::Critical;
    QString title;
    bool showInfo = false;  // imgInfo made visible
    bool focusUser = false; // focus back to the user name box
};
// The refusal of an outcome other than Success.
LoginRefusal LoginRefusalFor(LoginOutcome outcome);

// The login window's input check: a user name or password that is empty or one blank.
bool LoginInputMissing(const QString &user, const QString &password);
QString LoginInputMissingText();

// After an accepted login: saves the account (with flag "1" when saveFlag, else "0"),
// fills gFlgKaydet, gUserName, gPassword and, for kind "Brenvik", gCkey. Throws OrvekError
// when the local database fails.
void AcceptLogin(const QString &user, const QString &password, const QString &ckey, bool saveFlag);

// The texts of the start.
QString SecondCopyText();       // "Program Zaten Çalışıyor."
QString ConnectionFailedText(); // "Mesaj merkeziyle bağlantı kurulamıyor."
QString UnexpectedErrorText(const QString &description);
