#include "document/CMyTalvaDoc.h"
#include "document/CRecoveredSessions.h"
#include "document/CRecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void AddReadings(CMyTalvaDoc& doc, int nCount, int nArray = 0)
{
    for (int i = 0; i < nCount; ++i) {
        const int n = int(doc.m_arrData[0].size());
        doc.AddReading(nArray, QStringLiteral("V"), n, QStringLiteral("t%1").arg(n), QStringLiteral("VDC"), n * 0.5, 0.0,
                       1000.0f, float(n * 0.5));
    }
}

std::unique_ptr<CMyTalvaDoc> Load(const QString& strPath)
{
    QString strError;
    auto pDoc = CMyTalvaDoc::LoadFile(strPath, &strError);
    EXPECT_TRUE(pDoc) << qPrintable(strError);
    return pDoc;
}

} // namespace

TEST(RecoveryStore, KeepsEachDocumentWholeAsItGrows)
{
    QTemporaryDir root;
    CMyTalvaDoc doc;
    AddReadings(doc, 3);
    AddReadings(doc, 2, 1);
    QString strPath;
    {
        CRecoveryStore store(root.path());
        ASSERT_TRUE(store.Write(7, doc, QStringLiteral("New File1")));
        store.Flush();
        strPath = QDir(store.SessionPath()).filePath(CRecoveryStore::DataFileName(7));
        EXPECT_EQ(Load(strPath)->SaveBytes(), doc.SaveBytes());

        // Only what is new is handed over; the file is still the whole document.
        AddReadings(doc, 4);
        ASSERT_TRUE(store.Write(7, doc, QStringLiteral("New File1")));
        store.Flush();
        EXPECT_EQ(Load(strPath)->SaveBytes(), doc.SaveBytes());

        // A document that lost records is copied again from the start.
        doc.DeleteContents();
        AddReadings(doc, 1);
        ASSERT_TRUE(store.Write(7, doc, QStringLiteral("New File1")));
        store.Flush();
        EXPECT_EQ(Load(strPath)->SaveBytes(), doc.SaveBytes());
        EXPECT_TRUE(store.LastError().isEmpty());
    }
    // The store went without removing the copy, as a crashed program would leave it.
    EXPECT_TRUE(QFile::exists(strPath));
}

TEST(RecoveryStore, ALongDocumentIsWrittenOnceEveryRecordIsCopied)
{
    QTemporaryDir root;
    CMyTalvaDoc doc;
    AddReadings(doc, int(CRecoveryStore::kMaxCopyPerWrite) + 10);
    CRecoveryStore store(root.path());
    ASSERT_TRUE(store.Write(1, doc, QStringLiteral("big")));
    store.Flush();
    const QString strPath = QDir(store.SessionPath()).filePath(CRecoveryStore::DataFileName(1));
    EXPECT_FALSE(QFile::exists(strPath)); // half a document would be worse than none
    ASSERT_TRUE(store.Write(1, doc, QStringLiteral("big")));
    store.Flush();
    EXPECT_EQ(Load(strPath)->m_arrData[0].size(), doc.m_arrData[0].size());
}

TEST(RecoveryStore, RemovedCopiesGoAndAnEmptySessionLeavesNothing)
{
    QTemporaryDir root;
    CMyTalvaDoc doc;
    AddReadings(doc, 2);
    QString strSession;
    {
        CRecoveryStore store(root.path());
        store.Remove(3); // never written: nothing to do
        ASSERT_TRUE(store.Write(3, doc, QStringLiteral("a")));
        store.Flush();
        strSession = store.SessionPath();
        EXPECT_TRUE(QFile::exists(QDir(strSession).filePath(CRecoveryStore::TitleFileName(3))));
        store.Remove(3);
        store.Flush();
        EXPECT_FALSE(QFile::exists(QDir(strSession).filePath(CRecoveryStore::DataFileName(3))));
        EXPECT_FALSE(QFile::exists(QDir(strSession).filePath(CRecoveryStore::TitleFileName(3))));
    }
    EXPECT_FALSE(QDir(strSession).exists());
    EXPECT_TRUE(CRecoveredSessions(root.path()).Copies().isEmpty());
}

TEST(RecoveryStore, OnlySessionsWhoseProgramIsGoneAreOffered)
{
    QTemporaryDir root;
    CMyTalvaDoc first, second;
    AddReadings(first, 2);
    AddReadings(second, 5);
    {
        CRecoveryStore ended(root.path());
        ASSERT_TRUE(ended.Write(2, second, QStringLiteral("New File2")));
        ASSERT_TRUE(ended.Write(1, first, QStringLiteral("New File1")));
        ended.Flush();
    }
    CRecoveryStore running(root.path());
    ASSERT_TRUE(running.Write(1, first, QStringLiteral("running")));
    running.Flush();

    CRecoveredSessions sessions(root.path());
    ASSERT_EQ(sessions.Copies().size(), 2);
    EXPECT_EQ(sessions.Copies()[0].strTitle, QStringLiteral("New File1"));
    EXPECT_EQ(sessions.Copies()[1].strTitle, QStringLiteral("New File2"));
    EXPECT_EQ(Load(sessions.Copies()[1].strPath)->m_arrData[0].size(), 5);
    // While one program looks at them, another does not offer them too.
    EXPECT_TRUE(CRecoveredSessions(root.path()).Copies().isEmpty());
    sessions.RemoveAll();
    EXPECT_TRUE(CRecoveredSessions(root.path()).Copies().isEmpty());
    EXPECT_TRUE(QDir(running.SessionPath()).exists()); // the running session is left alone
}

TEST(RecoveryStore, AFolderThatCannotBeMadeIsReported)
{
    QTemporaryDir root;
    QFile blocker(QDir(root.path()).filePath(QStringLiteral("recovery")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    CMyTalvaDoc doc;
    AddReadings(doc, 1);
    CRecoveryStore store(blocker.fileName());
    EXPECT_FALSE(store.Write(1, doc, QStringLiteral("x")));
    EXPECT_FALSE(store.LastError().isEmpty());
    store.Flush(); // returns at once: nothing is queued
}
