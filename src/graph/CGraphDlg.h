#pragma once

#include "draw/CGraphDrawOptions.h"
#include "graph/CGraphCommandTarget.h"
#include "trend/CGraphState.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class CGraphXAxis;
class CMeasurePanel;
class CMyTalvaDoc;
class CObData;
class CPrompt;

// The trend graph of a document's primary readings: value against point number, with the
// tools Rect, YBig, XBig, Move, ShowNumber and FFT range. It never changes the document.
// The window only turns mouse and keys into changes of its CGraphState and paints through
// CGraphPainter from a back buffer.
//
// GUI thread only: the document is read while painting and in the slots that follow its
// RecordAdded and Changed signals (queued when a recording adds readings elsewhere).
class CGraphDlg : public QWidget, public CGraphCommandTarget
{
    Q_OBJECT
public:
    enum Tool {
        kToolRect = CGraphState::kToolRect,
        kToolYBig = CGraphState::kToolYBig,
        kToolXBig = CGraphState::kToolXBig,
        kToolMove = CGraphState::kToolMove,
        kToolShowNumber = CGraphState::kToolShowNumber,
        kToolFFT = CGraphState::kToolFFT,
        kToolMeasure = CGraphState::kToolMeasure
    };

    static constexpr int kLeftMargin = CGraphState::kLeftMargin;
    static constexpr int kTopMargin = CGraphState::kTopMargin;
    static constexpr int kMinDrag = CGraphState::kMinDrag;
    static constexpr double kMinZoomScale = CGraphState::kMinZoomScale;

    // prompt shows the messages of the dialogs the graph opens; it outlives the graph.
    explicit CGraphDlg(CPrompt& prompt, QWidget* pParent = nullptr);
    ~CGraphDlg() override;

    // The document drawn (not owned; nullptr draws an empty graph).
    void SetDocument(CMyTalvaDoc* pDoc);
    CMyTalvaDoc* Document() const { return m_pDoc; }

    // The point information panel (CShowData): reparented as a hidden child of the graph,
    // shown and placed while ShowNumber inspects a point and filled through PointSelected.
    void SetPanel(QWidget* pPanel);
    QWidget* Panel() const { return m_panel; }

    // The tool and view commands (GraphCommand::k...); Setting runs the settings dialog.
    void OnGraphCommand(int nCommand) override;
    void SetTool(int nTool);
    int CurrentTool() const { return m_state.CurrentTool(); }

    // "All": back to the whole x range and the y limits.
    void ShowAll();
    // The x axis as a new graph starts it (0 to kInitialXMax, not zoomed): a document
    // refilled with other readings grows it again from there.
    void ResetXRange();
    static constexpr double kInitialXMax = CGraphState::kInitialXMax;
    // New y limits (max > min, both finite); false and nothing changes otherwise.
    bool SetYRange(double dMax, double dMin);
    // The y limits around a recording's extremes (CGraphState::SetYRangeAround).
    bool SetYRangeAround(double dMax, double dMin);
    // The view's scroll bars.
    void SetOrigin(double dXOrigin, double dYOrigin);
    // The x axis: reading numbers, or the meter's time (when the readings' times can be read;
    // else the axis keeps counting readings). A change shows the whole recording.
    void SetTimeAxis(bool bTime);
    bool IsTimeAxis() const { return m_state.IsTimeAxis(); }
    // What Measure selected (first and last index) and its panel; Esc clears them.
    bool HasMeasure() const { return m_state.HasMeasure(); }
    qint64 MeasureFirst() const { return m_state.MeasureFirst(); }
    qint64 MeasureLast() const { return m_state.MeasureLast(); }
    CMeasurePanel* MeasurePanel() const { return m_pMeasure; }
    void ClearMeasure();
    // Draws the newest reading of the document, or asks for a full repaint when it falls
    // outside what is shown. The graph calls it itself when the document reports a reading
    // added to array 0; further calls for the same reading do nothing.
    void AppendPoint();

