#pragma once

#include <QByteArray>
#include <QString>

// Base64 over the 8-bit (Windows-1254) codes of a text. The encoder breaks its output into
// lines of 76 characters joined by CR LF (no break at the end); the decoder sizes its output
// from that line layout and skips CR and LF only where a group of four would begin. An
// empty input, or input that yields no byte or more bytes than the layout allows, throws
// OrvekError.
class base64 {
public:
    base64();

    QString Encode(const QString &sInput) const;
    QString Decode(const QString &sInput) const;
    void DecodeToFile(const QString &sInput, const QString &sOutputFile) const;
    void DecodeFile(const QString &sInputFile, const QString &sOutputFile) const;
    QString EncodeFromFile(const QString &sFileName) const;
    void EncodeFile(const QString &sInputFile, const QString &sOutputFile) const;

    QByteArray EncodeBytes(const QByteArray &input) const;
    QByteArray DecodeBytes(const QByteArray &input) const;

private:
    unsigned char m_alphabet[64];
    unsigned char m_enc1[256], m_enc2[256], m_enc3[256];
    unsigned char m_dec[256];
    unsigned char m_decShl2[256], m_decShr4[256], m_decLow4Shl4[256], m_decShr2[256], m_decLow2Shl6[256];
};
