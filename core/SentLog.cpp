#include "core/SentLog.h"

#include "core/DateText.h"
#include "core/LocalDb.h"

QVector<JournalRow> SentMessageJournalRows(const QVector<SentMessageRow> &rows)
{
    // Null texts would be Null cells; the log keeps empty texts instead.
    const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
    QVector<JournalRow> out;
    out.reserve(rows.size());
    for (const SentMessageRow &r : rows)
        out.append(JournalRow{QStringLiteral("tbl_giden"),
                              {{QStringLiteral("msgid"), text(r.msgid)},
                               {QStringLiteral("msg_tip"), text(r.msg_tip)},
                               {QStringLiteral("gateway"), text(r.gateway)},
                               {QStringLiteral("paket_boyut"), r.paket_boyut},
                               {QStringLiteral("mesaj"), text(r.mesaj)},
                               {QStringLiteral("originator"), text(r.originator)},
                               {QStringLiteral("tarih"), ToIsoText(r.tarih)},
                               {QStringLiteral("gtarih"), ToIsoText(r.gtarih)},
                               {QStringLiteral("sirket_kod"), text(r.sirket_kod)}}});
    return out;
}

void InsertSentMessages(const QVector<SentMessageRow> &rows)
{
    InLocalTransaction([&](QSqlDatabase &db) { InsertJournalRows(db, SentMessageJournalRows(rows)); });
}
