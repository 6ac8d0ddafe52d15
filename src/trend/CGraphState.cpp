#include "trend/CGraphState.h"

#include <algorithm>
#include <cmath>

namespace {

// span / nPixels when that is a usable scale, else dFallback.
double ScaleOf(double dSpan, int nPixels, double dFallback)
{
    const double dScale = dSpan / std::max(nPixels, 1);
    return (dScale > 0.0 && std::isfinite(dScale)) ? dScale : dFallback;
}

} // namespace

CGraphState::CGraphState()
{
    m_xScale = ScaleOf(m_xMax - m_xOrigin, m_plotWidth, 1.0);
    m_yScale = ScaleOf(m_yMax - m_yOrigin, m_plotHeight, 1.0);
}

bool CGraphState::SetWindowSize(int nWidth, int nHeight)
{
    const int nPlotWidth = std::max(1, nWidth - 2 * kLeftMargin);
    const int nPlotHeight = std::max(1, nHeight - 2 * kTopMargin);
    if (nPlotWidth == m_plotWidth && nPlotHeight == m_plotHeight)
        return false;
    m_xScale = ScaleOf(m_plotWidth * m_xScale, nPlotWidth, m_xScale);
    m_yScale = ScaleOf(m_plotHeight * m_yScale, nPlotHeight, m_yScale);
    m_plotWidth = nPlotWidth;
    m_plotHeight = nPlotHeight;
    return true;
}

bool CGraphState::InPlot(const QPoint& pt) const
{
    return pt.x() > kLeftMargin && pt.x() < kLeftMargin + m_plotWidth && pt.y() > kTopMargin
        && pt.y() < kTopMargin + m_plotHeight;
}

void CGraphState::SetTimeAxis(bool bTime)
{
    if (bTime == m_bTimeAxis)
        return;
    m_bTimeAxis = bTime;
    ResetXRange();
}

void CGraphState::ShowAll()
{
    m_xOrigin = m_xMin;
    m_yOrigin = m_yMin;
    m_xScale = ScaleOf(m_xMax - m_xMin, m_plotWidth, m_xScale);
    m_yScale = ScaleOf(m_yMax - m_yMin, m_plotHeight, m_yScale);
    m_zoomed = false;
}

void CGraphState::ResetXRange()
{
    m_xMin = 0.0;
    m_xMax = kInitialXMax;
    m_xOrigin = 0.0;
    ShowAll();
}

bool CGraphState::SetYRange(double dMax, double dMin)
{
    if (!std::isfinite(dMax) || !std::isfinite(dMin) || !(dMax > dMin) || !std::isfinite(dMax - dMin))
        return false;
    m_yMin = m_yOrigin = dMin;
    m_yMax = dMax;
    m_yScale = ScaleOf(dMax - dMin, m_plotHeight, m_yScale);
    return true;
}

bool CGraphState::SetYRangeAround(double dMax, double dMin)
{
    const double d = std::max((dMax - dMin) / 10, kMinYMargin);
    return SetYRange(dMax + d, dMin - d);
}

bool CGraphState::SetOrigin(double dXOrigin, double dYOrigin)
{
    if (!std::isfinite(dXOrigin) || !std::isfinite(dYOrigin))
        return false;
    m_xOrigin = dXOrigin;
    m_yOrigin = dYOrigin;
    return true;
}

bool CGraphState::UpdateXRange(double dLastX)
{
    // A zoomed view keeps its span; FollowLive moves it along with a live recording.
    if (m_zoomed)
        return false;
    bool bChanged = false;
    while (dLastX > m_xMax) {
        double dSpan = m_plotWidth * m_xScale;
        if (!(dSpan > 0.0) || !std::isfinite(dSpan))
            dSpan = 1.0;
        dSpan += dSpan / 15;
        m_xScale = dSpan / m_plotWidth;
        m_xMax = dSpan;
        bChanged = true;
    }
    return bChanged;
}

bool CGraphState::FollowLive(double dLastX)
{
    const double dSpan = m_plotWidth * m_xScale;
    if (!m_zoomed || m_dragging || dSpan > dLastX - m_xOrigin)
        return false;
    m_xOrigin = m_bTimeAxis ? dLastX - dSpan : m_xOrigin + 1.0;
    m_xMax = dLastX;
    return true;
}

CGraphMapping CGraphState::Mapping() const
{
    CGraphMapping map;
    map.nLeft = kLeftMargin;
    map.nTop = kTopMargin;
    map.nPlotWidth = m_plotWidth;
    map.nPlotHeight = m_plotHeight;
    map.dXScale = m_xScale;
    map.dYScale = m_yScale;
    map.dXOrigin = m_xOrigin;
    map.dXMin = m_xMin;
    map.dYOrigin = m_yOrigin;
    map.dYMin = m_yMin;
    map.dYMax = m_yMax;
    return map;
}

