#pragma once

class QByteArray;
class QCoreApplication;
class QString;

// The two entry points of the multimeter-pdf module, as the program resolves them.
namespace PdfModule {

// A new QGuiApplication over the program's command line (argc outlives it).
using CreateApplicationFn = QCoreApplication* (*)(int* pArgc, char** argv);
// Writes the graph page (bGraph) or the data table of the recording given as the bytes of its
// .mLog file to *pPath; false with the reason in *pError.
using WriteFn = bool (*)(const QByteArray* pDocument, const QString* pPath, bool bGraph, QString* pError);

constexpr const char* kCreateApplication = "MultimeterPdfCreateApplication";
constexpr const char* kWrite = "MultimeterPdfWrite";

} // namespace PdfModule
