#pragma once

#include <QMetaType>
#include <QString>

// The meter's current reading, filled field by field from measurement frames.
// A frame overwrites only what its layout carries; everything else keeps the
// value an earlier frame left. Plain value type: it crosses threads by copy.
struct MeterReading
{
    QString m_strFunction;      // function name (function table or fixed by the layout)
    bool m_bIndicatorA = false; // status bit 0: Hold
    bool m_bIndicatorB = false; // status bit 1 inverted: Auto Range when set
    float m_fRange = 0.0f;      // full scale of the range, same unit as the main value
    float m_fValue = 0.0f;
    QString m_strUnit;
    int m_nDecimals = 0;

    float m_fSub1 = 0.0f;
    QString m_strSub1Unit;
    int m_nSub1Decimals = 0;
    QString m_strSub1Time;      // "hh:mm:ss" as the meter's BCD digits
    float m_fSub2 = 0.0f;
    QString m_strSub2Unit;
    int m_nSub2Decimals = 0;
    QString m_strSub2Time;
    float m_fSub3 = 0.0f;
    QString m_strSub3Unit;
    int m_nSub3Decimals = 0;
    QString m_strSub3Time;

    QString m_strClockText;     // 12-hour clock text with am/pm (layout 4 only)
    float m_fRef = 0.0f;
    float m_fRel = 0.0f;
    float m_fAux1 = 0.0f;
    QString m_strAux1Unit;      // never set by a frame
    float m_fAux2 = 0.0f;
    QString m_strAux2Unit;
    int m_nAuxCode = 0;
    float m_fAux3 = 0.0f;
    QString m_strAux3Unit;
    float m_fAux4 = 0.0f;       // stored multiplied by 100
    bool m_bIndicatorC = false; // status bit 2
    bool m_bIndicatorD = false; // status bit 3
    bool m_bIndicatorE = false; // status bit 4 (layout 7 only)

    quint8 m_nYear = 0;         // two digits, 2000-based
    quint8 m_nMonth = 0;
    quint8 m_nDay = 0;
    quint8 m_nHour = 0;
    quint8 m_nMinute = 0;
    quint8 m_nSecond = 0;
    bool m_bClockFlag = false;  // 24-hour clock on the panel
    bool m_bMonthFirst = false; // dates written month first
    quint8 m_nElapsedH = 0;     // elapsed time of secondary display 3 (layouts 2 and 4)
    quint8 m_nElapsedM = 0;
    quint8 m_nElapsedS = 0;
};

Q_DECLARE_METATYPE(MeterReading)
