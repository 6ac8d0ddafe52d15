// The real serial transport against meter-sim on a pseudo-terminal.
#include "CSimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
// Every test gets its own settings folder.
class LinkE2E : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit()); }
    QTemporaryDir m_config;
};
}

TEST_F(LinkE2E, ScanListsTheMetersAndNoneOfTheDecoys)
{
    CSimProcess sim({ QStringLiteral("--dongle-noise"), QStringLiteral("2") });
    ASSERT_FALSE(sim.Port().isEmpty());
    const CCliResult r = RunCli({ QStringLiteral("scan"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("2") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    EXPECT_EQ(r.lines, (QStringList {
        QStringLiteral("0\tORVEX-M1\tc8:fd:19:0a:bc:de\t-58"),
        QStringLiteral("1\tORV-BT-2\tc8:fd:19:11:22:33\t-71"),
    }));
    // The port went to the settings file as typed.
    QFile ini(m_config.filePath(QStringLiteral("multimeter/MultipleSetInfo.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains(("COMPORT=" + sim.Port()).toLocal8Bit()));
}

TEST_F(LinkE2E, ScanWithoutMetersFails)
{
    CSimProcess sim({ QStringLiteral("--meter"), QStringLiteral("Headphones@70:71:72:73:74:75") });
    const CCliResult r = RunCli({ QStringLiteral("scan"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("1.5") });
    EXPECT_NE(r.nStatus, 0);
    EXPECT_TRUE(r.lines.isEmpty());
    EXPECT_TRUE(r.strError.contains(QStringLiteral("no meter found"))) << qPrintable(r.strError);
}

TEST_F(LinkE2E, ConnectDeliversTheMeterFramesAsHexText)
{
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("10"), QStringLiteral("--dongle-noise"), QStringLiteral("1") });
    const CCliResult r = RunCli({ QStringLiteral("connect"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--mac"),
                                  QStringLiteral("c8:fd:19:0a:bc:de"), QStringLiteral("--seconds"), QStringLiteral("2") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    const QString strText = r.lines.join(QString());
    // Layout-1 frames, 27 bytes each, sent as notifications of at most 20 bytes.
    ASSERT_GE(r.lines.size(), 10);
    for (const QString& strLine : r.lines)
        EXPECT_LE(strLine.size(), 40);
    EXPECT_TRUE(strText.startsWith(QStringLiteral("a080")));
    EXPECT_EQ(strText.size() % 54, 0);
    for (int i = 0; i + 54 <= strText.size(); i += 54) {
        EXPECT_EQ(strText.mid(i, 4), QStringLiteral("a080"));
        EXPECT_EQ(strText.mid(i + 52, 2), QStringLiteral("a1"));
    }
}

TEST_F(LinkE2E, AMeterTheScanNeverSeesIsNotFound)
{
    CSimProcess sim;
    QElapsedTimer timer;
    timer.start();
    const CCliResult r = RunCli({ QStringLiteral("connect"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--mac"),
                                  QStringLiteral("00:11:22:33:44:55"), QStringLiteral("--seconds"), QStringLiteral("20") });
    EXPECT_EQ(r.nStatus, 4);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("multimeter-cli: error: meter 00:11:22:33:44:55 not found on ") + sim.Port()))
        << qPrintable(r.strError);
    EXPECT_FALSE(r.strError.contains(QStringLiteral("did not come up")));
    // After the scan, not after --seconds.
    EXPECT_LT(timer.elapsed(), 15000);
}

TEST_F(LinkE2E, SimulatorDisconnectingMidStreamIsReported)
{
    CSimProcess sim({ QStringLiteral("--disconnect-after"), QStringLiteral("1.5") });
    const CCliResult r = RunCli({ QStringLiteral("connect"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("20") });
    EXPECT_EQ(r.nStatus, 3);
    EXPECT_FALSE(r.lines.isEmpty()); // data flowed before the plug was pulled
    EXPECT_EQ(r.strError.count(QStringLiteral("connection on")), 1) << qPrintable(r.strError);
}

TEST_F(LinkE2E, MissingPortFailsWithTheWarning)
{
    const CCliResult r = RunCli({ QStringLiteral("scan"), QStringLiteral("--port"), QStringLiteral("/dev/no-such-dongle") });
    EXPECT_EQ(r.nStatus, 2);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("Warning:Can't open /dev/no-such-dongle!"))) << qPrintable(r.strError);
    const CCliResult bad = RunCli({ QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("x"), QStringLiteral("--mac"), QStringLiteral("nonsense") });
    EXPECT_EQ(bad.nStatus, 64);
}

TEST(SimulatorOptions, VersionAndBadDropoutSettings)
{
    auto run = [](const QStringList& args, QString* pstrOut, QString* pstrErr) {
        QProcess sim;
        sim.start(QStringLiteral(METER_SIM_PATH), args);
        if (!sim.waitForFinished(5000)) {
            sim.kill();
            sim.waitForFinished(1000);
            return -1;
        }
        *pstrOut = QString::fromUtf8(sim.readAllStandardOutput());
        *pstrErr = QString::fromUtf8(sim.readAllStandardError());
        return sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -2;
    };
    QString strOut;
    QString strErr;
    EXPECT_EQ(run({ QStringLiteral("--version") }, &strOut, &strErr), 0);
    EXPECT_EQ(strOut, QStringLiteral("meter-sim " MULTIMETER_VERSION "\n"));
    EXPECT_EQ(run({ QStringLiteral("--drops"), QStringLiteral("0"), QStringLiteral("--drop-after"), QStringLiteral("1") }, &strOut, &strErr), 2);
    EXPECT_TRUE(strErr.contains(QStringLiteral("--drops"))) << qPrintable(strErr);
    EXPECT_EQ(run({ QStringLiteral("--drop-after"), QStringLiteral("nan") }, &strOut, &strErr), 2);
    EXPECT_TRUE(strErr.contains(QStringLiteral("--drop-after"))) << qPrintable(strErr);
    EXPECT_EQ(run({ QStringLiteral("--sent-log"), QStringLiteral("/no-such-folder/sent.txt") }, &strOut, &strErr), 1);
    EXPECT_TRUE(strErr.contains(QStringLiteral("cannot write /no-such-folder/sent.txt"))) << qPrintable(strErr);
}

TEST_F(LinkE2E, SecondsAlsoBoundTheScan)
{
    CSimProcess sim;
    QElapsedTimer timer;
    timer.start();
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--mac"),
                                  QStringLiteral("00:11:22:33:44:55"), QStringLiteral("--seconds"), QStringLiteral("2") });
    EXPECT_EQ(r.nStatus, 4);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("not found on %1 within 2 s").arg(sim.Port()))) << qPrintable(r.strError);
    EXPECT_LT(timer.elapsed(), 8000); // the scan alone would look for 10 s
}

TEST_F(LinkE2E, ARelativePortIsRememberedAsAnAbsolutePathAndANegativeOneIsRefused)
{
    QTemporaryDir work;
    CSimProcess sim({ QStringLiteral("--link"), work.filePath(QStringLiteral("dongle")) });
    ASSERT_FALSE(sim.Port().isEmpty());
    QProcess cli;
    cli.setWorkingDirectory(work.path());
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("scan"), QStringLiteral("--port"), QStringLiteral("dongle"),
                                                QStringLiteral("--seconds"), QStringLiteral("1") });
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    QFile ini(m_config.filePath(QStringLiteral("multimeter/MultipleSetInfo.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray settings = ini.readAll();
    EXPECT_TRUE(settings.contains(("COMPORT=" + work.filePath(QStringLiteral("dongle")) + "\n").toLocal8Bit())) << settings.constData();

    for (const QStringList& args : { QStringList { "scan" }, QStringList { "monitor" },
                                     QStringList { "record", "--out", work.filePath(QStringLiteral("x.mLog")) } }) {
        const CCliResult r = RunCli(args + QStringList { QStringLiteral("--port"), QStringLiteral("-1") });
        EXPECT_EQ(r.nStatus, 64) << qPrintable(args.join(' ')) << qPrintable(r.strError);
        EXPECT_TRUE(r.strError.contains(QStringLiteral("bad --port '-1'"))) << qPrintable(r.strError);
    }
}
