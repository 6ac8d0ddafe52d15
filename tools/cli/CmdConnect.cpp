#include "CCliSession.h"
#include "CliVerbs.h"

#include "link/CMeterTextSink.h"

namespace {
// Prints each notification payload as one hex line (on the link thread).
class CHexLinePrinter : public CMeterTextSink
{
public:
    void ClearMeterHex() override {}
    void AppendMeterHex(const QByteArray& strHex) override { PrintLine(QString::fromLatin1(strHex)); }
    void OnMeterData() override {}
};
}

int RunConnect(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Connect to a meter and print each notification payload as a hex line."));
    CCliSession session(parser);
    if (!session.Parse(args, false))
        return 64;
    CHexLinePrinter printer;
    session.Link().SetMeterTextSink(&printer);
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    return session.Exec();
}
