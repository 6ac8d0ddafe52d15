#pragma once

#include <QFont>

// The panel's faces. Sizes are in panel pixels; hinting is off so that text
// measured once keeps its proportions at every scale the panel is drawn at.
class CPanelFonts
{
public:
    static QFont Regular(int nPixelSize);
    static QFont Bold(int nPixelSize);
    // The lines under the reading: narrow, so the meter's columns hold their values.
    static QFont Lines(int nPixelSize);
    // The large digits of the main reading.
    static QFont Digits(int nPixelSize);
};
