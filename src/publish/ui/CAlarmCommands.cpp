#include "publish/ui/CAlarmCommands.h"

#include "app/CDocManager.h"
#include "app/CCommandHost.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "link/CMeterLink.h"
#include "protocol/CMeterProtocol.h"
#include "publish/PublishLog.h"
#include "publish/ui/CAlarmDlg.h"
#include "publish/ui/CAlarmFrame.h"
#include "publish/ui/CDesktopNotifier.h"
#include "publish/ui/CPublishCommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>

namespace {
const QString kAboveKey = QStringLiteral("Alarms/Above");
const QString kBelowKey = QStringLiteral("Alarms/Below");
constexpr int kMessageMs = 10000;
}

CAlarmCommands::CAlarmCommands(const CPublishHost& host, QWidget* pPanel, CDocManager& docs, CPublishCommands* pPublish)
    : QObject(host.commands.CommandWindow())
    , m_host(host)
    , m_docs(docs)
    , m_pPublish(pPublish)
    , m_pFrame(new CAlarmFrame(pPanel))
{
    QMenu* pMenu = host.commands.Menu(CCommandHost::MenuId::RealTime);
    pMenu->addSeparator();
    m_pAlarms = pMenu->addAction(tr("&Alarms..."), this, &CAlarmCommands::OnAlarms);
    m_pAlarms->setStatusTip(tr("Be told when a reading leaves the limits you set"));
    m_pAcknowledge = pMenu->addAction(tr("Ac&knowledge Alarm"), QKeySequence(Qt::CTRL | Qt::Key_K), this, &CAlarmCommands::Acknowledge);
    m_pAcknowledge->setStatusTip(tr("Clear the red frame of the alarm"));
    m_pAcknowledge->setEnabled(false);
    connect(m_pFrame, &CAlarmFrame::AcknowledgeRequested, this, &CAlarmCommands::Acknowledge);

    QSettings settings(CDocManager::SettingsPath(), QSettings::IniFormat);
    QString strError;
    if (!SetLimits(settings.value(kAboveKey).toString(), settings.value(kBelowKey).toString(), &strError))
        qCWarning(lcPublish).noquote() << "the remembered alarm limits do not read:" << strError;

    connect(&host.protocol, &CMeterProtocol::ReadingDecoded, this, &CAlarmCommands::OnReading, Qt::QueuedConnection);
}

bool CAlarmCommands::SetLimits(const QString& strAbove, const QString& strBelow, QString* pstrError)
{
    CAlarmWatch watch;
    if ((!strAbove.isEmpty() && !watch.SetAbove(strAbove, pstrError)) || (!strBelow.isEmpty() && !watch.SetBelow(strBelow, pstrError)))
        return false;
    m_watch = watch;
    m_strAbove = strAbove;
    m_strBelow = strBelow;
    QSettings settings(CDocManager::SettingsPath(), QSettings::IniFormat);
    settings.setValue(kAboveKey, strAbove);
    settings.setValue(kBelowKey, strBelow);
    return true;
}

void CAlarmCommands::OnAlarms()
{
    auto* pDlg = new CAlarmDlg(m_strAbove, m_strBelow, m_host.commands.CommandWindow());
    pDlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(pDlg, &QDialog::accepted, this, [this, pDlg] {
        QString strError;
        SetLimits(pDlg->Above(), pDlg->Below(), &strError); // the dialog let only readable limits through
    });
    pDlg->open();
}

void CAlarmCommands::Acknowledge()
{
    m_pFrame->hide();
    m_pAcknowledge->setEnabled(false);
}

bool CAlarmCommands::IsAlarmShown() const
{
    return m_pFrame->isVisible();
}

void CAlarmCommands::OnReading(const CDecodedReading& d)
{
    const QList<CAlarmEvent> events = m_watch.Check(d, QDateTime::currentDateTime(), m_host.link.LastAddress());
    if (!events.isEmpty())
        Raise(d, events);
}

void CAlarmCommands::Raise(const CDecodedReading& d, const QList<CAlarmEvent>& events)
{
    QStringList remarks;
    for (const CAlarmEvent& event : events) {
        remarks << event.Remark();
        qCInfo(lcPublish).noquote() << event.Line();
        if (m_pPublish)
            m_pPublish->PublishAlarm(event);
        if (!m_notifier) {
            // Made on the first alarm: a window that never alarms never talks to the bus.
            auto* pDesktop = new CDesktopNotifier(QDBusConnection::sessionBus(), this);
            m_notifier = [pDesktop](const QString& strSummary, const QString& strBody) { pDesktop->Notify(strSummary, strBody); };
        }
        m_notifier(tr("Multimeter alarm"), QStringLiteral("%1: %2 %3").arg(event.Remark(), event.ValueText(), event.strUnit));
        emit AlarmRaised(event);
    }
    const QString strRemark = remarks.join(QStringLiteral("; "));
    m_pFrame->ShowAlarm(strRemark);
    m_pAcknowledge->setEnabled(true);
    m_host.pStatusBar->showMessage(strRemark, kMessageMs);
    QApplication::beep();

    // Recording has taken this reading in already: it is the last row of each live document.
    for (CMyTalvaView* pView : m_docs.Views()) {
        const CRecordArray& records = pView->GetDocument()->m_arrData[0];
        const qsizetype nLast = records.size() - 1;
        if (!pView->m_bLive || records.isEmpty() || records.IsNull(nLast))
            continue;
        if (records.Time(nLast) != d.strTime || records.Type(nLast) != d.reading.m_strFunction)
            continue;
        pView->ListModel()->SetRemark(records.size() - 1, strRemark);
        pView->List()->resizeColumnToContents(CDataListModel::kRemark);
    }
}
