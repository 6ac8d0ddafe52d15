// The panel drawn to images: which texts land where, and the pixels that
// make them visible.
#include "CPanelFixture.h"

#include "panel/CBarGraph.h"
#include "panel/CLeftDlg.h"

#include <QSignalSpy>

namespace {

const QRectF kArea = CPanelPainter::DisplayArea();

bool IsBar(const QColor& c) { return c == CPanelPainter::BarColor(); }
bool IsRed(const QColor& c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; }
bool IsWhite(const QColor& c) { return c.lightness() > 200; }

} // namespace

using PanelRendering = CPanelFixture;

TEST_F(PanelRendering, DisplayAreaHasTheMeterGreyAndNothingElseWithoutALayout)
{
    for (int nLayout : {0, 10}) {
        Render(nLayout, Reading(1.0f, 6.0f, "VDC", 3, "VDC"));
        EXPECT_TRUE(DisplayTexts().isEmpty()) << nLayout;
        EXPECT_EQ(Count(kArea.adjusted(0, 0, -1, -1), [](const QColor& c) { return c != CPanelPainter::DisplayColor(); }),
                  0) << nLayout;
    }
}

TEST_F(PanelRendering, NoDataShowsRedNoRecvInTheMiddle)
{
    Render(-1, {}, 0);
    const CPanelPainter::TextItem* pItem = Find(QStringLiteral("NO RECV"));
    ASSERT_NE(pItem, nullptr);
    EXPECT_NEAR(pItem->rect.center().x(), kArea.center().x(), 2);
    EXPECT_NEAR(pItem->rect.center().y(), kArea.top() + kArea.height() / 2 - 15, 2);
    EXPECT_GT(Count(pItem->rect, IsRed), 100);
    EXPECT_EQ(DisplayTexts(), QStringList{QStringLiteral("NO RECV")});
    EXPECT_EQ(Pixel(kArea.left() + 2, kArea.bottom() - 2), CPanelPainter::DisplayColor());
}

TEST_F(PanelRendering, Layout1OverloadJustAboveTheRangeAndANumberAtIt)
{
    Render(1, Reading(6.0f, 6.0f, "VDC", 3, "VDC"));
    const CPanelPainter::TextItem* pAt = Find(QStringLiteral("6.000"));
    ASSERT_NE(pAt, nullptr);
    EXPECT_NEAR(pAt->rect.center().x(), kArea.center().x(), 1);
    EXPECT_NEAR(pAt->rect.bottom(), kArea.top() + kArea.height() / 2, 1);
    EXPECT_GT(InkIn(*pAt), 200);

    Render(1, Reading(std::nextafter(6.0f, 7.0f), 6.0f, "VDC", 3, "VDC"));
    const CPanelPainter::TextItem* pOver = Find(QStringLiteral("OL"));
    ASSERT_NE(pOver, nullptr);
    EXPECT_NEAR(pOver->rect.center().x(), kArea.center().x(), 1);
    EXPECT_GT(InkIn(*pOver), 200);
    EXPECT_FALSE(Has("6.000"));

    Render(1, Reading(-7.0f, 6.0f, "VDC", 3, "VDC"));
    EXPECT_TRUE(Has("-OL"));
    Render(1, Reading(-0.0001f, 6.0f, "VDC", 3, "VDC"));
    EXPECT_TRUE(Has("0.000"));
}

TEST_F(PanelRendering, ClockTextsAreWhiteOnDarkBoxesInTheTopCorners)
{
    MeterReading r = Reading(1.0f, 6.0f, "VDC", 3, "VDC");
    r.m_bClockFlag = false;
    r.m_nHour = 12;
    r.m_nMinute = 30;
    Render(1, r);
    const CPanelPainter::TextItem* pClock = Find(QStringLiteral("12:30AM"));
    ASSERT_NE(pClock, nullptr);
    EXPECT_EQ(pClock->rect.topLeft(), DisplayPoint(10, 0));
    EXPECT_GT(Count(pClock->rect, IsWhite), 30);
    EXPECT_EQ(Pixel(pClock->rect.left() + 1, pClock->rect.bottom() - 1), QColor(60, 60, 60));

    r.m_nHour = 13;
    r.m_nMinute = 5;
    Render(1, r);
    ASSERT_TRUE(Has("01:05PM"));
    const CPanelPainter::TextItem* pDate = Find(QStringLiteral("14/03/25"));
    ASSERT_NE(pDate, nullptr);
    EXPECT_NEAR(pDate->rect.right(), kArea.right() - 10, 0.01);
    EXPECT_EQ(pDate->rect.top(), kArea.top());
}

