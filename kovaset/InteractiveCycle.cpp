#include "kovaset/InteractiveCycle.h"

#include "core/AcceptedWrites.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/DateText.h"
#include "core/ErpQueries.h"
#include "core/Gathwin.h"
#include "core/HttpPoster.h"
#include "core/InteractiveRules.h"
#include "core/LocalDb.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/ValueText.h"
#include "kovaset/LogText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <cmath>
#include <cstring>
#include <exception>
#include <pugixml.hpp>

// Everything a by-value rule needs of one (company, kind) result during one cycle: the rows,
// fetched once, and per compared column a lookup from the compared form of a value to its
// first row.
struct InteractiveContext::ValueSearch {
    bool failed = false;
    RecordSet rows;
    QHash<QString, QHash<QString, int>> byText;
    QHash<QString, QHash<double, int>> byNumber;
};

// The two lookups of a rule on the local connection. A statement is reset after every read,
// so no read transaction stays open between answers and every lookup sees the rules as the
// main program left them.
struct InteractiveContext::RuleStatements {
    QSqlQuery byKeyword;
    QSqlQuery byDefault;
    bool prepared = false;
};

namespace {

const QString kMsgTip = QStringLiteral("Interaktif SMS");

void logLine(const InteractiveContext &ctx, const QString &line)
{
    if (ctx.log) ctx.log(line);
}

QDateTime nowOf(const InteractiveContext &ctx) { return ctx.now ? ctx.now() : QDateTime::currentDateTime(); }

bool stopped(const InteractiveContext &ctx) { return ctx.stopRequested && ctx.stopRequested(); }

void keepAndAnswer(InteractiveContext &ctx, const QVector<GathwinMessage> &messages, const QString &mode,
                   const QString &single, CycleOutcome &out);

// Keeps the raw bytes of a reply that did not come or read whole in gathwin-<date-time>.xml
// beside the database (a second file of the same second gets "-2", ...), at most the reply
// limit's bytes. The path, or "" when the file could not be written.
QString keepRawReply(const InteractiveContext &ctx, const QByteArray &bytes)
{
    const QDir folder = QFileInfo(LocalDbPath()).absoluteDir();
    const QString stem = QStringLiteral("gathwin-") + nowOf(ctx).toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = folder.filePath(stem + QStringLiteral(".xml"));
    for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
        path = folder.filePath(stem + QStringLiteral("-%1.xml").arg(n));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QString();
    const QByteArray kept = bytes.left(qsizetype(qMin<qint64>(bytes.size(), HttpPoster::replyLimit())));
    if (file.write(kept) != kept.size() || !file.commit()) return QString();
    return path;
}

QString rawFileForLog(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("dosyaya yazılamadı.")
                          : QDir::toNativeSeparators(path) + QStringLiteral(" dosyasında.");
}

QString errorText(const std::exception &e)
{
    if (const auto *o = dynamic_cast<const OrvekError *>(&e)) return o->description();
    return QString::fromLocal8Bit(e.what());
}

// Blanks (the space character only) removed at both ends.
QString trimBlanks(const QString &s)
{
    qsizetype first = 0, last = s.size();
    while (first < last && s.at(first) == QLatin1Char(' ')) ++first;
    while (last > first && s.at(last - 1) == QLatin1Char(' ')) --last;
    return s.mid(first, last - first);
}

QString chopTrailingBlanks(const QString &s)
{
    qsizetype last = s.size();
    while (last > 0 && s.at(last - 1) == QLatin1Char(' ')) --last;
    return s.left(last);
}

// The compared form of a text without letter case: upper case, with the Turkish dotted
// capital read as I, so "ışık", "işik", "IŞIK" and "İŞİK" are one text.
QString caseless(const QString &s)
{
    QString u = chopTrailingBlanks(s).toUpper();
    u.replace(QChar(0x0130), QLatin1Char('I'));
    return u;
}

// A number as the ERP or a sender writes it (C form, "120.5"); false when it is none.
bool numberOf(const QVariant &v, double &out)
{
    if (v.isNull() || !v.isValid()) return false;
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        out = v.toDouble();
        return !std::isnan(out);
    default:
        break;
    }
    bool ok = false;
    out = v.toString().trimmed().toDouble(&ok);
    return ok && !std::isnan(out);
}

bool localWrite(const InteractiveContext &ctx, const std::function<void(QSqlDatabase &)> &work, QString &error)
{
    return ctx.runLocalWrite ? ctx.runLocalWrite(work, error) : RunLocalTransaction(work, error);
}

// The inbox rows of a reply's messages, as they are stored and as the journal keeps them. A
// missing number or text is stored empty, not Null.
QVector<JournalRow> inboxRows(const QVector<GathwinMessage> &messages, const QDateTime &now)
{
    const QString tarih = ToIsoText(now);
    const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : CrLfToBlank(s); };
    QVector<JournalRow> rows;
    rows.reserve(messages.size());
    for (const GathwinMessage &m : messages) {
        JournalRow row{QStringLiteral("tbl_int_msgbox"),
                       {{QStringLiteral("tarih"), tarih},
                        {QStringLiteral("gsmno"), text(m.gsmno)},
                        {QStringLiteral("msg"), text(m.msgbody)}}};
        // Journaled, the row keeps its id for the answer rows that name its key.
        row.key = QUuid::createUuid().toString(QUuid::WithoutBraces);
        row.keepsId = true;
        rows.append(std::move(row));
    }
    return rows;
}

// The inbox rows in one transaction; the ids of the stored rows, or false.
bool storeMessages(const InteractiveContext &ctx, const QVector<JournalRow> &rows, QVector<qint64> &ids, QString &error)
{
    return localWrite(
        ctx,
        [&](QSqlDatabase &db) {
            ids.clear();
            ids.reserve(rows.size());
            QSqlQuery q(db);
            if (!q.prepare(QStringLiteral("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES (?,?,?)")))
                throw OrvekError(q.lastError().text());
            for (const JournalRow &row : rows) {
                for (int c = 0; c < 3; ++c) q.bindValue(c, row.values.at(c).second);
                if (!q.exec()) throw OrvekError(q.lastError().text());
                ids.append(q.lastInsertId().toLongLong());
            }
        },
        error);
}

