#pragma once

#include <QStringList>

// Each verb takes its own arguments (without the program and verb names) and
// returns the process exit status.
int RunScan(const QStringList& args);
int RunConnect(const QStringList& args);
int RunMonitor(const QStringList& args);
int RunRecord(const QStringList& args);
int RunLogger(const QStringList& args);
int RunOsc(const QStringList& args);
