#pragma once

#include <QString>

// The error lines of the verbs: "multimeter-cli: error: ..." on stderr; a usage
// error adds "Try 'multimeter-cli VERB --help'." and returns the usage status.
namespace CliErrors {
constexpr int kUsageStatus = 64;

void Error(const QString& strMessage);
int UsageError(const char* pszVerb, const QString& strMessage);
}
