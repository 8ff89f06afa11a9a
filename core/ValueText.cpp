#include "core/ValueText.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>

namespace {
QString doubleText(double x)
{
    if (x == 0) return QStringLiteral("0"); // also -0
    if (std::isnan(x) || std::isinf(x)) return QString();
    // 15 significant digits; the decimal exponent after rounding picks the form, as C's %.15G
    // does: fixed for -4 <= exponent < 15, otherwise mantissa and exponent.
    const QString sci = QString::number(x, 'e', 14); // d.dddddddddddddde+XX
    const int ePos = int(sci.indexOf(QLatin1Char('e')));
    const int exponent = sci.mid(ePos + 1).toInt();
    const auto trimZeros = [](QString s) {
        if (s.contains(QLatin1Char('.'))) {
            while (s.endsWith(QLatin1Char('0'))) s.chop(1);
            if (s.endsWith(QLatin1Char('.'))) s.chop(1);
        }
        return s;
    };
    QString out;
    if (exponent < -4 || exponent >= 15) {
        const QString exp = QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
        out = trimZeros(sci.left(ePos)) + QLatin1Char('E') + QLatin1Char(exponent < 0 ? '-' : '+') + exp;
    } else {
        out = trimZeros(QString::number(x, 'f', 14 - exponent));
    }
    out.replace(QLatin1Char('.'), QLatin1Char(','));
    return out;
}
} // namespace

QString ValueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Double:
        return doubleText(value.toDouble());
    case QMetaType::Float:
        return doubleText(double(value.toFloat()));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) return QString();
        if (dt.time() == QTime(0, 0)) return dt.date().toString(QStringLiteral("dd.MM.yyyy"));
        return dt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    }
    case QMetaType::QTime: {
        const QTime t = value.toTime();
        return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
    }
    default:
        return value.toString();
    }
}
