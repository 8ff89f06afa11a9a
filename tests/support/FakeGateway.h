#pragma once

// A fake SMS gateway on 127.0.0.1 speaking the gateway's XML protocol over real HTTP.
//
// Without a script it acts as a small simulated gateway (the demo runs it that way):
//   Action 4   credit, LF, two originator names each ended by LF
//   Action 1   "ID:<id>", remembering the numbers and texts of the sending (the credit drops by one
//              per number)
//   Action 11  "<number> <state>" LF for every number of that sending ("" for an unknown id)
//   Action 9   the same, only numbers whose state is not "3" (delivered)
//   Action 17  "<id> <number> <state>" LF for every sending between FDate and LDate;
//              "17" for a malformed day, "18" when there is none
//   Action 14  "<id> dd.MM.yyyy HH:mm:ss" LF for every sending to GsmNo between FDate and
//              LDate (the time of the sending); "08" when there is none
//   Action 15  the text sent to GsmNo by sending MsgID in <msgbody>; "08" when unknown
//   Action 12  the current time "dd.MM.yyyy HH:mm:ss"
//   other      "02"
//   a GET      a small Turkish page saying that it is the demo (web client, credit top-up
//              and advertisement pages, by their paths)
// With setAccount() any other user name or password gets "01".
//
// A script overrides this per Action text ("1", "4", ...; "" for every Action): a queued
// reply answers the next request only, a fixed reply every request. Every request body is
// recorded (see FakeHttpServer).

#include "tests/support/FakeHttpServer.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <memory>

class FakeGateway {
public:
    explicit FakeGateway(quint16 port = 0);
    ~FakeGateway();

    bool isListening() const { return m_server->isListening(); }
    quint16 port() const { return m_server->port(); }
    // The gateway URL: "http://127.0.0.1:<port>/sms/com.strova".
    QString url() const;
    FakeHttpServer &server() { return *m_server; }

    void setReply(const QString &action, const FakeReply &reply);
    void setReply(const QString &action, const QString &text) { setReply(action, FakeReply::text(text)); }
    void queueReply(const QString &action, const FakeReply &reply);
    void queueReply(const QString &action, const QString &text) { queueReply(action, FakeReply::text(text)); }
    // Back to the simulated gateway (recorded requests stay; answer delays too).
    void clearScript();
    // The simulated gateway acts on every request of that Action at once but sends its answer
    // only after delayMs (0: at once again): a gateway that takes a send and then stalls.
    void setAnswerDelay(const QString &action, int delayMs);

    // With strict XML on, every request body is read by a strict XML 1.0 parser first; one it
    // cannot read is counted and answered with HTTP 400 "malformed XML" (the gateway
    // refuses the whole request).
    void setStrictXml(bool on);
    int malformedRequestCount() const;

    void setAccount(const QString &userName, const QString &password);
    void setCredit(int credit);
    void setOriginators(const QStringList &names);

    QVector<FakeRequest> requests() const { return m_server->requests(); }
    QStringList bodies() const { return m_server->bodies(); }
    QString lastBody() const { return m_server->lastBody(); }
    int requestCount() const { return m_server->requestCount(); }
    void clearRequests() { m_server->clearRequests(); }
    // Action texts of the recorded requests, in order.
    QStringList actions() const;

    // The text of the first <name> element of a request body ("" when absent).
    static QString element(const QString &body, const QString &name);

private:
    struct Sending {
        QString id;
        QDate day;
        QDateTime time;
        QStringList numbers;
        QStringList texts; // the text sent to each number
    };
    FakeReply respond(const FakeRequest &request);
    static QString demoPage(const QString &path);
    QString simulate(const QString &body);
    static QChar stateOf(int index);

    mutable QMutex m_mutex;
    QHash<QString, QQueue<FakeReply>> m_queued;
    QHash<QString, FakeReply> m_fixed;
    QHash<QString, int> m_answerDelays;
    QString m_user;
    QString m_password;
    int m_credit = 1500;
    QStringList m_originators{QStringLiteral("ORVEK"), QStringLiteral("TALVANE")};
    QVector<Sending> m_sendings;
    int m_nextId = 100001;
    bool m_strictXml = false;
    int m_malformed = 0;
    std::unique_ptr<FakeHttpServer> m_server; // last: stops before the state above goes
};
