#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class CMeterLink;
class CMeterProtocol;

// The link watchdog (timer 2), started by every successful connect. Each tick
// measures how long the meter has been silent, in whole seconds of the
// calendar clock:
//  - while series 9 is armed (a logger download may pause the meter), it only
//    gives up after more than 20 s: it disarms and marks the meter offline;
//  - otherwise more than 3 s of silence is a stall: the meter goes offline, a
//    stalled block transfer is abandoned, and Stalled() is emitted; the first
//    stall of the program's life also emits FirstStall().
// GUI thread only.
class CLinkWatchdog : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 1000;
    static constexpr qint64 kStallSeconds = 3;
    static constexpr qint64 kSeries9Seconds = 20;

    // Seconds since 1970; the link stamps receipts with the same clock.
    using Clock = std::function<qint64()>;

    CLinkWatchdog(CMeterLink& link, CMeterProtocol& protocol, QObject* pParent = nullptr);

    // Tests drive the watchdog with a clock of their own.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    void Start();
    // The link is gone: no stall to find until the next connect.
    void Stop() { m_timer.stop(); }
    bool IsActive() const { return m_timer.isActive(); }
    const QTimer& Timer() const { return m_timer; }
    // One tick; the timer calls it every second.
    void OnTick();
    // Ticks that found the data stopped; never reset.
    int LossCount() const { return m_nLossCount; }

signals:
    // Every stall: close the transfer wait dialog.
    void Stalled();
    // The first stall of the program's life: blank the panel, hide the waveform list.
    void FirstStall();

private:
    CMeterLink& m_link;
    CMeterProtocol& m_protocol;
    Clock m_clock;
    QTimer m_timer;
    int m_nLossCount = 0;
};
