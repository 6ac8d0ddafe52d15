#pragma once

#include "document/ui/CDataListModel.h"
#include "document/ui/CPrintRX.h"
#include "graph/CGraphCommandTarget.h"

#include <QImage>
#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class CGraphDlg;
class CMyTalvaDoc;
class CObData;
class CPrompt;
class CShowData;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTabBar;
class QTableView;

// The view of a recording document in its document window: the tabs "Graph" (the trend graph
// with a vertical and a horizontal scroll bar), "Data List" (one row per reading, secondary
// readings under their primary) and "Summary" (the document's statistics as text). It owns its
// document, and forwards the graph tool commands and "Setting" to its graph.
//
// GUI thread only. Recording adds readings to the document; the graph, the list, the summary
// and the scroll bars follow the document's signals.
class CMyTalvaView : public QWidget, public CGraphCommandTarget
{
    Q_OBJECT
public:
    enum Page { kGraphPage, kListPage, kSummaryPage };

    // Where the pages and the scroll bars sit, from the view's edges.
    static constexpr int kPageLeft = 30;
    static constexpr int kPageTop = 60;
    static constexpr int kBarLeft = 12;
    static constexpr int kBarWidth = 19;
    static constexpr int kHorzBarHeight = 20;

    // pDoc (owned from here on) is the document shown; prompt (outliving the view) shows the
    // messages of the dialogs the graph opens.
    CMyTalvaView(std::unique_ptr<CMyTalvaDoc> pDoc, CPrompt& prompt, QWidget* pParent = nullptr);
    ~CMyTalvaView() override;

    CMyTalvaDoc* GetDocument() const { return m_pDoc.get(); }
    CGraphDlg* Graph() const { return m_wndGraph; }
    CDataListModel* ListModel() const { return m_pModel; }
    QTableView* List() const { return m_list; }
    QPlainTextEdit* SummaryEdit() const { return m_edit; }
    QTabBar* Tabs() const { return m_tab; }
    QScrollBar* VertBar() const { return m_sbVert; }
    QScrollBar* HorzBar() const { return m_sbHorz; }
    CShowData* PointPanel() const { return m_pPanel; }

    // Once, before the view is first shown: a document that already holds readings (a loaded
    // file) is listed, and the graph takes its y range from the statistics.
    void OnInitialUpdate();

    // The logger-data view: titles the document "DataLogger", takes the records over (they
    // belong to the document afterwards; the list is emptied), lists them with the "OL" rule
    // of imported readings and sets the graph's y range, limited to the first record's range.
    void ImportLoggerRecords(QList<CObData*>& arrRecords);
    // The logger-data view shows another recording: its records and statistics go, the
    // graph's x axis starts over, then the records are imported as above.
    void RefillLoggerRecords(QList<CObData*>& arrRecords);

    // The summary text of the document, exactly as shown (lines end in CR LF).
    static QString SummaryText(const CMyTalvaDoc& doc);
    QString SummaryText() const;
    // Puts the summary text into the summary page now.
    void RefreshSummary();

    // Graph tool commands and "Setting" (GraphCommand::k...), for the graph.
    void OnGraphCommand(int nCommand) override;

    // The tab page: 0 graph and scroll bars, 1 data list, 2 summary; other indexes change nothing.
    void SelectPage(int nPage);
    int CurrentPage() const;

    // Both scroll bars from the graph's visible window.
    void UpdateScrollBars();

    // Export and printing of the primary readings; the commands do nothing for a document
    // without one. Failures are told to the user.
    bool HasReadings() const;
    // "&Export To Excel": the save dialog, then the ".xls" file.
    void OnExportToExcel();
    bool ExportToExcel(const QString& strPath);
    // "&Graph" and "&Data" under "&Print": the print dialog, then the pages.
    void OnPrintGraph();
    void OnPrintData();
    // The pages on a job that StartPrinting (or StartPrintingToPdf) has prepared. The table
    // shows its progress; a cancel there prints nothing and returns false with no reason.
    bool PrintGraph(CPrintRX& job, QString* pstrError);
    bool PrintData(CPrintRX& job, QString* pstrError);
    // "Copy Graph": the graph's picture on the clipboard, then the tip.
    void OnCopyGraph();
    // The clipboard picture: the graph's size, its background, font 16, margins 50 and 25.
    QImage GraphPicture();
    QPushButton* CopyGraphButton() const { return m_pCopyGraph; }

    // The dialogs of the commands; tests put answers in their place. An empty file name is Cancel.
    std::function<QString(const QString& strSuggested)> m_fnExportFileName;
    CPrintRX::DialogFn m_fnPrintDialog;

    // The document's name as the window shows it ("New File1", the file name, "DataLogger").
    QString Title() const { return m_strTitle; }
    void SetTitle(const QString& strTitle);
    // The file the document was loaded from or saved to; empty for a new document.
    QString PathName() const { return m_strPathName; }
    void SetPathName(const QString& strPath);
    // Readings not saved yet.
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified);

    bool m_bLive = true;     //!< live recording fills the document (cleared by Stop, a load, an import)
    bool m_bAuxView = false; //!< statistics recording fills the document

signals:
    void TitleChanged(const QString& strTitle);
    void ModifiedChanged(bool bModified);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void LayoutPages();
    void OnRecordAdded(int nArray);
    void OnDocumentChanged();
    void OnVertScrolled(int nPosition);
    void OnHorzScrolled(int nPosition);
    void SetYRangeAround(double dMax, double dMin);

    void Warn(const QString& strText);

    std::unique_ptr<CMyTalvaDoc> m_pDoc;
    CPrompt& m_prompt;
    CGraphDlg* m_wndGraph;
    QPushButton* m_pCopyGraph;
    CShowData* m_pPanel;
    QTabBar* m_tab;
    QTableView* m_list;
    CDataListModel* m_pModel;
    QPlainTextEdit* m_edit;
    QScrollBar* m_sbVert;
    QScrollBar* m_sbHorz;

    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    bool m_bSummaryStale = true;  //!< the document changed since the summary was written
    bool m_bUpdatingBars = false; //!< the bars are being set from the graph, not by the user
};
