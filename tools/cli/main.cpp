// multimeter-cli: headless use of the meter core.
#include "CCliOutput.h"
#include "CliVerbs.h"
#include "CmdExport.h"
#include "base/CDiagnosticLog.h"
#include "base/CProgramInfo.h"

#include <QCoreApplication>

#include <csignal>
#include <memory>

int main(int argc, char** argv)
{
    // A closed pipe must come back as EPIPE, not kill the process before it can save.
    std::signal(SIGPIPE, SIG_IGN);
    CDiagnosticLog log; // before anything logs
    // Only an export to PDF pages needs a GUI application.
    std::unique_ptr<QCoreApplication> pApp = CreateExportApplication(argc, argv);
    if (!pApp)
        pApp = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *pApp;
    CProgramInfo::SetSettingsIdentity();

    // One row per verb; each verb's file holds its usage, options and help.
    const QList<CCliVerb> verbs = { ScanVerb(), ConnectVerb(), MonitorVerb(), RecordVerb(), DumpVerb(),
                                    PortsVerb(), ExportVerb(), LoggerVerb(), OscVerb(), StatsVerb() };
    auto find = [&verbs](const QString& strName) -> const CCliVerb* {
        for (const CCliVerb& verb : verbs) {
            if (verb.strName == strName)
                return &verb;
        }
        return nullptr;
    };
    auto print = [](const QString& strText) {
        return CliOutput::Write(strText.toUtf8()) ? CliStatus::kOk : CliOutput::FailureStatus();
    };

    QStringList args = app.arguments();
    // --log FILE may stand anywhere: no verb has an option of that name.
    QString strLogFile;
    switch (CDiagnosticLog::TakeOption(args, &strLogFile)) {
    case CDiagnosticLog::Option::Missing:
        return CliOutput::UsageError(QString(), QStringLiteral("--log needs a file name"));
    case CDiagnosticLog::Option::Taken: {
        QString strError;
        if (!log.OpenFile(strLogFile, &strError)) {
            CliOutput::Error(strError);
            return CliStatus::kFailed;
        }
        break;
    }
    case CDiagnosticLog::Option::Absent:
        break;
    }
    if (args.size() < 2)
        return CliOutput::UsageError(QString(), QStringLiteral("no verb given"));
    const QString strVerb = args.at(1);
    if (strVerb == QLatin1String("--help") || strVerb == QLatin1String("-h"))
        return print(CliVerbs::ProgramHelp(verbs));
    if (strVerb == QLatin1String("--version"))
        return print(CliVerbs::VersionText());
    if (strVerb == QLatin1String("help")) {
        if (args.size() == 2)
            return print(CliVerbs::ProgramHelp(verbs));
        const CCliVerb* pVerb = find(args.at(2));
        if (!pVerb || args.size() > 3)
            return CliOutput::UsageError(QString(), QStringLiteral("unknown verb '%1'").arg(args.mid(2).join(QLatin1Char(' '))));
        return print(CliVerbs::VerbHelp(*pVerb));
    }
    const CCliVerb* pVerb = find(strVerb);
    if (!pVerb)
        return CliOutput::UsageError(QString(), QStringLiteral("unknown verb '%1'").arg(strVerb));
    args.removeAt(1); // QCommandLineParser wants the program name first
    return CliVerbs::Run(*pVerb, args);
}
