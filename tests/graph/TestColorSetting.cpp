// "Settings": colours, marks and the y scaling, and how OK and Cancel reach the graph.
#include "graph/CColorSetting.h"

#include "CGraphTestData.h"
#include "CImageCheck.h"
#include "CPromptRecorder.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace GraphTestData;

namespace {

struct CSettingsFixture : CGraphOf<>
{
    using CGraphOf::CGraphOf;

    // Runs the whole settings flow; pAct works the dialog while it is open.
    void RunSettings(const std::function<void(CColorSetting&)>& act)
    {
        bool bSeen = false;
        QTimer::singleShot(0, &graph, [&] {
            auto* pDlg = qobject_cast<CColorSetting*>(QApplication::activeModalWidget());
            ASSERT_NE(pDlg, nullptr);
            bSeen = true;
            act(*pDlg);
            if (pDlg->isVisible())
                pDlg->reject();
        });
        graph.OnGraphCommand(GraphCommand::kSetting);
        EXPECT_TRUE(bSeen);
    }
};

void ClickOk(CColorSetting& dlg)
{
    dlg.accept();
}

} // namespace

TEST(ColorSetting, OpensWithTheGraphsSettings)
{
    CSettingsFixture f({1, 2, 3});
    CGraphColors colors;
    colors.m_gridColor = QColor(1, 2, 3);
    f.graph.SetColors(colors);
    f.graph.SetMarkPoints(false);
    f.graph.SetYRange(40, -30);
    f.RunSettings([&](CColorSetting& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Settings");
        EXPECT_EQ(dlg.m_colors, colors);
        EXPECT_FALSE(dlg.MarkPointsBox()->isChecked());
        EXPECT_TRUE(dlg.AutoButton()->isChecked());
        EXPECT_FALSE(dlg.MaxEdit()->isEnabled());
        EXPECT_FALSE(dlg.MinEdit()->isEnabled());
        EXPECT_EQ(dlg.MaxEdit()->value(), 50);
        EXPECT_EQ(dlg.MinEdit()->value(), -50);
        EXPECT_EQ(dlg.MaxEdit()->minimum(), -5000);
        EXPECT_EQ(dlg.MaxEdit()->maximum(), 5000);
        // The preview is the document's graph in the chosen colours and limits, and inert.
        EXPECT_FALSE(dlg.Preview()->isEnabled());
        EXPECT_EQ(dlg.Preview()->Document(), f.pDoc.get());
        EXPECT_EQ(dlg.Preview()->Colors(), colors);
        EXPECT_EQ(dlg.Preview()->YMax(), 40.0);
        EXPECT_EQ(dlg.Preview()->YMin(), -30.0);
        EXPECT_EQ(dlg.Preview()->YOrigin(), -30.0);
        QTest::mouseClick(dlg.ManualButton(), Qt::LeftButton);
        EXPECT_TRUE(dlg.MaxEdit()->isEnabled());
        EXPECT_FALSE(dlg.m_autoScale);
        QTest::mouseClick(dlg.AutoButton(), Qt::LeftButton);
        EXPECT_FALSE(dlg.MinEdit()->isEnabled());
        EXPECT_TRUE(dlg.m_autoScale);
    });
}

TEST(ColorSetting, MaximumNotAboveMinimumIsRefusedInBothModes)
{
    CSettingsFixture f({1, 2, 3});
    for (const bool bAuto : {false, true}) {
        f.RunSettings([&](CColorSetting& dlg) {
            QTest::mouseClick(bAuto ? dlg.AutoButton() : dlg.ManualButton(), Qt::LeftButton);
            dlg.MaxEdit()->setValue(7);
            dlg.MinEdit()->setValue(7);
            ClickOk(dlg);
            EXPECT_TRUE(dlg.isVisible());
            dlg.MinEdit()->setValue(9);
            ClickOk(dlg);
            EXPECT_TRUE(dlg.isVisible());
        });
    }
    EXPECT_EQ(f.prompt.Texts(), QStringList(4, "The Maxinum should large than the Mininum"));
    EXPECT_EQ(f.graph.YMax(), 500.0);
    EXPECT_EQ(f.graph.YMin(), -500.0);
}

