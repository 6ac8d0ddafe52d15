#include "scope/COscGraphState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A 1 V/div capture at 0.5 ms/div whose crossings are 50 samples apart.
OscRecord Capture(int nStatus = 1)
{
    OscRecord r;
    r.m_valid = 1;
    r.m_status = nStatus;
    r.m_rateCode = 7;
    r.m_voltsPerDiv = 1.0;
    r.m_unit = QStringLiteral("V");
    r.m_pos1 = 0.0;
    r.m_pos2 = 50.0;
    r.m_maxValue = 2.0;
    r.m_minValue = -1.5;
    r.m_freq = 1.0;
    r.m_freqText = QStringLiteral("1.000 KHz");
    for (int i = 0; i < OscRecord::kSamples; ++i)
        r.m_samples[size_t(i)] = float(std::sin(i / 8.0) * 2.0);
    for (int i = 0; i < OscRecord::kBars; ++i)
        r.m_bars[size_t(i)] = float(i);
    return r;
}

// Plot 600 x 400 pixels: half a sample and 0.02 V a pixel when not zoomed.
COscGraphState Shown(const OscRecord& record)
{
    COscGraphState state;
    state.SetClientSize(QSize(650, 500));
    state.ShowWaveform(record, false);
    return state;
}

TEST(OscGraphState, VerticalRangeFollowsTheScaleAndTheSpectrumIsZeroTo200)
{
    COscGraphState state = Shown(Capture(3));
    EXPECT_DOUBLE_EQ(state.YMin(), -4.0);
    EXPECT_DOUBLE_EQ(state.YMax(), 4.0);
    EXPECT_EQ(state.Count(), 300);
    EXPECT_DOUBLE_EQ(state.XScale(), 0.5);
    EXPECT_DOUBLE_EQ(state.YScale(), 0.02);
    EXPECT_EQ(state.GridLevels()[4], 0.0);
    EXPECT_EQ(state.GridPositions()[12], 300.0);

    ASSERT_TRUE(state.ToggleView());
    EXPECT_TRUE(state.IsSpectrum());
    EXPECT_EQ(state.Count(), 120);
    EXPECT_DOUBLE_EQ(state.YMin(), 0.0);
    EXPECT_DOUBLE_EQ(state.YMax(), 200.0);
    EXPECT_DOUBLE_EQ(state.Value(119), 119.0);
    EXPECT_EQ(state.ViewButtonText(), "return");
    EXPECT_FALSE(state.CursorsShown());

    ASSERT_TRUE(state.ToggleView());
    EXPECT_FALSE(state.IsSpectrum());
    EXPECT_EQ(state.Count(), 300);
    EXPECT_EQ(state.ViewButtonText(), "FFT");
}

TEST(OscGraphState, FftButtonOnAHoldCaptureChangesNothing)
{
    COscGraphState state = Shown(Capture(1));
    ASSERT_TRUE(state.ZoomTo({100, 100}, {300, 200}));
    const double dXScale = state.XScale(), dYOrigin = state.YOrigin();
    EXPECT_FALSE(state.ToggleView());
    EXPECT_FALSE(state.IsSpectrum());
    EXPECT_EQ(state.Count(), 300);
    EXPECT_EQ(state.XScale(), dXScale);
    EXPECT_EQ(state.YOrigin(), dYOrigin);
    EXPECT_EQ(state.ViewButtonText(), "FFT");
}

