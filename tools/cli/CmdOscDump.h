#pragma once

#include <QString>

class QIODevice;

// dump of a waveform file (.osc): its fields, its 300 samples and its 120 spectrum
// bars, as TSV or JSON. Returns the exit status; the reason of a failure in pstrError.
int DumpOscFile(const QString& strPath, const QString& strFormat, QIODevice& out, QString* pstrError);
