// Text as spreadsheet cells: never a formula, never a broken row, otherwise untouched.
#include "base/CSpreadsheetText.h"

#include <gtest/gtest.h>

TEST(SpreadsheetText, FormulasAreQuotedAndControlsBecomeSpaces)
{
    // Everything a meter or a recording of this program holds stays as it is.
    for (const QString& str : { QString(), QStringLiteral("VDC"), QStringLiteral("14/3/25 9:30:01"),
                                QStringLiteral("k\u03a9"), QStringLiteral("\u00b0C"), QStringLiteral("a=b"), QStringLiteral("1-2") })
        EXPECT_EQ(CSpreadsheetText::Cell(str), str) << qPrintable(str);

    EXPECT_EQ(CSpreadsheetText::Cell("=HYPERLINK(\"http://x\",\"y\")"), "'=HYPERLINK(\"http://x\",\"y\")");
    EXPECT_EQ(CSpreadsheetText::Cell("+1"), "'+1");
    EXPECT_EQ(CSpreadsheetText::Cell("-2+3"), "'-2+3");
    EXPECT_EQ(CSpreadsheetText::Cell("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CSpreadsheetText::Cell("a\tb\nc\rd"), "a b c d");
    EXPECT_EQ(CSpreadsheetText::Cell(QString::fromUtf8("\x1b[31mred\x7f\xc2\x9b")), " [31mred  ");
    EXPECT_EQ(CSpreadsheetText::Cell("=\t1"), "'= 1");
    // A control in front leaves a space in front: no formula then.
    EXPECT_EQ(CSpreadsheetText::Cell("\t=1"), " =1");
    EXPECT_EQ(CSpreadsheetText::WithoutControls("-1\t@"), "-1 @");

    EXPECT_EQ(CSpreadsheetText::CsvField("plain"), "plain");
    EXPECT_EQ(CSpreadsheetText::CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CSpreadsheetText::CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CSpreadsheetText::CsvField("=1,2\n"), "\"'=1,2 \"");
}
