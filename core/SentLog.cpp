#include "core/SentLog.h"

#include "core/DateText.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
[[noreturn]] void fail(const QSqlError &e)
{
    const QString t = e.text().trimmed();
    throw OrvekError(t.isEmpty() ? QStringLiteral("Veritabanı hatası") : t);
}
} // namespace

void InsertSentMessages(const QVector<SentMessageRow> &rows)
{
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    if (!db.transaction()) fail(db.lastError());
    try {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("INSERT INTO tbl_giden(msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,"
                                      "gtarih,sirket_kod) VALUES(?,?,?,?,?,?,?,?,?)")))
            fail(q.lastError());
        for (const SentMessageRow &r : rows) {
            // Null texts would be Null cells; the log keeps empty texts instead.
            const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
            q.addBindValue(text(r.msgid));
            q.addBindValue(text(r.msg_tip));
            q.addBindValue(text(r.gateway));
            q.addBindValue(r.paket_boyut);
            q.addBindValue(text(r.mesaj));
            q.addBindValue(text(r.originator));
            q.addBindValue(ToIsoText(r.tarih));
            q.addBindValue(ToIsoText(r.gtarih));
            q.addBindValue(text(r.sirket_kod));
            if (!q.exec()) fail(q.lastError());
        }
        if (!db.commit()) fail(db.lastError());
    } catch (...) {
        db.rollback();
        throw;
    }
}
