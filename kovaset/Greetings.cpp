// The daily greetings run of the engine: birthdays and wedding anniversaries of the contact
// persons of every company whose greetings are on, one gateway request per company and kind,
// progress kept per part so that nothing is sent twice on one day.

#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/Gateway.h"
#include "core/GatewayKind.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/RecipientMerge.h"
#include "core/SentLog.h"
#include "core/Services.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetErp.h"
#include "kovaset/LocalWrites.h"
#include "kovaset/LogText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QString kLogText = QStringLiteral("Doğum Günü - Evlilik Yıldönümü");

QString dayText(const QDate &d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }

QString textOf(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

QString describe(const std::exception &e) { return QString::fromStdString(e.what()); }

// A part whose reply is neither accepted nor a gateway code (a proxy's error page, stray
// bytes) may still have been taken by the gateway: it is tried this often a day, then left
// until the next day.
constexpr int kUnclearRepliesPerDay = 3;
const QString kTriesTable = QStringLiteral("tbl_kovaset_deneme");

// Whether the last request of the gateway object may have reached the gateway although no
// whole reply came back: the body went out, so the messages may have been taken.
bool RequestMayHaveGoneOut(const Gateway &gw) { return gw.lastOutcome() == PostOutcome::SentNoAnswer; }

// The progress row of a greeting part: msgid Null while its request may be out (written and
// committed before the request goes), the gateway's message id once the accepted reply's
// rows are written; that completed row replaces the first one.
JournalRow ProgressRow(const QString &day, const QString &company, const QString &kind, const QVariant &msgid)
{
    JournalRow row{QStringLiteral("tbl_kovaset_parca"),
                   {{QStringLiteral("tarih"), day},
                    {QStringLiteral("sirket_kod"), company},
                    {QStringLiteral("msg_tip"), kind},
                    {QStringLiteral("msgid"), msgid}}};
    row.replace = !msgid.isNull();
    return row;
}

// The rows of an accepted greeting part, in one transaction: its log row and its progress
// row, completed with the message id. A locked database is retried for a minute; then the
// rows go to the journal that the next start writes in, so the log row is never lost.
AcceptedWriteResult WriteAcceptedPart(const SentMessageRow &sent, const QString &day, const QString &company,
                                      const QString &kind)
{
    QVector<JournalRow> rows = SentMessageJournalRows({sent});
    rows.append(ProgressRow(day, company, kind, sent.msgid));
    return WriteAfterAcceptedSend([&rows](QSqlDatabase &db) { InsertJournalRows(db, rows); }, rows);
}
} // namespace

QString BirthdayKind() { return QStringLiteral("Doğum günü tebriği"); }
QString AnniversaryKind() { return QStringLiteral("Evlilik yıldönümü tebriği"); }

QString GreetingText(const QString &text, const QVariant &adi, const QVariant &soyadi)
{
    static const QString marks[] = {QStringLiteral("[##Adi##]"), QStringLiteral("[##Ad##]"),
                                    QStringLiteral("[##Soyadi##]"), QStringLiteral("[##Soyad##]")};
    const QString first = textOf(adi), last = textOf(soyadi);
    QString merged;
    merged.reserve(text.size() + 32);
    int pos = 0;
    while (pos < text.size()) {
        const int at = text.indexOf(QLatin1String("[##"), pos);
        if (at < 0) {
            merged += QStringView(text).mid(pos);
            break;
        }
        merged += QStringView(text).mid(pos, at - pos);
        int which = -1;
        for (int i = 0; i < 4 && which < 0; ++i)
            if (QStringView(text).mid(at).startsWith(marks[i])) which = i;
        if (which < 0) {
            merged += QLatin1String("[##");
            pos = at + 3;
            continue;
        }
        merged += which < 2 ? first : last;
        pos = at + int(marks[which].size());
    }
    for (QChar &c : merged) {
        if (c == QLatin1Char('&'))
            c = QLatin1Char('-');
        else if (c == QLatin1Char('<'))
            c = QLatin1Char('[');
        else if (c == QLatin1Char('>'))
            c = QLatin1Char(']');
    }
    return merged.left(Gateway::kMessageSize);
}

