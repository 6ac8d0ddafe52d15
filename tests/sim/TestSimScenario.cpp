#include "sim/CSimFrameEncoder.h"
#include "sim/CSimScenario.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = CSimScenario::StepKind;

TEST(SimScenario, SampleCoversEveryLayoutInBothSeries)
{
    CSimScenario scenario;
    QString strError;
    ASSERT_TRUE(scenario.LoadFile(SIM_SCENARIO_DIR "/all-layouts.json", &strError)) << strError.toStdString();
    QSet<int> headers;
    int nNoise = 0;
    bool bArmed = false;
    for (const CSimScenario::Step& step : scenario.Steps()) {
        nNoise += step.m_kind == Kind::Noise;
        bArmed = bArmed || step.m_kind == Kind::Arm;
        if (step.m_kind == Kind::Reading) {
            headers.insert(CSimFrameEncoder::HeaderCode(step.m_reading.m_nLayout, step.m_reading.m_nSeries));
            EXPECT_TRUE(step.m_reading.m_nSeries == 8 || bArmed);
        }
    }
    EXPECT_EQ(headers.size(), 14);
    EXPECT_GE(nNoise, 2);
}

TEST(SimScenario, ReadsStepsAndTopLevelSettings)
{
    CSimScenario scenario;
    QString strError;
    ASSERT_TRUE(scenario.LoadJson(R"({"loop": true, "clockStart": [24, 2, 29, 23, 59, 50], "steps": [
        {"type": "arm", "comment": "x"},
        {"type": "reading", "layout": 1, "repeat": 4, "valueStep": 0.25},
        {"type": "noise", "bytes": 12}, {"type": "pause", "ms": 1500}]})",
                                  &strError))
        << strError.toStdString();
    EXPECT_TRUE(scenario.Loops());
    EXPECT_EQ(scenario.ClockStart(), (CSimClock{24, 2, 29, 23, 59, 50}));
    const auto& steps = scenario.Steps();
    ASSERT_EQ(steps.size(), 4);
    EXPECT_EQ(steps[0].m_kind, Kind::Arm);
    EXPECT_EQ(steps[1].m_nRepeat, 4);
    EXPECT_DOUBLE_EQ(steps[1].m_dValueStep, 0.25);
    EXPECT_TRUE(steps[1].m_bRunningClock);
    EXPECT_EQ(steps[2].m_nNoiseBytes, 12);
    EXPECT_EQ(steps[3].m_nPauseMs, 1500);

    // A failed load leaves the loaded scenario as it was.
    EXPECT_FALSE(scenario.LoadJson(R"({"steps": [{"type": "noise", "bytes": 0}]})", nullptr));
    EXPECT_EQ(scenario.Steps().size(), 4);
}

struct BadJsonCase
{
    const char* pszName;
    const char* pszJson;
    const char* pszError;
};

const BadJsonCase kBadJson[] = {
    {"Truncated", R"({"steps": [)", "not valid JSON"},
    {"TopLevelArray", R"([{"type": "arm"}])", "top level must be an object"},
    {"EmptySteps", R"({"steps": []})", "\"steps\" must be a non-empty array"},
    {"UnknownTopKey", R"({"steps": [{"type": "arm"}], "lop": true})", "unknown key \"lop\""},
    {"StepNotObject", R"({"steps": [3]})", "step 1: a step must be an object"},
    {"MissingType", R"({"steps": [{"layout": 1}]})", "a step needs \"type\""},
    {"UnknownType", R"({"steps": [{"type": "wait"}]})", "unknown step type \"wait\""},
    {"UnknownLayout", R"({"steps": [{"type": "arm"}, {"type": "reading", "layout": 8}]})",
     "step 2: \"layout\" is 8, allowed 1 to 7"},
    {"UnitTooLong", R"({"steps": [{"type": "reading", "layout": 1, "unit": "kohms"}]})",
     "\"unit\" \"kohms\" is longer than 4 characters"},
    {"UnitNotAscii", R"({"steps": [{"type": "reading", "layout": 1, "unit": "°C"}]})", "printable ASCII"},
    {"SeriesTen", R"({"steps": [{"type": "reading", "layout": 1, "series": 10}]})", "\"series\" is 10"},
    {"FunctionInLayout6", R"({"steps": [{"type": "reading", "layout": 6, "function": 1}]})",
     "unknown key \"function\" for layout 6"},
    {"SubUnitInLayout4", R"({"steps": [{"type": "reading", "layout": 4, "sub": [{"unit": "V"}]}]})",
     "unknown key \"unit\" in sub[0] of layout 4"},
    {"FourSubs", R"({"steps": [{"type": "reading", "layout": 2, "sub": [{}, {}, {}, {}]}]})", "at most 3"},
    {"BadSubTime", R"({"steps": [{"type": "reading", "layout": 2, "sub": [{"time": "1:02:03"}]}]})", "\"hh:mm:ss\""},
    {"PackedDecimalsOne", R"({"steps": [{"type": "reading", "layout": 4, "decimals": 1}]})", "allowed 2 to 5"},
    {"ClockTooShort", R"({"steps": [{"type": "reading", "layout": 1, "clock": [25, 1, 1]}]})", "array of 6"},
    {"ClockField100", R"({"steps": [{"type": "reading", "layout": 1, "clock": [25, 1, 1, 100, 0, 0]}]})",
     "\"clock[3]\" is 100"},
    {"ClockStartMonthZero", R"({"clockStart": [25, 0, 1, 0, 0, 0], "steps": [{"type": "arm"}]})",
     "not a real date"},
    {"ValueBeyondFloat", R"({"steps": [{"type": "reading", "layout": 1, "value": 1e39}]})", "32-bit float"},
    {"RepeatZero", R"({"steps": [{"type": "reading", "layout": 1, "repeat": 0}]})", "\"repeat\" is 0"},
    {"NoiseHuge", R"({"steps": [{"type": "noise", "bytes": 100000000}]})", "allowed 1 to 4096"},
    {"PauseNegative", R"({"steps": [{"type": "pause", "ms": -1}]})", "\"ms\" is -1"},
    {"LoopWithoutTime", R"({"loop": true, "steps": [{"type": "arm"}, {"type": "pause", "ms": 0}]})",
     "a looping scenario needs a reading"},
};

class SimScenarioRejects : public ::testing::TestWithParam<BadJsonCase>
{
};

TEST_P(SimScenarioRejects, NamesTheFault)
{
    CSimScenario scenario;
    QString strError;
    EXPECT_FALSE(scenario.LoadJson(GetParam().pszJson, &strError));
    EXPECT_TRUE(strError.contains(QString::fromUtf8(GetParam().pszError))) << strError.toStdString();
    EXPECT_TRUE(scenario.Steps().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BadFiles, SimScenarioRejects, ::testing::ValuesIn(kBadJson),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST(SimScenario, FileErrorsNameTheFile)
{
    QTemporaryDir dir;
    CSimScenario scenario;
    QString strError;
    EXPECT_FALSE(scenario.LoadFile(dir.filePath("missing.json"), &strError));
    EXPECT_TRUE(strError.contains("cannot open scenario")) << strError.toStdString();

    const QString strHuge = dir.filePath("huge.json");
    QFile huge(strHuge);
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(QByteArray(CSimScenario::kMaxFileBytes + 1, ' '));
    huge.close();
    EXPECT_FALSE(scenario.LoadFile(strHuge, &strError));
    EXPECT_TRUE(strError.contains(strHuge) && strError.contains("larger than")) << strError.toStdString();
}

} // namespace
