// What the trend graph draws: the mapping, axes and labels, the growing x range, overloads,
// and the min/max columns that must give the same pixels as drawing every segment.
#include "graph/CGraphDlg.h"

#include "CGraphTestData.h"
#include "CImageCheck.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "draw/CGraphTrace.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace GraphTestData;
using ImageCheck::CountColor;
using ImageCheck::SaveShot;

namespace {

// 640 x 480: a plot of 500 x 430 pixels at (70, 25).
constexpr int kWidth = 640, kHeight = 480, kPlotW = 500, kPlotH = 430;

// The mapping written out from its definition, for the default view.
int ExpectedPx(double dNumber, double dXScale, double dXOrigin = 0.0)
{
    return int(dNumber / dXScale) + 70 - int(dXOrigin / dXScale);
}

int ExpectedPy(double dValue, double dYScale, double dYOrigin = -500.0, double dYMin = -500.0)
{
    return int(kPlotH + (dYOrigin - dYMin) / dYScale - (dValue - dYMin) / dYScale) + 25;
}

using CGraphFixture = CGraphOf<>;

// Noisy readings with the values the graph treats specially, and missing records.
std::vector<double> Rough(int nCount, unsigned nSeed)
{
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> step(0.0, 12.0);
    std::vector<double> values;
    double d = 0.0;
    for (int i = 0; i < nCount; ++i) {
        d = std::clamp(d + step(rng), -450.0, 450.0);
        switch (rng() % 400) {
        case 0:
            values.push_back(500000.0);
            break;
        case 1:
            values.push_back(-500000.0);
            break;
        case 2:
            values.push_back(-900000.0);
            break;
        case 3:
            values.push_back(std::nan(""));
            break;
        case 4:
            values.push_back(d * 40); // past the limits, drawn where it is
            break;
        default:
            values.push_back(d);
        }
    }
    return values;
}

void ExpectSamePicture(CGraphDlg& graph, const char* pszWhat)
{
    const QImage columns = Render(graph, false);
    const QImage everySegment = Render(graph, true);
    ASSERT_EQ(columns.size(), everySegment.size());
    int nDiffer = 0;
    for (int y = 0; y < columns.height(); ++y)
        for (int x = 0; x < columns.width(); ++x)
            nDiffer += columns.pixel(x, y) != everySegment.pixel(x, y);
    EXPECT_EQ(nDiffer, 0) << pszWhat;
}


} // namespace

TEST(GraphDrawing, StartsWithTheDefaults)
{
    CGraphFixture f({});
    (void)f.graph.ScreenOptions(); // settles the size of the hidden window
    EXPECT_EQ(f.graph.Colors(), CGraphColors());
    EXPECT_EQ(f.graph.Colors().m_bkColor, QColor(131, 180, 170));
    EXPECT_EQ(f.graph.Colors().m_borderColor, QColor(236, 233, 216));
    EXPECT_EQ(f.graph.Colors().m_gridColor, QColor(255, 0, 0));
    EXPECT_EQ(f.graph.Colors().m_lineColor, QColor(255, 255, 0));
    EXPECT_EQ(f.graph.Colors().m_pointColor, QColor(0, 255, 0));
    EXPECT_EQ(f.graph.XMax(), 20.0);
    EXPECT_EQ(f.graph.XMin(), 0.0);
    EXPECT_EQ(f.graph.YMax(), 500.0);
    EXPECT_EQ(f.graph.YMin(), -500.0);
    EXPECT_EQ(f.graph.XOrigin(), 0.0);
    EXPECT_EQ(f.graph.YOrigin(), -500.0);
    EXPECT_EQ(f.graph.PlotWidth(), kPlotW);
    EXPECT_EQ(f.graph.PlotHeight(), kPlotH);
    EXPECT_DOUBLE_EQ(f.graph.XScale(), 20.0 / kPlotW);
    EXPECT_DOUBLE_EQ(f.graph.YScale(), 1000.0 / kPlotH);
    EXPECT_EQ(f.graph.CurrentTool(), CGraphDlg::kToolRect);
    EXPECT_TRUE(f.graph.MarkPoints());
    EXPECT_FALSE(f.graph.IsZoomed());
    EXPECT_FALSE(f.graph.IsDragging());
    EXPECT_EQ(f.graph.SelectedIndex(), 0);
}