bool IsGreetingDay(const QVariant &day, const QVariant &month, const QVariant &year, const QDate &today)
{
    if (day.isNull() || month.isNull() || year.isNull()) return false;
    bool okD = false, okM = false, okY = false;
    const int d = day.toInt(&okD), m = month.toInt(&okM), y = year.toInt(&okY);
    return okD && okM && okY && d == today.day() && m == today.month() && y != 1899;
}

QString KovasetEngine::partKey(const QString &day, const QString &code, const QString &kind)
{
    return day + QLatin1Char('|') + code + QLatin1Char('|') + kind;
}

// What the greetings run of one day starts from.
struct KovasetEngine::GreetingDay {
    QVector<Company> companies;
    QSet<QString> done;                         // keys of the parts recorded today
    QVector<QPair<QString, QString>> maybeSent; // (company, kind) of parts whose request may be out
    QSet<QString> givenUp;                      // keys of the parts left until the next day
};

// One greeting part as it goes out: one company, one kind.
struct KovasetEngine::GreetingPart {
    const Company &company;
    QString kind;
    QString originator;
    QDateTime runAt;
    QString day;
    QString what;  // "şirket <code>, <kind>" for the log
    int count = 0; // rows in the basket
    QString key = QString();
};

void KovasetEngine::Kovaset()
{
    // One date and time for the whole run.
    const QDateTime runAt = now();
    const QString day = dayText(runAt.date());

    GreetingDay state;
    if (!readGreetingDay(runAt, state)) return;
    logMaybeSentParts(day, state);
    if (state.companies.isEmpty()) return;

    bool allDone = true;
    for (const Company &c : state.companies) {
        if (m_ended || stopRequested()) return;
        const PartResult r = greetCompany(c, state, runAt);
        if (r == PartResult::Stopped) return;
        if (r == PartResult::Failed) allDone = false;
    }
    if (!allDone) return;
    markGreetingDay(day);
}

// The greeting window, the day mark, the companies and the parts recorded today. False when
// the run ends here: outside the window, the day done, or its state not readable (then
// nothing is sent).
bool KovasetEngine::readGreetingDay(const QDateTime &runAt, GreetingDay &state)
{
    const QString day = dayText(runAt.date());
    const QString time = runAt.toString(QStringLiteral("HH:mm:ss"));
    try {
        const QString basla = GetParam(QStringLiteral("KovasetBasla"));
        const QString bitir = GetParam(QStringLiteral("KovasetBitir"));
        if (time < basla || time > bitir) return false;

        OpenLocalDb();
        // Progress rows of parts that an earlier run could only journal go in before the
        // day's progress is read, so no such part is sent twice.
        ReplayAcceptedWriteJournal();
        {
            QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT tarih FROM tbl_kovaset WHERE tarih = ?"), {day});
            if (q.next()) return false;
        }
        {
            QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT * FROM tbl_kovaset_ayar"));
            while (q.next()) {
                Company c;
                c.code = textOf(q.value(1));
                c.birthdays = textOf(q.value(2)) == QLatin1String("1");
                c.birthdayText = textOf(q.value(3));
                c.birthdayOriginator = textOf(q.value(4));
                c.anniversaries = textOf(q.value(5)) == QLatin1String("1");
                c.anniversaryText = textOf(q.value(6));
                c.anniversaryOriginator = textOf(q.value(7));
                state.companies.append(c);
            }
            if (q.lastError().isValid()) throw OrvekError(q.lastError().text());
        }
        {
            QSqlQuery q = SqlExec(
                LocalDb(), QStringLiteral("SELECT sirket_kod, msg_tip, msgid FROM tbl_kovaset_parca WHERE tarih = ?"),
                {day});
            while (q.next()) {
                const QString key = partKey(day, textOf(q.value(0)), textOf(q.value(1)));
                state.done.insert(key);
                if (q.value(2).isNull()) state.maybeSent.append({textOf(q.value(0)), textOf(q.value(1))});
            }
            if (q.lastError().isValid()) throw OrvekError(q.lastError().text());
        }
        readGivenUpParts(day, state);
    } catch (const std::exception &e) {
        // Without the day's state nothing is sent.
        m_log.write(QStringLiteral("Tebrik çalışması yapılamadı: ") + describe(e));
        return false;
    }
    return true;
}

