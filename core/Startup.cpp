#include "core/Startup.h"

#include "core/AcceptedWrites.h"

#include "core/AppState.h"
#include "core/FolderAccess.h"
#include "core/Gateway.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/ProcessLock.h"
#include "core/SettingsLoader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <exception>
#include <memory>

namespace {
StartupWindows::Handlers &windowHandlers()
{
    static StartupWindows::Handlers h;
    return h;
}

std::unique_ptr<ProcessLock> &instanceLock()
{
    static std::unique_ptr<ProcessLock> lock;
    return lock;
}

// Only a living process holding the lock keeps this one out: a lock that cannot be taken
// for another reason (no such folder, a file system without locks) does not stop the program.
bool acquireInstanceLock(const QString &lockPath, int waitMs, ProcessLock::FileMode mode)
{
    if (instanceLock()) return true;
    auto lock = std::make_unique<ProcessLock>(lockPath, mode);
    const ProcessLock::Result result = lock->tryLock(waitMs);
    if (result == ProcessLock::Result::Locked) instanceLock() = std::move(lock);
    return result != ProcessLock::Result::Held;
}

const QString kLoginTitle = QStringLiteral("Brenvik Kullanıcı girişi");
const QString kBrenvik = QStringLiteral("Brenvik");
QString crlf() { return QStringLiteral("\r\n"); }
} // namespace

// --- Windows --------------------------------------------------------------------------

void StartupWindows::showLogin()
{
    if (windowHandlers().showLogin) windowHandlers().showLogin();
}

void StartupWindows::chooseCompany()
{
    if (windowHandlers().chooseCompany) windowHandlers().chooseCompany();
}

void StartupWindows::showMainWindow(const QString &captionTail)
{
    if (windowHandlers().showMainWindow) windowHandlers().showMainWindow(captionTail);
}

void StartupWindows::setHandlers(Handlers handlers) { windowHandlers() = std::move(handlers); }

// --- Single instance ------------------------------------------------------------------

QString SingleInstanceLockPath(const QString &programName, const QString &programFolder)
{
    QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(QDir(programFolder).absolutePath());
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) runtime = QDir::tempPath();
    return QDir(runtime).filePath(programName + QLatin1Char('-') + QString::fromLatin1(hash) + QStringLiteral(".lock"));
}

bool AcquireSingleInstanceLock(const QString &programName)
{
    return acquireInstanceLock(SingleInstanceLockPath(programName, ProgramFolder()), 0, ProcessLock::FileMode::Umask);
}

bool AcquireSingleInstanceLockAt(const QString &lockPath, int waitMs)
{
    return acquireInstanceLock(lockPath, waitMs, ProcessLock::FileMode::LikeDatabase);
}

void ReleaseSingleInstanceLock() { instanceLock().reset(); }

// --- Texts ----------------------------------------------------------------------------