TEST(OscGraphState, TimeCursorsReadTimeAndFrequency)
{
    COscGraphState state = Shown(Capture());
    EXPECT_EQ(state.DtText(), "1000.000 uS");
    EXPECT_EQ(state.FreqCursorText(), "1.000 KHz");
    EXPECT_EQ(state.DvText(), "3.50 V"); // level cursors start on the highest and lowest sample

    // The second cursor to sample 100: x = 25 + 100 / 0.5.
    ASSERT_EQ(state.CursorAt({state.PixelX(50) + 2, 200}), COscGraphState::TimeCursor2);
    state.DragCursor(COscGraphState::TimeCursor2, {225, 200});
    EXPECT_DOUBLE_EQ(state.Pos2(), 100.0);
    EXPECT_EQ(state.DtText(), "2.000 mS");
    EXPECT_EQ(state.FreqCursorText(), "500.000 Hz");

    // The first cursor cannot pass the second, nor the plot's edges.
    state.DragCursor(COscGraphState::TimeCursor1, {600, 200});
    EXPECT_DOUBLE_EQ(state.Pos1(), 99.0);
    state.DragCursor(COscGraphState::TimeCursor1, {-50, 200});
    EXPECT_DOUBLE_EQ(state.Pos1(), 0.0);
    state.DragCursor(COscGraphState::TimeCursor2, {0, 200});
    EXPECT_DOUBLE_EQ(state.Pos2(), 1.0);
    state.DragCursor(COscGraphState::TimeCursor2, {5000, 200});
    EXPECT_DOUBLE_EQ(state.Pos2(), 299.0);
}

TEST(OscGraphState, LevelCursorsReadTheDifference)
{
    COscGraphState state = Shown(Capture());
    // y = 50 + 400 - (v + 4) / 0.02
    EXPECT_EQ(state.PixelY(2.0), 150);
    EXPECT_EQ(state.CursorAt({300, 151}), COscGraphState::LevelCursor1);
    EXPECT_EQ(state.CursorAt({300, state.PixelY(-1.5) - 2}), COscGraphState::LevelCursor2);
    EXPECT_EQ(state.CursorAt({300, 155}), COscGraphState::NoCursor);
    state.DragCursor(COscGraphState::LevelCursor1, {300, 200}); // 1 V
    state.DragCursor(COscGraphState::LevelCursor2, {300, 275}); // -0.5 V
    EXPECT_NEAR(state.Level1(), 1.0, 1e-9);
    EXPECT_NEAR(state.Level2(), -0.5, 1e-9);
    EXPECT_EQ(state.DvText(), "1.50 V");

    // No cursors on the meter's FFT capture.
    COscGraphState fft = Shown(Capture(3));
    EXPECT_EQ(fft.CursorAt({300, 151}), COscGraphState::NoCursor);
}

TEST(OscGraphState, RectangleZoomAndUndo)
{
    COscGraphState state = Shown(Capture());
    EXPECT_FALSE(state.ZoomTo({100, 100}, {103, 300})); // too narrow: only a repaint
    EXPECT_DOUBLE_EQ(state.XScale(), 0.5);

    // Samples 50..100, values 1..3 V.
    ASSERT_TRUE(state.ZoomTo({225, 100}, {125, 200}));
    EXPECT_DOUBLE_EQ(state.XOrigin(), 50.0);
    EXPECT_DOUBLE_EQ(state.XScale(), 100.0 * 0.5 / 600.0);
    EXPECT_NEAR(state.YOrigin(), 1.0, 1e-9);
    EXPECT_NEAR(state.YScale(), 100.0 * 0.02 / 400.0, 1e-12);
    EXPECT_EQ(state.PixelX(50.0), 25);
    EXPECT_EQ(state.IndexAt(625), 100);
    EXPECT_NEAR(state.ValueAt(50), 3.0, 1e-9);

    // The end is held to the plot.
    COscGraphState clamped = Shown(Capture());
    ASSERT_TRUE(clamped.ZoomTo({525, 250}, {900, 900}));
    EXPECT_DOUBLE_EQ(clamped.XOrigin(), 250.0);
    EXPECT_DOUBLE_EQ(clamped.XScale(), 100.0 * 0.5 / 600.0);
    EXPECT_NEAR(clamped.YOrigin(), -4.0, 1e-9);

    state.ResetZoom();
    EXPECT_DOUBLE_EQ(state.XOrigin(), 0.0);
    EXPECT_DOUBLE_EQ(state.XScale(), 0.5);
    EXPECT_DOUBLE_EQ(state.YOrigin(), -4.0);
    EXPECT_DOUBLE_EQ(state.YScale(), 0.02);
}

