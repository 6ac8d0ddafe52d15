#pragma once

#include "CCliVerb.h"

#include "link/CThreadHandoff.h"
#include "protocol/CDecodedReading.h"
#include "publish/CAlarmCommand.h"
#include "publish/CAlarmWatch.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

#include <memory>

class CCliSession;
class CMqttPublisher;
class CReadingPublisher;

// What `monitor` and `record` do besides their own job: publish every reading to an MQTT
// broker (--mqtt, --mqtt-cafile, --mqtt-queue, --ha-discovery) and watch the alarm limits
// (--alarm-above, --alarm-below, --alarm-exec). The broker going away never stops the run; a
// broker that refuses the credentials ends it with status 1.
class CCliPublish : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFinishMs = 5000;          //!< what the end waits for the queue to drain
    static constexpr qint64 kMaxQueue = 10000000;
    static constexpr int kDropNoteIntervalMs = 10000; //!< between two notes about a full queue
    // The usage of the options, for the verb's usage line.
    static QString Usage();
    static QList<QCommandLineOption> Options();

    explicit CCliPublish(CCliSession& session);
    ~CCliPublish() override;

    // Reads the options and starts publishing; 0 to go on, else the status to end with (after
    // the message).
    int Setup(const CCliVerb& verb, const QCommandLineParser& parser);

    // One decoded reading: published, and checked against the alarm limits. Any thread: the
    // work is done on the main thread, in order, after the link's own news (so the meter's
    // address and "online" come before its first reading).
    void OnReading(const CDecodedReading& d, const QDateTime& received);

    // The end of the run, after the link has stopped: "offline", then up to kFinishMs for the
    // queue to drain. Returns nStatus, or 1 when it was 0 and readings were not delivered.
    int Finish(int nStatus);

private:
    void Handle(const CDecodedReading& d, const QDateTime& received);

    CCliSession& m_session;
    CThreadHandoff m_handoff { this }; //!< readings from the link thread
    std::unique_ptr<CMqttPublisher> m_pMqtt;
    std::unique_ptr<CReadingPublisher> m_pReadings;
    CAlarmWatch m_alarms;
    CAlarmCommand m_command;
    QString m_strMeter;        //!< the linked meter's address
    QElapsedTimer m_sinceDropNote;
};
