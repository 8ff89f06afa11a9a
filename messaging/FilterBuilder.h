#pragma once

// The logic of the recipient windows' filter frame: the operators each value type offers, the
// key filter of the value box, the checks and the text of one condition line ("Ekle"), and the
// applying of all lines as one filter ("Filtrele"). The windows read their controls, call these
// and show the results.

#include "core/RecordSet.h"

#include <QString>
#include <QStringList>

// The value type options: "Metin", "Sayı", "Tarih".
enum class FilterValueType { Text, Number, Date };

// The seven operators the operator list holds when the window opens.
QStringList FilterOperatorsAtOpen();
// The operators offered once a value type option has been clicked.
QStringList FilterOperators(FilterValueType type);

// Whether a key typed into the value box passes (character code; 8 is the erase key). Under
// "Sayı" only the digits and the erase key pass.
bool FilterValueKeyPasses(FilterValueType type, int charCode);

// Whether the date box counts as empty: it holds no digit (only the mask's slashes, prompt
// characters or blanks).
bool FilterDateBoxIsEmpty(const QString &dateText);

// Result of "Ekle": either the line to append, or the warning to show (information icon,
// title "Uyarı") and the control that takes the focus.
struct FilterLineInput {
    enum class Focus { None, FieldList, OperatorList, ValueBox, DateBox };
    QString line;
    QString warning;
    Focus focus = Focus::None;
    bool ok() const { return warning.isEmpty(); }
};

// Checks the inputs in order (field, operator, value) and builds the condition line:
//   Metin: field + " " + op + " '" + value + "'"
//   Sayı:  field + " " + op + " " + value
//   Tarih: field + " " + op + " #" + dateText + "#"
// Everything is put in as it stands: nothing trimmed, no apostrophe doubled, no wildcard added,
// the date not checked. `valueText` is the value box, `dateText` the date box.
FilterLineInput BuildFilterLine(FilterValueType type, const QString &field, const QString &op, const QString &valueText,
                                const QString &dateText);

// Result of "Filtrele".
struct FilterApplyResult {
    enum class Status {
        NothingToDo, // no line: nothing changed, no message
        Applied,     // the set now holds the filter of all lines
        Refused      // a line was refused; the set's filter is the one it had before
    };
    Status status = Status::NothingToDo;
    QString filterText; // Applied: the lines joined by " and " in list order
    int badLine = 0;    // Refused: 1-based number of the first line refused
    QString reason;     // Refused: why that line was refused
    // Refused: the description of the fault, naming the line.
    QString description() const;
    // Refused: the text of the message box (critical icon, title "Brenvik").
    QString message() const;
};

// Applies all lines at once: the set gets the filter of the lines joined by " and ", or, when
// a line is refused, keeps the filter (and so the count) it had.
FilterApplyResult ApplyFilterLines(RecordSet &set, const QStringList &lines);

// The grid caption of a recipient window: title + " (Toplam : " + count + " kayıt)".
QString FilterGridCaption(const QString &gridTitle, int recordCount);
