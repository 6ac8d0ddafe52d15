#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <optional>

// Reads a workbook back for the tests: an .xlsx is a zip of XML parts, which
// `unzip -p` prints. Only what the tests look at: sheet names, and the cells of
// the first sheet with their text, number and number format.
class CXlsxReader
{
public:
    struct SCell
    {
        bool bNumber = false;
        QString strText;      // strings (shared or inline)
        double dNumber = 0.0;
        QString strFormat;    // the number format code, "General" when none
    };

    bool Open(const QString& strPath, QString* pstrError)
    {
        m_strPath = strPath;
        QByteArray workbook, sheet, strings, styles;
        if (!Part("xl/workbook.xml", &workbook, pstrError) || !Part("xl/worksheets/sheet1.xml", &sheet, pstrError)
            || !Part("xl/styles.xml", &styles, pstrError))
            return false;
        Part("xl/sharedStrings.xml", &strings, nullptr); // absent when every string is inline
        ReadSheetNames(workbook);
        ReadStrings(strings);
        ReadStyles(styles);
        ReadCells(sheet);
        return true;
    }

    const QStringList& SheetNames() const { return m_sheetNames; }
    // Row and column counted from 1.
    std::optional<SCell> Cell(int nRow, int nCol) const
    {
        const auto it = m_cells.find(Key(nRow, nCol));
        return it == m_cells.end() ? std::nullopt : std::optional<SCell>(*it);
    }
    int CellCount() const { return int(m_cells.size()); }
    bool ColumnUsed(int nCol) const
    {
        for (auto it = m_cells.begin(); it != m_cells.end(); ++it)
            if (it.key() % 100 == nCol)
                return true;
        return false;
    }
    int LastRow() const { return m_cells.isEmpty() ? 0 : int(m_cells.lastKey() / 100); }

private:
    static qint64 Key(int nRow, int nCol) { return qint64(nRow) * 100 + nCol; }

    bool Part(const char* pszName, QByteArray* pData, QString* pstrError) const
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), m_strPath, QString::fromLatin1(pszName)});
        if (!unzip.waitForFinished(30000) || unzip.exitStatus() != QProcess::NormalExit || unzip.exitCode() != 0) {
            if (pstrError)
                *pstrError = QStringLiteral("unzip -p %1 %2 failed: %3").arg(m_strPath, pszName,
                                                                            QString::fromLocal8Bit(unzip.readAllStandardError()));
            return false;
        }
        *pData = unzip.readAllStandardOutput();
        return true;
    }

    void ReadSheetNames(const QByteArray& xml)
    {
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("sheet"))
                m_sheetNames << reader.attributes().value("name").toString();
        }
    }

    void ReadStrings(const QByteArray& xml)
    {
        QXmlStreamReader reader(xml);
        QString strCurrent;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("si"))
                strCurrent.clear();
            else if (reader.isStartElement() && reader.name() == QLatin1String("t"))
                strCurrent += reader.readElementText();
            else if (reader.isEndElement() && reader.name() == QLatin1String("si"))
                m_strings << strCurrent;
        }
    }

    void ReadStyles(const QByteArray& xml)
    {
        QMap<int, QString> formats{{0, QStringLiteral("General")}};
        QXmlStreamReader reader(xml);
        bool bInCellXfs = false;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("numFmt"))
                formats[reader.attributes().value("numFmtId").toInt()] = reader.attributes().value("formatCode").toString();
            else if (reader.isStartElement() && reader.name() == QLatin1String("cellXfs"))
                bInCellXfs = true;
            else if (reader.isEndElement() && reader.name() == QLatin1String("cellXfs"))
                bInCellXfs = false;
            else if (bInCellXfs && reader.isStartElement() && reader.name() == QLatin1String("xf"))
                m_styleFormats << formats.value(reader.attributes().value("numFmtId").toInt(), QStringLiteral("?"));
        }
    }

    void ReadCells(const QByteArray& xml)
    {
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            reader.readNext();
            if (!reader.isStartElement() || reader.name() != QLatin1String("c"))
                continue;
            const QString strRef = reader.attributes().value("r").toString();
            const QString strType = reader.attributes().value("t").toString();
            const int nStyle = reader.attributes().value("s").toInt();
            SCell cell;
            cell.strFormat = m_styleFormats.value(nStyle, QStringLiteral("General"));
            while (!(reader.isEndElement() && reader.name() == QLatin1String("c")) && !reader.atEnd()) {
                reader.readNext();
                if (reader.isStartElement() && reader.name() == QLatin1String("v")) {
                    const QString strValue = reader.readElementText();
                    if (strType == QLatin1String("s")) {
                        cell.strText = m_strings.value(strValue.toInt());
                    } else if (strType == QLatin1String("str")) {
                        cell.strText = strValue;
                    } else {
                        cell.bNumber = true;
                        cell.dNumber = strValue.toDouble();
                    }
                } else if (reader.isStartElement() && reader.name() == QLatin1String("t")) {
                    cell.strText += reader.readElementText();
                }
            }
            m_cells.insert(Key(RowOf(strRef), ColumnOf(strRef)), cell);
        }
    }

    static int ColumnOf(const QString& strRef)
    {
        int nCol = 0;
        for (QChar c : strRef) {
            if (!c.isLetter())
                break;
            nCol = nCol * 26 + (c.toUpper().unicode() - 'A' + 1);
        }
        return nCol;
    }
    static int RowOf(const QString& strRef)
    {
        int i = 0;
        while (i < strRef.size() && strRef[i].isLetter())
            ++i;
        return strRef.mid(i).toInt();
    }

    QString m_strPath;
    QStringList m_sheetNames;
    QStringList m_strings;
    QStringList m_styleFormats;
    QMap<qint64, SCell> m_cells;
};
