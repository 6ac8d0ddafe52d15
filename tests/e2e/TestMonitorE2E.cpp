// multimeter-cli monitor against meter-sim playing every layout with noise.
#include "CSimProcess.h"

#include <QJsonDocument>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(MonitorE2E, PrintsEveryLayoutAndSeriesAsDecoded)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--scenario"), QStringLiteral(TEST_DATA_DIR "/monitor.json"), QStringLiteral("--rate"),
                      QStringLiteral("20"), QStringLiteral("--noise"), QStringLiteral("5"), QStringLiteral("--dongle-noise"), QStringLiteral("2") });
    ASSERT_FALSE(sim.Port().isEmpty());
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("13"),
                                  QStringLiteral("--seconds"), QStringLiteral("20") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    const QStringList expected = {
        QStringLiteral("14/3/25 9:30:0\tRES\t12.345\tKΩ\t3\t1\t8\t1"),
        QStringLiteral("3/14/25 9:30:1\tVDC\t1.5\tV\t3\t1\t8\t1"),
        QStringLiteral("14/3/25 9:30:2\tCAP\t47.2\tnF\t2\t1\t8\t1"),
        QStringLiteral("1/1/2025 12:0:10\tVDC\t1.25\tV\t5\t2\t8\t2\tsub1=1.3\tsub1Unit=V\tsub1Decimals=4\tsub1Time=00:00:01"
                       "\tsub2=1.2\tsub2Unit=V\tsub2Decimals=3\tsub2Time=00:00:02\tsub3=1.25\tsub3Unit=V\tsub3Decimals=2\tsub3Time=00:00:10"),
        QStringLiteral("14/3/25 9:30:3\tHZ\t1.5\tKHZ\t3\t3\t8\t3\tref=1\trel=0.5"),
        QStringLiteral("14/3/2025 20:16:0\tVAC\t230\tV\t4\t4\t8\t5\tsub1=231\tsub1Unit=V\tsub1Decimals=4\tsub1Time=00:00:05"
                       "\tsub2=229\tsub2Unit=V\tsub2Decimals=4\tsub2Time=00:00:06\tsub3=230.5\tsub3Unit=V\tsub3Decimals=4\tsub3Time=00:01:00"
                       "\tclock=14/03/25 08:15:00 pm"),
        QStringLiteral("14/3/25 9:30:4\tDC+AC(V)\t5\tVdc+ac\t2\t5\t8\t7\taux1=3\taux2=4\taux2Unit=\tauxCode=2"),
        QStringLiteral("14/3/25 9:30:5\tDC+AC(V)\t5\tVDC\t3\t5\t8\t0\taux1=3\taux2=4\taux2Unit=VAC\tauxCode=1"),
        QStringLiteral("14/3/25 9:30:6\tVAC\t230\tV\t1\t6\t8\t8\taux3=50\taux3Unit=Hz  "),
        QStringLiteral("14/3/25 9:30:7\tHZ\t0.75\tMHZ\t1\t7\t8\t9\taux4=50"),
        QStringLiteral("14/3/25 9:30:8\tHZ\t500\tHZ\t1\t7\t8\t9\taux4=25"),
        QStringLiteral("14/3/25 9:31:0\tVDC\t2.5\tV\t3\t1\t9\t1"),
        QStringLiteral("14/3/25 9:31:1\tHZ\t50\tHZ\t3\t7\t9\t9\taux4=10"),
    };
    ASSERT_EQ(r.lines.size(), expected.size()) << qPrintable(r.lines.join(QLatin1Char('\n')));
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(r.lines[i], expected[i]) << "line " << i;
    // The impossible date of the layout-2 frame was told once, on stderr.
    EXPECT_EQ(r.strError.count(QStringLiteral("DateTime is wrong, please correct datetime!")), 1) << qPrintable(r.strError);
}

