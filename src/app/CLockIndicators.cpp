#include "app/CLockIndicators.h"

#include <QKeyEvent>

CLockIndicators::CLockIndicators(const QString& strPlatform, QObject* pParent)
    : QObject(pParent)
{
    if (strPlatform == QLatin1String("xcb"))
        m_masks = {0x02, 0x10, 0};          // LockMask, Mod2Mask
    else if (strPlatform == QLatin1String("windows"))
        m_masks = {0x100, 0x200, 0x400};    // the Windows key mapper's lock bits
}

bool CLockIndicators::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Each key event reaches its window once, then travels through widgets:
    // taken at the window, a Scroll Lock press toggles once.
    if ((pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::KeyRelease) && pWatched->isWindowType())
        Update(*static_cast<QKeyEvent*>(pEvent));
    return QObject::eventFilter(pWatched, pEvent);
}

void CLockIndicators::Update(const QKeyEvent& event)
{
    const bool bWasCaps = m_bCaps, bWasNum = m_bNum, bWasScroll = m_bScroll;
    const quint32 nNative = event.nativeModifiers();
    if (m_masks.nCaps)
        m_bCaps = nNative & m_masks.nCaps;
    if (m_masks.nNum)
        m_bNum = nNative & m_masks.nNum;
    if (m_masks.nScroll) {
        m_bScroll = nNative & m_masks.nScroll;
    } else if (event.type() == QEvent::KeyPress && event.key() == Qt::Key_ScrollLock && !event.isAutoRepeat()) {
        m_bScroll = !m_bScroll;
    }
    if (m_bCaps != bWasCaps || m_bNum != bWasNum || m_bScroll != bWasScroll)
        emit Changed();
}
