#include "messaging/SendSteps.h"

#include "core/AppState.h"
#include "core/DateText.h"
#include "core/Gateway.h"
#include "core/HttpPoster.h"
#include "core/OrvekError.h"
#include "core/SentLog.h"
#include "core/Templates.h"
#include "messaging/SendList.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
QString g_documentsFolder;

// A page of a web server or proxy, whatever the letter case of its tag ("<HTML>", "<html lang=...>").
bool holdsPage(const QString &reply) { return reply.contains(QLatin1String("<html"), Qt::CaseInsensitive); }
} // namespace

bool IsAccountReply(const QString &reply)
{
    return ReadSendScreenAccount(reply).reached && !IsWholeGatewayCode(reply) && !holdsPage(reply);
}

SendScreenAccount ReadSendScreenAccount(const QString &reply)
{
    SendScreenAccount account;
    if (reply.isEmpty() || reply == QLatin1String("01") || reply == QLatin1String("-1") ||
        reply.contains(QLatin1String("<HTML>")))
        return account;
    account.reached = true;
    const auto line = [&reply](qsizetype from, qsizetype to) {
        qsizetype end = to;
        if (end > from && reply.at(end - 1) == QLatin1Char('\r')) --end;
        return reply.mid(from, end - from);
    };
    qsizetype lf = reply.indexOf(QLatin1Char('\n'));
    if (lf < 0) return account;
    account.credit = line(0, lf);
    for (qsizetype from = lf + 1; (lf = reply.indexOf(QLatin1Char('\n'), from)) >= 0; from = lf + 1)
        account.originators << line(from, lf);
    return account;
}

QString SendConfirmationText(int count, const QString &originator, bool later, const QDate &date, const QTime &time)
{
    if (!later)
        return QStringLiteral("Mesajınız ") + QString::number(count) + QStringLiteral(" kişiye ") + originator +
               QStringLiteral(" originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?");
    return QStringLiteral("Mesajınız ") + QString::number(count) + QStringLiteral(" kişiye, ") + ToTurkishDate(date) +
           QStringLiteral(" saat ") + time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" de ") + originator +
           QStringLiteral(" originator bilgisiyle gönderilecektir. Devam etmek istiyor musunuz?");
}

double SendScreenNumber(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) v = QLocale(QLocale::Turkish, QLocale::Turkey).toDouble(t, &ok);
    if (!ok) throw OrvekError(QStringLiteral("Tür uyuşmazlığı: \"%1\" bir sayı değil.").arg(text));
    return v;
}

bool HasEnoughCredit(const QString &creditText, const QString &totalText)
{
    const double credit = SendScreenNumber(creditText);
    const double total = SendScreenNumber(totalText);
    return !(credit < total);
}

int FillSendBasket(Gateway &gateway, const RecordSet &sendList)
{
    gateway.reserveBasket(sendList.rowCount());
    int added = 0;
    for (int r = 0; r < sendList.rowCount(); ++r) {
        // Read without a QVariant: the texts share the list's blocks.
        const QString number = sendList.text(r, 0);
        if (number.isEmpty()) continue;
        gateway.addToBasketAsGsmText(sendList.text(r, 1).left(Gateway::kMessageSize), number);
        ++added;
    }
    return added;
}

QString ScheduledSendText(bool later, const QDate &date, const QTime &time)
{
    if (!later) return QString();
    return date.toString(QStringLiteral("ddMMyyyy")) + time.toString(QStringLiteral("HHmm"));
}

QDateTime ScheduledSendTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, QTime(time.hour(), time.minute(), 0));
}

SendReplyJudgement JudgeSendReply(const QString &reply)
{
    SendReplyJudgement j;
    const GatewaySendReply parsed = ParseSendReply(reply);
    j.kind = parsed.kind;
    if (j.kind == SendReplyKind::NoConnection) {
        j.text = QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz.") + kCrLf +
                 QStringLiteral("İnternete Bağlı Olmadan SMS Gönderemezsiniz");
        j.icon = PromptIcon::Information;
        j.title = QStringLiteral("Uyarı");
        j.showNetWarning = true;
        return j;
    }
    if (j.kind == SendReplyKind::Blocked) {
        j.text = QStringLiteral("SMS Merkezine İlgili Bilgiler Gönderilemiyor") + kCrLf +
                 QStringLiteral("Proxy Server veya Firewall Kullanıyorsanız Gerekli Ayarları Yapmalısınız");
        j.icon = PromptIcon::Critical;
        j.title = QStringLiteral("Uyarı");
        j.showNetWarning = true;
        j.keepScreen = true;
        return j;
    }
    if (j.kind == SendReplyKind::Accepted) {
        j.messageId = parsed.messageId;
        return j;
    }
    j.text = QStringLiteral("Mesaj Gönderilemedi.") + kCrLf +
             QStringLiteral("Kullanıcı Adı veya Parolanız Hatalı Olabilir.") + kCrLf +
             QStringLiteral("SMS Krediniz Bitmiş Olabilir.") + kCrLf + QStringLiteral("Gönerilecek SMS Olmayabilir.");
    j.icon = PromptIcon::Critical;
    j.title = QStringLiteral("Brenvik Uyarı");
    return j;
}

QString SendFailureText(const QString &description)
{
    return QStringLiteral("Tanımlanamıyan Hata Oluştu. Lütfen Sistem Yöneticinize Başvurun ") + kCrLf +
           QLatin1Char(' ') + description;
}

