#include "tests/support/FakeHttpServer.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

QByteArray FakeRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

FakeReply FakeReply::text(const QString &body)
{
    FakeReply r;
    r.body = body.toUtf8();
    return r;
}

FakeReply FakeReply::html(const QString &page, int status)
{
    FakeReply r;
    r.status = status;
    r.contentType = "text/html; charset=utf-8";
    r.body = page.toUtf8();
    return r;
}

FakeReply FakeReply::httpError(int status, const QString &body)
{
    FakeReply r = text(body);
    r.status = status;
    return r;
}

FakeReply FakeReply::bytes(const QByteArray &body, const QByteArray &contentType)
{
    FakeReply r;
    r.body = body;
    r.contentType = contentType;
    return r;
}

FakeReply FakeReply::delayed(int delayMs, const QString &body)
{
    FakeReply r = text(body);
    r.delayMs = delayMs;
    return r;
}

FakeReply FakeReply::closed()
{
    FakeReply r;
    r.kind = Kind::Close;
    return r;
}

FakeReply FakeReply::silent()
{
    FakeReply r;
    r.kind = Kind::Silent;
    return r;
}

FakeReply FakeReply::trickle(const QString &body, int intervalMs)
{
    FakeReply r = text(body);
    r.kind = Kind::Trickle;
    r.byteIntervalMs = qMax(1, intervalMs);
    return r;
}

FakeReply FakeReply::stream(qint64 bytes)
{
    FakeReply r;
    r.kind = Kind::Stream;
    r.contentType = "application/octet-stream";
    r.streamBytes = bytes;
    return r;
}

FakeReply FakeReply::stalled(const QByteArray &body, qint64 bytesFirst, const QByteArray &contentType)
{
    FakeReply r = bytes(body, contentType);
    r.kind = Kind::Stall;
    r.stallAfter = qBound<qint64>(0, bytesFirst, body.size());
    return r;
}

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

// One client connection, living on the server's thread.
class FakeHttpConnection : public QObject {
public:
    FakeHttpConnection(FakeHttpServer *owner, QTcpSocket *socket, QObject *parent)
        : QObject(parent), m_owner(owner), m_socket(socket)
    {
        socket->setParent(this);
        // The socket holds little of its own: a long body goes from the system's buffer
        // straight into the body's, in pieces, and never through a buffer of its whole size.
        socket->setReadBufferSize(kSocketBuffer);
        connect(socket, &QTcpSocket::readyRead, this, &FakeHttpConnection::process);
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    static constexpr qint64 kSocketBuffer = 64 * 1024;

    // Reads what has come: the head through a small buffer, the body straight into its own
    // (the buffer of an earlier body, when nobody holds that any more), then answers.
    void process()
    {
        while (!m_waiting) {
            if (!m_inBody) {
                if (m_socket->bytesAvailable() > 0) m_pending += m_socket->readAll();
                const qsizetype end = m_pending.indexOf("\r\n\r\n", m_scanFrom);
                if (end < 0) {
                    m_scanFrom = qMax<qsizetype>(0, m_pending.size() - 3);
                    return;
                }
                const qsizetype headEnd = end + 4;
                if (!parseHead(m_pending.left(end))) {
                    answer(FakeReply::httpError(400, QStringLiteral("bad request")), true);
                    return;
                }
                m_body = m_owner->takeBodyBuffer(m_contentLength);
                m_bodyGot = qMin<qint64>(m_pending.size() - headEnd, m_contentLength);
                if (m_bodyGot > 0) std::memcpy(m_body.data(), m_pending.constData() + headEnd, size_t(m_bodyGot));
                // What follows the body is the start of the next request.
                m_pending.remove(0, headEnd + qsizetype(m_bodyGot));
                m_scanFrom = 0;
                m_inBody = true;
                if (m_expectContinue && m_bodyGot < m_contentLength) m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            }
            while (m_bodyGot < m_contentLength) {
                const qint64 got = readBody(m_body.data() + m_bodyGot, m_contentLength - m_bodyGot);
                if (got <= 0) return;
                m_bodyGot += got;
            }
            m_inBody = false;
            m_request.body = m_body;
            m_owner->keepBodyBuffer(std::move(m_body));
            FakeRequest request = std::move(m_request);
            m_request = FakeRequest();
            request.arrivedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            m_owner->record(request);
            const FakeReply reply = m_owner->respond(request);
            const bool close = m_closeAfter || !m_owner->keepAlive();
            if (reply.delayMs > 0) {
                m_waiting = true;
                QTimer::singleShot(reply.delayMs, this, [this, reply, close] {
                    m_waiting = false;
                    answer(reply, close);
                    if (m_socket->state() == QAbstractSocket::ConnectedState) process();
                });
                return;
            }
            answer(reply, close);
            if (m_socket->state() != QAbstractSocket::ConnectedState) return;
        }
    }

    // The next body bytes: what the socket holds first, then, without TLS, what the system
    // has queued, straight into the body (without waiting for the event loop to move each
    // 64 KiB through the socket's buffer). 0 when nothing has come; the end of the stream is
    // left to the socket, which reads it on its next notification and reports it.
    qint64 readBody(char *to, qint64 room)
    {
        if (m_socket->bytesAvailable() > 0 || m_owner->m_tls) return qMax<qint64>(0, m_socket->read(to, room));
        if (m_socket->state() != QAbstractSocket::ConnectedState) return 0;
        for (;;) {
            const ssize_t got = ::recv(int(m_socket->socketDescriptor()), to, size_t(room), MSG_DONTWAIT);
            if (got >= 0) return qint64(got);
            if (errno != EINTR) return 0;
        }
    }

    bool parseHead(const QByteArray &head)
    {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
        if (start.size() < 3) return false;
        m_request.method = start[0];
        m_request.path = start[1];
        const bool http10 = start[2] == "HTTP/1.0";
        m_contentLength = 0;
        bool expectContinue = false;
        bool close = http10;
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            m_request.headers.append({name, value});
            const QByteArray lname = name.toLower();
            if (lname == "content-length") {
                bool ok = false;
                m_contentLength = value.toLongLong(&ok);
                if (!ok || m_contentLength < 0) return false;
            } else if (lname == "expect") {
                expectContinue = value.toLower() == "100-continue";
            } else if (lname == "connection") {
                const QByteArray v = value.toLower();
                if (v == "close") close = true;
                if (v == "keep-alive") close = false;
            } else if (lname == "transfer-encoding") {
                return false;
            }
        }
        m_closeAfter = close;
        m_expectContinue = expectContinue;
        // A test's body is never near this cap.
        return m_contentLength <= qint64(1) << 30;
    }

