// The graph's tools driven by mouse events: zooms and their limits, panning, point reading,
// the FFT range, and the commands of the tool bar.
#include "graph/CGraphDlg.h"

#include "CGraphTestData.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "fft/ui/CFFTDlg.h"
#include "graph/CGraphCommand.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

using namespace GraphTestData;

namespace {

// 640 x 480: a plot of 500 x 430 pixels at (70, 25); by default 25 pixels per point.
constexpr int kPlotW = 500, kPlotH = 430;

// Records the FFT ranges instead of running the dialog.
class CRecordingGraph : public CGraphDlg
{
public:
    using CGraphDlg::CGraphDlg;
    QList<QPair<int, int>> m_ranges;

protected:
    void OpenFFT(int nStart, int nFinish) override { m_ranges.append({nStart, nFinish}); }
};

// Stands in for the point information panel.
class CPanelDouble : public QWidget
{
public:
    QStringList m_points;
    void SetPoint(int nNumber, const QString& strTime, double dValue, const QString& strUnit,
                  const QString& strType)
    {
        m_points << QStringLiteral("%1|%2|%3|%4|%5").arg(nNumber).arg(strTime).arg(dValue).arg(strUnit, strType);
    }
    QSize sizeHint() const override { return QSize(160, 70); }
};

std::vector<double> Swing(int nPoints)
{
    std::vector<double> values;
    for (int i = 0; i < nPoints; ++i)
        values.push_back(100.0 * std::sin(i * 0.5));
    return values;
}

struct CShownGraph : CGraphOf<CRecordingGraph>
{
    explicit CShownGraph(int nPoints)
        : CGraphOf(Swing(nPoints))
    {
        graph.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&graph));
    }
};

// A column nearest to point n in the default view (2 pixels right of it).
int XOf(int n)
{
    return 70 + n * 25 + 2;
}

void Press(QWidget* p, QPoint pt)
{
    QTest::mousePress(p, Qt::LeftButton, Qt::NoModifier, pt);
}
void Move(QWidget* p, QPoint pt)
{
    QTest::mouseMove(p, pt);
}
void Release(QWidget* p, QPoint pt)
{
    QTest::mouseRelease(p, Qt::LeftButton, Qt::NoModifier, pt);
}

} // namespace

TEST(GraphGestures, ARectDragUnderFivePixelsDoesNotZoom)
{
    CShownGraph g(21);
    const double dXScale = g.graph.XScale(), dYScale = g.graph.YScale();
    Drag(&g.graph, {200, 200}, {204, 300});
    Drag(&g.graph, {200, 200}, {300, 204});
    Drag(&g.graph, {200, 200}, {196, 196});
    EXPECT_FALSE(g.graph.IsZoomed());
    EXPECT_EQ(g.graph.XScale(), dXScale);
    EXPECT_EQ(g.graph.YScale(), dYScale);
    EXPECT_EQ(g.graph.XOrigin(), 0.0);
}

TEST(GraphGestures, ARectDragZoomsToTheRectangle)
{
    CShownGraph g(21);
    const double xs = g.graph.XScale(), ys = g.graph.YScale();
    QSignalSpy spy(&g.graph, &CGraphDlg::VisibleWindowChanged);
    // Dragged from the lower right to the upper left: the same rectangle.
    Drag(&g.graph, {320, 300}, {120, 100});
    EXPECT_TRUE(g.graph.IsZoomed());
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), (120 - 70) * xs);
    EXPECT_DOUBLE_EQ(g.graph.XScale(), 200 * xs / kPlotW);
    EXPECT_DOUBLE_EQ(g.graph.YOrigin(), -500 + (kPlotH + 25 - 300) * ys);
    EXPECT_DOUBLE_EQ(g.graph.YScale(), 200 * ys / kPlotH);
    EXPECT_GE(spy.count(), 1);
    EXPECT_FALSE(g.graph.IsDragging());

    // "All" brings everything back.
    g.graph.OnGraphCommand(GraphCommand::kAll);
    EXPECT_FALSE(g.graph.IsZoomed());
    EXPECT_EQ(g.graph.XOrigin(), 0.0);
    EXPECT_EQ(g.graph.YOrigin(), -500.0);
    EXPECT_DOUBLE_EQ(g.graph.XScale(), 20.0 / kPlotW);
    EXPECT_DOUBLE_EQ(g.graph.YScale(), 1000.0 / kPlotH);
}

