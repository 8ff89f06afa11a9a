#include "tests/support/Fixtures.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#ifndef ORVEK_SHIPPED_DB
#error "ORVEK_SHIPPED_DB must name the built orvekdata.db"
#endif

namespace {
const char *kSideConnection = "fixture-side";
}

void DropConnections()
{
    for (const char *name : {kLocalConnection, kErpConnection, kSideConnection}) {
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }
}

QString ProgramFolderFixture::shippedDatabase() { return QStringLiteral(ORVEK_SHIPPED_DB); }

ProgramFolderFixture::ProgramFolderFixture(bool withDatabase)
{
    DropConnections();
    ResetAppState();
    if (withDatabase && !QFile::copy(shippedDatabase(), dbPath()))
        qFatal("cannot copy the shipped database from %s", ORVEK_SHIPPED_DB);
    QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner);
    SetProgramFolder(m_dir.path());
}

ProgramFolderFixture::~ProgramFolderFixture()
{
    DropConnections();
    ResetAppState();
    SetProgramFolder(QString());
}

QString ProgramFolderFixture::dbPath() const
{
    return QDir(m_dir.path()).filePath(QString::fromLatin1(kLocalDbFileName));
}

QSqlDatabase ProgramFolderFixture::side()
{
    QSqlDatabase db = QSqlDatabase::contains(kSideConnection)
                          ? QSqlDatabase::database(kSideConnection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSideConnection);
    if (!db.isOpen()) {
        db.setDatabaseName(dbPath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) qFatal("fixture database: %s", qPrintable(db.lastError().text()));
    }
    return db;
}

void ProgramFolderFixture::exec(const QString &sql, const QVariantList &binds)
{
    try {
        SqlExec(side(), sql, binds);
    } catch (const OrvekError &e) {
        qFatal("fixture exec failed: %s\n%s", qPrintable(e.description()), qPrintable(sql));
    }
}

QVariant ProgramFolderFixture::scalar(const QString &sql, const QVariantList &binds)
{
    const auto r = rows(sql, binds);
    return r.isEmpty() || r.first().isEmpty() ? QVariant(QString()) : r.first().first();
}

QList<QVariantList> ProgramFolderFixture::rows(const QString &sql, const QVariantList &binds)
{
    QList<QVariantList> out;
    try {
        QSqlQuery q = SqlExec(side(), sql, binds);
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i) row << q.value(i);
            out << row;
        }
    } catch (const OrvekError &e) {
        qFatal("fixture query failed: %s\n%s", qPrintable(e.description()), qPrintable(sql));
    }
    return out;
}

WriteLockHolder::WriteLockHolder(const QString &dbPath)
    : m_name(QStringLiteral("write-lock-holder-") + QString::number(reinterpret_cast<quintptr>(this)))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(dbPath);
    m_holds = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
}

WriteLockHolder::~WriteLockHolder()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QStringList RandomTexts(const QString &alphabet, int count, int lengthBits, quint32 seed)
{
    QStringList texts;
    texts.reserve(count);
    for (int c = 0; c < count; ++c) {
        QString text;
        seed = seed * 1664525u + 1013904223u;
        const int length = int(seed >> (32 - lengthBits));
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet.at(int((seed >> 16) % quint32(alphabet.size())));
        }
        texts << text;
    }
    return texts;
}
