#include "CPromptRecorder.h"
#include "protocol/CMeterProtocol.h"
#include "scope/COscSlots.h"
#include "sim/CSimMeter.h"
#include "sim/CSimOscilloscope.h"
#include "sim/CSimScenario.h"

#include <QJsonDocument>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Kind = CSimScenario::StepKind;

CSimOscFrame Parse(const char* pszJson, QString* pstrError = nullptr)
{
    CSimOscFrame frame;
    QString strError;
    const bool bOk = CSimOscilloscope::ParseStep(QJsonDocument::fromJson(pszJson).object(), &frame, &strError);
    if (pstrError)
        *pstrError = bOk ? QString() : strError;
    else
        EXPECT_TRUE(bOk) << strError.toStdString();
    return frame;
}

int Payload(const QByteArray& frame, int k)
{
    return quint8(frame.at(CSimOscilloscope::kPayloadOffset + k));
}

TEST(SimOscilloscope, EncodesThePayloadAtItsOffsets)
{
    const CSimOscFrame osc = Parse(R"({"type": "osc", "slot": 4, "status": 3, "timeBase": 12, "voltScale": 9,
        "rateLabels": true, "coupling": 0, "speed": 1, "page": 6, "trigger": 3, "triggerLevel": 150,
        "crossings": [300, 1234], "high": 200, "date": [2025, 12, 5, 23, 58, 57], "dateOrder": 1,
        "fftVpp": 513, "fftFreq": 65535, "fftPeriod": 258, "fftSelect": 2,
        "wave": {"shape": "square", "amplitude": 20, "period": 10}, "bars": [1, 2, 3]})");
    const QByteArray frame = CSimOscilloscope::Encode(osc, CSimClock{});
    ASSERT_EQ(frame.size(), 514);
    EXPECT_EQ(frame.left(2), QByteArray("\xe0\xe0", 2));
    EXPECT_EQ(frame.right(2), QByteArray(2, '\0'));
    const std::pair<int, int> expected[] = {
        {0, 3}, {1, 12}, {2, 9}, {7, 200}, {8, 115}, {10, 0}, {11, 1}, {12, 2}, {13, 1}, {14, 255}, {15, 255},
        {16, 1}, {17, 2}, {18, 6}, {19, 3}, {30, 1}, {31, 44}, {32, 4}, {33, 210}, {35, 2}, {36, 150},
        {40, 20}, {41, 25}, {42, 12}, {43, 5}, {44, 23}, {45, 58}, {46, 57}, {47, 1}, {50, 1}, {52, 4},
        {80, 155}, {84, 155}, {85, 115}, {89, 115}, {90, 155}, {379, 115}, {390, 1}, {392, 3}, {393, 0}, {509, 0}};
    for (const auto& [k, nByte] : expected)
        EXPECT_EQ(Payload(frame, k), nByte) << "payload byte " << k;
}

TEST(SimOscilloscope, WavesAndTheRunningDate)
{
    const CSimOscFrame sine = Parse(R"({"type": "osc", "wave": {"amplitude": 50, "period": 40, "offset": -10}})");
    EXPECT_EQ(sine.m_arrSamples[0], 125);
    EXPECT_EQ(sine.m_arrSamples[10], 175);
    EXPECT_EQ(sine.m_arrSamples[30], 75);
    EXPECT_EQ(sine.m_nCrossing1, 8);
    EXPECT_EQ(sine.m_nCrossing2, 48);
    const CSimOscFrame triangle = Parse(R"({"type": "osc", "wave": {"shape": "triangle", "amplitude": 100,
                                           "period": 8, "phase": 2}})");
    EXPECT_EQ(triangle.m_arrSamples[0], 135);  // phase 2 of 8: rising through zero
    EXPECT_EQ(triangle.m_arrSamples[2], 235);
    EXPECT_EQ(triangle.m_arrSamples[6], 35);
    const CSimOscFrame clipped = Parse(R"({"type": "osc", "wave": {"shape": "square", "amplitude": 135,
                                          "offset": 120, "period": 4}})");
    EXPECT_EQ(clipped.m_arrSamples[0], 255);
    EXPECT_EQ(clipped.m_arrSamples[2], 120);

    const QByteArray frame = CSimOscilloscope::Encode(sine, CSimClock{25, 3, 14, 9, 30, 5});
    const int arrDate[] = {20, 25, 3, 14, 9, 30, 5};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Payload(frame, 40 + i), arrDate[i]);
    EXPECT_EQ(Payload(frame, 7), 175); // highest and lowest sample when not given
    EXPECT_EQ(Payload(frame, 8), 75);
}

