#pragma once

#include <QStringList>

#include <memory>

class QCoreApplication;
class QIODevice;

// multimeter-cli export FILE.mLog --to OUT [--format xls|csv|pdf-graph|pdf-data]
//
// Writes a recording's primary readings as the ".xls" text of "Export To Excel", as CSV, or
// as the printed graph page or data table in a PDF file. Without --format, an OUT ending in
// ".csv" gets CSV and anything else the ".xls" text. OUT is written whole or not at all.
// args are the command line without the verb (program name first). Returns the exit
// status: 0 written, 1 the file did not load, holds no readings or OUT could not be written,
// 64 bad usage; the reason goes to err.
int RunExport(const QStringList& args);
int RunExport(const QStringList& args, QIODevice& out, QIODevice& err);

// The application object of a command line whose export draws PDF pages: the page painters
// need a GUI application, which gets the offscreen platform unless QT_QPA_PLATFORM says
// otherwise. nullptr for every other command line (a plain QCoreApplication does).
std::unique_ptr<QCoreApplication> CreateExportApplication(int& argc, char** argv);
