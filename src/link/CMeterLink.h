#pragma once

#include "link/CBlockingInvoker.h"
#include "link/CComPort.h"
#include "link/CDonglePackets.h"
#include "link/CMeterCommandSender.h"
#include "link/CThreadHandoff.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class CMeterTextSink;
class CPrompt;

// The link to the meter through the dongle: the port, the received text, the
// link state machine and its thread, and the scan/connect sequences. Lives on
// the GUI (or CLI main) thread; its signals are emitted from the link thread
// and reach receivers there through queued connections.
class CMeterLink : public QObject, public CMeterCommandSender, public CComReceiver
{
    Q_OBJECT
public:
    enum LinkState : int {
        kDiscardThenInit = 0,
        kDiscard = 1,
        kDiscovering = 2,
        kConnecting = 3,
        kConnected = 4,
        kCancellingDiscovery = 6,
        kIdle = 7,
    };
    static constexpr int kBaud = 115200;
    static constexpr int kOpenTries = 3;
    static constexpr int kDiscoveryDelayMs = 500;
    static constexpr int kConnectDelayMs = 600;
    // Bound of the receive text, in characters (about 45 s of the line at
    // 115200 Bd): beyond it the oldest text is dropped and counted.
    static constexpr int kMaxRxHex = 1 << 20;

    explicit CMeterLink(CPrompt* pPrompt, QObject* pParent = nullptr);
    ~CMeterLink() override;

    void SetPrompt(CPrompt* pPrompt) { m_pPrompt = pPrompt; }
    // Whether an opened port and a linked address are saved as the remembered ones
    // (not for a temporary port such as the built-in demo's). GUI thread.
    void SetRememberSettings(bool bRemember) { m_bRememberSettings = bRemember; }
    // Receives the meter text on the link thread; set before connecting.
    void SetMeterTextSink(CMeterTextSink* pSink) { m_pSink = pSink; }

    // Opens the dongle's port (three tries), restarts the link thread and
    // initialises the dongle. Shows "Warning:Can't open COM%d!" and returns
    // false when the port cannot be opened (OpenFailure() then says why).
    bool OpenDonglePort(const QString& strPort);
    // The message of the last OpenDonglePort that failed (GUI thread only).
    QString OpenFailure() const { return m_strOpenFailure; }
    // Opens the port and, 500 ms later, starts discovery. DeviceFound follows.
    bool Scan(const QString& strPort);
    // Links to the meter at the address text ("c8:fd:19:0a:bc:de"); Connected()
    // follows once the dongle has reported the link established and answered
    // the enabling of notifications (or a notification came); never otherwise.
    // False for a bad address or a closed port.
    bool Connect(const QString& strAddress);
    // The port and the meter of the last Connect, kept after the link is lost so
    // that it can be found again (GUI thread only).
    QString LastPort() const { return m_strLastPort; }
    QString LastAddress() const { return m_strLastAddress; }
    // Stops the link thread and closes the port.
    void Shutdown();

    bool SendKeyFrame(const std::array<quint8, 4>& frame) override;
    void SetReadSize(int nBytes) override;
    bool SendPacket(const QByteArray& packet);

    int LinkState() const { return m_nLinkState.load(); }
    void SetLinkState(int nState);
    bool IsPortOpen() const { return m_comPort.IsOpen(); }
    // A receipt while linked puts the meter online; a lost link, a closed or
    // newly opened port and the watchdog take it offline.
    bool IsMeterOnline() const { return m_bMeterOnline.load(); }
    // The watchdog found the meter silent; the next receipt sets it online again.
    void SetMeterOffline() { m_bMeterOnline = false; }
    qint64 LastReceiptTime() const { return m_tLastRx.load(); }
    bool IsLinkThreadRunning() const { return m_linkThread.joinable(); }
    // How often the link thread has gone to sleep with nothing it could do:
    // a test waits for it to grow instead of sleeping.
    quint64 LinkThreadRests() const { return m_nRests.load(); }
    // Every wait of the link thread for the GUI goes through this, so that
    // stopping the thread can release it first.
    CBlockingInvoker& GuiInvoker() { return m_guiInvoker; }

