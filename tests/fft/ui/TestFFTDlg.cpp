// The "FFT Analysis" dialog: its controls, a run, and the paths where memory runs out.
#include "fft/ui/CFFTDlg.h"

#include "CImageCheck.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "fft/CFFTAnalysis.h"
#include "fft/ui/CFFTGraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::unique_ptr<CMyTalvaDoc> MakeDoc(int nCount)
{
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (int i = 0; i < nCount; ++i) {
        const double dValue = 3.0 * std::sin(i * 0.7) + std::cos(i * 2.1);
        pDoc->AddReading(0, "mV", i, QStringLiteral("10:00:%1").arg(i, 2, 10, QLatin1Char('0')), "VDC",
                         dValue, 0.0, 10.0f, float(dValue));
    }
    return pDoc;
}

class CFailingAnalysis : public CFFTAnalysis
{
protected:
    void AllocateBuffers() override { throw std::bad_alloc(); }
};

class CNoTableFFT : public CFFT
{
protected:
    void AllocateTable(std::vector<std::complex<float>>&, std::size_t) override { throw std::bad_alloc(); }
};

} // namespace

using ImageCheck::CountColor;
using ImageCheck::SaveShot;

TEST(FFTDlg, ShowsTheSelectionAndTheChoices)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc(50);
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 4, 14, prompt);
    EXPECT_EQ(dlg.windowTitle(), "FFT Analysis");
    EXPECT_EQ(dlg.StartTimeEdit()->text(), "10:00:04");
    EXPECT_EQ(dlg.FinishTimeEdit()->text(), "10:00:14");
    EXPECT_EQ(dlg.NumberEdit()->text(), "11");
    QStringList sizes, filters;
    for (int i = 0; i < dlg.SizeBox()->count(); ++i)
        sizes << dlg.SizeBox()->itemText(i);
    for (int i = 0; i < dlg.FilterBox()->count(); ++i)
        filters << dlg.FilterBox()->itemText(i);
    EXPECT_EQ(sizes, QStringList({"32", "64", "128", "256", "512", "1024", "2048"}));
    EXPECT_EQ(filters, QStringList({"None", "Hamming", "Hanning", "Triangle", "Blackman", "4 term Blackman-Harris"}));
    EXPECT_EQ(dlg.SizeBox()->currentIndex(), 0);
    EXPECT_EQ(dlg.FilterBox()->currentIndex(), 0);
    EXPECT_TRUE(dlg.PowerButton()->isChecked());
    EXPECT_FALSE(dlg.FrequencyButton()->isChecked());
    EXPECT_TRUE(prompt.Texts().isEmpty());
}

TEST(FFTDlg, RunDrawsTheChosenSpectrum)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc(3000);
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 0, 2999, prompt);
    dlg.show();
    const QImage empty = dlg.Graph()->grab().toImage();
    EXPECT_EQ(CountColor(empty, dlg.Graph()->PlotRect(), qRgb(0, 0, 255), 60), 0);

    dlg.SizeBox()->setCurrentIndex(2); // 128
    dlg.FilterBox()->setCurrentIndex(2); // Hanning
    QTest::mouseClick(dlg.RunButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg.Analysis().HasResult());
    EXPECT_EQ(dlg.Analysis().Size(), 128);
    EXPECT_EQ(dlg.Analysis().Window(), 1);
    EXPECT_TRUE(dlg.Analysis().IsPowerSpectrum());
    EXPECT_EQ(dlg.Analysis().SegmentsUsed(), 16);
    const QImage power = dlg.Graph()->grab().toImage();
    SaveShot(dlg.grab().toImage(), "fft_power.png");
    EXPECT_GT(CountColor(power, dlg.Graph()->PlotRect(), qRgb(0, 0, 255), 60), 100);
    // The title in navy, the grid in dark green.
    EXPECT_GT(CountColor(power, QRect(0, 0, power.width(), 25), qRgb(0, 0, 128), 40), 5);
    EXPECT_GT(CountColor(power, dlg.Graph()->PlotRect(), qRgb(0, 96, 0), 10), 100);

    QTest::mouseClick(dlg.FrequencyButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.RunButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.Analysis().IsPowerSpectrum());
    const QImage frequency = dlg.Graph()->grab().toImage();
    SaveShot(dlg.grab().toImage(), "fft_frequency.png");
    EXPECT_NE(power, frequency);
    EXPECT_TRUE(prompt.Texts().isEmpty());
}

TEST(FFTDlg, WithoutMemoryForItsBuffersItSaysSoAndCloses)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc(50);
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 0, 49, prompt, nullptr, std::make_unique<CFailingAnalysis>());
    EXPECT_FALSE(dlg.IsReady());
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(prompt.Texts(), QStringList("Failed to new memory!"));
}

TEST(FFTDlg, WithoutMemoryForTheTransformItSaysSoAndCloses)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc(50);
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 0, 49, prompt, nullptr,
                std::make_unique<CFFTAnalysis>(std::make_unique<CNoTableFFT>()));
    ASSERT_TRUE(dlg.IsReady());
    QTimer::singleShot(0, &dlg, [&dlg] { QTest::mouseClick(dlg.RunButton(), Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(prompt.Texts(), QStringList("Unable to allocate complex W array"));
}

TEST(FFTDlg, ARangeTheDocumentNoLongerHoldsIsRefused)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = MakeDoc(10);
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 2, 40, prompt);
    EXPECT_EQ(dlg.FinishTimeEdit()->text(), "");
    dlg.OnRun();
    EXPECT_FALSE(dlg.Analysis().HasResult());
    ASSERT_EQ(prompt.Texts().size(), 1);
    EXPECT_EQ(prompt.Texts().front(), "The selected readings are no longer in the document.");
}
