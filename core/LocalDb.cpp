#include "core/LocalDb.h"

#include "core/AppState.h"
#include "core/FolderAccess.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/TurkishCase.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <atomic>
#include <initializer_list>
#include <sqlite3.h>

namespace {
QString g_programFolder;

QString dbErrorText(const QSqlError &e)
{
    QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("Veritabanı hatası") : t;
}

// ---- SQL Server functions on the SQLite stand-in -------------------------------------

// A date argument: "yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss" or "yyyy-MM-ddTHH:mm:ss". Date and time
// are kept apart (no time zone is involved, and no time zone lookup per row).
struct SqlDate {
    QDate date;
    QTime time{0, 0};
    bool isValid() const { return date.isValid() && time.isValid(); }
};

// Reads n digits at p; -1 when one of them is not a digit.
int digits(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

SqlDate argDateTime(sqlite3_value *v)
{
    const SqlDate invalid{QDate(), QTime()};
    if (sqlite3_value_type(v) == SQLITE_NULL) return invalid;
    const char *s = reinterpret_cast<const char *>(sqlite3_value_text(v));
    const int len = sqlite3_value_bytes(v);
    if (!s || len < 10 || s[4] != '-' || s[7] != '-') return invalid;
    SqlDate out;
    const int y = digits(s, 4), m = digits(s + 5, 2), d = digits(s + 8, 2);
    if (y < 0 || m < 0 || d < 0) return invalid;
    out.date = QDate(y, m, d);
    if (len > 10) {
        // "HH:mm" or "HH:mm:ss" after a blank or a T.
        if ((s[10] != ' ' && s[10] != 'T') || len < 16 || s[13] != ':') return invalid;
        const int hh = digits(s + 11, 2), mi = digits(s + 14, 2);
        const int ss = len >= 19 && s[16] == ':' ? digits(s + 17, 2) : 0;
        if (hh < 0 || mi < 0 || ss < 0) return invalid;
        out.time = QTime(hh, mi, ss);
    }
    return out;
}

void resultDateTime(sqlite3_context *ctx, const SqlDate &dt)
{
    if (!dt.isValid() || dt.date.year() < 1 || dt.date.year() > 9999) {
        sqlite3_result_null(ctx);
        return;
    }
    // yyyy-MM-dd HH:mm:ss
    char out[19];
    const auto put = [&out](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10) out[at + i] = char('0' + value % 10);
    };
    put(0, dt.date.year(), 4);
    out[4] = '-';
    put(5, dt.date.month(), 2);
    out[7] = '-';
    put(8, dt.date.day(), 2);
    out[10] = ' ';
    put(11, dt.time.hour(), 2);
    out[13] = ':';
    put(14, dt.time.minute(), 2);
    out[16] = ':';
    put(17, dt.time.second(), 2);
    sqlite3_result_text(ctx, out, int(sizeof out), SQLITE_TRANSIENT);
}

// DATEADD(part, n, date) with part Day/Month/Year (any case, with or without quotes).
void sqlDateAdd(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char *raw = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const char *part = raw ? raw : "";
    const auto is = [part](std::initializer_list<const char *> names) {
        for (const char *n : names)
            if (sqlite3_stricmp(part, n) == 0) return true;
        return false;
    };
    const long long n = sqlite3_value_int64(argv[1]);
    SqlDate dt = argDateTime(argv[2]);
    if (!dt.isValid()) {
        sqlite3_result_null(ctx);
        return;
    }
    if (is({"day", "dd", "d"}))
        dt.date = dt.date.addDays(n);
    else if (is({"month", "mm", "m"}))
        dt.date = dt.date.addMonths(int(n));
    else if (is({"year", "yy", "yyyy"}))
        dt.date = dt.date.addYears(int(n));
    else {
        sqlite3_result_error(ctx, "DATEADD: unknown date part", -1);
        return;
    }
    resultDateTime(ctx, dt);
}

template <int Which>
void sqlDatePart(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const SqlDate dt = argDateTime(argv[0]);
    if (!dt.isValid()) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate d = dt.date;
    sqlite3_result_int(ctx, Which == 0 ? d.day() : Which == 1 ? d.month() : d.year());
}

// The SQLite connection under a QSQLITE connection; nullptr for any other driver.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

void registerSqlServerFunctions(const QSqlDatabase &db)
{
    sqlite3 *h = sqliteHandle(db);
    if (!h) throw OrvekError(QStringLiteral("SQLite bağlantı tanıtıcısı alınamadı."));
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(h, "DATEADD", 3, flags, nullptr, sqlDateAdd, nullptr, nullptr);
    sqlite3_create_function(h, "DAY", 1, flags, nullptr, sqlDatePart<0>, nullptr, nullptr);
    sqlite3_create_function(h, "MONTH", 1, flags, nullptr, sqlDatePart<1>, nullptr, nullptr);
    sqlite3_create_function(h, "YEAR", 1, flags, nullptr, sqlDatePart<2>, nullptr, nullptr);
}

// TURKISH_FOLD(text): the text without case, the Turkish way; NULL stays NULL.
void sqlTurkishFold(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray folded = TurkishFold(QString::fromUtf8(text, sqlite3_value_bytes(argv[0]))).toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

void openErpStandIn(QSqlDatabase &db, const QString &folder, const QString &database)
{
    const QString mainFile = QDir(folder).filePath(database + QStringLiteral(".db"));
    if (database.isEmpty() || !QFileInfo::exists(mainFile))
        throw OrvekError(QStringLiteral("ERP veritabanı bulunamadı: %1").arg(mainFile));
    db.setDatabaseName(QUrl::fromLocalFile(mainFile).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) throw OrvekError(dbErrorText(db.lastError()));
    registerSqlServerFunctions(db);
    const QStringList companies = QDir(folder).entryList({QStringLiteral("HAVLEN4*.db")}, QDir::Files, QDir::Name);
    for (const QString &file : companies) {
        const QString schema = file.left(file.size() - 3);
        QSqlQuery q(db);
        q.prepare(QStringLiteral("ATTACH DATABASE ? AS \"%1\"").arg(schema));
        q.addBindValue(QUrl::fromLocalFile(QDir(folder).filePath(file)).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=ro"));
        if (!q.exec()) {
            const QString err = dbErrorText(q.lastError());
            db.close();
            throw OrvekError(err);
        }
    }
}

QString valueText(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

void setBusyTimeout(const QSqlDatabase &db, int ms)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms));
}
} // namespace

