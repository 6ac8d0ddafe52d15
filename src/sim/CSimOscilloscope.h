#pragma once

#include "sim/CSimClock.h"
#include "sim/CSimOscFrame.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The simulated meter's oscilloscope mode: the "osc" scenario step (format in
// SCENARIOS.md) and the 514-byte frames it sends: e0 e0, 510 payload bytes
// (multi-byte numbers big-endian), two unused bytes.
class CSimOscilloscope
{
public:
    static constexpr int kFrameBytes = 514;
    static constexpr int kPayloadOffset = 2;

    // Reads an "osc" step. Fails, naming the key, on anything the meter could
    // not send or the program would misread.
    static bool ParseStep(const QJsonObject& obj, CSimOscFrame* pFrame, QString* pstrError);
    // The frame; clock gives the date when the step has none of its own
    // (year 2000 + two digits, first part the month, second the day).
    static QByteArray Encode(const CSimOscFrame& frame, const CSimClock& clock);
    // a2 a2 a2 a2: the meter has entered oscilloscope mode.
    static QByteArray ModeMarker();
};
