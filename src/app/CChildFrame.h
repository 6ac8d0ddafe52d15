#pragma once

#include <QMdiSubWindow>

#include <functional>

// A document window in the main frame's client area. It always opens
// maximised, like the document windows of the program always have.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* pView, QWidget* pParent = nullptr);

    // The document view this frame holds.
    QWidget* View() const { return widget(); }

    // Asked before the frame closes (the question to save, recording stops); false keeps it open.
    void SetCloseQuery(std::function<bool()> fnQuery) { m_fnCloseQuery = std::move(fnQuery); }

protected:
    void showEvent(QShowEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    std::function<bool()> m_fnCloseQuery;
};
