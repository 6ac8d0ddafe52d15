#include "sim/CSimOscilloscope.h"

#include "sim/SimJson.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace SimJson;

namespace {

// Payload offsets, written down here from the frame format itself rather than
// taken from the program's decoder, so the simulator checks the decoder.
enum : int {
    kStatus = 0, kTimeBase = 1, kVoltScale = 2, kHigh = 7, kLow = 8, kCoupling = 10, kSpeed = 11,
    kFftVpp = 12, kFftFreq = 14, kFftPeriod = 16, kPage = 18, kTrigger = 19, kCrossing1 = 30,
    kCrossing2 = 32, kFftSelect = 35, kTriggerLevel = 36, kDate = 40, kRateLabels = 50, kSlot = 52,
    kSamples = 80, kBars = 390, kPayloadBytes = 510
};

constexpr int kZeroLevel = 135;
constexpr int kCrossingOffset = 8;
constexpr int kMaxRepeat = 1000000000;
constexpr int kMaxYear = 255 * 100 + 99;
const char kSeriesMarker[] = "f8f8f8f8";

const QSet<QString> kKeys{"type", "comment", "slot", "status", "timeBase", "voltScale", "rateLabels", "coupling",
                          "speed", "page", "trigger", "triggerLevel", "crossings", "high", "low", "date",
                          "dateOrder", "samples", "wave", "bars", "fftVpp", "fftFreq", "fftPeriod", "fftSelect",
                          "repeat"};

bool ReadByte(const QJsonObject& obj, const char* pszKey, int* pn, QString* pstrError)
{
    return !obj.contains(pszKey) || ReadInt(obj[pszKey], pszKey, 0, 255, pn, pstrError);
}

bool ReadWord(const QJsonObject& obj, const char* pszKey, int* pn, QString* pstrError)
{
    return !obj.contains(pszKey) || ReadInt(obj[pszKey], pszKey, 0, 65535, pn, pstrError);
}

template<size_t N>
bool ReadLevels(const QJsonValue& value, const QString& strName, int nMinCount, std::array<quint8, N>* pLevels,
                QString* pstrError)
{
    const QJsonArray arr = value.toArray();
    if (!value.isArray() || arr.size() < nMinCount || arr.size() > int(N))
        return Fail(pstrError, nMinCount == int(N)
                                   ? QStringLiteral("\"%1\" must be an array of %2 levels (0 to 255)").arg(strName).arg(N)
                                   : QStringLiteral("\"%1\" must be an array of at most %2 levels (0 to 255)")
                                         .arg(strName)
                                         .arg(N));
    pLevels->fill(0);
    for (int i = 0; i < arr.size(); ++i) {
        int n = 0;
        if (!ReadInt(arr[i], QStringLiteral("%1[%2]").arg(strName).arg(i), 0, 255, &n, pstrError))
            return false;
        (*pLevels)[size_t(i)] = quint8(n);
    }
    return true;
}

// {"shape": "sine" | "square" | "triangle", "amplitude": levels, "offset": levels,
//  "period": samples, "phase": samples}
bool ReadWave(const QJsonValue& value, CSimOscFrame* pFrame, int* pnPeriod, QString* pstrError)
{
    if (!value.isObject())
        return Fail(pstrError, QStringLiteral("\"wave\" must be an object"));
    const QJsonObject obj = value.toObject();
    if (!CheckKeys(obj, {"shape", "amplitude", "offset", "period", "phase"}, QStringLiteral(" in \"wave\""), pstrError))
        return false;
    const QString strShape = obj["shape"].toString(QStringLiteral("sine"));
    if (strShape != QLatin1String("sine") && strShape != QLatin1String("square") && strShape != QLatin1String("triangle"))
        return Fail(pstrError, QStringLiteral("\"wave.shape\" must be \"sine\", \"square\" or \"triangle\""));
    int nAmplitude = 50, nOffset = 0, nPeriod = 50, nPhase = 0;
    if (obj.contains("amplitude") && !ReadInt(obj["amplitude"], "wave.amplitude", 0, 135, &nAmplitude, pstrError))
        return false;
    if (obj.contains("offset") && !ReadInt(obj["offset"], "wave.offset", -135, 120, &nOffset, pstrError))
        return false;
    if (obj.contains("period") && !ReadInt(obj["period"], "wave.period", 2, 65535, &nPeriod, pstrError))
        return false;
    if (obj.contains("phase") && !ReadInt(obj["phase"], "wave.phase", 0, 65535, &nPhase, pstrError))
        return false;
    for (int i = 0; i < int(pFrame->m_arrSamples.size()); ++i) {
        const double dCycle = std::fmod(double(i + nPhase) / nPeriod, 1.0);
        double dShape = std::sin(2.0 * std::numbers::pi * dCycle);
        if (strShape == QLatin1String("square"))
            dShape = dCycle < 0.5 ? 1.0 : -1.0;
        else if (strShape == QLatin1String("triangle"))
            dShape = dCycle < 0.5 ? 4.0 * dCycle - 1.0 : 3.0 - 4.0 * dCycle;
        const long nLevel = std::lround(kZeroLevel + nOffset + nAmplitude * dShape);
        pFrame->m_arrSamples[size_t(i)] = quint8(std::clamp(nLevel, 0L, 255L));
    }
    *pnPeriod = nPeriod;
    return true;
}

bool ReadDate(const QJsonValue& value, std::array<int, 6>* pDate, QString* pstrError)
{
    const QJsonArray arr = value.toArray();
    if (!value.isArray() || arr.size() != 6)
        return Fail(pstrError, QStringLiteral("\"date\" must be an array of 6 numbers: year, first part, second part, "
                                              "hour, minute, second"));
    if (!ReadInt(arr[0], QStringLiteral("date[0]"), 0, kMaxYear, &(*pDate)[0], pstrError))
        return false;
    for (int i = 1; i < 6; ++i)
        if (!ReadInt(arr[i], QStringLiteral("date[%1]").arg(i), 0, 255, &(*pDate)[size_t(i)], pstrError))
            return false;
    return true;
}

} // namespace

