#include "scope/ui/COscScreenPainter.h"

#include "base/CPrintf.h"
#include "scope/COscGraphState.h"
#include "scope/COscText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <climits>
#include <cmath>
#include <optional>

namespace {

constexpr int kGap = 14;       // between words
constexpr int kBoxPad = 4;     // text to box edge
constexpr int kSymbolSize = 16;

QColor SelectedSpeedColor(bool bPrinting)
{
    // Yellow, as the meter shows it, is lost on paper.
    return bPrinting ? QColor(200, 110, 0) : COscScreenPainter::TraceColor();
}

} // namespace

void COscScreenPainter::Draw(QPainter& painter, const COscGraphState& state, const QRect& rc,
                             const COscDrawOptions& options)
{
    if (rc.isEmpty())
        return;
    const double dScale =
        options.nTextHeight > 0 ? double(options.nTextHeight) / COscDrawOptions::kScreenTextHeight : 1.0;
    // Rounded up and clipped: the margins reach every edge of rc and nothing spills over.
    const QSize client(int(std::ceil(rc.width() / dScale)), int(std::ceil(rc.height() / dScale)));
    // The window's own state fits its client; any other area gets a copy laid out for it,
    // each scale keeping its span, so the same part of the waveform fills it.
    std::optional<COscGraphState> sized;
    if (state.PlotWidth() + COscGraphState::kMarginWidth != client.width()
        || state.PlotHeight() + COscGraphState::kMarginHeight != client.height()) {
        sized = state;
        sized->SetClientSize(client);
    }
    painter.save();
    painter.setClipRect(rc, Qt::IntersectClip);
    painter.translate(rc.topLeft());
    if (dScale != 1.0)
        painter.scale(dScale, dScale);
    const COscScreenPainter screen(painter, sized ? *sized : state, options, client);
    screen.PaintPlot();
    screen.PaintTopTexts();
    screen.PaintBottomTexts();
    screen.PaintOnScreenMarks();
    painter.restore();
}

COscScreenPainter::COscScreenPainter(QPainter& painter, const COscGraphState& state, const COscDrawOptions& options,
                                     QSize client)
    : m_painter(painter)
    , m_state(state)
    , m_options(options)
    , m_client(client)
    , m_rcPlot(COscGraphState::kLeft, COscGraphState::kTop, state.PlotWidth() + 1, state.PlotHeight() + 1)
    , m_font(QStringLiteral("Times New Roman"))
{
    m_font.setPixelSize(COscDrawOptions::kScreenTextHeight);
    m_font.setStyleHint(QFont::Serif);
    m_boldFont = m_font;
    m_boldFont.setBold(true);
}

QColor COscScreenPainter::Ink() const
{
    return m_options.bPrinting ? QColor(Qt::black) : QColor(Qt::white);
}

QColor COscScreenPainter::DimInk() const
{
    return m_options.bPrinting ? QColor(90, 90, 90) : QColor(150, 170, 200);
}

void COscScreenPainter::PaintPlot() const
{
    m_painter.fillRect(QRect(QPoint(0, 0), m_client), m_options.bPrinting ? QColor(Qt::white) : MarginColor());
    m_painter.fillRect(m_rcPlot, m_options.bPrinting ? QColor(Qt::white) : BackgroundColor());
    // The frame first: a trace on the edge of the screen stays visible over it.
    m_painter.setPen(QPen(GridColor(), 1));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(m_rcPlot.adjusted(0, 0, -1, -1));

    // Everything inside the plot is clipped to it: a zoomed trace never spills into the words.
    m_painter.save();
    m_painter.setClipRect(m_rcPlot, Qt::IntersectClip);
    QPen grid(GridColor(), 1, Qt::DotLine);
    m_painter.setPen(grid);
    const int nLeft = m_rcPlot.left(), nRight = m_rcPlot.right();
    const int nTop = m_rcPlot.top(), nBottom = m_rcPlot.bottom();
    for (double dLevel : m_state.GridLevels()) {
        const int y = m_state.PixelY(dLevel);
        m_painter.drawLine(nLeft, y, nRight, y);
    }
    for (double dPosition : m_state.GridPositions()) {
        const int x = m_state.GridX(dPosition);
        m_painter.drawLine(x, nTop, x, nBottom);
    }
    if (m_state.Record().m_status == 4)
        PaintTriggerPoint();
    if (m_state.Count() > 1) {
        if (m_state.CursorsShown())
            PaintCursors();
        if (m_state.IsSpectrum())
            PaintBars();
        else
            PaintTrace();
    }
    m_painter.restore();
}

