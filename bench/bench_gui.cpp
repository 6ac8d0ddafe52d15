// The program's window at work, measured the way a user meets it:
//  - how long the meter panel takes to draw a reading;
//  - latency from a frame's bytes arriving on the serial port to the panel's
//    repaint, through the real reader, link thread, dispatcher and decoders;
//  - CPU of the whole process (GUI, link, reader and the built-in meter)
//    while --demo streams, and while connected with the meter silent;
//  - how long closing the main window takes while readings stream.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "CBenchMain.h"
#include "app/CDemoMeter.h"
#include "app/CMainFrame.h"
#include "link/CMeterLink.h"
#include "panel/CLeftDlg.h"
#include "panel/CPanelPainter.h"
#include "protocol/CMeterProtocol.h"
#include "sim/CSimDongle.h"
#include "sim/CSimFrameEncoder.h"
#include "sim/CSimPty.h"
#include "sim/CSimServer.h"

#include <QApplication>
#include <QPainter>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double dFraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(dFraction * values.size()))];
}

double ProcessCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void RunEventLoop(int nMs)
{
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitFor(const std::function<bool()>& done, int nMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > nMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Per-second CPU of the process, as a percentage of one core.
std::vector<double> CpuPerSecond(int nSeconds)
{
    std::vector<double> samples;
    for (int i = 0; i < nSeconds; ++i) {
        const double dCpu0 = ProcessCpuSeconds();
        const auto t0 = Clock::now();
        RunEventLoop(1000);
        const double dWall = std::chrono::duration<double>(Clock::now() - t0).count();
        samples.push_back(100.0 * (ProcessCpuSeconds() - dCpu0) / dWall);
    }
    return samples;
}

MeterReading Sample(int nLayout)
{
    MeterReading r;
    r.m_strFunction = QStringLiteral("VDC");
    r.m_strUnit = QStringLiteral("VDC");
    r.m_fValue = 4.2153f;
    r.m_fRange = 6.0f;
    r.m_nDecimals = 4;
    r.m_fSub1 = 4.3f;
    r.m_fSub2 = 4.1f;
    r.m_fSub3 = 4.2f;
    r.m_nSub1Decimals = r.m_nSub2Decimals = r.m_nSub3Decimals = 4;
    r.m_strSub1Time = r.m_strSub2Time = r.m_strSub3Time = QStringLiteral("00:01:00");
    r.m_bIndicatorC = nLayout == 4;
    r.m_nMonth = 3;
    r.m_nDay = 14;
    return r;
}

void BM_PanelDisplayRepaint(benchmark::State& state)
{
    CPanelState panel{6, int(state.range(0)), Sample(int(state.range(0)))};
    QImage image(600, 1400, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(2, 2);
        CPanelPainter(panel).PaintDisplay(painter);
    }
}
BENCHMARK(BM_PanelDisplayRepaint)->DenseRange(1, 7)->Unit(benchmark::kMicrosecond);

// Frames written to a pseudo-terminal at the meter's 5 a second, each as the
// dongle sends it (notifications of at most 20 bytes); the clock stops when
// the panel receives its paint event.
void BM_FrameToPanelLatency(benchmark::State& state)
{
    CSimPty pty;
    QString strError;
    if (!pty.Open(QString(), &strError)) {
        state.SkipWithError(qPrintable(strError));
        return;
    }
    CMeterLink link(nullptr);
    CMeterProtocol protocol(&link, nullptr);
    link.SetMeterTextSink(&protocol);
    CLeftDlg panel;
    panel.resize(330, 770);
    panel.show();
    QObject::connect(&protocol, &CMeterProtocol::PanelShow, &panel,
                     [&](int nLayout, const QString&, double, int, const MeterReading& r) { panel.ShowReading(nLayout, r); },
                     Qt::QueuedConnection);
    Clock::time_point painted{};
    struct CPaintClock : QObject
    {
        Clock::time_point* pPainted;
        bool eventFilter(QObject*, QEvent* pEvent) override
        {
            if (pEvent->type() == QEvent::Paint)
                *pPainted = Clock::now();
            return false;
        }
    } paintClock;
    paintClock.pPainted = &painted;
    panel.installEventFilter(&paintClock);

    if (!link.OpenDonglePort(pty.SlavePath())) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    RunEventLoop(200);
    char drain[512];
    while (::read(pty.MasterFd(), drain, sizeof drain) > 0) {
    }
    link.SetLinkState(CMeterLink::kConnected);

    std::vector<double> latencies;
    CSimReading reading;
    reading.m_strUnit = QStringLiteral("VDC");
    reading.m_fRange = 6.0f;
    reading.m_nDecimals = 4;
    reading.m_clock = {25, 3, 14, 9, 30, 0};
    int nFrame = 0;
    for (auto _ : state) {
        reading.m_fValue = 1.0f + 0.001f * float(++nFrame);
        const QByteArray frame = CSimFrameEncoder::Encode(reading);
        QByteArray bytes;
        for (qsizetype i = 0; i < frame.size(); i += CSimDongle::kMaxNotification)
            bytes += CSimDongle::Notification(frame.mid(i, CSimDongle::kMaxNotification));
        const auto t0 = Clock::now();
        if (::write(pty.MasterFd(), bytes.constData(), size_t(bytes.size())) != bytes.size()) {
            state.SkipWithError("short write");
            break;
        }
        if (!WaitFor([&] { return painted > t0; }, 3000)) {
            state.SkipWithError("the panel was not repainted");
            break;
        }
        const double dSeconds = std::chrono::duration<double>(painted - t0).count();
        state.SetIterationTime(dSeconds);
        latencies.push_back(dSeconds * 1000);
        WaitFor([&] { return Clock::now() - t0 >= std::chrono::milliseconds(200); }, 1000);
    }
    state.counters["median_ms"] = Median(latencies);
    state.counters["p90_ms"] = Percentile(latencies, 0.9);
    link.Shutdown();
}
BENCHMARK(BM_FrameToPanelLatency)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

// multimeter --demo: the main window connected to the built-in meter.
void BM_DemoCpu(benchmark::State& state)
{
    CDemoMeter demo;
    QString strError;
    if (!demo.Start(&strError)) {
        state.SkipWithError(qPrintable(strError));
        return;
    }
    CMainFrame frame;
    frame.showMaximized();
    int nShown = 0;
    QObject::connect(frame.LeftDlg(), &CLeftDlg::ReadingShown, [&] { ++nShown; });
    frame.AutoConnect(demo.PortPath());
    if (!WaitFor([&] { return nShown > 0; }, 15000)) {
        state.SkipWithError("no reading from the built-in meter");
        return;
    }
    std::vector<double> samples;
    for (auto _ : state)
        samples = CpuPerSecond(10);
    state.counters["median_cpu_pct"] = Median(samples);
    state.counters["max_cpu_pct"] = *std::max_element(samples.begin(), samples.end());
    state.counters["readings_per_s"] = nShown / (10.0 + 1.5);
}
BENCHMARK(BM_DemoCpu)->Iterations(1)->Unit(benchmark::kSecond);

// Connected, but the meter has sent its three readings and fell silent.
void BM_ConnectedIdleCpu(benchmark::State& state)
{
    QTemporaryFile scenario;
    if (!scenario.open()) {
        state.SkipWithError("no temporary file");
        return;
    }
    scenario.write(R"({"loop": false, "steps": [{"type": "reading", "layout": 1, "function": 2, "unit": "VDC",
                       "value": 1.5, "range": 6.0, "decimals": 3, "repeat": 3}]})");
    scenario.flush();
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    options.meter.strScenarioPath = scenario.fileName();
    CSimServer sim(options);
    QString strError;
    if (!sim.Open(&strError)) {
        state.SkipWithError(qPrintable(strError));
        return;
    }
    sim.StartThread();
    {
        CMainFrame frame;
        frame.showMaximized();
        int nShown = 0;
        QObject::connect(frame.LeftDlg(), &CLeftDlg::ReadingShown, [&] { ++nShown; });
        frame.AutoConnect(sim.PortPath());
        if (!WaitFor([&] { return nShown >= 3; }, 15000)) {
            state.SkipWithError("no readings");
            return;
        }
        RunEventLoop(5000); // past the watchdog's first stall and the blanking
        std::vector<double> samples;
        for (auto _ : state)
            samples = CpuPerSecond(10);
        state.counters["median_cpu_pct"] = Median(samples);
        state.counters["max_cpu_pct"] = *std::max_element(samples.begin(), samples.end());
    }
    sim.StopThread();
}
BENCHMARK(BM_ConnectedIdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

// From the close request to the window and its link being gone.
void BM_CloseWhileStreaming(benchmark::State& state)
{
    std::vector<double> closes;
    for (auto _ : state) {
        CDemoMeter demo;
        QString strError;
        if (!demo.Start(&strError)) {
            state.SkipWithError(qPrintable(strError));
            return;
        }
        auto* pFrame = new CMainFrame;
        pFrame->show();
        int nShown = 0;
        QObject::connect(pFrame->LeftDlg(), &CLeftDlg::ReadingShown, [&] { ++nShown; });
        pFrame->AutoConnect(demo.PortPath());
        if (!WaitFor([&] { return nShown >= 3; }, 15000)) {
            state.SkipWithError("no readings");
            delete pFrame;
            return;
        }
        const auto t0 = Clock::now();
        pFrame->close();
        delete pFrame;
        const double dSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(dSeconds);
        closes.push_back(dSeconds * 1000);
    }
    state.counters["median_ms"] = Median(closes);
    state.counters["max_ms"] = *std::max_element(closes.begin(), closes.end());
}
BENCHMARK(BM_CloseWhileStreaming)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv);
}
