#pragma once

#include <QRect>

// How COSCGraph::Draw draws the scope screen: on the window, or on a printed page.
struct COscDrawOptions
{
    static constexpr int kScreenTextHeight = 16;

    bool bPrinting = false;                 //!< paper colours; no zoom rectangle, no readout cross
    int nTextHeight = kScreenTextHeight;    //!< text height in the painter's pixels; the whole screen
                                            //!< scales with it (16 draws at the window's own size)
    QRect rcZoom;                           //!< the zoom rectangle being dragged, corners included (window
                                            //!< pixels); null: none
    int nInspectIndex = -1;                 //!< the point under the readout cross; -1: none
};
