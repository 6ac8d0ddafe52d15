// The window left to itself: Reconnect Automatically through dongles that come and go,
// the status bar, and closing while readings flow.
#include "CAppTestHelpers.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "document/CMyTalvaDoc.h"
#include "document/CObData.h"
#include "document/ui/CMyTalvaView.h"
#include "e2e/CSimProcess.h"
#include "link/CLinkReconnect.h"
#include "link/CPortSettings.h"
#include "panel/CLeftDlg.h"
#include "protocol/CMeterProtocol.h"
#include "scope/COscTestFrame.h"
#include "scope/ui/COscWindows.h"
#include "app/CLoggerCommands.h"
#include "link/ui/CBleScan.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using AppTest::CModalWatch;
using AppTest::CSimThread;
using AppTest::SentValues;

namespace {

const QString kMeter = QStringLiteral("c8:fd:19:0a:bc:de");
const QString kConnected = QStringLiteral("Connected");

QStringList RecordedValues(const CMyTalvaDoc& doc)
{
    QStringList values;
    for (qsizetype i = 0; i < doc.m_arrData[0].size(); ++i)
        values << QString::number(doc.m_arrData[0].Value(i), 'f', 4);
    return values;
}

QStringList StatusTexts(CMainFrame& frame)
{
    QStringList texts;
    for (QLabel* pLabel : frame.statusBar()->findChildren<QLabel*>())
        texts << pLabel->text();
    return texts;
}

// Reconnect Automatically is remembered: each test leaves it off.
struct CAutoReconnectOff
{
    ~CAutoReconnectOff() { QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).setValue("Link/AutoReconnect", false); }
};

} // namespace

TEST(ReconnectAutomatically, ThreeRestartsOfTheDongleKeepOneRecordingOfEveryReadingWithNoBox)
{
    CAutoReconnectOff restore;
    QTemporaryDir dir;
    const QString strLink = dir.filePath(QStringLiteral("dongle"));
    QStringList sentLogs;
    // meter-sim on the same path each time, as a dongle plugged back into the same socket.
    auto startSim = [&](int nRun) {
        sentLogs << dir.filePath(QStringLiteral("sent-%1.txt").arg(nRun));
        return std::make_unique<CSimProcess>(QStringList { QStringLiteral("--link"), strLink, QStringLiteral("--rate"),
                                                           QStringLiteral("20"), QStringLiteral("--seed"),
                                                           QString::number(nRun), QStringLiteral("--sent-log"),
                                                           sentLogs.last() });
    };
    std::unique_ptr<CSimProcess> pSim = startSim(1);
    ASSERT_EQ(pSim->Port(), strLink);

    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    CModalWatch modals;
    QSignalSpy reconnected(&frame.Reconnector(), &CLinkReconnect::Reconnected);
    QStringList progress;
    QObject::connect(&frame.Reconnector(), &CLinkReconnect::Progress, [&](const QString& strText) { progress << strText; });
    frame.AutoConnect(strLink);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == kConnected; }, 15000));
    frame.AutoReconnectAction()->setChecked(true); // linked: nothing to look for until a loss
    EXPECT_FALSE(frame.Reconnector().IsActive());
    frame.Recording().StartAction()->trigger();
    ASSERT_TRUE(frame.Recording().IsRecording());
    ASSERT_EQ(frame.DocManager().Views().size(), 1);
    CMyTalvaDoc* pDoc = frame.DocManager().Views().first()->GetDocument();
    const auto count = [pDoc] { return pDoc->m_arrData[0].size(); };

    for (int nDrop = 1; nDrop <= 3; ++nDrop) {
        const qsizetype nBefore = count();
        ASSERT_TRUE(QTest::qWaitFor([&] { return count() >= nBefore + 20; }, 10000)) << "drop " << nDrop;
        pSim->Stop(); // the dongle goes away
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.Reconnector().IsActive(); }, 10000)) << "drop " << nDrop;
        EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Reconnecting..."));
        if (nDrop == 1) {
            // A try while the dongle is away fails: the status bar says so, no box waits for a click.
            ASSERT_TRUE(QTest::qWaitFor([&] { return progress.contains(strLink + QStringLiteral(" cannot be opened")); },
                                        10000))
                << qPrintable(progress.join(QLatin1Char('|')));
            EXPECT_TRUE(frame.Reconnector().IsActive());
        }
        pSim = startSim(nDrop + 1);
        ASSERT_FALSE(pSim->Port().isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return reconnected.count() == nDrop && frame.LinkStateText() == kConnected; },
                                    40000))
            << "drop " << nDrop;
        EXPECT_TRUE(frame.Recording().IsRecording());
        EXPECT_EQ(frame.DocManager().Views().size(), 1); // the same recording goes on
    }
    const qsizetype nBefore = count();
    ASSERT_TRUE(QTest::qWaitFor([&] { return count() >= nBefore + 20; }, 10000));
    frame.Recording().OnStop();
    pSim->Stop(); // its log is whole now
    EXPECT_EQ(modals.Count(), 0) << qPrintable(modals.Texts().join(QLatin1Char('|')));

    // The recording holds what each of the four dongles sent, in order: the readings before
    // and after every dropout. Only what a dongle still had on its way when it went is missing
    // (and what the first sent before Start was pressed).
    const QStringList recorded = RecordedValues(*pDoc);
    qsizetype nPos = 0;
    for (int nRun = 0; nRun < sentLogs.size(); ++nRun) {
        const QStringList sent = SentValues(sentLogs[nRun]);
        const qsizetype nFirst = nRun == 0 ? sent.indexOf(recorded.value(0)) : 0;
        ASSERT_GE(nFirst, 0) << "the recording's first reading was never sent";
        qsizetype n = 0;
        while (nPos + n < recorded.size() && nFirst + n < sent.size() && recorded[nPos + n] == sent[nFirst + n])
            ++n;
        EXPECT_GE(n, 20) << "run " << nRun + 1 << " of the dongle: " << sent.size() << " sent, from "
                         << qPrintable(sent.mid(nFirst, 3).join(QLatin1Char(' '))) << "; recorded from " << nPos << ": "
                         << qPrintable(recorded.mid(nPos, 3).join(QLatin1Char(' ')));
        if (nRun + 1 < sentLogs.size()) {
            EXPECT_LE(sent.size() - nFirst - n, 10) << "run " << nRun + 1 << ": readings missing before its dropout";
        }
        nPos += n;
    }
    EXPECT_EQ(nPos, recorded.size()) << "readings in the recording that no dongle sent, from " << nPos;
    frame.AutoReconnectAction()->setChecked(false);
}

