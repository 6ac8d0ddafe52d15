#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// The point information panel of the trend graph: five read-only rows with
// the number, time, value, unit and type of one recorded reading. The graph
// owns it as a hidden child and shows, fills and places it. The boxes scroll
// their text sideways, except the value's, which shows it from its start.
class CShowData : public QWidget
{
    Q_OBJECT
public:
    explicit CShowData(QWidget* pParent = nullptr);

    // Fills the rows; a value at or above +500000 or exactly -500000 reads "OL".
    void SetPoint(int nNumber, const QString& strTime, double dValue, const QString& strUnit, const QString& strType);

    QString NumText() const;
    QString TimeText() const;
    QString ValueText() const;
    QString UnitText() const;
    QString TypeText() const;
    // The value box (a fixed text, not an edit box) and the time box.
    QWidget* ValueBox() const;
    QWidget* TimeBox() const;

    static QColor BackgroundColor() { return QColor(255, 255, 202); }

private:
    QString m_strNum;
    QString m_strTime;
    QString m_strValue;
    QString m_strUnit;
    QString m_strType;
    QLineEdit* m_pNum;
    QLineEdit* m_pTime;
    QLabel* m_pValue;
    QLineEdit* m_pUnit;
    QLineEdit* m_pType;
};
