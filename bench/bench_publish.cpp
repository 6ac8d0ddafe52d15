// Readings through a real mosquitto broker on 127.0.0.1, as `monitor --mqtt` and the window
// send them: each reading is formatted as its JSON, queued, published with QoS 1 and
// acknowledged; a mosquitto_sub in a process of its own receives them all. Reported:
//   readings_per_s      readings the subscriber received per second, first publish to last
//                       arrival
//   cpu_us_per_reading  CPU time of this process (formatting, queue, publish thread,
//                       libmosquitto) per reading; the broker's and the subscriber's not counted
// A meter sends at most about 10 readings a second, the link's ceiling is about 420.

#include "CBenchMain.h"
#include "CMqttTestBroker.h"
#include "CTestReading.h"
#include "CTestProcess.h"

#include "protocol/CDecodedReading.h"
#include "publish/CMqttPublisher.h"
#include "publish/CReadingPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr int kReadings = 20000;

double CpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}


// Readings through the broker; state.range(0): 1 for TLS.
void BM_ReadingsThroughTheBroker(benchmark::State& state)
{
    const bool bTls = state.range(0) != 0;
    CMqttTestBroker::COptions options;
    options.bTls = bTls;
    CMqttTestBroker broker(options);
    if (!broker.Start()) {
        state.SkipWithError(qPrintable(broker.Error()));
        return;
    }
    const QString strSub = QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub"));
    if (strSub.isEmpty()) {
        state.SkipWithError("mosquitto_sub is not installed (scripts/setup.sh installs mosquitto-clients)");
        return;
    }
    CMqttUrl url;
    QString strError;
    CMqttUrl::Parse(QStringLiteral("%1://127.0.0.1:%2/bench/meter").arg(bTls ? "mqtts" : "mqtt").arg(bTls ? broker.TlsPort() : broker.Port()),
                    &url, &strError);
    CMqttPublisher mqtt;
    if (!mqtt.Start(url, bTls ? broker.CaFile() : QString(), kReadings + 10, &strError)) {
        state.SkipWithError(qPrintable(strError));
        return;
    }
    CReadingPublisher readings(mqtt);
    readings.SetMeter(QStringLiteral("c8:fd:19:0a:bc:de"));
    readings.SetOnline(true); // retained: the subscriber's sign that it is subscribed

    double dCpu = 0;
    double dSeconds = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString strOut = dir.filePath(QStringLiteral("out"));
        CTestProcess sub;
        sub.Start(strSub, { "-h", "127.0.0.1", "-p", QString::number(broker.Port()), "-q", "1", "-t", "bench/meter/#",
                            "-C", QString::number(kReadings + 1), "-F", "%t" }, strOut);
        QElapsedTimer wait;
        wait.start();
        while (QFile(strOut).size() == 0 && wait.elapsed() < 10000)
            QThread::msleep(2);

        const double dCpuStart = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        const QDateTime received = QDateTime::currentDateTime();
        for (int i = 0; i < kReadings; ++i)
            readings.PublishReading(TestReading(1.0f + float(i % 1000) / 1000.0f, "V", 6.0f, 4), received);
        while (mqtt.Queued() > 0)
            QThread::msleep(1);
        dCpu += CpuSeconds() - dCpuStart;
        if (sub.Wait(60000) != 0) {
            state.SkipWithError("the subscriber did not get every reading");
            return;
        }
        const double dElapsed = double(clock.nsecsElapsed()) / 1e9;
        dSeconds += dElapsed;
        state.SetIterationTime(dElapsed);
    }
    const double dReadings = double(kReadings) * double(state.iterations());
    state.counters["readings_per_s"] = dReadings / dSeconds;
    state.counters["cpu_us_per_reading"] = dCpu / dReadings * 1e6;
    state.SetItemsProcessed(int64_t(dReadings));
    mqtt.Finish(5000);
}
BENCHMARK(BM_ReadingsThroughTheBroker)->Arg(0)->Arg(1)->ArgName("tls")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The JSON of one reading with its meter, as published.
void BM_ReadingPayload(benchmark::State& state)
{
    const CDecodedReading d = TestReading(1.007f, "V", 6.0f, 4);
    const QDateTime received = QDateTime::currentDateTime();
    const QString strMeter = QStringLiteral("c8:fd:19:0a:bc:de");
    for (auto _ : state)
        benchmark::DoNotOptimize(CReadingPublisher::ReadingPayload(d, received, strMeter));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadingPayload);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks<QCoreApplication>(argc, argv);
}
