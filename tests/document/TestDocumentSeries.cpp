// A recording continued in numbered files, read back as one document.
#include "CSeriesFiles.h"
#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"
#include "document/CObData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kPerFile = 50;

QString Name(const QString& strPath)
{
    return QFileInfo(strPath).fileName();
}

QStringList Names(const QStringList& paths)
{
    QStringList names;
    for (const QString& strPath : paths)
        names << Name(strPath);
    return names;
}

} // namespace

TEST(DocumentSeries, FilesAreNamedAsTheRecorderNamesThem)
{
    EXPECT_EQ(CDocumentSeries::PartPath(QStringLiteral("/d/log.mLog"), 1), QStringLiteral("/d/log.mLog"));
    EXPECT_EQ(CDocumentSeries::PartPath(QStringLiteral("/d/log.mLog"), 3), QStringLiteral("/d/log-3.mLog"));
    EXPECT_EQ(CDocumentSeries::PartPath(QStringLiteral("/d/log"), 2), QStringLiteral("/d/log-2.mLog"));
    EXPECT_EQ(CDocumentSeries::PartPath(QStringLiteral("/d.x/run.2.mLog"), 12), QStringLiteral("/d.x/run.2-12.mLog"));

    QTemporaryDir dir;
    for (const char* pszName : { "log.mLog", "log-2.mLog", "log-17.mLog", "log-x.mLog", "logs-2.mLog", "log-3.txt" }) {
        QFile file(dir.filePath(QString::fromLatin1(pszName)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(Names(CDocumentSeries::ExistingContinuations(dir.filePath(QStringLiteral("log.mLog")))),
              (QStringList { QStringLiteral("log-17.mLog"), QStringLiteral("log-2.mLog") }));
}

TEST(DocumentSeries, ConsecutiveFilesReadAsOneRecordingWithFiguresOverAll)
{
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("log.mLog"));
    const CSeriesFiles series(kPerFile, 7000);
    QString strError;
    ASSERT_TRUE(series.Write(strFirst, 4, &strError)) << qPrintable(strError);
    // File 5 is missing: file 6 is no part of the series.
    ASSERT_TRUE(series.WritePart(strFirst, 6, &strError)) << qPrintable(strError);

    CDocumentSeries::CLoaded loaded = CDocumentSeries::Load(strFirst);
    ASSERT_TRUE(loaded.pDoc) << qPrintable(loaded.strError);
    EXPECT_TRUE(loaded.leftOut.isEmpty()) << qPrintable(loaded.leftOut.join(QLatin1Char('\n')));
    EXPECT_EQ(Names(loaded.parts), (QStringList { QStringLiteral("log.mLog"), QStringLiteral("log-2.mLog"),
                                                  QStringLiteral("log-3.mLog"), QStringLiteral("log-4.mLog") }));
    const CMyTalvaDoc& doc = *loaded.pDoc;
    ASSERT_EQ(doc.m_arrData[0].size(), 4 * kPerFile);
    EXPECT_EQ(doc.m_nCount, 4 * kPerFile);
    EXPECT_FALSE(doc.m_bLive);
    // The same document as one recording of all the readings would be.
    CMyTalvaDoc whole;
    for (int i = 0; i < 4 * kPerFile; ++i) {
        const std::optional<CObData> ob = doc.m_arrData[0][i];
        ASSERT_TRUE(ob);
        const CObData* pOb = &*ob;
        EXPECT_EQ(pOb->m_nIndex, i);
        EXPECT_EQ(pOb->m_dValue, series.Value(i)) << i;
        EXPECT_EQ(pOb->m_strTime, series.Time(i)) << i;
        whole.AddReading(0, pOb->m_strUnit, i, pOb->m_strTime, pOb->m_strType, pOb->m_dValue, 0.0, 6.0f, float(pOb->m_dValue));
    }
    EXPECT_EQ(doc.m_dMax, whole.m_dMax);
    EXPECT_EQ(doc.m_dMin, whole.m_dMin);
    EXPECT_EQ(doc.m_strMaxTime, whole.m_strMaxTime);
    EXPECT_EQ(doc.m_strMinTime, whole.m_strMinTime);
    EXPECT_NEAR(doc.m_dAverage, whole.m_dAverage, 1e-12);
    EXPECT_NEAR(doc.m_dSum, whole.m_dSum, 1e-9);
    EXPECT_EQ(doc.m_strStartTime, series.Time(0));
    EXPECT_EQ(doc.m_strEndTime, series.Time(4 * kPerFile - 1));
    EXPECT_EQ(doc.Summary().Count(), 4 * kPerFile);

    // Saved, the series is one recording that reads back whole.
    const QString strJoined = dir.filePath(QStringLiteral("joined.mLog"));
    ASSERT_TRUE(doc.SaveFile(strJoined, &strError)) << qPrintable(strError);
    const auto pJoined = CMyTalvaDoc::LoadFile(strJoined, &strError);
    ASSERT_TRUE(pJoined) << qPrintable(strError);
    EXPECT_EQ(pJoined->m_arrData[0].size(), 4 * kPerFile);
    EXPECT_EQ(pJoined->m_dMax, doc.m_dMax);
    EXPECT_EQ(pJoined->m_strEndTime, doc.m_strEndTime);
}

TEST(DocumentSeries, AFileThatDoesNotLoadOrHoldsAnotherQuantityIsLeftOutAndNamed)
{
    QTemporaryDir dir;
    const QString strFirst = dir.filePath(QStringLiteral("run.mLog"));
    const CSeriesFiles series(kPerFile, 1000);
    QString strError;
    ASSERT_TRUE(series.Write(strFirst, 5, &strError)) << qPrintable(strError);
    {
        QFile broken(CDocumentSeries::PartPath(strFirst, 2));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("no recording at all");
    }
    {
        CMyTalvaDoc amps;
        for (int i = 0; i < 10; ++i)
            amps.AddReading(0, QStringLiteral("mA"), i, series.Time(i), QStringLiteral("ADC"), 1.5, 0.0, 6.0f, 1.5f);
        ASSERT_TRUE(amps.SaveFile(CDocumentSeries::PartPath(strFirst, 4), &strError)) << qPrintable(strError);
    }
    CDocumentSeries::CLoaded loaded = CDocumentSeries::Load(strFirst);
    ASSERT_TRUE(loaded.pDoc) << qPrintable(loaded.strError);
    EXPECT_EQ(Names(loaded.parts), (QStringList { QStringLiteral("run.mLog"), QStringLiteral("run-3.mLog"),
                                                  QStringLiteral("run-5.mLog") }));
    ASSERT_EQ(loaded.leftOut.size(), 2);
    EXPECT_TRUE(loaded.leftOut[0].contains(QStringLiteral("run-2.mLog"))) << qPrintable(loaded.leftOut[0]);
    EXPECT_TRUE(loaded.leftOut[0].contains(QStringLiteral("left out"))) << qPrintable(loaded.leftOut[0]);
    EXPECT_TRUE(loaded.leftOut[1].contains(QStringLiteral("run-4.mLog"))) << qPrintable(loaded.leftOut[1]);
    EXPECT_TRUE(loaded.leftOut[1].contains(QStringLiteral("mA"))) << qPrintable(loaded.leftOut[1]);
    const CMyTalvaDoc& doc = *loaded.pDoc;
    ASSERT_EQ(doc.m_arrData[0].size(), 3 * kPerFile);
    // File 3's readings follow file 1's, numbered on.
    EXPECT_EQ(doc.m_arrData[0][kPerFile]->m_nIndex, kPerFile);
    EXPECT_EQ(doc.m_arrData[0][kPerFile]->m_dValue, series.Value(2 * kPerFile));
    EXPECT_EQ(doc.SkippedReadings(), 0);

    // Without its first file there is no series.
    QFile::remove(strFirst);
    const CDocumentSeries::CLoaded none = CDocumentSeries::Load(strFirst);
    EXPECT_FALSE(none.pDoc);
    EXPECT_TRUE(none.strError.contains(QStringLiteral("run.mLog"))) << qPrintable(none.strError);
    EXPECT_TRUE(none.parts.isEmpty());
}