// The parts whose unclear replies have used up the day's tries (none while the table that
// counts them was never made). Throws OrvekError when it cannot be read.
void KovasetEngine::readGivenUpParts(const QString &day, GreetingDay &state)
{
    if (!SqlTableExists(LocalDb(), kTriesTable)) return;
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("SELECT sirket_kod, msg_tip FROM %1 WHERE tarih = ? AND sayi >= ?").arg(kTriesTable),
                          {day, kUnclearRepliesPerDay});
    while (q.next()) state.givenUp.insert(partKey(day, textOf(q.value(0)), textOf(q.value(1))));
    if (q.lastError().isValid()) throw OrvekError(q.lastError().text());
}

// Parts whose request went out without a reply that was written (no answer, or the program
// ended before the rows): they may have been sent, so not again today. Logged once each.
void KovasetEngine::logMaybeSentParts(const QString &day, const GreetingDay &state)
{
    for (const auto &part : state.maybeSent) {
        const QString key = partKey(day, part.first, part.second);
        if (m_partsDoneHere.contains(key) || m_maybeSentLogged.contains(key)) continue;
        m_maybeSentLogged.insert(key);
        m_log.write(
            QStringLiteral("Tebrik isteği önceki bir çalışmada gitmiş, yanıtı yazılmamış; gönderilmiş olabilir, "
                           "bugün yeniden gönderilmeyecek: şirket %1, %2")
                .arg(part.first, part.second));
    }
}

// The parts of one company that are due: one ERP query, then each kind sent. Failed when a
// part is left for a later run; Stopped when the run ends here.
KovasetEngine::PartResult KovasetEngine::greetCompany(const Company &c, const GreetingDay &state,
                                                      const QDateTime &runAt)
{
    const QDate today = runAt.date();
    const QString day = dayText(today);
    const auto due = [&](bool on, const QString &kind) {
        const QString key = partKey(day, c.code, kind);
        return on && !state.done.contains(key) && !m_partsDoneHere.contains(key) && !state.givenUp.contains(key);
    };
    const bool birthdayDue = due(c.birthdays, BirthdayKind());
    const bool anniversaryDue = due(c.anniversaries, AnniversaryKind());
    // A part left until the next day keeps the day open: it was not done.
    const bool leftForToday = (c.birthdays && state.givenUp.contains(partKey(day, c.code, BirthdayKind()))) ||
                              (c.anniversaries && state.givenUp.contains(partKey(day, c.code, AnniversaryKind())));
    if (!birthdayDue && !anniversaryDue) return leftForToday ? PartResult::Failed : PartResult::Done;
    if (!IsPlainCompanyCode(c.code)) {
        m_log.write(QStringLiteral("Şirket kodu geçersiz, tebrik gönderilmedi: ") + ReplyForLog(c.code));
        return PartResult::Failed;
    }

    // One query per company; only today's persons are kept.
    QVector<Contact> birthdays, anniversaries;
    QString error;
    const ErpQueryStatus status = RunErpQueryReconnectingOnce(
        KovasetErpQueryFor(QStringLiteral("Kovaset"), c.code),
        [&](QSqlQuery &q) { keepTodaysContacts(q, birthdayDue, anniversaryDue, today, birthdays, anniversaries); },
        &error);
    if (status == ErpQueryStatus::NoConnection) {
        m_log.write(QStringLiteral("ERP veritabanına bağlanılamadı: ") + error);
        Prompt::show(QStringLiteral("Orvek® veritabanıyla bağlantı sağlanamadı. Kovaset.exe uygulaması "
                                    "kapatılıyor..."),
                     PromptIcon::Critical, QStringLiteral("Orvek® Talvane"));
        Lifecycle::endProgram();
        return PartResult::Stopped;
    }
    if (status == ErpQueryStatus::Failed) {
        m_log.write(QStringLiteral("Şirket %1 için ERP sorgusu çalışmadı, sonraki turda denenecek: ").arg(c.code) +
                    error);
        return PartResult::Failed;
    }

    bool failed = false;
    if (birthdayDue) {
        const PartResult r = sendPart(c, BirthdayKind(), c.birthdayText, c.birthdayOriginator, birthdays, runAt);
        if (r == PartResult::Stopped || m_ended) return PartResult::Stopped;
        if (r == PartResult::Failed) failed = true;
    }
    if (anniversaryDue) {
        const PartResult r =
            sendPart(c, AnniversaryKind(), c.anniversaryText, c.anniversaryOriginator, anniversaries, runAt);
        if (r == PartResult::Stopped || m_ended) return PartResult::Stopped;
        if (r == PartResult::Failed) failed = true;
    }
    return failed || leftForToday ? PartResult::Failed : PartResult::Done;
}

