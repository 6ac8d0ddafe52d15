#include "publish/CReadingPublisher.h"

#include "base/CMeterUnit.h"
#include "protocol/CReadingFormat.h"
#include "publish/CMqttPublisher.h"

namespace {

// The id Home Assistant knows the sensor by: the meter's address without colons, or the
// topic prefix when the address is not known.
QString SensorId(const QString& strMeter, const QString& strPrefix)
{
    QString strId = QStringLiteral("multimeter_");
    for (QChar c : strMeter.isEmpty() ? strPrefix : strMeter) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            strId += c.toLower();
    }
    return strId;
}

// Home Assistant's device class of a unit's quantity, or empty.
const char* DeviceClass(const CMeterUnit& unit)
{
    const QString& strSymbol = unit.Symbol();
    if (strSymbol == QLatin1String("V"))
        return "voltage";
    if (strSymbol == QLatin1String("A"))
        return "current";
    if (strSymbol == QLatin1String("Hz"))
        return "frequency";
    if (strSymbol == QStringLiteral("°C") || strSymbol == QStringLiteral("°F"))
        return "temperature";
    return "";
}

} // namespace

CReadingPublisher::CReadingPublisher(CMqttPublisher& publisher)
    : m_publisher(publisher)
{
}

void CReadingPublisher::SetMeter(const QString& strAddress)
{
    std::lock_guard lock(m_mutex);
    if (strAddress != m_strMeter)
        m_strDiscoveredUnit = QString(); // a new sensor
    m_strMeter = strAddress;
}

QString CReadingPublisher::Meter() const
{
    std::lock_guard lock(m_mutex);
    return m_strMeter;
}

void CReadingPublisher::SetHomeAssistant(bool bOn)
{
    std::lock_guard lock(m_mutex);
    m_bHomeAssistant = bOn;
}

void CReadingPublisher::SetOnline(bool bOnline)
{
    m_publisher.SetStatus(bOnline ? CMqttPublisher::kOnline : CMqttPublisher::kOffline);
}

QByteArray CReadingPublisher::ReadingPayload(const CDecodedReading& d, const QDateTime& received, const QString& strMeter)
{
    return ReadingFormat::Json(d, received).Text("meter", strMeter).ToJson();
}

QString CReadingPublisher::DiscoveryTopic(const QString& strMeter, const QString& strPrefix)
{
    return QStringLiteral("%1/sensor/%2/config").arg(QLatin1String(kDiscoveryRoot), SensorId(strMeter, strPrefix));
}

QByteArray CReadingPublisher::DiscoveryPayload(const QString& strMeter, const QString& strPrefix, const QString& strUnit)
{
    const QString strId = SensorId(strMeter, strPrefix);
    const CMeterUnit unit = CMeterUnit::Parse(strUnit);
    QString strShown = unit.IsKnown() ? unit.Display() : unit.Text();
    if (!unit.Coupling().isEmpty())
        strShown.chop(unit.Coupling().size() + 1); // Home Assistant knows "mV", not "mV DC"
    const QString strName = strMeter.isEmpty() ? QStringLiteral("Multimeter") : QStringLiteral("Multimeter %1").arg(strMeter);
    CJsonObject device;
    device.Raw("identifiers", "[" + TextFormat::JsonString(strId) + "]").Text("name", strName).Text("model", QStringLiteral("multimeter"));
    CJsonObject o;
    o.Text("name", strName).Text("unique_id", strId).Text("object_id", strId)
        .Text("state_topic", strPrefix + QLatin1Char('/') + QLatin1String(kReadingLevel))
        .Text("value_template", QStringLiteral("{{ value_json.value }}"))
        .Text("json_attributes_topic", strPrefix + QLatin1Char('/') + QLatin1String(kReadingLevel))
        .Text("availability_topic", strPrefix + QLatin1Char('/') + QLatin1String(CMqttPublisher::kStatusLevel))
        .Text("payload_available", QLatin1String(CMqttPublisher::kOnline))
        .Text("payload_not_available", QLatin1String(CMqttPublisher::kOffline))
        .Text("state_class", QStringLiteral("measurement"));
    if (!strShown.isEmpty())
        o.Text("unit_of_measurement", strShown);
    if (*DeviceClass(unit))
        o.Text("device_class", QLatin1String(DeviceClass(unit)));
    return o.Raw("device", device.ToJson()).ToJson();
}

void CReadingPublisher::PublishReading(const CDecodedReading& d, const QDateTime& received)
{
    QString strMeter;
    QString strNewUnit;
    {
        std::lock_guard lock(m_mutex);
        strMeter = m_strMeter;
        const QString strUnit = d.reading.m_strUnit.trimmed();
        if (m_bHomeAssistant && (m_strDiscoveredUnit.isNull() || strUnit != m_strDiscoveredUnit)) {
            m_strDiscoveredUnit = strUnit.isNull() ? QStringLiteral("") : strUnit;
            strNewUnit = m_strDiscoveredUnit;
        }
    }
    const QString& strPrefix = m_publisher.Url().m_strPrefix;
    // Before the reading, so Home Assistant reads it with its unit.
    if (!strNewUnit.isNull())
        m_publisher.Publish(DiscoveryTopic(strMeter, strPrefix), DiscoveryPayload(strMeter, strPrefix, strNewUnit), true);
    m_publisher.Publish(m_publisher.Url().Topic(QLatin1String(kReadingLevel)), ReadingPayload(d, received, strMeter));
}

void CReadingPublisher::PublishAlarm(const CAlarmEvent& event)
{
    m_publisher.Publish(m_publisher.Url().Topic(QLatin1String(kAlarmLevel)), event.Json());
}