TEST(OscGraphState, MappingAndResize)
{
    COscGraphState state = Shown(Capture());
    EXPECT_EQ(state.PixelX(0), 25);
    EXPECT_EQ(state.PixelX(300), 625);
    EXPECT_EQ(state.PixelY(-4.0), 450);
    EXPECT_EQ(state.PixelY(4.0), 50);
    for (int i : {0, 1, 77, 299})
        EXPECT_EQ(state.IndexAt(state.PixelX(i)), i);
    EXPECT_TRUE(state.IsInPlot({25, 50}));
    EXPECT_FALSE(state.IsInPlot({24, 50}));
    EXPECT_TRUE(state.IsOutsideArea({4, 100}));
    EXPECT_FALSE(state.IsOutsideArea({645, 495}));
    EXPECT_TRUE(state.IsOutsideArea({646, 495}));

    // A larger window shows the same span.
    state.SetClientSize(QSize(1250, 900));
    EXPECT_EQ(state.PlotWidth(), 1200);
    EXPECT_DOUBLE_EQ(state.XScale(), 0.25);
    EXPECT_DOUBLE_EQ(state.YScale(), 0.01);
    EXPECT_EQ(state.PixelX(300), 1225);
    // A window smaller than its margins still has a plot.
    state.SetClientSize(QSize(10, 10));
    EXPECT_EQ(state.PlotWidth(), 1);
    EXPECT_TRUE(std::isfinite(state.XScale()));
}

TEST(OscGraphState, PointReadouts)
{
    OscRecord r = Capture(3);
    r.m_rateCode = 5;
    COscGraphState state = Shown(r);
    EXPECT_EQ(state.InspectText(0), "NO.:0  Amplitude:0.00  ");
    EXPECT_EQ(state.InspectText(300), "");
    EXPECT_EQ(state.InspectText(-1), "");
    ASSERT_TRUE(state.ToggleView());
    EXPECT_EQ(state.InspectText(10), "NO.:10  Factor:100.00 Freq:5.00KHz");
    EXPECT_EQ(state.InspectText(120), "");
}

TEST(OscGraphState, FrequencyBoxShowsDashesWithoutAFrequency)
{
    OscRecord r = Capture(3);
    EXPECT_EQ(Shown(r).FreqBoxText(), "1.000 KHz");
    r.m_freq = -1.0;
    r.m_freqText = QStringLiteral("-1.0 MHz");
    EXPECT_EQ(Shown(r).FreqBoxText(), "---");
}

TEST(OscGraphState, DamagedRecordsStayDrawable)
{
    const double dNan = std::numeric_limits<double>::quiet_NaN();
    OscRecord r = Capture();
    r.m_voltsPerDiv = dNan;
    r.m_pos1 = dNan;
    r.m_pos2 = -40.0;
    r.m_maxValue = std::numeric_limits<double>::infinity();
    r.m_samples[3] = std::numeric_limits<float>::quiet_NaN();
    r.m_rateCode = 200;
    COscGraphState state = Shown(r);
    EXPECT_DOUBLE_EQ(state.YMin(), -800.0);
    EXPECT_DOUBLE_EQ(state.YMax(), 800.0);
    EXPECT_GT(state.YScale(), 0.0);
    EXPECT_DOUBLE_EQ(state.Pos1(), 0.0);
    EXPECT_DOUBLE_EQ(state.Pos2(), 1.0);
    EXPECT_DOUBLE_EQ(state.Level1(), 0.0);
    EXPECT_LT(state.PixelY(state.Value(3)), -1000);   // far off the plot, no overflow
    EXPECT_EQ(state.DtText(), "");                    // unknown time base

    r.m_voltsPerDiv = 0.0;
    EXPECT_DOUBLE_EQ(Shown(r).YMax(), 800.0);
}

} // namespace
