#pragma once

// Request values for the gateway and the interactive service go into XML texts as they are
// (no escaping: the peers read them that way). Characters that XML 1.0 cannot carry at all
// would make the whole request unreadable for the peer, so they are dropped from every
// value first: control characters other than TAB, LF and CR, surrogates that do not form a
// pair, and U+FFFE, U+FFFF. Everything else, "<", "&" and ">" included, stays.

#include <QString>

// The value without the characters XML 1.0 forbids; the same string (shared, not copied)
// when it holds none.
QString DropXmlForbiddenCharacters(const QString &value);
