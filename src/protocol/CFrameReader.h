#pragma once

#include <QByteArrayView>
#include <QString>

// Reads the fields of a meter frame given as hexadecimal text (two lowercase
// digits per byte). Byte k is characters 2k and 2k + 1. Positions past the end
// read as zero bytes, so a short text can never be read out of range.
class CFrameReader
{
public:
    explicit CFrameReader(QByteArrayView strHex) : m_strHex(strHex) {}

    qsizetype ByteCount() const { return m_strHex.size() / 2; }

    // Byte k as a number 0..255.
    int Byte(qsizetype k) const;
    // Byte k's two characters read as a decimal number (packed BCD "25" -> 25);
    // like atoi, reading stops at the first non-digit ("1a" -> 1, "a1" -> 0).
    int Decimal(qsizetype k) const;
    // 32-bit little-endian value of bytes k..k+3.
    quint32 UInt32(qsizetype k) const;
    // IEEE single of bytes k..k+3, little-endian.
    float Float(qsizetype k) const;
    // nCount bytes from k, each taken as one Latin-1 character.
    QString Chars(qsizetype k, int nCount) const;
    // Three bytes from k written "%.2x:%.2x:%.2x".
    QString TimeField(qsizetype k) const;
    // Two lowercase hex digits of a byte ("%.2x").
    static void AppendHex(QString& str, int nByte);

private:
    QByteArrayView m_strHex;
};
