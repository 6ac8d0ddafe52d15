#include "publish/ui/CPublishPage.h"

#include "publish/CReadingPublisher.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CPublishPage::CPublishPage(const CPublishSettings& settings, QWidget* pParent)
    : QWidget(pParent)
{
    m_pEnabled = new QCheckBox(tr("Publish the live readings to an MQTT broker"), this);
    m_pEnabled->setChecked(settings.m_bEnabled);
    m_pUrl = new QLineEdit(settings.m_strUrl, this);
    m_pUrl->setPlaceholderText(QStringLiteral("mqtt://broker.local or mqtts://broker.local:8883"));
    m_pPrefix = new QLineEdit(settings.m_strPrefix, this);
    m_pPrefix->setPlaceholderText(QStringLiteral("lab/bench1"));
    m_pUser = new QLineEdit(settings.m_strUser, this);
    m_pUser->setPlaceholderText(tr("none"));
    m_pPassword = new QLineEdit(settings.m_strPassword, this);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pError = new QLabel(this);
    m_pError->setObjectName(QStringLiteral("publishError"));
    m_pError->setWordWrap(true);
    m_pError->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("Broker URL:"), m_pUrl);
    pForm->addRow(tr("Topic prefix:"), m_pPrefix);
    pForm->addRow(tr("User:"), m_pUser);
    pForm->addRow(tr("Password:"), m_pPassword);
    auto* pTopics = new QLabel(tr("Readings go to PREFIX/%1 (JSON), alarms to PREFIX/%2, and \"online\" or \"offline\" "
                                  "to PREFIX/status (retained). The password is kept in the settings file, which only "
                                  "you can read.")
                                   .arg(QLatin1String(CReadingPublisher::kReadingLevel), QLatin1String(CReadingPublisher::kAlarmLevel)),
                               this);
    pTopics->setWordWrap(true);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pEnabled);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pTopics);
    pLayout->addWidget(m_pError);
    pLayout->addStretch(1);

    for (QLineEdit* pEdit : { m_pUrl, m_pPrefix, m_pUser, m_pPassword })
        connect(pEdit, &QLineEdit::textChanged, this, &CPublishPage::Check);
    connect(m_pEnabled, &QCheckBox::toggled, this, &CPublishPage::Check);
    Check();
}

CPublishSettings CPublishPage::Settings() const
{
    CPublishSettings settings;
    settings.m_bEnabled = m_pEnabled->isChecked();
    settings.m_strUrl = m_pUrl->text().trimmed();
    settings.m_strPrefix = m_pPrefix->text().trimmed();
    settings.m_strUser = m_pUser->text().trimmed();
    settings.m_strPassword = m_pPassword->text();
    return settings;
}

bool CPublishPage::IsValid(QString* pstrError) const
{
    const CPublishSettings settings = Settings();
    CMqttUrl url;
    // Off, the fields may be half done.
    return !settings.m_bEnabled || settings.ToUrl(&url, pstrError);
}

void CPublishPage::Check()
{
    QString strError;
    const bool bValid = IsValid(&strError);
    m_pError->setText(bValid ? QString() : strError);
    for (QWidget* pField : std::initializer_list<QWidget*> { m_pUrl, m_pPrefix, m_pUser, m_pPassword })
        pField->setEnabled(m_pEnabled->isChecked());
    emit ValidityChanged(bValid);
}
