#include "reports/ReportExport.h"

QVector<RecordField> ReportExportFields(const RecordSet &report, bool numberTab)
{
    if (!numberTab) return report.fields();
    QVector<RecordField> fields;
    const char *names[] = {"MSGID", "Tarih"};
    for (int i = 0; i < 2; ++i) {
        RecordField f = i < report.fieldCount() ? report.field(i) : RecordField{};
        f.name = QString::fromLatin1(names[i]);
        fields << f;
    }
    return fields;
}

RecordRow ReportExportRow(const RecordSet &report, int visibleRow, int copyFields)
{
    const RecordRow &source = report.row(visibleRow);
    RecordRow row(copyFields);
    for (int c = 0; c < copyFields && c < source.size(); ++c) row[c] = source.at(c);
    return row;
}

namespace ReportExportTexts {
QString noStateChosen()
{
    return QStringLiteral("Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin");
}
QString question() { return QStringLiteral("Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz"); }
QString stage() { return QStringLiteral("Veritabanı bağlantısı kurulamıyor"); }
QString singleSendFailure(const QString &description)
{
    return QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : ") + description;
}
} // namespace ReportExportTexts
