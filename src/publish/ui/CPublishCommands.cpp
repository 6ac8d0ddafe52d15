#include "publish/ui/CPublishCommands.h"

#include "app/CDocManager.h"
#include "app/CCommandHost.h"
#include "link/CMeterLink.h"
#include "link/ui/CBleScan.h"
#include "protocol/CMeterProtocol.h"
#include "publish/CReadingPublisher.h"
#include "publish/PublishLog.h"
#include "publish/ui/CPublishPage.h"
#include "publish/ui/CPublishSettingsDlg.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>

CPublishCommands::CPublishCommands(const CPublishHost& host, CBleScan* pScan)
    : QObject(host.commands.CommandWindow())
    , m_host(host)
{
    QMenu* pMenu = host.commands.Menu(CCommandHost::MenuId::ComPort);
    pMenu->addSeparator();
    m_pSettingsAction = pMenu->addAction(tr("&Publish..."), this, &CPublishCommands::OnPublishSettings);
    m_pSettingsAction->setStatusTip(tr("Publish the live readings to an MQTT broker"));

    m_pPane = new QLabel;
    m_pPane->setObjectName(QStringLiteral("brokerState"));
    m_pPane->setAlignment(Qt::AlignCenter);
    m_pPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pPane->hide();
    host.pStatusBar->addPermanentWidget(m_pPane);

    // Readings reach the window queued and in order; the status follows the meter's link.
    connect(&host.protocol, &CMeterProtocol::ReadingDecoded, this, &CPublishCommands::OnReading, Qt::QueuedConnection);
    connect(&host.link, &CMeterLink::Connected, this, [this] { SetLinked(true); });
    connect(&host.link, &CMeterLink::LinkError, this, [this] { SetLinked(false); });
    connect(pScan, &CBleScan::LinkClosedForScan, this, [this] { SetLinked(false); });

    const CPublishSettings settings = CPublishSettings::Load(CDocManager::SettingsPath());
    if (settings.m_bEnabled) {
        CMqttUrl url;
        QString strError;
        if (settings.ToUrl(&url, &strError))
            Apply(settings, &strError);
        else
            qCWarning(lcPublish).noquote() << "the Publish settings are not usable:" << strError;
    }
}

CPublishCommands::~CPublishCommands()
{
    Stop();
}

void CPublishCommands::Stop()
{
    if (!m_pMqtt)
        return;
    if (m_pMqtt->CurrentState() != CMqttPublisher::State::Refused)
        m_pReadings->SetOnline(false);
    const qint64 nLeft = m_pMqtt->Finish(kExitFinishMs);
    if (nLeft > 0)
        qCWarning(lcPublish) << nLeft << "messages were not delivered";
    m_pReadings.reset();
    m_pMqtt.reset();
}

bool CPublishCommands::Apply(const CPublishSettings& settings, QString* pstrError)
{
    CMqttUrl url;
    if (settings.m_bEnabled && !settings.ToUrl(&url, pstrError))
        return false;
    if (!settings.Save(CDocManager::SettingsPath(), pstrError))
        return false;
    Stop();
    if (settings.m_bEnabled) {
        auto pMqtt = std::make_unique<CMqttPublisher>();
        connect(pMqtt.get(), &CMqttPublisher::StateChanged, this, [this](CMqttPublisher::State state, const QString& strText) {
            m_strStateText = strText;
            ShowState();
            if (state == CMqttPublisher::State::Refused || state == CMqttPublisher::State::Waiting)
                m_host.pStatusBar->showMessage(QStringLiteral("MQTT: %1").arg(strText), kMessageMs);
        });
        if (!pMqtt->Start(url, QString(), CMqttPublisher::kDefaultQueueLimit, pstrError))
            return false;
        m_pMqtt = std::move(pMqtt);
        m_pReadings = std::make_unique<CReadingPublisher>(*m_pMqtt);
        m_strStateText.clear();
        if (m_bLinked) {
            m_pReadings->SetMeter(m_strMeter);
            m_pReadings->SetOnline(true);
        }
    }
    ShowState();
    return true;
}

void CPublishCommands::OnPublishSettings()
{
    auto* pDlg = new CPublishSettingsDlg(CPublishSettings::Load(CDocManager::SettingsPath()), m_host.commands.CommandWindow());
    pDlg->setAttribute(Qt::WA_DeleteOnClose);
    connect(pDlg, &QDialog::accepted, this, [this, pDlg] {
        QString strError;
        if (!Apply(pDlg->Page()->Settings(), &strError))
            QMessageBox::warning(m_host.commands.CommandWindow(), tr("Publish"), strError);
    });
    pDlg->open();
}

void CPublishCommands::OnReading(const CDecodedReading& d)
{
    if (!m_pReadings || !m_bLinked)
        return;
    m_pReadings->PublishReading(d, QDateTime::currentDateTime());
    if (m_pMqtt->CurrentState() == CMqttPublisher::State::Waiting)
        ShowState(); // the count of readings waiting
}

void CPublishCommands::PublishAlarm(const CAlarmEvent& event)
{
    if (m_pReadings)
        m_pReadings->PublishAlarm(event);
}

void CPublishCommands::SetLinked(bool bLinked)
{
    m_bLinked = bLinked;
    if (bLinked)
        m_strMeter = m_host.link.LastAddress();
    if (!m_pReadings)
        return;
    if (bLinked)
        m_pReadings->SetMeter(m_strMeter);
    m_pReadings->SetOnline(bLinked);
}

void CPublishCommands::ShowState()
{
    if (!m_pMqtt) {
        m_pPane->hide();
        return;
    }
    QString strText;
    switch (m_pMqtt->CurrentState()) {
    case CMqttPublisher::State::Connected: strText = tr("MQTT connected"); break;
    case CMqttPublisher::State::Waiting: strText = tr("MQTT broker away, %1 waiting").arg(m_pMqtt->Queued()); break;
    case CMqttPublisher::State::Refused: strText = tr("MQTT refused"); break;
    case CMqttPublisher::State::Connecting:
    case CMqttPublisher::State::Stopped: strText = tr("MQTT connecting..."); break;
    }
    m_pPane->setText(strText);
    m_pPane->setToolTip(m_strStateText);
    m_pPane->show();
}
