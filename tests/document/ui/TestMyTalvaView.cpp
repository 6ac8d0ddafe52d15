#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphDlg.h"
#include "panel/CShowData.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

CObData* Record(double dValue, int nIndex, const QString& strType = QStringLiteral("VDC"), float fRange = 10.0f)
{
    return new CObData(dValue, QStringLiteral("V"), 0.0, nIndex, QStringLiteral("t%1").arg(nIndex), strType, fRange);
}

void AddLive(CMyTalvaDoc& doc, double dValue)
{
    const int n = int(doc.m_arrData[0].size());
    doc.AddReading(0, QStringLiteral("V"), n, QStringLiteral("t%1").arg(n), QStringLiteral("VDC"), dValue, 0.0, 10.0f,
                   float(dValue));
}

QStringList Row(const CDataListModel& model, int nRow)
{
    QStringList cells;
    for (int c = 0; c < CDataListModel::kColumnCount; ++c)
        cells << model.data(model.index(nRow, c)).toString();
    return cells;
}

// A document as a file brings it: records set directly, then the statistics.
std::unique_ptr<CMyTalvaDoc> LoadedDoc(const QList<double>& values)
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (double d : values)
        AddLive(*pDoc, d);
    return CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), nullptr);
}

struct CViewOf
{
    CPromptRecorder prompt;
    CMyTalvaView view;

    explicit CViewOf(std::unique_ptr<CMyTalvaDoc> pDoc = nullptr)
        : view(std::move(pDoc), prompt)
    {
        view.resize(800, 600);
    }
};

} // namespace

TEST(DataListModel, ColumnsAndTheThreeOverloadRules)
{
    CDataListModel model;
    QStringList titles;
    for (int c = 0; c < CDataListModel::kColumnCount; ++c)
        titles << model.headerData(c, Qt::Horizontal).toString() + QString::number(CDataListModel::ColumnWidth(c));
    EXPECT_EQ(titles, QStringList({"ID70", "Data Time150", "Unit80", "Value80", "Type80", "Remark60"}));

    using Rule = CDataListModel::OverloadRule;
    struct CCase
    {
        double dValue;
        const char* pszLive;
        const char* pszImported;
        const char* pszLoaded;
    };
    const CCase cases[] = {
        {500000.0, "OL", "OL", "OL"},
        {-500000.0, "OL", "OL", "-500000.0000"},
        {600000.0, "600000.0000", "OL", "600000.0000"},
        {-500001.0, "-500001.0000", "OL", "-500001.0000"},
        {1.23456, "1.2346", "1.2346", "1.2346"},
    };
    for (const CCase& c : cases) {
        EXPECT_EQ(CDataListModel::ValueText(c.dValue, Rule::Live), QLatin1String(c.pszLive));
        EXPECT_EQ(CDataListModel::ValueText(c.dValue, Rule::Imported), QLatin1String(c.pszImported));
        EXPECT_EQ(CDataListModel::ValueText(c.dValue, Rule::Loaded), QLatin1String(c.pszLoaded));
        EXPECT_EQ(CDataListModel::ValueText(c.dValue, Rule::None), QString::asprintf("%.4f", c.dValue));
    }
}

TEST(DataListModel, SecondaryRowsSitUnderTheirPrimaryWithTheirOwnIds)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 3; ++i)
        doc.m_arrData[0].Append(*std::unique_ptr<CObData>(Record(i, i)));
    for (CObData* pOb : {Record(11, 1, QStringLiteral("Max")), Record(21, 2, QStringLiteral("Max")),
                         Record(12, 1, QStringLiteral("Min")), Record(99, 7, QStringLiteral("Max"))})
        doc.m_arrData[1].Append(*std::unique_ptr<CObData>(pOb));
    CDataListModel model;
    model.SetDocument(&doc);
    ASSERT_EQ(model.rowCount(), 6); // the secondary of number 7 belongs to no row
    EXPECT_EQ(Row(model, 0), QStringList({"1", "t0", "V", "0.0000", "VDC", ""}));
    EXPECT_EQ(Row(model, 1), QStringList({"2", "t1", "V", "1.0000", "VDC", ""}));
    EXPECT_EQ(Row(model, 2), QStringList({"3", "t1", "V", "11.0000", "Max", ""}));
    EXPECT_EQ(Row(model, 3), QStringList({"4", "t1", "V", "12.0000", "Min", ""}));
    EXPECT_EQ(Row(model, 4), QStringList({"5", "t2", "V", "2.0000", "VDC", ""}));
    EXPECT_EQ(Row(model, 5), QStringList({"6", "t2", "V", "21.0000", "Max", ""}));
}

