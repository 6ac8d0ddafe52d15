#pragma once

#include "scope/OscRecord.h"

#include <QString>

class COscGraphState;
class CPrintRX;
class QDateTime;
class QPainter;

// The printouts of the scope window on the pages of a CPrintRX job, in device pixels
// (W x H, column unit u = W/130, m = 4u, text height H/80):
// - "Print Graph": the scope screen in paper colours in the upper half (margins W/30 at the
//   sides, H/35 at the top, the window's span over the page), then from H/2 down the fact
//   lines Date Time, Voo, Vp-p, Sample Rate, Status and Trigger ("NO" for a single trigger);
// - "Print Data": "Data Table", the fact lines and the headings "ID", "Amplitude" (and
//   "Frequency" for the spectrum) on the first page, one underlined row per point
//   ("%.2f"; the bar's frequency text), the headings again on each following page, and
//   on every page the footer "Time: ..." and "Page -n-".
// now is the time of the footers.
class COscPrinter
{
public:
    // screen is the graph as the window shows it (its zoom, its cursors).
    static bool PrintGraph(CPrintRX& job, const COscGraphState& screen, const OscRecord& record, QString* pstrError);
    static bool PrintData(CPrintRX& job, const OscRecord& record, bool bSpectrum, const QDateTime& now,
                          QString* pstrError);

private:
    // The six fact lines from y, one every h; returns the y after them.
    static int DrawFacts(QPainter& painter, const OscRecord& record, int u, int y, int h);
};
