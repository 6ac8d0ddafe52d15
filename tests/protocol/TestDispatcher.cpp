#include "CProtocolFixture.h"

#include <atomic>
#include <thread>

namespace {

QByteArray Layout1(bool bSeries9 = false, float fValue = 1.5f)
{
    return CTestFrame(1, bSeries9, 27).Byte(2, 2).Float(4, fValue).Unit(12, "V").Clock(17, 25, 3, 14, 9, 8, 7).Hex();
}

QByteArray Layout2()
{
    return CTestFrame(2, false, 59).Byte(2, 1).Unit(25, "V").Clock(50, 25, 3, 14, 9, 8, 7).Hex();
}

// Recording header announcing nBlocks data blocks (bytes 21-22).
QByteArray RecordingHeader(int nBlocks)
{
    QByteArray bytes(26, '\0');
    bytes[0] = char(0xa0);
    bytes[1] = char(0xa8);
    bytes[2] = 2;
    bytes[21] = char(nBlocks);
    return bytes.toHex();
}

// Block header a0 a9 LL SS xx, LL samples of 8 bytes, then 3 bytes ending in a1.
QByteArray DataBlock(int nSequence, int nSamples)
{
    QByteArray bytes = QByteArray::fromHex("a0a9") + char(nSamples) + char(nSequence) + '\0';
    for (int i = 0; i < nSamples; ++i)
        bytes += QByteArray::fromHex("0000c03f") + char(i) + QByteArray(3, '\0');
    return bytes.toHex() + "0000a1";
}

class DispatcherTest : public CProtocolFixture
{
protected:
    DispatcherTest()
    {
        // What the logger does with a recording header: take the block count.
        QObject::connect(&m_protocol, &CMeterProtocol::RecordingHeader, &m_protocol, [this](const QByteArray& h) {
            m_protocol.SetBlockCount(quint16(quint8(h[21]) | quint8(h[22]) << 8));
        });
    }
};

TEST_F(DispatcherTest, OneCompleteFrameLeavesNothing)
{
    Feed(Layout1());
    ASSERT_EQ(m_decoded.size(), 1);
    EXPECT_FLOAT_EQ(Last().reading.m_fValue, 1.5f);
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
}

TEST_F(DispatcherTest, NoiseBeforeFrameIsDropped)
{
    // The link appends whole bytes: noise is an even number of characters.
    Feed("3c55" + Layout1());
    EXPECT_EQ(m_decoded.size(), 1);
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
}

TEST_F(DispatcherTest, HeaderAtPositionSixWaitsForTrim)
{
    Feed("123456" + Layout1());
    EXPECT_TRUE(m_decoded.isEmpty());
    EXPECT_EQ(m_protocol.MeterHex(), Layout1()); // cut to the first "a0"
    m_protocol.OnMeterData();
    EXPECT_EQ(m_decoded.size(), 1);
}

TEST_F(DispatcherTest, LaterTypeTakenWhenEarlierHeaderIsFar)
{
    Feed(Layout2() + "a080");
    ASSERT_EQ(m_decoded.size(), 1);
    EXPECT_EQ(Last().nLayout, 2);
    EXPECT_EQ(m_protocol.MeterHex(), "a080");
}

TEST_F(DispatcherTest, Series8HeaderAnywhereHidesSeries9Header)
{
    Feed(Layout1(true) + "00" + Layout1(false));
    EXPECT_TRUE(m_decoded.isEmpty());
}

TEST_F(DispatcherTest, HalfFrameCompletedByNextCall)
{
    const QByteArray strFrame = Layout1();
    Feed(strFrame.left(40));
    EXPECT_TRUE(m_decoded.isEmpty());
    EXPECT_EQ(m_protocol.MeterHex(), strFrame.left(40));
    Feed(strFrame.mid(40));
    EXPECT_EQ(m_decoded.size(), 1);
}

TEST_F(DispatcherTest, NotificationStreamDecodesEachFrameOnce)
{
    QByteArray strStream;
    for (int i = 0; i < 10; ++i)
        strStream += Layout1(false, float(i)) + Layout2();
    for (qsizetype i = 0; i < strStream.size(); i += 40)
        Feed(strStream.mid(i, 40));
    ASSERT_EQ(m_decoded.size(), 20);
    for (int i = 0; i < 10; ++i)
        EXPECT_FLOAT_EQ(m_decoded.at(2 * i).at(0).value<CDecodedReading>().reading.m_fValue, float(i));
}

TEST_F(DispatcherTest, LongNoiseIsThrownAway)
{
    Feed(QByteArray(300, '5'));
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
    Feed("77a0" + QByteArray(196, '5'));
    EXPECT_EQ(m_protocol.MeterHex(), "a0" + QByteArray(196, '5')); // cut to its first "a0"
    Feed("55");
    EXPECT_EQ(m_protocol.MeterHex().size(), 200);
    Feed("55");
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
}

TEST_F(DispatcherTest, SeriesNineNeedsArming)
{
    Feed(Layout1(true));
    EXPECT_FALSE(Last().bSeries9);
    Feed("00f8f8f8f8");
    EXPECT_TRUE(m_protocol.IsSeries9Armed());
    Feed(Layout1(true));
    EXPECT_TRUE(Last().bSeries9);
    EXPECT_FALSE(Last().bSeries8Frame);
    Feed(Layout1(false));
    EXPECT_FALSE(Last().bSeries9);
    EXPECT_FALSE(m_protocol.IsSeries9());
    EXPECT_FALSE(m_protocol.IsSeries9Armed());
}

TEST_F(DispatcherTest, RecordingHeaderStartsBlockMode)
{
    QSignalSpy stop(&m_protocol, &CMeterProtocol::StopRequestTimer);
    QSignalSpy header(&m_protocol, &CMeterProtocol::RecordingHeader);
    QSignalSpy clear(&m_protocol, &CMeterProtocol::ClearRecordingRecords);
    QSignalSpy wait(&m_protocol, &CMeterProtocol::TransferWaitDialog);

    Feed("00" + RecordingHeader(3).left(40));
    EXPECT_EQ(stop.size(), 1);
    EXPECT_TRUE(header.isEmpty());
    EXPECT_TRUE(m_sender.m_frames.empty());
    EXPECT_EQ(m_sender.m_readSizes, std::vector<int>{1000});

    Feed(RecordingHeader(3).mid(40));
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header.at(0).at(0).toByteArray(), QByteArray::fromHex(RecordingHeader(3)));
    EXPECT_EQ(clear.size(), 1);
    EXPECT_EQ(wait.size(), 1);
    EXPECT_EQ(m_sender.m_frames, std::vector{kAckFrame});
    EXPECT_EQ(m_sender.m_readSizes, (std::vector<int>{1000, 1000}));
    EXPECT_TRUE(m_protocol.IsBlockMode());
    EXPECT_TRUE(m_protocol.IsAwaitingBlockHeader());
    EXPECT_EQ(m_protocol.BlockCount(), 3);
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty());
}

