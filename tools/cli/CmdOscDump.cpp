#include "CmdOscDump.h"

#include "scope/COscFile.h"
#include "scope/COscPoints.h"

#include "CCliFormat.h"
#include "CCliOutput.h"

#include <QIODevice>

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

// A value stored as a float (samples, bars) is written as that float, "0.01" rather
// than its double digits.
QByteArray Number(double d)
{
    const float f = float(d);
    return double(f) == d ? CliFormat::JsonNumber(f) : CliFormat::JsonNumber(d);
}

QByteArray Tsv(const OscRecord& record)
{
    QByteArray out = "field\tvalue\n";
    for (const auto& [strName, value] : Fields(record))
        out += strName.toUtf8() + '\t'
            + (value.typeId() == QMetaType::Double ? Number(value.toDouble()) : CliFormat::TsvField(value.toString())) + '\n';
    for (const bool bSpectrum : {false, true}) {
        const COscPoints points(record, bSpectrum);
        out += bSpectrum ? "\nbar\tfrequency_hz\tvalue\n" : "\nsample\ttime_s\tvalue\tunit\n";
        for (int i = 0; i < points.Count(); ++i) {
            const std::optional<double> position = points.Position(i);
            out += QByteArray::number(i) + '\t' + (position ? Number(*position) : QByteArray()) + '\t' + Number(points.Value(i));
            if (!bSpectrum)
                out += '\t' + CliFormat::TsvField(record.m_unit);
            out += '\n';
        }
    }
    return out;
}

QByteArray Json(const OscRecord& record, const QString& strPath)
{
    CJsonObject fields;
    for (const auto& [strName, value] : Fields(record)) {
        const QByteArray key = strName.toUtf8();
        switch (value.typeId()) {
        case QMetaType::Double: fields.Raw(key.constData(), Number(value.toDouble())); break;
        case QMetaType::Int: fields.Integer(key.constData(), value.toInt()); break;
        default: fields.Text(key.constData(), value.toString()); break;
        }
    }
    CJsonObject root;
    root.Text("file", strPath).Raw("fields", fields.ToJson());
    for (const bool bSpectrum : {false, true}) {
        const COscPoints points(record, bSpectrum);
        QByteArray array = "[";
        for (int i = 0; i < points.Count(); ++i) {
            const std::optional<double> position = points.Position(i);
            CJsonObject point;
            point.Integer("index", i).Raw("value", Number(points.Value(i)));
            point.Raw(bSpectrum ? "frequency_hz" : "time_s", position ? Number(*position) : QByteArrayLiteral("null"));
            array += (i ? "," : "") + point.ToJson();
        }
        root.Raw(bSpectrum ? "bars" : "samples", array + ']');
    }
    return root.ToJson() + '\n';
}

} // namespace

int DumpOscFile(const QString& strPath, const QString& strFormat, QIODevice& out, QString* pstrError)
{
    const std::optional<OscRecord> record = COscFile::LoadFile(strPath, pstrError);
    if (!record)
        return CliStatus::kFailed;
    const QByteArray text = strFormat == QLatin1String("json") ? Json(*record, strPath) : Tsv(*record);
    if (out.write(text) != text.size()) {
        *pstrError = QStringLiteral("cannot write the output: %1").arg(out.errorString());
        return CliStatus::kFailed;
    }
    return CliStatus::kOk;
}