    // CComReceiver: the port's reader (public for tests that feed bytes directly).
    void OnComReceive(const unsigned char* pData, int nCount) override;
    void OnComError(const QString& strError) override;
    QByteArray RxHexSnapshot() const;
    // Received bytes dropped because the link thread fell behind the line.
    qint64 DroppedBytes() const { return m_nRxDropped.load(); }
    // Starts the link thread without a port (tests feed OnComReceive themselves).
    void StartLinkThread();
    void StopLinkThread();

signals:
    // A meter advertised itself during discovery (every advertisement, not de-duplicated).
    void DeviceFound(const QString& strName, const QString& strAddress, int nRssi);
    // The dongle ended the discovery a Scan started.
    void DiscoveryDone();
    // The dongle reported the link to the meter as established.
    void LinkEstablished();
    // Notifications have been enabled: readings will flow. Emitted on the thread the link
    // lives on (the GUI or CLI main thread).
    void Connected();
    // The link is lost: the port failed (device gone, write failed; the port
    // is then closed) or the meter ended the link while connected. Told once.
    void LinkError(const QString& strMessage);
    // The receive text outgrew kMaxRxHex and its oldest part was dropped;
    // nDroppedBytes counts every byte dropped since the port was opened. Emitted
    // on the reader thread, at most once a second.
    void ReceiveOverflow(qint64 nDroppedBytes);

private:
    void LinkThreadMain();
    // One step of the state machine with the receive lock held; false when it
    // needs more text (or has nothing to do) before it can go on.
    bool ProcessOnce(std::unique_lock<std::mutex>& lock);
    bool Resynchronise();
    void TransitionFrom(int nFrom, int nTo);
    void ClosePortAfterError(const QString& strError);
    void ReportLinkEnded();
    // The link thread saw the link confirmed or notifications answered: tells
    // Connected once both have happened.
    void ConfirmConnection(bool bLink, bool bNotifications);
    void EmptyRxHex();

    CPrompt* m_pPrompt;
    bool m_bRememberSettings = true;
    QString m_strOpenPort;    //!< the port OpenDonglePort opened last (GUI thread only)
    QString m_strOpenFailure; //!< see OpenFailure() (GUI thread only)
    QString m_strLastPort;    //!< see LastPort() (GUI thread only)
    QString m_strLastAddress; //!< see LastAddress() (GUI thread only)
    CMeterTextSink* m_pSink = nullptr;
    CComPort m_comPort;

    mutable std::mutex m_rxLock;     //!< guards m_strRxHex, m_bRxHex, m_nRxGeneration, m_nRxSeq, m_bStopLink, and the state changes
    std::condition_variable m_rxWake; //!< the link thread sleeps on it until text or a state change arrives
    QByteArray m_strRxHex;           //!< received bytes as lowercase hex, in arrival order
    bool m_bRxHex = false;           //!< set by the first receipt, never cleared
    quint64 m_nRxGeneration = 0;     //!< bumped whenever m_strRxHex is emptied from outside the link thread
    quint64 m_nRxSeq = 0;            //!< bumped on every append or state change, to wake the link thread
    bool m_bStopLink = false;
    QSet<QString> m_foundThisScan;   //!< under m_rxLock: the meters the log has named during this discovery

    std::atomic<qint64> m_nRxDropped { 0 };    //!< bytes dropped from the receive text since the port opened
    qint64 m_nLastOverflowReportMs = 0;        //!< reader thread only: when ReceiveOverflow was last emitted
    // Connection confirmation of the current Connect, each set once by the link
    // thread (or the GUI thread for m_bNotifyRequested), cleared by Connect.
    std::atomic<bool> m_bLinkConfirmed { false };
    std::atomic<bool> m_bNotifyRequested { false };
    std::atomic<bool> m_bNotifyConfirmed { false };
    std::atomic<bool> m_bConnectedTold { false };
    std::atomic<qint64> m_tLastRx { 0 };       //!< seconds since 1970 of the latest receipt
    std::atomic<bool> m_bMeterOnline { false }; //!< any receipt sets it; the watchdog clears it
    std::atomic<int> m_nLinkState { kDiscardThenInit };
    std::atomic<quint64> m_nRests { 0 };       //!< written by the link thread only
    std::thread m_linkThread;
    CThreadHandoff m_handoff { this }; //!< what the reader and link threads pass to ours
    CBlockingInvoker m_guiInvoker;
};
