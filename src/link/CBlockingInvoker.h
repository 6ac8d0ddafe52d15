#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Runs a function on another object's thread and waits for it, like a
// blocking queued call, but can be cancelled: once Cancel() has been called,
// pending and new calls return at once without running. This is what lets the
// GUI stop a worker that is waiting for the GUI.
class CBlockingInvoker
{
public:
    CBlockingInvoker() = default;
    CBlockingInvoker(const CBlockingInvoker&) = delete;
    CBlockingInvoker& operator=(const CBlockingInvoker&) = delete;

    // True when fn ran. Runs fn directly when called on pContext's thread.
    bool Run(QObject* pContext, std::function<void()> fn);
    void Cancel();
    // Allows calls again after a Cancel (for a restarted worker).
    void Reset();

private:
    struct Shared
    {
        std::mutex mutex;            //!< guards bCancelled and every call's bDone
        std::condition_variable cv;
        bool bCancelled = false;
    };
    std::shared_ptr<Shared> m_pShared = std::make_shared<Shared>();
};
