// The main window recording from meter-sim through the real transport, under a virtual X
// server: connect, Start, readings in the list, the graph and the summary, Stop, Save,
// reopen; and a program killed while recording, whose readings the next start restores.
//
// With MULTIMETER_SCREENSHOT_DIR set, the recording test saves a picture of each tab there.
#include "CSimProcess.h"
#include "app/CAutoRecovery.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "document/CMyTalvaDoc.h"
#include "document/CRecoveryStore.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr int kRate = 20; //!< readings a second from the simulator

// The window's whole list, row by row.
QStringList ListRows(const CMyTalvaView& view)
{
    const CDataListModel& model = *view.ListModel();
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < CDataListModel::kColumnCount; ++c)
            cells << model.Text(r, c);
        rows << cells.join(QLatin1Char('\t'));
    }
    return rows;
}

void SaveShot(QWidget& window, const QString& strName)
{
    const QString strDir = qEnvironmentVariable("MULTIMETER_SCREENSHOT_DIR");
    if (strDir.isEmpty())
        return;
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.grab().save(QDir(strDir).filePath(strName)));
}

// Pixels of the trend line's colour in the plot.
int LinePixels(CGraphDlg& graph)
{
    const QImage image = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb line = graph.Colors().m_lineColor.rgb();
    int nCount = 0;
    for (int y = CGraphDlg::kTopMargin; y < CGraphDlg::kTopMargin + graph.PlotHeight(); ++y)
        for (int x = CGraphDlg::kLeftMargin; x < CGraphDlg::kLeftMargin + graph.PlotWidth(); ++x)
            nCount += image.pixel(x, y) == line;
    return nCount;
}

bool WaitOnline(CMainFrame& frame, const QString& strPort)
{
    frame.AutoConnect(strPort);
    return QTest::qWaitFor([&] { return frame.Link().IsMeterOnline(); }, 20000);
}

// The recovery copies of one program's data folder.
QStringList RecoveryCopies()
{
    QStringList copies;
    QDirIterator it(CAutoRecovery::DefaultRoot(), {QStringLiteral("*.mLog")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        copies << it.next();
    return copies;
}

} // namespace

TEST(ViewsE2E, RecordFiftyReadingsSaveAndReopen)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    CSimProcess sim({QStringLiteral("--rate"), QString::number(kRate)});
    ASSERT_FALSE(sim.Port().isEmpty());
    CMainFrame frame;
    frame.resize(1280, 900);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_TRUE(WaitOnline(frame, sim.Port()));

    CDocManager& docs = frame.DocManager();
    frame.Recording().StartAction()->trigger();
    ASSERT_EQ(docs.Views().size(), 1);
    CMyTalvaView* pView = docs.Views()[0];
    ASSERT_TRUE(QTest::qWaitFor([&] { return pView->ListModel()->rowCount() >= 50; }, 30000));
    frame.Recording().StopAction()->trigger();
    const int nRows = pView->ListModel()->rowCount();
    QTest::qWait(500); // readings still arriving are not recorded
    ASSERT_EQ(pView->ListModel()->rowCount(), nRows);
    EXPECT_GE(nRows, 50);
    EXPECT_EQ(pView->GetDocument()->m_nCount, nRows);

    // The graph: every reading within its x range, the line drawn, the meter's limits for
    // four decimals of a DC function.
    CGraphDlg& graph = *pView->Graph();
    graph.repaint();
    EXPECT_GE(graph.XMax(), nRows - 1);
    EXPECT_GT(LinePixels(graph), 50);
    EXPECT_EQ(graph.YMax(), 5.0);
    EXPECT_EQ(graph.YMin(), -5.0);
    SaveShot(frame, QStringLiteral("recording-graph.png"));
    pView->SelectPage(CMyTalvaView::kListPage);
    EXPECT_TRUE(pView->List()->isVisible());
    SaveShot(frame, QStringLiteral("recording-list.png"));
    pView->SelectPage(CMyTalvaView::kSummaryPage);
    const QString strSummary = pView->SummaryText();
    EXPECT_TRUE(strSummary.contains(QStringLiteral("DataNumber: %1\r\n").arg(nRows))) << qPrintable(strSummary);
    EXPECT_TRUE(pView->SummaryEdit()->toPlainText().contains(QStringLiteral("DataNumber: %1\n").arg(nRows)));
    SaveShot(frame, QStringLiteral("recording-summary.png"));

    const QStringList rows = ListRows(*pView);
    const double dXMax = graph.XMax();
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("fifty.mLog"));
    docs.m_fnSaveFileName = [strPath](const QString&) { return strPath; };
    ASSERT_TRUE(docs.OnFileSave());
    ASSERT_TRUE(docs.CloseView(pView));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(docs.Views().isEmpty());

    CMyTalvaView* pReopened = docs.OpenDocumentFile(strPath);
    ASSERT_NE(pReopened, nullptr);
    EXPECT_EQ(ListRows(*pReopened), rows);
    EXPECT_EQ(pReopened->SummaryText(), strSummary);
    CGraphDlg& reopened = *pReopened->Graph();
    reopened.repaint();
    EXPECT_EQ(reopened.XMax(), dXMax);
    // The loaded graph spans the readings with a tenth to spare.
    const CMyTalvaDoc& doc = *pReopened->GetDocument();
    const double d = std::max((doc.m_dMax - doc.m_dMin) / 10, 0.01);
    EXPECT_DOUBLE_EQ(reopened.YMax(), doc.m_dMax + d);
    EXPECT_DOUBLE_EQ(reopened.YMin(), doc.m_dMin - d);
    EXPECT_GT(LinePixels(reopened), 50);
    frame.close();
}

