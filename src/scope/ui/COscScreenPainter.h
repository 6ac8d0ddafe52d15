#pragma once

#include "scope/ui/COscDrawOptions.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <climits>

class COscGraphState;
class QPainter;

// Draws the scope screen of a COscGraphState, like the meter's own display:
// margins, the plot with its 8 x 12 division grid, the cursors, the trace (or
// the bars of the meter's spectrum), and the words around the plot: status,
// page, coupling and scale, the level and time cursor readouts, frequency,
// peak-to-peak, trigger, time base, speed, date and time.
//
// No widget: the scope window paints through it, and a printout can draw the
// same screen on a page. GUI thread only (fonts).
class COscScreenPainter
{
public:
    // The screen's colours (tests look for them).
    static QColor BackgroundColor() { return QColor(31, 26, 23); }
    static QColor MarginColor() { return QColor(39, 58, 100); }
    static QColor GridColor() { return QColor(32, 174, 71); }
    static QColor CursorColor() { return QColor(0, 0, 255); }
    static QColor TraceColor() { return QColor(255, 255, 0); }
    static QColor PrintTraceColor() { return QColor(0, 0, 0); }
    static QColor ZoomColor() { return QColor(100, 105, 155); }
    static QColor InspectColor() { return QColor(255, 0, 0); }
    static QColor ScaleBoxColor() { return QColor(93, 97, 80); }
    static QColor LightBoxColor() { return QColor(222, 224, 222); }

    // Draws state into rc. The state's pixel geometry (plot 25 pixels from the
    // left, 50 from the top, 50 and 100 smaller than the client) is laid out for
    // rc at the scale options.nTextHeight / 16: on the window that is rc itself,
    // on a page the screen keeps its proportions and grows with its text.
    static void Draw(QPainter& painter, const COscGraphState& state, const QRect& rc, const COscDrawOptions& options);

private:
    COscScreenPainter(QPainter& painter, const COscGraphState& state, const COscDrawOptions& options, QSize client);

    void PaintPlot() const;
    void PaintTriggerPoint() const;
    void PaintCursors() const;
    void PaintTrace() const;
    void PaintBars() const;
    void PaintTopTexts() const;
    void PaintBottomTexts() const;
    void PaintOnScreenMarks() const;
    void PaintTriggerSymbol(int x, int nCentreY) const;

    // A word with its left (or right) edge at x, centred on nCentreY, on a box when
    // box is valid; returns the x where the next word may start (or end). A word
    // that would reach past nLimit is left out.
    int Word(int x, int nCentreY, const QString& strText, const QColor& ink, const QColor& box = QColor(),
             int nLimit = INT_MAX) const;
    // A dim label and its value, both or neither.
    int Readout(int x, int nCentreY, const QString& strLabel, const QString& strValue, int nLimit) const;
    int WordLeftOf(int xRight, int nCentreY, const QString& strText, const QColor& ink,
                   const QColor& box = QColor()) const;
    int WordWidth(const QString& strText, bool bBoxed) const;
    QColor Ink() const;        // white on the screen, black on paper
    QColor DimInk() const;     // the cursor readouts' labels

    QPainter& m_painter;
    const COscGraphState& m_state;
    const COscDrawOptions& m_options;
    QSize m_client;
    QRect m_rcPlot;
    QFont m_font;
    QFont m_boldFont;
};
