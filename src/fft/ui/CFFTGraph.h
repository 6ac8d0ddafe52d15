#pragma once

#include <QWidget>

#include <limits>

class CFFTAnalysis;

// "FFT Graph": the spectrum of the last run of an analysis, drawn by CFFTPainter with its
// frequency and value axes.
class CFFTGraph : public QWidget
{
    Q_OBJECT
public:
    explicit CFFTGraph(QWidget* pParent = nullptr);

    // Not owned; nullptr draws an empty grid.
    void SetAnalysis(const CFFTAnalysis* pAnalysis);
    // The interval of the readings analysed, in seconds (NaN: unknown, the x axis counts bins).
    void SetSampleInterval(double dSeconds);
    double SampleInterval() const { return m_dInterval; }
    QRect PlotRect() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    const CFFTAnalysis* m_pAnalysis = nullptr;
    double m_dInterval = std::numeric_limits<double>::quiet_NaN();
};
