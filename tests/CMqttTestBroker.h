#pragma once

#include "CTestProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

// A real mosquitto broker for one test: on free ports of 127.0.0.1, configured in a temporary
// folder, with its sessions and retained messages kept there across Stop and Start (so a
// subscriber with a persistent session misses nothing while the broker is away). Optionally
// with a password file, and a second listener with TLS whose test CA is made here with openssl.
class CMqttTestBroker
{
public:
    struct COptions
    {
        QString strUser;     //!< set: anonymous clients are refused, this user has strPassword
        QString strPassword;
        bool bTls = false;   //!< a TLS listener as well, certificate for 127.0.0.1 and localhost
    };

    static QString Program() { return QStandardPaths::findExecutable(QStringLiteral("mosquitto"), { "/usr/sbin", "/usr/local/sbin", "/usr/bin" }); }
    // A port nothing listens on now (the kernel's choice).
    static int FreePort()
    {
        const int h = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLen = sizeof addr;
        int nPort = -1;
        if (::bind(h, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0
            && ::getsockname(h, reinterpret_cast<sockaddr*>(&addr), &nLen) == 0)
            nPort = ntohs(addr.sin_port);
        ::close(h);
        return nPort;
    }
    static bool Accepts(int nPort)
    {
        const int h = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(quint16(nPort));
        const bool bOk = ::connect(h, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(h);
        return bOk;
    }

    CMqttTestBroker()
        : CMqttTestBroker(COptions())
    {
    }
    explicit CMqttTestBroker(const COptions& options)
        : m_options(options)
        , m_nPort(FreePort())
        , m_nTlsPort(options.bTls ? FreePort() : -1)
    {
    }

    // Writes the configuration (and certificates) once, then starts the broker and waits until
    // it takes connections. False with Error() saying why.
    bool Start()
    {
        if (!m_bConfigured && !Configure())
            return false;
        if (!m_process.Start(Program(), { QStringLiteral("-c"), Path("mosquitto.conf") }, Path("mosquitto.log"))) {
            m_strError = QStringLiteral("mosquitto did not start");
            return false;
        }
        const QDeadlineTimer deadline(10000);
        while (!Accepts(m_nPort) || (m_nTlsPort > 0 && !Accepts(m_nTlsPort))) {
            if (deadline.hasExpired()) {
                m_strError = QStringLiteral("mosquitto does not listen on %1: %2").arg(m_nPort).arg(Log());
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    }
    // Ends the broker cleanly (it saves its sessions).
    void Stop() { m_process.Stop(SIGTERM); }
    bool IsRunning() const { return m_process.IsRunning(); }

    int Port() const { return m_nPort; }
    int TlsPort() const { return m_nTlsPort; }
    QString CaFile() const { return Path("ca.crt"); }
    QString Dir() const { return m_dir.path(); }
    QString Error() const { return m_strError; }
    QString Log() const
    {
        QFile file(Path("mosquitto.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    bool Configure()
    {
        if (Program().isEmpty()) {
            m_strError = QStringLiteral("mosquitto is not installed (scripts/setup.sh installs it)");
            return false;
        }
        QString strConf = QStringLiteral("listener %1 127.0.0.1\n").arg(m_nPort);
        if (m_options.bTls) {
            if (!MakeCertificates())
                return false;
            strConf += QStringLiteral("listener %1 127.0.0.1\ncafile %2\ncertfile %3\nkeyfile %4\n")
                           .arg(m_nTlsPort).arg(CaFile(), Path("server.crt"), Path("server.key"));
        }
        if (m_options.strUser.isEmpty()) {
            strConf += QStringLiteral("allow_anonymous true\n");
        } else {
            const QString strPasswd = QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd"), { "/usr/bin", "/usr/sbin" });
            if (CTestProcess::Run(strPasswd, { "-c", "-b", Path("passwords"), m_options.strUser, m_options.strPassword }, Path("mosquitto.log")) != 0) {
                m_strError = QStringLiteral("mosquitto_passwd failed: %1").arg(Log());
                return false;
            }
            strConf += QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(Path("passwords"));
        }
        // Run as whoever runs the test (as root it would switch to the user "mosquitto").
        if (const passwd* pUser = ::getpwuid(::getuid()))
            strConf += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(pUser->pw_name));
        strConf += QStringLiteral("persistence true\npersistence_location %1/\nmax_queued_messages 0\n"
                                  "autosave_interval 0\nlog_type error\nlog_type warning\nlog_type notice\n")
                       .arg(m_dir.path());
        QFile conf(Path("mosquitto.conf"));
        if (!conf.open(QIODevice::WriteOnly) || conf.write(strConf.toUtf8()) < 0) {
            m_strError = QStringLiteral("cannot write the broker's configuration");
            return false;
        }
        m_bConfigured = true;
        return true;
    }

    // A test CA and a server certificate it signed, made now: no private key is checked in.
    bool MakeCertificates()
    {
        const QString strOpenssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        const QString strLog = Path("openssl.log");
        QFile ext(Path("server.ext"));
        if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n") < 0)
            return false;
        ext.close();
        const QList<QStringList> steps = {
            { "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", Path("ca.key"),
              "-out", CaFile(), "-days", "2", "-subj", "/CN=multimeter test CA" },
            { "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", Path("server.key"),
              "-out", Path("server.csr"), "-subj", "/CN=127.0.0.1" },
            { "x509", "-req", "-in", Path("server.csr"), "-CA", CaFile(), "-CAkey", Path("ca.key"), "-CAcreateserial",
              "-out", Path("server.crt"), "-days", "2", "-extfile", Path("server.ext") },
        };
        for (const QStringList& step : steps) {
            if (strOpenssl.isEmpty() || CTestProcess::Run(strOpenssl, step, strLog) != 0) {
                QFile log(strLog);
                m_strError = QStringLiteral("openssl failed: %1").arg(log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString());
                return false;
            }
        }
        return true;
    }

    COptions m_options;
    QTemporaryDir m_dir;
    int m_nPort;
    int m_nTlsPort;
    bool m_bConfigured = false;
    CTestProcess m_process;
    QString m_strError;
};
