#pragma once

// Request values for the gateway and the interactive service go into XML texts as they are
// (no escaping: the peers read them that way). Characters that XML 1.0 cannot carry at all
// would make the whole request unreadable for the peer, so they are dropped from every
// value first: control characters other than TAB, LF and CR, surrogates that do not form a
// pair, and U+FFFE, U+FFFF. Everything else, "<", "&" and ">" included, stays.

#include <QByteArray>
#include <QString>
#include <QStringView>

// The value without the characters XML 1.0 forbids; the same string (shared, not copied)
// when it holds none.
QString DropXmlForbiddenCharacters(const QString &value);

// Bytes of UTF-8 that one UTF-16 unit of a value can take at most (a pair of two takes four).
inline constexpr int kXmlUtf8Room = 3;
// Writes the same bytes at `out`, which has room for kXmlUtf8Room * value.size() of them;
// returns the end of what was written.
char *WriteXmlTextAsUtf8(char *out, QStringView value);
// The bytes WriteXmlTextAsUtf8 writes of NormalizeGsmText(text), folded and written in one
// pass (room as above); returns the end.
char *WriteGsmTextAsXmlUtf8(char *out, QStringView text);
// How many bytes each of the two writes for the text.
qsizetype XmlUtf8Size(QStringView value);
qsizetype GsmTextXmlUtf8Size(QStringView text);
// Appends the value without those characters to `out` as UTF-8: the bytes of
// DropXmlForbiddenCharacters(value).toUtf8(), written straight into the request bytes.
void AppendXmlTextAsUtf8(QByteArray &out, QStringView value);
