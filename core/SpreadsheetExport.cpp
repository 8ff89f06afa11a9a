#include "core/SpreadsheetExport.h"

#include "core/AppState.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/TimeSlice.h"
#include "core/Utf8.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTime>

#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

namespace {

// Stage texts, in the order the export passes them; the failure box names the last one set.
const QString kStageDelete = QStringLiteral("Mevcut Excel dosyası silinemiyor");
const QString kStageWrite = QStringLiteral(
    "Bilgisayarınızda, uygulmayı destekleyen Excel programı kurulu olmadığından veri aktarım işlemi yapılamıyor");
const QString kStageHeaders = QStringLiteral("Başlık bilgileri oluşturulamadı");
const QString kStageRead = QStringLiteral("Excel dosyası okunamıyor. Dosya bozulmuş ya da silinmiş olabilir");
const QString kStageShow = QStringLiteral("Oluşturulan Excel dosyası görüntülenemiyor");

const QString kDoneText = QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır");
const QString kDoneTitle = QStringLiteral("Rendal Yöneticisi");
const QString kFailTitle = QStringLiteral("Uyarı");

// A spreadsheet keeps 15 significant digits; longer integers are kept as text.
constexpr long long kLargestExactInteger = 999999999999999LL;

// Ends an export whose caller must stop (no file, no box).
struct ExportStopped {};

void yield() { QCoreApplication::processEvents(); }

QString sheetName(int page) { return QStringLiteral("Sayfa") + QString::number(page); }

QString describe(lxw_error err, const QString &fileName)
{
    const QString file = QDir::toNativeSeparators(fileName);
    switch (err) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("Bellek yetersiz.");
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("\"%1\" dosyası oluşturulamadı; klasör bulunamıyor ya da yazma izni yok.").arg(file);
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("Geçici dosya yazılamadı (%1).").arg(QDir::toNativeSeparators(QDir::tempPath()));
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("\"%1\" dosyası yazılamadı; disk dolu olabilir.").arg(file);
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return QStringLiteral("Metin 32767 karakterden uzun.");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("Sütun sayısı %1 sınırını aşıyor.").arg(LXW_COL_MAX);
    default:
        return QString::fromUtf8(lxw_strerror(err));
    }
}

QString cellPlace(int page, int row, int column)
{
    return QStringLiteral("%1 sayfasının %2. satırı, %3. sütunu yazılamadı: ")
        .arg(sheetName(page))
        .arg(row + 1)
        .arg(column + 1);
}

// Day number of a date in the spreadsheet calendar (day 61 = 1 March 1900); -1 for dates it
// cannot hold. Spreadsheet programs disagree on the days before March 1900 (one counts a
// 29 February 1900), so those are left out too.
double spreadsheetDay(const QDate &d)
{
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    static const qint64 first = QDate(1900, 3, 1).toJulianDay();
    static const qint64 last = QDate(9999, 12, 31).toJulianDay();
    const qint64 jd = d.toJulianDay();
    if (jd < first || jd > last) return -1;
    return double(jd - epoch);
}

double dayFraction(const QTime &t) { return t.msecsSinceStartOfDay() / 86400000.0; }

struct Formats {
    lxw_format *date = nullptr;
    lxw_format *dateTime = nullptr;
    lxw_format *time = nullptr;
};

// UTF-8 of the cells' texts, written into one buffer kept for the whole export: a text cell
// costs no allocation. The bytes are those of QString::toUtf8 (a lone surrogate is a '?').
class Utf8Buffer {
public:
    // The text as a NUL-terminated UTF-8 string, valid until the next call.
    const char *encode(QStringView s)
    {
        const size_t need = size_t(s.size()) * 3 + 1;
        if (m_bytes.size() < need) m_bytes.resize(need);
        char *to = m_bytes.data();
        const char16_t *from = s.utf16();
        const char16_t *const end = from + s.size();
        while (from < end) {
            const char16_t u = *from++;
            if (!QChar::isSurrogate(u))
                to = PutUtf8(to, u);
            else if (QChar::isHighSurrogate(u) && from < end && QChar::isLowSurrogate(*from))
                to = PutUtf8(to, QChar::surrogateToUcs4(u, *from++));
            else
                *to++ = '?';
        }
        *to = '\0';
        return m_bytes.data();
    }

private:
    std::vector<char> m_bytes;
};

class Writer {
public:
    Writer(lxw_worksheet *ws, const Formats &formats, int page) : m_ws(ws), m_formats(formats), m_page(page) {}