TEST_F(DispatcherTest, PendingDownloadKeepsRecordingRecords)
{
    QSignalSpy clear(&m_protocol, &CMeterProtocol::ClearRecordingRecords);
    m_protocol.SetExpectedBytes(26);
    Feed(RecordingHeader(1));
    EXPECT_TRUE(m_protocol.IsBlockMode());
    EXPECT_TRUE(clear.isEmpty());
}

TEST_F(DispatcherTest, BlocksInAndOutOfSequence)
{
    QSignalSpy blocks(&m_protocol, &CMeterProtocol::Block);
    QSignalSpy progress(&m_protocol, &CMeterProtocol::BlockProgress);
    QSignalSpy complete(&m_protocol, &CMeterProtocol::RecordingComplete);
    Feed(RecordingHeader(2));
    m_sender.m_frames.clear();

    Feed(DataBlock(1, 2));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks.at(0).at(0).toByteArray(), DataBlock(1, 2).mid(10));
    EXPECT_EQ(progress.at(0).at(0).toInt(), 1);
    EXPECT_EQ(m_sender.m_frames, std::vector{kAckFrame});
    EXPECT_TRUE(m_protocol.IsAwaitingBlockHeader());

    // Sequence 3 skips 2: header dropped, its samples not taken.
    Feed(DataBlock(3, 2));
    EXPECT_EQ(m_protocol.BlocksReceived(), 1);
    EXPECT_EQ(blocks.size(), 1);

    // The right header, behind the rest of the dropped block; samples in later notifications.
    Feed(DataBlock(2, 3).left(10));
    EXPECT_EQ(m_protocol.BlocksReceived(), 2);
    EXPECT_EQ(m_protocol.BlockRecords(), 3);
    Feed(DataBlock(2, 3).mid(10, 30));
    EXPECT_TRUE(complete.isEmpty());
    Feed(DataBlock(2, 3).mid(40));
    ASSERT_EQ(complete.size(), 1);
    EXPECT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks.at(1).at(0).toByteArray(), DataBlock(2, 3).mid(10));
    EXPECT_FALSE(m_protocol.IsBlockMode());
    EXPECT_EQ(m_sender.m_frames.size(), 1u); // the last block is not acknowledged here
}

TEST_F(DispatcherTest, NoMeasurementFrameDuringTransfer)
{
    Feed(RecordingHeader(2));
    Feed(Layout1());
    EXPECT_TRUE(m_decoded.isEmpty());
    m_protocol.LeaveBlockMode();
    m_protocol.ClearMeterHex();
    Feed(Layout1());
    EXPECT_EQ(m_decoded.size(), 1);
}

