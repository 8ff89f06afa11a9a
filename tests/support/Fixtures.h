#pragma once

// A temporary program folder holding a fresh copy of the shipped database; the program-wide
// state is reset and the connections are dropped when the fixture ends.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

class ProgramFolderFixture {
public:
    // withDatabase false leaves the folder without orvekdata.db.
    explicit ProgramFolderFixture(bool withDatabase = true);
    ~ProgramFolderFixture();
    ProgramFolderFixture(const ProgramFolderFixture &) = delete;
    ProgramFolderFixture &operator=(const ProgramFolderFixture &) = delete;

    QString folder() const { return m_dir.path(); }
    QString dbPath() const;
    // Runs a statement on the fixture database through a connection of its own.
    void exec(const QString &sql, const QVariantList &binds = {});
    // First column of the first row of a query ("" when there is none; Null as invalid).
    QVariant scalar(const QString &sql, const QVariantList &binds = {});
    QList<QVariantList> rows(const QString &sql, const QVariantList &binds = {});

    static QString shippedDatabase();

private:
    QSqlDatabase side();
    QTemporaryDir m_dir;
};

// A second connection that holds the database's write lock (BEGIN IMMEDIATE) while it lives,
// as another program in the middle of a write would.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const QString &dbPath);
    ~WriteLockHolder();
    WriteLockHolder(const WriteLockHolder &) = delete;
    WriteLockHolder &operator=(const WriteLockHolder &) = delete;
    bool holds() const { return m_holds; }

private:
    QString m_name;
    bool m_holds = false;
};

// Drops the program's named connections (between tests).
void DropConnections();

// `count` texts of units picked from `alphabet`, each of 0 to 2^lengthBits - 1 units, the
// same ones for the same seed.
QStringList RandomTexts(const QString &alphabet, int count, int lengthBits, quint32 seed);
