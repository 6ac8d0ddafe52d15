#include "graph/CGraphDlg.h"

#include "document/CMyTalvaDoc.h"
#include "fft/ui/CFFTDlg.h"
#include "graph/CColorSetting.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphTrace.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kDragFrameColor(100, 105, 155);
constexpr int kTickHalf = 5;
constexpr int kPanelGap = 4;

// span / nPixels when that is a usable scale, else dFallback.
double ScaleOf(double dSpan, int nPixels, double dFallback)
{
    const double dScale = dSpan / std::max(nPixels, 1);
    return (dScale > 0.0 && std::isfinite(dScale)) ? dScale : dFallback;
}

qint64 ClampedInteger(double d)
{
    constexpr double kLimit = 1e15;
    return std::isnan(d) ? 0 : qint64(std::clamp(d, -kLimit, kLimit));
}

} // namespace

CGraphDlg::CGraphDlg(CPrompt& prompt, QWidget* pParent)
    : QWidget(pParent)
    , m_prompt(prompt)
{
    // Every pixel is painted from the back buffer: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(2 * kLeftMargin + 60, 2 * kTopMargin + 60);
    m_plotWidth = std::max(1, width() - 2 * kLeftMargin);
    m_plotHeight = std::max(1, height() - 2 * kTopMargin);
    m_xScale = ScaleOf(m_xMax - m_xOrigin, m_plotWidth, 1.0);
    m_yScale = ScaleOf(m_yMax - m_yOrigin, m_plotHeight, 1.0);
}

CGraphDlg::~CGraphDlg() = default;

void CGraphDlg::SetDocument(CMyTalvaDoc* pDoc)
{
    if (m_pDoc)
        disconnect(m_pDoc, nullptr, this, nullptr);
    m_pDoc = pDoc;
    m_bSkipNextChange = false;
    if (m_pDoc) {
        connect(m_pDoc, &CMyTalvaDoc::RecordAdded, this, &CGraphDlg::OnRecordAdded);
        connect(m_pDoc, &CMyTalvaDoc::Changed, this, &CGraphDlg::OnDocumentChanged);
        connect(m_pDoc, &QObject::destroyed, this, [this] { SetDocument(nullptr); });
    }
    RequestRedraw();
}

void CGraphDlg::SetPanel(QWidget* pPanel)
{
    if (m_panel && m_panel != pPanel)
        m_panel->hide();
    m_panel = pPanel;
    if (m_panel) {
        m_panel->setParent(this);
        m_panel->hide();
    }
}

const QList<CObData*>* CGraphDlg::Readings() const
{
    return m_pDoc ? &m_pDoc->m_arrData[0] : nullptr;
}

qsizetype CGraphDlg::Count() const
{
    return m_pDoc ? m_pDoc->m_arrData[0].size() : 0;
}

bool CGraphDlg::InPlot(const QPoint& pt) const
{
    return pt.x() > kLeftMargin && pt.x() < kLeftMargin + m_plotWidth && pt.y() > kTopMargin
        && pt.y() < kTopMargin + m_plotHeight;
}

void CGraphDlg::RequestRedraw()
{
    m_bCacheValid = false;
    update();
}

void CGraphDlg::OnRecordAdded(int nArray)
{
    m_bSkipNextChange = true;
    if (nArray == 0)
        AppendPoint();
}

void CGraphDlg::OnDocumentChanged()
{
    // A reading was added and already drawn; anything else (a load, an import) redraws.
    if (m_bSkipNextChange) {
        m_bSkipNextChange = false;
        return;
    }
    RequestRedraw();
}

void CGraphDlg::OnGraphCommand(int nCommand)
{
    switch (nCommand) {
    case GraphCommand::kMove:
        SetTool(kToolMove);
        break;
    case GraphCommand::kRect:
        SetTool(kToolRect);
        break;
    case GraphCommand::kXBig:
        SetTool(kToolXBig);
        break;
    case GraphCommand::kYBig:
        SetTool(kToolYBig);
        break;
    case GraphCommand::kFFT:
        SetTool(kToolFFT);
        break;
    case GraphCommand::kShowNumber:
        SetTool(kToolShowNumber);
        return; // keeps the panel as it is
    case GraphCommand::kAll:
        ShowAll();
        return;
    case GraphCommand::kSetting:
        RunSettings();
        return;
    default:
        return;
    }
    HidePanel();
}

