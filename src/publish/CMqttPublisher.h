#pragma once

#include "link/CThreadHandoff.h"
#include "publish/CMqttUrl.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

struct mosquitto;

// Publishes messages to one MQTT broker (QoS 1), through libmosquitto on a network thread of
// its own: the publish thread. Whoever publishes never waits for the network.
//
// Messages wait in a bounded queue, in order, until the broker has acknowledged them. When the
// broker goes away the run goes on: the connection is tried again after pauses growing from
// 1 s to 30 s, and on every new connection the messages not yet acknowledged are sent again
// from the oldest (QoS 1: those the broker had taken but not acknowledged, at most kInFlight,
// come twice). A full queue drops
// its oldest message and says so. A broker that refuses the client (wrong user name or
// password, not authorised) is not tried again: State becomes Refused.
//
// Each connection gives the broker the last will "offline" (retained) on PREFIX/status, and
// starts by sending the status last set, retained, before anything else.
//
// Threads: Publish, SetStatus and the counters may be called from any thread; Start, Finish
// and the destructor from the owner's thread, where the signals are emitted. libmosquitto is
// only ever called on the publish thread.
class CMqttPublisher : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Stopped,    //!< not started, or finished
        Connecting, //!< a connection is being made
        Connected,  //!< the broker has accepted the client
        Waiting,    //!< the broker could not be reached: the next try comes after a pause
        Refused,    //!< the broker refused the client for good (credentials, identifier)
    };

    static constexpr qsizetype kDefaultQueueLimit = 100000;
    static constexpr int kInFlight = 100;          //!< messages sent and not yet acknowledged
    static constexpr int kFirstPauseMs = 1000;
    static constexpr int kMaxPauseMs = 30000;
    static constexpr int kConnectTimeoutMs = 10000; //!< for the socket, TLS and the broker's answer
    static constexpr int kKeepAliveSeconds = 20;
    static constexpr const char* kStatusLevel = "status";
    static constexpr const char* kOnline = "online";
    static constexpr const char* kOffline = "offline";

    // The pause before try nTry (1-based) after a failure: 1 s, 2 s, 4 s, ... 30 s.
    static int PauseMs(int nTry);

    explicit CMqttPublisher(QObject* pParent = nullptr);
    // Ends at once without waiting for the queue: the broker sends the last will.
    ~CMqttPublisher() override;

    // Starts the publish thread, which connects to url's broker. strCaFile: the CA
    // certificates for mqtts:// (empty: the system's). False, with the reason, when the TLS
    // settings cannot be used or the thread is running already.
    bool Start(const CMqttUrl& url, const QString& strCaFile, qsizetype nQueueLimit, QString* pstrError);
    bool IsRunning() const { return m_thread.joinable(); }
    // Set by Start, before the thread runs.
    const CMqttUrl& Url() const { return m_url; }

    // Queues a message for strTopic (QoS 1). Any thread; never waits for the network.
    void Publish(const QString& strTopic, const QByteArray& payload, bool bRetain = false);
    // The retained PREFIX/status ("online" or "offline"): queued in order with the other
    // messages, never dropped, and sent first on every new connection.
    void SetStatus(const QByteArray& status);

    // Waits up to nTimeoutMs for every queued message to be acknowledged (trying a broker that
    // is away once more at once), then disconnects cleanly and stops the thread; when the queue
    // did not drain, the connection is dropped instead, so that the broker sends the last will.
    // Returns how many messages were not delivered. Owner's thread.
    qint64 Finish(int nTimeoutMs);

    State CurrentState() const { return m_state.load(); }
    qint64 Queued() const;    //!< waiting or not yet acknowledged
    qint64 Delivered() const; //!< acknowledged by the broker
    qint64 Dropped() const;   //!< dropped by a full queue

signals:
    // The connection changed; strText says it in a sentence (never with the password).
    void StateChanged(CMqttPublisher::State state, const QString& strText);
    // The full queue dropped messages; nTotal since Start. At most one signal per event-loop
    // turn however many are dropped.
    void MessagesDropped(qint64 nTotal);

private:
    struct CMessage
    {
        qint64 nSeq;
        QByteArray topic;
        QByteArray payload;
        bool bRetain;
        bool bStatus; //!< PREFIX/status
        bool bAcked;
    };
    using Clock = std::chrono::steady_clock;

    void Run();
    void Enqueue(CMessage message, std::unique_lock<std::mutex>& lock);
    bool Connect();
    void HandOver();
    void CloseConnection(bool bClean);
    void ConnectionFailed(const QString& strWhy);
    void SetState(State state, const QString& strText);
    void Wake();
    static void OnConnect(mosquitto* pMosq, void* pObj, int nResult);
    static void OnDisconnect(mosquitto* pMosq, void* pObj, int nResult);
    static void OnPublish(mosquitto* pMosq, void* pObj, int nMid);
    static void OnLog(mosquitto* pMosq, void* pObj, int nLevel, const char* pszText);

    CMqttUrl m_url;              //!< set before the thread starts
    QString m_strCaFile;         //!< set before the thread starts
    qsizetype m_nQueueLimit = kDefaultQueueLimit; //!< set before the thread starts
    QByteArray m_clientId;       //!< set before the thread starts
    CThreadHandoff m_handoff { this }; //!< carries the publish thread's news to the owner
    std::thread m_thread;
    int m_hWake[2] = { -1, -1 }; //!< a pipe: a byte wakes the publish thread's poll
    std::atomic<State> m_state { State::Stopped };

    mutable std::mutex m_mutex;  //!< guards the members down to m_bResendStatus
    std::deque<CMessage> m_queue; //!< oldest first, until acknowledged
    qint64 m_nNextSeq = 1;
    qint64 m_nUnacked = 0;       //!< messages of m_queue not yet acknowledged
    QByteArray m_status;         //!< the status last set; empty: none yet
    bool m_bFinishing = false;
    bool m_bAbort = false;       //!< finishing without waiting: the broker sends the last will
    Clock::time_point m_finishDeadline;
    qint64 m_nDelivered = 0;
    qint64 m_nDropped = 0;
    bool m_bDropReportPending = false;
    bool m_bResendStatus = false; //!< a status went with the oldest: send the current one again

    // The publish thread's own (libmosquitto's callbacks run on it, inside its loop calls).
    mosquitto* m_pMosq = nullptr;
    bool m_bConnected = false;   //!< the broker accepted this connection
    bool m_bLost = false;        //!< the current connection ended; close it after the loop call
    bool m_bStatusSent = false;  //!< this connection has sent the status
    qint64 m_nNextToHand = 0;    //!< the sequence number to hand to libmosquitto next
    std::unordered_map<int, qint64> m_inFlight; //!< message id -> sequence number
    int m_nTry = 0;              //!< failed tries since the last connection
    Clock::time_point m_nextTry;
    Clock::time_point m_connectDeadline;
    QString m_strLastError;      //!< libmosquitto's last error line, for the reason of a failure
};

Q_DECLARE_METATYPE(CMqttPublisher::State)
