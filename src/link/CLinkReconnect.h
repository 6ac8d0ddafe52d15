#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class CMeterLink;

// Finds a lost meter again: waits (1 s, doubling up to 30 s between tries),
// scans the port for the same address, links to it and says when readings can
// flow again. Used by multimeter-cli --reconnect and the window's automatic
// reconnect. Lives on the link's thread (GUI or CLI main).
class CLinkReconnect : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstPauseMs = 1000;
    static constexpr int kMaxPauseMs = 30000;
    // How long one try waits for the meter to advertise itself and to link.
    static constexpr int kTryTimeoutMs = 10000;

    // The pause before try nTry (0-based) after a loss.
    static int PauseMs(int nTry);

    explicit CLinkReconnect(CMeterLink& link, QObject* pParent = nullptr);

    // The link to strAddress on strPort was lost: try until Stop() or success.
    // A loss during a try counts as a failed try.
    void Start(const QString& strPort, const QString& strAddress);
    // The same without the first pause: the remembered meter at start-up.
    void StartNow(const QString& strPort, const QString& strAddress);
    void Stop();
    bool IsActive() const { return m_bActive; }
    int TryCount() const { return m_nTry; }

signals:
    // What is going on, one sentence for the status bar or stderr.
    void Progress(const QString& strText);
    // Notifications are enabled again on the same meter.
    void Reconnected();

private:
    void Begin(const QString& strPort, const QString& strAddress, bool bAtOnce);
    // Says what is going on: Progress and the diagnostic log.
    void Tell(const QString& strText);
    void ScheduleTry();
    void Try();
    void TryFailed(const QString& strWhy);
    void Succeeded();

    CMeterLink& m_link;
    QString m_strPort;
    QString m_strAddress;
    QTimer m_pause;        //!< the wait before the next try
    QTimer m_tryTimeout;   //!< gives up the current try
    int m_nTry = 0;        //!< tries since the loss
    bool m_bActive = false;
    bool m_bTrying = false;
    bool m_bSawMeter = false;
    bool m_bLinked = false;
    bool m_bNotifying = false;
};
