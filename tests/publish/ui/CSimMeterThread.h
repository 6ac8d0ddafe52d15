#pragma once

#include "sim/CSimServer.h"

#include <gtest/gtest.h>

#include <memory>

// The simulated dongle and meter on a thread of the test, playing a scenario (or the steady
// stream without one).
struct CSimMeterThread
{
    explicit CSimMeterThread(const QString& strScenario = QString(), double dRate = 10)
    {
        CSimDongleOptions options;
        options.advertisers = CSimDongle::DefaultAdvertisers();
        options.meter.dRate = dRate;
        options.meter.strScenarioPath = strScenario;
        server = std::make_unique<CSimServer>(options);
        QString strError;
        bOpen = server->Open(&strError);
        EXPECT_TRUE(bOpen) << qPrintable(strError);
        if (bOpen)
            server->StartThread();
    }
    std::unique_ptr<CSimServer> server;
    bool bOpen = false;
};
