#include "app/CChildFrame.h"

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
