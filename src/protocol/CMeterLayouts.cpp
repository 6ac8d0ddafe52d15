#include "protocol/CMeterLayouts.h"

#include "protocol/CFunctionTable.h"

#include <array>
#include <initializer_list>
#include <span>

namespace {

using Normaliser = int (*)(MeterReading&);

// Byte positions of one layout's fields; -1 where the layout does not carry it.
// The three secondary displays always sit back to back, so only the first
// position of each group is listed.
struct CLayoutFields
{
    int nChars = 0;
    const char* pszHeader8 = "";
    const char* pszHeader9 = "";
    int nFunction = -1;               // function code; -1: pszFunction instead
    const char* pszFunction = "";
    int nStatus = -1;
    bool bIndicatorE = false;         // status bit 4 is read too
    int nValue = -1;
    int nRange = -1;
    int nSub1 = -1;                   // three floats
    int nRef = -1;
    int nRel = -1;
    int nAux1 = -1;
    int nAux2 = -1;
    int nAux3 = -1;
    int nAux4 = -1;                   // stored times 100
    int nUnit = -1;                   // stripped
    int nSubUnit1 = -1;               // three stripped units
    bool bSubUnitsFromMain = false;   // the sub units copy the main unit instead
    int nAux3Unit = -1;               // not stripped
    int nDecimals = -1;
    bool bPackedDecimals = false;     // four 2-bit counts: main, sub 1, sub 2, sub 3
    int nAuxCode = -1;
    int nSubTime1 = -1;               // three 3-byte time fields; the third is also the elapsed time
    int nClock = -1;                  // year, month, day, hour, minute, second (BCD)
    int nClockFormat = -1;
    bool bClockText = false;          // the clock also gives m_strClockText
    Normaliser pNormalise = nullptr;
};

// A unit as the meter sends it and what it becomes. A divisor applies to the
// values handed to ApplyChain; pszTo null keeps the unit text.
struct CUnitRule
{
    const char* pszFrom;
    const char* pszTo = nullptr;
    float fDivisor = 1.0f;
    int nDecimalsDelta = 0;
    bool bFunctionHz = false;
};

constexpr float kKilo = 1000.0f;
constexpr float kMega = 1000000.0f;

constexpr CUnitRule kLayout1Units[] = {
    {"s", "℃"}, {"h", "℉"}, {"o", "Ω"}, {"o@", "Ω"},
    {"ko", "KΩ", kKilo}, {"Mo", "MΩ", kMega}, {"VE", "V"},
    {"uF", nullptr, kKilo, -1}, {"mF", nullptr, kMega, -1}, {"nF", nullptr, 1.0f, -1},
};
constexpr CUnitRule kLayout3Units[] = {
    {"o", "Ω"}, {"ko", "KΩ", kKilo}, {"Mo", "MΩ", kMega}, {"s", "℃"}, {"h", "℉"},
    {"HZ", nullptr, 1.0f, 0, true}, {"kHZ", "KHZ", kKilo, 0, true}, {"MHZ", nullptr, kMega, 0, true},
    {"uF", nullptr, kKilo}, {"mF", nullptr, kMega},
};
constexpr CUnitRule kTemperature[] = {{"s", "℃"}, {"h", "℉"}};
constexpr CUnitRule kOhm[] = {{"o", "Ω"}, {"ko", "KΩ", kKilo}, {"Mo", "MΩ", kMega}};
// Layout 2 keeps the frequency unit text; only the function and the values change.
constexpr CUnitRule kFrequency[] = {
    {"HZ", nullptr, 1.0f, 0, true}, {"kHZ", nullptr, kKilo, 0, true}, {"MHZ", nullptr, kMega, 0, true},
};

// First matching rule wins. pDecimals and pFunction may be null: those parts
// of a rule are then not applied.
bool ApplyChain(std::span<const CUnitRule> rules, QString& strUnit, std::initializer_list<float*> values,
                int* pDecimals = nullptr, QString* pFunction = nullptr)
{
    for (const CUnitRule& rule : rules) {
        if (strUnit != QLatin1StringView(rule.pszFrom))
            continue;
        if (rule.pszTo)
            strUnit = QString::fromUtf8(rule.pszTo);
        if (rule.fDivisor != 1.0f)
            for (float* pValue : values)
                *pValue /= rule.fDivisor;
        if (pDecimals)
            *pDecimals += rule.nDecimalsDelta;
        if (pFunction && rule.bFunctionHz)
            *pFunction = QStringLiteral("HZ");
        return true;
    }
    return false;
}

constexpr float MeterReading::*kSubValue[3] = {&MeterReading::m_fSub1, &MeterReading::m_fSub2,
                                               &MeterReading::m_fSub3};
constexpr QString MeterReading::*kSubUnit[3] = {&MeterReading::m_strSub1Unit, &MeterReading::m_strSub2Unit,
                                                &MeterReading::m_strSub3Unit};
constexpr int MeterReading::*kSubDecimals[3] = {&MeterReading::m_nSub1Decimals, &MeterReading::m_nSub2Decimals,
                                                &MeterReading::m_nSub3Decimals};
constexpr QString MeterReading::*kSubTime[3] = {&MeterReading::m_strSub1Time, &MeterReading::m_strSub2Time,
                                                &MeterReading::m_strSub3Time};

int NormaliseLayout1(MeterReading& r)
{
    ApplyChain(kLayout1Units, r.m_strUnit, {&r.m_fValue, &r.m_fRange}, &r.m_nDecimals);
    return 1;
}

int NormaliseLayout2(MeterReading& r)
{
    if (ApplyChain(kTemperature, r.m_strUnit, {}))
        for (auto unit : kSubUnit)
            r.*unit = r.m_strUnit;
    ApplyChain(kOhm, r.m_strUnit, {&r.m_fValue, &r.m_fRange});
    for (int i = 0; i < 3; ++i)
        ApplyChain(kOhm, r.*kSubUnit[i], {&(r.*kSubValue[i])});
    ApplyChain(kFrequency, r.m_strUnit, {&r.m_fValue, &r.m_fRange}, nullptr, &r.m_strFunction);
    for (int i = 0; i < 3; ++i)
        ApplyChain(kFrequency, r.*kSubUnit[i], {&(r.*kSubValue[i])});
    return 2;
}

int NormaliseLayout3(MeterReading& r)
{
    ApplyChain(kLayout3Units, r.m_strUnit, {&r.m_fValue, &r.m_fRange, &r.m_fRef, &r.m_fRel}, nullptr,
               &r.m_strFunction);
    return 3;
}

int NormaliseLayout4(MeterReading& r)
{
    return r.m_bIndicatorC ? 5 : 4; // C marks the crest-factor reading
}

int NormaliseLayout5(MeterReading& r)
{
    if (r.m_nAuxCode == 2) {
        --r.m_nDecimals;
        r.m_strUnit += QLatin1StringView("dc+ac");
    } else {
        r.m_strAux2Unit = r.m_strUnit + QLatin1StringView("AC");
        r.m_strUnit += QLatin1StringView("DC");
    }
    return r.m_nAuxCode == 3 ? 6 : r.m_nAuxCode == 2 ? 7 : 0;
}

int NormaliseLayout6(MeterReading&)
{
    return 8;
}

int NormaliseLayout7(MeterReading& r)
{
    if (r.m_fValue > 500000.0f) {
        r.m_strUnit = QStringLiteral("MHZ");
        r.m_fValue /= kMega;
    } else if (r.m_fValue > 500.0f) {
        r.m_strUnit = QStringLiteral("KHZ");
        r.m_fValue /= kKilo;
    } else {
        r.m_strUnit = QStringLiteral("HZ");
    }
    return 9;
}

const std::array<CLayoutFields, CMeterLayouts::kCount> kLayouts = {{
    {.nChars = 54, .pszHeader8 = "a080", .pszHeader9 = "a090", .nFunction = 2, .nStatus = 3,
     .nValue = 4, .nRange = 8, .nUnit = 12, .nDecimals = 16, .nClock = 17, .nClockFormat = 23,
     .pNormalise = NormaliseLayout1},
    {.nChars = 118, .pszHeader8 = "a081", .pszHeader9 = "a091", .nFunction = 2, .nStatus = 3,
     .nValue = 4, .nRange = 20, .nSub1 = 8, .nUnit = 25, .nSubUnit1 = 29, .nDecimals = 24,
     .bPackedDecimals = true, .nSubTime1 = 41, .nClock = 50, .pNormalise = NormaliseLayout2},
    {.nChars = 70, .pszHeader8 = "a082", .pszHeader9 = "a092", .nFunction = 2, .nStatus = 3,
     .nValue = 4, .nRange = 16, .nRef = 8, .nRel = 12, .nUnit = 20, .nDecimals = 24, .nClock = 25,
     .nClockFormat = 31, .pNormalise = NormaliseLayout3},
    {.nChars = 94, .pszHeader8 = "a083", .pszHeader9 = "a093", .nFunction = 2, .nStatus = 3,
     .nValue = 4, .nRange = 20, .nSub1 = 8, .nUnit = 24, .bSubUnitsFromMain = true, .nDecimals = 28,
     .bPackedDecimals = true, .nSubTime1 = 29, .nClock = 38, .bClockText = true,
     .pNormalise = NormaliseLayout4},
    {.nChars = 72, .pszHeader8 = "a084", .pszHeader9 = "a094", .nFunction = 2, .nStatus = 3,
     .nValue = 12, .nRange = 20, .nAux1 = 4, .nAux2 = 8, .nUnit = 16, .nDecimals = 24, .nAuxCode = 25,
     .nClock = 26, .nClockFormat = 32, .pNormalise = NormaliseLayout5},
    {.nChars = 68, .pszHeader8 = "a085", .pszHeader9 = "a095", .pszFunction = "VAC", .nStatus = 2,
     .nValue = 3, .nRange = 12, .nAux3 = 16, .nUnit = 7, .nAux3Unit = 20, .nDecimals = 11, .nClock = 24,
     .nClockFormat = 30, .pNormalise = NormaliseLayout6},
    {.nChars = 42, .pszHeader8 = "a086", .pszHeader9 = "a096", .pszFunction = "HZ", .nStatus = 2,
     .bIndicatorE = true, .nValue = 3, .nAux4 = 7, .nClock = 11, .nClockFormat = 17,
     .pNormalise = NormaliseLayout7},
}};

const CLayoutFields* Fields(int nLayout)
{
    if (nLayout < 1 || nLayout > CMeterLayouts::kCount)
        return nullptr;
    return &kLayouts[static_cast<size_t>(nLayout - 1)];
}

// Four bytes as characters; white space (and NUL padding) cut from both ends.
QString StrippedUnit(const CFrameReader& reader, int k)
{
    const QString str = reader.Chars(k, 4);
    auto blank = [](QChar c) { return c.isSpace() || c.isNull(); };
    qsizetype nFirst = 0, nLast = str.size();
    while (nFirst < nLast && blank(str[nFirst]))
        ++nFirst;
    while (nLast > nFirst && blank(str[nLast - 1]))
        --nLast;
    return str.mid(nFirst, nLast - nFirst);
}

void ReadStatus(int nStatus, bool bWithE, MeterReading& r)
{
    r.m_bIndicatorA = nStatus & 0x01;
    r.m_bIndicatorB = !(nStatus & 0x02);
    r.m_bIndicatorC = nStatus & 0x04;
    r.m_bIndicatorD = nStatus & 0x08;
    if (bWithE)
        r.m_bIndicatorE = nStatus & 0x10;
}

void ReadDecimals(int nByte, bool bPacked, MeterReading& r)
{
    if (!bPacked) {
        r.m_nDecimals = 5 - nByte;
        return;
    }
    r.m_nDecimals = 5 - (nByte & 3);
    for (int i = 0; i < 3; ++i)
        r.*kSubDecimals[i] = 5 - ((nByte >> (2 * (i + 1))) & 3);
}

// 12-hour text of the clock block: "dd/mm/yy hh:mm:ss am", the BCD digits as sent.
QString ClockText(const CFrameReader& reader, int k)
{
    QString str;
    str.reserve(20);
    CFrameReader::AppendHex(str, reader.Byte(k + 2));
    str += u'/';
    CFrameReader::AppendHex(str, reader.Byte(k + 1));
    str += u'/';
    CFrameReader::AppendHex(str, reader.Byte(k));
    str += u' ';
    const int nHour = reader.Decimal(k + 3);
    if (nHour <= 12)
        CFrameReader::AppendHex(str, reader.Byte(k + 3));
    else
        str += QString::number(nHour - 12).rightJustified(2, u'0');
    str += u':';
    CFrameReader::AppendHex(str, reader.Byte(k + 4));
    str += u':';
    CFrameReader::AppendHex(str, reader.Byte(k + 5));
    str += nHour <= 12 ? QLatin1StringView(" am") : QLatin1StringView(" pm");
    return str;
}

} // namespace

