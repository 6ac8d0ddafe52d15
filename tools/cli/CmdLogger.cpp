// multimeter-cli logger: the meter's logger directory, or every recording into files.
#include "CCliSession.h"
#include "CCliOutput.h"
#include "CliVerbs.h"

#include "base/CFileIo.h"
#include "document/CMyTalvaDoc.h"
#include "logger/CLoggerDownload.h"
#include "protocol/CMeterProtocol.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

using Outcome = CLoggerDownload::Outcome;
constexpr int kBarWidth = 30;

// "20yy-mm-dd_hh-mm-ss" from the directory's "dd-mm-20yy, hh mm ss"; any other
// text reduced to characters a file name can hold.
QString StartForFileName(const QString& strStart)
{
    static const QRegularExpression re(QStringLiteral("^(\\w+)-(\\w+)-(\\w+), (\\w+) (\\w+) (\\w+)$"));
    const QRegularExpressionMatch m = re.match(strStart);
    if (m.hasMatch())
        return QStringLiteral("%1-%2-%3_%4-%5-%6").arg(m.captured(3), m.captured(2), m.captured(1), m.captured(4),
                                                        m.captured(5), m.captured(6));
    QString str = strStart;
    str.replace(QRegularExpression(QStringLiteral("[^0-9A-Za-z-]+")), QStringLiteral("_"));
    return str;
}

QString EntryText(const LoggerListData& entry)
{
    return QStringLiteral("address %1 (%2, %3)").arg(entry.m_nAddress).arg(entry.m_strFunction, entry.m_strStart);
}

QByteArray CsvText(const QList<CObData>& records)
{
    QByteArray out = "index,time,value,unit,function\n";
    for (const CObData& r : records) {
        const QString strValue = QString::number(r.m_dValue, 'g', QLocale::FloatingPointShortest);
        out += QStringLiteral("%1,%2,%3,%4,%5\n").arg(r.m_nIndex).arg(r.m_strTime, strValue, r.m_strUnit, r.m_strType).toUtf8();
    }
    return out;
}

// Progress on stderr: a bar redrawn in place on a terminal, plain lines otherwise.
class CProgress
{
public:
    CProgress() : m_bTerminal(::isatty(STDERR_FILENO) == 1) {}

    void Line(const QString& strText)
    {
        EndBar();
        std::fprintf(stderr, "%s\n", qPrintable(strText));
        std::fflush(stderr);
    }
    void Recording(int nNumber, int nCount, int nBlocks)
    {
        m_nNumber = nNumber;
        m_nCount = nCount;
        m_nBlocks = nBlocks;
        if (!m_bTerminal)
            Line(QStringLiteral("recording %1 of %2: %3 blocks").arg(nNumber).arg(nCount).arg(nBlocks));
        else
            Blocks(0);
    }
    void Blocks(int nBlocks)
    {
        if (!m_bTerminal || m_nBlocks <= 0)
            return;
        const int nFilled = kBarWidth * qBound(0, nBlocks, m_nBlocks) / m_nBlocks;
        std::fprintf(stderr, "\rrecording %d of %d [%s%s] %d/%d blocks", m_nNumber, m_nCount,
                     QByteArray(nFilled, '#').constData(), QByteArray(kBarWidth - nFilled, '.').constData(), nBlocks,
                     m_nBlocks);
        std::fflush(stderr);
        m_bBarShown = true;
    }
    void EndBar()
    {
        if (m_bBarShown)
            std::fputc('\n', stderr);
        m_bBarShown = false;
    }

private:
    bool m_bTerminal;
    bool m_bBarShown = false;
    int m_nNumber = 0;
    int m_nCount = 0;
    int m_nBlocks = 0;
};

} // namespace

