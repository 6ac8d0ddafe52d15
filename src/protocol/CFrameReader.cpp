#include "protocol/CFrameReader.h"

#include <bit>

namespace {

int Nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

} // namespace

int CFrameReader::Byte(qsizetype k) const
{
    const qsizetype i = 2 * k;
    if (k < 0 || i + 1 >= m_strHex.size())
        return 0;
    return Nibble(m_strHex[i]) << 4 | Nibble(m_strHex[i + 1]);
}

int CFrameReader::Decimal(qsizetype k) const
{
    const qsizetype i = 2 * k;
    if (k < 0 || i + 1 >= m_strHex.size())
        return 0;
    int n = 0;
    for (qsizetype j = i; j < i + 2; ++j) {
        const char c = m_strHex[j];
        if (c < '0' || c > '9')
            break;
        n = n * 10 + (c - '0');
    }
    return n;
}

quint32 CFrameReader::UInt32(qsizetype k) const
{
    return quint32(Byte(k)) | quint32(Byte(k + 1)) << 8 | quint32(Byte(k + 2)) << 16
        | quint32(Byte(k + 3)) << 24;
}

float CFrameReader::Float(qsizetype k) const
{
    return std::bit_cast<float>(UInt32(k));
}

QString CFrameReader::Chars(qsizetype k, int nCount) const
{
    QString str(nCount, Qt::Uninitialized);
    for (int i = 0; i < nCount; ++i)
        str[i] = QChar(char16_t(Byte(k + i)));
    return str;
}

QString CFrameReader::TimeField(qsizetype k) const
{
    QString str;
    str.reserve(8);
    AppendHex(str, Byte(k));
    str += u':';
    AppendHex(str, Byte(k + 1));
    str += u':';
    AppendHex(str, Byte(k + 2));
    return str;
}

void CFrameReader::AppendHex(QString& str, int nByte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    str += QLatin1Char(kDigits[(nByte >> 4) & 0xf]);
    str += QLatin1Char(kDigits[nByte & 0xf]);
}
