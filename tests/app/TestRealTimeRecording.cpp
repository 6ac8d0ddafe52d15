#include "CAppTestHelpers.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"
#include "protocol/CMeterProtocol.h"
#include "protocol/CRecordingRules.h"
#include "sim/CSimFrameEncoder.h"

#include <QAction>
#include <QSignalSpy>
#include <QStatusBar>

#include <thread>

using namespace AppTest;

namespace {

// A main window with the meter online and a recording started.
struct CRecordingWindow
{
    CMainFrame frame;
    CRealTimeRecording& recording = frame.Recording();
    CDocManager& docs = frame.DocManager();

    CRecordingWindow()
    {
        MakeOnline(frame);
        recording.OnStart();
    }
};

QList<CMyTalvaView*> LiveViews(CDocManager& docs)
{
    QList<CMyTalvaView*> views;
    for (CMyTalvaView* pView : docs.Views()) {
        if (pView->m_bLive)
            views << pView;
    }
    return views;
}

} // namespace

TEST(RealTimeRecording, StartNeedsTheMeterOnlineAndStopEndsIt)
{
    CMainFrame frame;
    CRealTimeRecording& recording = frame.Recording();
    CDocManager& docs = frame.DocManager();
    EXPECT_TRUE(recording.StartAction()->isEnabled());
    EXPECT_FALSE(recording.StopAction()->isEnabled());
    QSignalSpy refused(&recording, &CRealTimeRecording::StartRefused);
    recording.StartAction()->trigger();
    EXPECT_TRUE(docs.Views().isEmpty());
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(frame.statusBar()->currentMessage().startsWith(QStringLiteral("No meter is online")));

    MakeOnline(frame);
    recording.StartAction()->trigger();
    ASSERT_EQ(docs.Views().size(), 1);
    CMyTalvaView* pView = docs.Views()[0];
    EXPECT_EQ(pView->Title(), QStringLiteral("New File1"));
    EXPECT_TRUE(recording.IsRecording());
    EXPECT_FALSE(recording.StartAction()->isEnabled());
    EXPECT_TRUE(recording.StopAction()->isEnabled());

    recording.OnReading(Reading("VDC", 1.5f));
    recording.OnReading(Reading("VDC", 12.0f));
    recording.OnReading(Reading("VDC", -12.0f));
    recording.OnReading(Reading("VDC", 10.0f));
    const CDataListModel& list = *pView->ListModel();
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.Text(0, CDataListModel::kValue), QStringLiteral("1.5000"));
    EXPECT_EQ(list.Text(1, CDataListModel::kValue), QStringLiteral("OL"));
    EXPECT_EQ(pView->GetDocument()->m_arrData[0].Record(1)->m_dValue, 500000.0);
    EXPECT_EQ(list.Text(2, CDataListModel::kValue), QStringLiteral("OL"));
    EXPECT_EQ(pView->GetDocument()->m_arrData[0].Record(2)->m_dValue, -500000.0);
    EXPECT_EQ(list.Text(3, CDataListModel::kValue), QStringLiteral("10.0000"));
    EXPECT_EQ(list.Text(3, CDataListModel::kId), QStringLiteral("4"));
    // Automatic limits from three decimals of a DC function.
    EXPECT_EQ(pView->Graph()->YMax(), 50.0);
    EXPECT_EQ(pView->Graph()->YMin(), -50.0);
    EXPECT_EQ(pView->GetDocument()->m_dMax, 1.5); // the statistics are the readings'

    recording.StopAction()->trigger();
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_FALSE(pView->m_bLive);
    EXPECT_FALSE(pView->GetDocument()->m_bLive);
    recording.OnReading(Reading("VDC", 2.0f));
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_TRUE(recording.StartAction()->isEnabled());
}

