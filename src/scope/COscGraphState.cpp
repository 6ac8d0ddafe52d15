#include "scope/COscGraphState.h"

#include "scope/COscPoints.h"
#include "scope/COscTables.h"
#include "scope/COscText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDefaultRange = 800.0;
constexpr double kFarOutside = 1e6; // pixels: off any screen, still a safe int

int ToPixel(double d)
{
    if (std::isnan(d))
        return int(-kFarOutside);
    return int(std::clamp(d, -kFarOutside, kFarOutside));
}

double FiniteOr(double d, double dFallback)
{
    return std::isfinite(d) ? d : dFallback;
}

} // namespace

COscGraphState::COscGraphState()
{
    ResetZoom();
}

void COscGraphState::ShowWaveform(const OscRecord& record, bool bSpectrum)
{
    m_record = record;
    m_bSpectrum = bSpectrum;
    const COscPoints points(record, bSpectrum);
    m_count = points.Count();
    m_data.fill(0.0);
    for (int i = 0; i < m_count; ++i)
        m_data[size_t(i)] = points.Value(i);

    const double dHalf = (COscTables::kDivisionsY / 2) * record.m_voltsPerDiv;
    if (bSpectrum) {
        m_yMin = 0.0;
        m_yMax = kSpectrumTop;
    } else if (std::isfinite(dHalf) && dHalf > 0.0) {
        m_yMin = -dHalf;
        m_yMax = dHalf;
    } else {
        // No usable scale (a damaged file): a range that can still be drawn.
        m_yMin = -kDefaultRange;
        m_yMax = kDefaultRange;
    }

    const double dLast = m_count - 1;
    m_pos1 = std::clamp(FiniteOr(record.m_pos1, 0.0), 0.0, dLast - 1.0);
    m_pos2 = std::clamp(FiniteOr(record.m_pos2, dLast), m_pos1 + 1.0, dLast);
    m_level1 = FiniteOr(record.m_maxValue, 0.0);
    m_level2 = FiniteOr(record.m_minValue, 0.0);
    UpdateLevelText();
    UpdateTimeTexts();
    ResetZoom();
}

bool COscGraphState::ToggleView()
{
    if (!m_bSpectrum && m_record.m_status != 3)
        return false;
    ShowWaveform(m_record, !m_bSpectrum);
    return true;
}

QString COscGraphState::ViewButtonText() const
{
    return m_bSpectrum ? QStringLiteral("return") : QStringLiteral("FFT");
}

void COscGraphState::SetClientSize(QSize client)
{
    const int nWidth = std::max(1, client.width() - kMarginWidth);
    const int nHeight = std::max(1, client.height() - kMarginHeight);
    m_xScale = m_plotWidth * m_xScale / nWidth;
    m_yScale = m_plotHeight * m_yScale / nHeight;
    m_plotWidth = nWidth;
    m_plotHeight = nHeight;
}

void COscGraphState::ResetZoom()
{
    m_xOrigin = m_xMin;
    m_yOrigin = m_yMin;
    m_xScale = (m_count - m_xMin) / m_plotWidth;
    m_yScale = (m_yMax - m_yMin) / m_plotHeight;
}

std::array<double, COscGraphState::kGridLevels> COscGraphState::GridLevels() const
{
    std::array<double, kGridLevels> arr{};
    for (int k = 0; k < kGridLevels; ++k)
        arr[size_t(k)] = m_yMin + k * (m_yMax - m_yMin) / (kGridLevels - 1);
    return arr;
}

std::array<double, COscGraphState::kGridPositions> COscGraphState::GridPositions() const
{
    std::array<double, kGridPositions> arr{};
    for (int k = 0; k < kGridPositions; ++k)
        arr[size_t(k)] = k * (m_count - m_xMin) / (kGridPositions - 1);
    return arr;
}

int COscGraphState::GridX(double dPosition) const
{
    return ToPixel(dPosition / m_xScale) + kLeft - ToPixel((m_xOrigin - m_xMin + 1.0) / m_xScale);
}

int COscGraphState::PixelX(double dPosition) const
{
    return ToPixel(dPosition / m_xScale) + kLeft - ToPixel((m_xOrigin - m_xMin) / m_xScale);
}

int COscGraphState::PixelY(double dValue) const
{
    return ToPixel((m_yOrigin - m_yMin) / m_yScale - (dValue - m_yMin) / m_yScale + m_plotHeight) + kTop;
}

int COscGraphState::IndexAt(int x) const
{
    return ToPixel(((x - kLeft) + (m_xOrigin - m_xMin) / m_xScale) * m_xScale + 0.5);
}

