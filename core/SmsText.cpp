#include "core/SmsText.h"

namespace {
bool isBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}
} // namespace

QString ToCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isBreak(c)) {
            out.append(c);
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
        out.append(QLatin1String("\r\n"));
    }
    return out;
}

int SmsLength(const QString &text)
{
    qsizetype n = text.size();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isBreak(c)) continue;
        // A CR LF pair is two characters already; any other break becomes two.
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            ++i;
            continue;
        }
        ++n;
    }
    return int(n);
}

int SmsRemaining(const QString &text) { return kSmsCounterSize - SmsLength(text); }

int QuickExcessCharacters(const QString &added, int length, int limit)
{
    int excess = length - limit;
    qsizetype end = added.size();
    while (excess > 0 && end > 0) {
        qsizetype take = 1;
        const QChar last = added.at(end - 1);
        int weight = isBreak(last) ? 2 : 1;
        if (end >= 2) {
            const QChar before = added.at(end - 2);
            if (last == QLatin1Char('\n') && before == QLatin1Char('\r'))
                take = 2;
            else if (last.isLowSurrogate() && before.isHighSurrogate()) {
                take = 2;
                weight = 2;
            }
        }
        end -= take;
        excess -= weight;
    }
    return int(added.size() - end);
}

int QuickNumberKey(int keyAscii) { return (keyAscii >= 48 && keyAscii <= 57) || keyAscii == 8 ? keyAscii : 0; }
