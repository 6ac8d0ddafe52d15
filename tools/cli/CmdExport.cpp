#include "CmdExport.h"

#include "CCliOutput.h"
#include "CPdfPages.h"
#include "CliVerbs.h"
#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

bool IsPdfFormat(const QString& strFormat)
{
    return strFormat == QLatin1String("pdf-graph") || strFormat == QLatin1String("pdf-data");
}

// Why the PDF pages cannot be drawn, when their module did not load.
QString g_strPdfError;

QtMessageHandler g_pfnPreviousHandler = nullptr;

// Batch runs have no session: Qt's note that it made a runtime folder of its own is no error
// of the export and would only mix into its messages.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& strMessage)
{
    if (type == QtWarningMsg && strMessage.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_pfnPreviousHandler)
        g_pfnPreviousHandler(type, context, strMessage);
}

} // namespace

std::unique_ptr<QCoreApplication> CreateExportApplication(int& argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "export") != 0)
        return nullptr;
    bool bPdf = false;
    for (int i = 2; i < argc; ++i) {
        const char* psz = argv[i];
        if (std::strcmp(psz, "--format") == 0 && i + 1 < argc)
            psz = argv[++i];
        else if (std::strncmp(psz, "--format=", 9) == 0)
            psz += 9;
        else
            continue;
        bPdf = IsPdfFormat(QString::fromLocal8Bit(psz));
    }
    if (!bPdf)
        return nullptr;
    g_pfnPreviousHandler = qInstallMessageHandler(FilterMessages);
    return PdfPages::CreateApplication(argc, argv, &g_strPdfError);
}

namespace {
const QString kTo = QStringLiteral("to");
const QString kFormat = QStringLiteral("format");

// OUT is one of the series' files (which would then hold the series and be read in it again).
bool SeriesWouldOverwrite(const QString& strFirst, const QString& strOut)
{
    const QString strTarget = QFileInfo(strOut).absoluteFilePath();
    for (const QString& strPart : CDocumentSeries::ExistingContinuations(strFirst)) {
        if (QFileInfo(strPart).absoluteFilePath() == strTarget)
            return true;
    }
    return false;
}

int RunExport(const CCliVerb& verb, QCommandLineParser& parser)
{
    auto error = [](const QString& strText) { CliOutput::Error(strText); };
    auto usageError = [&verb](const QString& strReason) { return CliOutput::UsageError(verb.strName, strReason); };
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("give exactly one file"));
    if (!parser.isSet(kTo) || parser.value(kTo).isEmpty())
        return usageError(QStringLiteral("--to OUT is missing"));
    const QString strOut = parser.value(kTo);
    QString strFormat = parser.value(kFormat);
    if (strFormat.isEmpty()) {
        const QString strSuffix = QFileInfo(strOut).suffix().toLower();
        if (strSuffix == QLatin1String("pdf"))
            return usageError(QStringLiteral("for a PDF file say --format pdf-graph or --format pdf-data"));
        strFormat = strSuffix == QLatin1String("csv") ? QStringLiteral("csv") : QStringLiteral("xls");
    }
    if (strFormat != QLatin1String("xls") && strFormat != QLatin1String("csv") && !IsPdfFormat(strFormat))
        return usageError(QStringLiteral("unknown format \"%1\"").arg(strFormat));
    if (IsPdfFormat(strFormat) && !PdfPages::IsLoaded()) {
        error(g_strPdfError.isEmpty() ? QStringLiteral("PDF pages need the program's PDF module") : g_strPdfError);
        return CliStatus::kFailed;
    }
    const QString strFile = files.constFirst();
    if (QFileInfo(strFile).absoluteFilePath() == QFileInfo(strOut).absoluteFilePath())
        return usageError(QStringLiteral("--to names the recording itself"));
    if (parser.isSet(CliVerbs::SeriesOption()) && SeriesWouldOverwrite(strFile, strOut))
        return usageError(QStringLiteral("--to names a file of the series"));

    const std::unique_ptr<CMyTalvaDoc> pDoc = CliVerbs::LoadRecording(parser, strFile);
    if (!pDoc)
        return CliStatus::kFailed;
    QString strError;
    if (!CReadingsExport::HasReadings(*pDoc)) {
        error(QStringLiteral("\"%1\" holds no readings: nothing to export").arg(strFile));
        return CliStatus::kFailed;
    }
    bool bWritten = false;
    if (strFormat == QLatin1String("xls"))
        bWritten = CReadingsExport::SaveXls(strOut, *pDoc, &strError);
    else if (strFormat == QLatin1String("csv"))
        bWritten = CReadingsExport::SaveCsv(strOut, *pDoc, &strError);
    else
        bWritten = PdfPages::Write(*pDoc, strOut, strFormat == QLatin1String("pdf-graph"), &strError);
    if (!bWritten) {
        error(strError);
        return CliStatus::kFailed;
    }
    return CliStatus::kOk;
}

}

CCliVerb ExportVerb()
{
    return { QStringLiteral("export"), QStringLiteral("FILE.mLog [--series] --to OUT [--format xls|csv|pdf-graph|pdf-data]"),
             QStringLiteral("write a recording as .xls text, CSV or PDF pages"),
             QStringLiteral(
                 "Writes the readings of a recording as the .xls text of \"Export To Excel\", as CSV (RFC 4180,\n"
                 "UTF-8, a header row), or as the printed graph page or data table in a PDF file (A4). OUT is\n"
                 "written whole or not at all. With --series, FILE and its continuation files are written as one\n"
                 "recording."),
             { QCommandLineOption(kTo, QStringLiteral("The file to write."), QStringLiteral("OUT")),
               QCommandLineOption(kFormat, QStringLiteral("xls, csv, pdf-graph or pdf-data (default: csv for a .csv file, else xls)."),
                                  QStringLiteral("FORMAT")),
               CliVerbs::SeriesOption() },
             RunExport };
}
