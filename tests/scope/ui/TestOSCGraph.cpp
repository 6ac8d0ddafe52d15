// The scope graph through its window: what it draws, and what the mouse does.
#include "CImageCheck.h"
#include "COscUiTest.h"
#include "CPromptRecorder.h"
#include "scope/COscText.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCGraph.h"
#include "scope/ui/COscScreenPainter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

using namespace OscUiTest;

namespace {

const QRgb kYellow = COscScreenPainter::TraceColor().rgb();
const QRgb kBlue = COscScreenPainter::CursorColor().rgb();
const QRgb kRed = COscScreenPainter::InspectColor().rgb();

bool IsAt(const QImage& image, int x, int y, QRgb rgb)
{
    return ImageCheck::CountColor(image, QRect(x, y, 1, 1), rgb) == 1;
}

// Columns [x0, x1] that hold rgb somewhere within a pixel of row y.
int ColumnsNearRow(const QImage& image, int x0, int x1, int y, QRgb rgb)
{
    int n = 0;
    for (int x = x0; x <= x1; ++x)
        n += ImageCheck::CountColor(image, QRect(x, y - 1, 1, 3), rgb) > 0;
    return n;
}

// A 1 V/div capture at 0.5 ms/div (code 7) of the given status: +4 V for the
// first half of the screen, -4 V for the second, and a few spectrum bars.
COscTestFrame HalfUpHalfDown(int nStatus)
{
    COscTestFrame frame;
    frame.Set(0, nStatus).Set(7, 235).Set(8, 35).Date(2025, 3, 14, 9, 30, 5, 0);
    for (int i = 0; i < 300; ++i)
        frame.Sample(i, i < 150 ? 235 : 35);
    frame.Bar(0, 15).Bar(10, 100).Bar(20, 200);
    return frame;
}

class OSCWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dlg.resize(900, 700);
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }
    COSCGraph* Graph() const { return m_dlg.Graph(); }
    const COscGraphState& State() const { return m_dlg.Graph()->State(); }
    int MidY() const { return COscGraphState::kTop + State().PlotHeight() / 2; }

    CPromptRecorder m_prompt;
    COSCDlg m_dlg{m_prompt};
};

// The graph alone, 650 x 500: a plot of 600 x 400 pixels, half a sample and 0.02 V to a pixel.
class OSCGraph : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_graph.resize(650, 500);
        m_graph.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_graph));
        ASSERT_EQ(m_graph.State().PlotWidth(), 600);
        ASSERT_EQ(m_graph.State().PlotHeight(), 400);
    }

    COSCGraph m_graph;
};

} // namespace

TEST_F(OSCWindow, OneVoltPerDivisionSpansMinusFourToFourVoltsAndTheSpectrumZeroTo200)
{
    m_dlg.ShowWaveform(Decoded(HalfUpHalfDown(3)), QStringLiteral("0 03/14/2025 09:30:05"));
    EXPECT_EQ(m_dlg.InfoEdit()->text(), "0 03/14/2025 09:30:05");
    EXPECT_DOUBLE_EQ(State().YMin(), -4.0);
    EXPECT_DOUBLE_EQ(State().YMax(), 4.0);

    // +4 V runs along the plot's top edge, -4 V along its bottom edge.
    QImage shot = Shot(Graph());
    ImageCheck::SaveShot(shot, "osc-trace-range.png");
    const int yTop = COscGraphState::kTop, yBottom = COscGraphState::kTop + State().PlotHeight();
    EXPECT_EQ(State().PixelY(4.0), yTop);
    EXPECT_EQ(State().PixelY(-4.0), yBottom);
    const int x0 = State().PixelX(2), x1 = State().PixelX(147), x2 = State().PixelX(152), x3 = State().PixelX(297);
    EXPECT_EQ(ColumnsNearRow(shot, x0, x1, yTop + 1, kYellow), x1 - x0 + 1);
    EXPECT_EQ(ColumnsNearRow(shot, x2, x3, yBottom - 1, kYellow), x3 - x2 + 1);
    // Nothing in between but the one edge in the middle.
    EXPECT_EQ(ImageCheck::CountColor(shot, QRect(x0, yTop + 3, x1 - x0, yBottom - yTop - 6), kYellow), 0);
    // Nine dotted levels: 0 V is the middle one.
    EXPECT_GT(ImageCheck::CountColor(shot, QRect(x0, State().PixelY(0.0), x3 - x0, 1),
                                     COscScreenPainter::GridColor().rgb()),
              (x3 - x0) / 4);

    // The meter's spectrum: from 0 at the bottom to 200 at the top, one point a bar.
    QTest::mouseClick(m_dlg.FftButton(), Qt::LeftButton);
    EXPECT_EQ(m_dlg.FftButton()->text(), "return");
    EXPECT_FALSE(m_dlg.ShowTime());
    EXPECT_EQ(State().Count(), 120);
    EXPECT_DOUBLE_EQ(State().YMin(), 0.0);
    EXPECT_DOUBLE_EQ(State().YMax(), 200.0);
    shot = Shot(Graph());
    ImageCheck::SaveShot(shot, "osc-spectrum-range.png");
    EXPECT_TRUE(IsAt(shot, State().PixelX(10), State().PixelY(100.0), kYellow));
    EXPECT_TRUE(IsAt(shot, State().PixelX(20), yTop + 1, kYellow));
    EXPECT_FALSE(IsAt(shot, State().PixelX(10), State().PixelY(105.0), kYellow));
    // Empty bars: the trace runs along the bottom.
    EXPECT_EQ(ColumnsNearRow(shot, State().PixelX(30), State().PixelX(40), yBottom - 1, kYellow),
              State().PixelX(40) - State().PixelX(30) + 1);
    EXPECT_EQ(ImageCheck::CountColor(shot, shot.rect(), kBlue), 0); // no cursors over a spectrum

    QTest::mouseClick(m_dlg.FftButton(), Qt::LeftButton);
    EXPECT_EQ(m_dlg.FftButton()->text(), "FFT");
    EXPECT_TRUE(m_dlg.ShowTime());
    EXPECT_EQ(State().Count(), 300);
}

