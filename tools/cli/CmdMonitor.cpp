#include "CCliFormat.h"
#include "CCliOutput.h"
#include "CCliSession.h"
#include "CReconnect.h"
#include "CliVerbs.h"

#include "protocol/CMeterProtocol.h"

#include <QDateTime>

#include <atomic>

namespace {
// One field of a reading: its name, and its text in TSV and JSON (empty JSON: left out).
struct SField
{
    const char* pszKey;
    QByteArray tsv;
    QByteArray json;
};

// The TSV columns, the same for every layout; a layout without a field leaves it empty.
const char* const kColumns[] = {
    "received", "time", "function", "value", "unit", "decimals", "layout", "series", "kind",
    "sub1", "sub1Unit", "sub1Decimals", "sub1Time", "sub2", "sub2Unit", "sub2Decimals", "sub2Time",
    "sub3", "sub3Unit", "sub3Decimals", "sub3Time", "clock", "ref", "rel",
    "aux1", "aux2", "aux2Unit", "auxCode", "aux3", "aux3Unit", "aux4",
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

QList<SField> ReadingFields(const CDecodedReading& d, const QDateTime& received)
{
    const MeterReading& r = d.reading;
    QList<SField> f;
    auto text = [&f](const char* pszKey, const QString& str) {
        f.append({ pszKey, CliFormat::TsvField(str), CliFormat::JsonString(str) });
    };
    auto unit = [&text](const char* pszKey, const QString& str) { text(pszKey, str.trimmed()); };
    auto integer = [&f](const char* pszKey, int n) {
        f.append({ pszKey, QByteArray::number(n), QByteArray::number(n) });
    };
    // TSV with the meter's decimals, JSON the shortest text of the stored float.
    auto value = [&f](const char* pszKey, float v, int nDecimals) {
        f.append({ pszKey, CliFormat::Fixed(double(v), nDecimals), CliFormat::JsonNumber(v) });
    };
    auto number = [&f](const char* pszKey, float v) {
        const QByteArray t = CliFormat::JsonNumber(v);
        f.append({ pszKey, t, t });
    };
    text("received", CliFormat::IsoTime(received));
    text("time", d.strTime);
    text("function", r.m_strFunction);
    value("value", r.m_fValue, r.m_nDecimals);
    unit("unit", r.m_strUnit);
    integer("decimals", r.m_nDecimals);
    integer("layout", d.nLayout);
    integer("series", d.bSeries8Frame ? 8 : 9);
    integer("kind", d.nRecordKind);
    switch (d.nLayout) {
    case 2:
    case 4: {
        const float values[] = { r.m_fSub1, r.m_fSub2, r.m_fSub3 };
        const QString units[] = { r.m_strSub1Unit, r.m_strSub2Unit, r.m_strSub3Unit };
        const int decimals[] = { r.m_nSub1Decimals, r.m_nSub2Decimals, r.m_nSub3Decimals };
        const QString times[] = { r.m_strSub1Time, r.m_strSub2Time, r.m_strSub3Time };
        static const char* const keys[3][4] = {
            { "sub1", "sub1Unit", "sub1Decimals", "sub1Time" },
            { "sub2", "sub2Unit", "sub2Decimals", "sub2Time" },
            { "sub3", "sub3Unit", "sub3Decimals", "sub3Time" },
        };
        for (int i = 0; i < 3; ++i) {
            value(keys[i][0], values[i], decimals[i]);
            unit(keys[i][1], units[i]);
            integer(keys[i][2], decimals[i]);
            text(keys[i][3], times[i]);
        }
        if (d.nLayout == 4)
            text("clock", r.m_strClockText);
        break;
    }
    case 3:
        value("ref", r.m_fRef, r.m_nDecimals);
        value("rel", r.m_fRel, r.m_nDecimals);
        break;
    case 5:
        number("aux1", r.m_fAux1);
        number("aux2", r.m_fAux2);
        unit("aux2Unit", r.m_strAux2Unit);
        integer("auxCode", r.m_nAuxCode);
        break;
    case 6:
        number("aux3", r.m_fAux3);
        unit("aux3Unit", r.m_strAux3Unit);
        break;
    case 7:
        number("aux4", r.m_fAux4);
        break;
    default:
        break;
    }
    return f;
}
}

QByteArray MonitorTsvHeader()
{
    QByteArray line;
    for (int i = 0; i < kColumnCount; ++i)
        line += (i ? "\t" : "") + QByteArray(kColumns[i]);
    return line + '\n';
}

QByteArray MonitorTsvLine(const CDecodedReading& d, const QDateTime& received)
{
    const QList<SField> fields = ReadingFields(d, received);
    QByteArray cells[kColumnCount];
    for (const SField& field : fields) {
        for (int i = 0; i < kColumnCount; ++i) {
            if (qstrcmp(kColumns[i], field.pszKey) == 0)
                cells[i] = field.tsv;
        }
    }
    QByteArray line;
    for (int i = 0; i < kColumnCount; ++i)
        line += (i ? "\t" : "") + cells[i];
    return line + '\n';
}

QByteArray MonitorJsonLine(const CDecodedReading& d, const QDateTime& received)
{
    CJsonObject o;
    for (const SField& field : ReadingFields(d, received))
        o.Raw(field.pszKey, field.json);
    return o.ToJson() + '\n';
}

namespace {
int RunMonitor(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    const QString strFormat = parser.value(QStringLiteral("format"));
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --format '%1': want tsv or json").arg(strFormat));
    const qint64 nCount = session.Count();
    const bool bJson = strFormat == QLatin1String("json");
    if (!bJson && !CliOutput::Write(MonitorTsvHeader()))
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
                         if (!CliOutput::Write(bJson ? MonitorJsonLine(d, received) : MonitorTsvLine(d, received)))
                             return;
                         if (++nPrinted == nCount)
                             session.Post([&session] { session.Finish(CliStatus::kOk); });
                     },
                     Qt::DirectConnection);
    if (session.Reconnect())
        new CReconnect(session);
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    const int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    return nStatus;
}
}

CCliVerb MonitorVerb()
{
    CCliVerb verb { QStringLiteral("monitor"),
                    QStringLiteral("--port PORT [--mac ADDRESS] [--count N] [--seconds N] [--format tsv|json] [--reconnect]"),
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
                 << CCliSession::ReconnectOption();
    return verb;
}
