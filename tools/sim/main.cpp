// meter-sim: a simulated dongle and meter behind a pseudo-terminal.
#include "base/CProgramInfo.h"
#include "sim/CSimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>
#include <csignal>
#include <cstdio>

namespace {
CSimServer* g_pServer = nullptr;

void OnSignal(int)
{
    if (g_pServer)
        g_pServer->Stop();
}

bool ParseMeter(const QString& strMeter, CSimAdvertiser* pAdv)
{
    // NAME@aa:bb:cc:dd:ee:ff[,RSSI]
    const int nAt = int(strMeter.indexOf(QLatin1Char('@')));
    if (nAt <= 0)
        return false;
    pAdv->strName = strMeter.left(nAt);
    const QStringList rest = strMeter.mid(nAt + 1).split(QLatin1Char(','));
    const QStringList groups = rest.value(0).split(QLatin1Char(':'));
    if (groups.size() != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        bool bOk = false;
        pAdv->address[size_t(5 - i)] = quint8(groups[i].toInt(&bOk, 16));
        if (!bOk || groups[i].size() != 2)
            return false;
    }
    if (rest.size() > 1)
        pAdv->nRssi = rest[1].toInt();
    return true;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-sim"));
    QCoreApplication::setApplicationVersion(CProgramInfo::Version());
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Bluetooth dongle and meter on a pseudo-terminal. Prints the port path, then serves until "
        "interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("Also make a symbolic link to the port at <path>."), QStringLiteral("path"));
    const QCommandLineOption rateOpt(QStringLiteral("rate"), QStringLiteral("Measurement frames per second (default 5)."), QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption scenarioOpt(QStringLiteral("scenario"), QStringLiteral("Play the readings of a JSON scenario."), QStringLiteral("file"));
    const QCommandLineOption noiseOpt(QStringLiteral("noise"), QStringLiteral("Garbage bytes between meter frames."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dongleNoiseOpt(QStringLiteral("dongle-noise"), QStringLiteral("Garbage bytes between dongle packets."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption disconnectOpt(QStringLiteral("disconnect-after"), QStringLiteral("Close the port this many seconds after the link came up."), QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption floodOpt(QStringLiteral("flood"), QStringLiteral("Once notifications are on, also send filler notifications in bursts of n, as fast as the port takes them."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dropOpt(QStringLiteral("drop-after"), QStringLiteral("End the radio link this many seconds after it came up; the port stays and the next connection is accepted."), QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption dropsOpt(QStringLiteral("drops"), QStringLiteral("How many times --drop-after ends the link (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption sentLogOpt(QStringLiteral("sent-log"), QStringLiteral("Write each reading sent to <file>, one line each: value with four decimals, tab, unit; \"# link ended\" where --drop-after ended the link."), QStringLiteral("file"));
    const QCommandLineOption neverLinkOpt(QStringLiteral("never-link"), QStringLiteral("Accept link requests but never establish the link (a dongle that never confirms)."));
    const QCommandLineOption meterOpt(QStringLiteral("meter"), QStringLiteral("Advertise a meter NAME@aa:bb:cc:dd:ee:ff[,RSSI] (repeatable; replaces the default set)."), QStringLiteral("meter"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("n"), QStringLiteral("1"));
    parser.addOptions({ linkOpt, rateOpt, scenarioOpt, noiseOpt, dongleNoiseOpt, disconnectOpt, dropOpt, dropsOpt, sentLogOpt, floodOpt, neverLinkOpt, meterOpt, seedOpt });
    parser.process(app);

    CSimDongleOptions options;
    options.advertisers = CSimDongle::DefaultAdvertisers();
    if (parser.isSet(meterOpt)) {
        options.advertisers.clear();
        for (const QString& strMeter : parser.values(meterOpt)) {
            CSimAdvertiser adv;
            if (!ParseMeter(strMeter, &adv)) {
                std::fprintf(stderr, "meter-sim: bad --meter '%s' (want NAME@aa:bb:cc:dd:ee:ff[,RSSI])\n", qPrintable(strMeter));
                return 2;
            }
            options.advertisers << adv;
        }
    }
    options.nNoiseBytes = parser.value(dongleNoiseOpt).toInt();
    options.bNeverLink = parser.isSet(neverLinkOpt);
    options.dDisconnectAfterS = parser.value(disconnectOpt).toDouble();
    options.nFloodPackets = qBound(0, parser.value(floodOpt).toInt(), 10000);
    options.nSeed = parser.value(seedOpt).toUInt();
    bool bDropOk = false;
    bool bDropsOk = false;
    options.dDropAfterS = parser.value(dropOpt).toDouble(&bDropOk);
    options.nDrops = parser.value(dropsOpt).toInt(&bDropsOk);
    if (!bDropOk || !std::isfinite(options.dDropAfterS) || options.dDropAfterS < 0 || options.dDropAfterS > 86400) {
        std::fprintf(stderr, "meter-sim: --drop-after must be between 0 and 86400 seconds\n");
        return 2;
    }
    if (!bDropsOk || options.nDrops < 1) {
        std::fprintf(stderr, "meter-sim: --drops must be a whole number of at least 1\n");
        return 2;
    }
    options.meter.bLogReadings = parser.isSet(sentLogOpt);
    options.meter.dRate = parser.value(rateOpt).toDouble();
    options.meter.strScenarioPath = parser.value(scenarioOpt);
    options.meter.nNoiseBytes = parser.value(noiseOpt).toInt();
    options.meter.nSeed = options.nSeed;
    if (options.meter.dRate <= 0 || options.meter.dRate > 1000) {
        std::fprintf(stderr, "meter-sim: --rate must be between 0 and 1000\n");
        return 2;
    }

    CSimServer server(options, parser.value(linkOpt));
    server.SetReadingLog(parser.value(sentLogOpt));
    QString strError;
    if (!server.Open(&strError)) {
        std::fprintf(stderr, "meter-sim: %s\n", qPrintable(strError));
        return 1;
    }
    g_pServer = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", qPrintable(server.PortPath()));
    std::fflush(stdout);
    const int nStatus = server.Run();
    if (nStatus != 0)
        std::fprintf(stderr, "meter-sim: %s\n", qPrintable(server.LastError()));
    return nStatus;
}
