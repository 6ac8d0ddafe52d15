#include "panel/CPanelPainter.h"

#include "panel/CBarGraph.h"
#include "panel/CPanelFonts.h"
#include "panel/CPanelText.h"
#include "panel/CUnitPicture.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace {

// Sizes follow the meter's own: the clock and line font is as tall as 17
// pixels of the display, the scale labels 10.
constexpr int kDigitsPx = 60;
constexpr int kLinePx = 15;
constexpr int kScalePx = 9;
constexpr int kIndicatorPx = 11;
constexpr int kNoDataPx = 32;
constexpr double kColumnGap = 2;

const QColor kInk(18, 22, 18);
const QColor kClockBox(60, 60, 60);

// The function dial: one position per display mode, 0 at the top.
struct CDialPosition
{
    const char* pszSymbol; // UTF-8
    const char* pszTag;
};

const CDialPosition kDial[12] = {
    {"", ""},        {"µA", "DC"}, {"mA", "DC"}, {"A", "DC"},     {"°C °F", ""}, {"V", "AC"},
    {"V", "DC"},     {"mV", ""},   {"Ω", "CAP"}, {"", "DIODE"},   {"Hz %", ""},  {"OSC", "SCOPE"},
};

QPointF Polar(const QPointF& centre, double dRadius, double dDegrees)
{
    const double dRad = dDegrees * std::numbers::pi / 180.0;
    return centre + QPointF(dRadius * std::cos(dRad), dRadius * std::sin(dRad));
}

double DialAngle(int nPosition)
{
    return -90.0 + 30.0 * nPosition;
}

} // namespace

QRectF CPanelPainter::DisplayArea()
{
    return QRectF(14, 40, 272, 310);
}

QRectF CPanelPainter::FunctionArea()
{
    return QRectF(1, 391, 298, 300);
}

CPanelPainter::CPanelPainter(const CPanelState& state)
    : m_state(state)
{
}

QImage CPanelPainter::Render(const CPanelState& state, double dScale, QList<TextItem>* pTexts)
{
    QImage image(QSize(qRound(kWidth * dScale), qRound(kHeight * dScale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(BackgroundColor());
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(dScale, dScale);
    CPanelPainter panel(state);
    panel.PaintFace(painter);
    panel.PaintDisplay(painter);
    if (pTexts)
        *pTexts = panel.Texts();
    return image;
}

QRectF CPanelPainter::DrawText(QPainter& painter, const QFont& font, const QPointF& topLeft, const QString& strText,
                               const QColor& color)
{
    const QFontMetricsF metrics(font);
    const QRectF box(topLeft, QSizeF(metrics.horizontalAdvance(strText), metrics.height()));
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), strText);
    m_texts.append({strText, box.translated(m_origin)});
    return box;
}

void CPanelPainter::PaintFace(QPainter& painter)
{
    painter.save();
    m_origin = {};
    PaintBody(painter);
    PaintDial(painter);
    painter.restore();
}

void CPanelPainter::PaintBody(QPainter& painter)
{
    const QRectF body(4, 4, kWidth - 8, kHeight - 8);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, QColor(70, 74, 82));
    shade.setColorAt(1, QColor(38, 40, 46));
    painter.setPen(QPen(QColor(24, 25, 28), 2));
    painter.setBrush(shade);
    painter.drawRoundedRect(body, 22, 22);

    // The dark glass round the display.
    painter.setPen(QPen(QColor(90, 94, 102), 1));
    painter.setBrush(QColor(16, 18, 21));
    painter.drawRoundedRect(DisplayArea().adjusted(-8, -8, 8, 8), 10, 10);
}

