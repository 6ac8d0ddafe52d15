#include "link/CThreadHandoff.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {
// Notes the calls Qt delivers to it by name between the posted functions.
class CCallLog : public QObject
{
    Q_OBJECT
public:
    explicit CCallLog(std::vector<int>* pOrder) : m_pOrder(pOrder) {}
    Q_INVOKABLE void Note() { m_pOrder->push_back(-1); }

private:
    std::vector<int>* m_pOrder;
};
} // namespace

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

    // A call queued to the same thread between two posts runs between them, as a
    // signal emitted by the link thread between two hand-overs must.
    order.clear();
    CCallLog log(&order);
    std::thread([&] {
        handoff.Post([&] { order.push_back(0); });
        QMetaObject::invokeMethod(&log, "Note", Qt::QueuedConnection);
        handoff.Post([&] { order.push_back(1); });
    }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 3; }, 5000));
    EXPECT_EQ(order, (std::vector<int>{0, -1, 1}));
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

#include "TestThreadHandoff.moc"
