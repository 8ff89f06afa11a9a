#pragma once

// The automatic program's engine: three timers on the program's one thread, each handler
// turning its own timer off while it works (work never yields to the event loop, so ticks
// that fall inside other work are lost, not queued):
//   onStopTick         every 100 ms   ends the program when flg_kovaset reads "0" or cannot be read
//   onGreetingTick     every 60 s     settings loader, then the daily greetings run (Kovaset())
//   onInteractiveTick  every 1 s      counts the IntPeriyot period; at its end the settings
//                                     loader, then RunInteractiveCycle()
// Before the first tick, startTimers() answers once the stored messages that an earlier run
// left unanswered (answerLeftMessages()).
// The clock is injected (tests drive the ticks by hand with a clock of their own). The engine
// holds the program's one Gateway object, writes the log, and installs itself as the
// Lifecycle handler, so "the program ends" anywhere below ends the engine.
//
// Stopping within a run: the work asks stopRequested() before every request (a greeting
// part, the service poll, each answer) and stops there; a request in flight is aborted by
// the poster's stop test, which the engine installs on its thread (inFlightStop()). Either
// way the engine ends as soon as the running work has returned, with the reason of the stop.
//
// Extending it (the interactive cycle): derive and override RunInteractiveCycle(), or set
// the interactiveCycle function; use now() for the time, gateway() for the gateway, log()
// for log lines, RunErpQueryReconnectingOnce (core/ErpQueries.h) for ERP queries and
// RunLocalWrite (kovaset/LocalWrites.h) for writes to the shared database.

#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "kovaset/KovasetLog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVector>
#include <functional>

class QSqlQuery;

class KovasetEngine : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int kStopIntervalMs = 100;
    static constexpr int kGreetingIntervalMs = 60000;
    static constexpr int kInteractiveIntervalMs = 1000;

    explicit KovasetEngine(KovasetLog &log, Clock clock = {}, QObject *parent = nullptr);
    ~KovasetEngine() override;

    // Starts the three timers (the running program; tests call the handlers themselves),
    // after answering once what an earlier run left unanswered (answerLeftMessages()).
    void startTimers();

    // Ends the engine once: timers off, both connections closed, a log line with the reason,
    // then the end handler with the exit status (the program leaves its event loop there).
    void end(const QString &reason, int exitStatus);
    bool hasEnded() const { return m_ended; }
    int exitStatus() const { return m_exitStatus; }
    void setEndHandler(std::function<void(int exitStatus)> handler) { m_endHandler = std::move(handler); }

    // The stop request: a stop signal (stopSignal), or flg_kovaset reading "0" or not
    // readable. Once seen it stays: the running work stops before its next request and the
    // engine ends after it. Reads the flag at every call.
    bool stopRequested();
    bool stopPending() const { return m_stopPending; }
    // The test the poster asks while a request runs: the signal at every call, the flag at
    // most every kFlagReadInFlightMs; a flag that cannot be read there aborts nothing (the
    // stop check ends the program right after the request).
    bool inFlightStop();
    static constexpr int kFlagReadInFlightMs = 200;
    // The reason of a stop signal received ("SIGTERM alındı"), "" while none came. It is
    // asked inside requests: it must be quick and read only what a signal handler writes.
    void setStopSignal(std::function<QString()> stopSignal) { m_stopSignal = std::move(stopSignal); }

    // The timer handlers.
    void onStopTick();
    void onGreetingTick();
    void onInteractiveTick();

    // Whether each handler's timer is on (a handler that turns it off for good leaves it off).
    bool stopTimerOn() const { return m_stopOn; }
    bool greetingTimerOn() const { return m_greetingOn; }
    bool interactiveTimerOn() const { return m_interactiveOn; }
    // The interactive period in ms (0: no cycles) and the ms counted towards it.
    qint64 intervalMs() const { return m_intervalMs; }
    qint64 elapsedMs() const { return m_elapsedMs; }
    int interactiveCycles() const { return m_interactiveCycles; }

    // The daily greetings run.
    void Kovaset();

    // The interactive fetch-and-answer cycle (InteractiveStart over the engine's gateway,
    // clock and log); runs interactiveCycle instead when set.
    virtual void RunInteractiveCycle();
    std::function<void(KovasetEngine &)> interactiveCycle;
    // The stored messages an earlier run left unanswered (a stop, a crash inside the answers),
    // answered once (AnswerLeftMessages), after the settings loader. Ends the engine when a
    // stop came meanwhile.
    void answerLeftMessages();

    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    Gateway &gateway() { return m_gateway; }
    KovasetLog &log() { return m_log; }

