#include "fft/CFFTWindow.h"

#include <cmath>
#include <numbers>

double CFFTWindow::Coefficient(int nType, int i, int n)
{
    constexpr double k2Pi = 2.0 * std::numbers::pi;
    const double dEdge = double(n - 1);
    switch (nType) {
    case kHamming:
        return 0.54 - 0.46 * std::cos(k2Pi * i / dEdge);
    case kHanning:
        return 0.5 - 0.5 * std::cos(k2Pi * i / dEdge);
    case kTriangle: {
        const double a = 2.0 / dEdge;
        return i <= (n - 1) / 2 ? a * i : 2.0 - a * i;
    }
    case kBlackman:
        return 0.42 - 0.5 * std::cos(k2Pi * i / dEdge) + 0.08 * std::cos(2.0 * k2Pi * i / dEdge);
    case kBlackmanHarris: {
        // Periodic form: over n, not n - 1.
        const double b = k2Pi * i / double(n);
        return 0.35875 - 0.48829 * std::cos(b) + 0.14128 * std::cos(2.0 * b) - 0.01168 * std::cos(3.0 * b);
    }
    default:
        return 1.0;
    }
}

void CFFTWindow::Apply(std::complex<float>* pData, int n, int nType)
{
    if (nType < 0 || nType >= kCount)
        return;
    for (int i = 0; i < n; ++i)
        pData[i] *= float(Coefficient(nType, i, n));
}
