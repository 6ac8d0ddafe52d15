#include "app/CDocManager.h"

#include "app/CChildFrame.h"
#include "app/CCommandHost.h"
#include "app/CDocumentArea.h"
#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "document/CDocumentSeries.h"
#include "document/CDocumentType.h"
#include "document/CMyTalvaDoc.h"
#include "document/ui/CMyTalvaView.h"
#include "document/ui/CWaitCursor.h"
#include "link/CPrompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>

namespace {

const QString kRecentGroup = QStringLiteral("Recent File List");

// The same file, whichever way its path is written.
QString CanonicalPath(const QString& strPath)
{
    const QFileInfo info(strPath);
    const QString strCanonical = info.canonicalFilePath();
    return strCanonical.isEmpty() ? info.absoluteFilePath() : strCanonical;
}

} // namespace

CDocManager::CDocManager(CCommandHost& commands, CDocumentArea& area, CPrompt& prompt, QObject* pParent)
    : QObject(pParent)
    , m_commands(commands)
    , m_area(area)
    , m_prompt(prompt)
{
    m_fnOpenFileName = [this](const QString& strDir) {
        return QFileDialog::getOpenFileName(m_commands.CommandWindow(), tr("Open"), strDir, DocumentType::FilterName());
    };
    m_fnSaveFileName = [this](const QString& strSuggested) {
        QFileDialog dlg(m_commands.CommandWindow(), tr("Save As"), strSuggested, DocumentType::FilterName());
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix(DocumentType::Extension().mid(1));
        return dlg.exec() == QDialog::Accepted ? dlg.selectedFiles().value(0) : QString();
    };
    connect(area.MdiArea(), &QMdiArea::subWindowActivated, this, [this] {
        UpdateCommands();
        emit ActiveViewChanged(ActiveView());
    });
}

CDocManager::~CDocManager() = default;

QString CDocManager::SettingsPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("multimeter.ini"));
}

void CDocManager::AddCommands()
{
    QMenu* pFile = m_commands.Menu(CCommandHost::MenuId::File);
    QAction* pExit = m_commands.ExitAction();
    auto add = [&](const QString& strText, const QKeySequence& key, const QString& strTip, auto slot) {
        auto* pAction = new QAction(strText, pFile);
        pAction->setShortcut(key);
        pAction->setStatusTip(strTip);
        connect(pAction, &QAction::triggered, this, slot);
        pFile->insertAction(pExit, pAction);
        return pAction;
    };
    add(tr("&New"), QKeySequence::New, tr("Make a new recording document"), [this] { NewDocument(); });
    QAction* pOpen = add(tr("&Open..."), QKeySequence::Open, tr("Open a recording"), &CDocManager::OnFileOpen);
    add(tr("Open &Series..."), QKeySequence(), tr("Open a recording with its continuation files (FILE-2.mLog, ...) as one"),
        &CDocManager::OnFileOpenSeries);
    m_pClose = add(tr("&Close"), QKeySequence::Close, tr("Close the current recording"), &CDocManager::OnFileClose);
    m_pSave = add(tr("&Save"), QKeySequence::Save, tr("Save the current recording"), &CDocManager::OnFileSave);
    m_pSaveAs = add(tr("Save &As..."), QKeySequence::SaveAs, tr("Save the current recording under a new name"),
                    &CDocManager::OnFileSaveAs);
    m_pRecentStart = pFile->insertSeparator(pExit);
    pFile->insertSeparator(pExit);

    const QStyle* pStyle = m_commands.CommandWindow()->style();
    pOpen->setIcon(pStyle->standardIcon(QStyle::SP_DialogOpenButton));
    m_pSave->setIcon(pStyle->standardIcon(QStyle::SP_DialogSaveButton));
    m_commands.AddToolButton(CCommandHost::ToolButton::Open, pOpen);
    m_commands.AddToolButton(CCommandHost::ToolButton::Save, m_pSave);
    UpdateRecentMenu();
    UpdateCommands();
}

void CDocManager::UpdateCommands()
{
    const bool bView = ActiveView() != nullptr;
    for (QAction* pAction : {m_pClose, m_pSave, m_pSaveAs}) {
        if (pAction)
            pAction->setEnabled(bView);
    }
}

QList<CMyTalvaView*> CDocManager::Views() const
{
    QList<CMyTalvaView*> views;
    for (const CEntry& entry : m_entries) {
        if (entry.pView)
            views << entry.pView;
    }
    return views;
}

