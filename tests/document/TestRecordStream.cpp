// CRecordStream: the records of a file one at a time, agreeing with a loaded document.
#include "document/CMyTalvaDoc.h"
#include "document/CRecordStream.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {
QString RecordText(int nArray, const CObData* pOb)
{
    if (!pOb)
        return QStringLiteral("%1 null").arg(nArray);
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8").arg(nArray).arg(pOb->m_dValue, 0, 'g', 17).arg(pOb->m_strUnit)
        .arg(pOb->m_dSampleRate, 0, 'g', 17).arg(pOb->m_nIndex).arg(pOb->m_strTime, pOb->m_strType).arg(double(pOb->m_fRange), 0, 'g', 9);
}

struct SRead
{
    bool bOk = false;
    QString strError;
    QStringList records;
    QString strStatistics;
    bool bComputed = false; //!< the document computed its figures again (readings in several units)
};

SRead ByDocument(const QString& strPath)
{
    SRead r;
    const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadFile(strPath, &r.strError);
    if (!pDoc)
        return r;
    r.bOk = true;
    for (int nArray = 0; nArray < CMyTalvaDoc::kArrayCount; ++nArray)
        for (qsizetype i = 0; i < pDoc->m_arrData[nArray].size(); ++i) {
            const std::optional<CObData> ob = pDoc->m_arrData[nArray].Record(i);
            r.records << RecordText(nArray, ob ? &*ob : nullptr);
        }
    r.strStatistics = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11").arg(pDoc->m_dAverage).arg(pDoc->m_dMax).arg(pDoc->m_strMaxTime)
        .arg(pDoc->m_dMin).arg(pDoc->m_strMinTime).arg(pDoc->m_dSampleRate).arg(pDoc->m_dSum).arg(pDoc->m_nCount)
        .arg(pDoc->m_strStartTime, pDoc->m_strEndTime, pDoc->m_strType);
    r.bComputed = pDoc->UnitsConverted() || pDoc->SkippedReadings() > 0;
    return r;
}

SRead ByStream(const QString& strPath)
{
    SRead r;
    CRecordStream stream;
    if (!stream.Open(strPath, &r.strError))
        return r;
    CRecordStream::SStatistics s;
    r.bOk = stream.Read([&r](int nArray, const CObData* pOb) {
        r.records << RecordText(nArray, pOb);
        return true;
    }, &s, &r.strError);
    if (!r.bOk) {
        r.records.clear();
        return r;
    }
    r.strStatistics = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11").arg(s.dAverage).arg(s.dMax).arg(s.strMaxTime)
        .arg(s.dMin).arg(s.strMinTime).arg(s.dSampleRate).arg(s.dSum).arg(s.nCount)
        .arg(s.strStartTime, s.strEndTime, s.strType);
    return r;
}

void ExpectSame(const QString& strPath, const char* pszWhat)
{
    const SRead doc = ByDocument(strPath);
    const SRead stream = ByStream(strPath);
    EXPECT_EQ(stream.bOk, doc.bOk) << pszWhat << " " << doc.strError.toStdString();
    EXPECT_EQ(stream.strError, doc.strError) << pszWhat;
    EXPECT_EQ(stream.records, doc.records) << pszWhat;
    // The stream gives the figures as stored; a document of mixed units computes its own.
    if (!doc.bComputed)
        EXPECT_EQ(stream.strStatistics, doc.strStatistics) << pszWhat;
}

QByteArray Fixture(const char* pszName)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(pszName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

TEST(RecordStream, AgreesWithTheLoadedDocumentOnGoodBadAndMutatedFiles)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath("f.mLog");
    auto write = [&strPath](const QByteArray& bytes) {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    CMyTalvaDoc doc;
    for (int i = 0; i < 300; ++i)
        doc.AddReading(i % 7 ? 0 : 1, "mVDC", i, QStringLiteral("1/2/25 3:4:%1").arg(i % 60), "VDC", i * 0.25, 0.0, 50.0f, float(i));
    doc.m_arrData[1].AppendNull();
    const QByteArray bases[] = { doc.SaveBytes(), Fixture("null_and_reference.mLog"), Fixture("eight_bit.mLog"), Fixture("empty.mLog") };
    for (const QByteArray& bytes : bases) {
        ASSERT_FALSE(bytes.isEmpty());
        write(bytes);
        ExpectSame(strPath, "whole file");
        ASSERT_TRUE(ByStream(strPath).bOk);
    }
    // The references of the fixture come back as records of their own.
    write(bases[1]);
    EXPECT_FALSE(ByStream(strPath).records.isEmpty());

    std::mt19937 rng(77);
    int nGood = 0;
    for (int i = 0; i < 1500; ++i) {
        QByteArray bytes = bases[i % 3];
        for (int nEdits = 1 + int(rng() % 3); nEdits > 0 && !bytes.isEmpty(); --nEdits) {
            const qsizetype nAt = qsizetype(rng() % quint32(bytes.size()));
            switch (rng() % 3) {
            case 0: bytes[nAt] = char(rng()); break;
            case 1: bytes.truncate(nAt); break;
            default: bytes.insert(nAt, bytes.mid(qsizetype(rng() % quint32(bytes.size())), 1 + int(rng() % 8))); break;
            }
        }
        write(bytes);
        ExpectSame(strPath, "mutated");
        nGood += ByDocument(strPath).bOk ? 1 : 0;
        if (HasFailure())
            break;
    }
    EXPECT_GT(nGood, 20);
    EXPECT_LT(nGood, 1500);
}

TEST(RecordStream, StopsWhenToldAndReadsAgain)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath("f.mLog");
    CMyTalvaDoc doc;
    for (int i = 0; i < 10; ++i)
        doc.AddReading(0, "V", i, "t", "VDC", i, 0.0, 50.0f, float(i));
    ASSERT_TRUE(doc.SaveFile(strPath, nullptr));
    CRecordStream stream;
    ASSERT_TRUE(stream.Open(strPath, nullptr));
    int nSeen = 0;
    QString strError = "x";
    EXPECT_FALSE(stream.Read([&nSeen](int, const CObData*) { return ++nSeen < 3; }, nullptr, &strError));
    EXPECT_EQ(nSeen, 3);
    EXPECT_TRUE(strError.isEmpty());
    CRecordStream::SStatistics s;
    EXPECT_TRUE(stream.Read({}, &s, &strError));
    EXPECT_EQ(s.nCount, 10);
    EXPECT_EQ(ByStream(strPath).records.size(), 10);

    CRecordStream missing;
    EXPECT_FALSE(missing.Open(dir.filePath("none.mLog"), &strError));
    EXPECT_TRUE(strError.contains("none.mLog"));
}
