#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class CChildFrame;
class CCommandHost;
class CDocumentArea;
class CMyTalvaDoc;
class CMyTalvaView;
class CPrompt;
class QAction;
class QMenu;

// The recording documents of the main window and the file commands: "&New", "&Open...",
// "&Close", "&Save", "Save &As...", the four most recent files, and the question to save a
// modified document before it closes. Each document has one view (CMyTalvaView) in a document
// window of its own (CChildFrame). GUI thread only.
class CDocManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRecentFiles = 4;

    // commands takes the file commands, area the document windows, prompt shows the messages
    // and questions; all three outlive the manager.
    CDocManager(CCommandHost& commands, CDocumentArea& area, CPrompt& prompt, QObject* pParent = nullptr);
    ~CDocManager() override;

    // The File menu entries (before "E&xit") and the Open and Save toolbar buttons.
    void AddCommands();
    // File commands of other parts go before this separator, after "Save &As...".
    QAction* RecentFilesStart() const { return m_pRecentStart; }

    // A new empty document "New File<n>" in a new window; its view starts live.
    CMyTalvaView* NewDocument();
    // A new empty document titled strTitle that no live recording fills (the logger-data view).
    CMyTalvaView* NewImportDocument(const QString& strTitle);
    // The document of a recording file in a new window, or the window that already shows that
    // file. A file that does not load is reported and opens nothing (nullptr).
    CMyTalvaView* OpenDocumentFile(const QString& strPath);
    // strFirst and its continuation files (FILE-2.mLog, FILE-3.mLog, ...) as one read-only
    // document in a new window: it has no file of its own, so Save asks for a new one and writes
    // the whole series there, never over a file of the series. Files left out are named in a
    // message; nullptr (with a message) when the first file does not load.
    CMyTalvaView* OpenSeries(const QString& strFirst);
    // The files a series view shows (empty for any other view).
    QStringList SeriesParts(const CMyTalvaView* pView) const;
    // A recording kept by the recovery, as a new unsaved document titled strTitle.
    CMyTalvaView* OpenRecovered(const QString& strPath, const QString& strTitle);
    // Makes the view's window the active one.
    void ShowView(CMyTalvaView* pView);

    // The commands, on the current view.
    void OnFileOpen();
    void OnFileOpenSeries();
    bool OnFileClose();
    bool OnFileSave();
    bool OnFileSaveAs();

    // Saves to the view's file, or asks for one when it has none. False when not saved.
    bool Save(CMyTalvaView* pView);
    bool SaveAs(CMyTalvaView* pView);
    bool SaveTo(CMyTalvaView* pView, const QString& strPath);
    // A modified document asks whether to save it: false when the user cancels (or the save
    // he asked for failed), true when the document may go.
    bool SaveModified(CMyTalvaView* pView);
    // Closes the view's window after SaveModified; false when it stays.
    bool CloseView(CMyTalvaView* pView);
    // The exit: asks for every modified document first, then closes every window. False
    // (nothing closed) when the user cancels.
    bool CloseAll();

    // The views in the order their documents were made.
    QList<CMyTalvaView*> Views() const;
    // The view of the current document window, or nullptr.
    CMyTalvaView* ActiveView() const;
    // A number that stays with the view for its life (0 for none).
    int ViewId(const CMyTalvaView* pView) const;

    QStringList RecentFiles() const;
    // The file of the settings that keep the recent files.
    static QString SettingsPath();

    // The file dialogs; tests put answers in their place. An empty answer is Cancel.
    std::function<QString(const QString& strDir)> m_fnOpenFileName;
    std::function<QString(const QString& strSuggested)> m_fnSaveFileName;

signals:
    void ViewAdded(CMyTalvaView* pView);
    // The view is about to close (recording stops first).
    void ViewClosing(CMyTalvaView* pView);
    void ViewClosed(int nId);
    void ViewSaved(CMyTalvaView* pView);
    void ActiveViewChanged(CMyTalvaView* pView);

private:
    struct CEntry
    {
        QPointer<CMyTalvaView> pView;
        int nId = 0;
        QStringList seriesParts; //!< the files a series view shows, which no save may overwrite
    };

    CMyTalvaView* AddView(std::unique_ptr<CMyTalvaDoc> pDoc, const QString& strTitle, bool bLive);
    std::unique_ptr<CMyTalvaDoc> Load(const QString& strPath);
    bool QueryClose(CMyTalvaView* pView);
    void AddRecentFile(const QString& strPath);
    void RemoveRecentFile(const QString& strPath);
    void StoreRecentFiles(const QStringList& files);
    void UpdateRecentMenu();
    void UpdateCommands();
    QString LastDir() const;

    CCommandHost& m_commands;
    CDocumentArea& m_area;
    CPrompt& m_prompt;
    QList<CEntry> m_entries;
    int m_nUntitled = 0;
    int m_nNextId = 0;
    bool m_bClosingAll = false; //!< CloseAll asked already: the windows close without asking again

    QAction* m_pClose = nullptr;
    QAction* m_pSave = nullptr;
    QAction* m_pSaveAs = nullptr;
    QAction* m_pRecentStart = nullptr;
    QList<QAction*> m_recentActions;
};
