#include "sim/CSimScenario.h"

#include "sim/CSimFrameEncoder.h"
#include "sim/CSimOscilloscope.h"
#include "sim/SimJson.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cfloat>
#include <cmath>

namespace {

using namespace SimJson;

constexpr int kMaxRepeat = 1000000000;

bool ReadFloat(const QJsonValue& value, const QString& strName, float* pf, QString* pstrError)
{
    double d = 0.0;
    if (!ReadDouble(value, strName, &d, pstrError))
        return false;
    *pf = float(d);
    return true;
}

bool ReadUnit(const QJsonValue& value, const QString& strName, QString* pstr, QString* pstrError)
{
    if (!value.isString())
        return Fail(pstrError, QStringLiteral("\"%1\" must be a text").arg(strName));
    const QString strUnit = value.toString();
    if (strUnit.size() > 4)
        return Fail(pstrError, QStringLiteral("\"%1\" \"%2\" is longer than 4 characters").arg(strName, strUnit));
    for (QChar ch : strUnit)
        if (ch.unicode() < 0x20 || ch.unicode() > 0x7e)
            return Fail(pstrError, QStringLiteral("\"%1\" \"%2\" may hold printable ASCII characters only")
                                       .arg(strName, strUnit));
    *pstr = strUnit;
    return true;
}

// "hh:mm:ss", two decimal digits each (sent as packed BCD, so 0 to 99).
bool ReadTime(const QJsonValue& value, const QString& strName, std::array<int, 3>* pTime, QString* pstrError)
{
    const QString strTime = value.toString();
    const QStringList parts = strTime.split(QLatin1Char(':'));
    bool bOk = value.isString() && parts.size() == 3;
    for (int i = 0; bOk && i < 3; ++i) {
        bOk = parts[i].size() == 2 && parts[i][0].isDigit() && parts[i][1].isDigit()
              && parts[i][0].unicode() < 0x80 && parts[i][1].unicode() < 0x80;
        if (bOk)
            (*pTime)[i] = parts[i].toInt();
    }
    if (!bOk)
        return Fail(pstrError, QStringLiteral("\"%1\" must be a text \"hh:mm:ss\" of two-digit numbers").arg(strName));
    return true;
}

QSet<QString> ReadingKeys(int nLayout)
{
    QSet<QString> keys{"type", "comment", "layout", "series", "status", "hold", "manualRange", "flagC", "flagD",
                       "flagE", "value", "clock", "repeat", "valueStep"};
    if (nLayout <= 5)
        keys << "function";
    if (nLayout <= 6)
        keys << "range" << "unit" << "decimals";
    if (nLayout != 2 && nLayout != 4)
        keys << "clock24h" << "monthFirst";
    if (nLayout == 2 || nLayout == 4)
        keys << "sub";
    if (nLayout == 3)
        keys << "ref" << "rel";
    if (nLayout == 5)
        keys << "aux1" << "aux2" << "auxCode";
    if (nLayout == 6)
        keys << "aux3" << "aux3Unit";
    if (nLayout == 7)
        keys << "aux4";
    return keys;
}

bool ParseSub(const QJsonValue& value, int nLayout, int nIndex, CSimReading::Sub* pSub, QString* pstrError)
{
    const QString strName = QStringLiteral("sub[%1]").arg(nIndex);
    if (!value.isObject())
        return Fail(pstrError, QStringLiteral("\"%1\" must be an object").arg(strName));
    const QJsonObject obj = value.toObject();
    QSet<QString> keys{"value", "decimals", "time"};
    if (nLayout == 2)
        keys << "unit";  // layout 4 sends one unit for all displays
    if (!CheckKeys(obj, keys, QStringLiteral(" in %1 of layout %2").arg(strName).arg(nLayout), pstrError))
        return false;
    if (obj.contains("value") && !ReadFloat(obj["value"], strName + ".value", &pSub->m_fValue, pstrError))
        return false;
    if (obj.contains("unit") && !ReadUnit(obj["unit"], strName + ".unit", &pSub->m_strUnit, pstrError))
        return false;
    if (obj.contains("decimals")
        && !ReadInt(obj["decimals"], strName + ".decimals", 2, 5, &pSub->m_nDecimals, pstrError))
        return false;
    if (obj.contains("time") && !ReadTime(obj["time"], strName + ".time", &pSub->m_arrTime, pstrError))
        return false;
    return true;
}

bool ParseReading(const QJsonObject& obj, CSimScenario::Step* pStep, QString* pstrError)
{
    CSimReading& r = pStep->m_reading;
    if (!obj.contains("layout"))
        return Fail(pstrError, QStringLiteral("a reading needs \"layout\" (1 to 7)"));
    if (!ReadInt(obj["layout"], "layout", 1, 7, &r.m_nLayout, pstrError))
        return false;
    if (!CheckKeys(obj, ReadingKeys(r.m_nLayout), QStringLiteral(" for layout %1").arg(r.m_nLayout), pstrError))
        return false;
    if (obj.contains("series")) {
        if (!ReadInt(obj["series"], "series", 8, 9, &r.m_nSeries, pstrError))
            return false;
    }
    if (obj.contains("function") && !ReadInt(obj["function"], "function", 0, 255, &r.m_nFunction, pstrError))
        return false;
    if (obj.contains("status") && !ReadInt(obj["status"], "status", 0, 255, &r.m_nStatus, pstrError))
        return false;
    const std::pair<const char*, int> flags[] = {{"hold", CSimReading::kHold},
                                                 {"manualRange", CSimReading::kManualRange},
                                                 {"flagC", CSimReading::kFlagC},
                                                 {"flagD", CSimReading::kFlagD},
                                                 {"flagE", CSimReading::kFlagE}};
    for (const auto& [pszKey, nBit] : flags) {
        bool bSet = false;
        if (obj.contains(pszKey) && !ReadBool(obj[pszKey], pszKey, &bSet, pstrError))
            return false;
        if (bSet)
            r.m_nStatus |= nBit;
    }

    double dValue = 0.0;
    if (obj.contains("value") && !ReadDouble(obj["value"], "value", &dValue, pstrError))
        return false;
    r.m_fValue = float(dValue);
    const std::pair<const char*, float*> floats[] = {{"range", &r.m_fRange}, {"ref", &r.m_fRef},
                                                     {"rel", &r.m_fRel},     {"aux1", &r.m_fAux1},
                                                     {"aux2", &r.m_fAux2},   {"aux3", &r.m_fAux3},
                                                     {"aux4", &r.m_fAux4}};
    for (const auto& [pszKey, pf] : floats)
        if (obj.contains(pszKey) && !ReadFloat(obj[pszKey], pszKey, pf, pstrError))
            return false;
    if (obj.contains("unit") && !ReadUnit(obj["unit"], "unit", &r.m_strUnit, pstrError))
        return false;
    if (obj.contains("aux3Unit") && !ReadUnit(obj["aux3Unit"], "aux3Unit", &r.m_strAux3Unit, pstrError))
        return false;
    if (obj.contains("decimals")) {
        const int nMin = (r.m_nLayout == 2 || r.m_nLayout == 4) ? 2 : 0;
        if (!ReadInt(obj["decimals"], "decimals", nMin, 5, &r.m_nDecimals, pstrError))
            return false;
    }
    if (obj.contains("auxCode") && !ReadInt(obj["auxCode"], "auxCode", 0, 255, &r.m_nAuxCode, pstrError))
        return false;
    if (obj.contains("sub")) {
        const QJsonArray arr = obj["sub"].toArray();
        if (!obj["sub"].isArray() || arr.size() > 3)
            return Fail(pstrError, QStringLiteral("\"sub\" must be an array of at most 3 objects"));
        for (int i = 0; i < arr.size(); ++i)
            if (!ParseSub(arr[i], r.m_nLayout, i, &r.m_arrSub[i], pstrError))
                return false;
    }
    if (obj.contains("clock")) {
        if (!ReadClock(obj["clock"], "clock", &r.m_clock, pstrError))
            return false;
        pStep->m_bRunningClock = false;
    }
    if (obj.contains("clock24h") && !ReadBool(obj["clock24h"], "clock24h", &r.m_bClock24h, pstrError))
        return false;
    if (obj.contains("monthFirst") && !ReadBool(obj["monthFirst"], "monthFirst", &r.m_bMonthFirst, pstrError))
        return false;
    if (obj.contains("repeat") && !ReadInt(obj["repeat"], "repeat", 1, kMaxRepeat, &pStep->m_nRepeat, pstrError))
        return false;
    if (obj.contains("valueStep") && !ReadDouble(obj["valueStep"], "valueStep", &pStep->m_dValueStep, pstrError))
        return false;
    const double dLast = dValue + pStep->m_dValueStep * (pStep->m_nRepeat - 1);
    if (std::fabs(dLast) > double(FLT_MAX))
        return Fail(pstrError, QStringLiteral("\"valueStep\" drives the value beyond a 32-bit float"));

    const QString strCheck = CSimFrameEncoder::Check(r);
    if (!strCheck.isEmpty())
        return Fail(pstrError, strCheck);
    return true;
}

bool ParseStep(const QJsonValue& value, CSimScenario::Step* pStep, QString* pstrError)
{
    if (!value.isObject())
        return Fail(pstrError, QStringLiteral("a step must be an object"));
    const QJsonObject obj = value.toObject();
    const QString strType = obj["type"].toString();
    if (strType == QLatin1String("reading")) {
        pStep->m_kind = CSimScenario::StepKind::Reading;
        return ParseReading(obj, pStep, pstrError);
    }
    if (strType == QLatin1String("arm")) {
        pStep->m_kind = CSimScenario::StepKind::Arm;
        return CheckKeys(obj, {"type", "comment"}, QStringLiteral(" for \"arm\""), pstrError);
    }
    if (strType == QLatin1String("noise")) {
        pStep->m_kind = CSimScenario::StepKind::Noise;
        if (!CheckKeys(obj, {"type", "comment", "bytes"}, QStringLiteral(" for \"noise\""), pstrError))
            return false;
        if (!obj.contains("bytes"))
            return Fail(pstrError, QStringLiteral("\"noise\" needs \"bytes\""));
        return ReadInt(obj["bytes"], "bytes", 1, CSimScenario::kMaxNoiseBytes, &pStep->m_nNoiseBytes, pstrError);
    }
    if (strType == QLatin1String("pause")) {
        pStep->m_kind = CSimScenario::StepKind::Pause;
        if (!CheckKeys(obj, {"type", "comment", "ms"}, QStringLiteral(" for \"pause\""), pstrError))
            return false;
        if (!obj.contains("ms"))
            return Fail(pstrError, QStringLiteral("\"pause\" needs \"ms\""));
        return ReadInt(obj["ms"], "ms", 0, CSimScenario::kMaxPauseMs, &pStep->m_nPauseMs, pstrError);
    }
    if (strType == QLatin1String("osc")) {
        pStep->m_kind = CSimScenario::StepKind::Oscilloscope;
        auto pFrame = std::make_shared<CSimOscFrame>();
        if (!CSimOscilloscope::ParseStep(obj, pFrame.get(), pstrError))
            return false;
        pStep->m_nRepeat = pFrame->m_nRepeat;
        pStep->m_pOsc = pFrame;
        return true;
    }
    if (strType == QLatin1String("oscMode")) {
        pStep->m_kind = CSimScenario::StepKind::OscMode;
        return CheckKeys(obj, {"type", "comment"}, QStringLiteral(" for \"oscMode\""), pstrError);
    }
    if (!obj.contains("type"))
        return Fail(pstrError, QStringLiteral("a step needs \"type\": \"reading\", \"arm\", \"noise\", \"pause\", "
                                              "\"osc\" or \"oscMode\""));
    return Fail(pstrError, QStringLiteral("unknown step type \"%1\" (reading, arm, noise, pause, osc or oscMode)")
                               .arg(obj["type"].toVariant().toString()));
}

} // namespace

