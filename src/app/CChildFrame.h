#pragma once

#include <QMdiSubWindow>

// A document window in the main frame's client area. It always opens
// maximised, like the document windows of the program always have.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* pView, QWidget* pParent = nullptr);

    // The document view this frame holds.
    QWidget* View() const { return widget(); }

protected:
    void showEvent(QShowEvent* pEvent) override;
};
