#include "scope/COscCsv.h"

#include "base/CFileIo.h"
#include "base/CSpreadsheetText.h"
#include "scope/COscPoints.h"

QByteArray COscCsv::Text(const OscRecord& record, bool bSpectrum)
{
    const COscPoints points(record, bSpectrum);
    const QByteArray unit = bSpectrum ? QByteArray() : CSpreadsheetText::CsvField(record.m_unit).toUtf8();
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
    return CFileIo::SaveBytes(strPath, Text(record, bSpectrum), pstrError);
}
