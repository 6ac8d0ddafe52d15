#include "CmdDump.h"

#include "CCliFormat.h"
#include "CCliOutput.h"
#include "CliVerbs.h"
#include "document/CMyTalvaDoc.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QFile>

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
    buffer.clear();
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

bool DumpTsv(const CMyTalvaDoc& doc, QByteArray& out, QIODevice& device)
{
    out += "average\tmax\tmax time\tmin\tmin time\tsample rate\tsum\tcount\tstart time\t"
           "end time\ttype\n";
    out += Fixed4(doc.m_dAverage) + '\t' + Fixed4(doc.m_dMax) + '\t' + TsvText(doc.m_strMaxTime)
        + '\t' + Fixed4(doc.m_dMin) + '\t' + TsvText(doc.m_strMinTime) + '\t'
        + Fixed4(doc.m_dSampleRate) + '\t' + Fixed4(doc.m_dSum) + '\t'
        + QByteArray::number(doc.m_nCount) + '\t' + TsvText(doc.m_strStartTime) + '\t'
        + TsvText(doc.m_strEndTime) + '\t' + TsvText(doc.m_strType) + '\n';
    out += "\narray\tindex\tvalue\tunit\tsample rate\ttime\ttype\trange\n";
    for (int nArray = 0; nArray < 2; ++nArray) {
        const QByteArray arrayText = QByteArray::number(nArray);
        for (const CObData* pOb : doc.m_arrData[nArray]) {
            if (!pOb) {
                out += arrayText + "\tnull\t\t\t\t\t\t\n";
                continue;
            }
            out += arrayText + '\t' + QByteArray::number(pOb->m_nIndex) + '\t'
                + Fixed4(pOb->m_dValue) + '\t' + TsvText(pOb->m_strUnit) + '\t'
                + Fixed4(pOb->m_dSampleRate) + '\t' + TsvText(pOb->m_strTime) + '\t'
                + TsvText(pOb->m_strType) + '\t' + Fixed4(pOb->m_fRange) + '\n';
            if (!FlushIfLarge(out, device))
                return false;
        }
    }
    return true;
}

// The columns of the export CSV: primary records only, overloads as "OL".
bool DumpCsv(const CMyTalvaDoc& doc, QByteArray& out, QIODevice& device)
{
    out += "index,time,value,unit,type\r\n";
    for (const CObData* pOb : doc.m_arrData[0]) {
        if (!pOb)
            continue;
        out += QByteArray::number(pOb->m_nIndex) + ',' + CliFormat::CsvField(pOb->m_strTime) + ','
            + (CObData::IsOverload(pOb->m_dValue) ? QByteArrayLiteral("OL") : Fixed4(pOb->m_dValue)) + ','
            + CliFormat::CsvField(pOb->m_strUnit) + ',' + CliFormat::CsvField(pOb->m_strType) + "\r\n";
        if (!FlushIfLarge(out, device))
            return false;
    }
    return true;
}

bool DumpJson(const CMyTalvaDoc& doc, const QString& strPath, QByteArray& out,
              QIODevice& device)
{
    out += "{\"file\":" + CliFormat::JsonString(strPath) + ",\n\"statistics\":{"
        + "\"average\":" + CliFormat::JsonNumber(doc.m_dAverage)
        + ",\"max\":" + CliFormat::JsonNumber(doc.m_dMax)
        + ",\"maxTime\":" + CliFormat::JsonString(doc.m_strMaxTime)
        + ",\"min\":" + CliFormat::JsonNumber(doc.m_dMin)
        + ",\"minTime\":" + CliFormat::JsonString(doc.m_strMinTime)
        + ",\"sampleRate\":" + CliFormat::JsonNumber(doc.m_dSampleRate)
        + ",\"sum\":" + CliFormat::JsonNumber(doc.m_dSum)
        + ",\"count\":" + QByteArray::number(doc.m_nCount)
        + ",\"startTime\":" + CliFormat::JsonString(doc.m_strStartTime)
        + ",\"endTime\":" + CliFormat::JsonString(doc.m_strEndTime)
        + ",\"type\":" + CliFormat::JsonString(doc.m_strType) + "},\n\"records\":[";
    const char* pszSeparator = "\n";
    for (int nArray = 0; nArray < 2; ++nArray) {
        const QByteArray arrayText = QByteArray::number(nArray);
        for (const CObData* pOb : doc.m_arrData[nArray]) {
            out += pszSeparator;
            pszSeparator = ",\n";
            if (!pOb) {
                out += "{\"array\":" + arrayText + ",\"null\":true}";
                continue;
            }
            out += "{\"array\":" + arrayText + ",\"index\":" + QByteArray::number(pOb->m_nIndex)
                + ",\"value\":" + CliFormat::JsonNumber(pOb->m_dValue)
                + ",\"unit\":" + CliFormat::JsonString(pOb->m_strUnit)
                + ",\"sampleRate\":" + CliFormat::JsonNumber(pOb->m_dSampleRate)
                + ",\"time\":" + CliFormat::JsonString(pOb->m_strTime)
                + ",\"type\":" + CliFormat::JsonString(pOb->m_strType)
                + ",\"range\":" + CliFormat::JsonNumber(pOb->m_fRange) + '}';
            if (!FlushIfLarge(out, device))
                return false;
        }
    }
    out += "\n]}\n";
    return true;
}

} // namespace

int DumpFile(const QString& strPath, const QString& strFormat, QIODevice& out, QString* pstrError)
{
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(strPath, pstrError);
    if (!pDoc)
        return CliStatus::kFailed;
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    bool bOk;
    if (strFormat == QLatin1String("json"))
        bOk = DumpJson(*pDoc, strPath, buffer, out);
    else if (strFormat == QLatin1String("csv"))
        bOk = DumpCsv(*pDoc, buffer, out);
    else
        bOk = DumpTsv(*pDoc, buffer, out);
    if (!bOk || out.write(buffer) != buffer.size()) {
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
    CStdoutDevice out;
    QString strError;
    const int nStatus = DumpFile(files.first(), strFormat, out, &strError);
    // A failed stdout has been reported by the writer already.
    if (nStatus != CliStatus::kOk && CliOutput::FailureStatus() == 0)
        CliOutput::Error(strError);
    return nStatus;
}
}

CCliVerb DumpVerb()
{
    return { QStringLiteral("dump"), QStringLiteral("FILE.mLog [--format tsv|json|csv]"),
             QStringLiteral("print a recording"),
             QStringLiteral("Prints a recording's statistics and the records of its arrays 0 and 1 (tsv, json), or its\n"
                            "readings with the columns of the export CSV (csv: index, time, value with overloads as\n"
                            "\"OL\", unit, type; RFC 4180, UTF-8, with a header line)."),
             { QCommandLineOption(QStringLiteral("format"), QStringLiteral("tsv, json or csv."), QStringLiteral("FORMAT"),
                                  QStringLiteral("tsv")) },
             RunDump };
}