TEST(GraphDrawing, EachRecordLandsOnItsComputedPixel)
{
    const std::vector<double> values = {0, 120.5, -333.3, 499, -499, 250, 250, 77.7, -10, 3.25, 0,
                                        410, -260, 260, -410, 5, 6, -7, 123.4, -432.1, 88};
    CGraphFixture f(values);
    f.graph.SetMarkPoints(false);
    const QImage image = Render(f.graph);
    SaveShot(image, "graph_21_points.png");
    const double xs = f.graph.XScale(), ys = f.graph.YScale();
    const QRgb line = Rgb(f.graph.Colors().m_lineColor);
    for (size_t i = 0; i < values.size(); ++i) {
        const int px = ExpectedPx(double(i), xs), py = ExpectedPy(values[i], ys);
        if (px > 70 && px < 70 + kPlotW) { // the first point sits under the axis
            EXPECT_EQ(image.pixel(px, py), line) << "record " << i << " at " << px << "," << py;
        }
    }
    // Records 5 and 6 (both 250) make a level segment on exactly one row.
    const int y250 = ExpectedPy(250, ys), xMid = (ExpectedPx(5, xs) + ExpectedPx(6, xs)) / 2;
    EXPECT_EQ(image.pixel(xMid, y250), line);
    EXPECT_NE(image.pixel(xMid, y250 - 1), line);
    EXPECT_NE(image.pixel(xMid, y250 + 1), line);

    // With marks, every point carries one in the point colour.
    f.graph.SetMarkPoints(true);
    const QImage marked = Render(f.graph);
    for (size_t i = 1; i + 1 < values.size(); ++i) // the last point sits in the right margin
        EXPECT_EQ(marked.pixel(ExpectedPx(double(i), xs), ExpectedPy(values[i], ys)),
                  Rgb(f.graph.Colors().m_pointColor)) << i;
}

TEST(GraphDrawing, NoOrOneRecordDrawsGridAxesAndLabelsButNoLine)
{
    for (const std::vector<double>& values : {std::vector<double>{}, std::vector<double>{42.0}}) {
        CGraphFixture f(values);
        f.graph.SetMarkPoints(false);
        const QImage image = Render(f.graph);
        const QRect rcPlot(71, 25, kPlotW - 1, kPlotH);
        EXPECT_EQ(CountColor(image, rcPlot, Rgb(f.graph.Colors().m_lineColor)), 0);
        // Dotted grid lines: 11 rows and 6 columns.
        for (int k = 1; k <= 10; ++k)
            EXPECT_GT(CountColor(image, QRect(71, 25 + kPlotH - k * kPlotH / 10, kPlotW - 1, 1), qRgb(255, 0, 0)), 100) << k;
        for (int k = 1; k < 5; ++k)
            EXPECT_GT(CountColor(image, QRect(70 + k * kPlotW / 5, 25, 1, kPlotH), qRgb(255, 0, 0)), 100) << k;
        // Both axes in black, the margins in the border colour.
        EXPECT_EQ(CountColor(image, QRect(70, 25, 1, kPlotH + 1), qRgb(0, 0, 0)), kPlotH + 1);
        EXPECT_EQ(CountColor(image, QRect(70, 25 + kPlotH, kPlotW + 1, 1), qRgb(0, 0, 0)), kPlotW + 1);
        EXPECT_EQ(image.pixel(kWidth - 5, 5), Rgb(f.graph.Colors().m_borderColor));
        // Eleven y labels left of the axis and six x labels below it.
        for (int k = 0; k <= 10; ++k) {
            const int y = 25 + kPlotH - k * kPlotH / 10;
            EXPECT_GT(CountColor(image, QRect(0, y - 6, 68, 13), qRgb(0, 0, 0), 100), 5) << "y label " << k;
        }
        for (int i = 0; i <= 5; ++i) {
            const int x = 70 + i * kPlotW / 5;
            EXPECT_GT(CountColor(image, QRect(x - 12, 25 + kPlotH + 4, 25, 20), qRgb(0, 0, 0), 100), 5) << "x label " << i;
        }
        // A single reading still shows its mark.
        f.graph.SetMarkPoints(true);
        EXPECT_EQ(CountColor(Render(f.graph), rcPlot, Rgb(f.graph.Colors().m_pointColor)) > 0, values.size() == 1);
    }
}

