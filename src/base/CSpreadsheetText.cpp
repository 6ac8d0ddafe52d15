#include "base/CSpreadsheetText.h"

#include <algorithm>

namespace {

bool StartsFormula(const QString& str)
{
    if (str.isEmpty())
        return false;
    const QChar c = str.front();
    return c == u'=' || c == u'+' || c == u'-' || c == u'@';
}

} // namespace

QString CSpreadsheetText::WithoutControls(const QString& str)
{
    if (std::none_of(str.begin(), str.end(), CSpreadsheetText::IsControl))
        return str;
    QString strText = str;
    for (QChar& c : strText) {
        if (CSpreadsheetText::IsControl(c))
            c = u' ';
    }
    return strText;
}

QString CSpreadsheetText::Cell(const QString& str)
{
    QString strCell = WithoutControls(str);
    if (StartsFormula(str))
        strCell.prepend(u'\'');
    return strCell;
}

QString CSpreadsheetText::CsvField(const QString& str)
{
    QString strField = Cell(str);
    if (!strField.contains(u',') && !strField.contains(u'"'))
        return strField;
    strField.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + strField + u'"';
}
