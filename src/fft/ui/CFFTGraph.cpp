#include "fft/ui/CFFTGraph.h"

#include "draw/CFFTPainter.h"

#include <QPainter>

CFFTGraph::CFFTGraph(QWidget* pParent)
    : QWidget(pParent)
{
    setMinimumSize(360, 220);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFFTGraph::SetAnalysis(const CFFTAnalysis* pAnalysis)
{
    m_pAnalysis = pAnalysis;
    update();
}

void CFFTGraph::SetSampleInterval(double dSeconds)
{
    m_dInterval = dSeconds;
    update();
}

QRect CFFTGraph::PlotRect() const
{
    return CFFTPainter::PlotRect(rect());
}

void CFFTGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CFFTPainter::Draw(painter, rect(), m_pAnalysis, m_dInterval);
}
