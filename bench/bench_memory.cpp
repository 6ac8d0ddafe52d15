// Memory and opening time of long recordings, as a week of unattended logging makes them.
//  - BM_OpenRecording/N: opening an N-reading file (N = 1 000 000 and 10 000 000), its time,
//    and the resident memory the document holds afterwards per reading (target: <= 64 bytes,
//    the graph's summary included, which the document builds on load);
//  - BM_WindowPeakResident/N: the program itself (multimeter --screenshot) opening the file,
//    and the peak resident memory of its process (VmHWM, as getrusage reports it for a child).
// The readings are one a second, so no two share a time text: the costliest usual case.

#include "CBenchMain.h"
#include "document/CArchive.h"
#include "document/CMyTalvaDoc.h"

#include "CResidentMemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

QDir BenchDir()
{
    static QTemporaryDir dir;
    return QDir(dir.path());
}

// A file of nCount live readings of a DC millivolt signal, one a second, written record by
// record (a document of ten million readings need not be held to make it). Made once per size.
QString RecordingFile(qint64 nCount)
{
    const QString strPath = BenchDir().filePath(QStringLiteral("memory-%1.mLog").arg(nCount));
    if (QFile::exists(strPath))
        return strPath;
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(strPath));
    CArchive ar(&file);
    const QString strUnit = QStringLiteral("mVDC");
    const QString strType = QStringLiteral("VDC");
    double dSum = 0.0, dMax = -60000.0, dMin = 60000.0;
    QString strFirst, strLast, strMaxTime, strMinTime;
    ar.WriteCount(quint64(nCount));
    for (qint64 i = 0; i < nCount; ++i) {
        const qint64 nDays = i / 86400;
        char sz[32];
        const int nLength = std::snprintf(sz, sizeof sz, "%d/%d/%d %d:%d:%d", int(1 + nDays % 28),
                                          int(1 + nDays / 28 % 12), int(25 + nDays / 336), int(i / 3600 % 24),
                                          int(i / 60 % 60), int(i % 60));
        const QString strTime = QString::fromLatin1(sz, nLength);
        const double dValue = std::round(250.0 * std::sin(double(i) * 0.01) * 100.0) / 100.0;
        const CObData ob(dValue, strUnit, 0.0, qint32(i), strTime, strType, 500.0f);
        ar.WriteObject(&ob);
        dSum += dValue;
        if (dValue > dMax) {
            dMax = dValue;
            strMaxTime = strTime;
        }
        if (dValue < dMin) {
            dMin = dValue;
            strMinTime = strTime;
        }
        if (i == 0)
            strFirst = strTime;
        strLast = strTime;
    }
    ar.WriteCount(0);
    ar.WriteCount(0);
    ar << dSum / double(nCount) << dMax << strMaxTime << dMin << strMinTime << 0.0 << dSum << qint32(nCount)
       << strFirst << strLast << strType;
    ar.Flush();
    if (ar.HasError())
        qFatal("%s", qPrintable(ar.ErrorString()));
    return strPath;
}

void BM_OpenRecording(benchmark::State& state)
{
    const qint64 nCount = state.range(0);
    const QString strPath = RecordingFile(nCount);
    double dBytesPerReading = 0.0;
    for (auto _ : state) {
        malloc_trim(0);
        const qint64 nBefore = CResidentMemory::Bytes();
        QElapsedTimer timer;
        timer.start();
        QString strError;
        std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(strPath, &strError);
        if (!pDoc) {
            state.SkipWithError(qPrintable(strError));
            return;
        }
        // What a window asks for first: the graph's summary and the statistics.
        benchmark::DoNotOptimize(pDoc->Summary().Count());
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        malloc_trim(0); // the file's bytes are gone: count only what the document holds
        dBytesPerReading = double(CResidentMemory::Bytes() - nBefore) / double(nCount);
        if (pDoc->m_arrData[0].size() != nCount) {
            state.SkipWithError("the file did not load whole");
            return;
        }
    }
    state.counters["bytes_per_reading"] = dBytesPerReading;
}
BENCHMARK(BM_OpenRecording)->Arg(1000000)->Arg(10000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WindowPeakResident(benchmark::State& state)
{
    const qint64 nCount = state.range(0);
    const QString strPath = RecordingFile(nCount);
    const QString strShot = BenchDir().filePath(QStringLiteral("window.png"));
    for (auto _ : state) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The program's own settings and recovery folders stay untouched.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), BenchDir().filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), BenchDir().filePath(QStringLiteral("data")));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        program.start(QStringLiteral(MULTIMETER_PROGRAM), {QStringLiteral("--screenshot"), strShot, strPath});
        if (!program.waitForFinished(600000) || program.exitStatus() != QProcess::NormalExit
            || program.exitCode() != 0) {
            state.SkipWithError("the program did not take its screenshot");
            return;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    // The largest child waited for so far: the program is this benchmark's only child.
    struct rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["peak_bytes_per_reading"] = double(usage.ru_maxrss) * 1024.0 / double(nCount);
}
BENCHMARK(BM_WindowPeakResident)->Arg(10000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
