#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

#include <memory>

class CMyTalvaDoc;

// One verb of multimeter-cli. Each verb's file describes itself with one of these and
// main.cpp lists them; the help, --version and usage errors are handled here for all.
struct CCliVerb
{
    QString strName;
    QString strArgs;        //!< the usage after the verb, e.g. "--port P [--seconds N]"
    QString strSummary;     //!< one line for the list of verbs
    QString strDescription; //!< the text under the usage line of VERB --help
    QList<QCommandLineOption> options; //!< its own options; -h/--help and --version are added
    // Runs the verb with its arguments parsed; returns the exit status.
    int (*pfnRun)(const CCliVerb& verb, QCommandLineParser& parser) = nullptr;
};

namespace CliVerbs {

// The help of one verb: usage, description, options with their defaults, exit statuses.
QString VerbHelp(const CCliVerb& verb);
// The help of the program: usage, the verbs, exit statuses.
QString ProgramHelp(const QList<CCliVerb>& verbs);
QString VersionText();

// Parses args (program name first, verb removed) and runs the verb; --help and
// --version print and return 0, bad options are usage errors.
int Run(const CCliVerb& verb, const QStringList& args);

// A number option's value, checked: finite and within [dMin, dMax]. False after a usage
// error has been printed.
bool ReadNumber(const CCliVerb& verb, const QCommandLineParser& parser, const QString& strOption,
                double dMin, double dMax, double* pdValue);
bool ReadInteger(const CCliVerb& verb, const QCommandLineParser& parser, const QString& strOption,
                 qint64 nMin, qint64 nMax, qint64* pnValue);

// Checks, before any link is made, that strFile can be written: its folder exists and takes
// new files, and strFile is no folder. False after the error "cannot <strAction> FILE: why".
bool CheckOutputFile(const QString& strFile, const QString& strAction);

// --series: the file given is the first of FILE.mLog, FILE-2.mLog, FILE-3.mLog, ...
QCommandLineOption SeriesOption();
// The recording strPath, or with --series the series it starts as one document (through
// CDocumentSeries, as the window opens one): the files left out are told on stderr and the
// rest is used. nullptr after the error when the (first) file does not load.
std::unique_ptr<CMyTalvaDoc> LoadRecording(const QCommandLineParser& parser, const QString& strPath);

}
