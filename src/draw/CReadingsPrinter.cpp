#include "draw/CReadingsPrinter.h"

#include "base/CPrintf.h"
#include "document/CMyTalvaDoc.h"
#include "draw/CGraphPainter.h"
#include "draw/CPageJob.h"
#include "trend/CGraphState.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

// Below this the table's row arithmetic would put rows on the header.
constexpr int kMinRows = 8;

bool Fail(QString* pstrError, const QString& strReason)
{
    if (pstrError)
        *pstrError = strReason;
    return false;
}

QString Fixed(double d, int nDecimals)
{
    return CPrintf::Format("%.*f", nDecimals, d);
}

int LineHeight(const QPainter& painter)
{
    const QFontMetrics fm = painter.fontMetrics();
    return std::max(1, fm.height() + fm.leading());
}

void ColumnTitles(QPainter& painter, int u, int y)
{
    int x = CReadingsPrinter::TextOut(painter, 4 * u, y, QStringLiteral("ID"));
    x = CReadingsPrinter::TextOut(painter, 11 * u, y, QStringLiteral("DateTime"), x);
    x = CReadingsPrinter::TextOut(painter, 33 * u, y, QStringLiteral("Unit"), x);
    CReadingsPrinter::TextOut(painter, 42 * u, y, QStringLiteral("Value"), x);
}

} // namespace

QFont CReadingsPrinter::PageFont(int nCellHeight, QFont::Weight weight)
{
    // The columns are laid out for Arial: where it is missing, a font of its widths, or a
    // narrow one, keeps the words in their columns.
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(weight);
    // The height is the line's (ascent and descent), not the letters' em.
    const int nCell = std::max(1, nCellHeight);
    font.setPixelSize(nCell);
    const double dLine = QFontMetricsF(font).height();
    if (dLine > 0)
        font.setPixelSize(std::max(1, int(nCell * nCell / dLine + 0.5)));
    return font;
}

int CReadingsPrinter::TextOut(QPainter& painter, int x, int y, const QString& strText, int nAfter)
{
    const QFontMetrics fm = painter.fontMetrics();
    x = std::max(x, nAfter);
    painter.drawText(x, y + fm.ascent(), strText);
    return x + fm.horizontalAdvance(strText) + fm.horizontalAdvance(u' ');
}

QString CReadingsPrinter::PageText(int nPage)
{
    return CPrintf::Format("Page -%d-", nPage);
}

QString CReadingsPrinter::RefusedPageText()
{
    return QStringLiteral("The printer refused to start a page.");
}

void CReadingsPrinter::DrawFooter(QPainter& painter, int W, int H, int F, int u, const QDateTime& now, int nPage)
{
    const QDate date = now.date();
    const QTime time = now.time();
    const QString strTime = CPrintf::Format("Time: %d-%d-%d  %d:%d:%d", date.year(), date.month(), date.day(),
                                            time.hour(), time.minute(), time.second());
    TextOut(painter, W / 3 - int(strTime.size()) * u, H - F, strTime);
    TextOut(painter, W / 3 + u, H - F, PageText(nPage));
}

bool CReadingsPrinter::PrintGraph(CPageJob& job, const CGraphState& state, const CGraphDrawOptions& look,
                                  const CMyTalvaDoc& doc, const QDateTime& now, QString* pstrError)
{
    const int W = job.Width(), H = job.Height();
    if (job.StartDocument() != 0 || job.StartPrintPage() != 0)
        return Fail(pstrError, RefusedPageText());
    QPainter& painter = job.Painter();

    const int L = int(W / 10.0), T = int(H / 20.0);
    const int nFontHeight = int(H / 80.0);
    // The plot on its screen background: the trace colours are chosen against it, and a
    // yellow line on white paper would hardly show.
    painter.fillRect(QRect(L, T, std::max(1, W - 2 * L), std::max(1, H / 2 - 2 * T)), look.colors.m_bkColor);
    CGraphDrawOptions options = CGraphPainter::StretchedOptions(state, QRect(0, 0, W, H / 2), L, T, nFontHeight, true);
    options.colors = look.colors;
    options.bMarkPoints = look.bMarkPoints;
    CGraphPainter::Draw(painter, state, &doc, options);

    painter.setFont(PageFont(nFontHeight));
    painter.setPen(Qt::black);
    const QFontMetrics fm = painter.fontMetrics();
    const int h = LineHeight(painter);

    const QString strTitle = QStringLiteral("Graph");
    TextOut(painter, W / 2 - fm.horizontalAdvance(strTitle) / 2, h, strTitle);
    const QDate date = now.date();
    const QTime time = now.time();
    const QString strDate = CPrintf::Format("%d/%d/%d %d:%d:%d", date.day(), date.month(), date.year(),
                                            time.hour(), time.minute(), time.second());
    TextOut(painter, W / 2 - fm.horizontalAdvance(strDate) / 2, 2 * h, strDate);

    int y = H / 2;
    auto line = [&](const QString& strText, const QString& strAfter = QString()) {
        TextOut(painter, L, y, strText);
        if (!strAfter.isNull())
            TextOut(painter, L + fm.horizontalAdvance(strText) + 20, y, strAfter);
        y += h;
    };
    line(QStringLiteral("Start Time:    ") + doc.m_strStartTime);
    line(QStringLiteral("End Time:    ") + doc.m_strEndTime);
    line(QStringLiteral("Maximum:    ") + Fixed(doc.m_dMax, 4), doc.m_strMaxTime);
    line(QStringLiteral("Minimum:    ") + Fixed(doc.m_dMin, 4), doc.m_strMinTime);
    line(QStringLiteral("Average:    ") + Fixed(doc.m_dAverage, 4));
    line(QStringLiteral("Data Number:   ") + QString::number(doc.m_nCount));
    line(QStringLiteral("Function:   ") + doc.m_strType);
    // The unit of the figures above (and of the graph), and the readings they leave out.
    if (const QString strUnit = doc.Unit().Display(); !strUnit.isEmpty())
        line(QStringLiteral("Unit:   ") + strUnit);
    if (const qsizetype nSkipped = doc.SkippedReadings())
        line(QStringLiteral("Skipped:   %1 readings of another quantity").arg(nSkipped));
    job.EndPage();
    return job.EndDocument(pstrError);
}

