// The trend graph's state without a window: sizes, ranges, the maths of each gesture, the
// time axis and the Measure span.
#include "trend/CGraphState.h"

#include <gtest/gtest.h>

namespace {

// A 640 x 480 window: a plot of 500 x 430 pixels at (70, 25).
CGraphState Window()
{
    CGraphState state;
    state.SetWindowSize(640, 480);
    return state;
}

} // namespace

TEST(GraphState, StartsWithTheGraphsDefaultsAndKeepsSpansOnResize)
{
    CGraphState state = Window();
    EXPECT_EQ(state.PlotWidth(), 500);
    EXPECT_EQ(state.PlotHeight(), 430);
    EXPECT_DOUBLE_EQ(state.XScale(), 20.0 / 500);
    EXPECT_DOUBLE_EQ(state.YScale(), 1000.0 / 430);
    EXPECT_EQ(state.CurrentTool(), CGraphState::kToolRect);
    EXPECT_FALSE(state.IsTimeAxis());
    EXPECT_FALSE(state.SetWindowSize(640, 480));
    EXPECT_TRUE(state.SetWindowSize(1000, 300));
    EXPECT_DOUBLE_EQ(state.XScale() * state.PlotWidth(), 20.0);
    EXPECT_DOUBLE_EQ(state.YScale() * state.PlotHeight(), 1000.0);
    state.SetWindowSize(10, 10); // smaller than the margins: a pixel is left
    EXPECT_EQ(state.PlotWidth(), 1);
    EXPECT_TRUE(state.InPlot(QPoint(71, 26)) == false);
}

TEST(GraphState, TheXRangeGrowsByFifteenthsUntilTheLastReadingFits)
{
    CGraphState state = Window();
    EXPECT_FALSE(state.UpdateXRange(20.0));
    EXPECT_TRUE(state.UpdateXRange(21.0));
    EXPECT_DOUBLE_EQ(state.XMax(), 20.0 * 16 / 15);
    EXPECT_TRUE(state.UpdateXRange(1000.0));
    EXPECT_GE(state.XMax(), 1000.0);
    EXPECT_LT(state.XMax() * 15 / 16, 1000.0);
    EXPECT_DOUBLE_EQ(state.XScale() * state.PlotWidth(), state.XMax());
    // The time axis starts over.
    state.SetTimeAxis(true);
    EXPECT_TRUE(state.IsTimeAxis());
    EXPECT_EQ(state.XMax(), CGraphState::kInitialXMax);
    EXPECT_FALSE(state.IsZoomed());
}

TEST(GraphState, ARectangleZoomsBothAxesDownToTheSmallestScale)
{
    CGraphState state = Window();
    const double xs = state.XScale(), ys = state.YScale();
    EXPECT_FALSE(state.Press(QPoint(70, 200))); // on the axis: outside the plot
    ASSERT_TRUE(state.Press(QPoint(320, 300)));
    EXPECT_TRUE(state.IsDragging());
    EXPECT_TRUE(state.DragRectangle(QPoint(600, 100))); // held to the plot
    EXPECT_EQ(state.DragEnd(), QPoint(570, 100));
    state.ZoomX(120);
    state.ZoomY(100);
    EXPECT_TRUE(state.IsZoomed());
    EXPECT_DOUBLE_EQ(state.XOrigin(), (120 - 70) * xs);
    EXPECT_DOUBLE_EQ(state.XScale(), 200 * xs / 500);
    EXPECT_DOUBLE_EQ(state.YOrigin(), -500 + (430 + 25 - 300) * ys);
    EXPECT_DOUBLE_EQ(state.YScale(), 200 * ys / 430);
    // Far into the margins the gesture is given up.
    EXPECT_FALSE(state.DragRectangle(QPoint(2, 200)));
    EXPECT_FALSE(state.IsDragging());
    for (int i = 0; i < 30; ++i) {
        state.Press(QPoint(100, 50));
        state.ZoomX(110);
        state.ZoomY(60);
    }
    EXPECT_LE(state.XScale(), CGraphState::kMinZoomScale);
    const double dStop = state.XScale();
    state.Press(QPoint(100, 50));
    state.ZoomX(110);
    EXPECT_EQ(state.XScale(), dStop);
    state.ShowAll();
    EXPECT_FALSE(state.IsZoomed());
    EXPECT_DOUBLE_EQ(state.XScale(), 20.0 / 500);
}

