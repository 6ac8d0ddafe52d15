// The "Logger List" page: its columns, its rows, and what a double-click asks for.
#include "logger/ui/CLoggerList.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList RowTexts(const CLoggerList& list, int nRow)
{
    QStringList texts;
    for (int c = 0; c < CLoggerList::kColumnCount; ++c)
        texts << list.List()->item(nRow, c)->text();
    return texts;
}

// Double-clicks the middle of a row's first cell.
void DoubleClickRow(CLoggerList& list, int nRow)
{
    QTableWidget* pTable = list.List();
    const QRect rc = pTable->visualRect(pTable->model()->index(nRow, 0));
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, {}, rc.center());
    QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, {}, rc.center());
}

} // namespace

TEST(LoggerList, ColumnsRowsAndDoubleClicks)
{
    CLoggerList list;
    list.resize(500, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QTableWidget* pTable = list.List();

    const QStringList titles = {"Funtion", "Record Time", "Data Points", "SampleRate(sec.)", "Record Address"};
    const int widths[] = {53, 130, 70, 105, 95};
    ASSERT_EQ(pTable->columnCount(), 5);
    for (int c = 0; c < 4; ++c) { // the last one stretches to the page's edge
        EXPECT_EQ(pTable->horizontalHeaderItem(c)->text(), titles[c]);
        EXPECT_EQ(pTable->horizontalHeader()->sectionSize(c), widths[c]) << c;
    }
    EXPECT_EQ(pTable->horizontalHeaderItem(4)->text(), titles[4]);
    EXPECT_GE(pTable->horizontalHeader()->sectionSize(4), widths[4]);
    EXPECT_TRUE(pTable->showGrid());
    EXPECT_EQ(pTable->selectionBehavior(), QAbstractItemView::SelectRows);

    // Rows in the order the download fetches them, each at the end.
    list.AddRow(LoggerListData("FREQ", "31-12-2025, 23 59 00", 250, 1, 3));
    list.AddRow(LoggerListData("RES", "14-03-2025, 10 00 00", 350, 10, 2));
    list.AddRow(LoggerListData("CAP", "14-03-2025, 09 30 00", 17, 2, 1), false);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(RowTexts(list, 0), QStringList({"FREQ", "31-12-2025, 23 59 00", "250", "1", "3"}));
    EXPECT_EQ(RowTexts(list, 1), QStringList({"RES", "14-03-2025, 10 00 00", "350", "10", "2"}));
    EXPECT_TRUE(pTable->item(1, 0)->toolTip().isEmpty());
    EXPECT_TRUE(pTable->item(2, 2)->toolTip().contains("17 samples")); // cut short by the end of the download
    // Cells cannot be edited.
    EXPECT_EQ(pTable->editTriggers(), QAbstractItemView::NoEditTriggers);

    QSignalSpy shown(&list, &CLoggerList::ShowRecording);
    DoubleClickRow(list, 1);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0][0].toInt(), 2);
    DoubleClickRow(list, 1); // again: asked again
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1][0].toInt(), 2);
    // Enter on the selected row does the same.
    pTable->setCurrentCell(0, 0);
    pTable->setFocus();
    QTest::keyClick(pTable, Qt::Key_Return);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[2][0].toInt(), 3);

    // An address that is no non-negative number asks for nothing.
    for (const char* pszBad : {"x", "", "-1", "2.5", "99999999999"}) {
        pTable->item(1, CLoggerList::kAddress)->setText(QString::fromLatin1(pszBad));
        EXPECT_EQ(list.AddressOfRow(1), -1) << pszBad;
        DoubleClickRow(list, 1);
    }
    EXPECT_EQ(shown.size(), 3);
    EXPECT_EQ(list.AddressOfRow(7), -1); // no such row
    list.OnRowActivated(-1);
    EXPECT_EQ(shown.size(), 3);
    pTable->item(1, CLoggerList::kAddress)->setText(QStringLiteral(" 0 "));
    DoubleClickRow(list, 1);
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[3][0].toInt(), 0);

    // A new download starts with an empty list.
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
    list.AddRow(LoggerListData("VDC", "01-01-2026, 00 00 00", 1, 1, 7));
    EXPECT_EQ(RowTexts(list, 0)[4], "7");
}
