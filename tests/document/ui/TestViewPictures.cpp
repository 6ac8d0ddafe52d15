// A document window as a user meets it with the readings in one unit: a recording that ranges
// from nF to mF on its graph beside its Summary, the time axis with a gap, and Measure. With
// MULTIMETER_SCREENSHOT_DIR set (to docs/), the pictures of the README are saved there.
#include "CImageCheck.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingTimes.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphDlg.h"
#include "graph/CMeasurePanel.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using ImageCheck::CountColor;
using ImageCheck::SaveShot;

namespace {

QString Clock(int nSeconds)
{
    return QStringLiteral("14/3/25 9:%1:%2").arg(nSeconds / 60 % 60, 2, 10, QLatin1Char('0')).arg(nSeconds % 60, 2, 10, QLatin1Char('0'));
}

// A capacitor charging: 100 nF to about 0.9 mF, read once a second as the meter ranges.
std::unique_ptr<CMyTalvaDoc> Charging()
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (int i = 0; i < 150; ++i) {
        const double dNano = 100.0 + 900000.0 * (1.0 - std::exp(-i / 40.0));
        const char* pszUnit = dNano < 1000.0 ? "nF" : dNano < 500000.0 ? "uF" : "mF";
        const double dShown = dNano < 1000.0 ? dNano : dNano < 500000.0 ? dNano / 1e3 : dNano / 1e6;
        const double dValue = std::round(dShown * 1e4) / 1e4;
        pDoc->AddReading(0, QString::fromLatin1(pszUnit), i, Clock(i), QStringLiteral("CAP"), dValue, 0.0, 5000.0f,
                         float(dValue));
    }
    pDoc->m_bLive = false;
    return pDoc;
}

// A voltage read two or three times a second, with the link lost for 40 s half way.
std::unique_ptr<CMyTalvaDoc> WithAGap()
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    int nSecond = 0;
    for (int i = 0; i < 160; ++i) {
        if (i > 0 && i % 5 != 2 && i % 5 != 4)
            ++nSecond;
        if (i == 80)
            nSecond += 40;
        const double dValue = 4.0 + 0.8 * std::sin(i * 0.07) + 0.05 * std::sin(i * 1.3);
        pDoc->AddReading(0, QStringLiteral("VDC"), i, Clock(nSecond), QStringLiteral("VDC"), dValue, 0.0, 6.0f,
                         float(dValue));
    }
    pDoc->m_bLive = false;
    return pDoc;
}

struct CShownView
{
    CPromptRecorder prompt;
    CMyTalvaView view;

    explicit CShownView(std::unique_ptr<CMyTalvaDoc> pDoc)
        : view(CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), nullptr), prompt)
    {
        view.m_bLive = false;
        view.resize(900, 560);
        view.OnInitialUpdate();
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QImage Shot()
    {
        QCoreApplication::processEvents();
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace

TEST(ViewPictures, ARecordingFromNanoToMilliFaradsOnItsGraphBesideItsSummary)
{
    CShownView v(Charging());
    CGraphDlg& graph = *v.view.Graph();
    // One unit for the whole recording: the graph runs from about 0 to 0.9 mF in nF, no cliff.
    EXPECT_LT(graph.YMin(), 100.0);
    EXPECT_GT(graph.YMax(), 890000.0);
    const QImage graphPage = v.Shot();
    // From reading 100 on the trace stays high in the plot: it never falls back to the bottom,
    // as the bare numbers of the mF readings (0.9) would.
    const QImage plot = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const CGraphMapping map = graph.Mapping();
    const QRgb line = graph.Colors().m_lineColor.rgb();
    const int x1 = int(map.Px(100)), x2 = int(map.Px(148));
    EXPECT_GT(CountColor(plot, QRect(x1, map.Py(950000.0), x2 - x1, map.Py(800000.0) - map.Py(950000.0)), line), 20);
    EXPECT_EQ(CountColor(plot, QRect(x1, map.Py(100000.0), x2 - x1, map.Py(-1e5) - map.Py(100000.0)), line), 0);
    v.view.SelectPage(CMyTalvaView::kSummaryPage);
    const QString strSummary = v.view.SummaryEdit()->toPlainText();
    EXPECT_TRUE(strSummary.contains(QStringLiteral("Unit: nF"))) << strSummary.toStdString();
    EXPECT_FALSE(strSummary.contains(QStringLiteral("OL")));
    const QImage summaryPage = v.Shot();
    // Both pages side by side, as the README shows them: the graph, and the Summary's text.
    const QRect rcText = v.view.SummaryEdit()->geometry().adjusted(-4, -30, 0, 0);
    const QRect rcSummary(rcText.topLeft(), QSize(360, rcText.height()));
    QImage both(graphPage.width() + rcSummary.width(), graphPage.height(), QImage::Format_RGB32);
    both.fill(graphPage.pixel(2, 2));
    {
        QPainter painter(&both);
        painter.drawImage(0, 0, graphPage);
        painter.drawImage(QPoint(graphPage.width(), rcSummary.top()), summaryPage.copy(rcSummary));
    }
    SaveShot(both, "units-graph-summary.png");
}

TEST(ViewPictures, TheTimeAxisShowsTheGapAndMeasureItsFigures)
{
    CShownView v(WithAGap());
    CGraphDlg& graph = *v.view.Graph();
    graph.SetTimeAxis(true);
    SaveShot(v.Shot(), "time-axis-gap.png");
    // 40 s of plot without a trace between the two halves.
    const QImage plot = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const CReadingTimes& times = v.view.GetDocument()->Times();
    const CGraphMapping map = graph.Mapping();
    const int x79 = int(map.PxOf(times.At(79))), x80 = int(map.PxOf(times.At(80)));
    EXPECT_GT(x80 - x79, 60);
    EXPECT_EQ(CountColor(plot, QRect(x79 + 2, 26, x80 - x79 - 4, graph.PlotHeight() - 2), graph.Colors().m_lineColor.rgb()), 0);

    // Measure the first half.
    graph.OnGraphCommand(GraphCommand::kMeasure);
    QTest::mousePress(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(int(map.PxOf(times.At(5))), 200));
    QTest::mouseMove(&graph, QPoint(int(map.PxOf(times.At(70))), 220));
    QTest::mouseRelease(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(int(map.PxOf(times.At(70))), 220));
    ASSERT_TRUE(graph.HasMeasure());
    EXPECT_EQ(graph.MeasureFirst(), 5);
    EXPECT_EQ(graph.MeasureLast(), 70);
    EXPECT_TRUE(graph.MeasurePanel()->Lines().contains(QStringLiteral("Count\t66")))
        << graph.MeasurePanel()->Lines().join('|').toStdString();
    SaveShot(v.Shot(), "measure.png");
}