TEST(SimOscilloscope, RefusesWhatTheMeterCannotSend)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"type": "osc"})", "either \"samples\""},
        {R"({"type": "osc", "wave": {}, "samples": []})", "either \"samples\""},
        {R"({"type": "osc", "samples": [1, 2, 3], "crossings": [0, 1]})", "array of 300 levels"},
        {R"({"type": "osc", "wave": {}, "bars": [1, 2, 256]})", "\"bars[2]\" is 256"},
        {R"({"type": "osc", "wave": {"shape": "saw"}})", "\"wave.shape\""},
        {R"({"type": "osc", "wave": {"period": 1}})", "\"wave.period\" is 1"},
        {R"({"type": "osc", "wave": {}, "slot": 256})", "\"slot\" is 256"},
        {R"({"type": "osc", "wave": {}, "fftFreq": 65536})", "\"fftFreq\" is 65536"},
        {R"({"type": "osc", "wave": {}, "date": [2025, 1, 1]})", "array of 6"},
        {R"({"type": "osc", "wave": {}, "date": [25600, 1, 1, 0, 0, 0]})", "\"date[0]\" is 25600"},
        {R"({"type": "osc", "wave": {}, "crossings": [1]})", "\"crossings\" must be"},
        {R"({"type": "osc", "wave": {}, "layout": 1})", "unknown key \"layout\" for \"osc\""},
        {R"({"type": "osc", "wave": {"amplitude": 1, "offset": 8}, "rateLabels": 1})", "true or false"},
    };
    for (const auto& [pszJson, pszError] : cases) {
        QString strError;
        Parse(pszJson, &strError);
        EXPECT_TRUE(strError.contains(QString::fromUtf8(pszError))) << pszJson << ": " << strError.toStdString();
    }
    QString strError;
    QByteArray samples = "[";
    for (int i = 0; i < 300; ++i)
        samples += i < 5 ? "143," : "135,"; // 8f 8f 8f 8f 8f holds "f8f8f8f8"
    samples.chop(1);
    samples += "]";
    Parse(R"({"type": "osc", "crossings": [0, 0], "samples": )" + samples + "}", &strError);
    EXPECT_TRUE(strError.contains("series marker")) << strError.toStdString();
    Parse(R"({"type": "osc", "wave": {}, "samples": )" + samples + "}", &strError);
    EXPECT_FALSE(strError.isEmpty());
}

TEST(SimOscilloscope, ScenarioStepsAndTheMeterSendsThem)
{
    CSimScenario scenario;
    QString strError;
    ASSERT_TRUE(scenario.LoadJson(R"({"steps": [{"type": "oscMode", "comment": "x"},
        {"type": "osc", "wave": {}, "repeat": 3}, {"type": "pause", "ms": 10}]})", &strError))
        << strError.toStdString();
    ASSERT_EQ(scenario.Steps().size(), 3);
    EXPECT_EQ(scenario.Steps()[0].m_kind, Kind::OscMode);
    EXPECT_EQ(scenario.Steps()[1].m_kind, Kind::Oscilloscope);
    EXPECT_EQ(scenario.Steps()[1].m_nRepeat, 3);
    EXPECT_FALSE(scenario.LoadJson(R"({"steps": [{"type": "oscMode", "slot": 1}]})", &strError));
    EXPECT_TRUE(strError.contains("unknown key \"slot\" for \"oscMode\"")) << strError.toStdString();
    EXPECT_FALSE(scenario.LoadJson(R"({"loop": true, "steps": [{"type": "oscMode"}]})", &strError));
    EXPECT_TRUE(scenario.LoadJson(R"({"loop": true, "steps": [{"type": "osc", "wave": {}}]})", &strError));
}

// Everything the simulated meter sends for a scenario, until it has no more, as
// the dongle delivers it: each frame in notifications of at most 20 bytes.
QList<QByteArray> PlayAll(const QString& strScenario, int nNoiseBytes)
{
    CSimMeterOptions options;
    options.dRate = 20.0;
    options.strScenarioPath = strScenario;
    options.nNoiseBytes = nNoiseBytes;
    CSimMeter meter(options);
    QString strError;
    EXPECT_TRUE(meter.Load(&strError)) << strError.toStdString();
    meter.Start(0);
    QList<QByteArray> notifications;
    for (qint64 nNow = 0; meter.MsUntilNext(nNow) >= 0 && nNow < 100000000; nNow += 1000)
        for (const QByteArray& entry : meter.Poll(nNow))
            for (qsizetype n = 0; n < entry.size(); n += 20)
                notifications << entry.mid(n, 20);
    return notifications;
}

class SimOscilloscopeThroughTheProgram : public ::testing::TestWithParam<int>
{
};

