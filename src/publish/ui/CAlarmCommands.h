#pragma once

#include "protocol/CDecodedReading.h"
#include "publish/CAlarmEvent.h"
#include "publish/CAlarmWatch.h"
#include "publish/ui/CPublishHost.h"

#include <QObject>

#include <functional>

class CAlarmFrame;
class CDocManager;
class CPublishCommands;
class QAction;
class QWidget;

// The alarms of the main window: Real Time > "Alarms..." sets the limits (kept in the
// settings file), "Acknowledge Alarm" clears the red frame. A reading that crosses a limit
// shows the red frame on the meter panel until acknowledged, beeps, sends a desktop
// notification (CDesktopNotifier, unless another notifier is set), writes "alarm above 4.5 V" in the Remark column of the
// live recording's row for that reading, and goes to PREFIX/alarm while publishing.
//
// GUI thread only. Made after the frame has connected real-time recording to the protocol,
// so a reading is recorded before its alarm is noted beside it.
class CAlarmCommands : public QObject
{
    Q_OBJECT
public:
    // Summary and body of a desktop notification.
    using Notifier = std::function<void(const QString& strSummary, const QString& strBody)>;

    // The red frame goes over pPanel (the meter panel); the remark into docs' live view.
    CAlarmCommands(const CPublishHost& host, QWidget* pPanel, CDocManager& docs, CPublishCommands* pPublish);

    // Sets and remembers the limits (empty: none); false, with the reason, for a limit that
    // does not read (nothing is changed then).
    bool SetLimits(const QString& strAbove, const QString& strBelow, QString* pstrError);
    QString AboveText() const { return m_strAbove; }
    QString BelowText() const { return m_strBelow; }

    // "Alarms...": the dialog, window-modal; OK sets the limits.
    void OnAlarms();
    // Clears the red frame.
    void Acknowledge();
    bool IsAlarmShown() const;

    // In place of the desktop's notifications (tests, another bus).
    void SetNotifier(Notifier notifier) { m_notifier = std::move(notifier); }
    CAlarmFrame* Frame() const { return m_pFrame; }
    QAction* AlarmsAction() const { return m_pAlarms; }
    QAction* AcknowledgeAction() const { return m_pAcknowledge; }

signals:
    void AlarmRaised(const CAlarmEvent& event);

private:
    void OnReading(const CDecodedReading& d);
    void Raise(const CDecodedReading& d, const QList<CAlarmEvent>& events);

    CPublishHost m_host;
    CDocManager& m_docs;
    CPublishCommands* m_pPublish;
    CAlarmWatch m_watch;
    QString m_strAbove;
    QString m_strBelow;
    CAlarmFrame* m_pFrame;
    QAction* m_pAlarms = nullptr;
    QAction* m_pAcknowledge = nullptr;
    Notifier m_notifier;
};
