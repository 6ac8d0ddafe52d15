#pragma once

#include <QObject>

class QKeyEvent;

// The state of Caps Lock, Num Lock and Scroll Lock for the status bar's CAP,
// NUM and SCRL panes. Qt has no query for it, so it is read from the native
// modifier bits that the window system puts on every key event (X11 and
// Windows carry them) and updated as the user types; Scroll Lock, which X11
// keeps in no modifier bit, is toggled on its key.
class CLockIndicators : public QObject
{
    Q_OBJECT
public:
    // strPlatform: the Qt platform name, which says how to read the native bits.
    explicit CLockIndicators(const QString& strPlatform, QObject* pParent = nullptr);

    bool CapsLock() const { return m_bCaps; }
    bool NumLock() const { return m_bNum; }
    bool ScrollLock() const { return m_bScroll; }

    // Takes the lock state from one key event.
    void Update(const QKeyEvent& event);

signals:
    void Changed();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    struct CMasks
    {
        quint32 nCaps = 0;
        quint32 nNum = 0;
        quint32 nScroll = 0;
    };
    CMasks m_masks;
    bool m_bCaps = false;
    bool m_bNum = false;
    bool m_bScroll = false;
};