// Whether a service reply may hold messages: their texts stand in "msgbody" elements.
bool mayHoldMessages(const QString &reply) { return reply.contains(QLatin1String("msgbody"), Qt::CaseInsensitive); }

// What the log keeps of a service reply: a short answer or an error page (ReplyForLog), never
// the texts of a message list.
QString serviceReplyForLog(const QString &reply)
{
    if (mayHoldMessages(reply))
        return QStringLiteral("%1 karakterlik mesaj listesi (mesaj metinleri kayda alınmaz)").arg(reply.size());
    return ReplyForLog(reply);
}

const QString kAnsweredTable = QStringLiteral("tbl_int_yanitlanan");

// The row that records a message as answered before its answer's request goes out.
JournalRow answeredRow(const StoredMessage &message)
{
    JournalRow row{kAnsweredTable, {{QStringLiteral("gelenid"), message.id}}};
    row.replace = true;
    if (message.id <= 0 && !message.journalKey.isEmpty()) {
        row.idColumn = QStringLiteral("gelenid");
        row.refersTo = message.journalKey;
    }
    return row;
}

// Where the record of an answer's request went.
enum class AnsweredRecord { None, Table, Journal };

void createAnsweredTable(const QSqlDatabase &db)
{
    SqlExec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (gelenid INTEGER PRIMARY KEY)").arg(kAnsweredTable));
}

// Records the message as answered, committed, before its request goes out: in the table,
// else (the database busy, the message itself still in the journal) in the journal. None:
// neither could be written, and the answer is not sent.
AnsweredRecord recordAnswered(const InteractiveContext &ctx, const StoredMessage &message, QString &error)
{
    const JournalRow row = answeredRow(message);
    if (localWrite(
            ctx,
            [&row](QSqlDatabase &db) {
                createAnsweredTable(db);
                InsertJournalRow(db, row);
            },
            error))
        return AnsweredRecord::Table;
    return AppendAcceptedWriteJournal({row}) ? AnsweredRecord::Journal : AnsweredRecord::None;
}

// Nothing went out: the message is free to be answered at the next start. A record that
// cannot be removed (or went to the journal) keeps it counted as answered.
void forgetAnswered(const InteractiveContext &ctx, const StoredMessage &message, AnsweredRecord record)
{
    if (record != AnsweredRecord::Table || message.id <= 0) return;
    QString error;
    localWrite(
        ctx,
        [&message](QSqlDatabase &db) {
            SqlExec(db, QStringLiteral("DELETE FROM %1 WHERE gelenid = ?").arg(kAnsweredTable), {message.id});
        },
        error);
}

// The two rows of an accepted answer, in one transaction; the record made before the
// request goes with them, the answer row saying the same from now on.
AcceptedWriteResult writeAnswerRows(const InteractiveContext &ctx, const QString &msgid, const QString &mesaj,
                                    const QString &company, const StoredMessage &message, AnsweredRecord record)
{
    const QString tarih = ToIsoText(nowOf(ctx));
    QString kind = GatewayKindText(ctx.gatewayKind);
    if (kind.isNull()) kind = QStringLiteral("");
    // The rows as the journal keeps them when the database cannot take them now.
    QVector<JournalRow> rows{
        JournalRow{QStringLiteral("tbl_giden"),
                   {{QStringLiteral("msgid"), msgid},
                    {QStringLiteral("msg_tip"), kMsgTip},
                    {QStringLiteral("gateway"), kind},
                    {QStringLiteral("paket_boyut"), 1},
                    {QStringLiteral("mesaj"), mesaj},
                    {QStringLiteral("originator"), QStringLiteral("")},
                    {QStringLiteral("tarih"), tarih},
                    {QStringLiteral("gtarih"), tarih},
                    {QStringLiteral("sirket_kod"), company}}},
        JournalRow{QStringLiteral("tbl_int_donus"),
                   {{QStringLiteral("gelenid"), message.id}, {QStringLiteral("donusmesaj"), mesaj}}}};
    // A message still in the journal: its answer row takes the message's id when it is
    // written in (at once when a replay has written the message already).
    JournalRow &answer = rows.last();
    if (message.id <= 0 && !message.journalKey.isEmpty()) {
        answer.idColumn = QStringLiteral("gelenid");
        answer.refersTo = message.journalKey;
    }
    const bool forget = record == AnsweredRecord::Table && message.id > 0;
    return WriteAfterAcceptedSend(
        [&rows, &message, forget](QSqlDatabase &db) {
            InsertJournalRows(db, rows);
            if (forget)
                SqlExec(db, QStringLiteral("DELETE FROM %1 WHERE gelenid = ?").arg(kAnsweredTable), {message.id});
        },
        rows);
}

QString messageName(const StoredMessage &message, const QString &GSMNo)
{
    return QStringLiteral("Mesaj %1 (%2)").arg(message.id).arg(GSMNo);
}