TEST_F(PanelRendering, IndicatorsAndTheUnitPictureWithItsAlternate)
{
    MeterReading r = Reading(229.8f, 600.0f, "VAC", 1, "VAC");
    r.m_bIndicatorA = true;
    Render(1, r);
    EXPECT_TRUE(Has("V AC"));
    EXPECT_TRUE(Has("Hold"));
    EXPECT_TRUE(Has("Auto Range"));
    EXPECT_FALSE(Has("V AC LO"));
    const CPanelPainter::TextItem* pUnit = Find(QStringLiteral("V AC"));
    ASSERT_NE(pUnit, nullptr);
    EXPECT_NEAR(pUnit->rect.right(), kArea.right() - 5, 0.01);
    EXPECT_GT(InkIn(*pUnit), 30);
    EXPECT_NEAR(Find(QStringLiteral("Hold"))->rect.left(), kArea.center().x(), 0.01);
    EXPECT_NEAR(Find(QStringLiteral("Auto Range"))->rect.left(), kArea.left() + 5, 0.01);

    for (bool bFlagC : {true, false}) {
        r.m_bIndicatorC = bFlagC;
        r.m_bIndicatorD = !bFlagC;
        r.m_bIndicatorA = false;
        r.m_bIndicatorB = false;
        Render(1, r);
        EXPECT_TRUE(Has("V AC LO")) << bFlagC;
        EXPECT_FALSE(Has("Hold"));
        EXPECT_TRUE(Has("Manual Range"));
    }

    // A key without a pair keeps its own picture when a flag is set.
    Render(1, [] {
        MeterReading v = Reading(0.512f, 2.0f, "V", 3, "Diode");
        v.m_bIndicatorC = true;
        return v;
    }());
    EXPECT_TRUE(Has("V diode"));
    // A unit without a picture is still written out.
    Render(2, Reading(1.5f, 10.0f, "kHZ", 4, "HZ"));
    EXPECT_TRUE(Has("kHZ"));
}

TEST_F(PanelRendering, AmpsDcWithThreeDecimalsGetTheMinusTenToTenBar)
{
    Render(1, Reading(5.0f, 10.0f, "ADC", 3, "ADC"), 3);
    QStringList labels;
    double dLastRight = 0;
    const double y0 = kArea.top() + int(kArea.height() / 2);
    for (const CPanelPainter::TextItem& item : m_texts) {
        if (item.rect.top() == y0 + 8) {
            labels << item.strText;
            EXPECT_GT(item.rect.left(), dLastRight - 0.01) << qPrintable(item.strText); // left to right
            dLastRight = item.rect.right();
        }
    }
    EXPECT_EQ(labels, QStringList({"-10", "-8", "-6", "-4", "-2", "0", "2", "4", "6", "8", "10", "ADC"}));
    const double s = kArea.width();
    const double dCentre = kArea.left() + int(s / 2);
    const double dEnd = kArea.left() + int(s / 2 + 11 * s / 15 * 5 / 20);
    // The bar runs right from the centre to a quarter of the axis.
    EXPECT_TRUE(IsBar(Pixel(dCentre + 2, y0 - 3)));
    EXPECT_TRUE(IsBar(Pixel(dEnd - 2, y0 - 3)));
    EXPECT_FALSE(IsBar(Pixel(dEnd + 2, y0 - 3)));
    EXPECT_FALSE(IsBar(Pixel(dCentre - 2, y0 - 3)));

    Render(1, Reading(-5.0f, 10.0f, "ADC", 3, "ADC"), 3);
    EXPECT_TRUE(IsBar(Pixel(dCentre - 2, y0 - 3)));
    EXPECT_FALSE(IsBar(Pixel(dCentre + 2, y0 - 3)));

    // No scale for the function: no bar graph.
    Render(1, Reading(23.4f, 400.0f, "℃", 1, "TEMP"), 4);
    EXPECT_FALSE(Has("0"));
    EXPECT_EQ(Count(QRectF(kArea.left(), y0 - 5, kArea.width(), 5), IsBar), 0);
}

