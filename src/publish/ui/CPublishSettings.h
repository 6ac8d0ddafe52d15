#pragma once

#include "publish/CMqttUrl.h"

#include <QString>

// What the window publishes to, as the "Publish" page edits it and the settings file keeps it
// (group "Publish" of multimeter.ini). The password is kept there too, so the file is made
// readable and writable by its owner only before it is written.
class CPublishSettings
{
public:
    static CPublishSettings Load(const QString& strPath);
    // False, with the reason, when the file could not be written or protected.
    bool Save(const QString& strPath, QString* pstrError) const;
    // The broker address the fields make together; false with the reason (never quoting the
    // password).
    bool ToUrl(CMqttUrl* pUrl, QString* pstrError) const;

    // Makes strPath (created when missing) readable and writable by its owner only.
    static bool ProtectFile(const QString& strPath, QString* pstrError);

    bool m_bEnabled = false;
    QString m_strUrl;      //!< "mqtt://broker.lan" or "mqtts://broker.lan:8883"
    QString m_strPrefix;   //!< "lab/bench1"
    QString m_strUser;     //!< empty: none
    QString m_strPassword;
};
