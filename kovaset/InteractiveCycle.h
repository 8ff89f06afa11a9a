#pragma once

// The automatic program's interactive fetch-and-answer cycle: it asks the interactive SMS
// service for the new messages ("REC UNREAD"), stores every message of the reply in the inbox
// tbl_int_msgbox, and answers each one through the gateway, with one fixed text (answer mode
// "1") or with a text built from a keyword rule of tbl_int_parametre and the ERP database
// (mode "2"). An answer that the gateway accepted is logged in tbl_giden and, tied to the
// stored message's id, in tbl_int_donus.
//
//   Gateway gateway;                       // the program's one gateway client
//   InteractiveContext ctx = InteractiveContextFromSettings(gateway);
//   ctx.log = [&](const QString &line) { log.write(line); };
//   InteractiveStart(ctx);                 // one cycle; never throws, never shows anything
//
// The cycle works on the local connection (OpenLocalDb) and reads its own settings from
// tbl_param at every run: flg_interaktif, IntKullanici and IntParola (Base64), IntDonusTip,
// Int1Mesaj. Nothing fetched is lost: all messages of a reply are stored first, in one
// transaction, then answered in order; a message that cannot be stored goes to the journal
// and is still answered, its answer rows journaled with it and tied to it when the journal
// is written in. Before each answer's request the message is recorded as answered
// (tbl_int_yanitlanan), so an answer that may have gone out is never sent again, and
// AnswerLeftMessages() answers at the next start what a stop or a crash left unanswered. A reply that does not come or read whole (cut off, a broken byte,
// stalled after its first bytes) still gives its whole messages, stored and answered as
// usual, and its raw bytes are kept in gathwin-<date-time>.xml beside the database.

#include "core/Gateway.h"
#include "core/GatewayKind.h"
#include "core/RecordSet.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

// Runs one SELECT text on the ERP database and returns every row; throws OrvekError when the
// query fails.
using ErpQueryRunner = std::function<RecordSet(const QString &sql)>;

// Runs `work` (which throws OrvekError on failure) in one BEGIN IMMEDIATE transaction on the
// local connection; false, with the driver's description in `error`, when nothing of it was
// kept. A runner may call `work` again after a busy database.
using LocalWriteRunner = std::function<bool(const std::function<void(QSqlDatabase &)> &work, QString &error)>;

struct InteractiveContext {
    Gateway *gateway = nullptr;
    // The gateway account as the settings loader left it.
    GatewayKind gatewayKind = GatewayKind::None;
    QString userName;
    QString password;
    QString ckey;
    // Current date and time (the stored messages' tarih, the log rows' tarih and gtarih).
    std::function<QDateTime()> now;
    // One line per event: a reply that cannot be read, a message that cannot be stored, an
    // answer the gateway did not accept, the service switched off.
    std::function<void(const QString &)> log;
    ErpQueryRunner runErpQuery;
    // The store of the fetched messages (RunLocalTransaction when empty). The rows of an
    // accepted answer go through WriteAfterAcceptedSend: retried, else journaled.
    LocalWriteRunner runLocalWrite;
    // Asked before the poll and before every answer: true stops the cycle there (the fetched
    // messages are stored all the same, the rest are not answered). None: never stops.
    std::function<bool()> stopRequested;

    // ERP results fetched by value during the running cycle, and the prepared rule lookups
    // (InteractiveStart drops both at its start and end).
    struct ValueSearch;
    QHash<QString, std::shared_ptr<ValueSearch>> valueSearches;
    // The rule lookups, prepared once per cycle.
    struct RuleStatements;
    std::shared_ptr<RuleStatements> ruleStatements;
};

// A context over the program-wide account (gGatewayKind, gUserName, gPassword, gCkey), the
// machine's clock, no log, RunErpQueryReconnectOnce and RunLocalTransaction.
InteractiveContext InteractiveContextFromSettings(Gateway &gateway);

// RunErpQueryReconnectingOnce (core/ErpQueries.h) reading every row (ReadQueryRows). Throws
// OrvekError with the driver's description when the connection does not open or the query
// fails on the reopened connection too.
RecordSet RunErpQueryReconnectOnce(const QString &sql);
// Every row of an executed query, with the query's column names and the driver's values.
RecordSet ReadQueryRows(QSqlQuery &q);

// One try of `work` in InLocalTransaction (core/LocalDb.h): the connection's busy timeout is
// the only wait.
bool RunLocalTransaction(const std::function<void(QSqlDatabase &)> &work, QString &error);

enum class CycleResult {
    ServiceOff,     // flg_interaktif "0": no request
    SettingsFailed, // the local database could not be read: no request, nothing fetched
    ExchangeFailed, // the service could not be reached
    ServiceError,   // a reply beginning with "err": the service is switched off
    NoMessages,     // "ok 08"
    Unreadable,     // no list (no "msgbody" in it) and not well-formed XML: nothing stored, the reply logged
    Incomplete,     // a list that did not come or read whole: its whole messages kept, the raw reply in rawFile
    Fetched,        // a list was read (it may hold no message)
    Stopped,        // a stop was requested before the poll: nothing asked
};

