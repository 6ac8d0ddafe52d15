// The multimeter-pdf module: the PDF pages of `multimeter-cli export`, drawn by the same
// painter and page printers as the window's Print, on a QPdfWriter.
#include "PdfModule.h"

#include "document/CMyTalvaDoc.h"
#include "draw/CGraphDrawOptions.h"
#include "draw/CPageJob.h"
#include "draw/CReadingsPrinter.h"
#include "trend/CGraphState.h"

#include <QDateTime>
#include <QGuiApplication>

namespace {

// The graph the page shows: the graph page of a document window on a usual screen.
constexpr int kGraphWidth = 940;
constexpr int kGraphHeight = 620;

bool WritePages(const QByteArray& document, const QString& strPath, bool bGraph, QString* pstrError)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(document, pstrError);
    if (!pDoc)
        return false;
    pDoc->m_bLive = false;
    CPageJob job;
    if (job.StartPrintingToPdf(strPath) != 0) {
        *pstrError = job.ErrorString();
        return false;
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (!bGraph)
        return CReadingsPrinter::PrintData(job, *pDoc, now, pstrError);
    // As a document window shows a file it opened: the y range around the statistics, the x
    // range grown to the readings.
    CGraphState state;
    state.SetWindowSize(kGraphWidth, kGraphHeight);
    if (!pDoc->m_arrData[0].isEmpty())
        state.SetYRangeAround(pDoc->m_dMax, pDoc->m_dMin);
    state.UpdateXRange(double(pDoc->m_arrData[0].size() - 1));
    return CReadingsPrinter::PrintGraph(job, state, CGraphDrawOptions(), *pDoc, now, pstrError);
}

} // namespace

extern "C" Q_DECL_EXPORT QCoreApplication* MultimeterPdfCreateApplication(int* pArgc, char** argv)
{
    return new QGuiApplication(*pArgc, argv);
}

extern "C" Q_DECL_EXPORT bool MultimeterPdfWrite(const QByteArray* pDocument, const QString* pPath, bool bGraph,
                                                 QString* pError)
{
    return WritePages(*pDocument, *pPath, bGraph, pError);
}

// The entry points keep the types the program calls them through.
static_assert(std::is_same_v<decltype(&MultimeterPdfCreateApplication), PdfModule::CreateApplicationFn>);
static_assert(std::is_same_v<decltype(&MultimeterPdfWrite), PdfModule::WriteFn>);
