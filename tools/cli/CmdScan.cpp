#include "CCliOutput.h"
#include "CCliSession.h"
#include "CliVerbs.h"

#include <QTimer>

#include <chrono>

namespace {
int RunScan(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    int nRows = 0;
    QObject::connect(&session.Link(), &CMeterLink::DeviceFound, &session,
                     [&nRows](const QString& strName, const QString& strAddress, int nRssi) {
                         PrintLine(QStringLiteral("%1\t%2\t%3\t%4").arg(nRows++).arg(strName, strAddress).arg(nRssi));
                     });
    QTimer::singleShot(std::chrono::milliseconds(qint64(session.Seconds() * 1000)), &session, [&] {
        if (nRows == 0)
            session.Fail(QStringLiteral("no meter found on %1").arg(session.Port()), CliStatus::kNotFound);
        else
            session.Finish(CliStatus::kOk);
    });
    if (!session.OpenAndScan())
        return CliStatus::kPortUnavailable;
    return session.Exec();
}
}

CCliVerb ScanVerb()
{
    return { QStringLiteral("scan"), QStringLiteral("--port PORT [--seconds N]"),
             QStringLiteral("list the meters in reach"),
             QStringLiteral("Lists the meters in reach, one per line: id, name, address, rssi (tab-separated)."),
             CCliSession::LinkOptions(false, QStringLiteral("Scan for N seconds."), QStringLiteral("10")),
             RunScan };
}
