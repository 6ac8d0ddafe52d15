#pragma once

#include "protocol/CDecodedReading.h"
#include "publish/CAlarmEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <mutex>

class CMqttPublisher;

// What a run publishes, the same from the command line and the window:
//   PREFIX/reading  every decoded reading: the JSON object of `monitor --format json` and
//                   "meter" (the meter's address), QoS 1
//   PREFIX/alarm    every alarm (CAlarmEvent::Json), QoS 1
//   PREFIX/status   retained "online" while the meter is linked, "offline" otherwise (and the
//                   broker's last will)
//   homeassistant/sensor/<id>/config   with Home Assistant discovery: a retained sensor of
//                   the readings' value with their unit, sent again when the unit changes
//
// Threads: PublishReading from one thread at a time (the one readings arrive on); the others
// from any thread.
class CReadingPublisher
{
public:
    static constexpr const char* kReadingLevel = "reading";
    static constexpr const char* kAlarmLevel = "alarm";
    static constexpr const char* kDiscoveryRoot = "homeassistant";

    explicit CReadingPublisher(CMqttPublisher& publisher);

    void SetMeter(const QString& strAddress);
    QString Meter() const;
    void SetHomeAssistant(bool bOn);
    // The meter is linked (online) or not.
    void SetOnline(bool bOnline);

    void PublishReading(const CDecodedReading& d, const QDateTime& received);
    void PublishAlarm(const CAlarmEvent& event);

    // The JSON published for a reading.
    static QByteArray ReadingPayload(const CDecodedReading& d, const QDateTime& received, const QString& strMeter);
    // Home Assistant's discovery topic and sensor for readings in strUnit (as the meter sends it).
    static QString DiscoveryTopic(const QString& strMeter, const QString& strPrefix);
    static QByteArray DiscoveryPayload(const QString& strMeter, const QString& strPrefix, const QString& strUnit);

private:
    CMqttPublisher& m_publisher;
    mutable std::mutex m_mutex; //!< guards m_strMeter, m_bHomeAssistant and m_strDiscoveredUnit
    QString m_strMeter;
    bool m_bHomeAssistant = false;
    QString m_strDiscoveredUnit; //!< the unit of the last discovery message; null: none sent
};
