// multimeter-cli record and dump against meter-sim.
#include "CSimProcess.h"

#include <QTemporaryDir>
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
