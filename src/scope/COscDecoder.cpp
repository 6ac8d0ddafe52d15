#include "scope/COscDecoder.h"

#include "base/CPrintf.h"
#include "scope/COscTables.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kMarkerChars = 4;

// Status 3: the meter's own frequency and period readings replace the ones
// computed from the crossings.
void ApplyFftReadings(const QByteArray& p, OscRecord& r)
{
    auto word = [&](int k) { return quint8(p[k]) * 256 + quint8(p[k + 1]); };
    const double f = word(COscDecoder::kFftFreq);
    const double dPeriod = word(COscDecoder::kFftPeriod);
    const int nSelect = quint8(p[COscDecoder::kFftFreqSelect]);
    const COscTables::SPeriodForm* pForm = COscTables::PeriodForm(r.m_rateCode);
    if (pForm && (nSelect == 1 || r.m_rateCode >= 16)) {
        r.m_freq = f * pForm->dFftFreqStep;
        r.m_period = dPeriod;
        r.m_freqText = CPrintf::Format(pForm->pszFreq, r.m_freq);
        r.m_periodText = CPrintf::Format(pForm->pszPeriod, r.m_period / pForm->dPeriodDivisor);
    }
    const char* pszFreq = nullptr;
    switch (nSelect) {
    case 0:
        r.m_freq = -1.0; // the meter has no frequency to show
        pszFreq = "%.1f MHz";
        break;
    case 2:
        r.m_freq = f * 0.1;
        pszFreq = "%.1f KHz";
        break;
    case 3:
        r.m_freq = f * 0.001;
        pszFreq = "%.3f MHz";
        break;
    default:
        return;
    }
    r.m_freqText = CPrintf::Format(pszFreq, r.m_freq);
    r.m_period = dPeriod;
    r.m_periodText = CPrintf::Format("%.1f nS", dPeriod / 10.0);
}

} // namespace

QByteArray COscDecoder::Payload(QByteArrayView strFrame)
{
    if (strFrame.size() < kMarkerChars + 2 * kPayloadBytes)
        return {};
    const QByteArrayView hex = strFrame.sliced(kMarkerChars, 2 * kPayloadBytes);
    // fromHex skips what is not a digit; a damaged frame must not shift its bytes.
    if (!std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(uchar(c)) != 0; }))
        return {};
    return QByteArray::fromHex(hex.toByteArray());
}

bool COscDecoder::Decode(QByteArrayView strFrame, OscRecord* pRecord, QString* pstrError)
{
    const QByteArray payload = Payload(strFrame);
    if (payload.isEmpty()) {
        if (pstrError)
            *pstrError = strFrame.size() < kMarkerChars + 2 * kPayloadBytes
                             ? QStringLiteral("an oscilloscope frame of %1 characters is too short (%2 needed)")
                                   .arg(strFrame.size())
                                   .arg(kMarkerChars + 2 * kPayloadBytes)
                             : QStringLiteral("the oscilloscope frame holds a character that is not hexadecimal");
        return false;
    }
    *pRecord = DecodePayload(payload);
    return true;
}

OscRecord COscDecoder::DecodePayload(const QByteArray& p)
{
    auto byte = [&](int k) { return int(quint8(p[k])); };
    auto word = [&](int k) { return byte(k) * 256 + byte(k + 1); };

    OscRecord r;
    r.m_slot = byte(kSlot);
    r.m_status = byte(kStatus);
    r.m_rateCode = byte(kRateCode);
    r.m_rateText = COscTables::RateLabel(r.m_rateCode, byte(kRateLabels) != 0);
    const int nVoltCode = byte(kVoltCode);
    const COscTables::SVoltScale& scale = COscTables::VoltScale(nVoltCode);
    r.m_voltsText = QString::fromLatin1(scale.pszLabel);
    r.m_voltsPerDiv = scale.dPerDiv;
    const double k = scale.dPerDiv / COscTables::kLevelsPerDiv;
    r.m_vpp = (byte(kHighLevel) - byte(kLowLevel)) * k;

    r.m_coupling = byte(kCoupling);
    r.m_speed = byte(kSpeed);
    r.m_page = byte(kPage);
    r.m_trigger = byte(kTrigger);
    r.m_year = byte(kDate) * 100 + byte(kDate + 1);
    r.m_date1 = byte(kDate + 2);
    r.m_date2 = byte(kDate + 3);
    r.m_hour = byte(kDate + 4);
    r.m_minute = byte(kDate + 5);
    r.m_second = byte(kDate + 6);
    r.m_dateOrder = byte(kDate + 7);

    if (r.m_status == 3)
        r.m_vpp = word(kFftVpp) * scale.dResolution;
    if (nVoltCode >= 1 && nVoltCode <= 4)
        r.m_vppText = CPrintf::Format("%.1f V", r.m_vpp);
    else if (nVoltCode >= 5 && nVoltCode <= 8)
        r.m_vppText = CPrintf::Format("%.2f V", r.m_vpp);
    else if (scale.bMilli)
        r.m_vppText = CPrintf::Format("%.0f mV", r.m_vpp);
    r.m_unit = scale.bMilli ? QStringLiteral("mV") : QStringLiteral("V");

    r.m_valid = 1;
    for (int i = 0; i < OscRecord::kSamples; ++i)
        r.m_samples[size_t(i)] = float((byte(kSamples + i) - COscTables::kZeroLevel) * k);

    r.m_triggerLevel = int((byte(kTriggerLevel) - COscTables::kZeroLevel) * k * 1000.0);
    r.m_maxValue = (byte(kHighLevel) - COscTables::kZeroLevel) * k;
    r.m_minValue = (byte(kLowLevel) - COscTables::kZeroLevel) * k;

    r.m_pos1 = word(kCrossing1);
    r.m_pos2 = word(kCrossing2);
    const double n = r.m_pos2 - r.m_pos1;
    const COscTables::STimeBase& timeBase = COscTables::TimeBase(r.m_rateCode);
    if (const COscTables::SPeriodForm* pForm = COscTables::PeriodForm(r.m_rateCode)) {
        // A crossing distance of 0 gives an infinite frequency, shown as "inf".
        r.m_period = timeBase.nTCount * n;
        r.m_freq = pForm->dF / (timeBase.nB * n);
        r.m_freqText = CPrintf::Format(pForm->pszFreq, r.m_freq);
        r.m_periodText = CPrintf::Format(pForm->pszPeriod, r.m_period / pForm->dPeriodDivisor);
    }
    if (r.m_status == 3)
        ApplyFftReadings(p, r);

    for (int i = 0; i < OscRecord::kBars; ++i)
        r.m_bars[size_t(i)] = float(byte(kBars + i));
    r.m_bars[0] = std::min(r.m_bars[0], float(kMaxFirstBar));

    r.m_pos1 -= COscTables::kCrossingOffset;
    r.m_pos2 -= COscTables::kCrossingOffset;
    return r;
}
