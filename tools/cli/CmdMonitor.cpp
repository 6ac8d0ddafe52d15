#include "CCliOutput.h"
#include "CCliPublish.h"
#include "CCliSession.h"
#include "CReconnect.h"
#include "CliVerbs.h"

#include "protocol/CMeterProtocol.h"
#include "protocol/CReadingFormat.h"

#include <QDateTime>

#include <atomic>

namespace {
int RunMonitor(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    const QString strFormat = parser.value(QStringLiteral("format"));
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --format '%1': want tsv or json").arg(strFormat));
    CCliPublish publish(session);
    if (const int nStatus = publish.Setup(verb, parser))
        return nStatus;
    const qint64 nCount = session.Count();
    const bool bJson = strFormat == QLatin1String("json");
    if (!bJson && !CliOutput::Write(ReadingFormat::TsvHeader()))
        return CliOutput::FailureStatus();

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    std::atomic<qint64> nPrinted { 0 };
    // Printed on the link thread as decoded, so nothing queues up behind a busy loop.
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, &protocol,
                     [&](const CDecodedReading& d) {
                         if (nCount > 0 && nPrinted >= nCount)
                             return;
                         const QDateTime received = QDateTime::currentDateTime();
                         if (!CliOutput::Write(bJson ? ReadingFormat::JsonLine(d, received) : ReadingFormat::TsvLine(d, received)))
                             return;
                         publish.OnReading(d, received);
                         if (++nPrinted == nCount)
                             session.Post([&session] { session.Finish(CliStatus::kOk); });
                     },
                     Qt::DirectConnection);
    if (session.Reconnect())
        new CReconnect(session);
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    const int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    return publish.Finish(nStatus);
}
}

CCliVerb MonitorVerb()
{
    CCliVerb verb { QStringLiteral("monitor"),
                    QStringLiteral("--port PORT [--mac ADDRESS] [--count N] [--seconds N] [--format tsv|json] [--reconnect] ") + CCliPublish::Usage(),
                    QStringLiteral("print every decoded reading"),
                    QStringLiteral(
                        "Prints every decoded reading, one line each. TSV starts with a header line and has the same\n"
                        "columns for every layout (empty where a layout has no such field): the computer's receive\n"
                        "time (ISO 8601), the meter's time text, function, value (with the meter's decimals), unit,\n"
                        "decimals, layout, series, record kind, then the secondary and auxiliary values. JSON gives\n"
                        "one object per line with the fields of the reading's layout; numbers are the shortest text\n"
                        "that reads back as the meter's value."),
                    CCliSession::LinkOptions(true, QStringLiteral("Stop after N seconds (default: run until Ctrl-C)."),
                                             QString(), QStringLiteral("Stop after N readings; 0: no limit.")),
                    RunMonitor };
    verb.options << QCommandLineOption(QStringLiteral("format"), QStringLiteral("tsv or json."), QStringLiteral("FORMAT"),
                                       QStringLiteral("tsv"))
                 << CCliSession::ReconnectOption() << CCliPublish::Options();
    return verb;
}
