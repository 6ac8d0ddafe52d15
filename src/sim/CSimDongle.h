#pragma once

#include "sim/CSimMeter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

#include <array>
#include <map>
#include <memory>
#include <random>

// One advertiser the simulated dongle reports during discovery.
struct CSimAdvertiser
{
    enum Kind {
        kMeter,          //!< the meter service id and a complete name at the usual place
        kNoService,      //!< a name, but no meter service id
        kDisplacedName,  //!< service id, but an extra record moves the name
    };
    QString strName;
    std::array<quint8, 6> address {}; //!< least significant byte first
    int nRssi = -60;
    Kind kind = kMeter;
    bool bScanResponse = true;         //!< also answer with a scan response carrying the name
};

struct CSimDongleOptions
{
    QList<CSimAdvertiser> advertisers;
    bool bNeverLink = false;        //!< accept link requests but never establish a link
    int nNoiseBytes = 0;           //!< garbage bytes between event packets (never 0x04)
    double dDisconnectAfterS = 0;  //!< close the port this long after the link came up (0: never)
    double dDropAfterS = 0;        //!< end the radio link this long after it came up (0: never); the port stays
    int nDrops = 1;                //!< how many times the radio link is ended that way
    int nFloodPackets = 0;         //!< notifications of filler sent in bursts of this many, as fast as the port takes them (0: none)
    quint32 nSeed = 1;
    CSimMeterOptions meter;
};

// The dongle as the program sees it through the serial port: it reads command
// packets and answers with event packets; once a meter link is up and its
// notifications are enabled, it forwards the meter's frames as notifications
// of at most 20 value bytes. Pure logic: the server moves the bytes.
class CSimDongle
{
public:
    static constexpr int kMaxNotification = 20;

    explicit CSimDongle(const CSimDongleOptions& options);
    ~CSimDongle();

    // Default advertisers: two meters and three decoys.
    static QList<CSimAdvertiser> DefaultAdvertisers();

    // False with a reason when the meter's scenario cannot be loaded.
    bool Load(QString* pstrError);

    // Bytes written by the program.
    void Feed(const QByteArray& bytes, qint64 nowMs);
    // Everything due by nowMs, ready to write to the port.
    QByteArray TakeDue(qint64 nowMs);
    // Milliseconds until something is due, -1 when nothing is scheduled.
    qint64 MsUntilNext(qint64 nowMs) const;
    // With the meter's bLogReadings: the readings sent since the last call (see
    // CSimMeter), and "# link ended" where dDropAfterS ended the link.
    QStringList TakeReadingLog() { return std::exchange(m_readingLog, {}); }
    // Radio links ended by dDropAfterS so far.
    int DropCount() const { return m_nDropsDone; }
    // A flood is on (notifications enabled and a flood asked for) and its next burst.
    bool IsFlooding() const { return m_options.nFloodPackets > 0 && m_bNotifying; }
    QByteArray FloodBurst() const;
    // The moment the port should be closed as if unplugged, or -1.
    qint64 DisconnectAt() const { return m_nDisconnectAt; }

    // Event packets, exposed for tests.
    static QByteArray Event(int nOpcode, int nStatus, const QByteArray& params);
    static QByteArray CommandStatus(int nCommandOpcode, int nStatus);
    static QByteArray DeviceInformation(const CSimAdvertiser& advertiser, bool bScanResponse);
    static QByteArray Notification(const QByteArray& value);

private:
    void HandleCommand(int nOpcode, const QByteArray& params, qint64 nowMs);
    void Schedule(qint64 atMs, const QByteArray& bytes);
    QByteArray Noise();

    CSimDongleOptions m_options;
    QByteArray m_input;                        //!< unparsed command bytes
    std::multimap<qint64, QByteArray> m_due;   //!< event packets by due time, in order
    std::unique_ptr<CSimMeter> m_pMeter;
    bool m_bLinked = false;
    bool m_bNotifying = false;
    qint64 m_nDisconnectAt = -1;
    qint64 m_nDropAt = -1;       //!< when the radio link ends, or -1
    int m_nDropsDone = 0;
    int m_nLinks = 0;            //!< links established so far; each meter gets its own seed
    QStringList m_readingLog;
    std::mt19937 m_random;
};
