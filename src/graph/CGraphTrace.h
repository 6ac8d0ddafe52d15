#pragma once

#include <QList>
#include <QtGlobal>

class CMinMaxSummary;
class CObData;
class QColor;
class QPainter;
struct CGraphMapping;

// Draws the trend line and the point marks of readings [nFirst, nLast).
//
// Where many readings share a pixel column, the segments inside the column together cover
// exactly the run from its lowest to its highest row, so the column is drawn as that run
// (from the min/max summary) plus the one segment to the next column: the same pixels as
// drawing every segment, at a cost that follows the width instead of the count.
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

    // pSummary covers arr (nullptr draws every segment, as does bEverySegment).
    static void Draw(QPainter& painter, const CGraphMapping& map, const QList<CObData*>& arr,
                     const CMinMaxSummary* pSummary, qint64 nFirst, qint64 nLast,
                     const QColor& lineColor, const QColor& pointColor, bool bMarks,
                     bool bEverySegment);

    // One point mark at (x, y), with the painter's current pen.
    static void DrawMark(QPainter& painter, int x, int y);
    // The pen of the marks.
    static void SetMarkPen(QPainter& painter, const QColor& pointColor);
};