void KovasetEngine::keepTodaysContacts(QSqlQuery &q, bool birthdayDue, bool anniversaryDue, const QDate &today,
                                       QVector<Contact> &birthdays, QVector<Contact> &anniversaries)
{
    birthdays.clear();
    anniversaries.clear();
    const QSqlRecord rec = q.record();
    const int adi = rec.indexOf(QStringLiteral("Adi")), soyadi = rec.indexOf(QStringLiteral("Soyadi"));
    const int prefix = rec.indexOf(QStringLiteral("CepTelBKod")), number = rec.indexOf(QStringLiteral("CepTel"));
    const int dg = rec.indexOf(QStringLiteral("DgGun")), da = rec.indexOf(QStringLiteral("DgAy")),
              dy = rec.indexOf(QStringLiteral("DgYil"));
    const int eg = rec.indexOf(QStringLiteral("EvGun")), ea = rec.indexOf(QStringLiteral("EvAy")),
              ey = rec.indexOf(QStringLiteral("EvYil"));
    while (q.next()) {
        const bool b = birthdayDue && IsGreetingDay(q.value(dg), q.value(da), q.value(dy), today);
        const bool a = anniversaryDue && IsGreetingDay(q.value(eg), q.value(ea), q.value(ey), today);
        if (!b && !a) continue;
        const Contact person{q.value(adi), q.value(soyadi), q.value(prefix), q.value(number)};
        if (b) birthdays.append(person);
        if (a) anniversaries.append(person);
    }
}

// Every part of every company is done: the day is marked.
void KovasetEngine::markGreetingDay(const QString &day)
{
    const LocalWriteResult mark = RunLocalWrite([&](QSqlDatabase &db) {
        SqlExec(db, QStringLiteral("INSERT OR IGNORE INTO tbl_kovaset (tarih) VALUES (?)"), {day});
    });
    if (mark.status == LocalWriteStatus::Written) {
        m_log.write(QStringLiteral("Günün tebrikleri tamamlandı: ") + day);
        return;
    }
    if (mark.status == LocalWriteStatus::Busy) {
        // Every part is recorded already: the next tick marks the day without sending.
        m_log.write(QStringLiteral("Gün işareti yazılamadı (veritabanı meşgul), sonraki turda yazılacak: ") +
                    mark.error);
        return;
    }
    m_log.write(QStringLiteral("Gün işareti yazılamadı: ") + mark.error);
    Prompt::show(QStringLiteral("Dikkat !") + QStringLiteral("\r\n") +
                     QStringLiteral("Mesajlarınız gönderiliyor; ancak, gönderildi bilgisi veritabanına yazılamıyor. Bu "
                                    "durum otomatik mesajların birden fazla gitmesine sebep olabilir. Lütfen sistem "
                                    "yöneticinize başvurunuz."),
                 PromptIcon::Critical, QStringLiteral("Kovaset"));
    Lifecycle::endProgram();
}

