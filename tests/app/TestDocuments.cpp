#include "CAppTestHelpers.h"
#include "app/CAutoRecovery.h"
#include "app/CChildFrame.h"
#include "app/CDocManager.h"
#include "app/CMainFrame.h"
#include "document/CRecoveredSessions.h"
#include "document/ui/CMyTalvaView.h"
#include "graph/CControlDlgBar.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphDlg.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>

using namespace AppTest;

namespace {

// The frame's file dialogs answer with these paths.
void AnswerFileDialogs(CDocManager& docs, const QString& strOpen, const QString& strSave)
{
    docs.m_fnOpenFileName = [strOpen](const QString&) { return strOpen; };
    docs.m_fnSaveFileName = [strSave](const QString&) { return strSave; };
}

QString WriteRecording(const QString& strPath, int nReadings)
{
    CMyTalvaDoc doc;
    AddReadings(doc, nReadings);
    QString strError;
    EXPECT_TRUE(doc.SaveFile(strPath, &strError)) << qPrintable(strError);
    return strPath;
}

} // namespace

TEST(Documents, CommandsInTheirMenusAndNewDocumentsNumbered)
{
    CMainFrame frame;
    frame.show();
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::File)->actions()),
              QStringList({"&New", "&Open...", "Open &Series...", "&Close", "&Save", "Save &As...", "Open &Osc...", "&Export To Excel",
                           "&Print", "-", "-", "E&xit"}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::RealTime)->actions()),
              QStringList({"Start", "Stop", "-", "Log to &Folder...", "-", "&Alarms...", "Ac&knowledge Alarm"}));
    EXPECT_EQ(Texts(frame.Menu(CMainFrame::MenuId::GraphSetting)->actions()), QStringList({"Setting"}));

    CDocManager& docs = frame.DocManager();
    QAction* pSetting = frame.Menu(CMainFrame::MenuId::GraphSetting)->actions().value(0);
    EXPECT_FALSE(pSetting->isEnabled());
    CMyTalvaView* pFirst = docs.NewDocument();
    CMyTalvaView* pSecond = docs.NewDocument();
    EXPECT_EQ(pFirst->Title(), QStringLiteral("New File1"));
    EXPECT_EQ(pSecond->Title(), QStringLiteral("New File2"));
    EXPECT_EQ(docs.ActiveView(), pSecond);
    EXPECT_EQ(frame.MdiArea()->currentSubWindow()->windowTitle(), QStringLiteral("New File2"));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Orvex Multimeter Software - [New File2]"));
    EXPECT_TRUE(pSetting->isEnabled());
    EXPECT_EQ(docs.Views(), QList<CMyTalvaView*>({pFirst, pSecond}));

    // The graph tool bar works on the current document's graph.
    frame.GraphControlBar()->SendCommand(GraphCommand::kMove);
    EXPECT_EQ(pSecond->Graph()->CurrentTool(), CGraphDlg::kToolMove);
    EXPECT_EQ(pFirst->Graph()->CurrentTool(), CGraphDlg::kToolRect);
}

