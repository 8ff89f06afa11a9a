#include "tests/support/FakeGateway.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QXmlStreamReader>

FakeGateway::FakeGateway(quint16 port)
    : m_server(std::make_unique<FakeHttpServer>([this](const FakeRequest &r) { return respond(r); }, port))
{}

FakeGateway::~FakeGateway() { m_server.reset(); }

QString FakeGateway::url() const { return m_server->url(QStringLiteral("/sms/com.strova")); }

void FakeGateway::setReply(const QString &action, const FakeReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_fixed.insert(action, reply);
}

void FakeGateway::queueReply(const QString &action, const FakeReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_queued[action].enqueue(reply);
}

void FakeGateway::clearScript()
{
    QMutexLocker lock(&m_mutex);
    m_queued.clear();
    m_fixed.clear();
}

void FakeGateway::setAnswerDelay(const QString &action, int delayMs)
{
    QMutexLocker lock(&m_mutex);
    if (delayMs > 0)
        m_answerDelays.insert(action, delayMs);
    else
        m_answerDelays.remove(action);
}

void FakeGateway::setStrictXml(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_strictXml = on;
}

int FakeGateway::malformedRequestCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_malformed;
}

void FakeGateway::setAccount(const QString &userName, const QString &password)
{
    QMutexLocker lock(&m_mutex);
    m_user = userName;
    m_password = password;
}

void FakeGateway::setCredit(int credit)
{
    QMutexLocker lock(&m_mutex);
    m_credit = credit;
}

void FakeGateway::setOriginators(const QStringList &names)
{
    QMutexLocker lock(&m_mutex);
    m_originators = names;
}

QStringList FakeGateway::actions() const
{
    QStringList out;
    for (const QString &body : bodies()) out << element(body, QStringLiteral("Action"));
    return out;
}

QString FakeGateway::element(const QString &body, const QString &name)
{
    const QString open = QLatin1Char('<') + name + QLatin1Char('>');
    const qsizetype from = body.indexOf(open);
    if (from < 0) return {};
    const qsizetype start = from + open.size();
    const qsizetype end = body.indexOf(QStringLiteral("</") + name + QLatin1Char('>'), start);
    return end < 0 ? QString() : body.mid(start, end - start);
}

FakeReply FakeGateway::respond(const FakeRequest &request)
{
    // The Action is read from the bytes: a scripted reply needs no text of a long body.
    QString action;
    {
        const qsizetype from = request.body.indexOf("<Action>");
        const qsizetype end = from < 0 ? -1 : request.body.indexOf("</Action>", from + 8);
        if (end >= 0) action = QString::fromUtf8(request.body.mid(from + 8, end - from - 8));
    }
    QMutexLocker lock(&m_mutex);
    if (m_strictXml) {
        // Qt's reader checks every character against XML 1.0 (pugixml does not).
        QXmlStreamReader reader(request.body);
        while (!reader.atEnd()) reader.readNext();
        if (reader.hasError()) {
            ++m_malformed;
            return FakeReply::httpError(400, QStringLiteral("malformed XML"));
        }
    }
    for (const QString &key : {action, QString()}) {
        auto q = m_queued.find(key);
        if (q != m_queued.end() && !q->isEmpty()) return q->dequeue();
    }
    for (const QString &key : {action, QString()}) {
        auto f = m_fixed.constFind(key);
        if (f != m_fixed.constEnd()) return *f;
    }
    if (request.method == "GET") return FakeReply::html(demoPage(QString::fromUtf8(request.path)));
    FakeReply reply = FakeReply::text(simulate(request.text()));
    reply.delayMs = m_answerDelays.value(action, 0);
    return reply;
}

QString FakeGateway::demoPage(const QString &path)
{
    // Which page the program asked for, by its path; the query (an account's values) is not
    // shown back.
    const QString route = path.section(QLatin1Char('?'), 0, 0).toLower();
    QString title = QStringLiteral("Tanıtım sunucusu");
    QString text = QStringLiteral("Bu sayfa, programın tanıtım (demo) kurulumundaki sahte SMS sunucusundan geliyor.");
    if (route.endsWith(QLatin1String("/kontor.asp"))) {
        title = QStringLiteral("Kontör yükleme");
        text = QStringLiteral("Gerçek kurulumda burada SMS operatörünün kontör yükleme sayfası açılır. "
                              "Tanıtım hesabının kontörü her açılışta yeniden dolar.");
    } else if (route.startsWith(QLatin1String("/webtalvane"))) {
        title = QStringLiteral("Web istemcisi");
        text = QStringLiteral("Gerçek kurulumda burada SMS operatörünün web istemcisi açılır. Soldaki ağaçtan "
                              "bir işlem seçerek tanıtım verileriyle mesaj gönderebilirsiniz.");
    } else if (route.startsWith(QLatin1String("/reklam"))) {
        title = QStringLiteral("Duyurular");
        text = QStringLiteral("Gerçek kurulumda bu alanda yayıncının duyuruları görünür.");
    }
    return QStringLiteral("<!DOCTYPE html><html lang=\"tr\"><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>body{font-family:'DejaVu Sans',sans-serif;margin:2em;color:#223}"
                          "h1{font-size:16pt;color:#3b6ea5}p{font-size:10pt;max-width:40em}"
                          ".demo{display:inline-block;background:#fdf1c7;border:1px solid #e0c060;"
                          "padding:.3em .7em;font-size:9pt}</style></head><body>"
                          "<span class=\"demo\">TANITIM</span><h1>Orvek® Talvane – %1</h1><p>%2</p>"
                          "<p>Tanıtım hesabı: <b>demo</b> / <b>demo</b>.</p></body></html>")
        .arg(title, text);
}

