#include "sim/CSimMeter.h"

#include "sim/CSimFrameEncoder.h"
#include "sim/CSimLoggerMemory.h"
#include "sim/CSimNoise.h"
#include "sim/CSimOscilloscope.h"
#include "sim/CSimScenario.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTimeZone>

#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

namespace {

constexpr double kMaxRate = 1000.0;
// Bounds one Poll call however late it comes; whatever is still due stays due.
constexpr int kMaxEntriesPerPoll = 256;
constexpr int kMaxStepsPerPoll = 4096;
// A real meter does not queue readings nobody collected: when the default
// stream falls further behind than this, the missed frames are dropped.
constexpr double kMaxBacklogMs = 1000.0;
constexpr int kMaxRecordedCommands = 256;
constexpr int kMaxCommandBytes = 64;

const QByteArray kArmMarker("\xf8\xf8\xf8\xf8", 4);

bool RateValid(double dRate)
{
    return std::isfinite(dRate) && dRate > 0.0 && dRate <= kMaxRate;
}

} // namespace

struct CSimMeter::Private
{
    explicit Private(const CSimMeterOptions& options)
        : m_options(options)
        , m_noise(options.nSeed)
        , m_valueRng(options.nSeed ^ 0x9e3779b9u)
    {
        m_dPeriodMs = 1000.0 / (RateValid(options.dRate) ? options.dRate : 5.0);
        m_nNoiseBytes = qBound(0, options.nNoiseBytes, CSimScenario::kMaxNoiseBytes);
    }

    bool UsesScenario() const { return !m_options.strScenarioPath.isEmpty(); }
    // A scenario named in the options runs only once it has loaded.
    bool Runnable() const { return !UsesScenario() || m_bScenarioLoaded; }

    CSimClock ClockAt(double dDueMs) const
    {
        return CSimClock::FromDateTime(m_clockStart.addMSecs(qint64(std::floor(dDueMs - double(m_nStartMs)))));
    }

    void LogReading(const CSimReading& r)
    {
        if (m_options.bLogReadings)
            m_readingLog << QString::number(double(r.m_fValue), 'f', 4) + QLatin1Char('\t') + r.m_strUnit.trimmed();
    }

    void EmitFrame(QList<QByteArray>& out, const QByteArray& frame)
    {
        if (m_nNoiseBytes > 0 && m_bFrameSent)
            out.append(m_noise.Make(m_nNoiseBytes));
        out.append(frame);
        m_bFrameSent = true;
    }

    // The steady stream: DC volts on a slow sine with a little jitter.
    void NextDefault(QList<QByteArray>& out)
    {
        const double dSeconds = (m_dNextDueMs - double(m_nStartMs)) / 1000.0;
        const double dJitter = (m_valueRng.generateDouble() - 0.5) * 0.002;
        const double dValue = 3.0 + 2.0 * std::sin(2.0 * std::numbers::pi * dSeconds / 20.0) + dJitter;
        CSimReading r;
        r.m_nLayout = 1;
        r.m_nSeries = 8;
        r.m_nFunction = 2;
        r.m_fValue = float(std::round(dValue * 1e4) / 1e4);
        r.m_fRange = 6.0f;
        r.m_strUnit = QStringLiteral("V");
        r.m_nDecimals = 4;
        r.m_clock = ClockAt(m_dNextDueMs);
        LogReading(r);
        EmitFrame(out, CSimFrameEncoder::Encode(r));
        m_dNextDueMs += m_dPeriodMs;
    }

    void Advance()
    {
        m_nRepeatDone = 0;
        if (++m_nStep < m_scenario.Steps().size())
            return;
        m_nStep = 0;
        m_bEnded = !m_scenario.Loops();
    }

    // One frame of a repeated step; a frame period passes.
    void EmitRepetition(QList<QByteArray>& out, const CSimScenario::Step& step, const QByteArray& frame)
    {
        EmitFrame(out, frame);
        m_dNextDueMs += m_dPeriodMs;
        if (++m_nRepeatDone >= step.m_nRepeat)
            Advance();
    }

    void NextScenario(QList<QByteArray>& out)
    {
        const CSimScenario::Step& step = m_scenario.Steps().at(m_nStep);
        switch (step.m_kind) {
        case CSimScenario::StepKind::Reading: {
            CSimReading r = step.m_reading;
            r.m_fValue = float(double(r.m_fValue) + step.m_dValueStep * m_nRepeatDone);
            if (step.m_bRunningClock)
                r.m_clock = ClockAt(m_dNextDueMs);
            LogReading(r);
            EmitRepetition(out, step, CSimFrameEncoder::Encode(r));
            break;
        }
        case CSimScenario::StepKind::Oscilloscope:
            EmitRepetition(out, step, CSimOscilloscope::Encode(*step.m_pOsc, ClockAt(m_dNextDueMs)));
            break;
        case CSimScenario::StepKind::OscMode:
            out.append(CSimOscilloscope::ModeMarker());
            Advance();
            break;
        case CSimScenario::StepKind::Arm:
            out.append(kArmMarker);
            Advance();
            break;
        case CSimScenario::StepKind::Noise:
            out.append(m_noise.Make(step.m_nNoiseBytes));
            Advance();
            break;
        case CSimScenario::StepKind::Pause:
            m_dNextDueMs += double(step.m_nPauseMs);
            Advance();
            break;
        }
    }

    CSimMeterOptions m_options;
    double m_dPeriodMs = 200.0;
    int m_nNoiseBytes = 0;
    CSimNoise m_noise;
    QRandomGenerator m_valueRng;
    CSimScenario m_scenario;
    bool m_bScenarioLoaded = false;

