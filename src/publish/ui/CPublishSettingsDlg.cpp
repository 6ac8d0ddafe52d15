#include "publish/ui/CPublishSettingsDlg.h"

#include "publish/ui/CPublishPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CPublishSettingsDlg::CPublishSettingsDlg(const CPublishSettings& settings, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(tr("Settings"));
    auto* pTabs = new QTabWidget(this);
    m_pPage = new CPublishPage(settings, pTabs);
    pTabs->addTab(m_pPage, tr("Publish"));
    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto enableOk = [this](bool bValid) { m_pButtons->button(QDialogButtonBox::Ok)->setEnabled(bValid); };
    connect(m_pPage, &CPublishPage::ValidityChanged, this, enableOk);
    QString strError;
    enableOk(m_pPage->IsValid(&strError));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pTabs);
    pLayout->addWidget(m_pButtons);
    resize(480, 320);
}
