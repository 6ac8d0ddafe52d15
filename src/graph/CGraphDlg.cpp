#include "graph/CGraphDlg.h"

#include "document/CMyTalvaDoc.h"
#include "document/CSpanStatistics.h"
#include "draw/CGraphPainter.h"
#include "draw/CGraphTrace.h"
#include "fft/ui/CFFTDlg.h"
#include "graph/CColorSetting.h"
#include "graph/CGraphCommand.h"
#include "graph/CMeasurePanel.h"
#include "trend/CGraphXAxis.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kDragFrameColor(100, 105, 155);
const QColor kMeasureShade(255, 255, 255, 70);
constexpr int kTickHalf = 5;
constexpr int kPanelGap = 4;
// Above this many readings a Measure drag shows its figures when the button is released.
constexpr qint64 kLiveMeasureLimit = 200000;

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
    // As the window starts: the initial ranges over its first size.
    m_state.SetWindowSize(width(), height());
    m_state.SetTimeAxis(CColorSetting::RememberedTimeAxis());
    m_state.ShowAll();
    m_pMeasure = new CMeasurePanel(this);
    m_pMeasure->hide();
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

qsizetype CGraphDlg::Count() const
{
    return m_pDoc ? m_pDoc->m_arrData[0].size() : 0;
}

CGraphXAxis CGraphDlg::Axis() const
{
    return CGraphXAxis(m_pDoc, m_state.IsTimeAxis());
}

double CGraphDlg::LastX() const
{
    return Axis().LastX();
}

qint64 CGraphDlg::IndexAt(int x) const
{
    return Axis().IndexNear(Mapping().XAt(x));
}

qint64 CGraphDlg::ColumnOf(qint64 nIndex) const
{
    const CGraphXAxis axis = Axis();
    return axis.IsTime() ? Mapping().PxOf(axis.X(nIndex)) : Mapping().Px(nIndex);
}

void CGraphDlg::SetTimeAxis(bool bTime)
{
    if (bTime == m_state.IsTimeAxis())
        return;
    m_state.SetWindowSize(width(), height());
    m_state.SetTimeAxis(bTime);
    ClearMeasure();
    emit VisibleWindowChanged();
    RequestRedraw();
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
    // A reading was added and already drawn; anything else (a load, an import) redraws, and
    // the readings measured may be others now.
    if (m_bSkipNextChange) {
        m_bSkipNextChange = false;
        return;
    }
    ClearMeasure();
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
    case GraphCommand::kMeasure:
        SetTool(kToolMeasure);
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
    if (!CGraphState::IsTool(nTool))
        return;
    m_state.SetTool(nTool);
    UpdateCursor(mapFromGlobal(QCursor::pos()));
    update();
}

void CGraphDlg::ShowAll()
{
    m_state.SetWindowSize(width(), height());
    m_state.ShowAll();
    emit VisibleWindowChanged();
    RequestRedraw();
}

void CGraphDlg::ResetXRange()
{
    m_state.SetWindowSize(width(), height());
    m_state.ResetXRange();
    emit VisibleWindowChanged();
    RequestRedraw();
}

bool CGraphDlg::SetYRange(double dMax, double dMin)
{
    if (!m_state.SetYRange(dMax, dMin))
        return false;
    emit VisibleWindowChanged();
    RequestRedraw();
    return true;
}

bool CGraphDlg::SetYRangeAround(double dMax, double dMin)
{
    if (!m_state.SetYRangeAround(dMax, dMin))
        return false;
    emit VisibleWindowChanged();
    RequestRedraw();
    return true;
}

