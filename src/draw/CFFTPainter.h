#pragma once

#include <QRect>

class CFFTAnalysis;
class QPainter;

// Draws "FFT Graph": the spectrum of an analysis's last run over rc, white, with the title,
// the dotted grid, the largest value, and axes a reader can read: frequency in Hz on x (from
// the readings' interval), dB (power spectrum) or magnitude on y, each with its title. Without
// a known interval x counts bins. Nothing but the background at 100 x 100 or smaller.
class CFFTPainter
{
public:
    static constexpr int kLeftMargin = 64;  //!< room for the y labels
    static constexpr int kRightMargin = 24;
    static constexpr int kTopMargin = 36;   //!< the title and the largest value
    static constexpr int kBottomMargin = 40; //!< the x labels and title

    // The plot inside rc.
    static QRect PlotRect(const QRect& rc);
    // pAnalysis may be nullptr (an empty grid); dInterval is the readings' interval in seconds
    // (NaN or 0: unknown).
    static void Draw(QPainter& painter, const QRect& rc, const CFFTAnalysis* pAnalysis, double dInterval);

    // The frequency of the top of the x axis: half the sampling rate for the power spectrum's
    // N / 2 bins, the whole rate for the magnitude spectrum's N; in bins without an interval.
    static double XAxisEnd(const CFFTAnalysis& analysis, double dInterval);
};
