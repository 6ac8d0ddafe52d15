#pragma once

#include <QRect>

// Where and how CGraphDlg::DrawGraph draws: the window itself, a printed page or the
// clipboard picture. CGraphDlg::ScreenOptions() and StretchedOptions() fill it.
struct CGraphDrawOptions
{
    int nFontHeight = 16;       //!< label font height in device pixels
    int nLeft = 70;             //!< left and right margin
    int nTop = 25;              //!< top and bottom margin
    bool bWhiteMargins = false; //!< white margins (printing) instead of the border colour
    QRect rcClient;             //!< the area drawn into
    double dXScale = 1.0;       //!< point numbers per pixel
    double dYScale = 1.0;       //!< value units per pixel
    bool bEverySegment = false; //!< draw every segment even where min/max columns look the same
};