CMyTalvaView* CDocManager::ActiveView() const
{
    // The current window, even while another program or a dialog has the focus.
    auto* pFrame = qobject_cast<CChildFrame*>(m_area.MdiArea()->currentSubWindow());
    auto* pView = pFrame ? qobject_cast<CMyTalvaView*>(pFrame->View()) : nullptr;
    return ViewId(pView) != 0 ? pView : nullptr; // not one that is closing
}

int CDocManager::ViewId(const CMyTalvaView* pView) const
{
    for (const CEntry& entry : m_entries) {
        if (entry.pView == pView)
            return entry.nId;
    }
    return 0;
}

CMyTalvaView* CDocManager::AddView(std::unique_ptr<CMyTalvaDoc> pDoc, const QString& strTitle, bool bLive)
{
    auto* pView = new CMyTalvaView(std::move(pDoc), m_prompt);
    pView->m_bLive = bLive;
    pView->SetTitle(strTitle);
    pView->OnInitialUpdate();
    const int nId = ++m_nNextId;
    m_entries.append({pView, nId});
    CChildFrame* pFrame = m_area.AddChildFrame(pView);
    pFrame->SetCloseQuery([this, pView] { return QueryClose(pView); });
    connect(pView, &QObject::destroyed, this, [this, nId] {
        // Closed without its frame's close (the main window going): it goes all the same.
        if (m_entries.removeIf([nId](const CEntry& entry) { return entry.nId == nId; }) == 0)
            return;
        UpdateCommands();
        emit ViewClosed(nId);
    });
    UpdateCommands();
    emit ViewAdded(pView);
    return pView;
}

CMyTalvaView* CDocManager::NewDocument()
{
    const QString strTitle = DocumentType::BaseName() + QString::number(++m_nUntitled);
    qCInfo(LogApp, "new document %s", qUtf8Printable(strTitle));
    return AddView(std::make_unique<CMyTalvaDoc>(), strTitle, true);
}

CMyTalvaView* CDocManager::NewImportDocument(const QString& strTitle)
{
    qCInfo(LogApp, "new document %s", qUtf8Printable(strTitle));
    return AddView(std::make_unique<CMyTalvaDoc>(), strTitle, false);
}

std::unique_ptr<CMyTalvaDoc> CDocManager::Load(const QString& strPath)
{
    QString strError;
    std::unique_ptr<CMyTalvaDoc> pDoc;
    {
        CWaitCursor wait;
        pDoc = CMyTalvaDoc::LoadFile(strPath, &strError);
    }
    if (!pDoc)
        m_prompt.Message(strError, CProgramInfo::Name(), CPrompt::Critical);
    return pDoc;
}

CMyTalvaView* CDocManager::OpenDocumentFile(const QString& strPath)
{
    const QString strCanonical = CanonicalPath(strPath);
    for (CMyTalvaView* pView : Views()) {
        if (!pView->PathName().isEmpty() && CanonicalPath(pView->PathName()) == strCanonical) {
            ShowView(pView);
            return pView;
        }
    }
    std::unique_ptr<CMyTalvaDoc> pDoc = Load(strPath);
    if (!pDoc) {
        RemoveRecentFile(strPath);
        return nullptr;
    }
    qCInfo(LogApp, "opened %s (%lld readings)", qUtf8Printable(QDir::toNativeSeparators(strPath)),
           qlonglong(pDoc->m_arrData[0].size()));
    CMyTalvaView* pView = AddView(std::move(pDoc), QFileInfo(strPath).fileName(), false);
    pView->SetPathName(QFileInfo(strPath).absoluteFilePath());
    AddRecentFile(strPath);
    return pView;
}

CMyTalvaView* CDocManager::OpenRecovered(const QString& strPath, const QString& strTitle)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = Load(strPath);
    if (!pDoc)
        return nullptr;
    const QString strName = strTitle.isEmpty() ? DocumentType::BaseName() : strTitle;
    qCInfo(LogApp, "restored %s from %s", qUtf8Printable(strName), qUtf8Printable(QDir::toNativeSeparators(strPath)));
    CMyTalvaView* pView = AddView(std::move(pDoc), tr("%1 (recovered)").arg(strName), false);
    pView->SetModified(true);
    return pView;
}

