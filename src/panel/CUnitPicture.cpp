#include "panel/CUnitPicture.h"

#include "panel/CPanelFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace {

enum class Mark { None, Lo, Diode };

struct CPicture
{
    const char* pszKey;
    const char* pszSymbol; // UTF-8
    const char* pszTag;    // "DC", "AC", "DC+AC" or ""
    Mark mark;
};

// In the meter's order; the index is the picture number.
const CPicture kPictures[CUnitPicture::kCount] = {
    {"VDC", "V", "DC", Mark::None},          {"mVDC", "mV", "DC", Mark::None},
    {"ADC", "A", "DC", Mark::None},          {"mADC", "mA", "DC", Mark::None},
    {"uADC", "µA", "DC", Mark::None},        {"VAC", "V", "AC", Mark::None},
    {"VAC", "V", "AC", Mark::Lo},            {"mVAC", "mV", "AC", Mark::None},
    {"Vdc+ac", "V", "DC+AC", Mark::None},    {"mVdc+ac", "mV", "DC+AC", Mark::None},
    {"uVdc+ac", "µV", "DC+AC", Mark::None},  {"Adc+ac", "A", "DC+AC", Mark::None},
    {"mAdc+ac", "mA", "DC+AC", Mark::None},  {"uAdc+ac", "µA", "DC+AC", Mark::None},
    {"mF", "mF", "", Mark::None},            {"uF", "µF", "", Mark::None},
    {"nF", "nF", "", Mark::None},            {"AAC", "A", "AC", Mark::None},
    {"mAAC", "mA", "AC", Mark::None},        {"uAAC", "µA", "AC", Mark::None},
    {"MΩ", "MΩ", "", Mark::None},            {"KΩ", "kΩ", "", Mark::None},
    {"Ω", "Ω", "", Mark::None},              {"V", "V", "", Mark::Diode},
    {"MHZ", "MHz", "", Mark::None},          {"MHZ", "MHz", "", Mark::None},
    {"KHZ", "kHz", "", Mark::None},          {"KHZ", "kHz", "", Mark::None},
    {"HZ", "Hz", "", Mark::None},            {"HZ", "Hz", "", Mark::None},
    {"℉", "°F", "", Mark::None},             {"℃", "°C", "", Mark::None},
    {"A", "A", "", Mark::None},              {"mA", "mA", "", Mark::None},
    {"uA", "µA", "", Mark::None},            {"V", "V", "", Mark::None},
    {"mV", "mV", "", Mark::None},            {"VD", "V", "", Mark::Diode},
};

constexpr double kSymbolPx = 20;
constexpr double kTagPx = 9;
constexpr double kGap = 2;
constexpr double kDiodeWidth = 14;

bool Valid(int nIndex)
{
    return nIndex >= 0 && nIndex < CUnitPicture::kCount;
}

struct CMetrics
{
    QFont symbolFont = CPanelFonts::Bold(kSymbolPx);
    QFont tagFont = CPanelFonts::Bold(kTagPx);
    QFontMetricsF symbol{symbolFont};
    QFontMetricsF tag{tagFont};
};

const CMetrics& Metrics()
{
    static const CMetrics metrics;
    return metrics;
}

void DrawDiode(QPainter& painter, const QRectF& box, const QColor& ink)
{
    // An anode triangle pointing at the cathode bar, on a lead.
    const double y = box.center().y();
    const double h = box.height() * 0.45;
    const double x0 = box.left() + 2;
    const double x1 = box.right() - 3;
    QPainterPath triangle;
    triangle.moveTo(x0, y - h / 2);
    triangle.lineTo(x1, y);
    triangle.lineTo(x0, y + h / 2);
    triangle.closeSubpath();
    painter.fillPath(triangle, ink);
    painter.setPen(QPen(ink, 1.6));
    painter.drawLine(QPointF(x1, y - h / 2), QPointF(x1, y + h / 2));
    painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
}

} // namespace

int CUnitPicture::Find(const QString& strKey, bool bAlternate)
{
    for (int i = 0; i < kCount; ++i) {
        if (strKey != QString::fromUtf8(kPictures[i].pszKey))
            continue;
        // Only a true pair has an alternate: the next picture must share the key.
        if (bAlternate && i + 1 < kCount && strKey == QString::fromUtf8(kPictures[i + 1].pszKey))
            return i + 1;
        return i;
    }
    return -1;
}

QString CUnitPicture::Key(int nIndex)
{
    return Valid(nIndex) ? QString::fromUtf8(kPictures[nIndex].pszKey) : QString();
}

QString CUnitPicture::Words(int nIndex)
{
    if (!Valid(nIndex))
        return {};
    const CPicture& p = kPictures[nIndex];
    QStringList words{QString::fromUtf8(p.pszSymbol)};
    if (*p.pszTag)
        words << QString::fromLatin1(p.pszTag);
    if (p.mark == Mark::Lo)
        words << QStringLiteral("LO");
    if (p.mark == Mark::Diode)
        words << QStringLiteral("diode");
    return words.join(QLatin1Char(' '));
}

QSizeF CUnitPicture::Size(int nIndex)
{
    if (!Valid(nIndex))
        return {};
    const CPicture& p = kPictures[nIndex];
    const CMetrics& m = Metrics();
    double dWidth = m.symbol.horizontalAdvance(QString::fromUtf8(p.pszSymbol));
    double dTagWidth = m.tag.horizontalAdvance(QString::fromLatin1(p.pszTag));
    if (p.mark == Mark::Lo)
        dTagWidth = qMax(dTagWidth, m.tag.horizontalAdvance(QStringLiteral("LO")));
    if (dTagWidth > 0)
        dWidth += kGap + dTagWidth;
    if (p.mark == Mark::Diode)
        dWidth += kGap + kDiodeWidth;
    return {dWidth, m.symbol.height()};
}

void CUnitPicture::Draw(QPainter& painter, int nIndex, const QPointF& topLeft, const QColor& ink)
{
    if (!Valid(nIndex))
        return;
    const CPicture& p = kPictures[nIndex];
    const CMetrics& m = Metrics();
    painter.save();
    painter.setPen(ink);
    const QString strSymbol = QString::fromUtf8(p.pszSymbol);
    painter.setFont(m.symbolFont);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + m.symbol.ascent()), strSymbol);
    double x = topLeft.x() + m.symbol.horizontalAdvance(strSymbol) + kGap;

    // The tag sits high beside the symbol, "LO" under it, as on the meter's glass.
    painter.setFont(m.tagFont);
    const double dTagTop = topLeft.y() + m.symbol.ascent() - m.symbol.capHeight();
    if (*p.pszTag)
        painter.drawText(QPointF(x, dTagTop + m.tag.capHeight()), QString::fromLatin1(p.pszTag));
    if (p.mark == Mark::Lo)
        painter.drawText(QPointF(x, topLeft.y() + m.symbol.ascent()), QStringLiteral("LO"));
    if (p.mark == Mark::Diode) {
        const QRectF box(x, dTagTop, kDiodeWidth, m.symbol.capHeight());
        DrawDiode(painter, box, ink);
    }
    painter.restore();
}
