#pragma once

#include "document/CObData.h"
#include "logger/CRecordingHeader.h"
#include "logger/LoggerListData.h"
#include "link/CThreadHandoff.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>

class CMeterCommandSender;
class CMeterProtocol;
class CPrompt;

// Fetches the recordings stored in the meter's data logger, widget-free: the
// GUI (wait dialog, logger list, logger-data view) and the CLI drive the same
// object and learn what happens through its signals.
//
// Whole-memory download: OnDownloadLogger asks for the directory, then for each
// recording from the last directory entry to the first, and ends the transfer.
// A request left unanswered is repeated every 1.5 s (timer 3), at most five
// times per download; when those are spent, when the link is lost or when the
// meter falls silent for 20 s, the download ends with a message and every
// recording already fetched stays. A recording header that arrives with no
// download pending is a single recording, handed over whole when its last
// block is in (SingleRecordingReceived).
//
// Threads. The object lives on the GUI (or CLI main) thread; so do its timers,
// the On... handlers and every signal but RealTimeRecordingStop. The Decode... operations run on the link
// thread, called directly by the frame dispatcher's signals; they hand on to
// this object's thread with queued calls and never wait for it. What both
// sides touch is guarded by m_mutex. Destroy the object only after the link
// thread has stopped (or the protocol's signals have been disconnected from a
// stopped thread): a Decode... call may be running until then.
class CLoggerDownload : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Complete,     //!< every directory entry fetched (or only the directory was wanted)
        RetriesSpent, //!< a request stayed unanswered after the last repetition
        LinkLost,     //!< the port failed or the meter went offline
        Stalled,      //!< the meter stopped sending in the middle of the transfer
        Cancelled,    //!< Cancel()
    };
    Q_ENUM(Outcome)

    // Waits of the download; the tests shorten them.
    struct Timings
    {
        int nRequestRepeatMs = 1500; //!< timer 3: repeat an unanswered recording request
        int nRequestDelayMs = 500;   //!< pause before the next request and before the end frame
        int nStallMs = 20000;        //!< silence that ends a transfer under way
    };
    static constexpr int kMaxRequestRetries = 5;

    // Texts shown to the user.
    static QString InvalidDateText() { return QStringLiteral("The datatime is wrong, Please check and change!"); }
    static QString InvalidDateCaption() { return QStringLiteral("error"); }

    // pSender sends the requests (GUI thread) and pPrompt shows the messages; the
    // dispatcher of protocol sends the acknowledgements itself.
    CLoggerDownload(CMeterProtocol& protocol, CMeterCommandSender* pSender, CPrompt* pPrompt,
                    QObject* pParent = nullptr);
    ~CLoggerDownload() override;

    void SetTimings(const Timings& timings);
    // Whether requests may be sent (the link's "meter online"); called on this
    // object's thread only. Without one the meter counts as online.
    void SetOnlineQuery(std::function<bool()> fnOnline) { m_fnOnline = std::move(fnOnline); }

    // "Download Multimeter Logger". False, after telling the user why, when the
    // meter is offline, in oscilloscope mode, or a transfer is already under way.
    bool OnDownloadLogger();
    // Fetches the directory only (DirectoryListed), then ends the transfer.
    bool ListDirectory();
    // Stops a transfer under way: the end frame goes out, what was fetched stays.
    void Cancel();
    // The port failed or the meter went silent (the watchdog): ends a transfer
    // under way with a message; what was fetched stays.
    void OnLinkLost(const QString& strReason);

    // Timer 3: repeats the pending recording request; after the last allowed
    // repetition it ends the download. Public so the tests can tick it.
    void OnRequestTimer();

    // Link thread: the dispatcher's hand-offs (see the class comment).
    void DecodeDirectoryHead(const QByteArray& strText);
    void DecodeRecordingHeader(const QByteArray& header);
    void DecodeBlock(const QByteArray& strText);

    // This object's thread: what follows the hand-offs.
    void OnDirectoryComplete(const QList<LoggerListData>& entries);
    // nTransfer: the recording that started or completed (m_nTransfer when the dispatcher
    // saw its header or its end); a transfer ended meanwhile (cancelled, stalled, link
    // lost) has reported what it kept, and these leave it alone.
    void OnRecordingStart(bool bForDownload, quint64 nTransfer, int nBlocks);
    void OnRecordingComplete(bool bForDownload, quint64 nTransfer);

    bool IsDownloading() const { return m_state != State::Idle && m_state != State::SingleRecording; }
    bool IsReceivingSingleRecording() const { return m_state == State::SingleRecording; }
    int RequestRetries() const { return m_nRequestRetries; }
    int EntriesLeft() const { return m_nEntriesLeft; }
    bool IsRequestTimerActive() const { return m_requestTimer.isActive(); }

    // Copies, safe from any thread.
    QList<LoggerListData> Entries() const;
    // Every record of the whole-memory download; m_nIndex is the recording's address.
    QList<CObData> LoggerRecords() const;
    // The records of the recording at nAddress, in order.
    QList<CObData> RecordsOf(int nAddress) const;
    // Copies of the records of the recording at nAddress for the logger-data
    // view: times and units as downloaded, m_nIndex renumbered 0, 1, 2, ...
    QList<CObData> RecordsForView(int nAddress) const;
    // The records of the latest single recording (m_nIndex 0).
    QList<CObData> RecordingRecords() const;
    CRecordingHeader Header() const;
    // Entries whose recording has been fetched whole, in the order fetched.
    QList<LoggerListData> FetchedEntries() const;
    // Directory entries not fetched whole (after a download that ended early).
    QList<LoggerListData> MissingEntries() const;

