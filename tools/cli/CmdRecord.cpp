#include "CCliOutput.h"
#include "CCliPublish.h"
#include "CCliSession.h"
#include "CReconnect.h"
#include "CliVerbs.h"

#include "protocol/CLiveRecorder.h"
#include "protocol/CMeterProtocol.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {
const QString kOut = QStringLiteral("out");
const QString kAutosave = QStringLiteral("autosave");
const QString kForce = QStringLiteral("force");
constexpr int kQuietWarningMs = 5000;  //!< silence after which the user is told

// Checks, before any link is made, that the recording can be written; false after the error.
bool CheckOutput(const CLiveRecorder& recorder, bool bForce)
{
    if (!CliVerbs::CheckOutputFile(recorder.FilePath(1), QStringLiteral("record into")))
        return false;
    const QStringList existing = recorder.ExistingFiles();
    if (!existing.isEmpty() && !bForce) {
        CliOutput::Error(QStringLiteral("%1 exists; give --force to overwrite it").arg(existing.join(QStringLiteral(", "))));
        return false;
    }
    return true;
}

int RunRecord(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    if (parser.value(kOut).trimmed().isEmpty())
        return CliOutput::UsageError(verb.strName, QStringLiteral("missing --out FILE.mLog"));
    double dAutosave = 0;
    if (!CliVerbs::ReadNumber(verb, parser, kAutosave, 0.1, 86400, &dAutosave))
        return CliStatus::kUsage;
    const qint64 nCount = session.Count();
    CCliPublish publish(session);
    if (const int nStatus = publish.Setup(verb, parser))
        return nStatus;

    CLiveRecorder recorder(parser.value(kOut));
    if (!CheckOutput(recorder, parser.isSet(kForce)))
        return CliStatus::kFailed;
    QString strError;
    if (!recorder.Lock(&strError) || !recorder.RemoveOldContinuations(&strError)) {
        CliOutput::Error(strError);
        return CliStatus::kFailed;
    }

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    bool bSaveFailed = false;
    bool bToldSeries9 = false;
    QObject::connect(&recorder, &CLiveRecorder::FileStarted, &recorder,
                     [](const QString& strPath) { std::fprintf(stderr, "recording into %s\n", qPrintable(strPath)); });
    QObject::connect(&recorder, &CLiveRecorder::FileClosed, &recorder, [](const QString& strPath, int nRecords) {
        std::fprintf(stderr, "closed %s with %d records\n", qPrintable(strPath), nRecords);
    });
    QObject::connect(&recorder, &CLiveRecorder::FileError, &recorder, [&](const QString& strMessage) {
        bSaveFailed = true;
        CliOutput::Error(strMessage);
    });

    // Says so when nothing recordable has come for a while, once per pause.
    QElapsedTimer sinceRecorded;
    bool bToldQuiet = false;
    QTimer quietCheck;
    quietCheck.setInterval(1000);
    QObject::connect(&quietCheck, &QTimer::timeout, &recorder, [&] {
        if (bToldQuiet || sinceRecorded.elapsed() < kQuietWarningMs)
            return;
        bToldQuiet = true;
        CliOutput::Note(QStringLiteral("nothing recordable has arrived for %1 s (%2 readings recorded so far)")
                            .arg(kQuietWarningMs / 1000).arg(recorder.TotalRecords()));
    });

    // Readings cross to this thread by value; the documents live here only.
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, &recorder, [&](const CDecodedReading& d) {
        publish.OnReading(d, QDateTime::currentDateTime());
        if (nCount > 0 && recorder.TotalRecords() >= nCount)
            return;
        if (!recorder.Record(d)) {
            if (!bToldSeries9)
                CliOutput::Note(QStringLiteral("the meter's statistics readings (series 9) are not recorded here"));
            bToldSeries9 = true;
            return;
        }
        if (bToldQuiet)
            CliOutput::Note(QStringLiteral("readings arrive again"));
        bToldQuiet = false;
        sinceRecorded.start();
        if (nCount > 0 && recorder.TotalRecords() >= nCount)
            session.Finish(CliStatus::kOk);
    }, Qt::QueuedConnection);
    if (session.Reconnect()) {
        // What came before the loss is on disk before the first try.
        auto* pReconnect = new CReconnect(session);
        QObject::connect(pReconnect, &CReconnect::LinkLost, &recorder, [&] {
            QCoreApplication::sendPostedEvents(&recorder);
            if (!recorder.Save())
                bSaveFailed = true;
        });
    } else {
        QObject::connect(&session.Link(), &CMeterLink::LinkError, &recorder, [&] {
            CliOutput::Note(QStringLiteral("the meter's stream has ended; saving what was recorded"));
        });
    }

    QTimer autosave;
    QObject::connect(&autosave, &QTimer::timeout, &recorder, [&] {
        if (!recorder.Save())
            bSaveFailed = true;
    });
    autosave.start(std::chrono::milliseconds(qint64(dAutosave * 1000)));
    session.ConnectThen([&] {
        sinceRecorded.start();
        quietCheck.start();
        session.StopAfterSeconds();
    });
    int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    // Readings already queued when the loop ended are still recorded.
    QCoreApplication::sendPostedEvents(&recorder);
    if (!recorder.Save())
        bSaveFailed = true;
    std::fprintf(stderr, "%lld readings recorded in %d file(s)\n", recorder.TotalRecords(), qMax(0, recorder.FileCount()));
    for (const QString& strPath : recorder.UnsavedFiles())
        CliOutput::Error(QStringLiteral("not saved: %1").arg(strPath));
    if (recorder.TotalRecords() == 0 && nStatus == 0) {
        CliOutput::Error(QStringLiteral("nothing was recorded: no live reading arrived, so no file was written"));
        nStatus = CliStatus::kFailed;
    }
    // Every failed save counts, even one a later save made good.
    if ((bSaveFailed || !recorder.UnsavedFiles().isEmpty()) && nStatus == 0)
        nStatus = CliStatus::kFailed;
    return publish.Finish(nStatus);
}
}

