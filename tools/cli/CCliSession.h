#pragma once

#include "link/CMeterLink.h"
#include "CStderrPrompt.h"

#include <QCommandLineParser>
#include <QObject>
#include <QString>

#include <functional>

// What the link verbs share: the options --port, --mac and --seconds, the
// link to the meter, Ctrl-C, and the exit status.
class CCliSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLinkTimeoutMs = 5000;
    static constexpr int kScanWaitMs = 500;

    explicit CCliSession(QCommandLineParser& parser);

    // Adds --count N (stop after N readings) to the verb's options; call before Parse.
    void AddCountOption();
    // Adds --reconnect (see CReconnect); call before Parse.
    void AddReconnectOption();
    bool Reconnect() const { return m_bReconnect; }
    // Called instead of ending with status 3 when the link is lost.
    void SetLinkLostHandler(std::function<void(const QString&)> onLost) { m_onLinkLost = std::move(onLost); }
    // Parses the verb's arguments; false (after printing why) on bad use.
    bool Parse(const QStringList& args, bool bNeedsMac);
    QString Port() const { return m_strPort; }
    QString Address() const { return m_strAddress; }
    double Seconds() const { return m_dSeconds; }
    int Count() const { return m_nCount; } //!< 0: no limit

    CMeterLink& Link() { return m_link; }
    CStderrPrompt& Prompt() { return m_prompt; }

    // Opens the port and links to the meter (the first one found when no
    // address was given); onConnected runs once notifications are enabled.
    // Failures end the event loop with a message and a non-zero status.
    void ConnectThen(std::function<void()> onConnected);
    // Ends the event loop after --seconds (when given).
    void StopAfterSeconds();
    // Runs the event loop; returns the exit status.
    int Exec();
    void Finish(int nStatus);
    void Fail(const QString& strMessage, int nStatus = 1);

private:
    void StartConnect();

    QCommandLineParser& m_parser;
    CStderrPrompt m_prompt;
    CMeterLink m_link;
    QString m_strPort;
    QString m_strAddress;
    double m_dSeconds = 0;
    bool m_bHasCount = false;
    int m_nCount = 0;
    bool m_bLinkUp = false;
    bool m_bFinished = false;
    int m_nStatus = 0;
    std::function<void()> m_onConnected;
    bool m_bHasReconnect = false;
    bool m_bReconnect = false;
    std::function<void(const QString&)> m_onLinkLost;
};

// One line to stdout, flushed at once so that pipes see it; safe from any thread.
void PrintLine(const QString& strLine);
