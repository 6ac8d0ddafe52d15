#pragma once

#include <complex>

// The data windows of the FFT analysis, in the order of the "Filter" list after "None".
class CFFTWindow
{
public:
    enum Type { kNone = -1, kHamming = 0, kHanning = 1, kTriangle = 2, kBlackman = 3, kBlackmanHarris = 4 };
    static constexpr int kCount = 5;

    // Weight of value i of n (n >= 2); 1 for kNone and for an unknown type.
    static double Coefficient(int nType, int i, int n);
    // Multiplies both parts of each of the n values by its weight.
    static void Apply(std::complex<float>* pData, int n, int nType);
};
