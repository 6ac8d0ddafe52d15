#pragma once

#include "sim/CSimServer.h"

#include <gtest/gtest.h>

#include <memory>

// The simulated dongle and meter on a thread of the test (10 readings a second), for tests
// that link to meter_sim.
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
        server = std::make_unique<CSimServer>(options);
        QString strError;
        bOpen = server->Open(&strError);
        EXPECT_TRUE(bOpen) << qPrintable(strError);
        if (bOpen)
            server->StartThread();
    }
    QString Port() const { return server->PortPath(); }
    std::unique_ptr<CSimServer> server;
    bool bOpen = false;
};
