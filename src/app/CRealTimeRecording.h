#pragma once

#include "protocol/CDecodedReading.h"

#include <QObject>

#include <functional>

class CDocManager;
class CMainFrame;
class CMyTalvaView;
class QAction;

// Real-time recording: "Start" opens a new document that every live (series-8) reading then
// enters, "Stop" ends it; the meter's statistics readings (series 9) are recorded without a
// command, into a statistics view opened for the first of them. The rules for turning readings
// into records are CRecordingRules'.
//
// GUI thread only: decoded readings arrive here by value, queued, in the order decoded.
class CRealTimeRecording : public QObject
{
    Q_OBJECT
public:
    // fnOnline answers whether the meter is online (Start does nothing otherwise).
    CRealTimeRecording(CDocManager& docs, std::function<bool()> fnOnline, QObject* pParent = nullptr);

    // "&Real Time" menu and the toolbar: "Start" and "Stop".
    void AddCommands(CMainFrame& frame);
    QAction* StartAction() const { return m_pStart; }
    QAction* StopAction() const { return m_pStop; }

    // m_bRecording: live recording is on.
    bool IsRecording() const { return m_bRecording; }

    // "Start": a new live document, only while the meter is online.
    void OnStart();
    // "Stop": no document receives live readings any more.
    void OnStop();

    // One decoded reading: recorded live while recording (series-8 frames), or as a statistics
    // reading when the meter is in series-9 mode.
    void OnReading(const CDecodedReading& decoded);
    void RecordLive(const CDecodedReading& decoded);
    void RecordStatistics(const CDecodedReading& decoded);
    // A new view for statistics recording.
    CMyTalvaView* OpenStatisticsView();

signals:
    void RecordingChanged(bool bRecording);
    // Start found the meter offline and opened nothing.
    void StartRefused();

private:
    CMyTalvaView* StartNewLive();
    void AddLive(CMyTalvaView& view, const MeterReading& reading, const QString& strTime);
    void SetRecording(bool bRecording);

    CDocManager& m_docs;
    std::function<bool()> m_fnOnline;
    bool m_bRecording = false;
    QAction* m_pStart = nullptr;
    QAction* m_pStop = nullptr;
};