    void text(lxw_row_t row, lxw_col_t col, QStringView s)
    {
        check(worksheet_write_string(m_ws, row, col, m_utf8.encode(s), nullptr), row, col);
    }

    void cell(lxw_row_t row, lxw_col_t col, const QVariant &v)
    {
        // A Null of any type (a number, a yes/no value, a date from the database) stays an
        // empty cell: it is not a 0 or a FALSE.
        if (v.isNull()) return;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            return;
        case QMetaType::Bool:
            check(worksheet_write_boolean(m_ws, row, col, v.toBool() ? 1 : 0, nullptr), row, col);
            return;
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::Long:
            number(row, col, double(v.toLongLong()));
            return;
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::UChar:
            number(row, col, double(v.toULongLong()));
            return;
        case QMetaType::LongLong: {
            const long long n = v.toLongLong();
            if (n > kLargestExactInteger || n < -kLargestExactInteger)
                text(row, col, QString::number(n));
            else
                number(row, col, double(n));
            return;
        }
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const unsigned long long n = v.toULongLong();
            if (n > (unsigned long long)kLargestExactInteger)
                text(row, col, QString::number(n));
            else
                number(row, col, double(n));
            return;
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (std::isfinite(d))
                number(row, col, d);
            else
                text(row, col, QString::number(d));
            return;
        }
        case QMetaType::QDate: {
            const QDate d = v.toDate();
            if (!d.isValid()) return;
            const double day = spreadsheetDay(d);
            if (day < 0)
                text(row, col, d.toString(QStringLiteral("dd.MM.yyyy")));
            else
                formatted(row, col, day, m_formats.date);
            return;
        }
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid()) return;
            const double day = spreadsheetDay(dt.date());
            if (day < 0)
                text(row, col, dt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
            else
                formatted(row, col, day + dayFraction(dt.time()), m_formats.dateTime);
            return;
        }
        case QMetaType::QTime: {
            const QTime t = v.toTime();
            if (t.isValid()) formatted(row, col, dayFraction(t), m_formats.time);
            return;
        }
        case QMetaType::QString:
            text(row, col, *static_cast<const QString *>(v.constData()));
            return;
        default:
            text(row, col, v.toString());
            return;
        }
    }

    void check(lxw_error err, lxw_row_t row, lxw_col_t col)
    {
        if (err != LXW_NO_ERROR) throw OrvekError(cellPlace(m_page, int(row), int(col)) + describe(err, QString()));
    }

private:
    void number(lxw_row_t row, lxw_col_t col, double d)
    {
        check(worksheet_write_number(m_ws, row, col, d, nullptr), row, col);
    }
    void formatted(lxw_row_t row, lxw_col_t col, double d, lxw_format *format)
    {
        check(worksheet_write_number(m_ws, row, col, d, format), row, col);
    }

    lxw_worksheet *m_ws;
    const Formats &m_formats;
    int m_page;
    Utf8Buffer m_utf8;
};

// Owns a workbook until it is closed; an export that fails before the save frees it
// without writing a file.
class Workbook {
public:
    Workbook(const QString &fileName)
        : m_path(QFile::encodeName(fileName)), m_tmpdir(QFile::encodeName(QDir::tempPath()))
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tmpdir.data();
        options.use_zip64 = LXW_FALSE;
        m_wb = workbook_new_opt(m_path.constData(), &options);
        if (!m_wb) throw OrvekError(QStringLiteral("Çalışma kitabı oluşturulamadı."));
    }
    ~Workbook()
    {
        if (!m_wb) return;
        // Freeing an unsaved workbook leaves the sheets' row files open.
        for (lxw_worksheet *ws : m_sheets) {
            if (ws->optimize_tmpfile) std::fclose(ws->optimize_tmpfile);
            ws->optimize_tmpfile = nullptr;
        }
        lxw_workbook_free(m_wb);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    lxw_worksheet *addSheet(const QString &name)
    {
        lxw_worksheet *ws = workbook_add_worksheet(m_wb, name.toUtf8().constData());
        if (!ws) throw OrvekError(QStringLiteral("%1 sayfası eklenemedi.").arg(name));
        m_sheets.push_back(ws);
        return ws;
    }

    lxw_format *numberFormat(const char *code)
    {
        lxw_format *f = workbook_add_format(m_wb);
        if (!f) throw OrvekError(describe(LXW_ERROR_MEMORY_MALLOC_FAILED, QString()));
        format_set_num_format(f, code);
        return f;
    }

    lxw_error close(const QString &fileName)
    {
        // A workbook whose file cannot be created keeps its row files open when closed, so
        // make sure of the file first; this workbook then still cleans up after itself.
        QFile probe(fileName);
        if (!probe.open(QIODevice::WriteOnly)) return LXW_ERROR_CREATING_XLSX_FILE;
        probe.close();
        lxw_workbook *wb = m_wb;
        m_wb = nullptr;
        return workbook_close(wb);
    }

private:
    QByteArray m_path;
    QByteArray m_tmpdir;
    lxw_workbook *m_wb = nullptr;
    std::vector<lxw_worksheet *> m_sheets;
};

