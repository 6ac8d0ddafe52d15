// A recording continued in numbered files opened as one: File > Open Series..., multimeter
// --series, and the --series of multimeter-cli dump, export and stats.
#include "CAppTestHelpers.h"
#include "CSeriesFiles.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CDataListModel.h"
#include "document/ui/CMyTalvaView.h"
#include "draw/CGraphColors.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using AppTest::CModalWatch;
using AppTest::CountColour;
using AppTest::CRun;
using AppTest::RunProgram;
using AppTest::RunTool;

namespace {

const QString kCli = QStringLiteral(METER_CLI_PATH);

QAction* FileAction(CMainFrame& frame, const QString& strText)
{
    for (QAction* pAction : frame.Menu(CCommandHost::MenuId::File)->actions()) {
        if (pAction->text() == strText)
            return pAction;
    }
    return nullptr;
}

// Lines of a text file (the header included), or -1 when it cannot be read.
qsizetype LineCount(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().count('\n');
}

QByteArray Line(const QString& strPath, qsizetype nLine)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (qsizetype n = 0; n < nLine && !file.atEnd(); ++n)
        file.readLine();
    return file.readLine().trimmed();
}

} // namespace

TEST(OpenSeries, TheFilesOfARecordingToAFolderOpenAsOneReadOnlyTimeline)
{
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("log.mLog"));
    constexpr int kPerFile = 200;
    const CSeriesFiles series(kPerFile, 2000);
    QString strError;
    ASSERT_TRUE(series.Write(strFirst, 3, &strError)) << qPrintable(strError);

    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    CModalWatch modals;
    CDocManager& docs = frame.DocManager();
    QAction* pOpenSeries = FileAction(frame, QStringLiteral("Open &Series..."));
    ASSERT_NE(pOpenSeries, nullptr);
    docs.m_fnOpenFileName = [&](const QString&) { return strFirst; };
    pOpenSeries->trigger();
    ASSERT_EQ(docs.Views().size(), 1);
    CMyTalvaView* pView = docs.Views().first();
    EXPECT_EQ(pView->Title(), QStringLiteral("log.mLog (series of 3 files)"));
    EXPECT_FALSE(pView->IsModified());
    EXPECT_TRUE(pView->PathName().isEmpty());
    // The data list numbers the readings across the files.
    const CDataListModel& list = *pView->ListModel();
    ASSERT_EQ(list.rowCount(), 3 * kPerFile);
    EXPECT_EQ(list.Text(2 * kPerFile, CDataListModel::kId), QString::number(2 * kPerFile + 1));
    EXPECT_EQ(list.Text(2 * kPerFile, CDataListModel::kTime), series.Time(2 * kPerFile));
    EXPECT_EQ(list.Text(3 * kPerFile - 1, CDataListModel::kTime), series.Time(3 * kPerFile - 1));
    // The summary runs from the first file's start to the last file's end.
    const QString strSummary = pView->SummaryText();
    EXPECT_TRUE(strSummary.contains(series.Time(0))) << qPrintable(strSummary);
    EXPECT_TRUE(strSummary.contains(series.Time(3 * kPerFile - 1))) << qPrintable(strSummary);
    EXPECT_EQ(pView->GetDocument()->m_nCount, 3 * kPerFile);

    // Save writes nothing over a file of the series; under a new name it writes all of it.
    QStringList asked;
    QString strAnswer = CDocumentSeries::PartPath(strFirst, 2);
    docs.m_fnSaveFileName = [&](const QString& strSuggested) {
        asked << strSuggested;
        return strAnswer;
    };
    const QByteArray before = [&] {
        QFile file(strAnswer);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    EXPECT_FALSE(docs.Save(pView));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], QDir(QFileInfo(dir.path()).canonicalFilePath()).filePath(QStringLiteral("log (whole series).mLog")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return modals.Count() == 1; }, 5000));
    EXPECT_TRUE(modals.Texts().value(0).contains(QStringLiteral("log-2.mLog"))) << qPrintable(modals.Texts().value(0));
    QFile part(strAnswer);
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    EXPECT_EQ(part.readAll(), before);
    strAnswer = dir.filePath(QStringLiteral("whole.mLog"));
    EXPECT_TRUE(docs.Save(pView));
    const auto pWhole = CMyTalvaDoc::LoadFile(strAnswer, &strError);
    ASSERT_TRUE(pWhole) << qPrintable(strError);
    EXPECT_EQ(pWhole->m_arrData[0].size(), 3 * kPerFile);
    EXPECT_EQ(pView->Title(), QStringLiteral("whole.mLog"));

    // Without its first file nothing opens, and the message says why.
    docs.m_fnOpenFileName = [&](const QString&) { return dir.filePath(QStringLiteral("none.mLog")); };
    pOpenSeries->trigger();
    EXPECT_EQ(docs.Views().size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return modals.Count() == 2; }, 5000));
    EXPECT_TRUE(modals.Texts().value(1).contains(QStringLiteral("none.mLog"))) << qPrintable(modals.Texts().value(1));
}

