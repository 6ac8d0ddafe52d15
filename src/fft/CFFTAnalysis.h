#pragma once

#include "fft/CFFT.h"

#include <QList>
#include <QString>

#include <complex>
#include <functional>
#include <memory>
#include <vector>

class CMinMaxSummary;
class CObData;

// Spectra of a stretch of recorded readings: the averaged power spectrum in decibels and the
// magnitude ("frequency") spectrum, behind the FFT dialog. Widget-free.
//
// Not thread-safe: used on the GUI thread by its dialog.
class CFFTAnalysis
{
public:
    static constexpr int kMinSize = 32;
    static constexpr int kMaxSize = 2048;
    static constexpr int kSegments = 16;     //!< K, segments averaged by the power spectrum
    static constexpr int kOverlap = 16;      //!< samples shared by neighbouring segments
    static constexpr double kPowerFloor = 1e-14; //!< -140 dB
    static constexpr double kNoMax = 1e-90;  //!< what the maxima start from

    // Readings the power spectrum of size n reads: n + (K - 1)(n - overlap).
    static int SpanOf(int nSize) { return nSize + (kSegments - 1) * (nSize - kOverlap); }
    // The sizes offered: 32, 64, ... 2048.
    static QList<int> Sizes();
    // What the user is told when the buffers, or the transform's table, cannot be allocated.
    static QString NoMemoryText();
    static QString NoTableText();

    explicit CFFTAnalysis(std::unique_ptr<CFFT> pFFT = nullptr);
    virtual ~CFFTAnalysis();

    // Allocates the buffers for the largest size once; false when memory is short.
    bool Allocate();
    bool IsAllocated() const { return !m_complex.empty(); }

    // Analyses arrReadings[nStart .. nFinish] (a null record counts as 0). nSize is a power of
    // two in kMinSize..kMaxSize; nWindow a CFFTWindow type. The power spectrum averages the
    // segments the readings fill (up to kSegments, SpanOf(nSize) readings); the frequency
    // spectrum transforms the first nSize readings. Readings past nSize or the span, and buffer
    // places without a reading, are zero. Anything but Done leaves the reason in *pstrError:
    // arguments do not fit (Refused) or the transform could not get its memory (NoMemory).
    enum Outcome { Done, Refused, NoMemory };
    Outcome Run(const QList<CObData*>& arrReadings, int nStart, int nFinish, int nSize, int nWindow,
             bool bPowerSpectrum, QString* pstrError);
    // The same over a document's series (its readings in its own unit), where an overload or a
    // reading of another quantity counts as 0.
    Outcome Run(const CMinMaxSummary& series, int nStart, int nFinish, int nSize, int nWindow, bool bPowerSpectrum,
                QString* pstrError);

    int Size() const { return m_n; }
    int Window() const { return m_window; }
    bool IsPowerSpectrum() const { return m_bPower; }
    int SegmentsUsed() const { return m_nSegmentsUsed; }
    int ReadingsUsed() const { return m_nReadingsUsed; }
    // Power spectrum: Size()/2 values in dB. Frequency spectrum: Size() magnitudes.
    const double* Power() const { return m_power.data(); }
    const double* Spectrum() const { return m_spectrum.data(); }
    const double* InputMagnitude() const { return m_inputMag.data(); }
    double InputMax() const { return m_inputMax; }
    double SpectrumMax() const { return m_spectrumMax; }
    bool HasResult() const { return m_bHasResult; }

protected:
    // Sizes every buffer for the largest transform; throws std::bad_alloc when memory is short.
    virtual void AllocateBuffers();

private:
    Outcome Run(const std::function<float(int)>& fnValue, int nCount, int nStart, int nFinish, int nSize, int nWindow,
                bool bPowerSpectrum, QString* pstrError);
    void ClearBuffers();
    bool Transform();

    std::unique_ptr<CFFT> m_pFFT;
    std::vector<std::complex<float>> m_complex; //!< the transform buffer
    std::vector<double> m_inputMag;  //!< |input| of the frequency spectrum
    std::vector<double> m_spectrum;  //!< |X| of the frequency spectrum
    std::vector<double> m_samples;   //!< the real input of the power spectrum
    std::vector<double> m_power;     //!< the power spectrum, in dB after a run
    int m_n = 0;
    int m_window = -1;
    int m_segments = kSegments;
    int m_overlap = kOverlap;
    int m_span = 0;
    int m_nSegmentsUsed = 0;
    int m_nReadingsUsed = 0;
    bool m_bPower = true;
    bool m_bHasResult = false;
    double m_inputMax = kNoMax;
    double m_spectrumMax = kNoMax;
};
