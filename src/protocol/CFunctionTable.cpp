#include "protocol/CFunctionTable.h"

#include <array>

namespace {

constexpr std::array<const char*, CFunctionTable::kCount> kNames = {
    "TEMP", "VAC", "VDC", "mVDC", "RES", "CAP", "TEMP", "ADC", "mADC", "uADC",           // 0-9
    "4-20mA", "mVAC", "AAC", "mAAC", "uAAC", "Diode", "HZ", "VAC", "RESBEEP", "",        // 10-19
    "", "DC+AC(V)", "DC+AC(mV)", "DC+AC(A)", "DC+AC(mA)", "DC+AC(uA)", "", "", "", "",   // 20-29
    "", "HZ", "", "",                                                                    // 30-33
};

} // namespace

QString CFunctionTable::Name(int nCode)
{
    if (nCode < 0 || nCode >= kCount)
        return {};
    return QString::fromLatin1(kNames[static_cast<size_t>(nCode)]);
}
