#include "base/CDiagnosticLog.h"

#include <QFile>
#include <QHash>
#include <QLoggingCategory>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Which levels the logging rules let through, per QtMsgType value (debug, warning, critical,
// fatal, info).
using CLevels = std::array<bool, 5>;

struct CLogState
{
    std::mutex mutex; //!< guards every member: the handler runs on any thread
    bool bInstalled = false;
    QtMessageHandler previousHandler = nullptr;
    QLoggingCategory::CategoryFilter previousFilter = nullptr;
    std::unique_ptr<QFile> pFile;
    QString strPath;
    QHash<QByteArray, CLevels> stderrLevels; //!< our categories, as the rules left them
};

CLogState& State()
{
    static CLogState state;
    return state;
}

bool IsOurs(const char* pszCategory)
{
    return pszCategory && std::strncmp(pszCategory, CDiagnosticLog::kCategoryPrefix,
                                       sizeof CDiagnosticLog::kCategoryPrefix - 1) == 0;
}

bool IsWarningOrWorse(QtMsgType type)
{
    return type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
}

// Runs for every category when it is made and whenever the rules change (Qt holds its
// registry lock meanwhile).
void Filter(QLoggingCategory* pCategory)
{
    CLogState& s = State();
    QLoggingCategory::CategoryFilter previous = nullptr;
    {
        std::lock_guard lock(s.mutex);
        previous = s.previousFilter;
    }
    if (previous)
        previous(pCategory);
    if (!IsOurs(pCategory->categoryName()))
        return;
    std::lock_guard lock(s.mutex);
    CLevels levels {};
    levels[QtDebugMsg] = pCategory->isDebugEnabled();
    levels[QtInfoMsg] = pCategory->isInfoEnabled();
    levels[QtWarningMsg] = pCategory->isWarningEnabled();
    levels[QtCriticalMsg] = pCategory->isCriticalEnabled();
    levels[QtFatalMsg] = true;
    s.stderrLevels.insert(QByteArray(pCategory->categoryName()), levels);
    if (s.pFile) {
        // The file takes every info line, whatever stderr shows.
        pCategory->setEnabled(QtInfoMsg, true);
        pCategory->setEnabled(QtWarningMsg, true);
        pCategory->setEnabled(QtCriticalMsg, true);
    }
}

void Handler(QtMsgType type, const QMessageLogContext& context, const QString& strMessage)
{
    CLogState& s = State();
    const bool bOurs = IsOurs(context.category);
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard lock(s.mutex);
        previous = s.previousHandler;
        if (s.pFile && (bOurs || IsWarningOrWorse(type))) {
            const QString strLine = CDiagnosticLog::FormatLine(QDateTime::currentDateTime(), context.category, type,
                                                               strMessage);
            s.pFile->write((strLine + QLatin1Char('\n')).toUtf8());
            s.pFile->flush(); // what led to a crash must be on disk
        }
        if (bOurs) {
            const auto it = s.stderrLevels.constFind(QByteArray(context.category));
            if (it == s.stderrLevels.constEnd() || (*it)[type]) {
                const QByteArray line = CDiagnosticLog::FormatLine(QDateTime::currentDateTime(), context.category,
                                                                   type, strMessage).toLocal8Bit();
                std::fprintf(stderr, "%s\n", line.constData());
                std::fflush(stderr);
            }
        }
    }
    // Qt's own messages keep Qt's format (and a fatal one still ends the program there).
    if ((!bOurs || type == QtFatalMsg) && previous)
        previous(type, context, strMessage);
}

const char* LevelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return nullptr;
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return nullptr;
}

} // namespace

CDiagnosticLog::CDiagnosticLog()
{
    CLogState& s = State();
    {
        std::lock_guard lock(s.mutex);
        Q_ASSERT(!s.bInstalled);
        s.bInstalled = true;
        s.previousHandler = qInstallMessageHandler(Handler);
    }
    // Outside our lock: Qt runs the filter over every category at once.
    QLoggingCategory::CategoryFilter previous = QLoggingCategory::installFilter(Filter);
    std::lock_guard lock(s.mutex);
    s.previousFilter = previous;
}

CDiagnosticLog::~CDiagnosticLog()
{
    CLogState& s = State();
    QLoggingCategory::CategoryFilter previousFilter = nullptr;
    {
        std::lock_guard lock(s.mutex);
        previousFilter = s.previousFilter;
        s.previousFilter = nullptr;
        s.pFile.reset();
        s.strPath.clear();
    }
    // The rules alone decide again, for every category.
    QLoggingCategory::installFilter(previousFilter);
    std::lock_guard lock(s.mutex);
    qInstallMessageHandler(s.previousHandler);
    s.previousHandler = nullptr;
    s.stderrLevels.clear();
    s.bInstalled = false;
}

bool CDiagnosticLog::OpenFile(const QString& strPath, QString* pstrError)
{
    auto pFile = std::make_unique<QFile>(strPath);
    if (!pFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (pstrError)
            *pstrError = QStringLiteral("cannot write the log file \"%1\": %2").arg(strPath, pFile->errorString());
        return false;
    }
    CLogState& s = State();
    {
        std::lock_guard lock(s.mutex);
        s.pFile = std::move(pFile);
        s.strPath = strPath;
    }
    // Runs the filter again over every category, now with the file open.
    QLoggingCategory::installFilter(Filter);
    return true;
}

QString CDiagnosticLog::FilePath() const
{
    CLogState& s = State();
    std::lock_guard lock(s.mutex);
    return s.strPath;
}

QString CDiagnosticLog::FormatLine(const QDateTime& when, const char* pszCategory, QtMsgType type,
                                   const QString& strMessage)
{
    QString strLine = when.toString(Qt::ISODateWithMs) + QLatin1Char(' ')
        + QLatin1String(pszCategory ? pszCategory : "default");
    if (const char* pszLevel = LevelName(type))
        strLine += QLatin1Char(' ') + QLatin1String(pszLevel);
    return strLine + QStringLiteral(": ") + strMessage;
}

CDiagnosticLog::Option CDiagnosticLog::TakeOption(QStringList& args, QString* pstrFile)
{
    const QString strOption = QStringLiteral("--") + OptionName();
    const QString strWithValue = strOption + QLatin1Char('=');
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == strOption) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return Option::Missing;
            *pstrFile = args[i + 1];
            args.remove(i, 2);
            return Option::Taken;
        }
        if (args[i].startsWith(strWithValue)) {
            *pstrFile = args[i].mid(strWithValue.size());
            args.remove(i);
            return pstrFile->isEmpty() ? Option::Missing : Option::Taken;
        }
    }
    return Option::Absent;
}
