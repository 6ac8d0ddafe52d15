#pragma once

#include <QFont>
#include <QString>

#include <functional>

class CGraphState;
class CMyTalvaDoc;
class CPageJob;
class QDateTime;
class QPainter;
struct CGraphDrawOptions;

// The printouts of a recording's primary readings on the pages of a job (a printer or a PDF
// file), in the job's device pixels (W x H):
// - the graph page: the trend graph through CGraphPainter in the upper half (margins
//   W/10 and H/20, white, around the plot on the graph's background; the window's span
//   stretched over the page), "Graph" and the date line at
//   the top, the seven statistics lines from H/2 down, then the document's unit and how many
//   readings of another quantity the figures leave out;
// - the data table: "Data Table", the statistics and the column titles on the first page,
//   then one row per reading under a rule, "Data Table" and the column titles on each
//   following page, and on every page the footer "Time: ..." and "Page -n-".
// The table's column unit is u = W/130 and its font height F = H/80. Values print "%.2f",
// "OL" for both overload values. now is the time the footers and the date line show.
class CReadingsPrinter
{
public:
    // False with the reason when a page could not be started or the job not finished. state
    // is the graph as the window shows it (its x range caught up with the readings), look
    // gives the graph's colours and marks.
    static bool PrintGraph(CPageJob& job, const CGraphState& state, const CGraphDrawOptions& look,
                           const CMyTalvaDoc& doc, const QDateTime& now, QString* pstrError);
    // fnProgress, when given, hears of every finished page (readings printed, readings in
    // all); false from it gives the job up (nothing printed) and PrintData returns false with
    // an empty reason.
    using ProgressFn = std::function<bool(qint64 nDone, qint64 nTotal)>;
    static bool PrintData(CPageJob& job, const CMyTalvaDoc& doc, const QDateTime& now, QString* pstrError,
                          const ProgressFn& fnProgress = {});

    // Shared with the waveform printouts.
    // "Arial" (or a font of its metrics, else a condensed sans serif) whose lines are
    // nCellHeight pixels high, as the printouts size their text.
    static QFont PageFont(int nCellHeight, QFont::Weight weight = QFont::Normal);
    // The table's font: weight 200.
    static QFont TableFont(int nCellHeight) { return PageFont(nCellHeight, QFont::ExtraLight); }
    // Text with its top left corner at (x, y), as the printouts place words; where the text
    // before it on the line ends beyond x (nAfter), it starts there instead of overlapping.
    // Returns where the next text may start: the end of this one and a blank.
    static int TextOut(QPainter& painter, int x, int y, const QString& strText, int nAfter = 0);
    // "Time: %d-%d-%d  %d:%d:%d" left of W/3 and "Page -%d-" right of it, at y = H - F.
    static void DrawFooter(QPainter& painter, int W, int H, int F, int u, const QDateTime& now, int nPage);
    static QString PageText(int nPage);
    static QString RefusedPageText();
};
