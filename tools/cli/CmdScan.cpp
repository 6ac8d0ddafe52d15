#include "CCliSession.h"
#include "CliVerbs.h"

#include <QTimer>

int RunScan(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("List the meters in reach: id, name, address, rssi (tab-separated)."));
    CCliSession session(parser);
    if (!session.Parse(args, false))
        return 64;
    const double dSeconds = session.Seconds() > 0 ? session.Seconds() : 10.0;
    int nRows = 0;
    QObject::connect(&session.Link(), &CMeterLink::DeviceFound, &session,
                     [&nRows](const QString& strName, const QString& strAddress, int nRssi) {
                         PrintLine(QStringLiteral("%1\t%2\t%3\t%4").arg(nRows++).arg(strName, strAddress).arg(nRssi));
                     });
    if (!session.Link().Scan(session.Port()))
        return 2;
    QTimer::singleShot(int(dSeconds * 1000), &session, [&] {
        if (nRows == 0)
            session.Fail(QStringLiteral("no meter found on %1").arg(session.Port()), 4);
        else
            session.Finish(0);
    });
    return session.Exec();
}
