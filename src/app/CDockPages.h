#pragma once

class QString;
class QWidget;

// The pages of the main window's left dock, beside the meter panel "Display".
class CDockPages
{
public:
    // A page after the others (the logger list).
    virtual void AddDockPage(QWidget* pPage, const QString& strTitle) = 0;
    // Brings a page added before to the front.
    virtual void ShowDockPage(QWidget* pPage) = 0;

protected:
    ~CDockPages() = default;
};
