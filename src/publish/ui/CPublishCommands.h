#pragma once

#include "protocol/CDecodedReading.h"
#include "publish/CAlarmEvent.h"
#include "publish/CMqttPublisher.h"
#include "publish/ui/CPublishHost.h"
#include "publish/ui/CPublishSettings.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CBleScan;
class CReadingPublisher;
class QAction;
class QLabel;

// The publishing part of the main window: Com Port > "Publish..." opens the settings'
// "Publish" page; while publishing is on, every live reading goes to the broker with the
// meter's address, PREFIX/status follows the link to the meter, and a pane of the status bar
// shows the broker's state ("MQTT connected", "MQTT broker away, 12 waiting", ...).
// The settings are read at start.
//
// GUI thread only; the publisher's own thread stays inside CMqttPublisher.
class CPublishCommands : public QObject
{
    Q_OBJECT
public:
    static constexpr int kExitFinishMs = 1000; //!< what closing the window waits for the queue
    static constexpr int kMessageMs = 10000;   //!< a broker's refusal or absence in the status bar

    // A scan closes the link without a lost-link signal: pScan tells of it.
    CPublishCommands(const CPublishHost& host, CBleScan* pScan);
    // "offline", a short wait for the queue, a clean end. Touches nothing of the frame: its
    // link and protocol are gone by then.
    ~CPublishCommands() override;

    // Keeps the settings and starts, restarts or stops publishing as they say; false, with
    // the reason, when they could not be saved or make no broker address.
    bool Apply(const CPublishSettings& settings, QString* pstrError);
    // "Publish...": the dialog, window-modal; OK applies.
    void OnPublishSettings();

    bool IsPublishing() const { return m_pMqtt != nullptr; }
    CMqttPublisher* Publisher() const { return m_pMqtt.get(); }
    QLabel* StatePane() const { return m_pPane; }
    QAction* SettingsAction() const { return m_pSettingsAction; }
    // An alarm to PREFIX/alarm, while publishing.
    void PublishAlarm(const CAlarmEvent& event);

private:
    void OnReading(const CDecodedReading& d);
    void SetLinked(bool bLinked);
    void ShowState();
    void Stop();

    CPublishHost m_host;
    std::unique_ptr<CMqttPublisher> m_pMqtt;
    std::unique_ptr<CReadingPublisher> m_pReadings;
    QLabel* m_pPane = nullptr;
    QAction* m_pSettingsAction = nullptr;
    bool m_bLinked = false;
    QString m_strMeter;
    QString m_strStateText; //!< the publisher's last news, for the pane's tooltip
};
