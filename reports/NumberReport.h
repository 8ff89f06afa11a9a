#pragma once

// The report window's own two gateway requests: the sends to one mobile number between two
// days (Action 14) and the text of one send to one number (Action 15). The window reads its
// controls, calls these and shows the results.

#include "core/Services.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// --- Number check -------------------------------------------------------------------------

// A mobile number as the number tab takes it: exactly ten characters, the first "5"; the
// others are not checked, except that "&", "<" and ">" are refused (they would break the
// request text).
bool IsReportGsmNo(const QString &text);

// --- Requests -----------------------------------------------------------------------------

// Action 14: the sends to `gsmNo` between the two days (yyyy-MM-dd, as given; the order is
// not checked).
QString NumberReportRequest(const QString &login, const QString &password, const QString &gsmNo, const QDate &firstDay,
                            const QDate &lastDay);
// Action 15: the text of send `msgId` to `gsmNo`.
QString MessageTextRequest(const QString &login, const QString &password, const QString &gsmNo, const QString &msgId);

// Posts a request to the gateway URL (gGatewayUrl) through HttpPoster. Returns the reply
// text; a failed exchange throws OrvekError with its description.
QString PostReportRequest(const QString &request);

// --- Reply codes --------------------------------------------------------------------------

// The box a reply code gives (title "Uyarı"). Only whole replies count ("-1", "01", "03",
// "04", "05", "08", case as written) and a reply whose first six characters are "<HTML>".
struct ReportCodeBox {
    QString text;
    PromptIcon icon = PromptIcon::None;
};

enum class MessageTextTab { Number, SingleSend };

// The number fetch; no value for a reply that is read as lines.
std::optional<ReportCodeBox> JudgeNumberReportReply(const QString &reply);
// The text request of a tab; no value for a reply that is read as XML.
std::optional<ReportCodeBox> JudgeMessageTextReply(MessageTextTab tab, const QString &reply);

// --- The number fetch's lines -------------------------------------------------------------

// Walks an Action 14 reply: only the pieces before the last line feed are lines (one CR at
// a line's end is dropped). A line is the message id, one space, and the date text (the
// rest of the line, further spaces included).
class NumberReportReader {
public:
    explicit NumberReportReader(const QString &reply);

    int lineCount() const { return m_lineCount; }

    enum class Step { Line, NoSpace, End };
    // NoSpace: the line holds no space (callers stop there with their failure box).
    Step next(QString &messageId, QString &dateText);

private:
    QString m_reply;
    qsizetype m_pos = 0;
    int m_lineCount = 0;
    int m_linesRead = 0;
};

// --- The text reply -----------------------------------------------------------------------

// The texts of every msgbody element of an Action 15 reply, at any depth, in document order,
// each as it stands (blanks and line breaks at either end included; XML reads a CR LF in the
// reply as one line feed). The reply is read as UTF-8 whatever its declaration says. Throws
// OrvekError when the reply is no XML document or holds no msgbody element.
QStringList ReadMessageBodies(const QString &reply);

// The information box text: one text in the "mesaj :" form, two or more numbered in the
// "mesajlar :" form.
QString MessageTextBoxText(const QString &msgId, const QString &gsmNo, const QStringList &bodies);

namespace NumberReportTexts {
QString badNumber();    // "GSMNo Alanını Kontrol Ediniz"
QString noReport();     // "Önce Rapor Çekmelisiniz"
QString fetchFailure(); // "Lütfen İnternet Bağlantınızı Kontrol Ediniz" (after gStageMark)
QString numberTabFailure(const QString &description);
QString stageBuilding(); // tab 0's stage before the request is built
QString stageExchange(); // tab 0's stage once it is built
} // namespace NumberReportTexts
