#pragma once

#include <QtGlobal>

#include <array>

// What the frame dispatcher needs from the link. Both calls are safe from any thread.
class CMeterCommandSender
{
public:
    virtual ~CMeterCommandSender() = default;

    // Sends a 4-byte command frame to the meter; false when it could not be written
    // (the failure has then been reported to the user and the port closed).
    virtual bool SendKeyFrame(const std::array<quint8, 4>& frame) = 0;
    // Bytes per read request of the serial reader from the next read on (1..2048).
    virtual void SetReadSize(int nBytes) = 0;
};
