#include "sim/CSimMeter.h"
#include "sim/CSimScenario.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const QByteArray kAck = QByteArray::fromHex("f30001f4");

QByteArray Request(int nCode, int nParameter = 0)
{
    return QByteArray::fromHex("b0") + char(nCode) + char(nParameter) + QByteArray::fromHex("b1");
}

CSimLoggerMemory::Setup Parse(const QByteArray& json, QString* pstrError = nullptr)
{
    CSimLoggerMemory::Setup setup;
    CSimScenario scenario;
    if (!scenario.LoadJson(json, pstrError))
        return setup;
    EXPECT_TRUE(scenario.HasLogger());
    return scenario.Logger();
}

const QByteArray kTwoRecordings = R"({"logger": {"recordings": [
    {"address": 7, "function": 5, "start": [25, 3, 14, 9, 30, 5], "interval": 60, "samples": [1.5, 2.5, 3.5],
     "blockSize": 2},
    {"address": 9, "function": 16, "count": 4, "value": 100, "valueStep": 50, "ignoreRequests": 1}
]}})";

TEST(SimLoggerMemory, ScenarioRecordings)
{
    const CSimLoggerMemory::Setup setup = Parse(kTwoRecordings);
    ASSERT_EQ(setup.m_arrRecordings.size(), 2);
    const CSimLoggerMemory::Recording& first = setup.m_arrRecordings[0];
    EXPECT_EQ(first.m_nAddress, 7);
    EXPECT_EQ(first.m_start, (CSimClock{25, 3, 14, 9, 30, 5}));
    EXPECT_EQ(first.m_arrSamples, (QList<float>{1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(CSimLoggerMemory::BlockCount(first), 2);
    EXPECT_EQ(setup.m_arrRecordings[1].m_arrSamples, (QList<float>{100, 150, 200, 250}));
    EXPECT_EQ(setup.m_arrRecordings[1].m_nIgnoreRequests, 1);
}

TEST(SimLoggerMemory, ScenarioFaultsAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"logger": []})", "must be an object"},
        {R"({"logger": {"recordings": [{"address": 1}]}})", "either \"samples\""},
        {R"({"logger": {"recordings": [{"count": 3, "samples": [1]}]}})", "either \"samples\""},
        {R"({"logger": {"recordings": [{"count": 0}]}})", "\"count\""},
        {R"({"logger": {"recordings": [{"count": 2, "blockSize": 0}]}})", "\"blockSize\""},
        {R"({"logger": {"recordings": [{"count": 2, "adress": 3}]}})", "unknown key \"adress\""},
        {R"({"logger": {"recordings": [{"count": 2, "start": [25, 3, 14]}]}})", "\"start\""},
        {R"({"logger": {"recordings": [{"samples": [1, "x"]}]}})", "32-bit float"},
        {R"({"logger": {"recordings": [{"count": 2}, {"count": 2}]}})", "address 1 is used twice"},
        {R"({"logger": {"recordings": [{"count": 256, "blockSize": 1}]}})", "more than 255 blocks"},
        {R"({"logger": {"recordings": [{"count": 2}], "push": {"address": 5}}})", "no recording has address 5"},
    };
    for (const auto& [pszJson, pszError] : cases) {
        QString strError;
        CSimScenario scenario;
        EXPECT_FALSE(scenario.LoadJson(pszJson, &strError)) << pszJson;
        EXPECT_TRUE(strError.contains(QString::fromUtf8(pszError))) << qPrintable(strError) << " for " << pszJson;
    }
    // Generated samples are bounded in all.
    QByteArray strMany = R"({"logger": {"recordings": [)";
    for (int i = 0; i < 16; ++i)
        strMany += QByteArray(i ? "," : "") + R"({"count": 65000, "blockSize": 255, "address": )" + QByteArray::number(i) + "}";
    QString strError;
    CSimScenario many;
    EXPECT_FALSE(many.LoadJson(strMany + "]}}", &strError));
    EXPECT_TRUE(strError.contains(QStringLiteral("recording 16: more than 1000000 samples"))) << qPrintable(strError);

    // A logger alone needs no steps; a stream without a logger still does.
    CSimScenario scenario;
    EXPECT_TRUE(scenario.LoadJson(R"({"logger": {"recordings": []}})", nullptr));
    EXPECT_FALSE(scenario.LoadJson(R"({"steps": []})", nullptr));
}

