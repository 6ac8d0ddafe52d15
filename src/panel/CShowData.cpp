#include "panel/CShowData.h"

#include "base/CPrintf.h"
#include "document/CObData.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QLineEdit* AddRow(QFormLayout* pLayout, const QString& strLabel)
{
    auto* pEdit = new QLineEdit;
    pEdit->setReadOnly(true);
    pEdit->setFocusPolicy(Qt::NoFocus);
    auto* pLabel = new QLabel(strLabel);
    pLabel->setAttribute(Qt::WA_TranslucentBackground);
    pLayout->addRow(pLabel, pEdit);
    return pEdit;
}

} // namespace

CShowData::CShowData(QWidget* pParent)
    : QWidget(pParent)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, BackgroundColor());
    palette.setColor(QPalette::Base, BackgroundColor());
    setPalette(palette);
    setAutoFillBackground(true);

    auto* pLayout = new QFormLayout(this);
    pLayout->setContentsMargins(4, 4, 4, 4);
    pLayout->setVerticalSpacing(2);
    pLayout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_pNum = AddRow(pLayout, QStringLiteral("Num:"));
    m_pTime = AddRow(pLayout, QStringLiteral("Time:"));
    m_pValue = AddRow(pLayout, QStringLiteral("Value:"));
    m_pUnit = AddRow(pLayout, QStringLiteral("Unit:"));
    m_pType = AddRow(pLayout, QStringLiteral("Type:"));
    // Wide enough for a date and time text without scrolling.
    for (QLineEdit* pEdit : {m_pNum, m_pTime, m_pValue, m_pUnit, m_pType})
        pEdit->setMinimumWidth(pEdit->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 8);
}

void CShowData::SetPoint(int nNumber, const QString& strTime, double dValue, const QString& strUnit,
                         const QString& strType)
{
    m_strNum = QString::number(nNumber);
    m_strTime = strTime;
    m_strUnit = strUnit;
    m_strType = strType;
    m_strValue = dValue >= CObData::kOverload || dValue == -CObData::kOverload ? QStringLiteral("OL")
                                                                                 : CPrintf::Format("%.4f", dValue);
    m_pNum->setText(m_strNum);
    m_pTime->setText(m_strTime);
    m_pValue->setText(m_strValue);
    m_pUnit->setText(m_strUnit);
    m_pType->setText(m_strType);
    for (QLineEdit* pEdit : {m_pNum, m_pTime, m_pValue, m_pUnit, m_pType})
        pEdit->setCursorPosition(0);
}

QString CShowData::NumText() const { return m_pNum->text(); }
QString CShowData::TimeText() const { return m_pTime->text(); }
QString CShowData::ValueText() const { return m_pValue->text(); }
QString CShowData::UnitText() const { return m_pUnit->text(); }
QString CShowData::TypeText() const { return m_pType->text(); }