// Column widths that let a date show in full (the default width shows "####").
double dateColumnWidth(QMetaType::Type type)
{
    switch (type) {
    case QMetaType::QDate:
        return 11;
    case QMetaType::QDateTime:
        return 19;
    case QMetaType::QTime:
        return 9;
    default:
        return 0;
    }
}

// Lets the events run; throws ExportStopped when the caller says stop.
void yieldOrStop(const std::function<bool()> &mustStop)
{
    ::yield();
    if (mustStop && mustStop()) throw ExportStopped{};
}

void deleteExisting(const QString &fileName)
{
    const QFileInfo existing(fileName);
    if (existing.exists() || existing.isSymLink()) {
        QFile f(fileName);
        if (!f.remove())
            throw OrvekError(
                QStringLiteral("\"%1\" silinemedi: %2").arg(QDir::toNativeSeparators(fileName), f.errorString()));
    }
}

// The records of one sheet, from `next` up to `end`; `next` is left after the last one
// written. The owner of rs may remove rows while the export yields: it stops at its end then.
void writeSheetRows(Writer &writer, const RecordSet &rs, int &next, int end, TimeSlice &slice,
                    const std::function<bool()> &mustStop)
{
    const int fields = rs.fieldCount();
    for (lxw_row_t row = 1; next < end && next < rs.rowCount(); ++next, ++row) {
        const RecordRow &record = rs.row(next);
        const int present = qMin(fields, int(record.size()));
        for (int c = 0; c < present; ++c) {
            // A text is written from where the set holds it; any other cell (an empty
            // or Null text too) as its value says.
            QStringView t;
            if (record.textView(c, t) && !t.isEmpty())
                writer.text(row, lxw_col_t(c), t);
            else
                writer.cell(row, lxw_col_t(c), record.at(c));
        }
        const bool ran = slice.runEventsIfDue();
        ++gProgressDone;
        if ((slice.runEventsIfDue() || ran) && mustStop && mustStop()) throw ExportStopped{};
    }
}

// One sheet: its date columns' widths, the heading row, then its records, at most up to the
// `rows` that the export began with.
void writeSheet(Workbook &wb, const Formats &formats, const RecordSet &rs, int rows, const QStringList &headers,
                int page, int &next, TimeSlice &slice, const std::function<bool()> &mustStop)
{
    const int fields = rs.fieldCount();
    const int headings = headers.size() > fields ? int(headers.size()) - 1 : int(headers.size());
    ProgressWindow::runTimer(true);
    lxw_worksheet *ws = wb.addSheet(sheetName(page));
    Writer writer(ws, formats, page);

    for (int c = 0; c < fields; ++c) {
        const double width = dateColumnWidth(rs.field(c).type);
        if (width > 0)
            writer.check(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), width, nullptr), 0, lxw_col_t(c));
    }

    // Rows are written in order (constant memory), so the heading row comes first.
    gErrorText = kStageHeaders;
    for (int j = 0; j < headings; ++j) writer.text(0, lxw_col_t(j), headers.at(j));
    gErrorText = kStageWrite;

    ProgressWindow::setStatus(QStringLiteral("Sayfa ") + QString::number(page) +
                              QStringLiteral(" kayıtları oluşturuluyor..."));
    yieldOrStop(mustStop);
    writeSheetRows(writer, rs, next, qMin(rows, next + kExportRowsPerSheet), slice, mustStop);
    ProgressWindow::runTimer(false);
    yieldOrStop(mustStop);
    ProgressWindow::setStatus(QStringLiteral("Sayfa ") + QString::number(page) + QStringLiteral(" kaydediliyor..."));
    yieldOrStop(mustStop);
}

// The export's failure box: what went wrong, then the step it went wrong in.
void showExportFailure(const QString &description, const QString &stage)
{
    Prompt::show(description + QStringLiteral("\r\n") + stage, PromptIcon::Critical, kFailTitle);
}