// Sends one answer to the sender and logs it when the gateway accepted it.
AnswerResult sendAnswer(InteractiveContext &ctx, const QString &GSMNo, const QString &text, const QString &company,
                        const StoredMessage &gelenid)
{
    const QString number = NormalizeGsmNumber(GSMNo);
    if (number.isEmpty() || !ctx.gateway) return AnswerResult::NotSent;
    if (text.isEmpty()) {
        logLine(ctx, messageName(gelenid, GSMNo) + QStringLiteral(": yanıt metni boş, yanıt gönderilmedi."));
        return AnswerResult::NotSent;
    }
    Gateway &gw = *ctx.gateway;
    gw.clearsmsbasket();
    try {
        gw.addtosmsbasket(text, number);
    } catch (const std::exception &e) {
        gw.clearsmsbasket();
        logLine(ctx, messageName(gelenid, GSMNo) + QStringLiteral(": yanıt sepete eklenemedi: ") + errorText(e));
        return AnswerResult::NotSent;
    }
    if (stopped(ctx)) {
        gw.clearsmsbasket();
        return AnswerResult::Stopped;
    }
    QString recordError;
    const AnsweredRecord record = recordAnswered(ctx, gelenid, recordError);
    if (record == AnsweredRecord::None) {
        gw.clearsmsbasket();
        logLine(ctx, messageName(gelenid, GSMNo) +
                         QStringLiteral(": yanıt gönderilmedi, yanıt kaydı yazılamadı (program yeniden başladığında "
                                        "yanıtlanacak): ") +
                         recordError);
        return AnswerResult::NotSent;
    }
    const QString reply =
        gw.sendsms(GatewayUserName(ctx.gatewayKind, ctx.userName, ctx.ckey), ctx.password, QString(), QString());
    gw.clearsmsbasket();
    const GatewaySendReply sent = ParseSendReply(reply);
    if (!sent.accepted) {
        // Sent without an answer: the gateway may have taken it, so it is not sent again.
        const bool mayBeOut = gw.lastOutcome() == PostOutcome::SentNoAnswer;
        const QString maybe =
            mayBeOut ? QStringLiteral(" (istek gitti, yanıt gelmedi: yanıt gönderilmiş olabilir)") : QString();
        // Only a gateway code says that nothing went out; any other reply (a proxy's page
        // after the gateway took the request) leaves the answer counted as given.
        if (!mayBeOut && IsWholeGatewayCode(reply.trimmed())) forgetAnswered(ctx, gelenid, record);
        logLine(ctx, messageName(gelenid, GSMNo) + QStringLiteral(": yanıt ağ geçidince kabul edilmedi, yanıt: ") +
                         ReplyForLog(reply) + maybe);
        return AnswerResult::Refused;
    }
    switch (writeAnswerRows(ctx, sent.messageId, CrLfToBlank(text), company, gelenid, record)) {
    case AcceptedWriteResult::Written:
        return AnswerResult::Accepted;
    case AcceptedWriteResult::Journaled:
        logLine(ctx, messageName(gelenid, GSMNo) + QStringLiteral(": yanıt gönderildi (MsgID ") + sent.messageId +
                         QStringLiteral("), kayıtları veritabanına yazılamadı; günlüğe alındı, sonraki açılışta "
                                        "yazılacak."));
        return AnswerResult::Journaled;
    case AcceptedWriteResult::Failed:
        break;
    }
    logLine(ctx, messageName(gelenid, GSMNo) + QStringLiteral(": yanıt gönderildi (MsgID ") + sent.messageId +
                     QStringLiteral(") ama kaydedilemedi."));
    return AnswerResult::AcceptedNotLogged;
}

// A result read from the ERP with every known column of its kind in that column's type, so
// both drivers give the same values (a Bakiye is a number, a date a QDate).
RecordSet normalizedRows(const RecordSet &raw, const QString &kind)
{
    const QVector<RecordField> known = ErpColumns(kind);
    QVector<RecordField> fields = raw.fields();
    QVector<int> typeOf(fields.size(), -1);
    for (int i = 0; i < fields.size(); ++i)
        for (const RecordField &k : known)
            if (k.name.compare(fields[i].name, Qt::CaseInsensitive) == 0) {
                typeOf[i] = int(k.type);
                fields[i].type = k.type;
                fields[i].size = 0;
            }
    RecordSet out(fields);
    out.reserve(raw.rowCount());
    for (int r = 0; r < raw.rowCount(); ++r) {
        RecordRow row = raw.row(r);
        for (int i = 0; i < row.size() && i < typeOf.size(); ++i)
            if (typeOf[i] >= 0) row[i] = NormalizeErpValue(row[i], QMetaType::Type(typeOf[i]));
        out.addRow(std::move(row));
    }
    return out;
}

struct RuleRow {
    QString parametre, geridonus_tipi, sorgu_tablosu, sorgu_alani, sorgu_alan_tipi, donus_mesaj, flg_kayityok,
        kayityok_mesaj, sirket_kod;
};

// The rule of an executed lookup, read by position; false when it found none. The statement
// is reset afterwards.
bool readRule(QSqlQuery &q, RuleRow &rule)
{
    struct Finish {
        QSqlQuery &q;
        ~Finish() { q.finish(); }
    } finish{q};
    if (!q.next()) return false;
    if (q.record().count() < 9) throw OrvekError(QStringLiteral("tbl_int_parametre tablosunda sütun eksik."));
    const auto at = [&](int i) { return q.value(i).isNull() ? QString() : q.value(i).toString(); };
    rule = RuleRow{at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7), at(8)};
    return true;
}

// The rule of a keyword, or the default rule 'noprm'; false when there is neither.
bool findRule(InteractiveContext &ctx, const QString &keyword, RuleRow &rule)
{
    OpenLocalDb();
    auto &st = ctx.ruleStatements;
    const auto prepare = [&st] {
        st = std::make_shared<InteractiveContext::RuleStatements>();
        QSqlDatabase db = LocalDb();
        st->byKeyword = QSqlQuery(db);
        st->byDefault = QSqlQuery(db);
        for (QSqlQuery *q : {&st->byKeyword, &st->byDefault}) q->setForwardOnly(true);
        if (!st->byKeyword.prepare(QStringLiteral("SELECT * FROM tbl_int_parametre WHERE parametre=?")))
            throw OrvekError(st->byKeyword.lastError().text());
        if (!st->byDefault.prepare(QStringLiteral("SELECT * FROM tbl_int_parametre WHERE parametre = 'noprm'")))
            throw OrvekError(st->byDefault.lastError().text());
        st->prepared = true;
    };
    if (!st || !st->prepared) prepare();
    const auto read = [&](QSqlQuery &q, const QVariantList &binds) {
        const auto run = [&] {
            for (int i = 0; i < binds.size(); ++i) q.bindValue(i, binds.at(i));
            return q.exec();
        };
        // A statement of a connection opened again since it was prepared: prepare anew.
        if (!run()) {
            const bool byKeyword = &q == &st->byKeyword;
            prepare();
            QSqlQuery &again = byKeyword ? st->byKeyword : st->byDefault;
            for (int i = 0; i < binds.size(); ++i) again.bindValue(i, binds.at(i));
            if (!again.exec()) throw OrvekError(again.lastError().text());
            return readRule(again, rule);
        }
        return readRule(q, rule);
    };
    if (read(st->byKeyword, {KeywordUpper(keyword)})) return true;
    return read(st->byDefault, {});
}

} // namespace

