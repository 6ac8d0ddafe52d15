// multimeter-cli record and dump against meter-sim.
#include "CFileSizeLimit.h"
#include "CSimProcess.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {
QStringList DumpRecords(const QString& strPath)
{
    const CCliResult r = RunCli({ QStringLiteral("dump"), strPath });
    EXPECT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    const int nHeader = int(r.lines.indexOf(QStringLiteral("array\tindex\tvalue\tunit\tsample rate\ttime\ttype\trange")));
    EXPECT_GE(nHeader, 0);
    return r.lines.mid(nHeader + 1);
}
}

TEST(RecordE2E, FunctionChangeStartsTheNextFileAndOverloadsAreStored)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--scenario"), QStringLiteral(TEST_DATA_DIR "/record.json"), QStringLiteral("--rate"), QStringLiteral("20"),
                      QStringLiteral("--noise"), QStringLiteral("4") });
    const QString strOut = dir.filePath(QStringLiteral("run.mLog"));
    const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                  QStringLiteral("--count"), QStringLiteral("6"), QStringLiteral("--seconds"), QStringLiteral("20") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("6 readings recorded in 2 file(s)"))) << qPrintable(r.strError);

    EXPECT_EQ(DumpRecords(strOut), (QStringList {
        QStringLiteral("0\t0\t1.5000\tV\t0.0000\t14/3/25 9:30:0\tVDC\t10.0000"),
        QStringLiteral("0\t1\t500000.0000\tV\t0.0000\t14/3/25 9:30:1\tVDC\t10.0000"),
        QStringLiteral("0\t2\t-500000.0000\tV\t0.0000\t14/3/25 9:30:2\tVDC\t10.0000"),
        QStringLiteral("0\t3\t10.0000\tV\t0.0000\t14/3/25 9:30:3\tVDC\t10.0000"),
    }));
    EXPECT_EQ(DumpRecords(dir.filePath(QStringLiteral("run-2.mLog"))), (QStringList {
        QStringLiteral("0\t0\t230.5000\tV\t0.0000\t14/3/25 9:30:4\tVAC\t600.0000"),
        QStringLiteral("0\t1\t231.0000\tV\t0.0000\t14/3/25 9:30:5\tVAC\t600.0000"),
    }));
    const CCliResult stats = RunCli({ QStringLiteral("dump"), strOut });
    ASSERT_GE(stats.lines.size(), 2);
    EXPECT_EQ(stats.lines[1], QStringLiteral("1.5000\t1.5000\t14/3/25 9:30:0\t1.5000\t14/3/25 9:30:0\t1.0000\t1.5000\t4\t14/3/25 9:30:0\t14/3/25 9:30:0\tVDC"));
}

