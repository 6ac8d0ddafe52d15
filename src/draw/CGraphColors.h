#pragma once

#include <QColor>

// The five colours of a trend graph, with their defaults.
struct CGraphColors
{
    QColor m_bkColor = QColor(131, 180, 170);     //!< plot background
    QColor m_borderColor = QColor(236, 233, 216); //!< the margins around the plot
    QColor m_gridColor = QColor(255, 0, 0);       //!< grid lines
    QColor m_lineColor = QColor(255, 255, 0);     //!< the trend line
    QColor m_pointColor = QColor(0, 255, 0);      //!< point marks

    bool operator==(const CGraphColors&) const = default;
};
