#include "fft/ui/CFFTGraph.h"

#include "fft/CFFTAnalysis.h"

#include <QPainter>
#include <QPainterPath>

CFFTGraph::CFFTGraph(QWidget* pParent)
    : QWidget(pParent)
{
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFFTGraph::SetAnalysis(const CFFTAnalysis* pAnalysis)
{
    m_pAnalysis = pAnalysis;
    update();
}

QRect CFFTGraph::PlotRect() const
{
    return QRect(QPoint(kSideMargin, kTopMargin),
                 QPoint(width() - kSideMargin, height() - kTopMargin));
}

void CFFTGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (width() <= 100 || height() <= 100)
        return;

    const QRect rcPlot = PlotRect();
    const int nLeft = rcPlot.left(), nTop = rcPlot.top();
    const int nWidth = rcPlot.width() - 1, nHeight = rcPlot.height() - 1;
    const QFontMetrics fm = painter.fontMetrics();

    painter.setPen(QColor(0, 0, 128));
    painter.drawText(width() / 2 - 40, 4 + fm.ascent(), tr("FFT Graph"));

    const bool bResult = m_pAnalysis && m_pAnalysis->HasResult();
    // The x labels count bins: N/2 of them in the power spectrum, N in the magnitude spectrum.
    int nBins = 0;
    if (bResult)
        nBins = m_pAnalysis->IsPowerSpectrum() ? m_pAnalysis->Size() / 2 : m_pAnalysis->Size();

    QPen grid(QColor(0, 96, 0), 1, Qt::DotLine);
    for (int k = 0; k <= 20; ++k) {
        const int x = nLeft + k * nWidth / 20;
        painter.setPen(grid);
        painter.drawLine(x, nTop, x, nTop + nHeight);
        painter.setPen(Qt::black);
        const QString strLabel = QString::asprintf("%d", int(k * double(nBins) / 20));
        painter.drawText(x - fm.horizontalAdvance(strLabel) / 2, nTop + nHeight + 2 + fm.ascent(), strLabel);
    }
    painter.setPen(grid);
    for (int k = 0; k <= 10; ++k) {
        const int y = nTop + k * nHeight / 10;
        painter.drawLine(nLeft, y, nLeft + nWidth, y);
    }
    if (!bResult)
        return;

    painter.setPen(Qt::black);
    painter.drawText(nLeft, nTop - 20 + fm.ascent() - fm.height() / 2,
                     QString::asprintf("%e", m_pAnalysis->SpectrumMax()));
    DrawTrace(painter, QRect(nLeft, nTop, nWidth, nHeight));
}

void CFFTGraph::DrawTrace(QPainter& painter, const QRect& rcPlot) const
{
    const double dMax = m_pAnalysis->SpectrumMax();
    const double dWidth = rcPlot.width(), dHeight = rcPlot.height();
    const double dBottom = rcPlot.top() + dHeight;
    QPainterPath path;
    if (m_pAnalysis->IsPowerSpectrum()) {
        const int nCount = m_pAnalysis->Size() / 2;
        const double* pValues = m_pAnalysis->Power();
        bool bBelow = false, bAbove = false;
        for (int i = 0; i < nCount; ++i) {
            bBelow = bBelow || pValues[i] < -dMax / 20;
            bAbove = bAbove || pValues[i] > dMax / 20;
        }
        double dZero = dBottom, dScale = dHeight / dMax;
        if (bBelow && bAbove) {
            dZero = rcPlot.top() + dHeight / 2;
            dScale = (dHeight / 2) / dMax;
        } else if (bBelow) {
            dZero = rcPlot.top();
        }
        const double dStep = dWidth / nCount;
        for (int i = 0; i < nCount; ++i) {
            const QPointF pt(rcPlot.left() + i * dStep, dZero - pValues[i] * dScale);
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
    } else {
        const int nCount = m_pAnalysis->Size();
        const double* pValues = m_pAnalysis->Spectrum();
        const double dStep = dWidth / nCount, dScale = dHeight / dMax;
        for (int i = 0; i < nCount; ++i) {
            const QPointF pt(rcPlot.left() + i * dStep, dBottom - pValues[i] * dScale);
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(rcPlot.adjusted(-1, -1, 1, 1));
    painter.setPen(QPen(Qt::blue, 2, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}
