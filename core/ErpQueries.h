#pragma once

// The recipient lists drawn from the ERP database: one fixed SELECT text per message kind,
// the columns each kind yields, and the loader that runs a kind's text on the ERP connection.

#include "core/RecordSet.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

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
// for an unknown kind and with the driver's description when the query fails.
RecordSet LoadErpRecordSet(const QString &kind);