KovasetEngine::PartResult KovasetEngine::sendPart(const Company &company, const QString &kind, const QString &text,
                                                  const QString &originator, const QVector<Contact> &contacts,
                                                  const QDateTime &runAt)
{
    GreetingPart part{company,
                      kind,
                      originator,
                      runAt,
                      dayText(runAt.date()),
                      QStringLiteral("şirket %1, %2").arg(company.code, kind)};
    m_gateway.clearsmsbasket();
    part.count = fillBasket(part, text, contacts);
    if (part.count == 0) {
        m_log.write(QStringLiteral("Bugün tebrik edilecek kişi yok: ") + part.what);
        return PartResult::Done;
    }
    part.key = partKey(part.day, company.code, kind);
    if (stopRequested()) {
        m_gateway.clearsmsbasket();
        return PartResult::Stopped;
    }

    // Before the request goes, the part is recorded as being sent (committed), so that no
    // restart after a crash can send it a second time.
    const LocalWriteResult intent = RunLocalWrite(
        [&](QSqlDatabase &db) { InsertJournalRow(db, ProgressRow(part.day, company.code, kind, QVariant())); },
        AcceptedWriteRetryMs(), {}, [this] { return stopRequested(); });
    if (intent.status != LocalWriteStatus::Written) {
        m_gateway.clearsmsbasket();
        if (stopPending()) return PartResult::Stopped;
        m_log.write(QStringLiteral("Tebrik gönderilmedi, gönderim kaydı yazılamadı (sonraki turda denenecek): %1: ")
                        .arg(part.what) +
                    intent.error);
        return PartResult::Failed;
    }

    const QString reply = m_gateway.sendsms(GatewayUserName(), gPassword, originator, QString());
    // The basket is empty after every send, whatever happened.
    m_gateway.clearsmsbasket();
    const GatewaySendReply parsed = ParseSendReply(reply);
    // A stop that came while the request ran (it may have ended the request).
    const bool stopped = stopPending();

    if (parsed.accepted) return partAccepted(part, parsed, stopped);
    if (RequestMayHaveGoneOut(m_gateway)) {
        // The progress row stays as it was written before the request.
        m_partsDoneHere.insert(part.key);
        m_log.write(
            QStringLiteral("Tebrik isteği %1, yanıt gelmedi; gönderilmiş olabilir, bugün yeniden "
                           "gönderilmeyecek: %2, %3 mesaj")
                .arg(stopped ? QStringLiteral("gitti, durdurma isteğiyle kesildi") : QStringLiteral("gitti"), part.what)
                .arg(part.count));
        return stopped ? PartResult::Stopped : PartResult::Done;
    }
    return partNotSent(part, reply, stopped);
}

// The basket of a part: one row per distinct number of today's persons. The rows put in.
int KovasetEngine::fillBasket(const GreetingPart &part, const QString &text, const QVector<Contact> &contacts)
{
    m_gateway.reserveBasket(int(contacts.size()));
    QSet<QString> used;
    used.reserve(int(contacts.size()));
    int count = 0;
    for (const Contact &person : contacts) {
        const QString number = RecipientNumber(person.prefix, person.number);
        if (number.isEmpty() || used.contains(number)) continue;
        try {
            m_gateway.addtosmsbasket(GreetingText(text, person.adi, person.soyadi), number);
        } catch (const std::exception &e) {
            m_log.write(QStringLiteral("Tebrik sepete eklenemedi (%1): ").arg(part.what) + describe(e));
            continue;
        }
        used.insert(number);
        ++count;
    }
    return count;
}

