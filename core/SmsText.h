#pragma once

// Message texts as the text boxes hold them: every line break is CR LF, two characters, in
// what is stored and in what the counters count.

#include <QString>

inline constexpr int kSmsCounterSize = 160; // the "/ 160" of the message counters

// The text with every line break (CR LF, a lone LF, a lone CR, U+2028, U+2029) as CR LF.
QString ToCrLf(const QString &text);

// The text's length with every line break counted as two characters (CR LF).
int SmsLength(const QString &text);

// What a message counter shows: 160 minus SmsLength(text); negative when the text is longer.
int SmsRemaining(const QString &text);

// How many characters at the end of `added` must go so that a text of SmsLength `length` fits
// `limit` (a line break counts two); never cuts a surrogate pair or a CR LF in two.
int QuickExcessCharacters(const QString &added, int length, int limit);

// The character filter of a number box: a digit or the erase key (8) passes, every other
// character code becomes 0 (dropped).
int QuickNumberKey(int keyAscii);