TEST(RecordE2E, InterruptSavesAndAutosaveBoundsTheLoss)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20") });
    const QString strOut = dir.filePath(QStringLiteral("long.mLog"));
    QProcess cli;
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                                QStringLiteral("--autosave"), QStringLiteral("0.5") });
    ASSERT_TRUE(cli.waitForStarted());
    QThread::msleep(2500);
    // The autosave has written the file while recording goes on.
    const QStringList early = DumpRecords(strOut);
    EXPECT_GE(early.size(), 5);
    ::kill(pid_t(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(5000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    const QStringList all = DumpRecords(strOut);
    EXPECT_GE(all.size(), early.size());
    EXPECT_TRUE(all.value(0).contains(QStringLiteral("\tVDC\t")));

    const CCliResult bad = RunCli({ QStringLiteral("dump"), dir.filePath(QStringLiteral("missing.mLog")) });
    EXPECT_NE(bad.nStatus, 0);
    EXPECT_FALSE(bad.strError.isEmpty());
}

TEST(RecordE2E, ReconnectKeepsRecordingTheSameFileThroughThreeDropouts)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    const QString strSent = dir.filePath(QStringLiteral("sent.txt"));
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--drop-after"), QStringLiteral("1"),
                      QStringLiteral("--drops"), QStringLiteral("3"), QStringLiteral("--sent-log"), strSent });
    ASSERT_FALSE(sim.Port().isEmpty());
    const QString strOut = dir.filePath(QStringLiteral("long.mLog"));
    const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                  QStringLiteral("--reconnect"), QStringLiteral("--seconds"), QStringLiteral("13") });
    ASSERT_EQ(r.nStatus, 0) << qPrintable(r.strError);
    EXPECT_EQ(r.strError.count(QStringLiteral("reconnecting to c8:fd:19:0a:bc:de")), 3) << qPrintable(r.strError);
    EXPECT_EQ(r.strError.count(QStringLiteral("reconnected to c8:fd:19:0a:bc:de")), 3) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("in 1 s"))) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("in 1 file(s)"))) << qPrintable(r.strError);

    // What the simulator sent, with the three ends of the link marked.
    QFile sentFile(strSent);
    ASSERT_TRUE(sentFile.open(QIODevice::ReadOnly));
    QStringList sent;
    int nBeforeLastDrop = -1;
    int nDrops = 0;
    for (const QString& strLine : QString::fromUtf8(sentFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (strLine == QLatin1String("# link ended")) {
            ++nDrops;
            nBeforeLastDrop = int(sent.size());
        } else {
            sent << strLine;
        }
    }
    ASSERT_EQ(nDrops, 3);

    QStringList recorded;
    for (const QString& strRecord : DumpRecords(strOut)) {
        const QStringList cells = strRecord.split(QLatin1Char('\t'));
        ASSERT_GE(cells.size(), 4);
        recorded << cells[2] + QLatin1Char('\t') + cells[3];
    }
    // Everything sent up to the third dropout and a good run after it, in order and
    // without gaps: the file is the beginning of what was sent (the last readings
    // may still have been on their way when --seconds ended the run).
    ASSERT_GE(recorded.size(), nBeforeLastDrop + 20) << recorded.size() << " of " << sent.size();
    EXPECT_EQ(recorded, sent.mid(0, recorded.size()));
}

TEST(RecordE2E, AFullDiskKeepsTheLastGoodFileAndFails)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20") });
    const QString strOut = dir.filePath(QStringLiteral("full.mLog"));
    QProcess cli;
    // The disk "fills" at 1500 bytes per file, for the recorder only: about 20 readings. A
    // count rather than a time, so a slow machine still records past the limit.
    cli.setChildProcessModifier([] { CFileSizeLimit::Apply(1500); });
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                                QStringLiteral("--autosave"), QStringLiteral("0.2"), QStringLiteral("--count"), QStringLiteral("60") });
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString strError = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1) << qPrintable(strError);
    EXPECT_TRUE(strError.contains(QStringLiteral("Cannot save \"%1\"").arg(strOut))) << qPrintable(strError);
    // The last save that fitted is still there, whole.
    const QStringList kept = DumpRecords(strOut);
    EXPECT_GE(kept.size(), 1);
    EXPECT_LT(QFileInfo(strOut).size(), 1500);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("full.mLog") }); // no temporary left
}

TEST(RecordE2E, ASecondRecorderOnTheSameFileRefuses)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20") });
    const QString strOut = dir.filePath(QStringLiteral("one.mLog"));
    QProcess first;
    // Saved every second: the file is there soon after the first reading, however slow the
    // machine (a sanitizer's) makes the link.
    first.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"),
                                                  strOut, QStringLiteral("--autosave"), QStringLiteral("1") });
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(strOut + QStringLiteral(".lock")); }, 5000));

    const CCliResult second = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("--out"), strOut });
    EXPECT_EQ(second.nStatus, 1);
    EXPECT_TRUE(second.strError.contains(QStringLiteral("being recorded by another process"))) << qPrintable(second.strError);

    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(strOut); }, 30000));
    ::kill(pid_t(first.processId()), SIGINT);
    ASSERT_TRUE(first.waitForFinished(5000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
    EXPECT_GE(DumpRecords(strOut).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(strOut + QStringLiteral(".lock"))); // the lock goes with its recorder
}

TEST(RecordE2E, TheMeterEndingTheLinkSavesAndEndsWithStatusThree)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--drop-after"), QStringLiteral("1") });
    const QString strOut = dir.filePath(QStringLiteral("ended.mLog"));
    const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                  QStringLiteral("--seconds"), QStringLiteral("60") }, 20000);
    EXPECT_EQ(r.nStatus, 3) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("The meter ended the link"))) << qPrintable(r.strError);
    EXPECT_GE(DumpRecords(strOut).size(), 5);
}

