#pragma once

#include "protocol/CDecodedReading.h"

#include <QList>
#include <QObject>

#include <functional>

class CCommandHost;
class CDocManager;
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

    // The most readings Hold keeps (a live document's limit).
    static constexpr int kMaxHeld = 20000;

    // "&Real Time" menu and the toolbar: "Start" and "Stop".
    void AddCommands(CCommandHost& commands);
    QAction* StartAction() const { return m_pStart; }
    QAction* StopAction() const { return m_pStop; }

    // m_bRecording: live recording is on.
    bool IsRecording() const { return m_bRecording; }

    // "Start": a new live document, only while the meter is online.
    void OnStart();
    // "Stop": no document receives live readings any more.
    void OnStop();

    // One decoded reading: recorded live while recording (series-8 frames), or as a statistics
    // reading when it is a series-9 frame and the meter is in series-9 mode.
    void OnReading(const CDecodedReading& decoded);
    void RecordLive(const CDecodedReading& decoded);
    void RecordStatistics(const CDecodedReading& decoded);
    // A new view for statistics recording.
    CMyTalvaView* OpenStatisticsView();

    // While the documents are asked about (the save questions of an exit), the readings that
    // arrive wait here instead of changing them; Resume records them in order, DropHeld forgets
    // them (the exit goes on).
    void Hold();
    void Resume();
    void DropHeld();

signals:
    void RecordingChanged(bool bRecording);
    // Start found the meter offline and opened nothing.
    void StartRefused();
    // The live document and how many readings it holds now; an empty title once recording stops.
    void LiveCountChanged(const QString& strTitle, qsizetype nReadings);

private:
    CMyTalvaView* StartNewLive();
    void AddLive(CMyTalvaView& view, const MeterReading& reading, const QString& strTime);
    void SetRecording(bool bRecording);

    CDocManager& m_docs;
    std::function<bool()> m_fnOnline;
    bool m_bRecording = false;
    bool m_bHolding = false;
    QList<CDecodedReading> m_held; //!< what arrived while holding, oldest first
    QAction* m_pStart = nullptr;
    QAction* m_pStop = nullptr;
};
