#include "link/CBlockingInvoker.h"

#include "link/CThreadHandoff.h"

#include <QThread>

bool CBlockingInvoker::Run(CThreadHandoff& target, std::function<void()> fn)
{
    if (QThread::currentThread() == target.thread()) {
        fn();
        return true;
    }
    auto pShared = Current();
    auto pDone = std::make_shared<bool>(false);
    {
        std::lock_guard lock(pShared->mutex);
        if (pShared->bCancelled)
            return false;
    }
    // The closure owns what it touches, so it stays safe if the caller has
    // already given up by the time it runs.
    target.Post([pShared, pDone, fn = std::move(fn)] {
        {
            std::lock_guard lock(pShared->mutex);
            if (pShared->bCancelled)
                return;
        }
        fn();
        std::lock_guard lock(pShared->mutex);
        *pDone = true;
        pShared->cv.notify_all();
    });
    std::unique_lock lock(pShared->mutex);
    pShared->cv.wait(lock, [&] { return *pDone || pShared->bCancelled; });
    return *pDone;
}

std::shared_ptr<CBlockingInvoker::Shared> CBlockingInvoker::Current() const
{
    std::lock_guard lock(m_currentMutex);
    return m_pShared;
}

void CBlockingInvoker::Cancel()
{
    const auto pShared = Current();
    std::lock_guard lock(pShared->mutex);
    pShared->bCancelled = true;
    pShared->cv.notify_all();
}

void CBlockingInvoker::Reset()
{
    auto pFresh = std::make_shared<Shared>();
    std::lock_guard lock(m_currentMutex);
    m_pShared = std::move(pFresh);
}