TEST(ColorSetting, ManualLimitsAreAppliedAndOfferedAgain)
{
    CSettingsFixture f({1, 2, 3});
    f.RunSettings([&](CColorSetting& dlg) {
        QTest::mouseClick(dlg.ManualButton(), Qt::LeftButton);
        dlg.MaxEdit()->setValue(30);
        dlg.MinEdit()->setValue(-20);
        dlg.MarkPointsBox()->click();
        ClickOk(dlg);
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_EQ(f.graph.YMax(), 30.0);
    EXPECT_EQ(f.graph.YMin(), -20.0);
    EXPECT_FALSE(f.graph.MarkPoints());
    EXPECT_FALSE(f.graph.ScaleChoice().m_autoScale);
    EXPECT_EQ(f.graph.ScaleChoice().m_maxEdit, 30);
    EXPECT_EQ(f.graph.ScaleChoice().m_minEdit, -20);
    f.RunSettings([&](CColorSetting& dlg) {
        EXPECT_TRUE(dlg.ManualButton()->isChecked());
        EXPECT_EQ(dlg.MaxEdit()->value(), 30);
        EXPECT_EQ(dlg.MinEdit()->value(), -20);
    });
    EXPECT_TRUE(f.prompt.Texts().isEmpty());
}

TEST(ColorSetting, AutomaticLimitsComeFromTheReadings)
{
    struct SCase
    {
        std::vector<double> values;
        double dMax, dMin;
    };
    for (const SCase& c : {SCase{{0, 10, 5}, 11.0, -1.0}, SCase{{4.5, 4.5, 4.5}, 4.51, 4.49}}) {
        CSettingsFixture f(c.values);
        f.graph.ScaleChoice().m_autoScale = false;
        f.RunSettings([&](CColorSetting& dlg) {
            QTest::mouseClick(dlg.AutoButton(), Qt::LeftButton);
            ClickOk(dlg);
        });
        EXPECT_DOUBLE_EQ(f.graph.YMax(), c.dMax);
        EXPECT_DOUBLE_EQ(f.graph.YMin(), c.dMin);
        EXPECT_TRUE(f.graph.ScaleChoice().m_autoScale);
    }
    // Without a reading in the statistics the limits stay as they were.
    CSettingsFixture f(std::vector<double>{});
    f.RunSettings(ClickOk);
    EXPECT_EQ(f.graph.YMax(), 500.0);
    EXPECT_EQ(f.graph.YMin(), -500.0);
}

TEST(ColorSetting, AChosenColourShowsAtOnceButCancelLeavesTheGraphAlone)
{
    CSettingsFixture f({-100, 200, -300, 150, 0, 50, -20});
    const CGraphColors before = f.graph.Colors();
    f.RunSettings([&](CColorSetting& dlg) {
        QColor initial;
        dlg.m_pickColor = [&](const QColor& color, const QString&) {
            initial = color;
            return QColor(10, 20, 30);
        };
        QTest::mouseClick(dlg.ColorButton(CColorSetting::kBackground), Qt::LeftButton);
        EXPECT_EQ(initial, QColor(Qt::black));
        EXPECT_EQ(dlg.m_colors.m_bkColor, QColor(10, 20, 30));
        EXPECT_EQ(dlg.Swatch(CColorSetting::kBackground)->palette().color(QPalette::Window), QColor(10, 20, 30));
        EXPECT_EQ(dlg.Preview()->Colors().m_bkColor, QColor(10, 20, 30));
        const QImage preview = dlg.Preview()->grab().toImage();
        EXPECT_EQ(preview.pixel(200, 100), qRgb(10, 20, 30));
        // A cancelled colour dialog changes nothing.
        dlg.m_pickColor = [](const QColor&, const QString&) { return QColor(); };
        QTest::mouseClick(dlg.ColorButton(CColorSetting::kGrid), Qt::LeftButton);
        EXPECT_EQ(dlg.m_colors.m_gridColor, before.m_gridColor);
        dlg.m_pickColor = [](const QColor&, const QString&) { return QColor(200, 0, 200); };
        QTest::mouseClick(dlg.ColorButton(CColorSetting::kLine), Qt::LeftButton);
        ImageCheck::SaveShot(dlg.grab().toImage(), "settings.png");
        dlg.reject();
    });
    EXPECT_EQ(f.graph.Colors(), before);

    f.RunSettings([&](CColorSetting& dlg) {
        dlg.m_pickColor = [](const QColor&, const QString&) { return QColor(0, 0, 255); };
        QTest::mouseClick(dlg.ColorButton(CColorSetting::kPoint), Qt::LeftButton);
        ClickOk(dlg);
    });
    EXPECT_EQ(f.graph.Colors().m_pointColor, QColor(0, 0, 255));
    EXPECT_EQ(f.graph.Colors().m_bkColor, before.m_bkColor);
}
