#pragma once

#include "draw/CGraphDrawOptions.h"

class CGraphState;
class CMyTalvaDoc;
class QPainter;

// Draws a trend graph as its state shows it: grid, trace and marks, margins, axes and labels,
// in layers, on the background already there. One routine for the window, the printed page,
// the PDF and the clipboard picture; only the options differ.
class CGraphPainter
{
public:
    // The primary readings of pDoc (nullptr: none) over options.rcClient.
    static void Draw(QPainter& painter, const CGraphState& state, const CMyTalvaDoc* pDoc,
                     const CGraphDrawOptions& options);

    // The window's own drawing: margins kLeftMargin and kTopMargin, the window's scales.
    static CGraphDrawOptions ScreenOptions(const CGraphState& state, const QRect& rcClient);
    // The window's span stretched over rcClient (a page) with other margins and font.
    static CGraphDrawOptions StretchedOptions(const CGraphState& state, const QRect& rcClient, int nLeft, int nTop,
                                              int nFontHeight, bool bWhiteMargins);
};
