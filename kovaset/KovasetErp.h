#pragma once

// The automatic program's access to the ERP database: its own query builder and one way to
// run a query that reopens the connection once when the query fails (a server restart or a
// dropped link between two runs).

#include <QSqlQuery>
#include <QString>
#include <functional>

// The SELECT text of a query kind for company gCompanyCode: "BakiyeMesaj", "ChkMesaj",
// "GrupMesaj" and "YetkiliMesaj" as the main program writes them, and "Kovaset", the contact
// persons with the day, month and year of their birth and wedding dates. "" for any other
// kind. Every text ends with a condition, so further conditions may follow with AND.
QString KovasetGetErpQuery(const QString &kind);
// The same for a company code given by the caller.
QString KovasetErpQueryFor(const QString &kind, const QString &companyCode);

// Whether a company code may be spliced into the ERP table names: one or more ASCII letters
// and digits, nothing else.
bool IsPlainCompanyCode(const QString &code);

enum class ErpQueryStatus {
    Done,         // the query ran and readRows read every row
    NoConnection, // the ERP connection could not be opened
    Failed        // the query failed twice, the second time on a reopened connection
};

// Opens the ERP connection when it is closed and runs `sql` (through ErpSqlText) forward-only;
// readRows reads the result (it is called again from the start after a retry, so it must
// begin by clearing what it keeps). A failing query, or a failure while its rows are read,
// closes the connection, opens it again and runs the query once more. `error` receives the
// driver's description when the status is not Done.
ErpQueryStatus RunErpQueryReconnectingOnce(const QString &sql, const std::function<void(QSqlQuery &)> &readRows,
                                           QString *error = nullptr);
