#include "kovaset/KovasetProgram.h"

#include "core/AcceptedWrites.h"
#include "core/FolderAccess.h"
#include "core/LocalDb.h"
#include "core/Services.h"
#include "core/Startup.h"
#include "kovaset/AutostartEntry.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetLog.h"
#include "kovaset/LocalWrites.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <atomic>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {
constexpr int kLockWaitMs = 5000;

QString describe(const std::exception &e) { return QString::fromStdString(e.what()); }

// The local database can be opened and read; when not, the line that says why in `error`.
bool DatabaseUsable(QString &error)
{
    const QString path = LocalDbPath();
    if (!QFileInfo::exists(path)) {
        error = QStringLiteral("Kovaset: ") + MissingDatabaseText(path);
        return false;
    }
    try {
        GetParam(QStringLiteral("flg_kovaset"));
        return true;
    } catch (const std::exception &e) {
        error = QStringLiteral("Kovaset: veritabanı kullanılamıyor (%1): ").arg(path) + describe(e);
        CloseLocalDb();
        return false;
    }
}

bool WriteStopFlag(const QString &value, QString &error)
{
    const LocalWriteResult r = RunLocalWrite([&](QSqlDatabase &) { SetParam(QStringLiteral("flg_kovaset"), value); });
    error = r.error;
    return r.status == LocalWriteStatus::Written;
}

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};
// The first stop signal received (0: none), for the running work to see between and inside
// its requests.
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "written in a signal handler");

void onSignal(int signo)
{
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signo);
    const char c = char(signo);
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

QString StopSignalReason(int signo)
{
    const QString name = signo == SIGTERM  ? QStringLiteral("SIGTERM")
                         : signo == SIGINT ? QStringLiteral("SIGINT")
                                           : QStringLiteral("SIGHUP");
    return name + QStringLiteral(" alındı");
}

// Turns the stop signals into an end of the engine: a run sees the signal before its next
// request and aborts the one in flight (the engine ends when the run has returned); between
// runs the event loop ends the engine at once.
void InstallStopSignals(KovasetEngine &engine, QObject *owner)
{
    engine.setStopSignal([] {
        const int signo = g_stopSignal.load();
        return signo == 0 ? QString() : StopSignalReason(signo);
    });
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [&engine] {
        char c = 0;
        if (::read(g_signalPipe[0], &c, 1) != 1) return;
        const int first = g_stopSignal.load();
        engine.end(StopSignalReason(first != 0 ? first : int(static_cast<unsigned char>(c))), 0);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
}

// Standard error is inherited from the program that started this one; once that has ended,
// a write there must fail quietly instead of ending this program.
void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }
#endif
} // namespace

QString KovasetLockPath() { return QDir(ProgramFolder()).filePath(QStringLiteral("Kovaset.lock")); }

bool IsUninstallRequest(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(' ')).contains(QLatin1String("/Uninstall"));
}

void InstallLoggingPrompt(KovasetLog &log)
{
    Prompt::setHandler([&log](const QString &text, PromptIcon, const QString &title, PromptButtons buttons) {
        log.write(title + QStringLiteral(": ") + text);
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    });
}

int KovasetMain() { return KovasetMain(QCoreApplication::arguments().mid(1)); }

int KovasetMain(const QStringList &arguments)
{
#ifdef Q_OS_UNIX
    IgnoreBrokenPipes();
#endif
    KovasetLog log; // standard error only until the database is known to be usable
    InstallLoggingPrompt(log);
    InstallDatabaseClosing();
    QString error;

    if (IsUninstallRequest(arguments)) {
        if (!DatabaseUsable(error)) {
            log.write(error);
            return 1;
        }
        log.setFile(KovasetLogPath());
        const bool ok = WriteStopFlag(QStringLiteral("0"), error);
        log.write(ok ? QStringLiteral("Kaldırma isteği: flg_kovaset \"0\" yazıldı.")
                     : QStringLiteral("Kaldırma isteği: flg_kovaset yazılamadı: ") + error);
        CloseLocalDb();
        return ok ? 0 : 1;
    }

    if (!AcquireSingleInstanceLockAt(KovasetLockPath(), kLockWaitMs)) {
        log.write(QStringLiteral("Kovaset bu program klasöründe zaten çalışıyor; bu kopya kapanıyor."));
        return 0;
    }
    if (!DatabaseUsable(error)) {
        log.write(error);
        ReleaseSingleInstanceLock();
        return 1;
    }
    log.setFile(KovasetLogPath());
    if (!WriteStopFlag(QStringLiteral("1"), error)) {
        log.write(QStringLiteral("Kovaset başlatılamadı: flg_kovaset yazılamadı: ") + error);
        CloseLocalDb();
        ReleaseSingleInstanceLock();
        return 1;
    }
    // Rows an earlier run of either program could not write after an accepted send.
    ReplayAcceptedWriteJournal();
    const AutostartResult entry = EnsureAutostartEntry(KovasetProgramPath());
    if (entry.status == AutostartStatus::Written)
        log.write(QStringLiteral("Oturum açılışı girdisi yazıldı: ") + AutostartEntryPath());
    else if (entry.status == AutostartStatus::Failed)
        log.write(QStringLiteral("Oturum açılışı girdisi yazılamadı: ") + entry.error);

    int status = 0;
    {
        KovasetEngine engine(log);
        engine.setEndHandler([](int exitStatus) { QCoreApplication::exit(exitStatus); });
        QObject owner;
#ifdef Q_OS_UNIX
        InstallStopSignals(engine, &owner);
#endif
        // Logged once the program is ready: its entry written, its stop signals in place.
        log.write(QStringLiteral("Kovaset başladı: ") + QDir::toNativeSeparators(ProgramFolder()));
        engine.startTimers();
        status = QCoreApplication::exec();
        if (!engine.hasEnded()) engine.end(QStringLiteral("olay döngüsü bitti"), status);
        status = engine.exitStatus();
    }
    ReleaseSingleInstanceLock();
    return status;
}