QChar FakeGateway::stateOf(int index)
{
    // Mostly delivered, some pending, some timed out, an occasional refusal.
    if (index % 11 == 10) return QLatin1Char('2');
    if (index % 7 == 6) return QLatin1Char('5');
    if (index % 4 == 3) return QLatin1Char('0');
    return QLatin1Char('3');
}

QString FakeGateway::simulate(const QString &body)
{
    const QString action = element(body, QStringLiteral("Action"));
    if (!m_user.isEmpty() && (element(body, QStringLiteral("UserName")) != m_user ||
                              element(body, QStringLiteral("PassWord")) != m_password))
        return QStringLiteral("01");

    if (action == QLatin1String("4")) {
        QString reply = QString::number(m_credit) + QLatin1Char('\n');
        for (const QString &o : m_originators) reply += o + QLatin1Char('\n');
        return reply;
    }
    if (action == QLatin1String("1")) {
        Sending s;
        s.id = QString::number(m_nextId++);
        s.time = QDateTime::currentDateTime();
        s.day = s.time.date();
        // Each message: <Message><Mesgbody>text</Mesgbody><Number>number</Number></Message>.
        const QString textOpen = QStringLiteral("<Mesgbody>");
        const QString textClose = QStringLiteral("</Mesgbody>");
        const QString open = QStringLiteral("<Number>");
        const QString close = QStringLiteral("</Number>");
        qsizetype at = body.indexOf(open);
        qsizetype textAt = body.indexOf(textOpen);
        while (at >= 0) {
            const qsizetype start = at + open.size();
            const qsizetype end = body.indexOf(close, start);
            if (end < 0) break;
            QString text;
            if (textAt >= 0 && textAt < at) {
                const qsizetype textStart = textAt + textOpen.size();
                const qsizetype textEnd = body.indexOf(textClose, textStart);
                if (textEnd >= 0 && textEnd < at) text = body.mid(textStart, textEnd - textStart);
            }
            s.numbers << body.mid(start, end - start);
            s.texts << text;
            at = body.indexOf(open, end);
            textAt = body.indexOf(textOpen, end);
        }
        m_credit -= int(s.numbers.size());
        const QString id = s.id;
        m_sendings.append(std::move(s));
        return QStringLiteral("ID:") + id;
    }
    if (action == QLatin1String("14")) {
        const QString number = element(body, QStringLiteral("GsmNo"));
        const QDate first = QDate::fromString(element(body, QStringLiteral("FDate")), QStringLiteral("yyyy-MM-dd"));
        const QDate last = QDate::fromString(element(body, QStringLiteral("LDate")), QStringLiteral("yyyy-MM-dd"));
        QString reply;
        for (const Sending &s : m_sendings) {
            if (!first.isValid() || !last.isValid() || s.day < first || s.day > last) continue;
            if (!s.numbers.contains(number)) continue;
            reply +=
                s.id + QLatin1Char(' ') + s.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) + QLatin1Char('\n');
        }
        return reply.isEmpty() ? QStringLiteral("08") : reply;
    }
    if (action == QLatin1String("15")) {
        const QString number = element(body, QStringLiteral("GsmNo"));
        const QString id = element(body, QStringLiteral("MsgID")).trimmed();
        for (const Sending &s : m_sendings) {
            if (s.id != id) continue;
            const qsizetype i = s.numbers.indexOf(number);
            if (i < 0) break;
            return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><MsgReport><msgbody>") +
                   s.texts.value(i).toHtmlEscaped() + QStringLiteral("</msgbody></MsgReport>");
        }
        return QStringLiteral("08");
    }
    if (action == QLatin1String("11") || action == QLatin1String("9")) {
        const QString id = element(body, QStringLiteral("MsgID")).trimmed();
        QString reply;
        for (const Sending &s : m_sendings) {
            if (s.id != id) continue;
            for (int i = 0; i < s.numbers.size(); ++i) {
                const QChar state = stateOf(i);
                if (action == QLatin1String("9") && state == QLatin1Char('3')) continue;
                reply += s.numbers[i] + QLatin1Char(' ') + state + QLatin1Char('\n');
            }
        }
        return reply;
    }
    if (action == QLatin1String("17")) {
        const QDate first = QDate::fromString(element(body, QStringLiteral("FDate")), QStringLiteral("yyyy-MM-dd"));
        const QDate last = QDate::fromString(element(body, QStringLiteral("LDate")), QStringLiteral("yyyy-MM-dd"));
        if (!first.isValid() || !last.isValid() || last < first) return QStringLiteral("17");
        QString reply;
        for (const Sending &s : m_sendings) {
            if (s.day < first || s.day > last) continue;
            for (int i = 0; i < s.numbers.size(); ++i)
                reply += s.id + QLatin1Char(' ') + s.numbers[i] + QLatin1Char(' ') + stateOf(i) + QLatin1Char('\n');
        }
        return reply.isEmpty() ? QStringLiteral("18") : reply;
    }
    if (action == QLatin1String("12"))
        return QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return QStringLiteral("02");
}
