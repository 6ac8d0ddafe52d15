// The diagnostic log: the line format, the --log option, and what goes to the file and to
// stderr, for our categories (those of today and one made later) and for Qt's own.
#include "base/CDiagnosticLog.h"
#include "base/LogCategories.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

// A part of the program that comes later declares its category the same way.
Q_LOGGING_CATEGORY(LogLaterPart, "multimeter.publish", QtWarningMsg)

namespace {

QString ReadAll(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Whatever the process writes to stderr while it lives goes to a file instead.
class CStderrCapture
{
public:
    explicit CStderrCapture(const QString& strPath)
        : m_strPath(strPath)
    {
        std::fflush(stderr);
        m_hSaved = ::dup(STDERR_FILENO);
        FILE* pFile = std::fopen(qPrintable(strPath), "w");
        ::dup2(::fileno(pFile), STDERR_FILENO);
        std::fclose(pFile);
    }
    ~CStderrCapture() { Restore(); }
    QString Text()
    {
        Restore();
        return ReadAll(m_strPath);
    }

private:
    void Restore()
    {
        if (m_hSaved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_hSaved, STDERR_FILENO);
        ::close(m_hSaved);
        m_hSaved = -1;
    }
    QString m_strPath;
    int m_hSaved = -1;
};

const QRegularExpression kLine(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} multimeter\\.link: "
                                              "opening /dev/ttyACM0$"));

} // namespace

TEST(DiagnosticLog, ALineHasTheTimeTheCategoryAndTheLevelUnlessInfo)
{
    const QDateTime when(QDate(2026, 3, 14), QTime(9, 30, 0, 125));
    EXPECT_EQ(CDiagnosticLog::FormatLine(when, "multimeter.link", QtInfoMsg, QStringLiteral("opening /dev/ttyACM0")),
              QStringLiteral("2026-03-14T09:30:00.125 multimeter.link: opening /dev/ttyACM0"));
    EXPECT_EQ(CDiagnosticLog::FormatLine(when, "qt.core", QtWarningMsg, QStringLiteral("x")),
              QStringLiteral("2026-03-14T09:30:00.125 qt.core warning: x"));
    EXPECT_EQ(CDiagnosticLog::FormatLine(when, nullptr, QtCriticalMsg, QStringLiteral("y")),
              QStringLiteral("2026-03-14T09:30:00.125 default critical: y"));
}

TEST(DiagnosticLog, TheOptionIsTakenWhereverItStands)
{
    QString strFile;
    QStringList args = { "multimeter-cli", "scan", "--port", "P", "--log", "/tmp/a.log" };
    EXPECT_EQ(CDiagnosticLog::TakeOption(args, &strFile), CDiagnosticLog::Option::Taken);
    EXPECT_EQ(strFile, QStringLiteral("/tmp/a.log"));
    EXPECT_EQ(args, (QStringList { "multimeter-cli", "scan", "--port", "P" }));

    args = { "multimeter-cli", "--log=b.log", "dump", "x.mLog" };
    EXPECT_EQ(CDiagnosticLog::TakeOption(args, &strFile), CDiagnosticLog::Option::Taken);
    EXPECT_EQ(strFile, QStringLiteral("b.log"));
    EXPECT_EQ(args, (QStringList { "multimeter-cli", "dump", "x.mLog" }));

    args = { "multimeter-cli", "ports" };
    EXPECT_EQ(CDiagnosticLog::TakeOption(args, &strFile), CDiagnosticLog::Option::Absent);
    EXPECT_EQ(args.size(), 2);
    for (QStringList bad : { QStringList { "p", "scan", "--log" }, QStringList { "p", "--log=", "scan" } })
        EXPECT_EQ(CDiagnosticLog::TakeOption(bad, &strFile), CDiagnosticLog::Option::Missing) << qPrintable(bad.join(' '));
    // The program's own name is never taken for the option.
    args = { "--log" };
    EXPECT_EQ(CDiagnosticLog::TakeOption(args, &strFile), CDiagnosticLog::Option::Absent);
}

TEST(DiagnosticLog, TheFileTakesEveryInfoLineOfOurCategoriesAndStderrOnlyWhatTheRulesAsk)
{
    QTemporaryDir dir;
    const QString strLog = dir.filePath(QStringLiteral("run.log"));
    QLoggingCategory::setFilterRules(QString()); // nothing asked for stderr
    QString strStderr;
    {
        CStderrCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
        CDiagnosticLog log;
        // Before a file is named, info lines are off, as Qt's rules leave them.
        EXPECT_FALSE(LogLink().isInfoEnabled());
        QString strError;
        ASSERT_TRUE(log.OpenFile(strLog, &strError)) << qPrintable(strError);
        EXPECT_EQ(log.FilePath(), strLog);
        EXPECT_TRUE(LogLink().isInfoEnabled());
        qCInfo(LogLink, "opening %s", "/dev/ttyACM0");
        qCInfo(LogRecord, "recording started into New File1");
        qCDebug(LogApp, "a debug line is for nobody");
        qCInfo(LogLaterPart, "connected to the broker");
        qWarning("a warning of Qt's own");
        // From another thread too.
        QThread* pThread = QThread::create([] { qCInfo(LogLogger, "from the link thread"); });
        pThread->start();
        pThread->wait();
        delete pThread;
        strStderr = capture.Text();
    }
    const QStringList lines = ReadAll(strLog).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << qPrintable(lines.join(QLatin1Char('\n')));
    EXPECT_TRUE(kLine.match(lines[0]).hasMatch()) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" multimeter.record: recording started into New File1")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" multimeter.publish: connected to the broker")));
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral(" default warning: a warning of Qt's own")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(" multimeter.logger: from the link thread")));
    // Our info lines were for the file only; Qt's warning kept its own way to stderr.
    EXPECT_FALSE(strStderr.contains(QStringLiteral("multimeter."))) << qPrintable(strStderr);
    EXPECT_TRUE(strStderr.contains(QStringLiteral("a warning of Qt's own")));
    // Gone with the log: the rules alone decide again.
    EXPECT_FALSE(LogLink().isInfoEnabled());
}

TEST(DiagnosticLog, TheRulesPutOurLinesOnStderrWithATimestamp)
{
    QTemporaryDir dir;
    QString strStderr;
    {
        CStderrCapture capture(dir.filePath(QStringLiteral("stderr.txt")));
        CDiagnosticLog log;
        QLoggingCategory::setFilterRules(QStringLiteral("multimeter.*.info=true"));
        qCInfo(LogLink, "opening %s", "/dev/ttyACM0");
        qCInfo(LogLaterPart, "connected to the broker");
        qCDebug(LogLink, "not asked for");
        strStderr = capture.Text();
        QLoggingCategory::setFilterRules(QString());
    }
    const QStringList lines = strStderr.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << qPrintable(strStderr);
    EXPECT_TRUE(kLine.match(lines[0]).hasMatch()) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" multimeter.publish: connected to the broker")));
}

TEST(DiagnosticLog, AFileThatCannotBeWrittenSaysWhy)
{
    CDiagnosticLog log;
    QString strError;
    EXPECT_FALSE(log.OpenFile(QStringLiteral("/no-such-folder/run.log"), &strError));
    EXPECT_TRUE(strError.startsWith(QStringLiteral("cannot write the log file \"/no-such-folder/run.log\": "))) << qPrintable(strError);
    EXPECT_TRUE(log.FilePath().isEmpty());
}
