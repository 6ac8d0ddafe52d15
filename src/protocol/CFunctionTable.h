#pragma once

#include <QString>

// The meter's function codes and their names.
class CFunctionTable
{
public:
    static constexpr int kCount = 34;

    // Empty for codes outside 0..33 and for the unused codes inside.
    static QString Name(int nCode);
};
