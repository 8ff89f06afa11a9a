#include "core/DateText.h"

QString ToIsoText(const QDateTime &dt)
{
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString ToIsoText(const QDate &d) { return ToIsoText(QDateTime(d, QTime(0, 0))); }

namespace {
// "yyyy-MM-dd HH:mm:ss" read digit by digit: the form every stored date has, read for every
// row of long lists. Returns an invalid date and time for any other text.
QDateTime fromExactIsoText(const QString &t)
{
    if (t.size() != 19 || t[4] != QLatin1Char('-') || t[7] != QLatin1Char('-') || t[10] != QLatin1Char(' ') ||
        t[13] != QLatin1Char(':') || t[16] != QLatin1Char(':'))
        return {};
    int v[6] = {};
    const int at[6] = {0, 5, 8, 11, 14, 17};
    for (int f = 0; f < 6; ++f) {
        const int width = f == 0 ? 4 : 2;
        for (int i = 0; i < width; ++i) {
            const char16_t c = t[at[f] + i].unicode();
            if (c < u'0' || c > u'9') return {};
            v[f] = v[f] * 10 + (c - u'0');
        }
    }
    const QDate d(v[0], v[1], v[2]);
    const QTime tm(v[3], v[4], v[5]);
    if (!d.isValid() || !tm.isValid()) return {};
    return QDateTime(d, tm);
}
} // namespace

QDateTime FromIsoText(const QString &text)
{
    if (const QDateTime exact = fromExactIsoText(text); exact.isValid()) return exact;
    const QString t = text.trimmed();
    QDateTime dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid()) dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
    }
    return dt;
}

QString ToTurkishDateTime(const QDateTime &dt)
{
    return dt.isValid() ? dt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : QString();
}

QString ToTurkishDate(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString(); }

QDateTime FromTurkishDateTime(const QString &text)
{
    const QString t = text.trimmed();
    QDateTime dt = QDateTime::fromString(t, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
        if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
    }
    return dt;
}