TEST(GraphDrawing, TheXAxisGrowsByFifteenthsUntilTheDataFits)
{
    CGraphFixture f(std::vector<double>(21, 1.0));
    Render(f.graph);
    EXPECT_EQ(f.graph.XMax(), 20.0);
    EXPECT_DOUBLE_EQ(f.graph.XScale(), 20.0 / kPlotW);

    QSignalSpy spy(&f.graph, &CGraphDlg::VisibleWindowChanged);
    AddValue(*f.pDoc, 1.0);
    Render(f.graph);
    double dSpan = kPlotW * (20.0 / kPlotW);
    dSpan += dSpan / 15;
    EXPECT_DOUBLE_EQ(f.graph.XMax(), dSpan);
    EXPECT_DOUBLE_EQ(f.graph.XScale(), dSpan / kPlotW);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.count() >= 1; }, 5000)); // the view hears of it, after the paint
    EXPECT_EQ(spy.count(), 1);

    // Forty readings: as many fifteenths as it takes.
    while (f.pDoc->m_arrData[0].size() < 40)
        AddValue(*f.pDoc, 2.0);
    Render(f.graph);
    int nSteps = 1;
    while (39 > dSpan) {
        dSpan = kPlotW * (dSpan / kPlotW);
        dSpan += dSpan / 15;
        ++nSteps;
    }
    EXPECT_GT(nSteps, 3);
    EXPECT_DOUBLE_EQ(f.graph.XMax(), dSpan);
    EXPECT_GE(f.graph.XMax(), 39.0);
    EXPECT_LT(f.graph.XMax() * 15 / 16, 39.0);
}

TEST(GraphDrawing, OverloadsLieOnTheLimits)
{
    const std::vector<double> values = {0, 600000, 0, -500000, 0, -600000, 0, 500000, 0};
    CGraphFixture f(values);
    f.graph.SetMarkPoints(false);
    const QImage image = Render(f.graph);
    SaveShot(image, "graph_overloads.png");
    const double xs = f.graph.XScale(), ys = f.graph.YScale();
    const CGraphMapping map = f.graph.Mapping();
    const CMinMaxSummary& series = f.pDoc->Summary();
    EXPECT_EQ(map.PyOfValue(series.Value(1)), 25);
    EXPECT_EQ(map.PyOfValue(series.Value(7)), 25);
    EXPECT_EQ(map.PyOfValue(series.Value(3)), 25 + kPlotH);
    EXPECT_EQ(map.PyOfValue(series.Value(5)), ExpectedPy(-600000, ys));
    EXPECT_GT(map.PyOfValue(series.Value(5)), 25 + kPlotH + 10000);

    const QRgb line = Rgb(f.graph.Colors().m_lineColor);
    EXPECT_EQ(image.pixel(ExpectedPx(1, xs), 25), line);
    EXPECT_EQ(image.pixel(ExpectedPx(7, xs), 25), line);
    EXPECT_NE(image.pixel(ExpectedPx(1, xs), 24), line); // not above the limit
    // The bottom limit is the axis row: the line reaches the row above it.
    EXPECT_EQ(image.pixel(ExpectedPx(3, xs), 25 + kPlotH - 1), line);
    EXPECT_EQ(image.pixel(ExpectedPx(3, xs), 25 + kPlotH), qRgb(0, 0, 0));
    // -600000 is no overload marker: its segments leave the plot at a slant, not straight down.
    const int nLeaving = CountColor(image, QRect(ExpectedPx(4, xs), 25 + kPlotH - 1, ExpectedPx(6, xs) - ExpectedPx(4, xs), 1), line);
    EXPECT_GE(nLeaving, 1);
    EXPECT_LE(nLeaving, 2);
}

