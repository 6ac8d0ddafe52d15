#pragma once

#include "scope/COscGraphState.h"
#include "scope/ui/COscDrawOptions.h"

#include <QWidget>

// The graph of the scope window: the meter's screen of 12 x 8 divisions with
// the trace (of the samples, or of the meter's own spectrum), two level and two
// time cursors, rectangle zoom and a point readout.
//
// Mouse: the left button on a cursor line drags that cursor, elsewhere in the
// plot it drags a zoom rectangle (Esc gives it up); the right button held
// shows the point under the pointer. GUI thread only.
class COSCGraph : public QWidget
{
    Q_OBJECT
public:
    explicit COSCGraph(QWidget* pParent = nullptr);

    const COscGraphState& State() const { return m_state; }

    // Shows the record's samples, or the meter's spectrum bars, whole.
    void ShowWaveform(const OscRecord& record, bool bSpectrum);
    // Samples to spectrum and back; false (nothing changes) for a record without a spectrum.
    bool ToggleView();
    // "UnDo Zoom".
    void ResetZoom();

    // The screen, into rc of any painter: the window paints itself through this,
    // and a printout draws it on a page with options.bPrinting and a text height
    // to suit the page (the screen scales with it).
    void Draw(QPainter& painter, const QRect& rc, const COscDrawOptions& options) const;
    // What the window shows now: the zoom rectangle and readout cross included.
    COscDrawOptions ScreenOptions() const;

    bool IsZooming() const { return m_zooming; }
    COscGraphState::Cursor DraggedCursor() const { return m_dragCursor ? m_cursorKind : COscGraphState::NoCursor; }
    int InspectIndex() const { return m_inspect ? m_inspectIndex : -1; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The point readout line: "NO.:…" while the right button is held on a point, else empty.
    void ReadoutChanged(const QString& strText);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void Inspect(QPoint pt);
    void EndInspect();
    void CancelDrags();
    void UpdatePointerShape(QPoint pt);

    COscGraphState m_state;
    bool m_zooming = false;
    QPoint m_zoomStart;
    QPoint m_zoomEnd;
    bool m_dragCursor = false;
    COscGraphState::Cursor m_cursorKind = COscGraphState::NoCursor;
    bool m_inspect = false;
    int m_inspectIndex = -1;
};
