#include "core/TurkishCase.h"

QString TurkishFold(const QString &text)
{
    QString out = text;
    // The two capitals whose small letter is not the ASCII rule's: I is the capital of the
    // dotless ı, İ of the dotted i (Unicode turns İ into i and a combining dot).
    out.replace(QChar(u'I'), QChar(u'ı'));
    out.replace(QChar(u'İ'), QChar(u'i'));
    return out.toLower();
}
