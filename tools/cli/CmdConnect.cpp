#include "CCliOutput.h"
#include "CCliSession.h"
#include "CliVerbs.h"

#include "link/CMeterTextSink.h"

namespace {
// Prints each notification payload as one hex line (on the link thread).
class CHexLinePrinter : public CMeterTextSink
{
public:
    void ClearMeterHex() override {}
    void AppendMeterHex(const QByteArray& strHex) override { CliOutput::Write(strHex + '\n'); }
    void OnMeterData() override {}
};

int RunConnect(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    CHexLinePrinter printer;
    session.Link().SetMeterTextSink(&printer);
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    const int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    return nStatus;
}
}

CCliVerb ConnectVerb()
{
    return { QStringLiteral("connect"), QStringLiteral("--port PORT [--mac ADDRESS] [--seconds N]"),
             QStringLiteral("print the meter's notification payloads as hex"),
             QStringLiteral("Connects to a meter and prints each notification payload as a hex line."),
             CCliSession::LinkOptions(true, QStringLiteral("Stop after N seconds (default: run until Ctrl-C).")),
             RunConnect };
}