TEST(OpenSeries, FiftyFullFilesEndToEndInTheProgramAndTheCommandLine)
{
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("week.mLog"));
    constexpr int kPerFile = 20000;
    constexpr int kFiles = 50;
    const CSeriesFiles series(kPerFile, 1000);
    QString strError;
    ASSERT_TRUE(series.Write(strFirst, kFiles, &strError)) << qPrintable(strError);
    const QString strPng = dir.filePath(QStringLiteral("series.png"));
    const QString strCsv = dir.filePath(QStringLiteral("series.csv"));
    auto exportSeries = [&] {
        return RunTool(kCli, { QStringLiteral("export"), QStringLiteral("--series"), strFirst, QStringLiteral("--to"), strCsv }, 120000);
    };

    // The whole series: a graph in the window, a million lines in the export, numbered across.
    const CRun shown = RunProgram({ QStringLiteral("--series"), strFirst, QStringLiteral("--screenshot"), strPng }, 120000);
    ASSERT_EQ(shown.nStatus, 0) << qPrintable(shown.strError);
    const QImage shot(strPng);
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(CountColour(shot, [](const QColor& c) { return c == CGraphColors().m_bkColor; }), 50000);
    CRun exported = exportSeries();
    ASSERT_EQ(exported.nStatus, 0) << qPrintable(exported.strError);
    EXPECT_EQ(LineCount(strCsv), 1 + qsizetype(kFiles) * kPerFile);
    // The first reading of the second file is reading 20001, right after the first file's last.
    const QByteArray row = Line(strCsv, kPerFile + 1);
    EXPECT_TRUE(row.startsWith(QByteArray::number(kPerFile + 1) + ',')) << row.constData();
    EXPECT_TRUE(row.contains(series.Time(kPerFile).toUtf8())) << row.constData();
    EXPECT_TRUE(Line(strCsv, qsizetype(kFiles) * kPerFile).contains(series.Time(qint64(kFiles) * kPerFile - 1).toUtf8()));
    // Without --series only the first file is exported.
    const CRun single = RunTool(kCli, { QStringLiteral("export"), strFirst, QStringLiteral("--to"), strCsv });
    ASSERT_EQ(single.nStatus, 0) << qPrintable(single.strError);
    EXPECT_EQ(LineCount(strCsv), 1 + kPerFile);

    // A file that does not load is named, and the others are read; the run still succeeds.
    const QString strBroken = CDocumentSeries::PartPath(strFirst, 10);
    {
        QFile broken(strBroken);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write(QByteArray(100, 'x'));
    }
    exported = exportSeries();
    ASSERT_EQ(exported.nStatus, 0) << qPrintable(exported.strError);
    EXPECT_TRUE(exported.strError.contains(QStringLiteral("week-10.mLog"))) << qPrintable(exported.strError);
    EXPECT_EQ(LineCount(strCsv), 1 + qsizetype(kFiles - 1) * kPerFile);
    const CRun shownWithout = RunProgram({ QStringLiteral("--series"), strFirst, QStringLiteral("--screenshot"), strPng }, 120000);
    EXPECT_EQ(shownWithout.nStatus, 0) << qPrintable(shownWithout.strError);
    EXPECT_TRUE(shownWithout.strError.contains(QStringLiteral("week-10.mLog"))) << qPrintable(shownWithout.strError);

    // A missing file ends the series there: files 27 to 50 are not read.
    ASSERT_TRUE(QFile::remove(CDocumentSeries::PartPath(strFirst, 27)));
    const CRun stats = RunTool(kCli, { QStringLiteral("stats"), QStringLiteral("--series"), strFirst, QStringLiteral("--format"),
                                       QStringLiteral("json") });
    ASSERT_EQ(stats.nStatus, 0) << qPrintable(stats.strError);
    EXPECT_TRUE(stats.output.contains("\"count\":" + QByteArray::number(25 * kPerFile))) << stats.output.constData();
    EXPECT_TRUE(stats.output.contains(series.Time(26 * kPerFile - 1).toUtf8())) << stats.output.constData();
    exported = exportSeries();
    ASSERT_EQ(exported.nStatus, 0) << qPrintable(exported.strError);
    EXPECT_EQ(LineCount(strCsv), 1 + qsizetype(25) * kPerFile);

    // Without the first file the run fails.
    ASSERT_TRUE(QFile::remove(strFirst));
    exported = exportSeries();
    EXPECT_EQ(exported.nStatus, 1);
    EXPECT_TRUE(exported.strError.contains(QStringLiteral("week.mLog"))) << qPrintable(exported.strError);
    const CRun shownNone = RunProgram({ QStringLiteral("--series"), strFirst, QStringLiteral("--screenshot"), strPng }, 120000);
    EXPECT_EQ(shownNone.nStatus, 1);
}

TEST(OpenSeries, DumpTakesTheSeriesAsOneRecording)
{
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("run.mLog"));
    const CSeriesFiles series(30, 1000);
    QString strError;
    ASSERT_TRUE(series.Write(strFirst, 3, &strError)) << qPrintable(strError);
    const CRun csv = RunTool(kCli, { QStringLiteral("dump"), QStringLiteral("--series"), strFirst, QStringLiteral("--format"),
                                     QStringLiteral("csv") });
    ASSERT_EQ(csv.nStatus, 0) << qPrintable(csv.strError);
    const QList<QByteArray> lines = csv.output.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1 + 90);
    EXPECT_TRUE(lines[61].startsWith("61,")) << lines[61].constData();
    EXPECT_TRUE(lines[61].contains(series.Time(60).toUtf8())) << lines[61].constData();
    const CRun json = RunTool(kCli, { QStringLiteral("dump"), QStringLiteral("--series"), strFirst, QStringLiteral("--format"),
                                      QStringLiteral("json") });
    ASSERT_EQ(json.nStatus, 0) << qPrintable(json.strError);
    EXPECT_TRUE(json.output.contains("\"file\":\"" + strFirst.toUtf8() + '"')) << json.output.left(200).constData();
    EXPECT_TRUE(json.output.contains("\"index\":89,")) << json.output.right(300).constData();
    // A waveform has no series.
    const CRun wave = RunTool(kCli, { QStringLiteral("dump"), QStringLiteral("--series"), dir.filePath(QStringLiteral("x.osc")) });
    EXPECT_EQ(wave.nStatus, 64) << qPrintable(wave.strError);
}
