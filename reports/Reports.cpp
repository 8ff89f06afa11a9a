#include "reports/Reports.h"

#include "core/AppState.h"
#include "core/DateText.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QSqlQuery>
#include <QSqlRecord>

QString ReportOption(const QString &stored)
{
    return stored == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
}

QString ReportListQuery(const QString &gatewayKind, const QString &companyCode)
{
    return QStringLiteral("SELECT id,msgid,msg_tip,mesaj,tarih,gtarih,gateway,originator,paket_boyut ") +
           QStringLiteral("FROM tbl_giden ") + QStringLiteral("WHERE  gateway = '") + SqlQuote(gatewayKind) +
           QStringLiteral("' ") + QStringLiteral("AND sirket_kod = '") + SqlQuote(companyCode) +
           QStringLiteral("' OR sirket_kod = '-1' ") + QStringLiteral("ORDER BY tarih DESC");
}

namespace {
QVariant listDate(const QVariant &stored)
{
    if (stored.isNull()) return stored;
    const QDateTime dt = FromIsoText(stored.toString());
    return dt.isValid() ? QVariant(dt) : QVariant(stored.toString());
}
} // namespace

RecordSet LoadReportList(const QString &gatewayKind, const QString &companyCode)
{
    RecordSet list;
    list.appendField(QStringLiteral("id"), QMetaType::LongLong);
    for (const char *name : {"msgid", "msg_tip", "mesaj"}) list.appendField(QString::fromLatin1(name));
    list.appendField(QStringLiteral("tarih"), QMetaType::QDateTime);
    list.appendField(QStringLiteral("gtarih"), QMetaType::QDateTime);
    for (const char *name : {"gateway", "originator"}) list.appendField(QString::fromLatin1(name));
    list.appendField(QStringLiteral("paket_boyut"), QMetaType::LongLong);

    QSqlQuery q = SqlExec(LocalDb(), ReportListQuery(gatewayKind, companyCode));
    while (q.next()) {
        RecordRow row;
        row.reserve(9);
        for (int c = 0; c < 9; ++c) {
            const QVariant v = q.value(c);
            row << (c == 4 || c == 5 ? listDate(v) : v);
        }
        list.addRow(std::move(row));
    }
    return list;
}

QVector<RecordField> ReportFields(bool withNames)
{
    QVector<RecordField> fields{RecordField{QStringLiteral("GsmNo")}};
    if (withNames) fields << RecordField{QStringLiteral("Ad")} << RecordField{QStringLiteral("Soyad")};
    fields << RecordField{QStringLiteral("Durum")};
    return fields;
}

DeliveryState DeliveryStateOf(int gel)
{
    switch (gel) {
    case 0:
    case 1:
        return DeliveryState::Waiting;
    case 3:
        return DeliveryState::Delivered;
    case 5:
        return DeliveryState::TimedOut;
    default:
        return DeliveryState::Refused;
    }
}

QString DeliveryStateText(DeliveryState state)
{
    switch (state) {
    case DeliveryState::Waiting:
        return QStringLiteral("Beklemede");
    case DeliveryState::Delivered:
        return QStringLiteral("İletildi");
    case DeliveryState::TimedOut:
        return QStringLiteral("Zaman Aşımı");
    case DeliveryState::Refused:
        break;
    }
    return QStringLiteral("Reddedildi");
}

QString MesajDurumu(int gel) { return DeliveryStateText(DeliveryStateOf(gel)); }

std::optional<ReportLine> ReadReportLine(QStringView line)
{
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.isEmpty()) return std::nullopt;
    const char16_t last = line.back().unicode();
    if (last < u'0' || last > u'9') return std::nullopt;
    ReportLine out;
    out.status = int(last - u'0');
    const QStringView tail = line.size() >= 12 ? line.right(12) : line;
    out.number = tail.left(10).toString();
    return out;
}

ReportLineReader::ReportLineReader(const QString &reply) : m_reply(reply)
{
    m_lineCount = int(reply.count(QLatin1Char('\n')));
}

ReportLineReader::Step ReportLineReader::next(ReportLine &line)
{
    if (atEnd()) return Step::End;
    const qsizetype end = m_reply.indexOf(QLatin1Char('\n'), m_pos);
    const QStringView piece = QStringView(m_reply).mid(m_pos, end - m_pos);
    m_pos = end + 1;
    ++m_linesRead;
    std::optional<ReportLine> read = ReadReportLine(piece);
    if (!read) return Step::Unreadable;
    line = std::move(*read);
    return Step::Line;
}

