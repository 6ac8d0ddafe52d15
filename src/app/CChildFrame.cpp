#include "app/CChildFrame.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(QWidget* pView, QWidget* pParent)
    : QMdiSubWindow(pParent)
{
    setWidget(pView);
    setAttribute(Qt::WA_DeleteOnClose);
    if (pView)
        setWindowTitle(pView->windowTitle());
}

void CChildFrame::showEvent(QShowEvent* pEvent)
{
    QMdiSubWindow::showEvent(pEvent);
    if (!isMaximized())
        showMaximized();
}

void CChildFrame::closeEvent(QCloseEvent* pEvent)
{
    if (m_fnCloseQuery && !m_fnCloseQuery()) {
        pEvent->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(pEvent);
}