// Run by the test below as a separate process: records from the simulator until killed,
// printing the number of readings recorded as it goes.
TEST(ViewsE2E, ChildRecordsUntilKilled)
{
    const QString strPort = qEnvironmentVariable("MULTIMETER_TEST_CHILD_PORT");
    if (strPort.isEmpty())
        GTEST_SKIP() << "started by RecoveryAfterSigkill only";
    qputenv("XDG_DATA_HOME", qgetenv("MULTIMETER_TEST_CHILD_DATA"));
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(WaitOnline(frame, strPort));
    frame.Recording().OnStart();
    ASSERT_EQ(frame.DocManager().Views().size(), 1);
    CMyTalvaDoc* pDoc = frame.DocManager().Views()[0]->GetDocument();
    QObject::connect(pDoc, &CMyTalvaDoc::RecordAdded, [pDoc] {
        std::printf("%lld\n", qlonglong(pDoc->m_arrData[0].size()));
        std::fflush(stdout);
    });
    for (;;)
        QTest::qWait(1000);
}

TEST(ViewsE2E, RecoveryAfterSigkill)
{
    CSimProcess sim({QStringLiteral("--rate"), QString::number(kRate)});
    ASSERT_FALSE(sim.Port().isEmpty());
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MULTIMETER_TEST_CHILD_PORT"), sim.Port());
    env.insert(QStringLiteral("MULTIMETER_TEST_CHILD_DATA"), QString::fromLocal8Bit(dataHome));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ViewsE2E.ChildRecordsUntilKilled")});
    ASSERT_TRUE(child.waitForStarted());

    // Wait until the child has written a copy holding a good number of readings.
    qint64 nInCopy = 0;
    const bool bCopied = QTest::qWaitFor(
        [&] {
            for (const QString& strCopy : RecoveryCopies()) {
                if (auto pDoc = CMyTalvaDoc::LoadFile(strCopy, nullptr))
                    nInCopy = pDoc->m_arrData[0].size();
            }
            return nInCopy >= 3 * kRate;
        },
        60000);
    QByteArray output = child.readAllStandardOutput();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    output += child.readAllStandardOutput();
    ASSERT_TRUE(bCopied) << output.right(400).constData();
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    const QList<QByteArray> counts = output.trimmed().split('\n');
    const qint64 nRecorded = counts.isEmpty() ? 0 : counts.last().toLongLong();

    // The copy on disk is whole and holds everything up to its last write.
    const QStringList copies = RecoveryCopies();
    ASSERT_EQ(copies.size(), 1);
    QString strError;
    auto pCopy = CMyTalvaDoc::LoadFile(copies[0], &strError);
    ASSERT_TRUE(pCopy) << qPrintable(strError);
    const qint64 nKept = pCopy->m_arrData[0].size();
    EXPECT_GE(nKept, nInCopy);
    // At most a few seconds of readings are lost: one interval, and slack for a busy machine.
    EXPECT_GE(nKept, nRecorded - kRate * (CAutoRecovery::kIntervalMs / 1000 + 4))
        << nKept << " of " << nRecorded;

    // The next start offers the copy and restores it.
    CMainFrame frame;
    frame.show();
    QString strQuestion;
    QTimer::singleShot(0, [&strQuestion] {
        const auto box = [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); };
        if (!QTest::qWaitFor([&] { return box() != nullptr; }, 5000))
            return;
        strQuestion = box()->text();
        box()->button(QMessageBox::Yes)->click();
    });
    frame.Recovery().OfferRestore();
    EXPECT_TRUE(strQuestion.contains(QStringLiteral("New File1"))) << qPrintable(strQuestion);
    ASSERT_EQ(frame.DocManager().Views().size(), 1);
    CMyTalvaView* pRestored = frame.DocManager().Views()[0];
    EXPECT_EQ(pRestored->Title(), QStringLiteral("New File1 (recovered)"));
    EXPECT_EQ(pRestored->ListModel()->rowCount(), nKept);
    EXPECT_EQ(pRestored->GetDocument()->SaveBytes(), pCopy->SaveBytes());
    // The old session is gone; the restored readings are this session's copy now.
    const QStringList now = RecoveryCopies();
    ASSERT_EQ(now.size(), 1);
    EXPECT_TRUE(now[0].startsWith(frame.Recovery().Store().SessionPath()));
    pRestored->SetModified(false);
    frame.close();
}
