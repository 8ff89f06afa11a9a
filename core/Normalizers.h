#pragma once

#include <QString>
#include <QStringView>

// Prepares data for the SMS gateway.

// Folds the Turkish letters to plain Latin letters and replaces the characters that would
// break the gateway request or the SMS body. Line breaks are removed without a blank, so the
// words on either side join. Never throws: a failure inside gives "".
QString NormalizeGsmText(QString text);
// The same into `out`, which has room for text.size() units; gives the length written.
qsizetype NormalizeGsmTextInto(QStringView text, char16_t *out);

// The ten-digit mobile number of a number as the ERP keeps it ("0 532 123 45 67",
// "+90 (532) 123-45-67", "532.123.45.67", ...), or "" when it is not a usable mobile number
// (fewer than ten characters after cleaning, anything but ASCII digits left, or a prefix other
// than 50, 53, 54, 55).
QString NormalizeGsmNumber(QString number);
