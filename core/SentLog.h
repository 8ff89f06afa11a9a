#pragma once

// The sent-message log tbl_giden of the local database: one row per send that the gateway
// accepted. The send screen, the quick message window and the automatic program write it;
// the delivery report window reads it.

#include "core/AcceptedWrites.h"

#include <QDateTime>
#include <QString>
#include <QVector>

struct SentMessageRow {
    QString msgid;       // the gateway's message id of the send
    QString msg_tip;     // kind of send
    QString gateway;     // gateway kind at the time of the send
    int paket_boyut = 0; // number of messages in the send
    QString mesaj;
    QString originator;
    QDateTime tarih;    // time of the send
    QDateTime gtarih;   // time the gateway is to send
    QString sirket_kod; // ERP company code; "-1" = every company
};

// Writes the rows of one send in one transaction on the local connection (opened when it
// is closed), every value bound, the dates as ISO text. Throws OrvekError with the
// driver's description; after a failure none of the rows is written.
void InsertSentMessages(const QVector<SentMessageRow> &rows);
// The tbl_giden rows InsertSentMessages writes, as columns and values (for writes after an
// accepted send, see core/AcceptedWrites.h).
QVector<JournalRow> SentMessageJournalRows(const QVector<SentMessageRow> &rows);
