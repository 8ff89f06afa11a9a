#pragma once

// Spreadsheet export of a record set into an .xlsx workbook.

#include "core/RecordSet.h"

#include <QString>
#include <QStringList>

#include <functional>

// Rows per worksheet; a longer record set continues on the next sheet.
constexpr int kExportRowsPerSheet = 65535;

// Writes the rows of rs (as its filter shows them) into a new workbook at fileName, one
// sheet per 65535 rows ("Sayfa1", "Sayfa2", ...; at least one sheet). Row 1 of every sheet
// holds the headings and the records follow from row 2, one column per field in field
// order. headers is the list of headings: when it has more elements than rs has fields, its
// last element is a spare slot and is not written (callers may give the field names plus
// one); otherwise every element is written.
//
// Numbers are written as numbers, dates and times as dates with Turkish formats
// (dd.mm.yyyy, dd.mm.yyyy hh:mm:ss), texts as texts, Null as an empty cell. Integers of 16
// digits or more and dates before March 1900 are written as texts, which a spreadsheet
// keeps as they are.
//
// An existing file of that name is deleted first. The progress window's counters
// gProgressTotal/gProgressDone, status line, speed line and timer are driven while the rows
// are written; the window is hidden once the file is saved. Then the completion box is
// shown and the file is opened in the spreadsheet program (Shell::openFile; a desktop that
// finds no program for it afterwards gets the failure box of that stage then). Any failure
// shows one critical box (the failure's description, CR LF, the stage text gErrorText) and
// returns normally; the progress window is then left to the caller. Memory use does not
// grow with the number of rows.
//
// mustStop, when given, is asked after every yield: once it says true (the window that
// started the export has gone, the program is ending) the export ends at once, writes no
// file, shows nothing and leaves the progress window alone.
void ExportToExcel(const RecordSet &rs, const QString &fileName, const QStringList &headers,
                   const std::function<bool()> &mustStop = {});

// Asks for the workbook to save in a Save-As dialog (FileDialog). The dialog opens with an
// empty name in the user's Documents folder when that exists, else in the home folder. A
// name without an extension gets ".xlsx"; if that file exists, the operator is asked before
// it is replaced (when not, the dialog opens again in that file's folder). Returns "" when
// the operator cancels.
QString GetExcelFileToSave();
