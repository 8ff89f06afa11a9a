#include "core/Normalizers.h"

#include <exception>

QString NormalizeGsmText(QString text)
{
    try {
        // Applied one after the other, each to the result of the one before.
        static const struct {
            const char16_t *find;
            const char16_t *replace;
        } steps[] = {
            {u"\u00DC", u"U"}, {u"\u00FC", u"u"}, {u"\u011E", u"G"}, {u"\u011F", u"g"}, {u"\u0130", u"I"},
            {u"\u0131", u"i"}, {u"\u015E", u"S"}, {u"\u015F", u"s"}, {u"\u00C7", u"C"}, {u"\u00E7", u"c"},
            {u"\u00D6", u"O"}, {u"\u00F6", u"o"}, {u"&", u"-"},      {u"\u00E9", u"e"}, {u"\r\n", u""},
            {u"\r", u""},      {u"\n", u""},      {u">", u"]"},      {u"<", u"["},      {u"~", u" "},
            {u"\t", u" "},
        };
        for (const auto &s : steps)
            text.replace(QString::fromUtf16(s.find), QString::fromUtf16(s.replace), Qt::CaseSensitive);
        return text;
    } catch (const std::exception &) {
        return QString();
    }
}

QString NormalizeGsmNumber(QString number)
{
    // 1. Leading and trailing blanks (blanks only, not other white space).
    int first = 0, last = int(number.size());
    while (first < last && number.at(first) == QLatin1Char(' ')) ++first;
    while (last > first && number.at(last - 1) == QLatin1Char(' ')) --last;
    number = number.mid(first, last - first);

    // 2. Separators, in this order.
    for (const char c : {' ', '(', ')', '[', ']', '{', '}', '-', '.', ',', '+'}) number.remove(QLatin1Char(c));

    // 3. Too short.
    if (number.size() < 10) return QString();

    // 4. The whole text must be a number: plain ASCII digits only.
    for (const QChar ch : std::as_const(number))
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return QString();

    // 5. The last ten digits: a trunk zero or the country code falls away.
    const QString ten = number.right(10);

    // 6. Mobile prefixes.
    static const char *const prefixes[] = {"50", "53", "54", "55"};
    for (const char *p : prefixes)
        if (ten.startsWith(QLatin1String(p))) return ten;
    return QString();
}
