#include "draw/CGraphPainter.h"

#include "document/CMyTalvaDoc.h"
#include "draw/CGraphTrace.h"
#include "trend/CGraphAxis.h"
#include "trend/CGraphState.h"
#include "trend/CGraphXAxis.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kScreenFontHeight = 16;

qint64 ClampedInteger(double d)
{
    constexpr double kLimit = 1e15;
    return std::isnan(d) ? 0 : qint64(std::clamp(d, -kLimit, kLimit));
}

} // namespace

CGraphDrawOptions CGraphPainter::ScreenOptions(const CGraphState& state, const QRect& rcClient)
{
    CGraphDrawOptions options;
    options.nFontHeight = kScreenFontHeight;
    options.nLeft = CGraphState::kLeftMargin;
    options.nTop = CGraphState::kTopMargin;
    options.rcClient = rcClient;
    options.dXScale = state.XScale();
    options.dYScale = state.YScale();
    return options;
}

CGraphDrawOptions CGraphPainter::StretchedOptions(const CGraphState& state, const QRect& rcClient, int nLeft,
                                                  int nTop, int nFontHeight, bool bWhiteMargins)
{
    CGraphDrawOptions options;
    options.nFontHeight = nFontHeight;
    options.nLeft = nLeft;
    options.nTop = nTop;
    options.bWhiteMargins = bWhiteMargins;
    options.rcClient = rcClient;
    options.dXScale = state.StretchedXScale(rcClient.width() - 2 * nLeft);
    options.dYScale = state.StretchedYScale(rcClient.height() - 2 * nTop);
    return options;
}

