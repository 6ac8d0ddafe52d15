// Export To Excel, Print Graph, Print Data and Copy Graph of a document's view.
#include "CPdfText.h"
#include "CPromptRecorder.h"
#include "document/CMyTalvaDoc.h"
#include "document/CReadingsExport.h"
#include "document/ui/CMyTalvaView.h"
#include "document/ui/CPrintRX.h"
#include "draw/CReadingsPrinter.h"
#include "graph/CGraphDlg.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ReadingsPrint : public ::testing::Test
{
protected:
    // A view of a loaded document with n readings "t1", "t2", ... of value i / 2.
    std::unique_ptr<CMyTalvaView> View(int n, const QList<int>& overloads = {}, const QList<int>& negOverloads = {})
    {
        auto pDoc = std::make_unique<CMyTalvaDoc>();
        for (int i = 1; i <= n; ++i) {
            double d = i / 2.0;
            if (overloads.contains(i))
                d = CObData::kOverload;
            if (negOverloads.contains(i))
                d = -CObData::kOverload;
            pDoc->AddReading(0, QStringLiteral("V"), i - 1, QStringLiteral("t%1").arg(i), QStringLiteral("VDC"), d, 0.0,
                             1000.0f, float(d));
        }
        auto pView = std::make_unique<CMyTalvaView>(CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), nullptr), m_prompt);
        pView->m_bLive = false;
        pView->resize(900, 600);
        pView->OnInitialUpdate();
        return pView;
    }

    // Prints into a PDF file through the given member; W and the resolution of the job.
    QList<PdfText::CPage> Print(CMyTalvaView& view, bool bGraph, const QString& strName)
    {
        const QString strPath = m_dir.filePath(strName);
        CPrintRX job;
        EXPECT_EQ(job.StartPrintingToPdf(strPath), 0);
        m_nWidth = job.Width();
        m_nResolution = job.Resolution();
        QString strError;
        EXPECT_TRUE(bGraph ? view.PrintGraph(job, &strError) : view.PrintData(job, &strError)) << strError.toStdString();
        return PdfText::Read(strPath);
    }

    // The readings on a page: their times (the first page's header shows three more).
    static int RowsOn(const PdfText::CPage& page, bool bFirst = false)
    {
        static const QRegularExpression reTime(QStringLiteral("^t[0-9]+$"));
        int n = 0;
        for (const PdfText::CWord& word : page.words)
            n += reTime.match(word.strText).hasMatch() ? 1 : 0;
        return bFirst ? n - 3 : n;
    }

    QTemporaryDir m_dir;
    CPromptRecorder m_prompt;
    int m_nWidth = 0;
    int m_nResolution = 0;
};

} // namespace

