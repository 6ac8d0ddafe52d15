#include "app/CRealTimeRecording.h"

#include "app/CCommandHost.h"
#include "app/CDocManager.h"
#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"
#include "link/CPrompt.h"
#include "protocol/CLiveRecorder.h"
#include "protocol/CRecordingRules.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>
#include <QWidget>

#include <utility>

namespace {
qsizetype ReadingCount(CMyTalvaView& view)
{
    return view.GetDocument()->m_arrData[0].size();
}
}

CRealTimeRecording::CRealTimeRecording(CDocManager& docs, CPrompt& prompt, std::function<bool()> fnOnline, QObject* pParent)
    : QObject(pParent)
    , m_docs(docs)
    , m_prompt(prompt)
    , m_fnOnline(std::move(fnOnline))
    , m_folderLog(CLogToFolderDlg::CChoice::Read())
    , m_nMaxFolderRecords(CLiveRecorder::kMaxRecords)
{
    m_autosave.setInterval(std::chrono::seconds(CLiveRecorder::kAutosaveSeconds));
    connect(&m_autosave, &QTimer::timeout, this, &CRealTimeRecording::SaveFolder);
    // A live document whose window closes stops the recording first.
    connect(&m_docs, &CDocManager::ViewClosing, this, [this](CMyTalvaView* pView) {
        if (pView->m_bLive && m_bRecording)
            OnStop();
    });
}

CRealTimeRecording::~CRealTimeRecording()
{
    // What a recording to a folder still holds goes to its files before the lock is given up.
    if (m_pSeries)
        m_pSeries->Save();
}

void CRealTimeRecording::AddCommands(CCommandHost& commands)
{
    QMenu* pMenu = commands.Menu(CCommandHost::MenuId::RealTime);
    m_pWindow = commands.CommandWindow();
    const QStyle* pStyle = m_pWindow->style();
    m_pStart = pMenu->addAction(pStyle->standardIcon(QStyle::SP_MediaPlay), tr("Start"), QKeySequence(Qt::Key_F5),
                                this, &CRealTimeRecording::OnStart);
    m_pStart->setStatusTip(tr("Record the meter's readings into a new document"));
    m_pStop = pMenu->addAction(pStyle->standardIcon(QStyle::SP_MediaStop), tr("Stop"),
                               QKeySequence(Qt::SHIFT | Qt::Key_F5), this, &CRealTimeRecording::OnStop);
    m_pStop->setStatusTip(tr("End the recording"));
    pMenu->addSeparator();
    m_pLogToFolder = pMenu->addAction(tr("Log to &Folder..."), this, &CRealTimeRecording::OnLogToFolder);
    m_pLogToFolder->setStatusTip(tr("Record into numbered files in a folder, saved as they fill, for logging unattended"));
    m_pLogToFolder->setCheckable(true);
    m_pLogToFolder->setChecked(m_folderLog.bOn);
    commands.AddToolButton(CCommandHost::ToolButton::Start, m_pStart);
    commands.AddToolButton(CCommandHost::ToolButton::Stop, m_pStop);
    SetRecording(m_bRecording);
}

void CRealTimeRecording::SetRecording(bool bRecording)
{
    const bool bChanged = bRecording != m_bRecording;
    m_bRecording = bRecording;
    if (m_pStart)
        m_pStart->setEnabled(!bRecording);
    if (m_pStop)
        m_pStop->setEnabled(bRecording);
    if (bChanged)
        emit RecordingChanged(bRecording);
}

CMyTalvaView* CRealTimeRecording::StartNewLive()
{
    CMyTalvaView* pView = m_docs.NewDocument();
    qCInfo(LogRecord, "recording started into %s", qUtf8Printable(pView->Title()));
    SetRecording(true);
    emit LiveCountChanged(pView->Title(), 0);
    return pView;
}

void CRealTimeRecording::OnStart()
{
    if (m_bRecording)
        return;
    if (!m_fnOnline || !m_fnOnline()) {
        qCInfo(LogRecord, "Start refused: no meter online");
        emit StartRefused();
        return;
    }
    if (m_folderLog.bOn)
        StartFolder();
    else
        StartNewLive();
}

void CRealTimeRecording::SetFolderLog(const CLogToFolderDlg::CChoice& choice)
{
    m_folderLog = choice;
    m_folderLog.Write();
    if (m_pLogToFolder)
        m_pLogToFolder->setChecked(choice.bOn);
    qCInfo(LogRecord, "Log to Folder %s: %s", choice.bOn ? "on" : "off", qUtf8Printable(QDir::toNativeSeparators(choice.FirstPath())));
}

void CRealTimeRecording::OnLogToFolder()
{
    // The action's tick follows the setting, not the click.
    if (m_pLogToFolder)
        m_pLogToFolder->setChecked(m_folderLog.bOn);
    CLogToFolderDlg dlg(m_folderLog, m_pWindow);
    if (dlg.exec() == QDialog::Accepted)
        SetFolderLog(dlg.Choice());
}

