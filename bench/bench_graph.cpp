// Trend graph repaints at 1280 x 720 with 1 000 to 10 000 000 readings, over the whole
// recording and zoomed to 1 % of it, and the cost of one appended reading; the repaint of the
// time axis and the Measure figures of a whole recording, over readings a second apart.
// Targets: <= 16 ms a repaint at 1 000 000 and 10 000 000 readings, repaint time that does not
// grow with the count, and a constant cost per appended reading.
#include "CBenchMain.h"
#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"
#include "graph/CGraphDlg.h"
#include "link/CPrompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kWidth = 1280, kHeight = 720;

class CSilentPrompt : public CPrompt
{
public:
    void Message(const QString&, const QString&, Icon) override {}
};

// A long logging run: a slow swing, noise, and now and then an overload.
double Reading(std::mt19937& rng, qint64 i)
{
    if (rng() % 100000 == 0)
        return CObData::kOverload;
    return 300.0 * std::sin(double(i) * 2e-5) + std::normal_distribution<double>(0.0, 20.0)(rng);
}

class CFixture
{
public:
    static CFixture& For(qint64 nReadings)
    {
        std::unique_ptr<CFixture>& p = Fixtures()[nReadings];
        if (!p)
            p.reset(new CFixture(nReadings));
        return *p;
    }
    // Windows go before the application object does.
    static void ReleaseAll() { Fixtures().clear(); }

    CMyTalvaDoc m_doc;
    CSilentPrompt m_prompt;
    CGraphDlg m_graph{m_prompt};
    double m_dBuildMs = 0.0; //!< building the summary once, as a load does
    std::mt19937 m_rng{1};

    // Back to the whole recording, or zoomed (XBig) to 1 % of the plot's width.
    void View(bool bZoomed)
    {
        m_graph.ShowAll();
        m_graph.repaint(); // the x range catches up with the readings
        if (!bZoomed)
            return;
        const int x = CGraphDlg::kLeftMargin + m_graph.PlotWidth() / 2;
        const int nSpan = std::max(CGraphDlg::kMinDrag, int(std::lround(m_graph.PlotWidth() * 0.01)));
        m_graph.OnGraphCommand(32773); // XBig
        QTest::mousePress(&m_graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, 300));
        QTest::mouseMove(&m_graph, QPoint(x + nSpan, 300));
        QTest::mouseRelease(&m_graph, Qt::LeftButton, Qt::NoModifier, QPoint(x + nSpan, 300));
    }

private:
    static std::map<qint64, std::unique_ptr<CFixture>>& Fixtures()
    {
        static std::map<qint64, std::unique_ptr<CFixture>> fixtures;
        return fixtures;
    }

    explicit CFixture(qint64 nReadings)
    {
        const QString strUnit = QStringLiteral("mVDC"), strType = QStringLiteral("VDC");
        const QString strTime = QStringLiteral("12/1/25 10:00:00");
        QList<CObData*> arrRecords;
        arrRecords.reserve(nReadings);
        for (qint64 i = 0; i < nReadings; ++i)
            arrRecords.append(new CObData(Reading(m_rng, i), strUnit, 0.0, qint32(i), strTime, strType, 500.0f));
        QElapsedTimer timer;
        timer.start();
        m_doc.ImportReadings(arrRecords); // moves the records in and builds the summary
        m_dBuildMs = double(timer.nsecsElapsed()) / 1e6;
        m_doc.m_bLive = true;
        m_graph.resize(kWidth, kHeight);
        m_graph.SetDocument(&m_doc);
        m_graph.show();
        if (!QTest::qWaitForWindowExposed(&m_graph))
            qFatal("the graph window was never shown");
    }
};

void BM_Repaint(benchmark::State& state)
{
    const qint64 nReadings = state.range(0);
    const bool bZoomed = state.range(1) != 0;
    CFixture& fixture = CFixture::For(nReadings);
    fixture.View(bZoomed);
    CGraphDlg& graph = fixture.m_graph;
    const qint64 nBefore = graph.FullDrawings();
    for (auto _ : state) {
        graph.SetOrigin(graph.XOrigin(), graph.YOrigin()); // drops the back buffer
        graph.repaint();
    }
    if (graph.FullDrawings() - nBefore != qint64(state.iterations()))
        state.SkipWithError("a repaint did not draw the graph");
    state.counters["points_shown"] = graph.PlotWidth() * graph.XScale();
    state.counters["summary_B_per_reading"] = double(fixture.m_doc.Summary().Bytes()) / double(nReadings);
    state.counters["summary_build_ms"] = fixture.m_dBuildMs;
    state.SetLabel(bZoomed ? "zoomed to 1%" : "whole recording");
}

