#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// "Alarms": the upper and lower limits, each a number with an optional unit ("4.5V",
// "100nF", "2kHz"; a bare number is in the reading's unit), empty for none. OK is enabled
// while both read.
class CAlarmDlg : public QDialog
{
    Q_OBJECT
public:
    CAlarmDlg(const QString& strAbove, const QString& strBelow, QWidget* pParent = nullptr);

    QString Above() const;
    QString Below() const;
    QLineEdit* AboveEdit() const { return m_pAbove; }
    QLineEdit* BelowEdit() const { return m_pBelow; }
    QLabel* ErrorLabel() const { return m_pError; }
    QDialogButtonBox* Buttons() const { return m_pButtons; }

private:
    void Check();

    QLineEdit* m_pAbove;
    QLineEdit* m_pBelow;
    QLabel* m_pError;
    QDialogButtonBox* m_pButtons;
};
