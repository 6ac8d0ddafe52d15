#pragma once

#include "scope/OscRecord.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <mutex>

class CPrompt;

// The eleven waveform slots: 0 the meter's live screen, 1..10 the waveforms
// stored in the meter. DecodeOscFrame takes the dispatcher's oscilloscope
// hand-off (CMeterProtocol::OscilloscopeData) and tells the windows what
// changed through signals that carry values, so a window never reads a slot
// another thread is writing.
//
// Threads: DecodeOscFrame and the accessors may be called from any thread
// (the link thread, with a direct connection to OscilloscopeData); the signals
// are emitted on the calling thread and are meant for queued connections to
// the GUI thread.
class COscSlots : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSlotCount = 11;
    static constexpr int kMaxStoredSlot = kSlotCount - 1;

    // pPrompt shows "number is wrong!"; null shows nothing.
    explicit COscSlots(CPrompt* pPrompt, QObject* pParent = nullptr);

    // Decodes one frame (1028 characters from "e0e0") into its slot. Returns
    // the slot, or -1 when the text is no frame or its slot is above 10 (then
    // the user is told and no slot changes).
    int DecodeOscFrame(const QByteArray& strText);

    // A copy of slot n (0..10); an empty record for any other n.
    OscRecord Slot(int nSlot) const;
    // The status byte of each slot, 0 for a slot that holds nothing.
    std::array<int, kSlotCount> Statuses() const;

    // The message for a slot number above 10.
    static QString WrongNumberText() { return QStringLiteral("number is wrong!"); }

signals:
    // Slot 0 was decoded: the scope window shows record with the information line strInfo.
    void LiveWaveform(const OscRecord& record, const QString& strInfo);
    // The list button of stored slot nSlot (1..10) should show nStatus. Emitted for
    // the slot decoded, and for all ten slots when slot 10 (the last the meter sends) arrives.
    void SlotStatus(int nSlot, int nStatus);

private:
    CPrompt* m_pPrompt;
    mutable std::mutex m_mutex;                    //!< guards m_oscSlots
    std::array<OscRecord, kSlotCount> m_oscSlots;
};
