// The graph tool bar sends its commands to the current view, and to nothing without one.
#include "graph/CControlDlgBar.h"

#include "CImageCheck.h"
#include "CPromptRecorder.h"
#include "graph/CGraphCommand.h"
#include "graph/CGraphCommandTarget.h"
#include "graph/CGraphDlg.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class CTargetDouble : public CGraphCommandTarget
{
public:
    QList<int> m_commands;
    void OnGraphCommand(int nCommand) override { m_commands << nCommand; }
};

void Click(CControlDlgBar& bar, int nCommand)
{
    QAction* pAction = bar.CommandAction(nCommand);
    ASSERT_NE(pAction, nullptr) << nCommand;
    QWidget* pButton = bar.widgetForAction(pAction);
    ASSERT_NE(pButton, nullptr);
    QTest::mouseClick(pButton, Qt::LeftButton);
}

} // namespace

TEST(ControlDlgBar, HasTheEightButtonsInOrder)
{
    CControlDlgBar bar;
    QStringList texts;
    QList<int> commands;
    for (QAction* pAction : bar.actions()) {
        texts << pAction->text();
        commands << pAction->data().toInt();
        EXPECT_FALSE(pAction->icon().isNull());
        EXPECT_TRUE(pAction->isEnabled());
    }
    EXPECT_EQ(texts, QStringList({"Move", "Rect", "YBig", "XBig", "Show", "All", "FFT", "Measure"}));
    EXPECT_EQ(commands, QList<int>({32771, 32772, 32774, 32773, 32777, 32778, 32792, 32801}));
    bar.show();
    ImageCheck::SaveShot(bar.grab().toImage(), "toolbar.png");
}

TEST(ControlDlgBar, ButtonsReachTheCurrentTargetOnly)
{
    CControlDlgBar bar;
    bar.show();
    // No provider, then a provider without a current view: nothing happens.
    Click(bar, GraphCommand::kMove);
    CGraphCommandTarget* pCurrent = nullptr;
    bar.SetTargetProvider([&pCurrent] { return pCurrent; });
    Click(bar, GraphCommand::kRect);

    CTargetDouble first, second;
    pCurrent = &first;
    Click(bar, GraphCommand::kMove);
    Click(bar, GraphCommand::kFFT);
    pCurrent = &second;
    Click(bar, GraphCommand::kAll);
    bar.SendCommand(GraphCommand::kSetting); // the "Setting" menu item
    EXPECT_EQ(first.m_commands, QList<int>({GraphCommand::kMove, GraphCommand::kFFT}));
    EXPECT_EQ(second.m_commands, QList<int>({GraphCommand::kAll, GraphCommand::kSetting}));
}

TEST(ControlDlgBar, DrivesAGraph)
{
    CPromptRecorder prompt;
    CGraphDlg graph(prompt);
    CControlDlgBar bar;
    bar.SetTargetProvider([&graph]() -> CGraphCommandTarget* { return &graph; });
    bar.show();
    const std::pair<int, int> cases[] = {{GraphCommand::kMove, CGraphDlg::kToolMove},
                                         {GraphCommand::kYBig, CGraphDlg::kToolYBig},
                                         {GraphCommand::kXBig, CGraphDlg::kToolXBig},
                                         {GraphCommand::kShowNumber, CGraphDlg::kToolShowNumber},
                                         {GraphCommand::kFFT, CGraphDlg::kToolFFT},
                                         {GraphCommand::kRect, CGraphDlg::kToolRect}};
    for (const auto& [nCommand, nTool] : cases) {
        Click(bar, nCommand);
        EXPECT_EQ(graph.CurrentTool(), nTool) << nCommand;
    }
}