bool CSimOscilloscope::ParseStep(const QJsonObject& obj, CSimOscFrame* pFrame, QString* pstrError)
{
    if (!CheckKeys(obj, kKeys, QStringLiteral(" for \"osc\""), pstrError))
        return false;
    CSimOscFrame& f = *pFrame;
    const std::pair<const char*, int*> bytes[] = {
        {"slot", &f.m_nSlot},           {"status", &f.m_nStatus},     {"timeBase", &f.m_nTimeBase},
        {"voltScale", &f.m_nVoltScale}, {"coupling", &f.m_nCoupling}, {"speed", &f.m_nSpeed},
        {"page", &f.m_nPage},           {"trigger", &f.m_nTrigger},   {"triggerLevel", &f.m_nTriggerLevel},
        {"high", &f.m_nHigh},           {"low", &f.m_nLow},           {"dateOrder", &f.m_nDateOrder},
        {"fftSelect", &f.m_nFftSelect}};
    for (const auto& [pszKey, pn] : bytes)
        if (!ReadByte(obj, pszKey, pn, pstrError))
            return false;
    const std::pair<const char*, int*> words[] = {
        {"fftVpp", &f.m_nFftVpp}, {"fftFreq", &f.m_nFftFreq}, {"fftPeriod", &f.m_nFftPeriod}};
    for (const auto& [pszKey, pn] : words)
        if (!ReadWord(obj, pszKey, pn, pstrError))
            return false;
    if (obj.contains("rateLabels") && !ReadBool(obj["rateLabels"], "rateLabels", &f.m_bRateLabels, pstrError))
        return false;
    if (obj.contains("repeat") && !ReadInt(obj["repeat"], "repeat", 1, kMaxRepeat, &f.m_nRepeat, pstrError))
        return false;
    if (obj.contains("date")) {
        if (!ReadDate(obj["date"], &f.m_arrDate, pstrError))
            return false;
        f.m_bRunningDate = false;
    }

    if (obj.contains("samples") == obj.contains("wave"))
        return Fail(pstrError, QStringLiteral("\"osc\" needs either \"samples\" (300 levels) or \"wave\""));
    int nPeriod = 0;
    if (obj.contains("wave") && !ReadWave(obj["wave"], pFrame, &nPeriod, pstrError))
        return false;
    if (obj.contains("samples")
        && !ReadLevels(obj["samples"], QStringLiteral("samples"), int(f.m_arrSamples.size()), &f.m_arrSamples, pstrError))
        return false;
    if (obj.contains("bars") && !ReadLevels(obj["bars"], QStringLiteral("bars"), 0, &f.m_arrBars, pstrError))
        return false;

    if (obj.contains("crossings")) {
        const QJsonArray arr = obj["crossings"].toArray();
        if (!obj["crossings"].isArray() || arr.size() != 2)
            return Fail(pstrError, QStringLiteral("\"crossings\" must be an array of 2 positions (0 to 65535)"));
        if (!ReadInt(arr[0], "crossings[0]", 0, 65535, &f.m_nCrossing1, pstrError)
            || !ReadInt(arr[1], "crossings[1]", 0, 65535, &f.m_nCrossing2, pstrError))
            return false;
    } else if (nPeriod > 0) {
        // One period of the generated wave, as the meter would find it.
        f.m_nCrossing1 = kCrossingOffset;
        f.m_nCrossing2 = std::min(kCrossingOffset + nPeriod, 65535);
    } else {
        return Fail(pstrError, QStringLiteral("\"osc\" with \"samples\" needs \"crossings\""));
    }

    // The program searches its text for the series marker at any character, so
    // a frame whose hex holds it would be cut apart on the way in.
    if (Encode(f, CSimClock{}).toHex().contains(kSeriesMarker))
        return Fail(pstrError, QStringLiteral("the frame's bytes would hold \"%1\", which the program takes for the "
                                              "series marker: change the levels")
                                   .arg(QLatin1String(kSeriesMarker)));
    return true;
}

