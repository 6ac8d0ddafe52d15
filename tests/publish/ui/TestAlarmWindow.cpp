// The window's alarms: limits, the red frame on the panel, the Remark of the live recording,
// the notification and the beep's companions, from meter-sim playing a scenario that crosses them.
#include "CImageCheck.h"
#include "CSimThread.h"

#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "app/CRealTimeRecording.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "panel/CLeftDlg.h"
#include "publish/ui/CAlarmCommands.h"
#include "publish/ui/CAlarmDlg.h"
#include "publish/ui/CAlarmFrame.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {
CAlarmCommands& Alarms(CMainFrame& frame)
{
    auto* pAlarms = frame.findChild<CAlarmCommands*>();
    EXPECT_NE(pAlarms, nullptr);
    return *pAlarms;
}

// Red pixels of the frame's colour in a strip along the panel's left edge.
int RedEdgePixels(CLeftDlg* pPanel)
{
    const QImage image = pPanel->grab().toImage();
    return ImageCheck::CountColor(image, QRect(0, 0, CAlarmFrame::kBorder, image.height()), CAlarmFrame::kRed, 40);
}
}

TEST(AlarmWindow, TheLimitsAreSetInTheirDialogAndRemembered)
{
    QFile::remove(CDocManager::SettingsPath());
    {
        CMainFrame frame;
        CAlarmCommands& alarms = Alarms(frame);
        const QList<QAction*> menu = frame.Menu(CMainFrame::MenuId::RealTime)->actions();
        EXPECT_TRUE(menu.contains(alarms.AlarmsAction()));
        EXPECT_EQ(alarms.AlarmsAction()->text(), QStringLiteral("&Alarms..."));
        EXPECT_FALSE(alarms.AcknowledgeAction()->isEnabled());

        alarms.AlarmsAction()->trigger();
        auto* pDlg = frame.findChild<CAlarmDlg*>();
        ASSERT_NE(pDlg, nullptr);
        QPushButton* pOk = pDlg->Buttons()->button(QDialogButtonBox::Ok);
        pDlg->AboveEdit()->setText(QStringLiteral("4.5 volts"));
        EXPECT_FALSE(pOk->isEnabled());
        EXPECT_FALSE(pDlg->ErrorLabel()->text().isEmpty());
        pDlg->AboveEdit()->setText(QStringLiteral("4.5V"));
        pDlg->BelowEdit()->setText(QStringLiteral("100mV"));
        ASSERT_TRUE(pOk->isEnabled());
        pOk->click();
        EXPECT_EQ(alarms.AboveText(), QStringLiteral("4.5V"));
        EXPECT_EQ(alarms.BelowText(), QStringLiteral("100mV"));
    }
    CMainFrame again;
    EXPECT_EQ(Alarms(again).AboveText(), QStringLiteral("4.5V"));
    EXPECT_EQ(Alarms(again).BelowText(), QStringLiteral("100mV"));
    QString strError;
    EXPECT_FALSE(Alarms(again).SetLimits(QStringLiteral("x"), QString(), &strError));
    EXPECT_EQ(Alarms(again).AboveText(), QStringLiteral("4.5V")); // unchanged
    QFile::remove(CDocManager::SettingsPath());
}