TEST(GraphDrawing, MinMaxColumnsGiveTheSamePixelsAsEverySegment)
{
    CGraphFixture f(Rough(20000, 11));
    f.graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.graph));
    Render(f.graph);
    ASSERT_TRUE(CGraphTrace::UsesColumns(f.pDoc->m_arrData[0].size(), kPlotW));
    ExpectSamePicture(f.graph, "full view");
    SaveShot(Render(f.graph), "graph_20000_points.png");

    // Readings arriving after the summary was built, including partial blocks.
    for (double d : Rough(777, 12))
        AddValue(*f.pDoc, d);
    ExpectSamePicture(f.graph, "after appends");

    // Missing records.
    CRecordArray withGaps;
    withGaps.Append(f.pDoc->m_arrData[0], 0, 300);
    withGaps.AppendNull();
    withGaps.Append(f.pDoc->m_arrData[0], 300, f.pDoc->m_arrData[0].size());
    withGaps.AppendNull();
    f.pDoc->m_arrData[0] = std::move(withGaps);
    f.pDoc->InvalidateSummary();
    ExpectSamePicture(f.graph, "with missing records");

    // Zoomed into a rectangle, then panned.
    Drag(&f.graph, QPoint(200, 60), QPoint(420, 300));
    ASSERT_TRUE(f.graph.IsZoomed());
    ASSERT_TRUE(CGraphTrace::UsesColumns(qint64(kPlotW * f.graph.XScale()), kPlotW));
    ExpectSamePicture(f.graph, "zoomed");
    f.graph.OnGraphCommand(32771); // Move
    Drag(&f.graph, QPoint(300, 200), QPoint(340, 150));
    ExpectSamePicture(f.graph, "panned");
    for (double d : Rough(555, 13))
        AddValue(*f.pDoc, d);
    ExpectSamePicture(f.graph, "zoomed after appends");
    SaveShot(Grab(f.graph), "graph_zoomed.png");

    // Only a few readings per column, and a narrow y span that clips most of them.
    f.graph.ShowAll();
    ASSERT_TRUE(f.graph.SetYRange(100, -50));
    ExpectSamePicture(f.graph, "clipped");
    f.graph.resize(1111, 333);
    ExpectSamePicture(f.graph, "resized");
}

TEST(GraphDrawing, AppendedPointsDrawnInPlaceEqualAFullDrawing)
{
    struct SCase
    {
        int nStart;
        int nAppend;
    };
    // Sparse (marks shown, 25 pixels a point) and dense (columns, marks hidden).
    for (const SCase c : {SCase{3, 14}, SCase{9000, 60}}) {
        CGraphFixture f(Rough(c.nStart, 21));
        f.graph.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.graph));
        Grab(f.graph);
        const int nRoom = int(f.graph.XMax()) - (c.nStart - 1);
        const int nAppend = std::min(c.nAppend, nRoom);
        ASSERT_GE(nAppend, 10);
        const qint64 nDrawings = f.graph.FullDrawings();
        std::mt19937 rng(5);
        for (int i = 0; i < nAppend; ++i) {
            AddValue(*f.pDoc, std::uniform_real_distribution<double>(-400, 400)(rng));
            Grab(f.graph);
        }
        EXPECT_EQ(f.graph.FullDrawings(), nDrawings) << "appends were drawn in place";
        const QImage incremental = Grab(f.graph);
        f.graph.SetMarkPoints(f.graph.MarkPoints()); // forces a full drawing
        const QImage full = Grab(f.graph);
        EXPECT_EQ(f.graph.FullDrawings(), nDrawings + 1);
        EXPECT_TRUE(incremental == full) << "start " << c.nStart;
        if (c.nStart == 3)
            SaveShot(full, "graph_appended.png");
    }
}

TEST(GraphDrawing, AppendsOutsideTheViewAskForAFullDrawing)
{
    CGraphFixture f({1.0, 2.0});
    f.graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.graph));
    Grab(f.graph);
    for (const double dValue : {900.0, -900.0}) {
        const qint64 nDrawings = f.graph.FullDrawings();
        AddValue(*f.pDoc, dValue);
        Grab(f.graph);
        EXPECT_EQ(f.graph.FullDrawings(), nDrawings + 1) << dValue;
    }
    // Loading or importing is no append: the graph redraws.
    QList<CObData*> arrImport = {new CObData(3.0, "V", 1, 0, "", "", 10.0f)};
    const qint64 nDrawings = f.graph.FullDrawings();
    f.pDoc->ImportReadings(arrImport);
    Grab(f.graph);
    EXPECT_EQ(f.graph.FullDrawings(), nDrawings + 1);
}

