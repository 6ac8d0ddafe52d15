#include "scope/ui/COscScreenPainter.h"

#include "base/CPrintf.h"
#include "scope/COscGraphState.h"
#include "scope/COscText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <optional>

namespace {

using SWord = COscScreenPainter::SWord;

constexpr int kGap = 14;            // between words
constexpr int kLabelGap = 4;        // a readout's label and its value
constexpr int kSpeedGap = 6;        // "Fast" and "Slow" belong together
constexpr int kBoxPad = 4;          // text to box edge
constexpr int kSymbolSize = 16;
constexpr int kAxisTextHeight = 12; // the spectrum's frequencies under the plot
constexpr int kAxisGap = 10;        // least room between two of them
constexpr int kAxisSteps[] = {1, 2, 5, 10, 20, 50, 100};

QFont ScreenFont(SWord::Kind kind)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(kind == SWord::AxisLabel ? kAxisTextHeight : COscDrawOptions::kScreenTextHeight);
    font.setBold(kind == SWord::Status);
    return font;
}

QColor SelectedSpeedColor(bool bPrinting)
{
    // Yellow, as the meter shows it, is lost on paper.
    return bPrinting ? QColor(200, 110, 0) : COscScreenPainter::TraceColor();
}

// Words that stay together on a line (a readout's label and its value), laid out from
// x = 0 along a line whose centre is y = 0.
struct CGroup
{
    QList<SWord> words;
    int nWidth = 0;

    // The next word nGap pixels after the last one.
    void Append(SWord word, int nGap)
    {
        const int x = words.isEmpty() ? 0 : nWidth + nGap;
        word.rc.moveLeft(x);
        nWidth = x + word.rc.width();
        words << word;
    }
};

int LineWidth(const QList<CGroup>& groups)
{
    int nWidth = 0;
    for (const CGroup& group : groups)
        if (!group.words.isEmpty())
            nWidth += group.nWidth + (nWidth > 0 ? kGap : 0);
    return nWidth;
}

// Where the words of one screen go: the bands above and below the plot, each one or two
// lines, and the spectrum's frequencies.
class CScreenLayout
{
public:
    CScreenLayout(const COscGraphState& state, QSize client, const COscDrawOptions& options,
                  const QPaintDevice* pDevice)
        : m_state(state)
        , m_client(client)
        , m_options(options)
        , m_pDevice(pDevice)
        , m_nLeft(COscGraphState::kLeft)
        , m_nRight(COscGraphState::kLeft + state.PlotWidth())
    {
    }

    QList<SWord> Words()
    {
        const OscRecord& r = m_state.Record();
        const bool bSpectrum = m_state.IsSpectrum();
        const bool bCursors = m_state.CursorsShown();

        QList<CGroup> left, readouts, right;
        left << Word(COscText::ScreenStatusWord(r.m_status), Ink(), QColor(), SWord::Status);
        if (r.m_status == 2)
            left << Word(CPrintf::Format("PAGE %d", r.m_page), Qt::black, COscScreenPainter::LightBoxColor());
        if (!bSpectrum)
            left << Word(COscText::CouplingText(r.m_coupling) + r.m_voltsText, COscScreenPainter::TraceColor(),
                         COscScreenPainter::ScaleBoxColor());
        if (bCursors)
            readouts << Readout(QStringLiteral("\u0394V"), m_state.DvText());
        if (r.m_trigger >= 1 && r.m_trigger <= 3)
            right << TriggerSymbol();
        right << Word(QStringLiteral("Vp-p=") + r.m_vppText, Ink());
        if (!bSpectrum)
            right << Word(m_state.FreqBoxText(), Qt::black, COscScreenPainter::LightBoxColor());
        PlaceBand(left, readouts, right, 0, COscGraphState::kTop);

        left = {Word(r.m_rateText, COscScreenPainter::TraceColor(), COscScreenPainter::ScaleBoxColor())};
        readouts.clear();
        if (bCursors) {
            readouts << Readout(QStringLiteral("\u0394T"), m_state.DtText());
            readouts << Readout(QStringLiteral("1/\u0394T"), m_state.FreqCursorText());
        }
        const bool bFast = r.m_speed == 0;
        const QColor selected = SelectedSpeedColor(m_options.bPrinting);
        CGroup speed = Word(QStringLiteral("Fast"), bFast ? selected : Ink());
        speed.Append(Word(QStringLiteral("Slow"), bFast ? Ink() : selected).words.constFirst(), kSpeedGap);
        right = {Word(COscText::ScreenTime(r), Ink()), Word(COscText::ScreenDate(r), Ink()), speed};
        const int nTop = COscGraphState::kTop + m_state.PlotHeight();
        const int nBottom = nTop + COscGraphState::kMarginHeight - COscGraphState::kTop;
        if (bSpectrum) {
            // The frequencies take the line under the plot, the words the one below.
            PlaceAxisLabels(nTop + 2);
            PlaceLine(left, right, nTop + 3 * (nBottom - nTop) / 4);
        } else {
            PlaceBand(left, readouts, right, nTop, nBottom);
        }
        return m_words;
    }

private:
    QColor Ink() const { return m_options.bPrinting ? QColor(Qt::black) : QColor(Qt::white); }
    QColor DimInk() const { return m_options.bPrinting ? QColor(90, 90, 90) : QColor(150, 170, 200); }

