#include "core/FolderAccess.h"

#include "core/LocalDb.h"
#include "core/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

FolderAccessProbe &probeOverride()
{
    static FolderAccessProbe probe;
    return probe;
}

const char *const kSidecarSuffixes[] = {"-wal", "-shm"};

bool opensForWriting(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
}

QString crlf() { return QStringLiteral("\r\n"); }

#ifdef Q_OS_UNIX
bool databaseMode(const QString &dbPath, mode_t &mode)
{
    struct stat db {};
    if (::stat(QFile::encodeName(dbPath).constData(), &db) != 0) return false;
    mode = db.st_mode & 0777;
    return true;
}
#endif

} // namespace

FolderAccess ProbeFolderAccess(const QString &folder, const QString &dbPath)
{
    FolderAccess a;
    {
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".orvek-yazma-XXXXXX")));
        a.folderWritable = probe.open();
        // The file goes with `probe`; a folder that lets us create but not delete is rare
        // enough that SQLite's own error covers it.
    }
    a.dbMissing = !QFileInfo::exists(dbPath);
    a.dbWritable = a.dbMissing || opensForWriting(dbPath);
    for (const char *suffix : kSidecarSuffixes) {
        const QString side = dbPath + QLatin1String(suffix);
        if (QFileInfo::exists(side) && !opensForWriting(side)) {
            a.unwritableSidecar = side;
            break;
        }
    }
    return a;
}

void SetFolderAccessProbe(FolderAccessProbe probe) { probeOverride() = std::move(probe); }

std::optional<QString> FolderAccessProblem(const FolderAccess &access, const QString &folder, const QString &dbPath)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!access.folderWritable)
        return QStringLiteral("Program klasörüne yazılamıyor: ") + shown + crlf() +
               QStringLiteral("Veritabanı dosyası ve yanındaki -wal/-shm dosyaları için bu klasöre yazma izni "
                              "gereklidir.");
    if (access.dbMissing) return MissingDatabaseText(dbPath);
    if (!access.dbWritable)
        return QStringLiteral("Veritabanı dosyasına yazılamıyor: ") + QDir::toNativeSeparators(dbPath) + crlf() +
               QStringLiteral("Programı kullanan her kullanıcının bu dosyaya yazma izni olmalıdır.");
    if (!access.unwritableSidecar.isEmpty())
        return QStringLiteral("Veritabanının yanındaki dosyaya yazılamıyor: ") +
               QDir::toNativeSeparators(access.unwritableSidecar) + crlf() +
               QStringLiteral("Dosya başka bir kullanıcıdan kalmış olabilir; programı kullanan her kullanıcının bu "
                              "dosyaya yazma izni olmalıdır.");
    return std::nullopt;
}

bool CheckProgramFolderAccess(const QString &title)
{
    const QString folder = ProgramFolder();
    const QString db = LocalDbPath();
    const FolderAccess access = probeOverride() ? probeOverride()(folder, db) : ProbeFolderAccess(folder, db);
    const std::optional<QString> problem = FolderAccessProblem(access, folder, db);
    if (!problem) return true;
    Prompt::show(*problem, PromptIcon::Critical, title);
    return false;
}

QString MissingDatabaseText(const QString &dbPath)
{
    return QStringLiteral("Veritabanı dosyası bulunamadı: ") + QDir::toNativeSeparators(dbPath) + crlf() +
           QStringLiteral("Dosya silinmiş ya da başka bir klasöre taşınmış olabilir; program bu dosya olmadan "
                          "çalışamaz.");
}

void MatchSidecarModes(const QString &dbPath)
{
#ifdef Q_OS_UNIX
    mode_t wanted = 0;
    if (!databaseMode(dbPath, wanted)) return;
    for (const char *suffix : kSidecarSuffixes) {
        const QByteArray side = QFile::encodeName(dbPath + QLatin1String(suffix));
        struct stat st {};
        if (::stat(side.constData(), &st) != 0 || st.st_uid != ::geteuid()) continue;
        if ((st.st_mode & 0777) != wanted) ::chmod(side.constData(), wanted);
    }
#else
    Q_UNUSED(dbPath);
#endif
}

void GiveDatabaseMode(int fd)
{
#ifdef Q_OS_UNIX
    mode_t wanted = 0;
    if (fd < 0 || !databaseMode(LocalDbPath(), wanted)) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) return;
    if ((st.st_mode & 0777) != wanted) ::fchmod(fd, wanted);
#else
    Q_UNUSED(fd);
#endif
}

bool OpenBesideDatabase(QFile &file, QIODevice::OpenMode mode)
{
    if (!file.open(mode)) return false;
    GiveDatabaseMode(file.handle());
    return true;
}
