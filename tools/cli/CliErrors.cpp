#include "CliErrors.h"

#include <cstdio>

namespace CliErrors {

void Error(const QString& strMessage)
{
    std::fprintf(stderr, "multimeter-cli: error: %s\n", qPrintable(strMessage));
    std::fflush(stderr);
}

int UsageError(const char* pszVerb, const QString& strMessage)
{
    Error(strMessage);
    std::fprintf(stderr, "Try 'multimeter-cli %s --help'.\n", pszVerb);
    return kUsageStatus;
}

} // namespace CliErrors