TEST(RealTimeRecording, ANewFunctionStartsTheNextDocumentWithItsReading)
{
    CRecordingWindow w;
    CRealTimeRecording& recording = w.recording;
    CDocManager& docs = w.docs;
    recording.OnReading(Reading("VDC", 1.0f));
    recording.OnReading(Reading("VDC", 2.0f));
    recording.OnReading(Reading("VAC", 230.0f, 600.0f));
    ASSERT_EQ(docs.Views().size(), 2);
    CMyTalvaView* pDc = docs.Views()[0];
    CMyTalvaView* pAc = docs.Views()[1];
    EXPECT_EQ(pDc->GetDocument()->m_arrData[0].size(), 2);
    EXPECT_FALSE(pDc->m_bLive);
    EXPECT_EQ(LiveViews(docs), QList<CMyTalvaView*>({pAc}));
    EXPECT_EQ(pAc->Title(), QStringLiteral("New File2"));
    ASSERT_EQ(pAc->GetDocument()->m_arrData[0].size(), 1);
    EXPECT_EQ(pAc->GetDocument()->m_arrData[0].Record(0)->m_strType, QStringLiteral("VAC"));
    EXPECT_EQ(pAc->GetDocument()->m_arrData[0].Record(0)->m_dValue, 230.0);
    EXPECT_EQ(pAc->Graph()->YMax(), 50.0);
    EXPECT_EQ(pAc->Graph()->YMin(), 0.0);
    EXPECT_TRUE(recording.IsRecording());

    // Closing the live window stops the recording first.
    pAc->SetModified(false);
    ASSERT_TRUE(docs.CloseView(pAc));
    EXPECT_FALSE(recording.IsRecording());
}

TEST(RealTimeRecording, TheReadingAfterTheLimitStopsTheRecording)
{
    CRecordingWindow w;
    CRealTimeRecording& recording = w.recording;
    CMyTalvaView* pView = w.docs.Views()[0];
    for (int i = 0; i < CRecordingRules::kMaxLiveRecords; ++i)
        recording.OnReading(Reading("VDC", float(i % 40)));
    EXPECT_TRUE(recording.IsRecording());
    recording.OnReading(Reading("VDC", 1.0f));
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_EQ(pView->GetDocument()->m_arrData[0].size(), CRecordingRules::kMaxLiveRecords);
    EXPECT_EQ(pView->ListModel()->rowCount(), CRecordingRules::kMaxLiveRecords);
    EXPECT_EQ(w.docs.Views().size(), 1);
}

TEST(RealTimeRecording, StatisticsReadingsOpenOneStatisticsView)
{
    CRecordingWindow w;
    CRealTimeRecording& recording = w.recording;
    CDocManager& docs = w.docs;
    recording.OnReading(Reading("VDC", 1.0f));

    CDecodedReading first = StatisticsReading(2, -12.0f);
    first.reading.m_fSub1 = 3.0f;
    first.reading.m_fSub2 = -12.0f;
    recording.OnReading(first);
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_TRUE(LiveViews(docs).isEmpty());
    ASSERT_EQ(docs.Views().size(), 2);
    CMyTalvaView* pStats = docs.Views()[1];
    EXPECT_TRUE(pStats->m_bAuxView);
    EXPECT_FALSE(pStats->m_bLive);
    ASSERT_EQ(pStats->GetDocument()->m_arrData[0].size(), 1); // recorded there once
    EXPECT_EQ(pStats->GetDocument()->m_arrData[0].Record(0)->m_dValue, -12.0);
    EXPECT_EQ(pStats->ListModel()->rowCount(), 4);
    EXPECT_EQ(pStats->ListModel()->Text(1, CDataListModel::kType), QStringLiteral("Max"));

    CDecodedReading crest = StatisticsReading(5, 2.0f);
    crest.reading.m_fSub1 = 3.0f;
    crest.reading.m_fSub2 = -3.0f;
    recording.OnReading(crest);
    EXPECT_EQ(docs.Views().size(), 2);
    EXPECT_EQ(pStats->ListModel()->rowCount(), 6);
    EXPECT_EQ(pStats->ListModel()->Text(5, CDataListModel::kValue), QStringLiteral("1.5000"));
    EXPECT_EQ(pStats->ListModel()->Text(5, CDataListModel::kType), QStringLiteral("Crest Factor"));
    // Statistics rows are numbers, whatever their value.
    recording.OnReading(StatisticsReading(1, 12.0f));
    EXPECT_EQ(pStats->ListModel()->Text(6, CDataListModel::kValue), QStringLiteral("500000.0000"));
    EXPECT_TRUE(recording.StartAction()->isEnabled());
}