TEST(MonitorE2E, JsonLinesCarryTypedFields)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--scenario"), QStringLiteral(TEST_DATA_DIR "/monitor.json"), QStringLiteral("--rate"), QStringLiteral("20") });
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("5"),
                                  QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--seconds"), QStringLiteral("20") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    ASSERT_EQ(r.lines.size(), 5);
    const QJsonObject first = QJsonDocument::fromJson(r.lines[0].toUtf8()).object();
    EXPECT_EQ(first.value(QStringLiteral("unit")).toString(), QStringLiteral("KΩ"));
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("value")).toDouble(), 12.345);
    EXPECT_EQ(first.value(QStringLiteral("layout")).toInt(), 1);
    EXPECT_EQ(first.value(QStringLiteral("time")).toString(), QStringLiteral("14/3/25 9:30:0"));
    const QJsonObject ref = QJsonDocument::fromJson(r.lines[4].toUtf8()).object();
    EXPECT_EQ(ref.value(QStringLiteral("function")).toString(), QStringLiteral("HZ"));
    EXPECT_DOUBLE_EQ(ref.value(QStringLiteral("rel")).toDouble(), 0.5);
    EXPECT_FALSE(ref.contains(QStringLiteral("sub1Time"))); // layout 3 has no secondary displays
}

TEST(MonitorE2E, ADropoutEndsWithStatus3OrIsBridgedWithReconnect)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QStringList simArgs = { QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--drop-after"), QStringLiteral("0.8") };
    {
        CSimProcess sim(simArgs);
        ASSERT_FALSE(sim.Port().isEmpty());
        const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"),
                                      QStringLiteral("100"), QStringLiteral("--seconds"), QStringLiteral("20") });
        EXPECT_EQ(r.nStatus, 3) << qPrintable(r.strError);
        EXPECT_TRUE(r.strError.contains(QStringLiteral("the meter ended the link"))) << qPrintable(r.strError);
        EXPECT_FALSE(r.strError.contains(QStringLiteral("reconnecting")));
    }
    CSimProcess sim(simArgs);
    ASSERT_FALSE(sim.Port().isEmpty());
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("30"),
                                  QStringLiteral("--seconds"), QStringLiteral("20"), QStringLiteral("--reconnect") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    EXPECT_EQ(r.lines.filter(QStringLiteral("\tVDC\t")).size(), 30) << qPrintable(r.lines.join(QLatin1Char('\n')));
    EXPECT_EQ(r.strError.count(QStringLiteral("reconnected to c8:fd:19:0a:bc:de")), 1) << qPrintable(r.strError);
TEST(MonitorE2E, TheMeterEndingTheLinkEndsWithStatusThree)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--drop-after"), QStringLiteral("1") });
    // --count far beyond what comes: only the lost link can end it.
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("100000") }, 20000);
    EXPECT_EQ(r.nStatus, 3) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("The meter ended the link"))) << qPrintable(r.strError);
    EXPECT_GE(r.lines.size(), 5); // what came before was printed
}

TEST(MonitorE2E, ADongleThatNeverConfirmsGivesStatusFiveWhateverTheTimeLimit)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim;
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--mac"),
                                  QStringLiteral("11:22:33:44:55:66"), QStringLiteral("--seconds"), QStringLiteral("2") }, 20000);
    EXPECT_EQ(r.nStatus, 5) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("did not come up"))) << qPrintable(r.strError);
    EXPECT_TRUE(r.lines.isEmpty());
}

namespace {
// Resident memory of a running process in KiB, 0 when it has gone.
qint64 ResidentKiB(qint64 nPid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(nPid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
}

TEST(MonitorE2E, AFloodOfNotificationsKeepsMemoryBoundedAndReadingsFlowing)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--flood"), QStringLiteral("400") });
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("5") });
    ASSERT_TRUE(cli.waitForStarted());
    qint64 nPeakKiB = 0;
    while (!cli.waitForFinished(100))
        nPeakKiB = qMax(nPeakKiB, ResidentKiB(cli.processId()));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    // The receive text is bounded at 1 MiB of text; the rest is the program itself.
    EXPECT_GT(nPeakKiB, 0);
    EXPECT_LT(nPeakKiB, 120 * 1024) << "peak resident memory " << nPeakKiB << " KiB";
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 10); // the meter's own frames still come through
}