TEST(DataListModel, RecordsAddedAsRecordingGoesBecomeRowsAtTheEnd)
{
    CMyTalvaDoc doc;
    CDataListModel model;
    model.SetDocument(&doc);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    AddLive(doc, 1.0);
    AddLive(doc, 2.0);
    // Statistics recording: a primary, then its secondaries.
    doc.AddReading(1, QStringLiteral("V"), 1, QStringLiteral("s"), QStringLiteral("Max"), 3.0, 1.0, 10.0f, 2.0f);
    doc.AddReading(1, QStringLiteral("V"), 1, QStringLiteral("s"), QStringLiteral("Min"), 0.5, 1.0, 10.0f, 2.0f);
    AddLive(doc, 4.0);
    doc.AddReading(1, QStringLiteral("V"), 2, QStringLiteral("s"), QStringLiteral("Max"), 5.0, 1.0, 10.0f, 2.0f);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(inserted.count(), 6);
    ASSERT_EQ(model.rowCount(), 6);
    QStringList types;
    for (int r = 0; r < model.rowCount(); ++r)
        types << model.Text(r, CDataListModel::kType) + model.Text(r, CDataListModel::kValue);
    EXPECT_EQ(types, QStringList({"VDC1.0000", "VDC2.0000", "Max3.0000", "Min0.5000", "VDC4.0000", "Max5.0000"}));

    // A secondary of an earlier record lists the document again, in order.
    doc.AddReading(1, QStringLiteral("V"), 0, QStringLiteral("s"), QStringLiteral("Ref"), 7.0, 1.0, 10.0f, 2.0f);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.Text(1, CDataListModel::kType), QStringLiteral("Ref"));
    EXPECT_EQ(model.rowCount(), 7);

    doc.DeleteContents();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(MyTalvaView, PagesAndScrollBarsFollowTheTabs)
{
    CViewOf v;
    v.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    QTabBar* pTabs = v.view.Tabs();
    ASSERT_EQ(pTabs->count(), 3);
    EXPECT_EQ(pTabs->tabText(0) + pTabs->tabText(1) + pTabs->tabText(2), QStringLiteral("GraphData ListSummary"));
    EXPECT_TRUE(v.view.Graph()->isVisible());
    EXPECT_TRUE(v.view.VertBar()->isVisible() && v.view.HorzBar()->isVisible());
    EXPECT_FALSE(v.view.List()->isVisible() || v.view.SummaryEdit()->isVisible());

    QTest::mouseClick(pTabs, Qt::LeftButton, Qt::NoModifier, pTabs->tabRect(1).center());
    EXPECT_TRUE(v.view.List()->isVisible());
    EXPECT_FALSE(v.view.VertBar()->isVisible() || v.view.HorzBar()->isVisible() || v.view.Graph()->isVisible());
    v.view.SelectPage(2);
    EXPECT_TRUE(v.view.SummaryEdit()->isVisible());
    EXPECT_FALSE(v.view.List()->isVisible());
    v.view.SelectPage(7); // changes nothing
    EXPECT_TRUE(v.view.SummaryEdit()->isVisible());
    v.view.SelectPage(0);
    EXPECT_TRUE(v.view.VertBar()->isVisible() && v.view.HorzBar()->isVisible() && v.view.Graph()->isVisible());

    // Every page in the same place, the bars beside and under it.
    v.view.resize(700, 500);
    EXPECT_EQ(v.view.Graph()->geometry(), QRect(30, 60, 640, 420));
    EXPECT_EQ(v.view.List()->geometry(), QRect(30, 60, 640, 420));
    EXPECT_EQ(v.view.SummaryEdit()->geometry(), QRect(30, 60, 640, 420));
    EXPECT_EQ(v.view.VertBar()->geometry(), QRect(12, 60, 19, 420));
    EXPECT_EQ(v.view.HorzBar()->geometry(), QRect(30, 480, 640, 20));
    QHeaderView* pColumns = v.view.List()->horizontalHeader();
    EXPECT_EQ(pColumns->sectionSize(CDataListModel::kTime), 150);
    EXPECT_TRUE(v.view.List()->showGrid());
}

