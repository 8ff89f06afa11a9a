#include "core/Gateway.h"

#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/HttpPoster.h"
#include "core/XmlText.h"

#include <QStringView>

namespace {

const QString kMessageOpen = QStringLiteral("<Message><Mesgbody>");
const QString kMessageMiddle = QStringLiteral("</Mesgbody><Number>");
const QString kMessageClose = QStringLiteral("</Number></Message>");

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

Gateway::Gateway() { CreateBasketFields(); }

void Gateway::CreateBasketFields()
{
    if (m_basket.fieldIndex(QStringLiteral("MSG")) < 0)
        m_basket.appendField(QStringLiteral("MSG"), QMetaType::QString, kMessageSize);
    if (m_basket.fieldIndex(QStringLiteral("GSM")) < 0)
        m_basket.appendField(QStringLiteral("GSM"), QMetaType::QString, kNumberSize);
}

QString Gateway::url() const { return m_url ? *m_url : gGatewayUrl; }

bool Gateway::exchange(const QString &request, QString &reply) const
{
    PostResult r = HttpPoster::exchange(url(), request);
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
    m_basket.clearFilter();
    m_basket.clear();
    CreateBasketFields();
}

void Gateway::addtosmsbasket(const QString &MsgBody, const QString &GSMNo)
{
    m_basket.addRow(RecordRow{MsgBody, GSMNo});
}

QString Gateway::sendsms(const QString &UserName, const QString &Password, const QString &Originator,
                         const QString &SDate)
{
    const int rows = m_basket.rowCount();
    if (rows == 0) {
        m_lastOutcome = PostOutcome::NotSent;
        return QStringLiteral("-2");
    }

    static const QString head1 = QStringLiteral("<MainmsgBody><UserName>");
    static const QString head2 = QStringLiteral("</UserName><PassWord>");
    static const QString head3 = QStringLiteral("</PassWord><Action>1</Action><Messages>");
    static const QString tail1 = QStringLiteral("</Messages><Originator>");
    static const QString tail2 = QStringLiteral("</Originator><SDate>");
    static const QString tail3 = QStringLiteral("</SDate></MainmsgBody>");

    // Size the text once, then append every piece: linear in the number of rows.
    const qsizetype perRow = kMessageOpen.size() + kMessageMiddle.size() + kMessageClose.size();
    qsizetype length = head1.size() + UserName.size() + head2.size() + Password.size() + head3.size() + tail1.size() +
                       Originator.size() + tail2.size() + SDate.size() + tail3.size();
    for (int i = 0; i < rows; ++i) {
        const RecordRow &row = m_basket.row(i);
        length += perRow + row.at(0).toString().size() + row.at(1).toString().size();
    }

    QString request;
    request.reserve(length);
    request += head1;
    request += DropXmlForbiddenCharacters(UserName);
    request += head2;
    request += DropXmlForbiddenCharacters(Password);
    request += head3;
    for (int i = 0; i < rows; ++i) {
        const RecordRow &row = m_basket.row(i);
        request += kMessageOpen;
        request += DropXmlForbiddenCharacters(row.at(0).toString());
        request += kMessageMiddle;
        request += DropXmlForbiddenCharacters(row.at(1).toString());
        request += kMessageClose;
    }
    request += tail1;
    request += DropXmlForbiddenCharacters(Originator);
    request += tail2;
    request += DropXmlForbiddenCharacters(SDate);
    request += tail3;

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
