#pragma once

// Local database (orvekdata.db beside the program) and the ERP database connection, the one
// way to write a transaction, and the settings procedures over tbl_ayarlar / tbl_param.

#include "core/GatewayKind.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>

inline constexpr const char *kLocalConnection = "local";
inline constexpr const char *kErpConnection = "erp";
inline constexpr const char *kLocalDbFileName = "orvekdata.db";
inline constexpr const char *kErpStandInPrefix = "sqlite:";
// How long a statement on the local connection waits for a database another program holds.
inline constexpr int kLocalBusyTimeoutMs = 5000;

// The program folder: the executable's folder unless a test set another.
QString ProgramFolder();
void SetProgramFolder(const QString &folder);
QString LocalDbPath();

// Opens gLocalDb when it is closed; does nothing when it is open. Never creates the file.
// The connection carries the SQL function TURKISH_FOLD(text): TurkishFold of the text
// (core/TurkishCase.h), NULL for NULL. Throws OrvekError with the driver's description on
// failure.
void OpenLocalDb();
// The same for gErpDb, built from gErpServer, gErpDatabase, gErpUser and gErpPassword as
// they stand now. A server "sqlite:<folder>" opens the SQLite stand-in of the ERP server.
void OpenErpDb();
// Opens the ERP connection of that name the way OpenErpDb opens its own (which is this with
// the name "erp" and the program-wide ERP settings): a server "sqlite:<folder>" opens the
// stand-in, any other the SQL Server through FreeTDS with a 15 s login time limit. Does
// nothing when that connection is open already. Throws OrvekError.
void OpenErpConnection(const QString &connectionName, const QString &server, const QString &database,
                       const QString &user, const QString &password);
// A trial connection with these settings on a connection of its own, closed and removed
// again before it returns; the program's ERP connection is not touched. False (and the
// driver's description in *error) when it does not open. Safe on any one thread.
bool TryErpConnection(const QString &server, const QString &database, const QString &user, const QString &password,
                      QString *error = nullptr);
void CloseLocalDb();
void CloseErpDb();
// Makes the end of the program (Lifecycle::endProgram) close both connections; each program
// installs it at its start.
void InstallDatabaseClosing();
QSqlDatabase LocalDb();
QSqlDatabase ErpDb();
// Whether the ERP connection is the SQLite stand-in.
bool ErpIsStandIn();
// The connection string of the real ERP server (FreeTDS through unixODBC).
QString ErpOdbcConnectionString(const QString &server, const QString &database, const QString &user,
                                const QString &password);
// The text that runs on the ERP connection: unchanged on SQL Server; on the stand-in the
// few SQL Server forms that SQLite does not take are rewritten.
QString ErpSqlText(const QString &sql);

// Runs a statement with bound values; throws OrvekError with the driver's text on failure.
QSqlQuery SqlExec(const QSqlDatabase &db, const QString &sql, const QVariantList &binds = {});
// Whether the database holds the table (a table the programs make in older files when they
// first need it); throws OrvekError when the schema cannot be read.
bool SqlTableExists(const QSqlDatabase &db, const QString &table);

// The one way to write a transaction on the local connection (opened when it is closed):
//
//   InLocalTransaction([&](QSqlDatabase &db) {
//       if (!SqlExec(db, "SELECT 1 FROM t WHERE k = ?", {k}).next()) SqlExec(db, "INSERT INTO t VALUES (?)", {k});
//   });
//
// BEGIN IMMEDIATE takes the write lock before the work reads, so no other program writes in
// between; a database that another program holds waits busyTimeoutMs inside SQLite and then
// fails ("database is locked"). The work's return commits. A throw from the work or from
// COMMIT rolls everything back and goes on to the caller (OrvekError for a failed statement).
// A busyTimeoutMs other than kLocalBusyTimeoutMs holds for this transaction only (a caller
// that tries again itself waits less per try).
void InLocalTransaction(const std::function<void(QSqlDatabase &)> &work, int busyTimeoutMs = kLocalBusyTimeoutMs);

// Every apostrophe doubled.
QString SqlQuote(const QString &value);

// A text for a bound value of a write: a null QString binds as SQL Null, and a stored text is
// never Null, so it becomes the empty text.
inline QString NonNullText(const QString &text) { return text.isNull() ? QStringLiteral("") : text; }

QString GetParam(const QString &name);
void SetParam(const QString &name, const QString &value);
void SaveAccountSettings(const QString &user, const QString &password, const QString &ckey, const QString &flg,
                         GatewayKind kind, const QString &url);
