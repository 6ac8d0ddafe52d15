#pragma once

class CChildFrame;
class QMdiArea;
class QWidget;

// The main window's client area, where the document windows live.
class CDocumentArea
{
public:
    virtual QMdiArea* MdiArea() const = 0;
    // A document window for pView, maximised and active.
    virtual CChildFrame* AddChildFrame(QWidget* pView) = 0;

protected:
    ~CDocumentArea() = default;
};
