#pragma once

#include "publish/ui/CPublishSettings.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

// The "Publish" page of the settings: on/off, the broker's URL, the topic prefix, the user
// name and the password. Says what is wrong with the fields as they are typed.
class CPublishPage : public QWidget
{
    Q_OBJECT
public:
    explicit CPublishPage(const CPublishSettings& settings, QWidget* pParent = nullptr);

    CPublishSettings Settings() const;
    // The fields make a broker address (or publishing is off); false with the reason.
    bool IsValid(QString* pstrError) const;

    QCheckBox* EnabledBox() const { return m_pEnabled; }
    QLineEdit* UrlEdit() const { return m_pUrl; }
    QLineEdit* PrefixEdit() const { return m_pPrefix; }
    QLineEdit* UserEdit() const { return m_pUser; }
    QLineEdit* PasswordEdit() const { return m_pPassword; }
    QLabel* ErrorLabel() const { return m_pError; }

signals:
    void ValidityChanged(bool bValid);

private:
    void Check();

    QCheckBox* m_pEnabled;
    QLineEdit* m_pUrl;
    QLineEdit* m_pPrefix;
    QLineEdit* m_pUser;
    QLineEdit* m_pPassword;
    QLabel* m_pError;
};