    bool m_bStarted = false;
    qint64 m_nStartMs = 0;
    QStringList m_readingLog;       // taken by TakeReadingLog after every Poll
    double m_dNextDueMs = 0.0;      // due time of the next scheduled step
    QDateTime m_clockStart;         // the meter clock at m_nStartMs
    int m_nStep = 0;
    int m_nRepeatDone = 0;
    bool m_bEnded = false;
    bool m_bFrameSent = false;

    // Frames that answer a command go out ahead of the scheduled stream; the
    // logger transfer and the oscilloscope mode will fill this.
    QList<QByteArray> m_arrPending;
    QList<QByteArray> m_arrCommands;
    std::unique_ptr<CSimLoggerMemory> m_pLogger; // the scenario's data logger, if it has one
};

CSimMeter::CSimMeter(const CSimMeterOptions& options)
    : d(new Private(options))
{
}

CSimMeter::~CSimMeter()
{
    delete d;
}

bool CSimMeter::Load(QString* pstrError)
{
    d->m_bScenarioLoaded = false;
    if (!RateValid(d->m_options.dRate)) {
        if (pstrError)
            *pstrError = QStringLiteral("frame rate %1 is not above 0 and at most %2 per second")
                             .arg(d->m_options.dRate).arg(kMaxRate);
        return false;
    }
    if (d->m_options.nNoiseBytes < 0 || d->m_options.nNoiseBytes > CSimScenario::kMaxNoiseBytes) {
        if (pstrError)
            *pstrError = QStringLiteral("noise of %1 bytes between frames is outside 0 to %2")
                             .arg(d->m_options.nNoiseBytes).arg(CSimScenario::kMaxNoiseBytes);
        return false;
    }
    if (!d->UsesScenario())
        return true;
    CSimScenario scenario;
    if (!scenario.LoadFile(d->m_options.strScenarioPath, pstrError))
        return false;
    d->m_scenario = scenario;
    d->m_bScenarioLoaded = true;
    if (scenario.HasLogger())
        d->m_pLogger = std::make_unique<CSimLoggerMemory>(scenario.Logger());
    return true;
}

void CSimMeter::Start(qint64 nowMs)
{
    d->m_bStarted = true;
    d->m_nStartMs = nowMs;
    d->m_dNextDueMs = double(nowMs);
    d->m_nStep = 0;
    d->m_nRepeatDone = 0;
    d->m_bEnded = d->UsesScenario() && d->m_scenario.Steps().isEmpty();
    d->m_bFrameSent = false;
    d->m_arrPending.clear();
    if (d->m_pLogger)
        d->m_pLogger->Start(nowMs);
    if (d->m_bScenarioLoaded && d->m_scenario.HasClockStart()) {
        d->m_clockStart = d->m_scenario.ClockStart().ToDateTime();
    } else {
        // Wall-clock fields, kept in UTC so the running clock never jumps at a DST change.
        const QDateTime now = QDateTime::currentDateTime();
        const QTime time = now.time();
        d->m_clockStart = QDateTime(now.date(), QTime(time.hour(), time.minute(), time.second()), QTimeZone::utc());
    }
}

QList<QByteArray> CSimMeter::Poll(qint64 nowMs)
{
    QList<QByteArray> out = std::exchange(d->m_arrPending, {});
    if (!d->m_bStarted || !d->Runnable())
        return out;
    const double dNow = double(nowMs);
    if (d->m_pLogger) {
        out += d->m_pLogger->Poll(nowMs);
        // The meter measures nothing while it sends its logger; it goes on from now afterwards.
        if (d->m_pLogger->IsTransferring()) {
            d->m_dNextDueMs = std::max(d->m_dNextDueMs, dNow + d->m_dPeriodMs);
            return out;
        }
    }
    const bool bScenario = d->UsesScenario();
    if (!bScenario && dNow - d->m_dNextDueMs > kMaxBacklogMs) {
        const double dMissed = std::ceil((dNow - kMaxBacklogMs - d->m_dNextDueMs) / d->m_dPeriodMs);
        d->m_dNextDueMs += dMissed * d->m_dPeriodMs;
    }
    for (int nSteps = 0; nSteps < kMaxStepsPerPoll && out.size() < kMaxEntriesPerPoll; ++nSteps) {
        if (d->m_bEnded || d->m_dNextDueMs > dNow)
            break;
        if (bScenario)
            d->NextScenario(out);
        else
            d->NextDefault(out);
    }
    return out;
}

QStringList CSimMeter::TakeReadingLog()
{
    return std::exchange(d->m_readingLog, {});
}

qint64 CSimMeter::MsUntilNext(qint64 nowMs) const
{
    if (!d->m_arrPending.isEmpty())
        return 0;
    const qint64 nLogger = d->m_pLogger ? d->m_pLogger->MsUntilNext(nowMs) : -1;
    if (!d->m_bStarted || !d->Runnable() || d->m_bEnded || (d->m_pLogger && d->m_pLogger->IsTransferring()))
        return nLogger;
    const qint64 nStream = qMax<qint64>(0, qint64(std::ceil(d->m_dNextDueMs - double(nowMs))));
    return nLogger >= 0 ? qMin(nLogger, nStream) : nStream;
}

void CSimMeter::OnCommand(const QByteArray& frame)
{
    if (d->m_pLogger)
        d->m_pLogger->OnCommand(frame);
    // Kept so a run can be checked.
    if (d->m_arrCommands.size() >= kMaxRecordedCommands)
        d->m_arrCommands.removeFirst();
    d->m_arrCommands.append(frame.left(kMaxCommandBytes));
}

QList<QByteArray> CSimMeter::ReceivedCommands() const
{
    return d->m_arrCommands;
}
