// The FFT routine, the windows and the two spectra, against a direct DFT in double precision.
#include "document/CObData.h"
#include "fft/CFFT.h"
#include "fft/CFFTAnalysis.h"
#include "fft/CFFTWindow.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Complex = std::complex<double>;

// X[k] = sum x[n] e^(-2 pi i n k / N), with exact angles from a table.
std::vector<Complex> DirectDft(const std::vector<Complex>& x)
{
    const size_t n = x.size();
    std::vector<Complex> roots(n);
    for (size_t k = 0; k < n; ++k)
        roots[k] = std::polar(1.0, -2.0 * std::numbers::pi * double(k) / double(n));
    std::vector<Complex> result(n);
    for (size_t k = 0; k < n; ++k) {
        Complex sum;
        for (size_t j = 0; j < n; ++j)
            sum += x[j] * roots[(j * k) % n];
        result[k] = sum;
    }
    return result;
}

// The windows written out again from their definitions.
double Weight(int nWindow, int i, int n)
{
    const double dPi = std::numbers::pi;
    switch (nWindow) {
    case 0:
        return 0.54 - 0.46 * std::cos(2 * dPi * i / (n - 1));
    case 1:
        return 0.5 - 0.5 * std::cos(2 * dPi * i / (n - 1));
    case 2:
        return i <= (n - 1) / 2 ? 2.0 * i / (n - 1) : 2.0 - 2.0 * i / (n - 1);
    case 3:
        return 0.42 - 0.5 * std::cos(2 * dPi * i / (n - 1)) + 0.08 * std::cos(4 * dPi * i / (n - 1));
    case 4:
        return 0.35875 - 0.48829 * std::cos(2 * dPi * i / n) + 0.14128 * std::cos(4 * dPi * i / n)
            - 0.01168 * std::cos(6 * dPi * i / n);
    default:
        return 1.0;
    }
}

// Owns the records of a reading list.
struct CReadings
{
    QList<CObData*> arr;
    explicit CReadings(const std::vector<double>& values)
    {
        for (double d : values)
            arr << new CObData(d, "mV", 0.0, int(arr.size()), "t" + QString::number(arr.size()), "VDC", 10.0f);
    }
    ~CReadings() { qDeleteAll(arr); }
};

std::vector<double> Noise(size_t n, unsigned nSeed)
{
    std::mt19937 rng(nSeed);
    std::normal_distribution<double> dist(3.0, 5.0);
    std::vector<double> values(n);
    for (double& d : values)
        d = dist(rng);
    return values;
}

double Norm1(const std::vector<Complex>& x)
{
    double d = 0.0;
    for (const Complex& c : x)
        d += std::abs(c);
    return d;
}

// Float transforms lose a few units of the last place per stage.
double Tolerance(int nOrder, double dScale)
{
    return 4.0 * nOrder * 1.2e-7 * dScale;
}

class CFailingFFT : public CFFT
{
protected:
    void AllocateTable(std::vector<std::complex<float>>&, std::size_t) override { throw std::bad_alloc(); }
};

class CFailingAnalysis : public CFFTAnalysis
{
protected:
    void AllocateBuffers() override { throw std::bad_alloc(); }
};

} // namespace

TEST(FFT, EverySizeMatchesADirectDft)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> dist(-100.0f, 100.0f);
    CFFT fft;
    for (int nOrder = 1; nOrder <= 11; ++nOrder) {
        const size_t n = size_t(1) << nOrder;
        std::vector<std::complex<float>> data(n);
        std::vector<Complex> exact(n);
        for (size_t i = 0; i < n; ++i) {
            data[i] = {dist(rng), dist(rng)};
            exact[i] = Complex(data[i]);
        }
        ASSERT_TRUE(fft.Transform(data.data(), nOrder));
        const std::vector<Complex> want = DirectDft(exact);
        const double dTol = Tolerance(nOrder, Norm1(exact));
        for (size_t k = 0; k < n; ++k)
            ASSERT_LE(std::abs(Complex(data[k]) - want[k]), dTol) << "N=" << n << " k=" << k;
    }
}

TEST(FFT, TheTwiddleTableIsReusedForTheSameSizeOnly)
{
    CFFT fft;
    std::vector<std::complex<float>> data(1024);
    ASSERT_TRUE(fft.Transform(data.data(), 8));
    ASSERT_TRUE(fft.Transform(data.data(), 8));
    EXPECT_EQ(fft.TableBuilds(), 1);
    ASSERT_TRUE(fft.Transform(data.data(), 10));
    EXPECT_EQ(fft.TableBuilds(), 2);
    EXPECT_EQ(fft.TableOrder(), 10);
    EXPECT_FALSE(fft.Transform(data.data(), 0));
    EXPECT_FALSE(fft.Transform(data.data(), CFFT::kMaxOrder + 1));
}