TEST(Documents, ExportAndPrintActOnTheCurrentDocumentOnceItHoldsReadings)
{
    QTemporaryDir dir;
    CMainFrame frame;
    frame.show();
    QMenu* pFile = frame.Menu(CMainFrame::MenuId::File);
    QAction* pExport = pFile->actions().value(7);
    QMenu* pPrint = pFile->actions().value(8)->menu();
    ASSERT_TRUE(pExport && pPrint);
    EXPECT_EQ(pExport->text(), QStringLiteral("&Export To Excel"));
    ASSERT_EQ(Texts(pPrint->actions()), QStringList({"&Graph", "&Data"}));
    QAction* pPrintGraph = pPrint->actions()[0];
    QAction* pPrintData = pPrint->actions()[1];
    EXPECT_EQ(pPrintGraph->shortcut(), QKeySequence(QKeySequence::Print));
    auto enabled = [&] {
        return QList<bool>{pExport->isEnabled(), pPrintGraph->isEnabled(), pPrintData->isEnabled()};
    };
    EXPECT_EQ(enabled(), QList<bool>({false, false, false}));

    CDocManager& docs = frame.DocManager();
    CMyTalvaView* pFirst = docs.NewDocument();
    EXPECT_EQ(enabled(), QList<bool>({false, false, false})); // no readings yet
    AddReadings(*pFirst->GetDocument(), 3);
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
    CMyTalvaView* pSecond = docs.NewDocument();
    EXPECT_EQ(enabled(), QList<bool>({false, false, false}));

    // The commands reach the current view: its dialogs are the ones asked.
    int nPrintDialogs = 0;
    QString strAsked;
    for (CMyTalvaView* pView : {pFirst, pSecond}) {
        pView->m_fnPrintDialog = [&](QPrinter&, QWidget*) { return ++nPrintDialogs, false; };
        pView->m_fnExportFileName = [&, pView](const QString&) {
            strAsked = pView->Title();
            return dir.filePath(QStringLiteral("out.xls"));
        };
    }
    frame.MdiArea()->setActiveSubWindow(frame.MdiArea()->subWindowList().first());
    ASSERT_EQ(docs.ActiveView(), pFirst);
    EXPECT_EQ(enabled(), QList<bool>({true, true, true}));
    pExport->trigger();
    EXPECT_EQ(strAsked, QStringLiteral("New File1"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("out.xls"))));
    pPrintGraph->trigger();
    pPrintData->trigger();
    EXPECT_EQ(nPrintDialogs, 2);
}

TEST(Documents, SaveReopenAndTheFourRecentFiles)
{
    QTemporaryDir dir;
    CMainFrame frame;
    CDocManager& docs = frame.DocManager();
    CMyTalvaView* pView = docs.NewDocument();
    AddReadings(*pView->GetDocument(), 5);
    EXPECT_TRUE(pView->IsModified());
    const QString strPath = dir.filePath(QStringLiteral("first.mLog"));
    AnswerFileDialogs(docs, QString(), strPath);
    ASSERT_TRUE(docs.OnFileSave()); // no file yet: Save asks for one
    EXPECT_FALSE(pView->IsModified());
    EXPECT_EQ(pView->Title(), QStringLiteral("first.mLog"));
    EXPECT_EQ(frame.MdiArea()->currentSubWindow()->windowTitle(), QStringLiteral("first.mLog"));

    // Opening the file again shows the window that has it.
    EXPECT_EQ(docs.OpenDocumentFile(strPath), pView);
    ASSERT_TRUE(docs.CloseView(pView));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(docs.Views().isEmpty());
    CMyTalvaView* pReopened = docs.OpenDocumentFile(strPath);
    ASSERT_NE(pReopened, nullptr);
    EXPECT_FALSE(pReopened->m_bLive);
    EXPECT_FALSE(pReopened->IsModified());
    ASSERT_EQ(pReopened->ListModel()->rowCount(), 5);
    EXPECT_EQ(pReopened->ListModel()->Text(4, CDataListModel::kValue), QStringLiteral("1.0000"));

    for (int i = 2; i <= 6; ++i)
        docs.OpenDocumentFile(WriteRecording(dir.filePath(QStringLiteral("f%1.mLog").arg(i)), 1));
    const QStringList recent = docs.RecentFiles();
    ASSERT_EQ(recent.size(), CDocManager::kMaxRecentFiles);
    EXPECT_TRUE(recent[0].endsWith(QStringLiteral("f6.mLog")));
    EXPECT_TRUE(recent[3].endsWith(QStringLiteral("f3.mLog")));
    const QStringList menu = Texts(frame.Menu(CMainFrame::MenuId::File)->actions());
    EXPECT_EQ(menu.mid(10, 4), QStringList({"&1 " + QDir::toNativeSeparators(recent[0]), "&2 " + QDir::toNativeSeparators(recent[1]),
                                           "&3 " + QDir::toNativeSeparators(recent[2]), "&4 " + QDir::toNativeSeparators(recent[3])}));
    // A recent file opens from its menu entry.
    frame.Menu(CMainFrame::MenuId::File)->actions()[13]->trigger();
    EXPECT_TRUE(docs.ActiveView()->PathName().endsWith(QStringLiteral("f3.mLog")));
}

