// Saving and loading recording files: throughput both ways and memory held per record.
// Targets: load >= 200 MB/s, save >= 200 MB/s, <= 64 resident bytes per record (with the graph's summary).
#include "document/CMyTalvaDoc.h"

#include "CResidentMemory.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <malloc.h>
#include <unistd.h>

namespace {

qint64 HeapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// A live recording of a DC millivolt signal, one reading a second.
std::unique_ptr<CMyTalvaDoc> MakeRecording(int nRecords)
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    const QString strUnit = QStringLiteral("mVDC");
    const QString strType = QStringLiteral("VDC");
    for (int i = 0; i < nRecords; ++i) {
        const int nSecond = i % 60, nMinute = i / 60 % 60, nHour = i / 3600 % 24;
        const int nDay = 1 + i / 86400 % 28, nMonth = 1 + i / (86400 * 28) % 12;
        char sz[32];
        const int nLength = std::snprintf(sz, sizeof sz, "%d/%d/25 %02d:%02d:%02d", nMonth, nDay,
                                          nHour, nMinute, nSecond);
        const double dValue = 250.0 * std::sin(i * 0.01);
        pDoc->AddReading(0, strUnit, i, QString::fromLatin1(sz, nLength), strType, dValue, 0.0,
                         500.0f, float(dValue));
    }
    return pDoc;
}

class CFixture
{
public:
    static CFixture& For(int nRecords)
    {
        static std::map<int, std::unique_ptr<CFixture>> fixtures;
        std::unique_ptr<CFixture>& p = fixtures[nRecords];
        if (!p)
            p.reset(new CFixture(nRecords));
        return *p;
    }

    std::unique_ptr<CMyTalvaDoc> m_pDoc;
    QByteArray m_bytes;
    QString m_strPath;

private:
    explicit CFixture(int nRecords)
        : m_pDoc(MakeRecording(nRecords))
        , m_bytes(m_pDoc->SaveBytes())
        , m_strPath(Dir().filePath(QStringLiteral("bench_%1.mLog").arg(nRecords)))
    {
        m_pDoc->SaveFile(m_strPath, nullptr);
    }

    static QDir Dir()
    {
        static QTemporaryDir dir;
        return QDir(dir.path());
    }
};

// Memory one record costs: built by AddReading, and loaded from a file.
void BM_ResidentPerRecord(benchmark::State& state)
{
    const int nRecords = int(state.range(0));
    double dBuildRss = 0, dBuildHeap = 0, dLoadRss = 0, dLoadHeap = 0;
    QTemporaryDir dir;
    const QString strPath = QDir(dir.path()).filePath(QStringLiteral("resident.mLog"));
    for (auto _ : state) {
        malloc_trim(0);
        qint64 nRss = CResidentMemory::Bytes(), nHeap = HeapBytes();
        std::unique_ptr<CMyTalvaDoc> pDoc = MakeRecording(nRecords);
        dBuildRss = double(CResidentMemory::Bytes() - nRss) / nRecords;
        dBuildHeap = double(HeapBytes() - nHeap) / nRecords;
        pDoc->SaveFile(strPath, nullptr);
        pDoc.reset();

        malloc_trim(0);
        nRss = CResidentMemory::Bytes();
        nHeap = HeapBytes();
        pDoc = CMyTalvaDoc::LoadFile(strPath, nullptr);
        if (!pDoc) {
            state.SkipWithError("load failed");
            return;
        }
        malloc_trim(0); // the file buffer is gone; count only what the document holds
        dLoadRss = double(CResidentMemory::Bytes() - nRss) / nRecords;
        dLoadHeap = double(HeapBytes() - nHeap) / nRecords;
    }
    state.counters["build_rss_B_per_rec"] = dBuildRss;
    state.counters["build_heap_B_per_rec"] = dBuildHeap;
    state.counters["load_rss_B_per_rec"] = dLoadRss;
    state.counters["load_heap_B_per_rec"] = dLoadHeap;
}

void BM_SaveToMemory(benchmark::State& state)
{
    CFixture& fixture = CFixture::For(int(state.range(0)));
    for (auto _ : state) {
        QByteArray bytes = fixture.m_pDoc->SaveBytes();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * fixture.m_bytes.size());
    state.counters["file_bytes"] = double(fixture.m_bytes.size());
}

void BM_LoadFromMemory(benchmark::State& state)
{
    CFixture& fixture = CFixture::For(int(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(fixture.m_bytes, nullptr);
        if (!pDoc) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(pDoc.get());
        state.PauseTiming(); // freeing the records is not loading
        pDoc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * fixture.m_bytes.size());
}

void BM_SaveFile(benchmark::State& state)
{
    CFixture& fixture = CFixture::For(int(state.range(0)));
    for (auto _ : state) {
        if (!fixture.m_pDoc->SaveFile(fixture.m_strPath, nullptr)) {
            state.SkipWithError("save failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(fixture.m_strPath).size());
}

void BM_LoadFile(benchmark::State& state)
{
    CFixture& fixture = CFixture::For(int(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(fixture.m_strPath, nullptr);
        if (!pDoc) {
            state.SkipWithError("load failed");
            return;
        }
        state.PauseTiming();
        pDoc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * fixture.m_bytes.size());
}

} // namespace

// First, while the heap is still fresh.
BENCHMARK(BM_ResidentPerRecord)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveToMemory)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadFromMemory)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveFile)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadFile)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
