// The "FFT Analysis" dialog: its controls, a run, and the paths where memory runs out.
#include "fft/ui/CFFTDlg.h"

#include "CImageCheck.h"
#include "CPdfText.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "draw/CFFTPainter.h"
#include "draw/CPageJob.h"
#include "fft/CFFTAnalysis.h"
#include "fft/ui/CFFTGraph.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
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

namespace {

// The words of the dialog's graph drawn on a page, as a reader of the PDF sees them.
PdfText::CPage GraphWords(const CFFTDlg& dlg, const QString& strPath)
{
    CPageJob job;
    EXPECT_EQ(job.StartPrintingToPdf(strPath), 0);
    EXPECT_EQ(job.StartDocument(), 0);
    EXPECT_EQ(job.StartPrintPage(), 0);
    job.Painter().setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    CFFTPainter::Draw(job.Painter(), QRect(0, 0, job.Width(), job.Height() / 2), &dlg.Analysis(),
                      dlg.Graph()->SampleInterval());
    job.EndPage();
    EXPECT_TRUE(job.EndDocument());
    return PdfText::Read(strPath).value(0);
}

} // namespace

TEST(FFTDlg, TheAxesReadFrequencyInHertzAndDecibelsOrMagnitude)
{
    // Two readings a second: frequencies up to 1 Hz in the power spectrum, 2 Hz in the magnitude one.
    auto pDoc = std::make_unique<CMyTalvaDoc>();
    for (int i = 0; i < 600; ++i) {
        const double dValue = std::sin(i * 0.9);
        pDoc->AddReading(0, "mV", i, QStringLiteral("1/2/25 10:%1:%2").arg(i / 120, 2, 10, QLatin1Char('0')).arg(i / 2 % 60, 2, 10, QLatin1Char('0')),
                         "VDC", dValue, 0.0, 10.0f, float(dValue));
    }
    CPromptRecorder prompt;
    CFFTDlg dlg(pDoc.get(), 0, 599, prompt);
    EXPECT_DOUBLE_EQ(dlg.SampleInterval(), 0.5);
    dlg.SizeBox()->setCurrentIndex(1); // 64
    dlg.OnRun();
    ASSERT_TRUE(dlg.Analysis().HasResult());
    EXPECT_DOUBLE_EQ(CFFTPainter::XAxisEnd(dlg.Analysis(), 0.5), 1.0);
    QTemporaryDir dir;
    PdfText::CPage page = GraphWords(dlg, dir.filePath("power.pdf"));
    QString strText = page.Text();
    EXPECT_TRUE(strText.contains("Frequency (Hz)")) << strText.toStdString();
    EXPECT_TRUE(strText.contains("Power (dB)"));
    EXPECT_TRUE(page.Find("0.50") && page.Find("1.00")) << strText.toStdString();
    dlg.resize(900, 600);
    dlg.show();
    SaveShot(dlg.grab().toImage(), "fft-axes.png");

    QTest::mouseClick(dlg.FrequencyButton(), Qt::LeftButton);
    dlg.OnRun();
    EXPECT_DOUBLE_EQ(CFFTPainter::XAxisEnd(dlg.Analysis(), 0.5), 2.0);
    page = GraphWords(dlg, dir.filePath("magnitude.pdf"));
    strText = page.Text();
    EXPECT_TRUE(strText.contains("Magnitude")) << strText.toStdString();
    EXPECT_TRUE(page.Find("2.0") || page.Find("2.00") || page.Find("2")) << strText.toStdString();

    // Readings without readable times: the axis counts bins.
    std::unique_ptr<CMyTalvaDoc> pUntimed = MakeDoc(100);
    CFFTDlg untimed(pUntimed.get(), 0, 99, prompt);
    EXPECT_TRUE(std::isnan(untimed.SampleInterval()));
    untimed.OnRun();
    page = GraphWords(untimed, dir.filePath("bins.pdf"));
    EXPECT_TRUE(page.Text().contains("Bin")) << page.Text().toStdString();
    EXPECT_TRUE(page.Find("16.0")) << page.Text().toStdString(); // N / 2 of the 32-point power spectrum
}
