#include "scope/COscSlots.h"

#include "base/CProgramInfo.h"
#include "link/CPrompt.h"
#include "scope/COscDecoder.h"
#include "scope/COscText.h"

COscSlots::COscSlots(CPrompt* pPrompt, QObject* pParent)
    : QObject(pParent)
    , m_pPrompt(pPrompt)
{
    qRegisterMetaType<OscRecord>();
    for (int n = 0; n < kSlotCount; ++n)
        m_oscSlots[size_t(n)].m_slot = n;
}

int COscSlots::DecodeOscFrame(const QByteArray& strText)
{
    OscRecord record;
    // Text that is no frame is dropped silently, like any other unreadable meter text.
    if (!COscDecoder::Decode(strText, &record))
        return -1;
    const int nSlot = record.m_slot;
    if (nSlot > kMaxStoredSlot) {
        if (m_pPrompt)
            m_pPrompt->Message(WrongNumberText(), CProgramInfo::Name(), CPrompt::Warning);
        return -1;
    }
    std::array<int, kSlotCount> arrStatuses{};
    {
        std::lock_guard lock(m_mutex);
        m_oscSlots[size_t(nSlot)] = record;
        for (int n = 0; n < kSlotCount; ++n)
            arrStatuses[size_t(n)] = m_oscSlots[size_t(n)].m_status;
    }
    if (nSlot == 0) {
        emit LiveWaveform(record, COscText::LiveInfo(record));
    } else if (nSlot < kMaxStoredSlot) {
        emit SlotStatus(nSlot, record.m_status);
    } else {
        for (int n = 1; n <= kMaxStoredSlot; ++n)
            emit SlotStatus(n, arrStatuses[size_t(n)]);
    }
    return nSlot;
}

OscRecord COscSlots::Slot(int nSlot) const
{
    if (nSlot < 0 || nSlot >= kSlotCount)
        return {};
    std::lock_guard lock(m_mutex);
    return m_oscSlots[size_t(nSlot)];
}

std::array<int, COscSlots::kSlotCount> COscSlots::Statuses() const
{
    std::array<int, kSlotCount> arrStatuses{};
    std::lock_guard lock(m_mutex);
    for (int n = 0; n < kSlotCount; ++n)
        arrStatuses[size_t(n)] = m_oscSlots[size_t(n)].m_status;
    return arrStatuses;
}
