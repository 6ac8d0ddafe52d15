#include "logger/CLoggerDecoder.h"

#include "base/CPrintf.h"
#include "protocol/CFrameReader.h"
#include "protocol/CFunctionTable.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kCodeResistance = 4;
constexpr int kCodeCapacitance = 5;
constexpr int kCodeFrequency = 16;
constexpr int kCodeFrequency2 = 31;

// Where a unit ladder steps up: below 500 the base unit, below 500000 the
// thousandfold one, above that the millionfold one.
constexpr double kLadderStep = 500.0;
constexpr double kLadderTop = 500000.0;

constexpr std::array<const char*, 34> kUnits = {
    "℉", "VAC", "VDC", "mVDC", "Ω", "nF", "℃", "ADC", "mADC", "uADC",  // 0-9
    "%", "mVAC", "AAC", "mAAC", "uAAC", "V", "HZ", "VAC", "Ω", "",      // 10-19
    "", "V", "mV", "A", "mA", "uA", "", "", "", "",                     // 20-29
    "", "HZ", "", "",                                                   // 30-33
};

struct CLadder
{
    const char* pszBase;
    const char* pszKilo;
    const char* pszMega;
};

void Ladder(const CLadder& ladder, double dValue, double* pdValue, QString* pstrUnit)
{
    if (dValue < kLadderStep) {
        *pdValue = dValue;
        *pstrUnit = QString::fromUtf8(ladder.pszBase);
    } else if (dValue < kLadderTop) {
        *pdValue = dValue / 1000.0;
        *pstrUnit = QString::fromUtf8(ladder.pszKilo);
    } else {
        *pdValue = dValue / 1000000.0;
        *pstrUnit = QString::fromUtf8(ladder.pszMega);
    }
}

QDateTime LocalTime(const QDate& date, const QTime& time)
{
    QDateTime when(date, time, Qt::LocalTime);
    if (!when.isValid()) // a local time skipped by a clock change
        when = QDateTime(date, time, Qt::UTC);
    return when;
}

} // namespace

QString CLoggerDecoder::RecordingUnit(int nFunction)
{
    if (nFunction < 0 || nFunction >= int(kUnits.size()))
        return {};
    return QString::fromUtf8(kUnits[size_t(nFunction)]);
}

float CLoggerDecoder::RecordingRange(int nFunction)
{
    switch (nFunction) {
    case 4: return 49990000.0f;
    case 5: return 10000000.0f;
    case 9: case 14: return 5000.0f;
    case 3: case 8: case 11: case 13: case 24: return 500.0f;
    case 7: case 12: case 23: return 10.0f;
    case 6: return 2462.0f;
    case 0: return 1350.0f;
    default: return 1000.0f;
    }
}

void CLoggerDecoder::ScaleSample(int nFunction, float fRange, const QString& strRecUnit, float fValue,
                                 double* pdValue, QString* pstrUnit)
{
    const double dValue = fValue;
    switch (nFunction) {
    case kCodeCapacitance:
    case kCodeResistance: {
        static constexpr CLadder kFarad{"nF", "uF", "mF"};
        static constexpr CLadder kOhm{"Ω", "KΩ", "MΩ"};
        const CLadder& ladder = nFunction == kCodeCapacitance ? kFarad : kOhm;
        if (fValue >= fRange || fValue <= -fRange) {
            *pdValue = fValue >= fRange ? CObData::kOverload : -CObData::kOverload;
            *pstrUnit = QString::fromUtf8(ladder.pszMega);
            return;
        }
        Ladder(ladder, dValue, pdValue, pstrUnit);
        return;
    }
    case kCodeFrequency:
    case kCodeFrequency2:
        // A counter reads up to megahertz: no range limit applies.
        Ladder(CLadder{"HZ", "KHZ", "MHZ"}, dValue, pdValue, pstrUnit);
        return;
    default:
        *pdValue = dValue;
        *pstrUnit = strRecUnit;
        return;
    }
}

int CLoggerDecoder::DirectoryCount(QByteArrayView strHex)
{
    return CFrameReader(strHex).Byte(3);
}

