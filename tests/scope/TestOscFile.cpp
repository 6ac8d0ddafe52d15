#include "COscTestFrame.h"
#include "document/CByteBuilder.h"
#include "scope/COscDecoder.h"
#include "scope/COscFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kFloatsBytes = 4 * (OscRecord::kSamples + OscRecord::kBars);

// Every field different, so a field written in the wrong place shows.
OscRecord Distinct()
{
    OscRecord r;
    r.m_coupling = 1;
    r.m_dateOrder = 1;
    r.m_date2 = 14;
    r.m_triggerLevel = -250;
    r.m_status = 2;
    r.m_freq = 1.25;
    r.m_period = 800.0;
    r.m_spareInt = 5;
    r.m_spareValue = 6.5;
    r.m_minValue = -1.5;
    r.m_maxValue = 2.25;
    r.m_hour = 9;
    r.m_minute = 30;
    r.m_date1 = 3;
    r.m_page = 4;
    r.m_second = 59;
    r.m_speed = 1;
    r.m_rateCode = 7;
    r.m_spareText = QString();
    r.m_freqText = QStringLiteral("1.250 KHz");
    r.m_periodText = QStringLiteral("800.0 uS");
    r.m_rateText = QStringLiteral("0.5mS/div");
    r.m_voltsText = QStringLiteral("1.00 V/div");
    r.m_vppText = QStringLiteral("3.75 V");
    r.m_trigger = 3;
    r.m_voltsPerDiv = 1.0;
    r.m_pos1 = 12.0;
    r.m_pos2 = 52.0;
    r.m_vpp = 3.75;
    r.m_year = 2025;
    r.m_unit = QStringLiteral("V");
    r.m_valid = 1;
    r.m_slot = 6;
    for (int i = 0; i < OscRecord::kSamples; ++i)
        r.m_samples[size_t(i)] = float(i) * 0.04f - 4.0f;
    for (int i = 0; i < OscRecord::kBars; ++i)
        r.m_bars[size_t(i)] = float(i % 13);
    return r;
}

QByteArray ExpectedBytes(const OscRecord& r)
{
    CByteBuilder b;
    b.U32(0)
        .U32(1).U32(1).U32(14).U32(quint32(-1998)).F64(1.25).F64(800.0).U32(5).F64(6.5).F64(-1.5).F64(2.25)
        .U32(9).U32(30).U32(3).U32(4).U32(59).U32(1).U32(7)
        .Str16({}).Str16("1.250 KHz").Str16("800.0 uS").Str16("0.5mS/div").Str16("1.00 V/div").Str16("3.75 V")
        .U32(3).F64(1.0).F64(12.0).F64(52.0).F64(3.75).U32(2025).Str16("V").U8(1).U32(6);
    for (float f : r.m_samples)
        b.F32(f);
    for (float f : r.m_bars)
        b.F32(f);
    return b.Bytes();
}

TEST(OscFile, WritesVersionAndOneRecordByteForByte)
{
    const OscRecord r = Distinct();
    const QByteArray bytes = COscFile::SaveBytes(r);
    EXPECT_EQ(bytes.toHex().toStdString(), ExpectedBytes(r).toHex().toStdString());
    // Trigger -250 with status 2 packs to -1998 right after three int32 fields.
    EXPECT_EQ(bytes.mid(16, 4), QByteArray::fromHex("32f8ffff"));
    // The empty spare text is FF FE FF 00, the first string of the record.
    const int nFirstString = 4 + 4 * 4 + 8 * 2 + 4 + 8 * 3 + 4 * 7;
    EXPECT_EQ(bytes.mid(nFirstString, 4), QByteArray::fromHex("fffeff00"));
    // The record ends with the samples and then the bars.
    EXPECT_EQ(bytes.right(4), CByteBuilder().F32(2.0f).Bytes()); // bar 119 = 119 % 13
}

TEST(OscFile, SaveThenOpenGivesTheSameWaveform)
{
    COscTestFrame frame;
    for (int i = 0; i < 300; ++i)
        frame.Sample(i, 135 + (i % 50) - 25);
    frame.Set(0, 4).Set(1, 12).Set(2, 9).Set(19, 3).Set(36, 100).Set(52, 3).Set(50, 1).Date(2024, 2, 29, 23, 59, 58, 1);
    frame.Bar(0, 3).Bar(5, 99);
    OscRecord r;
    ASSERT_TRUE(COscDecoder::Decode(frame.Hex(), &r));
    ASSERT_LT(r.m_triggerLevel, 0);
    r.m_spareText = QString(300, QChar(0x263A)); // the long string form, beyond 8-bit characters
    r.m_spareValue = -0.125;

    QTemporaryDir dir;
    const QString strPath = dir.filePath(COscFile::ProposedFileName(QDateTime::currentDateTime()));
    QString strError;
    ASSERT_TRUE(COscFile::SaveFile(strPath, r, &strError)) << strError.toStdString();
    const std::optional<OscRecord> loaded = COscFile::LoadFile(strPath, &strError);
    ASSERT_TRUE(loaded) << strError.toStdString();
    EXPECT_EQ(*loaded, r);
    EXPECT_EQ(QFile(strPath).size(), COscFile::SaveBytes(r).size());

    // Every status the meter sends and a positive level survive as well.
    for (int nStatus = 0; nStatus <= 7; ++nStatus) {
        r.m_status = nStatus;
        r.m_triggerLevel = 4000;
        EXPECT_EQ(COscFile::LoadBytes(COscFile::SaveBytes(r), nullptr), r);
    }
}

