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
//   arrives, never kept whole: only its first bytes up to the limit stay, in `body`).
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
//
// Stopping: a thread may give its exchanges a stop test (setStopTest, ScopedStopTest). It is
// asked before a request starts (true: NotSent, nothing is connected) and, while the request
// runs, from curl's progress callback, which curl calls about once a second even when no
// byte moves, and more often while bytes do; true aborts the request there. An aborted
// request has `stopped` set and its outcome as above: SentNoAnswer once the body had gone
// out. Without a stop test (the default, and the main program's case) nothing changes.

#include <QByteArray>
#include <QString>
#include <functional>

enum class PostOutcome { Answered, NotSent, SentNoAnswer };

struct PostResult {
    PostOutcome outcome = PostOutcome::NotSent;
    QString reply;        // the reply text when Answered, else "-1"
    QString error;        // curl's description of the failure ("" when Answered)
    bool stopped = false; // the stop test ended it
    // The reply body's bytes as they came: the whole body when Answered, else what had come
    // when the exchange ended (a reply that stalled or broke off; at most the reply limit's
    // first bytes of one too large). Decode with decodeBody(body, charset).
    QByteArray body;
    QByteArray charset; // the reply's charset parameter, lower case ("" when none)
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
    // The same with a body of `size` bytes that is written while it is sent, never held
    // whole: `write` puts the next bytes at `to` (at most `room` of them, at least one while
    // any are left) and returns how many it put. A long request costs no memory of its size.
    using BodyWriter = std::function<size_t(char *to, size_t room)>;
    static PostResult exchangeWritten(const QString &url, qint64 size, const BodyWriter &write);
    // exchange()'s reply text: the reply, or "-1" on any failure.
    static QString post(const QString &url, const QString &body);
    // The same exchange, telling a failure apart from a reply that happens to read "-1":
    // true with the reply text in `reply`, or false (and `reply` untouched).
    static bool tryPost(const QString &url, const QString &body, QString &reply);

    // The stop test of the exchanges made on the calling thread from now on (an empty one
    // removes it); returns the one it replaces. The test runs on that thread, inside the
    // exchange: it must be quick and must not make an exchange itself.
    using StopTest = std::function<bool()>;
    static StopTest setStopTest(StopTest test);
    class ScopedStopTest {
    public:
        explicit ScopedStopTest(StopTest test) : m_previous(setStopTest(std::move(test))) {}
        ~ScopedStopTest() { setStopTest(std::move(m_previous)); }
        ScopedStopTest(const ScopedStopTest &) = delete;
        ScopedStopTest &operator=(const ScopedStopTest &) = delete;

    private:
        StopTest m_previous;
    };

    // Reply bytes as text, the way an answered reply is decoded: UTF-8 (a byte order mark
    // dropped) unless the charset names windows-1254, ISO-8859-9 or ISO-8859-1.
    static QString decodeBody(const QByteArray &body, const QByteArray &charset);

    // Shorter limits for tests; resetTimeouts() restores the defaults of all four.
    static void setTimeouts(int connectMs, int totalMs);
    static void setLowSpeedSeconds(int seconds);
    static void setReplyLimit(qint64 bytes);
    static void resetTimeouts();
    static int connectTimeoutMs();
    static int totalTimeoutMs();
    static int lowSpeedSeconds();
    static qint64 replyLimit();

private:
    // One exchange of a body of `size` bytes: `bytes` when it is held whole, else `write`.
    static PostResult exchangeBody(const QString &url, qint64 size, const char *bytes, const BodyWriter *write);
};
