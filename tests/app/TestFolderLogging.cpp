// Recording to a folder left to itself: files that fill, a function change, a dropout with
// Reconnect Automatically, a file that cannot be saved for a while.
#include "CAppTestHelpers.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "document/CMyTalvaDoc.h"
#include "document/CObData.h"
#include "document/ui/CMyTalvaView.h"
#include "e2e/CSimProcess.h"
#include "link/CLinkReconnect.h"
#include "panel/CLeftDlg.h"
#include "document/CDocumentSeries.h"
#include "link/CMeterLink.h"
#include "protocol/CLiveRecorder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using AppTest::CModalWatch;
using AppTest::SentValues;

namespace {

// Settings a test changes, back to off afterwards.
struct CSettingsRestore
{
    ~CSettingsRestore()
    {
        QSettings settings(CDocManager::SettingsPath(), QSettings::IniFormat);
        settings.setValue("Link/AutoReconnect", false);
        settings.remove("LogToFolder");
    }
};

// Direct-current volts, then alternating: 70 frames of one, 30 of the other, every value its own.
QByteArray TwoFunctionScenario()
{
    return R"({ "loop": false, "steps": [
        { "type": "reading", "layout": 1, "function": 2, "value": 1.0, "valueStep": 0.001, "range": 6.0,
          "unit": "V", "decimals": 4, "repeat": 70 },
        { "type": "reading", "layout": 1, "function": 1, "value": 3.0, "valueStep": 0.001, "range": 6.0,
          "unit": "V", "decimals": 4, "repeat": 30 } ] })";
}

} // namespace

