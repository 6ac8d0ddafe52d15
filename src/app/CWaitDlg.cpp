#include "app/CWaitDlg.h"

#include "document/CDocumentType.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>

CWaitDlg::CWaitDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , m_pBlockBar(new QProgressBar(this))
    , m_pOverallBar(new QProgressBar(this))
{
    setWindowTitle(DocumentType::ProgramName());
    setModal(false);
    auto* pLayout = new QFormLayout(this);
    pLayout->addRow(new QLabel(QStringLiteral("Receiving data from the meter, please wait.")));
    pLayout->addRow(QStringLiteral("Recording:"), m_pBlockBar);
    pLayout->addRow(QStringLiteral("Overall:"), m_pOverallBar);
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
