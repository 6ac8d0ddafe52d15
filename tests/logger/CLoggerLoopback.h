#pragma once

#include "link/CMeterCommandSender.h"
#include "protocol/CMeterProtocol.h"
#include "sim/CSimLoggerMemory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>
#include <vector>

// The simulated logger wired straight to the dispatcher, without a port or a
// thread: frames sent to the meter reach the logger memory, its answers are
// fed back as notifications of at most 20 bytes when the test pumps.
class CLoggerLoopback : public CMeterCommandSender
{
public:
    explicit CLoggerLoopback(const CSimLoggerMemory::Setup& setup)
        : m_memory(setup)
    {
        m_memory.Start(0);
    }

    void Attach(CMeterProtocol* pProtocol) { m_pProtocol = pProtocol; }

    bool SendKeyFrame(const std::array<quint8, 4>& frame) override
    {
        m_frames.push_back(frame);
        if (m_bConnected)
            m_memory.OnCommand(QByteArray(reinterpret_cast<const char*>(frame.data()), 4));
        return true;
    }
    void SetReadSize(int) override {}

    // Feeds whatever the logger has sent; true when there was something.
    bool Pump(qint64 nowMs = 0)
    {
        bool bAny = false;
        for (const QByteArray& frame : m_memory.Poll(nowMs)) {
            bAny = true;
            for (qsizetype i = 0; i < frame.size(); i += 20) {
                m_pProtocol->AppendMeterHex(frame.mid(i, 20).toHex());
                m_pProtocol->OnMeterData();
            }
        }
        return bAny;
    }
    // Pumps and runs the event loop until fnDone() holds (false after nTimeoutMs).
    bool RunUntil(const std::function<bool()>& fnDone, int nTimeoutMs = 5000)
    {
        const QDeadlineTimer deadline(nTimeoutMs);
        while (!fnDone()) {
            if (deadline.hasExpired())
                return false;
            if (!Pump())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    // The 4-byte frames sent, as hex text ("b09500b1").
    std::vector<QByteArray> FramesHex() const
    {
        std::vector<QByteArray> out;
        for (const auto& frame : m_frames)
            out.push_back(QByteArray(reinterpret_cast<const char*>(frame.data()), 4).toHex());
        return out;
    }
    // The frames sent other than acknowledgements.
    std::vector<QByteArray> Requests() const
    {
        std::vector<QByteArray> out;
        for (const QByteArray& frame : FramesHex())
            if (frame != "f30001f4")
                out.push_back(frame);
        return out;
    }

    CSimLoggerMemory m_memory;
    bool m_bConnected = true; //!< false: frames are sent into the void
    std::vector<std::array<quint8, 4>> m_frames;

private:
    CMeterProtocol* m_pProtocol = nullptr;
};
