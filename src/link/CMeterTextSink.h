#pragma once

#include <QByteArray>

// Where the link thread puts the meter's notification payload. Every call is
// made on the link thread, outside the receive lock.
class CMeterTextSink
{
public:
    virtual ~CMeterTextSink() = default;

    // The link to the meter has just come up: forget any old meter text.
    virtual void ClearMeterHex() = 0;
    // Appends the payload of one notification, two lowercase hex digits per byte.
    virtual void AppendMeterHex(const QByteArray& strHex) = 0;
    // Runs the frame dispatcher once over the meter text.
    virtual void OnMeterData() = 0;
};
