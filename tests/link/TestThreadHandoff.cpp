#include "link/CThreadHandoff.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

TEST(ThreadHandoff, RunsWhatOtherThreadsPostOnItsOwnThreadInOrder)
{
    QObject owner;
    CThreadHandoff handoff(&owner);
    std::vector<int> order;      // touched on this thread only, by the posted functions
    bool bOnOwnerThread = true;
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i)
            handoff.Post([&, i] {
                bOnOwnerThread = bOnOwnerThread && QThread::currentThread() == owner.thread();
                order.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // nothing runs inside Post
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 1000; }, 5000));
    EXPECT_TRUE(bOnOwnerThread);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(order[size_t(i)], i);

    // A function posted by one that runs gets its own turn later, not a lost wake-up.
    bool bSecond = false;
    handoff.Post([&] { handoff.Post([&] { bSecond = true; }); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return bSecond; }, 5000));
}

TEST(ThreadHandoff, WhatIsLeftWhenTheOwnerGoesIsDropped)
{
    int nRuns = 0;
    auto pOwner = std::make_unique<QObject>();
    auto* pHandoff = new CThreadHandoff(pOwner.get());
    std::thread([&] { pHandoff->Post([&] { ++nRuns; }); }).join();
    pOwner.reset(); // its child goes with the queue
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(nRuns, 0);

    // A function that ends the owner stops the ones queued behind it.
    pOwner = std::make_unique<QObject>();
    pHandoff = new CThreadHandoff(pOwner.get());
    pHandoff->Post([&] { ++nRuns; pOwner.reset(); });
    pHandoff->Post([&] { nRuns += 10; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pOwner; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(nRuns, 1);
}
