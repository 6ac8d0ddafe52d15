#include "app/CDemoMeter.h"

#include "sim/CSimServer.h"

QString CDemoMeter::ScenarioPath()
{
    return QStringLiteral(":/scenarios/demo.json");
}

CDemoMeter::CDemoMeter()
{
    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    options.meter.strScenarioPath = ScenarioPath();
    m_pServer = std::make_unique<CSimServer>(options);
}

CDemoMeter::~CDemoMeter()
{
    Stop();
}

bool CDemoMeter::Start(QString* pstrError)
{
    if (!m_pServer->Open(pstrError))
        return false;
    m_pServer->StartThread();
    return true;
}

void CDemoMeter::Stop()
{
    m_pServer->StopThread();
}

QString CDemoMeter::PortPath() const
{
    return m_pServer->PortPath();
}