TEST(MyTalvaView, SummaryTextInItsExactForm)
{
    CViewOf empty;
    EXPECT_EQ(empty.view.SummaryText(),
              QStringLiteral("---------------------------Summary---------------------------\r\n\r\nStartTime:  \r\n\r\n"
                             "EndTime: \r\n\r\nMaximum: -60000.0000\r\n\r\nMaxinum Time:  \r\n\r\nMinimum: OL\r\n\r\n"
                             "Minimum Time: \r\n\r\nAverage:0.0000\r\n\r\nDataNumber: 0\r\n\r\nType:\r\n\r\n"));
    CViewOf v;
    AddLive(*v.view.GetDocument(), 2.5);
    AddLive(*v.view.GetDocument(), 500000.0); // an overload: counted, not in the statistics
    AddLive(*v.view.GetDocument(), -1.25);
    EXPECT_EQ(v.view.SummaryText(),
              QStringLiteral("---------------------------Summary---------------------------\r\n\r\nStartTime: t0 \r\n\r\n"
                             "EndTime: t2\r\n\r\nMaximum: 2.5000\r\n\r\nMaxinum Time: t0 \r\n\r\nMinimum: -1.2500\r\n\r\n"
                             "Minimum Time: t2\r\n\r\nAverage:0.6250\r\n\r\nDataNumber: 3\r\n\r\nType:VDC\r\n\r\n"
                             "Unit: V\r\n\r\n"));
    v.view.show();
    v.view.SelectPage(CMyTalvaView::kSummaryPage);
    EXPECT_TRUE(v.view.SummaryEdit()->toPlainText().contains(QStringLiteral("Maximum: 2.5000\n\nMaxinum Time: t0")));
    // The page follows the recording.
    AddLive(*v.view.GetDocument(), 3.0);
    EXPECT_TRUE(v.view.SummaryEdit()->toPlainText().contains(QStringLiteral("DataNumber: 4")));
    EXPECT_TRUE(v.view.IsModified());
}

