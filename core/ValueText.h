#pragma once

#include <QString>
#include <QVariant>

// The text a field value takes when it replaces a placeholder in a message, by fixed Turkish
// rules, whatever the machine's locale:
//
//   Null / invalid            ""
//   text                      unchanged
//   whole numbers             plain decimal, no grouping: 1250, -300, 0
//   double                    at most 15 significant digits, decimal comma, no grouping,
//                             no trailing zeros: 1250.75 -> "1250,75", 1250.0 -> "1250",
//                             0.5 -> "0,5", -0.0 -> "0"; below 1E-4 or from 1E+15 on in
//                             exponent form: 1E+15, 1,5E-05
//   QDate                     dd.MM.yyyy: 15.03.1980; day 0 of the ERP is 30.12.1899
//   QDateTime at midnight     dd.MM.yyyy (the date alone)
//   QDateTime with a time     dd.MM.yyyy HH:mm:ss
//   QTime                     HH:mm:ss
//   bool                      "True" / "False"
//   anything else             QVariant::toString()
//
// An invalid date, date-time or time gives "".
QString ValueText(const QVariant &value);