CMyTalvaView* CDocManager::OpenSeries(const QString& strFirst)
{
    CDocumentSeries::CLoaded loaded;
    {
        CWaitCursor wait;
        loaded = CDocumentSeries::Load(strFirst);
    }
    if (!loaded.pDoc) {
        m_prompt.Message(loaded.strError, CProgramInfo::Name(), CPrompt::Critical);
        return nullptr;
    }
    const qsizetype nReadings = loaded.pDoc->m_arrData[0].size();
    const QString strName = QFileInfo(strFirst).fileName();
    qCInfo(LogApp, "opened the series %s: %lld files, %lld readings", qUtf8Printable(QDir::toNativeSeparators(strFirst)),
           qlonglong(loaded.parts.size()), qlonglong(nReadings));
    const QString strTitle = loaded.parts.size() == 1 ? tr("%1 (series of 1 file)").arg(strName)
                                                      : tr("%1 (series of %2 files)").arg(strName).arg(loaded.parts.size());
    CMyTalvaView* pView = AddView(std::move(loaded.pDoc), strTitle, false);
    for (CEntry& entry : m_entries) {
        if (entry.pView == pView) {
            for (const QString& strPart : loaded.parts)
                entry.seriesParts << CanonicalPath(strPart);
        }
    }
    pView->SetModified(false);
    if (!loaded.leftOut.isEmpty()) {
        for (const QString& strText : loaded.leftOut)
            qCWarning(LogApp, "%s", qUtf8Printable(strText));
        m_prompt.Message(loaded.leftOut.join(QLatin1Char('\n')), CProgramInfo::Name(), CPrompt::Warning);
    }
    return pView;
}

QStringList CDocManager::SeriesParts(const CMyTalvaView* pView) const
{
    for (const CEntry& entry : m_entries) {
        if (entry.pView == pView)
            return entry.seriesParts;
    }
    return {};
}

void CDocManager::ShowView(CMyTalvaView* pView)
{
    if (auto* pWindow = qobject_cast<QMdiSubWindow*>(pView->parentWidget()))
        m_area.MdiArea()->setActiveSubWindow(pWindow);
}

void CDocManager::OnFileOpen()
{
    const QString strPath = m_fnOpenFileName(LastDir());
    if (!strPath.isEmpty())
        OpenDocumentFile(strPath);
}

void CDocManager::OnFileOpenSeries()
{
    const QString strPath = m_fnOpenFileName(LastDir());
    if (!strPath.isEmpty())
        OpenSeries(strPath);
}

bool CDocManager::OnFileClose()
{
    CMyTalvaView* pView = ActiveView();
    return pView && CloseView(pView);
}

bool CDocManager::OnFileSave()
{
    CMyTalvaView* pView = ActiveView();
    return pView && Save(pView);
}

bool CDocManager::OnFileSaveAs()
{
    CMyTalvaView* pView = ActiveView();
    return pView && SaveAs(pView);
}

bool CDocManager::Save(CMyTalvaView* pView)
{
    if (pView->PathName().isEmpty())
        return SaveAs(pView);
    return SaveTo(pView, pView->PathName());
}

bool CDocManager::SaveAs(CMyTalvaView* pView)
{
    QString strSuggested = pView->PathName();
    if (const QStringList parts = SeriesParts(pView); strSuggested.isEmpty() && !parts.isEmpty()) {
        // Beside the series, under a name that is none of its files nor a continuation's.
        const QFileInfo first(parts.first());
        strSuggested = first.dir().filePath(tr("%1 (whole series)").arg(first.completeBaseName()) + DocumentType::Extension());
    }
    if (strSuggested.isEmpty()) {
        QString strName = pView->Title();
        // A title is no file name: keep it to characters every file system takes.
        strName.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("_"));
        strSuggested = QDir(LastDir()).filePath(strName + DocumentType::Extension());
    }
    const QString strPath = m_fnSaveFileName(strSuggested);
    return !strPath.isEmpty() && SaveTo(pView, strPath);
}

bool CDocManager::SaveTo(CMyTalvaView* pView, const QString& strPath)
{
    // The whole series over one of its files would show its readings twice when opened again.
    if (SeriesParts(pView).contains(CanonicalPath(strPath))) {
        m_prompt.Message(tr("%1 is a file of the series shown: save the series under another name.")
                             .arg(QDir::toNativeSeparators(strPath)),
                         CProgramInfo::Name(), CPrompt::Warning);
        return false;
    }
    QString strError;
    bool bSaved = false;
    {
        CWaitCursor wait;
        bSaved = pView->GetDocument()->SaveFile(strPath, &strError);
    }
    if (!bSaved) {
        m_prompt.Message(strError, CProgramInfo::Name(), CPrompt::Critical);
        return false;
    }
    const QFileInfo info(strPath);
    qCInfo(LogApp, "saved %s to %s (%lld readings)", qUtf8Printable(pView->Title()),
           qUtf8Printable(QDir::toNativeSeparators(info.absoluteFilePath())),
           qlonglong(pView->GetDocument()->m_arrData[0].size()));
    pView->SetPathName(info.absoluteFilePath());
    pView->SetTitle(info.fileName());
    pView->SetModified(false);
    for (CEntry& entry : m_entries) {
        if (entry.pView == pView)
            entry.seriesParts.clear(); // one file of its own from now on
    }
    AddRecentFile(strPath);
    emit ViewSaved(pView);
    return true;
}

