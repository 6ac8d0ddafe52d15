#include "CCliVerb.h"

#include "CCliOutput.h"
#include "base/CDiagnosticLog.h"
#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <cmath>

namespace {
const QCommandLineOption kHelpOpt({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit."));
const QCommandLineOption kVersionOpt(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
// Taken out of the arguments by main() before a verb sees them; listed for the help only.
const QCommandLineOption kSeriesOpt(QStringLiteral("series"),
                                    QStringLiteral("FILE is the first of a series: FILE-2.mLog, FILE-3.mLog, ... (up to the "
                                                   "first missing number) follow it as one recording."));
const QCommandLineOption kLogOpt(CDiagnosticLog::OptionName(), CDiagnosticLog::OptionHelp(), QStringLiteral("FILE"));

QString OptionLine(const QCommandLineOption& opt)
{
    QStringList names;
    for (const QString& strName : opt.names())
        names << (strName.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + strName;
    QString strLeft = names.join(QStringLiteral(", "));
    if (!opt.valueName().isEmpty())
        strLeft += QLatin1Char(' ') + opt.valueName();
    QString strText = opt.description();
    if (!opt.defaultValues().isEmpty())
        strText += QStringLiteral(" (default: %1)").arg(opt.defaultValues().join(QLatin1Char(',')));
    return QStringLiteral("  %1\n      %2\n").arg(strLeft, strText);
}
}

namespace CliVerbs {

QString VersionText()
{
    return QStringLiteral("%1 %2\n").arg(QLatin1String(CliOutput::kProgram), QStringLiteral(MULTIMETER_VERSION));
}

QString VerbHelp(const CCliVerb& verb)
{
    QString strHelp = QStringLiteral("Usage: %1 %2 %3\n\n%4\n\nOptions:\n")
                          .arg(QLatin1String(CliOutput::kProgram), verb.strName, verb.strArgs, verb.strDescription);
    for (const QCommandLineOption& opt : verb.options)
        strHelp += OptionLine(opt);
    strHelp += OptionLine(kLogOpt) + OptionLine(kHelpOpt) + OptionLine(kVersionOpt);
    return strHelp + QLatin1Char('\n') + CliOutput::ExitStatusHelp();
}

QString ProgramHelp(const QList<CCliVerb>& verbs)
{
    QString strHelp = QStringLiteral("Usage: %1 VERB [options] [--log FILE]\n"
                                     "       %1 help [VERB] | --help | --version\n\n"
                                     "Talks to the meter through its USB dongle, and reads recordings.\n\nVerbs:\n")
                          .arg(QLatin1String(CliOutput::kProgram));
    for (const CCliVerb& verb : verbs)
        strHelp += QStringLiteral("  %1 %2\n      %3\n").arg(verb.strName, verb.strArgs, verb.strSummary);
    strHelp += QStringLiteral("\n'%1 VERB --help' describes a verb and its options. --log FILE (with any verb) also "
                              "appends the diagnostic log to FILE; QT_LOGGING_RULES=\"multimeter.*.info=true\" "
                              "shows it on stderr.\n\n")
                   .arg(QLatin1String(CliOutput::kProgram));
    return strHelp + CliOutput::ExitStatusHelp();
}

int Run(const CCliVerb& verb, const QStringList& args)
{
    QCommandLineParser parser;
    parser.addOptions(verb.options);
    parser.addOption(kHelpOpt);
    parser.addOption(kVersionOpt);
    if (!parser.parse(args))
        return CliOutput::UsageError(verb.strName, parser.errorText());
    if (parser.isSet(kHelpOpt))
        return CliOutput::Write(VerbHelp(verb).toUtf8()) ? CliStatus::kOk : CliOutput::FailureStatus();
    if (parser.isSet(kVersionOpt))
        return CliOutput::Write(VersionText().toUtf8()) ? CliStatus::kOk : CliOutput::FailureStatus();
    return CliOutput::Combine(verb.pfnRun(verb, parser));
}

bool ReadNumber(const CCliVerb& verb, const QCommandLineParser& parser, const QString& strOption,
                double dMin, double dMax, double* pdValue)
{
    const QString strValue = parser.value(strOption);
    bool bOk = false;
    const double d = strValue.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(d) || d < dMin || d > dMax) {
        CliOutput::UsageError(verb.strName, QStringLiteral("bad --%1 '%2': want a number from %3 to %4")
                                                .arg(strOption, strValue).arg(dMin, 0, 'g', 10).arg(dMax, 0, 'g', 10));
        return false;
    }
    *pdValue = d;
    return true;
}

bool ReadInteger(const CCliVerb& verb, const QCommandLineParser& parser, const QString& strOption,
                 qint64 nMin, qint64 nMax, qint64* pnValue)
{
    const QString strValue = parser.value(strOption);
    bool bOk = false;
    const qint64 n = strValue.trimmed().toLongLong(&bOk);
    if (!bOk || n < nMin || n > nMax) {
        CliOutput::UsageError(verb.strName, QStringLiteral("bad --%1 '%2': want a whole number from %3 to %4")
                                                .arg(strOption, strValue).arg(nMin).arg(nMax));
        return false;
    }
    *pnValue = n;
    return true;
}

bool CheckOutputFile(const QString& strFile, const QString& strAction)
{
    const QFileInfo file(strFile);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir()) {
        CliOutput::Error(QStringLiteral("cannot %1 %2: the folder %3 does not exist").arg(strAction, file.filePath(), folder.filePath()));
        return false;
    }
    if (file.isDir()) {
        CliOutput::Error(QStringLiteral("cannot %1 %2: it is a folder").arg(strAction, file.filePath()));
        return false;
    }
    QTemporaryFile probe(file.absolutePath() + QStringLiteral("/.multimeter-cli-XXXXXX"));
    if (!probe.open()) {
        CliOutput::Error(QStringLiteral("cannot %1 %2: the folder is not writable (%3)").arg(strAction, file.filePath(), probe.errorString()));
        return false;
    }
    return true;
}

QCommandLineOption SeriesOption()
{
    return kSeriesOpt;
}

std::unique_ptr<CMyTalvaDoc> LoadRecording(const QCommandLineParser& parser, const QString& strPath)
{
    if (!parser.isSet(kSeriesOpt)) {
        QString strError;
        std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(strPath, &strError);
        if (!pDoc)
            CliOutput::Error(strError);
        return pDoc;
    }
    CDocumentSeries::CLoaded loaded = CDocumentSeries::Load(strPath);
    if (!loaded.pDoc) {
        CliOutput::Error(loaded.strError);
        return nullptr;
    }
    for (const QString& strText : loaded.leftOut)
        CliOutput::Note(strText);
    return std::move(loaded.pDoc);
}

}
