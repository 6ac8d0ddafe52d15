#include "CCliSession.h"
#include "CliVerbs.h"
#include "CReconnect.h"

#include "protocol/CLiveRecorder.h"
#include "protocol/CMeterProtocol.h"

#include <QTimer>

#include <cstdio>

int RunRecord(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Record live readings into .mLog files. A change of function or 20000 records starts the next file "
        "(FILE-2.mLog, FILE-3.mLog, ...). Ctrl-C saves and stops."));
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("The first file to write."), QStringLiteral("file"));
    const QCommandLineOption autosaveOpt(QStringLiteral("autosave"), QStringLiteral("Save every N seconds (default 10)."), QStringLiteral("n"), QStringLiteral("10"));
    parser.addOption(outOpt);
    parser.addOption(autosaveOpt);
    CCliSession session(parser);
    session.AddCountOption();
    session.AddReconnectOption();
    if (!session.Parse(args, false))
        return 64;
    if (parser.value(outOpt).isEmpty()) {
        std::fprintf(stderr, "missing --out\n");
        return 64;
    }
    const int nCount = session.Count();
    bool bOk = false;
    const double dAutosave = parser.value(autosaveOpt).toDouble(&bOk);
    if (!bOk || dAutosave <= 0) {
        std::fprintf(stderr, "bad --autosave '%s'\n", qPrintable(parser.value(autosaveOpt)));
        return 64;
    }

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    CLiveRecorder recorder(parser.value(outOpt));
    QString strLockError;
    if (!recorder.Lock(&strLockError)) {
        std::fprintf(stderr, "%s\n", qPrintable(strLockError));
        return 1;
    }
    bool bSaveFailed = false;
    bool bToldSeries9 = false;
    QObject::connect(&recorder, &CLiveRecorder::FileStarted, &recorder,
                     [](const QString& strPath) { std::fprintf(stderr, "recording into %s\n", qPrintable(strPath)); });
    QObject::connect(&recorder, &CLiveRecorder::FileClosed, &recorder, [](const QString& strPath, int nRecords) {
        std::fprintf(stderr, "closed %s with %d records\n", qPrintable(strPath), nRecords);
    });
    QObject::connect(&recorder, &CLiveRecorder::FileError, &recorder, [&](const QString& strMessage) {
        bSaveFailed = true;
        session.Prompt().Message(strMessage, QString(), CPrompt::Critical);
    });
    // Readings cross to this thread by value; the documents live here only.
    QObject::connect(&protocol, &CMeterProtocol::ReadingDecoded, &recorder, [&](const CDecodedReading& d) {
        if (nCount > 0 && recorder.TotalRecords() >= nCount)
            return;
        if (!recorder.Record(d)) {
            if (!bToldSeries9)
                std::fprintf(stderr, "note: the meter's statistics readings (series 9) are not recorded here\n");
            bToldSeries9 = true;
            return;
        }
        if (nCount > 0 && recorder.TotalRecords() >= nCount)
            session.Finish(0);
    }, Qt::QueuedConnection);

    QTimer autosave;
    QObject::connect(&autosave, &QTimer::timeout, &recorder, [&] { recorder.Save(); });
    autosave.start(int(dAutosave * 1000));
    if (session.Reconnect()) {
        // What came before the loss is on disk before the first try.
        auto* pReconnect = new CReconnect(session);
        QObject::connect(pReconnect, &CReconnect::LinkLost, &recorder, [&] {
            QCoreApplication::sendPostedEvents(&recorder);
            bSaveFailed = !recorder.Save();
        });
    }
    session.ConnectThen([&session] { session.StopAfterSeconds(); });
    int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    // Readings already queued when the loop ended are still recorded.
    QCoreApplication::sendPostedEvents(&recorder);
    recorder.Save();
    std::fprintf(stderr, "%lld readings recorded in %d file(s)\n", recorder.TotalRecords(), recorder.FileCount());
    for (const QString& strPath : recorder.UnsavedFiles())
        std::fprintf(stderr, "not saved: %s\n", qPrintable(strPath));
    // Every failed save counts, even one a later save made good.
    if ((bSaveFailed || !recorder.UnsavedFiles().isEmpty()) && nStatus == 0)
        nStatus = 1;
    return nStatus;
}
