#pragma once

#include "scope/OscRecord.h"

#include <QByteArrayView>
#include <QString>

// Turns one oscilloscope frame into an OscRecord. The frame is hexadecimal
// text of 514 bytes as the dispatcher hands it over ("e0e0" first); payload
// byte k is frame byte k + 2, multi-byte numbers are big-endian.
//
// Pure and reentrant: any thread may call it.
class COscDecoder
{
public:
    static constexpr int kPayloadBytes = 510;
    static constexpr int kFrameBytes = 514;
    static constexpr int kFrameChars = 2 * kFrameBytes;

    // Payload offsets.
    static constexpr int kStatus = 0;
    static constexpr int kRateCode = 1;
    static constexpr int kVoltCode = 2;
    static constexpr int kHighLevel = 7;
    static constexpr int kLowLevel = 8;
    static constexpr int kCoupling = 10;
    static constexpr int kSpeed = 11;
    static constexpr int kFftVpp = 12;
    static constexpr int kFftFreq = 14;
    static constexpr int kFftPeriod = 16;
    static constexpr int kPage = 18;
    static constexpr int kTrigger = 19;
    static constexpr int kCrossing1 = 30;
    static constexpr int kCrossing2 = 32;
    static constexpr int kFftFreqSelect = 35;
    static constexpr int kTriggerLevel = 36;
    static constexpr int kDate = 40;           // year (2 bytes), date1, date2, hour, minute, second, order
    static constexpr int kRateLabels = 50;
    static constexpr int kSlot = 52;
    static constexpr int kSamples = 80;
    static constexpr int kBars = 390;
    static constexpr int kMaxFirstBar = 15;

    // Decodes strFrame (at least kFrameChars - 4 characters after the first four,
    // which are not read; hex digits of either case). Returns false and leaves
    // *pRecord alone when the text is too short or holds a non-hex character.
    // The slot byte is copied into m_slot whatever its value: refusing slots
    // above 10 is the caller's decision.
    static bool Decode(QByteArrayView strFrame, OscRecord* pRecord, QString* pstrError = nullptr);

    // The payload bytes of a frame text, or an empty array when it is not one.
    static QByteArray Payload(QByteArrayView strFrame);
    // Decodes a payload of kPayloadBytes bytes.
    static OscRecord DecodePayload(const QByteArray& payload);
};