TEST_F(OSCWindow, FftOnAHoldCaptureChangesNothing)
{
    m_dlg.ShowWaveform(Decoded(HalfUpHalfDown(1)), QStringLiteral("1 | 03/14/2025 09:30:05"));
    Drag(Graph(), Qt::LeftButton, {200, 150}, {400, 300});
    const double dXScale = State().XScale();
    ASSERT_LT(dXScale, 300.0 / State().PlotWidth());
    const QImage before = Shot(&m_dlg);

    QTest::mouseClick(m_dlg.FftButton(), Qt::LeftButton);
    m_dlg.OnFft(); // the command itself, not only the button
    EXPECT_FALSE(m_dlg.FftButton()->isEnabled());
    EXPECT_TRUE(m_dlg.ShowTime());
    EXPECT_EQ(m_dlg.FftButton()->text(), "FFT");
    EXPECT_EQ(State().Count(), 300);
    EXPECT_EQ(State().XScale(), dXScale);
    EXPECT_EQ(Shot(&m_dlg), before);
}

TEST_F(OSCGraph, TimeCursorsFiftySamplesApartAtCode7ReadOneMillisecondAndOneKilohertz)
{
    COscTestFrame frame;
    frame.Word(30, 8 + 10).Word(32, 8 + 30).Set(7, 160).Set(8, 110); // crossings at 10 and 30, levels at +-1 V
    for (int i = 0; i < 300; ++i)
        frame.Sample(i, 135 + (i % 50 < 25 ? 20 : -20));
    m_graph.ShowWaveform(Decoded(frame), false);
    const COscGraphState& state = m_graph.State();
    EXPECT_EQ(state.DtText(), "400.000 uS"); // 20 samples of 20 us
    EXPECT_EQ(state.DvText(), "2.00 V");

    const int y = state.PixelY(2.5); // clear of both level cursors
    QTest::mousePress(&m_graph, Qt::LeftButton, Qt::NoModifier, {state.PixelX(30), y});
    EXPECT_EQ(m_graph.DraggedCursor(), COscGraphState::TimeCursor2);
    EXPECT_EQ(m_graph.cursor().shape(), Qt::SplitHCursor);
    MoveTo(&m_graph, {state.PixelX(45), y}, Qt::LeftButton);
    MoveTo(&m_graph, {state.PixelX(60), y}, Qt::LeftButton);
    QTest::mouseRelease(&m_graph, Qt::LeftButton, Qt::NoModifier, {state.PixelX(60), y});
    EXPECT_EQ(m_graph.DraggedCursor(), COscGraphState::NoCursor);
    EXPECT_DOUBLE_EQ(state.Pos1(), 10.0);
    EXPECT_DOUBLE_EQ(state.Pos2(), 60.0);
    EXPECT_EQ(state.DtText(), "1000.000 uS");
    EXPECT_EQ(state.FreqCursorText(), "1.000 KHz");

    // The line went with it.
    const QImage shot = Shot(&m_graph);
    ImageCheck::SaveShot(shot, "osc-cursors.png");
    const int nPlot = state.PlotHeight();
    EXPECT_GT(ImageCheck::CountColor(shot, QRect(state.PixelX(60) - 1, 50, 3, nPlot), kBlue), nPlot);
    EXPECT_LT(ImageCheck::CountColor(shot, QRect(state.PixelX(30) - 1, 50, 3, nPlot), kBlue), 20);

    // A level cursor: from +1 V up to +2 V.
    QTest::mousePress(&m_graph, Qt::LeftButton, Qt::NoModifier, {300, state.PixelY(1.0)});
    EXPECT_EQ(m_graph.DraggedCursor(), COscGraphState::LevelCursor1);
    MoveTo(&m_graph, {300, state.PixelY(2.0)}, Qt::LeftButton);
    QTest::mouseRelease(&m_graph, Qt::LeftButton, Qt::NoModifier, {300, state.PixelY(2.0)});
    EXPECT_DOUBLE_EQ(state.Level1(), 2.0);
    EXPECT_EQ(state.DvText(), "3.00 V");
    // Dragged far above the plot, it stays on the plot's edge where it can be caught again.
    Drag(&m_graph, Qt::LeftButton, {300, state.PixelY(2.0)}, {300, -200});
    EXPECT_DOUBLE_EQ(state.Level1(), 4.0);
    EXPECT_EQ(m_graph.State().CursorAt({300, COscGraphState::kTop}), COscGraphState::LevelCursor1);
}