    static QByteArray head(const FakeReply &reply, qint64 length, bool close)
    {
        QByteArray out;
        out += "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
        out += "Content-Type: " + reply.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(length) + "\r\n";
        out += close ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
        return out;
    }

    void answer(const FakeReply &reply, bool close)
    {
        if (m_socket->state() != QAbstractSocket::ConnectedState) return;
        switch (reply.kind) {
        case FakeReply::Kind::Close:
            m_socket->close();
            return;
        case FakeReply::Kind::Silent:
            m_waiting = true; // reads nothing more and never answers
            return;
        case FakeReply::Kind::Trickle:
            m_socket->write(head(reply, reply.body.size(), true));
            startTrickle(reply.body, reply.byteIntervalMs);
            return;
        case FakeReply::Kind::Stream:
            startStream(head(reply, reply.streamBytes, true), reply.streamBytes);
            return;
        case FakeReply::Kind::Stall:
            m_waiting = true;
            m_socket->write(head(reply, reply.body.size(), true) + reply.body.left(qsizetype(reply.stallAfter)));
            return;
        case FakeReply::Kind::Answer:
            break;
        }
        QByteArray out = head(reply, reply.body.size(), close);
        out += reply.body;
        m_socket->write(out);
        if (close) m_socket->disconnectFromHost();
    }

    void startTrickle(const QByteArray &out, int intervalMs)
    {
        m_waiting = true;
        auto *timer = new QTimer(this);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, this, [this, timer, out, sent] {
            if (m_socket->state() != QAbstractSocket::ConnectedState || *sent >= out.size()) {
                timer->stop();
                if (*sent >= out.size()) m_socket->disconnectFromHost();
                return;
            }
            m_socket->write(out.constData() + *sent, 1);
            ++*sent;
        });
        timer->start(intervalMs);
    }

    void startStream(const QByteArray &headBytes, qint64 total)
    {
        m_waiting = true;
        m_socket->write(headBytes);
        auto left = std::make_shared<qint64>(total);
        const QByteArray chunk(256 * 1024, 'x');
        auto refill = [this, left, chunk] {
            while (*left > 0 && m_socket->bytesToWrite() < 4 * chunk.size() &&
                   m_socket->state() == QAbstractSocket::ConnectedState) {
                const qint64 n = qMin<qint64>(*left, chunk.size());
                m_socket->write(chunk.constData(), n);
                *left -= n;
                m_owner->addStreamed(n);
            }
            if (*left == 0 && m_socket->bytesToWrite() == 0) m_socket->disconnectFromHost();
        };
        connect(m_socket, &QTcpSocket::bytesWritten, this, refill);
        refill();
    }

    FakeHttpServer *m_owner;
    QTcpSocket *m_socket;
    QByteArray m_pending; // bytes before the next request's body: its head, or a part of it
    qsizetype m_scanFrom = 0;
    bool m_inBody = false;
    QByteArray m_body;
    qint64 m_bodyGot = 0;
    qint64 m_contentLength = 0;
    bool m_expectContinue = false;
    bool m_closeAfter = false;
    bool m_waiting = false;
    FakeRequest m_request;
};

