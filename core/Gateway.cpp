#include "core/Gateway.h"

#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/HttpPoster.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/XmlText.h"

#include <QStringView>

#include <algorithm>
#include <cstring>

namespace {

QString &hostedAddressOverride()
{
    static QString url;
    return url;
}

} // namespace

QString HostedGatewayAddress()
{
    const QString &o = hostedAddressOverride();
    return o.isEmpty() ? QString::fromUtf8(ServiceAddresses::kGatewayUrl) : o;
}

void SetHostedGatewayAddress(const QString &url) { hostedAddressOverride() = url; }

Gateway::Gateway()
{
    Storage &spare = spareStorage();
    if (spare.capacity() > 0) std::swap(m_basket, spare);
}

Gateway::~Gateway()
{
    // Only the larger storage is kept: one thread's spare is that of its longest basket.
    Storage &spare = spareStorage();
    if (m_basket.capacity() > spare.capacity()) {
        m_basket.clear();
        std::swap(m_basket, spare);
    }
}

Gateway::Storage &Gateway::spareStorage()
{
    thread_local Storage spare;
    return spare;
}

void Gateway::Storage::clear()
{
    owners.clear();
    texts.clear();
    numbers.clear();
    asGsmText.clear();
}

const RecordSet &Gateway::SmsBasket() const
{
    if (m_viewStale) {
        RecordSet rows;
        rows.appendField(QStringLiteral("MSG"), QMetaType::QString, kMessageSize);
        rows.appendField(QStringLiteral("GSM"), QMetaType::QString, kNumberSize);
        rows.reserve(basketCount());
        for (size_t i = 0; i < m_basket.texts.size(); ++i) {
            const QString text = view(m_basket.texts[i]).toString();
            rows.addRow(
                RecordRow{m_basket.asGsmText[i] ? NormalizeGsmText(text) : text, view(m_basket.numbers[i]).toString()});
        }
        m_basketView = std::move(rows);
        m_viewStale = false;
    }
    return m_basketView;
}

QString Gateway::url() const { return m_url ? *m_url : gGatewayUrl; }

bool Gateway::exchange(const QString &request, QString &reply) const
{
    PostResult r = HttpPoster::exchangeUtf8(url(), request.toUtf8());
    m_lastOutcome = r.outcome;
    if (r.outcome != PostOutcome::Answered) return false;
    reply = std::move(r.reply);
    return true;
}

QString Gateway::postRequest(const QString &request) const
{
    QString reply;
    return exchange(request, reply) ? reply : HttpPoster::failure();
}

QString Gateway::GetInfo(const QString &UserName, const QString &Password)
{
    return postRequest(GatewayReportRequest(UserName, Password, QStringLiteral("4")));
}

void Gateway::clearsmsbasket()
{
    m_basket.clear();
    m_basketView = RecordSet();
    m_viewStale = true;
}

void Gateway::reserveBasket(int rows)
{
    m_basket.texts.reserve(size_t(rows));
    m_basket.numbers.reserve(size_t(rows));
    m_basket.asGsmText.reserve(size_t(rows));
}

namespace {
// The limits of the basket's fields, checked in field order as a record set checks them.
void checkBasketField(qsizetype size, const char *field, int limit)
{
    if (size > limit)
        throw OrvekError(
            QStringLiteral("%1 alanına en çok %2 karakter yazılabilir.").arg(QString::fromLatin1(field)).arg(limit));
}
} // namespace

void Gateway::addtosmsbasket(const QString &MsgBody, const QString &GSMNo)
{
    checkBasketField(MsgBody.size(), "MSG", kMessageSize);
    checkBasketField(GSMNo.size(), "GSM", kNumberSize);
    putInBasket(MsgBody, GSMNo, false);
}

void Gateway::addToBasketAsGsmText(const QString &text, const QString &GSMNo)
{
    // Folding never lengthens a text; a longer one is folded here to be measured.
    if (text.size() > kMessageSize) {
        addtosmsbasket(NormalizeGsmText(text), GSMNo);
        return;
    }
    checkBasketField(GSMNo.size(), "GSM", kNumberSize);
    putInBasket(text, GSMNo, true);
}

