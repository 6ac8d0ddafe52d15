#pragma once

#include <QString>

// Where readings are published, as a user writes it:
//   mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC/PREFIX    (port 1883 by default)
//   mqtts://...                                          (TLS, port 8883 by default)
// USER and PASSWORD may be percent-encoded ("%40" for "@"); HOST may be an IPv6 address in
// brackets. The prefix is one or more topic levels without wildcards. A plain value.
class CMqttUrl
{
public:
    static constexpr int kPort = 1883;
    static constexpr int kTlsPort = 8883;
    // What --mqtt and the window's Publish page expect, for error messages.
    static constexpr const char* kForm = "mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC/PREFIX or mqtts://...";

    // False with *pstrError saying what is wrong; the error never quotes the URL, which may
    // hold a password.
    static bool Parse(const QString& strUrl, CMqttUrl* pUrl, QString* pstrError);
    // A topic prefix on its own (the window's field): one or more levels, no wildcards.
    static bool CheckPrefix(const QString& strPrefix, QString* pstrError);

    // The address without the password: for messages, logs and the status bar.
    QString Redacted() const;
    // PREFIX/strLevel.
    QString Topic(const QString& strLevel) const { return m_strPrefix + QLatin1Char('/') + strLevel; }

    bool m_bTls = false;
    QString m_strHost;          //!< without brackets
    int m_nPort = kPort;
    QString m_strUser;          //!< empty: no user name
    QString m_strPassword;      //!< never logged or shown
    QString m_strPrefix;        //!< e.g. "lab/bench1"
};