void CGraphDlg::SetOrigin(double dXOrigin, double dYOrigin)
{
    if (m_state.SetOrigin(dXOrigin, dYOrigin))
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

CGraphDrawOptions CGraphDlg::ScreenOptions()
{
    SyncPlotSize();
    CGraphDrawOptions options = CGraphPainter::ScreenOptions(m_state, rect());
    options.colors = m_colors;
    options.bMarkPoints = m_markPoints;
    return options;
}

CGraphDrawOptions CGraphDlg::StretchedOptions(const QRect& rcClient, int nLeft, int nTop,
                                              int nFontHeight, bool bWhiteMargins) const
{
    CGraphDrawOptions options = CGraphPainter::StretchedOptions(m_state, rcClient, nLeft, nTop, nFontHeight, bWhiteMargins);
    options.colors = m_colors;
    options.bMarkPoints = m_markPoints;
    return options;
}

void CGraphDlg::CatchUp()
{
    if (!m_state.UpdateXRange(LastX()))
        return;
    // A page drawn first: the window follows.
    m_bCacheValid = false;
    update();
    QMetaObject::invokeMethod(this, &CGraphDlg::VisibleWindowChanged, Qt::QueuedConnection);
}

void CGraphDlg::DrawGraph(QPainter& painter, const CGraphDrawOptions& options)
{
    // The x range belongs to the window: another target keeps showing the window's span.
    const double dScreenScale = m_state.XScale();
    CatchUp();
    CGraphDrawOptions drawn = options;
    drawn.dXScale *= m_state.XScale() / dScreenScale;
    CGraphPainter::Draw(painter, m_state, m_pDoc, drawn);
}

void CGraphDlg::paintEvent(QPaintEvent*)
{
    SyncPlotSize();
    if (m_state.UpdateXRange(LastX())) {
        m_bCacheValid = false;
        QMetaObject::invokeMethod(this, &CGraphDlg::VisibleWindowChanged, Qt::QueuedConnection);
    }
    const qreal dRatio = devicePixelRatioF();
    const QSize deviceSize = size() * dRatio;
    if (!m_bCacheValid || m_cache.size() != deviceSize) {
        m_cache = QImage(deviceSize, QImage::Format_RGB32);
        m_cache.setDevicePixelRatio(dRatio);
        m_cache.fill(m_colors.m_bkColor);
        QPainter painter(&m_cache);
        CGraphPainter::Draw(painter, m_state, m_pDoc, ScreenOptions());
        m_bCacheValid = true;
        ++m_nFullDrawings;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_cache);
    DrawOverlay(painter);
}

void CGraphDlg::DrawOverlay(QPainter& painter)
{
    if (m_state.HasMeasure() && m_state.MeasureLast() < Count()) {
        // The readings measured, shaded from the first to the last.
        const QRect rcPlot(kLeftMargin + 1, kTopMargin, PlotWidth() - 1, PlotHeight());
        const int xFirst = int(std::clamp<qint64>(ColumnOf(m_state.MeasureFirst()), rcPlot.left(), rcPlot.right()));
        const int xLast = int(std::clamp<qint64>(ColumnOf(m_state.MeasureLast()), rcPlot.left(), rcPlot.right()));
        painter.fillRect(QRect(QPoint(xFirst, rcPlot.top()), QPoint(xLast, rcPlot.bottom())), kMeasureShade);
        painter.setPen(QPen(kDragFrameColor, 1));
        painter.drawLine(xFirst, rcPlot.top(), xFirst, rcPlot.bottom());
        painter.drawLine(xLast, rcPlot.top(), xLast, rcPlot.bottom());
    }
    const bool bDragging = m_state.IsDragging();
    const QPoint ptStart = m_state.DragStart(), ptEnd = m_state.DragEnd();
    switch (m_state.CurrentTool()) {
    case kToolRect:
    case kToolFFT:
        if (bDragging) {
            painter.setPen(QPen(kDragFrameColor, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(ptStart, ptEnd).normalized());
        }
        break;
    case kToolYBig:
        if (bDragging) {
            const int x = ptStart.x();
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x - kTickHalf, ptStart.y(), x + kTickHalf, ptStart.y());
            painter.drawLine(x - kTickHalf, ptEnd.y(), x + kTickHalf, ptEnd.y());
            painter.drawLine(x, ptStart.y(), x, ptEnd.y());
        }
        break;
    case kToolXBig:
        if (bDragging) {
            const int y = ptStart.y();
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(ptStart.x(), y - kTickHalf, ptStart.x(), y + kTickHalf);
            painter.drawLine(ptEnd.x(), y - kTickHalf, ptEnd.x(), y + kTickHalf);
            painter.drawLine(ptStart.x(), y, ptEnd.x(), y);
        }
        break;
    case kToolShowNumber:
        if (m_selIndex >= 0 && m_selIndex < Count()) {
            const int x = int(ColumnOf(m_selIndex));
            const int y = Mapping().PyOfValue(m_pDoc->Summary().Value(m_selIndex));
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x, kTopMargin, x, kTopMargin + PlotHeight());
            painter.drawLine(kLeftMargin, y, kLeftMargin + PlotWidth(), y);
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
    const CMinMaxSummary& series = m_pDoc->Summary();
    const CGraphXAxis axis = Axis();
    const qsizetype n = nCount - 1;
    const double dValue = series.Value(n);
    if (m_pDoc->m_bLive && m_state.FollowLive(axis.LastX()))
        emit VisibleWindowChanged();
    // A reading of another quantity is not drawn.
    if (std::isnan(dValue) && nCount > 1 && !std::isnan(series.Value(n - 1)))
        return;
    // On the time axis the readings of one second spread out again as it fills: all redrawn.
    if (axis.IsTime() || double(n) > XMax() || dValue > YMax() || dValue < YMin() || std::isnan(dValue)
        || IsZoomed() || nCount < 2 || std::isnan(series.Value(n - 1)) || !m_bCacheValid) {
        RequestRedraw();
        return;
    }
    // Only the new segment (and its marks) goes onto the back buffer, with the clip and the
    // order of a full drawing, so both give the same pixels; the axis column stays untouched.
    // After a gap in the readings' times there is no segment.
    const CGraphMapping map = Mapping();
    const QPoint ptPrev(int(map.Px(n - 1)), map.PyOfValue(series.Value(n - 1)));
    const QPoint ptLast(int(map.Px(n)), map.PyOfValue(dValue));
    {
        QPainter painter(&m_cache);
        painter.setClipRect(QRect(kLeftMargin + 1, kTopMargin, PlotWidth() - 1, PlotHeight()));
        painter.setPen(QPen(m_colors.m_lineColor, 1));
        if (!axis.Breaks(n - 1, n))
            painter.drawLine(ptPrev, ptLast);
        if (CGraphTrace::MarksVisible(m_markPoints, XScale())) {
            CGraphTrace::SetMarkPen(painter, m_colors.m_pointColor);
            CGraphTrace::DrawMark(painter, ptPrev.x(), ptPrev.y());
            CGraphTrace::DrawMark(painter, ptLast.x(), ptLast.y());
        }
    }
    update(QRect(ptPrev, ptLast).normalized().adjusted(-3, -3, 3, 3));
}

void CGraphDlg::SyncPlotSize()
{
    // A hidden window gets its resize event only when shown, so drawing checks the size too.
    if (m_state.SetWindowSize(width(), height()))
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
    if (!m_state.InPlot(pt)) {
        unsetCursor();
        return;
    }
    switch (m_state.CurrentTool()) {
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
        setCursor(IsDragging() ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
        break;
    case kToolFFT:
    case kToolMeasure:
        setCursor(Qt::SplitHCursor);
        break;
    default:
        unsetCursor();
        break;
    }
}

void CGraphDlg::keyPressEvent(QKeyEvent* pEvent)
{
    // Escape gives up the gesture in progress, and clears what Measure selected.
    if (pEvent->key() == Qt::Key_Escape && (IsDragging() || m_state.HasMeasure())) {
        m_state.CancelGesture();
        HidePanel();
        ClearMeasure();
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
    const qint64 nPx = ColumnOf(m_selIndex);
    if (nPx <= x + m_panel->width() + kPanelGap)
        x = std::max(kLeftMargin + kPanelGap, kLeftMargin + PlotWidth() - m_panel->width() - kPanelGap);
    m_panel->move(x, kTopMargin + kPanelGap);
}

void CGraphDlg::SelectPoint(int x)
{
    const qint64 nIndex = IndexAt(x);
    if (nIndex < 0 || nIndex >= Count())
        return;
    const std::optional<CObData> pOb = m_pDoc->m_arrData[0].Record(nIndex);
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

void CGraphDlg::mousePressEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (pEvent->button() != Qt::LeftButton || !m_state.Press(pt)) {
        QWidget::mousePressEvent(pEvent);
        return;
    }
    if (CurrentTool() == kToolShowNumber)
        SelectPoint(pt.x());
    if (CurrentTool() == kToolMeasure)
        UpdateMeasure(false);
    UpdateCursor(pt);
    update();
}

void CGraphDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    const bool bInside = m_state.InPlot(pt);
    switch (CurrentTool()) {
    case kToolMove:
        if (IsDragging() && !bInside) {
            m_state.EndDrag();
        } else if (IsDragging()) {
            m_state.PanTo(pt);
            emit VisibleWindowChanged();
            RequestRedraw();
        }
        break;
    case kToolRect:
    case kToolFFT:
        if (!m_state.DragRectangle(pt) || IsDragging())
            update();
        break;
    case kToolYBig:
    case kToolXBig:
        if (bInside && IsDragging()) {
            m_state.SetDragEnd(pt);
            update();
        }
        break;
    case kToolMeasure:
        if (IsDragging()) {
            m_state.DragSpan(pt);
            UpdateMeasure(false);
            update();
        }
        break;
    case kToolShowNumber:
        if (!bInside) {
            if (IsDragging() || (m_panel && m_panel->isVisible())) {
                m_state.EndDrag();
                HidePanel();
                update();
            }
        } else if (IsDragging()) {
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
    const QPoint ptStart = m_state.DragStart();
    const bool bGesture = IsDragging();
    const int nTool = CurrentTool();
    // Any release ends the gesture, wherever it happens; a Measure span ends at the plot's edge.
    if (nTool == kToolMeasure && bGesture) {
        m_state.DragSpan(pt);
        m_state.EndDrag();
        UpdateMeasure(true);
        UpdateCursor(pt);
        update();
        return;
    }
    m_state.EndDrag();
    if (nTool != kToolMove && nTool != kToolShowNumber)
        m_state.SetDragEnd(ptStart);
    UpdateCursor(pt);
    if (!m_state.InPlot(pt) && nTool != kToolRect) {
        update();
        return;
    }

    const int dx = std::abs(pt.x() - ptStart.x()), dy = std::abs(pt.y() - ptStart.y());
    switch (nTool) {
    case kToolRect:
        if (bGesture && dx >= kMinDrag && dy >= kMinDrag) {
            m_state.ZoomX(pt.x());
            m_state.ZoomY(pt.y());
        }
        break;
    case kToolXBig:
        if (bGesture && dx >= kMinDrag)
            m_state.ZoomX(pt.x());
        break;
    case kToolYBig:
        if (bGesture && dy >= kMinDrag)
            m_state.ZoomY(pt.y());
        break;
    case kToolMove:
        m_state.SetDragEnd(pt);
        break;
    case kToolShowNumber:
        HidePanel();
        break;
    case kToolFFT:
        if (bGesture) {
            qint64 nFirst = IndexAt(ptStart.x()), nSecond = IndexAt(pt.x());
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

void CGraphDlg::UpdateMeasure(bool bFinal)
{
    const qint64 nCount = Count();
    if (nCount == 0)
        return;
    const int x1 = std::min(m_state.DragStart().x(), m_state.DragEnd().x());
    const int x2 = std::max(m_state.DragStart().x(), m_state.DragEnd().x());
    const qint64 nFirst = std::clamp<qint64>(IndexAt(x1), 0, nCount - 1);
    const qint64 nLast = std::clamp<qint64>(IndexAt(x2), 0, nCount - 1);
    m_state.SetMeasureSpan(nFirst, nLast);
    if (!bFinal && nLast - nFirst >= kLiveMeasureLimit)
        m_pMeasure->SetPending(nFirst, nLast);
    else
        m_pMeasure->SetFigures(CSpanStatistics::Of(*m_pDoc, nFirst, nLast));
    // Top right of the plot, clear of the point panel's corner.
    m_pMeasure->adjustSize();
    m_pMeasure->move(std::max(kLeftMargin + kPanelGap, kLeftMargin + PlotWidth() - m_pMeasure->width() - kPanelGap),
                     kTopMargin + kPanelGap);
    m_pMeasure->show();
    m_pMeasure->raise();
    emit MeasureChanged(nFirst, nLast);
}

void CGraphDlg::ClearMeasure()
{
    if (!m_state.HasMeasure() && !m_pMeasure->isVisible())
        return;
    m_state.ClearMeasure();
    m_pMeasure->hide();
    emit MeasureChanged(-1, -1);
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