TEST(ReconnectAutomatically, TickedAfterTheLinkWasLostItLooksForTheMeterAtOnce)
{
    CAutoReconnectOff restore;
    CSimThread sim(1.0, 1);
    ASSERT_TRUE(sim.bOpen);
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    CModalWatch modals;
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    frame.AutoConnect(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 2; }, 15000));
    // Without the option the loss is told in a box, and nothing more happens.
    ASSERT_TRUE(QTest::qWaitFor([&] { return modals.Count() == 1; }, 10000));
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Disconnected"));
    EXPECT_FALSE(frame.Reconnector().IsActive());

    frame.AutoReconnectAction()->setChecked(true);
    EXPECT_TRUE(frame.Reconnector().IsActive());
    EXPECT_EQ(frame.LinkStateText(), QStringLiteral("Reconnecting..."));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == kConnected; }, 15000));
    const qsizetype nBefore = shown.count();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > nBefore + 2; }, 10000));
    EXPECT_EQ(frame.Reconnector().TryCount(), 1);
    EXPECT_EQ(modals.Count(), 1);

    // Ticked while the meter is linked, it only waits for the next loss.
    frame.AutoReconnectAction()->setChecked(false);
    frame.AutoReconnectAction()->setChecked(true);
    EXPECT_FALSE(frame.Reconnector().IsActive());
    EXPECT_EQ(frame.LinkStateText(), kConnected);
    frame.AutoReconnectAction()->setChecked(false);
}

TEST(ReconnectAutomatically, OnAtStartUpItConnectsTheRememberedMeter)
{
    CAutoReconnectOff restore;
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);
    CPortSettings::WritePortSetting(sim.Port());
    CPortSettings::WriteMacSetting(kMeter);
    QSettings(CDocManager::SettingsPath(), QSettings::IniFormat).setValue("Link/AutoReconnect", true);
    CMainFrame frame;
    ASSERT_TRUE(frame.AutoReconnectAction()->isChecked());
    frame.show();
    CModalWatch modals;
    QSignalSpy shown(frame.LeftDlg(), &CLeftDlg::ReadingShown);
    frame.ConnectAtStartUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == kConnected && shown.count() >= 2; }, 15000));
    EXPECT_EQ(frame.Link().LastAddress(), kMeter);
    EXPECT_EQ(frame.MeterPaneText(), kMeter + QStringLiteral(" on ") + sim.Port());
    EXPECT_EQ(modals.Count(), 0);
    frame.AutoReconnectAction()->setChecked(false);
}

