#pragma once

#include "link/CMeterTextSink.h"
#include "protocol/CDecodedReading.h"
#include "protocol/MeterReading.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <mutex>

class CMeterCommandSender;
class CPrompt;

// The meter protocol core: the frame dispatcher over the meter text and the
// seven measurement decoders. Widget-free; everything the user interface or
// the logger and oscilloscope parts must do is reported through signals.
//
// Threads. OnMeterData, AppendMeterHex, ClearMeterHex and the decoders run on
// the link thread, and every signal is emitted there. Receivers choose the
// connection type:
//  - RecordingHeader, TransferWaitDialog, ClearRecordingRecords, OscilloscopeData,
//    DirectoryComplete, DirectoryHead, Block and RecordingComplete stand for
//    synchronous hand-offs: connect them with Qt::DirectConnection, so that
//    the link thread waits until the handler returns; a handler that needs
//    the GUI thread waits through the link's CBlockingInvoker, which a stop
//    can cancel (a blocking queued connection could not be, and would
//    deadlock the stop). The dispatcher removes the
//    consumed text only after the emission has returned, so a handler sees the
//    meter text (MeterHex) exactly as the dispatcher left it, and may empty it
//    with ClearMeterHex or change the download state with the setters below.
//  - PanelShow and ReadingDecoded carry their data by value and may be queued.
// The scalar state is atomic so the GUI thread may read it and use the setters
// (download start, watchdog, blanking) at any time; the meter text itself is
// touched only by the link thread and by handlers while the link thread waits.
class CMeterProtocol : public QObject, public CMeterTextSink
{
    Q_OBJECT

public:
    static constexpr int kNearFront = 4;         // markers at characters 0..4 count as "near"
    static constexpr int kNoiseLimit = 200;      // unmatched text beyond this is thrown away
    static constexpr int kMaxMeterHex = 1 << 16; // hard bound on the meter text, in characters
    static constexpr int kFullDirectoryBytes = 5200;
    static constexpr int kOscilloscopeLayout = 10; // Layout() while the meter is in its oscilloscope

    // pSender gets the acknowledgements and read-size changes, pPrompt the
    // date-time warning; either may be null (nothing is sent or shown).
    CMeterProtocol(CMeterCommandSender* pSender, CPrompt* pPrompt, QObject* pParent = nullptr);

    // CMeterTextSink (link thread)
    void ClearMeterHex() override;
    void AppendMeterHex(const QByteArray& strHex) override;
    void OnMeterData() override;

    // The decoders, each given exactly one frame's text. They return false and
    // change nothing when the text is not a whole frame of their layout.
    bool DecodeLayout1(const QByteArray& strFrame);
    bool DecodeLayout2(const QByteArray& strFrame);
    bool DecodeLayout3(const QByteArray& strFrame);
    bool DecodeLayout4(const QByteArray& strFrame);
    bool DecodeLayout5(const QByteArray& strFrame);
    bool DecodeLayout6(const QByteArray& strFrame);
    bool DecodeLayout7(const QByteArray& strFrame);

    // Selects the display mode for a unit text; emits DisplayModeChanged (and
    // CloseOscWindow unless the new mode is 11) when it changes.
    void SetDisplayMode(const QString& strUnit);

    // The meter text (link thread, or a handler of a synchronous signal).
    QByteArray MeterHex() const { return m_strMeterHex; }
    // The current reading (link thread) and the panel copy (any thread).
    MeterReading Reading() const { return m_reading; }
    MeterReading PanelReading() const;

    bool IsSeries9Armed() const { return m_bSeries9Armed; }
    void SetSeries9Armed(bool bArmed) { m_bSeries9Armed = bArmed; }
    bool IsSeries9() const { return m_bSeries9; }

    // The recording transfer's fields, which change together under one lock:
    // a reader on another thread never sees half of a change.
    struct CBlockState
    {
        bool bBlockMode = false;
        bool bAwaitHeader = false;
        int nRecords = 0;  //!< records announced by the current block header
        int nReceived = 0; //!< block headers accepted since the recording header
        int nCount = 0;    //!< blocks the recording is sent in (16-bit, from its header)
    };
    CBlockState BlockState() const;