SentMessageRow SendScreenLogRow(const QString &messageId, const RecordSet &sendList, const QString &originator,
                                const QDateTime &sentAt, const QDateTime &sendAt)
{
    SentMessageRow row;
    row.msgid = messageId;
    row.msg_tip = gSendKind;
    row.gateway = GatewayKindText(gGatewayKind);
    row.paket_boyut = sendList.rowCount();
    row.mesaj = QStringLiteral("İlk Kayıt :") + (sendList.rowCount() > 0 ? sendList.value(0, 1).toString() : QString());
    row.originator = originator;
    row.tarih = sentAt;
    row.gtarih = sendAt;
    row.sirket_kod = gCompanyCode;
    return row;
}

QString DocumentsFolder()
{
    if (!g_documentsFolder.isEmpty()) return g_documentsFolder;
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

void SetDocumentsFolder(const QString &folder) { g_documentsFolder = folder; }

QString OverLimitFileName() { return QDir(DocumentsFolder()).filePath(QStringLiteral("gitmeyen.xlsx")); }

QString SentText() { return QStringLiteral("Mesaj Başarı İle Gönderildi."); }

QString SentButNotLoggedText()
{
    return QStringLiteral("Mesaj Başarı İle Gönderildi.") + kCrLf +
           QStringLiteral("Ancak bilgisayarınız üzerindeki bir program veri tabanına veri girişine izin vermiyor") +
           kCrLf + QStringLiteral("Bu sebeple gönderim raporu veri tabanına yazılamadı");
}

QString SentButNoTemplateText()
{
    return QStringLiteral("Mesaj Başarı İle Gönderildi.") + kCrLf +
           QStringLiteral("Ancak mesajınız şablon olarak kaydedilemedi.");
}

QString SentLogLaterText()
{
    return QStringLiteral("Mesaj Başarı İle Gönderildi.") + kCrLf +
           QStringLiteral("Gönderim kaydı şu anda yazılamadı; program yeniden başladığında tamamlanacaktır.");
}

QString SentWithOverLimitText()
{
    return QStringLiteral("Mesajınız başarıyla gönderildi.") + kCrLf +
           QStringLiteral(
               "Ancak gönderilecek mesaj içeriği 160 karakterden uzun olan GSM numaralarına mesaj gönderilmedi.") +
           kCrLf + QStringLiteral("Şimdi, mesaj gönderilmeyen GSM numaraları ayrı bir dosya olarak oluşturulacaktır.");
}

bool SendOutcomeUnknown(const QString &reply, PostOutcome outcome)
{
    return reply == HttpPoster::failure() && outcome == PostOutcome::SentNoAnswer;
}

QString SendOutcomeUnknownText()
{
    return QStringLiteral("Mesaj merkezinden yanıt alınamadı. Mesajlarınız gönderilmiş olabilir.") + kCrLf +
           QStringLiteral("Yeniden göndermeden önce Raporlar bölümünde \"İki tarih arasındaki SMS raporları\" ya da "
                          "\"Bir GSM numarasına ait SMS raporları\" sekmesinden kontrol ediniz.");
}

QString ResendQuestionText()
{
    return QStringLiteral("Bu liste gönderilmiş olabilir. Yine de göndermek istiyor musunuz?");
}

AcceptedRowsWrite WriteAcceptedRows(const QVector<JournalRow> &rows, const std::function<void()> &waitStep)
{
    const AcceptedWriteResult r =
        WriteAfterAcceptedSend([&](QSqlDatabase &db) { InsertJournalRows(db, rows); }, rows, waitStep);
    return AcceptedRowsWrite{r == AcceptedWriteResult::Written, r == AcceptedWriteResult::Journaled};
}

AcceptedSendResult FinishAcceptedSend(const AcceptedSend &send, const std::function<void()> &waitStep)
{
    AcceptedSendResult result;
    static const RecordSet kEmpty = MakeSendList();
    const RecordSet &list = send.sendList ? *send.sendList : kEmpty;
    const AcceptedRowsWrite log = WriteAcceptedRows(
        SentMessageJournalRows({SendScreenLogRow(send.messageId, list, send.originator, send.sentAt, send.sendAt)}),
        waitStep);
    result.logWritten = log.written;
    result.logJournaled = log.journaled;
    if (send.saveAsTemplate) {
        const AcceptedRowsWrite tpl = WriteAcceptedRows(
            {TemplateInsertRow(send.templateKind, send.messageText, send.messageId, TemplateLayout::SplitEmptyP2)},
            waitStep);
        result.templateWritten = tpl.written;
        result.templateJournaled = tpl.journaled;
    }

    const QString notice = QStringLiteral("Brenvik Uyarı");
    const auto tell = [&](const QString &text, const QString &title) {
        result.notices.append(SendNotice{text, PromptIcon::Information, title});
    };
    if (result.logJournaled || result.templateJournaled)
        result.notices.append(SendNotice{SentLogLaterText(), PromptIcon::Exclamation, QStringLiteral("Uyarı")});
    if (!result.logWritten && !result.logJournaled) tell(SentButNotLoggedText(), notice);
    if (!result.templateWritten && !result.templateJournaled) tell(SentButNoTemplateText(), notice);
    if (result.logWritten && result.templateWritten && !send.overLimit) tell(SentText(), notice);
    if (send.overLimit) {
        tell(SentWithOverLimitText(), QStringLiteral("Brenvik mesaj gönderimi"));
        result.exportOverLimit = true;
    }
    return result;
}
