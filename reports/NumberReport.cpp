#include "reports/NumberReport.h"

#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "core/OrvekError.h"
#include "reports/Reports.h"

#include <pugixml.hpp>

namespace {
const QString kWrongAccount = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kNothingSent = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");

bool isNoConnection(const QString &reply)
{
    return reply == QLatin1String("-1") || reply.startsWith(QLatin1String("<HTML>"));
}

// Every text below a node, in document order.
void collectText(const pugi::xml_node &node, std::string &out)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            out += child.value();
        else if (child.type() == pugi::node_element)
            collectText(child, out);
    }
}
} // namespace

bool IsReportGsmNo(const QString &text)
{
    if (text.size() != 10 || text.at(0) != QLatin1Char('5')) return false;
    for (QChar c : text)
        if (c == QLatin1Char('&') || c == QLatin1Char('<') || c == QLatin1Char('>')) return false;
    return true;
}

QString NumberReportRequest(const QString &login, const QString &password, const QString &gsmNo, const QDate &firstDay,
                            const QDate &lastDay)
{
    return GatewayReportRequest(login, password, QStringLiteral("14"),
                                GatewayElement(QStringLiteral("GsmNo"), gsmNo) +
                                    GatewayElement(QStringLiteral("FDate"), ReportRequestDay(firstDay)) +
                                    GatewayElement(QStringLiteral("LDate"), ReportRequestDay(lastDay)));
}

QString MessageTextRequest(const QString &login, const QString &password, const QString &gsmNo, const QString &msgId)
{
    return GatewayReportRequest(login, password, QStringLiteral("15"),
                                GatewayElement(QStringLiteral("GsmNo"), gsmNo) +
                                    GatewayElement(QStringLiteral("MsgID"), msgId));
}

QString PostReportRequest(const QString &request)
{
    const PostResult r = HttpPoster::exchange(gGatewayUrl, request);
    if (r.outcome != PostOutcome::Answered)
        throw OrvekError(r.error.isEmpty() ? QStringLiteral("Mesaj merkezine bağlanılamadı") : r.error);
    return r.reply;
}

std::optional<ReportCodeBox> JudgeNumberReportReply(const QString &reply)
{
    if (isNoConnection(reply))
        return ReportCodeBox{QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz. Bir Güvenlik Uygulaması "
                                            "Internet Bağlantınızı Denetliyor Olabilir."),
                             PromptIcon::Critical};
    if (reply == QLatin1String("01") || reply == QLatin1String("03") || reply == QLatin1String("04") ||
        reply == QLatin1String("05"))
        return ReportCodeBox{kWrongAccount, PromptIcon::Critical};
    if (reply == QLatin1String("08")) return ReportCodeBox{kNothingSent, PromptIcon::Information};
    return std::nullopt;
}

std::optional<ReportCodeBox> JudgeMessageTextReply(MessageTextTab tab, const QString &reply)
{
    const bool number = tab == MessageTextTab::Number;
    if (isNoConnection(reply))
        return ReportCodeBox{number ? QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz")
                                    : QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\n"
                                                     "İnternet Bağlantınız kapalı ya da bir güvenlik uygulaması "
                                                     "internet bağlantınızı kontrol ediyor olabilir."),
                             PromptIcon::Critical};
    if (reply == QLatin1String("01") || reply == QLatin1String("03") || reply == QLatin1String("05"))
        return ReportCodeBox{kWrongAccount, PromptIcon::Critical};
    if (reply == QLatin1String("04"))
        return ReportCodeBox{number ? kWrongAccount
                                    : QStringLiteral("Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\n"
                                                     "Proxy ya da güvenlik duvarı ayarlarınız programın çalışmasına "
                                                     "izin vermiyor olabilir."),
                             PromptIcon::Critical};
    if (reply == QLatin1String("08")) return ReportCodeBox{kNothingSent, PromptIcon::Information};
    return std::nullopt;
}

NumberReportReader::NumberReportReader(const QString &reply) : m_reply(reply)
{
    m_lineCount = int(m_reply.count(QLatin1Char('\n')));
}

NumberReportReader::Step NumberReportReader::next(QString &messageId, QString &dateText)
{
    if (m_linesRead >= m_lineCount) return Step::End;
    const qsizetype end = m_reply.indexOf(QLatin1Char('\n'), m_pos);
    QStringView line = QStringView(m_reply).mid(m_pos, end - m_pos);
    m_pos = end + 1;
    ++m_linesRead;
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    if (space < 0) return Step::NoSpace;
    messageId = line.left(space).toString();
    dateText = line.mid(space + 1).toString();
    return Step::Line;
}

QStringList ReadMessageBodies(const QString &reply)
{
    const QByteArray bytes = reply.toUtf8();
    pugi::xml_document doc;
    // parse_ws_pcdata: a text of blanks only is a text too, and blanks between the parts of a
    // body stay.
    const pugi::xml_parse_result parsed = doc.load_buffer(
        bytes.constData(), size_t(bytes.size()), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
    if (!parsed || !doc.document_element())
        throw OrvekError(QStringLiteral("Yanıt okunamadı: ") + QString::fromUtf8(parsed.description()));
    QStringList bodies;
    for (const pugi::xpath_node &n : doc.select_nodes("//msgbody")) {
        std::string text;
        collectText(n.node(), text);
        bodies << QString::fromStdString(text);
    }
    if (bodies.isEmpty()) throw OrvekError(QStringLiteral("Yanıtta mesaj metni bulunamadı."));
    return bodies;
}

QString MessageTextBoxText(const QString &msgId, const QString &gsmNo, const QStringList &bodies)
{
    const QString head = msgId + QStringLiteral(" mesaj paketindeki ") + gsmNo;
    if (bodies.size() < 2)
        return head + QStringLiteral(" numaralı GSM hattına giden mesaj :\r\n\r\n") + bodies.value(0);
    QString text = head + QStringLiteral(" numaralı GSM hattına giden mesajlar :\r\n\r\n");
    for (int i = 0; i < bodies.size(); ++i)
        text += QStringLiteral("Mesaj ") + QString::number(i + 1) + QStringLiteral(" : ") + bodies.at(i) +
                QStringLiteral("\r\n");
    return text;
}

namespace NumberReportTexts {
QString badNumber() { return QStringLiteral("GSMNo Alanını Kontrol Ediniz"); }
QString noReport() { return QStringLiteral("Önce Rapor Çekmelisiniz"); }
QString fetchFailure() { return QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz"); }
QString numberTabFailure(const QString &description)
{
    return QStringLiteral("Tanımlanamayan hata oluştu\r\nSistemin ürettiği hata mesajı : ") + description;
}
QString stageBuilding()
{
    return QStringLiteral("Bağlantı Hatası! Lütfen Internet Explorer sürümünüzü kontrol ediniz");
}
QString stageExchange() { return QStringLiteral("Bağlantı Hatası! Mesaj merkezine bağlanılamıyor"); }
} // namespace NumberReportTexts