Gateway::Held Gateway::hold(const QString &value)
{
    // A value from the characters of the string held last (the next text of the same block)
    // needs no entry of its own.
    const auto *data = reinterpret_cast<const char16_t *>(value.constData());
    if (m_basket.owners.empty() || !(value.isSharedWith(m_basket.owners.back()) ||
                                     data == reinterpret_cast<const char16_t *>(m_basket.owners.back().constData())))
        m_basket.owners.push_back(value);
    return Held{data, quint32(value.size())};
}

void Gateway::putInBasket(const QString &text, const QString &number, bool asGsmText)
{
    // Both values are held before the row counts, so a failure leaves no half row.
    const Held t = hold(text);
    const Held n = hold(number);
    m_basket.texts.push_back(t);
    m_basket.numbers.push_back(n);
    m_basket.asGsmText.push_back(asGsmText);
    m_viewStale = true;
}

namespace {
constexpr char kSendHead1[] = "<MainmsgBody><UserName>";
constexpr char kSendHead2[] = "</UserName><PassWord>";
constexpr char kSendHead3[] = "</PassWord><Action>1</Action><Messages>";
constexpr char kMessageOpen[] = "<Message><Mesgbody>";
constexpr char kMessageMiddle[] = "</Mesgbody><Number>";
constexpr char kMessageClose[] = "</Number></Message>";
constexpr char kSendTail1[] = "</Messages><Originator>";
constexpr char kSendTail2[] = "</Originator><SDate>";
constexpr char kSendTail3[] = "</SDate></MainmsgBody>";

template <size_t N>
char *putLiteral(char *o, const char (&text)[N])
{
    return std::copy(text, text + N - 1, o);
}
// Bytes of the literal parts of the head, of each row and of the tail.
constexpr qsizetype kHeadLiterals = sizeof kSendHead1 + sizeof kSendHead2 + sizeof kSendHead3 - 3;
constexpr qsizetype kRowLiterals = sizeof kMessageOpen + sizeof kMessageMiddle + sizeof kMessageClose - 3;
constexpr qsizetype kTailLiterals = sizeof kSendTail1 + sizeof kSendTail2 + sizeof kSendTail3 - 3;

// A value's bytes of the send request, and their count: as it is, or folded.
char *putValue(char *o, QStringView value, bool asGsmText)
{
    return asGsmText ? WriteGsmTextAsXmlUtf8(o, value) : WriteXmlTextAsUtf8(o, value);
}
qsizetype valueBytes(QStringView value, bool asGsmText)
{
    return asGsmText ? GsmTextXmlUtf8Size(value) : XmlUtf8Size(value);
}
} // namespace

// The send request of the basket, written piece by piece as the poster asks for its bytes:
// the head, one piece per row, the tail. A piece that does not fit into the room asked for
// goes through a small buffer of its own.
class Gateway::SendRequest {
public:
    SendRequest(const Gateway &basket, const QString &user, const QString &password, const QString &originator,
                const QString &sdate)
        : m_rows(basket.m_basket), m_user(user), m_password(password), m_originator(originator), m_sdate(sdate),
          m_pieces(qsizetype(m_rows.texts.size()) + 2)
    {}

    // The exact length of the request, counted without writing it.
    qsizetype size() const
    {
        qsizetype n = kHeadLiterals + kTailLiterals + XmlUtf8Size(m_user) + XmlUtf8Size(m_password) +
                      XmlUtf8Size(m_originator) + XmlUtf8Size(m_sdate);
        const qsizetype rows = m_pieces - 2;
        n += rows * kRowLiterals;
        for (qsizetype i = 0; i < rows; ++i)
            n += valueBytes(view(m_rows.texts[size_t(i)]), m_rows.asGsmText[size_t(i)]) +
                 valueBytes(view(m_rows.numbers[size_t(i)]), false);
        return n;
    }

