// The logger download from the main window against meter-sim through the real
// transport (offscreen): Data&Logger → Download Multimeter Logger, the wait
// dialog's bars, the "Logger List" page and the "DataLogger" view.
//
// With MULTIMETER_SCREENSHOT_DIR set, the first test saves a picture of the
// window with the list and the view there.
#include "app/CDocManager.h"
#include "app/CLoggerCommands.h"
#include "app/CMainFrame.h"
#include "app/CWaitDlg.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CDataListModel.h"
#include "document/ui/CMyTalvaView.h"
#include "e2e/CSimProcess.h"
#include "graph/CGraphDlg.h"
#include "logger/CLoggerDownload.h"
#include "logger/ui/CLoggerList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Outcome = CLoggerDownload::Outcome;

QJsonObject Recording(int nAddress, int nFunction, QJsonArray start, int nInterval, int nCount, double dValue,
                      double dStep, int nBlockSize)
{
    return QJsonObject{{"address", nAddress}, {"function", nFunction}, {"start", start}, {"interval", nInterval},
                       {"count", nCount},     {"value", dValue},       {"valueStep", dStep},
                       {"blockSize", nBlockSize}};
}

// Capacitance, resistance and frequency recordings at addresses 1, 2, 3.
QJsonArray ThreeRecordings(int nIgnoreSecond = 0)
{
    QJsonObject second = Recording(2, 4, {25, 3, 14, 10, 0, 0}, 10, 30, 50.0, 3000.0, 10);
    second.insert("ignoreRequests", nIgnoreSecond);
    return {Recording(1, 5, {25, 3, 14, 9, 30, 0}, 2, 40, 100.0, 30000.0, 10), second,
            Recording(3, 16, {25, 12, 31, 23, 59, 0}, 1, 20, 20.0, 4100.0, 10)};
}

// Answers every message box at once and keeps its text: nothing a test does can hang on one.
class CBoxWatcher
{
public:
    CBoxWatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                m_texts << pBox->text();
                pBox->accept();
            }
        });
        m_timer.start(20);
    }
    QStringList m_texts;

private:
    QTimer m_timer;
};

class LoggerGui : public ::testing::Test
{
protected:
    void Start(const QJsonObject& logger)
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
        const QString strScenario = m_dir.filePath("logger.json");
        QFile file(strScenario);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"logger", logger}}).toJson());
        file.close();
        m_pSim = std::make_unique<CSimProcess>(QStringList{"--scenario", strScenario});
        ASSERT_FALSE(m_pSim->Port().isEmpty());
        m_pFrame = std::make_unique<CMainFrame>();
        m_pFrame->resize(1200, 800);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
        // Requests reach the meter once its notifications are on.
        QSignalSpy connected(&m_pFrame->Link(), &CMeterLink::Connected);
        m_pFrame->AutoConnect(m_pSim->Port());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !connected.isEmpty(); }, 20000));
    }
    void TearDown() override
    {
        if (m_pFrame)
            for (CMyTalvaView* pView : m_pFrame->DocManager().Views())
                pView->SetModified(false);
        m_pFrame.reset();
    }
    CLoggerCommands& Logger() { return m_pFrame->Logger(); }
    CLoggerList& List() { return *Logger().List(); }

    void DoubleClickRow(int nRow)
    {
        QTableWidget* pTable = List().List();
        const QRect rc = pTable->visualRect(pTable->model()->index(nRow, 1));
        QTest::mouseClick(pTable->viewport(), Qt::LeftButton, {}, rc.center());
        QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, {}, rc.center());
    }
    QStringList Addresses()
    {
        QStringList addresses;
        for (int r = 0; r < List().RowCount(); ++r)
            addresses << List().List()->item(r, CLoggerList::kAddress)->text();
        return addresses;
    }

    QTemporaryDir m_dir;
    CBoxWatcher m_boxes;
    std::unique_ptr<CSimProcess> m_pSim;
    std::unique_ptr<CMainFrame> m_pFrame;
};

} // namespace

