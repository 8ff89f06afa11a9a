#pragma once

// Client of the SMS gateway: one operation per kind of request, and the message basket that
// one send request carries. Both gateway kinds (GatewayKind: hosted and on-premises)
// speak this one protocol.
//
// Every request operation posts its XML text (no declaration, no line breaks, values put in
// as they are, without escaping) to the gateway URL and returns the reply text unread:
//   "-1"   the exchange failed (made here, never by the gateway);
//   "-2"   sendsms with an empty basket (nothing was sent);
//   else   the gateway's reply, whatever the HTTP status.
// None of them throws. The plain functions below read the reply forms.
//
// Typical send:
//   Gateway gw;
//   gw.reserveBasket(n);
//   for (...) gw.addToBasketAsGsmText(text, number);   // may throw OrvekError
//   const QString reply = gw.sendsms(GatewayUserName(), gPassword, originator, sdate);
//   const GatewaySendReply r = ParseSendReply(reply);
//
// The URL is read from gGatewayUrl at every request unless setUrl() gave the object one of
// its own (the settings window tests a typed account that way). Single-threaded: an object
// and its basket belong to one thread; requests block that thread.

#include "core/GatewayKind.h"
#include "core/HttpPoster.h"
#include "core/RecordSet.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>
#include <optional>
#include <vector>

class Gateway {
public:
    static constexpr int kMessageSize = 160; // longest MSG the basket takes
    static constexpr int kNumberSize = 20;   // longest GSM the basket takes

    Gateway();
    // The basket's storage goes back to the thread, emptied, for the next Gateway it makes.
    ~Gateway();
    Gateway(const Gateway &) = default;
    Gateway &operator=(const Gateway &) = default;
    Gateway(Gateway &&) = default;
    Gateway &operator=(Gateway &&) = default;

    // Action 4: credit and originator names (see ParseGetInfoReply).
    QString GetInfo(const QString &UserName, const QString &Password);
    // Empties the basket; never fails.
    void clearsmsbasket();
    // Appends one row (MSG = MsgBody, GSM = GSMNo), stored as given. A text over 160
    // characters or a number over 20 throws OrvekError; the rows stored before stay.
    // The basket keeps the strings (shared, not copied) and writes them into the request
    // when it is sent: rows taken from one string's characters (the texts of a record set's
    // block) cost no object of their own.
    void addtosmsbasket(const QString &MsgBody, const QString &GSMNo);
    // addtosmsbasket(NormalizeGsmText(text), GSMNo), with the text kept as given and folded
    // when the request is written: a long list costs no second copy of its texts.
    void addToBasketAsGsmText(const QString &text, const QString &GSMNo);
    // Action 1: sends the whole basket in one request. "-2" at once for an empty basket.
    // When the gateway answered (whatever it said) the basket is emptied; after "-1" the
    // rows stay for a later sendsms. SDate: "" = at once, else ddMMyyyyHHmm. The request is
    // written while it goes out, so it is never held whole.
    QString sendsms(const QString &UserName, const QString &Password, const QString &Originator, const QString &SDate);
    // Action 11: state of each number of one sending (see ParseStatusReply).
    QString getmsgstatus(const QString &UserName, const QString &Password, const QString &MSGID);
    // Action 9: the undelivered numbers of one sending.
    QString getmsgstatusundelivered(const QString &UserName, const QString &Password, const QString &MSGID);
    // Action 17: states of all sendings between two days (yyyy-MM-dd). Also answers the
    // codes "100", "17", "18", "19".
    QString getmsgstatustodate(const QString &UserName, const QString &Password, const QString &FDate,
                               const QString &LDate);
    // A fixed text of four lines joined by CR LF.
    QString about() const;
    // Action 12: the gateway's time; used as a test of the account.
    QString GetSystemTime(const QString &UserName, const QString &Password);

    // Posts a request text built elsewhere (the report envelope of further Actions, see
    // GatewayReportRequest) the same way: reply text, or "-1".
    QString postRequest(const QString &request) const;

    // URL of this object: its own after setUrl(), else gGatewayUrl at the time of the call.
    void setUrl(const QString &url) { m_url = url; }
    void useProgramUrl() { m_url.reset(); }
    QString url() const;

    // How this object's last request went: Answered, NotSent (also before the first
    // request and for sendsms of an empty basket) or SentNoAnswer (the request went out,
    // no whole reply came: a send may have been taken).
    PostOutcome lastOutcome() const { return m_lastOutcome; }

