#include "document/CReadingsExport.h"

#include "base/CFileIo.h"
#include "base/CPrintf.h"
#include "base/CSpreadsheetText.h"
#include "document/CMyTalvaDoc.h"

#include <QBuffer>
#include <QDateTime>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Lines are gathered and handed to the device in large pieces.
constexpr qsizetype kChunk = 256 * 1024;

class CChunkWriter
{
public:
    explicit CChunkWriter(QIODevice& device) : m_device(device) { m_buffer.reserve(kChunk + 4096); }

    void Add(const QByteArray& bytes)
    {
        m_buffer += bytes;
        if (m_buffer.size() >= kChunk)
            Flush();
    }
    bool Finish()
    {
        Flush();
        return m_bOk;
    }

private:
    void Flush()
    {
        if (m_bOk && !m_buffer.isEmpty())
            m_bOk = m_device.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_bOk = true;
};

QString Fixed4(double d)
{
    return CPrintf::Format("%.4f", d);
}

std::optional<CObData> LastRecord(const CMyTalvaDoc& doc)
{
    const CRecordArray& records = doc.m_arrData[0];
    for (qsizetype i = records.size() - 1; i >= 0; --i) {
        if (!records.IsNull(i))
            return records.Record(i);
    }
    return std::nullopt;
}

using WriteFn = bool (*)(const CMyTalvaDoc&, QIODevice&);

bool SaveThrough(const QString& strPath, const CMyTalvaDoc& doc, WriteFn write, QString* pstrError)
{
    return CFileIo::Save(strPath, [&doc, write](QIODevice& device, QString*) { return write(doc, device); }, pstrError);
}

QByteArray ToBytes(const CMyTalvaDoc& doc, WriteFn write)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    write(doc, buffer);
    return data;
}

} // namespace

QString CReadingsExport::DefaultXlsName(const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    return CPrintf::Format("%d-%d-%d %d-%d.xls", date.year(), date.month(), date.day(), time.hour(),
                           time.minute());
}

bool CReadingsExport::HasReadings(const CMyTalvaDoc& doc)
{
    return LastRecord(doc).has_value();
}

bool CReadingsExport::WriteXls(const CMyTalvaDoc& doc, QIODevice& device)
{
    CChunkWriter out(device);
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    auto line = [&](const QString& str) { out.Add(utf16(str)); };

    out.Add(QByteArray("\xff\xfe", 2));
    const std::optional<CObData> pLast = LastRecord(doc);
    // The times of Max and Min follow a number in their cells: only their control characters go.
    line(QStringLiteral("StartTime\t%1\t\n").arg(CSpreadsheetText::Cell(doc.m_strStartTime)));
    line(QStringLiteral("Max\t%1 @ %2\t\n").arg(Fixed4(doc.m_dMax), CSpreadsheetText::WithoutControls(doc.m_strMaxTime)));
    line(QStringLiteral("Min\t%1 @ %2\t\n").arg(Fixed4(doc.m_dMin), CSpreadsheetText::WithoutControls(doc.m_strMinTime)));
    line(QStringLiteral("Average\t%1\t\n").arg(Fixed4(doc.m_dAverage)));
    line(QStringLiteral("EndTime\t%1\t\n").arg(CSpreadsheetText::Cell(pLast ? pLast->m_strTime : QString())));
    line(QStringLiteral("ID\tUnit\tValue\tType\tDateTime\t\n"));
    const CRecordArray& records = doc.m_arrData[0];
    for (qsizetype i = 0; i < records.size(); ++i) {
        const std::optional<CObData> pOb = records.Record(i);
        if (!pOb)
            continue;
        // Only the positive overload reads "OL" here: files read by scripts always did so.
        const QString strValue = pOb->m_dValue == CObData::kOverload ? QStringLiteral("OL") : Fixed4(pOb->m_dValue);
        QString str = QString::number(i + 1);
        str += u'\t';
        str += CSpreadsheetText::Cell(pOb->m_strUnit);
        str += u'\t';
        str += strValue;
        str += u'\t';
        str += CSpreadsheetText::Cell(pOb->m_strType);
        str += u'\t';
        str += CSpreadsheetText::Cell(pOb->m_strTime);
        str += QStringLiteral("\t\n");
        line(str);
    }
    return out.Finish();
}

QByteArray CReadingsExport::CsvHeader()
{
    return QByteArrayLiteral("ID,Time,Value,Unit,Type\r\n");
}

QByteArray CReadingsExport::CsvLine(qsizetype nId, const CObData& ob)
{
    const QString strValue = CObData::IsOverload(ob.m_dValue) ? QStringLiteral("OL") : Fixed4(ob.m_dValue);
    const QString str = QString::number(nId) + u',' + CSpreadsheetText::CsvField(ob.m_strTime) + u',' + strValue + u','
        + CSpreadsheetText::CsvField(ob.m_strUnit) + u',' + CSpreadsheetText::CsvField(ob.m_strType) + QStringLiteral("\r\n");
    return str.toUtf8();
}

bool CReadingsExport::WriteCsv(const CMyTalvaDoc& doc, QIODevice& device)
{
    CChunkWriter out(device);
    out.Add(CsvHeader());
    const CRecordArray& records = doc.m_arrData[0];
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (const std::optional<CObData> pOb = records.Record(i))
            out.Add(CsvLine(i + 1, *pOb));
    }
    return out.Finish();
}

QByteArray CReadingsExport::XlsBytes(const CMyTalvaDoc& doc)
{
    return ToBytes(doc, &CReadingsExport::WriteXls);
}

QByteArray CReadingsExport::CsvBytes(const CMyTalvaDoc& doc)
{
    return ToBytes(doc, &CReadingsExport::WriteCsv);
}

bool CReadingsExport::SaveXls(const QString& strPath, const CMyTalvaDoc& doc, QString* pstrError)
{
    return SaveThrough(strPath, doc, &CReadingsExport::WriteXls, pstrError);
}

bool CReadingsExport::SaveCsv(const QString& strPath, const CMyTalvaDoc& doc, QString* pstrError)
{
    return SaveThrough(strPath, doc, &CReadingsExport::WriteCsv, pstrError);
}
