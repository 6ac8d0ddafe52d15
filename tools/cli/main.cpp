// multimeter-cli: headless use of the meter core.
#include "CliVerbs.h"
#include "CmdDump.h"
#include "CmdExport.h"
#include "document/CDocumentType.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {
struct CVerb
{
    const char* pszName;
    int (*pfnRun)(const QStringList&);
    const char* pszUsage;
};

const CVerb kVerbs[] = {
    { "scan", RunScan, "scan --port P [--seconds N]" },
    { "connect", RunConnect, "connect --port P [--mac M] [--seconds N]" },
    { "monitor", RunMonitor, "monitor --port P [--mac M] [--count N] [--seconds N] [--format tsv|json]" },
    { "record", RunRecord, "record --port P [--mac M] --out FILE.mLog [--count N | --seconds S] [--autosave SECONDS]" },
    { "dump", RunDump, "dump FILE.mLog|FILE.osc [--format tsv|json]" },
    { "export", RunExport, "export FILE.mLog --to OUT [--format xls|csv|pdf-graph|pdf-data]" },
    { "logger", RunLogger, "logger --port P [--mac M] (--list | --out DIR) [--format mlog|csv]" },
    { "osc", RunOsc, "osc --port P [--mac M] [--slot N] [--seconds S] --out FILE.osc|.xlsx|.csv" },
};

void PrintUsage()
{
    std::fprintf(stderr, "usage: multimeter-cli <verb> [options]\n");
    for (const CVerb& verb : kVerbs)
        std::fprintf(stderr, "  multimeter-cli %s\n", verb.pszUsage);
    std::fprintf(stderr, "Each verb takes --help.\n");
}
}

int main(int argc, char** argv)
{
    // Only an export to PDF pages needs a GUI application.
    std::unique_ptr<QCoreApplication> pApp = CreateExportApplication(argc, argv);
    if (!pApp)
        pApp = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *pApp;
    DocumentType::SetSettingsIdentity();
    if (argc < 2) {
        PrintUsage();
        return 64;
    }
    QStringList args = app.arguments();
    args.removeAt(1); // the verb; QCommandLineParser wants the program name first
    for (const CVerb& verb : kVerbs) {
        if (std::strcmp(argv[1], verb.pszName) == 0)
            return verb.pfnRun(args);
    }
    std::fprintf(stderr, "unknown verb '%s'\n", argv[1]);
    PrintUsage();
    return 64;
}
