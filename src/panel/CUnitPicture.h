#pragma once

#include <QRectF>
#include <QString>

class QColor;
class QPainter;

// The thirty-eight unit pictures of the panel, looked up by unit key and drawn
// as a symbol with a small AC/DC tag (and "LO" or a diode where the meter
// shows one). Keys that appear twice are an alternate pair: the second is
// shown when the reading carries flag C or D.
class CUnitPicture
{
public:
    static constexpr int kCount = 38;

    // Index of the picture for a key, -1 when there is none.
    static int Find(const QString& strKey, bool bAlternate);
    static QString Key(int nIndex);
    // The words of a picture as a user reads them, e.g. "V AC LO".
    static QString Words(int nIndex);

    // Size of the picture in panel pixels.
    static QSizeF Size(int nIndex);
    // Draws picture nIndex with its top-left corner at topLeft.
    static void Draw(QPainter& painter, int nIndex, const QPointF& topLeft, const QColor& ink);
};
