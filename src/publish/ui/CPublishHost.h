#pragma once

class CCommandHost;
class CMeterLink;
class CMeterProtocol;
class QStatusBar;

// What the publishing and alarm commands use of the main window: its menus, its status bar,
// and the link and protocol whose readings they watch. The window outlives both.
struct CPublishHost
{
    CCommandHost& commands;
    QStatusBar* pStatusBar;
    CMeterProtocol& protocol;
    CMeterLink& link;
};