QString SecondCopyText() { return QStringLiteral("Program Zaten Çalışıyor."); }
QString ConnectionFailedText() { return QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."); }

QString UnexpectedErrorText(const QString &description)
{
    return QStringLiteral("Tanımlanamayan bir hata oluştu.") + crlf() +
           QStringLiteral("Sistemin ürettiği hata mesajı : ") + description;
}

QString LoginInputMissingText()
{
    return QStringLiteral("Eksik bilgi girişi yaptınız.Lütfen bilgilerinizi kontrol ediniz.");
}

QString MainCaptionTail()
{
    return QStringLiteral(" [Kullanıcı : ") + gUserName + QStringLiteral(" Şirket : ") + gCompanyName +
           QStringLiteral("]");
}

QString KovasetProgramPath()
{
#ifdef Q_OS_WIN
    return QDir(ProgramFolder()).filePath(QStringLiteral("Kovaset.exe"));
#else
    return QDir(ProgramFolder()).filePath(QStringLiteral("Kovaset"));
#endif
}

// --- Decision tables ------------------------------------------------------------------

bool ReplyHoldsHtml(const QString &reply)
{
    return reply.contains(QLatin1String("HTML")) || reply.contains(QLatin1String("html"));
}

SilentLoginOutcome JudgeSilentLoginReply(const QString &reply)
{
    if (!IsGatewayErrorCode(reply) && !ReplyHoldsHtml(reply)) return SilentLoginOutcome::Success;
    if (reply == QLatin1String("01")) return SilentLoginOutcome::ShowLogin;
    return SilentLoginOutcome::ConnectionError;
}

LoginOutcome JudgeLoginReply(const QString &reply)
{
    // A page is a connection error, as in the silent login.
    if (reply == QLatin1String("-1") || ReplyHoldsHtml(reply)) return LoginOutcome::ConnectionError;
    if (reply == QLatin1String("01") || reply == QLatin1String("03")) return LoginOutcome::WrongUser;
    if (reply == QLatin1String("04") || reply == QLatin1String("05")) return LoginOutcome::Unreachable;
    if (IsGatewayErrorCode(reply)) return LoginOutcome::OtherCode;
    if (reply.count(QLatin1Char('\n')) == 1) return LoginOutcome::NoOriginator;
    return LoginOutcome::Success;
}

LoginRefusal LoginRefusalFor(LoginOutcome outcome)
{
    LoginRefusal r;
    switch (outcome) {
    case LoginOutcome::ConnectionError:
        r.text = QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.") + crlf() +
                 QStringLiteral("İnternet Bağlantınız kapalı olabilir ya da bir güvenlik uygulaması internet "
                                "bağlantınızı kontrol ediyor olabilir.");
        r.title = kLoginTitle;
        r.showInfo = true;
        break;
    case LoginOutcome::WrongUser:
        r.text = QStringLiteral("Kullanıcı bilgilerinizde hata var.") + crlf() +
                 QStringLiteral("Lütfen bilgilerinizi kontrol edip tekrar deneyiniz.");
        r.title = kLoginTitle;
        r.showInfo = true;
        r.focusUser = true;
        break;
    case LoginOutcome::Unreachable:
        r.text = QStringLiteral("Kullanıcı bilgileri mesaj merkezine gönderilemiyor") + crlf() +
                 QStringLiteral("Bilgisayarınızdaki güvenlik uygulamalarından biri internet bağlantınızı "
                                "denetliyor olabilir.");
        r.title = kLoginTitle;
        r.showInfo = true;
        break;
    case LoginOutcome::OtherCode:
        // The same box as a refused silent login; the window stays ready for a new try.
        r.text = ConnectionFailedText();
        r.title = kBrenvik;
        r.showInfo = true;
        break;
    case LoginOutcome::NoOriginator:
        r.text = QStringLiteral("Kullanıcı hesabınızda tanımlı Originator (Gönderen) bilgisi bulunamadı.") + crlf() +
                 QStringLiteral("Originator tanımlamasının yapılması için lütfen sistem yöneticinize başvurun.");
        r.title = kBrenvik;
        break;
    case LoginOutcome::Success:
        break;
    }
    return r;
}

bool LoginInputMissing(const QString &user, const QString &password)
{
    const auto missing = [](const QString &v) { return v.isEmpty() || v == QLatin1String(" "); };
    return missing(user) || missing(password);
}

void AcceptLogin(const QString &user, const QString &password, const QString &ckey, bool saveFlag)
{
    const QString flg = saveFlag ? QStringLiteral("1") : QStringLiteral("0");
    const bool hosted = gGatewayKind == GatewayKind::Brenvik;
    SaveAccountSettings(user, password, hosted ? ckey : QString(), flg, gGatewayKind, gGatewayUrl);
    gFlgKaydet = flg;
    gUserName = user;
    if (hosted) gCkey = ckey;
    gPassword = password;
}

// --- Start-up -------------------------------------------------------------------------

QString TestGatewayLogin()
{
    try {
        if (gGatewayKind == GatewayKind::None) return QString();
        Gateway gw;
        return gw.GetSystemTime(GatewayUserName(gGatewayKind, gUserName, gCkey), gPassword);
    } catch (const std::exception &) {
        return QStringLiteral("-1");
    }
}

bool RunStartTailSteps()
{
    if (gErpConfigured) {
        StartupWindows::chooseCompany();
        if (Lifecycle::ended()) return false;
    }
    SetParam(QStringLiteral("flg_kovaset"), QStringLiteral("1"));
    // Whether it starts is not looked at: a missing program goes unnoticed.
    Shell::startProgram(KovasetProgramPath());
    StartupWindows::showMainWindow(MainCaptionTail());
    return !Lifecycle::ended();
}

bool RunStartTail()
{
    try {
        return RunStartTailSteps();
    } catch (const OrvekError &e) {
        Prompt::show(UnexpectedErrorText(e.description()), PromptIcon::Critical, kBrenvik);
    } catch (const std::exception &e) {
        Prompt::show(UnexpectedErrorText(QString::fromLocal8Bit(e.what())), PromptIcon::Critical, kBrenvik);
    }
    Lifecycle::endProgram();
    return false;
}

bool Main()
{
    if (!AcquireSingleInstanceLock(QStringLiteral("Brenvik"))) {
        Prompt::show(SecondCopyText(), PromptIcon::Information, QStringLiteral("Uyarı"));
        Lifecycle::endProgram();
        return false;
    }
    // The database and its -wal/-shm files need a folder the user can write, even to read.
    if (!CheckProgramFolderAccess(kBrenvik)) {
        Lifecycle::endProgram();
        return false;
    }

    gAccountLoaded = false;
    gStartBlocked = false;
    gCompanyCode.clear();
    LoadSettings();
    // Rows of accepted sends that an earlier run could only journal go in now.
    ReplayAcceptedWriteJournal();
    if (!gAccountLoaded) {
        // The settings loader has shown its own message, if any.
        Lifecycle::endProgram();
        return false;
    }

    if (gFlgKaydet != QLatin1String("1")) {
        gStartBlocked = true;
        StartupWindows::showLogin();
        return !Lifecycle::ended();
    }

    switch (JudgeSilentLoginReply(TestGatewayLogin())) {
    case SilentLoginOutcome::Success:
        gStartBlocked = false;
        break;
    case SilentLoginOutcome::ShowLogin:
        gStartBlocked = true;
        StartupWindows::showLogin();
        return !Lifecycle::ended();
    case SilentLoginOutcome::ConnectionError:
        Prompt::show(ConnectionFailedText(), PromptIcon::Critical, kBrenvik);
        gStartBlocked = true;
        Lifecycle::endProgram();
        return false;
    }
    return RunStartTail();
}
