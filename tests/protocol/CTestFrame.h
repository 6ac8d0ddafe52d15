#pragma once

#include <QByteArray>

#include <bit>
#include <cstring>

// Builds a meter frame byte by byte for the tests: header a0 8x / a0 9x, the
// fields at the positions a test puts them, end byte a1.
class CTestFrame
{
public:
    CTestFrame(int nLayout, bool bSeries9, int nBytes)
        : m_bytes(nBytes, '\0')
    {
        m_bytes[0] = char(0xa0);
        m_bytes[1] = char((bSeries9 ? 0x90 : 0x80) + nLayout - 1);
        m_bytes[nBytes - 1] = char(0xa1);
    }

    CTestFrame& Byte(int k, int nValue)
    {
        m_bytes[k] = char(nValue);
        return *this;
    }
    CTestFrame& Float(int k, float fValue)
    {
        const quint32 n = std::bit_cast<quint32>(fValue);
        for (int i = 0; i < 4; ++i)
            m_bytes[k + i] = char(n >> (8 * i));
        return *this;
    }
    // Up to four characters; the rest of the field is left as it is (zero).
    CTestFrame& Unit(int k, const char* psz)
    {
        std::memcpy(m_bytes.data() + k, psz, qMin<size_t>(4, std::strlen(psz)));
        return *this;
    }
    // A decimal number 0..99 as one packed-BCD byte.
    CTestFrame& Bcd(int k, int nDecimal) { return Byte(k, (nDecimal / 10) << 4 | nDecimal % 10); }
    CTestFrame& Clock(int k, int y, int mo, int d, int h, int mi, int s)
    {
        const int fields[] = {y, mo, d, h, mi, s};
        for (int i = 0; i < 6; ++i)
            Bcd(k + i, fields[i]);
        return *this;
    }

    QByteArray Hex() const { return m_bytes.toHex(); }

private:
    QByteArray m_bytes;
};
