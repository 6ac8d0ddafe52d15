#pragma once

#include <QWidget>

class CFFTAnalysis;

// "FFT Graph": the spectrum of the last run of an analysis, with its grid, bin labels and
// the largest value. Draws nothing but the frame while the widget is 100 x 100 or smaller.
class CFFTGraph : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kSideMargin = 10;
    static constexpr int kTopMargin = 30;

    explicit CFFTGraph(QWidget* pParent = nullptr);

    // Not owned; nullptr draws an empty grid.
    void SetAnalysis(const CFFTAnalysis* pAnalysis);
    QRect PlotRect() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void DrawTrace(QPainter& painter, const QRect& rcPlot) const;

    const CFFTAnalysis* m_pAnalysis = nullptr;
};