TEST(StatusBar, ShowsTheMeterWhileConnectedAndTheCountWhileRecording)
{
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    const QString strMeter = kMeter + QStringLiteral(" on ") + sim.Port();
    EXPECT_FALSE(StatusTexts(frame).contains(strMeter));
    frame.AutoConnect(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == kConnected; }, 15000));
    EXPECT_TRUE(StatusTexts(frame).contains(strMeter)) << qPrintable(StatusTexts(frame).join(QLatin1Char('|')));
    EXPECT_TRUE(StatusTexts(frame).contains(QStringLiteral("Ready")));

    frame.Recording().StartAction()->trigger();
    CMyTalvaDoc* pDoc = frame.DocManager().Views().value(0)->GetDocument();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pDoc->m_arrData[0].size() >= 3; }, 10000));
    const QString strCount = QStringLiteral("Recording New File1: %1 readings").arg(pDoc->m_arrData[0].size());
    EXPECT_TRUE(StatusTexts(frame).contains(strCount)) << qPrintable(StatusTexts(frame).join(QLatin1Char('|')));
    EXPECT_FALSE(StatusTexts(frame).contains(QStringLiteral("Ready")));
    // No empty boxes beside it: the lock keys show only when on.
    for (QLabel* pLabel : frame.statusBar()->findChildren<QLabel*>()) {
        if (pLabel->isVisible()) {
            EXPECT_FALSE(pLabel->text().isEmpty()) << qPrintable(pLabel->objectName());
        }
    }
    frame.Recording().StopAction()->trigger();
    EXPECT_TRUE(StatusTexts(frame).contains(QStringLiteral("Ready")));
    frame.Link().Shutdown();
}

TEST(Closing, ReadingsArrivingDuringTheSaveQuestionsDoNotEnterTheDocumentsAskedAbout)
{
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    frame.AutoConnect(sim.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LinkStateText() == kConnected; }, 15000));
    frame.Recording().StartAction()->trigger();
    CMyTalvaView* pLive = frame.DocManager().Views().value(0);
    ASSERT_NE(pLive, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pLive->GetDocument()->m_arrData[0].size() >= 3; }, 10000));
    // A second unsaved document, asked about after the live one.
    CMyTalvaView* pOther = frame.DocManager().NewImportDocument(QStringLiteral("Other"));
    AppTest::AddReadings(*pOther->GetDocument(), 3);
    pOther->SetModified(true);

    QTemporaryDir dir;
    const QString strSaved = dir.filePath(QStringLiteral("live.mLog"));
    frame.DocManager().m_fnSaveFileName = [&](const QString&) { return strSaved; };
    qsizetype nInLiveAtClose = -1;
    QObject::connect(&frame.DocManager(), &CDocManager::ViewClosing, [&](CMyTalvaView* pView) {
        if (pView == pLive)
            nInLiveAtClose = pView->GetDocument()->m_arrData[0].size();
    });
    // "Save changes to New File1?" Yes; then, while "Save changes to Other?" is open, readings
    // keep arriving before the answer No.
    QSignalSpy decoded(&frame.Protocol(), &CMeterProtocol::ReadingDecoded);
    QStringList questions;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox || questions.contains(pBox->text()))
            return;
        questions << pBox->text();
        if (questions.size() == 1) {
            pBox->button(QMessageBox::Yes)->click();
            return;
        }
        const qsizetype nDecoded = decoded.count();
        EXPECT_TRUE(QTest::qWaitFor([&] { return decoded.count() >= nDecoded + 5; }, 5000));
        pBox->button(QMessageBox::No)->click();
    });
    answer.start();
    EXPECT_TRUE(frame.close());
    ASSERT_EQ(questions, (QStringList { QStringLiteral("Save changes to New File1?"), QStringLiteral("Save changes to Other?") }));
    // What was saved is all the live document held when it went: nothing was thrown away unasked.
    QString strError;
    const std::unique_ptr<CMyTalvaDoc> pSaved = CMyTalvaDoc::LoadFile(strSaved, &strError);
    ASSERT_TRUE(pSaved) << qPrintable(strError);
    EXPECT_EQ(pSaved->m_arrData[0].size(), nInLiveAtClose);
    EXPECT_FALSE(frame.Link().IsLinkThreadRunning());
}

TEST(Closing, TheWindowGoesWhileEveryPartIsBusy)
{
    auto pFrame = std::make_unique<CMainFrame>();
    CMainFrame& frame = *pFrame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.show();
    ASSERT_NO_FATAL_FAILURE(AppTest::MakeOnline(frame));
    frame.Recording().StartAction()->trigger();
    ASSERT_TRUE(frame.Recording().IsRecording());
    frame.Logger().DownloadAction()->trigger();
    ASSERT_TRUE(frame.Logger().Download().IsDownloading());
    // The oscilloscope with its scope window, the scan dialog, a reconnect waiting to try.
    for (const QByteArray& strHex : { QByteArray("a2a2a2a2"), COscTestFrame().Hex() }) {
        frame.Protocol().AppendMeterHex(strHex);
        frame.Protocol().OnMeterData();
    }
    QCoreApplication::processEvents();
    ASSERT_NE(frame.Oscilloscope().ScopeWindow(), nullptr);
    frame.ScanDialog()->show();
    frame.Reconnector().Start(QStringLiteral("/dev/no-such-dongle"), kMeter);
    QSignalSpy protocolGone(&frame.Protocol(), &QObject::destroyed);
    QSignalSpy linkGone(&frame.Link(), &QObject::destroyed);
    pFrame.reset();
    EXPECT_EQ(protocolGone.count(), 1);
    EXPECT_EQ(linkGone.count(), 1);
    QCoreApplication::processEvents(); // nothing queued for the parts that went may run now
}
