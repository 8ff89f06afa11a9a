#include "core/XmlText.h"

#include "core/Normalizers.h"
#include "core/Utf8.h"

namespace {

// Whether the UTF-16 unit at i, with its neighbours, is allowed; `pairLength` is 2 for the
// high half of a surrogate pair (both halves are kept together).
bool allowedAt(const QChar *text, qsizetype size, qsizetype i, int &pairLength)
{
    pairLength = 1;
    const char16_t u = text[i].unicode();
    if (u < 0x20) return u == 0x09 || u == 0x0A || u == 0x0D;
    if (u == 0xFFFE || u == 0xFFFF) return false;
    if (QChar::isHighSurrogate(u)) {
        if (i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            pairLength = 2;
            return true;
        }
        return false;
    }
    return !QChar::isLowSurrogate(u);
}

} // namespace

QString DropXmlForbiddenCharacters(const QString &value)
{
    const QChar *text = value.constData();
    const qsizetype size = value.size();
    qsizetype i = 0;
    int step = 1;
    while (i < size && allowedAt(text, size, i, step)) i += step;
    if (i == size) return value;

    QString out;
    out.reserve(size);
    out.append(text, i);
    while (i < size) {
        if (allowedAt(text, size, i, step)) out.append(text + i, step);
        i += step;
    }
    return out;
}

namespace {

// The byte of a unit that goes out as one ASCII byte (printable ASCII or DEL): after folding
// most of a text (letters, digits, the Turkish letters); 0 for any other unit.
struct PlainBytes {
    quint8 folded[kGsmTextTableSize] = {};
    PlainBytes()
    {
        for (char16_t u = 0; u < kGsmTextTableSize; ++u) {
            const int f = kGsmTextUnitTable[u];
            if (f >= 0x20 && f < 0x80) folded[u] = quint8(f);
        }
    }
    template <bool Fold>
    quint8 of(char16_t u) const
    {
        if (Fold) return u < kGsmTextTableSize ? folded[u] : 0;
        return u >= 0x20 && u < 0x80 ? quint8(u) : 0;
    }
};
const PlainBytes kPlain;

// Writes the bytes at `o`.
struct Utf8Writer {
    char *o;
    // The units from p on that go out as one byte each, up to the first other one; whether
    // there were any.
    template <bool Fold>
    bool plainRun(const char16_t *&p, const char16_t *end)
    {
        char *const from = o;
        for (; p != end; ++p) {
            const quint8 b = kPlain.of<Fold>(*p);
            if (!b) break;
            *o++ = char(b);
        }
        return o != from;
    }
    void code(char32_t c) { o = PutUtf8(o, c); }
};
// Only counts them.
struct Utf8Counter {
    qsizetype n = 0;
    template <bool Fold>
    bool plainRun(const char16_t *&p, const char16_t *end)
    {
        const char16_t *const from = p;
        while (p != end && kPlain.of<Fold>(*p)) ++p;
        n += p - from;
        return p != from;
    }
    void code(char32_t c) { n += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }
};

// The UTF-8 of the value without the characters XML forbids; with Fold, of NormalizeGsmText
// of it. Folding maps every unit on its own (or drops it), so the units are folded as they
// come and the forbidden ones are judged on the folded sequence: a high surrogate waits for
// the next unit that folding keeps (a line break between two halves goes, and the halves
// make a pair).
template <bool Fold, class Out>
void putXmlText(QStringView value, Out &out)
{
    const char16_t *p = value.utf16();
    const char16_t *const end = p + value.size();
    char16_t high = 0; // a high surrogate waiting for its low half
    while (p != end) {
        if (out.template plainRun<Fold>(p, end)) {
            high = 0; // a high half before them stands alone and goes
            if (p == end) break;
        }
        // Any other unit: removed, forbidden, or more than one byte.
        char16_t u = *p++;
        if (Fold && u < kGsmTextTableSize) {
            const int folded = kGsmTextUnitTable[u];
            if (folded < 0) continue;
            u = char16_t(folded);
        }
        if (high) {
            const char16_t h = high;
            high = 0;
            if (QChar::isLowSurrogate(u)) {
                out.code(QChar::surrogateToUcs4(h, u));
                continue;
            }
        }
        if (QChar::isHighSurrogate(u)) {
            high = u;
            continue;
        }
        if (u < 0x20 ? (u != 0x09 && u != 0x0A && u != 0x0D) : (QChar::isLowSurrogate(u) || u == 0xFFFE || u == 0xFFFF))
            continue;
        out.code(u);
    }
}

} // namespace

char *WriteXmlTextAsUtf8(char *o, QStringView value)
{
    Utf8Writer w{o};
    putXmlText<false>(value, w);
    return w.o;
}

char *WriteGsmTextAsXmlUtf8(char *o, QStringView text)
{
    Utf8Writer w{o};
    putXmlText<true>(text, w);
    return w.o;
}

qsizetype XmlUtf8Size(QStringView value)
{
    Utf8Counter c;
    putXmlText<false>(value, c);
    return c.n;
}

qsizetype GsmTextXmlUtf8Size(QStringView text)
{
    Utf8Counter c;
    putXmlText<true>(text, c);
    return c.n;
}

void AppendXmlTextAsUtf8(QByteArray &out, QStringView value)
{
    const qsizetype at = out.size();
    out.resize(at + kXmlUtf8Room * value.size());
    char *end = WriteXmlTextAsUtf8(out.data() + at, value);
    out.resize(end - out.constData());
}