bool CDocManager::SaveModified(CMyTalvaView* pView)
{
    if (!pView->IsModified())
        return true;
    switch (m_prompt.Ask(tr("Save changes to %1?").arg(pView->Title()), CProgramInfo::Name(), true)) {
    case CPrompt::Yes:
        return Save(pView);
    case CPrompt::No:
        return true;
    case CPrompt::Cancel:
        break;
    }
    return false;
}

bool CDocManager::QueryClose(CMyTalvaView* pView)
{
    if (!m_bClosingAll && !SaveModified(pView))
        return false;
    emit ViewClosing(pView);
    qCInfo(LogApp, "closed %s", qUtf8Printable(pView->Title()));
    // Gone for the commands from now on, though the window is deleted a moment later.
    const int nId = ViewId(pView);
    m_entries.removeIf([nId](const CEntry& entry) { return entry.nId == nId; });
    UpdateCommands();
    emit ViewClosed(nId);
    return true;
}

bool CDocManager::CloseView(CMyTalvaView* pView)
{
    auto* pFrame = qobject_cast<CChildFrame*>(pView->parentWidget());
    return pFrame && pFrame->close();
}

bool CDocManager::CloseAll()
{
    for (CMyTalvaView* pView : Views()) {
        if (!SaveModified(pView))
            return false;
    }
    m_bClosingAll = true;
    bool bClosed = true;
    for (CMyTalvaView* pView : Views())
        bClosed = CloseView(pView) && bClosed;
    m_bClosingAll = false;
    return bClosed;
}

QString CDocManager::LastDir() const
{
    const QStringList files = RecentFiles();
    return files.isEmpty() ? QDir::homePath() : QFileInfo(files.first()).absolutePath();
}

QStringList CDocManager::RecentFiles() const
{
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    settings.beginGroup(kRecentGroup);
    QStringList files;
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const QString strFile = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!strFile.isEmpty())
            files << strFile;
    }
    return files;
}

void CDocManager::StoreRecentFiles(const QStringList& files)
{
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    settings.beginGroup(kRecentGroup);
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const QString strKey = QStringLiteral("File%1").arg(i);
        if (i <= files.size())
            settings.setValue(strKey, files[i - 1]);
        else
            settings.remove(strKey);
    }
    settings.endGroup();
    settings.sync();
    UpdateRecentMenu();
}

void CDocManager::AddRecentFile(const QString& strPath)
{
    const QString strCanonical = CanonicalPath(strPath);
    QStringList files = RecentFiles();
    files.removeIf([&](const QString& strFile) { return CanonicalPath(strFile) == strCanonical; });
    files.prepend(strCanonical);
    StoreRecentFiles(files.mid(0, kMaxRecentFiles));
}

void CDocManager::RemoveRecentFile(const QString& strPath)
{
    const QString strCanonical = CanonicalPath(strPath);
    QStringList files = RecentFiles();
    if (files.removeIf([&](const QString& strFile) { return CanonicalPath(strFile) == strCanonical; }) > 0)
        StoreRecentFiles(files);
}

void CDocManager::UpdateRecentMenu()
{
    if (!m_pRecentStart)
        return;
    QMenu* pFile = m_commands.Menu(CCommandHost::MenuId::File);
    // One of them may be the action being triggered right now.
    for (QAction* pOld : std::as_const(m_recentActions)) {
        pFile->removeAction(pOld);
        pOld->deleteLater();
    }
    m_recentActions.clear();
    const QStringList files = RecentFiles();
    // The entries sit between the separator and the one before "E&xit".
    const QList<QAction*> actions = pFile->actions();
    const qsizetype nStart = actions.indexOf(m_pRecentStart);
    QAction* pBefore = actions.value(nStart + 1);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString strFile = files[i];
        auto* pAction = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(strFile)), pFile);
        pAction->setStatusTip(tr("Open %1").arg(QDir::toNativeSeparators(strFile)));
        connect(pAction, &QAction::triggered, this, [this, strFile] { OpenDocumentFile(strFile); });
        pFile->insertAction(pBefore, pAction);
        m_recentActions << pAction;
    }
}
