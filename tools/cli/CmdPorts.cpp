#include "CCliFormat.h"
#include "CCliOutput.h"
#include "CliVerbs.h"

#include "link/CPortList.h"

namespace {
const QString kAll = QStringLiteral("all");

QString UsbIds(const SPortInfo& port)
{
    return port.bUsb ? QStringLiteral("%1:%2").arg(port.nVendorId, 4, 16, QLatin1Char('0')).arg(port.nProductId, 4, 16, QLatin1Char('0'))
                     : QString();
}

int RunPorts(const CCliVerb& verb, QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty())
        return CliOutput::UsageError(verb.strName, QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    const QString strFormat = parser.value(QStringLiteral("format"));
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --format '%1': want tsv or json").arg(strFormat));
    const bool bJson = strFormat == QLatin1String("json");
    QByteArray out = bJson ? QByteArray() : QByteArrayLiteral("path\tby-id\tusb\tmanufacturer\tdescription\n");
    for (const SPortInfo& port : CPortList::Ports(parser.isSet(kAll))) {
        if (bJson) {
            CJsonObject o;
            o.Text("path", port.strPath).Text("byId", port.strById);
            if (port.bUsb)
                o.Integer("vendorId", port.nVendorId).Integer("productId", port.nProductId);
            o.Text("manufacturer", port.strManufacturer).Text("description", port.strDescription)
                .Boolean("pseudoTerminal", port.bPseudoTerminal);
            out += o.ToJson() + '\n';
        } else {
            out += CliFormat::TsvField(port.strPath) + '\t' + CliFormat::TsvField(port.strById) + '\t'
                + UsbIds(port).toUtf8() + '\t' + CliFormat::TsvField(port.strManufacturer) + '\t'
                + CliFormat::TsvField(port.strDescription) + '\n';
        }
    }
    return CliOutput::Write(out) ? CliStatus::kOk : CliOutput::FailureStatus();
}
}

CCliVerb PortsVerb()
{
    return { QStringLiteral("ports"), QStringLiteral("[--all] [--format tsv|json]"),
             QStringLiteral("list the serial ports"),
             QStringLiteral("Lists the serial ports, USB ones first, with what the system knows of them: path,\n"
                            "/dev/serial/by-id name, USB vendor:product ids, manufacturer and description. TSV starts\n"
                            "with a header line."),
             { QCommandLineOption(kAll, QStringLiteral("Also list the pseudo-terminals (where meter-sim serves a "
                                                       "simulated dongle); they are not serial hardware.")),
               QCommandLineOption(QStringLiteral("format"), QStringLiteral("tsv or json."), QStringLiteral("FORMAT"),
                                  QStringLiteral("tsv")) },
             RunPorts };
}
