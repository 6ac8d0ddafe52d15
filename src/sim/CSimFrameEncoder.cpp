#include "sim/CSimFrameEncoder.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr int kLengths[] = {27, 59, 35, 47, 36, 34, 21};

bool UsesPackedDecimals(int nLayout)
{
    return nLayout == 2 || nLayout == 4;
}

QString CheckUnit(const QString& strUnit, const char* pszWhat)
{
    if (strUnit.size() > 4)
        return QStringLiteral("%1 \"%2\" is longer than 4 characters").arg(QLatin1String(pszWhat), strUnit);
    for (QChar ch : strUnit)
        if (ch.unicode() < 0x20 || ch.unicode() > 0x7e)
            return QStringLiteral("%1 \"%2\" holds a character that is not printable ASCII")
                .arg(QLatin1String(pszWhat), strUnit);
    return {};
}

QString CheckByte(int nValue, const char* pszWhat)
{
    if (nValue < 0 || nValue > 255)
        return QStringLiteral("%1 %2 is not a byte (0 to 255)").arg(QLatin1String(pszWhat)).arg(nValue);
    return {};
}

void PutFloat(QByteArray& frame, int nPos, float fValue)
{
    quint32 nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    qToLittleEndian(nBits, frame.data() + nPos);
}

void PutUnit(QByteArray& frame, int nPos, const QString& strUnit)
{
    const QByteArray text = strUnit.toLatin1().leftJustified(4, ' ', true);
    std::memcpy(frame.data() + nPos, text.constData(), 4);
}

void PutClock(QByteArray& frame, int nPos, const CSimClock& clock)
{
    const int arrFields[] = {clock.m_nYear, clock.m_nMonth, clock.m_nDay,
                             clock.m_nHour, clock.m_nMinute, clock.m_nSecond};
    for (int i = 0; i < 6; ++i)
        frame[nPos + i] = char(CSimFrameEncoder::Bcd(arrFields[i]));
}

void PutTime(QByteArray& frame, int nPos, const std::array<int, 3>& arrTime)
{
    for (int i = 0; i < 3; ++i)
        frame[nPos + i] = char(CSimFrameEncoder::Bcd(arrTime[i]));
}

char ClockFormat(const CSimReading& reading)
{
    return char((reading.m_bClock24h ? 0x01 : 0) | (reading.m_bMonthFirst ? 0x02 : 0));
}

char SimpleDecimals(int nDecimals)
{
    return char(5 - nDecimals);
}

char PackedDecimals(const CSimReading& reading)
{
    return char((5 - reading.m_nDecimals) | (5 - reading.m_arrSub[0].m_nDecimals) << 2
                | (5 - reading.m_arrSub[1].m_nDecimals) << 4 | (5 - reading.m_arrSub[2].m_nDecimals) << 6);
}

} // namespace

int CSimFrameEncoder::FrameLength(int nLayout)
{
    return nLayout >= 1 && nLayout <= 7 ? kLengths[nLayout - 1] : 0;
}

int CSimFrameEncoder::HeaderCode(int nLayout, int nSeries)
{
    return (nSeries == 9 ? 0x90 : 0x80) + nLayout - 1;
}

quint8 CSimFrameEncoder::Bcd(int nValue)
{
    return quint8((nValue / 10) << 4 | nValue % 10);
}

QString CSimFrameEncoder::Check(const CSimReading& reading)
{
    if (FrameLength(reading.m_nLayout) == 0)
        return QStringLiteral("unknown layout %1 (1 to 7)").arg(reading.m_nLayout);
    if (reading.m_nSeries != 8 && reading.m_nSeries != 9)
        return QStringLiteral("unknown series %1 (8 or 9)").arg(reading.m_nSeries);
    QString strError = CheckByte(reading.m_nFunction, "function code");
    if (strError.isEmpty())
        strError = CheckByte(reading.m_nStatus, "status byte");
    if (strError.isEmpty())
        strError = CheckByte(reading.m_nAuxCode, "aux code");
    if (strError.isEmpty())
        strError = CheckUnit(reading.m_strUnit, "unit");
    if (strError.isEmpty())
        strError = CheckUnit(reading.m_strAux3Unit, "aux3 unit");
    for (int i = 0; i < 3 && strError.isEmpty(); ++i)
        strError = CheckUnit(reading.m_arrSub[i].m_strUnit, "sub unit");
    if (!strError.isEmpty())
        return strError;

    // Packed decimals give each display two bits; the simple form a whole byte,
    // of which the meter only ever uses 0 to 5.
    const bool bPacked = UsesPackedDecimals(reading.m_nLayout);
    const int nMinDecimals = bPacked ? 2 : 0;
    auto decimalsBad = [&](int n) { return n < nMinDecimals || n > 5; };
    if (decimalsBad(reading.m_nDecimals))
        return QStringLiteral("decimals %1 out of range (%2 to 5)").arg(reading.m_nDecimals).arg(nMinDecimals);
    if (bPacked) {
        for (const CSimReading::Sub& sub : reading.m_arrSub) {
            if (decimalsBad(sub.m_nDecimals))
                return QStringLiteral("sub decimals %1 out of range (2 to 5)").arg(sub.m_nDecimals);
            for (int n : sub.m_arrTime)
                if (n < 0 || n > 99)
                    return QStringLiteral("sub time field %1 out of range (0 to 99)").arg(n);
        }
    }
    if (!reading.m_clock.InRange())
        return QStringLiteral("clock field out of range (0 to 99)");
    return {};
}

