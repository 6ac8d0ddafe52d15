#include "COscTestFrame.h"
#include "CPromptRecorder.h"
#include "scope/COscSlots.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class OscSlots : public ::testing::Test
{
protected:
    CPromptRecorder m_prompt;
    COscSlots m_slots{&m_prompt};
    QSignalSpy m_live{&m_slots, &COscSlots::LiveWaveform};
    QSignalSpy m_status{&m_slots, &COscSlots::SlotStatus};
};

TEST_F(OscSlots, LiveScreenGoesToTheWindowByValue)
{
    COscTestFrame frame;
    frame.Sample(0, 160).Date(2025, 3, 14, 9, 30, 5, 0);
    EXPECT_EQ(m_slots.DecodeOscFrame(frame.Hex()), 0);
    ASSERT_EQ(m_live.size(), 1);
    const OscRecord record = m_live.at(0).at(0).value<OscRecord>();
    EXPECT_FLOAT_EQ(record.m_samples[0], 1.0f);
    EXPECT_EQ(m_live.at(0).at(1).toString(), "0 03/14/2025 09:30:05");
    EXPECT_EQ(m_slots.Slot(0), record);
    EXPECT_TRUE(m_status.isEmpty());
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}

TEST_F(OscSlots, StoredSlotsUpdateTheirButtonsAndSlotTenAll)
{
    for (int n = 1; n <= 9; ++n) {
        COscTestFrame frame;
        frame.Set(52, n).Set(0, n % 4 + 1);
        EXPECT_EQ(m_slots.DecodeOscFrame(frame.Hex()), n);
        ASSERT_EQ(m_status.size(), n);
        EXPECT_EQ(m_status.last().at(0).toInt(), n);
        EXPECT_EQ(m_status.last().at(1).toInt(), n % 4 + 1);
        EXPECT_EQ(m_slots.Slot(n).m_slot, n);
    }
    m_status.clear();
    COscTestFrame last;
    last.Set(52, 10).Set(0, 2);
    EXPECT_EQ(m_slots.DecodeOscFrame(last.Hex()), 10);
    ASSERT_EQ(m_status.size(), 10);
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(m_status.at(n - 1).at(0).toInt(), n);
        EXPECT_EQ(m_status.at(n - 1).at(1).toInt(), n == 10 ? 2 : n % 4 + 1);
    }
    EXPECT_TRUE(m_live.isEmpty());
    EXPECT_EQ(m_slots.Statuses()[0], 0); // no live screen yet
    EXPECT_EQ(m_slots.Statuses()[10], 2);
}

TEST_F(OscSlots, SlotAboveTenIsRefused)
{
    COscTestFrame frame;
    frame.Set(52, 11).Set(0, 1);
    EXPECT_EQ(m_slots.DecodeOscFrame(frame.Hex()), -1);
    EXPECT_EQ(m_prompt.Texts(), QStringList{"number is wrong!"});
    EXPECT_TRUE(m_live.isEmpty());
    EXPECT_TRUE(m_status.isEmpty());
    for (int n = 0; n < COscSlots::kSlotCount; ++n)
        EXPECT_EQ(m_slots.Slot(n).m_valid, 0) << "slot " << n;
    frame.Set(52, 255);
    EXPECT_EQ(m_slots.DecodeOscFrame(frame.Hex()), -1);
    EXPECT_EQ(m_prompt.Texts().size(), 2);
}

TEST_F(OscSlots, TextThatIsNoFrameChangesNothingSilently)
{
    EXPECT_EQ(m_slots.DecodeOscFrame(COscTestFrame().Hex().left(600)), -1);
    EXPECT_EQ(m_slots.DecodeOscFrame(QByteArray(1028, 'z')), -1);
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
    EXPECT_TRUE(m_live.isEmpty());
    EXPECT_EQ(m_slots.Slot(0).m_valid, 0);
    EXPECT_EQ(m_slots.Slot(-1), OscRecord{});
    EXPECT_EQ(m_slots.Slot(11), OscRecord{});
}

TEST_F(OscSlots, DecodesOnTheLinkThreadAndDeliversQueuedCopies)
{
    // A receiver on this thread gets the record through the event loop, while
    // the decoding thread goes on overwriting slot 0.
    QList<OscRecord> received;
    QObject receiver;
    QObject::connect(&m_slots, &COscSlots::LiveWaveform, &receiver,
                     [&](const OscRecord& record, const QString&) { received << record; }, Qt::QueuedConnection);
    QThread* pThread = QThread::create([this] {
        for (int n = 0; n < 20; ++n) {
            COscTestFrame frame;
            frame.Set(18, n);
            m_slots.DecodeOscFrame(frame.Hex());
        }
    });
    pThread->start();
    ASSERT_TRUE(pThread->wait(30000));
    delete pThread;
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 20);
    for (int n = 0; n < 20; ++n)
        EXPECT_EQ(received[n].m_page, n);
    EXPECT_EQ(m_slots.Slot(0).m_page, 19);
}

} // namespace