TEST_F(PanelRendering, Layout2MinimumAverageMaximumAndStart)
{
    MeterReading r = Reading(5.0121f, 6.0f, "VDC", 4, "VDC");
    r.m_fSub1 = 5.0342f;
    r.m_fSub2 = 4.9877f;
    r.m_fSub3 = 7.5f; // beyond the range
    r.m_nSub1Decimals = r.m_nSub2Decimals = r.m_nSub3Decimals = 4;
    r.m_strSub1Unit = r.m_strSub2Unit = r.m_strSub3Unit = QStringLiteral("VDC");
    r.m_strSub1Time = QStringLiteral("00:03:12");
    r.m_strSub2Time = QStringLiteral("00:01:47");
    r.m_strSub3Time = QStringLiteral("00:05:00");
    r.m_nElapsedM = 5;
    Render(2, r);
    const double lh = Find(QStringLiteral("Average"))->rect.top() - Find(QStringLiteral("Mininum"))->rect.top();
    ASSERT_GT(lh, 10);
    const double y0 = kArea.top() + kArea.height() / 2;
    EXPECT_EQ(Find(QStringLiteral("Mininum"))->rect.topLeft(), DisplayPoint(10, kArea.height() / 2));
    EXPECT_EQ(Find(QStringLiteral("4.9877"))->rect.topLeft(), QPointF(kArea.left() + 80, y0));
    EXPECT_EQ(Find(QStringLiteral("00:01:47"))->rect.topLeft(), QPointF(kArea.left() + 165, y0));
    EXPECT_EQ(Find(QStringLiteral("OL"))->rect.top(), y0 + lh);
    EXPECT_EQ(Find(QStringLiteral("5.0342"))->rect.top(), y0 + 2 * lh);
    EXPECT_EQ(Find(QStringLiteral("Maxinum"))->rect.top(), y0 + 2 * lh);
    EXPECT_EQ(Find(QStringLiteral("Start:"))->rect.top(), y0 + 3 * lh);
    EXPECT_TRUE(Has("14/03/25 09:35:00"));
    // Layout 2 has no bar graph.
    EXPECT_EQ(Count(QRectF(kArea.left(), y0 - 5, kArea.width(), 5), IsBar), 0);
}

TEST_F(PanelRendering, Layout3RelativeWithReferenceAndPercent)
{
    MeterReading r = Reading(5.012f, 6.0f, "VDC", 3, "VDC");
    r.m_fRef = 5.0f;
    r.m_fRel = 0.012f;
    Render(3, r);
    EXPECT_TRUE(Has("0.012"));
    EXPECT_FALSE(Has("%"));
    const CPanelPainter::TextItem* pRef = Find(QStringLiteral("Reference"));
    ASSERT_NE(pRef, nullptr);
    EXPECT_EQ(pRef->rect.left(), kArea.left() + 30);
    EXPECT_EQ(Find(QStringLiteral("5.000"))->rect.topLeft(), QPointF(kArea.left() + 100, pRef->rect.top()));
    EXPECT_TRUE(Has("-50")); // layouts 3 and 4 use their own scale table

    r.m_bIndicatorC = true;
    Render(3, r);
    const CPanelPainter::TextItem* pPercent = Find(QStringLiteral("%"));
    const CPanelPainter::TextItem* pNumber = Find(QStringLiteral("0.2"));
    ASSERT_NE(pPercent, nullptr);
    ASSERT_NE(pNumber, nullptr);
    EXPECT_NEAR(pPercent->rect.left(), pNumber->rect.right() + 10, 0.01);
}