TEST(GraphGestures, ARectDragReleasedOutsideThePlotZoomsToItsEdge)
{
    CShownGraph g(21);
    const double xs = g.graph.XScale();
    Press(&g.graph, {300, 100});
    Move(&g.graph, {600, 200}); // in the right margin, not far enough out to give up
    Release(&g.graph, {600, 200});
    EXPECT_TRUE(g.graph.IsZoomed());
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), 230 * xs);
    EXPECT_DOUBLE_EQ(g.graph.XScale(), (570 - 300) * xs / kPlotW);
}

TEST(GraphGestures, ARectDragThatLeavesTheWindowIsGivenUp)
{
    CShownGraph g(21);
    Press(&g.graph, {300, 100});
    Move(&g.graph, {400, 200});
    EXPECT_TRUE(g.graph.IsDragging());
    Move(&g.graph, {2, 200});
    EXPECT_FALSE(g.graph.IsDragging());
    Release(&g.graph, {400, 200});
    EXPECT_FALSE(g.graph.IsZoomed());
}

TEST(GraphGestures, EscapeGivesUpTheGesture)
{
    CShownGraph g(21);
    Press(&g.graph, {300, 100});
    Move(&g.graph, {400, 200});
    QTest::keyClick(&g.graph, Qt::Key_Escape);
    EXPECT_FALSE(g.graph.IsDragging());
    Release(&g.graph, {400, 200});
    EXPECT_FALSE(g.graph.IsZoomed());
}

TEST(GraphGestures, XBigAndYBigZoomOneAxis)
{
    CShownGraph g(21);
    const double xs = g.graph.XScale(), ys = g.graph.YScale();
    g.graph.OnGraphCommand(GraphCommand::kXBig);
    Drag(&g.graph, {170, 100}, {173, 300}); // 3 pixels across: too small
    EXPECT_FALSE(g.graph.IsZoomed());
    Drag(&g.graph, {170, 100}, {370, 102});
    EXPECT_TRUE(g.graph.IsZoomed());
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), 100 * xs);
    EXPECT_DOUBLE_EQ(g.graph.XScale(), 200 * xs / kPlotW);
    EXPECT_EQ(g.graph.YScale(), ys);

    g.graph.OnGraphCommand(GraphCommand::kYBig);
    const double xs2 = g.graph.XScale();
    Drag(&g.graph, {300, 100}, {500, 104});
    EXPECT_EQ(g.graph.YScale(), ys);
    Drag(&g.graph, {300, 125}, {310, 340});
    EXPECT_DOUBLE_EQ(g.graph.YScale(), 215 * ys / kPlotH);
    EXPECT_DOUBLE_EQ(g.graph.YOrigin(), -500 + (kPlotH + 25 - 340) * ys);
    EXPECT_EQ(g.graph.XScale(), xs2);
}

TEST(GraphGestures, ZoomingStopsAtFiveThousandthsOfAUnitPerPixel)
{
    CShownGraph g(21);
    double dLast = g.graph.XScale();
    for (int i = 0; i < 20; ++i) {
        Drag(&g.graph, {100, 50}, {110, 60});
        if (g.graph.XScale() == dLast)
            break;
        EXPECT_GT(dLast, CGraphDlg::kMinZoomScale);
        dLast = g.graph.XScale();
    }
    EXPECT_LE(g.graph.XScale(), CGraphDlg::kMinZoomScale);
    EXPECT_LE(g.graph.YScale(), CGraphDlg::kMinZoomScale);
    const double dX = g.graph.XScale(), dY = g.graph.YScale();
    Drag(&g.graph, {100, 50}, {110, 60});
    EXPECT_EQ(g.graph.XScale(), dX);
    EXPECT_EQ(g.graph.YScale(), dY);
}

