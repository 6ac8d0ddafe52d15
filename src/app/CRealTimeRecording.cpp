#include "app/CRealTimeRecording.h"

#include "app/CCommandHost.h"
#include "app/CDocManager.h"
#include "base/LogCategories.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CGraphDlg.h"
#include "protocol/CRecordingRules.h"

#include <QAction>
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

void CRealTimeRecording::AddCommands(CCommandHost& commands)
{
    QMenu* pMenu = commands.Menu(CCommandHost::MenuId::RealTime);
    const QStyle* pStyle = commands.CommandWindow()->style();
    m_pStart = pMenu->addAction(pStyle->standardIcon(QStyle::SP_MediaPlay), tr("Start"), QKeySequence(Qt::Key_F5),
                                this, &CRealTimeRecording::OnStart);
    m_pStart->setStatusTip(tr("Record the meter's readings into a new document"));
    m_pStop = pMenu->addAction(pStyle->standardIcon(QStyle::SP_MediaStop), tr("Stop"),
                               QKeySequence(Qt::SHIFT | Qt::Key_F5), this, &CRealTimeRecording::OnStop);
    m_pStop->setStatusTip(tr("End the recording"));
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
    StartNewLive();
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
    SetRecording(false);
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
        case CRecordingRules::LiveCheck::FunctionChanged:
            // The reading that changes the function is the first of the next document.
            qCInfo(LogRecord, "the function changed to %s", qUtf8Printable(r.m_strFunction));
            OnStop();
            AddLive(*StartNewLive(), r, decoded.strTime);
            return;
        case CRecordingRules::LiveCheck::Full:
            qCInfo(LogRecord, "%s is full", qUtf8Printable(pView->Title()));
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
    emit LiveCountChanged(view.Title(), ReadingCount(view));
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
