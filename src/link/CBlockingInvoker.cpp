#include "link/CBlockingInvoker.h"

#include <QMetaObject>
#include <QThread>

bool CBlockingInvoker::Run(QObject* pContext, std::function<void()> fn)
{
    if (QThread::currentThread() == pContext->thread()) {
        fn();
        return true;
    }
    auto pShared = m_pShared;
    auto pDone = std::make_shared<bool>(false);
    {
        std::lock_guard lock(pShared->mutex);
        if (pShared->bCancelled)
            return false;
    }
    // The closure owns what it touches, so it stays safe if the caller has
    // already given up by the time it runs.
    QMetaObject::invokeMethod(pContext, [pShared, pDone, fn = std::move(fn)] {
        {
            std::lock_guard lock(pShared->mutex);
            if (pShared->bCancelled)
                return;
        }
        fn();
        std::lock_guard lock(pShared->mutex);
        *pDone = true;
        pShared->cv.notify_all();
    }, Qt::QueuedConnection);
    std::unique_lock lock(pShared->mutex);
    pShared->cv.wait(lock, [&] { return *pDone || pShared->bCancelled; });
    return *pDone;
}

void CBlockingInvoker::Cancel()
{
    std::lock_guard lock(m_pShared->mutex);
    m_pShared->bCancelled = true;
    m_pShared->cv.notify_all();
}

void CBlockingInvoker::Reset()
{
    std::lock_guard lock(m_pShared->mutex);
    m_pShared->bCancelled = false;
}
