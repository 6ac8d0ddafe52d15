// multimeter-cli monitor against meter-sim playing every layout with noise.
#include "CSimProcess.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QFile>
#include <QRegularExpression>
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
    const QDateTime start = QDateTime::currentDateTime().addMSecs(-1); // the printed time has milliseconds only
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("13"),
                                  QStringLiteral("--seconds"), QStringLiteral("20") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    // Every layout has the same columns; the receive time comes first.
    const QStringList expected = {
        QStringLiteral("14/3/25 9:30:0\tRES\t12.345\tKΩ\t3\t1\t8\t1\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("3/14/25 9:30:1\tVDC\t1.500\tV\t3\t1\t8\t1\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("14/3/25 9:30:2\tCAP\t47.20\tnF\t2\t1\t8\t1\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("1/1/2025 12:0:10\tVDC\t1.25000\tV\t5\t2\t8\t2\t1.3000\tV\t4\t00:00:01\t1.200\tV\t3\t00:00:02"
                       "\t1.25\tV\t2\t00:00:10\t\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("14/3/25 9:30:3\tHZ\t1.500\tKHZ\t3\t3\t8\t3\t\t\t\t\t\t\t\t\t\t\t\t\t\t1.000\t0.500\t\t\t\t\t\t\t"),
        QStringLiteral("14/3/2025 20:16:0\tVAC\t230.0000\tV\t4\t4\t8\t5\t231.0000\tV\t4\t00:00:05\t229.0000\tV\t4\t00:00:06"
                       "\t230.5000\tV\t4\t00:01:00\t14/03/25 08:15:00 pm\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("14/3/25 9:30:4\tDC+AC(V)\t5.00\tVdc+ac\t2\t5\t8\t7\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t3\t4\t\t2\t\t\t"),
        QStringLiteral("14/3/25 9:30:5\tDC+AC(V)\t5.000\tVDC\t3\t5\t8\t0\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t3\t4\tVAC\t1\t\t\t"),
        // The unit as the meter pads it ("Hz  ") is trimmed.
        QStringLiteral("14/3/25 9:30:6\tVAC\t230.0\tV\t1\t6\t8\t8\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t50\tHz\t"),
        QStringLiteral("14/3/25 9:30:7\tHZ\t0.8\tMHZ\t1\t7\t8\t9\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t50"),
        QStringLiteral("14/3/25 9:30:8\tHZ\t500.0\tHZ\t1\t7\t8\t9\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t25"),
        QStringLiteral("14/3/25 9:31:0\tVDC\t2.500\tV\t3\t1\t9\t1\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"),
        QStringLiteral("14/3/25 9:31:1\tHZ\t50.000\tHZ\t3\t7\t9\t9\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t10"),
    };
    ASSERT_EQ(r.lines.size(), expected.size() + 1) << qPrintable(r.lines.join(QLatin1Char('\n')));
    EXPECT_EQ(r.lines[0], QStringLiteral("received\ttime\tfunction\tvalue\tunit\tdecimals\tlayout\tseries\tkind\tsub1\tsub1Unit"
                                         "\tsub1Decimals\tsub1Time\tsub2\tsub2Unit\tsub2Decimals\tsub2Time\tsub3\tsub3Unit\tsub3Decimals"
                                         "\tsub3Time\tclock\tref\trel\taux1\taux2\taux2Unit\tauxCode\taux3\taux3Unit\taux4"));
    const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"));
    QDateTime previous = start;
    for (int i = 0; i < expected.size(); ++i) {
        const QString strLine = r.lines[i + 1];
        const qsizetype nTab = strLine.indexOf(QLatin1Char('\t'));
        const QString strReceived = strLine.left(nTab);
        EXPECT_TRUE(iso.match(strReceived).hasMatch()) << qPrintable(strReceived);
        const QDateTime received = QDateTime::fromString(strReceived, Qt::ISODateWithMs);
        EXPECT_TRUE(received >= previous && received <= QDateTime::currentDateTime()) << qPrintable(strReceived);
        previous = received;
        EXPECT_EQ(strLine.mid(nTab + 1), expected[i]) << "line " << i;
    }
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
    // The shortest text of the stored float, not its double expansion (12.345000267...).
    EXPECT_TRUE(r.lines[0].contains(QStringLiteral("\"value\":12.345,"))) << qPrintable(r.lines[0]);
    EXPECT_TRUE(first.value(QStringLiteral("received")).toString().contains(QLatin1Char('T')));
    EXPECT_EQ(first.value(QStringLiteral("layout")).toInt(), 1);
    EXPECT_EQ(first.value(QStringLiteral("time")).toString(), QStringLiteral("14/3/25 9:30:0"));
    const QJsonObject ref = QJsonDocument::fromJson(r.lines[4].toUtf8()).object();
    EXPECT_EQ(ref.value(QStringLiteral("function")).toString(), QStringLiteral("HZ"));
    EXPECT_DOUBLE_EQ(ref.value(QStringLiteral("rel")).toDouble(), 0.5);
    EXPECT_FALSE(ref.contains(QStringLiteral("sub1Time"))); // layout 3 has no secondary displays
}

TEST(MonitorE2E, ADropoutIsBridgedWithReconnect)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--drop-after"), QStringLiteral("0.8") });
    ASSERT_FALSE(sim.Port().isEmpty());
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--count"), QStringLiteral("30"),
                                  QStringLiteral("--seconds"), QStringLiteral("20"), QStringLiteral("--reconnect") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    EXPECT_EQ(r.lines.filter(QStringLiteral("\tVDC\t")).size(), 30) << qPrintable(r.lines.join(QLatin1Char('\n')));
    EXPECT_EQ(r.strError.count(QStringLiteral("reconnected to c8:fd:19:0a:bc:de")), 1) << qPrintable(r.strError);
}

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
    CSimProcess sim({ QStringLiteral("--never-link") });
    const CCliResult r = RunCli({ QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("2") }, 20000);
    EXPECT_EQ(r.nStatus, 5) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("did not come up"))) << qPrintable(r.strError);
    EXPECT_EQ(r.lines.size(), 1); // the header, no reading
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
#ifdef __SANITIZE_ADDRESS__
    // ASan keeps freed blocks in a quarantine (256 MiB by default) and allocates with
    // headers of its own: a small quarantine and room for the allocator's overhead.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":quarantine_size_mb=1"));
    cli.setProcessEnvironment(env);
    constexpr qint64 kBoundKiB = 200 * 1024;
#else
    constexpr qint64 kBoundKiB = 120 * 1024;
#endif
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("monitor"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--seconds"), QStringLiteral("5") });
    ASSERT_TRUE(cli.waitForStarted());
    qint64 nPeakKiB = 0;
    while (!cli.waitForFinished(100))
        nPeakKiB = qMax(nPeakKiB, ResidentKiB(cli.processId()));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    // The receive text is bounded at 1 MiB of text; the rest is the program itself.
    EXPECT_GT(nPeakKiB, 0);
    EXPECT_LT(nPeakKiB, kBoundKiB) << "peak resident memory " << nPeakKiB << " KiB";
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 10); // the meter's own frames still come through
}
