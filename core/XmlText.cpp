#include "core/XmlText.h"

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

char *WriteXmlTextAsUtf8(char *o, QStringView value)
{
    const QChar *text = value.data();
    const qsizetype size = value.size();
    qsizetype i = 0;
    int step = 1;
    while (i < size) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u < 0x80) {
            *o++ = char(u);
            ++i;
            continue;
        }
        if (!allowedAt(text, size, i, step)) {
            i += step;
            continue;
        }
        o = PutUtf8(o, step == 2 ? QChar::surrogateToUcs4(u, text[i + 1].unicode()) : char32_t(u));
        i += step;
    }
    return o;
}

void AppendXmlTextAsUtf8(QByteArray &out, QStringView value)
{
    const qsizetype at = out.size();
    out.resize(at + kXmlUtf8Room * value.size());
    char *end = WriteXmlTextAsUtf8(out.data() + at, value);
    out.resize(end - out.constData());
}