    // The next bytes, at most `room` of them.
    size_t write(char *to, size_t room)
    {
        size_t n = 0;
        while (n < room) {
            if (m_stageAt < m_stageEnd) {
                const size_t part = std::min(room - n, size_t(m_stageEnd - m_stageAt));
                std::memcpy(to + n, m_stage.data() + m_stageAt, part);
                m_stageAt += qsizetype(part);
                n += part;
                continue;
            }
            if (m_next == m_pieces) break;
            const qsizetype bound = pieceRoom(m_next);
            if (qsizetype(room - n) >= bound) {
                n += size_t(putPiece(m_next++, to + n) - (to + n));
                continue;
            }
            if (m_stage.size() < size_t(bound)) m_stage.resize(size_t(bound));
            m_stageEnd = putPiece(m_next++, m_stage.data()) - m_stage.data();
            m_stageAt = 0;
        }
        return n;
    }

private:
    // The most bytes piece k can take, and the piece itself.
    qsizetype pieceRoom(qsizetype k) const
    {
        if (k == 0) return kHeadLiterals + kXmlUtf8Room * (m_user.size() + m_password.size());
        if (k == m_pieces - 1) return kTailLiterals + kXmlUtf8Room * (m_originator.size() + m_sdate.size());
        const size_t i = size_t(k - 1);
        return kRowLiterals + kXmlUtf8Room * qsizetype(m_rows.texts[i].length + m_rows.numbers[i].length);
    }
    char *putPiece(qsizetype k, char *o) const
    {
        if (k == 0) {
            o = putLiteral(o, kSendHead1);
            o = WriteXmlTextAsUtf8(o, m_user);
            o = putLiteral(o, kSendHead2);
            o = WriteXmlTextAsUtf8(o, m_password);
            return putLiteral(o, kSendHead3);
        }
        if (k == m_pieces - 1) {
            o = putLiteral(o, kSendTail1);
            o = WriteXmlTextAsUtf8(o, m_originator);
            o = putLiteral(o, kSendTail2);
            o = WriteXmlTextAsUtf8(o, m_sdate);
            return putLiteral(o, kSendTail3);
        }
        const size_t i = size_t(k - 1);
        o = putLiteral(o, kMessageOpen);
        o = putValue(o, view(m_rows.texts[i]), m_rows.asGsmText[i]);
        o = putLiteral(o, kMessageMiddle);
        o = WriteXmlTextAsUtf8(o, view(m_rows.numbers[i]));
        return putLiteral(o, kMessageClose);
    }

    const Storage &m_rows;
    const QString &m_user, &m_password, &m_originator, &m_sdate;
    const qsizetype m_pieces;
    qsizetype m_next = 0;
    std::vector<char> m_stage;
    qsizetype m_stageAt = 0, m_stageEnd = 0;
};

QString Gateway::sendsms(const QString &UserName, const QString &Password, const QString &Originator,
                         const QString &SDate)
{
    if (basketCount() == 0) {
        m_lastOutcome = PostOutcome::NotSent;
        return QStringLiteral("-2");
    }
    // The request goes out as UTF-8, written straight into the poster's buffer as it is sent:
    // no text of the request's size is ever made.
    SendRequest request(*this, UserName, Password, Originator, SDate);
    PostResult r = HttpPoster::exchangeWritten(url(), request.size(),
                                               [&request](char *to, size_t room) { return request.write(to, room); });
    m_lastOutcome = r.outcome;
    if (r.outcome != PostOutcome::Answered) return HttpPoster::failure();
    clearsmsbasket();
    return std::move(r.reply);
}

QString Gateway::getmsgstatus(const QString &UserName, const QString &Password, const QString &MSGID)
{
    return postRequest(
        GatewayReportRequest(UserName, Password, QStringLiteral("11"), GatewayElement(QStringLiteral("MsgID"), MSGID)));
}

QString Gateway::getmsgstatusundelivered(const QString &UserName, const QString &Password, const QString &MSGID)
{
    return postRequest(
        GatewayReportRequest(UserName, Password, QStringLiteral("9"), GatewayElement(QStringLiteral("MsgID"), MSGID)));
}

QString Gateway::getmsgstatustodate(const QString &UserName, const QString &Password, const QString &FDate,
                                    const QString &LDate)
{
    return postRequest(GatewayReportRequest(UserName, Password, QStringLiteral("17"),
                                            GatewayElement(QStringLiteral("FDate"), FDate) +
                                                GatewayElement(QStringLiteral("LDate"), LDate)));
}

