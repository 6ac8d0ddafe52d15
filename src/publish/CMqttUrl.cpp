#include "publish/CMqttUrl.h"

#include <QUrl>

#include <algorithm>

namespace {

QString Decoded(QStringView str)
{
    return QUrl::fromPercentEncoding(str.toUtf8());
}

bool IsHostChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_';
}

} // namespace

bool CMqttUrl::CheckPrefix(const QString& strPrefix, QString* pstrError)
{
    if (strPrefix.isEmpty()) {
        *pstrError = QStringLiteral("no topic prefix (the part after the host, e.g. /lab/meter1)");
        return false;
    }
    if (strPrefix.contains(u'+') || strPrefix.contains(u'#')) {
        *pstrError = QStringLiteral("the topic prefix may not hold the wildcards + or #");
        return false;
    }
    if (strPrefix.startsWith(u'/') || strPrefix.endsWith(u'/') || strPrefix.contains(QStringLiteral("//"))) {
        *pstrError = QStringLiteral("the topic prefix has an empty level");
        return false;
    }
    if (strPrefix.contains(QChar(0))) {
        *pstrError = QStringLiteral("the topic prefix holds a null character");
        return false;
    }
    return true;
}

bool CMqttUrl::Parse(const QString& strUrl, CMqttUrl* pUrl, QString* pstrError)
{
    CMqttUrl url;
    QStringView rest(strUrl);
    rest = rest.trimmed();
    if (rest.startsWith(u"mqtt://", Qt::CaseInsensitive)) {
        rest = rest.sliced(7);
    } else if (rest.startsWith(u"mqtts://", Qt::CaseInsensitive)) {
        url.m_bTls = true;
        url.m_nPort = kTlsPort;
        rest = rest.sliced(8);
    } else {
        *pstrError = QStringLiteral("it does not start with mqtt:// or mqtts://");
        return false;
    }
    if (rest.contains(u'?')) {
        *pstrError = QStringLiteral("a query (?...) is not part of a broker address");
        return false;
    }

    // The authority ends at the first slash; the user part at its last "@" (a password may
    // hold one unencoded).
    const qsizetype nSlash = rest.indexOf(u'/');
    QStringView authority = nSlash < 0 ? rest : rest.first(nSlash);
    const QStringView path = nSlash < 0 ? QStringView() : rest.sliced(nSlash + 1);
    const qsizetype nAt = authority.lastIndexOf(u'@');
    if (nAt >= 0) {
        const QStringView userInfo = authority.first(nAt);
        authority = authority.sliced(nAt + 1);
        const qsizetype nColon = userInfo.indexOf(u':');
        url.m_strUser = Decoded(nColon < 0 ? userInfo : userInfo.first(nColon));
        if (nColon >= 0)
            url.m_strPassword = Decoded(userInfo.sliced(nColon + 1));
        if (url.m_strUser.isEmpty()) {
            *pstrError = QStringLiteral("an empty user name before \"@\"");
            return false;
        }
    }

    QStringView port;
    if (authority.startsWith(u'[')) {
        const qsizetype nClose = authority.indexOf(u']');
        if (nClose < 0) {
            *pstrError = QStringLiteral("an IPv6 address without its closing \"]\"");
            return false;
        }
        url.m_strHost = authority.sliced(1, nClose - 1).toString();
        const QStringView after = authority.sliced(nClose + 1);
        if (!after.isEmpty() && !after.startsWith(u':')) {
            *pstrError = QStringLiteral("something other than a port after the IPv6 address");
            return false;
        }
        if (!after.isEmpty())
            port = after.sliced(1);
        if (url.m_strHost.isEmpty() || !std::all_of(url.m_strHost.cbegin(), url.m_strHost.cend(), [](QChar c) {
                return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f') || c == u':' || c == u'.';
            })) {
            *pstrError = QStringLiteral("the IPv6 address is not valid");
            return false;
        }
    } else {
        const qsizetype nColon = authority.indexOf(u':');
        url.m_strHost = (nColon < 0 ? authority : authority.first(nColon)).toString();
        if (nColon >= 0)
            port = authority.sliced(nColon + 1);
        if (url.m_strHost.isEmpty()) {
            *pstrError = QStringLiteral("no host");
            return false;
        }
        if (!std::all_of(url.m_strHost.cbegin(), url.m_strHost.cend(), IsHostChar)) {
            *pstrError = QStringLiteral("the host holds characters a host name cannot have");
            return false;
        }
    }
    if (!port.isNull()) {
        bool bOk = false;
        const int nPort = port.toInt(&bOk);
        if (!bOk || nPort < 1 || nPort > 65535 || !std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c.isDigit(); })) {
            *pstrError = QStringLiteral("the port is not a number from 1 to 65535");
            return false;
        }
        url.m_nPort = nPort;
    }

    url.m_strPrefix = Decoded(path);
    if (!CheckPrefix(url.m_strPrefix, pstrError))
        return false;
    *pUrl = url;
    return true;
}

QString CMqttUrl::Redacted() const
{
    QString strText = m_bTls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://");
    if (!m_strUser.isEmpty())
        strText += QString::fromUtf8(QUrl::toPercentEncoding(m_strUser)) + QLatin1Char('@');
    strText += m_strHost.contains(u':') ? QLatin1Char('[') + m_strHost + QLatin1Char(']') : m_strHost;
    return strText + QStringLiteral(":%1/%2").arg(m_nPort).arg(m_strPrefix);
}