bool CSimScenario::LoadFile(const QString& strPath, QString* pstrError)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(pstrError, QStringLiteral("cannot open scenario \"%1\": %2").arg(strPath, file.errorString()));
    // One byte over the limit is enough to know the file is too large.
    const QByteArray json = file.read(kMaxFileBytes + 1);
    if (json.size() > kMaxFileBytes)
        return Fail(pstrError, QStringLiteral("scenario \"%1\" is larger than %2 bytes").arg(strPath)
                                   .arg(kMaxFileBytes));
    QString strError;
    if (!LoadJson(json, &strError))
        return Fail(pstrError, QStringLiteral("scenario \"%1\": %2").arg(strPath, strError));
    return true;
}

bool CSimScenario::LoadJson(const QByteArray& json, QString* pstrError)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return Fail(pstrError, QStringLiteral("not valid JSON at offset %1: %2").arg(parseError.offset)
                                   .arg(parseError.errorString()));
    if (!doc.isObject())
        return Fail(pstrError, QStringLiteral("the top level must be an object with \"steps\""));
    const QJsonObject top = doc.object();
    if (!CheckKeys(top, {"comment", "loop", "clockStart", "steps", "logger"}, QStringLiteral(" at the top level"),
                   pstrError))
        return false;
    CSimLoggerMemory::Setup logger;
    const bool bHasLogger = top.contains("logger");
    if (bHasLogger && !CSimLoggerMemory::Parse(top["logger"], &logger, pstrError))
        return false;

    bool bLoop = false;
    if (top.contains("loop") && !ReadBool(top["loop"], "loop", &bLoop, pstrError))
        return false;
    CSimClock clockStart;
    const bool bHasClockStart = top.contains("clockStart");
    if (bHasClockStart) {
        if (!ReadClock(top["clockStart"], "clockStart", &clockStart, pstrError))
            return false;
        // The running clock has to advance, so it must be a real date and time.
        if (!clockStart.ToDateTime().isValid())
            return Fail(pstrError, QStringLiteral("\"clockStart\" is not a real date and time"));
    }

    // A meter that only answers logger requests needs no steps.
    const QJsonArray arrSteps = top["steps"].toArray();
    const bool bStepsOptional = bHasLogger && !top.contains("steps");
    if (!bStepsOptional && (!top["steps"].isArray() || (arrSteps.isEmpty() && !bHasLogger)))
        return Fail(pstrError, QStringLiteral("\"steps\" must be a non-empty array"));
    if (arrSteps.size() > kMaxSteps)
        return Fail(pstrError, QStringLiteral("more than %1 steps").arg(kMaxSteps));

    QList<Step> steps;
    steps.reserve(arrSteps.size());
    bool bTakesTime = false;
    for (int i = 0; i < arrSteps.size(); ++i) {
        Step step;
        QString strError;
        if (!ParseStep(arrSteps[i], &step, &strError))
            return Fail(pstrError, QStringLiteral("step %1: %2").arg(i + 1).arg(strError));
        bTakesTime = bTakesTime || step.m_kind == StepKind::Reading || step.m_kind == StepKind::Oscilloscope
                     || (step.m_kind == StepKind::Pause && step.m_nPauseMs > 0);
        steps.append(step);
    }
    // A loop of instantaneous steps would send without end at a single instant.
    if (bLoop && !bTakesTime)
        return Fail(pstrError, QStringLiteral("a looping scenario needs a reading or a pause longer than 0 ms"));

    m_arrSteps = steps;
    m_bLoop = bLoop;
    m_bHasClockStart = bHasClockStart;
    m_clockStart = clockStart;
    m_bHasLogger = bHasLogger;
    m_logger = logger;
    return true;
}