// An accepted part: its log row and its completed progress row.
KovasetEngine::PartResult KovasetEngine::partAccepted(const GreetingPart &part, const GatewaySendReply &parsed,
                                                      bool stopped)
{
    SentMessageRow row;
    row.msgid = parsed.messageId;
    row.msg_tip = part.kind;
    row.gateway = GatewayKindText(gGatewayKind);
    row.paket_boyut = part.count;
    row.mesaj = kLogText;
    row.originator = part.originator;
    row.tarih = part.runAt;
    row.gtarih = part.runAt;
    row.sirket_kod = part.company.code;
    const AcceptedWriteResult w = WriteAcceptedPart(row, part.day, part.company.code, part.kind);
    // Written or not, it went out: this run never sends the part again.
    m_partsDoneHere.insert(part.key);
    if (w == AcceptedWriteResult::Written)
        m_log.write(
            QStringLiteral("Tebrik gönderildi: %1, %2 mesaj, msgid %3").arg(part.what).arg(part.count).arg(row.msgid));
    else
        m_log.write(QStringLiteral("Tebrik gönderildi, kaydı %1: %2, %3 mesaj, msgid %4, tarih %5")
                        .arg(w == AcceptedWriteResult::Journaled ? QStringLiteral("sonra tamamlanacak")
                                                                 : QStringLiteral("yazılamadı"),
                             part.what)
                        .arg(part.count)
                        .arg(row.msgid, part.runAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    return stopped ? PartResult::Stopped : PartResult::Done;
}

// Nothing went out (or the gateway refused it): the part is free to be sent again; after an
// unclear reply only while the day's tries last.
KovasetEngine::PartResult KovasetEngine::partNotSent(const GreetingPart &part, const QString &reply, bool stopped)
{
    const bool unclear = !stopped && !IsWholeGatewayCode(reply.trimmed());
    int tries = 0;
    const LocalWriteResult undo = RunLocalWrite(
        [&](QSqlDatabase &db) {
            const QVariantList keys{part.day, part.company.code, part.kind};
            SqlExec(
                db,
                QStringLiteral("DELETE FROM tbl_kovaset_parca WHERE tarih = ? AND sirket_kod = ? AND msg_tip = ? AND "
                               "msgid IS NULL"),
                keys);
            if (!unclear) return;
            SqlExec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tarih TEXT NOT NULL, sirket_kod TEXT NOT NULL, "
                                       "msg_tip TEXT NOT NULL, sayi INTEGER NOT NULL, PRIMARY KEY (tarih, sirket_kod, "
                                       "msg_tip))")
                            .arg(kTriesTable));
            QSqlQuery q = SqlExec(db,
                                  QStringLiteral("INSERT INTO %1 (tarih, sirket_kod, msg_tip, sayi) VALUES (?, ?, ?, 1) "
                                                 "ON CONFLICT (tarih, sirket_kod, msg_tip) DO UPDATE SET sayi = sayi + 1 "
                                                 "RETURNING sayi")
                                      .arg(kTriesTable),
                                  keys);
            tries = q.next() ? q.value(0).toInt() : 0;
        },
        kLocalWriteWaitMs, {}, [this] { return stopRequested(); });
    QString kept;
    if (undo.status != LocalWriteStatus::Written)
        kept = QStringLiteral("; gönderim kaydı silinemedi, bugün yeniden denenmeyecek: ") + undo.error;
    else if (unclear && tries >= kUnclearRepliesPerDay)
        kept = QStringLiteral("; yanıt %1. kez anlaşılamadı, tebrik bugün yeniden denenmeyecek").arg(tries);
    else if (unclear)
        kept = QStringLiteral("; yanıt anlaşılamadı (%1. deneme, günde en çok %2)").arg(tries).arg(kUnclearRepliesPerDay);
    if (stopped)
        m_log.write(QStringLiteral("Tebrik durdurma isteğiyle gönderilmedi: %1").arg(part.what) + kept);
    else
        m_log.write(QStringLiteral("Tebrik gönderilemedi: %1, yanıt %2").arg(part.what, ReplyForLog(reply)) + kept);
    return stopped ? PartResult::Stopped : PartResult::Failed;
}
