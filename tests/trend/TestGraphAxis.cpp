// The labels of the trend graph's axes, without drawing.
#include "trend/CGraphAxis.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList Labels(double dFirst, double dStep, int nCount)
{
    const int nDecimals = GraphAxis::Decimals(dFirst, dStep, nCount);
    QStringList labels;
    for (int k = 0; k < nCount; ++k)
        labels << GraphAxis::Number(dFirst + k * dStep, nDecimals);
    return labels;
}

} // namespace

TEST(GraphAxis, LabelsHaveTheDecimalsThatKeepThemApartAndNoMore)
{
    // 5.00 to 5.02 over the eleven lines of the y axis: "%.2f" would repeat 5.00, 5.01, 5.02.
    const QStringList narrow = Labels(5.0, 0.002, 11);
    EXPECT_EQ(narrow, QStringList({"5.000", "5.002", "5.004", "5.006", "5.008", "5.010", "5.012", "5.014", "5.016",
                                   "5.018", "5.020"}));
    EXPECT_EQ(QSet<QString>(narrow.begin(), narrow.end()).size(), 11);
    EXPECT_EQ(Labels(-500.0, 100.0, 11).first(), "-500");
    EXPECT_EQ(GraphAxis::Decimals(-500.0, 100.0, 11), 0);
    EXPECT_EQ(GraphAxis::Decimals(0.0, 0.25, 5), 1); // 0.0 0.2 0.5 0.8 1.0: apart already
    EXPECT_EQ(GraphAxis::Decimals(100.0, 0.5, 11), 1);
    EXPECT_EQ(GraphAxis::Decimals(501100.0, 10000.0, 11), 0);
    // No spread at all: the most decimals there are, the labels cannot differ.
    EXPECT_EQ(GraphAxis::Decimals(1.0, 0.0, 11), GraphAxis::kMaxDecimals);
    // Around zero, no "-0.00".
    EXPECT_EQ(GraphAxis::Number(-0.001, 2), "0.00");
    EXPECT_EQ(GraphAxis::Number(-0.4, 0), "0");
    EXPECT_EQ(GraphAxis::Number(-10.0, 2), "-10.00");
    EXPECT_EQ(Labels(-0.01, 0.005, 5), QStringList({"-0.010", "-0.005", "0.000", "0.005", "0.010"}));
}

TEST(GraphAxis, ReadingNumbersAsTheGraphAlwaysWroteThemUntilTheyWouldRepeat)
{
    EXPECT_EQ(GraphAxis::ReadingLabels(0.0, 20.0), QStringList({"0", "4", "8", "12", "16", "20"}));
    EXPECT_EQ(GraphAxis::ReadingLabels(10.7, 21.3), QStringList({"10", "14", "19", "23", "27", "31"}));
    // Zoomed to two readings: whole numbers would repeat.
    EXPECT_EQ(GraphAxis::ReadingLabels(10.0, 2.0), QStringList({"10.0", "10.4", "10.8", "11.2", "11.6", "12.0"}));
}

TEST(GraphAxis, TimeTicksStandOnTheClock)
{
    const double dOrigin = 1741943107.0; // 2025-03-14 09:05:07
    // A minute: ticks every 10 s at whole tens of seconds.
    QList<GraphAxis::CTick> ticks = GraphAxis::TimeTicks(dOrigin, 0.0, 60.0, 8, CReadingTimes::kDayFirst);
    ASSERT_EQ(ticks.size(), 6);
    EXPECT_DOUBLE_EQ(ticks[0].dX, 3.0);
    EXPECT_EQ(ticks[0].strLabel, "9:05:10");
    EXPECT_EQ(ticks[5].strLabel, "9:06:00");
    // Two seconds: tenths.
    ticks = GraphAxis::TimeTicks(dOrigin, 0.0, 2.0, 6, CReadingTimes::kDayFirst);
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_EQ(ticks[0].strLabel, "9:05:07.0");
    EXPECT_EQ(ticks[1].strLabel, "9:05:07.5");
    // Three weeks: dates, in the recording's order of day and month.
    ticks = GraphAxis::TimeTicks(dOrigin, 0.0, 21 * 86400.0, 4, CReadingTimes::kMonthFirst);
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_EQ(ticks[0].strLabel, "3/20/2025");
    EXPECT_LE(ticks.size(), 4);
    EXPECT_TRUE(GraphAxis::TimeTicks(dOrigin, 5.0, 5.0, 6, CReadingTimes::kDayFirst).isEmpty());
    EXPECT_EQ(GraphAxis::TimeTitle(dOrigin, CReadingTimes::kDayFirst), "Meter time, 14/3/2025");
    EXPECT_EQ(GraphAxis::ValueTitle(QString::fromUtf8("µF")), QString::fromUtf8("Value (µF)"));
    EXPECT_EQ(GraphAxis::ValueTitle(QString()), "Value");
}
