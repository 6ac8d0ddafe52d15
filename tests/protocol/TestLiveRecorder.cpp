#include "protocol/CLiveRecorder.h"

#include "document/CMyTalvaDoc.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
CDecodedReading Reading(const char* pszFunction, float fValue, float fRange, int nSecond, bool bSeries8 = true)
{
    CDecodedReading d;
    d.reading.m_strFunction = QString::fromLatin1(pszFunction);
    d.reading.m_strUnit = QStringLiteral("V");
    d.reading.m_fValue = fValue;
    d.reading.m_fRange = fRange;
    d.strTime = QStringLiteral("14/3/25 9:30:%1").arg(nSecond);
    d.nLayout = 1;
    d.nRecordKind = 1;
    d.bSeries8Frame = bSeries8;
    return d;
}

std::unique_ptr<CMyTalvaDoc> Load(const QString& strPath)
{
    QString strError;
    auto pDoc = CMyTalvaDoc::LoadFile(strPath, &strError);
    EXPECT_TRUE(pDoc) << qPrintable(strError);
    return pDoc;
}
}

TEST(LiveRecorder, OverloadsFunctionChangesAndFullFiles)
{
    QTemporaryDir dir;
    CLiveRecorder recorder(dir.filePath(QStringLiteral("run.mLog")));
    EXPECT_FALSE(recorder.Record(Reading("VDC", 1.0f, 10.0f, 0, false))); // statistics readings are not live
    EXPECT_TRUE(recorder.Record(Reading("VDC", 12.0f, 10.0f, 1)));
    EXPECT_TRUE(recorder.Record(Reading("VDC", -12.0f, 10.0f, 2)));
    EXPECT_TRUE(recorder.Record(Reading("VDC", 10.0f, 10.0f, 3)));
    EXPECT_TRUE(recorder.Record(Reading("VAC", 5.0f, 10.0f, 4)));
    EXPECT_EQ(recorder.CurrentPath(), dir.filePath(QStringLiteral("run-2.mLog")));
    EXPECT_TRUE(recorder.Save());

    auto pFirst = Load(dir.filePath(QStringLiteral("run.mLog")));
    ASSERT_TRUE(pFirst);
    ASSERT_EQ(pFirst->m_arrData[0].size(), 3);
    EXPECT_EQ(pFirst->m_arrData[0].Record(0)->m_dValue, 500000.0);
    EXPECT_EQ(pFirst->m_arrData[0].Record(1)->m_dValue, -500000.0);
    EXPECT_EQ(pFirst->m_arrData[0].Record(2)->m_dValue, 10.0); // equal to the range: a reading
    EXPECT_EQ(pFirst->m_arrData[0].Record(2)->m_nIndex, 2);
    EXPECT_EQ(pFirst->m_nCount, 3);
    EXPECT_EQ(pFirst->m_dMax, -60000.0); // nothing strictly inside the range
    auto pSecond = Load(dir.filePath(QStringLiteral("run-2.mLog")));
    ASSERT_TRUE(pSecond);
    ASSERT_EQ(pSecond->m_arrData[0].size(), 1);
    EXPECT_EQ(pSecond->m_arrData[0].Record(0)->m_strType, QStringLiteral("VAC"));
    EXPECT_EQ(pSecond->m_dMax, 5.0);

    // A full file moves on to the next one.
    for (int i = 1; i < CLiveRecorder::kMaxRecords; ++i)
        recorder.Record(Reading("VAC", 1.0f, 10.0f, i % 60));
    EXPECT_EQ(recorder.RecordsInFile(), CLiveRecorder::kMaxRecords);
    recorder.Record(Reading("VAC", 2.0f, 10.0f, 0));
    EXPECT_EQ(recorder.CurrentPath(), dir.filePath(QStringLiteral("run-3.mLog")));
    EXPECT_EQ(recorder.RecordsInFile(), 1);
    EXPECT_EQ(recorder.TotalRecords(), 4 + CLiveRecorder::kMaxRecords);
    auto pFull = Load(dir.filePath(QStringLiteral("run-2.mLog")));
    ASSERT_TRUE(pFull);
    EXPECT_EQ(pFull->m_nCount, CLiveRecorder::kMaxRecords);
}