void COscScreenPainter::PaintTriggerPoint() const
{
    // A single capture marks where it triggered: the third division line, widened,
    // and a marker at the trigger level.
    const int x = m_state.GridX(m_state.GridPositions()[2]);
    m_painter.setPen(QPen(GridColor(), 5, Qt::DotLine, Qt::FlatCap));
    m_painter.drawLine(x, m_rcPlot.top(), x, m_rcPlot.bottom());
    const int y = m_state.PixelY(m_state.Record().m_triggerLevel / 1000.0);
    const QPolygon marker({QPoint(x - 7, y - 6), QPoint(x + 7, y), QPoint(x - 7, y + 6)});
    m_painter.setPen(QPen(QColor(255, 128, 0), 1));
    m_painter.setBrush(QColor(255, 128, 0));
    m_painter.drawPolygon(marker);
    m_painter.setBrush(Qt::NoBrush);
}

void COscScreenPainter::PaintCursors() const
{
    m_painter.setPen(QPen(CursorColor(), 2));
    for (double dPos : {m_state.Pos1(), m_state.Pos2()}) {
        const int x = m_state.PixelX(dPos);
        m_painter.drawLine(x, m_rcPlot.top(), x, m_rcPlot.bottom());
    }
    for (double dLevel : {m_state.Level1(), m_state.Level2()}) {
        const int y = m_state.PixelY(dLevel);
        m_painter.drawLine(m_rcPlot.left(), y, m_rcPlot.right(), y);
    }
}

void COscScreenPainter::PaintTrace() const
{
    QPolygon trace(m_state.Count());
    for (int i = 0; i < m_state.Count(); ++i)
        trace.setPoint(i, m_state.PixelX(i), m_state.PixelY(m_state.Value(i)));
    m_painter.save();
    if (m_options.bPrinting)
        m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setPen(QPen(m_options.bPrinting ? PrintTraceColor() : TraceColor(), 2, Qt::SolidLine, Qt::RoundCap,
                          Qt::RoundJoin));
    m_painter.drawPolyline(trace);
    m_painter.restore();
}

void COscScreenPainter::PaintBars() const
{
    const QColor bar = m_options.bPrinting ? PrintTraceColor() : TraceColor();
    const int yZero = m_state.PixelY(0.0);
    for (int i = 0; i < m_state.Count(); ++i) {
        const int x = m_state.PixelX(i);
        const int nWidth = std::max(1, m_state.PixelX(i + 1) - x - 1);
        const int y = m_state.PixelY(m_state.Value(i));
        m_painter.fillRect(QRect(QPoint(x, std::min(y, yZero)), QSize(nWidth, std::abs(yZero - y) + 1)), bar);
    }
}

int COscScreenPainter::WordWidth(const QString& strText, bool bBoxed) const
{
    return QFontMetrics(m_font, m_painter.device()).horizontalAdvance(strText) + (bBoxed ? 2 * kBoxPad : 0);
}

int COscScreenPainter::Word(int x, int nCentreY, const QString& strText, const QColor& ink, const QColor& box,
                            int nLimit) const
{
    const QFontMetrics fm(m_font, m_painter.device());
    const int nWidth = WordWidth(strText, box.isValid());
    if (strText.isEmpty() || x + nWidth > nLimit)
        return x;
    const QRect rcText(x, nCentreY - fm.height() / 2 - 2, nWidth, fm.height() + 4);
    if (box.isValid())
        m_painter.fillRect(rcText, box);
    m_painter.setFont(m_font);
    m_painter.setPen(ink);
    m_painter.drawText(rcText, Qt::AlignCenter, strText);
    return x + nWidth + kGap;
}

int COscScreenPainter::Readout(int x, int nCentreY, const QString& strLabel, const QString& strValue, int nLimit) const
{
    constexpr int kLabelGap = 4;
    if (x + WordWidth(strLabel, false) + kLabelGap + WordWidth(strValue, false) > nLimit)
        return x;
    const int xValue = Word(x, nCentreY, strLabel, DimInk()) - kGap + kLabelGap;
    return Word(xValue, nCentreY, strValue, Ink());
}

int COscScreenPainter::WordLeftOf(int xRight, int nCentreY, const QString& strText, const QColor& ink,
                                  const QColor& box) const
{
    if (strText.isEmpty())
        return xRight;
    const int nWidth = WordWidth(strText, box.isValid());
    Word(xRight - nWidth, nCentreY, strText, ink, box);
    return xRight - nWidth - kGap;
}