void CPanelPainter::PaintDial(QPainter& painter)
{
    const int nMode = m_state.m_nDisplayMode >= 0 && m_state.m_nDisplayMode < 12 ? m_state.m_nDisplayMode : 0;
    const QPointF centre = FunctionArea().center();
    const QColor idle(186, 190, 198);

    const QFont symbolFont = CPanelFonts::Bold(15);
    const QFont tagFont = CPanelFonts::Bold(8);
    const QFontMetricsF symbolMetrics(symbolFont);
    const QFontMetricsF tagMetrics(tagFont);
    for (int i = 0; i < 12; ++i) {
        const bool bActive = i == nMode && nMode != 0;
        const QColor colour = bActive ? DialActiveColor() : idle;
        const double dAngle = DialAngle(i);
        painter.setPen(QPen(colour, bActive ? 3 : 1.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(Polar(centre, 66, dAngle), Polar(centre, 76, dAngle));

        const QPointF at = Polar(centre, 106, dAngle);
        const QString strSymbol = QString::fromUtf8(kDial[i].pszSymbol);
        const QString strTag = QString::fromLatin1(kDial[i].pszTag);
        const double dSymbolH = strSymbol.isEmpty() ? 0 : symbolMetrics.height();
        const double dTop = at.y() - (dSymbolH + (strTag.isEmpty() ? 0 : tagMetrics.height())) / 2;
        if (!strSymbol.isEmpty())
            DrawText(painter, symbolFont, QPointF(at.x() - symbolMetrics.horizontalAdvance(strSymbol) / 2, dTop),
                     strSymbol, colour);
        if (!strTag.isEmpty())
            DrawText(painter, tagFont,
                     QPointF(at.x() - tagMetrics.horizontalAdvance(strTag) / 2, dTop + dSymbolH), strTag, colour);
        if (strSymbol.isEmpty() && strTag.isEmpty()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawEllipse(at, 3, 3);
        }
    }

    // The knob, its pointer aimed at the function in use.
    QRadialGradient knob(centre - QPointF(14, 14), 70);
    knob.setColorAt(0, QColor(112, 116, 126));
    knob.setColorAt(1, QColor(30, 32, 37));
    painter.setPen(QPen(QColor(16, 17, 20), 2));
    painter.setBrush(knob);
    painter.drawEllipse(centre, 56, 56);
    painter.setPen(QPen(QColor(80, 84, 92), 1));
    painter.setBrush(QColor(44, 46, 52));
    painter.drawEllipse(centre, 42, 42);

    painter.save();
    painter.translate(centre);
    painter.rotate(DialAngle(nMode));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(226, 228, 232));
    painter.drawRoundedRect(QRectF(-4, -5, 58, 10), 4, 4);
    painter.setBrush(nMode != 0 ? DialActiveColor() : QColor(120, 124, 132));
    painter.drawEllipse(QPointF(44, 0), 3, 3);
    painter.restore();
}

void CPanelPainter::PaintDisplay(QPainter& painter)
{
    const QRectF area = DisplayArea();
    m_dW = area.width();
    m_dH = area.height();
    painter.save();
    painter.translate(area.topLeft());
    m_origin = area.topLeft();
    painter.setClipRect(QRectF(0, 0, m_dW, m_dH));
    painter.fillRect(QRectF(0, 0, m_dW, m_dH), DisplayColor());
    if (m_state.m_nLayout == -1)
        PaintNoData(painter);
    else if (m_state.m_nLayout >= 1 && m_state.m_nLayout <= 7)
        PaintReading(painter);
    painter.restore();
    m_origin = {};
}

void CPanelPainter::PaintNoData(QPainter& painter)
{
    // The meter's 189 x 50 picture, placed as the meter places it.
    const QRectF picture(m_dW / 2 - 95, m_dH / 2 - 40, 189, 50);
    const QFont font = CPanelFonts::Bold(kNoDataPx);
    const QFontMetricsF metrics(font);
    const QString strText = QStringLiteral("NO RECV");
    const QPointF topLeft(picture.center().x() - metrics.horizontalAdvance(strText) / 2,
                          picture.center().y() - metrics.height() / 2);
    DrawText(painter, font, topLeft, strText, NoDataColor());
}

void CPanelPainter::PaintReading(QPainter& painter)
{
    PaintMainText(painter);
    PaintClock(painter);
    PaintIndicators(painter);
    PaintBarGraph(painter);
    PaintExtraLines(painter);
}

void CPanelPainter::PaintMainText(QPainter& painter)
{
    const MeterReading& r = m_state.m_reading;
    QString strMain;
    switch (m_state.m_nLayout) {
    case 3: strMain = CPanelText::Relative(r); break;
    case 5: strMain = CPanelText::DcAc(r); break;
    case 7: strMain = CPanelText::Frequency(r.m_fValue); break;
    default: strMain = CPanelText::Reading(r.m_fValue, r.m_fRange, r.m_nDecimals); break;
    }
    // Long numbers (a meter may send many decimals) shrink to fit the glass.
    QFont font = CPanelFonts::Digits(kDigitsPx);
    const double dFit = (m_dW - 12) / QFontMetricsF(font).horizontalAdvance(strMain);
    if (dFit < 1.0)
        font.setPixelSize(qMax(8, int(kDigitsPx * dFit)));
    const QFontMetricsF metrics(font);
    const QPointF topLeft(m_dW / 2 - metrics.horizontalAdvance(strMain) / 2, m_dH / 2 - metrics.lineSpacing());
    const QRectF box = DrawText(painter, font, topLeft, strMain, kInk);
    if (m_state.m_nLayout == 3 && r.m_bIndicatorC) {
        const QFont percentFont = CPanelFonts::Bold(font.pixelSize() / 2);
        const QFontMetricsF percent(percentFont);
        DrawText(painter, percentFont,
                 QPointF(box.right() + 10, box.top() + metrics.ascent() - percent.ascent()), QStringLiteral("%"),
                 kInk);
    }
}

void CPanelPainter::PaintClock(QPainter& painter)
{
    const MeterReading& r = m_state.m_reading;
    const QFont font = CPanelFonts::Regular(kLinePx);
    const QFontMetricsF metrics(font);
    const QString strClock = CPanelText::Clock(r);
    const QString strDate = CPanelText::Date(r);
    const QSizeF clockSize(metrics.horizontalAdvance(strClock), metrics.height());
    const QSizeF dateSize(metrics.horizontalAdvance(strDate), metrics.height());
    const QPointF clockAt(10, 0);
    const QPointF dateAt(m_dW - 10 - dateSize.width(), 0);
    painter.fillRect(QRectF(clockAt, clockSize), kClockBox);
    painter.fillRect(QRectF(dateAt, dateSize), kClockBox);
    DrawText(painter, font, clockAt, strClock, Qt::white);
    DrawText(painter, font, dateAt, strDate, Qt::white);
}

void CPanelPainter::PaintIndicators(QPainter& painter)
{
    const MeterReading& r = m_state.m_reading;
    const double y = QFontMetricsF(CPanelFonts::Regular(kLinePx)).lineSpacing() + 3;

    // Flags C and D pick the alternate picture in layout 1 only; elsewhere C
    // means the percentage, the crest factor or the pulse width.
    const bool bAlternate = m_state.m_nLayout == 1 && (r.m_bIndicatorC || r.m_bIndicatorD);
    const int nPicture = CUnitPicture::Find(r.m_strUnit, bAlternate);
    if (nPicture >= 0) {
        const QSizeF size = CUnitPicture::Size(nPicture);
        const QPointF at(m_dW - size.width() - 5, y);
        CUnitPicture::Draw(painter, nPicture, at, kInk);
        m_texts.append({CUnitPicture::Words(nPicture), QRectF(at, size).translated(m_origin)});
    } else if (!r.m_strUnit.isEmpty()) {
        // A unit the meter has no picture for is still worth reading.
        const QFont font = CPanelFonts::Bold(20);
        DrawText(painter, font, QPointF(m_dW - QFontMetricsF(font).horizontalAdvance(r.m_strUnit) - 5, y),
                 r.m_strUnit, kInk);
    }

    const QFont font = CPanelFonts::Bold(kIndicatorPx);
    const double dTop = y + 3;
    if (r.m_bIndicatorA)
        DrawText(painter, font, QPointF(m_dW / 2, dTop), QStringLiteral("Hold"), kInk);
    DrawText(painter, font, QPointF(5, dTop), r.m_bIndicatorB ? QStringLiteral("Auto Range")
                                                              : QStringLiteral("Manual Range"), kInk);
}

void CPanelPainter::PaintBarGraph(QPainter& painter)
{
    const MeterReading& r = m_state.m_reading;
    const std::optional<CBarGraph::Scale> scale = CBarGraph::Find(m_state.m_nLayout, r.m_nDecimals, r.m_strFunction);
    if (!scale)
        return;
    const double s = m_dW;
    const double y0 = int(m_dH / 2);

    painter.setPen(QPen(kInk, 1));
    painter.drawLine(QPointF(int(CBarGraph::AxisLeft(s)), y0), QPointF(int(CBarGraph::AxisRight(s)), y0));
    for (int i = 0; i < CBarGraph::kMajorTicks; ++i)
        painter.drawLine(QPointF(CBarGraph::MajorTick(i, s), y0), QPointF(CBarGraph::MajorTick(i, s), y0 + 8));
    for (int j = 0; j < CBarGraph::kMinorTicks; ++j)
        painter.drawLine(QPointF(CBarGraph::MinorTick(j, s), y0), QPointF(CBarGraph::MinorTick(j, s), y0 + 5));

    const QFont font = CPanelFonts::Regular(kScalePx);
    const QFontMetricsF metrics(font);
    double dRight = 0;
    for (const CBarGraph::Label& label : CBarGraph::Labels(*scale, s)) {
        const double w = metrics.horizontalAdvance(label.strText);
        dRight = DrawText(painter, font, QPointF(label.dX - w / 2, y0 + 8), label.strText, kInk).right();
    }
    DrawText(painter, font, QPointF(dRight + 2, y0 + 8), r.m_strUnit, kInk);

    const auto [dFrom, dTo] = CBarGraph::Bar(*scale, r.m_fValue, r.m_fRange, s);
    if (dTo > dFrom)
        painter.fillRect(QRectF(dFrom, y0 - 5, dTo - dFrom, 5), BarColor());
}

void CPanelPainter::PaintExtraLines(QPainter& painter)
{
    const MeterReading& r = m_state.m_reading;
    const QFont font = CPanelFonts::Lines(kLinePx);
    const double lh = QFontMetricsF(font).lineSpacing();
    const double y0 = m_dH / 2;
    switch (m_state.m_nLayout) {
    case 2: {
        static const char* const kLabels[3] = {"Mininum", "Average", "Maxinum"};
        PaintStatisticsLines(painter, kLabels, {2, 3, 1}, y0);
        break;
    }
    case 3: {
        double x = DrawText(painter, font, QPointF(30, y0 + lh), QStringLiteral("Reference"), kInk).right();
        x = DrawText(painter, font, QPointF(qMax(100.0, x + kColumnGap), y0 + lh),
                                  CPanelText::OverRange(r.m_fRef, r.m_fRange, r.m_nDecimals), kInk).right();
        DrawText(painter, font, QPointF(qMax(180.0, x + kColumnGap), y0 + lh), r.m_strUnit, kInk);
        break;
    }
    case 4: {
        // One line lower than layout 2: the bar graph and its labels take the first.
        static const char* const kLabels[3] = {"PeakMax", "PeakMin", "Average"};
        PaintStatisticsLines(painter, kLabels, {1, 2, 3}, y0 + lh);
        if (r.m_bIndicatorC) {
            DrawText(painter, font, QPointF(100, y0 + 5 * lh), CPanelText::CrestFactor(r), kInk);
            DrawText(painter, font, QPointF(150, y0 + 5 * lh), QStringLiteral("Crest Factor"), kInk);
        }
        break;
    }
    case 5:
        if (r.m_nAuxCode == 3)
            PaintSecondLine(painter, CPanelText::Fixed(r.m_fAux2, r.m_nDecimals), r.m_strAux2Unit);
        break;
    case 6:
        PaintSecondLine(painter, CPanelText::LineFrequency(r), r.m_strAux3Unit);
        break;
    case 7: {
        QString strUnit;
        const QString strValue = CPanelText::PulseOrDuty(r, &strUnit);
        if (!strValue.isEmpty())
            PaintSecondLine(painter, strValue, strUnit);
        break;
    }
    default:
        break;
    }
}

void CPanelPainter::PaintStatisticsLines(QPainter& painter, const char* const (&labels)[3], const int (&subs)[3],
                                         double dTop)
{
    const MeterReading& r = m_state.m_reading;
    const QFont font = CPanelFonts::Lines(kLinePx);
    const double lh = QFontMetricsF(font).lineSpacing();
    for (int i = 0; i < 3; ++i) {
        const float fValue = subs[i] == 1 ? r.m_fSub1 : subs[i] == 2 ? r.m_fSub2 : r.m_fSub3;
        const int nDecimals = subs[i] == 1 ? r.m_nSub1Decimals : subs[i] == 2 ? r.m_nSub2Decimals : r.m_nSub3Decimals;
        const QString& strUnit = subs[i] == 1 ? r.m_strSub1Unit : subs[i] == 2 ? r.m_strSub2Unit : r.m_strSub3Unit;
        const QString& strTime = subs[i] == 1 ? r.m_strSub1Time : subs[i] == 2 ? r.m_strSub2Time : r.m_strSub3Time;
        const double y = dTop + i * lh;
        // Columns at the meter's places, moved right only where a long value would run into the next.
        DrawText(painter, font, QPointF(10, y), QString::fromLatin1(labels[i]), kInk);
        double x = DrawText(painter, font, QPointF(80, y), CPanelText::OverRange(fValue, r.m_fRange, nDecimals), kInk)
                       .right();
        x = DrawText(painter, font, QPointF(qMax(130.0, x + kColumnGap), y), strUnit, kInk).right();
        DrawText(painter, font, QPointF(qMax(165.0, x + kColumnGap), y), strTime, kInk);
    }
    DrawText(painter, font, QPointF(10, dTop + 3 * lh), QStringLiteral("Start:"), kInk);
    DrawText(painter, font, QPointF(80, dTop + 3 * lh), CPanelText::Start(r), kInk);
}

void CPanelPainter::PaintSecondLine(QPainter& painter, const QString& strValue, const QString& strUnit)
{
    const QFont font = CPanelFonts::Lines(kLinePx);
    const double y = m_dH / 2 + 2 * QFontMetricsF(font).lineSpacing();
    const double x = DrawText(painter, font, QPointF(100, y), strValue, kInk).right();
    DrawText(painter, font, QPointF(qMax(180.0, x + kColumnGap), y), strUnit, kInk);
}
