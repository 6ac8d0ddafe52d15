#pragma once

#include "scope/ui/COscDrawOptions.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

class COscGraphState;
class QPaintDevice;
class QPainter;

// Draws the scope screen of a COscGraphState, like the meter's own display:
// margins, the plot with its 8 x 12 division grid, the cursors, the trace (of
// the samples, or of the meter's spectrum with its frequencies under the plot),
// and the words around the plot: status, page, coupling and scale, the level and
// time cursor readouts, frequency, peak-to-peak, trigger, time base, speed, date
// and time.
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

    // One thing written around the plot, where the screen puts it (screen pixels).
    struct SWord
    {
        enum Kind { Text, Status, Label, AxisLabel, TriggerSymbol };
        Kind kind = Text;
        QString strText;   //!< empty for the trigger symbol
        QRect rc;          //!< the box, or the space the text takes
        QColor ink;
        QColor box;        //!< invalid: no box
    };

    // The words around the plot for a client of that size, measured on pDevice (null:
    // the screen). Each band above and below the plot holds one line of words; when the
    // cursor readouts do not fit on it they take a second line of the band. Only on a
    // screen too small even for that do words give way, the least needed first.
    static QList<SWord> Layout(const COscGraphState& state, QSize client, const COscDrawOptions& options,
                               const QPaintDevice* pDevice = nullptr);

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
    void PaintWord(const SWord& word) const;
    void PaintTriggerSymbol(const QRect& rc) const;
    void PaintOnScreenMarks() const;
    QColor Ink() const;        // white on the screen, black on paper

    QPainter& m_painter;
    const COscGraphState& m_state;
    const COscDrawOptions& m_options;
    QSize m_client;
    QRect m_rcPlot;
};
