// The recording file: exact bytes, foreign forms, bad and hostile files, saving safely.
// Two documents are compared through their saved bytes, which hold every stored field
// bit for bit (the writer itself is pinned by the hand-built byte tests).
#include "document/CArchive.h"
#include "document/CMyTalvaDoc.h"

#include "CByteBuilder.h"
#include "CFileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

std::unique_ptr<CMyTalvaDoc> Load(const QByteArray& bytes, QString* pstrError = nullptr)
{
    QString strError;
    std::unique_ptr<CMyTalvaDoc> pDoc = CMyTalvaDoc::LoadBytes(bytes, &strError);
    if (pstrError)
        *pstrError = strError;
    else
        EXPECT_TRUE(pDoc) << strError.toStdString();
    EXPECT_EQ(pDoc == nullptr, !strError.isEmpty());
    return pDoc;
}

QByteArray Fixture(const char* pszName)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(pszName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Two primary readings and two secondary ones, as statistics recording leaves them.
void FillSmall(CMyTalvaDoc& doc)
{
    doc.AddReading(0, "mVDC", 0, "t0", "VDC", 1.5, 0.0, 5.0f, 1.5f);
    doc.AddReading(0, "mVDC", 1, "t1", "VDC", -2.0, 0.0, 5.0f, -2.0f);
    doc.AddReading(1, "V", 1, "t1", "Max", 3.0, 1.0, 5.0f, -2.0f);
    doc.AddReading(1, "V", 1, "t1", "Min", -3.0, 1.0, 5.0f, -2.0f);
}

TEST(DocumentFile, NewDocumentIsSeventyBytes)
{
    const QByteArray expected = QByteArray::fromHex(
        "000000000000 0000000000000000 00000000004cedc0 fffeff00 00000000004ced40 fffeff00"
        "000000000000f03f 0000000000000000 00000000 fffeff00fffeff00fffeff00");
    ASSERT_EQ(expected.size(), 70);
    EXPECT_EQ(CMyTalvaDoc().SaveBytes().toHex(' '), expected.toHex(' '));
    EXPECT_EQ(Fixture("empty.mLog"), expected);
}

TEST(DocumentFile, OnlyTheFirstRecordOfTheFileNamesItsClass)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    const QByteArray expected = CByteBuilder()
        .U16(2).NewClass().Fields(1.5, "mVDC", 0.0, 0, "t0", "VDC", 5.0f)
        .U16(0x8001).Fields(-2.0, "mVDC", 0.0, 1, "t1", "VDC", 5.0f)
        .U16(2).U16(0x8001).Fields(3.0, "V", 1.0, 1, "t1", "Max", 5.0f)
        .U16(0x8001).Fields(-3.0, "V", 1.0, 1, "t1", "Min", 5.0f)
        .U16(0)
        .F64(-0.25).F64(1.5).Str16("t0").F64(-2.0).Str16("t1").F64(1.0).F64(-0.5).U32(2)
        .Str16("t0").Str16("t1").Str16("VDC").Bytes();
    EXPECT_EQ(doc.SaveBytes().toHex(' '), expected.toHex(' '));

    CMyTalvaDoc secondaryOnly;
    secondaryOnly.AddReading(1, "V", 0, "t", "Max", 1.0, 1.0, 5.0f, 0.0f);
    EXPECT_EQ(secondaryOnly.SaveBytes(), CByteBuilder().U16(0).U16(1).NewClass()
              .Fields(1.0, "V", 1.0, 0, "t", "Max", 5.0f).U16(0).FreshStatistics().Bytes());
}