// One live reading: the document takes it, the summary grows, the graph draws the new segment.
void BM_AppendPoint(benchmark::State& state)
{
    CFixture& fixture = CFixture::For(state.range(0));
    fixture.View(false);
    CMyTalvaDoc& doc = fixture.m_doc;
    CGraphDlg& graph = fixture.m_graph;
    const QString strUnit = QStringLiteral("mVDC"), strType = QStringLiteral("VDC");
    const QString strTime = QStringLiteral("12/1/25 11:00:00");
    qint64 nFullDrawings = 0;
    for (auto _ : state) {
        const qint64 n = doc.m_arrData[0].size();
        const double dValue = Reading(fixture.m_rng, n);
        doc.AddReading(0, strUnit, int(n), strTime, strType, dValue, 0.0, 1e7f, float(dValue));
        if (double(n) > graph.XMax()) {
            // The x range grows by a fifteenth: a full repaint, not part of an append.
            state.PauseTiming();
            graph.repaint();
            ++nFullDrawings;
            state.ResumeTiming();
        }
    }
    state.counters["full_repaints"] = double(nFullDrawings);
}

// A recording of one reading a second (its own time text each), shown on the time axis.
class CTimedFixture
{
public:
    static CTimedFixture& For(qint64 nReadings)
    {
        static std::map<qint64, std::unique_ptr<CTimedFixture>> fixtures;
        std::unique_ptr<CTimedFixture>& p = fixtures[nReadings];
        if (!p)
            p.reset(new CTimedFixture(nReadings));
        return *p;
    }

    CMyTalvaDoc m_doc;
    CSilentPrompt m_prompt;

private:
    explicit CTimedFixture(qint64 nReadings)
    {
        std::mt19937 rng(3);
        QList<CObData*> arrRecords;
        arrRecords.reserve(nReadings);
        for (qint64 i = 0; i < nReadings; ++i) {
            const qint64 nDay = 1 + i / 86400, nOfDay = i % 86400;
            const QString strTime = QStringLiteral("%1/1/25 %2:%3:%4").arg(nDay).arg(nOfDay / 3600).arg(nOfDay / 60 % 60).arg(nOfDay % 60);
            arrRecords.append(new CObData(Reading(rng, i), QStringLiteral("mVDC"), 0.0, qint32(i), strTime,
                                          QStringLiteral("VDC"), 500.0f));
        }
        m_doc.ImportReadings(arrRecords);
    }
};

void BM_RepaintTimeAxis(benchmark::State& state)
{
    CTimedFixture& fixture = CTimedFixture::For(state.range(0));
    // Windows go before the application object does: one made per run.
    CGraphDlg graph(fixture.m_prompt);
    graph.resize(kWidth, kHeight);
    graph.SetDocument(&fixture.m_doc);
    graph.SetTimeAxis(true);
    graph.show();
    if (!QTest::qWaitForWindowExposed(&graph))
        state.SkipWithError("the graph window was never shown");
    graph.repaint();
    for (auto _ : state) {
        graph.SetOrigin(graph.XOrigin(), graph.YOrigin());
        graph.repaint();
    }
    state.counters["seconds_shown"] = graph.PlotWidth() * graph.XScale();
}

// What Measure computes for a span of the whole recording (on release, for a long one).
void BM_MeasureWholeRecording(benchmark::State& state)
{
    CTimedFixture& fixture = CTimedFixture::For(state.range(0));
    const qsizetype nLast = fixture.m_doc.m_arrData[0].size() - 1;
    for (auto _ : state) {
        const CSpanStatistics st = CSpanStatistics::Of(fixture.m_doc, 0, nLast);
        benchmark::DoNotOptimize(st.dSlope);
    }
}

} // namespace

BENCHMARK(BM_RepaintTimeAxis)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MeasureWholeRecording)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint)
    ->ArgsProduct({{1000, 100000, 1000000, 10000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_AppendPoint)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return RunBenchmarks<QApplication>(argc, argv, &CFixture::ReleaseAll);
}
