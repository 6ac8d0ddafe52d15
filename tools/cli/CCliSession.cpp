#include "CCliSession.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {
int g_hSignalPipe[2] = { -1, -1 };
std::mutex g_stdoutMutex; //!< keeps lines printed from the link thread whole

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_hSignalPipe[1], &c, 1);
}

const QCommandLineOption kPortOpt(QStringLiteral("port"), QStringLiteral("The dongle's serial port: a number or a device path."), QStringLiteral("port"));
const QCommandLineOption kMacOpt(QStringLiteral("mac"), QStringLiteral("The meter's address, e.g. c8:fd:19:0a:bc:de (default: the first meter found)."), QStringLiteral("address"));
const QCommandLineOption kSecondsOpt(QStringLiteral("seconds"), QStringLiteral("Stop after this many seconds."), QStringLiteral("n"));
const QCommandLineOption kReconnectOpt(QStringLiteral("reconnect"), QStringLiteral("When the link is lost, look for the same meter again (pauses of 1 s growing to 30 s) and go on."));
const QCommandLineOption kCountOpt(QStringLiteral("count"), QStringLiteral("Stop after N readings."), QStringLiteral("n"));
}

void PrintLine(const QString& strLine)
{
    const QByteArray utf8 = strLine.toUtf8();
    std::lock_guard lock(g_stdoutMutex);
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

CCliSession::CCliSession(QCommandLineParser& parser)
    : m_parser(parser)
    , m_link(&m_prompt)
{
    m_parser.addHelpOption();
    m_parser.addOption(kPortOpt);
    m_parser.addOption(kMacOpt);
    m_parser.addOption(kSecondsOpt);
    connect(&m_link, &CMeterLink::LinkError, this, [this](const QString& strMessage) {
        if (m_onLinkLost)
            m_onLinkLost(strMessage);
        else
            Finish(3);
    });
    connect(&m_link, &CMeterLink::ReceiveOverflow, this, [](qint64 nDropped) {
        std::fprintf(stderr, "warning: the link fell behind the line; %lld received bytes dropped so far\n", nDropped);
    });

    // Ctrl-C and SIGTERM end the event loop normally, so that callers can save.
    if (g_hSignalPipe[0] < 0 && ::pipe2(g_hSignalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    auto* pNotifier = new QSocketNotifier(g_hSignalPipe[0], QSocketNotifier::Read, this);
    connect(pNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (::read(g_hSignalPipe[0], buf, sizeof buf) > 0) {
        }
        Finish(m_nStatus);
    });
}

void CCliSession::AddCountOption()
{
    m_parser.addOption(kCountOpt);
    m_bHasCount = true;
}

void CCliSession::AddReconnectOption()
{
    m_parser.addOption(kReconnectOpt);
    m_bHasReconnect = true;
}

bool CCliSession::Parse(const QStringList& args, bool bNeedsMac)
{
    if (!m_parser.parse(args)) {
        std::fprintf(stderr, "%s\n", qPrintable(m_parser.errorText()));
        return false;
    }
    if (m_parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(m_parser.helpText()));
        return false;
    }
    m_bReconnect = m_bHasReconnect && m_parser.isSet(kReconnectOpt);
    m_strPort = m_parser.value(kPortOpt);
    if (m_strPort.isEmpty()) {
        std::fprintf(stderr, "missing --port\n");
        return false;
    }
    m_strAddress = m_parser.value(kMacOpt);
    CDonglePackets::Address address {};
    if (!m_strAddress.isEmpty() && !CDonglePackets::ParseAddress(m_strAddress, &address)) {
        std::fprintf(stderr, "bad --mac '%s': want six hex pairs like c8:fd:19:0a:bc:de\n", qPrintable(m_strAddress));
        return false;
    }
    if (bNeedsMac && m_strAddress.isEmpty()) {
        std::fprintf(stderr, "missing --mac\n");
        return false;
    }
    if (m_parser.isSet(kSecondsOpt)) {
        bool bOk = false;
        m_dSeconds = m_parser.value(kSecondsOpt).toDouble(&bOk);
        if (!bOk || m_dSeconds <= 0) {
            std::fprintf(stderr, "bad --seconds '%s'\n", qPrintable(m_parser.value(kSecondsOpt)));
            return false;
        }
    }
    if (m_bHasCount && m_parser.isSet(kCountOpt)) {
        bool bOk = false;
        m_nCount = m_parser.value(kCountOpt).toInt(&bOk);
        if (!bOk || m_nCount < 0) {
            std::fprintf(stderr, "bad --count '%s'\n", qPrintable(m_parser.value(kCountOpt)));
            return false;
        }
    }
    return true;
}

void CCliSession::Fail(const QString& strMessage, int nStatus)
{
    m_prompt.Message(strMessage, QString(), CPrompt::Critical);
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
    if (m_bFinished)
        return m_nStatus;
    const int nStatus = QCoreApplication::exec();
    m_link.Shutdown();
    return nStatus;
}

void CCliSession::StopAfterSeconds()
{
    if (m_dSeconds > 0)
        QTimer::singleShot(int(m_dSeconds * 1000), this, [this] { Finish(0); });
}

void CCliSession::ConnectThen(std::function<void()> onConnected)
{
    m_onConnected = std::move(onConnected);
    if (m_strAddress.isEmpty()) {
        // Find a meter first.
        if (!m_link.Scan(m_strPort)) {
            Finish(2);
            return;
        }
        auto pFound = std::make_shared<bool>(false);
        connect(&m_link, &CMeterLink::DeviceFound, this, [this, pFound](const QString&, const QString& strAddress, int) {
            if (*pFound)
                return;
            *pFound = true;
            m_strAddress = strAddress;
            StartConnect();
        });
        QTimer::singleShot(CCliSession::kLinkTimeoutMs * 2, this, [this, pFound] {
            if (!*pFound)
                Fail(QStringLiteral("no meter found on %1").arg(m_strPort), 4);
        });
        return;
    }
    if (!m_link.OpenDonglePort(m_strPort)) {
        Finish(2);
        return;
    }
    QTimer::singleShot(kScanWaitMs, this, [this] { StartConnect(); });
}

void CCliSession::StartConnect()
{
    connect(&m_link, &CMeterLink::Connected, this, [this] {
        m_bLinkUp = true; // the dongle confirmed the link and the notifications
        if (m_onConnected)
            m_onConnected();
    }, Qt::SingleShotConnection);
    if (!m_link.Connect(m_strAddress)) {
        Fail(QStringLiteral("cannot connect to %1").arg(m_strAddress), 5);
        return;
    }
    QTimer::singleShot(kLinkTimeoutMs, this, [this] {
        if (!m_bLinkUp)
            Fail(QStringLiteral("the link to %1 did not come up within %2 s")
                     .arg(m_strAddress).arg(kLinkTimeoutMs / 1000), 5);
    });
}
