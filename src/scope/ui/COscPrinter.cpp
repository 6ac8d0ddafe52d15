#include "scope/ui/COscPrinter.h"

#include "base/CPrintf.h"
#include "document/ui/CPrintRX.h"
#include "draw/CReadingsPrinter.h"
#include "scope/COscGraphState.h"
#include "scope/COscPoints.h"
#include "scope/COscText.h"
#include "scope/ui/COscScreenPainter.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// First-page header positions: the title, six facts, a gap, the headings.
constexpr int kFirstPageHeader = 9;

bool Fail(QString* pstrError, const QString& strReason)
{
    if (pstrError)
        *pstrError = strReason;
    return false;
}

int LineHeight(const QPainter& painter)
{
    const QFontMetrics fm = painter.fontMetrics();
    return std::max(1, fm.height() + fm.leading());
}

void Headings(QPainter& painter, int u, int y, bool bSpectrum)
{
    const int x = CReadingsPrinter::TextOut(painter, 14 * u, y, QStringLiteral("Amplitude"),
                                            CReadingsPrinter::TextOut(painter, 4 * u, y, QStringLiteral("ID")));
    if (bSpectrum)
        CReadingsPrinter::TextOut(painter, 25 * u, y, QStringLiteral("Frequency"), x);
}

} // namespace

int COscPrinter::DrawFacts(QPainter& painter, const OscRecord& record, int u, int y, int h)
{
    const int m = 4 * u;
    auto fact = [&](const QString& strLabel, int nColumn, const QString& strValue) {
        CReadingsPrinter::TextOut(painter, nColumn * u, y, strValue, CReadingsPrinter::TextOut(painter, m, y, strLabel));
        y += h;
    };
    fact(QStringLiteral("Date Time:"), 16, COscText::FactsDateTime(record));
    fact(QStringLiteral("Voo:"), 8, record.m_voltsText + QStringLiteral("   "));
    fact(QStringLiteral("Vp-p:"), 9, record.m_vppText + QStringLiteral("   "));
    fact(QStringLiteral("Sample Rate:"), 19, record.m_rateText);
    fact(QStringLiteral("Status:"), 14, COscText::StatusWord(record.m_status));
    fact(QStringLiteral("Trigger:"), 15, COscText::PrintTriggerText(record.m_trigger));
    return y;
}

bool COscPrinter::PrintGraph(CPrintRX& job, const COscGraphState& screen, const OscRecord& record, QString* pstrError)
{
    const int W = job.Width(), H = job.Height();
    const int u = W / 130;
    if (job.StartDocument() != 0 || job.StartPrintPage() != 0)
        return Fail(pstrError, CReadingsPrinter::RefusedPageText());
    QPainter& painter = job.Painter();

    COscDrawOptions options;
    options.bPrinting = true;
    options.nTextHeight = std::max(1, H / 80);
    const int nSide = W / 30, nTop = H / 35;
    COscScreenPainter::Draw(painter, screen, QRect(nSide, nTop, W - 2 * nSide, H / 2 - nTop), options);

    painter.setFont(CReadingsPrinter::PageFont(H / 80));
    painter.setPen(Qt::black);
    DrawFacts(painter, record, u, H / 2, LineHeight(painter));
    job.EndPage();
    return job.EndDocument(pstrError);
}

bool COscPrinter::PrintData(CPrintRX& job, const OscRecord& record, bool bSpectrum, const QDateTime& now,
                            QString* pstrError)
{
    const int W = job.Width(), H = job.Height();
    const int u = W / 130;
    const int F = std::max(1, H / 80);
    if (job.StartDocument() != 0)
        return Fail(pstrError, CReadingsPrinter::RefusedPageText());
    QPainter& painter = job.Painter();
    painter.setFont(CReadingsPrinter::TableFont(F));
    painter.setPen(Qt::black);
    if (job.StartPrintPage() != 0)
        return Fail(pstrError, CReadingsPrinter::RefusedPageText());
    const int h = LineHeight(painter);

    CReadingsPrinter::TextOut(painter, W / 4 - 5 * u, F, QStringLiteral("Data Table"));
    DrawFacts(painter, record, u, F + h, h);
    Headings(painter, u, F + 7 * h, bSpectrum);

    // Row positions from the top of a page, y = F + p·h; the footer keeps the last 3F.
    const int nPositions = std::max(kFirstPageHeader + 1, (H - 4 * F) / h);
    const COscPoints points(record, bSpectrum);
    int nPage = 1;
    int p = kFirstPageHeader - 1;
    for (int i = 0; i < points.Count(); ++i) {
        if (++p >= nPositions) {
            CReadingsPrinter::DrawFooter(painter, W, H, F, u, now, nPage++);
            job.EndPage();
            if (job.StartPrintPage() != 0)
                return Fail(pstrError, CReadingsPrinter::RefusedPageText());
            Headings(painter, u, F, bSpectrum);
            p = 1;
        }
        const int y = F + p * h;
        int x = CReadingsPrinter::TextOut(painter, 4 * u, y, QString::number(i + 1));
        x = CReadingsPrinter::TextOut(painter, 14 * u, y, CPrintf::Format("%.2f", points.Value(i)), x);
        if (bSpectrum)
            CReadingsPrinter::TextOut(painter, 25 * u, y, COscText::BarPrintText(record.m_rateCode, i), x);
        painter.drawLine(4 * u, y + h - 1, 47 * u, y + h - 1);
    }
    CReadingsPrinter::DrawFooter(painter, W, H, F, u, now, nPage);
    job.EndPage();
    return job.EndDocument(pstrError);
}
