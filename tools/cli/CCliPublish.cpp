#include "CCliPublish.h"

#include "CCliOutput.h"
#include "CCliSession.h"

#include "publish/CMqttPublisher.h"
#include "publish/CReadingPublisher.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {
const QString kMqtt = QStringLiteral("mqtt");
const QString kCaFile = QStringLiteral("mqtt-cafile");
const QString kQueue = QStringLiteral("mqtt-queue");
const QString kDiscovery = QStringLiteral("ha-discovery");
const QString kAbove = QStringLiteral("alarm-above");
const QString kBelow = QStringLiteral("alarm-below");
const QString kExec = QStringLiteral("alarm-exec");
const char* const kPasswordVariable = "MULTIMETER_MQTT_PASSWORD";

void Say(const QString& strText)
{
    std::fprintf(stderr, "%s: %s\n", CliOutput::kProgram, qPrintable(strText));
    std::fflush(stderr);
}
}

QString CCliPublish::Usage()
{
    return QStringLiteral("[--mqtt URL [--mqtt-cafile FILE] [--mqtt-queue N] [--ha-discovery]] [--alarm-above VALUE[UNIT]] "
                          "[--alarm-below VALUE[UNIT]] [--alarm-exec CMD]");
}

QList<QCommandLineOption> CCliPublish::Options()
{
    return {
        QCommandLineOption(kMqtt, QStringLiteral("Publish every reading to an MQTT broker: mqtt://[USER[:PASSWORD]@]HOST[:PORT]/TOPIC/PREFIX "
                                                 "(port 1883) or mqtts://... (TLS, port 8883). Readings go to PREFIX/reading, alarms "
                                                 "to PREFIX/alarm, \"online\"/\"offline\" (retained) to PREFIX/status. The password "
                                                 "may come from the environment variable MULTIMETER_MQTT_PASSWORD instead."),
                           QStringLiteral("URL")),
        QCommandLineOption(kCaFile, QStringLiteral("The CA certificates that sign the broker's certificate (mqtts://; default: "
                                                   "the system's)."),
                           QStringLiteral("FILE")),
        QCommandLineOption(kQueue, QStringLiteral("Readings kept in memory while the broker cannot be reached; beyond that the "
                                                  "oldest are dropped."),
                           QStringLiteral("N"), QString::number(CMqttPublisher::kDefaultQueueLimit)),
        QCommandLineOption(kDiscovery, QStringLiteral("Also publish a retained Home Assistant discovery message, so that the meter "
                                                      "appears there as a sensor with its unit.")),
        QCommandLineOption(kAbove, QStringLiteral("Alarm when a reading goes above VALUE: 4.5V, 100nF, 2kHz (any prefix or "
                                                  "coupling of that unit), or a bare number in the reading's unit. One line on "
                                                  "stderr per crossing; it re-arms once the reading is back inside by 1 % of the limit."),
                           QStringLiteral("VALUE")),
        QCommandLineOption(kBelow, QStringLiteral("Alarm when a reading goes below VALUE, as --alarm-above."), QStringLiteral("VALUE")),
        QCommandLineOption(kExec, QStringLiteral("Run CMD for each alarm (split into words, no shell), with MULTIMETER_ALARM "
                                                 "(above or below), MULTIMETER_VALUE, MULTIMETER_UNIT, MULTIMETER_FUNCTION, "
                                                 "MULTIMETER_LIMIT, MULTIMETER_LIMIT_UNIT, MULTIMETER_TIME, MULTIMETER_METER and "
                                                 "MULTIMETER_TEXT in its environment."),
                           QStringLiteral("CMD")),
    };
}

CCliPublish::CCliPublish(CCliSession& session)
    : QObject(&session)
    , m_session(session)
{
}

CCliPublish::~CCliPublish() = default;

