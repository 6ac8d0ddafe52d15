#pragma once

#include "draw/CGraphColors.h"

#include <QRect>

// Where and how CGraphPainter draws a trend graph: the window itself, a printed page or the
// clipboard picture, in that target's device pixels.
struct CGraphDrawOptions
{
    int nFontHeight = 16;       //!< label font height in device pixels
    int nLeft = 70;             //!< left and right margin
    int nTop = 25;              //!< top and bottom margin
    bool bWhiteMargins = false; //!< white margins (printing) instead of the border colour
    QRect rcClient;             //!< the area drawn into
    double dXScale = 1.0;       //!< x units per pixel
    double dYScale = 1.0;       //!< value units per pixel
    bool bEverySegment = false; //!< draw every segment even where min/max columns look the same
    CGraphColors colors;        //!< the graph's colours
    bool bMarkPoints = true;    //!< marks on the points, where they can be told apart
};
