#include "fft/CFFTAnalysis.h"

#include "document/CMinMaxSummary.h"
#include "document/CObData.h"
#include "fft/CFFTWindow.h"

#include <QCoreApplication>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <new>

namespace {

QString Tr(const char* psz)
{
    return QCoreApplication::translate("CFFTAnalysis", psz);
}


} // namespace

QList<int> CFFTAnalysis::Sizes()
{
    QList<int> arrSizes;
    for (int n = kMinSize; n <= kMaxSize; n *= 2)
        arrSizes << n;
    return arrSizes;
}

QString CFFTAnalysis::NoMemoryText()
{
    return Tr("Failed to new memory!");
}

QString CFFTAnalysis::NoTableText()
{
    return Tr("Unable to allocate complex W array");
}

CFFTAnalysis::CFFTAnalysis(std::unique_ptr<CFFT> pFFT)
    : m_pFFT(pFFT ? std::move(pFFT) : std::make_unique<CFFT>())
{
}

CFFTAnalysis::~CFFTAnalysis() = default;

void CFFTAnalysis::AllocateBuffers()
{
    m_complex.assign(kMaxSize + 1, std::complex<float>());
    m_inputMag.assign(kMaxSize + 1, 0.0);
    m_spectrum.assign(kMaxSize + 1, 0.0);
    m_samples.assign(size_t(SpanOf(kMaxSize)), 0.0);
    m_power.assign(kMaxSize, 0.0);
}

bool CFFTAnalysis::Allocate()
{
    if (IsAllocated())
        return true;
    try {
        AllocateBuffers();
        return true;
    } catch (const std::bad_alloc&) {
        m_complex = {};
        m_inputMag = {};
        m_spectrum = {};
        m_samples = {};
        m_power = {};
        return false;
    }
}

void CFFTAnalysis::ClearBuffers()
{
    std::fill(m_complex.begin(), m_complex.end(), std::complex<float>());
    std::fill(m_inputMag.begin(), m_inputMag.end(), 0.0);
    std::fill(m_spectrum.begin(), m_spectrum.end(), 0.0);
    std::fill(m_samples.begin(), m_samples.end(), 0.0);
    std::fill(m_power.begin(), m_power.end(), 0.0);
    m_inputMax = kNoMax;
    m_spectrumMax = kNoMax;
    m_bHasResult = false;
}

bool CFFTAnalysis::Transform()
{
    CFFTWindow::Apply(m_complex.data(), m_n, m_window);
    return m_pFFT->Transform(m_complex.data(), std::countr_zero(unsigned(m_n)));
}

CFFTAnalysis::Outcome CFFTAnalysis::Run(const QList<CObData*>& arrReadings, int nStart, int nFinish,
                                        int nSize, int nWindow, bool bPowerSpectrum, QString* pstrError)
{
    return Run([&arrReadings](int i) { return arrReadings.at(i) ? float(arrReadings.at(i)->m_dValue) : 0.0f; },
               int(std::min<qsizetype>(arrReadings.size(), INT_MAX)), nStart, nFinish, nSize, nWindow, bPowerSpectrum,
               pstrError);
}

CFFTAnalysis::Outcome CFFTAnalysis::Run(const CMinMaxSummary& series, int nStart, int nFinish, int nSize, int nWindow,
                                        bool bPowerSpectrum, QString* pstrError)
{
    // Overloads and readings of another quantity have no value to transform.
    return Run([&series](int i) { return std::isfinite(series.Value(i)) ? float(series.Value(i)) : 0.0f; },
               int(std::min<qsizetype>(series.Count(), INT_MAX)), nStart, nFinish, nSize, nWindow, bPowerSpectrum,
               pstrError);
}

CFFTAnalysis::Outcome CFFTAnalysis::Run(const std::function<float(int)>& fnValue, int nCount, int nStart, int nFinish,
                                        int nSize, int nWindow, bool bPowerSpectrum, QString* pstrError)
{
    auto fail = [pstrError](Outcome outcome, const QString& strReason) {
        if (pstrError)
            *pstrError = strReason;
        return outcome;
    };
    if (!IsAllocated())
        return fail(NoMemory, NoMemoryText());
    if (nSize < kMinSize || nSize > kMaxSize || !std::has_single_bit(unsigned(nSize)))
        return fail(Refused, Tr("The FFT size must be a power of two from %1 to %2.").arg(kMinSize).arg(kMaxSize));
    if (nStart < 0 || nFinish < nStart || nFinish >= nCount)
        return fail(Refused, Tr("The selected readings are no longer in the document."));

    m_n = nSize;
    m_window = (nWindow >= 0 && nWindow < CFFTWindow::kCount) ? nWindow : CFFTWindow::kNone;
    m_bPower = bPowerSpectrum;
    m_span = SpanOf(nSize);
    ClearBuffers();
    const int nAvailable = nFinish - nStart + 1;

    if (bPowerSpectrum) {
        // Welch's average over the segments the readings fill: averaging in empty or partly
        // empty segments would only lower the level. A selection shorter than one segment
        // is transformed with zeros after it.
        const int nHop = m_n - m_overlap;
        m_nSegmentsUsed = std::clamp((nAvailable - m_n) / nHop + 1, 1, m_segments);
        m_nReadingsUsed = std::min(nAvailable, m_n + (m_nSegmentsUsed - 1) * nHop);
        for (int j = 0; j < m_nReadingsUsed; ++j) {
            m_samples[size_t(j)] = fnValue(nStart + j);
            m_inputMax = std::max(m_inputMax, std::abs(m_samples[size_t(j)]));
        }
        const double dNorm = double(m_n) * double(m_n);
        for (int s = 0; s < m_nSegmentsUsed; ++s) {
            for (int j = 0; j < m_n; ++j)
                m_complex[size_t(j)] = std::complex<float>(float(m_samples[size_t(j + s * nHop)]), 0.0f);
            if (!Transform())
                return fail(NoMemory, NoTableText());
            for (int j = 0; j < m_n; ++j)
                m_power[size_t(j)] += double(std::norm(m_complex[size_t(j)])) / dNorm;
        }
        for (int i = 0; i < m_n / 2; ++i) {
            double& dPower = m_power[size_t(i)];
            dPower = 10.0 * std::log10(std::max(dPower / m_nSegmentsUsed, kPowerFloor));
            m_spectrumMax = std::max(m_spectrumMax, std::abs(dPower));
        }
    } else {
        m_nReadingsUsed = std::min(nAvailable, m_n);
        m_nSegmentsUsed = 1;
        for (int j = 0; j < m_nReadingsUsed; ++j)
            m_complex[size_t(j)] = std::complex<float>(fnValue(nStart + j), 0.0f);
        for (int i = 0; i < m_n; ++i) {
            m_inputMag[size_t(i)] = std::abs(m_complex[size_t(i)]);
            m_inputMax = std::max(m_inputMax, m_inputMag[size_t(i)]);
        }
        if (!Transform())
            return fail(NoMemory, NoTableText());
        for (int i = 0; i < m_n; ++i) {
            m_spectrum[size_t(i)] = std::abs(m_complex[size_t(i)]);
            m_spectrumMax = std::max(m_spectrumMax, m_spectrum[size_t(i)]);
        }
    }
    m_bHasResult = true;
    return Done;
}
