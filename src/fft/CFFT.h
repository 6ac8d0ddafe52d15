#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// The radix-2 transform of the FFT analysis: decimation in frequency on single-precision
// complex values, unnormalised, X[k] = sum x[n] e^(-2 pi i n k / N), results in natural order.
// The twiddle factors are kept between calls and rebuilt only when the size changes.
//
// Not thread-safe: one instance per user (the FFT dialog owns one).
class CFFT
{
public:
    static constexpr int kMaxOrder = 24; //!< largest size 2^24

    virtual ~CFFT() = default;

    // Transforms the 2^nOrder values at pData in place. Returns false, leaving the data as it
    // was, when nOrder is outside 1..kMaxOrder or the twiddle table cannot be allocated.
    bool Transform(std::complex<float>* pData, int nOrder);

    int TableOrder() const { return m_nTableOrder; }
    int TableBuilds() const { return m_nTableBuilds; } //!< how often the table was (re)built

protected:
    // Sizes the table to nFactors entries; throws std::bad_alloc when memory is short.
    virtual void AllocateTable(std::vector<std::complex<float>>& arrTable, std::size_t nFactors);

private:
    bool PrepareTable(int nOrder);

    std::vector<std::complex<float>> m_arrTable; //!< W^k, k = 1 .. N/2 - 1, W = e^(-2 pi i / N)
    int m_nTableOrder = -1;
    int m_nTableBuilds = 0;
};
