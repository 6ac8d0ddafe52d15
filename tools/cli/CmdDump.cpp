#include "CmdDump.h"
#include "CmdOscDump.h"

#include "document/CMyTalvaDoc.h"

#include <QCommandLineParser>
#include <QFile>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Output is gathered here and handed to the device in large pieces.
constexpr qsizetype kChunk = 256 * 1024;

void FlushIfLarge(QByteArray& buffer, QIODevice& device)
{
    if (buffer.size() >= kChunk) {
        device.write(buffer);
        buffer.clear();
    }
}

QByteArray Fixed4(double d)
{
    char sz[64];
    const int n = std::snprintf(sz, sizeof sz, "%.4f", d);
    // A huge value does not fit: fall back to the exponent form.
    if (n < 0 || n >= int(sizeof sz))
        return QByteArray::number(d, 'g', 17);
    return QByteArray(sz, n);
}

// Shortest text that reads back as the same number; JSON has no NaN or infinity.
template<typename T>
QByteArray JsonNumber(T v)
{
    if (!std::isfinite(v))
        return QByteArrayLiteral("null");
    char sz[64];
    const auto result = std::to_chars(sz, sz + sizeof sz, v);
    return QByteArray(sz, int(result.ptr - sz));
}

QByteArray JsonString(const QString& str)
{
    const QByteArray utf8 = str.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out.append('"');
    for (const char c : utf8) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            if (uchar(c) < 0x20) {
                char sz[8];
                std::snprintf(sz, sizeof sz, "\\u%04x", unsigned(uchar(c)));
                out.append(sz);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
    return out;
}

// A field of a tab-separated line: tabs and line breaks would break the columns.
QByteArray TsvText(const QString& str)
{
    QByteArray bytes = str.toUtf8();
    if (!bytes.contains('\t') && !bytes.contains('\n') && !bytes.contains('\r')
        && !bytes.contains('\\'))
        return bytes;
    return bytes.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r");
}

void DumpTsv(const CMyTalvaDoc& doc, QByteArray& out, QIODevice& device)
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
            FlushIfLarge(out, device);
        }
    }
}

void DumpJson(const CMyTalvaDoc& doc, const QString& strPath, QByteArray& out,
              QIODevice& device)
{
    out += "{\"file\":" + JsonString(strPath) + ",\n\"statistics\":{"
        + "\"average\":" + JsonNumber(doc.m_dAverage)
        + ",\"max\":" + JsonNumber(doc.m_dMax)
        + ",\"maxTime\":" + JsonString(doc.m_strMaxTime)
        + ",\"min\":" + JsonNumber(doc.m_dMin)
        + ",\"minTime\":" + JsonString(doc.m_strMinTime)
        + ",\"sampleRate\":" + JsonNumber(doc.m_dSampleRate)
        + ",\"sum\":" + JsonNumber(doc.m_dSum)
        + ",\"count\":" + QByteArray::number(doc.m_nCount)
        + ",\"startTime\":" + JsonString(doc.m_strStartTime)
        + ",\"endTime\":" + JsonString(doc.m_strEndTime)
        + ",\"type\":" + JsonString(doc.m_strType) + "},\n\"records\":[";
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
                + ",\"value\":" + JsonNumber(pOb->m_dValue)
                + ",\"unit\":" + JsonString(pOb->m_strUnit)
                + ",\"sampleRate\":" + JsonNumber(pOb->m_dSampleRate)
                + ",\"time\":" + JsonString(pOb->m_strTime)
                + ",\"type\":" + JsonString(pOb->m_strType)
                + ",\"range\":" + JsonNumber(pOb->m_fRange) + '}';
            FlushIfLarge(out, device);
        }
    }
    out += "\n]}\n";
}

} // namespace

int RunDump(const QStringList& args, QIODevice& out, QIODevice& err)
{
    if (NamesOscFile(args))
        return RunOscDump(args, out, err);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Print a recording's statistics and the records of its arrays 0 and 1."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the .mLog file"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("tsv (default) or json"),
                                          QStringLiteral("format"), QStringLiteral("tsv"));
    parser.addOption(formatOption);
    const QCommandLineOption helpOption = parser.addHelpOption();

    auto usageError = [&](const QString& strReason) {
        err.write(QStringLiteral("dump: %1\nusage: multimeter-cli dump FILE.mLog "
                                 "[--format tsv|json]\n")
                      .arg(strReason)
                      .toUtf8());
        return 64;
    };
    // The parser wants the program name first; tolerate a caller that left it out.
    QStringList parserArgs = args;
    if (parserArgs.isEmpty())
        parserArgs << QStringLiteral("dump");
    if (!parser.parse(parserArgs))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        out.write(parser.helpText().toUtf8());
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("no file given")
                                          : QStringLiteral("give exactly one file"));
    const QString strFormat = parser.value(formatOption);
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return usageError(QStringLiteral("unknown format \"%1\"").arg(strFormat));

    QString strError;
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(files.first(), &strError);
    if (!pDoc) {
        err.write(QStringLiteral("dump: %1\n").arg(strError).toUtf8());
        return 1;
    }
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    if (strFormat == QLatin1String("json"))
        DumpJson(*pDoc, files.first(), buffer, out);
    else
        DumpTsv(*pDoc, buffer, out);
    out.write(buffer);
    return 0;
}

int RunDump(const QStringList& args)
{
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    const int nStatus = RunDump(args, out, err);
    out.flush();
    err.flush();
    return nStatus;
}
