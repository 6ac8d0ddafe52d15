// Opening a week of unattended logging as one series: 152 files of 20000 readings (a reading
// every 200 ms for 7 days), as a recording to a folder leaves them. Measures the time to read
// the series into one document and the memory it holds per reading.
// Target: a week opens in under 10 s and holds <= 64 resident bytes per reading.
//
// MULTIMETER_BENCH_SERIES_DIR=<folder> writes the series there and leaves it (week.mLog, ...),
// for looking at it in the program: multimeter --series <folder>/week.mLog.
#include "CSeriesFiles.h"
#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <unistd.h>

namespace {

constexpr int kPerFile = 20000;
constexpr int kStepMs = 200;
constexpr int kWeekFiles = int((7LL * 86400 * 1000 / kStepMs + kPerFile - 1) / kPerFile);

qint64 ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    qint64 nPages = 0, nResident = 0;
    statm >> nPages >> nResident;
    return nResident * sysconf(_SC_PAGESIZE);
}

void BM_OpenWeekSeries(benchmark::State& state)
{
    QTemporaryDir temp;
    const QByteArray keep = qgetenv("MULTIMETER_BENCH_SERIES_DIR");
    const QString strDir = keep.isEmpty() ? temp.path() : QString::fromLocal8Bit(keep);
    QDir().mkpath(strDir);
    const QString strFirst = QDir(strDir).filePath(QStringLiteral("week.mLog"));
    QString strError;
    if (!CSeriesFiles(kPerFile, kStepMs).Write(strFirst, kWeekFiles, &strError)) {
        state.SkipWithError(qPrintable(strError));
        return;
    }
    qint64 nReadings = 0;
    double dRssPerReading = 0;
    for (auto _ : state) {
        const qint64 nBefore = ResidentBytes();
        CDocumentSeries::CLoaded loaded = CDocumentSeries::Load(strFirst);
        if (!loaded.pDoc || !loaded.leftOut.isEmpty()) {
            state.SkipWithError("the series did not load whole");
            return;
        }
        nReadings = loaded.pDoc->m_arrData[0].size();
        dRssPerReading = double(ResidentBytes() - nBefore) / double(nReadings);
        benchmark::DoNotOptimize(loaded.pDoc->m_dAverage);
    }
    state.counters["files"] = kWeekFiles;
    state.counters["readings"] = double(nReadings);
    state.counters["rss_B_per_reading"] = dRssPerReading;
}

} // namespace

BENCHMARK(BM_OpenWeekSeries)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