TEST(DocumentFile, ManyRecordsUseTheLongCountAndLongStringsTheLongLength)
{
    CMyTalvaDoc doc;
    for (int i = 0; i < 70000; ++i)
        doc.AddReading(0, "V", i, QString::number(i), "VDC", i, 0.0, 1e9f, float(i));
    CByteBuilder arrays;
    arrays.U16(0xFFFF).U32(70000);
    for (int i = 0; i < 70000; ++i)
        (i ? arrays.U16(0x8001) : arrays.NewClass()).Fields(i, "V", 0.0, i, QString::number(i), "VDC", 1e9f);
    EXPECT_TRUE(doc.SaveBytes().startsWith(arrays.U16(0).U16(0).Bytes()));

    CMyTalvaDoc longTime;
    longTime.AddReading(0, "V", 0, QString(255, 'x'), "VDC", 1.0, 0.0, 5.0f, 1.0f);
    const QByteArray bytes = longTime.SaveBytes();
    const qsizetype nTimeAt = 2 + 13 + 8 + 6 + 8 + 4; // count, class, value, unit, rate, index
    EXPECT_EQ(bytes.mid(nTimeAt, 6).toHex(' '), "ff fe ff ff ff 00");
    EXPECT_EQ(bytes.mid(nTimeAt + 6, 510), QByteArray("x\0", 2).repeated(255));
    EXPECT_EQ(Load(bytes)->m_arrData[0].Record(0)->m_strTime, QString(255, 'x'));
}

TEST(DocumentFile, EightBitStringsOfAnotherWriterAreConverted)
{
    std::unique_ptr<CMyTalvaDoc> pDoc = Load(Fixture("eight_bit.mLog"));
    ASSERT_TRUE(pDoc);
    ASSERT_EQ(pDoc->m_arrData[0].size(), 2);
    EXPECT_EQ(pDoc->m_arrData[0].Record(0)->m_strUnit, QString::fromUtf8("°C"));
    EXPECT_EQ(pDoc->m_arrData[0].Record(1)->m_strUnit, QString::fromUtf8("°F"));
    EXPECT_EQ(pDoc->m_arrData[0].Record(1)->m_strTime, "1/2/24 3:04:06");
    EXPECT_EQ(pDoc->m_arrData[0].Record(0)->m_strType, QString::fromUtf8("€uro"));
    EXPECT_EQ(pDoc->m_strType, QString::fromUtf8("€uro"));
    EXPECT_EQ(pDoc->m_nCount, 2);
    // The writer summed 20.5 °C and 68.9 °F (89.4); the °F reading is of another quantity
    // than the document's °C and is left out of the figures, which are computed again.
    EXPECT_EQ(pDoc->m_dSum, 20.5);
    EXPECT_EQ(pDoc->m_dMax, 20.5);
    EXPECT_EQ(pDoc->m_strMaxTime, "1/2/24 3:04:05");
    EXPECT_EQ(pDoc->SkippedReadings(), 1);
    EXPECT_EQ(pDoc->m_strStartTime, "1/2/24 3:04:05"); // the strings are the file's
    EXPECT_EQ(pDoc->m_strEndTime, "1/2/24 3:04:06");
}

TEST(DocumentFile, NullElementsAndReferencesLoadIntoSeparatelyOwnedRecords)
{
    // Index 1 is the class, 2 record A, 3 record B (see data/make_fixtures.py).
    std::unique_ptr<CMyTalvaDoc> pDoc = Load(Fixture("null_and_reference.mLog"));
    ASSERT_TRUE(pDoc);
    const auto& arr0 = pDoc->m_arrData[0];
    const auto& arr1 = pDoc->m_arrData[1];
    ASSERT_EQ(arr0.size(), 4);
    ASSERT_EQ(arr1.size(), 3);
    EXPECT_TRUE(arr0.IsNull(1));
    EXPECT_TRUE(arr1.IsNull(2));
    ASSERT_TRUE(arr0[0] && arr0[2] && arr0[3] && arr1[0] && arr1[1]);
    EXPECT_EQ(arr0[2]->m_strTime, "tA");
    EXPECT_EQ(arr0[2]->m_dValue, arr0[0]->m_dValue);
    EXPECT_EQ(arr1[0]->m_strTime, "tB");
    EXPECT_EQ(arr1[0]->m_dValue, arr0[3]->m_dValue);
    EXPECT_EQ(arr1[1]->m_strType, "Max");
    // Saved again, the copies become records of their own and the null stays null.
    const QByteArray saved = pDoc->SaveBytes();
    EXPECT_EQ(saved.count("CObData"), 1);
    EXPECT_EQ(saved.mid(2 + 13 + 48, 2).toHex(), "0000"); // A is 48 bytes
    EXPECT_EQ(Load(saved)->SaveBytes(), saved);
}

