#include "publish/ui/CAlarmDlg.h"

#include "publish/CAlarmWatch.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CAlarmDlg::CAlarmDlg(const QString& strAbove, const QString& strBelow, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(tr("Alarms"));
    m_pAbove = new QLineEdit(strAbove, this);
    m_pAbove->setPlaceholderText(tr("none, or e.g. 4.5V"));
    m_pBelow = new QLineEdit(strBelow, this);
    m_pBelow->setPlaceholderText(tr("none, or e.g. 100nF"));
    m_pError = new QLabel(this);
    m_pError->setWordWrap(true);
    m_pError->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* pHelp = new QLabel(tr("A limit holds for the readings of its unit, whatever their prefix or coupling; a bare "
                                "number holds for every reading in its own unit. A crossing shows a red frame on the panel "
                                "until acknowledged, beeps, notifies the desktop and is noted in the live recording's "
                                "Remark column; the limit re-arms once the reading is back inside by 1 %."),
                             this);
    pHelp->setWordWrap(true);
    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("Alarm above:"), m_pAbove);
    pForm->addRow(tr("Alarm below:"), m_pBelow);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pHelp);
    pLayout->addWidget(m_pError);
    pLayout->addWidget(m_pButtons);
    connect(m_pAbove, &QLineEdit::textChanged, this, &CAlarmDlg::Check);
    connect(m_pBelow, &QLineEdit::textChanged, this, &CAlarmDlg::Check);
    Check();
    resize(420, 240);
}

QString CAlarmDlg::Above() const
{
    return m_pAbove->text().trimmed();
}

QString CAlarmDlg::Below() const
{
    return m_pBelow->text().trimmed();
}

void CAlarmDlg::Check()
{
    CAlarmWatch watch;
    QString strError;
    const bool bValid = (Above().isEmpty() || watch.SetAbove(Above(), &strError))
                        && (Below().isEmpty() || watch.SetBelow(Below(), &strError));
    m_pError->setText(bValid ? QString() : strError);
    m_pButtons->button(QDialogButtonBox::Ok)->setEnabled(bValid);
}