TEST_F(PanelRendering, Layout4PeaksBelowTheBarGraphAndTheCrestFactor)
{
    MeterReading r = Reading(230.1f, 600.0f, "VAC", 2, "VAC");
    r.m_fSub1 = 325.4f;
    r.m_fSub2 = -325.1f;
    r.m_fSub3 = 230.0f;
    r.m_nSub1Decimals = r.m_nSub2Decimals = r.m_nSub3Decimals = 2;
    Render(4, r);
    EXPECT_TRUE(Has("PeakMax"));
    EXPECT_TRUE(Has("325.40"));
    EXPECT_TRUE(Has("-325.10"));
    EXPECT_FALSE(Has("Crest Factor"));
    // Every line clears the bar graph's labels.
    const CPanelPainter::TextItem* pLabel = Find(QStringLiteral("500"));
    ASSERT_NE(pLabel, nullptr);
    EXPECT_GE(Find(QStringLiteral("PeakMax"))->rect.top(), pLabel->rect.bottom() - 2);

    r.m_bIndicatorC = true;
    Render(4, r);
    EXPECT_TRUE(Has("Crest Factor"));
    EXPECT_EQ(Find(QStringLiteral("1.4"))->rect.left(), kArea.left() + 100);
}

TEST_F(PanelRendering, Layout5And6SecondLines)
{
    MeterReading r = Reading(12.0f, 60.0f, "VDC", 2, "DC+AC(V)");
    r.m_fAux1 = 11.98f;
    r.m_fAux2 = 0.35f;
    r.m_strAux2Unit = QStringLiteral("VAC");
    r.m_nAuxCode = 3;
    Render(5, r);
    EXPECT_TRUE(Has("11.98"));
    const CPanelPainter::TextItem* pAux = Find(QStringLiteral("0.35"));
    ASSERT_NE(pAux, nullptr);
    EXPECT_EQ(pAux->rect.left(), kArea.left() + 100);
    EXPECT_EQ(Find(QStringLiteral("VAC"))->rect.left(), kArea.left() + 180);
    r.m_nAuxCode = 2;
    r.m_strUnit = QStringLiteral("Vdc+ac");
    Render(5, r);
    EXPECT_TRUE(Has("12.000"));
    EXPECT_TRUE(Has("V DC+AC"));
    EXPECT_FALSE(Has("0.35"));

    MeterReading s = Reading(229.8f, 600.0f, "VAC", 1, "VAC");
    s.m_fAux3 = 50.02f;
    s.m_strAux3Unit = QStringLiteral("Hz  ");
    Render(6, s, 5);
    EXPECT_EQ(Find(QStringLiteral("50.02"))->rect.left(), kArea.left() + 100);
    EXPECT_TRUE(Has("Hz  "));
    s.m_fAux3 = 100.0f;
    Render(6, s, 5);
    EXPECT_TRUE(Has("OL"));
}

TEST_F(PanelRendering, Layout7PulseWidthOverloadAndDutyCycle)
{
    MeterReading r = Reading(50.0f, 0.0f, "HZ", 0, "HZ");
    r.m_fAux4 = 50.0f;
    r.m_bIndicatorC = true;
    Render(7, r, 10);
    EXPECT_TRUE(Has("50.000"));
    const CPanelPainter::TextItem* pWidth = Find(QStringLiteral("10.00"));
    ASSERT_NE(pWidth, nullptr);
    const CPanelPainter::TextItem* pMs = Find(QStringLiteral("ms"));
    ASSERT_NE(pMs, nullptr);
    EXPECT_EQ(pWidth->rect.left(), kArea.left() + 100);
    EXPECT_EQ(pMs->rect.left(), kArea.left() + 180);
    EXPECT_EQ(pMs->rect.top(), pWidth->rect.top());
    EXPECT_GT(InkIn(*pWidth), 20);

    r.m_fValue = 0.0f;
    Render(7, r, 10);
    EXPECT_TRUE(Has("OL"));
    EXPECT_TRUE(Has("ms"));

    r.m_bIndicatorC = false;
    r.m_fValue = 1.0f;
    r.m_fAux4 = 37.5f;
    Render(7, r, 10);
    EXPECT_TRUE(Has("37.50"));
    EXPECT_EQ(Find(QStringLiteral("%"))->rect.left(), kArea.left() + 180);

    r.m_bIndicatorE = true;
    Render(7, r, 10);
    EXPECT_FALSE(Has("37.50"));
    EXPECT_FALSE(Has("%"));
}

