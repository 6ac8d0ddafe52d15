#pragma once

#include "sim/CSimClock.h"

#include <QString>

#include <array>

// One reading as the meter puts it into a measurement frame. Units are the
// meter's own spellings ("ko", "s" for degrees Celsius, "VE"), at most four
// ASCII characters, padded with spaces when sent. Which fields a frame carries
// depends on the layout; the encoder ignores the others.
struct CSimReading
{
    // Status byte bits.
    static constexpr int kHold = 0x01;
    static constexpr int kManualRange = 0x02;
    static constexpr int kFlagC = 0x04;
    static constexpr int kFlagD = 0x08;
    static constexpr int kFlagE = 0x10;  // sent by layout 7 only

    struct Sub
    {
        float m_fValue = 0.0f;
        QString m_strUnit;          // layout 2 only; layout 4 shares the main unit
        int m_nDecimals = 3;        // 2 to 5 (packed into two bits as 5 - decimals)
        std::array<int, 3> m_arrTime{0, 0, 0};  // hours, minutes, seconds, 0 to 99 each, sent as BCD
    };

    int m_nLayout = 1;              // 1 to 7
    int m_nSeries = 8;              // 8 (headers a0 80..86) or 9 (a0 90..96)
    int m_nFunction = 2;            // function code byte (layouts 1 to 5)
    int m_nStatus = 0;              // status byte, see the bits above
    float m_fValue = 0.0f;
    float m_fRange = 0.0f;          // layouts 1 to 6
    QString m_strUnit = QStringLiteral("V");  // layouts 1 to 6
    int m_nDecimals = 3;            // simple form 0 to 5 (sent as 5 - decimals); packed form 2 to 5
    std::array<Sub, 3> m_arrSub;    // layouts 2 and 4
    float m_fRef = 0.0f;            // layout 3
    float m_fRel = 0.0f;            // layout 3
    float m_fAux1 = 0.0f;           // layout 5
    float m_fAux2 = 0.0f;           // layout 5
    int m_nAuxCode = 0;             // layout 5 mode code byte
    float m_fAux3 = 0.0f;           // layout 6
    QString m_strAux3Unit;          // layout 6
    float m_fAux4 = 0.0f;           // layout 7, as sent (the program scales it by 100)
    CSimClock m_clock;
    bool m_bClock24h = true;        // clock-format bit 0 (layouts 1, 3, 5, 6, 7)
    bool m_bMonthFirst = false;     // clock-format bit 1
};
