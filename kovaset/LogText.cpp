#include "kovaset/LogText.h"

namespace {
void appendHex(QString &out, const char *prefix, uint code, int digits)
{
    out += QLatin1String(prefix);
    out += QStringLiteral("%1").arg(code, digits, 16, QLatin1Char('0')).toUpper();
}
} // namespace

QString EscapeControlCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
            appendHex(out, "\\x", u, 2);
        } else if (u == 0x2028 || u == 0x2029) {
            appendHex(out, "\\u", u, 4);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            appendHex(out, "\\u", u, 4);
        } else {
            out += c;
        }
    }
    return out;
}

QString ReplyForLog(const QString &reply)
{
    qsizetype n = qMin<qsizetype>(reply.size(), kLogExcerptChars);
    if (n < reply.size() && n > 0 && reply.at(n - 1).isHighSurrogate() && reply.at(n).isLowSurrogate()) --n;
    QString out = QLatin1Char('"') + EscapeControlCharacters(reply.left(n)) + QLatin1Char('"');
    if (n < reply.size()) out += QStringLiteral("... (%1 karakter)").arg(reply.size());
    return out;
}
