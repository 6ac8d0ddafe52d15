#pragma once

#include "sim/CSimClock.h"
#include "sim/CSimLoggerMemory.h"
#include "sim/CSimOscFrame.h"
#include "sim/CSimReading.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// A scripted run of the simulated meter, read from JSON (format in SCENARIOS.md).
// Loading checks everything up front, so running a loaded scenario cannot fail.
class CSimScenario
{
public:
    enum class StepKind { Reading, Arm, Noise, Pause, Oscilloscope, OscMode };

    struct Step
    {
        StepKind m_kind = StepKind::Reading;
        CSimReading m_reading;
        bool m_bRunningClock = true;  // no "clock" given: the simulated clock of the frame's time
        int m_nRepeat = 1;            // frames sent for this step, one per frame period
        double m_dValueStep = 0.0;    // added to the value for each repetition
        int m_nNoiseBytes = 0;
        qint64 m_nPauseMs = 0;
        std::shared_ptr<const CSimOscFrame> m_pOsc; // Oscilloscope steps (shared: steps are copied)
    };

    // Limits against hostile files: nothing is allocated from an unchecked count.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr int kMaxSteps = 100000;
    static constexpr int kMaxNoiseBytes = 4096;
    static constexpr qint64 kMaxPauseMs = 24LL * 3600 * 1000;

    bool LoadFile(const QString& strPath, QString* pstrError);
    bool LoadJson(const QByteArray& json, QString* pstrError);

    const QList<Step>& Steps() const { return m_arrSteps; }
    bool Loops() const { return m_bLoop; }
    bool HasClockStart() const { return m_bHasClockStart; }
    const CSimClock& ClockStart() const { return m_clockStart; }
    // The recordings of the meter's data logger (the "logger" key).
    bool HasLogger() const { return m_bHasLogger; }
    const CSimLoggerMemory::Setup& Logger() const { return m_logger; }

private:
    QList<Step> m_arrSteps;
    bool m_bLoop = false;
    bool m_bHasClockStart = false;
    CSimClock m_clockStart;
    bool m_bHasLogger = false;
    CSimLoggerMemory::Setup m_logger;
};
