#include "CCliSession.h"

#include "CCliOutput.h"
#include "link/CDonglePackets.h"
#include "link/CSerialPort.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {
int g_hSignalPipe[2] = { -1, -1 };

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_hSignalPipe[1], &c, 1);
}

const QString kPort = QStringLiteral("port");
const QString kMac = QStringLiteral("mac");
const QString kSeconds = QStringLiteral("seconds");
const QString kCount = QStringLiteral("count");
const QString kReconnect = QStringLiteral("reconnect");

// Keeps the link's message about a port that does not open, to print it as an error.
class CCapturePrompt : public CPrompt
{
public:
    void Message(const QString& strText, const QString&, Icon) override { m_strText = strText; }
    QString m_strText;
};

bool SameAddress(const QString& strA, const QString& strB)
{
    CDonglePackets::Address a {}, b {};
    return CDonglePackets::ParseAddress(strA, &a) && CDonglePackets::ParseAddress(strB, &b) && a == b;
}
}

void PrintLine(const QString& strLine)
{
    CliOutput::WriteLine(strLine);
}

QCommandLineOption CCliSession::ReconnectOption()
{
    return QCommandLineOption(kReconnect, QStringLiteral("When the link is lost, look for the same meter again (pauses of 1 s "
                                                         "growing to 30 s) and go on."));
}

bool CCliSession::Reconnect() const
{
    return m_parser.optionNames().contains(kReconnect);
}

QList<QCommandLineOption> CCliSession::LinkOptions(bool bMac, const QString& strSecondsHelp,
                                                   const QString& strSecondsDefault, const QString& strCountHelp)
{
    QList<QCommandLineOption> options = {
        QCommandLineOption(kPort, QStringLiteral("The dongle's serial port: a device path such as /dev/ttyACM0, or a "
                                                 "number N for /dev/ttyS<N-1>. 'multimeter-cli ports' lists them."),
                           QStringLiteral("PORT")),
    };
    if (bMac)
        options << QCommandLineOption(kMac, QStringLiteral("The meter's address, e.g. c8:fd:19:0a:bc:de (default: the "
                                                           "first meter the scan finds)."),
                                      QStringLiteral("ADDRESS"));
    QCommandLineOption seconds(kSeconds, strSecondsHelp, QStringLiteral("N"));
    if (!strSecondsDefault.isEmpty())
        seconds.setDefaultValue(strSecondsDefault);
    options << seconds;
    if (!strCountHelp.isEmpty())
        options << QCommandLineOption(kCount, strCountHelp, QStringLiteral("N"), QStringLiteral("0"));
    return options;
}

CCliSession::CCliSession(const CCliVerb& verb, QCommandLineParser& parser)
    : m_verb(verb)
    , m_parser(parser)
    , m_link(&m_prompt)
{
    connect(&m_link, &CMeterLink::LinkError, this, [this](const QString& strMessage) {
        if (m_onLinkLost)
            m_onLinkLost(strMessage);
        else
            Finish(CliStatus::kLinkLost);
    });
    connect(&m_link, &CMeterLink::ReceiveOverflow, this, [](qint64 nDropped) {
        std::fprintf(stderr, "warning: the link fell behind the line; %lld received bytes dropped so far\n", nDropped);
    });
    // A failed write to stdout (possibly on the link thread) ends the run.
    CliOutput::SetFailureHandler([this] {
        Post([this] { Finish(CliOutput::FailureStatus()); });
    });

    // Ctrl-C, SIGTERM and SIGHUP (the terminal closed) end the event loop normally, so that
    // callers can save.
    if (g_hSignalPipe[0] < 0 && ::pipe2(g_hSignalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGHUP, OnSignal);
    }
    auto* pNotifier = new QSocketNotifier(g_hSignalPipe[0], QSocketNotifier::Read, this);
    connect(pNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (::read(g_hSignalPipe[0], buf, sizeof buf) > 0) {
        }
        Finish(m_nStatus);
    });
}

CCliSession::~CCliSession()
{
    CliOutput::SetFailureHandler(nullptr);
}

