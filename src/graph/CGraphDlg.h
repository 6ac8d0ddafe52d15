#pragma once

#include "graph/CGraphColors.h"
#include "graph/CGraphCommandTarget.h"
#include "graph/CGraphDrawOptions.h"
#include "graph/CGraphMapping.h"
#include "graph/CGraphScaleChoice.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class CMyTalvaDoc;
class CObData;
class CPrompt;

// The trend graph of a document's primary readings: value against point number, with the
// tools Rect, YBig, XBig, Move, ShowNumber and FFT range. It never changes the document.
//
// GUI thread only: the document is read while painting and in the slots that follow its
// RecordAdded and Changed signals (queued when a recording adds readings elsewhere).
class CGraphDlg : public QWidget, public CGraphCommandTarget
{
    Q_OBJECT
public:
    enum Tool { kToolRect = 1, kToolYBig = 2, kToolXBig = 3, kToolMove = 4, kToolShowNumber = 5, kToolFFT = 8 };

    static constexpr int kLeftMargin = 70;
    static constexpr int kTopMargin = 25;
    static constexpr int kFontHeight = 16;
    static constexpr int kMinDrag = 5;              //!< smaller gestures only repaint
    static constexpr double kMinZoomScale = 0.005; //!< units per pixel below which zooming stops

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
    int CurrentTool() const { return m_tool; }

    // "All": back to the whole x range and the y limits.
    void ShowAll();
    // The x axis as a new graph starts it (0 to kInitialXMax, not zoomed): a document
    // refilled with other readings grows it again from there.
    void ResetXRange();
    static constexpr double kInitialXMax = 20.0;
    // New y limits (max > min, both finite); false and nothing changes otherwise.
    bool SetYRange(double dMax, double dMin);
    // The view's scroll bars.
    void SetOrigin(double dXOrigin, double dYOrigin);
    // Draws the newest reading of the document, or asks for a full repaint when it falls
    // outside what is shown. The graph calls it itself when the document reports a reading
    // added to array 0; further calls for the same reading do nothing.
    void AppendPoint();

    // Draws grid, trace, margins, axes and labels into painter, on the background already
    // there: the window's paint, printing and the clipboard picture all come here.
    void DrawGraph(QPainter& painter, const CGraphDrawOptions& options);
    // The options of the window's own paint (at the window's current size).
    CGraphDrawOptions ScreenOptions();
    // The options that show the window's current span over another area (a page).
    CGraphDrawOptions StretchedOptions(const QRect& rcClient, int nLeft, int nTop, int nFontHeight,
                                       bool bWhiteMargins) const;
    // The window's mapping.
    CGraphMapping Mapping() const;

    // "Settings": the colours, marks and y scaling dialog, applied on OK.
    void RunSettings();
    const CGraphColors& Colors() const { return m_colors; }
    void SetColors(const CGraphColors& colors);
    bool MarkPoints() const { return m_markPoints; }
    void SetMarkPoints(bool bMark);
    CGraphScaleChoice& ScaleChoice() { return m_scaleChoice; }
    const CGraphScaleChoice& ScaleChoice() const { return m_scaleChoice; }

    double XScale() const { return m_xScale; }
    double YScale() const { return m_yScale; }
    double XMax() const { return m_xMax; }
    double XMin() const { return m_xMin; }
    double YMax() const { return m_yMax; }
    double YMin() const { return m_yMin; }
    double XOrigin() const { return m_xOrigin; }
    double YOrigin() const { return m_yOrigin; }
    int PlotWidth() const { return m_plotWidth; }
    int PlotHeight() const { return m_plotHeight; }
    bool IsZoomed() const { return m_zoomed; }
    bool IsDragging() const { return m_dragging; }
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
    const QList<CObData*>* Readings() const;
    bool InPlot(const QPoint& pt) const;
    void RequestRedraw();
    void OnRecordAdded(int nArray);
    void OnDocumentChanged();
    bool UpdateXRange();
    bool FollowLive();
    void SyncPlotSize();
    void DrawOverlay(QPainter& painter);
    void PanTo(const QPoint& pt);
    void ZoomX(int x);
    void ZoomY(int y);
    void SelectPoint(int x);
    void HidePanel();
    void PlacePanel();
    void UpdateCursor(const QPoint& pt);

    CPrompt& m_prompt;
    CGraphColors m_colors;
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
    int m_tool = kToolRect;
    bool m_dragging = false;
    QPoint m_dragStart;
    QPoint m_dragEnd;
    QPoint m_movePrev;
    bool m_markPoints = true;
    QPointer<QWidget> m_panel;
    CMyTalvaDoc* m_pDoc = nullptr;
    bool m_zoomed = false;
    int m_selIndex = 0;
    CGraphScaleChoice m_scaleChoice;

    QImage m_cache;              //!< the last full drawing, without the tool overlay
    bool m_bCacheValid = false;
    bool m_bSkipNextChange = false; //!< the document's Changed that follows a RecordAdded
    qint64 m_nFullDrawings = 0;
    qsizetype m_nAppendedCount = -1; //!< the count AppendPoint last handled
};
