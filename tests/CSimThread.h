#pragma once

#include "sim/CSimServer.h"

#include <gtest/gtest.h>

#include <memory>

// The simulated dongle and meter on a thread of the test, for tests that link to meter_sim:
// the steady stream at 10 readings a second, or a scenario.
struct CSimThread
{
    explicit CSimThread(double dDropAfterS = 0, int nDrops = 1,
                        QList<CSimAdvertiser> advertisers = CSimDongle::DefaultAdvertisers())
    {
        CSimDongleOptions options;
        options.advertisers = std::move(advertisers);
        options.dDropAfterS = dDropAfterS;
        options.nDrops = nDrops;
        options.meter.dRate = 10;
        Start(options);
    }
    CSimThread(const QString& strScenario, double dRate)
    {
        CSimDongleOptions options;
        options.advertisers = CSimDongle::DefaultAdvertisers();
        options.meter.dRate = dRate;
        options.meter.strScenarioPath = strScenario;
        Start(options);
    }
    QString Port() const { return server->PortPath(); }
    std::unique_ptr<CSimServer> server;
    bool bOpen = false;

private:
    void Start(const CSimDongleOptions& options)
    {
        server = std::make_unique<CSimServer>(options);
        QString strError;
        bOpen = server->Open(&strError);
        EXPECT_TRUE(bOpen) << qPrintable(strError);
        if (bOpen)
            server->StartThread();
    }
};
