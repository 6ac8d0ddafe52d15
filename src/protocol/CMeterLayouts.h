#pragma once

#include "protocol/CFrameReader.h"
#include "protocol/MeterReading.h"

#include <QByteArrayView>

// The seven measurement frame layouts: where each carries its fields, and how
// its units are normalised. Stateless; every function accepts any layout
// number and treats one outside 1..7 as "no such layout".
class CMeterLayouts
{
public:
    static constexpr int kCount = 7;

    // Frame length in characters of hexadecimal text; 0 for no such layout.
    static int FrameChars(int nLayout);
    // Header text, e.g. "a080" (series 8) or "a090" (series 9); empty for no such layout.
    static const char* Header(int nLayout, bool bSeries9);
    // Exactly one whole frame of the layout: length, header of either series, end byte a1.
    static bool IsFrame(int nLayout, QByteArrayView strFrame);
    // Layouts 2 and 4: their time is the meter clock plus the elapsed time of sub display 3.
    static bool HasElapsedClock(int nLayout);
    // The layout carries the range of its reading (layout 7, frequency, does not).
    static bool HasRange(int nLayout);

    // Reads the fields the layout carries; every other field is left alone.
    static void ReadFields(int nLayout, const CFrameReader& reader, MeterReading& reading);
    // Unit normalisation (and layout 5's suffixes, layout 7's magnitude rule);
    // returns the record kind for statistics recording, 0 for none.
    static int Normalise(int nLayout, MeterReading& reading);
};