TEST_F(LoggerGui, DownloadListsTheRecordingsAndADoubleClickShowsOne)
{
    ASSERT_NO_FATAL_FAILURE(Start(QJsonObject{{"recordings", ThreeRecordings()}}));
    CWaitDlg* pWait = m_pFrame->WaitDlg();
    QAction* pAction = Logger().DownloadAction();
    EXPECT_EQ(pAction->text(), "Download Multimeter Logger");
    EXPECT_TRUE(m_pFrame->Menu(CMainFrame::MenuId::DataLogger)->actions().contains(pAction));
    EXPECT_EQ(m_pFrame->Pages()->tabText(1), "Logger List");

    // The bars as they move: the overall bar counts recordings, the block bar each recording's blocks.
    QList<int> overall, blockMaxima;
    QObject::connect(pWait->OverallBar(), &QProgressBar::valueChanged, [&](int n) { overall << n; });
    QObject::connect(pWait->BlockBar(), &QProgressBar::valueChanged,
                     [&](int) { blockMaxima << pWait->BlockBar()->maximum(); });
    QSignalSpy finished(&Logger().Download(), &CLoggerDownload::DownloadFinished);
    bool bWaitShown = false;
    int nTicks = 0; // the window keeps running its event loop all along
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++nTicks; });
    ticker.start(100);
    pAction->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        bWaitShown |= pWait->isVisible();
        return !finished.isEmpty();
    }, 60000));
    ASSERT_EQ(finished[0][0].value<Outcome>(), Outcome::Complete) << qPrintable(m_boxes.m_texts.join('\n'));
    EXPECT_TRUE(m_boxes.m_texts.isEmpty()) << qPrintable(m_boxes.m_texts.join('\n'));
    EXPECT_TRUE(bWaitShown);
    EXPECT_FALSE(pWait->isVisible());
    EXPECT_GE(nTicks, 10); // three pauses of 500 ms at least, and no freeze in them
    EXPECT_EQ(pWait->OverallBar()->maximum(), 3);
    EXPECT_EQ(pWait->OverallBar()->value(), 3);
    EXPECT_TRUE(overall.contains(1) && overall.contains(2)) << overall.size();
    EXPECT_TRUE(blockMaxima.contains(4) && blockMaxima.contains(3) && blockMaxima.contains(2));
    EXPECT_EQ(pWait->BlockBar()->value(), pWait->BlockBar()->maximum());

    // The list, in the order fetched, and shown.
    EXPECT_EQ(m_pFrame->Pages()->currentWidget(), &List());
    ASSERT_EQ(Addresses(), QStringList({"3", "2", "1"}));
    EXPECT_EQ(List().List()->item(1, 0)->text(), "RES");
    EXPECT_EQ(List().List()->item(1, 1)->text(), "14-03-2025, 10 00 00");
    EXPECT_EQ(List().List()->item(1, 2)->text(), "30");
    EXPECT_EQ(List().List()->item(1, 3)->text(), "10");

    // A double-click: the recording in "DataLogger", renumbered from 0, times and units as downloaded.
    CDocManager& docs = m_pFrame->DocManager();
    DoubleClickRow(1);
    CMyTalvaView* pView = Logger().LoggerView();
    ASSERT_NE(pView, nullptr);
    EXPECT_EQ(pView->Title(), "DataLogger");
    EXPECT_EQ(docs.Views().size(), 1);
    const QList<CObData> downloaded = Logger().Download().RecordsOf(2);
    ASSERT_EQ(downloaded.size(), 30);
    auto checkShows = [&](CMyTalvaView* pShown, const QList<CObData>& expected) {
        const CRecordArray& records = pShown->GetDocument()->m_arrData[0];
        ASSERT_EQ(records.size(), expected.size());
        EXPECT_EQ(pShown->ListModel()->rowCount(), expected.size());
        EXPECT_EQ(pShown->GetDocument()->m_nCount, expected.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i]->m_nIndex, i);
            EXPECT_EQ(records[i]->m_strTime, expected[i].m_strTime);
            EXPECT_EQ(records[i]->m_strUnit, expected[i].m_strUnit);
            EXPECT_EQ(records[i]->m_dValue, expected[i].m_dValue);
        }
    };
    checkShows(pView, downloaded);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pView->Graph()->XMax() >= 29.0; }, 5000)); // the x axis grew to 30
    if (!qEnvironmentVariableIsEmpty("MULTIMETER_SCREENSHOT_DIR")) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(m_pFrame->grab().save(QDir(qEnvironmentVariable("MULTIMETER_SCREENSHOT_DIR")).filePath("logger-list.png")));
    }

    // Again: the same view, refilled, not appended; then another recording in it.
    DoubleClickRow(1);
    EXPECT_EQ(Logger().LoggerView(), pView);
    EXPECT_EQ(docs.Views().size(), 1);
    checkShows(pView, downloaded);
    DoubleClickRow(0);
    EXPECT_EQ(Logger().LoggerView(), pView);
    checkShows(pView, Logger().Download().RecordsOf(3));
    EXPECT_EQ(pView->GetDocument()->m_arrData[0].Record(0)->m_strUnit, "HZ");
    // The x axis started over for the 20 samples instead of keeping the 30 of before.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pView->Graph()->XMax() == CGraphDlg::kInitialXMax; }, 5000))
        << pView->Graph()->XMax();

    // A row whose address does not convert changes nothing.
    List().List()->item(2, CLoggerList::kAddress)->setText("one");
    DoubleClickRow(2);
    checkShows(pView, Logger().Download().RecordsOf(3));
    List().List()->item(2, CLoggerList::kAddress)->setText("1");

    // Closed: the next double-click opens a new one.
    pView->SetModified(false);
    ASSERT_TRUE(docs.CloseView(pView));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logger().LoggerView() == nullptr && docs.Views().isEmpty(); }, 5000));
    DoubleClickRow(2);
    ASSERT_NE(Logger().LoggerView(), nullptr);
    EXPECT_EQ(docs.Views().size(), 1);
    checkShows(Logger().LoggerView(), Logger().Download().RecordsOf(1));
}

