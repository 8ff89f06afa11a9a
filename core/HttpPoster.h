#pragma once

// One synchronous HTTP POST of a text body, the way the gateway and the interactive
// service are spoken to.
//
//   QString reply = HttpPoster::post(url, requestText);
//
// - Blocks the calling thread until the exchange ends; no event loop runs meanwhile.
// - The body goes as UTF-8 with "Content-Type: text/xml; charset=utf-8".
// - The reply body comes back as text whatever the HTTP status (an error page is an
//   ordinary reply). It is decoded as UTF-8 unless the reply names windows-1254,
//   ISO-8859-9 or ISO-8859-1 as its charset.
// - Any transport failure (empty or malformed URL, a scheme other than http/https, unknown
//   host, refused or broken connection, TLS failure, time limit passed) returns "-1".
// - TLS certificates and host names are verified; redirects are not followed; a failed
//   request is never sent again.
// - Time limits: 15 s to connect, 120 s for the whole exchange.

#include <QString>

class HttpPoster {
public:
    static constexpr int kDefaultConnectTimeoutMs = 15000;
    static constexpr int kDefaultTotalTimeoutMs = 120000;

    // The text that stands for a failed exchange.
    static QString failure() { return QStringLiteral("-1"); }

    static QString post(const QString &url, const QString &body);
    // The same exchange, telling a failure apart from a reply that happens to read "-1":
    // true with the reply text in `reply`, or false (and `reply` untouched).
    static bool tryPost(const QString &url, const QString &body, QString &reply);

    // Shorter limits for tests; resetTimeouts() restores the defaults.
    static void setTimeouts(int connectMs, int totalMs);
    static void resetTimeouts();
    static int connectTimeoutMs();
    static int totalTimeoutMs();
};
