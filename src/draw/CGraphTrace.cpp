#include "draw/CGraphTrace.h"

#include "document/CMinMaxSummary.h"
#include "document/CReadingTimes.h"
#include "trend/CGraphMapping.h"
#include "trend/CGraphXAxis.h"

#include <QLine>
#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kBatch = 4096;

// Collects lines and hands them to the painter in batches.
class CLineBatch
{
public:
    explicit CLineBatch(QPainter& painter)
        : m_painter(painter)
    {
    }
    ~CLineBatch() { Flush(); }
    void Add(qint64 x1, int y1, qint64 x2, int y2)
    {
        m_lines.append(QLine(int(x1), y1, int(x2), y2));
        if (m_lines.size() == kBatch)
            Flush();
    }
    void Flush()
    {
        if (!m_lines.isEmpty())
            m_painter.drawLines(m_lines.constData(), int(m_lines.size()));
        m_lines.clear();
    }

private:
    QPainter& m_painter;
    QVarLengthArray<QLine, kBatch> m_lines;
};

// Rows of the highest and lowest reading drawn in a column.
std::pair<int, int> ColumnRun(const CGraphMapping& map, const CMinMaxSummary::CExtremes& e)
{
    double dHigh = -std::numeric_limits<double>::infinity();
    double dLow = std::numeric_limits<double>::infinity();
    if (e.dMin <= e.dMax) {
        dHigh = e.dMax;
        dLow = e.dMin;
    }
    if (e.bTop) {
        dHigh = std::max(dHigh, map.dYMax);
        dLow = std::min(dLow, map.dYMax);
    }
    if (e.bBottom) {
        dHigh = std::max(dHigh, map.dYMin);
        dLow = std::min(dLow, map.dYMin);
    }
    // Rows grow downwards and Py never rises with the value.
    return {map.Py(dHigh), map.Py(dLow)};
}

} // namespace

void CGraphTrace::SetMarkPen(QPainter& painter, const QColor& pointColor)
{
    painter.setPen(QPen(pointColor, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
}

void CGraphTrace::DrawMark(QPainter& painter, int x, int y)
{
    painter.drawEllipse(QRectF(x - 1, y - 1, 2, 2));
}

void CGraphTrace::Draw(QPainter& painter, const CGraphMapping& map, const CGraphXAxis& axis,
                       const CMinMaxSummary& series, qint64 nFirst, qint64 nLast, const QColor& lineColor,
                       const QColor& pointColor, bool bMarks, bool bEverySegment)
{
    nFirst = std::max<qint64>(nFirst, 0);
    nLast = std::min<qint64>({nLast, axis.Count(), series.Count()});
    if (nLast - nFirst < 1)
        return;
    // A reading has a place when it is of the document's quantity and, on the time axis, has a time.
    auto placed = [&](qint64 i) { return !std::isnan(series.Value(i)) && !std::isnan(axis.X(i)); };
    auto px = [&](qint64 i) { return axis.IsTime() ? map.PxOf(axis.X(i)) : map.Px(i); };
    auto py = [&](qint64 i) { return map.PyOfValue(series.Value(i)); };

    const bool bColumns = !bEverySegment && UsesColumns(nLast - nFirst, map.nPlotWidth);
    painter.setPen(QPen(lineColor, 1));
    QVarLengthArray<QPoint, 1024> points; //!< of the readings drawn one by one, for their marks
    {
        CLineBatch lines(painter);
        if (bColumns) {
            for (qint64 a = nFirst; a < nLast;) {
                if (axis.IsTime() && std::isnan(axis.X(a))) {
                    ++a;
                    continue;
                }
                const qint64 x = px(a);
                const qint64 b = axis.IsTime() ? axis.Times()->FirstWhere(a + 1, nLast, [&](double d) {
                    return map.PxOf(d) > x;
                })
                                              : map.FirstRightOf(x, a, nLast);
                if (b - a >= 2) {
                    const CMinMaxSummary::CExtremes e = series.Range(a, b);
                    if (!e.IsEmpty()) {
                        const auto [yHigh, yLow] = ColumnRun(map, e);
                        lines.Add(x, yHigh, x, yLow);
                    }
                }
                // The segment to the next column, from the last reading placed in this one to
                // the next placed after it.
                qint64 nFrom = b - 1, nTo = b;
                while (nFrom >= a && !placed(nFrom))
                    --nFrom;
                while (nTo < nLast && !placed(nTo))
                    ++nTo;
                // On the reading axis a gap between two columns of many readings would be under a
                // pixel: it is looked for on the time axis only, where it is plot left empty.
                if (nFrom >= a && nTo < nLast && (!axis.IsTime() || !axis.Breaks(nFrom, nTo)))
                    lines.Add(px(nFrom), py(nFrom), px(nTo), py(nTo));
                a = b;
            }
        } else {
            // Every segment: the readings in order, each second's time read once.
            bool bGap = false;
            bool bHavePrev = false;
            axis.Walk(nFirst, nLast, [&](qsizetype i, double dX, bool bGapBefore) {
                bGap = bGap || bGapBefore;
                if (std::isnan(series.Value(i)) || std::isnan(dX))
                    return;
                const QPoint pt(int(axis.IsTime() ? map.PxOf(dX) : map.Px(i)), map.PyOfValue(series.Value(i)));
                if (bHavePrev && !bGap)
                    lines.Add(points.last().x(), points.last().y(), pt.x(), pt.y());
                points.append(pt);
                bHavePrev = true;
                bGap = false;
            });
        }
    }

    // Marks only where they can be told apart, which is never the case in column mode.
    if (!bMarks || bColumns)
        return;
    SetMarkPen(painter, pointColor);
    for (const QPoint& pt : points)
        DrawMark(painter, pt.x(), pt.y());
}
