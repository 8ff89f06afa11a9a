#pragma once

// One synchronous HTTP POST of a text body, the way the gateway and the interactive
// service are spoken to.
//
//   const PostResult r = HttpPoster::exchange(url, requestText);
//   QString reply = HttpPoster::post(url, requestText);      // the reply or "-1"
//
// - Blocks the calling thread until the exchange ends; no event loop runs meanwhile.
// - The body goes as UTF-8 with "Content-Type: text/xml; charset=utf-8".
// - The reply body comes back as text whatever the HTTP status (an error page is an
//   ordinary reply). It is decoded as UTF-8 unless the reply names windows-1254,
//   ISO-8859-9 or ISO-8859-1 as its charset.
// - Any transport failure (empty or malformed URL, a scheme other than http/https, unknown
//   host, refused or broken connection, TLS failure, time limit passed, reply too large)
//   gives "-1".
// - TLS certificates and host names are verified; redirects are not followed; a failed
//   request is never sent again.
// - Limits: 15 s to connect, 120 s for the whole exchange, 30 s in which not one byte
//   moves in either direction, and 64 MiB of reply body (a longer reply is dropped as it
//   arrives, never kept whole).
//
// What a failure means for the peer (PostOutcome):
//   NotSent       the request body never left: no connection, refused, TLS failure, or the
//                 connection broke before curl had written the last body byte to the
//                 socket. The peer cannot have a whole request.
//   SentNoAnswer  curl wrote the whole body to the socket (or a reply had begun, which
//                 means the peer read the request), but no whole reply came back: time
//                 limit, stall, closed or broken connection, reply too large. The peer may
//                 have acted on the request.
// "Written to the socket" is the closest the client can see of "on the wire": the bytes may
// still sit in the kernel's send buffer when the connection drops, so SentNoAnswer can be
// given for a request the peer never read. It errs that way on purpose: a request that may
// have been acted on is never reported as not sent.

#include <QByteArray>
#include <QString>

enum class PostOutcome { Answered, NotSent, SentNoAnswer };

struct PostResult {
    PostOutcome outcome = PostOutcome::NotSent;
    QString reply; // the reply text when Answered, else "-1"
    QString error; // curl's description of the failure ("" when Answered)
};

class HttpPoster {
public:
    static constexpr int kDefaultConnectTimeoutMs = 15000;
    static constexpr int kDefaultTotalTimeoutMs = 120000;
    static constexpr int kDefaultLowSpeedSeconds = 30;
    static constexpr qint64 kDefaultReplyLimit = qint64(64) * 1024 * 1024;

    // The text that stands for a failed exchange.
    static QString failure() { return QStringLiteral("-1"); }

    static PostResult exchange(const QString &url, const QString &body);
    // The same with a body that is UTF-8 already (a long request built as bytes).
    static PostResult exchangeUtf8(const QString &url, const QByteArray &body);
    // exchange()'s reply text: the reply, or "-1" on any failure.
    static QString post(const QString &url, const QString &body);
    // The same exchange, telling a failure apart from a reply that happens to read "-1":
    // true with the reply text in `reply`, or false (and `reply` untouched).
    static bool tryPost(const QString &url, const QString &body, QString &reply);

    // Shorter limits for tests; resetTimeouts() restores the defaults of all four.
    static void setTimeouts(int connectMs, int totalMs);
    static void setLowSpeedSeconds(int seconds);
    static void setReplyLimit(qint64 bytes);
    static void resetTimeouts();
    static int connectTimeoutMs();
    static int totalTimeoutMs();
    static int lowSpeedSeconds();
    static qint64 replyLimit();
};
