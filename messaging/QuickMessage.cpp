#include "messaging/QuickMessage.h"

#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/OrvekError.h"
#include "core/Templates.h"
#include "messaging/SendSteps.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

QString QuickNoConnectionText() { return QStringLiteral("Mesaj merkeziyle bağlantı kurulamıyor."); }

QString GatewayCodeMeaning(const QString &reply)
{
    if (!IsWholeGatewayCode(reply)) return QString();
    if (reply == QLatin1String("-1")) return QuickNoConnectionText();
    if (reply == QLatin1String("01") || reply == QLatin1String("03"))
        return QStringLiteral("Kullanıcı bilgilerinizde hata var.");
    if (reply == QLatin1String("04") || reply == QLatin1String("05"))
        return QStringLiteral("Bilgiler mesaj merkezine gönderilemiyor.");
    return QStringLiteral("Kontör bilgisi alınamadı (hata kodu %1).").arg(reply);
}

QuickAccount ReadQuickAccount(const QString &reply)
{
    QuickAccount account;
    const SendScreenAccount read = ReadSendScreenAccount(reply);
    if (!read.reached) return account;
    account.reached = true;
    const QString meaning = GatewayCodeMeaning(reply);
    if (!meaning.isEmpty()) {
        account.credit = meaning;
        return account;
    }
    account.credit = read.credit.value_or(reply) + QLatin1Char(' ');
    account.originators = read.originators;
    return account;
}

QuickNumberCheck CheckQuickNumber(const QString &typed, const QStringList &listed)
{
    if (typed.isEmpty()) return QuickNumberCheck::Empty;
    if (typed.size() != kQuickNumberSize || typed.startsWith(QLatin1Char('0'))) return QuickNumberCheck::Wrong;
    if (listed.contains(typed, Qt::CaseSensitive)) return QuickNumberCheck::Duplicate;
    return QuickNumberCheck::Accepted;
}

QString QuickNumberMessage(QuickNumberCheck check)
{
    switch (check) {
    case QuickNumberCheck::Empty:
        return QStringLiteral("Lütfen GSM numarası giriniz.");
    case QuickNumberCheck::Wrong:
        return QStringLiteral("Girdiğiniz GSM numarası hatalı. Lütfen tekrar deneyiniz.");
    case QuickNumberCheck::Duplicate:
        return QStringLiteral("Bu numara listede mevcut");
    case QuickNumberCheck::Accepted:
        break;
    }
    return QString();
}

QString QuickCountText(int count) { return QString::number(count) + QLatin1Char(' '); }

QString QuickRemoveEmptyText() { return QStringLiteral("Listede GSM numarası bulunamadı."); }

QString QuickRemoveNoSelectionText() { return QStringLiteral("Lütfen silmek istediğiniz GSM numarasını seçiniz."); }

QString QuickNoNumbersText() { return QStringLiteral("Mesaj gönderilecek GSM numarası bulunamadı."); }

QString QuickNoTextText() { return QStringLiteral("Lütfen göndermek istediğiniz mesajı yazınız."); }

bool IsMissingQuickText(const QString &text) { return text.isEmpty() || text == QLatin1String(" "); }

QString QuickConfirmationTitle() { return QStringLiteral("Brenvik Mesaj gönderim onayı"); }

QuickCreditCheck CheckQuickCredit(const QString &creditText, const QString &countText)
{
    try {
        return HasEnoughCredit(creditText, countText) ? QuickCreditCheck::Enough : QuickCreditCheck::NotEnough;
    } catch (const OrvekError &) {
        return QuickCreditCheck::Unreadable;
    }
}

QString QuickNoCreditText() { return QStringLiteral("Mesaj göndermek için yeterli krediniz yok"); }

QString QuickUnreadableCreditText()
{
    return QStringLiteral("Hesabınızdaki kontör bilgisi okunamadı.") + kCrLf +
           QStringLiteral("Bu sebeple mesajınız gönderilmedi.");
}

void FillQuickBasket(Gateway &gateway, const QString &text, const QStringList &numbers)
{
    gateway.reserveBasket(int(numbers.size()));
    for (const QString &number : numbers) gateway.addtosmsbasket(text, number);
}

QuickReplyJudgement JudgeQuickReply(const QString &reply)
{
    QuickReplyJudgement j;
    const GatewaySendReply parsed = ParseSendReply(reply);
    j.kind = parsed.kind;
    if (j.kind == QuickReplyKind::NoConnection || j.kind == QuickReplyKind::Blocked) {
        j.text = QStringLiteral("Mesaj merkezine ilgili bilgiler gönderilemiyor") + kCrLf +
                 QStringLiteral("Bir güvenlik uygulaması programın mesaj merkezine bağlanmasını engelleyebilir.");
        j.icon = PromptIcon::Critical;
        j.title = QStringLiteral("Uyarı");
        j.keepWindow = j.kind == QuickReplyKind::Blocked;
        return j;
    }
    if (j.kind == QuickReplyKind::Accepted) {
        j.messageId = parsed.messageId;
        return j;
    }
    j.text = QStringLiteral("Mesaj gönderilemedi.") + kCrLf +
             QStringLiteral("Kullanıcı adı veya parolanız hatalı olabilir.") + kCrLf +
             QStringLiteral("SMS krediniz bitmiş olabilir.") + kCrLf +
             QStringLiteral("Gönderilecek mesaj olmayabilir.");
    j.icon = PromptIcon::Critical;
    j.title = QStringLiteral("Brenvik Uyarı");
    return j;
}

SentMessageRow QuickLogRow(const QString &messageId, int count, const QString &typedText, const QString &originator,
                           const QDateTime &sentAt, const QDateTime &sendAt)
{
    SentMessageRow row;
    row.msgid = messageId;
    row.msg_tip = QString::fromUtf8(kQuickMessageKind);
    row.gateway = GatewayKindText(gGatewayKind);
    row.paket_boyut = count;
    row.mesaj = QStringLiteral("İlk Kayıt :") + typedText;
    row.originator = originator;
    row.tarih = sentAt;
    row.gtarih = sendAt;
    row.sirket_kod = gCompanyCode;
    return row;
}

QuickWriteResult WriteQuickSend(const SentMessageRow &logRow, bool saveAsTemplate, const QString &normalisedText,
                                const std::function<void()> &waitStep)
{
    QuickWriteResult result;
    const AcceptedRowsWrite log = WriteAcceptedRows(SentMessageJournalRows({logRow}), waitStep);
    result.logWritten = log.written;
    result.logJournaled = log.journaled;
    if (saveAsTemplate) {
        const AcceptedRowsWrite tpl =
            WriteAcceptedRows({TemplateInsertRow(QString::fromLatin1(kQuickTemplateKind), normalisedText, logRow.msgid,
                                                 TemplateLayout::SplitEmptyP2)},
                              waitStep);
        result.templateWritten = tpl.written;
        result.templateJournaled = tpl.journaled;
    }
    return result;
}

QString QuickSentText() { return QStringLiteral("Mesaj başarı ile gönderildi."); }

QString QuickSentNotLoggedText()
{
    return QStringLiteral("Mesaj başarıyla gönderildi.") + kCrLf +
           QStringLiteral("Ancak bilgisayarınız üzerindeki bir program veri tabanına veri girişine izin vermiyor.") +
           kCrLf + QStringLiteral("Bu sebeple gönderim raporu veri tabanına yazılamadı");
}