// The saved workbook shown: the done box, then the file opened.
void showExported(const QString &fileName)
{
    gErrorText = kStageRead;
    ProgressWindow::hide();
    Prompt::show(kDoneText, PromptIcon::Information, kDoneTitle);

    gErrorText = kStageRead;
    if (!QFileInfo::exists(fileName))
        throw OrvekError(QStringLiteral("\"%1\" bulunamadı.").arg(QDir::toNativeSeparators(fileName)));

    gErrorText = kStageShow;
    const QString notOpened = QStringLiteral("\"%1\" açılamadı.").arg(QDir::toNativeSeparators(fileName));
    // The desktop may find no spreadsheet program only after the export has returned: the
    // same box then, told by the opener.
    const auto declined = [notOpened] { showExportFailure(notOpened, kStageShow); };
    if (!Shell::openFile(fileName, declined)) throw OrvekError(notOpened);
}

void exportRows(const RecordSet &rs, const QString &fileName, const QStringList &headers,
                const std::function<bool()> &mustStop)
{
    // Delete the existing file.
    yieldOrStop(mustStop);
    gErrorText = kStageDelete;
    deleteExisting(fileName);

    yieldOrStop(mustStop);
    gErrorText = kStageWrite;

    const int rows = rs.rowCount();
    gProgressTotal = rows;
    gProgressDone = 0;
    ProgressWindow::showSpeed(true);
    ProgressWindow::runTimer(true);

    Workbook wb(fileName);
    Formats formats;
    formats.date = wb.numberFormat("dd.mm.yyyy");
    formats.dateTime = wb.numberFormat("dd.mm.yyyy hh:mm:ss");
    formats.time = wb.numberFormat("hh:mm:ss");

    const int pages = rows == 0 ? 1 : (rows + kExportRowsPerSheet - 1) / kExportRowsPerSheet;
    int next = 0;    // next record of rs
    TimeSlice slice; // the rows' yields: events about once a frame, not after every row
    for (int page = 1; page <= pages; ++page) writeSheet(wb, formats, rs, rows, headers, page, next, slice, mustStop);

    ProgressWindow::setStatus(QStringLiteral("Sayfa adları oluşturuluyor..."));
    yieldOrStop(mustStop);
    ProgressWindow::setStatus(QStringLiteral("Sayfa başlık bilgileri ekleniyor..."));
    gErrorText = kStageHeaders;
    const lxw_error saved = wb.close(fileName);
    if (saved != LXW_NO_ERROR) {
        QFile::remove(fileName); // no half-written workbook stays behind
        throw OrvekError(describe(saved, fileName));
    }
    showExported(fileName);
}

} // namespace

void ExportToExcel(const RecordSet &rs, const QString &fileName, const QStringList &headers,
                   const std::function<bool()> &mustStop)
{
    QString description;
    try {
        exportRows(rs, fileName, headers, mustStop);
        return;
    } catch (const ExportStopped &) {
        // The progress window went with the caller's window, or the program is ending: it is
        // not asked for again (asking would load it anew).
        return;
    } catch (const OrvekError &e) {
        description = e.description();
    } catch (const std::bad_alloc &) {
        description = describe(LXW_ERROR_MEMORY_MALLOC_FAILED, QString());
    }
    ProgressWindow::runTimer(false);
    showExportFailure(description, gErrorText);
}

namespace {
QString saveDialogStartFolder()
{
    // The Documents location is named whether or not the folder exists; a missing one would
    // make the dialog start in its parent with "Documents" as the proposed file name.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}
} // namespace

QString GetExcelFileToSave()
{
    const QString title = QStringLiteral("Save As");
    const QString filter = QStringLiteral("Microsoft Excel Dosyaları (*.xlsx)");
    QString folder = saveDialogStartFolder();

    for (;;) {
        QString name = FileDialog::getSaveFileName(title, folder, filter);
        if (name.isEmpty()) return QString();
        if (!QFileInfo(name).suffix().isEmpty()) return name;

        // The dialog asked about the name as typed; ask again for the name with the extension.
        name += name.endsWith(QLatin1Char('.')) ? QStringLiteral("xlsx") : QStringLiteral(".xlsx");
        if (!QFileInfo::exists(name)) return name;
        const PromptAnswer answer =
            Prompt::show(QFileInfo(name).fileName() + QStringLiteral(" zaten var.\r\nDeğiştirmek istiyor musunuz?"),
                         PromptIcon::Exclamation, QStringLiteral("Farklı Kaydetmeyi Onayla"), PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes) return name;
        folder = QFileInfo(name).absolutePath();
    }
}