TEST_F(PanelRendering, DialLightsTheFunctionInUse)
{
    const auto amberNear = [this](const QString& strLabel) {
        for (const CPanelPainter::TextItem& item : m_texts) {
            if (item.strText == strLabel && CPanelPainter::FunctionArea().contains(item.rect.center()))
                return Count(item.rect, [](const QColor& c) { return c.red() > 200 && c.blue() < 100; });
        }
        return -1;
    };
    Render(1, Reading(229.8f, 600.0f, "VAC", 1, "VAC"), 5);
    EXPECT_GT(amberNear(QStringLiteral("AC")), 5);   // V AC
    EXPECT_EQ(amberNear(QStringLiteral("°C °F")), 0);
    Render(1, Reading(23.4f, 400.0f, "℃", 1, "TEMP"), 4);
    EXPECT_GT(amberNear(QStringLiteral("°C °F")), 5);
    Render(-1, {}, 0);
    EXPECT_EQ(amberNear(QStringLiteral("°C °F")), 0);
}

TEST_F(PanelRendering, ScalesWithoutMovingAnything)
{
    const MeterReading r = Reading(4.2153f, 6.0f, "VDC", 4, "VDC");
    Render(1, r, 6, 1.0);
    const QRectF one = Find(QStringLiteral("4.2153"))->rect;
    Render(1, r, 6, 2.0);
    EXPECT_EQ(m_image.size(), QSize(600, 1400));
    EXPECT_EQ(Find(QStringLiteral("4.2153"))->rect, one); // panel coordinates do not change
    EXPECT_GT(InkIn(*Find(QStringLiteral("4.2153"))), 4 * 200);
    EXPECT_EQ(Pixel(kArea.left() + 1, kArea.bottom() - 1), CPanelPainter::DisplayColor());
}

TEST(LeftDlg, ShowsReadingsBlanksAndKeepsItsShapeWhenResized)
{
    CLeftDlg panel;
    panel.resize(300, 700);
    const QImage before = panel.grab().toImage();
    EXPECT_EQ(panel.Layout(), 0);

    MeterReading r;
    r.m_fValue = 1.5f;
    r.m_fRange = 6.0f;
    r.m_strUnit = QStringLiteral("VDC");
    r.m_nDecimals = 3;
    QSignalSpy shown(&panel, &CLeftDlg::ReadingShown);
    panel.SetDisplayMode(6);
    panel.ShowReading(1, r);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(panel.Layout(), 1);
    EXPECT_EQ(panel.State().m_reading.m_fValue, 1.5f);
    const QImage reading = panel.grab().toImage();
    EXPECT_EQ(reading, CPanelPainter::Render(panel.State()).convertToFormat(reading.format()));
    EXPECT_NE(reading, before);

    panel.Blank();
    EXPECT_EQ(panel.Layout(), -1);
    EXPECT_EQ(panel.DisplayMode(), 0);

    // Wider than the panel's shape: it stays centred and upright.
    panel.resize(900, 700);
    const QImage wide = panel.grab().toImage();
    EXPECT_EQ(wide.pixelColor(10, 350), CPanelPainter::BackgroundColor());
    EXPECT_EQ(wide.pixelColor(300 + int(CPanelPainter::DisplayArea().left()) + 2, int(CPanelPainter::DisplayArea().top()) + 60),
              CPanelPainter::DisplayColor());
}
