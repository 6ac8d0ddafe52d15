#include "CMqttTestBroker.h"
#include "CMqttTestSubscriber.h"
#include "CTestReading.h"

#include "protocol/CReadingFormat.h"
#include "publish/CMqttPublisher.h"
#include "publish/CReadingPublisher.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {
const QDateTime kTime(QDate(2025, 3, 14), QTime(9, 30, 0, 125), QTimeZone(3600));
}

TEST(ReadingPublisher, AReadingIsMonitorsJsonWithTheMeter)
{
    const CDecodedReading d = TestReading(1.5f, "mVDC ");
    QByteArray line = ReadingFormat::JsonLine(d, kTime);
    line.chop(2); // "}\n"
    EXPECT_EQ(CReadingPublisher::ReadingPayload(d, kTime, QStringLiteral("c8:fd:19:0a:bc:de")),
              line + ",\"meter\":\"c8:fd:19:0a:bc:de\"}");
}

TEST(ReadingPublisher, HomeAssistantSeesASensorWithTheUnitOfTheReadings)
{
    CMqttTestBroker broker;
    ASSERT_TRUE(broker.Start()) << qPrintable(broker.Error());
    CMqttTestSubscriber sub(broker.Port(), QStringLiteral("#"));
    ASSERT_TRUE(sub.WaitSubscribed());
    CMqttPublisher mqtt;
    CMqttUrl url;
    QString strError;
    ASSERT_TRUE(CMqttUrl::Parse(QStringLiteral("mqtt://127.0.0.1:%1/lab/m1").arg(broker.Port()), &url, &strError));
    ASSERT_TRUE(mqtt.Start(url, QString(), 100, &strError));
    CReadingPublisher readings(mqtt);
    readings.SetHomeAssistant(true);
    readings.SetMeter(QStringLiteral("C8:FD:19:0A:BC:DE"));
    readings.SetOnline(true);
    readings.PublishReading(TestReading(1.5f, "mVDC"), kTime);
    readings.PublishReading(TestReading(1.6f, "mVDC"), kTime); // same unit: no new discovery
    readings.PublishReading(TestReading(2.5f, "VDC"), kTime);
    ASSERT_EQ(mqtt.Finish(5000), 0);

    const QString strConfig = QStringLiteral("homeassistant/sensor/multimeter_c8fd190abcde/config");
    EXPECT_TRUE(QTest::qWaitFor([&] { return sub.Payloads(QStringLiteral("lab/m1/reading")).size() >= 3; }, 5000));
    const QList<CMqttTestMessage> messages = sub.Messages();
    QStringList topics;
    for (const CMqttTestMessage& message : messages)
        topics << message.strTopic;
    EXPECT_EQ(topics, QStringList({ "lab/m1/status", strConfig, "lab/m1/reading", "lab/m1/reading", strConfig, "lab/m1/reading" }));
    const QJsonObject first = QJsonDocument::fromJson(messages[1].payload).object();
    EXPECT_EQ(first.value(QStringLiteral("unit_of_measurement")).toString(), QStringLiteral("mV"));
    EXPECT_EQ(first.value(QStringLiteral("device_class")).toString(), QStringLiteral("voltage"));
    EXPECT_EQ(first.value(QStringLiteral("state_topic")).toString(), QStringLiteral("lab/m1/reading"));
    EXPECT_EQ(first.value(QStringLiteral("availability_topic")).toString(), QStringLiteral("lab/m1/status"));
    EXPECT_EQ(first.value(QStringLiteral("value_template")).toString(), QStringLiteral("{{ value_json.value }}"));
    EXPECT_EQ(first.value(QStringLiteral("unique_id")).toString(), QStringLiteral("multimeter_c8fd190abcde"));
    EXPECT_EQ(QJsonDocument::fromJson(messages[4].payload).object().value(QStringLiteral("unit_of_measurement")).toString(), QStringLiteral("V"));

    // Retained: Home Assistant started later still finds the sensor.
    CMqttTestSubscriber late(broker.Port(), strConfig);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !late.Messages().isEmpty(); }, 5000));
    EXPECT_TRUE(late.Messages().first().bRetain);
}
