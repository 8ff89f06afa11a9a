#pragma once

// Letter case the Turkish way, for comparing texts without case: the dotted and the dotless
// i are two letters, each with its own capital (İ/i, I/ı), so "ILIK" and "ılık" are one
// word and "BILGI" and "bilgi" are two. Every other letter (Ş/ş, Ğ/ğ, Ü/ü, Ö/ö, Ç/ç, the
// ASCII letters, ...) has its usual small letter.

#include <QString>

// The text with every capital letter replaced by its small letter; other characters (digits,
// blanks, marks) stay as they are. Two texts are equal without case when their folds are.
QString TurkishFold(const QString &text);