    bool IsBlockMode() const { return BlockState().bBlockMode; }
    bool IsAwaitingBlockHeader() const { return BlockState().bAwaitHeader; }
    // What a recording header starts: no block received yet, the first header awaited.
    void EnterBlockMode();
    // Abandons a recording transfer (for instance when the link has gone quiet).
    void LeaveBlockMode();
    int BlockRecords() const { return BlockState().nRecords; }
    int BlocksReceived() const { return BlockState().nReceived; }
    int BlockCount() const { return BlockState().nCount; }
    void SetBlockCount(quint16 nBlocks);

    // Directory bytes of a pending whole-memory download; 0 when none is pending.
    int ExpectedBytes() const { return m_nExpectedBytes; }
    void SetExpectedBytes(int nBytes) { m_nExpectedBytes = nBytes < 0 ? 0 : nBytes; }

    int Layout() const { return m_nLayout; }
    int DisplayMode() const { return m_nDisplayMode; }
    // The meter panel has been blanked: display mode 0, layout -1.
    void ResetDisplay();

signals:
    // A measurement frame was decoded; panel is what the meter panel draws from
    // now on. A meter date with month or day 0 has already been reported and
    // replaced by 1 and 1 in it, so the panel need not check it again.
    void PanelShow(int nLayout, const QString& strUnit, double dValue, int nDecimals,
                   const MeterReading& panel);
    void ReadingDecoded(const CDecodedReading& decoded);
    void DisplayModeChanged(int nMode);
    void CloseOscWindow();             // the display mode left oscilloscope mode
    void ShowOscList();                // the meter entered oscilloscope mode

    void StopRequestTimer();           // a recording header is arriving
    void RecordingHeader(const QByteArray& header);   // the 26 header bytes
    void ClearRecordingRecords();      // a single recording starts (no download pending)
    void TransferWaitDialog();         // show the transfer wait dialog
    void Block(const QByteArray& strText);            // one data block, header removed
    void BlockProgress(int nBlocksReceived);
    void RecordingComplete();          // the last block has been handed over

    void OscilloscopeData(const QByteArray& strText); // 1028 characters from "e0e0"
    // The meter text from "a0aa"; only while a download is pending (ExpectedBytes()
    // not 0): a stray marker otherwise empties the meter text.
    void DirectoryComplete(const QByteArray& strText);
    void DirectoryHead(const QByteArray& strText);    // its first 52 characters

private:
    void DetectSeries();
    void TakeMeasurementFrame();
    void HandleOtherTraffic();
    void TakeRecordingHeader(qsizetype nPos);
    void TakeOscilloscopeData(qsizetype nPos);
    void TakeLoggerData(qsizetype nPos);
    void EnterOscilloscopeMode();
    void ShowOscilloscopeMode();       // layout 10, display mode 11, the stored-waveform list
    void TrimNoise();
    void HandleBlocks();

    qsizetype FindNearFront(const char* pszMarker) const;
    // The first marker at a byte boundary, searching on where the last search
    // of nScan stopped.
    qsizetype Find(int nScan, const char* pszMarker);
    void ClearText();
    void DropFront(qsizetype nChars);
    void SendAck();
    void SetReadSize(int nBytes);

    bool Decode(const QByteArray& strFrame, int nLayout);
    void ChangeDisplayMode(int nMode);
    void CheckClock();
    QString TimeText(bool bPlusElapsed) const;

    CMeterCommandSender* m_pSender;
    CPrompt* m_pPrompt;

    QByteArray m_strMeterHex;                      // link thread only (see above)
    enum : int { kScanArm, kScanOsc, kScanLogger, kScanOscMode, kScanBlockHeader, kScanHeader1, kScanCount = kScanHeader1 + 7 };
    std::array<qsizetype, kScanCount> m_scanFrom{}; // link thread only: where each marker's search goes on
    std::atomic<bool> m_bSeries9Armed{false};
    std::atomic<bool> m_bSeries9{false};
    mutable std::mutex m_blockMutex;               //!< guards m_block; never held while a signal is emitted
    CBlockState m_block;
    std::atomic<int> m_nExpectedBytes{0};
    std::atomic<int> m_nLayout{0};
    std::atomic<int> m_nDisplayMode{0};

    MeterReading m_reading;                        // link thread only
    mutable std::mutex m_panelMutex;               //!< guards m_panelReading
    MeterReading m_panelReading;
};
