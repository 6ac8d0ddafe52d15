#include "CmdDump.h"
#include "CmdOscDump.h"

#include "CCliFormat.h"
#include "CCliOutput.h"
#include "CliVerbs.h"
#include "document/CMyTalvaDoc.h"
#include "document/CObData.h"
#include "document/CReadingsExport.h"
#include "document/CRecordStream.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QFile>
#include <QTemporaryFile>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Output is gathered here and handed to the device in large pieces.
constexpr qsizetype kChunk = 256 * 1024;

// False once the device refused a write; the rest of the output is skipped.
bool FlushIfLarge(QByteArray& buffer, QIODevice& device)
{
    if (buffer.size() < kChunk)
        return true;
    const bool bOk = device.write(buffer) == buffer.size();
    buffer.truncate(0); // keeps the allocation for the next piece
    return bOk;
}

QByteArray Fixed4(double d)
{
    return CliFormat::Fixed(d, 4);
}

QByteArray TsvText(const QString& str)
{
    return CliFormat::TsvField(str);
}

using SStatistics = CRecordStream::SStatistics;

// Writes each record of arrays 0 and 1 (the third is never filled) with line(), flushing
// to the device in large pieces; false when the file is bad or the device refused.
bool EachRecord(CRecordStream& stream, QByteArray& out, QIODevice& device, QString* pstrError,
                const std::function<void(int, const CObData*)>& line)
{
    bool bWriteFailed = false;
    const bool bRead = stream.Read([&](int nArray, const CObData* pOb) {
        if (nArray > 1)
            return true;
        line(nArray, pOb);
        bWriteFailed = !FlushIfLarge(out, device);
        return !bWriteFailed;
    }, nullptr, pstrError);
    if (bWriteFailed)
        *pstrError = QStringLiteral("cannot write the output: %1").arg(device.errorString());
    return bRead;
}

bool DumpTsv(CRecordStream& stream, const SStatistics& st, QByteArray& out, QIODevice& device, QString* pstrError)
{
    out += "average\tmax\tmax time\tmin\tmin time\tsample rate\tsum\tcount\tstart time\t"
           "end time\ttype\n";
    out += Fixed4(st.dAverage) + '\t' + Fixed4(st.dMax) + '\t' + TsvText(st.strMaxTime)
        + '\t' + Fixed4(st.dMin) + '\t' + TsvText(st.strMinTime) + '\t'
        + Fixed4(st.dSampleRate) + '\t' + Fixed4(st.dSum) + '\t'
        + QByteArray::number(st.nCount) + '\t' + TsvText(st.strStartTime) + '\t'
        + TsvText(st.strEndTime) + '\t' + TsvText(st.strType) + '\n';
    out += "\narray\tindex\tvalue\tunit\tsample rate\ttime\ttype\trange\n";
    return EachRecord(stream, out, device, pstrError, [&out](int nArray, const CObData* pOb) {
        const QByteArray arrayText = QByteArray::number(nArray);
        if (!pOb) {
            out += arrayText + "\tnull\t\t\t\t\t\t\n";
            return;
        }
        out += arrayText + '\t' + QByteArray::number(pOb->m_nIndex) + '\t'
            + Fixed4(pOb->m_dValue) + '\t' + TsvText(pOb->m_strUnit) + '\t'
            + Fixed4(pOb->m_dSampleRate) + '\t' + TsvText(pOb->m_strTime) + '\t'
            + TsvText(pOb->m_strType) + '\t' + Fixed4(pOb->m_fRange) + '\n';
    });
}

// The lines of the export CSV: primary records only, numbered from 1 by position.
bool DumpCsv(CRecordStream& stream, QByteArray& out, QIODevice& device, QString* pstrError)
{
    out += CReadingsExport::CsvHeader();
    qsizetype nPosition = 0;
    return EachRecord(stream, out, device, pstrError, [&out, &nPosition](int nArray, const CObData* pOb) {
        if (nArray != 0)
            return;
        ++nPosition;
        if (pOb)
            out += CReadingsExport::CsvLine(nPosition, *pOb);
    });
}

bool DumpJson(CRecordStream& stream, const SStatistics& st, const QString& strPath, QByteArray& out,
              QIODevice& device, QString* pstrError)
{
    CJsonObject stats;
    stats.Number("average", st.dAverage).Number("max", st.dMax).Text("maxTime", st.strMaxTime)
        .Number("min", st.dMin).Text("minTime", st.strMinTime).Number("sampleRate", st.dSampleRate)
        .Number("sum", st.dSum).Integer("count", st.nCount).Text("startTime", st.strStartTime)
        .Text("endTime", st.strEndTime).Text("type", st.strType);
    out += "{\"file\":" + CliFormat::JsonString(strPath) + ",\n\"statistics\":" + stats.ToJson() + ",\n\"records\":[";
    const char* pszSeparator = "\n";
    const bool bOk = EachRecord(stream, out, device, pstrError, [&](int nArray, const CObData* pOb) {
        out += pszSeparator;
        pszSeparator = ",\n";
        CJsonObject o;
        o.Integer("array", nArray);
        if (!pOb) {
            out += o.Boolean("null", true).ToJson();
            return;
        }
        out += o.Integer("index", pOb->m_nIndex).Number("value", pOb->m_dValue).Text("unit", pOb->m_strUnit)
                   .Number("sampleRate", pOb->m_dSampleRate).Text("time", pOb->m_strTime)
                   .Text("type", pOb->m_strType).Number("range", pOb->m_fRange).ToJson();
    });
    out += "\n]}\n";
    return bOk;
}

} // namespace