TEST_F(LoggerGui, SpentRetriesEndTheDownloadWithAMessageAndKeepTheFirstRecording)
{
    ASSERT_NO_FATAL_FAILURE(Start(QJsonObject{{"recordings", ThreeRecordings(6)}}));
    Logger().Download().SetTimings({100, 50, 20000});
    QSignalSpy finished(&Logger().Download(), &CLoggerDownload::DownloadFinished);
    Logger().DownloadAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty() && !m_boxes.m_texts.isEmpty(); }, 60000));
    EXPECT_EQ(finished[0][0].value<Outcome>(), Outcome::RetriesSpent);
    ASSERT_EQ(m_boxes.m_texts.size(), 1);
    EXPECT_TRUE(m_boxes.m_texts[0].contains("address 2")) << qPrintable(m_boxes.m_texts[0]);
    EXPECT_TRUE(m_boxes.m_texts[0].contains("1 of 3 recordings")) << qPrintable(m_boxes.m_texts[0]);
    EXPECT_FALSE(m_pFrame->WaitDlg()->isVisible());
    ASSERT_EQ(Addresses(), QStringList({"3"}));
    DoubleClickRow(0);
    ASSERT_NE(Logger().LoggerView(), nullptr);
    EXPECT_EQ(Logger().LoggerView()->GetDocument()->m_arrData[0].size(), 20);
    // A new download may start: the list empties first. Cancel in the wait dialog ends it quietly.
    QSignalSpy started(&Logger().Download(), &CLoggerDownload::DownloadStarted);
    Logger().DownloadAction()->trigger();
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(List().RowCount(), 0);
    CWaitDlg* pWait = m_pFrame->WaitDlg();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pWait->isVisible(); }, 10000));
    pWait->CancelButton()->click();
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(finished[1][0].value<Outcome>(), Outcome::Cancelled);
    EXPECT_FALSE(pWait->isVisible());
    EXPECT_FALSE(Logger().Download().IsDownloading());
    EXPECT_EQ(m_boxes.m_texts.size(), 1); // a message would have been shown inside the click
}

TEST_F(LoggerGui, UndatedRecordingSentUnaskedOpensTheViewAfterTheDateMessage)
{
    QJsonObject undated = Recording(4, 2, {25, 3, 0, 9, 30, 0}, 5, 6, 1.5, 0.25, 10);
    ASSERT_NO_FATAL_FAILURE(Start(QJsonObject{{"recordings", QJsonArray{undated}},
                                              {"push", QJsonObject{{"address", 4}, {"atMs", 300}}}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logger().LoggerView() != nullptr; }, 20000));
    ASSERT_EQ(m_boxes.m_texts, QStringList({CLoggerDownload::InvalidDateText()})); // one block, one message
    CMyTalvaView* pView = Logger().LoggerView();
    EXPECT_EQ(pView->Title(), "DataLogger");
    const CRecordArray& records = pView->GetDocument()->m_arrData[0];
    ASSERT_EQ(records.size(), 6);
    EXPECT_EQ(records[0]->m_strTime, "10/9/2010 10:10:10");
    EXPECT_EQ(records[1]->m_strTime, "10/9/2010 10:10:15");
    EXPECT_EQ(records[5]->m_nIndex, 5);
    EXPECT_EQ(records[2]->m_strUnit, "VDC");
    EXPECT_DOUBLE_EQ(records[2]->m_dValue, 2.0);
    EXPECT_TRUE(List().RowCount() == 0); // not a download: the list is left alone
}

TEST_F(LoggerGui, ClosingTheWindowDuringADownloadEndsQuietly)
{
    ASSERT_NO_FATAL_FAILURE(Start(QJsonObject{{"recordings", ThreeRecordings()}}));
    QSignalSpy blocks(&Logger().Download(), &CLoggerDownload::BlockProgress);
    Logger().DownloadAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !blocks.isEmpty(); }, 20000));
    EXPECT_TRUE(m_pFrame->WaitDlg()->isVisible());
    ASSERT_TRUE(m_pFrame->close());
    m_pFrame.reset();
    EXPECT_TRUE(m_boxes.m_texts.isEmpty()) << qPrintable(m_boxes.m_texts.join('\n'));
}
