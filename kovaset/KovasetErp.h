#pragma once

// The automatic program's own ERP query texts (it runs them through
// RunErpQueryReconnectingOnce, core/ErpQueries.h).

#include <QString>

// The SELECT text of a query kind for company gCompanyCode: "BakiyeMesaj", "ChkMesaj",
// "GrupMesaj" and "YetkiliMesaj" as the main program writes them, and "Kovaset", the contact
// persons with the day, month and year of their birth and wedding dates. "" for any other
// kind. Every text ends with a condition, so further conditions may follow with AND.
QString KovasetGetErpQuery(const QString &kind);
// The same for a company code given by the caller.
QString KovasetErpQueryFor(const QString &kind, const QString &companyCode);
