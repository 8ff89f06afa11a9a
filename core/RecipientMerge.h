#pragma once

// The merge behind "İleri >>" of the recipient windows: one message text, with placeholders
// "[##" + column name + "##]", turned into one text per recipient row; the recipient's mobile
// number; the duplicate rule; the split of the rows between the send list (at most 160
// characters) and the over-limit list. The windows do the hand-over around it (show the send
// screen, the progress window, the messages); everything here is plain logic.

#include "core/RecordSet.h"

#include <QSet>
#include <QString>
#include <QVector>
#include <functional>
#include <vector>

// Longest merged text that goes into the send list; a longer one goes to the over-limit list.
inline constexpr int kMergeTextLimit = 160;
// The number that always counts as used while the duplicate test is on.
inline constexpr const char *kUsedNumberSentinel = "5000000000";

// A message text prepared once for rows of given fields, then merged per row.
//
// Reading of the text, as the operator's text has always been read:
//  - A text without any "[##", or without any "##]", goes out unchanged, lone marks included.
//  - Otherwise the text before the first "[##" is kept; then, repeatedly, the name runs from
//    after that "[##" up to the first "##]" that follows in the rest of the text, the row's
//    value of that column takes the placeholder's place, and the text up to the next "[##"
//    (or the rest, when there is none) is kept. A "##]" after the last placeholder is text.
//  - Field names are compared without letter case, blanks included (" Unvan1" is no name).
//  - A value is written with ValueText (fixed Turkish forms); Null writes nothing.
// The text is refused (OrvekError with a description) when a "##]" stands before its "[##" or
// overlaps it, when a "[##" has no "##]" after it (once the text holds both marks), when a
// name is empty, or when a name is not one of the fields.
class MergeText {
public:
    MergeText() = default;
    static MergeText compile(const QString &text, const QVector<RecordField> &fields);
    static MergeText compile(const QString &text, const QStringList &fieldNames);

    // The text merged with one row (values by field index, as the fields given to compile).
    QString apply(const RecordRow &row) const;
    // The length of the merged text; the text itself goes into `out` only when that length is
    // at most `limit` (out is left as it is otherwise). `out` keeps its room: a merge that
    // writes every row into the same string allocates nothing per row.
    qsizetype applyWithin(const RecordRow &row, qsizetype limit, QString &out) const;
    // The text as typed.
    const QString &text() const { return m_text; }
    // Whether the text holds at least one placeholder.
    bool hasPlaceholders() const { return !m_fields.isEmpty(); }

private:
    QString m_text;
    // literals[i] precedes field i; literals has one entry more than fields (the tail).
    QVector<QString> m_literals;
    QVector<int> m_fields;
    int m_literalLength = 0;
};

// The recipient's mobile number: the texts of the prefix and the subscriber number joined in
// this order and passed through NormalizeGsmNumber; "" when either value is Null or the
// joined text is no usable mobile number.
QString RecipientNumber(const QVariant &prefix, const QVariant &subscriber);

// The numbers already put into the send list while the duplicate test is on. It starts with
// the sentinel 5000000000, so that number never goes out while the test is on.
// Numbers are normalised ones (ten digits).
class UsedNumbers {
public:
    // A new table takes the room of the last one its thread let go (its slots are written
    // anew), so each merge does not fault in a fresh table.
    UsedNumbers();
    ~UsedNumbers();
    UsedNumbers(const UsedNumbers &) = default;
    UsedNumbers &operator=(const UsedNumbers &) = default;
    bool contains(const QString &number) const;
    void add(const QString &number);
    void reserve(int count);

private:
    // Mobile numbers (5 and nine digits) are kept by their last nine digits in an open-address
    // table, at most half full: four bytes a number, one probe as a rule, so the test stays
    // quick when the table no longer fits in the cache. Any other number (none comes from the
    // normaliser) goes to `m_others`.
    static constexpr quint32 kEmpty = 0xFFFFFFFFu;
    bool containsMobile(quint32 key) const;
    void addMobile(quint32 key);
    void grow(qsizetype capacity);
    static std::vector<quint32> &spareSlots();
    std::vector<quint32> m_slots;
    qsizetype m_count = 0;
    int m_shift = 32;
    QSet<quint64> m_others;
};

// An empty over-limit list for rows of these fields: the same fields (name, type, size), in
// the same order.
RecordSet MakeOverLimitList(const RecordSet &recipients);

// What one run of the merge talks to.
struct RecipientMergeHooks {
    // Whether the duplicate test is on; read for every row with a usable number. Empty: the
    // window has no duplicate test (every row with a usable number is taken).
    std::function<bool()> duplicateTest;
    // Puts one row into the send list; `count` is the number of rows taken so far, this one
    // included. The number and the text are valid during the call only: the merge writes
    // every row into the same buffers.
    std::function<void(QStringView gsmNo, QStringView mesaj, int count)> take;
    // Called once per row that has a usable number, before it goes to a list: lets the
    // message loop run (the windows let it run once per time slice) and tells whether to
    // stop; true: stop at once (the windows are going).
    std::function<bool()> yield;
};

enum class MergeEnd {
    Finished,  // every row visited
    Cancelled, // gCancelRequested was set before a row
    Stopped,   // yield said stop: nothing after that yield was touched
    Failed,    // a failure before the first row reached the send list or the over-limit list
};

struct RecipientMergeResult {
    MergeEnd end = MergeEnd::Finished;
    int taken = 0;     // rows put into the send list
    int overLimit = 0; // rows put into the over-limit list
    QString error;     // Failed: the description
};

// One run over the rows as the filter in force shows them, first to last:
//  - before each row: stops when gCancelRequested is set (the rows taken so far stay);
//  - rows whose number is Null or unusable are dropped, and, while the duplicate test is on,
//    rows whose number is already used;
//  - every other row yields once, then goes to the send list when its merged text has at most
//    160 characters (every character counts: a CR LF line break is two), else into
//    `overLimit`, whole (its number is not marked as used then);
//  - gProgressDone counts every visited row.
// `overLimit` is rebuilt at the start with MakeOverLimitList. The columns CepTelBKod and
// CepTel are found by name. A failure before the first row has yielded ends the run as Failed;
// once a row has yielded, a failing step is skipped and the run goes on.
RecipientMergeResult RunRecipientMerge(const RecordSet &recipients, const MergeText &text, RecordSet &overLimit,
                                       const RecipientMergeHooks &hooks);
