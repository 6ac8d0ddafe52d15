#pragma once

#include <QIcon>

// The program's icon, drawn: a small meter with its display and dial.
class CProgramIcon
{
public:
    static QIcon Icon();
    static QPixmap Pixmap(int nSize);
};
