#pragma once

// The steps of a send from the send screen, as plain functions: the account reply, the
// confirmation, the credit test, the basket, the schedule forms, the judgement of the
// reply and what follows an accepted send (the log row, the template row, the over-limit
// export). The window reads its controls, calls these and shows the results.

#include "core/AcceptedWrites.h"
#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "core/RecordSet.h"
#include "core/Services.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <optional>

struct SentMessageRow;

// --- Account reply (GetInfo) ------------------------------------------------------------

struct SendScreenAccount {
    bool reached = false;          // false: empty, "01", "-1" or an "<HTML>" page
    std::optional<QString> credit; // the text before the first line feed
    QStringList originators;       // one per further line ended by a line feed
    // Everything read and at least one originator: the pickers are set to now again.
    bool complete() const { return reached && credit && !originators.isEmpty(); }
};
// Reads the reply: the credit is the text before the first line feed, every further line
// that a line feed ends is one originator name in reply order (an empty line is an empty
// name; a CR that ends a line is dropped), text after the last line feed is ignored. A
// reply without a line feed has no credit and no names.
SendScreenAccount ReadSendScreenAccount(const QString &reply);
// Whether the reply holds account information at all: not so for no reply ("-1", ""), a
// page ("<HTML>", "<html lang=...>", any letter case) or a whole result code ("01", "04",
// ...). When it does not, the credit step of both send windows shows GatewayUnreachableText()
// and nothing is sent; a credit of 0 that the gateway did answer keeps the credit box.
bool IsAccountReply(const QString &reply);

// --- Before the send ----------------------------------------------------------------------

// The question of the confirmation box (later send: with the pickers' date and time).
QString SendConfirmationText(int count, const QString &originator, bool later, const QDate &date, const QTime &time);
// A count or credit text as a number ("1500", " 3", "12,5"); throws OrvekError when it is
// no number (an empty credit label, for instance).
double SendScreenNumber(const QString &text);
// The credit test: credit >= total. Throws OrvekError when either text is no number.
bool HasEnoughCredit(const QString &creditText, const QString &totalText);
// Puts every row of the list with a number into the basket: the first 160 characters of
// its text, then normalised. Rows without a number are skipped. Returns the rows put in.
int FillSendBasket(Gateway &gateway, const RecordSet &sendList);
// SDate of the request: "" at once, else ddMMyyyyHHmm of the pickers.
QString ScheduledSendText(bool later, const QDate &date, const QTime &time);
// gtarih of a later send: the pickers' date, hour and minute, seconds 0.
QDateTime ScheduledSendTime(const QDate &date, const QTime &time);

// --- The reply ------------------------------------------------------------------------------

// NoConnection and Refused close the screen, Blocked keeps it with its list, Accepted is
// logged.
using SendReplyKind = GatewayReplyKind;
struct SendReplyJudgement {
    SendReplyKind kind = SendReplyKind::Refused;
    QString messageId; // Accepted only
    QString text;      // the box of a failed send ("" when accepted)
    PromptIcon icon = PromptIcon::None;
    QString title;
    bool showNetWarning = false; // lblNet becomes visible
    bool keepScreen = false;     // the screen stays open
};
SendReplyJudgement JudgeSendReply(const QString &reply);

// Whether a send may have gone out though no reply came: the request function gave "-1"
// and the body had left (PostOutcome::SentNoAnswer). The window keeps everything as it was
// and asks before the same list is sent again.
bool SendOutcomeUnknown(const QString &reply, PostOutcome outcome);
// Its box (exclamation icon, title "Uyarı") and the question before a second try (Yes/No).
// Such a send has no message id and so no row in the log of sends: the box leads to the
// report tabs that ask the gateway itself (by dates, by number).
QString SendOutcomeUnknownText();
QString ResendQuestionText();

// The box of an unexpected failure inside "Gönder" (critical icon, title "Uyarı").
QString SendFailureText(const QString &description);

// --- Accepted send --------------------------------------------------------------------------

// The log row of a send from the screen: gSendKind, gGatewayKind, gCompanyCode, the list's
// row count and "İlk Kayıt :" + the first row's text as it stands.
SentMessageRow SendScreenLogRow(const QString &messageId, const RecordSet &sendList, const QString &originator,
                                const QDateTime &sentAt, const QDateTime &sendAt);

// Folder of the over-limit file: the user's Documents folder unless a test set another.
QString DocumentsFolder();
void SetDocumentsFolder(const QString &folder);
// DocumentsFolder() + "/gitmeyen.xlsx".
QString OverLimitFileName();

struct AcceptedSend {
    QString messageId;
    const RecordSet *sendList = nullptr;
    QString originator;
    QDateTime sentAt; // tarih
    QDateTime sendAt; // gtarih
    bool saveAsTemplate = false;
    QString templateKind;
    QString messageText;    // the text as typed, placeholders kept (the template row)
    bool overLimit = false; // recipients were left out for a text over the limit
};
// A message box of the outcome: text, icon and title as shown.
struct SendNotice {
    QString text;
    PromptIcon icon = PromptIcon::Information;
    QString title;
};
// One write of rows after an accepted send: WriteAfterAcceptedSend inserting them, waitStep
// running during its pauses.
struct AcceptedRowsWrite {
    bool written = false;
    bool journaled = false; // in the journal, written in at the next start
};
AcceptedRowsWrite WriteAcceptedRows(const QVector<JournalRow> &rows, const std::function<void()> &waitStep = {});

struct AcceptedSendResult {
    bool logWritten = false;
    bool templateWritten = true; // also when none was asked for
    bool logJournaled = false;   // not written now; the next start writes it from the journal
    bool templateJournaled = false;
    QVector<SendNotice> notices;  // the boxes that tell the outcome, in order
    bool exportOverLimit = false; // after the boxes the over-limit list goes to OverLimitFileName()
};
// After an accepted send: writes the log row and, when asked, the template row of
// send.messageText (each on its own through WriteAfterAcceptedSend, so a busy database is
// waited for and a row that still cannot be written goes to the journal; waitStep runs
// during the pauses), and says which boxes tell the operator the outcome and whether the
// over-limit list is to be exported. Shows nothing. Never throws.
AcceptedSendResult FinishAcceptedSend(const AcceptedSend &send, const std::function<void()> &waitStep = {});

// Texts of the accepted send's boxes (information icon).
QString SentText();              // title "Brenvik Uyarı"
QString SentButNotLoggedText();  // title "Brenvik Uyarı"
QString SentButNoTemplateText(); // title "Brenvik Uyarı"
QString SentWithOverLimitText(); // title "Brenvik mesaj gönderimi"
// A row of the send went to the journal (exclamation icon, title "Uyarı"); shared with the
// quick message window.
QString SentLogLaterText();