ReportReplyJudgement JudgeReportReply(ReportFetch fetch, const QString &reply)
{
    const QString uyari = QStringLiteral("Uyarı");
    const auto noConnection = [&] {
        ReportReplyJudgement j{ReportReplyKind::NoConnection, {}, PromptIcon::Information, uyari};
        j.text = fetch == ReportFetch::Package
                     ? QStringLiteral("Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz\r\n"
                                      "İnternet bağlantınızı denetleyen bir güvenlik uygulaması Talvane'in "
                                      "internete çıkışını engelliyor olabilir.")
                     : QStringLiteral("İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz");
        return j;
    };
    if (reply == QLatin1String("-1") || reply == QLatin1String("04") || reply == QLatin1String("05"))
        return noConnection();
    if (reply == QLatin1String("01") || reply == QLatin1String("03"))
        return {ReportReplyKind::WrongAccount, QStringLiteral("Hatalı Kullanıcı Adı veya Parola"), PromptIcon::Critical,
                uyari};
    if (fetch == ReportFetch::DateRange) {
        const QString uyar = QStringLiteral("Uyar");
        if (reply == QLatin1String("100"))
            return {ReportReplyKind::DateRangeCode, QStringLiteral("Server Yoğun Lütfen Daha Sonra Tekrar Deneyiniz"),
                    PromptIcon::Critical, uyar};
        if (reply == QLatin1String("17"))
            return {ReportReplyKind::DateRangeCode, QStringLiteral("Hatalı Tarih Girişi"), PromptIcon::Critical, uyar};
        if (reply == QLatin1String("18"))
            return {ReportReplyKind::DateRangeCode, QStringLiteral("Bu Tarihler Arasında Gönderilmiş Rapor Yok."),
                    PromptIcon::Information, uyar};
        if (reply == QLatin1String("19"))
            return {ReportReplyKind::DateRangeCode, QStringLiteral("Tanımlanamayan Hata."), PromptIcon::Critical, uyar};
    }
    if (reply.isEmpty()) return {ReportReplyKind::Empty, {}, PromptIcon::None, {}};
    return {ReportReplyKind::Lines, {}, PromptIcon::None, {}};
}

namespace ReportTexts {
QString asking() { return QStringLiteral("Raporunuz Mesaj Merkezinden Çekiliyor...Lütfen Bekleyiniz."); }
QString counting() { return QStringLiteral("Raporunuzdaki Kayıt Sayısı Hesaplanıyor...Lütfen Bekleyiniz."); }
QString connectingErp() { return QStringLiteral("Orvek® veritabanına bağlanılıyor...Lütfen Bekleyiniz."); }
QString building() { return QStringLiteral("Rapor Listesi Oluşturuluyor...Lütfen Bekleyiniz."); }
QString stageGateway()
{
    return QStringLiteral("Raporlama işlemi yapılamıyor.\r\nMesaj merkeziyle bağlantı sağlanamadı.");
}
QString stageErp()
{
    return QStringLiteral("Raporlama işlemi yapılamıyor.\r\nOrvek® veritabanına bağlantı sağlanamadı.");
}
QString stageLines() { return QStringLiteral("Rapor listesi oluşturulamıyor."); }
} // namespace ReportTexts

QString ReportRequestDay(const QDate &day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }
QString ReportSummaryDay(const QDate &day) { return ToTurkishDate(day); }

QString ReportContactQuery(const QString &companyCode)
{
    return QStringLiteral("SELECT TCHK.HesapKodu,TYTK.Adi,TYTK.Adi2,TYTK.Soyadi,TYTK.CepTelBKod,TYTK.CepTel ") +
           QStringLiteral("FROM HAVLEN4") + companyCode + QStringLiteral(".CHK AS TCHK, HAVLEN4") + companyCode +
           QStringLiteral(".YTK AS TYTK ") + QStringLiteral("WHERE TCHK.KartTip = 0 ") +
           QStringLiteral("AND TCHK.HesapKodu = TYTK.Sirket ") +
           QStringLiteral("AND (TYTK.CepTelBKod IS NOT NULL AND TYTK.CepTelBKod <> '') ") +
           QStringLiteral("AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')");
}

namespace {
QStringView withoutTrailingBlanks(QStringView s)
{
    while (!s.isEmpty() && s.back() == QLatin1Char(' ')) s.chop(1);
    return s;
}
} // namespace

QString ContactNames::key(QStringView areaCode, QStringView line)
{
    const QStringView a = withoutTrailingBlanks(areaCode);
    const QStringView l = withoutTrailingBlanks(line);
    QString k;
    k.reserve(a.size() + 1 + l.size());
    k.append(a).append(QChar(0x1F)).append(l);
    return k;
}

void ContactNames::add(const QString &cepTelBKod, const QString &cepTel, const QString &adi, const QString &adi2,
                       const QString &soyadi)
{
    const QString k = key(cepTelBKod, cepTel);
    if (m_names.contains(k)) return;
    m_names.insert(k, Names{adi + QLatin1Char(' ') + adi2, soyadi});
}

const ContactNames::Names *ContactNames::find(QStringView number) const
{
    const auto it = m_names.constFind(key(number.left(3), number.mid(3, 7)));
    return it == m_names.constEnd() ? nullptr : &it.value();
}

ContactNames ContactNames::load()
{
    ContactNames names;
    RequirePlainCompanyCode(gCompanyCode);
    QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(ReportContactQuery(gCompanyCode)));
    while (q.next())
        names.add(q.value(4).toString(), q.value(5).toString(), q.value(1).toString(), q.value(2).toString(),
                  q.value(3).toString());
    return names;
}

QString ReportFilterText(bool waiting, bool delivered, bool timedOut, bool refused)
{
    QString filter;
    const auto append = [&filter](bool ticked, const QString &clause) {
        if (!ticked) return;
        if (!filter.isEmpty()) filter += QStringLiteral(" OR ");
        filter += clause;
    };
    append(waiting, QStringLiteral("Durum = 'Beklemede'"));
    append(delivered, QStringLiteral("Durum = 'İletildi'"));
    append(timedOut, QStringLiteral("Durum = 'Zaman Aşımı'"));
    append(refused, QStringLiteral("Durum = 'Reddedildi'"));
    return filter;
}
