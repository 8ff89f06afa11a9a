#pragma once

// The physical floor of a send: the request's bytes, made beforehand, posted over loopback by
// plain socket calls to a sink that only counts them and answers once it has them all. No
// parsing and no copies on either side beyond the kernel's own.
//
//   CountingSink sink;                       // listens on 127.0.0.1, a port of its own
//   const QByteArray request = RawHttpPost(path, headers, body);
//   sink.expect(request.size());
//   RawPost(sink.port(), request);           // true once the whole reply has come

#include "tests/support/FakeHttpServer.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

// 127.0.0.1:port (0: any free port).
inline sockaddr_in LoopbackAddress(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

// Reads every connection into one small buffer until the bytes it expects have come, then
// answers a fixed accepted reply and closes.
class CountingSink {
public:
    CountingSink()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = LoopbackAddress(0);
        socklen_t len = sizeof a;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0 ||
            ::listen(m_listener, 4) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~CountingSink()
    {
        m_stopping = true;
        if (m_thread.joinable()) {
            wake();
            m_thread.join();
        }
        if (m_listener >= 0) ::close(m_listener);
    }
    CountingSink(const CountingSink &) = delete;
    CountingSink &operator=(const CountingSink &) = delete;

    quint16 port() const { return m_port; }
    // The length of the next request, before it is posted.
    void expect(qint64 bytes) { m_expected = bytes; }
    // Bytes counted by the last connection.
    qint64 counted() const { return m_counted; }

private:
    // A connection of our own wakes the accept up.
    void wake() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = LoopbackAddress(m_port);
        if (s >= 0) {
            ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a);
            ::close(s);
        }
    }
    void run()
    {
        static constexpr char kReply[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                                         "Content-Length: 9\r\nConnection: close\r\n\r\nID:100001";
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            const int c = ::accept(m_listener, nullptr, nullptr);
            if (m_stopping) {
                if (c >= 0) ::close(c);
                return;
            }
            if (c < 0) continue;
            qint64 left = m_expected;
            qint64 counted = 0;
            while (left > 0) {
                const ssize_t n = ::read(c, buffer.data(), buffer.size());
                if (n <= 0) break;
                counted += n;
                left -= n;
            }
            m_counted = counted;
            if (left <= 0) {
                const ssize_t sent = ::write(c, kReply, sizeof kReply - 1);
                (void)sent;
            }
            ::close(c);
        }
    }

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<qint64> m_expected{0};
    std::atomic<qint64> m_counted{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

// The bytes of one HTTP request as `request` came to the fake server: its method, path and
// headers in the order sent, then its body.
inline QByteArray RawHttpRequest(const FakeRequest &request)
{
    QByteArray raw;
    raw.reserve(request.body.size() + 1024);
    raw += request.method + ' ' + request.path + " HTTP/1.1\r\n";
    for (const auto &h : request.headers) raw += h.first + ": " + h.second + "\r\n";
    raw += "\r\n";
    raw += request.body;
    return raw;
}

// Connects to 127.0.0.1:port, writes `request` whole and reads the reply's head and the body
// its Content-Length announces: true when a whole reply came.
inline bool RawPost(quint16 port, const QByteArray &request)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    const sockaddr_in a = LoopbackAddress(port);
    bool ok = ::connect(s, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0;
    const char *at = request.constData();
    qsizetype left = request.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(s, at, size_t(left));
        if (n <= 0) {
            ok = false;
            break;
        }
        at += n;
        left -= n;
    }
    QByteArray reply;
    qsizetype whole = -1; // the reply's length once its head has come
    char part[4096];
    while (ok && (whole < 0 || reply.size() < whole)) {
        const ssize_t n = ::read(s, part, sizeof part);
        if (n <= 0) break;
        reply.append(part, qsizetype(n));
        const qsizetype headEnd = whole < 0 ? reply.indexOf("\r\n\r\n") : -1;
        if (headEnd >= 0) {
            const QByteArray head = reply.left(headEnd).toLower();
            const qsizetype at = head.indexOf("content-length:");
            const qsizetype end = at < 0 ? -1 : head.indexOf('\r', at);
            whole = headEnd + 4 +
                    (at < 0 ? 0 : head.mid(at + 15, (end < 0 ? head.size() : end) - at - 15).trimmed().toLongLong());
        }
    }
    ::close(s);
    return ok && whole >= 0 && reply.size() >= whole;
}
