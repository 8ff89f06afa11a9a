#include "tests/support/FakeGathwin.h"

#include <QMutexLocker>

FakeGathwin::FakeGathwin(quint16 port)
    : m_server(std::make_unique<FakeHttpServer>([this](const FakeRequest &) { return respond(); }, port))
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

FakeReply FakeGathwin::respond()
{
    QMutexLocker lock(&m_mutex);
    if (!m_queued.isEmpty()) return m_queued.dequeue();
    if (m_fixed) return *m_fixed;
    return FakeReply::text(QStringLiteral("ok 08"));
}