QList<LoggerListData> CLoggerDecoder::DirectoryEntries(QByteArrayView strHex)
{
    QList<LoggerListData> entries;
    constexpr qsizetype kEntryChars = 2 * kEntryBytes;
    for (qsizetype nPos = 0; strHex.size() - nPos >= kEntryChars; nPos += kEntryChars) {
        const CFrameReader entry(strHex.sliced(nPos, kEntryChars));
        const QString strStart = CPrintf::Format("%.2x-%.2x-20%.2x, %.2x %.2x %.2x", entry.Byte(7), entry.Byte(6),
                                                 entry.Byte(5), entry.Byte(8), entry.Byte(9), entry.Byte(10));
        entries.append(LoggerListData(CFunctionTable::Name(entry.Byte(4)), strStart, qint32(entry.UInt32(19)),
                                      qint32(entry.UInt32(11)), entry.Byte(2)));
    }
    return entries;
}

CRecordingHeader CLoggerDecoder::RecordingHeader(QByteArrayView header)
{
    const QByteArray strHex = header.toByteArray().toHex();
    const CFrameReader r(strHex);
    CRecordingHeader h;
    h.m_nRecFunction = r.Byte(2);
    h.m_strRecFunction = CFunctionTable::Name(h.m_nRecFunction);
    h.m_strRecUnit = RecordingUnit(h.m_nRecFunction);
    h.m_strRecStart = CPrintf::Format("%.2x/%.2x/%.2x %.2x:%.2x:%.2x", r.Byte(5), r.Byte(4), r.Byte(3), r.Byte(6),
                                      r.Byte(7), r.Byte(8));
    h.m_arrStart = {2000 + r.Decimal(3), r.Decimal(4), r.Decimal(5), r.Decimal(6), r.Decimal(7), r.Decimal(8)};
    h.m_nRecInterval = r.UInt32(9);
    h.m_nRecField13 = r.UInt32(13);
    h.m_nRecField17 = r.UInt32(17);
    h.m_nBlockCount = quint16(r.Byte(21) | r.Byte(22) << 8);
    h.m_fRecRange = RecordingRange(h.m_nRecFunction);
    return h;
}

QDateTime CLoggerDecoder::FixedStart()
{
    return LocalTime(QDate(2010, 9, 10), QTime(10, 10, 10));
}

QDateTime CLoggerDecoder::RecordingStart(const CRecordingHeader& header)
{
    if (!header.HasValidStart())
        return FixedStart();
    const auto& [nYear, nMonth, nDay, nHour, nMinute, nSecond] = header.m_arrStart;
    // Out-of-range fields roll over as a C calendar conversion would.
    const QDate date = QDate(nYear, 1, 1).addMonths(nMonth - 1).addDays(nDay - 1);
    const QTime time(nHour, nMinute, nSecond);
    if (time.isValid())
        return LocalTime(date, time);
    return LocalTime(date, QTime(0, 0)).addSecs(nHour * 3600 + nMinute * 60 + nSecond);
}

QString CLoggerDecoder::SampleTime(const QDateTime& start, quint32 nOffset)
{
    const QDateTime when = start.addSecs(qint64(nOffset));
    const QDate date = when.date();
    const QTime time = when.time();
    return CPrintf::Format("%d/%d/%d %d:%d:%d", date.day(), date.month(), date.year(), time.hour(), time.minute(),
                           time.second());
}

QList<CObData> CLoggerDecoder::BlockRecords(QByteArrayView strHex, int nRecords, const CRecordingHeader& header,
                                            const QDateTime& start, qint32 nIndex)
{
    QList<CObData> records;
    // Never more samples than the text holds, whatever the block header claimed.
    const qsizetype nWhole = strHex.size() / (2 * kSampleBytes);
    const int nCount = int(std::clamp<qsizetype>(nRecords, 0, nWhole));
    records.reserve(nCount);
    const CFrameReader r(strHex);
    for (int i = 0; i < nCount; ++i) {
        const qsizetype k = qsizetype(i) * kSampleBytes;
        double dValue = 0.0;
        QString strUnit;
        ScaleSample(header.m_nRecFunction, header.m_fRecRange, header.m_strRecUnit, r.Float(k), &dValue, &strUnit);
        records.append(CObData(dValue, strUnit, double(header.m_nRecInterval), nIndex,
                               SampleTime(start, r.UInt32(k + 4)), header.m_strRecFunction, header.m_fRecRange));
    }
    return records;
}
