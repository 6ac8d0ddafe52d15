#include "link/CThreadHandoff.h"

#include <QMetaObject>

CThreadHandoff::CThreadHandoff(QObject* pParent)
    : QObject(pParent)
{
}

void CThreadHandoff::Post(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(fn));
    }
    // One call per function, queued by name: Qt builds it inside its own code, it carries
    // nothing of ours, and each function keeps its place among the other events queued
    // to this thread (a signal emitted between two posts still runs between them).
    QMetaObject::invokeMethod(this, "RunNext", Qt::QueuedConnection);
}

void CThreadHandoff::RunNext()
{
    std::function<void()> fn;
    {
        std::lock_guard lock(m_lock);
        if (m_queue.empty())
            return;
        fn = std::move(m_queue.front());
        m_queue.pop_front();
    }
    fn();
}
