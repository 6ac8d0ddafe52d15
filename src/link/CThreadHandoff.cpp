#include "link/CThreadHandoff.h"

#include <QMetaObject>
#include <QPointer>

CThreadHandoff::CThreadHandoff(QObject* pParent)
    : QObject(pParent)
{
}

void CThreadHandoff::Post(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(fn));
        if (m_bDrainPosted)
            return;
        m_bDrainPosted = true;
    }
    // By name: the call Qt queues is then built inside Qt, and carries nothing of ours.
    QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

void CThreadHandoff::Drain()
{
    std::deque<std::function<void()>> queue;
    {
        std::lock_guard lock(m_lock);
        queue.swap(m_queue);
        m_bDrainPosted = false;
    }
    // In order; a function may post more, which a later Drain runs. One that
    // ends the owner (and so this object) drops the rest, as Qt would.
    const QPointer<CThreadHandoff> self(this);
    for (auto& fn : queue) {
        fn();
        if (!self)
            return;
    }
}
