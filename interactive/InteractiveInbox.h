#pragma once

// The inbox of the interactive SMS service (tbl_int_msgbox) and the answers sent to it
// (tbl_int_donus), as the inbox window and the query and chart window read and change them.
// The automatic program writes both tables from its own connection at any time; every read
// here is whole (no statement stays open between calls), so it never holds up those writes.
//
// Every function opens the local database when it is closed (OpenLocalDb), binds every value
// and throws OrvekError with the driver's description when a statement fails; a failed write
// changes nothing.

#include "core/RecordSet.h"

#include <QDate>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <optional>

// Columns of the message sets, in table order.
inline constexpr int kInboxId = 0;
inline constexpr int kInboxTarih = 1;
inline constexpr int kInboxGsmNo = 2;
inline constexpr int kInboxMsg = 3;

// id (whole number), tarih (date and time), gsmno, msg.
RecordSet EmptyInboxSet();
// adet (whole number), msg: one row per distinct text.
RecordSet EmptyInboxCountSet();

// Messages stored from 00:00:01 of `from` to 23:59:59 of `to` whose text begins with
// `keyword` (literally, without letter case the Turkish way: TurkishFold; an empty keyword
// keeps every text).
struct InboxFilter {
    QDate from;
    QDate to;
    QString keyword;
};

struct SqlWhere {
    QString text; // "WHERE ..." with one ? per bound value
    QVariantList binds;
};
SqlWhere InboxFilterWhere(const InboxFilter &filter);
// A LIKE pattern that matches texts beginning with `prefix`; %, _ and \ stand for themselves
// (ESCAPE '\').
QString LikePrefixPattern(const QString &prefix);

// Every message (or those of the filter), newest first (by tarih, then by id).
RecordSet LoadInboxMessages(const std::optional<InboxFilter> &filter = std::nullopt);
// The number of messages per text (or of those of the filter), texts that differ only in
// letter case counted as one (TurkishFold, the same fold as the filter's). A group is named
// by its most frequent spelling, of equally frequent ones the first stored (lowest id); the
// groups are ordered by their folded text, the group of Null texts first.
RecordSet LoadInboxCounts(const std::optional<InboxFilter> &filter = std::nullopt);

// The answer sent to a message: the oldest answer row of it; "" when it has none.
QString InboxAnswer(qint64 messageId);

// The state of the inbox in two figures, the number of rows and the largest id. Rows are never
// updated and ids never come back, so the inbox has changed exactly when one of them has.
// In the shipped database both are read from a few pages, however large the inbox.
struct InboxSignature {
    qint64 count = -1;
    qint64 maxId = -1;
    bool operator==(const InboxSignature &o) const { return count == o.count && maxId == o.maxId; }
    bool operator!=(const InboxSignature &o) const { return !(*this == o); }
};
InboxSignature ReadInboxSignature();

// What changed since `current` (read by LoadInboxMessages) showed the inbox of `known`:
// nothing; new messages that all belong above the current rows (`added`, newest first); or
// anything else, in which case `reloaded` holds the whole inbox again.
struct InboxUpdate {
    enum class Kind { None, Prepend, Reload };
    Kind kind = Kind::None;
    InboxSignature signature;
    QVector<RecordRow> added;
    RecordSet reloaded;
};
InboxUpdate ReadInboxUpdate(const RecordSet &current, const InboxSignature &known);

// The (visible) row of the message id; -1 when it is not there.
int InboxRowOfId(const RecordSet &rs, qint64 id);

// Writes the answer mode and the single answer text (IntDonusTip, Int1Mesaj) together:
// both or neither.
void SaveAnswerMode(const QString &mode, const QString &singleAnswer);

// Deletes exactly these messages, all or none. Their answers stay.
void DeleteInboxMessages(const QVector<qint64> &ids);
// Deletes every message. The answers stay.
void DeleteAllInboxMessages();
