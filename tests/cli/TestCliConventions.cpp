// The conventions every verb of multimeter-cli keeps: help, version, errors, exit statuses,
// checked output, and the reasons a port does not open.
#include "../e2e/CSimProcess.h"

#include "link/CPortError.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
const QStringList kVerbs = { "scan", "connect", "monitor", "record", "dump", "ports", "stats" };

// Runs the program with stdout sent to strStdout (a file such as /dev/full).
CCliResult RunCliTo(const QStringList& args, const QString& strStdout)
{
    QProcess cli;
    cli.setStandardOutputFile(strStdout);
    cli.start(QStringLiteral(METER_CLI_PATH), args);
    CCliResult r;
    if (!cli.waitForFinished(30000)) {
        cli.kill();
        cli.waitForFinished(1000);
        return r;
    }
    r.nStatus = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -2;
    r.strError = QString::fromUtf8(cli.readAllStandardError());
    return r;
}

void ExpectUsageError(const QStringList& args, const QString& strVerb, const QString& strReason)
{
    const CCliResult r = RunCli(args);
    EXPECT_EQ(r.nStatus, 64) << args.join(' ').toStdString();
    EXPECT_TRUE(r.lines.isEmpty());
    EXPECT_TRUE(r.strError.startsWith("multimeter-cli: error: ")) << r.strError.toStdString();
    EXPECT_TRUE(r.strError.contains(strReason)) << r.strError.toStdString();
    const QString strHint = strVerb.isEmpty() ? "Try 'multimeter-cli --help'.\n" : "Try 'multimeter-cli " + strVerb + " --help'.\n";
    EXPECT_TRUE(r.strError.endsWith(strHint)) << r.strError.toStdString();
}

class CliConventions : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()); }
    QTemporaryDir m_dir;
};
}

