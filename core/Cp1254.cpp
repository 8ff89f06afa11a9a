#include "core/Cp1254.h"

#include <QHash>

namespace {
// Unicode code points of bytes 0x80 to 0x9F; 0 marks a byte that the code page leaves unused.
constexpr char16_t kHigh80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0,      0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178};

// Bytes 0xA0 to 0xFF equal Latin-1 except these six Turkish letters.
char16_t fromByte(unsigned char b)
{
    if (b < 0x80) return b;
    if (b < 0xA0) return kHigh80[b - 0x80] ? kHigh80[b - 0x80] : char16_t(b);
    switch (b) {
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return b;
    }
}

const QHash<char16_t, unsigned char> &reverseTable()
{
    static const QHash<char16_t, unsigned char> table = [] {
        QHash<char16_t, unsigned char> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char16_t c = fromByte(static_cast<unsigned char>(b));
            if (c != char16_t(b) ||
                (b >= 0xA0 && b != 0xD0 && b != 0xDD && b != 0xDE && b != 0xF0 && b != 0xFD && b != 0xFE))
                t.insert(c, static_cast<unsigned char>(b));
        }
        return t;
    }();
    return table;
}
} // namespace

QByteArray ToCp1254(const QString &text)
{
    QByteArray out;
    out.resize(text.size());
    const auto &table = reverseTable();
    char *p = out.data();
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
        } else {
            auto it = table.constFind(c);
            *p++ = it != table.constEnd() ? static_cast<char>(it.value()) : '?';
        }
    }
    return out;
}

QString FromCp1254(const QByteArray &bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *p = out.data();
    for (char b : bytes) *p++ = QChar(fromByte(static_cast<unsigned char>(b)));
    return out;
}
