#pragma once

#include "trend/CGraphMapping.h"
#include "trend/CGraphScaleChoice.h"

#include <QPoint>
#include <QRect>

// What a trend graph shows and how its gestures change that, without a window: the x and y
// ranges, the visible span (origins and scales), the plot size, the tool with the gesture in
// progress, and the mapping to pixels. The window (CGraphDlg) feeds it sizes and mouse
// positions; the painter (CGraphPainter) draws from it; both the screen and the printed page
// read the same state.
//
// Units: x is a coordinate of the x axis (a reading number, or seconds on the time axis),
// y a value in the document's unit; scales are units per pixel; points are window pixels.
// A plain value, used on one thread.
class CGraphState
{
public:
    enum Tool {
        kToolRect = 1,
        kToolYBig = 2,
        kToolXBig = 3,
        kToolMove = 4,
        kToolShowNumber = 5,
        kToolFFT = 8,
        kToolMeasure = 9,
    };

    static constexpr int kLeftMargin = 70;
    static constexpr int kTopMargin = 25;
    static constexpr int kMinDrag = 5;             //!< smaller gestures only repaint
    static constexpr double kMinZoomScale = 0.005; //!< units per pixel below which zooming stops
    static constexpr double kInitialXMax = 20.0;
    static constexpr double kMinYMargin = 0.01;    //!< the least margin around a recording's y range

    CGraphState();

    // The window's size: the plot is what the margins leave (at least a pixel), and each
    // scale keeps the span it showed. True when the plot changed.
    bool SetWindowSize(int nWidth, int nHeight);
    int PlotWidth() const { return m_plotWidth; }
    int PlotHeight() const { return m_plotHeight; }
    bool InPlot(const QPoint& pt) const;

    // The x axis: reading numbers (the default) or the meter's time, in seconds after the first
    // reading. A change starts the x range over.
    void SetTimeAxis(bool bTime);
    bool IsTimeAxis() const { return m_bTimeAxis; }

    // "All": back to the whole x range and the y limits.
    void ShowAll();
    // The x axis as a new graph starts it (0 to kInitialXMax, not zoomed).
    void ResetXRange();
    // New y limits (max > min, both finite); false and nothing changes otherwise.
    bool SetYRange(double dMax, double dMin);
    // The y limits around a recording's extremes, a tenth of their span (at least kMinYMargin)
    // beyond each; nothing changes when the extremes cross (no reading in the statistics).
    bool SetYRangeAround(double dMax, double dMin);
    // The view's scroll bars; false for a position that is not finite.
    bool SetOrigin(double dXOrigin, double dYOrigin);

    // While not zoomed, the x range grows by fifteenths of its span until dLastX (the last
    // reading's coordinate) fits. True when it grew.
    bool UpdateXRange(double dLastX);
    // While a zoomed view of a running recording has new data past its right edge, the view
    // moves on: one point on the reading axis, to the newest reading on the time axis (nothing
    // while a gesture is in progress). True when it moved.
    bool FollowLive(double dLastX);

    // The window's mapping.
    CGraphMapping Mapping() const;
    // The x coordinate at window column x.
    double XAt(int x) const { return Mapping().XAt(x); }
    // The scales that stretch the window's span over nPlotWidth x nPlotHeight pixels.
    double StretchedXScale(int nPlotWidth) const;
    double StretchedYScale(int nPlotHeight) const;

    // The tool and its gesture. Press starts one inside the plot (false: ignored); Drag
    // follows the pointer; Release ends it. Escape gives up the gesture in progress.
    static bool IsTool(int nTool);
    void SetTool(int nTool); //!< one of Tool; others change nothing
    int CurrentTool() const { return m_tool; }
    bool Press(const QPoint& pt);
    bool IsDragging() const { return m_dragging; }
    void EndDrag() { m_dragging = false; }
    QPoint DragStart() const { return m_dragStart; }
    QPoint DragEnd() const { return m_dragEnd; }
    void SetDragEnd(const QPoint& pt) { m_dragEnd = pt; }
    // Rect and FFT: false when the pointer went far out into the margins (the gesture is
    // given up); else the end of the rectangle follows, held to the plot.
    bool DragRectangle(const QPoint& pt);
    // Measure: the end of the span follows the pointer across the plot (held to it).
    void DragSpan(const QPoint& pt);
    // The readings Measure selected, by index (first <= last); none until a span is set.
    void SetMeasureSpan(qint64 nFirst, qint64 nLast);
    void ClearMeasure() { m_bMeasure = false; }
    bool HasMeasure() const { return m_bMeasure; }
    qint64 MeasureFirst() const { return m_nMeasureFirst; }
    qint64 MeasureLast() const { return m_nMeasureLast; }
    // Move: the content follows the pointer (dragging right shows earlier points, dragging
    // down higher values), the origins held within the limits.
    void PanTo(const QPoint& pt);
    // The zooms of Rect, XBig and YBig to the dragged span, from the gesture's start; each
    // stops at kMinZoomScale.
    void ZoomX(int x);
    void ZoomY(int y);
    void CancelGesture();

    double XScale() const { return m_xScale; }
    double YScale() const { return m_yScale; }
    double XMax() const { return m_xMax; }
    double XMin() const { return m_xMin; }
    double YMax() const { return m_yMax; }
    double YMin() const { return m_yMin; }
    double XOrigin() const { return m_xOrigin; }
    double YOrigin() const { return m_yOrigin; }
    bool IsZoomed() const { return m_zoomed; }

    CGraphScaleChoice m_scaleChoice; //!< what the settings dialog offers next time

private:
    double m_xScale = 1.0;
    double m_yScale = 1.0;
    double m_xMax = kInitialXMax;
    double m_yMax = 500.0;
    double m_xMin = 0.0;
    double m_yMin = -500.0;
    int m_plotWidth = 1;
    int m_plotHeight = 1;
    double m_xOrigin = 0.0;
    double m_yOrigin = -500.0;
    bool m_zoomed = false;
    bool m_bTimeAxis = false;
    int m_tool = kToolRect;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_dragEnd;
    QPoint m_movePrev;
    bool m_bMeasure = false;
    qint64 m_nMeasureFirst = 0;
    qint64 m_nMeasureLast = 0;
};