// --- Pure pieces ----------------------------------------------------------------------

QString DoubleApostrophe(const QString &sbr)
{
    QString out = sbr;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return out;
}

QString CrLfToBlank(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return out;
}

QString TarihAyraci(const QString &Tarih)
{
    return Tarih.mid(0, 2) + QLatin1Char('.') + Tarih.mid(2, 2) + QLatin1Char('.') + Tarih.mid(4, 4);
}

KeywordSplit SplitKeyword(const QString &text)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0) return KeywordSplit{text, QString()};
    return KeywordSplit{trimBlanks(text.left(blank + 1)), trimBlanks(text.mid(blank))};
}

QString MesajHazirla(const QString &gelen, const RecordSet &rsGelen, int row)
{
    static const QString open = QStringLiteral("[##");
    static const QString close = QStringLiteral("##]");
    qsizetype p = gelen.indexOf(open);
    if (p < 0) return gelen;
    QString out = gelen.left(p);
    while (p >= 0) {
        const qsizetype q = gelen.indexOf(close, p + open.size());
        if (q < 0) {
            out += gelen.mid(p); // no closing mark: the rest as typed
            break;
        }
        const QString name = gelen.mid(p + open.size(), q - p - open.size());
        const int field = name.isEmpty() ? -1 : rsGelen.fieldIndex(name);
        if (field >= 0 && row >= 0 && row < rsGelen.rowCount()) {
            const QString value = ValueText(rsGelen.value(row, field));
            if (!value.isEmpty()) {
                const bool dateDigits = name.compare(QLatin1String("DGun"), Qt::CaseInsensitive) == 0 ||
                                        name.compare(QLatin1String("EvYil"), Qt::CaseInsensitive) == 0;
                out += QLatin1Char(' ');
                out += dateDigits ? TarihAyraci(value) : value;
            }
        }
        const qsizetype from = q + close.size();
        p = gelen.indexOf(open, from);
        out += p < 0 ? gelen.mid(from) : gelen.mid(from, p - from);
    }
    return out;
}

QString SingleAnswerText(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1Char('-'));
    out.replace(QLatin1Char('<'), QLatin1Char('['));
    out.replace(QLatin1Char('>'), QLatin1Char(']'));
    return out.left(Gateway::kMessageSize);
}

QString InteractiveErpQuery(const QString &kind)
{
    static const QStringList kinds{QStringLiteral("BakiyeMesaj"), QStringLiteral("ChkMesaj"),
                                   QStringLiteral("GrupMesaj"), QStringLiteral("YetkiliMesaj")};
    return kinds.contains(kind) ? GetErpQuery(kind) : QString();
}

namespace {
// The text of a node and all its descendants, as it stands.
void appendText(const pugi::xml_node &node, std::string &out)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += c.value();
        else if (c.type() == pugi::node_element)
            appendText(c, out);
    }
}

QString nodeText(const pugi::xpath_node &n)
{
    std::string s;
    appendText(n.node(), s);
    return QString::fromStdString(s);
}
} // namespace

