#pragma once

#include "CPromptRecorder.h"
#include "CTestFrame.h"
#include "link/CMeterCommandSender.h"
#include "protocol/CMeterProtocol.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <vector>

// Records what the dispatcher sends to the meter and asks of the reader.
class CFakeSender : public CMeterCommandSender
{
public:
    bool SendKeyFrame(const std::array<quint8, 4>& frame) override
    {
        m_frames.push_back(frame);
        return true;
    }
    void SetReadSize(int nBytes) override { m_readSizes.push_back(nBytes); }

    std::vector<std::array<quint8, 4>> m_frames;
    std::vector<int> m_readSizes;
};

inline const std::array<quint8, 4> kAckFrame = {0xf3, 0x00, 0x01, 0xf4};

class CProtocolFixture : public ::testing::Test
{
protected:
    // One notification as the link delivers it.
    void Feed(const QByteArray& strHex)
    {
        m_protocol.AppendMeterHex(strHex);
        m_protocol.OnMeterData();
    }
    CDecodedReading Last() const { return m_decoded.last().at(0).value<CDecodedReading>(); }
    MeterReading Decode(const CTestFrame& frame)
    {
        Feed(frame.Hex());
        EXPECT_FALSE(m_decoded.isEmpty());
        return m_decoded.isEmpty() ? MeterReading{} : Last().reading;
    }

    CFakeSender m_sender;
    CPromptRecorder m_prompt;
    CMeterProtocol m_protocol{&m_sender, &m_prompt};
    QSignalSpy m_decoded{&m_protocol, &CMeterProtocol::ReadingDecoded};
    QSignalSpy m_panel{&m_protocol, &CMeterProtocol::PanelShow};
};