TEST(DocumentFile, RoundTripKeepsEverythingExceptValidCountAndLive)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    // Odd texts everywhere but in the unit of a primary reading, which would make the figures
    // be computed again (see MixedUnitsGetTheirFiguresComputedAgain).
    doc.AddReading(0, QStringLiteral("mVDC"), -5, QString::fromUtf8("😀 \t\n"), QString(), -0.0,
                   std::numeric_limits<double>::denorm_min(), -1.0f, 0.0f);
    doc.AddReading(1, QString::fromUtf8("µV Ω"), 2, QString(), QString(), 1.0, 0.0, 1.0f, 0.0f);
    doc.AddReading(1, QString(QChar(0xD800)), 3, QString(70000, QChar(0x3A9)), QString(300, 'T'),
                   std::numeric_limits<double>::infinity(), std::nan("7"), NAN, 0.0f);
    doc.m_dMax = 1234.5; // stored values are not recomputed, however odd
    doc.m_nCount = 99;
    doc.m_dSum = std::nan("1");
    const QByteArray bytes = doc.SaveBytes();
    std::unique_ptr<CMyTalvaDoc> pLoaded = Load(bytes);
    ASSERT_TRUE(pLoaded);
    EXPECT_TRUE(pLoaded->SaveBytes() == bytes);
    EXPECT_EQ(pLoaded->m_nValidCount, 0);
    EXPECT_FALSE(pLoaded->m_bLive);
    EXPECT_EQ(pLoaded->m_nCount, 99);

    // A failed load into an existing document leaves it as it was.
    CArchive bad(bytes.left(bytes.size() - 1));
    doc.Serialize(bad);
    EXPECT_TRUE(bad.HasError());
    EXPECT_TRUE(doc.m_bLive);
    EXPECT_TRUE(doc.SaveBytes() == bytes);
}

struct SBadFile
{
    const char* pszName;
    QByteArray bytes;
    const char* pszReason;
};

class BadFile : public ::testing::TestWithParam<SBadFile>
{
};

TEST_P(BadFile, GivesAClearErrorAndNoDocument)
{
    QString strError;
    EXPECT_FALSE(Load(GetParam().bytes, &strError));
    EXPECT_TRUE(strError.contains(QLatin1String(GetParam().pszReason))) << strError.toStdString();
}