CCliVerb RecordVerb()
{
    CCliVerb verb { QStringLiteral("record"),
                    QStringLiteral("--port PORT [--mac ADDRESS] --out FILE.mLog [--force] [--count N] [--seconds N] [--autosave N] [--reconnect] ")
                        + CCliPublish::Usage(),
                    QStringLiteral("record live readings into .mLog files"),
                    QStringLiteral(
                        "Records the meter's live readings into .mLog files, by the same rules as the window. A change\n"
                        "of function or 20000 records starts the next file (FILE-2.mLog, FILE-3.mLog, ...). The output\n"
                        "folder is checked before connecting. Ctrl-C, SIGTERM and SIGHUP save and stop. stderr tells when\n"
                        "a file starts or closes, when nothing recordable has arrived for 5 s, and when the stream ends.\n"
                        "A run that recorded nothing ends with status 1."),
                    CCliSession::LinkOptions(true, QStringLiteral("Stop after N seconds (default: run until Ctrl-C)."),
                                             QString(),
                                             QStringLiteral("Stop after N recorded readings (the meter's statistics readings are "
                                                            "not recorded and not counted); 0: no limit.")),
                    RunRecord };
    verb.options << QCommandLineOption(kOut, QStringLiteral("The first file to write."), QStringLiteral("FILE"))
                 << QCommandLineOption(kForce, QStringLiteral("Overwrite FILE (and FILE-2, ...) when they exist."))
                 << QCommandLineOption(kAutosave, QStringLiteral("Save every N seconds."), QStringLiteral("N"),
                                       QString::number(CLiveRecorder::kAutosaveSeconds))
                 << CCliSession::ReconnectOption() << CCliPublish::Options();
    return verb;
}
