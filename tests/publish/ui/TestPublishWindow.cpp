// The window's "Publish" page and its publishing of live readings to a real broker.
#include "CImageCheck.h"
#include "CMqttTestBroker.h"
#include "CMqttTestSubscriber.h"
#include "CSimThread.h"

#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "panel/CLeftDlg.h"
#include "publish/ui/CPublishCommands.h"
#include "publish/ui/CPublishPage.h"
#include "publish/ui/CPublishSettingsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {
CPublishCommands& Publish(CMainFrame& frame)
{
    auto* pPublish = frame.findChild<CPublishCommands*>();
    EXPECT_NE(pPublish, nullptr);
    return *pPublish;
}
}

TEST(PublishWindow, ThePublishPageKeepsItsSettingsInAPrivateFile)
{
    QFile::remove(CDocManager::SettingsPath());
    CMainFrame frame;
    CPublishCommands& publish = Publish(frame);
    EXPECT_TRUE(frame.Menu(CMainFrame::MenuId::ComPort)->actions().contains(publish.SettingsAction()));
    EXPECT_FALSE(publish.StatePane()->isVisible());

    publish.SettingsAction()->trigger();
    auto* pDlg = frame.findChild<CPublishSettingsDlg*>();
    ASSERT_NE(pDlg, nullptr);
    EXPECT_EQ(pDlg->windowTitle(), QStringLiteral("Settings"));
    CPublishPage* pPage = pDlg->Page();
    QPushButton* pOk = pDlg->Buttons()->button(QDialogButtonBox::Ok);
    EXPECT_TRUE(pOk->isEnabled()); // off: nothing to check
    pPage->EnabledBox()->setChecked(true);
    pPage->UrlEdit()->setText(QStringLiteral("http://broker"));
    pPage->PrefixEdit()->setText(QStringLiteral("lab/bench1"));
    EXPECT_FALSE(pOk->isEnabled());
    EXPECT_TRUE(pPage->ErrorLabel()->text().contains(QStringLiteral("mqtt://"))) << qPrintable(pPage->ErrorLabel()->text());
    pPage->UrlEdit()->setText(QStringLiteral("mqtt://127.0.0.1:%1").arg(CMqttTestBroker::FreePort()));
    pPage->PrefixEdit()->setText(QStringLiteral("lab/#"));
    EXPECT_FALSE(pOk->isEnabled());
    pPage->PrefixEdit()->setText(QStringLiteral("lab/bench1"));
    pPage->UserEdit()->setText(QStringLiteral("ann"));
    pPage->PasswordEdit()->setText(QStringLiteral("s3cret"));
    EXPECT_EQ(pPage->PasswordEdit()->echoMode(), QLineEdit::Password);
    ASSERT_TRUE(pOk->isEnabled()) << qPrintable(pPage->ErrorLabel()->text());
    ImageCheck::SaveShot(pDlg->grab().toImage(), "publish-settings.png");
    pOk->click();

    // Publishing has started (no broker there: it waits), and the settings are kept privately.
    EXPECT_TRUE(publish.IsPublishing());
    EXPECT_TRUE(QTest::qWaitFor([&] { return publish.StatePane()->text().startsWith(QStringLiteral("MQTT broker away")); }, 5000))
        << qPrintable(publish.StatePane()->text());
    EXPECT_FALSE(publish.StatePane()->toolTip().contains(QStringLiteral("s3cret")));
    const QFileInfo file(CDocManager::SettingsPath());
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
    EXPECT_TRUE(file.permissions() & QFile::ReadOwner);
    const CPublishSettings kept = CPublishSettings::Load(CDocManager::SettingsPath());
    EXPECT_TRUE(kept.m_bEnabled);
    EXPECT_EQ(kept.m_strPrefix, QStringLiteral("lab/bench1"));
    EXPECT_EQ(kept.m_strUser, QStringLiteral("ann"));
    EXPECT_EQ(kept.m_strPassword, QStringLiteral("s3cret"));

    // A new window starts publishing from the settings; switched off, the pane goes.
    CMainFrame again;
    EXPECT_TRUE(Publish(again).IsPublishing());
    CPublishSettings off = kept;
    off.m_bEnabled = false;
    QString strError;
    ASSERT_TRUE(Publish(again).Apply(off, &strError)) << qPrintable(strError);
    EXPECT_FALSE(Publish(again).IsPublishing());
    EXPECT_TRUE(Publish(again).StatePane()->isHidden());
    QFile::remove(CDocManager::SettingsPath());
}

TEST(PublishWindow, LiveReadingsGoToTheBrokerWhileConnectedAndTheStatusBarFollowsIt)
{
    QFile::remove(CDocManager::SettingsPath());
    CMqttTestBroker broker;
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    CMqttTestSubscriber sub(broker.Port(), QStringLiteral("win/#"), QStringLiteral("window-sub"));
    ASSERT_TRUE(sub.WaitSubscribed());
    CSimThread sim;
    ASSERT_TRUE(sim.bOpen);

    auto pFrame = std::make_unique<CMainFrame>();
    pFrame->AutoReconnectAction()->setChecked(false);
    pFrame->show();
    CPublishCommands& publish = Publish(*pFrame);
    CPublishSettings settings;
    settings.m_bEnabled = true;
    settings.m_strUrl = QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.Port());
    settings.m_strPrefix = QStringLiteral("win/meter");
    QString strError;
    ASSERT_TRUE(publish.Apply(settings, &strError)) << qPrintable(strError);
    EXPECT_TRUE(QTest::qWaitFor([&] { return publish.StatePane()->text() == QStringLiteral("MQTT connected"); }, 5000));
    EXPECT_TRUE(publish.StatePane()->isVisible());
    // Nothing is published before a meter is linked.
    QTest::qWait(300);
    EXPECT_TRUE(sub.Payloads(QStringLiteral("win/meter/reading")).isEmpty());

    QSignalSpy shown(pFrame->LeftDlg(), &CLeftDlg::ReadingShown);
    pFrame->AutoConnect(sim.server->PortPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub.Payloads(QStringLiteral("win/meter/reading")).size() >= 5; }, 15000));
    EXPECT_EQ(sub.Payloads(QStringLiteral("win/meter/status")).value(0), QByteArray("online"));
    const QJsonObject reading = QJsonDocument::fromJson(sub.Payloads(QStringLiteral("win/meter/reading")).first()).object();
    EXPECT_EQ(reading.value(QStringLiteral("meter")).toString(), pFrame->Link().LastAddress());
    EXPECT_EQ(reading.value(QStringLiteral("function")).toString(), QStringLiteral("VDC"));
    EXPECT_TRUE(reading.contains(QStringLiteral("value")));

    // The broker goes away: the pane says so and counts what waits; back, it is all delivered.
    broker.Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return publish.StatePane()->text().startsWith(QStringLiteral("MQTT broker away, ")); }, 5000))
        << qPrintable(publish.StatePane()->text());
    QTest::qWait(1500);
    const int nShownWhileAway = shown.count();
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    EXPECT_TRUE(QTest::qWaitFor([&] { return publish.StatePane()->text() == QStringLiteral("MQTT connected"); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return publish.Publisher()->Queued() == 0; }, 10000));
    EXPECT_GT(nShownWhileAway, 10);

    // Closing the window says "offline".
    pFrame.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const QList<QByteArray> status = sub.Payloads(QStringLiteral("win/meter/status"));
        return !status.isEmpty() && status.last() == "offline";
    }, 5000));
    QFile::remove(CDocManager::SettingsPath());
}