TEST_F(CliConventions, HelpAndVersionPrintToStdoutAndSucceedForEveryVerb)
{
    for (const QStringList& args : { QStringList{ "--help" }, QStringList{ "-h" }, QStringList{ "help" } }) {
        const CCliResult r = RunCli(args);
        EXPECT_EQ(r.nStatus, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(r.strError.isEmpty());
        const QString strText = r.lines.join('\n');
        for (const QString& strVerb : kVerbs)
            EXPECT_TRUE(strText.contains("  " + strVerb + " ")) << strVerb.toStdString();
        EXPECT_TRUE(strText.contains("  1    failed") && strText.contains("  64   bad usage"));
    }
    const CCliResult version = RunCli({ "--version" });
    EXPECT_EQ(version.nStatus, 0);
    EXPECT_EQ(version.lines, QStringList{ "multimeter-cli " MULTIMETER_VERSION });

    for (const QString& strVerb : kVerbs) {
        const CCliResult help = RunCli({ strVerb, "--help" });
        EXPECT_EQ(help.nStatus, 0) << strVerb.toStdString();
        ASSERT_FALSE(help.lines.isEmpty());
        EXPECT_TRUE(help.lines[0].startsWith("Usage: multimeter-cli " + strVerb + " ")) << help.lines[0].toStdString();
        const QString strText = help.lines.join('\n');
        EXPECT_TRUE(strText.contains("Exit status:") && strText.contains("  2    the port cannot be opened"));
        // Only its own options: none of Qt's.
        EXPECT_FALSE(strText.contains("--help-all") || strText.contains("-platform") || strText.contains("qmljsdebugger"));
        EXPECT_EQ(RunCli({ "help", strVerb }).lines, help.lines);
        EXPECT_EQ(RunCli({ strVerb, "-h" }).lines, help.lines);
        const CCliResult verbVersion = RunCli({ strVerb, "--version" });
        EXPECT_EQ(verbVersion.nStatus, 0);
        EXPECT_EQ(verbVersion.lines, version.lines);
    }
    // Each verb lists its own options and defaults.
    const QString strScan = RunCli({ "scan", "--help" }).lines.join('\n');
    EXPECT_TRUE(strScan.contains("Scan for N seconds. (default: 10)"));
    EXPECT_FALSE(strScan.contains("  --mac") || strScan.contains("  --count") || strScan.contains("  --out"));
    const QString strRecord = RunCli({ "record", "--help" }).lines.join('\n');
    EXPECT_TRUE(strRecord.contains("--force") && strRecord.contains("(default: 10)") && strRecord.contains("0: no limit"));
}

TEST_F(CliConventions, UsageErrorsNameTheVerbAndNumbersAreChecked)
{
    ExpectUsageError({}, QString(), "no verb given");
    ExpectUsageError({ "bogus" }, QString(), "unknown verb 'bogus'");
    ExpectUsageError({ "help", "bogus" }, QString(), "unknown verb 'bogus'");
    ExpectUsageError({ "monitor", "--bogus" }, "monitor", "bogus");
    ExpectUsageError({ "scan" }, "scan", "missing --port");
    for (const char* strPort : { "", "  ", "0" })
        ExpectUsageError({ "scan", "--port", strPort }, "scan", "bad --port");
    for (const char* strSeconds : { "inf", "nan", "3000000", "0", "-1", "x" })
        ExpectUsageError({ "monitor", "--port", "/dev/null", "--seconds", strSeconds }, "monitor", "bad --seconds");
    ExpectUsageError({ "monitor", "--port", "/dev/null", "--count", "-1" }, "monitor", "bad --count");
    ExpectUsageError({ "monitor", "--port", "/dev/null", "--count", "1e99" }, "monitor", "bad --count");
    ExpectUsageError({ "connect", "--port", "/dev/null", "--mac", "nonsense" }, "connect", "bad --mac");
    const QString strOut = m_dir.filePath("a.mLog");
    for (const char* strAutosave : { "0", "inf", "nan", "-5" })
        ExpectUsageError({ "record", "--port", "/dev/null", "--out", strOut, "--autosave", strAutosave }, "record", "bad --autosave");
    ExpectUsageError({ "record", "--port", "/dev/null" }, "record", "missing --out");
    ExpectUsageError({ "dump", "a.mLog", "--format", "xml" }, "dump", "bad --format");
}

TEST_F(CliConventions, AFailedStdoutIsAnErrorAndAClosedPipeEndsQuietly)
{
    for (const QStringList& args : { QStringList{ "--help" }, QStringList{ "ports", "--all" }, QStringList{ "dump", "--help" } }) {
        const CCliResult r = RunCliTo(args, "/dev/full");
        EXPECT_EQ(r.nStatus, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.strError.contains("multimeter-cli: error: cannot write to stdout")) << r.strError.toStdString();
    }
    CSimProcess sim({ "--rate", "20" });
    ASSERT_FALSE(sim.Port().isEmpty());
    for (const QString strVerb : { "monitor", "connect" }) {
        const CCliResult r = RunCliTo({ strVerb, "--port", sim.Port(), "--seconds", "20" }, "/dev/full");
        EXPECT_EQ(r.nStatus, 1) << strVerb.toStdString();
        EXPECT_TRUE(r.strError.contains("cannot write to stdout")) << r.strError.toStdString();
    }
    // A reader that goes away: no message, and not a success.
    QProcess cli;
    QProcess reader;
    cli.setStandardOutputProcess(&reader);
    reader.start("head", { "-n", "2" });
    cli.start(QStringLiteral(METER_CLI_PATH), { "monitor", "--port", sim.Port(), "--seconds", "20" });
    ASSERT_TRUE(reader.waitForFinished(20000));
    EXPECT_EQ(reader.readAllStandardOutput().count('\n'), 2);
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 141);
    EXPECT_FALSE(cli.readAllStandardError().contains("error"));
}

