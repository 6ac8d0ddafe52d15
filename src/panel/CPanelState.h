#pragma once

#include "protocol/MeterReading.h"

// What the meter panel draws: the function picture, the display layout and
// the panel copy of the reading. Plain value type, GUI thread only.
struct CPanelState
{
    int m_nDisplayMode = 0; // 0..11: the function picture at the bottom
    int m_nLayout = 0;      // -1: no data; 1..7: a reading layout; anything else: empty display
    MeterReading m_reading; // the panel copy of the last decoded reading
};