QString ProgramFolder()
{
    if (!g_programFolder.isEmpty()) return g_programFolder;
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString &folder) { g_programFolder = folder; }

QString LocalDbPath() { return QDir(ProgramFolder()).filePath(QString::fromLatin1(kLocalDbFileName)); }

void OpenLocalDb()
{
    QSqlDatabase db = QSqlDatabase::contains(kLocalConnection)
                          ? QSqlDatabase::database(kLocalConnection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kLocalConnection);
    if (db.isOpen()) return;
    if (!db.isValid()) throw OrvekError(QStringLiteral("SQLite sürücüsü yüklenemedi."));
    // mode=rw: a missing file fails instead of appearing empty.
    db.setDatabaseName(QUrl::fromLocalFile(LocalDbPath()).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kLocalBusyTimeoutMs));
    if (!db.open()) throw OrvekError(dbErrorText(db.lastError()));
    // Opening is lazy in SQLite: read the schema now so an unreadable file fails here.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString err = dbErrorText(q.lastError());
        q = QSqlQuery();
        db.close();
        throw OrvekError(err);
    }
    q = QSqlQuery();
    // The texts of the local tables are compared without case through TURKISH_FOLD.
    sqlite3 *h = sqliteHandle(db);
    if (!h || sqlite3_create_function(h, "TURKISH_FOLD", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlTurkishFold,
                                      nullptr, nullptr) != SQLITE_OK) {
        db.close();
        throw OrvekError(QStringLiteral("SQLite bağlantısına TURKISH_FOLD işlevi eklenemedi."));
    }
    MatchSidecarModes(LocalDbPath());
}

void OpenErpConnection(const QString &connectionName, const QString &server, const QString &database,
                       const QString &user, const QString &password)
{
    QSqlDatabase db;
    if (QSqlDatabase::contains(connectionName)) {
        db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen()) return;
    }
    const bool standIn = server.startsWith(QLatin1String(kErpStandInPrefix));
    const QString driver = standIn ? QStringLiteral("QSQLITE") : QStringLiteral("QODBC");
    if (!db.isValid() || db.driverName() != driver) {
        db = QSqlDatabase();
        if (QSqlDatabase::contains(connectionName)) QSqlDatabase::removeDatabase(connectionName);
        db = QSqlDatabase::addDatabase(driver, connectionName);
    }
    if (!db.isValid()) throw OrvekError(QStringLiteral("Veritabanı sürücüsü yüklenemedi: %1").arg(driver));
    if (standIn) {
        openErpStandIn(db, server.mid(int(qstrlen(kErpStandInPrefix))), database);
        return;
    }
    db.setDatabaseName(ErpOdbcConnectionString(server, database, user, password));
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_CONNECTION_TIMEOUT=15"));
    if (!db.open()) throw OrvekError(dbErrorText(db.lastError()));
    QSqlQuery q(db);
    q.exec(QStringLiteral("SET DATEFORMAT ymd"));
}

