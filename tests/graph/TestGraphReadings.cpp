// The trend graph reads its readings in the document's unit: label decimals, axis titles, the
// time axis, gaps that break the trace, and the Measure tool with its panel.
#include "graph/CGraphDlg.h"

#include "CGraphTestData.h"
#include "CImageCheck.h"
#include "CPdfText.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"
#include "draw/CPageJob.h"
#include "graph/CColorSetting.h"
#include "graph/CGraphCommand.h"
#include "graph/CMeasurePanel.h"

#include <QPainter>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace GraphTestData;
using ImageCheck::CountColor;
using ImageCheck::SaveShot;

namespace {

constexpr int kPlotW = 500, kPlotH = 430;

// Readings of volts once a second from 10:00:00, with a pause of nPause seconds after reading
// nPauseAfter (none when negative).
std::unique_ptr<CMyTalvaDoc> Timed(const std::vector<double>& values, int nPauseAfter = -1, int nPause = 0)
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    int nSecond = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const QString strTime = QStringLiteral("1/2/25 10:%1:%2").arg(nSecond / 60, 2, 10, QLatin1Char('0')).arg(nSecond % 60, 2, 10, QLatin1Char('0'));
        pDoc->AddReading(0, QStringLiteral("VDC"), int(i), strTime, QStringLiteral("VDC"), values[i], 0.0, 100.0f,
                         float(values[i]));
        nSecond += int(i) == nPauseAfter ? nPause : 1;
    }
    return pDoc;
}

// The words of the graph drawn on an A4 page, as a reader of the PDF sees them.
PdfText::CPage PageWords(CGraphDlg& graph, const QString& strPath)
{
    CPageJob job;
    EXPECT_EQ(job.StartPrintingToPdf(strPath), 0);
    EXPECT_EQ(job.StartDocument(), 0);
    EXPECT_EQ(job.StartPrintPage(), 0);
    const int W = job.Width(), H = job.Height();
    graph.DrawGraph(job.Painter(), graph.StretchedOptions(QRect(0, 0, W, H / 2), W / 10, H / 20, H / 80, true));
    job.EndPage();
    QString strError;
    EXPECT_TRUE(job.EndDocument(&strError)) << strError.toStdString();
    const QList<PdfText::CPage> pages = PdfText::Read(strPath);
    return pages.value(0);
}

// Line pixels in the columns strictly between x1 and x2.
int LineBetween(const QImage& image, int x1, int x2, QRgb line)
{
    return CountColor(image, QRect(x1 + 2, 26, x2 - x1 - 3, kPlotH - 2), line);
}


} // namespace

TEST(GraphReadings, ANarrowRangeGetsTheDecimalsThatKeepItsLabelsApart)
{
    QTemporaryDir dir;
    CGraphOf<> f({5.0, 5.01, 5.02});
    f.graph.SetYRange(5.02, 5.0);
    const PdfText::CPage page = PageWords(f.graph, dir.filePath("narrow.pdf"));
    // The y labels stand left of the axis, where the first x label "0" is centred.
    const PdfText::CWord* pZero = page.Find(QStringLiteral("0"));
    ASSERT_TRUE(pZero) << page.Text().toStdString();
    QStringList labels;
    for (const PdfText::CWord& word : page.words) {
        if (word.dXMax < (pZero->dXMin + pZero->dXMax) / 2 && word.strText.startsWith(QLatin1String("5.")))
            labels << word.strText;
    }
    // "%.2f" gave 5.00 5.00 5.00 5.01 ...; three decimals tell all eleven apart.
    EXPECT_EQ(labels.size(), 11) << page.Text().toStdString();
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), 11) << labels.join(' ').toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("5.002")));
    EXPECT_TRUE(labels.contains(QStringLiteral("5.020")));
    // The titles: the value in the document's unit, the x axis.
    EXPECT_TRUE(page.Text().contains(QStringLiteral("Value (mV DC)"))) << page.Text().toStdString();
    EXPECT_TRUE(page.Text().contains(QStringLiteral("Reading")));
}

TEST(GraphReadings, AGapInTheReadingsTimesBreaksTheTraceOnBothAxes)
{
    // Ten readings a second apart, a pause of 40 s, ten more: joined on neither axis.
    std::vector<double> values;
    for (int i = 0; i < 20; ++i)
        values.push_back(i % 2 ? 40.0 : -40.0);
    CPromptRecorder prompt;
    const std::unique_ptr<CMyTalvaDoc> pDoc = Timed(values, 9, 40);
    CGraphDlg graph(prompt);
    graph.resize(640, 480);
    graph.SetDocument(pDoc.get());
    graph.SetMarkPoints(false);
    graph.SetYRange(50, -50);
    const QRgb line = Rgb(graph.Colors().m_lineColor);
    QImage image = Render(graph);
    SaveShot(image, "graph_gap_readings.png");
    const CGraphMapping map = graph.Mapping();
    EXPECT_EQ(LineBetween(image, int(map.Px(9)), int(map.Px(10)), line), 0) << "across the gap";
    EXPECT_GT(LineBetween(image, int(map.Px(8)), int(map.Px(9)), line), 10) << "before it";
    EXPECT_GT(LineBetween(image, int(map.Px(10)), int(map.Px(11)), line), 10) << "after it";

    // On the time axis the pause is 40 s of empty plot, and the labels are clock times.
    graph.SetTimeAxis(true);
    EXPECT_TRUE(graph.IsTimeAxis());
    graph.SetYRange(50, -50);
    image = Render(graph);
    SaveShot(image, "graph_gap_time.png");
    const CGraphMapping timed = graph.Mapping();
    const int x9 = int(timed.PxOf(pDoc->Times().At(9))), x10 = int(timed.PxOf(pDoc->Times().At(10)));
    EXPECT_DOUBLE_EQ(pDoc->Times().At(10), 49.0);
    EXPECT_GT(x10 - x9, 100);
    EXPECT_EQ(LineBetween(image, x9, x10, line), 0);
    EXPECT_GT(LineBetween(image, int(timed.PxOf(pDoc->Times().At(10))), int(timed.PxOf(pDoc->Times().At(11))), line), 10);
    // Readings appended after a gap start a trace of their own, in place as in a full drawing.
    graph.SetTimeAxis(false);
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    Grab(graph);
    pDoc->AddReading(0, QStringLiteral("VDC"), 20, QStringLiteral("1/2/25 10:05:00"), QStringLiteral("VDC"), 0.0, 0.0,
                     100.0f, 0.0f);
    const QImage appended = Grab(graph);
    EXPECT_EQ(LineBetween(appended, int(map.Px(19)), int(map.Px(20)), line), 0);
    graph.SetMarkPoints(false);
    EXPECT_TRUE(Grab(graph) == appended);
}

