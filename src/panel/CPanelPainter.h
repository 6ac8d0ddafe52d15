#pragma once

#include "panel/CPanelState.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

class QFont;
class QPainter;

// Draws the meter panel in fixed panel coordinates (300 x 700, like the
// instrument's face): the body, the function dial at the bottom and the
// display area with the reading in one of its layouts. Everything is text and
// shapes, so it scales cleanly; the caller sets the painter's transform.
// Records each text it draws with its box, so tests can find what is where.
class CPanelPainter
{
public:
    struct TextItem
    {
        QString strText;
        QRectF rect; // panel coordinates
    };

    static constexpr double kWidth = 300;
    static constexpr double kHeight = 700;
    static QRectF DisplayArea();
    static QRectF FunctionArea();

    static QColor DisplayColor() { return QColor(128, 140, 128); }
    static QColor BackgroundColor() { return QColor(178, 178, 198); }
    static QColor BarColor() { return QColor(60, 60, 60); }
    static QColor NoDataColor() { return QColor(220, 0, 0); }
    static QColor DialActiveColor() { return QColor(255, 186, 40); }

    explicit CPanelPainter(const CPanelState& state);

    // The body and the function dial: changes only with the display mode.
    void PaintFace(QPainter& painter);
    // The display area: changes with every reading.
    void PaintDisplay(QPainter& painter);
    const QList<TextItem>& Texts() const { return m_texts; }

    // The whole panel at a scale (1: 300 x 700 pixels).
    static QImage Render(const CPanelState& state, double dScale = 1.0, QList<TextItem>* pTexts = nullptr);

private:
    QRectF DrawText(QPainter& painter, const QFont& font, const QPointF& topLeft, const QString& strText,
                    const QColor& color);
    void PaintBody(QPainter& painter);
    void PaintDial(QPainter& painter);
    void PaintNoData(QPainter& painter);
    void PaintReading(QPainter& painter);
    void PaintMainText(QPainter& painter);
    void PaintClock(QPainter& painter);
    void PaintIndicators(QPainter& painter);
    void PaintBarGraph(QPainter& painter);
    void PaintExtraLines(QPainter& painter);
    void PaintStatisticsLines(QPainter& painter, const char* const (&labels)[3], const int (&subs)[3], double dTop);
    void PaintSecondLine(QPainter& painter, const QString& strValue, const QString& strUnit);

    const CPanelState& m_state;
    QPointF m_origin;          // panel position of the coordinate origin while drawing
    double m_dW = 0;           // display area size
    double m_dH = 0;
    QList<TextItem> m_texts;
};
