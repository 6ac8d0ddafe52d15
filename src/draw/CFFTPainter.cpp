#include "draw/CFFTPainter.h"

#include "base/CPrintf.h"
#include "fft/CFFTAnalysis.h"
#include "trend/CGraphAxis.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kXLines = 20; //!< vertical grid intervals
constexpr int kYLines = 10;

bool IntervalKnown(double dInterval)
{
    return std::isfinite(dInterval) && dInterval > 0.0;
}

// Where the trace's zero lies and how many pixels a unit is, as the graph has always scaled
// its two spectra.
void Scaling(const CFFTAnalysis& analysis, const QRectF& rcPlot, double* pdZero, double* pdScale)
{
    const double dMax = analysis.SpectrumMax();
    const double dHeight = rcPlot.height();
    *pdZero = rcPlot.bottom();
    *pdScale = dHeight / dMax;
    if (!analysis.IsPowerSpectrum())
        return;
    bool bBelow = false, bAbove = false;
    const double* pValues = analysis.Power();
    for (int i = 0; i < analysis.Size() / 2; ++i) {
        bBelow = bBelow || pValues[i] < -dMax / 20;
        bAbove = bAbove || pValues[i] > dMax / 20;
    }
    if (bBelow && bAbove) {
        *pdZero = rcPlot.top() + dHeight / 2;
        *pdScale = (dHeight / 2) / dMax;
    } else if (bBelow) {
        *pdZero = rcPlot.top();
    }
}

} // namespace

QRect CFFTPainter::PlotRect(const QRect& rc)
{
    return QRect(QPoint(rc.left() + kLeftMargin, rc.top() + kTopMargin),
                 QPoint(rc.right() - kRightMargin, rc.bottom() - kBottomMargin));
}

double CFFTPainter::XAxisEnd(const CFFTAnalysis& analysis, double dInterval)
{
    const int nBins = analysis.IsPowerSpectrum() ? analysis.Size() / 2 : analysis.Size();
    if (!IntervalKnown(dInterval))
        return nBins;
    const double dRate = 1.0 / dInterval;
    return analysis.IsPowerSpectrum() ? dRate / 2 : dRate;
}

void CFFTPainter::Draw(QPainter& painter, const QRect& rc, const CFFTAnalysis* pAnalysis, double dInterval)
{
    painter.save();
    painter.fillRect(rc, Qt::white);
    if (rc.width() <= 100 || rc.height() <= 100) {
        painter.restore();
        return;
    }
    const QRect rcPlot = PlotRect(rc);
    const int nLeft = rcPlot.left(), nTop = rcPlot.top();
    const int nWidth = rcPlot.width() - 1, nHeight = rcPlot.height() - 1;
    const QFontMetrics fm = painter.fontMetrics();

    painter.setPen(QColor(0, 0, 128));
    const QString strTitle = QStringLiteral("FFT Graph");
    painter.drawText(rc.center().x() - fm.horizontalAdvance(strTitle) / 2, rc.top() + 4 + fm.ascent(), strTitle);

    const bool bResult = pAnalysis && pAnalysis->HasResult();
    const QPen grid(QColor(0, 96, 0), 1, Qt::DotLine);
    painter.setPen(grid);
    for (int k = 0; k <= kXLines; ++k) {
        const int x = nLeft + k * nWidth / kXLines;
        painter.drawLine(x, nTop, x, nTop + nHeight);
    }
    for (int k = 0; k <= kYLines; ++k) {
        const int y = nTop + k * nHeight / kYLines;
        painter.drawLine(nLeft, y, nLeft + nWidth, y);
    }
    painter.setPen(Qt::black);
    painter.drawLine(nLeft, nTop, nLeft, nTop + nHeight);
    painter.drawLine(nLeft, nTop + nHeight, nLeft + nWidth, nTop + nHeight);

    // X labels: every grid line whose label has room, in Hz (or bins).
    const double dEnd = bResult ? XAxisEnd(*pAnalysis, dInterval) : 0.0;
    const bool bHertz = bResult && IntervalKnown(dInterval);
    const int nDecimals = GraphAxis::Decimals(0.0, dEnd / kXLines, kXLines + 1);
    const int nWidest = fm.horizontalAdvance(GraphAxis::Number(dEnd, nDecimals)) + fm.horizontalAdvance(QStringLiteral("  "));
    int nStride = 1;
    for (int nTry : {1, 2, 4, 5, 10, 20}) {
        nStride = nTry;
        if (nTry * nWidth / kXLines >= nWidest)
            break;
    }
    for (int k = 0; k <= kXLines; k += nStride) {
        const int x = nLeft + k * nWidth / kXLines;
        const QString strLabel = GraphAxis::Number(k * dEnd / kXLines, nDecimals);
        painter.drawText(x - fm.horizontalAdvance(strLabel) / 2, nTop + nHeight + 2 + fm.ascent(), strLabel);
    }
    const QString strXTitle = bHertz ? QStringLiteral("Frequency (Hz)") : QStringLiteral("Bin");
    painter.drawText(nLeft + nWidth - fm.horizontalAdvance(strXTitle), nTop + nHeight + 2 + fm.height() + fm.ascent(),
                     strXTitle);
    const QString strYTitle = !bResult || pAnalysis->IsPowerSpectrum() ? QStringLiteral("Power (dB)") : QStringLiteral("Magnitude");
    painter.drawText(rc.left() + 4, nTop - 6 - fm.descent(), strYTitle);
    if (!bResult) {
        painter.restore();
        return;
    }

    // Y labels: the value at each grid line.
    double dZero = 0.0, dScale = 1.0;
    Scaling(*pAnalysis, QRectF(nLeft, nTop, nWidth, nHeight), &dZero, &dScale);
    const double dStep = double(nHeight) / kYLines / dScale;
    const double dTopValue = (dZero - nTop) / dScale;
    const int nYDecimals = GraphAxis::Decimals(dTopValue, -dStep, kYLines + 1);
    for (int k = 0; k <= kYLines; ++k) {
        const int y = nTop + k * nHeight / kYLines;
        const QString strLabel = GraphAxis::Number((dZero - y) / dScale, nYDecimals);
        painter.drawText(nLeft - fm.horizontalAdvance(strLabel) - 3, y - fm.height() / 2 + fm.ascent(), strLabel);
    }
    painter.drawText(nLeft + nWidth - fm.horizontalAdvance(CPrintf::Format("%e", pAnalysis->SpectrumMax())),
                     nTop - 6 - fm.descent(), CPrintf::Format("%e", pAnalysis->SpectrumMax()));

    // The trace.
    const double* pValues = pAnalysis->IsPowerSpectrum() ? pAnalysis->Power() : pAnalysis->Spectrum();
    const int nCount = pAnalysis->IsPowerSpectrum() ? pAnalysis->Size() / 2 : pAnalysis->Size();
    const double dXStep = double(nWidth) / nCount;
    QPainterPath path;
    for (int i = 0; i < nCount; ++i) {
        const QPointF pt(nLeft + i * dXStep, dZero - pValues[i] * dScale);
        i == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRect(nLeft, nTop, nWidth, nHeight).adjusted(-1, -1, 1, 1));
    painter.setPen(QPen(Qt::blue, 2, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}