int DumpFile(const QString& strPath, const QString& strFormat, QIODevice& out, QString* pstrError,
             const QString& strShownPath)
{
    CRecordStream stream;
    SStatistics statistics;
    if (!stream.Open(strPath, pstrError))
        return CliStatus::kFailed;
    // The statistics come first in the output but last in the file: a first pass finds them
    // (and any fault of the file, before anything is printed).
    if (!stream.Read({}, &statistics, pstrError))
        return CliStatus::kFailed;
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    bool bOk;
    if (strFormat == QLatin1String("json"))
        bOk = DumpJson(stream, statistics, strShownPath.isEmpty() ? strPath : strShownPath, buffer, out, pstrError);
    else if (strFormat == QLatin1String("csv"))
        bOk = DumpCsv(stream, buffer, out, pstrError);
    else
        bOk = DumpTsv(stream, statistics, buffer, out, pstrError);
    if (!bOk)
        return CliStatus::kFailed;
    if (out.write(buffer) != buffer.size()) {
        *pstrError = QStringLiteral("cannot write the output: %1").arg(out.errorString());
        return CliStatus::kFailed;
    }
    return CliStatus::kOk;
}

namespace {
// stdout through the checked writer.
class CStdoutDevice : public QIODevice
{
public:
    CStdoutDevice() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* pData, qint64 nBytes) override
    {
        return CliOutput::Write(QByteArray::fromRawData(pData, qsizetype(nBytes))) ? nBytes : -1;
    }
};

int RunDump(const CCliVerb& verb, QCommandLineParser& parser)
{
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return CliOutput::UsageError(verb.strName, files.isEmpty() ? QStringLiteral("no file given")
                                                                  : QStringLiteral("give exactly one file"));
    const QString strFormat = parser.value(QStringLiteral("format"));
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json") && strFormat != QLatin1String("csv"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --format '%1': want tsv, json or csv").arg(strFormat));
    const bool bWaveform = files.first().endsWith(QLatin1String(".osc"), Qt::CaseInsensitive);
    if (bWaveform && strFormat == QLatin1String("csv"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("a waveform file is printed as tsv or json"));
    const bool bSeries = parser.isSet(CliVerbs::SeriesOption());
    if (bWaveform && bSeries)
        return CliOutput::UsageError(verb.strName, QStringLiteral("--series is for recordings (.mLog)"));
    CStdoutDevice out;
    QString strError;
    int nStatus = CliStatus::kOk;
    if (bSeries) {
        // The series is printed as the one recording it makes: written as one, then streamed.
        const std::unique_ptr<CMyTalvaDoc> pDoc = CliVerbs::LoadRecording(parser, files.first());
        if (!pDoc)
            return CliStatus::kFailed;
        QTemporaryFile joined;
        if (!joined.open() || joined.write(pDoc->SaveBytes()) < 0 || !joined.flush()) {
            CliOutput::Error(QStringLiteral("cannot write the series to a temporary file: %1").arg(joined.errorString()));
            return CliStatus::kFailed;
        }
        nStatus = DumpFile(joined.fileName(), strFormat, out, &strError, files.first());
    } else {
        nStatus = bWaveform ? DumpOscFile(files.first(), strFormat, out, &strError)
                            : DumpFile(files.first(), strFormat, out, &strError);
    }
    // A failed stdout has been reported by the writer already.
    if (nStatus != CliStatus::kOk && CliOutput::FailureStatus() == 0)
        CliOutput::Error(strError);
    return nStatus;
}
}

CCliVerb DumpVerb()
{
    return { QStringLiteral("dump"), QStringLiteral("FILE.mLog|FILE.osc [--series] [--format tsv|json|csv]"),
             QStringLiteral("print a recording or a waveform file"),
             QStringLiteral("Prints a recording's statistics and the records of its arrays 0 and 1 (tsv, json), or its\n"
                            "readings with the columns of the export CSV (csv: index, time, value with overloads as\n"
                            "\"OL\", unit, type; RFC 4180, UTF-8, with a header line). A waveform file (.osc) is printed\n"
                            "as its fields, its 300 samples (index, time in s, value, unit) and its 120 spectrum bars\n"
                            "(index, frequency in Hz, value), as tsv or json. With --series, FILE.mLog and its\n"
                            "continuation files are printed as one recording, numbered across the files."),
             { QCommandLineOption(QStringLiteral("format"), QStringLiteral("tsv, json or csv."), QStringLiteral("FORMAT"),
                                  QStringLiteral("tsv")),
               CliVerbs::SeriesOption() },
             RunDump };
}
