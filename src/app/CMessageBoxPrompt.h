#pragma once

#include "link/CPrompt.h"

#include <QObject>

class CBlockingInvoker;
class QWidget;

// Message boxes, shown on the GUI thread; a worker that calls Message waits
// until the box is closed, unless the invoker is cancelled (stopping the worker).
class CMessageBoxPrompt : public QObject, public CPrompt
{
    Q_OBJECT
public:
    CMessageBoxPrompt(QWidget* pParentWindow, CBlockingInvoker* pInvoker);
    void Message(const QString& strText, const QString& strCaption, Icon icon) override;

private:
    QWidget* m_pParentWindow;
    CBlockingInvoker* m_pInvoker;
};
