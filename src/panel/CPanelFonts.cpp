#include "panel/CPanelFonts.h"

namespace {

QFont Face(int nPixelSize, QFont::Weight weight, int nStretch)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(nPixelSize);
    font.setWeight(weight);
    font.setStretch(nStretch);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace

QFont CPanelFonts::Regular(int nPixelSize)
{
    return Face(nPixelSize, QFont::Normal, QFont::Unstretched);
}

QFont CPanelFonts::Bold(int nPixelSize)
{
    return Face(nPixelSize, QFont::Bold, QFont::Unstretched);
}

QFont CPanelFonts::Digits(int nPixelSize)
{
    return Face(nPixelSize, QFont::Bold, QFont::SemiCondensed);
}

QFont CPanelFonts::Lines(int nPixelSize)
{
    return Face(nPixelSize, QFont::Normal, QFont::SemiCondensed);
}