TEST_F(DispatcherTest, OscilloscopeDataHandedOverWhole)
{
    QByteArray strWave = "e0e0";
    while (strWave.size() < 1028)
        strWave += "5a";
    QByteArray strSeen;
    QObject::connect(&m_protocol, &CMeterProtocol::OscilloscopeData, &m_protocol,
                     [&](const QByteArray&) { strSeen = m_protocol.MeterHex(); });
    QSignalSpy wave(&m_protocol, &CMeterProtocol::OscilloscopeData);

    Feed("1234" + strWave.left(500));
    EXPECT_TRUE(wave.isEmpty());
    EXPECT_EQ(m_protocol.MeterHex(), strWave.left(500));
    Feed(strWave.mid(500) + "abcd");
    ASSERT_EQ(wave.size(), 1);
    EXPECT_EQ(wave.at(0).at(0).toByteArray(), strWave);
    EXPECT_EQ(strSeen, strWave + "abcd"); // removed only after the handler returned
    EXPECT_EQ(m_protocol.MeterHex(), "abcd");
    EXPECT_EQ(m_sender.m_readSizes, (std::vector<int>{512, 512}));
}

TEST_F(DispatcherTest, OscilloscopeModeTrimsMarkers)
{
    QSignalSpy list(&m_protocol, &CMeterProtocol::ShowOscList);
    Feed("77" + QByteArray("a2").repeated(9) + "99");
    EXPECT_EQ(m_protocol.MeterHex(), "a299");
    EXPECT_EQ(m_protocol.Layout(), 10);
    EXPECT_EQ(m_protocol.DisplayMode(), 11);
    EXPECT_EQ(list.size(), 1);

    m_protocol.ClearMeterHex();
    Feed("55a2a2" + QByteArray(100, '5'));
    EXPECT_EQ(m_protocol.MeterHex().size(), 106); // no trimming behind a lone "a2a2"
    Feed(QByteArray(100, '5'));
    EXPECT_TRUE(m_protocol.MeterHex().isEmpty()); // but it does not hold the text for ever

    m_protocol.ResetDisplay(); // the panel was blanked
    EXPECT_EQ(m_protocol.DisplayMode(), 0);
    EXPECT_EQ(m_protocol.Layout(), -1);
}

TEST_F(DispatcherTest, ScreensAfterABlankedPanelBringTheOscilloscopeModeBack)
{
    QByteArray strWave = "e0e0";
    while (strWave.size() < 1028)
        strWave += "5a";
    QSignalSpy list(&m_protocol, &CMeterProtocol::ShowOscList);
    QSignalSpy modes(&m_protocol, &CMeterProtocol::DisplayModeChanged);
    QSignalSpy close(&m_protocol, &CMeterProtocol::CloseOscWindow);
    Feed("a2a2a2a2");
    Feed(strWave);
    Feed(strWave);
    EXPECT_EQ(list.size(), 1); // told once while it holds
    EXPECT_EQ(modes.size(), 1);

    // A pause blanks the panel; the meter goes on with its screens and no new marker.
    m_protocol.ResetDisplay();
    Feed(strWave);
    EXPECT_EQ(m_protocol.Layout(), CMeterProtocol::kOscilloscopeLayout);
    EXPECT_EQ(m_protocol.DisplayMode(), 11);
    EXPECT_EQ(list.size(), 2);
    ASSERT_EQ(modes.size(), 2);
    EXPECT_EQ(modes.last().at(0).toInt(), 11);
    EXPECT_TRUE(close.isEmpty()); // the scope window stays
}

TEST_F(DispatcherTest, LoggerDirectory)
{
    QSignalSpy head(&m_protocol, &CMeterProtocol::DirectoryHead);
    QSignalSpy done(&m_protocol, &CMeterProtocol::DirectoryComplete);
    const QByteArray strEntry = "a0aa0102" + QByteArray(44, '0');
    m_protocol.SetExpectedBytes(5200);
    Feed("99" + strEntry);
    ASSERT_EQ(head.size(), 1);
    EXPECT_EQ(head.at(0).at(0).toByteArray(), strEntry);
    EXPECT_TRUE(done.isEmpty());
    EXPECT_TRUE(m_protocol.IsSeries9Armed());
    EXPECT_EQ(m_sender.m_readSizes, std::vector<int>{100});

    m_protocol.SetExpectedBytes(26 * 2);
    QObject::connect(&m_protocol, &CMeterProtocol::DirectoryComplete, &m_protocol, [this] { m_protocol.ClearMeterHex(); });
    Feed(strEntry);
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done.at(0).at(0).toByteArray(), strEntry + strEntry);
    EXPECT_EQ(head.size(), 1);
}

