#pragma once

// The steps of the quick message window (typed numbers, one text, its own send road) as plain
// functions. The window reads its controls, calls these and shows the results. The steps that
// are the same as the send screen's (login name, confirmation text, credit numbers, schedule
// forms, the log writer) come from messaging/SendSteps.h and core/SentLog.h.

#include "core/Gateway.h"
#include "core/SentLog.h"
#include "core/Services.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

inline constexpr const char *kQuickMessageKind = "Hızlı mesaj gönder"; // gSendKind, msg_tip
inline constexpr const char *kQuickTemplateKind = "HizliMesaj";        // sablon_tip
inline constexpr int kQuickNumberSize = 10;                            // txtGSM

// --- Account reply ------------------------------------------------------------------------

// "Mesaj merkeziyle bağlantı kurulamıyor." (critical icon, empty title).
QString QuickNoConnectionText();

// What a whole reply that is one of the gateway's result codes means, as the credit box
// shows it; "" when the reply is no code. Only a reply without a line feed can be a code: a
// credit line always ends with one.
QString GatewayCodeMeaning(const QString &reply);

struct QuickAccount {
    bool reached = false;    // false: empty, "01", "-1" or an "<HTML>" page (nothing is filled)
    QString credit;          // what the credit box shows, the trailing blank included
    QStringList originators; // in reply order
};
// The reply of GetInfo: the credit is the text before the first line feed (the whole reply
// when it holds none, so a reply without originators still shows its credit), every further
// line that a line feed ends is one originator. A result code in place of the credit shows
// its meaning instead.
QuickAccount ReadQuickAccount(const QString &reply);

// --- Numbers --------------------------------------------------------------------------------

enum class QuickNumberCheck { Empty, Wrong, Duplicate, Accepted };
// "Ekle": an empty box, a length other than ten or a leading "0", a number already listed
// (exact comparison); any other ten characters are accepted as they are.
QuickNumberCheck CheckQuickNumber(const QString &typed, const QStringList &listed);
// The message of a refused number (information icon, empty title); "" for Accepted.
QString QuickNumberMessage(QuickNumberCheck check);

// What the count box shows: the count followed by one blank.
QString QuickCountText(int count);

// --- Send -----------------------------------------------------------------------------------

// "Sil" on an empty list and without a selection (information icon, empty title).
QString QuickRemoveEmptyText();
QString QuickRemoveNoSelectionText();
// "Gönder" without numbers, and with an empty text or a text of one blank.
QString QuickNoNumbersText();
QString QuickNoTextText();
bool IsMissingQuickText(const QString &text);
// The confirmation's title (question icon, Yes/No).
QString QuickConfirmationTitle();

enum class QuickCreditCheck { Enough, NotEnough, Unreadable };
// The credit box against the count box, both read as numbers; equal values pass. A credit
// that is no number (a code's meaning, a page of text) is Unreadable.
QuickCreditCheck CheckQuickCredit(const QString &creditText, const QString &countText);
// Texts of the credit test (information icon, title "Brenvik Uyarı").
QString QuickNoCreditText();
QString QuickUnreadableCreditText();

// Puts the one text into the basket once per number, in list order. Throws OrvekError when
// the basket refuses a row.
void FillQuickBasket(Gateway &gateway, const QString &text, const QStringList &numbers);

// NoConnection and Refused close the window, Blocked keeps it with its list and text,
// Accepted is logged.
using QuickReplyKind = GatewayReplyKind;
struct QuickReplyJudgement {
    QuickReplyKind kind = QuickReplyKind::Refused;
    QString messageId; // Accepted only
    QString text;      // the box of a failed send
    PromptIcon icon = PromptIcon::None;
    QString title;
    bool keepWindow = false;
};
QuickReplyJudgement JudgeQuickReply(const QString &reply);

// The log row of an accepted quick message: msg_tip "Hızlı mesaj gönder", the gateway kind
// and company of the login, mesaj "İlk Kayıt :" + the text as typed.
SentMessageRow QuickLogRow(const QString &messageId, int count, const QString &typedText, const QString &originator,
                           const QDateTime &sentAt, const QDateTime &sendAt);

struct QuickWriteResult {
    bool logWritten = false;
    bool templateWritten = true; // also when none was asked for
    bool logJournaled = false;   // not written now; the next start writes it from the journal
    bool templateJournaled = false;
    bool ok() const { return logWritten && templateWritten; }
    bool journaled() const { return logJournaled || templateJournaled; }
};
// Writes the log row and, when asked, the template row of kind "HizliMesaj" holding
// normalisedText (each on its own through WriteAfterAcceptedSend: a busy database is waited
// for, waitStep running during the pauses, and a row that still cannot be written goes to
// the journal). Never throws.
QuickWriteResult WriteQuickSend(const SentMessageRow &logRow, bool saveAsTemplate, const QString &normalisedText,
                                const std::function<void()> &waitStep = {});
// After an accepted send (information icon, title "Brenvik Uyarı").
QString QuickSentText();
QString QuickSentNotLoggedText();
