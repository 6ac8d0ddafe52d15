// multimeter-cli osc: the first waveform received, saved as .osc, .xlsx or .csv.
#include "CCliSession.h"
#include "CliErrors.h"
#include "CliVerbs.h"

#include "protocol/CMeterProtocol.h"
#include "scope/COscCsv.h"
#include "scope/COscFile.h"
#include "scope/COscSlots.h"
#include "scope/COscWorkbook.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

constexpr double kDefaultSeconds = 30.0;

enum class Format { Osc, Workbook, Csv };

bool FormatOf(const QString& strPath, Format* pFormat)
{
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    if (strSuffix == QLatin1String("osc"))
        *pFormat = Format::Osc;
    else if (strSuffix == QLatin1String("xlsx"))
        *pFormat = Format::Workbook;
    else if (strSuffix == QLatin1String("csv"))
        *pFormat = Format::Csv;
    else
        return false;
    return true;
}

} // namespace

int RunOsc(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Save the first oscilloscope waveform the meter sends (of --slot N when given) in the format FILE's "
        "extension names: .osc (the program's waveform file), .xlsx (workbook) or .csv (one row per point: "
        "index, time or frequency, value, unit). A capture of the meter's FFT mode (status 3) is saved as its "
        "spectrum in .xlsx and .csv. --seconds S: give up after S seconds without that waveform (default 30)."));
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("The file to write: .osc, .xlsx or .csv."),
                                    QStringLiteral("file"));
    const QCommandLineOption slotOpt(QStringLiteral("slot"),
                                     QStringLiteral("0 the live screen, 1 to 10 a stored waveform (default: the first of any slot)."),
                                     QStringLiteral("n"));
    parser.addOption(outOpt);
    parser.addOption(slotOpt);
    CCliSession session(parser);
    if (!session.Parse(args, false))
        return parser.isSet(QStringLiteral("help")) ? 0 : CliErrors::kUsageStatus;
    const QString strOut = parser.value(outOpt);
    if (strOut.isEmpty())
        return CliErrors::UsageError("osc", QStringLiteral("missing --out FILE"));
    Format format = Format::Osc;
    if (!FormatOf(strOut, &format))
        return CliErrors::UsageError("osc", QStringLiteral("--out %1: the file must end in .osc, .xlsx or .csv").arg(strOut));
    int nWantedSlot = -1;
    if (parser.isSet(slotOpt)) {
        bool bOk = false;
        nWantedSlot = parser.value(slotOpt).toInt(&bOk);
        if (!bOk || nWantedSlot < 0 || nWantedSlot > COscSlots::kMaxStoredSlot)
            return CliErrors::UsageError("osc", QStringLiteral("bad --slot '%1': want 0 to %2")
                                                    .arg(parser.value(slotOpt)).arg(COscSlots::kMaxStoredSlot));
    }
    const double dSeconds = session.Seconds() > 0 ? session.Seconds() : kDefaultSeconds;

    CMeterProtocol protocol(&session.Link(), &session.Prompt());
    session.Link().SetMeterTextSink(&protocol);
    COscSlots oscSlots(&session.Prompt());
    std::atomic<bool> bTaken{false}; //!< the link thread sets it on the waveform it takes; the time limit reads it
    bool bSaved = false;
    // Decoded on the link thread; the first wanted record crosses to this thread by value.
    QObject::connect(&protocol, &CMeterProtocol::OscilloscopeData, &protocol, [&](const QByteArray& strText) {
        const int nSlot = oscSlots.DecodeOscFrame(strText);
        if (nSlot < 0 || (nWantedSlot >= 0 && nSlot != nWantedSlot) || bTaken.exchange(true))
            return;
        const OscRecord record = oscSlots.Slot(nSlot);
        QMetaObject::invokeMethod(&session, [&, record] {
            QString strError;
            const bool bSpectrum = record.m_status == 3;
            bool bOk = false;
            switch (format) {
            case Format::Osc: bOk = COscFile::SaveFile(strOut, record, &strError); break;
            case Format::Workbook: bOk = COscWorkbook::SaveFile(strOut, record, bSpectrum, &strError); break;
            case Format::Csv: bOk = COscCsv::SaveFile(strOut, record, bSpectrum, &strError); break;
            }
            if (!bOk) {
                CliErrors::Error(strError);
                session.Finish(1);
                return;
            }
            bSaved = true;
            std::fprintf(stderr, "saved the waveform of slot %d%s to %s\n", record.m_slot,
                         bSpectrum ? " (spectrum)" : "", qPrintable(strOut));
            session.Finish(0);
        }, Qt::QueuedConnection);
    }, Qt::DirectConnection);

    session.ConnectThen([&] {
        QTimer::singleShot(int(dSeconds * 1000), &session, [&] {
            if (bTaken)
                return; // being saved
            CliErrors::Error(nWantedSlot >= 0
                                 ? QStringLiteral("no waveform of slot %1 received within %2 s").arg(nWantedSlot).arg(dSeconds)
                                 : QStringLiteral("no waveform received within %1 s").arg(dSeconds));
            session.Finish(1);
        });
    });
    int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    if (nStatus == 0 && !bSaved)
        nStatus = 1; // interrupted before anything was saved
    return nStatus;
}
