#include "tests/support/FakeGathwin.h"

#include <QMutexLocker>

FakeGathwin::FakeGathwin(quint16 port)
    : m_server(std::make_unique<FakeHttpServer>([this](const FakeRequest &r) { return respond(r); }, port))
{}

FakeGathwin::~FakeGathwin() { m_server.reset(); }

QString FakeGathwin::url() const { return m_server->url(QStringLiteral("/gathwin.asp")); }

void FakeGathwin::setReply(const FakeReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_fixed = reply;
}

void FakeGathwin::queueReply(const FakeReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_queued.enqueue(reply);
}

void FakeGathwin::clearScript()
{
    QMutexLocker lock(&m_mutex);
    m_queued.clear();
    m_fixed.reset();
}

void FakeGathwin::queueUnread(const QString &gsmno, const QString &msgbody)
{
    QMutexLocker lock(&m_mutex);
    m_unread.append({gsmno, msgbody});
}

int FakeGathwin::unreadCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_unread.size());
}

int FakeGathwin::readCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_read;
}

namespace {
// XML text; a CR as a character reference, so a CR LF of a message arrives as it was queued.
QString xmlText(const QString &s) { return s.toHtmlEscaped().replace(QLatin1Char('\r'), QStringLiteral("&#13;")); }
} // namespace

QString FakeGathwin::listReply(const QVector<QPair<QString, QString>> &messages)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><messages>");
    for (const auto &m : messages)
        xml += QStringLiteral("<message><gsmno>") + xmlText(m.first) + QStringLiteral("</gsmno><msgbody>") +
               xmlText(m.second) + QStringLiteral("</msgbody></message>");
    xml += QStringLiteral("</messages>");
    return xml;
}

FakeReply FakeGathwin::respond(const FakeRequest &request)
{
    QMutexLocker lock(&m_mutex);
    if (!m_queued.isEmpty()) return m_queued.dequeue();
    if (m_fixed) return *m_fixed;
    if (request.text().contains(QLatin1String("<List>REC UNREAD</List>")) && !m_unread.isEmpty()) {
        const QString reply = listReply(m_unread);
        m_read += int(m_unread.size());
        m_unread.clear();
        return FakeReply::text(reply);
    }
    return FakeReply::text(QStringLiteral("ok 08"));
}
