#include "kovaset/KovasetEngine.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/Services.h"
#include "kovaset/InteractiveCycle.h"
#include "kovaset/KovasetSettings.h"

#include <limits>

KovasetEngine::KovasetEngine(KovasetLog &log, Clock clock, QObject *parent)
    : QObject(parent), m_log(log), m_clock(std::move(clock))
{
    m_stopTimer.setInterval(kStopIntervalMs);
    m_greetingTimer.setInterval(kGreetingIntervalMs);
    m_interactiveTimer.setInterval(kInteractiveIntervalMs);
    for (QTimer *t : {&m_stopTimer, &m_greetingTimer, &m_interactiveTimer}) t->setTimerType(Qt::CoarseTimer);
    m_stopTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_stopTimer, &QTimer::timeout, this, &KovasetEngine::onStopTick);
    connect(&m_greetingTimer, &QTimer::timeout, this, &KovasetEngine::onGreetingTick);
    connect(&m_interactiveTimer, &QTimer::timeout, this, &KovasetEngine::onInteractiveTick);
    Lifecycle::setHandler([this] { end(QStringLiteral("program sonlandırıldı"), 1); });
    m_previousStopTest = HttpPoster::setStopTest([this] { return inFlightStop(); });
}

KovasetEngine::~KovasetEngine()
{
    HttpPoster::setStopTest(std::move(m_previousStopTest));
    Lifecycle::setHandler({});
}

void KovasetEngine::noteStop(const QString &reason, int exitStatus)
{
    if (m_stopPending) return;
    m_stopPending = true;
    m_stopReason = reason;
    m_stopStatus = exitStatus;
}

bool KovasetEngine::signalStop()
{
    if (!m_stopSignal) return false;
    const QString reason = m_stopSignal();
    if (reason.isEmpty()) return false;
    noteStop(reason, 0);
    return true;
}

bool KovasetEngine::readStopFlag(bool unreadableStops)
{
    try {
        if (GetParam(QStringLiteral("flg_kovaset")) == QLatin1String("0"))
            noteStop(QStringLiteral("flg_kovaset \"0\""), 0);
    } catch (const std::exception &e) {
        if (unreadableStops) noteStop(QStringLiteral("flg_kovaset okunamadı: ") + QString::fromStdString(e.what()), 1);
    }
    return m_stopPending;
}

bool KovasetEngine::stopRequested()
{
    if (m_stopPending || m_ended || signalStop()) return true;
    return readStopFlag(true);
}

bool KovasetEngine::inFlightStop()
{
    if (m_stopPending || m_ended || signalStop()) return true;
    if (m_flagReadInFlight.isValid() && m_flagReadInFlight.elapsed() < kFlagReadInFlightMs) return false;
    m_flagReadInFlight.start();
    // An unreadable flag aborts nothing here: the stop check after the request sees it.
    return readStopFlag(false);
}

bool KovasetEngine::endIfStopped()
{
    if (!m_stopPending) return false;
    end(m_stopReason, m_stopStatus);
    return true;
}

void KovasetEngine::startTimers()
{
    m_live = true;
    // First of all, once the event loop runs (the end handler leaves it).
    QTimer::singleShot(0, this, [this] { answerLeftMessages(); });
    setTimer(m_stopTimer, m_stopOn, m_stopOn);
    setTimer(m_greetingTimer, m_greetingOn, m_greetingOn);
    setTimer(m_interactiveTimer, m_interactiveOn, m_interactiveOn);
}

void KovasetEngine::setTimer(QTimer &timer, bool &on, bool wanted)
{
    on = wanted && !m_ended;
    if (!m_live) return;
    if (on)
        timer.start();
    else
        timer.stop();
}

void KovasetEngine::end(const QString &reason, int exitStatus)
{
    if (m_ended) return;
    m_ended = true;
    m_exitStatus = exitStatus;
    for (QTimer *t : {&m_stopTimer, &m_greetingTimer, &m_interactiveTimer}) t->stop();
    m_stopOn = m_greetingOn = m_interactiveOn = false;
    CloseLocalDb();
    CloseErpDb();
    m_log.write(QStringLiteral("Kovaset sona erdi: ") + reason);
    if (m_endHandler) m_endHandler(exitStatus);
}

