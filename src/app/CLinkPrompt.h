#pragma once

#include "link/CPrompt.h"

#include <QObject>

#include <atomic>
#include <functional>

// The messages of the link (a port that does not open, a lost link): message boxes through
// the window's prompt, except while Reconnect Automatically is on. Then nobody need be at the
// screen, so nothing waits for a button: the text goes to the status bar and the diagnostic log.
// Callable from any thread; the status bar is reached on its own thread.
class CLinkPrompt : public QObject, public CPrompt
{
    Q_OBJECT
public:
    // boxes shows the messages otherwise; fnShow puts a text in the status bar (GUI thread).
    CLinkPrompt(CPrompt& boxes, std::function<void(const QString&)> fnShow, QObject* pParent = nullptr);

    void SetQuiet(bool bQuiet) { m_bQuiet = bQuiet; }
    bool IsQuiet() const { return m_bQuiet.load(); }

    void Message(const QString& strText, const QString& strCaption, Icon icon) override;

private:
    CPrompt& m_boxes;
    std::function<void(const QString&)> m_fnShow;
    std::atomic<bool> m_bQuiet { false }; //!< set on the GUI thread, read by any caller
};
