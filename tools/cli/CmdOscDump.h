#pragma once

#include <QStringList>

class QIODevice;

// multimeter-cli dump FILE.osc [--format tsv|json]: a waveform file's fields,
// its 300 samples and its 120 spectrum bars. Same arguments and statuses as
// RunDump, which hands .osc files here.
int RunOscDump(const QStringList& args, QIODevice& out, QIODevice& err);

// Whether the arguments name a waveform file (.osc) rather than a recording.
bool NamesOscFile(const QStringList& args);
