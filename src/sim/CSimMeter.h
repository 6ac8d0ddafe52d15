#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The simulated meter behind the simulated dongle. It produces the meter's
// frames as raw bytes; the dongle cuts them into notifications of at most 20
// value bytes. Used on the simulator thread only.
struct CSimMeterOptions
{
    double dRate = 5.0;            // measurement frames per second
    QString strScenarioPath;       // JSON scenario; empty: a steady layout-1 stream
    int nNoiseBytes = 0;           // garbage bytes put between frames (0: none)
    quint32 nSeed = 1;             // noise and value generator seed
    bool bLogReadings = false;     // keep a line for each reading sent (TakeReadingLog)
};

class CSimMeter
{
public:
    explicit CSimMeter(const CSimMeterOptions& options);
    ~CSimMeter();
    CSimMeter(const CSimMeter&) = delete;
    CSimMeter& operator=(const CSimMeter&) = delete;

    // Loads the scenario named in the options; false with a reason on failure.
    bool Load(QString* pstrError);

    // The link has come up at nowMs (milliseconds on a monotonic clock).
    void Start(qint64 nowMs);
    // Every frame due by nowMs, in order, noise included.
    QList<QByteArray> Poll(qint64 nowMs);
    // Milliseconds until the next frame is due, or -1 when nothing more will come.
    qint64 MsUntilNext(qint64 nowMs) const;
    // With bLogReadings: the readings of the frames Poll returned since the last
    // call, oldest first, as "value<TAB>unit" with four decimals.
    QStringList TakeReadingLog();
    // A command frame the program wrote to the meter's command handle.
    void OnCommand(const QByteArray& frame);
    // The command frames received since construction, oldest first (the last 256 at most).
    QList<QByteArray> ReceivedCommands() const;

private:
    struct Private;
    Private* d;
};
