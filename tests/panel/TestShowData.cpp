#include "panel/CShowData.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

TEST(ShowData, FillsTheFiveRowsAndWritesOverloadsAsOL)
{
    CShowData panel;
    panel.SetPoint(42, QStringLiteral("14/3/25 9:30:05"), 1.23456, QStringLiteral("VDC"), QStringLiteral("Real Time"));
    EXPECT_EQ(panel.NumText(), QStringLiteral("42"));
    EXPECT_EQ(panel.TimeText(), QStringLiteral("14/3/25 9:30:05"));
    EXPECT_EQ(panel.ValueText(), QStringLiteral("1.2346"));
    EXPECT_EQ(panel.UnitText(), QStringLiteral("VDC"));
    EXPECT_EQ(panel.TypeText(), QStringLiteral("Real Time"));

    panel.SetPoint(1, QString(), 600000.0, QStringLiteral("V"), QString());
    EXPECT_EQ(panel.ValueText(), QStringLiteral("OL"));
    EXPECT_TRUE(panel.TimeText().isEmpty());
    EXPECT_TRUE(panel.TypeText().isEmpty());
    panel.SetPoint(2, QString(), -600000.0, QStringLiteral("V"), QString());
    EXPECT_EQ(panel.ValueText(), QStringLiteral("-600000.0000"));
    panel.SetPoint(3, QString(), -500000.0, QStringLiteral("V"), QString());
    EXPECT_EQ(panel.ValueText(), QStringLiteral("OL"));
    panel.SetPoint(4, QString(), 499999.99999, QStringLiteral("V"), QString());
    EXPECT_EQ(panel.ValueText(), QStringLiteral("500000.0000"));
}

TEST(ShowData, DrawsOnItsPaleYellowBackground)
{
    CShowData panel;
    panel.SetPoint(7, QStringLiteral("t"), 1.0, QStringLiteral("V"), QStringLiteral("x"));
    panel.resize(panel.sizeHint());
    const QImage image = panel.grab().toImage();
    // Between the label column and the edit boxes the panel itself shows.
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 202));
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(255, 255, 202));
}

TEST(ShowData, TheValueBoxHoldsItsTextStillWhereTheOthersScroll)
{
    CShowData panel;
    panel.SetPoint(3, QStringLiteral("14/03/2025 09:30:05 and some more"), -600000.0, QStringLiteral("V"),
                   QStringLiteral("Real Time"));
    panel.resize(panel.sizeHint());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    // Narrower than their texts, so a drag across either would scroll it.
    for (QWidget* pBox : {panel.ValueBox(), panel.TimeBox()})
        pBox->setFixedWidth(pBox->fontMetrics().horizontalAdvance(QStringLiteral("-600")));
    QCoreApplication::processEvents();

    auto dragAcross = [](QWidget* pBox) {
        const QImage before = pBox->grab().toImage();
        const QPoint from(4, pBox->height() / 2), to(pBox->width() + 300, pBox->height() / 2);
        QTest::mousePress(pBox, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(pBox->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(pBox, &move);
        QTest::mouseRelease(pBox, Qt::LeftButton, Qt::NoModifier, to);
        QCoreApplication::processEvents();
        return before != pBox->grab().toImage();
    };
    EXPECT_TRUE(dragAcross(panel.TimeBox())); // an edit box scrolls to the end of its text
    EXPECT_FALSE(dragAcross(panel.ValueBox()));
    EXPECT_EQ(panel.ValueText(), QStringLiteral("-600000.0000"));
    // The value shows from its first character, on the panel's colour.
    const QImage value = panel.ValueBox()->grab().toImage();
    EXPECT_EQ(value.pixelColor(value.width() / 2, 3), QColor(255, 255, 202));
}
