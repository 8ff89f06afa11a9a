#include "core/Gateway.h"

#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/HttpPoster.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/XmlText.h"

#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>

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

Gateway::Gateway() = default;

const RecordSet &Gateway::SmsBasket() const
{
    if (m_viewStale) {
        RecordSet view;
        view.appendField(QStringLiteral("MSG"), QMetaType::QString, kMessageSize);
        view.appendField(QStringLiteral("GSM"), QMetaType::QString, kNumberSize);
        view.reserve(basketCount());
        for (qsizetype i = 0; i < m_texts.size(); ++i)
            view.addRow(RecordRow{m_asGsmText[size_t(i)] ? NormalizeGsmText(m_texts[i]) : m_texts[i], m_numbers[i]});
        m_basketView = std::move(view);
        m_viewStale = false;
    }
    return m_basketView;
}

QString Gateway::url() const { return m_url ? *m_url : gGatewayUrl; }

bool Gateway::exchange(const QString &request, QString &reply) const { return exchange(request.toUtf8(), reply); }

bool Gateway::exchange(const QByteArray &utf8Request, QString &reply) const
{
    PostResult r = HttpPoster::exchangeUtf8(url(), utf8Request);
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
    m_texts.clear();
    m_numbers.clear();
    m_asGsmText.clear();
    m_basketUnits = 0;
    m_basketView = RecordSet();
    m_viewStale = true;
}

namespace {
// The limits of the basket's fields, checked in field order as a record set checks them.
void checkBasketField(qsizetype size, const char *field, int limit)
{
    if (size > limit)
        throw OrvekError(
            QStringLiteral("%1 alanına en çok %2 karakter yazılabilir.").arg(QString::fromLatin1(field)).arg(limit));
}

// The text of a basket row as it goes out: folded into `room` when it was added as a GSM text.
QStringView outgoingText(const QString &text, bool asGsmText, QVarLengthArray<char16_t, 256> &room)
{
    if (!asGsmText) return text;
    room.resize(text.size());
    return QStringView(room.data(), NormalizeGsmTextInto(text, room.data()));
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

void Gateway::putInBasket(const QString &text, const QString &number, bool asGsmText)
{
    m_texts.append(text);
    m_numbers.append(number);
    m_asGsmText.push_back(asGsmText);
    m_basketUnits += text.size() + number.size();
    m_viewStale = true;
}

QString Gateway::sendsms(const QString &UserName, const QString &Password, const QString &Originator,
                         const QString &SDate)
{
    const int rows = basketCount();
    if (rows == 0) {
        m_lastOutcome = PostOutcome::NotSent;
        return QStringLiteral("-2");
    }

    static constexpr char head1[] = "<MainmsgBody><UserName>";
    static constexpr char head2[] = "</UserName><PassWord>";
    static constexpr char head3[] = "</PassWord><Action>1</Action><Messages>";
    static constexpr char messageOpen[] = "<Message><Mesgbody>";
    static constexpr char messageMiddle[] = "</Mesgbody><Number>";
    static constexpr char messageClose[] = "</Number></Message>";
    static constexpr char tail1[] = "</Messages><Originator>";
    static constexpr char tail2[] = "</Originator><SDate>";
    static constexpr char tail3[] = "</SDate></MainmsgBody>";
    const auto literal = [](char *o, const auto &text) { return std::copy(text, text + sizeof(text) - 1, o); };

    // The request goes out as UTF-8: it is written as those bytes at once into room made for
    // the longest it can be, in one pass over the rows, with no text of twice its size on the
    // way.
    const qsizetype units = UserName.size() + Password.size() + Originator.size() + SDate.size() + m_basketUnits;
    const qsizetype fixed =
        qsizetype(sizeof head1 + sizeof head2 + sizeof head3 + sizeof tail1 + sizeof tail2 + sizeof tail3) +
        qsizetype(rows) * qsizetype(sizeof messageOpen + sizeof messageMiddle + sizeof messageClose);
    QByteArray request(fixed + kXmlUtf8Room * units, Qt::Uninitialized);
    char *o = request.data();
    o = literal(o, head1);
    o = WriteXmlTextAsUtf8(o, UserName);
    o = literal(o, head2);
    o = WriteXmlTextAsUtf8(o, Password);
    o = literal(o, head3);
    QVarLengthArray<char16_t, 256> folded;
    for (int i = 0; i < rows; ++i) {
        o = literal(o, messageOpen);
        o = WriteXmlTextAsUtf8(o, outgoingText(m_texts[i], m_asGsmText[size_t(i)], folded));
        o = literal(o, messageMiddle);
        o = WriteXmlTextAsUtf8(o, m_numbers[i]);
        o = literal(o, messageClose);
    }
    o = literal(o, tail1);
    o = WriteXmlTextAsUtf8(o, Originator);
    o = literal(o, tail2);
    o = WriteXmlTextAsUtf8(o, SDate);
    o = literal(o, tail3);
    request.resize(o - request.constData());

    QString reply;
    if (!exchange(request, reply)) return HttpPoster::failure();
    clearsmsbasket();
    return reply;
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
