#include "panel/CShowData.h"

#include "base/CPrintf.h"
#include "document/CObData.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <initializer_list>

namespace {

template <typename Box>
Box* AddRow(QFormLayout* pLayout, const QString& strLabel, Box* pBox)
{
    pBox->setFocusPolicy(Qt::NoFocus);
    auto* pLabel = new QLabel(strLabel);
    pLabel->setAttribute(Qt::WA_TranslucentBackground);
    pLayout->addRow(pLabel, pBox);
    return pBox;
}

QLineEdit* AddRow(QFormLayout* pLayout, const QString& strLabel)
{
    auto* pEdit = new QLineEdit;
    pEdit->setReadOnly(true);
    return AddRow(pLayout, strLabel, pEdit);
}

// A box that looks like the edit boxes but holds its text still: it does not scroll.
QLabel* AddFixedRow(QFormLayout* pLayout, const QString& strLabel)
{
    auto* pBox = new QLabel;
    pBox->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pBox->setBackgroundRole(QPalette::Base);
    pBox->setAutoFillBackground(true);
    pBox->setTextInteractionFlags(Qt::NoTextInteraction);
    pBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pBox->setIndent(2);
    return AddRow(pLayout, strLabel, pBox);
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
    m_pValue = AddFixedRow(pLayout, QStringLiteral("Value:"));
    m_pUnit = AddRow(pLayout, QStringLiteral("Unit:"));
    m_pType = AddRow(pLayout, QStringLiteral("Type:"));
    // Wide enough for a date and time text without scrolling.
    for (QWidget* pBox : std::initializer_list<QWidget*>{m_pNum, m_pTime, m_pValue, m_pUnit, m_pType})
        pBox->setMinimumWidth(pBox->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 8);
    m_pValue->setMinimumHeight(m_pTime->sizeHint().height());
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
    for (QLineEdit* pEdit : {m_pNum, m_pTime, m_pUnit, m_pType})
        pEdit->setCursorPosition(0);
}

QString CShowData::NumText() const { return m_pNum->text(); }
QString CShowData::TimeText() const { return m_pTime->text(); }
QString CShowData::ValueText() const { return m_pValue->text(); }
QString CShowData::UnitText() const { return m_pUnit->text(); }
QString CShowData::TypeText() const { return m_pType->text(); }
QWidget* CShowData::ValueBox() const { return m_pValue; }
QWidget* CShowData::TimeBox() const { return m_pTime; }