void COscScreenPainter::PaintTopTexts() const
{
    const OscRecord& r = m_state.Record();
    const int y = COscGraphState::kTop / 2;

    // The right-hand words first; on a narrow screen the left ones give way, least needed last.
    int xRight = COscGraphState::kLeft + m_state.PlotWidth();
    if (r.m_trigger >= 1 && r.m_trigger <= 3) {
        PaintTriggerSymbol(xRight - kSymbolSize, y);
        xRight -= kSymbolSize + kGap;
    }
    xRight = WordLeftOf(xRight, y, QStringLiteral("Vp-p=") + r.m_vppText, Ink());
    if (!m_state.IsSpectrum())
        xRight = WordLeftOf(xRight, y, m_state.FreqBoxText(), Qt::black, LightBoxColor());

    int x = COscGraphState::kLeft;
    const QString strStatus = COscText::ScreenStatusWord(r.m_status);
    if (!strStatus.isEmpty()) {
        const QFontMetrics fm(m_boldFont, m_painter.device());
        m_painter.setFont(m_boldFont);
        m_painter.setPen(Ink());
        m_painter.drawText(QRect(x, y - fm.height() / 2, fm.horizontalAdvance(strStatus) + 1, fm.height()),
                           Qt::AlignCenter, strStatus);
        x += fm.horizontalAdvance(strStatus) + kGap;
    }
    if (r.m_status == 2)
        x = Word(x, y, CPrintf::Format("PAGE %d", r.m_page), Qt::black, LightBoxColor(), xRight);
    if (!m_state.IsSpectrum())
        x = Word(x, y, COscText::CouplingText(r.m_coupling).trimmed() + QLatin1Char(' ') + r.m_voltsText, TraceColor(),
                 ScaleBoxColor(), xRight);
    if (m_state.CursorsShown())
        Readout(x, y, QStringLiteral("\u0394V"), m_state.DvText(), xRight);
}

void COscScreenPainter::PaintBottomTexts() const
{
    const OscRecord& r = m_state.Record();
    const int nBand = COscGraphState::kMarginHeight - COscGraphState::kTop;
    const int y = COscGraphState::kTop + m_state.PlotHeight() + nBand / 2;

    int xRight = COscGraphState::kLeft + m_state.PlotWidth();
    xRight = WordLeftOf(xRight, y, COscText::ScreenTime(r), Ink());
    xRight = WordLeftOf(xRight, y, COscText::ScreenDate(r), Ink());
    const bool bFast = r.m_speed == 0;
    const QColor selected = SelectedSpeedColor(m_options.bPrinting);
    xRight = WordLeftOf(xRight, y, QStringLiteral("Slow"), bFast ? Ink() : selected);
    xRight = WordLeftOf(xRight + kGap - 6, y, QStringLiteral("Fast"), bFast ? selected : Ink());

    int x = COscGraphState::kLeft;
    x = Word(x, y, r.m_rateText, TraceColor(), ScaleBoxColor(), xRight);
    if (m_state.CursorsShown()) {
        x = Readout(x, y, QStringLiteral("\u0394T"), m_state.DtText(), xRight);
        Readout(x, y, QStringLiteral("1/\u0394T"), m_state.FreqCursorText(), xRight);
    }
}

void COscScreenPainter::PaintTriggerSymbol(int x, int nCentreY) const
{
    const int nTop = nCentreY - kSymbolSize / 2 + 1, nBottom = nCentreY + kSymbolSize / 2 - 1;
    const int nMid = x + kSymbolSize / 2;
    QPolygon edge;
    switch (m_state.Record().m_trigger) {
    case 1: // rising
        edge << QPoint(x, nBottom) << QPoint(nMid, nBottom) << QPoint(nMid, nTop) << QPoint(x + kSymbolSize, nTop);
        break;
    case 2: // falling
        edge << QPoint(x, nTop) << QPoint(nMid, nTop) << QPoint(nMid, nBottom) << QPoint(x + kSymbolSize, nBottom);
        break;
    default: // single: one pulse
        edge << QPoint(x, nBottom) << QPoint(x + 4, nBottom) << QPoint(x + 4, nTop) << QPoint(x + kSymbolSize - 4, nTop)
             << QPoint(x + kSymbolSize - 4, nBottom) << QPoint(x + kSymbolSize, nBottom);
        break;
    }
    m_painter.setPen(QPen(Ink(), 2));
    m_painter.drawPolyline(edge);
    if (m_state.Record().m_trigger != 3) {
        // The arrow on the edge says which way it goes.
        const int nDir = m_state.Record().m_trigger == 1 ? -1 : 1;
        m_painter.drawLine(nMid, nCentreY + nDir * 3, nMid - 3, nCentreY - nDir * 1);
        m_painter.drawLine(nMid, nCentreY + nDir * 3, nMid + 3, nCentreY - nDir * 1);
    }
}

void COscScreenPainter::PaintOnScreenMarks() const
{
    if (m_options.bPrinting)
        return;
    if (!m_options.rcZoom.isNull()) {
        m_painter.setPen(QPen(ZoomColor(), 1, Qt::DotLine));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(m_options.rcZoom.adjusted(0, 0, -1, -1)); // corners on the two points
    }
    const int i = m_options.nInspectIndex;
    if (i >= 0 && i < m_state.Count()) {
        m_painter.setPen(QPen(InspectColor(), 1));
        const int x = m_state.PixelX(i);
        const int y = m_state.PixelY(m_state.Value(i));
        m_painter.drawLine(x, m_rcPlot.top(), x, m_rcPlot.bottom());
        m_painter.drawLine(m_rcPlot.left(), y, m_rcPlot.right(), y);
    }
}