void CGraphDlg::SetTool(int nTool)
{
    switch (nTool) {
    case kToolRect:
    case kToolYBig:
    case kToolXBig:
    case kToolMove:
    case kToolShowNumber:
    case kToolFFT:
        break;
    default:
        return;
    }
    m_tool = nTool;
    m_dragging = false;
    UpdateCursor(mapFromGlobal(QCursor::pos()));
    update();
}

void CGraphDlg::ShowAll()
{
    m_xOrigin = m_xMin;
    m_yOrigin = m_yMin;
    m_plotWidth = std::max(1, width() - 2 * kLeftMargin);
    m_plotHeight = std::max(1, height() - 2 * kTopMargin);
    m_xScale = ScaleOf(m_xMax - m_xMin, m_plotWidth, m_xScale);
    m_yScale = ScaleOf(m_yMax - m_yMin, m_plotHeight, m_yScale);
    m_zoomed = false;
    emit VisibleWindowChanged();
    RequestRedraw();
}

void CGraphDlg::ResetXRange()
{
    m_xMin = 0.0;
    m_xMax = kInitialXMax;
    m_xOrigin = 0.0;
    m_zoomed = false;
    ShowAll();
}

bool CGraphDlg::SetYRange(double dMax, double dMin)
{
    if (!std::isfinite(dMax) || !std::isfinite(dMin) || !(dMax > dMin) || !std::isfinite(dMax - dMin))
        return false;
    m_yMin = m_yOrigin = dMin;
    m_yMax = dMax;
    m_yScale = ScaleOf(dMax - dMin, m_plotHeight, m_yScale);
    emit VisibleWindowChanged();
    RequestRedraw();
    return true;
}

void CGraphDlg::SetOrigin(double dXOrigin, double dYOrigin)
{
    if (!std::isfinite(dXOrigin) || !std::isfinite(dYOrigin))
        return;
    m_xOrigin = dXOrigin;
    m_yOrigin = dYOrigin;
    RequestRedraw();
}

void CGraphDlg::SetColors(const CGraphColors& colors)
{
    m_colors = colors;
    RequestRedraw();
}

void CGraphDlg::SetMarkPoints(bool bMark)
{
    m_markPoints = bMark;
    RequestRedraw();
}

CGraphMapping CGraphDlg::Mapping() const
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

CGraphDrawOptions CGraphDlg::ScreenOptions()
{
    SyncPlotSize();
    CGraphDrawOptions options;
    options.nFontHeight = kFontHeight;
    options.nLeft = kLeftMargin;
    options.nTop = kTopMargin;
    options.rcClient = rect();
    options.dXScale = m_xScale;
    options.dYScale = m_yScale;
    return options;
}

CGraphDrawOptions CGraphDlg::StretchedOptions(const QRect& rcClient, int nLeft, int nTop,
                                              int nFontHeight, bool bWhiteMargins) const
{
    CGraphDrawOptions options;
    options.nFontHeight = nFontHeight;
    options.nLeft = nLeft;
    options.nTop = nTop;
    options.bWhiteMargins = bWhiteMargins;
    options.rcClient = rcClient;
    options.dXScale = ScaleOf(m_plotWidth * m_xScale, rcClient.width() - 2 * nLeft, m_xScale);
    options.dYScale = ScaleOf(m_plotHeight * m_yScale, rcClient.height() - 2 * nTop, m_yScale);
    return options;
}