int CCliPublish::Setup(const CCliVerb& verb, const QCommandLineParser& parser)
{
    const QStringList given = parser.optionNames();
    QString strError;
    for (const QString& strOption : { kAbove, kBelow }) {
        if (!given.contains(strOption))
            continue;
        const bool bOk = strOption == kAbove ? m_alarms.SetAbove(parser.value(strOption), &strError)
                                             : m_alarms.SetBelow(parser.value(strOption), &strError);
        if (!bOk)
            return CliOutput::UsageError(verb.strName, QStringLiteral("bad --%1: %2").arg(strOption, strError));
    }
    if (given.contains(kExec)) {
        if (m_alarms.IsEmpty())
            return CliOutput::UsageError(verb.strName, QStringLiteral("--alarm-exec needs --alarm-above or --alarm-below"));
        if (!CAlarmCommand::Parse(parser.value(kExec), &m_command, &strError))
            return CliOutput::UsageError(verb.strName, QStringLiteral("bad --alarm-exec: %1").arg(strError));
    }

    // The address goes with every reading and alarm.
    connect(&m_session.Link(), &CMeterLink::Connected, this, [this] { m_strMeter = m_session.Address(); });
    if (!given.contains(kMqtt)) {
        for (const QString& strOption : { kCaFile, kQueue, kDiscovery }) {
            if (given.contains(strOption))
                return CliOutput::UsageError(verb.strName, QStringLiteral("--%1 needs --mqtt").arg(strOption));
        }
        return CliStatus::kOk;
    }
    CMqttUrl url;
    if (!CMqttUrl::Parse(parser.value(kMqtt), &url, &strError))
        return CliOutput::UsageError(verb.strName, QStringLiteral("bad --mqtt URL: %1; want %2").arg(strError, QLatin1String(CMqttUrl::kForm)));
    if (given.contains(kCaFile) && !url.m_bTls)
        return CliOutput::UsageError(verb.strName, QStringLiteral("--mqtt-cafile needs an mqtts:// URL"));
    qint64 nQueue = CMqttPublisher::kDefaultQueueLimit;
    if (!CliVerbs::ReadInteger(verb, parser, kQueue, 1, kMaxQueue, &nQueue))
        return CliStatus::kUsage;
    if (url.m_strPassword.isEmpty() && qEnvironmentVariableIsSet(kPasswordVariable))
        url.m_strPassword = qEnvironmentVariable(kPasswordVariable);

    m_pMqtt = std::make_unique<CMqttPublisher>();
    m_pReadings = std::make_unique<CReadingPublisher>(*m_pMqtt);
    m_pReadings->SetHomeAssistant(given.contains(kDiscovery));
    connect(m_pMqtt.get(), &CMqttPublisher::StateChanged, this, [this](CMqttPublisher::State state, const QString& strText) {
        if (state == CMqttPublisher::State::Refused)
            m_session.Fail(QStringLiteral("mqtt: %1").arg(strText));
        else if (state != CMqttPublisher::State::Connecting)
            Say(QStringLiteral("mqtt: %1").arg(strText));
    });
    connect(m_pMqtt.get(), &CMqttPublisher::MessagesDropped, this, [this](qint64 nTotal) {
        if (m_sinceDropNote.isValid() && m_sinceDropNote.elapsed() < kDropNoteIntervalMs)
            return;
        m_sinceDropNote.start();
        CliOutput::Note(QStringLiteral("mqtt: the queue is full; %1 oldest readings dropped so far").arg(nTotal));
    });
    if (!m_pMqtt->Start(url, parser.value(kCaFile), qsizetype(nQueue), &strError)) {
        CliOutput::Error(QStringLiteral("mqtt: %1").arg(strError));
        return CliStatus::kFailed;
    }
    // The status follows the link to the meter; the address goes with every reading.
    connect(&m_session.Link(), &CMeterLink::Connected, this, [this] {
        m_pReadings->SetMeter(m_session.Address());
        m_pReadings->SetOnline(true);
    });
    connect(&m_session.Link(), &CMeterLink::LinkError, this, [this] { m_pReadings->SetOnline(false); });
    return CliStatus::kOk;
}

void CCliPublish::OnReading(const CDecodedReading& d, const QDateTime& received)
{
    if (!m_pReadings && m_alarms.IsEmpty())
        return;
    if (QThread::currentThread() == thread())
        Handle(d, received);
    else
        m_handoff.Post([this, d, received] { Handle(d, received); });
}

void CCliPublish::Handle(const CDecodedReading& d, const QDateTime& received)
{
    if (m_pReadings)
        m_pReadings->PublishReading(d, received);
    for (const CAlarmEvent& event : m_alarms.Check(d, received, m_strMeter)) {
        std::fprintf(stderr, "%s\n", qPrintable(event.Line()));
        std::fflush(stderr);
        if (m_pReadings)
            m_pReadings->PublishAlarm(event);
        QString strError;
        if (m_command.IsSet() && !m_command.Run(event, &strError))
            CliOutput::Error(strError);
    }
}

int CCliPublish::Finish(int nStatus)
{
    // Readings printed before the loop ended are published too.
    QCoreApplication::sendPostedEvents(&m_handoff, QEvent::MetaCall);
    if (!m_pMqtt)
        return nStatus;
    if (m_pMqtt->CurrentState() != CMqttPublisher::State::Refused)
        m_pReadings->SetOnline(false);
    const qint64 nLeft = m_pMqtt->Finish(kFinishMs);
    const qint64 nDropped = m_pMqtt->Dropped();
    const QString strBroker = m_pMqtt->Url().Redacted();
    if (nLeft > 0)
        CliOutput::Error(QStringLiteral("mqtt: %1 messages were not delivered to %2").arg(nLeft).arg(strBroker));
    if (nDropped > 0)
        CliOutput::Error(QStringLiteral("mqtt: %1 readings were dropped from the full queue").arg(nDropped));
    if ((nLeft > 0 || nDropped > 0) && nStatus == CliStatus::kOk)
        return CliStatus::kFailed;
    return nStatus;
}