QString Gateway::about() const
{
    return QStringLiteral("Orvek Talvane SMS Gateway istemcisi, sürüm 1.0\r\n"
                          "Tüm hakları saklıdır.\r\n"
                          "Geliştiren: Orvek Talvane yazılım ekibi\r\n"
                          "İletişim: destek@talvane.example");
}

QString Gateway::GetSystemTime(const QString &UserName, const QString &Password)
{
    return postRequest(GatewayReportRequest(UserName, Password, QStringLiteral("12")));
}

QString GatewayElement(const QString &name, const QString &value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + DropXmlForbiddenCharacters(value) + QStringLiteral("</") +
           name + QLatin1Char('>');
}

QString GatewayReportRequest(const QString &user, const QString &password, const QString &action,
                             const QString &elements)
{
    return QStringLiteral("<MainReportRoot><UserName>") + DropXmlForbiddenCharacters(user) +
           QStringLiteral("</UserName><PassWord>") + DropXmlForbiddenCharacters(password) +
           QStringLiteral("</PassWord><Action>") + DropXmlForbiddenCharacters(action) + QStringLiteral("</Action>") +
           DropXmlForbiddenCharacters(elements) + QStringLiteral("</MainReportRoot>");
}

QString GatewayUserName(GatewayKind kind, const QString &user, const QString &ckey)
{
    if (kind == GatewayKind::Brenvik) return user + QLatin1Char('-') + ckey;
    return user;
}

QString GatewayUserName() { return GatewayUserName(gGatewayKind, gUserName, gCkey); }

QString GatewayErrorCodeList() { return QStringLiteral("-2,-1,01,02,03,04,05,06,07,08,09,10,11,12,13"); }

bool IsGatewayErrorCode(const QString &reply) { return GatewayErrorCodeList().contains(reply); }

bool IsWholeGatewayCode(const QString &reply)
{
    return !reply.isEmpty() && GatewayErrorCodeList().split(QLatin1Char(',')).contains(reply);
}

QString GatewayUnreachableText()
{
    return QStringLiteral("internet bağlantınızdaki bir sorun nedeniyle mesaj merkezine ulaşılamıyor.\r\n"
                          "İnternet bağlantınız, kapalı ya da bir güvenlik uygulaması denetiminde olabilir.\r\n"
                          "Lütfen internet bağlantınızı kontrol ediniz.");
}

namespace {

// Calls f(line) for every line ended by a line feed, with a CR before the feed removed.
template <typename F>
void forEachEndedLine(QStringView text, F f)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), from);
        if (lf < 0) return;
        QStringView line = text.mid(from, lf - from);
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        f(line);
        from = lf + 1;
    }
}

} // namespace

GatewayInfo ParseGetInfoReply(const QString &reply)
{
    GatewayInfo info;
    const qsizetype lf = reply.indexOf(QLatin1Char('\n'));
    if (lf < 0) {
        info.credit = reply;
        return info;
    }
    QStringView credit = QStringView(reply).left(lf);
    if (credit.endsWith(QLatin1Char('\r'))) credit.chop(1);
    info.credit = credit.toString();
    forEachEndedLine(QStringView(reply).mid(lf + 1), [&](QStringView line) {
        if (!line.trimmed().isEmpty()) info.originators << line.toString();
    });
    return info;
}

GatewaySendReply ParseSendReply(const QString &reply)
{
    GatewaySendReply r;
    if (reply == QLatin1String("-1")) {
        r.kind = GatewayReplyKind::NoConnection;
        return r;
    }
    if (reply == QLatin1String("04") || reply == QLatin1String("05")) {
        r.kind = GatewayReplyKind::Blocked;
        return r;
    }
    if (!reply.startsWith(QLatin1String("ID"))) return r;
    r.accepted = true;
    r.kind = GatewayReplyKind::Accepted;
    r.messageId = reply.mid(3).trimmed();
    return r;
}

QVector<GatewayStatusLine> ParseStatusReply(const QString &reply)
{
    QVector<GatewayStatusLine> rows;
    rows.reserve(reply.count(QLatin1Char('\n')));
    forEachEndedLine(QStringView(reply), [&](QStringView line) {
        if (line.size() < 12) return;
        rows.append(GatewayStatusLine{line.mid(line.size() - 12, 10).toString(), line.back()});
    });
    return rows;
}
