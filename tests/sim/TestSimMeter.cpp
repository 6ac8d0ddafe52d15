#include "sim/CSimMeter.h"
#include "sim/CSimNoise.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const QByteArray kArm("\xf8\xf8\xf8\xf8", 4);

float FloatAt(const QByteArray& frame, int nPos)
{
    const quint32 nBits = qFromLittleEndian<quint32>(frame.constData() + nPos);
    float f = 0.0f;
    std::memcpy(&f, &nBits, sizeof f);
    return f;
}

int SecondsOfDay(const QByteArray& layout1)
{
    auto bcd = [&](int nPos) { return (quint8(layout1.at(nPos)) >> 4) * 10 + (layout1.at(nPos) & 0x0f); };
    return bcd(20) * 3600 + bcd(21) * 60 + bcd(22);
}

bool IsFrame(const QByteArray& entry)
{
    return entry.size() >= 21 && quint8(entry.at(0)) == 0xa0 && quint8(entry.back()) == 0xa1;
}

CSimMeterOptions Options(double dRate, int nNoise = 0, const QString& strScenario = {})
{
    CSimMeterOptions options;
    options.dRate = dRate;
    options.nNoiseBytes = nNoise;
    options.strScenarioPath = strScenario;
    return options;
}

QString WriteScenario(const QTemporaryDir& dir, const QByteArray& json)
{
    QFile file(dir.filePath("scenario.json"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(json);
    return file.fileName();
}

TEST(SimMeterDefault, SendsLayout1FramesAtTheRate)
{
    CSimMeter meter(Options(5.0));
    ASSERT_TRUE(meter.Load(nullptr));
    EXPECT_EQ(meter.MsUntilNext(10000), -1);  // not started yet
    meter.Start(10000);
    EXPECT_EQ(meter.MsUntilNext(10000), 0);
    const QList<QByteArray> first = meter.Poll(10000);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(first[0].size(), 27);
    EXPECT_EQ(first[0].left(4).toHex(), "a0800200");  // series 8, VDC, no status bits
    EXPECT_EQ(first[0].mid(12, 5), QByteArray("V   \x01"));  // unit, four decimals

    EXPECT_EQ(meter.MsUntilNext(10000), 200);
    EXPECT_EQ(meter.MsUntilNext(10150), 50);
    EXPECT_TRUE(meter.Poll(10199).isEmpty());
    EXPECT_EQ(meter.Poll(10200).size(), 1);
    EXPECT_EQ(meter.Poll(11200).size(), 5);
    EXPECT_EQ(meter.MsUntilNext(11200), 200);
}

TEST(SimMeterDefault, ValuesMoveSmoothlyAndTheClockRuns)
{
    CSimMeter meter(Options(5.0));
    meter.Start(0);
    QList<QByteArray> frames;
    for (qint64 nNow = 0; nNow <= 10000; nNow += 100)
        frames += meter.Poll(nNow);
    ASSERT_EQ(frames.size(), 51);
    QSet<float> values;
    for (int i = 0; i < frames.size(); ++i) {
        const float fValue = FloatAt(frames[i], 4);
        EXPECT_TRUE(fValue > 0.99f && fValue < 5.01f) << fValue;
        EXPECT_LT(std::fabs(fValue - FloatAt(frames[qMax(0, i - 1)], 4)), 0.2f);
        values.insert(fValue);
    }
    EXPECT_GT(values.size(), 40);
    EXPECT_EQ((SecondsOfDay(frames.back()) - SecondsOfDay(frames.front()) + 86400) % 86400, 10);
}

TEST(SimMeterDefault, LateCallsStayBounded)
{
    CSimMeter slow(Options(5.0));
    slow.Start(0);
    const qsizetype nAfterAnHour = slow.Poll(3600 * 1000).size();
    EXPECT_TRUE(nAfterAnHour >= 1 && nAfterAnHour <= 6) << nAfterAnHour;  // missed readings are dropped

    CSimMeter fast(Options(1000.0));
    fast.Start(0);
    EXPECT_EQ(fast.Poll(100000).size(), 256);
    EXPECT_EQ(fast.MsUntilNext(100000), 0);  // the rest stays due
}

TEST(SimMeterDefault, NoiseOptionSeparatesFrames)
{
    CSimMeter meter(Options(10.0, 7));
    ASSERT_TRUE(meter.Load(nullptr));
    meter.Start(0);
    const QList<QByteArray> entries = meter.Poll(1000);
    ASSERT_EQ(entries.size(), 21);  // 11 frames, noise between each pair
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(IsFrame(entries[i]), i % 2 == 0) << i;
        if (i % 2) {
            EXPECT_TRUE(entries[i].size() == 7 && !entries[i].contains(char(0xa0))) << i;
        }
    }
}

TEST(SimMeter, LoadRefusesBadOptions)
{
    const std::tuple<double, int, const char*> cases[] = {
        {0.0, 0, "frame rate"}, {NAN, 0, "frame rate"}, {2000.0, 0, "frame rate"}, {5.0, -1, "noise"},
        {5.0, 5000, "noise"}};
    for (const auto& [dRate, nNoise, pszError] : cases) {
        CSimMeter meter(Options(dRate, nNoise));
        QString strError;
        EXPECT_FALSE(meter.Load(&strError));
        EXPECT_TRUE(strError.contains(pszError)) << strError.toStdString();
    }
    QTemporaryDir dir;
    CSimMeter missing(Options(5.0, 0, dir.filePath("missing.json")));
    EXPECT_FALSE(missing.Load(nullptr));
    missing.Start(0);  // a scenario that did not load sends nothing
    EXPECT_TRUE(missing.Poll(5000).isEmpty());
    EXPECT_EQ(missing.MsUntilNext(5000), -1);
}

TEST(SimMeterScenario, StepsRunInOrderAndEnd)
{
    QTemporaryDir dir;
    CSimMeter meter(Options(10.0, 0, WriteScenario(dir, R"({"clockStart": [25, 3, 14, 9, 30, 0], "steps": [
        {"type": "reading", "layout": 1, "value": 1.0, "valueStep": 0.5, "repeat": 3},
        {"type": "noise", "bytes": 5}, {"type": "arm"}, {"type": "pause", "ms": 2000},
        {"type": "reading", "layout": 7, "series": 9, "value": 440, "clock": [25, 0, 0, 1, 2, 3]},
        {"type": "reading", "layout": 1}]})")));
    QString strError;
    ASSERT_TRUE(meter.Load(&strError)) << strError.toStdString();
    meter.Start(0);
    for (int i = 0; i < 3; ++i) {
        const QList<QByteArray> out = meter.Poll(100 * i);
        ASSERT_EQ(out.size(), 1) << i;
        EXPECT_FLOAT_EQ(FloatAt(out[0], 4), 1.0f + 0.5f * i);
        EXPECT_EQ(out[0].mid(17, 6).toHex(), "250314093000");
        EXPECT_EQ(meter.MsUntilNext(100 * i), 100);
    }
    const QList<QByteArray> gap = meter.Poll(300);
    ASSERT_EQ(gap.size(), 2);
    EXPECT_EQ(gap[0].size(), 5);
    EXPECT_EQ(gap[1], kArm);
    EXPECT_EQ(meter.MsUntilNext(300), 2000);
    EXPECT_TRUE(meter.Poll(2299).isEmpty());

    const QList<QByteArray> late = meter.Poll(2400);
    ASSERT_EQ(late.size(), 2);
    EXPECT_EQ(late[0].left(2).toHex(), "a096");
    EXPECT_EQ(late[0].mid(11, 6).toHex(), "250000010203");  // month and day 0 as given
    EXPECT_EQ(late[1].mid(17, 6).toHex(), "250314093002");  // the running clock, 2.4 s on
    EXPECT_EQ(meter.MsUntilNext(2400), -1);
    EXPECT_TRUE(meter.Poll(100000).isEmpty());
}

TEST(SimMeterScenario, LoopStartsAgain)
{
    QTemporaryDir dir;
    CSimMeter meter(Options(5.0, 0, WriteScenario(dir, R"({"loop": true, "steps": [
        {"type": "reading", "layout": 1}, {"type": "reading", "layout": 3}]})")));
    ASSERT_TRUE(meter.Load(nullptr));
    meter.Start(0);
    QByteArray headers;
    for (qint64 nNow = 0; nNow < 1000; nNow += 200) {
        for (const QByteArray& entry : meter.Poll(nNow))
            headers.append(entry.at(1));
        EXPECT_EQ(meter.MsUntilNext(nNow), 200);
    }
    EXPECT_EQ(headers.toHex(), "8082808280");
}

TEST(SimMeterScenario, SampleRunsThroughWithSeries9AfterArming)
{
    CSimMeter meter(Options(20.0, 3, SIM_SCENARIO_DIR "/all-layouts.json"));
    QString strError;
    ASSERT_TRUE(meter.Load(&strError)) << strError.toStdString();
    meter.Start(0);
    QSet<int> headers;
    bool bArmed = false;
    qint64 nNow = 0;
    for (; meter.MsUntilNext(nNow) >= 0 && nNow < 60000; nNow += 50) {
        for (const QByteArray& entry : meter.Poll(nNow)) {
            bArmed = bArmed || entry == kArm;
            EXPECT_TRUE(IsFrame(entry) || entry == kArm || !entry.contains(char(0xa0)));
            if (IsFrame(entry)) {
                headers.insert(quint8(entry.at(1)));
                EXPECT_TRUE(quint8(entry.at(1)) < 0x90 || bArmed);
            }
        }
    }
    EXPECT_LT(nNow, 60000);
    EXPECT_EQ(headers.size(), 14);
}

TEST(SimMeter, CommandsAreRecordedNotAnswered)
{
    CSimMeter meter(Options(5.0));
    meter.Start(0);
    ASSERT_EQ(meter.Poll(0).size(), 1);
    const QByteArray request = QByteArray::fromHex("b09500b1");
    const QByteArray ack = QByteArray::fromHex("f30001f4");
    meter.OnCommand(request);
    meter.OnCommand(ack);
    EXPECT_EQ(meter.ReceivedCommands(), (QList<QByteArray>{request, ack}));
    EXPECT_TRUE(meter.Poll(0).isEmpty());
    EXPECT_EQ(meter.MsUntilNext(0), 200);

    for (int i = 0; i < 300; ++i)
        meter.OnCommand(QByteArray::fromHex("b096") + char(i % 256) + char(0xb1));
    EXPECT_EQ(meter.ReceivedCommands().size(), 256);  // the oldest are dropped
    EXPECT_EQ(meter.ReceivedCommands().back().toHex(), "b0962bb1");
}

TEST(SimNoise, HoldsNoMarkerEvenAcrossByteBoundaries)
{
    CSimNoise noise(42);
    const QByteArray bytes = noise.Make(200000);
    ASSERT_EQ(bytes.size(), 200000);
    EXPECT_FALSE(bytes.contains(char(0xa0)));
    const QByteArray hex = bytes.toHex();
    for (const char* pszMarker : {"a0", "a1", "a2a2", "e0e0", "f8f8"})
        EXPECT_FALSE(hex.contains(pszMarker)) << pszMarker;
    EXPECT_EQ(QSet<char>(bytes.begin(), bytes.end()).size(), 13 * 13);  // every allowed digit pair turns up

    CSimNoise same(42), other(43);
    EXPECT_EQ(same.Make(64), bytes.left(64));
    EXPECT_NE(other.Make(64), bytes.left(64));
    EXPECT_TRUE(same.Make(0).isEmpty() && same.Make(-3).isEmpty());
}

} // namespace
