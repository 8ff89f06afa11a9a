#pragma once

// The delivery reports of the main program: the list of logged sends, the gateway's status
// replies read line by line, the delivery state texts, the contact names that name the
// numbers, and the status filter text. The report window (reports/frmRapor) reads its
// controls, calls these and shows the results.

#include "core/RecordSet.h"
#include "core/Services.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringView>
#include <QVector>
#include <optional>

// --- Report option -------------------------------------------------------------------

// The parameter flg_raporad as the report window uses it: "1" = report rows carry the
// contact's names, "0" = number and state only. Every other stored value (also a missing
// parameter) reads as "0", so the window always has a report set.
QString ReportOption(const QString &stored);

// --- The list of logged sends -----------------------------------------------------------

// The list's record source: the sends of this gateway kind and company, and every send of
// company '-1' whatever its kind (AND binds before OR), newest first. Both values go in
// through SqlQuote.
QString ReportListQuery(const QString &gatewayKind, const QString &companyCode);

// Runs ReportListQuery on the open local database. Fields id, msgid, msg_tip, mesaj, tarih,
// gtarih, gateway, originator, paket_boyut; tarih and gtarih are QDateTime (a stored text
// that is no ISO date stays text). Throws OrvekError with the driver's text.
RecordSet LoadReportList(const QString &gatewayKind, const QString &companyCode);

// --- The report record set --------------------------------------------------------------

// Fields of the report: GsmNo, Ad, Soyad, Durum with names, GsmNo, Durum without; texts
// without a length limit (a long ERP name must not end a fetch).
QVector<RecordField> ReportFields(bool withNames);

// --- Delivery states ----------------------------------------------------------------------

enum class DeliveryState { Waiting = 0, Delivered = 1, TimedOut = 2, Refused = 3 };
inline constexpr int kDeliveryStateCount = 4;

// 0 and 1 waiting, 3 delivered, 5 timed out, any other value refused.
DeliveryState DeliveryStateOf(int gel);
// "Beklemede", "İletildi", "Zaman Aşımı", "Reddedildi".
QString DeliveryStateText(DeliveryState state);
// The state text of a gateway status digit.
QString MesajDurumu(int gel);

// --- Status reply lines -------------------------------------------------------------------

// One line of a status reply (Action 11 or 17). The status is the last character, which
// must be an ASCII digit 0 to 9; the number is the first ten of the last twelve characters,
// or the first ten of a line shorter than twelve.
struct ReportLine {
    QString number;
    int status = 0;
};

// Reads one line (without its line feed; one CR at its end is dropped). No value for an
// empty line or a last character that is not an ASCII digit.
std::optional<ReportLine> ReadReportLine(QStringView line);

// Walks a reply line by line: only the pieces before the last line feed are lines, the piece
// after it is not read.
class ReportLineReader {
public:
    explicit ReportLineReader(const QString &reply);

    // The number of line feeds in the reply (= the number of lines).
    int lineCount() const { return m_lineCount; }
    bool atEnd() const { return m_linesRead >= m_lineCount; }

    enum class Step { Line, Unreadable, End };
    // The next line into `line`. Unreadable: the line gives no status; the reader has moved
    // past it (callers stop there).
    Step next(ReportLine &line);

private:
    QString m_reply;
    qsizetype m_pos = 0;
    int m_lineCount = 0;
    int m_linesRead = 0;
};

// --- Reply codes --------------------------------------------------------------------------

enum class ReportFetch { Package, DateRange };

enum class ReportReplyKind {
    NoConnection,  // "-1", "04", "05": the window stays as it was
    WrongAccount,  // "01", "03": the window stays as it was
    DateRangeCode, // "100", "17", "18", "19" of the date range fetch: the report is emptied
    Empty,         // "": the report is emptied, nothing is read
    Lines,         // anything else is read as lines
};

struct ReportReplyJudgement {
    ReportReplyKind kind = ReportReplyKind::Lines;
    // The box to show ("" for none).
    QString text;
    PromptIcon icon = PromptIcon::None;
    QString title;
};

ReportReplyJudgement JudgeReportReply(ReportFetch fetch, const QString &reply);

// --- Texts of the fetch -----------------------------------------------------------------

namespace ReportTexts {
// Progress window status lines, in the order of a fetch.
QString asking();
QString counting();
QString connectingErp();
QString building();
// Stage texts (gErrorText).
QString stageGateway();
QString stageErp();
QString stageLines();
} // namespace ReportTexts

// Day texts of the requests (yyyy-MM-dd) and of the summary boxes (dd.MM.yyyy), whatever
// the machine's locale.
QString ReportRequestDay(const QDate &day);
QString ReportSummaryDay(const QDate &day);

// --- Contact names ------------------------------------------------------------------------

// The contact persons of the company's customer cards that have a mobile number.
QString ReportContactQuery(const QString &companyCode);

// The names that a report line's number gets: looked up by the area code (the number's
// first three characters) and the line (the next seven), compared without trailing blanks
// as the ERP server compares them. The first contact added for a number keeps it.
class ContactNames {
public:
    struct Names {
        QString ad;    // Adi + " " + Adi2 (Null read as "")
        QString soyad; // Soyadi (Null read as "")
    };

    void add(const QString &cepTelBKod, const QString &cepTel, const QString &adi, const QString &adi2,
             const QString &soyadi);
    const Names *find(QStringView number) const;
    int size() const { return int(m_names.size()); }
    void reserve(int n) { m_names.reserve(n); }

    // Runs ReportContactQuery(gCompanyCode) on the open ERP connection, in query order.
    // Throws OrvekError with the driver's text, and for a company code that is not plain
    // (RequirePlainCompanyCode) before anything runs.
    static ContactNames load();

private:
    static QString key(QStringView areaCode, QStringView line);
    QHash<QString, Names> m_names;
};

// --- Status filter ----------------------------------------------------------------------

// The filter over Durum of the ticked boxes, in the fixed order Beklemede, İletildi,
// Zaman Aşımı, Reddedildi, joined by " OR "; "" when no box is ticked (no filter).
QString ReportFilterText(bool waiting, bool delivered, bool timedOut, bool refused);