int CMeterLayouts::FrameChars(int nLayout)
{
    const CLayoutFields* f = Fields(nLayout);
    return f ? f->nChars : 0;
}

const char* CMeterLayouts::Header(int nLayout, bool bSeries9)
{
    const CLayoutFields* f = Fields(nLayout);
    return !f ? "" : bSeries9 ? f->pszHeader9 : f->pszHeader8;
}

bool CMeterLayouts::IsFrame(int nLayout, QByteArrayView strFrame)
{
    const CLayoutFields* f = Fields(nLayout);
    return f && strFrame.size() == f->nChars
        && (strFrame.startsWith(f->pszHeader8) || strFrame.startsWith(f->pszHeader9))
        && strFrame.endsWith("a1");
}

bool CMeterLayouts::HasElapsedClock(int nLayout)
{
    const CLayoutFields* f = Fields(nLayout);
    return f && f->nSubTime1 >= 0;
}

bool CMeterLayouts::HasRange(int nLayout)
{
    const CLayoutFields* f = Fields(nLayout);
    return f && f->nRange >= 0;
}

void CMeterLayouts::ReadFields(int nLayout, const CFrameReader& reader, MeterReading& r)
{
    const CLayoutFields* pf = Fields(nLayout);
    if (!pf)
        return;
    const CLayoutFields& f = *pf;
    auto readFloat = [&reader](int k, float& fValue) {
        if (k >= 0)
            fValue = reader.Float(k);
    };

    r.m_strFunction = f.nFunction >= 0 ? CFunctionTable::Name(reader.Byte(f.nFunction))
                                       : QString::fromLatin1(f.pszFunction);
    ReadStatus(reader.Byte(f.nStatus), f.bIndicatorE, r);
    readFloat(f.nValue, r.m_fValue);
    readFloat(f.nRange, r.m_fRange);
    readFloat(f.nRef, r.m_fRef);
    readFloat(f.nRel, r.m_fRel);
    readFloat(f.nAux1, r.m_fAux1);
    readFloat(f.nAux2, r.m_fAux2);
    readFloat(f.nAux3, r.m_fAux3);
    if (f.nAux4 >= 0)
        r.m_fAux4 = reader.Float(f.nAux4) * 100.0f;
    if (f.nUnit >= 0)
        r.m_strUnit = StrippedUnit(reader, f.nUnit);
    if (f.nAux3Unit >= 0)
        r.m_strAux3Unit = reader.Chars(f.nAux3Unit, 4);
    if (f.nDecimals >= 0)
        ReadDecimals(reader.Byte(f.nDecimals), f.bPackedDecimals, r);
    if (f.nAuxCode >= 0)
        r.m_nAuxCode = reader.Byte(f.nAuxCode);

    for (int i = 0; i < 3; ++i) {
        if (f.nSub1 >= 0)
            r.*kSubValue[i] = reader.Float(f.nSub1 + 4 * i);
        if (f.nSubUnit1 >= 0)
            r.*kSubUnit[i] = StrippedUnit(reader, f.nSubUnit1 + 4 * i);
        else if (f.bSubUnitsFromMain)
            r.*kSubUnit[i] = r.m_strUnit;
        if (f.nSubTime1 >= 0)
            r.*kSubTime[i] = reader.TimeField(f.nSubTime1 + 3 * i);
    }
    if (f.nSubTime1 >= 0) {
        const int k = f.nSubTime1 + 6;
        r.m_nElapsedH = quint8(reader.Decimal(k));
        r.m_nElapsedM = quint8(reader.Decimal(k + 1));
        r.m_nElapsedS = quint8(reader.Decimal(k + 2));
    }

    if (f.nClock >= 0) {
        const int k = f.nClock;
        r.m_nYear = quint8(reader.Decimal(k));
        r.m_nMonth = quint8(reader.Decimal(k + 1));
        r.m_nDay = quint8(reader.Decimal(k + 2));
        r.m_nHour = quint8(reader.Decimal(k + 3));
        r.m_nMinute = quint8(reader.Decimal(k + 4));
        r.m_nSecond = quint8(reader.Decimal(k + 5));
        if (f.bClockText)
            r.m_strClockText = ClockText(reader, k);
    }
    if (f.nClockFormat >= 0) {
        const int nFormat = reader.Byte(f.nClockFormat);
        r.m_bClockFlag = nFormat & 0x01;
        r.m_bMonthFirst = nFormat & 0x02;
    }
}

int CMeterLayouts::Normalise(int nLayout, MeterReading& reading)
{
    const CLayoutFields* f = Fields(nLayout);
    return f ? f->pNormalise(reading) : 0;
}