void KovasetEngine::onStopTick()
{
    if (m_ended) return;
    setTimer(m_stopTimer, m_stopOn, false);
    signalStop();
    if (endIfStopped()) return;
    QString flag;
    try {
        flag = GetParam(QStringLiteral("flg_kovaset"));
    } catch (const std::exception &e) {
        end(QStringLiteral("flg_kovaset okunamadı: ") + QString::fromStdString(e.what()), 1);
        return;
    }
    if (flag == QLatin1String("0")) {
        end(QStringLiteral("flg_kovaset \"0\""), 0);
        return;
    }
    setTimer(m_stopTimer, m_stopOn, true);
}

void KovasetEngine::onGreetingTick()
{
    if (m_ended) return;
    setTimer(m_greetingTimer, m_greetingOn, false);
    if (!KovasetLoadSettings()) return;
    if (gUserName.isEmpty()) {
        // Stays off until the program is started again.
        m_log.write(QStringLiteral("Gateway kullanıcısı yok: tebrik zamanlayıcısı kapatıldı."));
        return;
    }
    Kovaset();
    if (endIfStopped()) return;
    setTimer(m_greetingTimer, m_greetingOn, true);
}

qint64 InteractivePeriodMs(const QString &text)
{
    if (text.isEmpty()) return 0;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
    bool ok = false;
    const qint64 minutes = text.toLongLong(&ok);
    if (!ok || minutes < 1 || minutes > std::numeric_limits<qint64>::max() / 60000) return 0;
    return minutes * 60000;
}

void KovasetEngine::onInteractiveTick()
{
    if (m_ended) return;
    setTimer(m_interactiveTimer, m_interactiveOn, false);
    qint64 period = 0;
    bool read = true;
    try {
        period = InteractivePeriodMs(GetParam(QStringLiteral("IntPeriyot")));
    } catch (const std::exception &) {
        read = false; // an unreadable tick counts nothing
    }
    if (read) {
        if (period != m_intervalMs) {
            m_intervalMs = period;
            m_elapsedMs = 0;
        }
        if (m_intervalMs > 0) {
            m_elapsedMs += kInteractiveIntervalMs;
            if (m_elapsedMs >= m_intervalMs) {
                if (!KovasetLoadSettings()) return;
                ++m_interactiveCycles;
                try {
                    RunInteractiveCycle();
                } catch (const std::exception &e) {
                    // The counter starts again and the timer goes on, whatever the cycle did.
                    m_log.write(QStringLiteral("İnteraktif döngü hatası: ") + QString::fromStdString(e.what()));
                }
                m_elapsedMs = 0;
                if (endIfStopped()) return;
            }
        }
    }
    setTimer(m_interactiveTimer, m_interactiveOn, true);
}

namespace {
InteractiveContext EngineContext(KovasetEngine &engine)
{
    InteractiveContext ctx = InteractiveContextFromSettings(engine.gateway());
    ctx.stopRequested = [&engine] { return engine.stopRequested(); };
    ctx.now = [&engine] { return engine.now(); };
    ctx.log = [&engine](const QString &line) { engine.log().write(line); };
    return ctx;
}
} // namespace

void KovasetEngine::RunInteractiveCycle()
{
    if (interactiveCycle) {
        interactiveCycle(*this);
        return;
    }
    InteractiveContext ctx = EngineContext(*this);
    InteractiveStart(ctx);
}

void KovasetEngine::answerLeftMessages()
{
    // The settings loader (which ends the program when it fails) only when there is work.
    if (m_ended || !LeftMessagesWaiting(now()) || !KovasetLoadSettings()) return;
    if (!gUserName.isEmpty()) {
        InteractiveContext ctx = EngineContext(*this);
        try {
            const CycleOutcome out = AnswerLeftMessages(ctx);
            if (out.fetched > 0)
                m_log.write(QStringLiteral("Yanıtlanmamış mesajlar: %1 mesajdan %2 yanıt gönderildi.")
                                .arg(out.fetched)
                                .arg(out.accepted));
        } catch (const std::exception &e) {
            m_log.write(QStringLiteral("Yanıtlanmamış mesajlar yanıtlanamadı: ") + QString::fromStdString(e.what()));
        }
    }
    endIfStopped();
}
