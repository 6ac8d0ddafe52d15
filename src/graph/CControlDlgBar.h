#pragma once

#include <QToolBar>

#include <functional>

class CGraphCommandTarget;

// The graph tool bar: "Move", "Rect", "YBig", "XBig", "Show", "All", "FFT" and "Measure", each sending
// its GraphCommand to the current data view. Without a current view the buttons do nothing.
class CControlDlgBar : public QToolBar
{
    Q_OBJECT
public:
    // Answers the current target at the moment of a click; nullptr when there is none.
    using TargetProvider = std::function<CGraphCommandTarget*()>;

    explicit CControlDlgBar(QWidget* pParent = nullptr);

    void SetTargetProvider(TargetProvider provider);
    // Sends nCommand to the current target, if any: the buttons and the "Setting" menu item.
    void SendCommand(int nCommand);
    // The button's action for a command, or nullptr.
    QAction* CommandAction(int nCommand) const;

private:
    TargetProvider m_provider;
};
