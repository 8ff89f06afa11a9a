#pragma once

// The report window's spreadsheet export: the copy of the report that goes to ExportToExcel
// and the texts of the export handlers.

#include "core/RecordSet.h"

#include <QString>
#include <QVector>

// The fields of the export copy: the report's own (tabs 0 and 1), or "MSGID" and "Tarih"
// with the types and sizes of the report's first two fields (the number tab).
QVector<RecordField> ReportExportFields(const RecordSet &report, bool numberTab);

// One visible report row as a row of the copy: the copy's fields by position.
RecordRow ReportExportRow(const RecordSet &report, int visibleRow, int copyFields);

namespace ReportExportTexts {
QString noStateChosen(); // "Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin"
QString question();      // "Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz"
QString stage();         // "Veritabanı bağlantısı kurulamıyor"
// Tab 0's failure box.
QString singleSendFailure(const QString &description);
} // namespace ReportExportTexts
