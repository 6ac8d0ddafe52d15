#pragma once

#include "logger/LoggerListData.h"

#include <QWidget>

class QTableWidget;

// "Logger List", a page of the main window's left dock: one row per recording
// of the last logger download (function, start, data points, sample interval,
// record address). A double-click on a row, or Enter, asks for that recording
// in the logger-data view. GUI thread only.
class CLoggerList : public QWidget
{
    Q_OBJECT
public:
    enum Column { kFunction, kStart, kDataPoints, kInterval, kAddress, kColumnCount };

    static QString Title() { return QStringLiteral("Logger List"); }
    static QString ColumnTitle(int nColumn);
    static int ColumnWidth(int nColumn);

    explicit CLoggerList(QWidget* pParent = nullptr);

    QTableWidget* List() const { return m_pList; }
    int RowCount() const;

    // A download started: no rows.
    void Clear();
    // A recording fetched: one row at the end. bComplete false marks a recording
    // the download left unfinished (its data points count what was kept).
    void AddRow(const LoggerListData& entry, bool bComplete = true);
    // The record address in the row's last column, or -1 when that text is no
    // non-negative number (or there is no such row).
    int AddressOfRow(int nRow) const;
    // The row was double-clicked: ShowRecording unless its address does not convert.
    void OnRowActivated(int nRow);

signals:
    void ShowRecording(int nAddress);

private:
    QTableWidget* m_pList;
};
