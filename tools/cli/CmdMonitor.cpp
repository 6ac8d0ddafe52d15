#include "CCliSession.h"
#include "CliVerbs.h"
#include "CReconnect.h"

#include "protocol/CMeterProtocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

#include <atomic>

namespace {
QString Number(float f)
{
    return QString::number(double(f), 'g', 7);
}

// The fields of one reading, in print order: the common ones, then those of
// the secondary and auxiliary displays its layout carries.
QList<QPair<QString, QString>> ReadingFields(const CDecodedReading& d)
{
    const MeterReading& r = d.reading;
    QList<QPair<QString, QString>> f = {
        { QStringLiteral("time"), d.strTime },
        { QStringLiteral("function"), r.m_strFunction },
        { QStringLiteral("value"), Number(r.m_fValue) },
        { QStringLiteral("unit"), r.m_strUnit },
        { QStringLiteral("decimals"), QString::number(r.m_nDecimals) },
        { QStringLiteral("layout"), QString::number(d.nLayout) },
        { QStringLiteral("series"), QString::number(d.bSeries8Frame ? 8 : 9) },
        { QStringLiteral("kind"), QString::number(d.nRecordKind) },
    };
    auto add = [&f](const char* pszKey, const QString& strValue) { f.append({ QLatin1String(pszKey), strValue }); };
    switch (d.nLayout) {
    case 2:
    case 4: {
        const float values[] = { r.m_fSub1, r.m_fSub2, r.m_fSub3 };
        const QString units[] = { r.m_strSub1Unit, r.m_strSub2Unit, r.m_strSub3Unit };
        const int decimals[] = { r.m_nSub1Decimals, r.m_nSub2Decimals, r.m_nSub3Decimals };
        const QString times[] = { r.m_strSub1Time, r.m_strSub2Time, r.m_strSub3Time };
        for (int i = 0; i < 3; ++i) {
            const QString strKey = QStringLiteral("sub%1").arg(i + 1);
            f.append({ strKey, Number(values[i]) });
            f.append({ strKey + QStringLiteral("Unit"), units[i] });
            f.append({ strKey + QStringLiteral("Decimals"), QString::number(decimals[i]) });
            f.append({ strKey + QStringLiteral("Time"), times[i] });
        }
        if (d.nLayout == 4)
            add("clock", r.m_strClockText);
        break;
    }
    case 3:
        add("ref", Number(r.m_fRef));
        add("rel", Number(r.m_fRel));
        break;
    case 5:
        add("aux1", Number(r.m_fAux1));
        add("aux2", Number(r.m_fAux2));
        add("aux2Unit", r.m_strAux2Unit);
        add("auxCode", QString::number(r.m_nAuxCode));
        break;
    case 6:
        add("aux3", Number(r.m_fAux3));
        add("aux3Unit", r.m_strAux3Unit);
        break;
    case 7:
        add("aux4", Number(r.m_fAux4));
        break;
    default:
        break;
    }
    return f;
}

QString FormatTsv(const CDecodedReading& d)
{
    QStringList cells;
    const auto fields = ReadingFields(d);
    for (int i = 0; i < fields.size(); ++i)
        cells << (i < 8 ? fields[i].second : fields[i].first + QLatin1Char('=') + fields[i].second);
    return cells.join(QLatin1Char('\t'));
}

QString FormatJson(const CDecodedReading& d)
{
    QJsonObject o;
    for (const auto& [strKey, strValue] : ReadingFields(d)) {
        bool bNumber = false;
        const double v = strValue.toDouble(&bNumber);
        const bool bText = strKey == QLatin1String("time") || strKey.endsWith(QLatin1String("Time"))
            || strKey == QLatin1String("clock") || strKey.endsWith(QLatin1String("Unit"))
            || strKey == QLatin1String("unit") || strKey == QLatin1String("function");
        o.insert(strKey, bNumber && !bText ? QJsonValue(v) : QJsonValue(strValue));
    }
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
}

int RunMonitor(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Print every decoded reading, one line each: time, function, value, unit, decimals, layout, series, "
        "record kind, then the secondary and auxiliary values of the layout."));
    const QCommandLineOption formatOpt(QStringLiteral("format"), QStringLiteral("tsv (default) or json."), QStringLiteral("format"), QStringLiteral("tsv"));
    parser.addOption(formatOpt);
    CCliSession session(parser);
    session.AddCountOption();
    session.AddReconnectOption();
    if (!session.Parse(args, false))
        return 64;
    const QString strFormat = parser.value(formatOpt);
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json")) {
        std::fprintf(stderr, "bad --format '%s': want tsv or json\n", qPrintable(strFormat));
        return 64;
    }
    const int nCount = session.Count();

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    const bool bJson = strFormat == QLatin1String("json");
    std::atomic<int> nPrinted { 0 };
    // Printed on the link thread as decoded, so nothing queues up behind a busy loop.
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, &protocol,
                     [&](const CDecodedReading& d) {
                         if (nCount > 0 && nPrinted >= nCount)
                             return;
                         PrintLine(bJson ? FormatJson(d) : FormatTsv(d));
                         if (++nPrinted == nCount)
                             QMetaObject::invokeMethod(&session, [&session] { session.Finish(0); }, Qt::QueuedConnection);
                     },
                     Qt::DirectConnection);
    if (session.Reconnect())
        new CReconnect(session);
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    const int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    return nStatus;
}
