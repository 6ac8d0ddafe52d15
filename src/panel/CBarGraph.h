#pragma once

#include <QList>
#include <QString>

#include <optional>

// The analogue bar graph under the main reading: which scale a reading gets,
// and where ticks, labels and the bar go. Geometry only, in display-area
// pixels for a display s pixels wide; the panel draws it.
class CBarGraph
{
public:
    struct Scale
    {
        double dLow = 0;  // left end (0, or the negative of the full scale)
        double dFull = 0; // right end
    };
    struct Label
    {
        double dX = 0;    // centre of the text
        QString strText;
    };

    static constexpr int kMajorTicks = 11;
    static constexpr int kMinorTicks = 51;

    // The scale for a layout (1, 3 or 4; others have no bar graph), the main
    // decimals and the function name; none when no row matches.
    static std::optional<Scale> Find(int nLayout, int nDecimals, const QString& strFunction);

    static double AxisLeft(double s) { return 2.0 * s / 15.0; }
    static double AxisRight(double s) { return 13.0 * s / 15.0; }
    static double MajorTick(int i, double s) { return int(AxisLeft(s) + i * 11.0 * s / 150.0); }
    static double MinorTick(int j, double s) { return int(AxisLeft(s) + j * 11.0 * s / 750.0); }

    static QList<Label> Labels(const Scale& scale, double s);
    // Left and right x of the bar for a value; equal when there is nothing to draw.
    static std::pair<double, double> Bar(const Scale& scale, float fValue, float fRange, double s);
};
