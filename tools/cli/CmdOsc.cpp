// multimeter-cli osc: the first waveform received, saved as .osc, .xlsx or .csv.
#include "CCliSession.h"
#include "CCliOutput.h"
#include "CliVerbs.h"

#include "protocol/CMeterProtocol.h"
#include "scope/COscCsv.h"
#include "scope/COscFile.h"
#include "scope/COscSlots.h"
#include "scope/COscWorkbook.h"

#include <QFileInfo>
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

namespace {
const QString kOut = QStringLiteral("out");
const QString kSlot = QStringLiteral("slot");

int RunOsc(const CCliVerb& verb, QCommandLineParser& parser)
{
    CCliSession session(verb, parser);
    if (!session.Parse())
        return CliStatus::kUsage;
    const QString strOut = parser.value(kOut);
    if (strOut.isEmpty())
        return CliOutput::UsageError(verb.strName, QStringLiteral("missing --out FILE"));
    Format format = Format::Osc;
    if (!FormatOf(strOut, &format))
        return CliOutput::UsageError(verb.strName, QStringLiteral("--out %1: the file must end in .osc, .xlsx or .csv").arg(strOut));
    int nWantedSlot = -1;
    if (parser.isSet(kSlot)) {
        bool bOk = false;
        nWantedSlot = parser.value(kSlot).toInt(&bOk);
        if (!bOk || nWantedSlot < 0 || nWantedSlot > COscSlots::kMaxStoredSlot)
            return CliOutput::UsageError(verb.strName, QStringLiteral("bad --slot '%1': want 0 to %2")
                                                    .arg(parser.value(kSlot)).arg(COscSlots::kMaxStoredSlot));
    }
    if (!CliVerbs::CheckOutputFile(strOut, QStringLiteral("save the waveform into")))
        return CliStatus::kFailed;
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
        session.Post([&, record] {
            QString strError;
            const bool bSpectrum = record.m_status == 3;
            bool bOk = false;
            switch (format) {
            case Format::Osc: bOk = COscFile::SaveFile(strOut, record, &strError); break;
            case Format::Workbook: bOk = COscWorkbook::SaveFile(strOut, record, bSpectrum, &strError); break;
            case Format::Csv: bOk = COscCsv::SaveFile(strOut, record, bSpectrum, &strError); break;
            }
            if (!bOk) {
                CliOutput::Error(strError);
                session.Finish(CliStatus::kFailed);
                return;
            }
            bSaved = true;
            std::fprintf(stderr, "saved the waveform of slot %d%s to %s\n", record.m_slot,
                         bSpectrum ? " (spectrum)" : "", qPrintable(strOut));
            session.Finish(CliStatus::kOk);
        });
    }, Qt::DirectConnection);

    session.ConnectThen([&] {
        QTimer::singleShot(int(dSeconds * 1000), &session, [&] {
            if (bTaken)
                return; // being saved
            CliOutput::Error(nWantedSlot >= 0
                                 ? QStringLiteral("no waveform of slot %1 received within %2 s").arg(nWantedSlot).arg(dSeconds)
                                 : QStringLiteral("no waveform received within %1 s").arg(dSeconds));
            session.Finish(CliStatus::kFailed);
        });
    });
    int nStatus = session.Exec();
    session.Link().SetMeterTextSink(nullptr);
    if (nStatus == 0 && !bSaved)
        nStatus = 1; // interrupted before anything was saved
    return nStatus;
}
}

CCliVerb OscVerb()
{
    CCliVerb verb { QStringLiteral("osc"),
                    QStringLiteral("--port PORT [--mac ADDRESS] [--slot N] [--seconds N] --out FILE"),
                    QStringLiteral("save an oscilloscope waveform as .osc, .xlsx or .csv"),
                    QStringLiteral(
                        "Saves the first oscilloscope waveform the meter sends (of --slot N when given) in the format\n"
                        "FILE's extension names: .osc (the program's waveform file), .xlsx (workbook) or .csv (one row\n"
                        "per point: index, time or frequency, value, unit). A capture of the meter's FFT mode is saved\n"
                        "as its spectrum in .xlsx and .csv. The output folder is checked before connecting. Nothing\n"
                        "within the time limit, or a file that cannot be written: an error, status 1 and no file."),
                    CCliSession::LinkOptions(true, QStringLiteral("Give up after N seconds without that waveform."),
                                             QString::number(kDefaultSeconds)),
                    RunOsc };
    verb.options << QCommandLineOption(kOut, QStringLiteral("The file to write: .osc, .xlsx or .csv."), QStringLiteral("FILE"))
                 << QCommandLineOption(kSlot, QStringLiteral("0 the live screen, 1 to 10 a stored waveform (default: the first of any slot)."),
                                       QStringLiteral("N"));
    return verb;
}