signals:
    // A download started: the logger list is emptied.
    void DownloadStarted();
    // The directory is in (entries in directory order; none for an empty logger).
    // Unless it is empty or only the directory was wanted, the wait dialog shows
    // now, its overall bar running from 0 to the number of entries.
    void DirectoryListed(const QList<LoggerListData>& entries);
    // A recording header arrived: the block bar runs from 0 to nBlockCount.
    // bWholeMemory is false for a single recording sent unasked.
    void RecordingStarted(int nBlockCount, bool bWholeMemory);
    void BlockProgress(int nBlocksReceived);
    void OverallProgress(int nFetched, int nEntries);
    // A recording of the download is in: one row of the logger list. bComplete
    // is false for the part of a recording received before the download ended
    // early; entry.m_nDataPoints then counts the samples kept.
    void RecordingFetched(const LoggerListData& entry, bool bComplete);
    // A single recording is in (or what arrived of it, bComplete false).
    void SingleRecordingReceived(const QList<CObData>& records, bool bComplete);
    // The whole-memory download is over; the wait dialog closes.
    void DownloadFinished(CLoggerDownload::Outcome outcome);
    // A recording header arrived: real-time recording stops first. Emitted on the
    // link thread, inside the dispatcher's pass.
    void RealTimeRecordingStop();

private:
    enum class State {
        Idle,
        DirectoryRequested,
        RecordingRequested, //!< timer 3 running
        Receiving,          //!< the requested recording's blocks are coming
        BetweenRecordings,  //!< the pause before the next request
        Finishing,          //!< the pause before the end frame
        SingleRecording,    //!< an unasked recording is coming
    };

    bool StartTransfer(bool bDirectoryOnly);
    bool IsOnline() const { return !m_fnOnline || m_fnOnline(); }
    void Send(quint8 nCode, quint8 nParameter);
    void RequestEntry(int nEntry);
    void RequestNextOrFinish();
    void OnDelayElapsed();
    void FinishDownload();
    void EndDownload(Outcome outcome, const QString& strWhy);
    void EndSingleRecording(const QString& strWhy);
    void OnStall();
    void Touch();
    // Link thread.
    void TakeDirectory(const QByteArray& strText);
    void OnHeaderMarker();
    void TakeRecordingComplete();
    // Runs fn on this object's thread: at once when already there, else queued.
    void OnOwnThread(std::function<void()> fn);

    CMeterProtocol& m_protocol;
    CMeterCommandSender* m_pSender;
    CPrompt* m_pPrompt;
    std::function<bool()> m_fnOnline;
    Timings m_timings;

    // This object's thread only.
    State m_state = State::Idle;
    bool m_bDirectoryOnly = false;
    int m_nEntriesLeft = 0;       //!< directory entries not yet fetched
    int m_nRequestRetries = 0;    //!< repetitions by timer 3 in this download
    int m_nMarkersAtRequest = 0;  //!< m_nHeaderMarkers when the pending request went out
    QTimer m_requestTimer;        //!< timer 3
    QTimer m_delayTimer;          //!< the pauses before the next request and the end frame
    QTimer m_stallTimer;
    CThreadHandoff m_handoff { this }; //!< the link thread's way to OnOwnThread

    //! Recording-header markers seen by the dispatcher (link thread writes, timer 3 reads).
    std::atomic<int> m_nHeaderMarkers{0};
    //! Messages the link thread is showing (it writes, the silence limit reads).
    std::atomic<int> m_nPromptsOpen{0};

    mutable std::mutex m_mutex;   //!< guards every member below
    QList<LoggerListData> m_arrLoggerEntries;
    QList<CObData> m_arrLoggerRecords;
    QList<CObData> m_arrRecordingRecords;
    QList<LoggerListData> m_arrFetched;
    CRecordingHeader m_header;
    int m_nCurrentAddress = -1;   //!< address of the pending request; -1 between requests
    bool m_bHeaderForDownload = false; //!< the current header answers m_nCurrentAddress
    quint64 m_nTransfer = 0;      //!< bumped by every recording header and every end of a transfer
};
