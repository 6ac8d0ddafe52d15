#include "app/CMessageBoxPrompt.h"

#include "base/LogCategories.h"
#include "link/CBlockingInvoker.h"

#include <QMessageBox>
#include <QPointer>

#include <cstdio>
#include <memory>

CMessageBoxPrompt::CMessageBoxPrompt(QWidget* pParentWindow, CBlockingInvoker* pInvoker)
    : m_pParentWindow(pParentWindow)
    , m_pInvoker(pInvoker)
{
}

void CMessageBoxPrompt::Message(const QString& strText, const QString& strCaption, Icon icon)
{
    qCInfo(LogApp, "message box: %s", qUtf8Printable(strText));
    if (m_bUnattended) {
        std::fprintf(stderr, "multimeter: %s\n", qPrintable(strText));
        return;
    }
    QPointer<QWidget> pParent = m_pParentWindow;
    m_pInvoker->Run(m_gui, [pParent, strText, strCaption, icon] {
        const QMessageBox::Icon boxIcon = icon == Critical ? QMessageBox::Critical
            : icon == Warning                              ? QMessageBox::Warning
                                                           : QMessageBox::Information;
        QMessageBox box(boxIcon, strCaption, strText, QMessageBox::Ok, pParent);
        box.exec();
    });
}

CPrompt::Answer CMessageBoxPrompt::Ask(const QString& strText, const QString& strCaption, bool bCancel)
{
    qCInfo(LogApp, "question: %s", qUtf8Printable(strText));
    if (m_bUnattended)
        return CPrompt::Ask(strText, strCaption, bCancel);
    QPointer<QWidget> pParent = m_pParentWindow;
    auto pAnswer = std::make_shared<Answer>(bCancel ? Cancel : No);
    m_pInvoker->Run(m_gui, [pParent, strText, strCaption, bCancel, pAnswer] {
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (bCancel)
            buttons |= QMessageBox::Cancel;
        QMessageBox box(QMessageBox::Question, strCaption, strText, buttons, pParent);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(bCancel ? QMessageBox::Cancel : QMessageBox::No);
        const int nButton = box.exec();
        *pAnswer = nButton == QMessageBox::Yes ? Yes : nButton == QMessageBox::No ? No : Cancel;
    });
    static const char* const kAnswers[] = { "yes", "no", "cancel" };
    qCInfo(LogApp, "answered: %s", kAnswers[*pAnswer]);
    return *pAnswer;
}
