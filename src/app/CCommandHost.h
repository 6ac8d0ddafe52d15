#pragma once

class QAction;
class QMenu;
class QWidget;

// Where a part of the main window puts its commands: the menus of the menu bar and the
// toolbar, each entry in its fixed place whatever order the parts add them in. The main
// window is the one implementation; the parts know it only through this.
class CCommandHost
{
public:
    // Menus of the menu bar, in their order.
    enum class MenuId { File, View, ComPort, RealTime, DataLogger, GraphSetting, Help };
    // Toolbar buttons, in their order.
    enum class ToolButton { Open, Save, ExportToExcel, Start, Stop, PrintGraph, About };

    // The menu, made on first use in its place in the menu bar.
    virtual QMenu* Menu(MenuId id) = 0;
    // "E&xit", the last entry of the File menu: insert file commands before it.
    virtual QAction* ExitAction() const = 0;
    // Puts an action on the toolbar at the place of its button.
    virtual void AddToolButton(ToolButton button, QAction* pAction) = 0;
    // The window that dialogs belong to and whose style gives the standard icons.
    virtual QWidget* CommandWindow() = 0;

protected:
    ~CCommandHost() = default;
};