TEST_F(OSCWindow, RectangleZoomWithTheMouseAndUndoZoom)
{
    m_dlg.ShowWaveform(Decoded(HalfUpHalfDown(2)), QString());
    const double dXScale = State().XScale(), dYScale = State().YScale();

    // While dragging, the dotted rectangle shows; Esc gives the zoom up.
    QTest::mousePress(Graph(), Qt::LeftButton, Qt::NoModifier, {125, 150});
    MoveTo(Graph(), {325, 250}, Qt::LeftButton);
    EXPECT_TRUE(Graph()->IsZooming());
    const QImage dragging = Shot(Graph());
    ImageCheck::SaveShot(dragging, "osc-zooming.png");
    // A dotted outline: every edge has its dots.
    const QRgb zoom = COscScreenPainter::ZoomColor().rgb();
    EXPECT_GT(ImageCheck::CountColor(dragging, QRect(125, 150, 201, 1), zoom), 30);
    EXPECT_GT(ImageCheck::CountColor(dragging, QRect(125, 250, 201, 1), zoom), 30);
    EXPECT_GT(ImageCheck::CountColor(dragging, QRect(125, 150, 1, 101), zoom), 15);
    EXPECT_GT(ImageCheck::CountColor(dragging, QRect(325, 150, 1, 101), zoom), 15);
    QTest::keyClick(Graph(), Qt::Key_Escape);
    EXPECT_FALSE(Graph()->IsZooming());
    QTest::mouseRelease(Graph(), Qt::LeftButton, Qt::NoModifier, {325, 250});
    EXPECT_EQ(State().XScale(), dXScale);

    // A drag under 5 pixels only repaints.
    Drag(Graph(), Qt::LeftButton, {125, 150}, {128, 250});
    EXPECT_EQ(State().XScale(), dXScale);

    Drag(Graph(), Qt::LeftButton, {125, 150}, {325, 250});
    EXPECT_DOUBLE_EQ(State().XScale(), 200 * dXScale / State().PlotWidth());
    EXPECT_DOUBLE_EQ(State().XOrigin(), 100 * dXScale);
    EXPECT_DOUBLE_EQ(State().YScale(), 100 * dYScale / State().PlotHeight());
    EXPECT_EQ(ImageCheck::CountColor(Shot(Graph()), Graph()->rect(), COscScreenPainter::ZoomColor().rgb()), 0);

    QTest::mouseClick(m_dlg.UndoZoomButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(State().XScale(), dXScale);
    EXPECT_DOUBLE_EQ(State().YScale(), dYScale);
    EXPECT_DOUBLE_EQ(State().XOrigin(), 0.0);
}

TEST_F(OSCWindow, RightButtonReadsThePointUnderThePointer)
{
    COscTestFrame frame = HalfUpHalfDown(3);
    frame.Sample(100, 160);
    m_dlg.ShowWaveform(Decoded(frame), QString());
    const int x = State().PixelX(100);
    QTest::mousePress(Graph(), Qt::RightButton, Qt::NoModifier, {x, MidY()});
    EXPECT_EQ(Graph()->InspectIndex(), 100);
    EXPECT_EQ(m_dlg.ReadoutLine()->text(), "NO.:100  Amplitude:1.00  ");
    QImage shot = Shot(Graph());
    ImageCheck::SaveShot(shot, "osc-readout.png");
    EXPECT_GT(ImageCheck::CountColor(shot, QRect(x, COscGraphState::kTop, 1, State().PlotHeight()), kRed),
              State().PlotHeight() / 2);

    // The readout follows the pointer, and ends beyond the area around the plot.
    MoveTo(Graph(), {State().PixelX(200), MidY()}, Qt::RightButton);
    EXPECT_EQ(m_dlg.ReadoutLine()->text(), "NO.:200  Amplitude:-4.00  ");
    MoveTo(Graph(), {2, MidY()}, Qt::RightButton);
    EXPECT_EQ(Graph()->InspectIndex(), -1);
    EXPECT_TRUE(m_dlg.ReadoutLine()->text().isEmpty());
    EXPECT_EQ(ImageCheck::CountColor(Shot(Graph()), Graph()->rect(), kRed), 0);
    QTest::mouseRelease(Graph(), Qt::RightButton, Qt::NoModifier, {2, MidY()});

    // A bar of the meter's spectrum reads as a factor with its frequency.
    m_dlg.OnFft();
    QTest::mousePress(Graph(), Qt::RightButton, Qt::NoModifier, {State().PixelX(10) + 1, MidY()});
    EXPECT_EQ(m_dlg.ReadoutLine()->text(), "NO.:10  Factor:1000.00 Freq:20.00KHz");
    QTest::mouseRelease(Graph(), Qt::RightButton, Qt::NoModifier, {State().PixelX(10) + 1, MidY()});
    EXPECT_TRUE(m_dlg.ReadoutLine()->text().isEmpty());
}

TEST_F(OSCGraph, PrintingDrawsTheSameScreenOnWhitePaperWithoutScreenMarks)
{
    COscTestFrame frame = HalfUpHalfDown(2);
    m_graph.ShowWaveform(Decoded(frame), false);
    QTest::mousePress(&m_graph, Qt::RightButton, Qt::NoModifier, {m_graph.State().PixelX(100), 250});
    ASSERT_EQ(m_graph.InspectIndex(), 100);

    // A page three times the window's text size.
    const QRgb outside = qRgb(255, 0, 255);
    QImage page(2400, 1600, QImage::Format_RGB32);
    page.fill(outside);
    const QRect rc(80, 60, 2240, 1400);
    COscDrawOptions options;
    options.bPrinting = true;
    options.nTextHeight = 3 * COscDrawOptions::kScreenTextHeight;
    {
        QPainter painter(&page);
        m_graph.Draw(painter, rc, options);
    }
    ImageCheck::SaveShot(page, "osc-printed.png");
    QTest::mouseRelease(&m_graph, Qt::RightButton, Qt::NoModifier, {m_graph.State().PixelX(100), 250});

    EXPECT_EQ(ImageCheck::CountColor(page, rc, COscScreenPainter::BackgroundColor().rgb()), 0);
    EXPECT_EQ(ImageCheck::CountColor(page, rc, COscScreenPainter::MarginColor().rgb()), 0);
    EXPECT_EQ(ImageCheck::CountColor(page, rc, kRed), 0);
    // Exactly the area, all of it.
    EXPECT_EQ(ImageCheck::CountColor(page, rc, outside), 0);
    EXPECT_EQ(ImageCheck::CountColor(page, page.rect(), outside),
              page.width() * page.height() - rc.width() * rc.height());
    // The whole waveform fills the area: +4 V along the top of the plot from its left end,
    // -4 V along the bottom to its right end.
    const int nLeft = rc.left() + 3 * COscGraphState::kLeft, nRight = rc.right() - 3 * COscGraphState::kLeft;
    const int nTop = rc.top() + 3 * COscGraphState::kTop, nBottom = rc.bottom() - 3 * COscGraphState::kTop;
    const QRgb black = COscScreenPainter::PrintTraceColor().rgb();
    EXPECT_GT(ImageCheck::CountColor(page, QRect(nLeft, nTop - 10, 60, 20), black, 60), 120);
    EXPECT_GT(ImageCheck::CountColor(page, QRect(nRight - 60, nBottom - 10, 60, 20), black, 60), 120);
    EXPECT_GT(ImageCheck::CountColor(page, rc, COscScreenPainter::GridColor().rgb()), 1000);
}

TEST_F(OSCGraph, SpectrumIsTheYellowTraceWithTheBarsFrequenciesUnderThePlot)
{
    COscTestFrame frame;
    frame.Set(0, 3).Set(1, 5); // the meter's FFT at 2 ms/div: a bar every 0.5 KHz
    for (int i = 0; i < 120; ++i)
        frame.Bar(i, 100);
    m_graph.ShowWaveform(Decoded(frame), true);
    const COscGraphState& state = m_graph.State();
    const QImage shot = Shot(&m_graph);
    ImageCheck::SaveShot(shot, "osc-spectrum.png");

    // A line along the level of the bars, nothing filled under it.
    const int y100 = state.PixelY(100.0), y0 = state.PixelY(0.0);
    const int x0 = state.PixelX(2), x1 = state.PixelX(118);
    EXPECT_EQ(ColumnsNearRow(shot, x0, x1, y100, kYellow), x1 - x0 + 1);
    EXPECT_EQ(ImageCheck::CountColor(shot, QRect(x0, y100 + 3, x1 - x0, y0 - y100 - 6), kYellow), 0);

    // Under the plot, the frequency of every n-th bar as the readouts give it, apart and on the screen.
    auto labels = [&] {
        QList<COscScreenPainter::SWord> words;
        for (const COscScreenPainter::SWord& word : COscScreenPainter::Layout(state, m_graph.size(), {}))
            if (word.kind == COscScreenPainter::SWord::AxisLabel)
                words << word;
        return words;
    };
    QList<COscScreenPainter::SWord> axis = labels();
    ASSERT_GE(axis.size(), 5);
    const int yPlotBottom = COscGraphState::kTop + state.PlotHeight();
    int nStep = 0;
    for (qsizetype k = 0; k < axis.size(); ++k) {
        const COscScreenPainter::SWord& word = axis[k];
        EXPECT_GT(word.rc.top(), yPlotBottom);
        EXPECT_TRUE(m_graph.rect().contains(word.rc)) << qPrintable(word.strText);
        if (k > 0)
            EXPECT_LT(axis[k - 1].rc.right() + 5, word.rc.left());
        const QString strBar = word.strText;
        int nBar = -1;
        for (int i = 0; i < 120 && nBar < 0; ++i)
            if (COscText::BarPrintText(5, i) == strBar)
                nBar = i;
        ASSERT_GE(nBar, 0) << qPrintable(strBar);
        if (k == 1)
            nStep = nBar;
        EXPECT_EQ(nBar, k * nStep) << qPrintable(strBar);
        if (k > 0)
            EXPECT_NEAR(word.rc.center().x(), state.PixelX(nBar), 1);
    }
    EXPECT_EQ(axis[0].strText, "0.00KHz");
    EXPECT_TRUE(std::any_of(axis.begin(), axis.end(), [](const auto& w) { return w.strText == "10.00KHz"; }));
    // Drawn where laid out.
    EXPECT_GT(ImageCheck::CountColor(shot, axis[1].rc, qRgb(150, 170, 200), 60), 10);

    // Zoomed in, the labels follow: closer steps, only the bars in view.
    Drag(&m_graph, Qt::LeftButton, {state.PixelX(40), 100}, {state.PixelX(60), 300});
    ASSERT_LT(state.XScale(), 0.1);
    axis = labels();
    ASSERT_GE(axis.size(), 3);
    for (const COscScreenPainter::SWord& word : axis) {
        const double dBar = word.strText.chopped(3).toDouble() / 0.5;
        EXPECT_GE(dBar, 40.0) << qPrintable(word.strText);
        EXPECT_LE(dBar, 60.0) << qPrintable(word.strText);
    }
}

TEST_F(OSCGraph, TheScaleBoxJoinsTheCouplingAndTheScaleAsTheMeterWritesThem)
{
    auto scaleBox = [&] {
        for (const COscScreenPainter::SWord& word : COscScreenPainter::Layout(m_graph.State(), m_graph.size(), {}))
            if (word.box == COscScreenPainter::ScaleBoxColor() && word.strText.endsWith("V/div"))
                return word.strText;
        return QString();
    };
    COscTestFrame frame;
    frame.Set(2, 6).Set(10, 1); // 2.00 V/div, DC
    m_graph.ShowWaveform(Decoded(frame), false);
    EXPECT_EQ(scaleBox(), "DC2.00 V/div");
    frame.Set(10, 0);
    m_graph.ShowWaveform(Decoded(frame), false);
    EXPECT_EQ(scaleBox(), "AC 2.00 V/div");
}
