#pragma once

#include <QtGlobal>

#include <fstream>
#include <unistd.h>

// The resident memory of this process, as /proc/self/statm reports it.
class CResidentMemory
{
public:
    static qint64 Bytes()
    {
        std::ifstream statm("/proc/self/statm");
        qint64 nPages = 0, nResident = 0;
        statm >> nPages >> nResident;
        return nResident * sysconf(_SC_PAGESIZE);
    }
};
