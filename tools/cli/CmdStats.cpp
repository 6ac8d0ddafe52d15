#include "CmdStats.h"

#include "CCliFormat.h"
#include "CCliOutput.h"
#include "CliVerbs.h"
#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"

#include <QCommandLineParser>

#include <limits>

namespace {

const QString kFrom = QStringLiteral("from");
const QString kTo = QStringLiteral("to");
const QString kFormat = QStringLiteral("format");

int RunStats(const CCliVerb& verb, QCommandLineParser& parser)
{
    auto usageError = [&verb](const QString& strReason) { return CliOutput::UsageError(verb.strName, strReason); };
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("give exactly one file"));
    const QString strFormat = parser.value(kFormat);
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return usageError(QStringLiteral("bad --format '%1': want tsv or json").arg(strFormat));
    constexpr qint64 kMaxNumber = std::numeric_limits<qint32>::max();
    qint64 nFrom = 1, nTo = 0;
    if (parser.isSet(kFrom) && !CliVerbs::ReadInteger(verb, parser, kFrom, 1, kMaxNumber, &nFrom))
        return CliStatus::kUsage;
    if (parser.isSet(kTo) && !CliVerbs::ReadInteger(verb, parser, kTo, 1, kMaxNumber, &nTo))
        return CliStatus::kUsage;
    if (nTo != 0 && nTo < nFrom)
        return usageError(QStringLiteral("--to %1 comes before --from %2").arg(nTo).arg(nFrom));

    const std::unique_ptr<CMyTalvaDoc> pDoc = CliVerbs::LoadRecording(parser, files.constFirst());
    if (!pDoc)
        return CliStatus::kFailed;
    QString strError;
    QByteArray out;
    if (!StatsFigures::Figures(*pDoc, nFrom, nTo, strFormat == QLatin1String("json"), &out, &strError)) {
        CliOutput::Error(strError);
        return CliStatus::kFailed;
    }
    return CliOutput::Write(out) ? CliStatus::kOk : CliOutput::FailureStatus();
}

} // namespace

namespace StatsFigures {

// The readings come from the meter as floats: figures beyond a float's precision would only
// show the noise of the conversion (1.9282000064849854 for 1.9282).
float Figure(double d)
{
    return float(d);
}

QByteArray Format(const CSpanStatistics& st, bool bJson)
{
    const bool bFigures = st.nCount > 0;
    const QString strUnit = st.unit.Display();
    if (bJson) {
        CJsonObject o;
        auto number = [&](const char* pszKey, double d) -> CJsonObject& {
            return bFigures ? o.Number(pszKey, Figure(d)) : o.Null(pszKey);
        };
        o.Text("unit", strUnit).Integer("count", st.nCount).Integer("skipped", st.nSkipped).Integer("overloads", st.nOverloads);
        number("min", st.dMin).Text("min_time", st.strMinTime);
        number("max", st.dMax).Text("max_time", st.strMaxTime);
        number("average", st.dAverage);
        number("std", st.dStdDev);
        number("peak_to_peak", st.dPeakToPeak).Text("start", st.strStartTime).Text("end", st.strEndTime);
        return o.ToJson() + '\n';
    }
    auto number = [&](double d) { return bFigures ? CliFormat::JsonNumber(Figure(d)) : QByteArray(); };
    QByteArray line = CliFormat::TsvField(strUnit);
    for (const QByteArray& field : {QByteArray::number(st.nCount), QByteArray::number(st.nSkipped),
                                    QByteArray::number(st.nOverloads), number(st.dMin), CliFormat::TsvField(st.strMinTime),
                                    number(st.dMax), CliFormat::TsvField(st.strMaxTime), number(st.dAverage),
                                    number(st.dStdDev), number(st.dPeakToPeak), CliFormat::TsvField(st.strStartTime),
                                    CliFormat::TsvField(st.strEndTime)})
        line += '\t' + field;
    return "unit\tcount\tskipped\toverloads\tmin\tmin_time\tmax\tmax_time\taverage\tstd\tpeak_to_peak\tstart\tend\n"
        + line + '\n';
}

bool Figures(const CMyTalvaDoc& doc, qint64 nFrom, qint64 nTo, bool bJson, QByteArray* pOut, QString* pstrError)
{
    const qint64 nCount = doc.m_arrData[0].size();
    if (nCount == 0) {
        *pstrError = QStringLiteral("the recording holds no readings");
        return false;
    }
    if (nTo == 0)
        nTo = nCount;
    if (nFrom > nCount || nTo > nCount) {
        *pstrError = QStringLiteral("the recording holds readings 1 to %1, not %2").arg(nCount).arg(std::max(nFrom, nTo));
        return false;
    }
    *pOut = Format(CSpanStatistics::Of(doc, nFrom - 1, nTo - 1), bJson);
    return true;
}

} // namespace StatsFigures

CCliVerb StatsVerb()
{
    return { QStringLiteral("stats"), QStringLiteral("FILE.mLog [--series] [--from I] [--to J] [--format tsv|json]"),
             QStringLiteral("print the figures of a recording or of readings I to J"),
             QStringLiteral(
                 "Prints the figures of a recording's readings, or of readings I to J (numbered from 1, as\n"
                 "the data list and the export number them), in the recording's unit (that of its first\n"
                 "reading; readings in other prefixes are converted): unit, count, readings of another\n"
                 "quantity skipped, overloads (counted, left out of the figures), minimum and maximum with\n"
                 "their times, average, standard deviation (n - 1), peak-to-peak, start and end time.\n"
                 "tsv prints a header line and a line of values; json one object with the keys unit,\n"
                 "count, skipped, overloads, min, min_time, max, max_time, average, std, peak_to_peak,\n"
                 "start, end. Figures without a reading in them are empty (tsv) or null (json). With --series\n"
                 "the figures run over the whole series, readings numbered across its files."),
             { QCommandLineOption(kFrom, QStringLiteral("The first reading, from 1 (default: the first)."), QStringLiteral("I")),
               QCommandLineOption(kTo, QStringLiteral("The last reading (default: the last)."), QStringLiteral("J")),
               QCommandLineOption(kFormat, QStringLiteral("tsv or json."), QStringLiteral("FORMAT"), QStringLiteral("tsv")),
               CliVerbs::SeriesOption() },
             RunStats };
}
