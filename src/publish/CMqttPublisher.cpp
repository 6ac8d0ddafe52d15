#include "publish/CMqttPublisher.h"

#include "publish/PublishLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kMiscIntervalMs = 1000; //!< keep-alive pings and retries of libmosquitto
constexpr qint64 kStatusSeq = 0;      //!< the status sent at the start of a connection

std::once_flag g_libInit;

QString LibraryError(int nResult)
{
    if (nResult == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(nResult));
}

// The broker's refusal in a sentence, and whether trying again can help.
QString RefusalText(int nCode, bool* pbFinal)
{
    *pbFinal = true;
    switch (nCode) {
    case 1: return QStringLiteral("it does not speak MQTT 3.1.1");
    case 2: return QStringLiteral("it rejected the client identifier");
    case 3: *pbFinal = false; return QStringLiteral("it is unavailable");
    case 4: return QStringLiteral("bad user name or password");
    case 5: return QStringLiteral("not authorised (check the user name and password)");
    default: *pbFinal = false; return QStringLiteral("refusal code %1").arg(nCode);
    }
}

} // namespace

int CMqttPublisher::PauseMs(int nTry)
{
    int nPause = kFirstPauseMs;
    for (int i = 1; i < nTry && nPause < kMaxPauseMs; ++i)
        nPause *= 2;
    return qMin(nPause, kMaxPauseMs);
}

CMqttPublisher::CMqttPublisher(QObject* pParent)
    : QObject(pParent)
{
    qRegisterMetaType<CMqttPublisher::State>();
}

CMqttPublisher::~CMqttPublisher()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_bFinishing = true;
            m_bAbort = true;
            m_finishDeadline = Clock::now();
        }
        Wake();
        m_thread.join();
    }
    for (int h : m_hWake) {
        if (h >= 0)
            ::close(h);
    }
}

bool CMqttPublisher::Start(const CMqttUrl& url, const QString& strCaFile, qsizetype nQueueLimit, QString* pstrError)
{
    if (m_thread.joinable()) {
        *pstrError = QStringLiteral("the publisher is running already");
        return false;
    }
    if (url.m_bTls && !strCaFile.isEmpty() && !QFileInfo(strCaFile).isReadable()) {
        *pstrError = QStringLiteral("cannot read the CA certificate file %1").arg(strCaFile);
        return false;
    }
    if (m_hWake[0] < 0 && ::pipe2(m_hWake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *pstrError = QStringLiteral("cannot make the publisher's wake-up pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    std::call_once(g_libInit, [] { mosquitto_lib_init(); });
    m_url = url;
    m_strCaFile = strCaFile;
    m_nQueueLimit = qMax<qsizetype>(1, nQueueLimit);
    m_clientId = QByteArrayLiteral("multimeter-") + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    {
        std::lock_guard lock(m_mutex);
        m_bFinishing = false;
    }
    m_state = State::Connecting;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CMqttPublisher::Publish(const QString& strTopic, const QByteArray& payload, bool bRetain)
{
    {
        std::unique_lock lock(m_mutex);
        Enqueue({ 0, strTopic.toUtf8(), payload, bRetain, false, false }, lock);
    }
    Wake();
}

void CMqttPublisher::SetStatus(const QByteArray& status)
{
    {
        std::unique_lock lock(m_mutex);
        m_status = status;
        Enqueue({ 0, m_url.Topic(QLatin1String(kStatusLevel)).toUtf8(), status, true, true, false }, lock);
    }
    Wake();
}

void CMqttPublisher::Enqueue(CMessage message, std::unique_lock<std::mutex>&)
{
    message.nSeq = m_nNextSeq++;
    m_queue.push_back(std::move(message));
    ++m_nUnacked;
    if (qsizetype(m_queue.size()) <= m_nQueueLimit)
        return;
    // The oldest goes, so the run's latest readings are the ones kept. A status among them is
    // sent again at the start of the next connection anyway.
    m_bResendStatus = m_bResendStatus || m_queue.front().bStatus;
    if (!m_queue.front().bAcked)
        --m_nUnacked;
    m_queue.pop_front();
    ++m_nDropped;
    if (m_bDropReportPending)
        return;
    m_bDropReportPending = true;
    m_handoff.Post([this] {
        qint64 nDropped = 0;
        {
            std::lock_guard lock(m_mutex);
            m_bDropReportPending = false;
            nDropped = m_nDropped;
        }
        qCInfo(lcPublish) << "queue full:" << nDropped << "oldest messages dropped so far";
        emit MessagesDropped(nDropped);
    });
}

qint64 CMqttPublisher::Queued() const
{
    std::lock_guard lock(m_mutex);
    return m_nUnacked;
}

qint64 CMqttPublisher::Delivered() const
{
    std::lock_guard lock(m_mutex);
    return m_nDelivered;
}

qint64 CMqttPublisher::Dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_nDropped;
}

qint64 CMqttPublisher::Finish(int nTimeoutMs)
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_bFinishing = true;
            m_finishDeadline = Clock::now() + std::chrono::milliseconds(qMax(0, nTimeoutMs));
        }
        Wake();
        m_thread.join();
    }
    SetState(State::Stopped, QStringLiteral("publishing ended"));
    return Queued();
}

