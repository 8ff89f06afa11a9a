#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// Prepares data for the SMS gateway.

// Folds the Turkish letters to plain Latin letters and replaces the characters that would
// break the gateway request or the SMS body. Line breaks are removed without a blank, so the
// words on either side join. Never throws: a failure inside gives "".
QString NormalizeGsmText(QString text);
// The same into `out`, which has room for text.size() units; gives the length written.
qsizetype NormalizeGsmTextInto(QStringView text, char16_t *out);
// What NormalizeGsmText puts for one UTF-16 unit u below kGsmTextTableSize:
// kGsmTextUnitTable[u] is the unit itself, another one, or -1 (removed). Every unit is mapped
// on its own, so mapping each unit of a text gives the whole result; the units from
// kGsmTextTableSize on stay as they are.
inline constexpr char16_t kGsmTextTableSize = 0x180;
extern const qint16 *const kGsmTextUnitTable;

// The ten-digit mobile number of a number as the ERP keeps it ("0 532 123 45 67",
// "+90 (532) 123-45-67", "532.123.45.67", ...), or "" when it is not a usable mobile number
// (fewer than ten characters after cleaning, anything but ASCII digits left, or a prefix other
// than 50, 53, 54, 55).
QString NormalizeGsmNumber(QString number);