TEST(SimLoggerMemory, FramesAreLaidOutAsTheMeterSendsThem)
{
    CSimLoggerMemory memory(Parse(kTwoRecordings));
    const QByteArray directory = memory.Directory();
    ASSERT_EQ(directory.size(), 52);
    EXPECT_EQ(directory.left(11).toHex(), "a0aa0702052503140930" "05");
    EXPECT_EQ(qFromLittleEndian<quint32>(directory.constData() + 11), 60u);
    EXPECT_EQ(qFromLittleEndian<quint32>(directory.constData() + 19), 3u);
    EXPECT_EQ(directory.mid(26, 5).toHex(), "a0aa090210");

    const CSimLoggerMemory::Recording& rec = memory.Recordings().m_arrRecordings[0];
    const QByteArray header = CSimLoggerMemory::Header(rec);
    ASSERT_EQ(header.size(), 26);
    EXPECT_EQ(header.left(9).toHex(), "a0a805250314093005");
    EXPECT_EQ(qFromLittleEndian<quint16>(header.constData() + 21), 2);

    const QByteArray block2 = CSimLoggerMemory::Block(rec, 2);
    ASSERT_EQ(block2.size(), 5 + 8 + 3);
    EXPECT_EQ(block2.left(5).toHex(), "a0a9010200");
    float fValue = 0;
    std::memcpy(&fValue, block2.constData() + 5, 4);
    EXPECT_EQ(fValue, 3.5f);
    EXPECT_EQ(qFromLittleEndian<quint32>(block2.constData() + 9), 120u); // third sample, 60 s apart
    EXPECT_EQ(block2.right(1).toHex(), "a1");

    EXPECT_EQ(CSimLoggerMemory({}).Directory().toHex(), "a0aa0000" + QByteArray(44, '0'));
}

TEST(SimLoggerMemory, AnswersRequestsBlockByBlock)
{
    CSimLoggerMemory memory(Parse(kTwoRecordings));
    memory.Start(0);
    EXPECT_FALSE(memory.IsTransferring());
    EXPECT_TRUE(memory.OnCommand(Request(0x95)));
    EXPECT_TRUE(memory.IsTransferring());
    EXPECT_EQ(memory.Poll(0), QList<QByteArray>{memory.Directory()});

    const CSimLoggerMemory::Recording& rec = memory.Recordings().m_arrRecordings[0];
    memory.OnCommand(Request(0x96, 7));
    EXPECT_EQ(memory.Poll(0), QList<QByteArray>{CSimLoggerMemory::Header(rec)});
    memory.OnCommand(kAck);
    memory.OnCommand(kAck);
    EXPECT_EQ(memory.Poll(0), (QList<QByteArray>{CSimLoggerMemory::Block(rec, 1), CSimLoggerMemory::Block(rec, 2)}));
    memory.OnCommand(kAck); // the recording is out: nothing more
    EXPECT_TRUE(memory.Poll(0).isEmpty());

    // Recording 9 ignores its first request, and nobody answers for address 8.
    memory.OnCommand(Request(0x96, 9));
    memory.OnCommand(Request(0x96, 8));
    EXPECT_TRUE(memory.Poll(0).isEmpty());
    EXPECT_EQ(memory.IgnoredRequests(), 2);
    memory.OnCommand(Request(0x96, 9));
    EXPECT_EQ(memory.Poll(0).size(), 1);
    EXPECT_TRUE(memory.OnCommand(Request(0xa0)));
    EXPECT_FALSE(memory.IsTransferring());
    EXPECT_FALSE(memory.OnCommand(Request(0x42)));
}

TEST(SimLoggerMemory, MeterPausesItsStreamAndPushesARecording)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("logger.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"loop": true, "steps": [{"type": "reading", "layout": 1, "value": 1.0}],
                   "logger": {"recordings": [{"address": 3, "count": 5, "blockSize": 5}],
                              "push": {"address": 3, "atMs": 1000}}})");
    file.close();
    CSimMeterOptions options;
    options.dRate = 10.0;
    options.strScenarioPath = file.fileName();
    CSimMeter meter(options);
    QString strError;
    ASSERT_TRUE(meter.Load(&strError)) << qPrintable(strError);
    meter.Start(0);
    EXPECT_EQ(meter.Poll(900).size(), 10);
    // At 1 s the recording goes out unasked, and no reading while it does.
    const QList<QByteArray> push = meter.Poll(1000);
    ASSERT_EQ(push.size(), 1);
    EXPECT_EQ(push[0].left(2).toHex(), "a0a8");
    EXPECT_TRUE(meter.Poll(5000).isEmpty());
    EXPECT_EQ(meter.MsUntilNext(5000), -1);
    meter.OnCommand(kAck);
    const QList<QByteArray> block = meter.Poll(5000);
    ASSERT_EQ(block.size(), 1);
    EXPECT_EQ(block[0].left(4).toHex(), "a0a90501");
    // The stream goes on from now, without a burst of stale readings.
    EXPECT_EQ(meter.Poll(5100).size(), 1);
    EXPECT_EQ(meter.Poll(5200).size(), 1);
}

} // namespace
