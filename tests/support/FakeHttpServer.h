#pragma once

// A minimal HTTP/1.1 server on 127.0.0.1 for tests and the demo. It runs its sockets in a
// thread of its own, so a blocking POST made on the test's thread is answered while that
// thread waits. Every request is recorded before it is answered; the answer comes from a
// responder function, which runs on the server's thread.
//
// Requests must carry Content-Length (no chunked bodies); "Expect: 100-continue" is
// honoured; connections stay open between requests unless the client or setKeepAlive(false)
// asks otherwise.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class QThread;
class QObject;

struct FakeRequest {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers; // names as sent
    QByteArray body;
    qint64 arrivedNs = 0; // std::chrono::steady_clock time at which the whole request had come

    // Value of the first header of that name (case-insensitive); "" when absent.
    QByteArray header(const QByteArray &name) const;
    QString text() const { return QString::fromUtf8(body); }
};

struct FakeReply {
    enum class Kind { Answer, Close, Silent, Trickle, Stream, Stall };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
    int delayMs = 0;        // answer only after this long
    int byteIntervalMs = 0; // Trickle: one byte of the answer every so often
    qint64 streamBytes = 0; // Stream: length of the generated body
    qint64 stallAfter = 0;  // Stall: body bytes written before the answer stops

    // 200 with a UTF-8 text body.
    static FakeReply text(const QString &body);
    // An HTML page, as a web server or proxy would send it.
    static FakeReply html(const QString &page, int status = 200);
    // An error status with a body.
    static FakeReply httpError(int status, const QString &body);
    // Raw bytes with a content type of choice.
    static FakeReply bytes(const QByteArray &body, const QByteArray &contentType);
    // A text answered after delayMs (to run past a client's time limit).
    static FakeReply delayed(int delayMs, const QString &body);
    // Closes the connection without answering.
    static FakeReply closed();
    // Reads the request and never answers; the connection stays open until the client
    // leaves or the server stops.
    static FakeReply silent();
    // A 200 answer whose head comes at once and whose body follows one byte every
    // intervalMs.
    static FakeReply trickle(const QString &body, int intervalMs);
    // A 200 answer of `bytes` bytes of 'x', generated as the socket drains (never held
    // whole in memory).
    static FakeReply stream(qint64 bytes);
    // A 200 answer whose head (with the whole body's length) and first `bytesFirst` body
    // bytes come at once, and then nothing more: the connection stays open until the client
    // leaves or the server stops.
    static FakeReply stalled(const QByteArray &body, qint64 bytesFirst,
                             const QByteArray &contentType = "text/xml; charset=utf-8");
};

class FakeHttpServer {
public:
    using Responder = std::function<FakeReply(const FakeRequest &)>;

    // Listens on 127.0.0.1:port (0 = a free port chosen by the system); with `tls` it
    // speaks HTTPS with that certificate and key.
    explicit FakeHttpServer(Responder responder, quint16 port = 0, std::optional<QSslConfiguration> tls = std::nullopt);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer &) = delete;
    FakeHttpServer &operator=(const FakeHttpServer &) = delete;

    bool isListening() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path ("https://" with TLS)
    QString url(const QString &path = QString()) const;

    QVector<FakeRequest> requests() const;
    QStringList bodies() const;
    QString lastBody() const;
    int requestCount() const;
    void clearRequests();

    // false: every answer closes its connection.
    void setKeepAlive(bool on);

    // "http://127.0.0.1:<port>" + path for a port that nothing listens on (connections
    // are refused).
    static QString refusedUrl(const QString &path = QString());

    // The body bytes of Stream answers written so far, all connections together.
    qint64 streamedBytes() const;

private:
    friend class FakeHttpConnection;
    void addStreamed(qint64 bytes);
    void record(const FakeRequest &request);
    FakeReply respond(const FakeRequest &request);
    bool keepAlive() const;
    // The server thread's buffer for a body of `length` bytes: the one of the last body when
    // nothing else holds that body any more (the test cleared its requests), so a server that
    // takes long requests one after the other reuses its memory; keepBodyBuffer hands a body
    // back for that.
    QByteArray takeBodyBuffer(qint64 length);
    void keepBodyBuffer(QByteArray body);

    Responder m_responder;
    mutable QMutex m_mutex;
    QVector<FakeRequest> m_requests;
    bool m_keepAlive = true;
    qint64 m_streamed = 0;
    quint16 m_port = 0;
    bool m_tls = false;
    QByteArray m_spareBody; // server thread only
    QThread *m_thread = nullptr;
    QObject *m_anchor = nullptr; // lives in m_thread; parent of the server and its sockets
};

// A TCP port on 127.0.0.1 whose listening socket never accepts and whose accept queue is
// kept full, so that a further connection attempt gets no answer at all (the client's
// connect time limit ends it). The socket lives as long as the object.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener &) = delete;
    FullBacklogListener &operator=(const FullBacklogListener &) = delete;

    bool isListening() const { return m_port != 0; }
    QString url(const QString &path = QString()) const;

private:
    int m_listener = -1;
    QVector<int> m_fillers; // connections that fill the accept queue
    quint16 m_port = 0;
};
