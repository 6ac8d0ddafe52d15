#include "fft/CFFT.h"

#include <cmath>
#include <new>
#include <numbers>
#include <utility>

void CFFT::AllocateTable(std::vector<std::complex<float>>& arrTable, std::size_t nFactors)
{
    arrTable.assign(nFactors, std::complex<float>());
}

bool CFFT::PrepareTable(int nOrder)
{
    if (nOrder == m_nTableOrder)
        return true;
    const std::size_t nHalf = std::size_t(1) << (nOrder - 1);
    std::vector<std::complex<float>> arrTable;
    try {
        AllocateTable(arrTable, nHalf - 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Repeated multiplication, carried in double so the last factor is as good as the first.
    const double dAngle = std::numbers::pi / double(nHalf);
    const std::complex<double> w(std::cos(dAngle), -std::sin(dAngle));
    std::complex<double> factor = w;
    for (std::size_t k = 0; k + 1 < nHalf; ++k) {
        arrTable[k] = std::complex<float>(factor);
        factor *= w;
    }
    m_arrTable = std::move(arrTable);
    m_nTableOrder = nOrder;
    ++m_nTableBuilds;
    return true;
}

bool CFFT::Transform(std::complex<float>* pData, int nOrder)
{
    if (nOrder < 1 || nOrder > kMaxOrder || !PrepareTable(nOrder))
        return false;
    const std::size_t n = std::size_t(1) << nOrder;

    std::size_t nStride = 1;
    for (std::size_t nSpan = n / 2; nSpan >= 1; nSpan /= 2, nStride *= 2) {
        for (std::size_t nGroup = 0; nGroup < n; nGroup += 2 * nSpan) {
            std::complex<float>* pTop = pData + nGroup;
            std::complex<float>* pBottom = pTop + nSpan;
            const std::complex<float> a = pTop[0], b = pBottom[0];
            pTop[0] = a + b;
            pBottom[0] = a - b;
            for (std::size_t j = 1; j < nSpan; ++j) {
                const std::complex<float> c = pTop[j], d = pBottom[j];
                pTop[j] = c + d;
                pBottom[j] = (c - d) * m_arrTable[j * nStride - 1];
            }
        }
    }

    // Bit-reversed order back to natural order.
    for (std::size_t i = 1; i + 1 < n; ++i) {
        std::size_t nReversed = 0;
        for (int b = 0; b < nOrder; ++b)
            nReversed |= ((i >> b) & 1u) << (nOrder - 1 - b);
        if (i < nReversed)
            std::swap(pData[i], pData[nReversed]);
    }
    return true;
}
