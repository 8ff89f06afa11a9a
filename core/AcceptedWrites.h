#pragma once

// Writes that follow a send the gateway has accepted (its log row, its template row) must
// never be lost: the messages are out, and without the log row the reports can never find
// that send. Such a write retries a busy or locked database with back-off for at least a
// minute; when it still cannot be written (or fails otherwise) its rows go to a journal
// file beside the database, and the next start of either program writes them in.
//
//   const QVector<JournalRow> rows = SentMessageJournalRows(logRows);
//   switch (WriteAfterAcceptedSend([&](QSqlDatabase &db) { InsertJournalRows(db, rows); }, rows, step)) {
//   case AcceptedWriteResult::Written: ...     // in the tables
//   case AcceptedWriteResult::Journaled: ...   // in the journal, written in at the next start
//   case AcceptedWriteResult::Failed: ...      // neither (the journal could not be written)
//   }
//
// Journal: `orvekdata.journal` beside the database, one JSON object per line and row:
//   {"key":"<uuid>","table":"tbl_giden","values":[["msgid","ID1"],["paket_boyut",3],...]}
// (with "replace":true for a row that replaces the row of its key, "keepid":true for a row
// whose id later rows refer to, and "ref":["<column>","<key>"] for a row whose column takes
// the id of the row written from the line of that key)
// Each line is written and flushed to the disk before WriteAfterAcceptedSend returns.
// Replaying writes the rows of the journal in one transaction together with their keys in
// `tbl_gunluk_anahtar` (made when missing), then removes the file and the keys: a start
// that dies after the commit but before the removal finds the keys next time and writes
// nothing twice. A line that cannot be read (a torn last line) goes to
// `orvekdata.journal.bad`, never silently away. The id of a "keepid" row stays in
// `tbl_gunluk_kimlik` (made when missing, pruned after a week), so a row journaled after a
// replay has written the row it refers to still finds its id.
// The journal, its `.bad` file and its lock file take the database file's permission bits
// (core/FolderAccess.h), so every user of a shared program folder can write them.

#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>
#include <utility>

struct JournalRow {
    JournalRow() = default;
    JournalRow(QString table_, QVector<QPair<QString, QVariant>> values_, bool replace_ = false)
        : table(std::move(table_)), values(std::move(values_)), replace(replace_)
    {
    }

    QString table;
    QVector<QPair<QString, QVariant>> values; // column, value (text, number, Null)
    // The row takes the place of a row with the same key (INSERT OR REPLACE): a state row
    // written before a send and completed after it.
    bool replace = false;
    // The key of the row's journal line; empty: a new one. A row that later rows refer to
    // carries a key of the caller's (QUuid text), which they name in refersTo.
    QString key;
    // Its id (the table's rowid) is kept under its key once the replay has written it.
    bool keepsId = false;
    // idColumn takes the id of the row written from the journal line `refersTo` (a value of
    // that column in `values` is replaced). Written from the journal, a row whose referred
    // row is missing gets 0 there.
    QString idColumn;
    QString refersTo;
};

enum class AcceptedWriteResult { Written, Journaled, Failed };

// Runs writeInTransaction in InLocalTransaction (core/LocalDb.h) on the local connection.
// writeInTransaction throws OrvekError to fail; a failure that says the database is busy or
// locked is tried again, with growing pauses, until AcceptedWriteRetryMs() has passed since
// the first try, calling waitStep (when given) repeatedly while each pause lasts (the window
// thread keeps its events going that way; without it the thread sleeps). Any other failure, or the retries running out,
// appends journalRows to the journal. Never throws.
AcceptedWriteResult WriteAfterAcceptedSend(const std::function<void(QSqlDatabase &)> &writeInTransaction,
                                           const QVector<JournalRow> &journalRows,
                                           const std::function<void()> &waitStep = {});

// Appends rows to the journal at once: rows that must not be lost and whose own write has
// failed already (the incoming messages fetched from the interactive service). True when
// they are on the disk.
bool AppendAcceptedWriteJournal(const QVector<JournalRow> &rows);

// Writes the journal's rows into their tables once, then removes the journal. Does nothing
// when there is no journal or the database cannot be opened or written now (the journal
// stays for the next start). Never throws, never shows anything.
void ReplayAcceptedWriteJournal();

// One INSERT (INSERT OR REPLACE for a replacing row) of the row's columns with bound values.
// The table and column names must be plain identifiers (letters, digits, "_"), else
// OrvekError, as for a failed statement. A row that refers to a journaled row takes the id
// kept for it (JournaledRowId); while that row is still in the journal, OrvekError (not a
// busy one), so the caller journals this row too. Returns the new row's id.
qint64 InsertJournalRow(QSqlDatabase &db, const JournalRow &row);
void InsertJournalRows(QSqlDatabase &db, const QVector<JournalRow> &rows);

// The id a replay kept for the journal line `key` (a "keepid" row it wrote); 0 when none is
// known (not written yet, or written more than a week ago).
qint64 JournaledRowId(QSqlDatabase &db, const QString &key);

// Whether a database failure description is SQLite's busy or locked state.
bool IsBusyOrLockedError(const QString &description);

// orvekdata.journal in the folder of LocalDbPath().
QString AcceptedWriteJournalPath();

// How long busy or locked writes are retried (60 s unless a test set another);
// a value <= 0 restores the default.
int AcceptedWriteRetryMs();
void SetAcceptedWriteRetryMs(int ms);