double CGraphState::StretchedXScale(int nPlotWidth) const
{
    return ScaleOf(m_plotWidth * m_xScale, nPlotWidth, m_xScale);
}

double CGraphState::StretchedYScale(int nPlotHeight) const
{
    return ScaleOf(m_plotHeight * m_yScale, nPlotHeight, m_yScale);
}

bool CGraphState::IsTool(int nTool)
{
    switch (nTool) {
    case kToolRect:
    case kToolYBig:
    case kToolXBig:
    case kToolMove:
    case kToolShowNumber:
    case kToolFFT:
    case kToolMeasure:
        return true;
    default:
        return false;
    }
}

void CGraphState::SetTool(int nTool)
{
    if (!IsTool(nTool))
        return;
    m_tool = nTool;
    m_dragging = false;
}

bool CGraphState::Press(const QPoint& pt)
{
    if (!InPlot(pt))
        return false;
    switch (m_tool) {
    case kToolRect:
    case kToolYBig:
    case kToolXBig:
    case kToolFFT:
    case kToolMeasure:
        m_dragStart = m_dragEnd = pt;
        m_dragging = true;
        break;
    case kToolMove:
        m_movePrev = m_dragEnd = pt;
        m_dragging = true;
        break;
    case kToolShowNumber:
        m_dragging = true;
        break;
    default:
        break;
    }
    return true;
}

bool CGraphState::DragRectangle(const QPoint& pt)
{
    // Far out in the margins the gesture is given up.
    if (pt.x() < 4 || pt.x() >= m_plotWidth + 2 * kLeftMargin - 3 || pt.y() < 4
        || pt.y() >= m_plotHeight + 2 * kTopMargin - 3) {
        m_dragging = false;
        return false;
    }
    if (m_dragging)
        m_dragEnd = QPoint(std::clamp(pt.x(), kLeftMargin, kLeftMargin + m_plotWidth),
                           std::clamp(pt.y(), kTopMargin, kTopMargin + m_plotHeight));
    return true;
}

void CGraphState::DragSpan(const QPoint& pt)
{
    if (m_dragging)
        m_dragEnd = QPoint(std::clamp(pt.x(), kLeftMargin, kLeftMargin + m_plotWidth), m_dragStart.y());
}

void CGraphState::SetMeasureSpan(qint64 nFirst, qint64 nLast)
{
    m_nMeasureFirst = std::min(nFirst, nLast);
    m_nMeasureLast = std::max(nFirst, nLast);
    m_bMeasure = true;
}

void CGraphState::PanTo(const QPoint& pt)
{
    const int x = pt.x(), y = pt.y();
    const int px = m_movePrev.x(), py = m_movePrev.y();
    if (y < py) {
        m_yOrigin = m_yOrigin > m_yMin ? std::max(m_yMin, m_yOrigin - (py - y) * m_yScale) : m_yMin;
    } else {
        const double H = m_plotHeight * m_yScale;
        m_yOrigin = H + m_yOrigin < m_yMax ? std::min(m_yMax - H, m_yOrigin + (y - py) * m_yScale) : m_yMax - H;
    }
    if (px < x) {
        m_xOrigin = m_xOrigin > m_xMin ? std::max(m_xMin, m_xOrigin - (x - px) * m_xScale) : m_xMin;
    } else {
        const double W = m_plotWidth * m_xScale;
        m_xOrigin = W + m_xOrigin < m_xMax ? std::min(m_xMax - W, m_xOrigin + (px - x) * m_xScale) : m_xMax - W;
    }
    m_dragEnd = pt;
    m_movePrev = pt;
}

void CGraphState::ZoomX(int x)
{
    if (m_xScale <= kMinZoomScale)
        return;
    x = std::clamp(x, kLeftMargin, kLeftMargin + m_plotWidth);
    const int sx = m_dragStart.x();
    m_xOrigin += (std::min(sx, x) - kLeftMargin) * m_xScale;
    m_xScale = ScaleOf(std::abs(x - sx) * m_xScale, m_plotWidth, m_xScale);
    m_zoomed = true;
}

void CGraphState::ZoomY(int y)
{
    if (m_yScale <= kMinZoomScale)
        return;
    y = std::clamp(y, kTopMargin, kTopMargin + m_plotHeight);
    const int sy = m_dragStart.y();
    m_yOrigin += (m_plotHeight + kTopMargin - std::max(sy, y)) * m_yScale;
    m_yScale = ScaleOf(std::abs(y - sy) * m_yScale, m_plotHeight, m_yScale);
    m_zoomed = true;
}

void CGraphState::CancelGesture()
{
    m_dragging = false;
    m_dragEnd = m_dragStart;
}
