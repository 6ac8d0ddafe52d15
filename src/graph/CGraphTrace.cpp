#include "graph/CGraphTrace.h"

#include "document/CMinMaxSummary.h"
#include "graph/CGraphMapping.h"

#include <QLine>
#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>
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

void CGraphTrace::Draw(QPainter& painter, const CGraphMapping& map, const QList<CObData*>& arr,
                       const CMinMaxSummary* pSummary, qint64 nFirst, qint64 nLast,
                       const QColor& lineColor, const QColor& pointColor, bool bMarks,
                       bool bEverySegment)
{
    nFirst = std::max<qint64>(nFirst, 0);
    nLast = std::min<qint64>(nLast, arr.size());
    if (nLast - nFirst < 1)
        return;

    const bool bColumns = !bEverySegment && pSummary && pSummary->Count() >= nLast
        && UsesColumns(nLast - nFirst, map.nPlotWidth);
    painter.setPen(QPen(lineColor, 1));
    {
        CLineBatch lines(painter);
        if (bColumns) {
            for (qint64 a = nFirst; a < nLast;) {
                const qint64 x = map.Px(a);
                const qint64 b = map.FirstRightOf(x, a, nLast);
                if (b - a >= 2) {
                    const auto [yHigh, yLow] = ColumnRun(map, pSummary->Range(a, b));
                    lines.Add(x, yHigh, x, yLow);
                }
                if (b < nLast)
                    lines.Add(x, map.PyOfValue(pSummary->Value(b - 1)), map.Px(b),
                              map.PyOfValue(pSummary->Value(b)));
                a = b;
            }
        } else {
            qint64 xPrev = map.Px(nFirst);
            int yPrev = map.PyOf(arr.at(nFirst));
            for (qint64 i = nFirst + 1; i < nLast; ++i) {
                const qint64 x = map.Px(i);
                const int y = map.PyOf(arr.at(i));
                lines.Add(xPrev, yPrev, x, y);
                xPrev = x;
                yPrev = y;
            }
        }
    }

    // Marks only where they can be told apart, which is never the case in column mode.
    if (!bMarks || bColumns)
        return;
    SetMarkPen(painter, pointColor);
    for (qint64 i = nFirst; i < nLast; ++i)
        DrawMark(painter, int(map.Px(i)), map.PyOf(arr.at(i)));
}