struct CycleOutcome {
    CycleResult result = CycleResult::ServiceOff;
    QString reply;
    int fetched = 0;      // messages in the list (the whole ones of an incomplete list)
    int stored = 0;       // of them stored in tbl_int_msgbox
    int accepted = 0;     // answers the gateway accepted
    int refused = 0;      // answers sent but not accepted
    bool stopped = false; // a stop request ended the answers
    QString rawFile;      // Incomplete: gathwin-<date-time>.xml beside the database ("" when it could not be written)
};

enum class AnswerResult {
    NotSent,           // no answer for this message (no rule, no account, empty text, ...)
    Accepted,          // accepted and logged in tbl_giden and tbl_int_donus
    Journaled,         // accepted; the log rows went to the journal (written at the next start)
    AcceptedNotLogged, // accepted, but the log rows could be written neither to the tables nor the journal
    Refused,           // the gateway refused it or could not be reached: no row
    Stopped,           // not sent: a stop was requested
};

// One cycle.
CycleOutcome InteractiveStart(InteractiveContext &ctx);

// Answers once, in arrival order, the stored messages of the last 24 hours that the answer
// mode answers and that have neither an answer row nor an answer that may have gone out: the
// rest of a cycle that a stop or a crash ended. The program's start runs it after the
// journal replay. Nothing when the service is off or there is no gateway user.
CycleOutcome AnswerLeftMessages(InteractiveContext &ctx);
// Whether there is such a message and a mode that answers it (false when it cannot be read).
bool LeftMessagesWaiting(const QDateTime &now);

// A message as its answer names it: its inbox id, or, while it waits in the journal (its
// store failed), the key of its journal line.
struct StoredMessage {
    qint64 id = 0;
    QString journalKey;
};

// The single answer `msg` (Int1Mesaj) to the message `msg2` stored as `message` from GSMNo.
AnswerResult TekMesajGonder(InteractiveContext &ctx, const QString &GSMNo, const QString &msg, const QString &msg2,
                            const StoredMessage &message);
// The keyword-rule answer to the message `msg` stored as `message` from GSMNo.
AnswerResult PrmMesajGonder(InteractiveContext &ctx, const QString &GSMNo, const QString &msg,
                            const StoredMessage &message);

// --- Pure pieces ----------------------------------------------------------------------

// The messages of a list reply, in document order: the text of the i-th "//msgbody" node with
// the text of the i-th "//gsmno" node ("" when there are fewer numbers), both untrimmed.
// A reply that is not well-formed (cut off, a broken byte, stalled) still gives the messages
// that were whole before the parser stopped: pairs of a "msgbody" and a "gsmno" element whose
// end tags both came, up to the first pair that is not whole. A NUL character (where the
// parser stops reading) is dropped when the reply without it gives more messages.
struct GathwinMessage {
    QString gsmno;
    QString msgbody;
};
struct GathwinList {
    bool wellFormed = false;
    QString error; // the parser's description when not well-formed
    QVector<GathwinMessage> messages;
    bool nulDropped = false; // the messages are those of the reply without its NUL characters
};
GathwinList ParseGathwinList(const QString &reply);

// Every apostrophe doubled, then every CR LF pair replaced by one blank (a lone CR or LF
// stays).
QString DoubleApostrophe(const QString &sbr);
// CR LF pairs replaced by one blank: how every text is stored.
QString CrLfToBlank(const QString &text);

// Eight digits ddMMyyyy as dd.MM.yyyy; missing characters give empty parts ("" -> "..").
QString TarihAyraci(const QString &Tarih);

// An incoming text split at its first blank: the keyword (before it) and the value (after
// it), both trimmed of blanks. Without a blank the keyword is the whole text.
struct KeywordSplit {
    QString keyword;
    QString value;
};
KeywordSplit SplitKeyword(const QString &text);

// Fills every "[##name##]" of `gelen` from row `row` of `rsGelen`: one blank and the value in
// its Turkish text form (ValueText; a field "DGun" or "EvYil" through TarihAyraci); a Null or
// empty value, a missing field or a missing row removes the placeholder, blank included. A
// "[##" without a later "##]" and the rest of the text stay as typed.
QString MesajHazirla(const QString &gelen, const RecordSet &rsGelen, int row = 0);

// The text of a single answer as it is sent: "&" -> "-", "<" -> "[", ">" -> "]", then its first
// 160 characters.
QString SingleAnswerText(const QString &text);

// The SELECT text of a rule's query kind ("BakiyeMesaj", "ChkMesaj", "GrupMesaj",
// "YetkiliMesaj") for gCompanyCode; "" for any other kind.
QString InteractiveErpQuery(const QString &kind);
