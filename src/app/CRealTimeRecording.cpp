#include "app/CRealTimeRecording.h"

#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"
#include "protocol/CRecordingRules.h"

#include <QAction>
#include <QMenu>
#include <QStyle>

CRealTimeRecording::CRealTimeRecording(CDocManager& docs, std::function<bool()> fnOnline, QObject* pParent)
    : QObject(pParent)
    , m_docs(docs)
    , m_fnOnline(std::move(fnOnline))
{
    // A live document whose window closes stops the recording first.
    connect(&m_docs, &CDocManager::ViewClosing, this, [this](CMyTalvaView* pView) {
        if (pView->m_bLive && m_bRecording)
            OnStop();
    });
}

void CRealTimeRecording::AddCommands(CMainFrame& frame)
{
    QMenu* pMenu = frame.Menu(CMainFrame::MenuId::RealTime);
    m_pStart = pMenu->addAction(frame.style()->standardIcon(QStyle::SP_MediaPlay), tr("Start"), QKeySequence(Qt::Key_F5),
                                this, &CRealTimeRecording::OnStart);
    m_pStart->setStatusTip(tr("Record the meter's readings into a new document"));
    m_pStop = pMenu->addAction(frame.style()->standardIcon(QStyle::SP_MediaStop), tr("Stop"),
                               QKeySequence(Qt::SHIFT | Qt::Key_F5), this, &CRealTimeRecording::OnStop);
    m_pStop->setStatusTip(tr("End the recording"));
    frame.AddToolButton(CMainFrame::ToolButton::Start, m_pStart);
    frame.AddToolButton(CMainFrame::ToolButton::Stop, m_pStop);
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
    SetRecording(true);
    return pView;
}

void CRealTimeRecording::OnStart()
{
    if (m_bRecording)
        return;
    if (!m_fnOnline || !m_fnOnline()) {
        emit StartRefused();
        return;
    }
    StartNewLive();
}

void CRealTimeRecording::OnStop()
{
    for (CMyTalvaView* pView : m_docs.Views()) {
        if (!pView->m_bLive)
            continue;
        pView->GetDocument()->m_bLive = false;
        pView->m_bLive = false;
    }
    SetRecording(false);
}

void CRealTimeRecording::OnReading(const CDecodedReading& decoded)
{
    if (m_bRecording && decoded.bSeries8Frame) {
        RecordLive(decoded);
    } else if (decoded.bSeries9) {
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
        case CRecordingRules::LiveCheck::FunctionChanged:
            // The reading that changes the function is the first of the next document.
            OnStop();
            AddLive(*StartNewLive(), r, decoded.strTime);
            return;
        case CRecordingRules::LiveCheck::Full:
            OnStop();
            return;
        case CRecordingRules::LiveCheck::Record:
            AddLive(*pView, r, decoded.strTime);
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
