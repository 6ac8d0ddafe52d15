#include "CStderrPrompt.h"

#include <cstdio>

void CStderrPrompt::Message(const QString& strText, const QString& strCaption, Icon icon)
{
    const char* kind = icon == Critical ? "error" : icon == Warning ? "warning" : "note";
    std::lock_guard lock(m_mutex);
    if (strCaption.isEmpty())
        std::fprintf(stderr, "%s: %s\n", kind, qPrintable(strText));
    else
        std::fprintf(stderr, "%s: %s: %s\n", kind, qPrintable(strCaption), qPrintable(strText));
    std::fflush(stderr);
}
