#include "app/CMessageBoxPrompt.h"

#include "link/CBlockingInvoker.h"

#include <QMessageBox>
#include <QPointer>

CMessageBoxPrompt::CMessageBoxPrompt(QWidget* pParentWindow, CBlockingInvoker* pInvoker)
    : m_pParentWindow(pParentWindow)
    , m_pInvoker(pInvoker)
{
}

void CMessageBoxPrompt::Message(const QString& strText, const QString& strCaption, Icon icon)
{
    QPointer<QWidget> pParent = m_pParentWindow;
    m_pInvoker->Run(this, [pParent, strText, strCaption, icon] {
        const QMessageBox::Icon boxIcon = icon == Critical ? QMessageBox::Critical
            : icon == Warning                              ? QMessageBox::Warning
                                                           : QMessageBox::Information;
        QMessageBox box(boxIcon, strCaption, strText, QMessageBox::Ok, pParent);
        box.exec();
    });
}
