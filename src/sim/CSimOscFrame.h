#pragma once

#include <QList>

#include <array>

// One oscilloscope screen as the simulated meter sends it: the payload bytes
// of an e0 e0 frame, given as the meter sends them (raw levels, codes, BCD-free
// date bytes). Levels: 135 is 0 V, 25 levels a division.
struct CSimOscFrame
{
    int m_nSlot = 0;                 // 0 the live screen, 1..10 stored (others are sent as given)
    int m_nStatus = 2;               // 1 HOLD, 2 REC, 3 FFT, 4 SINGLE
    int m_nTimeBase = 7;             // time-base code 1..18
    int m_nVoltScale = 7;            // vertical-scale code 1..11
    bool m_bRateLabels = false;      // label the time base with the sample rate
    int m_nCoupling = 1;             // 0 AC, else DC
    int m_nSpeed = 0;                // 0 Fast, else Slow
    int m_nPage = 0;
    int m_nTrigger = 1;              // 1 up, 2 down, 3 single
    int m_nTriggerLevel = 135;       // raw level
    int m_nCrossing1 = 8;            // raw positions (the program subtracts 8)
    int m_nCrossing2 = 8;
    int m_nHigh = -1;                // raw levels; -1: the highest / lowest sample
    int m_nLow = -1;
    bool m_bRunningDate = true;      // no "date": the simulated clock
    std::array<int, 6> m_arrDate{2025, 1, 1, 0, 0, 0}; // year, first, second part, hour, minute, second
    int m_nDateOrder = 0;
    int m_nFftVpp = 0;               // status 3: the meter's own readings
    int m_nFftFreq = 0;
    int m_nFftPeriod = 0;
    int m_nFftSelect = 1;
    std::array<quint8, 300> m_arrSamples{};
    std::array<quint8, 120> m_arrBars{};
    int m_nRepeat = 1;               // frames sent for the step, one per frame period
};
