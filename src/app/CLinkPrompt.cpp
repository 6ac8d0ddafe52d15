#include "app/CLinkPrompt.h"

#include "base/LogCategories.h"

#include <QMetaObject>

CLinkPrompt::CLinkPrompt(CPrompt& boxes, std::function<void(const QString&)> fnShow, QObject* pParent)
    : QObject(pParent)
    , m_boxes(boxes)
    , m_fnShow(std::move(fnShow))
{
}

void CLinkPrompt::Message(const QString& strText, const QString& strCaption, Icon icon)
{
    if (!m_bQuiet) {
        m_boxes.Message(strText, strCaption, icon);
        return;
    }
    // One line: the status bar has no room for the reason's own line.
    const QString strLine = QString(strText).replace(QLatin1Char('\n'), QLatin1Char(' '));
    qCInfo(LogApp, "in the status bar instead of a message box: %s", qUtf8Printable(strLine));
    QMetaObject::invokeMethod(this, [this, strLine] { m_fnShow(strLine); });
}
