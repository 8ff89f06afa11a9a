#pragma once

// A fake interactive SMS service on 127.0.0.1 ("/gathwin.asp"). It answers "ok 08" (no
// new messages) unless scripted: a queued reply answers the next request only, a fixed
// reply every request. Every request body is recorded (see FakeHttpServer).
//
// Without a script it also simulates the service's inbox: queueUnread() adds a new message;
// a request for the list "REC UNREAD" gets every unread message in one XML list, in the order
// queued, and they count as read from then on; "ok 08" when there is none. The list:
//   <?xml version="1.0" encoding="utf-8"?><messages><message><gsmno>...</gsmno>
//   <msgbody>...</msgbody></message>...</messages>
// (texts XML-escaped, no blanks between the elements).

#include "tests/support/FakeHttpServer.h"

#include <QMutex>
#include <QQueue>
#include <memory>
#include <optional>

class FakeGathwin {
public:
    explicit FakeGathwin(quint16 port = 0);
    ~FakeGathwin();

    bool isListening() const { return m_server->isListening(); }
    quint16 port() const { return m_server->port(); }
    // "http://127.0.0.1:<port>/gathwin.asp"
    QString url() const;
    FakeHttpServer &server() { return *m_server; }

    void setReply(const FakeReply &reply);
    void setReply(const QString &text) { setReply(FakeReply::text(text)); }
    void queueReply(const FakeReply &reply);
    void queueReply(const QString &text) { queueReply(FakeReply::text(text)); }
    void clearScript();

    // Simulated inbox (safe to call while a request is being answered).
    void queueUnread(const QString &gsmno, const QString &msgbody);
    int unreadCount() const;
    int readCount() const;
    // The list reply for these messages, as the simulated inbox answers it.
    static QString listReply(const QVector<QPair<QString, QString>> &messages);

    QStringList bodies() const { return m_server->bodies(); }
    QString lastBody() const { return m_server->lastBody(); }
    int requestCount() const { return m_server->requestCount(); }
    QVector<FakeRequest> requests() const { return m_server->requests(); }
    void clearRequests() { m_server->clearRequests(); }

private:
    FakeReply respond(const FakeRequest &request);

    mutable QMutex m_mutex;
    QQueue<FakeReply> m_queued;
    std::optional<FakeReply> m_fixed;
    QVector<QPair<QString, QString>> m_unread; // (gsmno, msgbody)
    int m_read = 0;
    std::unique_ptr<FakeHttpServer> m_server; // last: stops first
};