void CMqttPublisher::Wake()
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_hWake[1], &c, 1);
}

void CMqttPublisher::SetState(State state, const QString& strText)
{
    m_state = state;
    qCInfo(lcPublish).noquote() << strText;
    m_handoff.Post([this, state, strText] { emit StateChanged(state, strText); });
}

void CMqttPublisher::Run()
{
    using namespace std::chrono;
    m_nextTry = Clock::now();
    auto lastMisc = Clock::now();
    bool bFinalTry = false;
    for (;;) {
        const auto now = Clock::now();
        bool bFinishing = false;
        bool bAbort = false;
        bool bDrained = false;
        Clock::time_point deadline;
        {
            std::lock_guard lock(m_mutex);
            bFinishing = m_bFinishing;
            bAbort = m_bAbort;
            deadline = m_finishDeadline;
            bDrained = m_queue.empty();
        }
        if (bFinishing) {
            if (m_bConnected && bDrained && !bAbort) {
                CloseConnection(true);
                break;
            }
            if (bAbort || now >= deadline || m_state == State::Refused) {
                CloseConnection(false);
                break;
            }
            // A broker that is away gets one more try at once.
            if (!bFinalTry && !m_pMosq)
                m_nextTry = now;
            bFinalTry = true;
        }
        if (!m_pMosq && m_state != State::Refused && now >= m_nextTry)
            Connect();
        if (m_pMosq && m_bConnected)
            HandOver();

        // Sleep until the socket or a producer has something, or the next timed duty.
        auto wakeAt = now + milliseconds(kMiscIntervalMs);
        if (!m_pMosq && m_state != State::Refused)
            wakeAt = qMin(wakeAt, m_nextTry);
        if (m_pMosq && !m_bConnected)
            wakeAt = qMin(wakeAt, m_connectDeadline);
        if (bFinishing)
            wakeAt = qMin(wakeAt, deadline);
        const int nTimeout = int(qMax<qint64>(0, duration_cast<milliseconds>(wakeAt - Clock::now()).count() + 1));
        const int hSocket = m_pMosq ? mosquitto_socket(m_pMosq) : -1;
        pollfd fds[2] = { { m_hWake[0], POLLIN, 0 }, { hSocket, short(POLLIN | (m_pMosq && mosquitto_want_write(m_pMosq) ? POLLOUT : 0)), 0 } };
        const int nReady = ::poll(fds, hSocket >= 0 ? 2 : 1, nTimeout);
        if (nReady < 0 && errno != EINTR) {
            qCCritical(lcPublish) << "poll failed:" << std::strerror(errno);
            break;
        }
        if (fds[0].revents & POLLIN) {
            char buf[64];
            while (::read(m_hWake[0], buf, sizeof buf) > 0) {
            }
        }
        if (hSocket >= 0 && nReady > 0) {
            int nResult = MOSQ_ERR_SUCCESS;
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
                nResult = mosquitto_loop_read(m_pMosq, 1);
            if (nResult == MOSQ_ERR_SUCCESS && !m_bLost && (fds[1].revents & POLLOUT))
                nResult = mosquitto_loop_write(m_pMosq, 1);
            if (nResult != MOSQ_ERR_SUCCESS && !m_bLost) {
                m_bLost = true;
                m_strLastError = m_strLastError.isEmpty() ? LibraryError(nResult) : m_strLastError;
            }
        }
        if (m_pMosq && !m_bLost && Clock::now() - lastMisc >= milliseconds(kMiscIntervalMs)) {
            lastMisc = Clock::now();
            if (m_bConnected && mosquitto_loop_misc(m_pMosq) != MOSQ_ERR_SUCCESS) {
                m_bLost = true;
                m_strLastError = QStringLiteral("the broker stopped answering");
            }
        }
        if (m_pMosq && !m_bConnected && !m_bLost && Clock::now() >= m_connectDeadline) {
            m_bLost = true;
            m_strLastError = QStringLiteral("no answer within %1 s").arg(kConnectTimeoutMs / 1000);
        }
        if (m_bLost && m_state != State::Refused)
            ConnectionFailed(m_strLastError);
        else if (m_bLost)
            CloseConnection(false);
    }
}