FakeHttpServer::FakeHttpServer(Responder responder, quint16 port, std::optional<QSslConfiguration> tls)
    : m_responder(std::move(responder)), m_tls(tls.has_value())
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("FakeHttpServer"));
    m_anchor = new QObject;
    m_anchor->moveToThread(m_thread);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_anchor,
        [this, port, &tls] {
            QTcpServer *server = nullptr;
            if (tls) {
                auto *sslServer = new QSslServer(m_anchor);
                sslServer->setSslConfiguration(*tls);
                server = sslServer;
            } else {
                server = new QTcpServer(m_anchor);
            }
            // With TLS a connection is pending only once its handshake is done.
            QObject::connect(server, &QTcpServer::pendingConnectionAvailable, m_anchor, [this, server] {
                while (QTcpSocket *s = server->nextPendingConnection()) new FakeHttpConnection(this, s, m_anchor);
            });
            if (server->listen(QHostAddress::LocalHost, port)) m_port = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

FakeHttpServer::~FakeHttpServer()
{
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            const QObjectList children = m_anchor->children();
            qDeleteAll(children);
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_anchor;
    delete m_thread;
}

QString FakeHttpServer::url(const QString &path) const
{
    return (m_tls ? QStringLiteral("https://127.0.0.1:%1") : QStringLiteral("http://127.0.0.1:%1")).arg(m_port) + path;
}

QString FakeHttpServer::refusedUrl(const QString &path)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, 0)) port = probe.serverPort();
    }
    // Port 1 is privileged and unused when probing fails.
    return QStringLiteral("http://127.0.0.1:%1").arg(port ? port : 1) + path;
}

void FakeHttpServer::addStreamed(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_streamed += bytes;
}

qint64 FakeHttpServer::streamedBytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_streamed;
}

void FakeHttpServer::record(const FakeRequest &request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
}

FakeReply FakeHttpServer::respond(const FakeRequest &request)
{
    try {
        return m_responder ? m_responder(request) : FakeReply::text(QString());
    } catch (...) {
        return FakeReply::httpError(500, QStringLiteral("responder failed"));
    }
}

QByteArray FakeHttpServer::takeBodyBuffer(qint64 length)
{
    // The spare goes only to a body that fills at least half of it: a short request between
    // two long ones (an account query before a send) would otherwise keep the long body's
    // buffer in its record, and the next long body would start on fresh memory.
    QByteArray buffer;
    if (m_spareBody.isDetached() && m_spareBody.capacity() >= length && 2 * length >= m_spareBody.capacity()) {
        buffer = std::move(m_spareBody);
        m_spareBody = QByteArray();
    }
    buffer.resize(qsizetype(length));
    return buffer;
}

void FakeHttpServer::keepBodyBuffer(QByteArray body)
{
    // The larger buffer stays, unless a record still holds it.
    if (!m_spareBody.isDetached() || body.capacity() >= m_spareBody.capacity()) m_spareBody = std::move(body);
}

bool FakeHttpServer::keepAlive() const
{
    QMutexLocker lock(&m_mutex);
    return m_keepAlive;
}

void FakeHttpServer::setKeepAlive(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_keepAlive = on;
}

QVector<FakeRequest> FakeHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QStringList FakeHttpServer::bodies() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    out.reserve(m_requests.size());
    for (const FakeRequest &r : m_requests) out << r.text();
    return out;
}

QString FakeHttpServer::lastBody() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests.isEmpty() ? QString() : m_requests.last().text();
}

int FakeHttpServer::requestCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_requests.size());
}

void FakeHttpServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

FullBacklogListener::FullBacklogListener()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return;
    // Linux queues backlog + 1 finished connections; a few more fillers make sure the
    // queue is full, after which further handshakes are not answered.
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) break;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        m_fillers.append(fd);
    }
    QThread::msleep(100); // let the fillers' handshakes finish
    m_port = ntohs(addr.sin_port);
}

FullBacklogListener::~FullBacklogListener()
{
    for (int fd : m_fillers) ::close(fd);
    if (m_listener >= 0) ::close(m_listener);
}

QString FullBacklogListener::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + path;
}
