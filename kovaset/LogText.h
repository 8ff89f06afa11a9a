#pragma once

// Texts from outside (a gateway or service reply, a stored value) as they may stand in a log
// line: one readable UTF-8 line, whatever bytes came.
//
//   log(QStringLiteral("Tebrik gönderilemedi, yanıt ") + ReplyForLog(reply));
//
// Every control character (C0, DEL, C1) is shown as \xNN with two upper-case hex digits,
// the line and paragraph separators U+2028 and U+2029 as \u2028 and \u2029, and a lone
// surrogate as \uNNNN; everything else stays as it came.

#include <QString>

// The text with every control character escaped as above (nothing cut).
QString EscapeControlCharacters(const QString &text);

// At most the first kLogExcerptChars characters of a reply (a surrogate pair is never cut),
// escaped as above, between double quotes; a longer reply is followed by
// "... (<n> karakter)" with its whole length.
inline constexpr int kLogExcerptChars = 200;
QString ReplyForLog(const QString &reply);
