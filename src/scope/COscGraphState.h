#pragma once

#include "scope/OscRecord.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>

// What the scope graph shows, without drawing it: the points, the scales and
// zoom, the grid, the two level and two time cursors with their readouts, and
// the mapping between points and pixels. The window owns one, feeds it sizes
// and mouse positions, and paints from it.
//
// Pixel geometry: the plot starts kLeft pixels from the left and kTop from the
// top and is the client size less kMarginWidth by kMarginHeight. Values are in
// the record's vertical unit, positions in samples (or bars).
// Not thread-safe: GUI thread only.
class COscGraphState
{
public:
    static constexpr int kLeft = 25;
    static constexpr int kTop = 50;
    static constexpr int kMarginWidth = 50;
    static constexpr int kMarginHeight = 100;
    static constexpr double kMinZoomScale = 0.005; // no zooming in further than this per pixel
    static constexpr int kMinZoomPixels = 5;       // a smaller drag only repaints
    static constexpr int kCursorGrab = 2;          // pixels either side of a cursor line
    static constexpr int kGridLevels = 9;
    static constexpr int kGridPositions = 13;
    static constexpr double kSpectrumTop = 200.0;

    enum Cursor { NoCursor = 0, LevelCursor1 = 1, LevelCursor2 = 2, TimeCursor1 = 3, TimeCursor2 = 4 };

    COscGraphState();

    // Loads record: its samples (bSpectrum false: the vertical range is -4 to 4
    // divisions) or its spectrum bars (0 to 200), puts the time cursors on the
    // meter's crossings and the level cursors on the highest and lowest sample,
    // and resets the zoom.
    void ShowWaveform(const OscRecord& record, bool bSpectrum);
    // The FFT button: switches to the meter's spectrum, which only a record of
    // status 3 has, or back to the samples. False when nothing changed.
    bool ToggleView();
    // "FFT" while the samples show, "return" while the spectrum shows.
    QString ViewButtonText() const;

    // The client area changed: the plot follows, each scale keeps its span.
    void SetClientSize(QSize client);
    // The whole waveform again ("UnDo Zoom").
    void ResetZoom();

    const OscRecord& Record() const { return m_record; }
    bool IsSpectrum() const { return m_bSpectrum; }
    int Count() const { return m_count; }
    double Value(int i) const { return m_data[size_t(i)]; }
    double YMin() const { return m_yMin; }
    double YMax() const { return m_yMax; }
    double XScale() const { return m_xScale; }
    double YScale() const { return m_yScale; }
    double XOrigin() const { return m_xOrigin; }
    double YOrigin() const { return m_yOrigin; }
    int PlotWidth() const { return m_plotWidth; }
    int PlotHeight() const { return m_plotHeight; }

    // Grid: levels yMin + k (yMax - yMin) / 8 and positions k × count / 12, and their pixels.
    std::array<double, kGridLevels> GridLevels() const;
    std::array<double, kGridPositions> GridPositions() const;
    int GridX(double dPosition) const;

    // Pixel of a point position and of a value (far outside the plot for values that
    // are not finite, so a painter clips them), and back.
    int PixelX(double dPosition) const;
    int PixelY(double dValue) const;
    int IndexAt(int x) const;
    double ValueAt(int y) const;

    bool IsInPlot(QPoint pt) const;
    // Beyond the area around the plot a zoom or readout in progress is abandoned.
    bool IsOutsideArea(QPoint pt) const;
    QPoint ClampToPlot(QPoint pt) const;

    // Zoom to the rectangle dragged from start to end (end is clamped to the
    // plot). False when the drag was too small, so only a repaint is due.
    bool ZoomTo(QPoint start, QPoint end);

    // Cursors exist in the sample view of a record whose status is not 3.
    bool CursorsShown() const;
    // The cursor whose line passes within kCursorGrab pixels of pt (levels first).
    Cursor CursorAt(QPoint pt) const;
    // Moves a cursor to the pointer and updates the readouts. The time cursors stay
    // on samples, the first at least one sample left of the second.
    void DragCursor(Cursor cursor, QPoint pt);
    double Level1() const { return m_level1; }
    double Level2() const { return m_level2; }
    double Pos1() const { return m_pos1; }
    double Pos2() const { return m_pos2; }
    const QString& DvText() const { return m_dvText; }
    const QString& DtText() const { return m_dtText; }
    const QString& FreqCursorText() const { return m_freqCursorText; }

    // The frequency box: the record's frequency text, "---" when the meter gave none.
    QString FreqBoxText() const;
    // The point readout for index (empty when the index is outside the points).
    QString InspectText(int nIndex) const;

private:
    void UpdateLevelText();
    void UpdateTimeTexts();

    OscRecord m_record;
    bool m_bSpectrum = false;
    int m_count = OscRecord::kSamples;
    std::array<double, OscRecord::kSamples> m_data{};
    double m_yMax = 800.0;
    double m_yMin = -800.0;
    double m_xMin = 0.0;
    double m_xScale = 1.0;
    double m_yScale = 1.0;
    int m_plotWidth = 1;
    int m_plotHeight = 1;
    double m_xOrigin = 0.0;
    double m_yOrigin = -800.0;
    double m_pos1 = 0.0;
    double m_pos2 = 1.0;
    double m_level1 = 0.0;
    double m_level2 = 0.0;
    QString m_dvText;
    QString m_dtText;
    QString m_freqCursorText;
};
