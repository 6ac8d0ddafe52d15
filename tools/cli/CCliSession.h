#pragma once

#include "link/CMeterLink.h"
#include "link/CThreadHandoff.h"
#include "CCliVerb.h"
#include "CStderrPrompt.h"

#include <QCommandLineParser>
#include <QObject>
#include <QString>

#include <functional>

// What the link verbs share: the options --port, --mac, --seconds and --count, the
// link to the meter, Ctrl-C, and the exit status.
class CCliSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLinkTimeoutMs = 5000;
    static constexpr int kScanWaitMs = 500;
    static constexpr int kFindTimeoutMs = 2 * kLinkTimeoutMs; //!< how long a scan looks for the meter
    static constexpr double kMaxSeconds = 2000000;            //!< what a timer can wait (23 days)

    // --port, --mac (when bMac) and --seconds (its text and default given), then --count
    // when strCountHelp is set.
    static QList<QCommandLineOption> LinkOptions(bool bMac, const QString& strSecondsHelp,
                                                 const QString& strSecondsDefault = QString(),
                                                 const QString& strCountHelp = QString());

    // --reconnect, for the verbs that can go on after a dropout (see CReconnect).
    static QCommandLineOption ReconnectOption();

    CCliSession(const CCliVerb& verb, QCommandLineParser& parser);
    ~CCliSession() override;

    // Checks the link options; false after a usage error was printed.
    bool Parse();
    QString Port() const { return m_strPort; }
    QString Address() const { return m_strAddress; }
    double Seconds() const { return m_dSeconds; }
    qint64 Count() const { return m_nCount; } //!< 0: no limit

    CMeterLink& Link() { return m_link; }
    CStderrPrompt& Prompt() { return m_prompt; }

    // Opens the port and starts discovery (DeviceFound follows); false after an error
    // saying why the port did not open.
    bool OpenAndScan();
    // Opens the port and scans for the meter (the one given with --mac, or the first one
    // found), then links to it; onConnected runs once notifications are enabled. Failures
    // end the event loop with a message and a non-zero status.
    void ConnectThen(std::function<void()> onConnected);
    // Ends the event loop after --seconds (when given).
    void StopAfterSeconds();
    // Runs the event loop (unless the run has finished already), then shuts the link
    // down whatever happened; returns the exit status.
    int Exec();
    void Finish(int nStatus);
    // Runs fn on the session's thread later; callable from the link thread.
    void Post(std::function<void()> fn) { m_handoff.Post(std::move(fn)); }
    void Fail(const QString& strMessage, int nStatus = 1);
    bool IsFinished() const { return m_bFinished; }
    // --reconnect was given.
    bool Reconnect() const;
    // Called instead of ending with status 3 when the link is lost.
    void SetLinkLostHandler(std::function<void(const QString&)> onLost) { m_onLinkLost = std::move(onLost); }

private:
    void StartConnect();

    const CCliVerb& m_verb;
    QCommandLineParser& m_parser;
    CStderrPrompt m_prompt;
    CThreadHandoff m_handoff { this }; //!< declared before the link: it outlives the link thread
    CMeterLink m_link;
    QString m_strPort;
    QString m_strAddress;
    double m_dSeconds = 0;
    qint64 m_nCount = 0;
    bool m_bLinkUp = false;
    bool m_bFinished = false;
    int m_nStatus = 0;
    std::function<void()> m_onConnected;
    std::function<void(const QString&)> m_onLinkLost;
};

// One line to stdout, written at once so that pipes see it; safe from any thread. A
// failed write ends the session's event loop with the write's status.
void PrintLine(const QString& strLine);
