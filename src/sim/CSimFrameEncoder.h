#pragma once

#include "sim/CSimReading.h"

#include <QByteArray>
#include <QString>

// Builds measurement frames byte for byte: header a0 8n / a0 9n, the layout's
// fields at their fixed positions, a1 as the last byte. Bytes the program does
// not read are sent as 00.
class CSimFrameEncoder
{
public:
    // Frame length in bytes of layout 1 to 7; 0 for any other layout.
    static int FrameLength(int nLayout);
    // Second header byte: 0x80 + layout - 1 (series 8) or 0x90 + layout - 1 (series 9).
    static int HeaderCode(int nLayout, int nSeries);
    // Empty when the reading can be encoded, else what is wrong with it.
    static QString Check(const CSimReading& reading);
    // The frame, or an empty array when Check() finds a fault.
    static QByteArray Encode(const CSimReading& reading);
    // Packed BCD of 0 to 99 (25 -> 0x25).
    static quint8 Bcd(int nValue);
};
