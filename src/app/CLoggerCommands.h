#pragma once

#include "document/CObData.h"
#include "logger/CLoggerDownload.h"

#include <QList>
#include <QObject>
#include <QPointer>

class CCommandHost;
class CDockPages;
class CDocManager;
class CLoggerList;
class CMeterLink;
class CMeterProtocol;
class CMyTalvaView;
class CPrompt;
class CRealTimeRecording;
class CWaitDlg;
class QAction;

// The logger part of the main window: "Data&Logger → Download Multimeter
// Logger", the wait dialog's bars during a download, the "Logger List" dock
// page and the logger-data view "DataLogger". The download itself is the
// core's CLoggerDownload; this object shows what it reports. GUI thread only.
class CLoggerCommands : public QObject
{
    Q_OBJECT
public:
    static QString ViewTitle() { return QStringLiteral("DataLogger"); }

    // Everything given outlives this object: the main window's commands and dock pages, its
    // wait dialog, the protocol and link the download drives, the documents, the recording it
    // stops when a recording arrives, and the prompt that shows the messages.
    CLoggerCommands(CCommandHost& commands, CDockPages& pages, CWaitDlg& wait, CMeterProtocol& protocol,
                    CMeterLink& link, CDocManager& docs, CRealTimeRecording& recording, CPrompt& prompt,
                    QObject* pParent = nullptr);
    ~CLoggerCommands() override;

    CLoggerDownload& Download() { return *m_pDownload; }
    CLoggerList* List() const { return m_pList; }
    QAction* DownloadAction() const { return m_pDownloadAction; }
    // The logger-data view, or nullptr when none is open.
    CMyTalvaView* LoggerView() const { return m_pLoggerView; }

    // "Download Multimeter Logger".
    void OnDownloadLogger();
    // The recording at nAddress from the last download, in the logger-data view
    // (records renumbered from 0; an address without records shows an empty view).
    void OnShowLoggerRecording(int nAddress);
    // A recording the meter sent unasked (records renumbered from 0 as well).
    void ShowSingleRecording(const QList<CObData>& records);

private:
    void ShowPending(const QList<CObData>& records);
    void OnDirectoryListed(const QList<LoggerListData>& entries);
    void OnRecordingStarted(int nBlockCount, bool bWholeMemory);
    void OnDownloadFinished(CLoggerDownload::Outcome outcome);

    CDockPages& m_pages;
    CWaitDlg& m_wait;
    CDocManager& m_docs;
    CLoggerDownload* m_pDownload;
    CLoggerList* m_pList;
    QAction* m_pDownloadAction = nullptr;
    QPointer<CMyTalvaView> m_pLoggerView;
};
