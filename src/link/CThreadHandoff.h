#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Runs functions on the thread of its parent, handed over from any thread.
//
// The functions and what they capture cross under a std::mutex of ours rather
// than inside Qt's event queue: the order is then one that ThreadSanitizer can
// see (Qt is not built with it, so a closure queued straight into Qt from the
// link thread looks unordered with its run and its free on the GUI thread).
// Functions still waiting when the object goes are dropped, like queued calls
// to a deleted receiver.
class CThreadHandoff : public QObject
{
    Q_OBJECT
public:
    explicit CThreadHandoff(QObject* pParent);

    // Queues fn for the parent's thread; callable from any thread, never runs fn itself.
    void Post(std::function<void()> fn);

private:
    Q_INVOKABLE void RunNext();

    std::mutex m_lock;                         //!< guards m_queue
    std::deque<std::function<void()>> m_queue; //!< one RunNext is queued in Qt for each entry
};
