#pragma once

#include "app/CLogToFolderDlg.h"
#include "protocol/CDecodedReading.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class CCommandHost;
class CDocManager;
class CLiveRecorder;
class CMyTalvaView;
class CPrompt;
class QAction;
class QWidget;

// Real-time recording: "Start" opens a new document that every live (series-8) reading then
// enters, "Stop" ends it; the meter's statistics readings (series 9) are recorded without a
// command, into a statistics view opened for the first of them. The rules for turning readings
// into records are CRecordingRules'.
//
// With "Log to Folder" on, Start records as multimeter-cli record does, through the same
// CLiveRecorder: BASE.mLog, BASE-2.mLog, ... in the folder, each saved as it fills or the function
// changes, every kAutosaveSeconds and when the link is lost, under the recorder's lock; the
// recording goes on in the next file. The window shows the current file in a view of its own
// (a copy of the recorder's document); files that are saved and finished leave memory. A failed
// save is told in the status bar and the log, never in a box, and tried again.
//
// GUI thread only: decoded readings arrive here by value, queued, in the order decoded.
class CRealTimeRecording : public QObject
{
    Q_OBJECT
public:
    // fnOnline answers whether the meter is online (Start does nothing otherwise).
    CRealTimeRecording(CDocManager& docs, CPrompt& prompt, std::function<bool()> fnOnline, QObject* pParent = nullptr);
    ~CRealTimeRecording() override;

    // The most readings Hold keeps (a live document's limit).
    static constexpr int kMaxHeld = 20000;

    // "&Real Time" menu and the toolbar: "Start", "Stop" and "Log to Folder...".
    void AddCommands(CCommandHost& commands);
    QAction* StartAction() const { return m_pStart; }
    QAction* StopAction() const { return m_pStop; }
    QAction* LogToFolderAction() const { return m_pLogToFolder; }

    // Where the next Start records (remembered in the settings).
    const CLogToFolderDlg::CChoice& FolderLog() const { return m_folderLog; }
    void SetFolderLog(const CLogToFolderDlg::CChoice& choice);
    // "Log to Folder...": the dialog.
    void OnLogToFolder();
    // The recorder of a recording to a folder (nullptr otherwise).
    const CLiveRecorder* FolderRecorder() const { return m_pSeries.get(); }
    // Writes what a recording to a folder holds now; false when a file failed (told as always).
    bool SaveFolder();
    // Readings per file of a recording to a folder, for tests that fill files quickly.
    void SetMaxFolderRecords(int nMaxRecords) { m_nMaxFolderRecords = nMaxRecords; }

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
    // A recording to a folder: its folder, the files begun, the readings recorded so far, and
    // whether a file is waiting for a save that failed.
    void FolderCountChanged(const QString& strFolder, int nFiles, qint64 nReadings, bool bSaveFailing);
    // Something the user should read without being stopped by it (a failed save).
    void Notice(const QString& strText);

private:
    CMyTalvaView* StartNewLive();
    void AddLive(CMyTalvaView& view, const MeterReading& reading, const QString& strTime);
    void SetRecording(bool bRecording);
    bool StartFolder();
    void RecordFolder(const CDecodedReading& decoded);
    void OnFolderFileStarted(const QString& strPath);
    CMyTalvaView* OpenFolderView(const QString& strPath);
    void FinishFolderView();
    void StopFolder();
    void OnSaveFailed(const QString& strMessage);
    void EmitFolderCount();

    CDocManager& m_docs;
    CPrompt& m_prompt;
    std::function<bool()> m_fnOnline;
    bool m_bRecording = false;
    bool m_bHolding = false;
    QList<CDecodedReading> m_held; //!< what arrived while holding, oldest first
    QAction* m_pStart = nullptr;
    QAction* m_pStop = nullptr;
    QAction* m_pLogToFolder = nullptr;
    QWidget* m_pWindow = nullptr; //!< the dialogs' parent
    CLogToFolderDlg::CChoice m_folderLog;
    int m_nMaxFolderRecords;
    std::unique_ptr<CLiveRecorder> m_pSeries; //!< the recording to a folder; kept after Stop until all is saved
    QPointer<CMyTalvaView> m_pFolderView;     //!< shows the file being recorded
    QTimer m_autosave;
    bool m_bToFolder = false; //!< the running recording goes to the folder
    bool m_bSaveFailing = false; //!< a save of the recording to a folder failed and is not made good yet
};