bool CMqttPublisher::Connect()
{
    m_bLost = false;
    m_bConnected = false;
    m_strLastError.clear();
    m_pMosq = mosquitto_new(m_clientId.constData(), true, this);
    if (!m_pMosq) {
        ConnectionFailed(QStringLiteral("out of memory"));
        return false;
    }
    mosquitto_connect_callback_set(m_pMosq, &CMqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_pMosq, &CMqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_pMosq, &CMqttPublisher::OnPublish);
    mosquitto_log_callback_set(m_pMosq, &CMqttPublisher::OnLog);
    mosquitto_max_inflight_messages_set(m_pMosq, kInFlight);
    if (!m_url.m_strUser.isEmpty()) {
        const QByteArray user = m_url.m_strUser.toUtf8();
        const QByteArray password = m_url.m_strPassword.toUtf8();
        mosquitto_username_pw_set(m_pMosq, user.constData(), m_url.m_strPassword.isEmpty() ? nullptr : password.constData());
    }
    const QByteArray statusTopic = m_url.Topic(QLatin1String(kStatusLevel)).toUtf8();
    mosquitto_will_set(m_pMosq, statusTopic.constData(), int(std::strlen(kOffline)), kOffline, 1, true);
    if (m_url.m_bTls) {
        int nResult = MOSQ_ERR_SUCCESS;
        if (!m_strCaFile.isEmpty())
            nResult = mosquitto_tls_set(m_pMosq, QFile::encodeName(m_strCaFile).constData(), nullptr, nullptr, nullptr, nullptr);
        else
            nResult = mosquitto_int_option(m_pMosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (nResult != MOSQ_ERR_SUCCESS) {
            ConnectionFailed(QStringLiteral("the TLS settings were refused: %1").arg(LibraryError(nResult)));
            return false;
        }
    }
    SetState(State::Connecting, QStringLiteral("connecting to %1").arg(m_url.Redacted()));
    m_connectDeadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    const QByteArray host = m_url.m_strHost.toUtf8();
    const int nResult = mosquitto_connect_async(m_pMosq, host.constData(), m_url.m_nPort, kKeepAliveSeconds);
    if (nResult != MOSQ_ERR_SUCCESS) {
        ConnectionFailed(m_strLastError.isEmpty() ? LibraryError(nResult) : m_strLastError);
        return false;
    }
    return true;
}

void CMqttPublisher::HandOver()
{
    bool bSendStatus = !m_bStatusSent;
    m_bStatusSent = true;
    {
        std::lock_guard lock(m_mutex);
        bSendStatus = bSendStatus || m_bResendStatus;
        m_bResendStatus = false;
    }
    while (!m_bLost && m_inFlight.size() < std::size_t(kInFlight)) {
        qint64 nSeq = kStatusSeq;
        QByteArray topic;
        QByteArray payload;
        bool bRetain = true;
        {
            std::lock_guard lock(m_mutex);
            if (bSendStatus) {
                // A status still queued goes in its place; sending it here too would say it twice.
                const bool bQueued = std::any_of(m_queue.begin(), m_queue.end(), [](const CMessage& m) { return m.bStatus && !m.bAcked; });
                if (m_status.isEmpty() || bQueued) {
                    bSendStatus = false;
                    continue;
                }
                topic = m_url.Topic(QLatin1String(kStatusLevel)).toUtf8();
                payload = m_status;
            } else {
                if (m_queue.empty())
                    return;
                const qint64 nFront = m_queue.front().nSeq;
                const qint64 nIndex = qMax<qint64>(0, m_nNextToHand - nFront);
                if (nIndex >= qint64(m_queue.size()))
                    return;
                const CMessage& message = m_queue[std::size_t(nIndex)];
                if (message.bAcked) {
                    m_nNextToHand = message.nSeq + 1;
                    continue;
                }
                nSeq = message.nSeq;
                topic = message.topic;
                payload = message.payload;
                bRetain = message.bRetain;
            }
        }
        bSendStatus = false;
        int nMid = 0;
        const int nResult = mosquitto_publish(m_pMosq, &nMid, topic.constData(), int(payload.size()), payload.constData(), 1, bRetain);
        if (nResult != MOSQ_ERR_SUCCESS) {
            m_bLost = true;
            m_strLastError = LibraryError(nResult);
            return;
        }
        m_inFlight[nMid] = nSeq;
        if (nSeq != kStatusSeq)
            m_nNextToHand = nSeq + 1;
    }
}

void CMqttPublisher::CloseConnection(bool bClean)
{
    if (!m_pMosq)
        return;
    if (bClean && m_bConnected && !m_bLost) {
        // DISCONNECT tells the broker to forget the last will; libmosquitto writes it at once.
        mosquitto_disconnect(m_pMosq);
        qCInfo(lcPublish).noquote() << "disconnected from" << m_url.Redacted();
    }
    // Without DISCONNECT the broker sees the connection drop and sends the last will.
    mosquitto_destroy(m_pMosq);
    m_pMosq = nullptr;
    m_bConnected = false;
    m_bLost = false;
    m_inFlight.clear();
}

void CMqttPublisher::ConnectionFailed(const QString& strWhy)
{
    const bool bWasConnected = m_bConnected;
    CloseConnection(false);
    {
        std::lock_guard lock(m_mutex);
        m_nNextToHand = m_queue.empty() ? m_nNextSeq : m_queue.front().nSeq;
    }
    m_bStatusSent = false;
    ++m_nTry;
    const int nPause = bWasConnected ? kFirstPauseMs : PauseMs(m_nTry);
    if (bWasConnected)
        m_nTry = 1;
    m_nextTry = Clock::now() + std::chrono::milliseconds(nPause);
    SetState(State::Waiting, QStringLiteral("%1 %2: %3; next try in %4 s")
                                 .arg(bWasConnected ? QStringLiteral("lost the broker at") : QStringLiteral("cannot reach the broker at"),
                                      m_url.Redacted(), strWhy)
                                 .arg(nPause / 1000.0));
}

void CMqttPublisher::OnConnect(mosquitto*, void* pObj, int nResult)
{
    auto* pThis = static_cast<CMqttPublisher*>(pObj);
    if (nResult == 0) {
        pThis->m_bConnected = true;
        pThis->m_strLastError.clear();
        pThis->m_nTry = 0;
        pThis->m_bStatusSent = false;
        {
            std::lock_guard lock(pThis->m_mutex);
            pThis->m_nNextToHand = pThis->m_queue.empty() ? pThis->m_nNextSeq : pThis->m_queue.front().nSeq;
        }
        pThis->SetState(State::Connected, QStringLiteral("connected to %1").arg(pThis->m_url.Redacted()));
        return;
    }
    bool bFinal = false;
    const QString strWhy = RefusalText(nResult, &bFinal);
    pThis->m_bLost = true;
    pThis->m_strLastError = QStringLiteral("the broker refused the connection: %1").arg(strWhy);
    if (bFinal)
        pThis->SetState(State::Refused, QStringLiteral("the broker at %1 refused the connection: %2").arg(pThis->m_url.Redacted(), strWhy));
}

void CMqttPublisher::OnDisconnect(mosquitto*, void* pObj, int nResult)
{
    auto* pThis = static_cast<CMqttPublisher*>(pObj);
    if (nResult == 0)
        return; // we asked for it
    pThis->m_bLost = true;
    if (pThis->m_strLastError.isEmpty())
        pThis->m_strLastError = QStringLiteral("the connection ended (%1)").arg(LibraryError(nResult));
}

void CMqttPublisher::OnPublish(mosquitto*, void* pObj, int nMid)
{
    auto* pThis = static_cast<CMqttPublisher*>(pObj);
    const auto it = pThis->m_inFlight.find(nMid);
    if (it == pThis->m_inFlight.end())
        return;
    const qint64 nSeq = it->second;
    pThis->m_inFlight.erase(it);
    if (nSeq == kStatusSeq)
        return;
    std::lock_guard lock(pThis->m_mutex);
    std::deque<CMessage>& queue = pThis->m_queue;
    if (queue.empty() || nSeq < queue.front().nSeq)
        return; // dropped meanwhile
    const std::size_t nIndex = std::size_t(nSeq - queue.front().nSeq);
    if (nIndex < queue.size() && !queue[nIndex].bAcked) {
        queue[nIndex].bAcked = true;
        --pThis->m_nUnacked;
    }
    while (!queue.empty() && queue.front().bAcked) {
        queue.pop_front();
        ++pThis->m_nDelivered;
    }
}

void CMqttPublisher::OnLog(mosquitto*, void* pObj, int nLevel, const char* pszText)
{
    auto* pThis = static_cast<CMqttPublisher*>(pObj);
    if (nLevel & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) {
        pThis->m_strLastError = QString::fromUtf8(pszText);
        qCDebug(lcPublish) << "libmosquitto:" << pszText;
    }
}