QByteArray CSimOscilloscope::Encode(const CSimOscFrame& f, const CSimClock& clock)
{
    QByteArray frame(kFrameBytes, '\0');
    frame[0] = char(0xe0);
    frame[1] = char(0xe0);
    auto put = [&](int nOffset, int nByte) { frame[kPayloadOffset + nOffset] = char(quint8(nByte)); };
    auto putWord = [&](int nOffset, int nWord) {
        put(nOffset, nWord >> 8);
        put(nOffset + 1, nWord & 0xff);
    };
    put(kStatus, f.m_nStatus);
    put(kTimeBase, f.m_nTimeBase);
    put(kVoltScale, f.m_nVoltScale);
    const auto [itLow, itHigh] = std::minmax_element(f.m_arrSamples.begin(), f.m_arrSamples.end());
    put(kHigh, f.m_nHigh >= 0 ? f.m_nHigh : *itHigh);
    put(kLow, f.m_nLow >= 0 ? f.m_nLow : *itLow);
    put(kCoupling, f.m_nCoupling);
    put(kSpeed, f.m_nSpeed);
    putWord(kFftVpp, f.m_nFftVpp);
    putWord(kFftFreq, f.m_nFftFreq);
    putWord(kFftPeriod, f.m_nFftPeriod);
    put(kPage, f.m_nPage);
    put(kTrigger, f.m_nTrigger);
    putWord(kCrossing1, f.m_nCrossing1);
    putWord(kCrossing2, f.m_nCrossing2);
    put(kFftSelect, f.m_nFftSelect);
    put(kTriggerLevel, f.m_nTriggerLevel);
    std::array<int, 6> date = f.m_arrDate;
    if (f.m_bRunningDate)
        date = {2000 + clock.m_nYear, clock.m_nMonth, clock.m_nDay, clock.m_nHour, clock.m_nMinute, clock.m_nSecond};
    put(kDate, date[0] / 100);
    put(kDate + 1, date[0] % 100);
    for (int i = 1; i < 6; ++i)
        put(kDate + 1 + i, date[size_t(i)]);
    put(kDate + 7, f.m_nDateOrder);
    put(kRateLabels, f.m_bRateLabels ? 1 : 0);
    put(kSlot, f.m_nSlot);
    for (int i = 0; i < int(f.m_arrSamples.size()); ++i)
        put(kSamples + i, f.m_arrSamples[size_t(i)]);
    for (int i = 0; i < int(f.m_arrBars.size()); ++i)
        put(kBars + i, f.m_arrBars[size_t(i)]);
    static_assert(kBars + 120 == kPayloadBytes);
    return frame;
}

QByteArray CSimOscilloscope::ModeMarker()
{
    return QByteArray("\xa2\xa2\xa2\xa2", 4);
}