CByteBuilder OneRecord(quint16 nCount, quint16 nSchema = 1)
{
    return CByteBuilder().U16(nCount).NewClass(nSchema).Fields(1.0, "V", 0.0, 0, "t", "VDC", 5.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFile,
    ::testing::Values(
        SBadFile{ "Empty", QByteArray(), "ends early" },
        SBadFile{ "UnknownClass", CByteBuilder().U16(1).NewClass(1, "CObDatx").Bytes(), "unknown record class \"CObDatx\"" },
        SBadFile{ "ClassNameOf64", CByteBuilder().U16(1).NewClass(1, QByteArray(64, 'A')).F64(0).Bytes(), "64 characters" },
        SBadFile{ "ClassNameOf63", CByteBuilder().U16(1).NewClass(1, QByteArray(63, 'A')).F64(0).Bytes(), "unknown record class" },
        SBadFile{ "Schema2", OneRecord(1, 2).Bytes(), "schema 2" },
        SBadFile{ "Schema0", OneRecord(1, 0).Bytes(), "schema 0" },
        SBadFile{ "UnknownObjectIndex", OneRecord(2).U16(5).Bytes(), "object index 5" },
        SBadFile{ "ClassUsedAsObject", OneRecord(2).U16(1).Bytes(), "object index 1" },
        SBadFile{ "ClassTagBeforeAnyClass", CByteBuilder().U16(1).U16(0x8001).F64(0).Bytes(), "class index 1" },
        SBadFile{ "ClassTagNamingARecord", OneRecord(2).U16(0x8002).F64(0).Bytes(), "class index 2" },
        SBadFile{ "LongClassTagUnknown", OneRecord(2).U16(0x7FFF).U32(0x80000009).Bytes(), "class index 9" },
        SBadFile{ "LongObjectTagUnknown", OneRecord(2).U16(0x7FFF).U32(0x123456).Bytes(), "object index 1193046" },
        SBadFile{ "MoreCopiesThanRecords", OneRecord(3).U16(2).U16(2).Bytes(), "one reference too many" },
        SBadFile{ "HugeShortCount", CByteBuilder().U16(5000).Raw(QByteArray(100, 0)).Bytes(), "claims 5000 elements" },
        SBadFile{ "HugeLongCount", CByteBuilder().U16(0xFFFF).U32(0xFFFFFFFE).Raw(QByteArray(20, 0)).Bytes(), "claims 4294967294" },
        SBadFile{ "HugeStringLength", OneRecord(1).Bytes().left(23) + QByteArray::fromHex("fffeffffffffffffff7f"), "claims 2147483647 characters" }),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(DocumentFile, EveryTruncationOfAValidFileFails)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    doc.AddReading(0, "V", 2, QString(300, 'z'), "VDC", 1.0, 0.0, 5.0f, 1.0f);
    for (const QByteArray& whole : { doc.SaveBytes(), Fixture("null_and_reference.mLog"), Fixture("eight_bit.mLog") }) {
        ASSERT_TRUE(Load(whole));
        QString strError;
        for (qsizetype n = 0; n < whole.size(); ++n)
            EXPECT_FALSE(Load(whole.left(n), &strError)) << "length " << n;
    }
}

TEST(DocumentFile, MutatedFilesEitherFailOrLoadIntoASoundDocument)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    doc.AddReading(0, "V", 2, QString(260, 'y'), "VDC", 2.0, 0.0, 5.0f, 2.0f);
    const QByteArray bases[] = { doc.SaveBytes(), Fixture("eight_bit.mLog"), Fixture("null_and_reference.mLog") };
    std::mt19937 rng(20240607);
    auto pick = [&](qsizetype n) { return qsizetype(rng() % quint32(qMax<qsizetype>(n, 1))); };
    int nLoaded = 0;
    for (int i = 0; i < 12000; ++i) {
        QByteArray bytes = bases[i % 3];
        if (i % 4 == 3) // sometimes pure noise, heavy in the format's escape byte
            for (char& c : bytes)
                c = char(rng() % 4 ? rng() : 0xFF);
        for (int nEdits = 1 + int(rng() % 4); nEdits > 0 && !bytes.isEmpty(); --nEdits) {
            const qsizetype nAt = pick(bytes.size());
            switch (rng() % 5) {
            case 0: bytes[nAt] = char(rng()); break;
            case 1: bytes[nAt] = "\x00\x01\x7f\x80\xfe\xff"[rng() % 6]; break;
            case 2: bytes.truncate(nAt); break;
            case 3: bytes.remove(nAt, 1 + pick(16)); break;
            default: bytes.insert(nAt, bytes.mid(pick(bytes.size()), 1 + pick(32))); break;
            }
        }
        QString strError;
        std::unique_ptr<CMyTalvaDoc> pDoc = Load(bytes, &strError);
        if (!pDoc)
            continue;
        ++nLoaded;
        // Whatever loads must save and load again to the same document.
        const QByteArray saved = pDoc->SaveBytes();
        std::unique_ptr<CMyTalvaDoc> pAgain = Load(saved, &strError);
        ASSERT_TRUE(pAgain && pAgain->SaveBytes() == saved) << "iteration " << i << strError.toStdString();
    }
    RecordProperty("loaded", nLoaded);
    EXPECT_GT(nLoaded, 100); // mutations inside text and numbers keep a file valid
}

TEST(DocumentFile, BytesAfterTheRecordingAreAnErrorNamingWhereItEnded)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    const QByteArray bytes = doc.SaveBytes();
    QString strError;
    EXPECT_FALSE(Load(bytes + "x", &strError));
    EXPECT_EQ(strError, QStringLiteral("the recording ends at byte %1, but the file goes on to byte %2")
                            .arg(bytes.size()).arg(bytes.size() + 1));
    // Zeros read as an empty recording of 55 bytes: the rest gives them away.
    EXPECT_FALSE(Load(QByteArray(50 * 1024 * 1024, '\0'), &strError));
    EXPECT_EQ(strError, QStringLiteral("the recording ends at byte 55, but the file goes on to byte 52428800"));
    // The document the failed load went into keeps what it had.
    CArchive ar(bytes + bytes);
    doc.Serialize(ar);
    EXPECT_TRUE(ar.HasError());
    EXPECT_EQ(doc.SaveBytes(), bytes);
}