TEST(LogToFolder, FilesThatFillAFunctionChangeAndADropoutKeepEveryReadingOnceInOrder)
{
    CSettingsRestore restore;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strScenario = dir.filePath(QStringLiteral("two-functions.json"));
    {
        QFile file(strScenario);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(TwoFunctionScenario());
    }
    const QString strSent = dir.filePath(QStringLiteral("sent.txt"));
    // The radio link ends once, a second after it came up; the dongle stays and takes the next
    // connection, and the meter goes on with its readings.
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("30"), QStringLiteral("--scenario"), strScenario,
                      QStringLiteral("--drop-after"), QStringLiteral("1"), QStringLiteral("--sent-log"), strSent });
    ASSERT_FALSE(sim.Port().isEmpty());
    const QString strFolder = dir.filePath(QStringLiteral("logs"));
    ASSERT_TRUE(QDir().mkpath(strFolder));
    auto path = [&](const QString& strName) { return QDir(strFolder).filePath(strName); };
    // The third file cannot be written at first: a folder stands in its place.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("log-3.mLog"))));

    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    CModalWatch modals;
    CRealTimeRecording& recording = frame.Recording();
    recording.SetFolderLog({ true, strFolder, QStringLiteral("log") });
    EXPECT_TRUE(recording.LogToFolderAction()->isChecked());
    recording.SetMaxFolderRecords(30);
    QStringList notices;
    QObject::connect(&recording, &CRealTimeRecording::Notice, [&](const QString& strText) { notices << strText; });
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    frame.AutoConnect(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == QStringLiteral("Connected") && shown.count() > 0; }, 15000));
    frame.AutoReconnectAction()->setChecked(true);
    recording.StartAction()->trigger();
    ASSERT_TRUE(recording.IsRecording());
    const CLiveRecorder* pRecorder = recording.FolderRecorder();
    ASSERT_NE(pRecorder, nullptr);
    EXPECT_TRUE(QFileInfo::exists(pRecorder->LockPath()));

    // The dropout: what the current file holds is on disk before the link comes back.
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.Reconnector().IsActive(); }, 15000));
    {
        QString strError;
        const auto pSaved = CMyTalvaDoc::LoadFile(pRecorder->CurrentPath(), &strError);
        ASSERT_TRUE(pSaved) << qPrintable(strError);
        EXPECT_EQ(pSaved->m_arrData[0].size(), pRecorder->RecordsInFile());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == QStringLiteral("Connected"); }, 30000));
    EXPECT_TRUE(recording.IsRecording());

    // The meter sends the rest of its readings.
    const QString strLast = QStringLiteral("3.0290");
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentValues(strSent).value(SentValues(strSent).size() - 1) == strLast; }, 30000));
    const QStringList sent = SentValues(strSent);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const CMyTalvaView* pView = frame.DocManager().Views().value(0);
        const CMyTalvaDoc* pDoc = pView ? pView->GetDocument() : nullptr;
        return pDoc && !pDoc->m_arrData[0].isEmpty()
               && QString::number(pDoc->m_arrData[0].Value(pDoc->m_arrData[0].size() - 1), 'f', 4) == strLast;
    }, 10000));
    // Only the file being recorded is open; the full ones left memory.
    ASSERT_EQ(frame.DocManager().Views().size(), 1);
    EXPECT_EQ(frame.DocManager().Views().first()->Title().toStdString(), "log-4.mLog");
    EXPECT_EQ(pRecorder->FileCount(), 4);
    // The status bar keeps saying that a save failed for as long as a file waits for one.
    EXPECT_EQ(frame.StatusPaneText().toStdString(),
              QStringLiteral("Logging to %1: 4 files, %2 readings (a save failed: trying again)")
                  .arg(QDir::toNativeSeparators(strFolder)).arg(pRecorder->TotalRecords()).toStdString());
    // The third file's save failed: told in the status bar, its readings kept for the next try.
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_TRUE(notices.first().contains(QStringLiteral("log-3.mLog"))) << qPrintable(notices.first());
    EXPECT_EQ(pRecorder->UnsavedFiles(), QStringList { path(QStringLiteral("log-3.mLog")) });
    ASSERT_TRUE(QDir(path(QStringLiteral("log-3.mLog"))).removeRecursively());
    if (const QString strShots = qEnvironmentVariable("MULTIMETER_SCREENSHOT_DIR"); !strShots.isEmpty()) {
        frame.statusBar()->clearMessage(); // the pane under the notice
        EXPECT_TRUE(frame.grab().save(QDir(strShots).filePath(QStringLiteral("log-to-folder.png"))));
    }

    // The next save makes it good.
    EXPECT_TRUE(recording.SaveFolder());
    EXPECT_EQ(notices.last().toStdString(), "The recording to the folder is saved again");
    EXPECT_EQ(frame.StatusPaneText().toStdString(), QStringLiteral("Logging to %1: 4 files, %2 readings")
                                                        .arg(QDir::toNativeSeparators(strFolder)).arg(pRecorder->TotalRecords())
                                                        .toStdString());
    EXPECT_TRUE(pRecorder->UnsavedFiles().isEmpty());
    recording.StopAction()->trigger();
    EXPECT_EQ(recording.FolderRecorder(), nullptr); // all saved: the recorder and its lock are gone
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("log.mLog.lock"))));
    EXPECT_EQ(frame.StatusPaneText().toStdString(), "Ready");
    EXPECT_EQ(modals.Count(), 0) << qPrintable(modals.Texts().join(QLatin1Char('|')));

    // Every reading sent from the first recorded one on is in the files, once, in order; each
    // file holds one function and at most 30 readings.
    QStringList recorded;
    QStringList functions;
    for (const QString& strName : { QStringLiteral("log.mLog"), QStringLiteral("log-2.mLog"), QStringLiteral("log-3.mLog"),
                                    QStringLiteral("log-4.mLog") }) {
        QString strError;
        const auto pDoc = CMyTalvaDoc::LoadFile(path(strName), &strError);
        ASSERT_TRUE(pDoc) << qPrintable(strError);
        EXPECT_GT(pDoc->m_arrData[0].size(), 0) << qPrintable(strName);
        EXPECT_LE(pDoc->m_arrData[0].size(), 30) << qPrintable(strName);
        QString strFunction;
        const CRecordArray& records = pDoc->m_arrData[0];
        for (qsizetype i = 0; i < records.size(); ++i) {
            recorded << QString::number(records.Value(i), 'f', 4);
            if (strFunction.isEmpty())
                strFunction = records.Type(i);
            EXPECT_EQ(records.Type(i), strFunction) << qPrintable(strName);
        }
        functions << strFunction;
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("log-5.mLog"))));
    EXPECT_EQ(functions[0], functions[2]);
    EXPECT_NE(functions[2], functions[3]);
    const qsizetype nFirst = sent.indexOf(recorded.value(0));
    ASSERT_GE(nFirst, 0);
    EXPECT_EQ(recorded.join(QLatin1Char(' ')).toStdString(), sent.mid(nFirst).join(QLatin1Char(' ')).toStdString());
    EXPECT_LE(nFirst, 10) << "readings sent before Start";
    frame.Link().Shutdown();
}