private:
    struct Contact {
        QVariant adi;
        QVariant soyadi;
        QVariant prefix;
        QVariant number;
    };
    struct Company {
        QString code;
        bool birthdays = false;
        QString birthdayText;
        QString birthdayOriginator;
        bool anniversaries = false;
        QString anniversaryText;
        QString anniversaryOriginator;
    };
    enum class PartResult { Done, Failed, Stopped };

    void setTimer(QTimer &timer, bool &on, bool wanted);
    void noteStop(const QString &reason, int exitStatus);
    bool signalStop();
    bool readStopFlag(bool unreadableStops);
    // Ends the engine with the noted stop's reason; false when none was noted.
    bool endIfStopped();
    // Steps of the greetings run (Greetings.cpp).
    struct GreetingDay;
    struct GreetingPart;
    bool readGreetingDay(const QDateTime &runAt, GreetingDay &state);
    void readGivenUpParts(const QString &day, GreetingDay &state);
    void logMaybeSentParts(const QString &day, const GreetingDay &state);
    PartResult greetCompany(const Company &c, const GreetingDay &state, const QDateTime &runAt);
    static void keepTodaysContacts(QSqlQuery &q, bool birthdayDue, bool anniversaryDue, const QDate &today,
                                   QVector<Contact> &birthdays, QVector<Contact> &anniversaries);
    void markGreetingDay(const QString &day);
    PartResult sendPart(const Company &company, const QString &kind, const QString &text, const QString &originator,
                        const QVector<Contact> &contacts, const QDateTime &runAt);
    int fillBasket(const GreetingPart &part, const QString &text, const QVector<Contact> &contacts);
    PartResult partAccepted(const GreetingPart &part, const GatewaySendReply &parsed, bool stopped);
    PartResult partNotSent(const GreetingPart &part, const QString &reply, bool stopped);
    static QString partKey(const QString &day, const QString &code, const QString &kind);

    KovasetLog &m_log;
    Clock m_clock;
    Gateway m_gateway;
    QTimer m_stopTimer;
    QTimer m_greetingTimer;
    QTimer m_interactiveTimer;
    bool m_live = false;
    bool m_stopOn = true;
    bool m_greetingOn = true;
    bool m_interactiveOn = true;
    bool m_ended = false;
    int m_exitStatus = 0;
    std::function<void(int)> m_endHandler;
    qint64 m_intervalMs = -1; // -1 until IntPeriyot is first read
    qint64 m_elapsedMs = 0;
    int m_interactiveCycles = 0;
    // Parts done in this process whose rows could not be written: never sent again today.
    QSet<QString> m_partsDoneHere;
    // Parts found as "may have been sent" by an earlier run, logged once.
    QSet<QString> m_maybeSentLogged;
    std::function<QString()> m_stopSignal;
    bool m_stopPending = false;
    QString m_stopReason;
    int m_stopStatus = 0;
    QElapsedTimer m_flagReadInFlight;
    HttpPoster::StopTest m_previousStopTest;
};

// The interactive period of an IntPeriyot text in ms: a whole number of minutes of at least 1
// ("05" is 5); 0 for any other text.
qint64 InteractivePeriodMs(const QString &text);

// A greeting for one person: "[##Adi##]" and "[##Ad##]" become the first name, "[##Soyadi##]"
// and "[##Soyad##]" the surname (Null writes nothing; other placeholders stay as typed); then
// & becomes -, < becomes [, > becomes ], and the text is cut to its first 160 characters.
QString GreetingText(const QString &text, const QVariant &adi, const QVariant &soyadi);

// Whether the day, month and year columns of a contact name a date whose day and month are
// today's (a year of 1899 means no date).
bool IsGreetingDay(const QVariant &day, const QVariant &month, const QVariant &year, const QDate &today);

// The kinds logged as msg_tip.
QString BirthdayKind();    // "Doğum günü tebriği"
QString AnniversaryKind(); // "Evlilik yıldönümü tebriği"