TEST(GraphState, PanningFollowsThePointerWithinTheLimits)
{
    CGraphState state = Window();
    state.Press(QPoint(170, 125));
    state.ZoomX(420);
    state.ZoomY(340);
    state.SetTool(CGraphState::kToolMove);
    const double dX = state.XOrigin(), dY = state.YOrigin(), xs = state.XScale(), ys = state.YScale();
    ASSERT_TRUE(state.Press(QPoint(300, 200)));
    state.PanTo(QPoint(320, 230)); // right and down: earlier points, higher values
    EXPECT_DOUBLE_EQ(state.XOrigin(), dX - 20 * xs);
    EXPECT_DOUBLE_EQ(state.YOrigin(), dY + 30 * ys);
    for (int x = 320; x < 2000; x += 50)
        state.PanTo(QPoint(x, 2000));
    EXPECT_EQ(state.XOrigin(), 0.0);
    EXPECT_DOUBLE_EQ(state.YOrigin(), 500.0 - 430 * ys);
}

TEST(GraphState, AZoomedLiveViewFollowsTheNewestReading)
{
    CGraphState state = Window();
    state.Press(QPoint(320, 60));
    state.EndDrag();
    state.ZoomX(565); // the right half of 0..20
    const double dOrigin = state.XOrigin();
    EXPECT_FALSE(state.FollowLive(19.0));
    EXPECT_TRUE(state.FollowLive(21.0));
    EXPECT_DOUBLE_EQ(state.XOrigin(), dOrigin + 1); // one point on the reading axis
    // On the time axis the newest reading stands at the right edge.
    CGraphState timed = Window();
    timed.SetTimeAxis(true);
    timed.Press(QPoint(320, 60));
    timed.EndDrag();
    timed.ZoomX(565);
    const double dSpan = timed.XScale() * timed.PlotWidth();
    EXPECT_TRUE(timed.FollowLive(95.5));
    EXPECT_DOUBLE_EQ(timed.XOrigin(), 95.5 - dSpan);
    EXPECT_EQ(timed.XMax(), 95.5);
    // Not while a gesture is in progress.
    timed.Press(QPoint(300, 200));
    EXPECT_FALSE(timed.FollowLive(200.0));
}

TEST(GraphState, MeasureSelectsASpanAndPagesShowTheWindowsSpan)
{
    CGraphState state = Window();
    state.SetTool(CGraphState::kToolMeasure);
    ASSERT_TRUE(state.Press(QPoint(200, 300)));
    state.DragSpan(QPoint(900, 10)); // held to the plot, on the row it started
    EXPECT_EQ(state.DragEnd(), QPoint(570, 300));
    EXPECT_FALSE(state.HasMeasure());
    state.SetMeasureSpan(12, 3);
    EXPECT_TRUE(state.HasMeasure());
    EXPECT_EQ(state.MeasureFirst(), 3);
    EXPECT_EQ(state.MeasureLast(), 12);
    state.ClearMeasure();
    EXPECT_FALSE(state.HasMeasure());
    state.SetTool(99); // no such tool
    EXPECT_EQ(state.CurrentTool(), CGraphState::kToolMeasure);

    // A page twice the window's size shows the same span: half the scale.
    EXPECT_DOUBLE_EQ(state.StretchedXScale(1000), state.XScale() / 2);
    EXPECT_DOUBLE_EQ(state.StretchedYScale(860), state.YScale() / 2);
    EXPECT_EQ(state.Mapping().IndexAt(70 + 25 * 7), 7); // 25 pixels a point
    EXPECT_DOUBLE_EQ(state.XAt(70 + 250), 10.0);
    EXPECT_TRUE(state.SetYRangeAround(5.0, 5.0));
    EXPECT_DOUBLE_EQ(state.YMax(), 5.01);
    EXPECT_FALSE(state.SetYRangeAround(-60000.0, 60000.0)); // no reading in the statistics: crossed
}
