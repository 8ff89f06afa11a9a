#include "core/DateText.h"

QString ToIsoText(const QDateTime &dt)
{
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString ToIsoText(const QDate &d) { return ToIsoText(QDateTime(d, QTime(0, 0))); }

QDateTime FromIsoText(const QString &text)
{
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