bool CRealTimeRecording::StartFolder()
{
    auto refuse = [this](const QString& strText) {
        qCWarning(LogRecord, "%s", qUtf8Printable(strText));
        m_prompt.Message(strText, CProgramInfo::Name(), CPrompt::Warning);
        return false;
    };
    if (const QString strProblem = m_folderLog.Problem(); !strProblem.isEmpty())
        return refuse(tr("Cannot log to the folder: %1 (Real Time, Log to Folder...)").arg(strProblem));
    // A recording stopped earlier whose files could not all be saved still holds its lock.
    if (m_pSeries && !SaveFolder())
        return refuse(tr("The last recording to the folder is not saved yet: %1").arg(m_pSeries->UnsavedFiles().join(QStringLiteral(", "))));
    auto pSeries = std::make_unique<CLiveRecorder>(m_folderLog.FirstPath());
    pSeries->SetMaxRecords(m_nMaxFolderRecords);
    const QStringList existing = pSeries->ExistingFiles();
    if (!existing.isEmpty()) {
        QStringList names;
        for (const QString& strPath : existing)
            names << QFileInfo(strPath).fileName();
        const QString strNames = names.size() > 3 ? tr("%1, ... (%2 files)").arg(names.mid(0, 3).join(QStringLiteral(", "))).arg(names.size())
                                                  : names.join(QStringLiteral(", "));
        if (m_prompt.Ask(tr("%1 already holds %2. Record over them?").arg(QDir::toNativeSeparators(m_folderLog.strFolder), strNames),
                         CProgramInfo::Name(), false) != CPrompt::Yes)
            return false;
    }
    QString strError;
    if (!pSeries->Lock(&strError) || !pSeries->RemoveOldContinuations(&strError))
        return refuse(strError);
    connect(pSeries.get(), &CLiveRecorder::FileStarted, this, &CRealTimeRecording::OnFolderFileStarted);
    connect(pSeries.get(), &CLiveRecorder::FileError, this, &CRealTimeRecording::OnSaveFailed);
    m_pSeries = std::move(pSeries);
    m_bToFolder = true;
    OpenFolderView(m_pSeries->FilePath(1));
    qCInfo(LogRecord, "recording to the folder %s", qUtf8Printable(QDir::toNativeSeparators(m_folderLog.strFolder)));
    SetRecording(true);
    m_autosave.start();
    m_bSaveFailing = false;
    EmitFolderCount();
    return true;
}

CMyTalvaView* CRealTimeRecording::OpenFolderView(const QString& strPath)
{
    CMyTalvaView* pView = m_docs.NewDocument();
    const QFileInfo info(strPath);
    pView->SetTitle(info.fileName());
    pView->SetPathName(info.absoluteFilePath());
    m_pFolderView = pView;
    return pView;
}

void CRealTimeRecording::OnFolderFileStarted(const QString& strPath)
{
    if (m_pFolderView && m_pFolderView->PathName() == QFileInfo(strPath).absoluteFilePath())
        return;
    FinishFolderView();
    OpenFolderView(strPath);
}

void CRealTimeRecording::FinishFolderView()
{
    CMyTalvaView* pView = std::exchange(m_pFolderView, nullptr);
    if (!pView)
        return;
    // The recorder has its own copy of the file: saved, or kept to be saved again.
    pView->m_bLive = false;
    pView->GetDocument()->m_bLive = false;
    pView->SetModified(false);
    m_docs.CloseView(pView);
}

void CRealTimeRecording::RecordFolder(const CDecodedReading& decoded)
{
    // A new function or a full file makes the recorder start the next file, and the view follow.
    if (!m_pSeries->Record(decoded))
        return;
    if (m_pFolderView)
        AddLive(*m_pFolderView, CRecordingRules::LiveReading(decoded), decoded.strTime);
    EmitFolderCount();
}

void CRealTimeRecording::EmitFolderCount()
{
    emit FolderCountChanged(m_folderLog.strFolder, m_pSeries->FileCount(), m_pSeries->TotalRecords(), m_bSaveFailing);
}

void CRealTimeRecording::OnSaveFailed(const QString& strMessage)
{
    m_bSaveFailing = true;
    emit Notice(strMessage);
    if (m_bToFolder)
        EmitFolderCount();
}

bool CRealTimeRecording::SaveFolder()
{
    if (!m_pSeries)
        return true;
    if (!m_pSeries->Save())
        return false;
    if (m_pFolderView)
        m_pFolderView->SetModified(false);
    if (std::exchange(m_bSaveFailing, false) && m_bToFolder) {
        emit Notice(tr("The recording to the folder is saved again"));
        EmitFolderCount();
    }
    if (!m_bToFolder) {
        // Stopped, and everything is in its files now: the lock goes with the recorder.
        qCInfo(LogRecord, "the recording to the folder is saved: %lld readings in %d files",
               qlonglong(m_pSeries->TotalRecords()), m_pSeries->FileCount());
        m_pSeries.reset();
        m_autosave.stop();
    }
    return true;
}

