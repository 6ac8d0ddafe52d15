// The archive's primitive forms: strings, counts and misuse.
#include "document/CArchive.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

struct SStringForm
{
    qsizetype nLength;
    const char* pszPrefixHex;
};

class StringForm : public ::testing::TestWithParam<SStringForm>
{
};

TEST_P(StringForm, WrittenAsUtf16WithEscalatingLengthAndReadBack)
{
    QString str(GetParam().nLength, Qt::Uninitialized);
    for (qsizetype i = 0; i < str.size(); ++i)
        str[i] = QChar(char16_t(0x41 + i % 26 + (i % 7 ? 0 : 0x300)));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        CArchive ar(&buffer);
        ar << str;
    }
    QByteArray expected = QByteArray::fromHex(GetParam().pszPrefixHex);
    for (const QChar c : str)
        expected.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    EXPECT_TRUE(bytes == expected) << bytes.left(12).toHex(' ').toStdString();

    CArchive ar(bytes);
    QString strRead;
    ar >> strRead;
    EXPECT_FALSE(ar.HasError());
    EXPECT_EQ(strRead, str);
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringForm,
                         ::testing::Values(SStringForm{ 0, "fffeff00" }, SStringForm{ 254, "fffefffe" },
                                           SStringForm{ 255, "fffeffffff00" },
                                           SStringForm{ 0xFFFD, "fffeffffFDFF" },
                                           SStringForm{ 0xFFFE, "fffeffffffffFEFF0000" },
                                           SStringForm{ 0x12345, "fffeffffffff45230100" }));

TEST(ArchiveString, EightBitFormsAreReadAsWindows1252)
{
    const struct {
        QByteArray bytes;
        QString str;
    } cases[] = {
        { QByteArray::fromHex("0480b04399"), QString::fromUtf8("€°C™") },
        { QByteArray::fromHex("05818d8f909d"), QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d") },
        { QByteArray::fromHex("ff0001") + QByteArray(256, 'x'), QString(256, QLatin1Char('x')) },
        { QByteArray::fromHex("ffffff00000100") + QByteArray(65536, '\xe9'), QString(65536, QChar(0xE9)) },
        { QByteArray::fromHex("fffeffff0001ac20") + QByteArray(510, '\0'),
          QChar(0x20AC) + QString(255, QChar(0)) },
    };
    for (const auto& c : cases) {
        CArchive ar(c.bytes);
        QString str;
        ar >> str;
        EXPECT_FALSE(ar.HasError()) << ar.ErrorString().toStdString();
        EXPECT_EQ(str, c.str);
        EXPECT_EQ(ar.BytesRemaining(), 0);
    }
    const char16_t kHigh[] = u"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160"
                             u"\u2039\u0152\u008d\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022"
                             u"\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(CArchive::FromCp1252(quint8(c)), c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
}

TEST(ArchiveString, RepeatsShareStorageAndNewStringsAreExactSize)
{
    QByteArray bytes;
    for (int i = 0; i < 20; ++i) {
        for (const QString& str : { QStringLiteral("mVDC"), QStringLiteral("12/3/25 10:11:%1").arg(i),
                                    QStringLiteral("VDC") }) {
            bytes += QByteArray::fromHex("fffeff") + char(str.size());
            bytes += QByteArray(reinterpret_cast<const char*>(str.utf16()), str.size() * 2);
        }
    }
    CArchive ar(bytes);
    QString firstUnit, unit, time, type;
    ar >> firstUnit >> time >> type;
    for (int i = 1; i < 20; ++i) {
        ar >> unit >> time >> type;
        EXPECT_EQ(unit.constData(), firstUnit.constData()) << i;
        EXPECT_EQ(time.capacity(), time.size());
    }
    EXPECT_EQ(time, QStringLiteral("12/3/25 10:11:19"));
}

TEST(ArchiveLimits, CountsAndLengthsBeyondTheRemainingBytesFail)
{
    for (const char* pszHex : { "0500aabbccdd", "fffffeffffff00000000", "ffffffffffffffffffffffffffff" }) {
        CArchive ar(QByteArray::fromHex(pszHex));
        EXPECT_EQ(ar.ReadCount(2), 0u);
        EXPECT_TRUE(ar.ErrorString().contains("claims")) << pszHex;
    }
    for (const char* pszHex : { "fffeff05410042", "fffeffffffffffffff7f", "05414243",
                                "ffffffffffffffffffffffff7f" }) {
        CArchive ar(QByteArray::fromHex(pszHex));
        QString str;
        ar >> str;
        EXPECT_TRUE(ar.HasError()) << pszHex;
        EXPECT_TRUE(str.isEmpty());
    }
}

TEST(ArchiveLimits, MisuseAndEndOfDataStickAsTheFirstError)
{
    CArchive ar(QByteArray::fromHex("0102"));
    qint32 n = 7;
    quint8 b = 9;
    ar >> n >> b;
    EXPECT_EQ(n, 0);
    EXPECT_EQ(b, 0);
    EXPECT_TRUE(ar.ErrorString().contains("ends early")) << ar.ErrorString().toStdString();

    CArchive load(QByteArray(16, '\0'));
    load << qint32(1);
    EXPECT_TRUE(load.ErrorString().contains("loading"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CArchive store(&buffer);
    store >> n;
    EXPECT_TRUE(store.ErrorString().contains("storing"));
}

} // namespace
