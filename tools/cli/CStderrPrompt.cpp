#include "CStderrPrompt.h"

#include "CCliOutput.h"

#include <cstdio>

void CStderrPrompt::Message(const QString& strText, const QString&, Icon icon)
{
    const char* kind = icon == Critical ? "error" : icon == Warning ? "warning" : "note";
    QString strLine = strText;
    strLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::lock_guard lock(m_mutex);
    std::fprintf(stderr, "%s: %s: %s\n", CliOutput::kProgram, kind, qPrintable(strLine));
    std::fflush(stderr);
}
