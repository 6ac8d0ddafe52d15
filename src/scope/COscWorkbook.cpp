#include "scope/COscWorkbook.h"

#include "base/CFileIo.h"
#include "base/CPrintf.h"
#include "scope/COscPoints.h"
#include "scope/COscText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cmath>
#include <map>

namespace {

// The workbook is built in a private folder and copied to its place when
// complete; libxlsxwriter writes its own temporary files there too.
constexpr qint64 kMaxWorkbookBytes = 64 * 1024 * 1024;

// Cells of one sheet, rows and columns counted from 1 as the sheet shows them.
// The first failure sticks and names the cell.
class CSheetWriter
{
public:
    CSheetWriter(lxw_workbook* pBook, lxw_worksheet* pSheet) : m_pBook(pBook), m_pSheet(pSheet) {}

    void Text(int nRow, int nCol, const QString& str)
    {
        if (str.isEmpty())
            return;
        const QByteArray utf8 = str.toUtf8();
        Check(worksheet_write_string(m_pSheet, lxw_row_t(nRow - 1), lxw_col_t(nCol - 1), utf8.constData(), nullptr),
              nRow, nCol);
    }

    void Integer(int nRow, int nCol, int n)
    {
        Check(worksheet_write_number(m_pSheet, lxw_row_t(nRow - 1), lxw_col_t(nCol - 1), n, nullptr), nRow, nCol);
    }

    // dValue as its "%.*f" text reads, shown with that many decimals.
    void Fixed(int nRow, int nCol, double dValue, int nDecimals)
    {
        const QString strText = CPrintf::Format("%.*f", nDecimals, dValue);
        if (!std::isfinite(dValue))
            return Text(nRow, nCol, strText);
        Check(worksheet_write_number(m_pSheet, lxw_row_t(nRow - 1), lxw_col_t(nCol - 1), strText.toDouble(),
                                     Format(nDecimals)),
              nRow, nCol);
    }

    const QString& Error() const { return m_strError; }

private:
    lxw_format* Format(int nDecimals)
    {
        lxw_format*& pFormat = m_formats[nDecimals];
        if (!pFormat) {
            pFormat = workbook_add_format(m_pBook);
            const QByteArray code = nDecimals > 0 ? "0." + QByteArray(nDecimals, '0') : QByteArray("0");
            if (pFormat)
                format_set_num_format(pFormat, code.constData());
        }
        return pFormat;
    }

    void Check(lxw_error error, int nRow, int nCol)
    {
        if (error != LXW_NO_ERROR && m_strError.isEmpty())
            m_strError = QStringLiteral("row %1, column %2: %3").arg(nRow).arg(nCol).arg(QString::fromLatin1(lxw_strerror(error)));
    }

    lxw_workbook* m_pBook;
    lxw_worksheet* m_pSheet;
    std::map<int, lxw_format*> m_formats; // owned by the workbook
    QString m_strError;
};

void FillSheet(CSheetWriter& sheet, const OscRecord& record, bool bSpectrum)
{
    const std::pair<const char*, QString> facts[] = {
        {"DateTime", COscText::FactsDateTime(record)},
        {"Voo", record.m_voltsText},
        {"Vp-p", record.m_vppText},
        {"Sample Rate", record.m_rateText},
        {"Status", COscText::StatusWord(record.m_status)},
        {"Trigger", COscText::TriggerText(record)},
    };
    int nRow = 1;
    for (const auto& [pszLabel, strValue] : facts) {
        sheet.Text(nRow, 1, QString::fromLatin1(pszLabel));
        sheet.Text(nRow, 3, strValue);
        ++nRow;
    }
    sheet.Text(nRow, 1, QStringLiteral("ID"));
    sheet.Text(nRow, 3, QStringLiteral("Value"));
    if (bSpectrum)
        sheet.Text(nRow, 4, QStringLiteral("Frequency"));

    const COscPoints points(record, bSpectrum);
    for (int i = 0; i < points.Count(); ++i) {
        nRow = COscWorkbook::kFirstPointRow + i;
        sheet.Integer(nRow, 1, i + 1);
        sheet.Fixed(nRow, 3, points.Value(i), 4);
        if (bSpectrum) {
            const COscText::SBarFrequency freq = COscText::BarFrequency(record.m_rateCode, i);
            sheet.Fixed(nRow, 4, freq.dValue, freq.nDecimals);
            sheet.Text(nRow, 5, freq.strUnit);
        }
    }
}

bool BuildWorkbook(const QString& strPath, const QString& strTempDir, const OscRecord& record, bool bSpectrum,
                   QString* pstrReason)
{
    QByteArray tempDir = QFile::encodeName(strTempDir);
    lxw_workbook_options options{};
    options.tmpdir = tempDir.data();
    lxw_workbook* pBook = workbook_new_opt(QFile::encodeName(strPath).constData(), &options);
    if (!pBook) {
        *pstrReason = QStringLiteral("the workbook could not be created");
        return false;
    }
    lxw_worksheet* pSheet = workbook_add_worksheet(pBook, COscWorkbook::SheetName().toUtf8().constData());
    QString strError;
    if (pSheet) {
        CSheetWriter sheet(pBook, pSheet);
        worksheet_set_column(pSheet, 0, 0, 12, nullptr);
        worksheet_set_column(pSheet, 2, 2, 22, nullptr);
        FillSheet(sheet, record, bSpectrum);
        strError = sheet.Error();
    } else {
        strError = QStringLiteral("the sheet could not be added");
    }
    // Closing writes the file and frees the workbook, whatever happened before.
    const lxw_error closeError = workbook_close(pBook);
    if (strError.isEmpty() && closeError != LXW_NO_ERROR)
        strError = QString::fromLatin1(lxw_strerror(closeError));
    *pstrReason = strError;
    return strError.isEmpty();
}

} // namespace

bool COscWorkbook::SaveFile(const QString& strPath, const OscRecord& record, bool bSpectrum, QString* pstrError)
{
    QTemporaryDir tempDir;
    if (!tempDir.isValid()) {
        if (pstrError)
            *pstrError = CFileIo::SaveError(strPath, tempDir.errorString());
        return false;
    }
    const QString strBuilt = tempDir.filePath(QStringLiteral("export.xlsx"));
    QString strReason;
    if (!BuildWorkbook(strBuilt, tempDir.path(), record, bSpectrum, &strReason)) {
        if (pstrError)
            *pstrError = CFileIo::SaveError(strPath, strReason);
        return false;
    }
    QByteArray data;
    if (!CFileIo::ReadAll(strBuilt, kMaxWorkbookBytes, &data, &strReason)) {
        if (pstrError)
            *pstrError = CFileIo::SaveError(strPath, strReason);
        return false;
    }
    return CFileIo::SaveBytes(strPath, data, pstrError);
}