TEST_F(ReadingsPrint, DataTablePagesHeadersFootersAndTheFullFirstPage)
{
    auto pView = View(300, {2}, {3});
    const QList<PdfText::CPage> pages = Print(*pView, false, QStringLiteral("data.pdf"));
    ASSERT_GE(pages.size(), 3);
    const QStringList first = pages[0].Lines();
    ASSERT_GT(first.size(), 10);
    EXPECT_EQ(first.mid(0, 7), (QStringList{"Data Table", "Start Time t1", "MaxNUM 150.00 t300", "MinNUM 0.50 t1",
                                            "Average 75.75", "ID DateTime Unit Value", "1 t1 V 0.50"}))
        << first.join('|').toStdString();
    // Both overload values print "OL".
    EXPECT_EQ(first.mid(7, 3), (QStringList{"2 t2 V OL", "3 t3 V OL", "4 t4 V 2.00"}));

    // The first page holds rows - 6 readings, the others rows each.
    const int nFirst = RowsOn(pages[0], true);
    const int nRows = nFirst + 6;
    ASSERT_GT(nFirst, 10);
    int nTotal = 0;
    for (int p = 0; p < pages.size(); ++p) {
        const QString strText = pages[p].Text();
        EXPECT_TRUE(strText.contains(QStringLiteral("Page -%1-").arg(p + 1))) << strText.toStdString();
        EXPECT_TRUE(strText.contains(QStringLiteral("Time: "))) << p;
        EXPECT_TRUE(strText.contains(QStringLiteral("Data Table")));
        if (p > 0) {
            EXPECT_EQ(pages[p].Lines().mid(0, 2), (QStringList{"Data Table", "ID DateTime Unit Value"}));
            EXPECT_FALSE(strText.contains(QStringLiteral("MaxNUM")));
        }
        if (p > 0 && p + 1 < pages.size()) {
            EXPECT_EQ(RowsOn(pages[p]), nRows) << p;
        }
        nTotal += RowsOn(pages[p], p == 0);
    }
    EXPECT_EQ(nTotal, 300);

    // The title: W/4 - 5u on the first page, W/4 - 4u on the others (u = W/130 device pixels).
    const double dPt = 72.0 / m_nResolution;
    const int u = m_nWidth / 130;
    const double dMargin = (pages[0].dWidth - m_nWidth * dPt) / 2;
    const PdfText::CWord* pTitle1 = pages[0].Find(QStringLiteral("Data"));
    const PdfText::CWord* pTitle2 = pages[1].Find(QStringLiteral("Data"));
    ASSERT_TRUE(pTitle1 && pTitle2);
    EXPECT_NEAR(pTitle2->dXMin - pTitle1->dXMin, u * dPt, 0.05);
    EXPECT_NEAR(pTitle1->dXMin, dMargin + (m_nWidth / 4 - 5 * u) * dPt, 1.0);
    EXPECT_NEAR(pTitle2->dXMin, dMargin + (m_nWidth / 4 - 4 * u) * dPt, 1.0);

    // Exactly enough readings to fill the first page: a second page with only the
    // continuation header and the footer.
    auto pFull = View(nRows - 6);
    const QList<PdfText::CPage> full = Print(*pFull, false, QStringLiteral("full.pdf"));
    ASSERT_EQ(full.size(), 2);
    EXPECT_EQ(RowsOn(full[0], true), nRows - 6);
    EXPECT_EQ(RowsOn(full[1]), 0);
    const QStringList second = full[1].Lines();
    ASSERT_EQ(second.size(), 3) << second.join('|').toStdString();
    EXPECT_EQ(second.mid(0, 2), (QStringList{"Data Table", "ID DateTime Unit Value"}));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Time: [0-9]+-[0-9]+-[0-9]+ [0-9]+:[0-9]+:[0-9]+ Page -2-$"))
                    .match(second[2])
                    .hasMatch())
        << second[2].toStdString();
    EXPECT_TRUE(full[0].Text().contains(QStringLiteral("Page -1-")));

    // One reading fewer fits on one page.
    auto pOne = View(nRows - 7);
    EXPECT_EQ(Print(*pOne, false, QStringLiteral("one.pdf")).size(), 1);

    // Progress after every page; giving up after the second leaves no file and no reason.
    QList<qint64> progress;
    const QString strGivenUp = m_dir.filePath(QStringLiteral("given-up.pdf"));
    {
        CPrintRX job;
        ASSERT_EQ(job.StartPrintingToPdf(strGivenUp), 0);
        QString strError = QStringLiteral("unset");
        EXPECT_FALSE(CReadingsPrinter::PrintData(job, *pView->GetDocument(), QDateTime::currentDateTime(), &strError,
                                                 [&](qint64 nDone, qint64 nTotal) {
                                                     EXPECT_EQ(nTotal, 300);
                                                     progress << nDone;
                                                     return progress.size() < 2;
                                                 }));
        EXPECT_TRUE(strError.isEmpty());
    }
    EXPECT_EQ(progress, (QList<qint64>{nRows - 6, 2 * nRows - 6}));
    EXPECT_FALSE(QFile::exists(strGivenUp));
}

TEST_F(ReadingsPrint, GraphPageHasTitleDateAndTheStatisticsLines)
{
    auto pView = View(40);
    const QList<PdfText::CPage> pages = Print(*pView, true, QStringLiteral("graph.pdf"));
    ASSERT_EQ(pages.size(), 1);
    const PdfText::CPage& page = pages[0];
    const QString strText = page.Lines().join(u'\n');
    const PdfText::CWord* pTitle = page.Find(QStringLiteral("Graph"));
    ASSERT_TRUE(pTitle);
    EXPECT_NEAR((pTitle->dXMin + pTitle->dXMax) / 2, page.dWidth / 2, 2.0); // centred
    static const QRegularExpression reDate(QStringLiteral("[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]+:[0-9]+:[0-9]+"));
    EXPECT_TRUE(reDate.match(strText).hasMatch()) << strText.toStdString();

    const QStringList lines = {QStringLiteral("Start Time: t1"), QStringLiteral("End Time: t40"),
                               QStringLiteral("Maximum: 20.0000 t40"), QStringLiteral("Minimum: 0.5000 t1"),
                               QStringLiteral("Average: 10.2500"), QStringLiteral("Data Number: 40"),
                               QStringLiteral("Function: VDC"), QStringLiteral("Unit: V")};
    QList<double> ys;
    for (const QString& strLine : lines) {
        EXPECT_TRUE(strText.contains(strLine)) << strLine.toStdString() << "\n" << strText.toStdString();
        const PdfText::CWord* pWord = page.Find(strLine.section(u' ', 0, 0));
        ASSERT_TRUE(pWord) << strLine.toStdString();
        ys << pWord->dYMin;
    }
    // From the middle of the page down, one line apart; the graph's labels are above.
    EXPECT_GT(ys[0], page.dHeight / 2 - 1);
    for (int i = 1; i < ys.size(); ++i)
        EXPECT_NEAR(ys[i] - ys[i - 1], ys[1] - ys[0], 0.5);
    EXPECT_LT(pTitle->dYMin, ys[0]);
    // The graph's y labels left of its plot in the upper half, all different and with no more
    // decimals than that takes (a span of 23.4 in steps of 2.34 needs none), and its titles.
    static const QRegularExpression reLabel(QStringLiteral("^-?[0-9]+$"));
    const PdfText::CWord* pZero = page.Find(QStringLiteral("0")); // the first x label, centred on the y axis
    ASSERT_TRUE(pZero) << strText.toStdString();
    QStringList labels;
    for (const PdfText::CWord& word : page.words) {
        if (reLabel.match(word.strText).hasMatch() && word.dYMax < page.dHeight / 2
            && word.dXMax < (pZero->dXMin + pZero->dXMax) / 2)
            labels << word.strText;
    }
    EXPECT_EQ(labels.size(), 11) << strText.toStdString();
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), 11) << labels.join(' ').toStdString();
    EXPECT_TRUE(strText.contains(QStringLiteral("Value (V)"))) << strText.toStdString();
    EXPECT_TRUE(strText.contains(QStringLiteral("Reading")));
}