TEST(MyTalvaView, ACapacitanceRecordingReadsInOneUnitInTheSummaryAndTheGraph)
{
    // The meter ranges from nF through uF to mF: the bare numbers would read "Maximum 499.6000,
    // Minimum 0.5011".
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    const QList<QPair<const char*, double>> readings = {{"nF", 100.0}, {"uF", 47.0}, {"uF", 499.6}, {"mF", 0.5011},
                                                       {"Ω", 3.0}};
    for (const auto& [pszUnit, dValue] : readings) {
        const int n = int(pDoc->m_arrData[0].size());
        pDoc->AddReading(0, QString::fromUtf8(pszUnit), n, QStringLiteral("t%1").arg(n), QStringLiteral("CAP"), dValue,
                         0.0, 5000.0f, float(dValue));
    }
    CViewOf v(CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), nullptr));
    v.view.m_bLive = false;
    v.view.OnInitialUpdate();
    const QString strSummary = v.view.SummaryText();
    EXPECT_TRUE(strSummary.contains(QStringLiteral("Maximum: 501100.0000\r\n\r\nMaxinum Time: t3 "))) << strSummary.toStdString();
    EXPECT_TRUE(strSummary.contains(QStringLiteral("Minimum: 100.0000\r\n\r\nMinimum Time: t0")));
    EXPECT_TRUE(strSummary.contains(QStringLiteral("Average:%1\r\n").arg(QString::asprintf("%.4f", (100.0 + 47000.0 + 499600.0 + 501100.0) / 4))));
    EXPECT_TRUE(strSummary.endsWith(QStringLiteral("Unit: nF\r\n\r\nSkipped: 1 readings of another quantity\r\n\r\n")))
        << strSummary.toStdString();
    // The graph spans the readings in nF, a tenth beyond each end.
    const double dSpan = 501100.0 - 100.0;
    EXPECT_DOUBLE_EQ(v.view.Graph()->YMax(), 501100.0 + dSpan / 10);
    EXPECT_DOUBLE_EQ(v.view.Graph()->YMin(), 100.0 - dSpan / 10);
    // The data list keeps each reading as the meter sent it.
    EXPECT_EQ(v.view.ListModel()->Text(3, CDataListModel::kValue), QStringLiteral("0.5011"));
    EXPECT_EQ(v.view.ListModel()->Text(3, CDataListModel::kUnit), QStringLiteral("mF"));
}

TEST(MyTalvaView, ALoadedDocumentIsListedAndScaledToItsReadings)
{
    CViewOf v(LoadedDoc({1.0, 500000.0, 3.0}));
    v.view.m_bLive = false;
    v.view.OnInitialUpdate();
    EXPECT_FALSE(v.view.IsModified());
    ASSERT_EQ(v.view.ListModel()->rowCount(), 3);
    EXPECT_EQ(v.view.ListModel()->Text(1, CDataListModel::kValue), QStringLiteral("OL"));
    EXPECT_DOUBLE_EQ(v.view.Graph()->YMax(), 3.2);
    EXPECT_DOUBLE_EQ(v.view.Graph()->YMin(), 0.8);
    EXPECT_TRUE(v.view.SummaryEdit()->toPlainText().contains(QStringLiteral("Maximum: 3.0000")));

    CViewOf same(LoadedDoc({2.0, 2.0}));
    same.view.m_bLive = false;
    same.view.OnInitialUpdate();
    EXPECT_DOUBLE_EQ(same.view.Graph()->YMax(), 2.01);
    EXPECT_DOUBLE_EQ(same.view.Graph()->YMin(), 1.99);

    // Nothing in the statistics: the graph keeps its own range.
    CViewOf overloads(LoadedDoc({500000.0}));
    overloads.view.m_bLive = false;
    overloads.view.OnInitialUpdate();
    EXPECT_EQ(overloads.view.Graph()->YMax(), 500.0);
}

TEST(MyTalvaView, ImportedLoggerRecordsAreLimitedToTheirRange)
{
    CViewOf v;
    QList<CObData*> records = {Record(1.0, 0, QStringLiteral("VDC"), 6.0f), Record(6.5, 1, QStringLiteral("VDC"), 6.0f),
                               Record(500000.0, 2, QStringLiteral("VDC"), 6.0f)};
    v.view.ImportLoggerRecords(records);
    EXPECT_TRUE(records.isEmpty());
    EXPECT_EQ(v.view.Title(), QStringLiteral("DataLogger"));
    EXPECT_FALSE(v.view.m_bLive);
    EXPECT_FALSE(v.view.GetDocument()->m_bLive);
    EXPECT_EQ(v.view.ListModel()->Text(2, CDataListModel::kValue), QStringLiteral("OL"));
    EXPECT_EQ(v.view.Graph()->YMax(), 6.0);
    EXPECT_EQ(v.view.Graph()->YMin(), 1.0);
    EXPECT_EQ(v.view.GetDocument()->m_dMax, 6.5); // the statistics stay what was measured
    EXPECT_TRUE(v.view.SummaryEdit()->toPlainText().contains(QStringLiteral("Maximum: 6.5000")));
}