TEST_F(CliConventions, RecordChecksItsOutputBeforeConnectingAndOverwritesOnlyWithForce)
{
    // The port does not exist either: the folder is what is reported, so it was checked first.
    const CCliResult missing = RunCli({ "record", "--port", "/dev/no-such-dongle", "--out", m_dir.filePath("no/such/dir/a.mLog") });
    EXPECT_EQ(missing.nStatus, 1);
    EXPECT_TRUE(missing.strError.contains("does not exist") && missing.strError.contains("no/such/dir")) << missing.strError.toStdString();
    EXPECT_FALSE(missing.strError.contains("Can't open"));

    const QString strOut = m_dir.filePath("run.mLog");
    const QString strSecond = m_dir.filePath("run-3.mLog");
    for (const QString& strPath : { strOut, strSecond }) {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        const CCliResult exists = RunCli({ "record", "--port", "/dev/no-such-dongle", "--out", strOut });
        EXPECT_EQ(exists.nStatus, 1);
        EXPECT_TRUE(exists.strError.contains(strPath) && exists.strError.contains("--force")) << exists.strError.toStdString();
        QFile::remove(strOut);
    }
    // --force records over the whole earlier series: its later files would otherwise be read
    // back as the new recording's continuation.
    const QString strContinued = m_dir.filePath("run-2.mLog");
    for (const QString& strPath : { strOut, strContinued }) {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    CSimProcess sim({ "--rate", "20" });
    const CCliResult forced = RunCli({ "record", "--port", sim.Port(), "--out", strOut, "--force", "--count", "3", "--seconds", "20" });
    EXPECT_EQ(forced.nStatus, 0) << forced.strError.toStdString();
    EXPECT_TRUE(forced.strError.contains("3 readings recorded in 1 file(s)")) << forced.strError.toStdString();
    EXPECT_FALSE(QFile::exists(strContinued));
    EXPECT_FALSE(QFile::exists(strSecond));
    const CCliResult dump = RunCli({ "dump", strOut, "--format", "csv" });
    EXPECT_EQ(dump.nStatus, 0);
    EXPECT_EQ(dump.lines.size(), 4); // header and three readings
}

TEST_F(CliConventions, PortsListsThePseudoTerminalOnlyWithAll)
{
    CSimProcess sim;
    ASSERT_FALSE(sim.Port().isEmpty());
    const CCliResult all = RunCli({ "ports", "--all" });
    ASSERT_EQ(all.nStatus, 0) << all.strError.toStdString();
    ASSERT_FALSE(all.lines.isEmpty());
    EXPECT_EQ(all.lines[0], "path\tby-id\tusb\tmanufacturer\tdescription");
    EXPECT_TRUE(all.lines.contains(sim.Port() + "\t\t\t\tpseudo-terminal")) << all.lines.join('\n').toStdString();
    const CCliResult plain = RunCli({ "ports" });
    ASSERT_EQ(plain.nStatus, 0);
    for (const QString& strLine : plain.lines)
        EXPECT_FALSE(strLine.startsWith(sim.Port() + "\t"));
    const CCliResult json = RunCli({ "ports", "--all", "--format", "json" });
    EXPECT_TRUE(json.lines.contains("{\"path\":\"" + sim.Port() + "\",\"byId\":\"\",\"manufacturer\":\"\",\"description\":"
                                    "\"pseudo-terminal\",\"pseudoTerminal\":true}"))
        << json.lines.join('\n').toStdString();
}

TEST_F(CliConventions, MissingBusyAndForbiddenPortsEachSayWhy)
{
    const CCliResult missing = RunCli({ "scan", "--port", "/dev/no-such-dongle" });
    EXPECT_EQ(missing.nStatus, 2);
    EXPECT_TRUE(missing.strError.startsWith("multimeter-cli: error: Warning:Can't open /dev/no-such-dongle! "
                                            "/dev/no-such-dongle does not exist"))
        << missing.strError.toStdString();

    // Another program holds the port.
    CSimProcess sim;
    const int fd = ::open(sim.Port().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const CCliResult busy = RunCli({ "monitor", "--port", sim.Port(), "--seconds", "5" });
    EXPECT_EQ(busy.nStatus, 2);
    EXPECT_TRUE(busy.strError.contains(sim.Port() + " is busy: another program is using it")) << busy.strError.toStdString();
    ::close(fd);

    // The reasons by system error; permission names the group that owns the device.
    const QString strGroup = CPortError::OwnerGroup("/dev/null");
    ASSERT_FALSE(strGroup.isEmpty());
    EXPECT_EQ(CPortError::Reason("/dev/null", EACCES),
              "permission denied for /dev/null: you must be in the group \"" + strGroup + "\" that owns it (sudo usermod -aG "
                  + strGroup + " $USER, then log in again).");
    EXPECT_EQ(CPortError::Reason("/dev/x", EBUSY), CPortError::Reason("/dev/x", EWOULDBLOCK));
    EXPECT_TRUE(CPortError::Reason("/dev/x", ENOENT).contains("does not exist"));
    EXPECT_TRUE(CPortError::Reason("/dev/null", ENOTTY).contains("not a serial port"));
    EXPECT_EQ(CPortError::Describe("/dev/null"), CPortError::Reason("/dev/null", ENOTTY));
    EXPECT_TRUE(CPortError::Reason("/dev/x", 0).isEmpty());

    // A real unreadable port needs a user the file permissions apply to: as root, the
    // program runs as "nobody" (setpriv) on a port only its owner may open.
    ASSERT_TRUE(QFile::setPermissions(sim.Port(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QStringList command = { QStringLiteral(METER_CLI_PATH), "scan", "--port", sim.Port() };
    if (::geteuid() == 0) {
        if (!QFile::exists("/usr/bin/setpriv"))
            GTEST_SKIP() << "running as root without setpriv: file permissions do not apply to root, so only the "
                            "reason for the system error is checked above";
        command = QStringList{ "--reuid=65534", "--regid=65534", "--clear-groups" } + command;
    }
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", "/nonexistent");
    cli.setProcessEnvironment(env);
    cli.start(::geteuid() == 0 ? "/usr/bin/setpriv" : command.takeFirst(), command);
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString strDenied = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), 2) << strDenied.toStdString();
    EXPECT_TRUE(strDenied.contains("permission denied for " + sim.Port() + ": you must be in the group \"" +
                                   CPortError::OwnerGroup(sim.Port()) + "\""))
        << strDenied.toStdString();
}

TEST_F(CliConventions, LogWritesTheLinkStepsToAFileAndTheRulesToStderr)
{
    CSimProcess sim;
    ASSERT_FALSE(sim.Port().isEmpty());
    const QString strLog = m_dir.filePath("scan.log");
    // Before or after the verb; without logging rules nothing of it reaches stderr.
    qunsetenv("QT_LOGGING_RULES");
    const CCliResult r = RunCli({ "--log", strLog, "scan", "--port", sim.Port(), "--seconds", "1" });
    EXPECT_EQ(r.nStatus, 0) << r.strError.toStdString();
    EXPECT_FALSE(r.lines.isEmpty());
    EXPECT_FALSE(r.strError.contains("multimeter.link")) << r.strError.toStdString();
    QFile file(strLog);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString strText = QString::fromUtf8(file.readAll());
    const QRegularExpression line("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} multimeter\\.link: ",
                                  QRegularExpression::MultilineOption);
    EXPECT_GE(int(strText.count(line)), 4) << strText.toStdString();
    for (const QString& strStep : { "opening " + sim.Port(), sim.Port() + " open", "scanning " + sim.Port() + " for meters",
                                    QString("found ORVEX-M1 c8:fd:19:0a:bc:de"), "closing " + sim.Port() })
        EXPECT_TRUE(strText.contains("multimeter.link: " + strStep)) << strStep.toStdString() << "\n" << strText.toStdString();
    // Appended: a second run adds to the same file.
    EXPECT_EQ(RunCli({ "scan", "--port", "/dev/no-such-dongle", "--log=" + strLog }).nStatus, 2);
    file.seek(0);
    EXPECT_TRUE(QString::fromUtf8(file.readAll()).startsWith(strText));
    EXPECT_TRUE(QFile(strLog).size() > strText.toUtf8().size());

    // The rules show the same lines on stderr, with their time.
    qputenv("QT_LOGGING_RULES", "multimeter.*.info=true");
    const CCliResult shown = RunCli({ "scan", "--port", sim.Port(), "--seconds", "1" });
    qunsetenv("QT_LOGGING_RULES");
    EXPECT_EQ(shown.nStatus, 0);
    EXPECT_TRUE(shown.strError.contains(line)) << shown.strError.toStdString();
    EXPECT_TRUE(shown.strError.contains("multimeter.link: scanning " + sim.Port())) << shown.strError.toStdString();

    ExpectUsageError({ "scan", "--port", sim.Port(), "--log" }, QString(), "--log needs a file name");
    const CCliResult unwritable = RunCli({ "ports", "--log", "/no-such-folder/x.log" });
    EXPECT_EQ(unwritable.nStatus, 1);
    EXPECT_TRUE(unwritable.strError.startsWith("multimeter-cli: error: cannot write the log file")) << unwritable.strError.toStdString();
}
