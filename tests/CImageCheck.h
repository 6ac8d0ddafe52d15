#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdlib>

// Picture checks shared by the widget tests.
namespace ImageCheck {

// Pixels of rc whose channels each lie within nTolerance of rgb.
inline int CountColor(const QImage& image, const QRect& rc, QRgb rgb, int nTolerance = 0)
{
    int n = 0;
    const QRect rcInside = rc.intersected(image.rect());
    for (int y = rcInside.top(); y <= rcInside.bottom(); ++y) {
        for (int x = rcInside.left(); x <= rcInside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(rgb)) <= nTolerance && std::abs(qGreen(p) - qGreen(rgb)) <= nTolerance
                && std::abs(qBlue(p) - qBlue(rgb)) <= nTolerance)
                ++n;
        }
    }
    return n;
}

// Saves the picture into $MULTIMETER_SCREENSHOT_DIR, when that is set, to look at by eye.
inline void SaveShot(const QImage& image, const char* pszName)
{
    const QString strDir = qEnvironmentVariable("MULTIMETER_SCREENSHOT_DIR");
    if (!strDir.isEmpty())
        image.save(strDir + QLatin1Char('/') + QLatin1String(pszName));
}

} // namespace ImageCheck
