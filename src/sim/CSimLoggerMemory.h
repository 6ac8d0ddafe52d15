#pragma once

#include "sim/CSimClock.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

// The simulated meter's data logger: stored recordings that it sends on the
// program's requests. It answers the directory request (b0 95 00 b1), a
// recording request (b0 96 nn b1: the header, then one data block per
// acknowledgement f3 00 01 f4) and the end of the transfer (b0 a0 00 b1); it
// can leave a given number of requests unanswered and push one recording
// unasked. While it is sending, the meter's measurement stream pauses.
// Pure logic on the simulator thread; the meter moves the bytes.
class CSimLoggerMemory
{
public:
    struct Recording
    {
        int m_nAddress = 1;          //!< record address, the nn of the request (0 to 255)
        int m_nFunction = 2;         //!< function code (0 to 255)
        CSimClock m_start;           //!< may be an impossible date on purpose (day 0)
        quint32 m_nInterval = 1;     //!< seconds between samples; sample i is at i * interval
        QList<float> m_arrSamples;
        int m_nBlockSize = 50;       //!< samples per data block (1 to 255)
        int m_nIgnoreRequests = 0;   //!< requests for this recording left unanswered first
    };
    struct Setup
    {
        QList<Recording> m_arrRecordings;  //!< in directory order
        int m_nIgnoreDirectoryRequests = 0;
        int m_nPushAddress = -1;           //!< recording sent unasked, or -1
        qint64 m_nPushAtMs = 0;            //!< when, after the link came up
    };

    static constexpr int kMaxRecordings = 200;
    static constexpr int kMaxBlocks = 255;            //!< the block sequence number is one byte
    static constexpr int kMaxTotalSamples = 1000000;
    static constexpr int kEntryBytes = 26;
    static constexpr int kHeaderBytes = 26;

    // Reads the "logger" object of a scenario (format in SCENARIOS.md).
    static bool Parse(const QJsonValue& value, Setup* pSetup, QString* pstrError);

    explicit CSimLoggerMemory(const Setup& setup);

    // The link has come up at nowMs.
    void Start(qint64 nowMs);
    // A command frame of the program; false when it is none of the logger's.
    bool OnCommand(const QByteArray& frame);
    // The frames due by nowMs: answers, and the recording pushed unasked.
    QList<QByteArray> Poll(qint64 nowMs);
    // Milliseconds until something is due, -1 when nothing is scheduled.
    qint64 MsUntilNext(qint64 nowMs) const;
    // A transfer is under way: the measurement stream pauses.
    bool IsTransferring() const { return m_bTransfer || m_nSending >= 0; }

    const Setup& Recordings() const { return m_setup; }
    int IgnoredRequests() const { return m_nIgnored; }

    // The bytes as the meter sends them.
    QByteArray Directory() const;
    static QByteArray Header(const Recording& recording);
    static int BlockCount(const Recording& recording);
    static QByteArray Block(const Recording& recording, int nBlock); // nBlock from 1

private:
    void StartSending(int nRecording);

    Setup m_setup;
    QList<int> m_arrIgnoreLeft;  //!< per recording
    int m_nDirectoryIgnoreLeft = 0;
    int m_nIgnored = 0;
    QList<QByteArray> m_arrOut;
    bool m_bTransfer = false;    //!< between a request and the end frame
    int m_nSending = -1;         //!< recording whose blocks are going out, or -1
    int m_nNextBlock = 0;        //!< block sent on the next acknowledgement, from 1
    bool m_bPushing = false;
    bool m_bStarted = false;
    bool m_bPushed = false;
    qint64 m_nStartMs = 0;
};
