#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class CThreadHandoff;

// Runs a function on another object's thread and waits for it, like a
// blocking queued call, but can be cancelled: once Cancel() has been called,
// pending and new calls return at once without running. This is what lets the
// GUI stop a worker that is waiting for the GUI (a blocking queued connection
// cannot be cancelled and would deadlock the stop).
class CBlockingInvoker
{
public:
    CBlockingInvoker() = default;
    CBlockingInvoker(const CBlockingInvoker&) = delete;
    CBlockingInvoker& operator=(const CBlockingInvoker&) = delete;

    // True when fn ran. Runs fn directly when called on the target's thread.
    bool Run(CThreadHandoff& target, std::function<void()> fn);
    void Cancel();
    // Allows calls again after a Cancel (for a restarted worker). A run gets a
    // fresh state: a call queued before the Cancel stays cancelled and never runs.
    void Reset();

private:
    struct Shared
    {
        std::mutex mutex;            //!< guards bCancelled and every call's bDone
        std::condition_variable cv;
        bool bCancelled = false;
    };
    std::shared_ptr<Shared> Current() const;

    mutable std::mutex m_currentMutex;                           //!< guards m_pShared (the pointer)
    std::shared_ptr<Shared> m_pShared = std::make_shared<Shared>(); //!< the state of the current run
};