class DocumentFileIo : public ::testing::Test
{
protected:
    QString Path(const char* pszName) const { return m_dir.filePath(QLatin1String(pszName)); }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files); }
    QTemporaryDir m_dir;
};

TEST_F(DocumentFileIo, SaveLoadAndTheReasonsALoadFails)
{
    CMyTalvaDoc doc;
    FillSmall(doc);
    QString strError;
    ASSERT_TRUE(doc.SaveFile(Path("a.mLog"), &strError)) << strError.toStdString();
    std::unique_ptr<CMyTalvaDoc> pLoaded = CMyTalvaDoc::LoadFile(Path("a.mLog"), &strError);
    ASSERT_TRUE(pLoaded) << strError.toStdString();
    EXPECT_EQ(pLoaded->SaveBytes(), doc.SaveBytes());

    EXPECT_FALSE(CMyTalvaDoc::LoadFile(Path("none.mLog"), &strError));
    EXPECT_TRUE(strError.contains("none.mLog")) << strError.toStdString();
    EXPECT_FALSE(CMyTalvaDoc::LoadFile(m_dir.path(), &strError));
    QFile huge(Path("huge.mLog"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(CMyTalvaDoc::kMaxFileBytes + 1)); // sparse
    EXPECT_FALSE(CMyTalvaDoc::LoadFile(Path("huge.mLog"), &strError));
    EXPECT_TRUE(strError.contains("more than a recording")) << strError.toStdString();
    EXPECT_FALSE(doc.SaveFile(Path("missing/x.mLog"), &strError));
}

TEST_F(DocumentFileIo, AFailedSaveLeavesThePreviousFileIntact)
{
    CMyTalvaDoc previous;
    FillSmall(previous);
    ASSERT_TRUE(previous.SaveFile(Path("keep.mLog"), nullptr));
    CMyTalvaDoc big;
    for (int i = 0; i < 10000; ++i)
        big.AddReading(0, "V", i, QString::number(i), "VDC", i, 0.0, 1e9f, 0.0f);

    // A file-size limit fills the "disk" even for root, who ignores directory permissions.
    QString strError;
    bool bSaved = true;
    {
        const CFileSizeLimit full(4096);
        ASSERT_TRUE(full.IsSet());
        bSaved = big.SaveFile(Path("keep.mLog"), &strError);
    }

    EXPECT_FALSE(bSaved);
    EXPECT_TRUE(strError.contains("keep.mLog")) << strError.toStdString();
    EXPECT_EQ(Files(), QStringList{ "keep.mLog" }); // no temporary file left behind
    EXPECT_EQ(CMyTalvaDoc::LoadFile(Path("keep.mLog"), nullptr)->SaveBytes(), previous.SaveBytes());

    // A file that fails only in the last write (still in the device's buffer when
    // the writer finished) must not replace the previous one either.
    CMyTalvaDoc medium;
    for (int i = 0; i < 200; ++i)
        medium.AddReading(0, "V", i, QString::number(i), "VDC", i, 0.0, 1e9f, 0.0f);
    ASSERT_GT(medium.SaveBytes().size(), 4096);
    ASSERT_LT(medium.SaveBytes().size(), 16384);
    bool bMediumSaved = true;
    {
        const CFileSizeLimit full(4096);
        bMediumSaved = medium.SaveFile(Path("keep.mLog"), &strError);
    }
    EXPECT_FALSE(bMediumSaved);
    EXPECT_EQ(Files(), QStringList{ "keep.mLog" });
    EXPECT_EQ(CMyTalvaDoc::LoadFile(Path("keep.mLog"), nullptr)->SaveBytes(), previous.SaveBytes());

    if (getuid() != 0) { // permissions bind everyone but root
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        EXPECT_FALSE(big.SaveFile(Path("keep.mLog"), &strError));
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(CMyTalvaDoc::LoadFile(Path("keep.mLog"), nullptr)->SaveBytes(), previous.SaveBytes());
    }
}

} // namespace