TEST(RealTimeRecording, ReadingsDecodedOnTheLinkThreadArriveInOrder)
{
    CRecordingWindow w;
    CMainFrame& frame = w.frame;
    CMyTalvaView* pView = w.docs.Views()[0];
    constexpr int kReadings = 200;
    std::thread link([&frame] {
        for (int i = 0; i < kReadings; ++i)
            emit frame.Protocol().ReadingDecoded(Reading("VDC", float(i) / 10, 100.0f));
    });
    link.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pView->ListModel()->rowCount() == kReadings; }, 10000));
    for (int i = 0; i < kReadings; ++i)
        ASSERT_EQ(pView->GetDocument()->m_arrData[0].Record(i)->m_dValue, double(float(i) / 10)) << i;
}

TEST(RealTimeRecording, AFrequencyFrameOfSeries8NeverOpensAStatisticsDocument)
{
    CMainFrame frame;
    CDocManager& docs = frame.DocManager();
    QSignalSpy decoded(&frame.Protocol(), &CMeterProtocol::ReadingDecoded);
    const auto receive = [&](const QByteArray& strHex) {
        frame.Protocol().AppendMeterHex(strHex);
        frame.Protocol().OnMeterData();
        QCoreApplication::processEvents();
    };
    CSimReading frequency;
    frequency.m_nLayout = 7;
    frequency.m_nStatus = CSimReading::kFlagD;
    frequency.m_fValue = 1000.0f;
    frequency.m_fAux4 = 0.375f;
    frequency.m_clock = CSimClock { 26, 3, 14, 9, 30, 0 };
    const QByteArray marker = "f8f8f8f8";

    // The meter enters its statistics mode: the series marker, then a series-9 frame.
    CSimReading statistics = frequency;
    statistics.m_nSeries = 9;
    receive(marker + CSimFrameEncoder::Encode(statistics).toHex());
    ASSERT_EQ(decoded.count(), 1);
    ASSERT_TRUE(frame.Protocol().IsSeries9());
    ASSERT_EQ(docs.Views().size(), 1);
    CMyTalvaView* pStatistics = docs.Views()[0];
    EXPECT_TRUE(pStatistics->m_bAuxView);
    const qsizetype nRecords = pStatistics->GetDocument()->m_arrData[0].size();
    pStatistics->SetModified(false); // closed without a question
    ASSERT_TRUE(docs.CloseView(pStatistics));
    ASSERT_TRUE(docs.Views().isEmpty());

    // Series-8 frequency frames behind another marker leave the series flag set: still they
    // are plain readings, which nobody started to record.
    for (int i = 0; i < 19; ++i)
        receive(marker + CSimFrameEncoder::Encode(frequency).toHex());
    ASSERT_EQ(decoded.count(), 20);
    EXPECT_TRUE(frame.Protocol().IsSeries9());
    EXPECT_TRUE(decoded.last().at(0).value<CDecodedReading>().bSeries8Frame);
    EXPECT_TRUE(docs.Views().isEmpty()) << "a document of " << docs.Views().value(0)->GetDocument()->m_arrData[0].size()
                                        << " frequency readings opened";
    EXPECT_FALSE(frame.Recording().IsRecording());
    EXPECT_GT(nRecords, 0);
}
