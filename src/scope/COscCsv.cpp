#include "scope/COscCsv.h"

#include "scope/COscFileIo.h"
#include "scope/COscPoints.h"

namespace {

// Units are the meter's short texts; quote anything that would break the row.
QByteArray Field(const QString& str)
{
    QByteArray utf8 = str.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') && !utf8.contains('\r'))
        return utf8;
    return '"' + utf8.replace('"', "\"\"") + '"';
}

} // namespace

QByteArray COscCsv::Text(const OscRecord& record, bool bSpectrum)
{
    const COscPoints points(record, bSpectrum);
    const QByteArray unit = bSpectrum ? QByteArray() : Field(record.m_unit);
    QByteArray text = bSpectrum ? "index,frequency_hz,value,unit\n" : "index,time_s,value,unit\n";
    for (int i = 0; i < points.Count(); ++i) {
        const std::optional<double> position = points.Position(i);
        text += QByteArray::number(i) + ',' + (position ? QByteArray::number(*position, 'g', 10) : QByteArray())
                + ',' + QByteArray::number(points.Value(i), 'g', 7) + ',' + unit + '\n';
    }
    return text;
}

bool COscCsv::SaveFile(const QString& strPath, const OscRecord& record, bool bSpectrum, QString* pstrError)
{
    return COscFileIo::WriteAll(strPath, Text(record, bSpectrum), pstrError);
}
