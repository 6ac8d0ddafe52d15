#pragma once

// The y scaling the settings dialog offers next time: automatic limits from the data, or
// the manual limits last entered. Lives as long as its graph; never saved.
struct CGraphScaleChoice
{
    bool m_autoScale = true;
    int m_maxEdit = 50;
    int m_minEdit = -50;
};