TEST(GraphDrawing, APrintedCopyShowsTheWindowSpanAndLeavesTheWindowAlone)
{
    CGraphFixture f(Rough(100, 3));
    Render(f.graph);
    const double dXScale = f.graph.XScale(), dYScale = f.graph.YScale();
    for (int i = 0; i < 60; ++i) // past the x range: the page draw grows it
        AddValue(*f.pDoc, -5000.0); // far below the plot
    const int W = 2480, H = 3508;
    QImage page(W, H, QImage::Format_RGB32);
    page.fill(Qt::white);
    const int L = W / 10, T = H / 20;
    const CGraphDrawOptions options = f.graph.StretchedOptions(QRect(0, 0, W, H / 2), L, T, H / 80, true);
    EXPECT_DOUBLE_EQ(options.dXScale, kPlotW * dXScale / (W - 2 * L));
    EXPECT_DOUBLE_EQ(options.dYScale, kPlotH * dYScale / (H / 2 - 2 * T));
    {
        QPainter painter(&page);
        f.graph.DrawGraph(painter, options);
    }
    SaveShot(page.scaled(W / 4, H / 4), "graph_page.png");
    // The window keeps its own scale for its own width: the span grew, the pixels did not.
    EXPECT_GE(f.graph.XMax(), 159.0);
    EXPECT_DOUBLE_EQ(f.graph.XScale(), f.graph.XMax() / kPlotW);
    EXPECT_EQ(f.graph.YScale(), dYScale);
    // White margins, and nothing of the trace below the graph's half of the page.
    for (const QRect& rcMargin : {QRect(0, 0, W, T), QRect(0, 0, L, H / 2), QRect(W - L + 1, 0, L - 1, H / 2)}) {
        EXPECT_EQ(CountColor(page, rcMargin, Rgb(f.graph.Colors().m_lineColor)), 0);
        EXPECT_EQ(CountColor(page, rcMargin, Rgb(f.graph.Colors().m_gridColor)), 0);
        EXPECT_EQ(CountColor(page, rcMargin, Rgb(f.graph.Colors().m_borderColor)), 0);
    }
    EXPECT_EQ(CountColor(page, QRect(0, H / 2, W, H / 2), qRgb(255, 255, 255)), W * (H / 2));
    EXPECT_GT(CountColor(page, QRect(L, T, W - 2 * L, H / 2 - 2 * T), Rgb(f.graph.Colors().m_lineColor)), 100);
}

TEST(GraphDrawing, ResizingKeepsBothSpans)
{
    CGraphFixture f({});
    Render(f.graph);
    const double dXSpan = f.graph.XScale() * f.graph.PlotWidth();
    const double dYSpan = f.graph.YScale() * f.graph.PlotHeight();
    f.graph.resize(1000, 300);
    Render(f.graph);
    EXPECT_EQ(f.graph.PlotWidth(), 860);
    EXPECT_EQ(f.graph.PlotHeight(), 250);
    EXPECT_DOUBLE_EQ(f.graph.XScale() * f.graph.PlotWidth(), dXSpan);
    EXPECT_DOUBLE_EQ(f.graph.YScale() * f.graph.PlotHeight(), dYSpan);
    // Smaller than the margins: the plot keeps a pixel and the spans survive.
    f.graph.setMinimumSize(0, 0);
    f.graph.resize(100, 30);
    Render(f.graph);
    f.graph.resize(640, 480);
    Render(f.graph);
    EXPECT_DOUBLE_EQ(f.graph.XScale() * f.graph.PlotWidth(), dXSpan);
}

TEST(GraphDrawing, SetYRangeTakesOnlyAUsableRange)
{
    CGraphFixture f({});
    Render(f.graph);
    QSignalSpy spy(&f.graph, &CGraphDlg::VisibleWindowChanged);
    EXPECT_TRUE(f.graph.SetYRange(11.0, -1.0));
    EXPECT_EQ(f.graph.YMax(), 11.0);
    EXPECT_EQ(f.graph.YMin(), -1.0);
    EXPECT_EQ(f.graph.YOrigin(), -1.0);
    EXPECT_DOUBLE_EQ(f.graph.YScale(), 12.0 / kPlotH);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(f.graph.SetYRange(5.0, 5.0));
    EXPECT_FALSE(f.graph.SetYRange(-72000.0, 72000.0));
    EXPECT_FALSE(f.graph.SetYRange(std::nan(""), 0.0));
    EXPECT_FALSE(f.graph.SetYRange(1e308, -1e308));
    EXPECT_EQ(f.graph.YMax(), 11.0);
    EXPECT_EQ(spy.count(), 1);
}