TEST(GraphReadings, TheTimeAxisIsRememberedForNewGraphsAndFallsBackWithoutTimes)
{
    CColorSetting::RememberTimeAxis(true);
    CPromptRecorder prompt;
    CGraphDlg graph(prompt);
    EXPECT_TRUE(graph.IsTimeAxis());
    CColorSetting::RememberTimeAxis(false);
    CGraphDlg other(prompt);
    EXPECT_FALSE(other.IsTimeAxis());

    // Readings whose times cannot be read are drawn by number.
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (int i = 0; i < 5; ++i)
        pDoc->AddReading(0, QStringLiteral("V"), i, QStringLiteral("t"), QStringLiteral("V"), i, 0.0, 10.0f, float(i));
    graph.resize(640, 480);
    graph.SetDocument(pDoc.get());
    graph.SetYRange(5, -1);
    graph.SetMarkPoints(false);
    const QImage image = Render(graph);
    EXPECT_GT(CountColor(image, QRect(71, 26, kPlotW - 2, kPlotH - 2), Rgb(graph.Colors().m_lineColor)), 50);
}

TEST(GraphReadings, MeasureShowsTheFiguresOfTheDraggedReadingsUntilEscape)
{
    std::vector<double> values;
    for (int i = 0; i < 21; ++i)
        values.push_back(10.0 * std::sin(i * 0.4) + i);
    CPromptRecorder prompt;
    const std::unique_ptr<CMyTalvaDoc> pDoc = Timed(values);
    CGraphDlg graph(prompt);
    graph.resize(640, 480);
    graph.SetDocument(pDoc.get());
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    QSignalSpy spy(&graph, &CGraphDlg::MeasureChanged);
    graph.OnGraphCommand(GraphCommand::kMeasure);
    EXPECT_EQ(graph.CurrentTool(), CGraphDlg::kToolMeasure);
    // 25 pixels a reading: from reading 4 to reading 12, dragged right to left.
    Drag(&graph, QPoint(70 + 12 * 25 + 3, 200), QPoint(70 + 4 * 25 - 3, 260));
    ASSERT_TRUE(graph.HasMeasure());
    EXPECT_EQ(graph.MeasureFirst(), 4);
    EXPECT_EQ(graph.MeasureLast(), 12);
    EXPECT_FALSE(graph.IsZoomed());
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(spy.last(), QVariantList({qint64(4), qint64(12)}));
    CMeasurePanel* pPanel = graph.MeasurePanel();
    ASSERT_TRUE(pPanel->isVisible());
    const CSpanStatistics st = CSpanStatistics::Of(*pDoc, 4, 12);
    const QStringList lines = pPanel->Lines();
    EXPECT_EQ(lines.value(0), QStringLiteral("Measure: readings 5 to 13"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Count\t9")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Maximum\t%1 V DC").arg(QString::asprintf("%.4f", st.dMax)))) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Average\t%1 V DC").arg(QString::asprintf("%.4f", st.dAverage))));
    EXPECT_TRUE(lines.contains(QStringLiteral("Std. deviation\t%1 V DC").arg(QString::asprintf("%.4f", st.dStdDev))));
    EXPECT_TRUE(lines.contains(QStringLiteral("Duration\t8.0 s")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Slope\t%1 V DC/s").arg(QString::number(st.dSlope, 'g', 4))));
    // The span is shaded over the plot: the background inside it is lighter than outside.
    const QImage shot = Grab(graph);
    SaveShot(shot, "graph_measure.png");
    EXPECT_EQ(shot.pixel(70 + 16 * 25 + 5, 440), Rgb(graph.Colors().m_bkColor));
    EXPECT_GT(qGray(shot.pixel(70 + 8 * 25 + 5, 440)), qGray(Rgb(graph.Colors().m_bkColor)));

    // Escape clears it.
    QTest::keyClick(&graph, Qt::Key_Escape);
    EXPECT_FALSE(graph.HasMeasure());
    EXPECT_FALSE(pPanel->isVisible());
    EXPECT_EQ(spy.last(), QVariantList({qint64(-1), qint64(-1)}));
    // A drag on an empty document measures nothing.
    CMyTalvaDoc empty;
    graph.SetDocument(&empty);
    Drag(&graph, QPoint(100, 200), QPoint(300, 200));
    EXPECT_FALSE(graph.HasMeasure());
}
