#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// Dates in the local database are ISO text "yyyy-MM-dd HH:mm:ss" (sortable); on screen they
// are shown in the Turkish forms. Both programs use these helpers.
QString ToIsoText(const QDateTime &dt);
QString ToIsoText(const QDate &d);
QDateTime FromIsoText(const QString &text);
QString ToTurkishDateTime(const QDateTime &dt); // dd.MM.yyyy HH:mm:ss
QString ToTurkishDate(const QDate &d);          // dd.MM.yyyy
QDateTime FromTurkishDateTime(const QString &text);
