#pragma once

// The recipient lists drawn from the ERP database: one fixed SELECT text per message kind,
// the columns each kind yields, and the loader that runs a kind's text on the ERP connection.

#include "core/RecordSet.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>
#include <QVector>

#include <functional>

// The SELECT text of a message kind ("BakiyeMesaj", "ChkMesaj", "GrupMesaj", "YetkiliMesaj",
// "DGunMesaj", "EvYilMesaj") for the company gCompanyCode as it stands now; "" for any other
// key (the comparison is exact and case-sensitive). The company code goes in unchanged.
QString GetErpQuery(const QString &kind);

// The pieces of those texts, for builders of other kinds over the same tables: the column
// list that a kind's text starts with, and the tail (FROM and WHERE) of a kind for one
// company code ("" for a kind GetErpQuery does not know). The tail of "ChkMesaj" is the plain
// one: account cards of KartTip 0 joined to their contact persons with both parts of a
// mobile number.
QString ErpQueryColumns(const QString &kind);
QString ErpQueryTail(const QString &kind, const QString &companyCode);

// The columns a kind's text yields, in order, with the type every loaded value has:
// QString for texts, QDate for the converted day numbers, double for Bakiye. Empty for a key
// that GetErpQuery does not know.
QVector<RecordField> ErpColumns(const QString &kind);
QStringList ErpColumnNames(const QString &kind);

// Turns a value as an SQL driver returns it into the column's type, so that the real server
// (QODBC) and the SQLite stand-in give the same C++ types:
//  - Null (or a value that cannot be converted) becomes a null QVariant of that type;
//  - QString columns take any value as its text (numbers in the C locale);
//  - QDate columns take QDate, QDateTime (its date) or ISO text "yyyy-MM-dd[ HH:mm:ss]";
//  - Double columns take any number, or a number written with a decimal point.
QVariant NormalizeErpValue(const QVariant &value, QMetaType::Type type);

// Runs the kind's text (through ErpSqlText) on the open ERP connection with a forward-only
// query and returns every row, each value normalised to its column's type. Throws OrvekError
// for an unknown kind, for a company code that is not plain (RequirePlainCompanyCode) and with
// the driver's description when the query fails.
RecordSet LoadErpRecordSet(const QString &kind);

// Whether every character is an ASCII letter or digit (the empty text passes).
bool IsAsciiLettersAndDigits(QStringView text);
// Whether a company code may be spliced into the ERP table names: one or more ASCII letters
// and digits, nothing else.
bool IsPlainCompanyCode(const QString &code);
// Throws OrvekError ("Şirket kodu geçersiz: " + code) unless IsPlainCompanyCode(code): every
// query that splices the company code into the ERP table names asks this first.
void RequirePlainCompanyCode(const QString &code);

enum class ErpQueryStatus {
    Done,         // the query ran and readRows read every row
    NoConnection, // the ERP connection could not be opened
    Failed        // the query failed twice, the second time on a reopened connection
};

// Opens the ERP connection when it is closed and runs `sql` (through ErpSqlText) forward-only;
// readRows reads the result (it is called again from the start after a retry, so it must
// begin by clearing what it keeps). A failing query, or a failure while its rows are read,
// closes the connection, opens it again and runs the query once more: a server restart or a
// dropped link between two runs of a program that stays up costs one retry, not the run.
// `error` receives the driver's description when the status is not Done.
ErpQueryStatus RunErpQueryReconnectingOnce(const QString &sql, const std::function<void(QSqlQuery &)> &readRows,
                                           QString *error = nullptr);