TEST(OscFile, StatusBeyondItsThreeBitsLeavesTheTriggerLevelIntact)
{
    OscRecord r = Distinct();
    r.m_status = 9;
    const std::optional<OscRecord> loaded = COscFile::LoadBytes(COscFile::SaveBytes(r), nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_triggerLevel, -250);
    EXPECT_EQ(loaded->m_status, 1);
}

TEST(OscFile, ReadsAFileWrittenByHand)
{
    OscRecord r = Distinct();
    QByteArray bytes = ExpectedBytes(r);
    // The valid byte as any non-zero value, and an 8-bit string form for the unit.
    const int nUnit = bytes.size() - kFloatsBytes - 4 - 1 - 6;
    ASSERT_EQ(bytes.mid(nUnit, 6), QByteArray::fromHex("fffeff015600"));
    bytes.replace(nUnit, 6, QByteArray::fromHex("0156"));
    bytes[bytes.size() - kFloatsBytes - 4 - 1] = char(7);
    const std::optional<OscRecord> loaded = COscFile::LoadBytes(bytes + "trailing bytes are ignored", nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, r);
}

TEST(OscFile, ProposedNameIsTheLocalTimeWithoutPadding)
{
    EXPECT_EQ(COscFile::ProposedFileName(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7))), "2025-3-4 5-6-7.osc");
    EXPECT_EQ(COscFile::ProposedFileName(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 0))), "2025-12-31 23-59-0.osc");
}

TEST(OscFile, FileThatCannotBeCreatedWritesNothing)
{
    QTemporaryDir dir;
    QString strError;
    const QString strMissing = dir.filePath("no-such-folder/wave.osc");
    EXPECT_FALSE(COscFile::SaveFile(strMissing, Distinct(), &strError));
    EXPECT_TRUE(strError.startsWith("Cannot save")) << strError.toStdString();
    EXPECT_FALSE(QFile::exists(strMissing));

    // A folder in the way: nothing is replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.osc"));
    EXPECT_FALSE(COscFile::SaveFile(dir.filePath("taken.osc"), Distinct(), &strError));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken.osc")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

class OscFileHostile : public ::testing::Test
{
protected:
    void ExpectRefused(const QByteArray& bytes, const char* pszReason)
    {
        QString strError;
        EXPECT_FALSE(COscFile::LoadBytes(bytes, &strError));
        EXPECT_TRUE(strError.contains(pszReason)) << strError.toStdString();
    }
};

TEST_F(OscFileHostile, EveryTruncationIsRefused)
{
    const QByteArray bytes = COscFile::SaveBytes(Distinct());
    for (int n = 0; n < bytes.size(); ++n) {
        QString strError;
        EXPECT_FALSE(COscFile::LoadBytes(bytes.left(n), &strError)) << n;
        EXPECT_FALSE(strError.isEmpty()) << n;
    }
    ExpectRefused(bytes.left(bytes.size() - 1), "ends early");
}

TEST_F(OscFileHostile, WrongVersionAndHugeStringLengths)
{
    QByteArray bytes = COscFile::SaveBytes(Distinct());
    bytes[0] = 1;
    ExpectRefused(bytes, "version 1");

    // The first string claims 2^31 characters (32-bit length form), then 2^62 (64-bit form).
    const int nFirstString = 4 + 4 * 4 + 8 * 2 + 4 + 8 * 3 + 4 * 7;
    const QByteArray head = COscFile::SaveBytes(Distinct()).left(nFirstString);
    ExpectRefused(head + QByteArray::fromHex("fffeffffffffffff00000080") + QByteArray(64, 'x'), "claims");
    ExpectRefused(head + QByteArray::fromHex("fffeffffffffffffffffffff0000000000000040"), "claims");
    ExpectRefused(head + QByteArray::fromHex("ff"), "ends early");
}

TEST_F(OscFileHostile, RandomBytesNeverCrash)
{
    QRandomGenerator rng(12);
    const QByteArray good = COscFile::SaveBytes(Distinct());
    int nAccepted = 0;
    for (int n = 0; n < 3000; ++n) {
        QByteArray bytes = good;
        // A few random bytes changed, anywhere, or a random length of random bytes.
        if (n % 3 == 0) {
            bytes.resize(4 + rng.bounded(good.size() * 2));
            for (char& c : bytes)
                c = char(rng.bounded(256));
            bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0;
        } else {
            for (int k = 0; k < 1 + n % 7; ++k)
                bytes[int(rng.bounded(bytes.size()))] = char(rng.bounded(256));
        }
        QString strError;
        const std::optional<OscRecord> loaded = COscFile::LoadBytes(bytes, &strError);
        nAccepted += loaded.has_value();
        EXPECT_EQ(loaded.has_value(), strError.isEmpty());
    }
    EXPECT_GT(nAccepted, 0); // changed numbers are still a waveform
}

TEST_F(OscFileHostile, FilesThatCannotBeOpened)
{
    QTemporaryDir dir;
    QString strError;
    EXPECT_FALSE(COscFile::LoadFile(dir.filePath("missing.osc"), &strError));
    EXPECT_TRUE(strError.startsWith("Cannot open")) << strError.toStdString();
    EXPECT_FALSE(COscFile::LoadFile(dir.path(), &strError));
    EXPECT_FALSE(strError.isEmpty());

    QFile big(dir.filePath("big.osc"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(COscFile::kMaxFileBytes + 1));
    big.close();
    EXPECT_FALSE(COscFile::LoadFile(big.fileName(), &strError));
    EXPECT_TRUE(strError.contains("bytes long")) << strError.toStdString();

    QFile empty(dir.filePath("empty.osc"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(COscFile::LoadFile(empty.fileName(), &strError));
    EXPECT_TRUE(strError.contains("empty.osc")) << strError.toStdString();
}

} // namespace
