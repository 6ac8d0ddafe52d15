#pragma once

#include "publish/ui/CPublishSettings.h"

#include <QDialog>

class CPublishPage;
class QDialogButtonBox;

// "Settings" with its "Publish" page. OK is enabled while the page's fields are usable.
class CPublishSettingsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPublishSettingsDlg(const CPublishSettings& settings, QWidget* pParent = nullptr);

    CPublishPage* Page() const { return m_pPage; }
    QDialogButtonBox* Buttons() const { return m_pButtons; }

private:
    CPublishPage* m_pPage;
    QDialogButtonBox* m_pButtons;
};