bool CGraphDlg::UpdateXRange()
{
    // A zoomed view keeps its span; AppendPoint moves it along with a live recording.
    if (m_zoomed)
        return false;
    const qsizetype nCount = Count();
    bool bChanged = false;
    while (double(nCount - 1) > m_xMax) {
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

bool CGraphDlg::FollowLive()
{
    // While new data passes the right edge of a zoomed view of a running recording, the
    // view moves one point per reading.
    const qsizetype nCount = Count();
    if (!m_zoomed || !m_pDoc || !m_pDoc->m_bLive || m_dragging || nCount == 0
        || m_plotWidth * m_xScale > double(nCount - 1) - m_xOrigin)
        return false;
    m_xOrigin += 1.0;
    m_xMax = double(nCount - 1);
    return true;
}

void CGraphDlg::DrawGraph(QPainter& painter, const CGraphDrawOptions& options)
{
    painter.save();
    painter.translate(options.rcClient.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    const int L = options.nLeft, T = options.nTop;
    const int nWidth = options.rcClient.width(), nHeight = options.rcClient.height();
    const int nPlotW = std::max(1, nWidth - 2 * L);
    const int nPlotH = std::max(1, nHeight - 2 * T);
    const int R = L + nPlotW;
    double dXScale = options.dXScale;
    const double dYScale = options.dYScale;

    // 1. Grid.
    painter.setPen(QPen(m_colors.m_gridColor, 1, Qt::DotLine));
    for (int k = 0; k <= 10; ++k) {
        const int y = T + nPlotH - (k * nPlotH) / 10;
        painter.drawLine(L, y, R, y);
    }
    for (int k = 0; k <= 5; ++k) {
        const int x = L + (k * nPlotW) / 5;
        painter.drawLine(x, T, x, T + nPlotH);
    }

    // 2. The x range follows the data. It belongs to the window: another target keeps
    // showing the window's span.
    const double dScreenScale = m_xScale;
    if (UpdateXRange()) {
        dXScale *= m_xScale / dScreenScale;
        m_bCacheValid = false; // a page drawn first: the window follows
        update();
        QMetaObject::invokeMethod(this, &CGraphDlg::VisibleWindowChanged, Qt::QueuedConnection);
    }

    // 3, 4. Trend line and marks, clipped to the plot.
    const qsizetype nCount = Count();
    if (nCount > 0) {
        CGraphMapping map = Mapping();
        map.nLeft = L;
        map.nTop = T;
        map.nPlotWidth = nPlotW;
        map.nPlotHeight = nPlotH;
        map.dXScale = dXScale;
        map.dYScale = dYScale;
        const qint64 nFirst = std::max<qint64>(0, ClampedInteger(m_xOrigin));
        const qint64 nLast = std::min<qint64>(nCount, ClampedInteger(nPlotW * dXScale + m_xOrigin + 2));
        painter.setClipRect(QRect(L, T, nPlotW, nPlotH));
        CGraphTrace::Draw(painter, map, *Readings(), &m_pDoc->Summary(), nFirst, nLast,
                          m_colors.m_lineColor, m_colors.m_pointColor,
                          CGraphTrace::MarksVisible(m_markPoints, dXScale), options.bEverySegment);
        painter.setClipping(false);
    }

    // 5. Margins.
    const QColor margin = options.bWhiteMargins ? QColor(Qt::white) : m_colors.m_borderColor;
    painter.fillRect(QRect(0, 0, nWidth, T), margin);
    painter.fillRect(QRect(0, 0, L, nHeight), margin);
    painter.fillRect(QRect(0, T + nPlotH, nWidth, nHeight - T - nPlotH), margin);
    painter.fillRect(QRect(R, 0, nWidth - R, nHeight), margin);

    // 6. Font.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, options.nFontHeight));
    painter.setFont(font);
    const QFontMetrics fm = painter.fontMetrics();
    const int h = fm.height() + fm.leading();

    // 7. Axes.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(L, T, L, T + nPlotH);
    painter.drawLine(L, T + nPlotH, R, T + nPlotH);

    // 8. Y labels.
    for (int k = 0; k <= 10; ++k) {
        const QString strLabel = QString::asprintf("%.2f", m_yOrigin + dYScale * (k * nPlotH / 10.0));
        const int y = T + nPlotH - (k * nPlotH) / 10 - h / 2;
        painter.drawText(L - fm.horizontalAdvance(strLabel) - 2, y + fm.ascent(), strLabel);
    }

    // 9. X labels.
    const double dSpan = dXScale * nPlotW;
    for (int i = 0; i <= 5; ++i) {
        const qint64 nNumber = ClampedInteger(double(ClampedInteger(i * dSpan / 5 + 0.5)) + m_xOrigin);
        const QString strLabel = QString::number(nNumber);
        const int x = L + (i * nPlotW) / 5 - fm.horizontalAdvance(strLabel) / 2;
        painter.drawText(x, T + nPlotH + h / 2 + fm.ascent(), strLabel);
    }
    painter.restore();
}

void CGraphDlg::paintEvent(QPaintEvent*)
{
    SyncPlotSize();
    const qreal dRatio = devicePixelRatioF();
    const QSize deviceSize = size() * dRatio;
    if (!m_bCacheValid || m_cache.size() != deviceSize) {
        m_cache = QImage(deviceSize, QImage::Format_RGB32);
        m_cache.setDevicePixelRatio(dRatio);
        m_cache.fill(m_colors.m_bkColor);
        QPainter painter(&m_cache);
        DrawGraph(painter, ScreenOptions());
        m_bCacheValid = true;
        ++m_nFullDrawings;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_cache);
    DrawOverlay(painter);
}

void CGraphDlg::DrawOverlay(QPainter& painter)
{
    switch (m_tool) {
    case kToolRect:
    case kToolFFT:
        if (m_dragging) {
            painter.setPen(QPen(kDragFrameColor, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(m_dragStart, m_dragEnd).normalized());
        }
        break;
    case kToolYBig:
        if (m_dragging) {
            const int x = m_dragStart.x();
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x - kTickHalf, m_dragStart.y(), x + kTickHalf, m_dragStart.y());
            painter.drawLine(x - kTickHalf, m_dragEnd.y(), x + kTickHalf, m_dragEnd.y());
            painter.drawLine(x, m_dragStart.y(), x, m_dragEnd.y());
        }
        break;
    case kToolXBig:
        if (m_dragging) {
            const int y = m_dragStart.y();
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(m_dragStart.x(), y - kTickHalf, m_dragStart.x(), y + kTickHalf);
            painter.drawLine(m_dragEnd.x(), y - kTickHalf, m_dragEnd.x(), y + kTickHalf);
            painter.drawLine(m_dragStart.x(), y, m_dragEnd.x(), y);
        }
        break;
    case kToolShowNumber:
        if (m_selIndex >= 0 && m_selIndex < Count()) {
            const CGraphMapping map = Mapping();
            const int x = int(map.Px(m_selIndex));
            const int y = map.PyOf(Readings()->at(m_selIndex));
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x, kTopMargin, x, kTopMargin + m_plotHeight);
            painter.drawLine(kLeftMargin, y, kLeftMargin + m_plotWidth, y);
        }
        break;
    default:
        break;
    }
}

void CGraphDlg::AppendPoint()
{
    const qsizetype nCount = Count();
    if (nCount == 0 || nCount == m_nAppendedCount)
        return;
    m_nAppendedCount = nCount;
    const QList<CObData*>& arr = *Readings();
    const qsizetype n = nCount - 1;
    const double dValue = arr.at(n) ? arr.at(n)->m_dValue : std::nan("");
    if (FollowLive())
        emit VisibleWindowChanged();
    if (double(n) > m_xMax || dValue > m_yMax || dValue < m_yMin || m_zoomed || nCount < 2
        || !m_bCacheValid) {
        RequestRedraw();
        return;
    }
    // Only the new segment (and its marks) goes onto the back buffer, with the clip and the
    // order of a full drawing, so both give the same pixels; the axis column stays untouched.
    const CGraphMapping map = Mapping();
    const QPoint ptPrev(int(map.Px(n - 1)), map.PyOf(arr.at(n - 1)));
    const QPoint ptLast(int(map.Px(n)), map.PyOf(arr.at(n)));
    {
        QPainter painter(&m_cache);
        painter.setClipRect(QRect(kLeftMargin + 1, kTopMargin, m_plotWidth - 1, m_plotHeight));
        painter.setPen(QPen(m_colors.m_lineColor, 1));
        painter.drawLine(ptPrev, ptLast);
        if (CGraphTrace::MarksVisible(m_markPoints, m_xScale)) {
            CGraphTrace::SetMarkPen(painter, m_colors.m_pointColor);
            CGraphTrace::DrawMark(painter, ptPrev.x(), ptPrev.y());
            CGraphTrace::DrawMark(painter, ptLast.x(), ptLast.y());
        }
    }
    update(QRect(ptPrev, ptLast).normalized().adjusted(-3, -3, 3, 3));
}

void CGraphDlg::SyncPlotSize()
{
    // Both scales keep the span they showed. A hidden window gets its resize event only when
    // shown, so drawing checks the size too.
    const int nWidth = std::max(1, width() - 2 * kLeftMargin);
    const int nHeight = std::max(1, height() - 2 * kTopMargin);
    if (nWidth == m_plotWidth && nHeight == m_plotHeight)
        return;
    m_xScale = ScaleOf(m_plotWidth * m_xScale, nWidth, m_xScale);
    m_yScale = ScaleOf(m_plotHeight * m_yScale, nHeight, m_yScale);
    m_plotWidth = nWidth;
    m_plotHeight = nHeight;
    m_bCacheValid = false;
}

void CGraphDlg::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    SyncPlotSize();
    RequestRedraw();
    if (m_panel && m_panel->isVisible())
        PlacePanel();
}

void CGraphDlg::UpdateCursor(const QPoint& pt)
{
    if (!InPlot(pt)) {
        unsetCursor();
        return;
    }
    switch (m_tool) {
    case kToolRect:
        setCursor(Qt::CrossCursor);
        break;
    case kToolYBig:
        setCursor(Qt::SizeVerCursor);
        break;
    case kToolXBig:
        setCursor(Qt::SizeHorCursor);
        break;
    case kToolMove:
        setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
        break;
    case kToolFFT:
        setCursor(Qt::SplitHCursor);
        break;
    default:
        unsetCursor();
        break;
    }
}

void CGraphDlg::keyPressEvent(QKeyEvent* pEvent)
{
    // Escape gives up the gesture in progress.
    if (pEvent->key() == Qt::Key_Escape && m_dragging) {
        m_dragging = false;
        m_dragEnd = m_dragStart;
        HidePanel();
        update();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

void CGraphDlg::leaveEvent(QEvent* pEvent)
{
    unsetCursor();
    QWidget::leaveEvent(pEvent);
}

void CGraphDlg::HidePanel()
{
    if (m_panel)
        m_panel->hide();
}

void CGraphDlg::PlacePanel()
{
    if (!m_panel)
        return;
    m_panel->resize(m_panel->sizeHint().expandedTo(m_panel->minimumSize()));
    // Top left of the plot, or top right when the selected point lies under it.
    int x = kLeftMargin + kPanelGap;
    const qint64 nPx = Mapping().Px(m_selIndex);
    if (nPx <= x + m_panel->width() + kPanelGap)
        x = std::max(kLeftMargin + kPanelGap, kLeftMargin + m_plotWidth - m_panel->width() - kPanelGap);
    m_panel->move(x, kTopMargin + kPanelGap);
}

void CGraphDlg::SelectPoint(int x)
{
    const qint64 nIndex = Mapping().IndexAt(x);
    if (nIndex < 0 || nIndex >= Count())
        return;
    const CObData* pOb = Readings()->at(nIndex);
    if (!pOb)
        return;
    m_selIndex = int(nIndex);
    if (m_panel) {
        PlacePanel();
        m_panel->show();
        m_panel->raise();
    }
    emit PointSelected(m_selIndex, pOb->m_strTime, pOb->m_dValue, pOb->m_strUnit, pOb->m_strType);
    update();
}

void CGraphDlg::PanTo(const QPoint& pt)
{
    const int x = pt.x(), y = pt.y();
    const int px = m_movePrev.x(), py = m_movePrev.y();
    if (y < py) {
        m_yOrigin = m_yOrigin > m_yMin ? std::max(m_yMin, m_yOrigin - (py - y) * m_yScale) : m_yMin;
    } else {
        const double H = m_plotHeight * m_yScale;
        m_yOrigin = H + m_yOrigin < m_yMax ? std::min(m_yMax - H, m_yOrigin + (y - py) * m_yScale)
                                           : m_yMax - H;
    }
    if (px < x) {
        m_xOrigin = m_xOrigin > m_xMin ? std::max(m_xMin, m_xOrigin - (x - px) * m_xScale) : m_xMin;
    } else {
        const double W = m_plotWidth * m_xScale;
        m_xOrigin = W + m_xOrigin < m_xMax ? std::min(m_xMax - W, m_xOrigin + (px - x) * m_xScale)
                                           : m_xMax - W;
    }
    m_movePrev = pt;
}

void CGraphDlg::ZoomX(int x)
{
    if (m_xScale <= kMinZoomScale)
        return;
    x = std::clamp(x, kLeftMargin, kLeftMargin + m_plotWidth);
    const int sx = m_dragStart.x();
    m_xOrigin += (std::min(sx, x) - kLeftMargin) * m_xScale;
    m_xScale = ScaleOf(std::abs(x - sx) * m_xScale, m_plotWidth, m_xScale);
    m_zoomed = true;
}

void CGraphDlg::ZoomY(int y)
{
    if (m_yScale <= kMinZoomScale)
        return;
    y = std::clamp(y, kTopMargin, kTopMargin + m_plotHeight);
    const int sy = m_dragStart.y();
    m_yOrigin += (m_plotHeight + kTopMargin - std::max(sy, y)) * m_yScale;
    m_yScale = ScaleOf(std::abs(y - sy) * m_yScale, m_plotHeight, m_yScale);
    m_zoomed = true;
}

void CGraphDlg::mousePressEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (pEvent->button() != Qt::LeftButton || !InPlot(pt)) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    switch (m_tool) {
    case kToolRect:
    case kToolYBig:
    case kToolXBig:
    case kToolFFT:
        m_dragStart = m_dragEnd = pt;
        m_dragging = true;
        break;
    case kToolMove:
        m_movePrev = m_dragEnd = pt;
        m_dragging = true;
        break;
    case kToolShowNumber:
        m_dragging = true;
        SelectPoint(pt.x());
        break;
    default:
        break;
    }
    UpdateCursor(pt);
    update();
}

void CGraphDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    const bool bInside = InPlot(pt);
    switch (m_tool) {
    case kToolMove:
        if (m_dragging && !bInside) {
            m_dragging = false;
        } else if (m_dragging) {
            m_dragEnd = pt;
            PanTo(pt);
            emit VisibleWindowChanged();
            RequestRedraw();
        }
        break;
    case kToolRect:
    case kToolFFT:
        // Far out in the margins the gesture is given up.
        if (pt.x() < 4 || pt.x() >= m_plotWidth + 2 * kLeftMargin - 3 || pt.y() < 4
            || pt.y() >= m_plotHeight + 2 * kTopMargin - 3) {
            m_dragging = false;
            update();
        } else if (m_dragging) {
            m_dragEnd = QPoint(std::clamp(pt.x(), kLeftMargin, kLeftMargin + m_plotWidth),
                               std::clamp(pt.y(), kTopMargin, kTopMargin + m_plotHeight));
            update();
        }
        break;
    case kToolYBig:
    case kToolXBig:
        if (bInside && m_dragging) {
            m_dragEnd = pt;
            update();
        }
        break;
    case kToolShowNumber:
        if (!bInside) {
            if (m_dragging || (m_panel && m_panel->isVisible())) {
                m_dragging = false;
                HidePanel();
                update();
            }
        } else if (m_dragging) {
            SelectPoint(pt.x());
        }
        break;
    default:
        break;
    }
    UpdateCursor(pt);
}

void CGraphDlg::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(pEvent);
        return;
    }
    const QPoint pt = pEvent->position().toPoint();
    const QPoint ptStart = m_dragStart;
    const bool bGesture = m_dragging;
    // Any release ends the gesture, wherever it happens.
    m_dragging = false;
    if (m_tool != kToolMove && m_tool != kToolShowNumber)
        m_dragEnd = m_dragStart;
    UpdateCursor(pt);
    if (!InPlot(pt) && m_tool != kToolRect) {
        update();
        return;
    }

    const int dx = std::abs(pt.x() - ptStart.x()), dy = std::abs(pt.y() - ptStart.y());
    switch (m_tool) {
    case kToolRect:
        if (bGesture && dx >= kMinDrag && dy >= kMinDrag) {
            ZoomX(pt.x());
            ZoomY(pt.y());
        }
        break;
    case kToolXBig:
        if (bGesture && dx >= kMinDrag)
            ZoomX(pt.x());
        break;
    case kToolYBig:
        if (bGesture && dy >= kMinDrag)
            ZoomY(pt.y());
        break;
    case kToolMove:
        m_dragStart = m_dragEnd = pt;
        break;
    case kToolShowNumber:
        HidePanel();
        break;
    case kToolFFT:
        if (bGesture) {
            const CGraphMapping map = Mapping();
            qint64 nFirst = map.IndexAt(ptStart.x()), nSecond = map.IndexAt(pt.x());
            if (nFirst >= 0 && nSecond >= 0) {
                const qint64 nLast = qint64(Count()) - 1;
                nFirst = std::min(nFirst, nLast);
                nSecond = std::min(nSecond, nLast);
                RequestRedraw();
                if (nFirst != nSecond) {
                    const int nStart = int(std::min(nFirst, nSecond));
                    const int nFinish = int(std::max(nFirst, nSecond));
                    emit FFTRangeSelected(nStart, nFinish);
                    OpenFFT(nStart, nFinish);
                }
            }
        }
        break;
    default:
        break;
    }
    RequestRedraw();
    emit VisibleWindowChanged();
}

void CGraphDlg::OpenFFT(int nStart, int nFinish)
{
    CFFTDlg dlg(m_pDoc, nStart, nFinish, m_prompt, this);
    dlg.exec();
}

void CGraphDlg::RunSettings()
{
    CColorSetting dlg(m_prompt, m_pDoc, this);
    dlg.TakeFrom(*this);
    if (dlg.exec() == QDialog::Accepted)
        dlg.ApplyTo(*this);
}
