#include "scope/ui/COSCGraph.h"

#include "scope/ui/COscScreenPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

COSCGraph::COSCGraph(QWidget* pParent)
    : QWidget(pParent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Hovering over a cursor line shows that it can be dragged.
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_state.SetClientSize(size());
}

QSize COSCGraph::sizeHint() const
{
    return QSize(760, 460);
}

QSize COSCGraph::minimumSizeHint() const
{
    // Smaller, the words around the plot give way, the least needed first.
    return QSize(480, 260);
}

void COSCGraph::ShowWaveform(const OscRecord& record, bool bSpectrum)
{
    CancelDrags();
    m_state.ShowWaveform(record, bSpectrum);
    update();
}

bool COSCGraph::ToggleView()
{
    if (!m_state.ToggleView())
        return false;
    CancelDrags();
    update();
    return true;
}

void COSCGraph::ResetZoom()
{
    m_state.ResetZoom();
    update();
}

void COSCGraph::Draw(QPainter& painter, const QRect& rc, const COscDrawOptions& options) const
{
    COscScreenPainter::Draw(painter, m_state, rc, options);
}

COscDrawOptions COSCGraph::ScreenOptions() const
{
    COscDrawOptions options;
    if (m_zooming)
        options.rcZoom = QRect(m_zoomStart, m_zoomEnd).normalized(); // both corners inside, whichever way it was dragged
    options.nInspectIndex = InspectIndex();
    return options;
}

void COSCGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Draw(painter, rect(), ScreenOptions());
}

void COSCGraph::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    m_state.SetClientSize(size());
}

void COSCGraph::mousePressEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (pEvent->button() == Qt::LeftButton) {
        const COscGraphState::Cursor cursor = m_state.CursorAt(pt);
        if (cursor != COscGraphState::NoCursor) {
            m_dragCursor = true;
            m_cursorKind = cursor;
            UpdatePointerShape(pt);
        } else if (m_state.IsInPlot(pt)) {
            m_zooming = true;
            m_zoomStart = m_zoomEnd = pt;
            update();
        }
    } else if (pEvent->button() == Qt::RightButton) {
        m_inspect = true;
        Inspect(pt);
    }
}

void COSCGraph::mouseMoveEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (m_dragCursor) {
        // Held inside the plot, so a level cursor can always be caught again.
        m_state.DragCursor(m_cursorKind, m_state.ClampToPlot(pt));
        update();
        return;
    }
    if (!m_zooming && !m_inspect) {
        UpdatePointerShape(pt);
        return;
    }
    if (m_state.IsOutsideArea(pt)) {
        m_zooming = false;
        EndInspect();
        update();
        return;
    }
    if (m_zooming) {
        m_zoomEnd = m_state.ClampToPlot(pt);
        update();
    }
    if (m_inspect)
        Inspect(pt);
}

void COSCGraph::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    if (pEvent->button() == Qt::LeftButton) {
        if (m_zooming) {
            m_zooming = false;
            m_state.ZoomTo(m_zoomStart, pt); // too small a drag only repaints
            update();
        }
        if (m_dragCursor) {
            m_dragCursor = false;
            m_cursorKind = COscGraphState::NoCursor;
            UpdatePointerShape(pt);
        }
    } else if (pEvent->button() == Qt::RightButton) {
        EndInspect();
        update();
    }
}

void COSCGraph::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Escape && (m_zooming || m_inspect || m_dragCursor)) {
        CancelDrags();
        update();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

void COSCGraph::Inspect(QPoint pt)
{
    const int nIndex = m_state.IndexAt(pt.x());
    if (nIndex < 0 || nIndex >= m_state.Count())
        return; // off the points: the readout stays where it was
    m_inspectIndex = nIndex;
    emit ReadoutChanged(m_state.InspectText(nIndex));
    update();
}

void COSCGraph::EndInspect()
{
    const bool bShown = m_inspect && m_inspectIndex >= 0;
    m_inspect = false;
    m_inspectIndex = -1;
    if (bShown)
        emit ReadoutChanged(QString());
}

void COSCGraph::CancelDrags()
{
    m_zooming = false;
    m_dragCursor = false;
    m_cursorKind = COscGraphState::NoCursor;
    EndInspect();
    unsetCursor();
}

void COSCGraph::UpdatePointerShape(QPoint pt)
{
    const COscGraphState::Cursor cursor = m_dragCursor ? m_cursorKind : m_state.CursorAt(pt);
    switch (cursor) {
    case COscGraphState::LevelCursor1:
    case COscGraphState::LevelCursor2:
        setCursor(Qt::SplitVCursor);
        break;
    case COscGraphState::TimeCursor1:
    case COscGraphState::TimeCursor2:
        setCursor(Qt::SplitHCursor);
        break;
    case COscGraphState::NoCursor:
        unsetCursor();
        break;
    }
}
