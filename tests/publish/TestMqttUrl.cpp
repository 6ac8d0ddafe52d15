#include "publish/CMqttUrl.h"

#include <gtest/gtest.h>

TEST(MqttUrl, ReadsEveryPartWithItsDefaults)
{
    CMqttUrl url;
    QString strError;
    ASSERT_TRUE(CMqttUrl::Parse(QStringLiteral("mqtt://broker.lan/lab/meter1"), &url, &strError)) << qPrintable(strError);
    EXPECT_FALSE(url.m_bTls);
    EXPECT_EQ(url.m_strHost, QStringLiteral("broker.lan"));
    EXPECT_EQ(url.m_nPort, 1883);
    EXPECT_TRUE(url.m_strUser.isEmpty());
    EXPECT_EQ(url.m_strPrefix, QStringLiteral("lab/meter1"));
    EXPECT_EQ(url.Topic(QStringLiteral("reading")), QStringLiteral("lab/meter1/reading"));

    ASSERT_TRUE(CMqttUrl::Parse(QStringLiteral(" MQTTS://ann:p%40ss:w@rd@[::1]:9000/m "), &url, &strError)) << qPrintable(strError);
    EXPECT_TRUE(url.m_bTls);
    EXPECT_EQ(url.m_strHost, QStringLiteral("::1"));
    EXPECT_EQ(url.m_nPort, 9000);
    EXPECT_EQ(url.m_strUser, QStringLiteral("ann"));
    EXPECT_EQ(url.m_strPassword, QStringLiteral("p@ss:w@rd"));
    EXPECT_EQ(url.m_strPrefix, QStringLiteral("m"));
    // The password never shows.
    EXPECT_EQ(url.Redacted(), QStringLiteral("mqtts://ann@[::1]:9000/m"));

    ASSERT_TRUE(CMqttUrl::Parse(QStringLiteral("mqtts://h/a%20b"), &url, &strError));
    EXPECT_EQ(url.m_nPort, 8883);
    EXPECT_EQ(url.m_strPrefix, QStringLiteral("a b"));
}

TEST(MqttUrl, RefusesWhatIsNotABrokerAddressWithoutQuotingIt)
{
    const char* const bad[] = {
        "", "broker/x", "http://h/x", "mqtt://", "mqtt://h", "mqtt://h/", "mqtt://:1883/x", "mqtt://h:0/x",
        "mqtt://h:65536/x", "mqtt://h:12a/x", "mqtt://h:/x", "mqtt://h/a/+/b", "mqtt://h/a/#", "mqtt://h/a//b",
        "mqtt://h/a/", "mqtt://@h/x", "mqtt://h h/x", "mqtt://[::1/x", "mqtt://[zz]/x", "mqtt://h/x?y=1",
        "mqtt://user:secret@h:99999/x",
    };
    for (const char* psz : bad) {
        CMqttUrl url;
        url.m_strHost = QStringLiteral("untouched");
        QString strError;
        EXPECT_FALSE(CMqttUrl::Parse(QString::fromUtf8(psz), &url, &strError)) << psz;
        EXPECT_FALSE(strError.isEmpty()) << psz;
        EXPECT_FALSE(strError.contains(QStringLiteral("secret"))) << qPrintable(strError);
        EXPECT_EQ(url.m_strHost, QStringLiteral("untouched"));
    }
}
