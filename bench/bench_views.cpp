// The data views of long recordings, measured the way a user meets them:
//  - opening a 1 000 000-record file until its view has painted (target: under 2 s);
//  - the data list of that file scrolled to its end and painted (target: under 100 ms);
//  - the first show of that list, and paging through it;
//  - one live reading added to a shown list of 20 000 rows.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise, in the main window of the program.

#include "CBenchMain.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kMillion = 1000000;

// A recording of nCount readings in a file, made once per size.
QString RecordingFile(int nCount)
{
    static QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("long-%1.mLog").arg(nCount));
    if (QFile::exists(strPath))
        return strPath;
    CMyTalvaDoc doc;
    for (int i = 0; i < nCount; ++i) {
        const double dValue = 3.0 * std::sin(i * 1e-4) + 0.01 * (i % 7);
        doc.AddReading(0, QStringLiteral("V"), i, QStringLiteral("14/3/25 9:%1:%2").arg(i / 60 % 60).arg(i % 60),
                       QStringLiteral("VDC"), dValue, 0.0, 6.0f, float(dValue));
    }
    QString strError;
    if (!doc.SaveFile(strPath, &strError))
        qFatal("%s", qPrintable(strError));
    return strPath;
}

// Until every pending paint of the window is done.
void Settle(QWidget& window)
{
    QCoreApplication::processEvents();
    window.repaint();
    QCoreApplication::processEvents();
}

void BM_OpenMillionRecordFile(benchmark::State& state)
{
    const QString strPath = RecordingFile(kMillion);
    CMainFrame frame;
    frame.resize(1280, 800);
    frame.show();
    Settle(frame);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        CMyTalvaView* pView = frame.DocManager().OpenDocumentFile(strPath);
        if (!pView) {
            state.SkipWithError("the file did not open");
            break;
        }
        Settle(frame);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        state.counters["rows"] = pView->ListModel()->rowCount();
        pView->SetModified(false);
        frame.DocManager().CloseView(pView);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_OpenMillionRecordFile)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

class CListFixture
{
public:
    CListFixture()
    {
        m_frame.resize(1280, 800);
        m_frame.show();
        m_pView = m_frame.DocManager().OpenDocumentFile(RecordingFile(kMillion));
        Settle(m_frame);
    }
    CMainFrame m_frame;
    CMyTalvaView* m_pView = nullptr;
};

void BM_ShowMillionRowList(benchmark::State& state)
{
    CListFixture f;
    for (auto _ : state) {
        f.m_pView->SelectPage(CMyTalvaView::kGraphPage);
        Settle(f.m_frame);
        QElapsedTimer timer;
        timer.start();
        f.m_pView->SelectPage(CMyTalvaView::kListPage);
        Settle(f.m_frame);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_ShowMillionRowList)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ScrollMillionRowListToEnd(benchmark::State& state)
{
    CListFixture f;
    f.m_pView->SelectPage(CMyTalvaView::kListPage);
    Settle(f.m_frame);
    QTableView* pList = f.m_pView->List();
    for (auto _ : state) {
        pList->setCurrentIndex(pList->model()->index(0, 0));
        pList->scrollToTop();
        Settle(f.m_frame);
        QElapsedTimer timer;
        timer.start();
        // Ctrl+End, as a user would.
        QTest::keyClick(pList, Qt::Key_End, Qt::ControlModifier);
        Settle(f.m_frame);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (pList->verticalScrollBar()->value() != pList->verticalScrollBar()->maximum()) {
            std::fprintf(stderr, "at %d of %d, current row %d\n", pList->verticalScrollBar()->value(),
                         pList->verticalScrollBar()->maximum(), pList->currentIndex().row());
            state.SkipWithError("the list is not at its end");
        }
    }
    state.counters["last_id"] = pList->model()->rowCount();
}
BENCHMARK(BM_ScrollMillionRowListToEnd)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_PageDownMillionRowList(benchmark::State& state)
{
    CListFixture f;
    f.m_pView->SelectPage(CMyTalvaView::kListPage);
    Settle(f.m_frame);
    QTableView* pList = f.m_pView->List();
    pList->setFocus();
    pList->scrollTo(pList->model()->index(kMillion / 2, 0));
    for (auto _ : state) {
        QTest::keyClick(pList, Qt::Key_PageDown);
        Settle(f.m_frame);
    }
}
BENCHMARK(BM_PageDownMillionRowList)->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_LiveReadingIntoShownList(benchmark::State& state)
{
    CMainFrame frame;
    frame.resize(1280, 800);
    frame.show();
    CMyTalvaView* pView = frame.DocManager().NewDocument();
    pView->SelectPage(CMyTalvaView::kListPage);
    CMyTalvaDoc& doc = *pView->GetDocument();
    int n = 0;
    auto add = [&] {
        doc.AddReading(0, QStringLiteral("V"), n, QStringLiteral("t"), QStringLiteral("VDC"), std::sin(n * 0.01), 0.0,
                       6.0f, float(std::sin(n * 0.01)));
        ++n;
    };
    while (n < 20000)
        add();
    Settle(frame);
    for (auto _ : state) {
        add();
        Settle(frame);
    }
    pView->SetModified(false);
}
BENCHMARK(BM_LiveReadingIntoShownList)->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The program's own settings and recovery folders stay untouched.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    return RunBenchmarks<QApplication>(argc, argv);
}