TEST(RecordE2E, SilenceAndTheEndOfTheStreamAreToldOnStderr)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    // The scenario plays six readings once, then the meter stays silent.
    {
        CSimProcess sim({ QStringLiteral("--scenario"), QStringLiteral(TEST_DATA_DIR "/record.json"), QStringLiteral("--rate"), QStringLiteral("20") });
        const QString strOut = dir.filePath(QStringLiteral("quiet.mLog"));
        const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                      QStringLiteral("--seconds"), QStringLiteral("7") });
        EXPECT_EQ(r.nStatus, 0) << qPrintable(r.strError);
        EXPECT_EQ(r.strError.count(QStringLiteral("nothing recordable has arrived for 5 s (6 readings recorded so far)")), 1)
            << qPrintable(r.strError);
        EXPECT_TRUE(r.strError.contains(QStringLiteral("6 readings recorded in 2 file(s)"))) << qPrintable(r.strError);
    }
    // The simulator drops the link: status 3, said on stderr, and what came before is saved.
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20"), QStringLiteral("--disconnect-after"), QStringLiteral("1.5") });
    const QString strOut = dir.filePath(QStringLiteral("dropped.mLog"));
    const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                  QStringLiteral("--seconds"), QStringLiteral("20") });
    EXPECT_EQ(r.nStatus, 3) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("the meter's stream has ended"))) << qPrintable(r.strError);
    EXPECT_GE(DumpRecords(strOut).size(), 10);

    // A file count is never negative, even when nothing was recorded.
    CSimProcess absent({ QStringLiteral("--meter"), QStringLiteral("Headphones@70:71:72:73:74:75") });
    const CCliResult none = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), absent.Port(), QStringLiteral("--out"),
                                     dir.filePath(QStringLiteral("none.mLog")) });
    EXPECT_EQ(none.nStatus, 4);
    EXPECT_TRUE(none.strError.contains(QStringLiteral("0 readings recorded in 0 file(s)"))) << qPrintable(none.strError);
}

TEST(RecordE2E, AClosedTerminalSavesAsCtrlCDoes)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    CSimProcess sim({ QStringLiteral("--rate"), QStringLiteral("20") });
    const QString strOut = dir.filePath(QStringLiteral("hup.mLog"));
    QProcess cli;
    // No autosave within the run: only the end can write the file.
    cli.start(QStringLiteral(METER_CLI_PATH), { QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                                QStringLiteral("--autosave"), QStringLiteral("3600") });
    QByteArray err;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        err += cli.readAllStandardError();
        return err.contains("recording into"); // the first reading is recorded
    }, 15000)) << err.constData();
    EXPECT_FALSE(QFileInfo::exists(strOut));
    ::kill(pid_t(cli.processId()), SIGHUP);
    ASSERT_TRUE(cli.waitForFinished(5000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    EXPECT_GE(DumpRecords(strOut).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(strOut + QStringLiteral(".lock")));
}

TEST(RecordE2E, NothingRecordedIsAFailureThatSaysSo)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    // The meter links but sends no reading.
    const QString strScenario = dir.filePath(QStringLiteral("silent.json"));
    QFile scenario(strScenario);
    ASSERT_TRUE(scenario.open(QIODevice::WriteOnly));
    scenario.write(R"({"loop": true, "steps": [{"type": "pause", "ms": 1000}]})");
    scenario.close();
    CSimProcess sim({ QStringLiteral("--scenario"), strScenario });
    const QString strOut = dir.filePath(QStringLiteral("none.mLog"));
    const CCliResult r = RunCli({ QStringLiteral("record"), QStringLiteral("--port"), sim.Port(), QStringLiteral("--out"), strOut,
                                  QStringLiteral("--seconds"), QStringLiteral("1.5") });
    EXPECT_EQ(r.nStatus, 1) << qPrintable(r.strError);
    EXPECT_TRUE(r.strError.contains(QStringLiteral("multimeter-cli: error: nothing was recorded"))) << qPrintable(r.strError);
    EXPECT_FALSE(QFileInfo::exists(strOut));
}