TEST(MyTalvaView, ScrollBarsMapTheGraphWindow)
{
    CViewOf v;
    v.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.view));
    CGraphDlg& graph = *v.view.Graph();
    ASSERT_TRUE(graph.SetYRange(100.0, -100.0));
    // The whole range is visible: nothing to scroll.
    EXPECT_EQ(v.view.VertBar()->maximum(), 0);
    // Zoom the value axis to about a quarter.
    graph.OnGraphCommand(GraphCommand::kYBig);
    const int x = CGraphDlg::kLeftMargin + 50;
    const int y0 = CGraphDlg::kTopMargin + graph.PlotHeight() * 3 / 8;
    const int y1 = CGraphDlg::kTopMargin + graph.PlotHeight() * 5 / 8;
    QTest::mousePress(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, y0));
    QTest::mouseMove(&graph, QPoint(x, y1));
    QTest::mouseRelease(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, y1));
    const int V = int(graph.PlotHeight() * graph.YScale());
    EXPECT_GT(V, 40);
    EXPECT_LT(V, 60);
    EXPECT_EQ(v.view.VertBar()->maximum(), int(graph.YMax() - V - graph.YMin()));
    EXPECT_EQ(v.view.VertBar()->value(), int(graph.YMax() - V - graph.YOrigin()));

    // Down the bar: lower values.
    const double dOrigin = graph.YOrigin();
    v.view.VertBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_DOUBLE_EQ(graph.YOrigin(), graph.YMax() - V - v.view.VertBar()->value());
    EXPECT_LT(graph.YOrigin(), dOrigin);
    v.view.VertBar()->setValue(v.view.VertBar()->maximum());
    EXPECT_DOUBLE_EQ(graph.YOrigin(), graph.YMin());

    // The points pass the x axis' end: the horizontal bar follows the graph's x range.
    for (int i = 0; i < 100; ++i)
        AddLive(*v.view.GetDocument(), i % 7);
    graph.repaint();
    QCoreApplication::processEvents();
    const int Hs = int(graph.PlotWidth() * graph.XScale());
    EXPECT_EQ(v.view.HorzBar()->maximum(), std::max(0, int(graph.XMax() - Hs)));
    graph.OnGraphCommand(GraphCommand::kXBig);
    QTest::mousePress(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(CGraphDlg::kLeftMargin + 10, 200));
    QTest::mouseMove(&graph, QPoint(CGraphDlg::kLeftMargin + 60, 200));
    QTest::mouseRelease(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(CGraphDlg::kLeftMargin + 60, 200));
    ASSERT_GT(v.view.HorzBar()->maximum(), 0);
    v.view.HorzBar()->setValue(5);
    EXPECT_EQ(graph.XOrigin(), 5.0);
}

TEST(MyTalvaView, ToolCommandsAndSettingGoToTheGraph)
{
    CViewOf v;
    v.view.OnGraphCommand(GraphCommand::kMove);
    EXPECT_EQ(v.view.Graph()->CurrentTool(), CGraphDlg::kToolMove);
    v.view.OnGraphCommand(GraphCommand::kShowNumber);
    EXPECT_EQ(v.view.Graph()->CurrentTool(), CGraphDlg::kToolShowNumber);
    EXPECT_EQ(v.view.Graph()->Panel(), static_cast<QWidget*>(v.view.PointPanel()));
    bool bOpened = false;
    QTimer::singleShot(0, [&bOpened] {
        bOpened = QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
        if (bOpened)
            QApplication::activeModalWidget()->close();
    });
    v.view.OnGraphCommand(GraphCommand::kSetting);
    EXPECT_TRUE(bOpened); // the settings dialog ran
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