TEST(GraphGestures, MovePansWithThePointerWithinTheLimits)
{
    CShownGraph g(21);
    Drag(&g.graph, {170, 125}, {420, 340}); // zoom in first
    const double xs = g.graph.XScale(), ys = g.graph.YScale();
    const double dX = g.graph.XOrigin(), dY = g.graph.YOrigin();
    g.graph.OnGraphCommand(GraphCommand::kMove);
    QSignalSpy spy(&g.graph, &CGraphDlg::VisibleWindowChanged);
    // Right and down: earlier points, higher values.
    Press(&g.graph, {300, 200});
    Move(&g.graph, {320, 230});
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), dX - 20 * xs);
    EXPECT_DOUBLE_EQ(g.graph.YOrigin(), dY + 30 * ys);
    EXPECT_EQ(spy.count(), 1);
    Release(&g.graph, {320, 230});
    // A released button pans no more.
    Move(&g.graph, {400, 300});
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), dX - 20 * xs);
    // Leaving the plot ends the gesture.
    Press(&g.graph, {80, 400});
    Move(&g.graph, {600, 400});
    EXPECT_FALSE(g.graph.IsDragging());
    Release(&g.graph, {600, 400});
    // Far right and up, then far left and down: the origin stops at the limits.
    Press(&g.graph, {80, 440});
    for (int x = 100; x <= 540; x += 20)
        Move(&g.graph, {x, 440 - (x - 80) * 410 / 460});
    Release(&g.graph, {540, 30});
    EXPECT_EQ(g.graph.XOrigin(), 0.0);
    EXPECT_EQ(g.graph.YOrigin(), -500.0);
    for (int nTimes = 0; nTimes < 2; ++nTimes) {
        Press(&g.graph, {540, 30});
        for (int x = 520; x >= 80; x -= 20)
            Move(&g.graph, {x, 440 - (x - 80) * 410 / 460});
        Release(&g.graph, {80, 440});
    }
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), 20.0 - kPlotW * xs);
    EXPECT_DOUBLE_EQ(g.graph.YOrigin(), 500.0 - kPlotH * ys);
}

TEST(GraphGestures, FftRangeDraggedRightToLeftOpensTheDialogWithStartBeforeFinish)
{
    CPromptRecorder prompt;
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc({});
    for (int i = 0; i < 21; ++i)
        AddValue(*pDoc, i);
    CGraphDlg graph(prompt);
    graph.resize(640, 480);
    graph.SetDocument(pDoc.get());
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    graph.OnGraphCommand(GraphCommand::kFFT);
    QSignalSpy spy(&graph, &CGraphDlg::FFTRangeSelected);

    int nStart = -1, nFinish = -1;
    QString strNumber;
    QTimer::singleShot(0, &graph, [&] {
        auto* pDlg = qobject_cast<CFFTDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        nStart = pDlg->Start();
        nFinish = pDlg->Finish();
        pDlg->reject();
    });
    Drag(&graph, {XOf(10) + 3, 200}, {XOf(4) - 4, 260});
    EXPECT_EQ(nStart, 4);
    EXPECT_EQ(nFinish, 10);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.front(), QVariantList({4, 10}));
    EXPECT_FALSE(graph.IsZoomed());
}

TEST(GraphGestures, AnFftClickOpensNothing)
{
    CShownGraph g(21);
    g.graph.OnGraphCommand(GraphCommand::kFFT);
    Press(&g.graph, {XOf(5), 200});
    Release(&g.graph, {XOf(5), 200});
    Drag(&g.graph, {XOf(5) - 5, 200}, {XOf(5) + 5, 210}); // both ends nearest to point 5
    EXPECT_TRUE(g.graph.m_ranges.isEmpty());
}

TEST(GraphGestures, AnFftDragPastTheLastPointEndsOnIt)
{
    CShownGraph g(10); // points 0..9 of an x axis that runs to 20
    g.graph.OnGraphCommand(GraphCommand::kFFT);
    Drag(&g.graph, {XOf(3), 200}, {XOf(16), 210});
    ASSERT_EQ(g.graph.m_ranges.size(), 1);
    EXPECT_EQ(g.graph.m_ranges.front(), qMakePair(3, 9));
    // Both ends past the last point: the same point, nothing opens.
    Drag(&g.graph, {XOf(12), 200}, {XOf(18), 210});
    EXPECT_EQ(g.graph.m_ranges.size(), 1);
}

TEST(GraphGestures, AnFftDragOnAnEmptyDocumentOpensNothing)
{
    CShownGraph g(0);
    g.graph.OnGraphCommand(GraphCommand::kFFT);
    Drag(&g.graph, {XOf(3), 200}, {XOf(16), 210});
    EXPECT_TRUE(g.graph.m_ranges.isEmpty());
}