void CRealTimeRecording::OnStop()
{
    for (CMyTalvaView* pView : m_docs.Views()) {
        if (!pView->m_bLive)
            continue;
        pView->GetDocument()->m_bLive = false;
        pView->m_bLive = false;
        if (m_bRecording)
            qCInfo(LogRecord, "recording stopped: %lld readings in %s", qlonglong(ReadingCount(*pView)),
                   qUtf8Printable(pView->Title()));
    }
    if (m_bRecording)
        emit LiveCountChanged(QString(), 0);
    const bool bToFolder = std::exchange(m_bToFolder, false);
    SetRecording(false);
    // Saved now; a failure keeps the recorder, and its autosave tries again.
    if (bToFolder)
        SaveFolder();
}

void CRealTimeRecording::Hold()
{
    m_bHolding = true;
}

void CRealTimeRecording::Resume()
{
    m_bHolding = false;
    const QList<CDecodedReading> held = std::exchange(m_held, {});
    for (const CDecodedReading& decoded : held)
        OnReading(decoded);
}

void CRealTimeRecording::DropHeld()
{
    m_bHolding = false;
    if (!m_held.isEmpty())
        qCInfo(LogRecord, "%lld readings that arrived during the save questions were not recorded", qlonglong(m_held.size()));
    m_held.clear();
}

void CRealTimeRecording::OnReading(const CDecodedReading& decoded)
{
    if (m_bHolding) {
        if (m_held.size() < kMaxHeld)
            m_held.append(decoded);
        return;
    }
    if (m_bRecording && decoded.bSeries8Frame) {
        if (m_bToFolder)
            RecordFolder(decoded);
        else
            RecordLive(decoded);
    } else if (decoded.bSeries9 && !decoded.bSeries8Frame) {
        // Only the meter's series-9 frames are statistics readings. The series flag outlives the
        // statistics mode when a series marker comes with series-8 frames behind it: those (a
        // frequency, say) must not open a document that nobody started.
        // Statistics readings end a live recording: Stop in full, so that no view stays live
        // for the next Start to record into besides its own.
        if (m_bRecording)
            OnStop();
        RecordStatistics(decoded);
    }
}

void CRealTimeRecording::RecordLive(const CDecodedReading& decoded)
{
    const MeterReading r = CRecordingRules::LiveReading(decoded);
    for (CMyTalvaView* pView : m_docs.Views()) {
        if (!pView->m_bLive)
            continue;
        switch (CRecordingRules::CheckLive(*pView->GetDocument(), r.m_strFunction)) {
        case CRecordingRules::LiveCheck::FunctionChanged: {
            // The reading that changes the function is the first of the next document.
            qCInfo(LogRecord, "the function changed to %s", qUtf8Printable(r.m_strFunction));
            OnStop();
            CMyTalvaView* pNext = StartNewLive();
            AddLive(*pNext, r, decoded.strTime);
            emit LiveCountChanged(pNext->Title(), ReadingCount(*pNext));
            return;
        }
        case CRecordingRules::LiveCheck::Full:
            qCInfo(LogRecord, "%s is full", qUtf8Printable(pView->Title()));
            OnStop();
            return;
        case CRecordingRules::LiveCheck::Record:
            AddLive(*pView, r, decoded.strTime);
            emit LiveCountChanged(pView->Title(), ReadingCount(*pView));
            break;
        }
    }
}

void CRealTimeRecording::AddLive(CMyTalvaView& view, const MeterReading& r, const QString& strTime)
{
    CRecordingRules::AddLive(*view.GetDocument(), r, strTime);
    CGraphDlg& graph = *view.Graph();
    double dMax = 0.0, dMin = 0.0;
    // The limits are in the reading's unit; the graph draws in the document's.
    const CMyTalvaDoc& doc = *view.GetDocument();
    if (graph.ScaleChoice().m_autoScale && !graph.IsZoomed()
        && CRecordingRules::AutoLimits(r.m_nDecimals, r.m_strFunction, &dMax, &dMin)
        && doc.ToDocumentUnit(r.m_strUnit, &dMax) && doc.ToDocumentUnit(r.m_strUnit, &dMin)
        && (graph.YMax() != dMax || graph.YMin() != dMin))
        graph.SetYRange(dMax, dMin);
}

CMyTalvaView* CRealTimeRecording::OpenStatisticsView()
{
    CMyTalvaView* pView = m_docs.NewDocument();
    qCInfo(LogRecord, "the meter sends statistics readings: %s opened for them", qUtf8Printable(pView->Title()));
    pView->m_bAuxView = true;
    pView->m_bLive = false;
    pView->ListModel()->SetOverloadRule(CDataListModel::OverloadRule::None);
    return pView;
}

void CRealTimeRecording::RecordStatistics(const CDecodedReading& decoded)
{
    if (decoded.nRecordKind < 1 || decoded.nRecordKind > 9)
        return;
    bool bRecorded = false;
    for (CMyTalvaView* pView : m_docs.Views()) {
        if (!pView->m_bAuxView)
            continue;
        CRecordingRules::AddStatistics(*pView->GetDocument(), decoded);
        bRecorded = true;
    }
    if (bRecorded)
        return;
    CRecordingRules::AddStatistics(*OpenStatisticsView()->GetDocument(), decoded);
    OnStop();
}
