#include "scope/ui/COscWindows.h"

#include "base/CProgramInfo.h"
#include "link/CPrompt.h"
#include "protocol/CMeterProtocol.h"
#include "scope/COscFile.h"
#include "scope/COscSlots.h"
#include "scope/COscText.h"
#include "scope/ui/COSCDlg.h"
#include "scope/ui/COSCList.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

COscWindows::COscWindows(CMeterProtocol& protocol, CPrompt& prompt, QMdiArea* pArea, QObject* pParent)
    : QObject(pParent)
    , m_prompt(prompt)
    , m_pArea(pArea)
    , m_pSlots(std::make_unique<COscSlots>(&prompt))
    , m_pList(new COSCList)
{
    // The link thread decodes into the slots (they have their own lock) ...
    connect(&protocol, &CMeterProtocol::OscilloscopeData, m_pSlots.get(), &COscSlots::DecodeOscFrame,
            Qt::DirectConnection);
    // ... and the windows get what changed by value, on this thread.
    connect(m_pSlots.get(), &COscSlots::LiveWaveform, this, &COscWindows::OnLiveWaveform, Qt::QueuedConnection);
    connect(m_pSlots.get(), &COscSlots::SlotStatus, m_pList,
            [this](int nSlot, int nStatus) { m_pList->UpdateSlotButton(nStatus, nSlot); }, Qt::QueuedConnection);
    connect(&protocol, &CMeterProtocol::CloseOscWindow, this, &COscWindows::CloseOscWindow, Qt::QueuedConnection);
    connect(m_pList, &COSCList::SlotClicked, this, &COscWindows::ShowStoredWaveform);
}

// The list belongs to whatever window it was placed in; an unplaced one is ours.
COscWindows::~COscWindows()
{
    if (m_pList && !m_pList->parent())
        delete m_pList;
}

COSCDlg* COscWindows::EnsureScopeWindow()
{
    if (m_pScope)
        return m_pScope;
    m_pScope = new COSCDlg(m_prompt);
    m_pScopeFrame = AddWindow(m_pScope);
    // Forgotten as soon as it closes, so a waveform arriving meanwhile makes a new one
    // instead of showing a window on its way out.
    connect(m_pScope, &COSCDlg::Closed, this, [this] {
        m_pScope = nullptr;
        m_pScopeFrame = nullptr;
        m_nHeldSlot = 0;
    });
    connect(m_pScope, &COSCDlg::LiveRequested, this, &COscWindows::ShowLive);
    return m_pScope;
}

QMdiSubWindow* COscWindows::AddWindow(COSCDlg* pDlg)
{
    QMdiSubWindow* pSub = m_pArea->addSubWindow(pDlg);
    pSub->setAttribute(Qt::WA_DeleteOnClose); // deleted later, once its events are done
    pSub->setWindowTitle(pDlg->windowTitle());
    return pSub;
}

void COscWindows::Present(QMdiSubWindow* pSub, bool bActivate)
{
    if (!pSub->isVisible()) {
        // Placed only when it appears: a window the user moved stays where it is.
        const QRect rcArea = m_pArea->viewport()->rect();
        QRect rc(kLeft, kTop, rcArea.width() - kLeft, rcArea.height() - kTop);
        const QSize minimum = pSub->minimumSizeHint();
        if (rc.height() < minimum.height())
            rc.setTop(std::max(0, rcArea.height() - minimum.height()));
        if (rc.width() < minimum.width())
            rc.setLeft(std::max(0, rcArea.width() - minimum.width()));
        pSub->setGeometry(rc);
        pSub->show();
        bActivate = true;
    }
    if (bActivate)
        m_pArea->setActiveSubWindow(pSub);
}

void COscWindows::OnLiveWaveform(const OscRecord& record, const QString& strInfo)
{
    if (m_nHeldSlot != 0 && m_pScope)
        return; // the slot stays in the window; the screen waits in slot 0 for "Live"
    EnsureScopeWindow()->ShowWaveform(record, strInfo);
    // The live screen refreshes several times a second: it does not take the focus each time.
    Present(m_pScopeFrame, false);
}

void COscWindows::ShowStoredWaveform(int nSlot)
{
    const OscRecord record = m_pSlots->Slot(nSlot);
    COSCDlg* pScope = EnsureScopeWindow();
    pScope->ShowWaveform(record, COscText::StoredInfo(nSlot, record));
    pScope->SetHolding(true);
    m_nHeldSlot = nSlot;
    Present(m_pScopeFrame, true);
}

void COscWindows::ShowLive()
{
    m_nHeldSlot = 0;
    if (!m_pScope)
        return;
    m_pScope->SetHolding(false);
    // The latest screen at once; none yet: the next one comes with the next frame.
    const OscRecord live = m_pSlots->Slot(0);
    if (live.m_valid)
        m_pScope->ShowWaveform(live, COscText::LiveInfo(live));
}

void COscWindows::CloseOscWindow()
{
    if (m_pScopeFrame)
        m_pScopeFrame->close();
}

void COscWindows::OnOpenOsc()
{
    const QString strPath = QFileDialog::getOpenFileName(m_pArea->window(), QStringLiteral("Open Osc"),
                                                         COSCDlg::WaveformFolder(), COscFile::FilterName());
    if (strPath.isEmpty())
        return;
    COSCDlg::SetWaveformFolder(QFileInfo(strPath).absolutePath());
    OpenOscFile(strPath);
}

COSCDlg* COscWindows::OpenOscFile(const QString& strPath)
{
    QString strError;
    const std::optional<OscRecord> record = COscFile::LoadFile(strPath, &strError);
    if (!record) {
        m_prompt.Message(strError, CProgramInfo::Name(), CPrompt::Warning);
        return nullptr;
    }
    auto* pDlg = new COSCDlg(m_prompt);
    const QString strInfo =
        record->m_slot == 0 ? COscText::LiveInfo(*record) : COscText::StoredInfo(record->m_slot, *record);
    pDlg->ShowWaveform(*record, strInfo);
    pDlg->setWindowTitle(QStringLiteral("%1 - %2").arg(COSCDlg::Title(), QFileInfo(strPath).fileName()));
    Present(AddWindow(pDlg), true);
    return pDlg;
}