TEST(Documents, AFileThatDoesNotLoadSaysWhyAndOpensNothing)
{
    QTemporaryDir dir;
    CMainFrame frame;
    CDocManager& docs = frame.DocManager();
    const QString strBad = dir.filePath(QStringLiteral("bad.mLog"));
    {
        QFile file(strBad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\x01\x00\xff\xff\x01\x00\x07\x00NotOurs", 15);
    }
    auto pBox = AnswerNextBox(QMessageBox::Ok);
    EXPECT_EQ(docs.OpenDocumentFile(strBad), nullptr);
    EXPECT_TRUE(pBox->bShown);
    EXPECT_TRUE(pBox->strText.startsWith(QStringLiteral("Cannot open \"%1\": ").arg(QDir::toNativeSeparators(strBad))))
        << qPrintable(pBox->strText);
    EXPECT_TRUE(docs.Views().isEmpty());

    // A recent file that has gone is reported and leaves the list.
    const QString strGone = WriteRecording(dir.filePath(QStringLiteral("gone.mLog")), 2);
    CMyTalvaView* pGone = docs.OpenDocumentFile(strGone);
    ASSERT_NE(pGone, nullptr);
    ASSERT_TRUE(docs.CloseView(pGone));
    ASSERT_TRUE(docs.RecentFiles().value(0).endsWith(QStringLiteral("gone.mLog")));
    ASSERT_TRUE(QFile::remove(strGone));
    pBox = AnswerNextBox(QMessageBox::Ok);
    AnswerFileDialogs(docs, strGone, QString());
    docs.OnFileOpen();
    EXPECT_TRUE(pBox->bShown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(docs.Views().isEmpty());
    for (const QString& strRecent : docs.RecentFiles())
        EXPECT_FALSE(strRecent.endsWith(QStringLiteral("gone.mLog")));
}

TEST(Documents, ClosingAModifiedDocumentAsksToSaveIt)
{
    QTemporaryDir dir;
    CMainFrame frame;
    CDocManager& docs = frame.DocManager();
    CMyTalvaView* pView = docs.NewDocument();
    AddReadings(*pView->GetDocument(), 2);

    auto pBox = AnswerNextBox(QMessageBox::Cancel);
    EXPECT_FALSE(docs.OnFileClose());
    EXPECT_EQ(pBox->strText, QStringLiteral("Save changes to New File1?"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(docs.Views().size(), 1);

    // Yes with a save dialog that is cancelled: still open.
    AnswerFileDialogs(docs, QString(), QString());
    pBox = AnswerNextBox(QMessageBox::Yes);
    EXPECT_FALSE(docs.OnFileClose());
    EXPECT_EQ(docs.Views().size(), 1);

    const QString strPath = dir.filePath(QStringLiteral("kept.mLog"));
    AnswerFileDialogs(docs, QString(), strPath);
    pBox = AnswerNextBox(QMessageBox::Yes);
    EXPECT_TRUE(docs.OnFileClose());
    EXPECT_TRUE(QFile::exists(strPath));

    CMyTalvaView* pDiscarded = docs.NewDocument();
    AddReadings(*pDiscarded->GetDocument(), 1);
    pBox = AnswerNextBox(QMessageBox::No);
    EXPECT_TRUE(docs.CloseView(pDiscarded));
    // An unmodified document closes without a question.
    CMyTalvaView* pEmpty = docs.NewDocument();
    EXPECT_TRUE(docs.CloseView(pEmpty));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(docs.Views().isEmpty());
}

TEST(Documents, ExitAsksBeforeTheLinkIsShutDown)
{
    auto pFrame = std::make_unique<CMainFrame>();
    CMainFrame& frame = *pFrame;
    frame.show();
    frame.Link().StartLinkThread();
    CMyTalvaView* pView = frame.DocManager().NewDocument();
    AddReadings(*pView->GetDocument(), 3);

    auto pBox = AnswerNextBox(QMessageBox::Cancel);
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(pBox->bShown);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.Link().IsLinkThreadRunning()); // cancelling kept the link
    EXPECT_EQ(frame.DocManager().Views().size(), 1);

    pBox = AnswerNextBox(QMessageBox::No);
    EXPECT_TRUE(frame.close());
    EXPECT_FALSE(frame.Link().IsLinkThreadRunning());
}

TEST(Documents, FilesDroppedOnTheWindowOpen)
{
    QTemporaryDir dir;
    CMainFrame frame;
    frame.show();
    const QString strPath = WriteRecording(dir.filePath(QStringLiteral("dropped.mLog")), 3);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(strPath)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    ASSERT_EQ(frame.DocManager().Views().size(), 1);
    EXPECT_EQ(frame.DocManager().Views()[0]->Title(), QStringLiteral("dropped.mLog"));
    EXPECT_EQ(frame.DocManager().Views()[0]->ListModel()->rowCount(), 3);
}

TEST(Documents, UnsavedReadingsAreCopiedAndOfferedAfterACrash)
{
    const QString strRoot = CAutoRecovery::DefaultRoot();
    // What a crashed program left: a copy whose session nobody holds.
    {
        CMyTalvaDoc lost;
        AddReadings(lost, 7);
        CRecoveryStore crashed(strRoot);
        ASSERT_TRUE(crashed.Write(1, lost, QStringLiteral("New File3")));
        crashed.Flush();
    }
    CMainFrame frame;
    CDocManager& docs = frame.DocManager();
    CAutoRecovery& recovery = frame.Recovery();

    // Cancel keeps the copies for the next start.
    auto pBox = AnswerNextBox(QMessageBox::Cancel);
    recovery.OfferRestore();
    EXPECT_TRUE(pBox->strText.contains(QStringLiteral("New File3"))) << qPrintable(pBox->strText);
    EXPECT_TRUE(docs.Views().isEmpty());

    pBox = AnswerNextBox(QMessageBox::Yes);
    recovery.OfferRestore();
    ASSERT_EQ(docs.Views().size(), 1);
    CMyTalvaView* pRestored = docs.Views()[0];
    EXPECT_EQ(pRestored->Title(), QStringLiteral("New File3 (recovered)"));
    EXPECT_TRUE(pRestored->IsModified());
    EXPECT_EQ(pRestored->ListModel()->rowCount(), 7);
    // The restored document is copied in this session; the old session is gone.
    CRecoveredSessions left(strRoot, recovery.Store().SessionPath());
    EXPECT_TRUE(left.Copies().isEmpty());
    const QString strCopy = QDir(recovery.Store().SessionPath()).filePath(CRecoveryStore::DataFileName(docs.ViewId(pRestored)));
    EXPECT_TRUE(QFile::exists(strCopy));

    // Saved: no copy is needed any more.
    QTemporaryDir dir;
    ASSERT_TRUE(docs.SaveTo(pRestored, dir.filePath(QStringLiteral("restored.mLog"))));
    recovery.Flush();
    EXPECT_FALSE(QFile::exists(strCopy));

    // New readings are copied at the next round.
    AddReadings(*pRestored->GetDocument(), 2);
    recovery.WriteNow();
    recovery.Flush();
    QString strError;
    auto pCopy = CMyTalvaDoc::LoadFile(strCopy, &strError);
    ASSERT_TRUE(pCopy) << qPrintable(strError);
    EXPECT_EQ(pCopy->m_arrData[0].size(), 9);
}
