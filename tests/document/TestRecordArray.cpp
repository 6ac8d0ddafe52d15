// The columns that hold a document's records: every field back exactly as it went in, files
// saved again byte for byte, and the memory a reading costs.
#include "document/CArchive.h"
#include "document/CMyTalvaDoc.h"
#include "document/CRecordArray.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

template <typename T>
QByteArray Bits(T v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof(v));
}

// A record's fields as bytes, so NaN payloads and -0.0 count too.
QByteArray FieldBytes(const CObData& ob)
{
    return Bits(ob.m_dValue) + ob.m_strUnit.toUtf8() + '|' + Bits(ob.m_dSampleRate) + Bits(ob.m_nIndex) + '|'
        + ob.m_strTime.toUtf8() + '|' + ob.m_strType.toUtf8() + '|' + Bits(ob.m_fRange);
}

double NaNWithPayload(quint64 nPayload)
{
    const quint64 nBits = 0x7FF8000000000000ull | (nPayload & 0xFFFFFFFFull);
    double d = 0.0;
    std::memcpy(&d, &nBits, sizeof(d));
    return d;
}

// Records as a week of logging and odd producers leave them: units, types and times that
// repeat in runs and come back later, texts beyond Latin-1, empty and long texts, numbers
// that only compare equal bit for bit. bOneUnit keeps one unit (a primary array whose
// figures are taken as stored).
QList<CObData> MixedRecords(std::mt19937& rng, int nCount, bool bOneUnit)
{
    const QStringList units = {QStringLiteral("mVDC"), QStringLiteral("k\u03a9"), QStringLiteral("\u00b0C"), QString(),
                               QStringLiteral("Crest Factor"), QStringLiteral("uAAC"), QStringLiteral("Hz  ")};
    const QStringList types = {QStringLiteral("VDC"), QStringLiteral("Max"), QStringLiteral("Min"), QString(),
                               QStringLiteral("\u20acuro"), QStringLiteral("OHM")};
    const double rates[] = {0.0, 1.0, -0.0, 2.5, NaNWithPayload(7), std::numeric_limits<double>::infinity()};
    const float ranges[] = {6.0f, 500000.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(), 60.0f};
    QStringList earlierTimes;
    QList<CObData> records;
    QString strTime;
    int nRun = 0;
    int nKind = 0;
    for (int i = 0; i < nCount; ++i) {
        if (nRun-- <= 0) {
            nRun = int(rng() % 5);
            switch (rng() % 8) {
            case 0:
                strTime = earlierTimes.isEmpty() ? QString() : earlierTimes[qsizetype(rng() % earlierTimes.size())];
                break;
            case 1:
                strTime = QStringLiteral("2025\u5e743\u670814\u65e5 9:%1").arg(i); // wide characters
                break;
            case 2:
                strTime = QString();
                break;
            case 3:
                strTime = QString(300 + int(rng() % 10), QChar(u'x')); // the long length form
                break;
            default:
                strTime = QStringLiteral("14/3/25 9:%1:%2").arg(i / 60 % 60).arg(i % 60);
                break;
            }
            earlierTimes << strTime;
        }
        if (rng() % 10 == 0) // mostly the kind of the previous record
            nKind = int(rng() % 1000);
        const double dValue = rng() % 50 == 0 ? NaNWithPayload(rng()) : double(qint32(rng())) / 1000.0;
        records.append(CObData(dValue, bOneUnit ? units[0] : units[nKind % units.size()], rates[nKind % 6],
                               qint32(rng()), strTime, types[nKind / 7 % types.size()], ranges[nKind / 3 % 5]));
    }
    return records;
}

// A file as another writer might have made it: records with null elements between them.
QByteArray FileOf(const QList<CObData> (&arrays)[CMyTalvaDoc::kArrayCount], int nNullEvery)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer);
    for (const QList<CObData>& records : arrays) {
        const qsizetype nNulls = nNullEvery > 0 ? records.size() / nNullEvery : 0;
        ar.WriteCount(quint64(records.size() + nNulls));
        for (qsizetype i = 0; i < records.size(); ++i) {
            ar.WriteObject(&records[i]);
            if (nNullEvery > 0 && i % nNullEvery == nNullEvery - 1)
                ar.WriteObject(nullptr);
        }
    }
    ar << 1.25 << 9.5 << QStringLiteral("max time") << -3.0 << QStringLiteral("min \u00e9") << 0.5 << 12.5 << qint32(77)
       << QStringLiteral("start") << QString(300, QChar(u'e')) << QStringLiteral("VDC");
    ar.Flush();
    EXPECT_FALSE(ar.HasError()) << ar.ErrorString().toStdString();
    return bytes;
}

} // namespace

