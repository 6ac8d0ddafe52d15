// The dongle's event packets: the input is a receive stream, classified
// packet by packet the way the link walks it.
#include "link/CDonglePackets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const int nTotal = int(nSize);
    int nOffset = 0;
    while (nOffset < nTotal) {
        const int nAvailable = nTotal - nOffset;
        CDonglePackets::CDongleEvent event;
        const int nResult = CDonglePackets::ClassifyEvent(pData + nOffset, nAvailable, &event);
        // The link reads the address and signal strength of a named device from
        // the first 25 bytes: a name must never come with fewer.
        if (!event.strName.isEmpty() && event.info.size() < 25)
            std::abort();
        if (nResult == CDonglePackets::kNotification && event.value.size() > nAvailable)
            std::abort();
        if (event.info.size() >= 14)
            (void)CDonglePackets::FormatAddress(reinterpret_cast<const quint8*>(event.info.constData()) + 8);
        // An event packet is 04 ff L ...: step over it, or over one byte when it is not one.
        nOffset += nAvailable >= 3 && pData[nOffset] == 0x04 ? 3 + pData[nOffset + 2] : 1;
    }
    return 0;
}
