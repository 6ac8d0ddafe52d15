#include "panel/CBarGraph.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

QStringList Texts(const QList<CBarGraph::Label>& labels)
{
    QStringList texts;
    for (const CBarGraph::Label& label : labels)
        texts << label.strText;
    return texts;
}

} // namespace

TEST(BarGraph, ScaleByLayoutDecimalsAndFunction)
{
    const auto adc1 = CBarGraph::Find(1, 3, QStringLiteral("ADC"));
    ASSERT_TRUE(adc1);
    EXPECT_EQ(adc1->dLow, -10);
    EXPECT_EQ(adc1->dFull, 10);
    // Layouts 3 and 4 have their own table: the same reading there spans -50..50.
    const auto adc3 = CBarGraph::Find(3, 3, QStringLiteral("ADC"));
    ASSERT_TRUE(adc3);
    EXPECT_EQ(adc3->dLow, -50);
    const auto aac = CBarGraph::Find(1, 3, QStringLiteral("AAC"));
    ASSERT_TRUE(aac);
    EXPECT_EQ(aac->dLow, 0);
    EXPECT_EQ(aac->dFull, 10);
    EXPECT_EQ(CBarGraph::Find(1, 1, QStringLiteral("uAAC"))->dFull, 5000);
    EXPECT_FALSE(CBarGraph::Find(1, 1, QStringLiteral("TEMP")));
    EXPECT_FALSE(CBarGraph::Find(1, 0, QStringLiteral("VDC")));
    EXPECT_FALSE(CBarGraph::Find(3, 1, QStringLiteral("Diode"))); // in layout 1's table only
    EXPECT_FALSE(CBarGraph::Find(2, 3, QStringLiteral("VDC")));
    EXPECT_FALSE(CBarGraph::Find(7, 3, QStringLiteral("VDC")));
}

TEST(BarGraph, LabelsFollowTheWidthOfTheScale)
{
    const double s = 300;
    const QList<CBarGraph::Label> eleven = CBarGraph::Labels({-10, 10}, s);
    EXPECT_EQ(Texts(eleven), QStringList({"-10", "-8", "-6", "-4", "-2", "0", "2", "4", "6", "8", "10"}));
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(eleven[i].dX, CBarGraph::MajorTick(i, s));

    const QList<CBarGraph::Label> six = CBarGraph::Labels({0, 50}, s);
    EXPECT_EQ(Texts(six), QStringList({"0", "10", "20", "30", "40", "50"}));
    EXPECT_EQ(six[5].dX, int(2 * s / 15 + 5 * 11 * s / 75));

    const QList<CBarGraph::Label> wide = CBarGraph::Labels({-1000, 1000}, s);
    EXPECT_EQ(Texts(wide), QStringList({"-1000", "-600", "-200", "0", "200", "600", "1000"}));
    EXPECT_EQ(wide[3].dX, CBarGraph::MajorTick(5, s));
    EXPECT_EQ(wide[6].dX, CBarGraph::MajorTick(10, s));
}

TEST(BarGraph, BarGrowsFromTheLeftOrTheCentreAndStopsAtTheEnds)
{
    const double s = 300; // axis 40..260, 220 long
    EXPECT_EQ(CBarGraph::Bar({0, 10}, 5.0f, 10.0f, s), std::make_pair(40.0, 150.0));
    EXPECT_EQ(CBarGraph::Bar({0, 10}, 20.0f, 30.0f, s), std::make_pair(40.0, 260.0));  // limited to full scale
    EXPECT_EQ(CBarGraph::Bar({0, 10}, 11.0f, 10.0f, s), std::make_pair(40.0, 260.0));  // overload: full length
    EXPECT_EQ(CBarGraph::Bar({0, 10}, -3.0f, 10.0f, s), std::make_pair(40.0, 40.0));   // nothing below zero
    EXPECT_EQ(CBarGraph::Bar({-10, 10}, 5.0f, 10.0f, s), std::make_pair(150.0, 205.0));
    EXPECT_EQ(CBarGraph::Bar({-10, 10}, -5.0f, 10.0f, s), std::make_pair(95.0, 150.0));
    EXPECT_EQ(CBarGraph::Bar({-10, 10}, -50.0f, 10.0f, s), std::make_pair(40.0, 150.0));
    EXPECT_EQ(CBarGraph::Bar({-10, 10}, 50.0f, 10.0f, s), std::make_pair(150.0, 260.0));
    const auto nan = CBarGraph::Bar({-10, 10}, std::numeric_limits<float>::quiet_NaN(), 10.0f, s);
    EXPECT_EQ(nan.first, nan.second);
}