TEST(GraphGestures, ShowNumberFillsThePanelWhileTheButtonIsDown)
{
    CShownGraph g(21);
    auto* pPanel = new CPanelDouble;
    g.graph.SetPanel(pPanel);
    QObject::connect(&g.graph, &CGraphDlg::PointSelected, pPanel, &CPanelDouble::SetPoint);
    EXPECT_EQ(pPanel->parentWidget(), &g.graph);
    EXPECT_FALSE(pPanel->isVisible());

    g.graph.OnGraphCommand(GraphCommand::kShowNumber);
    EXPECT_EQ(g.graph.CurrentTool(), CGraphDlg::kToolShowNumber);
    Press(&g.graph, {XOf(6) + 8, 200}); // nearest to point 6
    EXPECT_TRUE(pPanel->isVisible());
    EXPECT_EQ(g.graph.SelectedIndex(), 6);
    const CObData ob = *g.pDoc->m_arrData[0].Record(6);
    ASSERT_EQ(pPanel->m_points.size(), 1);
    EXPECT_EQ(pPanel->m_points.back(), QStringLiteral("6|%1|%2|mVDC|VDC").arg(ob.m_strTime).arg(ob.m_dValue));

    Move(&g.graph, {XOf(2), 300});
    EXPECT_EQ(g.graph.SelectedIndex(), 2);
    EXPECT_TRUE(pPanel->m_points.back().startsWith("2|"));
    // The panel moves out of the way of a point under it.
    EXPECT_GT(pPanel->x(), XOf(2));

    // The crosshair through the selected point.
    const QImage shot = Grab(g.graph);
    const CGraphMapping map = g.graph.Mapping();
    const int px = int(map.Px(2)), py = map.PyOfValue(g.pDoc->Summary().Value(2));
    EXPECT_EQ(shot.pixel(px, 420), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(500, py), qRgb(0, 0, 0));

    Release(&g.graph, {XOf(2), 300});
    EXPECT_FALSE(pPanel->isVisible());
    const int nPoints = int(pPanel->m_points.size());
    Move(&g.graph, {XOf(9), 300}); // button up: nothing is picked
    EXPECT_EQ(pPanel->m_points.size(), nPoints);

    // Out of the plot the panel goes.
    Press(&g.graph, {XOf(9), 300});
    EXPECT_TRUE(pPanel->isVisible());
    Move(&g.graph, {20, 300});
    EXPECT_FALSE(pPanel->isVisible());
    Release(&g.graph, {20, 300});

    // "Show" keeps the panel; another tool hides it.
    Press(&g.graph, {XOf(9), 300});
    g.graph.OnGraphCommand(GraphCommand::kShowNumber);
    EXPECT_TRUE(pPanel->isVisible());
    g.graph.OnGraphCommand(GraphCommand::kRect);
    EXPECT_FALSE(pPanel->isVisible());
}

TEST(GraphGestures, PressesOutsideThePlotStartNothing)
{
    CShownGraph g(21);
    for (const QPoint pt : {QPoint(70, 200), QPoint(30, 200), QPoint(300, 25), QPoint(300, 455), QPoint(570, 200)}) {
        Press(&g.graph, pt);
        EXPECT_FALSE(g.graph.IsDragging()) << pt.x() << "," << pt.y();
        Release(&g.graph, pt);
    }
    EXPECT_FALSE(g.graph.IsZoomed());
}

TEST(GraphGestures, AZoomedViewFollowsALiveRecordingOnePointPerReading)
{
    CShownGraph g(21);
    Drag(&g.graph, {70 + 250, 60}, {70 + 495, 400}); // the right half: points ~10..20
    ASSERT_TRUE(g.graph.IsZoomed());
    const double dOrigin = g.graph.XOrigin();
    ASSERT_TRUE(g.pDoc->m_bLive);
    for (int i = 0; i < 5; ++i) {
        AddValue(*g.pDoc, 1.0);
        g.graph.AppendPoint(); // a second call for the same reading moves nothing
        Grab(g.graph);
    }
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), dOrigin + 5);
    EXPECT_EQ(g.graph.XMax(), 25.0);
    // A recording that has stopped stays put.
    g.pDoc->m_bLive = false;
    AddValue(*g.pDoc, 1.0);
    Grab(g.graph);
    EXPECT_DOUBLE_EQ(g.graph.XOrigin(), dOrigin + 5);
}
