// The frame dispatcher with every decoder behind it: the seven measurement
// layouts, the logger's directory, header and blocks (through the download's
// own handlers) and the oscilloscope frame. The input is a control byte, then
// notifications as the link hands them over: one length byte and that many bytes.
#include "link/CMeterCommandSender.h"
#include "link/CPrompt.h"
#include "logger/CLoggerDownload.h"
#include "protocol/CMeterProtocol.h"
#include "scope/COscDecoder.h"
#include "scope/OscRecord.h"

#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class CNullSender : public CMeterCommandSender
{
public:
    bool SendKeyFrame(const std::array<quint8, 4>&) override { return true; }
    void SetReadSize(int nBytes) override
    {
        if (nBytes < 1 || nBytes > 2048)
            std::abort(); // outside what the reader accepts
    }
};

class CNullPrompt : public CPrompt
{
public:
    void Message(const QString&, const QString&, Icon) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv)
{
    // The download hands on to its own thread with queued calls.
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1)
        return 0;
    CNullSender sender;
    CNullPrompt prompt;
    CMeterProtocol protocol(&sender, &prompt);
    CLoggerDownload download(protocol, &sender, &prompt);
    QObject::connect(&protocol, &CMeterProtocol::OscilloscopeData, &protocol,
                     [](const QByteArray& strText) {
                         OscRecord record;
                         COscDecoder::Decode(strText, &record);
                     },
                     Qt::DirectConnection);

    // The control byte chooses what the user started before the bytes arrive.
    const uint8_t nControl = pData[0];
    if (nControl & 1)
        protocol.SetSeries9Armed(true);
    if (nControl & 2)
        download.OnDownloadLogger();
    else if (nControl & 4)
        download.ListDirectory();

    size_t nOffset = 1;
    while (nOffset < nSize) {
        const size_t nChunk = std::min<size_t>(pData[nOffset], nSize - nOffset - 1);
        ++nOffset;
        const QByteArray bytes(reinterpret_cast<const char*>(pData + nOffset), qsizetype(nChunk));
        nOffset += nChunk;
        protocol.AppendMeterHex(bytes.toHex());
        protocol.OnMeterData();
        if (protocol.MeterHex().size() > CMeterProtocol::kMaxMeterHex)
            std::abort(); // the bound must hold whatever arrives
        QCoreApplication::sendPostedEvents();
    }

    // Each decoder on the whole input as one frame: they must refuse what is not theirs.
    const QByteArray frame = QByteArray(reinterpret_cast<const char*>(pData + 1), qsizetype(nSize - 1)).toHex();
    protocol.DecodeLayout1(frame);
    protocol.DecodeLayout2(frame);
    protocol.DecodeLayout3(frame);
    protocol.DecodeLayout4(frame);
    protocol.DecodeLayout5(frame);
    protocol.DecodeLayout6(frame);
    protocol.DecodeLayout7(frame);
    download.Cancel();
    QCoreApplication::sendPostedEvents();
    return 0;
}