void OpenErpDb()
{
    OpenErpConnection(QString::fromLatin1(kErpConnection), gErpServer, gErpDatabase, gErpUser, gErpPassword);
}

bool TryErpConnection(const QString &server, const QString &database, const QString &user, const QString &password,
                      QString *error)
{
    static std::atomic<unsigned> serial{0};
    const QString name = QStringLiteral("erp-trial-%1").arg(++serial);
    bool opened = false;
    try {
        OpenErpConnection(name, server, database, user, password);
        opened = true;
    } catch (const OrvekError &e) {
        if (error) *error = e.description();
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    return opened;
}

void CloseLocalDb()
{
    if (QSqlDatabase::contains(kLocalConnection)) QSqlDatabase::database(kLocalConnection, false).close();
}

void CloseErpDb()
{
    if (QSqlDatabase::contains(kErpConnection)) QSqlDatabase::database(kErpConnection, false).close();
}

QSqlDatabase LocalDb() { return QSqlDatabase::database(kLocalConnection, false); }
QSqlDatabase ErpDb() { return QSqlDatabase::database(kErpConnection, false); }

bool ErpIsStandIn() { return ErpDb().driverName() == QLatin1String("QSQLITE"); }

QString ErpOdbcConnectionString(const QString &server, const QString &database, const QString &user,
                                const QString &password)
{
    // ODBC values in braces, a closing brace doubled, so no value can add a keyword.
    auto brace = [](QString v) {
        return QLatin1Char('{') + v.replace(QLatin1Char('}'), QStringLiteral("}}")) + QLatin1Char('}');
    };
    return QStringLiteral("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;TDS_Version=7.4;ClientCharset=UTF-8")
        .arg(brace(server), brace(database), brace(user), brace(password));
}

QString ErpSqlText(const QString &sql)
{
    if (!ErpIsStandIn()) return sql;
    static const QRegularExpression datePart(QStringLiteral("DATEADD\\(\\s*(Day|Month|Year)\\s*,"),
                                             QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(datePart, QStringLiteral("DATEADD('\\1',"));
    return out;
}

QSqlQuery SqlExec(const QSqlDatabase &db, const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw OrvekError(dbErrorText(q.lastError()));
    for (const QVariant &v : binds) q.addBindValue(v);
    if (!q.exec()) throw OrvekError(dbErrorText(q.lastError()));
    return q;
}

bool SqlTableExists(const QSqlDatabase &db, const QString &table)
{
    return SqlExec(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {table}).next();
}

void InLocalTransaction(const std::function<void(QSqlDatabase &)> &work, int busyTimeoutMs)
{
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    // Leaving without the commit, through a throw or a failed COMMIT, rolls back; a wait of
    // this transaction's own gives the connection its usual wait back.
    struct Guard {
        QSqlDatabase &db;
        bool ownWait;
        bool open = false;
        ~Guard()
        {
            if (open) QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            if (ownWait) setBusyTimeout(db, kLocalBusyTimeoutMs);
        }
    } guard{db, busyTimeoutMs != kLocalBusyTimeoutMs};
    if (guard.ownWait) setBusyTimeout(db, busyTimeoutMs);
    SqlExec(db, QStringLiteral("BEGIN IMMEDIATE"));
    guard.open = true;
    if (work) work(db);
    SqlExec(db, QStringLiteral("COMMIT"));
    guard.open = false;
}

QString SqlQuote(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString GetParam(const QString &name)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT deger FROM tbl_param WHERE parametre = ?"), {name});
    if (!q.next()) return QString();
    return valueText(q.value(0));
}

void SetParam(const QString &name, const QString &value)
{
    OpenLocalDb();
    SqlExec(LocalDb(), QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"),
            {NonNullText(value), name});
}

void SaveAccountSettings(const QString &user, const QString &password, const QString &ckey, const QString &flg,
                         GatewayKind kind, const QString &url)
{
    OpenLocalDb();
    // One row: no WHERE clause. Saving an account also makes its gateway the chosen one.
    if (kind == GatewayKind::Brenvik) {
        SqlExec(LocalDb(),
                QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi = ?, parola = ?, ckey = ?, "
                               "flg_kaydet = ?, flg_gw = '0'"),
                {NonNullText(user), NonNullText(password), NonNullText(ckey), NonNullText(flg)});
    } else if (kind == GatewayKind::Ambrel) {
        SqlExec(LocalDb(),
                QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = ?, parola_i = ?, "
                               "flg_kaydet_i = ?, flg_gw = '1', url_ambrel = ?"),
                {NonNullText(user), NonNullText(password), NonNullText(flg), NonNullText(url)});
    }
}

void InstallDatabaseClosing()
{
    Lifecycle::setClosing([] {
        CloseLocalDb();
        CloseErpDb();
    });
}