double COscGraphState::ValueAt(int y) const
{
    return m_yOrigin + (m_plotHeight + kTop - y) * m_yScale;
}

bool COscGraphState::IsInPlot(QPoint pt) const
{
    return pt.x() >= kLeft && pt.x() <= kLeft + m_plotWidth && pt.y() >= kTop && pt.y() <= kTop + m_plotHeight;
}

bool COscGraphState::IsOutsideArea(QPoint pt) const
{
    return pt.x() < 5 || pt.x() > m_plotWidth + 45 || pt.y() < 5 || pt.y() > m_plotHeight + 95;
}

QPoint COscGraphState::ClampToPlot(QPoint pt) const
{
    return {std::clamp(pt.x(), kLeft, kLeft + m_plotWidth), std::clamp(pt.y(), kTop, kTop + m_plotHeight)};
}

bool COscGraphState::ZoomTo(QPoint start, QPoint end)
{
    if (std::abs(end.x() - start.x()) < kMinZoomPixels || std::abs(end.y() - start.y()) < kMinZoomPixels)
        return false;
    const QPoint clamped = ClampToPlot(end);
    bool bChanged = false;
    if (m_xScale > kMinZoomScale) {
        m_xOrigin += (std::min(start.x(), clamped.x()) - kLeft) * m_xScale;
        m_xScale = std::abs(clamped.x() - start.x()) * m_xScale / m_plotWidth;
        bChanged = true;
    }
    if (m_yScale > kMinZoomScale) {
        m_yOrigin += (m_plotHeight + kTop - std::max(start.y(), clamped.y())) * m_yScale;
        m_yScale = std::abs(clamped.y() - start.y()) * m_yScale / m_plotHeight;
        bChanged = true;
    }
    // A rectangle squeezed flat against the plot's edge would leave a zero scale.
    if (m_xScale <= 0.0 || m_yScale <= 0.0) {
        ResetZoom();
        return true;
    }
    return bChanged;
}

bool COscGraphState::CursorsShown() const
{
    return !m_bSpectrum && m_record.m_status != 3 && m_count > 1;
}

COscGraphState::Cursor COscGraphState::CursorAt(QPoint pt) const
{
    if (!CursorsShown())
        return NoCursor;
    const bool bAcross = pt.x() >= kLeft - kCursorGrab && pt.x() <= kLeft + m_plotWidth + kCursorGrab;
    const bool bAlong = pt.y() >= kTop - kCursorGrab && pt.y() <= kTop + m_plotHeight + kCursorGrab;
    if (bAcross && std::abs(pt.y() - PixelY(m_level1)) <= kCursorGrab)
        return LevelCursor1;
    if (bAcross && std::abs(pt.y() - PixelY(m_level2)) <= kCursorGrab)
        return LevelCursor2;
    if (bAlong && std::abs(pt.x() - PixelX(m_pos1)) <= kCursorGrab)
        return TimeCursor1;
    if (bAlong && std::abs(pt.x() - PixelX(m_pos2)) <= kCursorGrab)
        return TimeCursor2;
    return NoCursor;
}

void COscGraphState::DragCursor(Cursor cursor, QPoint pt)
{
    const double dIndex = std::clamp(IndexAt(pt.x()), 0, m_count - 1);
    switch (cursor) {
    case LevelCursor1:
        m_level1 = ValueAt(pt.y());
        UpdateLevelText();
        break;
    case LevelCursor2:
        m_level2 = ValueAt(pt.y());
        UpdateLevelText();
        break;
    case TimeCursor1:
        m_pos1 = std::min(dIndex, m_pos2 - 1.0);
        UpdateTimeTexts();
        break;
    case TimeCursor2:
        m_pos2 = std::max(dIndex, m_pos1 + 1.0);
        UpdateTimeTexts();
        break;
    case NoCursor:
        break;
    }
}

QString COscGraphState::FreqBoxText() const
{
    return m_record.m_freq == -1.0 ? QStringLiteral("---") : m_record.m_freqText;
}

QString COscGraphState::InspectText(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_count)
        return {};
    return COscText::InspectText(m_bSpectrum && m_record.m_status == 3, nIndex, Value(nIndex), m_record.m_rateCode);
}

void COscGraphState::UpdateLevelText()
{
    m_dvText = COscText::LevelDifference(m_level1, m_level2, m_record.m_unit);
}

void COscGraphState::UpdateTimeTexts()
{
    const COscText::STimeDifference diff = COscText::TimeDifference(m_record.m_rateCode, m_pos2 - m_pos1);
    m_dtText = diff.strDt;
    m_freqCursorText = diff.strFreq;
}