TEST(FFT, AFailedTableAllocationIsReportedAndLeavesTheDataAlone)
{
    CFailingFFT fft;
    std::vector<std::complex<float>> data = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
    const auto before = data;
    EXPECT_FALSE(fft.Transform(data.data(), 2));
    EXPECT_EQ(data, before);

    CFFTAnalysis analysis(std::make_unique<CFailingFFT>());
    ASSERT_TRUE(analysis.Allocate());
    CReadings readings(Noise(64, 1));
    QString strError;
    EXPECT_EQ(analysis.Run(readings.arr, 0, 63, 32, -1, false, &strError), CFFTAnalysis::NoMemory);
    EXPECT_EQ(strError, "Unable to allocate complex W array");
    EXPECT_FALSE(analysis.HasResult());

    CFailingAnalysis noBuffers;
    EXPECT_FALSE(noBuffers.Allocate());
    EXPECT_EQ(noBuffers.Run(readings.arr, 0, 63, 32, -1, false, &strError), CFFTAnalysis::NoMemory);
    EXPECT_EQ(strError, "Failed to new memory!");
}

TEST(FFTAnalysis, FrequencySpectrumOfEverySizeAndWindowMatchesADirectDft)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    for (const int n : CFFTAnalysis::Sizes()) {
        const std::vector<double> values = Noise(size_t(n) + 7, unsigned(n));
        CReadings readings(values);
        for (int nWindow = -1; nWindow < CFFTWindow::kCount; ++nWindow) {
            QString strError;
            ASSERT_EQ(analysis.Run(readings.arr, 3, int(values.size()) - 1, n, nWindow, false, &strError),
                      CFFTAnalysis::Done) << qPrintable(strError);
            std::vector<Complex> x(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                x[size_t(i)] = double(float(values[size_t(i + 3)])) * Weight(nWindow, i, n);
            const std::vector<Complex> want = DirectDft(x);
            const double dTol = Tolerance(std::countr_zero(unsigned(n)), Norm1(x));
            double dMax = 0.0;
            for (int k = 0; k < n; ++k) {
                ASSERT_NEAR(analysis.Spectrum()[k], std::abs(want[size_t(k)]), dTol)
                    << "N=" << n << " window=" << nWindow << " k=" << k;
                dMax = std::max(dMax, std::abs(want[size_t(k)]));
            }
            EXPECT_NEAR(analysis.SpectrumMax(), dMax, dTol);
            EXPECT_NEAR(analysis.InputMagnitude()[0], std::abs(float(values[3])), 1e-6);
        }
    }
}

TEST(FFTAnalysis, PowerSpectrumOfEverySizeAndWindowMatchesAveragedDirectDfts)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    for (const int n : CFFTAnalysis::Sizes()) {
        const int nSpan = CFFTAnalysis::SpanOf(n), nHop = n - CFFTAnalysis::kOverlap;
        const std::vector<double> values = Noise(size_t(nSpan) + 100, unsigned(n) + 1);
        CReadings readings(values);
        for (int nWindow = -1; nWindow < CFFTWindow::kCount; ++nWindow) {
            ASSERT_EQ(analysis.Run(readings.arr, 0, int(values.size()) - 1, n, nWindow, true, nullptr),
                      CFFTAnalysis::Done);
            EXPECT_EQ(analysis.SegmentsUsed(), CFFTAnalysis::kSegments);
            EXPECT_EQ(analysis.ReadingsUsed(), nSpan);
            std::vector<double> power(static_cast<size_t>(n), 0.0);
            double dEnergy = 0.0;
            for (int s = 0; s < CFFTAnalysis::kSegments; ++s) {
                std::vector<Complex> x(static_cast<size_t>(n));
                for (int i = 0; i < n; ++i)
                    x[size_t(i)] = double(float(values[size_t(i + s * nHop)])) * Weight(nWindow, i, n);
                const std::vector<Complex> X = DirectDft(x);
                for (int k = 0; k < n; ++k)
                    power[size_t(k)] += std::norm(X[size_t(k)]) / (double(n) * n) / CFFTAnalysis::kSegments;
                dEnergy = std::max(dEnergy, Norm1(x) * Norm1(x) / (double(n) * n));
            }
            const double dTol = 2.0 * Tolerance(std::countr_zero(unsigned(n)), dEnergy);
            for (int k = 0; k < n / 2; ++k) {
                const double dGot = std::pow(10.0, analysis.Power()[k] / 10.0);
                const double dWant = std::max(power[size_t(k)], CFFTAnalysis::kPowerFloor);
                ASSERT_NEAR(dGot, dWant, dTol) << "N=" << n << " window=" << nWindow << " k=" << k;
            }
        }
    }
}

TEST(FFTAnalysis, EqualReadingsGiveOnlyBinZeroOfNTimesTheValue)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    CReadings readings(std::vector<double>(64, -2.5));
    ASSERT_EQ(analysis.Run(readings.arr, 0, 63, 64, CFFTWindow::kNone, false, nullptr), CFFTAnalysis::Done);
    EXPECT_FLOAT_EQ(analysis.Spectrum()[0], 64 * 2.5);
    for (int k = 1; k < 64; ++k)
        EXPECT_EQ(analysis.Spectrum()[k], 0.0) << k;
    EXPECT_FLOAT_EQ(analysis.SpectrumMax(), 160.0);
    EXPECT_FLOAT_EQ(analysis.InputMax(), 2.5);
}

