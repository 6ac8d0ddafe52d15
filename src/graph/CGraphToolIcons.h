#pragma once

#include <QIcon>

// The pictures of the graph tool bar's buttons, drawn rather than loaded.
class CGraphToolIcons
{
public:
    // The icon of a GraphCommand; an empty icon for others.
    static QIcon Icon(int nCommand);
};