TEST_F(ReadingsPrint, CommandsGoThroughTheirDialogsAndCancelPrintsNothing)
{
    auto pView = View(12);
    const QString strPdf = m_dir.filePath(QStringLiteral("printer.pdf"));
    int nDialogs = 0;
    bool bAccept = false;
    pView->m_fnPrintDialog = [&](QPrinter& printer, QWidget*) {
        ++nDialogs;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(strPdf);
        return bAccept;
    };
    pView->OnPrintGraph();
    pView->OnPrintData();
    EXPECT_EQ(nDialogs, 2);
    EXPECT_FALSE(QFile::exists(strPdf));

    bAccept = true;
    pView->OnPrintData();
    EXPECT_EQ(PdfText::Read(strPdf).size(), 1);
    QFile::remove(strPdf);
    pView->OnPrintGraph();
    const QList<PdfText::CPage> graph = PdfText::Read(strPdf);
    ASSERT_EQ(graph.size(), 1);
    EXPECT_TRUE(graph[0].Lines().contains(QStringLiteral("Data Number: 12")));
    EXPECT_TRUE(m_prompt.Texts().isEmpty());

    // Export: the proposed name, cancel, a file that cannot be created, a written file.
    QString strSuggested;
    QString strAnswer;
    pView->m_fnExportFileName = [&](const QString& str) {
        strSuggested = str;
        return strAnswer;
    };
    pView->OnExportToExcel();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]{4}-[0-9]{1,2}-[0-9]{1,2} [0-9]{1,2}-[0-9]{1,2}\\.xls$"))
                    .match(strSuggested)
                    .hasMatch())
        << strSuggested.toStdString();
    strAnswer = m_dir.filePath(QStringLiteral("missing/out.xls"));
    pView->OnExportToExcel();
    EXPECT_FALSE(QFile::exists(strAnswer));
    ASSERT_EQ(m_prompt.Texts().size(), 1);
    EXPECT_TRUE(m_prompt.Texts()[0].contains(QStringLiteral("out.xls")));
    strAnswer = m_dir.filePath(QStringLiteral("out.xls"));
    pView->OnExportToExcel();
    QFile file(strAnswer);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), CReadingsExport::XlsBytes(*pView->GetDocument()));
    EXPECT_EQ(m_prompt.Texts().size(), 1);

    // A document without readings: no dialog at all.
    CMyTalvaView empty(std::make_unique<CMyTalvaDoc>(), m_prompt);
    empty.m_fnPrintDialog = pView->m_fnPrintDialog;
    int nAsked = 0;
    empty.m_fnExportFileName = [&](const QString&) {
        ++nAsked;
        return QString();
    };
    nDialogs = 0;
    empty.OnPrintGraph();
    empty.OnPrintData();
    empty.OnExportToExcel();
    EXPECT_EQ(nDialogs + nAsked, 0);
}

TEST_F(ReadingsPrint, CopyGraphPutsThePictureOnTheClipboard)
{
    auto pView = View(30);
    pView->show();
    CGraphDlg* pGraph = pView->Graph();
    ASSERT_GT(pGraph->width(), 100);
    QGuiApplication::clipboard()->clear();
    pView->CopyGraphButton()->click();
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), pGraph->size());
    // Coloured margins, the background inside the plot (margins 50 and 25), and a trace.
    EXPECT_EQ(image.pixelColor(2, 2), pGraph->Colors().m_borderColor);
    EXPECT_EQ(image.pixelColor(pGraph->width() - 3, pGraph->height() - 3), pGraph->Colors().m_borderColor);
    int nTrace = 0;
    for (int y = 26; y < pGraph->height() - 26; ++y) {
        for (int x = 52; x < pGraph->width() - 52; ++x)
            nTrace += image.pixelColor(x, y) == pGraph->Colors().m_lineColor ? 1 : 0;
    }
    EXPECT_GT(nTrace, 50);
    ASSERT_EQ(m_prompt.Texts(), QStringList{QStringLiteral("Graph is already copied to clipboard!")});
    EXPECT_EQ(m_prompt.Captions(), QStringList{QStringLiteral("Tip")});
    image.save(m_dir.filePath(QStringLiteral("clip.png")));
}
