// Oscilloscope captures: decoding a frame, the .osc file both ways and the workbook export.
// A frame takes the link thread's time while the meter streams screens; the files are
// written and read on the GUI thread, so each should stay well under a frame of the eye (16 ms).
#include "scope/COscDecoder.h"
#include "scope/COscFile.h"
#include "scope/COscWorkbook.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

QByteArray Frame()
{
    QByteArray payload(COscDecoder::kPayloadBytes, '\0');
    payload[0] = 2;
    payload[1] = 7;
    payload[2] = 7;
    payload[33] = 58;
    for (int i = 0; i < OscRecord::kSamples; ++i)
        payload[COscDecoder::kSamples + i] = char(135 + int(std::lround(50 * std::sin(i * 0.125))));
    return "e0e0" + payload.toHex() + "0000";
}

void BM_DecodeOscFrame(benchmark::State& state)
{
    const QByteArray frame = Frame();
    OscRecord record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(COscDecoder::Decode(frame, &record));
        benchmark::DoNotOptimize(record.m_samples.data());
    }
}
BENCHMARK(BM_DecodeOscFrame);

void BM_OscFileSaveAndLoad(benchmark::State& state)
{
    OscRecord record;
    COscDecoder::Decode(Frame(), &record);
    for (auto _ : state) {
        const QByteArray bytes = COscFile::SaveBytes(record);
        benchmark::DoNotOptimize(COscFile::LoadBytes(bytes, nullptr));
    }
}
BENCHMARK(BM_OscFileSaveAndLoad);

void BM_WorkbookExport(benchmark::State& state)
{
    OscRecord record;
    COscDecoder::Decode(Frame(), &record);
    QTemporaryDir dir;
    const QString strPath = dir.filePath("wave.xlsx");
    for (auto _ : state)
        benchmark::DoNotOptimize(COscWorkbook::SaveFile(strPath, record, false, nullptr));
}
BENCHMARK(BM_WorkbookExport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