    CGroup Word(const QString& strText, const QColor& ink, const QColor& box = QColor(),
                SWord::Kind kind = SWord::Text) const
    {
        CGroup group;
        if (strText.isEmpty())
            return group;
        const QFontMetrics fm(ScreenFont(kind), m_pDevice);
        const int nWidth = fm.horizontalAdvance(strText) + (box.isValid() ? 2 * kBoxPad : 0);
        const int nHeight = fm.height() + 4;
        group.Append({kind, strText, QRect(0, -nHeight / 2, nWidth, nHeight), ink, box}, 0);
        return group;
    }

    // A dim label and its value, both or neither.
    CGroup Readout(const QString& strLabel, const QString& strValue) const
    {
        CGroup group = Word(strLabel, DimInk(), QColor(), SWord::Label);
        const CGroup value = Word(strValue, Ink());
        if (value.words.isEmpty())
            return {};
        group.Append(value.words.constFirst(), kLabelGap);
        return group;
    }

    CGroup TriggerSymbol() const
    {
        CGroup group;
        group.Append({SWord::TriggerSymbol, QString(), QRect(0, -kSymbolSize / 2, kSymbolSize, kSymbolSize), Ink(),
                      QColor()},
                     0);
        return group;
    }

    void Add(const CGroup& group, int x, int nCentreY)
    {
        for (SWord word : group.words) {
            word.rc.translate(x, nCentreY);
            m_words << word;
        }
    }

    // The right-hand groups from the plot's right edge leftwards (the first given is the
    // rightmost), then the left-hand ones from its left edge; a left-hand group that would
    // run into the right-hand ones is left out.
    void PlaceLine(const QList<CGroup>& left, const QList<CGroup>& right, int nCentreY)
    {
        int xRight = m_nRight;
        for (const CGroup& group : right) {
            if (group.words.isEmpty())
                continue;
            Add(group, xRight - group.nWidth, nCentreY);
            xRight -= group.nWidth + kGap;
        }
        int x = m_nLeft;
        for (const CGroup& group : left) {
            if (group.words.isEmpty() || x + group.nWidth > xRight)
                continue;
            Add(group, x, nCentreY);
            x += group.nWidth + kGap;
        }
    }

