// "Print &Graph" and "Print &Data" of the scope window.
#include "CPdfText.h"
#include "CPromptRecorder.h"
#include "document/ui/CPrintRX.h"
#include "scope/ui/COSCDlg.h"

#include <QAction>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace {

OscRecord Capture(int nStatus)
{
    OscRecord record;
    record.m_valid = 1;
    for (int i = 0; i < OscRecord::kSamples; ++i)
        record.m_samples[size_t(i)] = float(i) / 100.0f;
    for (int i = 0; i < OscRecord::kBars; ++i)
        record.m_bars[size_t(i)] = float(i % 7);
    record.m_status = nStatus;
    record.m_rateCode = 5;
    record.m_rateText = QStringLiteral("500uS");
    record.m_voltsPerDiv = 1.0;
    record.m_voltsText = QStringLiteral("1.00V/div");
    record.m_vppText = QStringLiteral("2.99V");
    record.m_unit = QStringLiteral("V");
    record.m_trigger = 3;
    record.m_triggerLevel = 1500;
    record.m_year = 2025;
    record.m_date1 = 2;
    record.m_date2 = 3;
    record.m_hour = 4;
    record.m_minute = 5;
    record.m_second = 6;
    return record;
}

class OscPrint : public ::testing::Test
{
protected:
    OscPrint() : m_dlg(m_prompt)
    {
        m_dlg.resize(800, 600);
        m_dlg.show();
    }

    QList<PdfText::CPage> Print(bool bGraph, const QString& strName)
    {
        const QString strPath = m_dir.filePath(strName);
        CPrintRX job;
        EXPECT_EQ(job.StartPrintingToPdf(strPath), 0);
        m_nWidth = job.Width();
        m_nResolution = job.Resolution();
        QString strError;
        EXPECT_TRUE(bGraph ? m_dlg.PrintGraph(job, &strError) : m_dlg.PrintData(job, &strError))
            << strError.toStdString();
        return PdfText::Read(strPath);
    }

    // The words in the column that starts at nColumn column units (u = W/130).
    QStringList Column(const PdfText::CPage& page, int nColumn) const
    {
        const double dPt = 72.0 / m_nResolution;
        const double dMargin = (page.dWidth - m_nWidth * dPt) / 2;
        const double x = dMargin + nColumn * (m_nWidth / 130) * dPt;
        QStringList words;
        for (const PdfText::CWord& word : page.words) {
            if (std::abs(word.dXMin - x) < 1.5)
                words << word.strText;
        }
        return words;
    }

    QTemporaryDir m_dir;
    CPromptRecorder m_prompt;
    COSCDlg m_dlg;
    int m_nWidth = 0;
    int m_nResolution = 0;
};

} // namespace

TEST_F(OscPrint, GraphPageShowsTheScreenAndTheFacts)
{
    m_dlg.ShowWaveform(Capture(4), QStringLiteral("0 02/03/2025 04:05:06"));
    const QList<PdfText::CPage> pages = Print(true, QStringLiteral("graph.pdf"));
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = pages[0].Lines();
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines.mid(lines.size() - 6),
              (QStringList{"Date Time: 02/03/2025 04:05:06", "Voo: 1.00V/div", "Vp-p: 2.99V", "Sample Rate: 500uS",
                           "Status: SINGLE", "Trigger: NO"}))
        << lines.join('|').toStdString();
    // The facts start at the middle of the page; the screen's words are above it.
    const PdfText::CWord* pDate = pages[0].Find(QStringLiteral("Date"));
    ASSERT_TRUE(pDate);
    EXPECT_GT(pDate->dYMin, pages[0].dHeight / 2 - 1);
    EXPECT_LT(pages[0].words.first().dYMin, pages[0].dHeight / 2);
    EXPECT_TRUE(Column(pages[0], 16).contains(QStringLiteral("02/03/2025")));
    EXPECT_TRUE(Column(pages[0], 15).contains(QStringLiteral("NO")));
}