    // Brings the x range up to the document's readings (a page may be drawn before the
    // window next paints); the view hears of a change after the current event.
    void CatchUp();
    // CatchUp, then CGraphPainter::Draw with the graph's colours and marks; when the range grew,
    // the x scale of options follows the window's. For pictures and pages of the window.
    void DrawGraph(QPainter& painter, const CGraphDrawOptions& options);
    // The options of the window's own paint (at the window's current size).
    CGraphDrawOptions ScreenOptions();
    // The options that show the window's current span over another area (a page).
    CGraphDrawOptions StretchedOptions(const QRect& rcClient, int nLeft, int nTop, int nFontHeight,
                                       bool bWhiteMargins) const;
    // The window's mapping.
    CGraphMapping Mapping() const { return m_state.Mapping(); }
    const CGraphState& State() const { return m_state; }

    // "Settings": the colours, marks and y scaling dialog, applied on OK.
    void RunSettings();
    const CGraphColors& Colors() const { return m_colors; }
    void SetColors(const CGraphColors& colors);
    bool MarkPoints() const { return m_markPoints; }
    void SetMarkPoints(bool bMark);
    CGraphScaleChoice& ScaleChoice() { return m_state.m_scaleChoice; }
    const CGraphScaleChoice& ScaleChoice() const { return m_state.m_scaleChoice; }

    double XScale() const { return m_state.XScale(); }
    double YScale() const { return m_state.YScale(); }
    double XMax() const { return m_state.XMax(); }
    double XMin() const { return m_state.XMin(); }
    double YMax() const { return m_state.YMax(); }
    double YMin() const { return m_state.YMin(); }
    double XOrigin() const { return m_state.XOrigin(); }
    double YOrigin() const { return m_state.YOrigin(); }
    int PlotWidth() const { return m_state.PlotWidth(); }
    int PlotHeight() const { return m_state.PlotHeight(); }
    bool IsZoomed() const { return m_state.IsZoomed(); }
    bool IsDragging() const { return m_state.IsDragging(); }
    int SelectedIndex() const { return m_selIndex; }
    qint64 FullDrawings() const { return m_nFullDrawings; } //!< of the window, since creation

signals:
    // The visible window changed (All, zoom, pan, new limits): the view updates its scroll bars.
    void VisibleWindowChanged();
    // ShowNumber picked a point: what the point information panel shows.
    void PointSelected(int nNumber, const QString& strTime, double dValue, const QString& strUnit,
                       const QString& strType);
    // The FFT range tool picked readings nStart < nFinish; the FFT dialog opens next.
    void FFTRangeSelected(int nStart, int nFinish);
    // Measure selected readings nFirst .. nLast (-1, -1: cleared).
    void MeasureChanged(qint64 nFirst, qint64 nLast);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

    // Opens the FFT dialog modally over readings nStart .. nFinish.
    virtual void OpenFFT(int nStart, int nFinish);

private:
    qsizetype Count() const;
    CGraphXAxis Axis() const;
    double LastX() const;
    // The reading nearest to window column x (on the reading axis, possibly outside the readings).
    qint64 IndexAt(int x) const;
    // The window column of reading nIndex.
    qint64 ColumnOf(qint64 nIndex) const;
    // The Measure span from the gesture, its figures in the panel (bFinal: whatever its size).
    void UpdateMeasure(bool bFinal);
    void RequestRedraw();
    void OnRecordAdded(int nArray);
    void OnDocumentChanged();
    void SyncPlotSize();
    void DrawOverlay(QPainter& painter);
    void SelectPoint(int x);
    void HidePanel();
    void PlacePanel();
    void UpdateCursor(const QPoint& pt);

    CPrompt& m_prompt;
    CGraphState m_state;
    CGraphColors m_colors;
    bool m_markPoints = true;
    QPointer<QWidget> m_panel;
    CMyTalvaDoc* m_pDoc = nullptr;
    int m_selIndex = 0;
    CMeasurePanel* m_pMeasure; //!< owned child, shown while a span is measured

    QImage m_cache;              //!< the last full drawing, without the tool overlay
    bool m_bCacheValid = false;
    bool m_bSkipNextChange = false; //!< the document's Changed that follows a RecordAdded
    qint64 m_nFullDrawings = 0;
    qsizetype m_nAppendedCount = -1; //!< the count AppendPoint last handled
};
