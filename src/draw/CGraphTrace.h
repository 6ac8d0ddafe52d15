#pragma once

#include <QtGlobal>

class CGraphXAxis;
class CMinMaxSummary;
class QColor;
class QPainter;
struct CGraphMapping;

// Draws the trend line and the point marks of readings [nFirst, nLast) from their series
// values (CMinMaxSummary: in the document's unit, overloads on the limits). Readings of
// another quantity are left out and the line joins across them; where the readings' times
// leave a gap, the line breaks.
//
// Where many readings share a pixel column, the segments inside the column together cover
// exactly the run from its lowest to its highest row, so the column is drawn as that run
// (from the min/max summary) plus the one segment to the next column: the same pixels as
// drawing every segment, at a cost that follows the width instead of the count. There a gap
// is under a pixel on the reading axis and is not looked for; on the time axis it leaves its
// stretch of plot empty, between columns, and inside one it cannot show.
class CGraphTrace
{
public:
    // Marks are drawn only while points lie at least this many pixels apart; closer, they
    // merge into a band that hides the line.
    static constexpr double kMarkSpacing = 3.0;

    static bool MarksVisible(bool bMarkPoints, double dXScale)
    {
        return bMarkPoints && dXScale * kMarkSpacing <= 1.0;
    }

    // Whether nPoints readings over nPlotWidth columns are drawn as min/max columns.
    static bool UsesColumns(qint64 nPoints, int nPlotWidth) { return nPoints > 2 * qint64(nPlotWidth); }

    // series covers the readings of axis; bEverySegment draws every segment even where the
    // columns would give the same pixels.
    static void Draw(QPainter& painter, const CGraphMapping& map, const CGraphXAxis& axis, const CMinMaxSummary& series,
                     qint64 nFirst, qint64 nLast, const QColor& lineColor, const QColor& pointColor, bool bMarks,
                     bool bEverySegment);

    // One point mark at (x, y), with the painter's current pen.
    static void DrawMark(QPainter& painter, int x, int y);
    // The pen of the marks.
    static void SetMarkPen(QPainter& painter, const QColor& pointColor);
};
