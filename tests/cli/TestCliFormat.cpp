// The text forms of the CLI's machine-readable output.
#include "CCliFormat.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(CliFormat, NumbersFieldsAndTimes)
{
    // The shortest text that reads back as the same float or double.
    EXPECT_EQ(CliFormat::JsonNumber(12.345f), "12.345");
    EXPECT_EQ(CliFormat::JsonNumber(double(12.345f)), "12.345000267028809");
    EXPECT_EQ(CliFormat::JsonNumber(0.1), "0.1");
    EXPECT_EQ(CliFormat::JsonNumber(std::nan("")), "null");
    EXPECT_EQ(CliFormat::JsonNumber(-std::numeric_limits<float>::infinity()), "null");
    EXPECT_EQ(CliFormat::JsonString("a\"b\\c\n\x01Ω"), "\"a\\\"b\\\\c\\n\\u0001Ω\"");

    EXPECT_EQ(CliFormat::Fixed(1.25, 3), "1.250");
    EXPECT_EQ(CliFormat::Fixed(-0.04, 1), "-0.0");
    EXPECT_EQ(CliFormat::Fixed(1e300, 4), "1e+300");
    EXPECT_EQ(CliFormat::Fixed(std::nan(""), 2), "nan");
    EXPECT_EQ(CliFormat::Fixed(-HUGE_VAL, 2), "-inf");

    EXPECT_EQ(CliFormat::TsvField("a\tb\\c\nd"), "a\\tb\\\\c\\nd");
    EXPECT_EQ(CliFormat::CsvField("plain"), "plain");
    EXPECT_EQ(CliFormat::CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CliFormat::CsvField("say \"x\"\r\n"), "\"say \"\"x\"\"  \"");

    const QDateTime time(QDate(2025, 3, 14), QTime(9, 30, 0, 125), QTimeZone(3600 * 5 + 1800));
    EXPECT_EQ(CliFormat::IsoTime(time), "2025-03-14T09:30:00.125+05:30");
    EXPECT_EQ(CliFormat::IsoTime(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5, 6), QTimeZone(-3600 * 8))), "2025-01-02T03:04:05.006-08:00");
    EXPECT_EQ(CliFormat::IsoTime(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC)), "2025-01-02T03:04:05.000+00:00");

    CJsonObject o;
    o.Text("t", "x").Number("f", 0.5f).Integer("n", -3).Boolean("b", false).Null("z").Raw("r", "[1]");
    EXPECT_EQ(o.ToJson(), "{\"t\":\"x\",\"f\":0.5,\"n\":-3,\"b\":false,\"z\":null,\"r\":[1]}");
    EXPECT_EQ(CJsonObject().ToJson(), "{}");
}
