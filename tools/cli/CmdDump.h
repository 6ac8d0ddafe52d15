#pragma once

#include <QStringList>

class QIODevice;

// multimeter-cli dump FILE.mLog [--format tsv|json] (a FILE.osc goes to RunOscDump)
//
// Prints a recording's statistics and every record of its arrays 0 and 1. args are the
// command line without the verb (program name first, as QCommandLineParser wants).
// Returns the exit status: 0 done, 1 the file did not load, 64 bad arguments; the
// reason goes to stderr.
int RunDump(const QStringList& args);

// The same with the output devices given (UTF-8 text is written to both).
int RunDump(const QStringList& args, QIODevice& out, QIODevice& err);