namespace {
// The name offsets (just after "<") of the elements still open where a parse stopped: the
// first `end` bytes of `xml` are what the parser read (well-formed so far), so a plain scan
// of tags finds them. A start tag cut off before its ">" counts as open, an end tag cut off
// before its ">" closes nothing.
QSet<ptrdiff_t> OpenElementsAt(const char *xml, size_t end)
{
    QVector<ptrdiff_t> open;
    const auto find = [&](size_t from, const char *what) -> size_t {
        const size_t n = std::strlen(what);
        for (size_t i = from; i + n <= end; ++i)
            if (std::memcmp(xml + i, what, n) == 0) return i;
        return end;
    };
    const auto startsWith = [&](size_t at, const char *what) {
        const size_t n = std::strlen(what);
        return at + n <= end && std::memcmp(xml + at, what, n) == 0;
    };
    size_t i = 0;
    while (i < end) {
        if (xml[i] != '<') {
            ++i;
            continue;
        }
        if (startsWith(i, "<!--")) {
            i = find(i + 4, "-->") + 3;
        } else if (startsWith(i, "<![CDATA[")) {
            i = find(i + 9, "]]>") + 3;
        } else if (startsWith(i, "<?")) {
            i = find(i + 2, "?>") + 2;
        } else if (startsWith(i, "<!")) {
            int depth = 0; // a DOCTYPE's internal subset
            size_t j = i + 2;
            for (; j < end; ++j) {
                if (xml[j] == '[') ++depth;
                if (xml[j] == ']') --depth;
                if (xml[j] == '>' && depth <= 0) break;
            }
            i = j + 1;
        } else if (startsWith(i, "</")) {
            const size_t close = find(i + 2, ">");
            if (close >= end) break; // cut inside the end tag: the element is still open
            if (!open.isEmpty()) open.removeLast();
            i = close + 1;
        } else {
            char quote = 0;
            size_t j = i + 1;
            for (; j < end; ++j) {
                if (quote) {
                    if (xml[j] == quote) quote = 0;
                } else if (xml[j] == '"' || xml[j] == '\'') {
                    quote = xml[j];
                } else if (xml[j] == '>') {
                    break;
                }
            }
            if (j >= end || xml[j - 1] != '/') open.append(ptrdiff_t(i + 1));
            i = j + 1;
        }
    }
    return QSet<ptrdiff_t>(open.begin(), open.end());
}

// One parse of a reply: whole, or the messages whose both elements had ended before the
// parser stopped.
GathwinList ParseList(const QByteArray &utf8)
{
    GathwinList list;
    pugi::xml_document doc;
    // Texts are kept untrimmed, also when they are only blanks.
    const pugi::xml_parse_result parsed = doc.load_buffer(
        utf8.constData(), size_t(utf8.size()), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    list.wellFormed = bool(parsed);
    if (!list.wellFormed) list.error = QString::fromUtf8(parsed.description());
    QSet<ptrdiff_t> open;
    // The parser names the byte it stopped at: the name of an end tag that does not match, or
    // the last byte of a document that ended with elements open (that byte was read).
    if (!list.wellFormed)
        open = OpenElementsAt(utf8.constData(), qBound(size_t(0), size_t(parsed.offset < 0 ? 0 : parsed.offset) + 1,
                                                       size_t(utf8.size())));
    const auto complete = [&](const pugi::xpath_node &n) {
        return list.wellFormed || !open.contains(n.node().offset_debug());
    };
    const pugi::xpath_node_set bodies = doc.select_nodes("//msgbody");
    const pugi::xpath_node_set numbers = doc.select_nodes("//gsmno");
    list.messages.reserve(int(bodies.size()));
    for (size_t i = 0; i < bodies.size(); ++i) {
        if (list.wellFormed) {
            list.messages.append(
                GathwinMessage{i < numbers.size() ? nodeText(numbers[i]) : QString(), nodeText(bodies[i])});
            continue;
        }
        // A message of a broken reply is kept only with both its elements whole.
        if (i >= numbers.size() || !complete(bodies[i]) || !complete(numbers[i])) break;
        list.messages.append(GathwinMessage{nodeText(numbers[i]), nodeText(bodies[i])});
    }
    return list;
}
} // namespace

GathwinList ParseGathwinList(const QString &reply)
{
    GathwinList list = ParseList(reply.toUtf8());
    if (list.wellFormed || !reply.contains(QChar(0))) return list;
    // A NUL character ends the parser's reading; without it the rest of the list may read.
    QString withoutNul = reply;
    withoutNul.remove(QChar(0));
    GathwinList again = ParseList(withoutNul.toUtf8());
    if (again.wellFormed || again.messages.size() > list.messages.size()) {
        list.messages = std::move(again.messages);
        list.nulDropped = true;
    }
    return list;
}

// --- The cycle --------------------------------------------------------------------------

InteractiveContext InteractiveContextFromSettings(Gateway &gateway)
{
    InteractiveContext ctx;
    ctx.gateway = &gateway;
    ctx.gatewayKind = gGatewayKind;
    ctx.userName = gUserName;
    ctx.password = gPassword;
    ctx.ckey = gCkey;
    ctx.runErpQuery = RunErpQueryReconnectOnce;
    ctx.runLocalWrite = RunLocalTransaction;
    return ctx;
}

bool RunLocalTransaction(const std::function<void(QSqlDatabase &)> &work, QString &error)
{
    try {
        InLocalTransaction(work);
        return true;
    } catch (const std::exception &e) {
        error = errorText(e);
        return false;
    }
}

RecordSet ReadQueryRows(QSqlQuery &q)
{
    const QSqlRecord rec = q.record();
    QVector<RecordField> fields;
    for (int i = 0; i < rec.count(); ++i)
        fields.append(RecordField{rec.fieldName(i), QMetaType::Type(rec.field(i).metaType().id()), 0});
    RecordSet rs(fields);
    while (q.next()) {
        RecordRow row(rec.count());
        for (int i = 0; i < rec.count(); ++i) row[i] = q.value(i);
        rs.addRow(std::move(row));
    }
    return rs;
}

RecordSet RunErpQueryReconnectOnce(const QString &sql)
{
    RecordSet rows;
    QString error;
    if (RunErpQueryReconnectingOnce(
            sql, [&](QSqlQuery &q) { rows = ReadQueryRows(q); }, &error) != ErpQueryStatus::Done)
        throw OrvekError(error);
    return rows;
}

AnswerResult TekMesajGonder(InteractiveContext &ctx, const QString &GSMNo, const QString &msg, const QString &msg2,
                            const StoredMessage &gelenid)
{
    Q_UNUSED(msg2); // the answer is tied to the stored message by its id
    return sendAnswer(ctx, GSMNo, SingleAnswerText(msg), QStringLiteral("-1"), gelenid);
}

namespace {

// Where a keyword answer takes its fields from: a row of the rule's ERP result, or none.
struct RuleAnswerRow {
    bool found = false;
    RecordSet oneRow;                // the result of a search by number
    const RecordSet *rows = nullptr; // the result of a search by value (else oneRow)
    int at = 0;
    const RecordSet &result() const { return rows ? *rows : oneRow; }
};

// The rule of the keyword, or the default rule; false when there is none or it could not be
// read.
bool RuleOfKeyword(InteractiveContext &ctx, const QString &keyword, const QString &who, RuleRow &rule)
{
    try {
        return findRule(ctx, keyword, rule);
    } catch (const std::exception &e) {
        logLine(ctx, who + QStringLiteral(": kural okunamadı: ") + errorText(e));
        return false;
    }
}

// By the sender's number: the query narrowed to the contact of that number. False when the
// query failed.
bool SearchByNumber(InteractiveContext &ctx, const RuleRow &rule, const QString &query, const QString &number,
                    const QString &who, RuleAnswerRow &match)
{
    const QString sql = query + QStringLiteral(" AND TYTK.CepTelBKod = ") + number.left(3) +
                        QStringLiteral(" AND TYTK.CepTel = ") + number.right(7);
    try {
        match.oneRow = normalizedRows(ctx.runErpQuery(sql), rule.sorgu_tablosu);
    } catch (const std::exception &e) {
        logLine(ctx, who + QStringLiteral(": ERP sorgusu çalışmadı: ") + errorText(e));
        return false;
    }
    match.found = match.oneRow.rowCount() > 0;
    return true;
}

// The first row whose column `field` holds the number x (-1: none), the column's lookup built
// at its first use in the cycle.
int FirstRowOfNumber(InteractiveContext::ValueSearch &search, const QString &columnKey, int field, double x)
{
    if (!search.byNumber.contains(columnKey)) {
        QHash<double, int> &index = search.byNumber[columnKey];
        for (int r = 0; r < search.rows.rowCount(); ++r) {
            double v = 0;
            if (numberOf(search.rows.value(r, field), v) && !index.contains(v + 0.0)) index.insert(v + 0.0, r);
        }
    }
    return search.byNumber[columnKey].value(x + 0.0, -1);
}

// The first row whose column `field` holds `value` without letter case (-1: none).
int FirstRowOfText(InteractiveContext::ValueSearch &search, const QString &columnKey, int field, const QString &value)
{
    if (!search.byText.contains(columnKey)) {
        QHash<QString, int> &index = search.byText[columnKey];
        for (int r = 0; r < search.rows.rowCount(); ++r) {
            const QVariant v = search.rows.value(r, field);
            if (v.isNull()) continue;
            const QString k = caseless(ValueText(v));
            if (!index.contains(k)) index.insert(k, r);
        }
    }
    return search.byText[columnKey].value(caseless(value), -1);
}

// By the value after the keyword: the kind's whole result, fetched once per cycle, searched
// in the rule's column. False when the search cannot be made.
bool SearchByValue(InteractiveContext &ctx, const RuleRow &rule, const QString &query, const QString &typed,
                   const QString &who, RuleAnswerRow &match)
{
    const QString key = rule.sirket_kod + QLatin1Char('\n') + rule.sorgu_tablosu;
    std::shared_ptr<InteractiveContext::ValueSearch> &search = ctx.valueSearches[key];
    if (!search) {
        search = std::make_shared<InteractiveContext::ValueSearch>();
        try {
            search->rows = normalizedRows(ctx.runErpQuery(query), rule.sorgu_tablosu);
        } catch (const std::exception &e) {
            search->failed = true;
            logLine(ctx, who + QStringLiteral(": ERP sorgusu çalışmadı: ") + errorText(e));
        }
    }
    if (search->failed) return false;
    const QString column = DoubleApostrophe(rule.sorgu_alani);
    const int field = search->rows.fieldIndex(column);
    if (field < 0) {
        logLine(ctx, who + QStringLiteral(": sorgu sütunu bulunamadı: ") + column);
        return false;
    }
    const QString columnKey = search->rows.field(field).name;
    const QString value = trimBlanks(typed);
    int hit = -1;
    if (rule.sorgu_alan_tipi == QStringLiteral("Sayı")) {
        double x = 0;
        if (!numberOf(value, x)) return false;
        hit = FirstRowOfNumber(*search, columnKey, field, x);
    } else {
        hit = FirstRowOfText(*search, columnKey, field, value);
    }
    match.found = hit >= 0;
    match.rows = &search->rows;
    match.at = hit;
    return true;
}

// The ERP search of a company's rule, by its geridonus_tipi. False when the message gets no
// answer.
bool SearchRuleCompany(InteractiveContext &ctx, const RuleRow &rule, const QString &number, const QString &value,
                       const QString &who, RuleAnswerRow &match)
{
    if (!IsPlainCompanyCode(rule.sirket_kod)) {
        logLine(ctx, who + QStringLiteral(": kuralın şirket kodu geçersiz: ") + rule.sirket_kod);
        return false;
    }
    const QString query = InteractiveErpQuery(rule.sorgu_tablosu);
    if (query.isEmpty()) {
        logLine(ctx, who + QStringLiteral(": kuralın sorgu türü bilinmiyor: ") + rule.sorgu_tablosu);
        return false;
    }
    bool numeric = false;
    const double tipi = rule.geridonus_tipi.trimmed().toDouble(&numeric);
    if (!ctx.runErpQuery) return false;
    if (numeric && tipi == 0) return SearchByNumber(ctx, rule, query, number, who, match);
    if (numeric && tipi == 1) return SearchByValue(ctx, rule, query, value, who, match);
    logLine(ctx, who + QStringLiteral(": kuralın geri dönüş tipi geçersiz: ") + rule.geridonus_tipi);
    return false;
}

} // namespace

AnswerResult PrmMesajGonder(InteractiveContext &ctx, const QString &GSMNo, const QString &msg,
                            const StoredMessage &gelenid)
{
    const QString number = NormalizeGsmNumber(GSMNo);
    if (number.isEmpty()) return AnswerResult::NotSent;
    const KeywordSplit split = SplitKeyword(msg);
    const QString who = messageName(gelenid, GSMNo);

    RuleRow rule;
    if (!RuleOfKeyword(ctx, split.keyword, who, rule)) return AnswerResult::NotSent;
    gCompanyCode = rule.sirket_kod;

    RuleAnswerRow match;
    // The default rule belongs to every company: there is no company to search.
    if (rule.sirket_kod != QLatin1String("-1") && !SearchRuleCompany(ctx, rule, number, split.value, who, match))
        return AnswerResult::NotSent;

    QString text;
    if (!match.found) {
        if (rule.flg_kayityok == QLatin1String("0")) return AnswerResult::NotSent;
        text = rule.kayityok_mesaj;
    } else {
        text = MesajHazirla(rule.donus_mesaj, match.result(), match.at);
    }
    return sendAnswer(ctx, GSMNo, NormalizeGsmText(text).left(Gateway::kMessageSize), gCompanyCode, gelenid);
}

namespace {

struct CycleSettings {
    QString user;
    QString password;
    QString mode;   // IntDonusTip
    QString single; // Int1Mesaj
};

// 1-2. The settings. False when the cycle ends here: the service is off, or the local
// database cannot be read (then nothing is fetched: the service would mark the messages
// read and they could not be stored).
bool ReadCycleSettings(const InteractiveContext &ctx, CycleSettings &settings, CycleOutcome &out)
{
    try {
        if (GetParam(QStringLiteral("flg_interaktif")) == QLatin1String("0")) return false;
        const base64 codec;
        const auto decoded = [&codec](const QString &name) {
            const QString stored = GetParam(name);
            try {
                return codec.Decode(stored);
            } catch (const OrvekError &) {
                return QString(); // an empty or broken value: the request carries an empty one
            }
        };
        settings.user = decoded(QStringLiteral("IntKullanici"));
        settings.password = decoded(QStringLiteral("IntParola"));
        settings.mode = GetParam(QStringLiteral("IntDonusTip"));
        settings.single = GetParam(QStringLiteral("Int1Mesaj"));
    } catch (const std::exception &e) {
        out.result = CycleResult::SettingsFailed;
        logLine(ctx, QStringLiteral("Etkileşimli servis ayarları okunamadı: ") + errorText(e));
        return false;
    }
    return true;
}

// A request without a whole reply. When the service began to answer, it may have marked the
// messages read already: the whole messages of the part that came are kept and answered.
void ExchangeNotAnswered(InteractiveContext &ctx, const PostResult &posted, const CycleSettings &settings,
                         CycleOutcome &out)
{
    out.result = CycleResult::ExchangeFailed;
    out.reply = HttpPoster::failure();
    if (posted.outcome == PostOutcome::SentNoAnswer && !posted.body.isEmpty()) {
        const QString part = HttpPoster::decodeBody(posted.body, posted.charset);
        const GathwinList list = ParseGathwinList(part);
        out.result = CycleResult::Incomplete;
        out.rawFile = keepRawReply(ctx, posted.body);
        logLine(ctx, QStringLiteral("Etkileşimli servisin yanıtı yarıda kaldı (%1; %2 bayt geldi): %3 tam mesaj "
                                    "saklanıyor; gelen kısım ")
                             .arg(posted.stopped ? QStringLiteral("durdurma isteği") : posted.error)
                             .arg(posted.body.size())
                             .arg(list.messages.size()) +
                         rawFileForLog(out.rawFile));
        keepAndAnswer(ctx, list.messages, settings.mode, settings.single, out);
        return;
    }
    QString why;
    if (posted.outcome == PostOutcome::SentNoAnswer)
        why = posted.stopped ? QStringLiteral(" (istek gitti, durdurma isteğiyle kesildi; yanıt gelmedi)")
                             : QStringLiteral(" (istek gitti, yanıt gelmedi: ") + posted.error + QLatin1Char(')');
    logLine(ctx, QStringLiteral("Etkileşimli servise ulaşılamadı.") + why);
}

// 5. "err...": the service is switched off until the settings are saved again.
void SwitchServiceOff(const InteractiveContext &ctx, const QString &reply, CycleOutcome &out)
{
    out.result = CycleResult::ServiceError;
    try {
        SetParam(QStringLiteral("flg_interaktif"), QStringLiteral("0"));
        logLine(ctx, QStringLiteral("Etkileşimli servis yanıtı ") + serviceReplyForLog(reply) +
                         QStringLiteral(": etkileşimli servis kapatıldı."));
    } catch (const std::exception &e) {
        logLine(ctx, QStringLiteral("Etkileşimli servis yanıtı ") + serviceReplyForLog(reply) +
                         QStringLiteral("; servis kapatılamadı: ") + errorText(e));
    }
}

// 7. The list: its messages kept and answered.
void KeepList(InteractiveContext &ctx, const PostResult &posted, const CycleSettings &settings, CycleOutcome &out)
{
    const QString &reply = posted.reply;
    const GathwinList list = ParseGathwinList(reply);
    if (!list.wellFormed) {
        if (!mayHoldMessages(reply)) {
            out.result = CycleResult::Unreadable;
            logLine(ctx, QStringLiteral("Etkileşimli servis yanıtı okunamadı (") + list.error +
                             QStringLiteral("), hiçbir mesaj saklanmadı. Yanıt: ") + serviceReplyForLog(reply));
            return;
        }
        // A list that does not read whole: its whole messages are kept as usual, the reply
        // itself beside the database for whoever recovers the rest.
        out.result = CycleResult::Incomplete;
        out.rawFile = keepRawReply(ctx, posted.body);
        logLine(ctx, QStringLiteral("Etkileşimli servis yanıtı tam okunamadı (%1%2): %3 tam mesaj saklanıyor; yanıtın "
                                    "kendisi ")
                             .arg(list.error, list.nulDropped ? QStringLiteral("; NUL karakterleri atıldı") : QString())
                             .arg(list.messages.size()) +
                         rawFileForLog(out.rawFile));
        keepAndAnswer(ctx, list.messages, settings.mode, settings.single, out);
        return;
    }
    out.result = CycleResult::Fetched;
    keepAndAnswer(ctx, list.messages, settings.mode, settings.single, out);
}

// The ERP results and rule lookups of one run of answers, dropped at its start and end.
struct CycleCaches {
    InteractiveContext &ctx;
    explicit CycleCaches(InteractiveContext &c) : ctx(c) { clear(); }
    ~CycleCaches() { clear(); }
    CycleCaches(const CycleCaches &) = delete;
    CycleCaches &operator=(const CycleCaches &) = delete;
    void clear() const
    {
        ctx.valueSearches.clear();
        ctx.ruleStatements.reset();
    }
};

} // namespace

CycleOutcome InteractiveStart(InteractiveContext &ctx)
{
    CycleOutcome out;
    const CycleCaches caches(ctx);

    // 1-2. The settings.
    CycleSettings settings;
    if (!ReadCycleSettings(ctx, settings, out)) return out;

    // 3-4. The request.
    if (stopped(ctx)) {
        out.result = CycleResult::Stopped;
        return out;
    }
    const PostResult posted = HttpPoster::exchange(
        KovasetGathwinAddress(), GathwinRequest(settings.user, settings.password, QStringLiteral("REC UNREAD")));
    if (posted.outcome != PostOutcome::Answered) {
        ExchangeNotAnswered(ctx, posted, settings, out);
        return out;
    }
    const QString &reply = posted.reply;
    out.reply = reply;

    // 5. "err...": the service is switched off.
    if (reply.startsWith(QLatin1String("err"))) {
        SwitchServiceOff(ctx, reply, out);
        return out;
    }
    // 6. No new messages.
    if (reply == QLatin1String("ok 08")) {
        out.result = CycleResult::NoMessages;
        return out;
    }
    // 7. The list.
    KeepList(ctx, posted, settings, out);
    return out;
}

namespace {
// Answers the messages in order by the mode ("1" the single text, "2" the keyword rules, else
// none); a stop ends the answers there.
void answerMessages(InteractiveContext &ctx, const QVector<GathwinMessage> &messages,
                    const QVector<StoredMessage> &stored, const QString &mode, const QString &single,
                    CycleOutcome &out)
{
    if (mode != QLatin1String("1") && mode != QLatin1String("2")) return;
    for (int i = 0; i < messages.size(); ++i) {
        const GathwinMessage &m = messages.at(i);
        if (NormalizeGsmNumber(m.gsmno).isEmpty()) continue;
        AnswerResult r = AnswerResult::NotSent;
        if (!stopped(ctx)) {
            try {
                r = mode == QLatin1String("1") ? TekMesajGonder(ctx, m.gsmno, single, m.msgbody, stored.at(i))
                                               : PrmMesajGonder(ctx, m.gsmno, m.msgbody, stored.at(i));
            } catch (const std::exception &e) {
                logLine(ctx, messageName(stored.at(i), m.gsmno) + QStringLiteral(": yanıtlanamadı: ") + errorText(e));
            }
        } else {
            r = AnswerResult::Stopped;
        }
        if (r == AnswerResult::Stopped) {
            // The messages stay stored; the next start answers them.
            out.stopped = true;
            logLine(ctx,
                    QStringLiteral("Durdurma isteği: %1 gelen mesaj saklandı, yanıtlanmadı.").arg(messages.size() - i));
            return;
        }
        if (r == AnswerResult::Accepted || r == AnswerResult::Journaled || r == AnswerResult::AcceptedNotLogged)
            ++out.accepted;
        if (r == AnswerResult::Refused) ++out.refused;
    }
}

void keepAndAnswer(InteractiveContext &ctx, const QVector<GathwinMessage> &messages, const QString &mode,
                   const QString &single, CycleOutcome &out)
{
    out.fetched = int(messages.size());
    if (messages.isEmpty()) return;

    // The service has marked these messages read: a store that fails puts them in the journal,
    // which the next start of either program writes into the inbox.
    const QVector<JournalRow> rows = inboxRows(messages, nowOf(ctx));
    QVector<qint64> ids;
    QVector<StoredMessage> stored(messages.size());
    QString storeError;
    if (storeMessages(ctx, rows, ids, storeError)) {
        out.stored = int(ids.size());
        for (int i = 0; i < ids.size() && i < stored.size(); ++i) stored[i].id = ids.at(i);
    } else {
        const QString failed = QStringLiteral("Gelen %1 mesaj saklanamadı (").arg(messages.size()) + storeError;
        if (AppendAcceptedWriteJournal(rows)) {
            // The answers name the messages by their journal keys.
            for (int i = 0; i < rows.size(); ++i) stored[i].journalKey = rows.at(i).key;
            logLine(ctx, failed + QStringLiteral("); günlüğe alındı, program yeniden başladığında yazılacak."));
        } else {
            logLine(ctx, failed + QStringLiteral("); günlüğe de yazılamadı."));
            for (const GathwinMessage &m : messages) logLine(ctx, QStringLiteral("Saklanamayan mesaj: ") + m.gsmno);
        }
    }

    if (ctx.userName.isEmpty()) {
        logLine(ctx, QStringLiteral("Ağ geçidi kullanıcısı yok: %1 gelen mesaj yanıtlanmadı.").arg(messages.size()));
        return;
    }
    answerMessages(ctx, messages, stored, mode, single, out);
}

// The stored messages of the last 24 hours, in arrival order, with neither an answer row nor
// a record of an answer that may have gone out; only the first `limit` when it is above 0.
void readLeftMessages(const QDateTime &now, QVector<GathwinMessage> &messages, QVector<StoredMessage> &stored,
                      int limit = 0)
{
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    const bool recorded = SqlTableExists(db, kAnsweredTable);
    QString sql = QStringLiteral("SELECT id, gsmno, msg FROM tbl_int_msgbox m WHERE tarih >= ? AND NOT EXISTS "
                                 "(SELECT 1 FROM tbl_int_donus d WHERE d.gelenid = m.id)");
    if (recorded) sql += QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM %1 y WHERE y.gelenid = m.id)").arg(kAnsweredTable);
    sql += QStringLiteral(" ORDER BY tarih, id");
    if (limit > 0) sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery q = SqlExec(db, sql, {ToIsoText(now.addDays(-1))});
    while (q.next()) {
        stored.append(StoredMessage{q.value(0).toLongLong(), QString()});
        messages.append(GathwinMessage{q.value(1).toString(), q.value(2).toString()});
    }
    if (q.lastError().isValid()) throw OrvekError(q.lastError().text());
}
} // namespace

