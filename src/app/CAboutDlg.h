#pragma once

#include <QDialog>

// "About Multimeter": the program's icon, name and version.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    // "Orvex Multimeter Software Version 1.2"
    static QString VersionLine();
};