TEST_F(DispatcherTest, MeterTextIsBounded)
{
    m_protocol.SetExpectedBytes(CMeterProtocol::kMaxMeterHex); // a directory never complete
    for (int i = 0; i < 40; ++i)
        Feed("a0aa" + QByteArray(1996, '1'));
    EXPECT_LE(m_protocol.MeterHex().size(), CMeterProtocol::kMaxMeterHex);
    EXPECT_EQ(m_protocol.MeterHex().size() % 2, 0);
}

TEST_F(DispatcherTest, SurvivesArbitraryTraffic)
{
    // Pieces of every kind of traffic, cut at random places and shuffled.
    const QByteArray pieces[] = {Layout1(), Layout2(), Layout1(true), "f8f8f8f8", RecordingHeader(2),
                                 DataBlock(1, 3), DataBlock(2, 255), "e0e0" + QByteArray(1100, 'e'),
                                 "a0aa" + QByteArray(60, '0'), "a2a2a2a2", "a1a0a9", "zz"};
    m_protocol.SetExpectedBytes(5200);
    quint32 nSeed = 7;
    auto next = [&nSeed](quint32 n) { nSeed = nSeed * 1103515245u + 12345u; return (nSeed >> 8) % n; };
    for (int i = 0; i < 20000; ++i) {
        const QByteArray& piece = pieces[next(std::size(pieces))];
        const qsizetype nFrom = next(quint32(piece.size()));
        Feed(piece.mid(nFrom, 1 + next(80)));
        ASSERT_LE(m_protocol.MeterHex().size(), CMeterProtocol::kMaxMeterHex);
    }
    // Whatever state that left (typically a transfer that never ends), abandoning
    // the transfer brings live readings back.
    m_protocol.LeaveBlockMode();
    m_protocol.ClearMeterHex();
    const qsizetype nDecoded = m_decoded.size();
    Feed(Layout1());
    EXPECT_EQ(m_decoded.size(), nDecoded + 1);
}

} // namespace

TEST_F(DispatcherTest, MarkersCountOnlyAtByteBoundaries)
{
    // A stray 3-byte notification between frames: its "a0" and the next frame's
    // "a0 80" make "a0aa" and "a080" at odd positions, which are not markers.
    QList<QByteArray> notifications;
    for (int i = 0; i < 30; ++i) {
        const QByteArray frame = Layout1(false, float(i));
        for (qsizetype n = 0; n < frame.size(); n += 40)
            notifications << frame.mid(n, 40);
        if (i % 10 == 4)
            notifications << QByteArrayLiteral("0a0aa0");
    }
    for (const QByteArray& n : notifications)
        Feed(n);
    ASSERT_EQ(m_decoded.size(), 30);
    for (int i = 0; i < 30; ++i)
        EXPECT_FLOAT_EQ(m_decoded.at(i).at(0).value<CDecodedReading>().reading.m_fValue, float(i));

    // "f8f8f8f8" straddling bytes (inside other data) does not arm series 9.
    Feed("0f8f8f8f80");
    EXPECT_FALSE(m_protocol.IsSeries9Armed());
    Feed("00f8f8f8f8");
    EXPECT_TRUE(m_protocol.IsSeries9Armed());
}

TEST_F(DispatcherTest, LongTextIsSearchedOnWhereTheLastSearchStopped)
{
    // An oscilloscope screen arriving in small notifications: the marker
    // searches resume, and a marker split across two notifications is found.
    m_protocol.SetExpectedBytes(0);
    QSignalSpy osc(&m_protocol, &CMeterProtocol::OscilloscopeData);
    QByteArray screen = "e0e0" + QByteArray(1024, '3');
    Feed("1111e0");
    Feed("e0" + screen.mid(4, 36));
    for (qsizetype n = 40; n < screen.size(); n += 40)
        Feed(screen.mid(n, 40));
    ASSERT_EQ(osc.size(), 1);
    EXPECT_EQ(osc.at(0).at(0).toByteArray(), screen);
}

TEST_F(DispatcherTest, BlockModeFieldsAreNeverSeenHalfChanged)
{
    // The watchdog leaves block mode on the GUI thread while a download enters it.
    std::atomic<bool> bStop { false };
    std::atomic<int> nTorn { 0 };
    std::thread reader([&] {
        while (!bStop) {
            const CMeterProtocol::CBlockState st = m_protocol.BlockState();
            // Entering sets all four, leaving clears both flags: nothing in between.
            if (st.bAwaitHeader != st.bBlockMode || (st.bBlockMode && (st.nReceived != 0 || st.nRecords != 0)))
                ++nTorn;
        }
    });
    for (int i = 0; i < 200000; ++i) {
        m_protocol.EnterBlockMode();
        m_protocol.LeaveBlockMode();
    }
    bStop = true;
    reader.join();
    EXPECT_EQ(nTorn, 0);
}