namespace {
const QString kList = QStringLiteral("list");
const QString kOut = QStringLiteral("out");
const QString kFormat = QStringLiteral("format");

int RunLogger(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    const bool bList = parser.isSet(kList);
    const QString strDir = parser.value(kOut);
    if (bList == parser.isSet(kOut))
        return CliOutput::UsageError(verb.strName, QStringLiteral("give either --list or --out DIR"));
    if (!bList && strDir.isEmpty())
        return CliOutput::UsageError(verb.strName, QStringLiteral("--out needs a folder"));
    const QString strFormat = parser.value(kFormat);
    if (strFormat != QLatin1String("mlog") && strFormat != QLatin1String("csv"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --format '%1': want mlog or csv").arg(strFormat));
    const bool bCsv = strFormat == QLatin1String("csv");
    if (!bList && !QDir().mkpath(strDir)) {
        CliOutput::Error(QStringLiteral("cannot make the folder %1").arg(strDir));
        return 1;
    }

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    CLoggerDownload download(protocol, &session.Link(), &session.Prompt());
    CMeterLink& link = session.Link();
    download.SetOnlineQuery([&link] { return link.IsMeterOnline(); });
    QObject::connect(&link, &CMeterLink::LinkError, &download, &CLoggerDownload::OnLinkLost);

    CProgress progress;
    int nEntries = 0;
    int nNumber = 0;
    bool bWriteFailed = false;
    bool bTimedOut = false;
    QStringList written;

    QObject::connect(&download, &CLoggerDownload::DirectoryListed, &download, [&](const QList<LoggerListData>& entries) {
        nEntries = int(entries.size());
        if (bList) {
            for (const LoggerListData& e : entries)
                PrintLine(QStringLiteral("%1\t%2\t%3\t%4\t%5").arg(e.m_nAddress).arg(e.m_strFunction, e.m_strStart)
                              .arg(e.m_nDataPoints).arg(e.m_nInterval));
        } else {
            progress.Line(QStringLiteral("the logger holds %1 recording(s)").arg(nEntries));
        }
    });
    QObject::connect(&download, &CLoggerDownload::RecordingStarted, &download, [&](int nBlocks, bool bWhole) {
        if (bWhole)
            progress.Recording(++nNumber, nEntries, nBlocks);
    });
    QObject::connect(&download, &CLoggerDownload::BlockProgress, &download, [&](int nBlocks) { progress.Blocks(nBlocks); });
    QObject::connect(&download, &CLoggerDownload::RecordingFetched, &download, [&](const LoggerListData& entry, bool bComplete) {
        const QList<CObData> records = download.RecordsForView(entry.m_nAddress);
        const QString strName = QStringLiteral("logger-%1-%2%3.%4")
                                    .arg(entry.m_nAddress, 3, 10, QLatin1Char('0'))
                                    .arg(StartForFileName(entry.m_strStart), bComplete ? QString() : QStringLiteral("-partial"),
                                         bCsv ? QStringLiteral("csv") : QStringLiteral("mLog"));
        const QString strPath = QDir(strDir).filePath(strName);
        QString strError;
        bool bOk = false;
        if (bCsv) {
            bOk = CFileIo::SaveBytes(strPath, CsvText(records), &strError);
        } else {
            CMyTalvaDoc doc;
            QList<CObData*> copies;
            for (const CObData& r : records)
                copies.append(new CObData(r));
            doc.ImportReadings(copies);
            qDeleteAll(copies);
            bOk = doc.SaveFile(strPath, &strError);
        }
        if (!bOk) {
            bWriteFailed = true;
            progress.EndBar();
            CliOutput::Error(strError.isEmpty() ? QStringLiteral("cannot write %1").arg(strPath) : strError);
            return;
        }
        written << strPath;
        progress.Line(QStringLiteral("%1: %2 samples -> %3").arg(EntryText(entry)).arg(records.size()).arg(strPath));
    });
    QObject::connect(&download, &CLoggerDownload::DownloadFinished, &download, [&](Outcome outcome) {
        progress.EndBar();
        if (outcome == Outcome::Complete) {
            session.Finish(CliStatus::kOk);
            return;
        }
        if (bTimedOut)
            CliOutput::Error(QStringLiteral("the download did not end within %1 s").arg(session.Seconds()));
        session.Finish(outcome == Outcome::LinkLost ? 3 : 1);
    });

    session.ConnectThen([&] {
        const bool bStarted = bList ? download.ListDirectory() : download.OnDownloadLogger();
        if (!bStarted) {
            session.Finish(CliStatus::kFailed);
            return;
        }
        if (session.Seconds() > 0)
            QTimer::singleShot(int(session.Seconds() * 1000), &download, [&] {
                bTimedOut = true;
                download.Cancel();
            });
    });
    int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    progress.EndBar();
    // Whatever was listed but not fetched is named, however the transfer ended.
    if (!bList) {
        const QList<LoggerListData> missing = download.MissingEntries();
        if (!missing.isEmpty()) {
            QStringList names;
            for (const LoggerListData& entry : missing)
                names << EntryText(entry);
            CliOutput::Error(QStringLiteral("%1 of %2 recording(s) could not be fetched: %3")
                                 .arg(missing.size()).arg(nEntries).arg(names.join(QStringLiteral("; "))));
            if (nStatus == 0)
                nStatus = 1;
        }
        std::fprintf(stderr, "%lld file(s) written to %s\n", qlonglong(written.size()), qPrintable(strDir));
    }
    if (bWriteFailed && nStatus == 0)
        nStatus = 1;
    return nStatus;
}
}

CCliVerb LoggerVerb()
{
    CCliVerb verb { QStringLiteral("logger"),
                    QStringLiteral("--port PORT [--mac ADDRESS] (--list | --out DIR) [--format mlog|csv] [--seconds N]"),
                    QStringLiteral("download the meter's data logger"),
                    QStringLiteral(
                        "Downloads the recordings stored in the meter's data logger. --list prints the directory, one\n"
                        "recording a line: address, function, start, points, interval (tab-separated), and ends the\n"
                        "transfer. --out downloads every recording into a file of its own, named by address and start\n"
                        "time (logger-ADDRESS-START.mLog or .csv); a recording the download could not finish is kept as\n"
                        "...-partial. Progress goes to stderr. The status is non-zero when a recording could not be\n"
                        "fetched (3 when the link was lost), and stderr names each one."),
                    CCliSession::LinkOptions(true, QStringLiteral("Give up the whole transfer after N seconds (default: no limit).")),
                    RunLogger };
    verb.options << QCommandLineOption(kList, QStringLiteral("Print the logger directory only."))
                 << QCommandLineOption(kOut, QStringLiteral("Folder to write the recordings into (made when missing)."), QStringLiteral("DIR"))
                 << QCommandLineOption(kFormat, QStringLiteral("mlog (recording files) or csv (index,time,value,unit,function)."),
                                       QStringLiteral("FORMAT"), QStringLiteral("mlog"));
    return verb;
}