TEST_F(OscPrint, DataTableListsEveryPointOverPages)
{
    m_dlg.ShowWaveform(Capture(2), QStringLiteral("1 | 02/03/2025 04:05:06"));
    const QList<PdfText::CPage> pages = Print(false, QStringLiteral("data.pdf"));
    ASSERT_GE(pages.size(), 2);
    const QStringList first = pages[0].Lines();
    EXPECT_EQ(first.mid(0, 10), (QStringList{"Data Table", "Date Time: 02/03/2025 04:05:06", "Voo: 1.00V/div",
                                             "Vp-p: 2.99V", "Sample Rate: 500uS", "Status: REC", "Trigger: NO",
                                             "ID Amplitude", "1 0.00", "2 0.01"}))
        << first.join('|').toStdString();
    QStringList amplitudes;
    for (int p = 0; p < pages.size(); ++p) {
        const QString strText = pages[p].Text();
        EXPECT_TRUE(strText.contains(QStringLiteral("Page -%1-").arg(p + 1))) << strText.toStdString();
        EXPECT_TRUE(strText.contains(QStringLiteral("Time: ")));
        if (p > 0) {
            EXPECT_EQ(pages[p].Lines().value(0), QStringLiteral("ID Amplitude"));
        }
        QStringList column = Column(pages[p], 14);
        column.removeAll(QStringLiteral("Amplitude"));
        column.removeAll(QStringLiteral("SINGLE"));
        column.removeAll(QStringLiteral("REC"));
        amplitudes += column;
    }
    ASSERT_EQ(amplitudes.size(), OscRecord::kSamples);
    EXPECT_EQ(amplitudes.first(), QStringLiteral("0.00"));
    EXPECT_EQ(amplitudes[150], QStringLiteral("1.50"));
    EXPECT_EQ(amplitudes.last(), QStringLiteral("2.99"));

    // The meter's spectrum: 120 bars with their frequencies, bar 10 at time base 5 is 5.00KHz.
    m_dlg.ShowWaveform(Capture(3), QStringLiteral("0 02/03/2025 04:05:06"));
    m_dlg.OnFft();
    ASSERT_FALSE(m_dlg.ShowTime());
    const QList<PdfText::CPage> bars = Print(false, QStringLiteral("bars.pdf"));
    ASSERT_FALSE(bars.isEmpty());
    const QStringList barLines = bars[0].Lines();
    const qsizetype nHeading = barLines.indexOf(QStringLiteral("ID Amplitude Frequency"));
    ASSERT_EQ(nHeading, 7) << barLines.join('|').toStdString();
    EXPECT_EQ(barLines.value(nHeading + 1), QStringLiteral("1 0.00 0.00KHz"));
    EXPECT_EQ(barLines.value(nHeading + 11), QStringLiteral("11 3.00 5.00KHz"));
    int nFrequencies = 0;
    for (const PdfText::CPage& page : bars)
        nFrequencies += int(Column(page, 25).filter(QRegularExpression(QStringLiteral("Hz$"))).size());
    EXPECT_EQ(nFrequencies, OscRecord::kBars);
}

TEST_F(OscPrint, MenuCommandsUseThePrintDialogAndCancelPrintsNothing)
{
    m_dlg.ShowWaveform(Capture(1), QStringLiteral("0 02/03/2025 04:05:06"));
    const QString strPdf = m_dir.filePath(QStringLiteral("printer.pdf"));
    int nDialogs = 0;
    bool bAccept = false;
    m_dlg.SetPrintDialog([&](QPrinter& printer, QWidget*) {
        ++nDialogs;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(strPdf);
        return bAccept;
    });
    m_dlg.PrintGraphAction()->trigger();
    m_dlg.PrintDataAction()->trigger();
    EXPECT_EQ(nDialogs, 2);
    EXPECT_FALSE(QFile::exists(strPdf));
    bAccept = true;
    m_dlg.PrintGraphAction()->trigger();
    const QList<PdfText::CPage> pages = PdfText::Read(strPdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].Lines().contains(QStringLiteral("Status: HOLD")));
    EXPECT_EQ(m_dlg.PrintGraphAction()->text(), QStringLiteral("Print &Graph"));
    EXPECT_EQ(m_dlg.PrintDataAction()->text(), QStringLiteral("Print &Data"));
    EXPECT_TRUE(m_prompt.Texts().isEmpty());
}
