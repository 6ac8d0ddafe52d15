#include "link/CPortSettings.h"
#include "base/CProgramInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
class PortSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(CPortSettings::SettingsFilePath());
    }
    void TearDown() override { QFile::remove(CPortSettings::SettingsFilePath()); }

    static QString FileText()
    {
        QFile file(CPortSettings::SettingsFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};
}

TEST_F(PortSettings, DefaultsToThreeAndRoundTrips)
{
    EXPECT_TRUE(CPortSettings::SettingsFilePath().endsWith(QStringLiteral("/MultipleSetInfo.ini")));
    EXPECT_EQ(CPortSettings::ReadPortSetting(), QStringLiteral("3"));

    CPortSettings::WritePortSetting(QStringLiteral("7"));
    EXPECT_EQ(FileText(), QStringLiteral("[Q7R_PORT]\nCOMPORT=7\n"));
    EXPECT_EQ(CPortSettings::ReadPortSetting(), QStringLiteral("7"));

    CPortSettings::WriteMacSetting(QStringLiteral("c8:fd:19:0a:bc:de"));
    EXPECT_EQ(FileText(), QStringLiteral("[Q7R_PORT]\nCOMPORT=7\nMAC=c8:fd:19:0a:bc:de\n"));

    // A port typed as a name is kept as typed; the other key stays.
    CPortSettings::WritePortSetting(QStringLiteral(" /dev/ttyACM0 "));
    EXPECT_EQ(CPortSettings::ReadPortSetting(), QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(CPortSettings::ReadMacSetting(), QStringLiteral("c8:fd:19:0a:bc:de"));
}

TEST_F(PortSettings, OtherSectionsAndKeysAreLeftAlone)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("p.ini"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\nCOMPORT=9\n\n[q7r_port]\nmac=old\nX=1\n");
    file.close();
    EXPECT_EQ(CPortSettings::ReadProfileString(strPath, QStringLiteral("Q7R_PORT"), QStringLiteral("COMPORT"), QStringLiteral("3")),
              QStringLiteral("3"));
    ASSERT_TRUE(CPortSettings::WriteProfileString(strPath, QStringLiteral("Q7R_PORT"), QStringLiteral("COMPORT"), QStringLiteral("5")));
    ASSERT_TRUE(CPortSettings::WriteProfileString(strPath, QStringLiteral("Q7R_PORT"), QStringLiteral("MAC"), QStringLiteral("new")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), QStringLiteral("[Other]\nCOMPORT=9\n\n[q7r_port]\nMAC=new\nX=1\nCOMPORT=5\n"));
}

TEST(SettingsFolder, IsNamedMultimeterDirectlyUnderTheUsersConfigFolder)
{
    const QString strOrganisation = QCoreApplication::organizationName();
    const QString strApplication = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QStringLiteral("Some Organisation"));
    CProgramInfo::SetSettingsIdentity();
    const QString strConfig = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    ASSERT_FALSE(strConfig.isEmpty());
    EXPECT_EQ(CPortSettings::SettingsFilePath(), strConfig + QStringLiteral("/multimeter/MultipleSetInfo.ini"));
    EXPECT_TRUE(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).endsWith(QStringLiteral("/multimeter")));
    QCoreApplication::setOrganizationName(strOrganisation);
    QCoreApplication::setApplicationName(strApplication);
}