bool LeftMessagesWaiting(const QDateTime &now)
{
    try {
        if (GetParam(QStringLiteral("flg_interaktif")) == QLatin1String("0")) return false;
        const QString mode = GetParam(QStringLiteral("IntDonusTip"));
        if (mode != QLatin1String("1") && mode != QLatin1String("2")) return false;
        QVector<GathwinMessage> messages;
        QVector<StoredMessage> stored;
        readLeftMessages(now, messages, stored, 1);
        return !messages.isEmpty();
    } catch (const std::exception &) {
        return false;
    }
}

CycleOutcome AnswerLeftMessages(InteractiveContext &ctx)
{
    CycleOutcome out;
    const CycleCaches caches(ctx);

    CycleSettings settings;
    if (!ReadCycleSettings(ctx, settings, out)) return out;
    out.result = CycleResult::Fetched;
    if (ctx.userName.isEmpty() || (settings.mode != QLatin1String("1") && settings.mode != QLatin1String("2")))
        return out;
    QVector<GathwinMessage> messages;
    QVector<StoredMessage> stored;
    try {
        readLeftMessages(nowOf(ctx), messages, stored);
    } catch (const std::exception &e) {
        logLine(ctx, QStringLiteral("Yanıtlanmamış mesajlar okunamadı: ") + errorText(e));
        return out;
    }
    out.fetched = out.stored = int(messages.size());
    if (messages.isEmpty()) return out;
    logLine(ctx, QStringLiteral("Yanıtlanmamış %1 gelen mesaj yanıtlanıyor.").arg(messages.size()));
    answerMessages(ctx, messages, stored, settings.mode, settings.single, out);
    return out;
}
