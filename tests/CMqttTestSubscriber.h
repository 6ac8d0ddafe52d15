#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QThread>

#include <mosquitto.h>

#include <mutex>

// What a test subscriber received.
struct CMqttTestMessage
{
    QString strTopic;
    QByteArray payload;
    bool bRetain = false;
};

// A subscriber of the test broker, through libmosquitto on its own network thread. With a
// client id it keeps a persistent session (QoS 1), so the broker keeps what arrives while the
// subscriber is cut off (a broker restart), and it reconnects by itself.
class CMqttTestSubscriber
{
public:
    CMqttTestSubscriber(int nPort, const QString& strFilter, const QString& strClientId = QString())
        : m_filter(strFilter.toUtf8())
    {
        mosquitto_lib_init();
        const QByteArray id = strClientId.toUtf8();
        m_pMosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), id.isEmpty(), this);
        mosquitto_connect_callback_set(m_pMosq, [](mosquitto* pMosq, void* pObj, int nResult) {
            auto* pThis = static_cast<CMqttTestSubscriber*>(pObj);
            if (nResult == 0)
                mosquitto_subscribe(pMosq, nullptr, pThis->m_filter.constData(), 1);
        });
        mosquitto_subscribe_callback_set(m_pMosq, [](mosquitto*, void* pObj, int, int, const int*) {
            auto* pThis = static_cast<CMqttTestSubscriber*>(pObj);
            std::lock_guard lock(pThis->m_mutex);
            ++pThis->m_nSubscribed;
        });
        mosquitto_message_callback_set(m_pMosq, [](mosquitto*, void* pObj, const mosquitto_message* pMessage) {
            auto* pThis = static_cast<CMqttTestSubscriber*>(pObj);
            std::lock_guard lock(pThis->m_mutex);
            pThis->m_messages.append({ QString::fromUtf8(pMessage->topic),
                                       QByteArray(static_cast<const char*>(pMessage->payload), pMessage->payloadlen), pMessage->retain });
        });
        mosquitto_reconnect_delay_set(m_pMosq, 1, 1, false);
        m_bStarted = mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 60) == MOSQ_ERR_SUCCESS && mosquitto_loop_start(m_pMosq) == MOSQ_ERR_SUCCESS;
    }
    ~CMqttTestSubscriber()
    {
        mosquitto_disconnect(m_pMosq);
        if (m_bStarted)
            mosquitto_loop_stop(m_pMosq, false);
        mosquitto_destroy(m_pMosq);
    }
    CMqttTestSubscriber(const CMqttTestSubscriber&) = delete;
    CMqttTestSubscriber& operator=(const CMqttTestSubscriber&) = delete;

    // Connected and subscribed (the broker answered the subscription), within nTimeoutMs.
    bool WaitSubscribed(int nTimeoutMs = 5000) const
    {
        const QDeadlineTimer deadline(nTimeoutMs);
        while (m_bStarted && !deadline.hasExpired()) {
            {
                std::lock_guard lock(m_mutex);
                if (m_nSubscribed > 0)
                    return true;
            }
            QThread::msleep(5);
        }
        return false;
    }
    QList<CMqttTestMessage> Messages() const
    {
        // A list of the caller's own: sharing the network thread's (Qt's reference counts are
        // invisible to ThreadSanitizer) would look like a race when either side grows it.
        std::lock_guard lock(m_mutex);
        QList<CMqttTestMessage> messages;
        messages.reserve(m_messages.size());
        for (const CMqttTestMessage& message : m_messages)
            messages.append(message);
        return messages;
    }
    // QoS 1 sends again what the broker took but could not acknowledge before the connection
    // went (at most the messages in flight): the payloads, each where it first came.
    static QList<QByteArray> WithoutRepeats(const QList<QByteArray>& payloads)
    {
        QList<QByteArray> out;
        QSet<QByteArray> seen;
        for (const QByteArray& payload : payloads) {
            if (!seen.contains(payload))
                out << payload;
            seen.insert(payload);
        }
        return out;
    }
    // The payloads that came on strTopic, in order.
    QList<QByteArray> Payloads(const QString& strTopic) const
    {
        QList<QByteArray> payloads;
        for (const CMqttTestMessage& message : Messages()) {
            if (message.strTopic == strTopic)
                payloads << message.payload;
        }
        return payloads;
    }

private:
    QByteArray m_filter;
    mosquitto* m_pMosq = nullptr;
    bool m_bStarted = false;
    mutable std::mutex m_mutex; //!< guards m_messages and m_nSubscribed (the network thread adds)
    QList<CMqttTestMessage> m_messages;
    int m_nSubscribed = 0;
};
