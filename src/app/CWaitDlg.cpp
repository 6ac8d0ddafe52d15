#include "app/CWaitDlg.h"

#include "base/CProgramInfo.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

CWaitDlg::CWaitDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , m_pBlockBar(new QProgressBar(this))
    , m_pOverallBar(new QProgressBar(this))
    , m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(CProgramInfo::Name());
    setModal(false);
    auto* pLayout = new QFormLayout(this);
    pLayout->addRow(new QLabel(QStringLiteral("Receiving data from the meter, please wait.")));
    pLayout->addRow(QStringLiteral("Recording:"), m_pBlockBar);
    pLayout->addRow(QStringLiteral("Overall:"), m_pOverallBar);
    pLayout->addRow(m_pCancel);
    m_pCancel->setAutoDefault(false);
    m_pCancel->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(m_pCancel, &QPushButton::clicked, this, &CWaitDlg::CancelRequested);
    m_pBlockBar->setRange(0, 0);
    m_pOverallBar->setRange(0, 1);
    m_pOverallBar->setValue(0);
    setMinimumWidth(360);
}

void CWaitDlg::ShowCentred()
{
    adjustSize();
    if (QWidget* pParent = parentWidget())
        move(pParent->geometry().center() - rect().center());
    show();
    raise();
}
