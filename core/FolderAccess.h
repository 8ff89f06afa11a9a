#pragma once

// Whether the program can write where its database lives. SQLite in WAL mode writes the
// -wal and -shm files beside orvekdata.db even for reads, so a folder or a database file that
// the user cannot write makes every start fail; the start checks it first and names what is
// missing.
//
// The files the programs create beside the database (the journal, the log, the lock files)
// take the database file's permission bits, so that in a folder shared by several users each
// can write what another created.

#include <QFile>
#include <QString>
#include <functional>
#include <optional>

struct FolderAccess {
    bool folderWritable = false; // a file can be created and removed in the folder
    bool dbWritable = false;     // orvekdata.db opens for writing (true when it is missing)
    QString unwritableSidecar;   // a -wal or -shm file left beside it that cannot be written
    bool dbMissing = false;      // there is no orvekdata.db
};

// Tries the folder and the files for real: creates and removes a temporary file in the
// folder, opens the database file and any existing -wal/-shm for writing (never creating
// them).
FolderAccess ProbeFolderAccess(const QString &folder, const QString &dbPath);

// Replaces the probe (tests: permission bits do not stop root); an empty one restores it.
using FolderAccessProbe = std::function<FolderAccess(const QString &folder, const QString &dbPath)>;
void SetFolderAccessProbe(FolderAccessProbe probe);

// The box text for a probe result, or nullopt when everything can be written. A folder that
// cannot be written comes first, then a missing database, then the files that cannot be
// written.
std::optional<QString> FolderAccessProblem(const FolderAccess &access, const QString &folder, const QString &dbPath);

// Probes ProgramFolder() and LocalDbPath(); on a problem shows it (critical, `title`) and
// returns false. The caller ends the program.
bool CheckProgramFolderAccess(const QString &title);

// "Veritabanı dosyası bulunamadı: <path>" and what the user can do about it.
QString MissingDatabaseText(const QString &dbPath);

// Gives the -wal and -shm files beside dbPath the database file's own permission bits, so a
// file created by one user under a narrow umask does not lock out the others sharing it.
// Files of another owner are left alone (they cannot be changed anyway).
void MatchSidecarModes(const QString &dbPath);

// Gives the file open on fd the permission bits of the database file LocalDbPath(), whatever
// the umask was when it was made. Nothing happens without a database, or for a file of
// another owner.
void GiveDatabaseMode(int fd);
// Opens a file beside the database as QFile::open does (creating it when the mode allows)
// and gives it the database file's permission bits.
bool OpenBesideDatabase(QFile &file, QIODevice::OpenMode mode);
