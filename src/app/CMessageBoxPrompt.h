#pragma once

#include "link/CPrompt.h"
#include "link/CThreadHandoff.h"

#include <QObject>

#include <atomic>

class CBlockingInvoker;
class QWidget;

// Message boxes, shown on the GUI thread; a worker that calls Message waits
// until the box is closed, unless the invoker is cancelled (stopping the worker).
// Unattended (nobody at the screen, as while a screenshot is taken), messages go
// to stderr and questions get the answer that changes nothing. Every message and
// question, and its answer, is a line of the diagnostic log.
class CMessageBoxPrompt : public QObject, public CPrompt
{
    Q_OBJECT
public:
    CMessageBoxPrompt(QWidget* pParentWindow, CBlockingInvoker* pInvoker);
    void Message(const QString& strText, const QString& strCaption, Icon icon) override;
    Answer Ask(const QString& strText, const QString& strCaption, bool bCancel) override;
    void SetUnattended(bool bUnattended) { m_bUnattended = bUnattended; }

private:
    QWidget* m_pParentWindow;
    CBlockingInvoker* m_pInvoker;
    CThreadHandoff m_gui { this };           //!< how a worker's box reaches the GUI thread
    std::atomic<bool> m_bUnattended{false}; //!< set on the GUI thread, read by any caller
};
