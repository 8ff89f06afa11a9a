#include "core/Base64.h"

#include "core/Cp1254.h"
#include "core/OrvekError.h"

#include <QFile>
#include <cmath>

namespace {
QByteArray readWholeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw OrvekError(QStringLiteral("Dosya açılamadı: %1 (%2)").arg(path, f.errorString()));
    return f.readAll();
}

// Writes from the first byte on and leaves the rest of a longer earlier file in place, as
// the original file forms did.
void writeFromStart(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        throw OrvekError(QStringLiteral("Dosya yazılamadı: %1 (%2)").arg(path, f.errorString()));
    if (f.write(bytes) != bytes.size())
        throw OrvekError(QStringLiteral("Dosya yazılamadı: %1 (%2)").arg(path, f.errorString()));
}

// round() of the original runtime: nearest whole number, halves to the even neighbour.
long long roundHalfEven(double v) { return static_cast<long long>(std::nearbyint(v)); }
} // namespace

base64::base64()
{
    const char *alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) m_alphabet[i] = static_cast<unsigned char>(alpha[i]);
    for (int i = 0; i < 256; ++i) {
        // First character: top six bits of b0 (index b0 AND 252).
        m_enc1[i] = m_alphabet[(i & 252) >> 2];
        // Second: (b0 AND 3) * 16 + b1 div 16, index (b1 AND 240) OR (b0 AND 3).
        m_enc2[i] = m_alphabet[((i & 3) << 4) | ((i & 240) >> 4)];
        // Third: (b1 AND 15) * 4 + b2 div 64, index (b2 AND 192) OR (b1 AND 15).
        m_enc3[i] = m_alphabet[((i & 15) << 2) | ((i & 192) >> 6)];
        m_dec[i] = 0;
    }
    for (int i = 0; i < 64; ++i) m_dec[m_alphabet[i]] = static_cast<unsigned char>(i);
    for (int i = 0; i < 256; ++i) {
        const unsigned v = m_dec[i];
        m_decShl2[i] = static_cast<unsigned char>(v << 2);
        m_decShr4[i] = static_cast<unsigned char>(v >> 4);
        m_decLow4Shl4[i] = static_cast<unsigned char>((v & 15) << 4);
        m_decShr2[i] = static_cast<unsigned char>(v >> 2);
        m_decLow2Shl6[i] = static_cast<unsigned char>((v & 3) << 6);
    }
}

QByteArray base64::EncodeBytes(const QByteArray &input) const
{
    const long long n = input.size();
    if (n == 0) throw OrvekError(QStringLiteral("Boş bir metin kodlanamaz."));
    long long len = 4 * (n / 3) + ((n % 3) ? 4 : 0);
    long long outSize = len + 2 * (len / 76) - ((len % 76) == 0 ? 2 : 0);
    QByteArray out(static_cast<qsizetype>(outSize), Qt::Uninitialized);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    const auto *in = reinterpret_cast<const unsigned char *>(input.constData());
    const long long full = n - n % 3;
    int line = 0;
    long long i = 0;
    for (; i < full; i += 3) {
        const unsigned char b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
        *o++ = m_enc1[b0 & 252];
        *o++ = m_enc2[(b1 & 240) | (b0 & 3)];
        *o++ = m_enc3[(b2 & 192) | (b1 & 15)];
        *o++ = m_alphabet[b2 & 63];
        line += 4;
        if (line == 76) {
            if (i + 3 < n) {
                *o++ = 13;
                *o++ = 10;
            }
            line = 0;
        }
    }
    const long long rest = n - full;
    if (rest == 1) {
        const unsigned char b0 = in[i];
        *o++ = m_enc1[b0 & 252];
        *o++ = m_enc2[b0 & 3];
        *o++ = '=';
        *o++ = '=';
    } else if (rest == 2) {
        const unsigned char b0 = in[i], b1 = in[i + 1];
        *o++ = m_enc1[b0 & 252];
        *o++ = m_enc2[(b1 & 240) | (b0 & 3)];
        *o++ = m_enc3[b1 & 15];
        *o++ = '=';
    }
    out.resize(reinterpret_cast<char *>(o) - out.data());
    return out;
}

QByteArray base64::DecodeBytes(const QByteArray &input) const
{
    const long long n = input.size();
    const auto *in = reinterpret_cast<const unsigned char *>(input.constData());
    const long long r = n % 78;
    long long size = 57 * (n / 78);
    if (r != 0) {
        size += roundHalfEven(3.0 * static_cast<double>(r) / 4.0);
        if (n >= 1 && in[n - 1] == '=') size -= 1;
        if (n >= 2 && in[n - 2] == '=') size -= 1;
    }
    if (size <= 0) throw OrvekError(QStringLiteral("Çözülecek Base64 metni boş."));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    long long written = 0;
    auto put = [&](unsigned char b) {
        if (written >= size) throw OrvekError(QStringLiteral("Base64 metni satır düzenine uymuyor."));
        o[written++] = b;
    };
    long long i = 0;
    while (i < n) {
        const unsigned char c = in[i];
        if (c == 13 || c == 10 || n - i < 4) {
            ++i;
            continue;
        }
        const unsigned char c0 = in[i], c1 = in[i + 1], c2 = in[i + 2], c3 = in[i + 3];
        put(m_decShl2[c0] | m_decShr4[c1]);
        if (c3 != '=') {
            put(m_decLow4Shl4[c1] | m_decShr2[c2]);
            put(m_decLow2Shl6[c2] | m_dec[c3]);
        } else if (c2 != '=') {
            put(m_decLow4Shl4[c1] | m_decShr2[c2]);
        }
        i += 4;
    }
    if (written == 0) throw OrvekError(QStringLiteral("Base64 metni hiçbir bayt vermedi."));
    out.resize(static_cast<qsizetype>(written));
    return out;
}

QString base64::Encode(const QString &sInput) const { return QString::fromLatin1(EncodeBytes(ToCp1254(sInput))); }

QString base64::Decode(const QString &sInput) const { return FromCp1254(DecodeBytes(ToCp1254(sInput))); }

void base64::DecodeToFile(const QString &sInput, const QString &sOutputFile) const
{
    writeFromStart(sOutputFile, DecodeBytes(ToCp1254(sInput)));
}

void base64::DecodeFile(const QString &sInputFile, const QString &sOutputFile) const
{
    writeFromStart(sOutputFile, DecodeBytes(readWholeFile(sInputFile)));
}

QString base64::EncodeFromFile(const QString &sFileName) const
{
    return QString::fromLatin1(EncodeBytes(readWholeFile(sFileName)));
}

void base64::EncodeFile(const QString &sInputFile, const QString &sOutputFile) const
{
    writeFromStart(sOutputFile, EncodeBytes(readWholeFile(sInputFile)));
}