bool CCliSession::Parse()
{
    if (!m_parser.positionalArguments().isEmpty()) {
        CliOutput::UsageError(m_verb.strName, QStringLiteral("unexpected argument '%1'").arg(m_parser.positionalArguments().first()));
        return false;
    }
    m_strPort = m_parser.value(kPort).trimmed();
    if (!m_parser.isSet(kPort)) {
        CliOutput::UsageError(m_verb.strName, QStringLiteral("missing --port (the dongle's serial port; 'multimeter-cli ports' lists them)"));
        return false;
    }
    bool bNumber = false;
    const int nPort = m_strPort.toInt(&bNumber);
    if (m_strPort.isEmpty() || (bNumber && nPort < 1)) {
        CliOutput::UsageError(m_verb.strName, QStringLiteral("bad --port '%1': want a device path such as /dev/ttyACM0 or a port number from 1")
                                                  .arg(m_parser.value(kPort)));
        return false;
    }
    // Remembered for later runs, which may start in another folder.
    m_strPort = CSerialPort::AbsoluteName(m_strPort);
    const bool bMacGiven = m_parser.optionNames().contains(kMac);
    m_strAddress = bMacGiven ? m_parser.value(kMac).trimmed() : QString();
    CDonglePackets::Address address {};
    if (bMacGiven && !CDonglePackets::ParseAddress(m_strAddress, &address)) {
        CliOutput::UsageError(m_verb.strName, QStringLiteral("bad --mac '%1': want six hex pairs like c8:fd:19:0a:bc:de").arg(m_strAddress));
        return false;
    }
    if (m_parser.isSet(kSeconds) || !m_parser.value(kSeconds).isEmpty()) {
        if (!CliVerbs::ReadNumber(m_verb, m_parser, kSeconds, 0.001, kMaxSeconds, &m_dSeconds))
            return false;
    }
    if (m_verb.options.end() != std::find_if(m_verb.options.begin(), m_verb.options.end(),
                                            [](const QCommandLineOption& o) { return o.names().contains(kCount); })) {
        if (!CliVerbs::ReadInteger(m_verb, m_parser, kCount, 0, std::numeric_limits<int>::max(), &m_nCount))
            return false;
    }
    return true;
}

void CCliSession::Fail(const QString& strMessage, int nStatus)
{
    CliOutput::Error(strMessage);
    Finish(nStatus);
}

void CCliSession::Finish(int nStatus)
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_nStatus = nStatus;
    QCoreApplication::exit(nStatus);
}

int CCliSession::Exec()
{
    // Finished before the loop ran (a port that did not open): the link is shut down all the
    // same, so that nothing runs on once the verb goes on to save and report.
    const int nStatus = m_bFinished ? m_nStatus : QCoreApplication::exec();
    m_link.Shutdown();
    return nStatus;
}

void CCliSession::StopAfterSeconds()
{
    if (m_dSeconds > 0)
        QTimer::singleShot(std::chrono::milliseconds(qint64(m_dSeconds * 1000)), this, [this] { Finish(CliStatus::kOk); });
}

bool CCliSession::OpenAndScan()
{
    CCapturePrompt capture;
    m_link.SetPrompt(&capture);
    const bool bOpen = m_link.Scan(m_strPort);
    m_link.SetPrompt(&m_prompt);
    if (!bOpen)
        Fail(capture.m_strText.replace(QLatin1Char('\n'), QLatin1Char(' ')), CliStatus::kPortUnavailable);
    return bOpen;
}

void CCliSession::ConnectThen(std::function<void()> onConnected)
{
    m_onConnected = std::move(onConnected);
    if (!OpenAndScan())
        return;
    // The meter is linked only once the scan has seen it, so an address that is not in
    // reach ends as "not found", not as a link that never comes up.
    const QString strWanted = m_strAddress;
    auto pFound = std::make_shared<bool>(false);
    connect(&m_link, &CMeterLink::DeviceFound, this, [this, pFound, strWanted](const QString&, const QString& strAddress, int) {
        if (*pFound || (!strWanted.isEmpty() && !SameAddress(strWanted, strAddress)))
            return;
        *pFound = true;
        m_strAddress = strAddress;
        StartConnect();
    });
    // --seconds bounds the scan too.
    const int nFindMs = m_dSeconds > 0 ? int(std::min<double>(kFindTimeoutMs, m_dSeconds * 1000)) : kFindTimeoutMs;
    QTimer::singleShot(nFindMs, this, [this, pFound, strWanted, nFindMs] {
        if (*pFound)
            return;
        if (strWanted.isEmpty())
            Fail(QStringLiteral("no meter found on %1 within %2 s").arg(m_strPort).arg(nFindMs / 1000.0),
                 CliStatus::kNotFound);
        else
            Fail(QStringLiteral("meter %1 not found on %2 within %3 s").arg(strWanted, m_strPort).arg(nFindMs / 1000.0),
                 CliStatus::kNotFound);
    });
}

void CCliSession::StartConnect()
{
    connect(&m_link, &CMeterLink::Connected, this, [this] {
        m_bLinkUp = true; // the dongle confirmed the link and the notifications
        if (m_onConnected)
            m_onConnected();
    }, Qt::SingleShotConnection);
    if (!m_link.Connect(m_strAddress)) {
        Fail(QStringLiteral("cannot connect to %1").arg(m_strAddress), CliStatus::kNoLink);
        return;
    }
    QTimer::singleShot(kLinkTimeoutMs, this, [this] {
        if (!m_bLinkUp)
            Fail(QStringLiteral("the link to %1 did not come up within %2 s")
                     .arg(m_strAddress).arg(kLinkTimeoutMs / 1000), CliStatus::kNoLink);
    });
}
