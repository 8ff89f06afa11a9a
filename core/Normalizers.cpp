#include "core/Normalizers.h"

#include <algorithm>
#include <exception>

namespace {

// The printable ASCII units other than "&", "<", ">" and "~" stay as they are: most of a text.
constexpr bool keptAscii(char16_t u)
{
    return u >= 0x20 && u < 0x7F && u != u'&' && u != u'<' && u != u'>' && u != u'~';
}

// What NormalizeGsmText puts for any other UTF-16 unit: the unit itself, another one, or
// nothing (-1). The replacements of the text map single units to single units or remove
// them, and none gives a unit that another one replaces, so mapping every unit once gives
// the text that applying them one after the other gives.
constexpr int gsmTextUnitOutsideAscii(char16_t u)
{
    switch (u) {
    case u'\u00DC':
        return u'U';
    case u'\u00FC':
        return u'u';
    case u'\u011E':
        return u'G';
    case u'\u011F':
        return u'g';
    case u'\u0130':
        return u'I';
    case u'\u0131':
        return u'i';
    case u'\u015E':
        return u'S';
    case u'\u015F':
        return u's';
    case u'\u00C7':
        return u'C';
    case u'\u00E7':
        return u'c';
    case u'\u00D6':
        return u'O';
    case u'\u00F6':
        return u'o';
    case u'&':
        return u'-';
    case u'\u00E9':
        return u'e';
    case u'\r':
    case u'\n':
        return -1; // "\r\n", then a lone "\r", then a lone "\n": every one goes
    case u'>':
        return u']';
    case u'<':
        return u'[';
    case u'~':
    case u'\t':
        return u' ';
    default:
        return u;
    }
}

struct GsmTextUnits {
    qint16 units[kGsmTextTableSize] = {};
    constexpr GsmTextUnits()
    {
        for (char16_t u = 0; u < kGsmTextTableSize; ++u)
            units[u] = qint16(keptAscii(u) ? int(u) : gsmTextUnitOutsideAscii(u));
    }
};
constexpr GsmTextUnits kGsmTextUnits;

// Every unit from the table's end on stays as it is. Checked in eight ranges, so that no one
// evaluation goes beyond what a compiler allows a constant expression (clang stops at about
// a million steps).
constexpr bool unchangedIn(int from, int to)
{
    for (int u = from; u < to; ++u)
        if (gsmTextUnitOutsideAscii(char16_t(u)) != u) return false;
    return true;
}
constexpr int kRangeSize = 0x2000;
static_assert(kGsmTextTableSize < kRangeSize, "the first range starts at the table's end");
static_assert(unchangedIn(kGsmTextTableSize, 1 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(1 * kRangeSize, 2 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(2 * kRangeSize, 3 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(3 * kRangeSize, 4 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(4 * kRangeSize, 5 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(5 * kRangeSize, 6 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(6 * kRangeSize, 7 * kRangeSize), "a replaced unit lies outside the table");
static_assert(unchangedIn(7 * kRangeSize, 8 * kRangeSize), "a replaced unit lies outside the table");
static_assert(8 * kRangeSize == 0x10000, "the ranges end after the last unit");

} // namespace

const qint16 *const kGsmTextUnitTable = kGsmTextUnits.units;

qsizetype NormalizeGsmTextInto(QStringView text, char16_t *out)
{
    qsizetype n = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (keptAscii(c)) {
            out[n++] = c;
            continue;
        }
        const int u = gsmTextUnitOutsideAscii(c);
        if (u >= 0) out[n++] = char16_t(u);
    }
    return n;
}

QString NormalizeGsmText(QString text)
{
    try {
        // One pass over the text; a text with nothing to replace is given back as it came.
        const qsizetype size = text.size();
        const QChar *in = text.constData();
        qsizetype i = 0;
        while (i < size &&
               (keptAscii(in[i].unicode()) || gsmTextUnitOutsideAscii(in[i].unicode()) == int(in[i].unicode())))
            ++i;
        if (i == size) return text;

        QString out(size, Qt::Uninitialized);
        char16_t *o = reinterpret_cast<char16_t *>(out.data());
        std::copy(in, in + i, out.data());
        out.truncate(i + NormalizeGsmTextInto(QStringView(text).mid(i), o + i));
        return out;
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