TEST(LiveRecorder, AFailedSaveIsReportedAndKeepsTheRecords)
{
    CLiveRecorder recorder(QStringLiteral("/proc/no-such-dir/run.mLog"));
    QStringList errors;
    QObject::connect(&recorder, &CLiveRecorder::FileError, [&](const QString& s) { errors << s; });
    recorder.Record(Reading("VDC", 1.0f, 10.0f, 0));
    EXPECT_FALSE(recorder.Save());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.value(0).startsWith(QStringLiteral("Cannot save \"/proc/no-such-dir/run.mLog\"")))
        << qPrintable(errors.value(0));
    EXPECT_EQ(recorder.RecordsInFile(), 1);
    EXPECT_EQ(recorder.FailedSaves(), 1);
}

TEST(LiveRecorder, AFileThatFailsToSaveAtTheFunctionChangeIsKeptAndSavedAgain)
{
    QTemporaryDir dir;
    // A directory where the second file goes makes its save fail, even for root.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("run.mLog")));
    CLiveRecorder recorder(dir.filePath(QStringLiteral("run.mLog")));
    QStringList errors;
    QObject::connect(&recorder, &CLiveRecorder::FileError, [&](const QString& s) { errors << s; });
    recorder.Record(Reading("VDC", 1.0f, 10.0f, 0));
    recorder.Record(Reading("VDC", 2.0f, 10.0f, 1));
    recorder.Record(Reading("VAC", 3.0f, 10.0f, 2)); // the next file: the first cannot be written
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(dir.filePath(QStringLiteral("run.mLog")))) << qPrintable(errors[0]);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("2 readings are kept"))) << qPrintable(errors[0]);
    EXPECT_EQ(recorder.UnsavedFiles(), QStringList { dir.filePath(QStringLiteral("run.mLog")) });

    // Still blocked: the next save fails again and says so.
    EXPECT_FALSE(recorder.Save());
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(recorder.FailedSaves(), 2);

    // Once the way is free, the kept readings reach their file.
    ASSERT_TRUE(QDir(dir.filePath(QStringLiteral("run.mLog"))).removeRecursively());
    EXPECT_TRUE(recorder.Save());
    EXPECT_TRUE(recorder.UnsavedFiles().isEmpty());
    EXPECT_EQ(recorder.FailedSaves(), 2); // earlier failures still count for the end status
    auto pFirst = Load(dir.filePath(QStringLiteral("run.mLog")));
    ASSERT_TRUE(pFirst);
    EXPECT_EQ(pFirst->m_nCount, 2);
    auto pSecond = Load(dir.filePath(QStringLiteral("run-2.mLog")));
    ASSERT_TRUE(pSecond);
    EXPECT_EQ(pSecond->m_nCount, 1);
}

TEST(LiveRecorder, ASecondRecorderOnTheSameOutputRefuses)
{
    QTemporaryDir dir;
    const QString strOut = dir.filePath(QStringLiteral("same.mLog"));
    CLiveRecorder first(strOut);
    QString strError;
    ASSERT_TRUE(first.Lock(&strError)) << qPrintable(strError);
    {
        CLiveRecorder second(dir.filePath(QStringLiteral("same")));
        EXPECT_FALSE(second.Lock(&strError));
        EXPECT_TRUE(strError.contains(QStringLiteral("being recorded by another process"))) << qPrintable(strError);
        EXPECT_TRUE(strError.contains(strOut)) << qPrintable(strError);
    }
    // Another output is free.
    CLiveRecorder other(dir.filePath(QStringLiteral("other.mLog")));
    EXPECT_TRUE(other.Lock(&strError)) << qPrintable(strError);
}