    // The basket as a record set (MSG 160, GSM 20), made when asked for.
    const RecordSet &SmsBasket() const;
    int basketCount() const { return int(m_basket.texts.size()); }
    // Room for `rows` rows, so that a long list fills the basket without reallocations.
    void reserveBasket(int rows);

private:
    // A value of the basket: `length` characters at `data`, which one of m_basket.owners holds.
    struct Held {
        const char16_t *data;
        quint32 length;
    };
    class SendRequest;
    bool exchange(const QString &request, QString &reply) const;
    void putInBasket(const QString &text, const QString &number, bool asGsmText);
    Held hold(const QString &value);
    static QStringView view(const Held &h) { return QStringView(h.data, qsizetype(h.length)); }

    // The basket's rows as two columns of views (no object per row: a send may hold a
    // million). The strings they point into are kept once each: consecutive values from one
    // string's characters share its entry. A new object takes over the storage of the last
    // one its thread let go, so sending again does not write fresh memory for its basket.
    struct Storage {
        std::vector<QString> owners;
        std::vector<Held> texts;     // MSG
        std::vector<Held> numbers;   // GSM
        std::vector<bool> asGsmText; // the MSG is NormalizeGsmText of the text held
        void clear();
        size_t capacity() const { return texts.capacity(); }
    };
    static Storage &spareStorage();
    Storage m_basket;
    mutable RecordSet m_basketView;
    mutable bool m_viewStale = true;
    std::optional<QString> m_url;
    mutable PostOutcome m_lastOutcome = PostOutcome::NotSent;
};

// --- Addresses ------------------------------------------------------------------------

// The hosted gateway's fixed URL (path "/sms/com.strova"): ServiceAddresses::kGatewayUrl,
// unless a test redirected it with SetHostedGatewayAddress (an empty text restores the
// fixed one). Kind "Brenvik" posts there.
QString HostedGatewayAddress();
void SetHostedGatewayAddress(const QString &url);

// --- Request texts --------------------------------------------------------------------

// "<name>value</name>", the value as it is.
QString GatewayElement(const QString &name, const QString &value);
// The report envelope: "<MainReportRoot><UserName>user</UserName><PassWord>password
// </PassWord><Action>action</Action>" + elements + "</MainReportRoot>". `elements` is the
// action's own elements, already joined (GatewayElement).
QString GatewayReportRequest(const QString &user, const QString &password, const QString &action,
                             const QString &elements = QString());

// --- Account and reply codes ----------------------------------------------------------

// The login name callers pass as UserName: for the hosted gateway user + "-" + client code,
// for any other kind the user name alone.
QString GatewayUserName(GatewayKind kind, const QString &user, const QString &ckey);
// The same from gGatewayKind, gUserName and gCkey.
QString GatewayUserName();

// "-2,-1,01,02,03,04,05,06,07,08,09,10,11,12,13"
QString GatewayErrorCodeList();
// True when the reply occurs anywhere inside GatewayErrorCodeList(): the codes, but also
// the empty reply and fragments such as "1" or "3,0".
bool IsGatewayErrorCode(const QString &reply);
// True when the whole reply is one of the codes of GatewayErrorCodeList() ("04", "-1", ...).
bool IsWholeGatewayCode(const QString &reply);

// The box text of a gateway that could not be reached or answered no account information,
// three lines joined by CR LF. The settings window's account test and the credit step of both
// send windows show it.
QString GatewayUnreachableText();

// --- Reply forms ----------------------------------------------------------------------

// GetInfo: the credit is the text before the first line feed (the whole reply when it holds
// none); every further line ended by a line feed is one originator; text after the last
// line feed is ignored. A CR before a line feed is dropped, blank lines name no originator.
struct GatewayInfo {
    QString credit;
    QStringList originators;
};
GatewayInfo ParseGetInfoReply(const QString &reply);

// sendsms: accepted when the reply begins with "ID"; the message id is the reply from its
// fourth character on, blanks (and line ends) around it removed. `kind` sorts every reply
// the way both send windows judge it.
enum class GatewayReplyKind {
    NoConnection, // "-1"
    Blocked,      // "04", "05": the sending window stays with its list
    Accepted,     // "ID..."
    Refused,      // anything else ("-2" and every code included)
};
struct GatewaySendReply {
    bool accepted = false;
    QString messageId;
    GatewayReplyKind kind = GatewayReplyKind::Refused;
};
GatewaySendReply ParseSendReply(const QString &reply);

// getmsgstatus / getmsgstatustodate: lines separated by line feeds, the piece after the
// last line feed ignored, a CR before a line feed dropped. Each line ends with the
// ten-digit number, one separator and a one-character state: the state is the last
// character, the number the ten characters before the last two. Lines too short to hold
// them (blank lines, codes, stray text) give no row.
struct GatewayStatusLine {
    QString number;
    QChar state;
};
QVector<GatewayStatusLine> ParseStatusReply(const QString &reply);
