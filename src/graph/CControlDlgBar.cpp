#include "graph/CControlDlgBar.h"

#include "graph/CGraphCommand.h"
#include "graph/CGraphCommandTarget.h"
#include "graph/CGraphToolIcons.h"

#include <QAction>

namespace {

struct CButton
{
    int nCommand;
    const char* pszText;
    const char* pszTip;
};

constexpr CButton kButtons[] = {
    {GraphCommand::kMove, "Move", "Move: drag the graph"},
    {GraphCommand::kRect, "Rect", "Rect: zoom to a dragged rectangle"},
    {GraphCommand::kYBig, "YBig", "YBig: zoom the value axis to a dragged span"},
    {GraphCommand::kXBig, "XBig", "XBig: zoom the point axis to a dragged span"},
    {GraphCommand::kShowNumber, "Show", "Show: read the point under the pointer"},
    {GraphCommand::kAll, "All", "All: show the whole recording"},
    {GraphCommand::kFFT, "FFT", "FFT: drag over the points to analyse"},
    {GraphCommand::kMeasure, "Measure", "Measure: drag across readings for their figures; Esc clears"},
};

} // namespace

CControlDlgBar::CControlDlgBar(QWidget* pParent)
    : QToolBar(tr("Graph Tools"), pParent)
{
    setObjectName(QStringLiteral("ControlDlgBar"));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(24, 24));
    for (const CButton& button : kButtons) {
        QAction* pAction = addAction(CGraphToolIcons::Icon(button.nCommand), tr(button.pszText));
        pAction->setToolTip(tr(button.pszTip));
        pAction->setData(button.nCommand);
        const int nCommand = button.nCommand;
        connect(pAction, &QAction::triggered, this, [this, nCommand] { SendCommand(nCommand); });
    }
}

void CControlDlgBar::SetTargetProvider(TargetProvider provider)
{
    m_provider = std::move(provider);
}

void CControlDlgBar::SendCommand(int nCommand)
{
    CGraphCommandTarget* pTarget = m_provider ? m_provider() : nullptr;
    if (pTarget)
        pTarget->OnGraphCommand(nCommand);
}

QAction* CControlDlgBar::CommandAction(int nCommand) const
{
    for (QAction* pAction : actions()) {
        if (pAction->data().toInt() == nCommand)
            return pAction;
    }
    return nullptr;
}