QByteArray CSimFrameEncoder::Encode(const CSimReading& r)
{
    if (!Check(r).isEmpty())
        return {};
    const int nLength = FrameLength(r.m_nLayout);
    QByteArray frame(nLength, '\0');
    frame[0] = char(0xa0);
    frame[1] = char(HeaderCode(r.m_nLayout, r.m_nSeries));
    frame[nLength - 1] = char(0xa1);
    // Layouts 1 to 5 lead with the function code; 6 and 7 have none.
    if (r.m_nLayout <= 5) {
        frame[2] = char(r.m_nFunction);
        frame[3] = char(r.m_nStatus);
    } else {
        frame[2] = char(r.m_nStatus);
    }

    switch (r.m_nLayout) {
    case 1:
        PutFloat(frame, 4, r.m_fValue);
        PutFloat(frame, 8, r.m_fRange);
        PutUnit(frame, 12, r.m_strUnit);
        frame[16] = SimpleDecimals(r.m_nDecimals);
        PutClock(frame, 17, r.m_clock);
        frame[23] = ClockFormat(r);
        break;
    case 2:
        PutFloat(frame, 4, r.m_fValue);
        for (int i = 0; i < 3; ++i)
            PutFloat(frame, 8 + 4 * i, r.m_arrSub[i].m_fValue);
        PutFloat(frame, 20, r.m_fRange);
        frame[24] = PackedDecimals(r);
        PutUnit(frame, 25, r.m_strUnit);
        for (int i = 0; i < 3; ++i) {
            PutUnit(frame, 29 + 4 * i, r.m_arrSub[i].m_strUnit);
            PutTime(frame, 41 + 3 * i, r.m_arrSub[i].m_arrTime);
        }
        PutClock(frame, 50, r.m_clock);
        break;
    case 3:
        PutFloat(frame, 4, r.m_fValue);
        PutFloat(frame, 8, r.m_fRef);
        PutFloat(frame, 12, r.m_fRel);
        PutFloat(frame, 16, r.m_fRange);
        PutUnit(frame, 20, r.m_strUnit);
        frame[24] = SimpleDecimals(r.m_nDecimals);
        PutClock(frame, 25, r.m_clock);
        frame[31] = ClockFormat(r);
        break;
    case 4:
        PutFloat(frame, 4, r.m_fValue);
        for (int i = 0; i < 3; ++i) {
            PutFloat(frame, 8 + 4 * i, r.m_arrSub[i].m_fValue);
            PutTime(frame, 29 + 3 * i, r.m_arrSub[i].m_arrTime);
        }
        PutFloat(frame, 20, r.m_fRange);
        PutUnit(frame, 24, r.m_strUnit);
        frame[28] = PackedDecimals(r);
        PutClock(frame, 38, r.m_clock);
        break;
    case 5:
        PutFloat(frame, 4, r.m_fAux1);
        PutFloat(frame, 8, r.m_fAux2);
        PutFloat(frame, 12, r.m_fValue);
        PutUnit(frame, 16, r.m_strUnit);
        PutFloat(frame, 20, r.m_fRange);
        frame[24] = SimpleDecimals(r.m_nDecimals);
        frame[25] = char(r.m_nAuxCode);
        PutClock(frame, 26, r.m_clock);
        frame[32] = ClockFormat(r);
        break;
    case 6:
        PutFloat(frame, 3, r.m_fValue);
        PutUnit(frame, 7, r.m_strUnit);
        frame[11] = SimpleDecimals(r.m_nDecimals);
        PutFloat(frame, 12, r.m_fRange);
        PutFloat(frame, 16, r.m_fAux3);
        PutUnit(frame, 20, r.m_strAux3Unit);
        PutClock(frame, 24, r.m_clock);
        frame[30] = ClockFormat(r);
        break;
    case 7:
        PutFloat(frame, 3, r.m_fValue);
        PutFloat(frame, 7, r.m_fAux4);
        PutClock(frame, 11, r.m_clock);
        frame[17] = ClockFormat(r);
        break;
    }
    return frame;
}