TEST(RecordArray, FieldsComeBackBitForBitAndNullsStayNull)
{
    std::mt19937 rng(11);
    const QList<CObData> records = MixedRecords(rng, 3000, false);
    CRecordArray arr;
    for (qsizetype i = 0; i < records.size(); ++i) {
        arr.Append(records[i]);
        if (i % 97 == 0)
            arr.AppendNull();
    }
    qsizetype k = 0;
    for (qsizetype i = 0; i < arr.size(); ++i) {
        if (arr.IsNull(i)) {
            EXPECT_FALSE(arr.Record(i));
            EXPECT_TRUE(arr.Time(i).isEmpty());
            EXPECT_TRUE(arr.Unit(i).isEmpty());
            continue;
        }
        const CObData& want = records[k++];
        ASSERT_EQ(FieldBytes(*arr.Record(i)), FieldBytes(want)) << i;
        ASSERT_EQ(Bits(arr.Value(i)), Bits(want.m_dValue)) << i;
        ASSERT_EQ(arr.Time(i), want.m_strTime) << i;
        ASSERT_EQ(arr.Type(i), want.m_strType) << i;
        if (i > 0) {
            ASSERT_EQ(arr.SameTime(i, i - 1), arr.Time(i) == arr.Time(i - 1)) << i;
        }
    }
    EXPECT_EQ(k, records.size());

    // Copied ranges keep their nulls; a cleared array holds nothing.
    CRecordArray copy;
    copy.Append(arr, 90, 200);
    ASSERT_EQ(copy.size(), 110);
    for (qsizetype i = 0; i < copy.size(); ++i) {
        ASSERT_EQ(copy.IsNull(i), arr.IsNull(90 + i));
        if (!copy.IsNull(i)) {
            ASSERT_EQ(FieldBytes(*copy.Record(i)), FieldBytes(*arr.Record(90 + i)));
        }
    }
    // Record numbers that are their positions are not kept, until one is not.
    CRecordArray numbered;
    for (int i = 0; i < 5; ++i)
        numbered.Append(CObData(i, QStringLiteral("V"), 0.0, i, QStringLiteral("t"), QStringLiteral("VDC"), 6.0f));
    numbered.AppendNull();
    numbered.Append(CObData(9, QStringLiteral("V"), 0.0, 42, QStringLiteral("t"), QStringLiteral("VDC"), 6.0f));
    numbered.Append(CObData(9, QStringLiteral("V"), 0.0, 7, QStringLiteral("t"), QStringLiteral("VDC"), 6.0f));
    const qint32 wanted[] = {0, 1, 2, 3, 4, 0, 42, 7};
    ASSERT_EQ(numbered.size(), 8);
    for (qsizetype i = 0; i < numbered.size(); ++i)
        EXPECT_EQ(numbered.Index(i), wanted[i]) << i;
    EXPECT_EQ(numbered.Record(7)->m_nIndex, 7);

    arr.Clear();
    EXPECT_TRUE(arr.isEmpty());
    EXPECT_LT(arr.BytesUsed(), 1024);
}

TEST(RecordArray, AFileOfManyDistinctAndRepeatedTextsIsSavedAgainByteForByte)
{
    std::mt19937 rng(5);
    const QList<CObData> arrays[CMyTalvaDoc::kArrayCount] = {MixedRecords(rng, 20000, true),
                                                              MixedRecords(rng, 5000, false),
                                                              MixedRecords(rng, 300, false)};
    for (const int nNullEvery : {0, 101}) {
        const QByteArray file = FileOf(arrays, nNullEvery);
        QString strError;
        const std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(file, &strError);
        ASSERT_TRUE(pDoc) << strError.toStdString();
        const QByteArray saved = pDoc->SaveBytes();
        ASSERT_EQ(saved.size(), file.size()) << nNullEvery;
        EXPECT_TRUE(saved == file) << "the saved file differs from the loaded one, nulls every " << nNullEvery;
        // And a document that was added to is saved as it reads.
        pDoc->AddReading(1, QStringLiteral("V"), 3, QStringLiteral("later"), QStringLiteral("Max"), 2.0, 1.0, 6.0f, 2.0f);
        const std::unique_ptr<CMyTalvaDoc> pAgain = CMyTalvaDoc::LoadBytes(pDoc->SaveBytes(), &strError);
        ASSERT_TRUE(pAgain) << strError.toStdString();
        EXPECT_TRUE(pAgain->SaveBytes() == pDoc->SaveBytes());
    }
}

TEST(RecordArray, AReadingCostsAtMostSixtyFourBytesWithTheGraphsSummary)
{
    // A live recording, one reading a second: no two readings share a time text, the
    // costliest usual case. Then loaded from its file, as a recording is opened.
    constexpr int kCount = 100000;
    CMyTalvaDoc doc;
    const QString strUnit = QStringLiteral("mVDC"), strType = QStringLiteral("VDC");
    for (int i = 0; i < kCount; ++i) {
        const double dValue = std::round(2500.0 * std::sin(i * 0.01)) / 10.0;
        doc.AddReading(0, strUnit, i, QStringLiteral("14/3/2025 %1:%2:%3").arg(9 + i / 3600).arg(i / 60 % 60).arg(i % 60),
                       strType, dValue, 0.0, 500.0f, float(dValue));
    }
    const std::unique_ptr<CMyTalvaDoc> pLoaded = CMyTalvaDoc::LoadBytes(doc.SaveBytes(), nullptr);
    ASSERT_TRUE(pLoaded);
    for (const CMyTalvaDoc* pDoc : {&doc, pLoaded.get()}) {
        ASSERT_EQ(pDoc->Summary().Count(), kCount);
        const double dPerReading = double(pDoc->m_arrData[0].BytesUsed() + pDoc->Summary().Bytes()) / kCount;
        EXPECT_LE(dPerReading, 64.0) << (pDoc == &doc ? "recorded" : "loaded");
    }
    // Loaded, the columns hold no spare capacity: the store alone is well under the limit.
    EXPECT_LE(double(pLoaded->m_arrData[0].BytesUsed()) / kCount, 42.0);
}