void CGraphPainter::Draw(QPainter& painter, const CGraphState& state, const CMyTalvaDoc* pDoc,
                         const CGraphDrawOptions& options)
{
    painter.save();
    painter.translate(options.rcClient.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    const CGraphColors& colors = options.colors;
    const int L = options.nLeft, T = options.nTop;
    const int nWidth = options.rcClient.width(), nHeight = options.rcClient.height();
    const int nPlotW = std::max(1, nWidth - 2 * L);
    const int nPlotH = std::max(1, nHeight - 2 * T);
    const int R = L + nPlotW;
    const double dXScale = options.dXScale;
    const double dYScale = options.dYScale;
    const double dXSpan = dXScale * nPlotW;

    CGraphMapping map = state.Mapping();
    map.nLeft = L;
    map.nTop = T;
    map.nPlotWidth = nPlotW;
    map.nPlotHeight = nPlotH;
    map.dXScale = dXScale;
    map.dYScale = dYScale;
    const CGraphXAxis axis(pDoc, state.IsTimeAxis());

    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, options.nFontHeight));
    painter.setFont(font);
    const QFontMetrics fm = painter.fontMetrics();
    const int h = fm.height() + fm.leading();

    // The time axis: ticks on the meter's clock, as many as their labels leave room for.
    QList<GraphAxis::CTick> ticks;
    if (axis.IsTime()) {
        const int nLabelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00.0")) + fm.horizontalAdvance(u' ') * 3;
        ticks = GraphAxis::TimeTicks(axis.Times()->Origin(), state.XOrigin(), state.XOrigin() + dXSpan,
                                     std::max(2, nPlotW / std::max(1, nLabelWidth)), axis.Times()->Order());
    }
    auto tickColumn = [&](const GraphAxis::CTick& tick) { return int(map.PxOf(tick.dX)); };

    // Grid.
    painter.setPen(QPen(colors.m_gridColor, 1, Qt::DotLine));
    for (int k = 0; k <= 10; ++k) {
        const int y = T + nPlotH - (k * nPlotH) / 10;
        painter.drawLine(L, y, R, y);
    }
    if (axis.IsTime()) {
        for (const GraphAxis::CTick& tick : ticks) {
            const int x = tickColumn(tick);
            if (x >= L && x <= R)
                painter.drawLine(x, T, x, T + nPlotH);
        }
    } else {
        for (int k = 0; k <= 5; ++k) {
            const int x = L + (k * nPlotW) / 5;
            painter.drawLine(x, T, x, T + nPlotH);
        }
    }

    // Trend line and marks, clipped to the plot.
    const qsizetype nCount = axis.Count();
    if (nCount > 0) {
        qint64 nFirst = 0, nLast = 0;
        if (axis.IsTime()) {
            // From the reading before the left edge to the one after the right edge.
            nFirst = std::max<qint64>(0, axis.FirstFrom(state.XOrigin(), 0, nCount) - 1);
            nLast = std::min<qint64>(nCount, axis.FirstFrom(state.XOrigin() + dXSpan, nFirst, nCount) + 1);
        } else {
            nFirst = std::max<qint64>(0, ClampedInteger(state.XOrigin()));
            nLast = std::min<qint64>(nCount, ClampedInteger(nPlotW * dXScale + state.XOrigin() + 2));
        }
        painter.setClipRect(QRect(L, T, nPlotW, nPlotH));
        // Marks where the points lie apart: on the time axis, readings come once per usual interval.
        const double dPointsPerPixel = axis.IsTime() ? dXScale / axis.Times()->UsualInterval() : dXScale;
        CGraphTrace::Draw(painter, map, axis, pDoc->Summary(), nFirst, nLast, colors.m_lineColor, colors.m_pointColor,
                          CGraphTrace::MarksVisible(options.bMarkPoints, dPointsPerPixel), options.bEverySegment);
        painter.setClipping(false);
    }

    // Margins.
    const QColor margin = options.bWhiteMargins ? QColor(Qt::white) : colors.m_borderColor;
    painter.fillRect(QRect(0, 0, nWidth, T), margin);
    painter.fillRect(QRect(0, 0, L, nHeight), margin);
    painter.fillRect(QRect(0, T + nPlotH, nWidth, nHeight - T - nPlotH), margin);
    painter.fillRect(QRect(R, 0, nWidth - R, nHeight), margin);

    // Axes.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(L, T, L, T + nPlotH);
    painter.drawLine(L, T + nPlotH, R, T + nPlotH);

    // Y labels, with as many decimals as keep them apart.
    const double dYStep = dYScale * nPlotH / 10.0;
    const int nDecimals = GraphAxis::Decimals(state.YOrigin(), dYStep, 11);
    for (int k = 0; k <= 10; ++k) {
        const QString strLabel = GraphAxis::Number(state.YOrigin() + k * dYStep, nDecimals);
        const int y = T + nPlotH - (k * nPlotH) / 10 - h / 2;
        painter.drawText(L - fm.horizontalAdvance(strLabel) - 2, y + fm.ascent(), strLabel);
    }

    // X labels.
    const int yXLabels = T + nPlotH + h / 2 + fm.ascent();
    if (axis.IsTime()) {
        for (const GraphAxis::CTick& tick : ticks) {
            const int x = tickColumn(tick);
            if (x >= L && x <= R)
                painter.drawText(x - fm.horizontalAdvance(tick.strLabel) / 2, yXLabels, tick.strLabel);
        }
    } else {
        const QList<QString> labels = GraphAxis::ReadingLabels(state.XOrigin(), dXSpan);
        for (int i = 0; i < labels.size(); ++i)
            painter.drawText(L + (i * nPlotW) / 5 - fm.horizontalAdvance(labels[i]) / 2, yXLabels, labels[i]);
    }

    // Titles in the top margin: the value's over the y axis, the x axis's at its end.
    const QString strYTitle = GraphAxis::ValueTitle(pDoc ? pDoc->Unit().Display() : QString());
    const QString strXTitle = axis.IsTime()
        ? GraphAxis::TimeTitle(axis.Times()->Origin() + state.XOrigin(), axis.Times()->Order())
        : GraphAxis::ReadingTitle();
    const int yTitles = std::max(0, (T - h) / 2) + fm.ascent();
    painter.drawText(std::max(2, L - fm.horizontalAdvance(strYTitle) / 2), yTitles, strYTitle);
    painter.drawText(R - fm.horizontalAdvance(strXTitle), yTitles, strXTitle);
    painter.restore();
}