TEST_P(SimOscilloscopeThroughTheProgram, FramesDecodeToTheScenariosValues)
{
    const QString strPath = QStringLiteral(SIM_SCENARIO_DIR "/oscilloscope.json");
    CSimScenario scenario;
    ASSERT_TRUE(scenario.LoadFile(strPath, nullptr));
    const QList<QByteArray> notifications = PlayAll(strPath, GetParam());

    CPromptRecorder prompt;
    CMeterProtocol protocol(nullptr, &prompt);
    COscSlots oscSlots(&prompt);
    QObject::connect(&protocol, &CMeterProtocol::OscilloscopeData, &oscSlots, &COscSlots::DecodeOscFrame,
                     Qt::DirectConnection);
    QSignalSpy live(&oscSlots, &COscSlots::LiveWaveform);
    QSignalSpy status(&oscSlots, &COscSlots::SlotStatus);
    QSignalSpy readings(&protocol, &CMeterProtocol::ReadingDecoded);
    QSignalSpy oscMode(&protocol, &CMeterProtocol::ShowOscList);
    for (const QByteArray& notification : notifications) {
        protocol.AppendMeterHex(notification.toHex());
        protocol.OnMeterData();
    }
    EXPECT_TRUE(prompt.Texts().isEmpty());
    EXPECT_EQ(readings.size(), 3 + 3); // before and after the oscilloscope
    EXPECT_GE(oscMode.size(), 1);
    EXPECT_EQ(protocol.Layout(), 1);
    ASSERT_EQ(live.size(), 5 + 5 + 100);
    EXPECT_EQ(status.size(), 9 + 10);

    // Each stored slot holds what its step gave; each live step reached the window.
    QList<OscRecord> liveRecords;
    for (const QList<QVariant>& args : live)
        liveRecords << args.at(0).value<OscRecord>();
    int nLive = 0;
    for (const CSimScenario::Step& step : scenario.Steps()) {
        if (step.m_kind != Kind::Oscilloscope)
            continue;
        const CSimOscFrame& f = *step.m_pOsc;
        if (f.m_nSlot == 0)
            nLive += step.m_nRepeat;
        const OscRecord r = f.m_nSlot == 0 ? liveRecords.value(nLive - 1) : oscSlots.Slot(f.m_nSlot);
        SCOPED_TRACE(testing::Message() << "slot " << f.m_nSlot);
        EXPECT_EQ(r.m_valid, 1);
        EXPECT_EQ(r.m_status, f.m_nStatus);
        EXPECT_EQ(r.m_rateCode, f.m_nTimeBase);
        EXPECT_EQ(r.m_page, f.m_nPage);
        EXPECT_EQ(r.m_coupling, f.m_nCoupling);
        EXPECT_EQ(r.m_speed, f.m_nSpeed);
        EXPECT_EQ(r.m_trigger, f.m_nTrigger);
        EXPECT_EQ(r.m_dateOrder, f.m_nDateOrder);
        EXPECT_DOUBLE_EQ(r.m_pos1, f.m_nCrossing1 - 8);
        EXPECT_DOUBLE_EQ(r.m_pos2, f.m_nCrossing2 - 8);
        const double k = r.m_voltsPerDiv / 25.0;
        for (int i = 0; i < 300; ++i)
            ASSERT_FLOAT_EQ(r.m_samples[size_t(i)], float((f.m_arrSamples[size_t(i)] - 135) * k)) << "sample " << i;
        for (int i = 1; i < 120; ++i)
            ASSERT_FLOAT_EQ(r.m_bars[size_t(i)], f.m_arrBars[size_t(i)]) << "bar " << i;
        if (!f.m_bRunningDate) {
            EXPECT_EQ(r.m_year, f.m_arrDate[0]);
            EXPECT_EQ(r.m_date1, f.m_arrDate[1]);
            EXPECT_EQ(r.m_date2, f.m_arrDate[2]);
            EXPECT_EQ(r.m_minute, f.m_arrDate[4]);
        } else {
            EXPECT_EQ(r.m_year, 2025); // the scenario's clock: 14 March 2025, from 9:30
            EXPECT_EQ(r.m_date1, 3);
            EXPECT_EQ(r.m_date2, 14);
            EXPECT_EQ(r.m_hour, 9);
        }
    }
    // Values the scenario states in the meter's units, as the program shows them.
    EXPECT_EQ(liveRecords.first().m_voltsText, "1.00 V/div");
    EXPECT_EQ(liveRecords.first().m_freqText, "1.000 KHz");      // 50 samples at 20 us
    EXPECT_EQ(liveRecords.first().m_triggerLevel, 400);          // level 145
    EXPECT_EQ(oscSlots.Slot(1).m_periodText, "20.00 mS");           // 10 samples at 2 ms
    EXPECT_EQ(oscSlots.Slot(2).m_rateText, "2MSa/s");
    EXPECT_EQ(oscSlots.Slot(3).m_vppText, "420 mV");
    EXPECT_EQ(oscSlots.Slot(3).m_freqText, "12.34 Hz");
    EXPECT_FLOAT_EQ(oscSlots.Slot(3).m_bars[0], 15.0f);             // the first bar is limited
    EXPECT_EQ(oscSlots.Slot(4).m_triggerLevel, 2000);               // 25 levels at 2 V/div
    EXPECT_EQ(oscSlots.Slot(5).m_status, 0);
}

INSTANTIATE_TEST_SUITE_P(Noise, SimOscilloscopeThroughTheProgram, ::testing::Values(0, 7));

} // namespace
