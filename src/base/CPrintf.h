#pragma once

#include <QString>

#include <cstdarg>

// A text made from a C printf format by the C library's own formatting, so numbers come out
// as C's printf gives them: an exact binary tie rounds to the even digit ("%.3f" of -0.3125
// is "-0.312"), where QString::asprintf rounds it away from zero ("-0.313"). Every text the
// program makes from a printf format goes through here: the texts stored in ".osc" files,
// exports and printouts then read exactly as the formats give them.
//
// Always the C locale's "." before decimals, whatever locale the process runs in. "%s"
// takes UTF-8. Reentrant: any thread may call it.
class CPrintf
{
public:
    static QString Format(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
    static QString FormatV(const char* pszFormat, va_list args) __attribute__((format(printf, 1, 0)));
};