bool CReadingsPrinter::PrintData(CPageJob& job, const CMyTalvaDoc& doc, const QDateTime& now, QString* pstrError,
                                 const ProgressFn& fnProgress)
{
    const int H = job.Height(), W = job.Width();
    const int u = int(W / 130.0);
    const int F = int(H / 80.0);
    if (job.StartDocument() != 0)
        return Fail(pstrError, RefusedPageText());
    QPainter& painter = job.Painter();
    painter.setFont(TableFont(F));
    painter.setPen(Qt::black);
    if (job.StartPrintPage() != 0)
        return Fail(pstrError, RefusedPageText());
    const int h = LineHeight(painter);

    // First page: title, statistics, column titles.
    TextOut(painter, W / 4 - 5 * u, F, QStringLiteral("Data Table"));
    auto fact = [&](int nLine, const QString& strLabel, const QString& strValue) {
        TextOut(painter, 15 * u, F + nLine * h, strValue, TextOut(painter, 4 * u, F + nLine * h, strLabel));
    };
    fact(1, QStringLiteral("Start Time"), doc.m_strStartTime);
    fact(2, QStringLiteral("MaxNUM"), Fixed(doc.m_dMax, 2) + QStringLiteral("   ") + doc.m_strMaxTime);
    fact(3, QStringLiteral("MinNUM"), Fixed(doc.m_dMin, 2) + QStringLiteral("   ") + doc.m_strMinTime);
    fact(4, QStringLiteral("Average"), Fixed(doc.m_dAverage, 2));
    ColumnTitles(painter, u, F + 7 * h);

    // Row positions count from the top of every page, the first page's header taking the
    // first seven: the row after a full page starts the next one.
    const qint64 nRows = std::max<qint64>(kMinRows, (H - 4 * F) / h);
    const CRecordArray& records = doc.m_arrData[0];
    const qint64 nLast = qint64(records.size()) + 6;
    for (qint64 i = 7; i <= nLast; ++i) {
        const qint64 r = i % nRows;
        const int y = int(F + h + (r == 0 ? nRows : r) * h);
        const std::optional<CObData> pOb = records.Record(qsizetype(i - 7));
        int x = TextOut(painter, 4 * u, y, QString::number(i - 6));
        if (pOb) {
            x = TextOut(painter, 11 * u, y, pOb->m_strTime, x);
            x = TextOut(painter, 33 * u, y, pOb->m_strUnit, x);
            TextOut(painter, 42 * u, y,
                    CObData::IsOverload(pOb->m_dValue) ? QStringLiteral("OL") : Fixed(pOb->m_dValue, 2), x);
        }
        painter.drawLine(4 * u, y, 47 * u, y);
        if (r == 0) {
            // The page is full; a table that ends here still gets its next page's header.
            DrawFooter(painter, W, H, F, u, now, int(i / nRows));
            job.EndPage();
            if (fnProgress && !fnProgress(i - 6, nLast - 6))
                return Fail(pstrError, QString());
            if (job.StartPrintPage() != 0)
                return Fail(pstrError, RefusedPageText());
            TextOut(painter, W / 4 - 4 * u, F, QStringLiteral("Data Table"));
            ColumnTitles(painter, u, F + h);
        }
    }
    DrawFooter(painter, W, H, F, u, now, int(nLast / nRows + 1));
    job.EndPage();
    return job.EndDocument(pstrError);
}
