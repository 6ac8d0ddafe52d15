// Throughput of the frame dispatcher and the measurement decoders, fed the way
// the link thread feeds them: append one notification, run OnMeterData once.
// The link's ceiling is about 420 layout-1 frames a second.

#include "protocol/CMeterProtocol.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cstring>
#include <vector>

namespace {

struct CFramePlan
{
    int nBytes, nValue, nUnit, nClock; // byte positions of the layout
    bool bFunctionCode;
};

const CFramePlan kPlans[] = {
    {}, {27, 4, 12, 17, true}, {59, 4, 25, 50, true}, {35, 4, 20, 25, true}, {47, 4, 24, 38, true},
    {36, 12, 16, 26, true}, {34, 3, 7, 24, false}, {21, 3, -1, 11, false},
};

QByteArray Frame(int nLayout, bool bSeries9, float fValue)
{
    const CFramePlan& p = kPlans[nLayout];
    QByteArray bytes(p.nBytes, '\0');
    bytes[0] = char(0xa0);
    bytes[1] = char((bSeries9 ? 0x90 : 0x80) + nLayout - 1);
    bytes[p.nBytes - 1] = char(0xa1);
    if (p.bFunctionCode)
        bytes[2] = 2; // VDC
    const quint32 nValue = std::bit_cast<quint32>(fValue);
    for (int i = 0; i < 4; ++i)
        bytes[p.nValue + i] = char(nValue >> (8 * i));
    if (p.nUnit >= 0)
        std::memcpy(bytes.data() + p.nUnit, "V   ", 4);
    const char clock[] = {0x25, 0x03, 0x14, 0x09, 0x30, 0x00};
    std::memcpy(bytes.data() + p.nClock, clock, sizeof clock);
    return bytes.toHex();
}

// All seven layouts in series 8, then all seven in series 9.
std::vector<QByteArray> MixedFrames()
{
    std::vector<QByteArray> frames;
    for (bool bSeries9 : {false, true})
        for (int nLayout = 1; nLayout <= 7; ++nLayout)
            frames.push_back(Frame(nLayout, bSeries9, 1.25f + float(nLayout)));
    return frames;
}

void BM_DispatchNotifications(benchmark::State& state)
{
    QByteArray strStream;
    for (const QByteArray& strFrame : MixedFrames())
        strStream += strFrame;
    std::vector<QByteArray> notifications;
    for (qsizetype i = 0; i < strStream.size(); i += 40) // 20-byte notifications
        notifications.push_back(strStream.mid(i, 40));

    CMeterProtocol protocol(nullptr, nullptr);
    qint64 nFrames = 0;
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, [&nFrames](const CDecodedReading&) { ++nFrames; });

    size_t i = 0;
    qint64 nCalls = 0;
    for (auto _ : state) {
        protocol.AppendMeterHex(notifications[i]);
        protocol.OnMeterData();
        if (++i == notifications.size())
            i = 0;
        ++nCalls;
    }
    const qint64 nExpected = nCalls / qint64(notifications.size()) * 14;
    if (nFrames < nExpected)
        state.SkipWithError("frames were lost");
    state.counters["frames"] = double(nFrames);
    state.counters["frames/s"] = benchmark::Counter(double(nFrames), benchmark::Counter::kIsRate);
    state.counters["time/frame"] =
        benchmark::Counter(double(nFrames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DispatchNotifications);

// nQueued whole frames stay queued behind the one each call takes (the noise
// trimming caps the text at 200 characters, so two is the most it keeps).
void BM_DispatchBacklog(benchmark::State& state)
{
    const std::vector<QByteArray> frames = MixedFrames();
    const int nQueued = int(state.range(0));
    CMeterProtocol protocol(nullptr, nullptr);
    qint64 nFrames = 0;
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, [&nFrames](const CDecodedReading&) { ++nFrames; });

    size_t i = 0;
    for (; i < size_t(nQueued); ++i)
        protocol.AppendMeterHex(frames[i]);
    qint64 nCalls = 0;
    for (auto _ : state) {
        protocol.AppendMeterHex(frames[i]);
        protocol.OnMeterData();
        if (++i == frames.size())
            i = 0;
        ++nCalls;
    }
    if (nFrames != nCalls)
        state.SkipWithError("frames were lost");
    state.counters["frames/s"] = benchmark::Counter(double(nFrames), benchmark::Counter::kIsRate);
    state.counters["time/frame"] =
        benchmark::Counter(double(nFrames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DispatchBacklog)->Arg(0)->Arg(1)->Arg(2);

// A whole-memory download pending: the directory text from "a0aa" waits and
// grows (nobody takes it here, so up to the 64 K bound) while 20-byte
// notifications keep coming. Every marker search goes on where it stopped, so
// the time per notification must not grow with the text waiting in front.
void BM_DispatchBehindWaitingText(benchmark::State& state)
{
    const QByteArray strFiller = QByteArray(40, '5');
    CMeterProtocol protocol(nullptr, nullptr);
    protocol.SetExpectedBytes(CMeterProtocol::kFullDirectoryBytes);
    qint64 nChars = 0;
    for (auto _ : state) {
        if (protocol.MeterHex().isEmpty())
            protocol.AppendMeterHex("a0aa");
        protocol.AppendMeterHex(strFiller);
        protocol.OnMeterData();
        nChars += strFiller.size();
    }
    state.counters["bytes/s"] = benchmark::Counter(double(nChars / 2), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DispatchBehindWaitingText);

} // namespace

BENCHMARK_MAIN();