TEST(LogToFolder, TheDialogRefusesAFolderThatIsNotThereAndTheChoiceIsRemembered)
{
    CSettingsRestore restore;
    QTemporaryDir dir;
    CLogToFolderDlg dlg({ true, dir.filePath(QStringLiteral("not-there")), QStringLiteral("bench") });
    dlg.show();
    auto* pProblem = dlg.findChild<QLabel*>(QStringLiteral("problem"));
    ASSERT_NE(pProblem, nullptr);
    dlg.accept();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(pProblem->isVisible());
    EXPECT_TRUE(pProblem->text().contains(QStringLiteral("does not exist"))) << qPrintable(pProblem->text());
    const QList<QLineEdit*> edits = dlg.findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    edits[1]->setText(QStringLiteral("a/b"));
    edits[0]->setText(QDir::toNativeSeparators(dir.path()));
    dlg.accept();
    EXPECT_TRUE(pProblem->text().contains(QStringLiteral("no file name"))) << qPrintable(pProblem->text());
    edits[1]->setText(QStringLiteral("bench"));
    if (const QString strShots = qEnvironmentVariable("MULTIMETER_SCREENSHOT_DIR"); !strShots.isEmpty()) {
        pProblem->hide();
        EXPECT_TRUE(dlg.grab().save(QDir(strShots).filePath(QStringLiteral("log-to-folder-dialog.png"))));
    }
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const CLogToFolderDlg::CChoice choice = dlg.Choice();
    EXPECT_TRUE(choice.bOn);
    EXPECT_EQ(choice.strFolder, dir.path());
    EXPECT_EQ(choice.FirstPath(), QDir(dir.path()).filePath(QStringLiteral("bench.mLog")));

    // Remembered for the next start of the program.
    CMainFrame frame;
    frame.Recording().SetFolderLog(choice);
    const CLogToFolderDlg::CChoice read = CLogToFolderDlg::CChoice::Read();
    EXPECT_TRUE(read.bOn);
    EXPECT_EQ(read.strFolder, dir.path());
    EXPECT_EQ(read.strBaseName, QStringLiteral("bench"));
    CMainFrame next;
    EXPECT_TRUE(next.Recording().LogToFolderAction()->isChecked());
    EXPECT_EQ(next.Recording().FolderLog().FirstPath(), choice.FirstPath());
    // Turned off, Start records into one document again.
    next.Recording().SetFolderLog({ false, dir.path(), QStringLiteral("bench") });
    EXPECT_FALSE(next.Recording().LogToFolderAction()->isChecked());
}

TEST(LogToFolder, StartAsksBeforeRecordingOverASeriesAndRefusesOneThatIsLocked)
{
    CSettingsRestore restore;
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("log.mLog"));
    {
        QFile old(CDocumentSeries::PartPath(strFirst, 2));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    ASSERT_NO_FATAL_FAILURE(AppTest::MakeOnline(frame));
    CRealTimeRecording& recording = frame.Recording();
    recording.SetFolderLog({ true, dir.path(), QStringLiteral("log") });

    // No: nothing starts and the old file stays.
    auto pNo = AppTest::AnswerNextBox(QMessageBox::No);
    recording.StartAction()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pNo->bShown; }, 5000));
    EXPECT_TRUE(pNo->strText.contains(QStringLiteral("log-2.mLog"))) << qPrintable(pNo->strText);
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_EQ(recording.FolderRecorder(), nullptr);
    EXPECT_TRUE(frame.DocManager().Views().isEmpty());

    // Another recorder holds the series: Start says so and records nothing.
    auto pOther = std::make_unique<CLiveRecorder>(strFirst);
    QString strError;
    ASSERT_TRUE(pOther->Lock(&strError)) << qPrintable(strError);
    // Yes to recording over it, then the refusal, answered as they come.
    QStringList boxes;
    {
        AppTest::CModalWatch answer(QMessageBox::Yes);
        recording.StartAction()->trigger();
        boxes = answer.Texts();
    }
    ASSERT_EQ(boxes.size(), 2) << qPrintable(boxes.join(QLatin1Char('|')));
    EXPECT_TRUE(boxes[1].contains(QStringLiteral("another process"))) << qPrintable(boxes[1]);
    EXPECT_FALSE(recording.IsRecording());
    EXPECT_EQ(recording.FolderRecorder(), nullptr);
    EXPECT_TRUE(QFile::exists(CDocumentSeries::PartPath(strFirst, 2))); // refused: nothing removed

    // Once free, Yes records over the series: its old second file goes, or it would be read
    // back as this recording's continuation.
    pOther.reset();
    auto pYes = AppTest::AnswerNextBox(QMessageBox::Yes);
    recording.StartAction()->trigger();
    EXPECT_TRUE(pYes->bShown);
    EXPECT_TRUE(recording.IsRecording());
    EXPECT_FALSE(QFile::exists(CDocumentSeries::PartPath(strFirst, 2)));
    recording.StopAction()->trigger();
    frame.Link().Shutdown();
}