TEST(AlarmWindow, ACrossingFramesThePanelUntilAcknowledgedAndNotesTheRemark)
{
    QFile::remove(CDocManager::SettingsPath());
    CSimThread sim(QStringLiteral(SCENARIO_DIR "/alarms.json"), 8);
    ASSERT_TRUE(sim.bOpen);
    CMainFrame frame;
    frame.AutoReconnectAction()->setChecked(false);
    frame.resize(1100, 760);
    frame.show();
    CAlarmCommands& alarms = Alarms(frame);
    QString strError;
    ASSERT_TRUE(alarms.SetLimits(QStringLiteral("4.5V"), QString(), &strError)) << qPrintable(strError);
    QStringList notified;
    alarms.SetNotifier([&](const QString& strSummary, const QString& strBody) { notified << strSummary + QStringLiteral(": ") + strBody; });
    QSignalSpy raised(&alarms, &CAlarmCommands::AlarmRaised);
    EXPECT_EQ(RedEdgePixels(frame.LeftDlg()), 0);

    // Recording from the first reading on.
    frame.AutoConnect(sim.server->PortPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.Link().IsMeterOnline(); }, 15000));
    frame.Recording().OnStart();
    ASSERT_TRUE(frame.Recording().IsRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return raised.count() >= 1; }, 15000));
    EXPECT_TRUE(alarms.IsAlarmShown());
    EXPECT_TRUE(alarms.AcknowledgeAction()->isEnabled());
    EXPECT_EQ(alarms.Frame()->Text(), QStringLiteral("alarm above 4.5 V"));
    EXPECT_GT(RedEdgePixels(frame.LeftDlg()), frame.LeftDlg()->height() * 3);

    // The scenario crosses 4.5 V three times (4.600 V, 4700.0 mV, an overload) and ends.
    ASSERT_TRUE(QTest::qWaitFor([&] { return raised.count() >= 3; }, 15000));
    QTest::qWait(500);
    EXPECT_EQ(raised.count(), 3);
    EXPECT_EQ(notified.size(), 3);
    EXPECT_EQ(notified.value(0), QStringLiteral("Multimeter alarm: alarm above 4.5 V: 4.600 V"));
    EXPECT_EQ(notified.value(1), QStringLiteral("Multimeter alarm: alarm above 4.5 V: 4700.0 mV"));

    // The Remark column of the live recording: beside exactly those readings. The resistance
    // reading that follows moved the recording on to a new document.
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.DocManager().Views().size() >= 3; }, 15000));
    CMyTalvaView* pView = frame.DocManager().Views().first();
    CDataListModel* pModel = pView->ListModel();
    QStringList remarked;
    int nFirstRemarked = -1;
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        const QString strRemark = pModel->data(pModel->index(nRow, CDataListModel::kRemark)).toString();
        if (strRemark.isEmpty())
            continue;
        remarked << pModel->Text(nRow, CDataListModel::kValue) + QLatin1Char(' ') + pModel->Text(nRow, CDataListModel::kUnit)
                        + QStringLiteral(": ") + strRemark;
        nFirstRemarked = nFirstRemarked < 0 ? nRow : nFirstRemarked;
    }
    EXPECT_EQ(remarked, QStringList({ "4.6000 V: alarm above 4.5 V", "4700.0000 mV: alarm above 4.5 V", "OL V: alarm above 4.5 V" }));
    for (CMyTalvaView* pOther : frame.DocManager().Views().mid(1)) {
        for (int nRow = 0; nRow < pOther->ListModel()->rowCount(); ++nRow)
            EXPECT_TRUE(pOther->ListModel()->Text(nRow, CDataListModel::kRemark).isEmpty());
    }

    // The picture for the README: the framed panel and the list with its remarks.
    for (QWidget* pParent = pView->parentWidget(); pParent; pParent = pParent->parentWidget()) {
        if (auto* pSub = qobject_cast<QMdiSubWindow*>(pParent)) {
            frame.MdiArea()->setActiveSubWindow(pSub);
            break;
        }
    }
    pView->Tabs()->setCurrentIndex(CMyTalvaView::kListPage);
    pView->List()->scrollTo(pModel->index(qMax(0, nFirstRemarked - 2), 0), QAbstractItemView::PositionAtTop);
    QTest::qWait(100);
    ImageCheck::SaveShot(frame.grab().toImage(), "alarm.png");

    // A click on the band acknowledges.
    CAlarmFrame* pFrame = alarms.Frame();
    QTest::mouseClick(pFrame, Qt::LeftButton, Qt::NoModifier, pFrame->Band().center());
    EXPECT_FALSE(alarms.IsAlarmShown());
    EXPECT_FALSE(alarms.AcknowledgeAction()->isEnabled());
    EXPECT_EQ(RedEdgePixels(frame.LeftDlg()), 0);
    QFile::remove(CDocManager::SettingsPath());
}

TEST(AlarmWindow, TheFrameLetsClicksThroughItsMiddleAndFollowsThePanelsSize)
{
    QWidget panel;
    panel.resize(300, 600);
    int nPanelClicks = 0;
    struct CClickCounter : QObject
    {
        int* pn;
        bool eventFilter(QObject*, QEvent* pEvent) override
        {
            if (pEvent->type() == QEvent::MouseButtonPress)
                ++*pn;
            return false;
        }
    } counter;
    counter.pn = &nPanelClicks;
    panel.installEventFilter(&counter);
    CAlarmFrame frame(&panel);
    QSignalSpy acknowledged(&frame, &CAlarmFrame::AcknowledgeRequested);
    panel.show();
    frame.ShowAlarm(QStringLiteral("alarm below 1 V"));
    EXPECT_EQ(frame.geometry(), panel.rect());
    panel.resize(200, 400);
    EXPECT_EQ(frame.geometry(), QRect(0, 0, 200, 400));
    EXPECT_FALSE(frame.mask().contains(QPoint(100, 100)));
    EXPECT_TRUE(frame.mask().contains(QPoint(2, 100)));
    EXPECT_TRUE(frame.mask().contains(frame.Band().center()));
    QTest::mouseClick(&frame, Qt::LeftButton, Qt::NoModifier, QPoint(2, 100));
    EXPECT_EQ(acknowledged.count(), 1);
    // The picture: red border, white text on the red band.
    const QImage image = panel.grab().toImage();
    EXPECT_GT(ImageCheck::CountColor(image, QRect(0, 0, CAlarmFrame::kBorder, 300), CAlarmFrame::kRed, 40), 200);
    EXPECT_GT(ImageCheck::CountColor(image, frame.Band(), qRgb(255, 255, 255), 60), 20);
    EXPECT_EQ(ImageCheck::CountColor(image, QRect(50, 50, 100, 100), CAlarmFrame::kRed, 40), 0);
}