    // One line when everything fits on it; otherwise the readouts take a second line.
    void PlaceBand(const QList<CGroup>& left, const QList<CGroup>& readouts, const QList<CGroup>& right, int nTop,
                   int nBottom)
    {
        const int nWords = LineWidth(left + readouts);
        const int nRight = LineWidth(right);
        if (readouts.isEmpty() || nWords + (nRight > 0 ? kGap : 0) + nRight <= m_nRight - m_nLeft) {
            PlaceLine(left + readouts, right, (nTop + nBottom) / 2);
            return;
        }
        const int nHeight = nBottom - nTop;
        PlaceLine(left, right, nTop + nHeight / 4);
        PlaceLine(readouts, {}, nTop + 3 * nHeight / 4);
    }

    // The frequency of every n-th bar under it, n as small as leaves the texts apart.
    void PlaceAxisLabels(int nTop)
    {
        const int nRate = m_state.Record().m_rateCode;
        const int nCount = m_state.Count();
        const QFontMetrics fm(ScreenFont(SWord::AxisLabel), m_pDevice);
        int nWidest = 0;
        for (int i = 0; i < nCount; ++i)
            nWidest = std::max(nWidest, fm.horizontalAdvance(COscText::BarPrintText(nRate, i)));
        const double dPixelsPerBar = 1.0 / m_state.XScale();
        int nStep = kAxisSteps[std::size(kAxisSteps) - 1];
        for (int n : kAxisSteps) {
            if (n * dPixelsPerBar >= nWidest + kAxisGap) {
                nStep = n;
                break;
            }
        }
        const double dFirst = std::max(0.0, std::ceil(m_state.XOrigin() / nStep) * nStep);
        int xFree = INT_MIN;
        for (int i = int(dFirst); i < nCount; i += nStep) {
            const int x = m_state.PixelX(i);
            if (x > m_nRight)
                break;
            const QString strText = COscText::BarPrintText(nRate, i);
            const int nWidth = fm.horizontalAdvance(strText);
            // Centred under its bar; the outermost ones stay on the screen.
            const int nLeft = std::clamp(x - nWidth / 2, 0, std::max(0, m_client.width() - nWidth));
            if (nLeft < xFree)
                continue;
            m_words << SWord{SWord::AxisLabel, strText, QRect(nLeft, nTop, nWidth, fm.height()), DimInk(), QColor()};
            xFree = nLeft + nWidth + kAxisGap;
        }
    }

    const COscGraphState& m_state;
    QSize m_client;
    const COscDrawOptions& m_options;
    const QPaintDevice* m_pDevice;
    int m_nLeft;
    int m_nRight;
    QList<SWord> m_words;
};

} // namespace

QList<COscScreenPainter::SWord> COscScreenPainter::Layout(const COscGraphState& state, QSize client,
                                                          const COscDrawOptions& options, const QPaintDevice* pDevice)
{
    return CScreenLayout(state, client, options, pDevice).Words();
}

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
    const COscGraphState& shown = sized ? *sized : state;
    painter.save();
    painter.setClipRect(rc, Qt::IntersectClip);
    painter.translate(rc.topLeft());
    if (dScale != 1.0)
        painter.scale(dScale, dScale);
    const COscScreenPainter screen(painter, shown, options, client);
    screen.PaintPlot();
    for (const SWord& word : Layout(shown, client, options, painter.device()))
        screen.PaintWord(word);
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
{
}

QColor COscScreenPainter::Ink() const
{
    return m_options.bPrinting ? QColor(Qt::black) : QColor(Qt::white);
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
    // The samples, or the meter's spectrum bars, joined point to point as the meter draws them.
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

void COscScreenPainter::PaintWord(const SWord& word) const
{
    if (word.kind == SWord::TriggerSymbol) {
        PaintTriggerSymbol(word.rc);
        return;
    }
    if (word.box.isValid())
        m_painter.fillRect(word.rc, word.box);
    m_painter.setFont(ScreenFont(word.kind));
    m_painter.setPen(word.ink);
    m_painter.drawText(word.rc, Qt::AlignCenter, word.strText);
}

void COscScreenPainter::PaintTriggerSymbol(const QRect& rc) const
{
    const int x = rc.left();
    const int nCentreY = rc.center().y();
    const int nTop = rc.top() + 1, nBottom = rc.bottom();
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
