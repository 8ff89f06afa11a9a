#pragma once

// The recipients the merge and road benchmarks share: a three-placeholder text and Turkish
// names; every tenth account has a long name, whose text goes over 160 characters; every
// fiftieth contact has the number of the one before.

#include <QString>
#include <QStringList>

namespace bench {

inline const QString kText =
    QStringLiteral("Sayın [##YetkiliAdi##] [##YetkiliSoyadi##],\r\n[##Unvan1##] hesabınızın yıl sonu mutabakatı için "
                   "lütfen bizi arayınız.");

inline const QStringList kFirst = {"Ayşe", "İsmail", "Irmak", "Çiğdem", "Ümit", "Gülşen", "Şükrü", "Ahmet",
                                   "Işıl", "Ömer",   "Deniz", "Ağah",   "Can",  "Elif",   "Oğuz",  "Zeynep"};
inline const QStringList kLast = {"Yılmaz", "Öztürk", "Çelik", "Ağaoğlu", "Işık", "Ilgaz", "Şen", "Kaya"};

inline QString accountName(int i, const QString &last)
{
    return i % 10 == 9
               ? last + QStringLiteral(
                            " Uluslararası Gıda Tekstil İnşaat Otomotiv Turizm Sanayi ve Ticaret Anonim Şirketi %1")
                            .arg(i)
               : last + QStringLiteral(" Ticaret %1").arg(i);
}

inline QString subscriber(int i) { return QString::number(1000000 + (i % 50 == 49 ? i - 1 : i)); }

} // namespace bench