TEST(FFTAnalysis, ZerosGiveMinus140DbEverywhere)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    CReadings readings(std::vector<double>(5000, 0.0));
    for (const int n : {32, 2048}) {
        ASSERT_EQ(analysis.Run(readings.arr, 0, 4999, n, CFFTWindow::kHanning, true, nullptr), CFFTAnalysis::Done);
        for (int k = 0; k < n / 2; ++k)
            ASSERT_DOUBLE_EQ(analysis.Power()[k], -140.0) << k;
        EXPECT_DOUBLE_EQ(analysis.SpectrumMax(), 140.0);
        EXPECT_DOUBLE_EQ(analysis.InputMax(), CFFTAnalysis::kNoMax);
    }
}

TEST(FFTAnalysis, ElevenReadingsOfSize32AreFollowedByZeros)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    std::vector<double> values(40);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = 1.0 + double(i);
    CReadings readings(values);
    ASSERT_EQ(analysis.Run(readings.arr, 5, 15, 32, CFFTWindow::kNone, false, nullptr), CFFTAnalysis::Done);
    EXPECT_EQ(analysis.ReadingsUsed(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(analysis.InputMagnitude()[i], values[size_t(5 + i)]) << i;
    for (int i = 11; i < 32; ++i)
        EXPECT_EQ(analysis.InputMagnitude()[i], 0.0) << i;
    EXPECT_DOUBLE_EQ(analysis.Spectrum()[0], 6.0 * 11 + 55.0); // the sum of readings 5..15
}

TEST(FFTAnalysis, PowerOfAToneDoesNotDependOnHowManySegmentsHoldReadings)
{
    // A tone of amplitude 2 on bin 4 of 64 has power (2/2)^2 = 1, that is 0 dB, whether one
    // segment or all sixteen hold readings.
    std::vector<double> values(size_t(CFFTAnalysis::SpanOf(64)));
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = 2.0 * std::cos(2 * std::numbers::pi * 4 * double(i) / 64);
    CReadings readings(values);
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    ASSERT_EQ(analysis.Run(readings.arr, 0, 63, 64, CFFTWindow::kNone, true, nullptr), CFFTAnalysis::Done);
    EXPECT_EQ(analysis.SegmentsUsed(), 1);
    EXPECT_NEAR(analysis.Power()[4], 0.0, 1e-4);
    ASSERT_EQ(analysis.Run(readings.arr, 0, int(values.size()) - 1, 64, CFFTWindow::kNone, true, nullptr),
              CFFTAnalysis::Done);
    EXPECT_EQ(analysis.SegmentsUsed(), 16);
    EXPECT_NEAR(analysis.Power()[4], 0.0, 1e-4);
    // 120 readings fill segments 0 and 1 (readings 48..111); 8 are left over.
    ASSERT_EQ(analysis.Run(readings.arr, 0, 119, 64, CFFTWindow::kNone, true, nullptr), CFFTAnalysis::Done);
    EXPECT_EQ(analysis.SegmentsUsed(), 2);
    EXPECT_EQ(analysis.ReadingsUsed(), 112);
    EXPECT_NEAR(analysis.Power()[4], 0.0, 1e-4);
    // Fewer readings than one segment: zeros after them.
    ASSERT_EQ(analysis.Run(readings.arr, 0, 9, 64, CFFTWindow::kNone, true, nullptr), CFFTAnalysis::Done);
    EXPECT_EQ(analysis.SegmentsUsed(), 1);
    EXPECT_EQ(analysis.ReadingsUsed(), 10);
}

TEST(FFTAnalysis, RefusesWhatDoesNotFit)
{
    CFFTAnalysis analysis;
    ASSERT_TRUE(analysis.Allocate());
    CReadings readings(Noise(100, 5));
    QString strError;
    EXPECT_EQ(analysis.Run(readings.arr, 10, 5, 32, -1, true, &strError), CFFTAnalysis::Refused);
    EXPECT_EQ(analysis.Run(readings.arr, 0, 100, 32, -1, true, &strError), CFFTAnalysis::Refused);
    EXPECT_EQ(analysis.Run(readings.arr, -1, 50, 32, -1, true, &strError), CFFTAnalysis::Refused);
    EXPECT_EQ(analysis.Run(readings.arr, 0, 50, 48, -1, true, &strError), CFFTAnalysis::Refused);
    EXPECT_EQ(analysis.Run(readings.arr, 0, 50, 4096, -1, true, &strError), CFFTAnalysis::Refused);
    EXPECT_FALSE(strError.isEmpty());
    // A null record counts as zero.
    QList<CObData*> arrWithGap = {readings.arr[0], nullptr, readings.arr[2]};
    EXPECT_EQ(analysis.Run(arrWithGap, 0, 2, 32, -1, false, &strError), CFFTAnalysis::Done);
    EXPECT_EQ(analysis.InputMagnitude()[1], 0.0);
}
