#include "CmdOscDump.h"

#include "scope/COscFile.h"
#include "scope/COscPoints.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <charconv>
#include <cmath>

namespace {

QList<QPair<QString, QVariant>> Fields(const OscRecord& r)
{
    return {
        {QStringLiteral("slot"), r.m_slot},
        {QStringLiteral("valid"), int(r.m_valid)},
        {QStringLiteral("status"), r.m_status},
        {QStringLiteral("rateText"), r.m_rateText},
        {QStringLiteral("rateCode"), r.m_rateCode},
        {QStringLiteral("voltsPerDiv"), r.m_voltsPerDiv},
        {QStringLiteral("voltsText"), r.m_voltsText},
        {QStringLiteral("vpp"), r.m_vpp},
        {QStringLiteral("vppText"), r.m_vppText},
        {QStringLiteral("speed"), r.m_speed},
        {QStringLiteral("page"), r.m_page},
        {QStringLiteral("coupling"), r.m_coupling},
        {QStringLiteral("trigger"), r.m_trigger},
        {QStringLiteral("triggerLevel"), r.m_triggerLevel},
        {QStringLiteral("maxValue"), r.m_maxValue},
        {QStringLiteral("minValue"), r.m_minValue},
        {QStringLiteral("pos1"), r.m_pos1},
        {QStringLiteral("pos2"), r.m_pos2},
        {QStringLiteral("unit"), r.m_unit},
        {QStringLiteral("period"), r.m_period},
        {QStringLiteral("periodText"), r.m_periodText},
        {QStringLiteral("freq"), r.m_freq},
        {QStringLiteral("freqText"), r.m_freqText},
        {QStringLiteral("year"), r.m_year},
        {QStringLiteral("date1"), r.m_date1},
        {QStringLiteral("date2"), r.m_date2},
        {QStringLiteral("hour"), r.m_hour},
        {QStringLiteral("minute"), r.m_minute},
        {QStringLiteral("second"), r.m_second},
        {QStringLiteral("dateOrder"), r.m_dateOrder},
    };
}

// Shortest text that reads back as the same number; a value stored as a float
// (samples, bars) is written as that float, "0.01" rather than its double digits.
QString Number(double d)
{
    const float f = float(d);
    if (std::isfinite(d) && double(f) == d) {
        char sz[32];
        const auto result = std::to_chars(sz, sz + sizeof sz, f);
        return QString::fromLatin1(sz, int(result.ptr - sz));
    }
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

QString TsvText(QString str)
{
    return str.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

QByteArray Tsv(const OscRecord& record)
{
    QString out = QStringLiteral("field\tvalue\n");
    for (const auto& [strName, value] : Fields(record))
        out += strName + QLatin1Char('\t')
            + (value.typeId() == QMetaType::Double ? Number(value.toDouble()) : TsvText(value.toString())) + QLatin1Char('\n');
    for (const bool bSpectrum : {false, true}) {
        const COscPoints points(record, bSpectrum);
        out += bSpectrum ? QStringLiteral("\nbar\tfrequency_hz\tvalue\n") : QStringLiteral("\nsample\ttime_s\tvalue\tunit\n");
        for (int i = 0; i < points.Count(); ++i) {
            const std::optional<double> position = points.Position(i);
            out += QString::number(i) + QLatin1Char('\t') + (position ? Number(*position) : QString()) + QLatin1Char('\t')
                + Number(points.Value(i));
            if (!bSpectrum)
                out += QLatin1Char('\t') + TsvText(record.m_unit);
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

QJsonValue JsonNumber(double d)
{
    return std::isfinite(d) ? QJsonValue(d) : QJsonValue(QJsonValue::Null);
}

QByteArray Json(const OscRecord& record, const QString& strPath)
{
    QJsonObject fields;
    for (const auto& [strName, value] : Fields(record))
        fields.insert(strName, value.typeId() == QMetaType::Double ? JsonNumber(value.toDouble()) : QJsonValue::fromVariant(value));
    QJsonObject root{{QStringLiteral("file"), strPath}, {QStringLiteral("fields"), fields}};
    for (const bool bSpectrum : {false, true}) {
        const COscPoints points(record, bSpectrum);
        QJsonArray arr;
        for (int i = 0; i < points.Count(); ++i) {
            const std::optional<double> position = points.Position(i);
            QJsonObject point{{QStringLiteral("index"), i}, {QStringLiteral("value"), JsonNumber(points.Value(i))}};
            point.insert(bSpectrum ? QStringLiteral("frequency_hz") : QStringLiteral("time_s"),
                         position ? JsonNumber(*position) : QJsonValue(QJsonValue::Null));
            arr.append(point);
        }
        root.insert(bSpectrum ? QStringLiteral("bars") : QStringLiteral("samples"), arr);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

bool NamesOscFile(const QStringList& args)
{
    for (qsizetype i = 1; i < args.size(); ++i)
        if (args[i].endsWith(QLatin1String(".osc"), Qt::CaseInsensitive) && !args[i - 1].startsWith(QLatin1String("--format")))
            return true;
    return false;
}

int RunOscDump(const QStringList& args, QIODevice& out, QIODevice& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Print a waveform file's fields, its 300 samples (time in seconds, value, unit) and its 120 spectrum bars."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the .osc file"));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("tsv (default) or json"),
                                          QStringLiteral("format"), QStringLiteral("tsv"));
    parser.addOption(formatOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    auto usageError = [&](const QString& strReason) {
        err.write(QStringLiteral("multimeter-cli: error: %1\nTry 'multimeter-cli dump --help'.\n").arg(strReason).toUtf8());
        return 64;
    };
    if (!parser.parse(args))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        out.write(parser.helpText().toUtf8());
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return usageError(files.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("give exactly one file"));
    const QString strFormat = parser.value(formatOption);
    if (strFormat != QLatin1String("tsv") && strFormat != QLatin1String("json"))
        return usageError(QStringLiteral("unknown format \"%1\"").arg(strFormat));
    QString strError;
    const std::optional<OscRecord> record = COscFile::LoadFile(files.first(), &strError);
    if (!record) {
        err.write(QStringLiteral("multimeter-cli: error: %1\n").arg(strError).toUtf8());
        return 1;
    }
    out.write(strFormat == QLatin1String("json") ? Json(*record, files.first()) : Tsv(*record));
    return 0;
}
