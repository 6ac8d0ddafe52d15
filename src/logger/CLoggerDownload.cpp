#include "logger/CLoggerDownload.h"

#include "base/CProgramInfo.h"
#include "base/LogCategories.h"
#include "link/CMeterCommandSender.h"
#include "link/CPrompt.h"
#include "logger/CLoggerDecoder.h"
#include "protocol/CMeterProtocol.h"

#include <QThread>

namespace {

constexpr quint8 kRequestDirectory = 0x95;
constexpr quint8 kRequestRecording = 0x96;
constexpr quint8 kEndTransfer = 0xa0;
constexpr int kOscilloscopeLayout = 10;

QString KeptText(int nFetched, int nEntries)
{
    return QStringLiteral("%1 of %2 recordings were fetched and are kept.").arg(nFetched).arg(nEntries);
}

const char* OutcomeName(CLoggerDownload::Outcome outcome)
{
    switch (outcome) {
    case CLoggerDownload::Outcome::Complete: return "complete";
    case CLoggerDownload::Outcome::RetriesSpent: return "requests unanswered";
    case CLoggerDownload::Outcome::LinkLost: return "link lost";
    case CLoggerDownload::Outcome::Stalled: return "the meter fell silent";
    case CLoggerDownload::Outcome::Cancelled: return "cancelled";
    }
    return "";
}

} // namespace

CLoggerDownload::CLoggerDownload(CMeterProtocol& protocol, CMeterCommandSender* pSender, CPrompt* pPrompt,
                                 QObject* pParent)
    : QObject(pParent)
    , m_protocol(protocol)
    , m_pSender(pSender)
    , m_pPrompt(pPrompt)
{
    qRegisterMetaType<LoggerListData>();
    qRegisterMetaType<QList<LoggerListData>>();
    qRegisterMetaType<QList<CObData>>();

    m_requestTimer.setTimerType(Qt::PreciseTimer);
    m_delayTimer.setSingleShot(true);
    m_stallTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &CLoggerDownload::OnRequestTimer);
    connect(&m_stallTimer, &QTimer::timeout, this, &CLoggerDownload::OnStall);
    connect(&m_delayTimer, &QTimer::timeout, this, &CLoggerDownload::OnDelayElapsed);
    SetTimings(m_timings);

    // The decoders run on the link thread, inside the dispatcher's pass.
    connect(&protocol, &CMeterProtocol::DirectoryHead, this, &CLoggerDownload::DecodeDirectoryHead,
            Qt::DirectConnection);
    connect(&protocol, &CMeterProtocol::DirectoryComplete, this, &CLoggerDownload::TakeDirectory,
            Qt::DirectConnection);
    connect(&protocol, &CMeterProtocol::StopRequestTimer, this, &CLoggerDownload::OnHeaderMarker,
            Qt::DirectConnection);
    connect(&protocol, &CMeterProtocol::RecordingHeader, this, &CLoggerDownload::DecodeRecordingHeader,
            Qt::DirectConnection);
    connect(&protocol, &CMeterProtocol::Block, this, &CLoggerDownload::DecodeBlock, Qt::DirectConnection);
    connect(&protocol, &CMeterProtocol::RecordingComplete, this, &CLoggerDownload::TakeRecordingComplete,
            Qt::DirectConnection);
    // Progress only: queued to this thread when the dispatcher runs on another.
    connect(&protocol, &CMeterProtocol::BlockProgress, this, [this](int nBlocks) {
        Touch();
        emit BlockProgress(nBlocks);
    });
}

CLoggerDownload::~CLoggerDownload()
{
    disconnect(&m_protocol, nullptr, this, nullptr);
}

void CLoggerDownload::SetTimings(const Timings& timings)
{
    m_timings = timings;
    m_requestTimer.setInterval(m_timings.nRequestRepeatMs);
    m_delayTimer.setInterval(m_timings.nRequestDelayMs);
    m_stallTimer.setInterval(m_timings.nStallMs);
}

void CLoggerDownload::OnOwnThread(std::function<void()> fn)
{
    if (QThread::currentThread() == thread())
        fn();
    else
        m_handoff.Post(std::move(fn));
}

void CLoggerDownload::Send(quint8 nCode, quint8 nParameter)
{
    if (m_pSender)
        m_pSender->SendKeyFrame({0xb0, nCode, nParameter, 0xb1});
}

void CLoggerDownload::Touch()
{
    if (m_state != State::Idle)
        m_stallTimer.start();
}

// ---------------------------------------------------------------------------
// Starting and ending

bool CLoggerDownload::OnDownloadLogger()
{
    return StartTransfer(false);
}

bool CLoggerDownload::ListDirectory()
{
    return StartTransfer(true);
}

bool CLoggerDownload::StartTransfer(bool bDirectoryOnly)
{
    QString strWhy;
    if (m_state != State::Idle || m_protocol.IsBlockMode())
        strWhy = QStringLiteral("The meter is already sending its logger. Wait until the transfer has ended.");
    else if (!IsOnline())
        strWhy = QStringLiteral("The meter is not connected, so its logger cannot be downloaded.");
    else if (m_protocol.Layout() == kOscilloscopeLayout)
        strWhy = QStringLiteral("The meter is in oscilloscope mode. Leave it to download the logger.");
    if (!strWhy.isEmpty()) {
        if (m_pPrompt)
            m_pPrompt->Message(strWhy, CProgramInfo::Name(), CPrompt::Information);
        return false;
    }

    m_protocol.SetExpectedBytes(CMeterProtocol::kFullDirectoryBytes);
    {
        std::lock_guard lock(m_mutex);
        m_arrLoggerEntries.clear();
        m_arrLoggerRecords.clear();
        m_arrFetched.clear();
        m_nCurrentAddress = -1;
    }
    m_bDirectoryOnly = bDirectoryOnly;
    m_nEntriesLeft = 0;
    m_state = State::DirectoryRequested;
    qCInfo(LogLogger, "%s", bDirectoryOnly ? "listing the logger's directory" : "downloading the logger");
    emit DownloadStarted();
    Send(kRequestDirectory, 0);
    m_nRequestRetries = 0;
    m_protocol.SetSeries9Armed(true);
    m_stallTimer.start();
    return true;
}

void CLoggerDownload::Cancel()
{
    if (m_state == State::SingleRecording)
        EndSingleRecording(QString());
    else if (m_state != State::Idle)
        EndDownload(Outcome::Cancelled, QString());
}

void CLoggerDownload::OnLinkLost(const QString& strReason)
{
    const QString strWhy = strReason.isEmpty()
        ? QStringLiteral("The link to the meter was lost.")
        : QStringLiteral("The link to the meter was lost: %1.").arg(strReason);
    if (m_state == State::SingleRecording)
        EndSingleRecording(strWhy);
    else if (m_state == State::Finishing)
        FinishDownload(); // everything is in; only the end frame cannot go out
    else if (m_state != State::Idle)
        EndDownload(Outcome::LinkLost, strWhy);
}

void CLoggerDownload::OnStall()
{
    if (m_nPromptsOpen > 0) {
        m_stallTimer.start(); // the user is reading a message about this transfer
        return;
    }
    const QString strWhy = QStringLiteral("The meter stopped sending its logger for %1 seconds.")
                               .arg(m_timings.nStallMs / 1000.0);
    if (m_state == State::SingleRecording)
        EndSingleRecording(strWhy);
    else if (m_state != State::Idle)
        EndDownload(Outcome::Stalled, strWhy);
}

void CLoggerDownload::EndDownload(Outcome outcome, const QString& strWhy)
{
    m_requestTimer.stop();
    m_delayTimer.stop();
    m_stallTimer.stop();
    if (m_protocol.IsBlockMode())
        m_protocol.LeaveBlockMode();
    m_protocol.SetExpectedBytes(0);

    int nEntries = 0;
    int nFetched = 0;
    int nAddress = -1;
    LoggerListData partial;
    int nPartial = 0;
    {
        std::lock_guard lock(m_mutex);
        nEntries = int(m_arrLoggerEntries.size());
        nFetched = int(m_arrFetched.size());
        nAddress = m_nCurrentAddress;
        m_nCurrentAddress = -1;
        m_bHeaderForDownload = false;
        ++m_nTransfer; // a completion still on its way here belongs to nothing now
        if (nAddress >= 0) { // the recording under way, if any of it has arrived
            for (const CObData& record : std::as_const(m_arrLoggerRecords))
                nPartial += record.m_nIndex == nAddress ? 1 : 0;
            for (const LoggerListData& entry : std::as_const(m_arrLoggerEntries))
                if (entry.m_nAddress == nAddress)
                    partial = entry;
        }
    }
    // Tell the meter the transfer is over, unless the link itself is gone.
    if (outcome != Outcome::LinkLost && IsOnline())
        Send(kEndTransfer, 0);
    m_nRequestRetries = 0;
    m_state = State::Idle;

    QString strText = strWhy;
    if (nPartial > 0) {
        const int nPoints = partial.m_nDataPoints;
        partial.m_nDataPoints = nPartial;
        emit RecordingFetched(partial, false);
        strText += QStringLiteral(" The recording at address %1 stopped after %2 of %3 samples; those are kept.")
                       .arg(nAddress).arg(nPartial).arg(nPoints);
    }
    if (nEntries > 0)
        strText += QLatin1Char(' ') + KeptText(nFetched, nEntries);
    qCInfo(LogLogger, "download ended (%s): %d of %d recordings fetched", OutcomeName(outcome), nFetched, nEntries);
    // The wait dialog closes before the message asks for attention.
    emit DownloadFinished(outcome);
    if (outcome != Outcome::Cancelled && m_pPrompt)
        m_pPrompt->Message(QStringLiteral("The logger download stopped. ") + strText, CProgramInfo::Name(),
                           CPrompt::Warning);
}

void CLoggerDownload::EndSingleRecording(const QString& strWhy)
{
    m_stallTimer.stop();
    if (m_protocol.IsBlockMode())
        m_protocol.LeaveBlockMode();
    m_state = State::Idle;
    QList<CObData> records;
    {
        std::lock_guard lock(m_mutex);
        ++m_nTransfer;
        records = m_arrRecordingRecords;
    }
    qCInfo(LogLogger, "the recording the meter sent ended early: %lld samples kept", qlonglong(records.size()));
    emit SingleRecordingReceived(records, false);
    if (!strWhy.isEmpty() && m_pPrompt)
        m_pPrompt->Message(QStringLiteral("The recording the meter was sending did not arrive whole. %1 "
                                          "The %2 samples received are kept.")
                               .arg(strWhy)
                               .arg(records.size()),
                           CProgramInfo::Name(), CPrompt::Warning);
}

// ---------------------------------------------------------------------------
// The directory

void CLoggerDownload::DecodeDirectoryHead(const QByteArray& strText)
{
    const int nEntries = CLoggerDecoder::DirectoryCount(strText);
    m_protocol.SetExpectedBytes(CLoggerDecoder::kEntryBytes * nEntries);
    if (nEntries == 0) {
        m_protocol.ClearMeterHex();
        OnOwnThread([this] { OnDirectoryComplete({}); });
        return;
    }
    const QByteArray strMeterHex = m_protocol.MeterHex();
    if (strMeterHex.size() >= 2 * qsizetype(CLoggerDecoder::kEntryBytes) * nEntries)
        TakeDirectory(strMeterHex);
}

void CLoggerDownload::TakeDirectory(const QByteArray& strText)
{
    // strText may be the meter text itself: decode it before emptying that.
    const qsizetype nChars = 2 * qsizetype(m_protocol.ExpectedBytes());
    const QList<LoggerListData> entries = CLoggerDecoder::DirectoryEntries(QByteArrayView(strText).first(
        qMin(nChars, strText.size())));
    m_protocol.ClearMeterHex();
    if (nChars > 0) // else no download is pending: a stray marker
        OnOwnThread([this, entries] { OnDirectoryComplete(entries); });
}

void CLoggerDownload::OnDirectoryComplete(const QList<LoggerListData>& entries)
{
    if (m_state != State::DirectoryRequested)
        return; // the download ended meanwhile
    {
        std::lock_guard lock(m_mutex);
        m_arrLoggerEntries = entries;
    }
    m_nEntriesLeft = int(entries.size());
    emit DirectoryListed(entries);
    if (entries.isEmpty() || m_bDirectoryOnly) {
        // An empty logger, or only its directory wanted: nothing to request.
        m_protocol.SetExpectedBytes(0);
        if (IsOnline())
            Send(kEndTransfer, 0);
        FinishDownload();
        return;
    }
    if (!IsOnline()) {
        EndDownload(Outcome::LinkLost, QStringLiteral("The meter went offline."));
        return;
    }
    emit OverallProgress(0, m_nEntriesLeft);
    RequestEntry(m_nEntriesLeft - 1);
}

// ---------------------------------------------------------------------------
// Requests and timer 3

void CLoggerDownload::RequestEntry(int nEntry)
{
    int nAddress = 0;
    {
        std::lock_guard lock(m_mutex);
        nAddress = m_arrLoggerEntries.at(nEntry).m_nAddress;
        m_nCurrentAddress = nAddress;
    }
    m_nMarkersAtRequest = m_nHeaderMarkers;
    m_state = State::RecordingRequested;
    Send(kRequestRecording, quint8(nAddress));
    m_requestTimer.start();
    Touch();
}

void CLoggerDownload::OnRequestTimer()
{
    // A header marker since the request means the answer is coming; the
    // dispatcher's stop may still be on its way here.
    if (m_state != State::RecordingRequested || m_nHeaderMarkers != m_nMarkersAtRequest) {
        m_requestTimer.stop();
        return;
    }
    ++m_nRequestRetries;
    if (m_nRequestRetries > kMaxRequestRetries) {
        int nAddress = 0;
        {
            std::lock_guard lock(m_mutex);
            nAddress = m_nCurrentAddress;
        }
        EndDownload(Outcome::RetriesSpent,
                    QStringLiteral("The meter did not answer the request for the recording at address %1, "
                                   "repeated %2 times.")
                        .arg(nAddress)
                        .arg(kMaxRequestRetries));
        return;
    }
    if (m_nEntriesLeft < 1 || !IsOnline())
        return;
    quint8 nAddress = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_nEntriesLeft > m_arrLoggerEntries.size())
            return;
        nAddress = quint8(m_arrLoggerEntries.at(m_nEntriesLeft - 1).m_nAddress);
    }
    Send(kRequestRecording, nAddress);
}

// ---------------------------------------------------------------------------
// One recording

void CLoggerDownload::OnHeaderMarker()
{
    ++m_nHeaderMarkers;
    OnOwnThread([this] { m_requestTimer.stop(); });
}

void CLoggerDownload::DecodeRecordingHeader(const QByteArray& header)
{
    emit RealTimeRecordingStop();
    const CRecordingHeader h = CLoggerDecoder::RecordingHeader(header);
    m_protocol.SetBlockCount(h.m_nBlockCount);
    bool bForDownload = false;
    quint64 nTransfer = 0;
    {
        std::lock_guard lock(m_mutex);
        m_header = h;
        nTransfer = ++m_nTransfer;
        // Only the answer to a pending request belongs to the download; anything
        // else the meter sends is a recording of its own.
        m_bHeaderForDownload = bForDownload = m_protocol.ExpectedBytes() != 0 && m_nCurrentAddress >= 0;
        if (!bForDownload)
            m_arrRecordingRecords.clear();
    }
    OnOwnThread([this, bForDownload, nTransfer, nBlocks = int(h.m_nBlockCount)] {
        OnRecordingStart(bForDownload, nTransfer, nBlocks);
    });
}

void CLoggerDownload::DecodeBlock(const QByteArray& strText)
{
    CRecordingHeader header;
    bool bForDownload = false;
    int nAddress = 0;
    {
        std::lock_guard lock(m_mutex);
        header = m_header;
        bForDownload = m_bHeaderForDownload;
        nAddress = m_nCurrentAddress;
    }
    if (!header.HasValidStart() && m_pPrompt) {
        // The meter waits for our acknowledgement meanwhile: that silence is not a stall.
        ++m_nPromptsOpen;
        m_pPrompt->Message(InvalidDateText(), InvalidDateCaption(), CPrompt::Warning);
        --m_nPromptsOpen;
    }
    const QList<CObData> records = CLoggerDecoder::BlockRecords(
        strText, m_protocol.BlockRecords(), header, CLoggerDecoder::RecordingStart(header), bForDownload ? nAddress : 0);
    std::lock_guard lock(m_mutex);
    (bForDownload ? m_arrLoggerRecords : m_arrRecordingRecords).append(records);
}

void CLoggerDownload::OnRecordingStart(bool bForDownload, quint64 nTransfer, int nBlocks)
{
    {
        std::lock_guard lock(m_mutex);
        if (nTransfer != m_nTransfer)
            return; // ended before it could start here: no single recording to wait for
    }
    if (bForDownload && m_state == State::RecordingRequested)
        m_state = State::Receiving;
    else if (!bForDownload && m_state == State::Idle)
        m_state = State::SingleRecording;
    Touch();
    emit RecordingStarted(nBlocks, bForDownload);
}

void CLoggerDownload::TakeRecordingComplete()
{
    m_protocol.ClearMeterHex();
    bool bForDownload = false;
    quint64 nTransfer = 0;
    {
        std::lock_guard lock(m_mutex);
        bForDownload = m_bHeaderForDownload;
        nTransfer = m_nTransfer;
    }
    OnOwnThread([this, bForDownload, nTransfer] { OnRecordingComplete(bForDownload, nTransfer); });
}

void CLoggerDownload::OnRecordingComplete(bool bForDownload, quint64 nTransfer)
{
    int nBlocks = 0;
    LoggerListData entry;
    QList<CObData> single;
    {
        std::lock_guard lock(m_mutex);
        if (nTransfer != m_nTransfer)
            return; // the transfer was ended meanwhile and has reported what it kept
        ++m_nTransfer;
        nBlocks = m_header.m_nBlockCount;
        m_bHeaderForDownload = false;
        single = m_arrRecordingRecords;
        if (bForDownload) {
            m_nCurrentAddress = -1;
            if (m_nEntriesLeft >= 1 && m_nEntriesLeft <= m_arrLoggerEntries.size()) {
                entry = m_arrLoggerEntries.at(m_nEntriesLeft - 1);
                m_arrFetched.append(entry);
            }
        }
    }
    emit BlockProgress(nBlocks);

    if (!bForDownload) {
        if (m_state == State::SingleRecording) {
            m_state = State::Idle;
            m_stallTimer.stop();
        }
        qCInfo(LogLogger, "the meter sent a recording of %lld samples", qlonglong(single.size()));
        emit SingleRecordingReceived(single, true);
        return;
    }
    if (m_state != State::Receiving && m_state != State::RecordingRequested)
        return; // the download ended meanwhile
    m_requestTimer.stop();
    --m_nEntriesLeft;
    int nEntries = 0;
    {
        std::lock_guard lock(m_mutex);
        nEntries = int(m_arrLoggerEntries.size());
    }
    emit OverallProgress(nEntries - m_nEntriesLeft, nEntries);
    emit RecordingFetched(entry, true);
    RequestNextOrFinish();
}

void CLoggerDownload::RequestNextOrFinish()
{
    if (m_nEntriesLeft < 1) {
        m_protocol.SetExpectedBytes(0);
        m_state = State::Finishing;
    } else {
        m_state = State::BetweenRecordings;
    }
    Touch();
    // The meter needs a moment between recordings; the window stays live meanwhile.
    m_delayTimer.start();
}

void CLoggerDownload::OnDelayElapsed()
{
    if (m_state == State::Finishing) {
        if (IsOnline())
            Send(kEndTransfer, 0);
        FinishDownload();
    } else if (m_state == State::BetweenRecordings) {
        if (IsOnline())
            RequestEntry(m_nEntriesLeft - 1);
        else
            EndDownload(Outcome::LinkLost, QStringLiteral("The meter went offline."));
    }
}

void CLoggerDownload::FinishDownload()
{
    qCInfo(LogLogger, "download complete");
    m_delayTimer.stop();
    m_stallTimer.stop();
    m_requestTimer.stop();
    m_nRequestRetries = 0;
    m_state = State::Idle;
    emit DownloadFinished(Outcome::Complete);
}

// ---------------------------------------------------------------------------
// Copies for the views

QList<LoggerListData> CLoggerDownload::Entries() const
{
    std::lock_guard lock(m_mutex);
    return m_arrLoggerEntries;
}

QList<CObData> CLoggerDownload::LoggerRecords() const
{
    std::lock_guard lock(m_mutex);
    return m_arrLoggerRecords;
}

QList<CObData> CLoggerDownload::RecordsOf(int nAddress) const
{
    std::lock_guard lock(m_mutex);
    QList<CObData> records;
    for (const CObData& record : m_arrLoggerRecords)
        if (record.m_nIndex == nAddress)
            records.append(record);
    return records;
}

QList<CObData> CLoggerDownload::RecordsForView(int nAddress) const
{
    QList<CObData> records = RecordsOf(nAddress);
    for (qsizetype i = 0; i < records.size(); ++i)
        records[i].m_nIndex = qint32(i);
    return records;
}

QList<CObData> CLoggerDownload::RecordingRecords() const
{
    std::lock_guard lock(m_mutex);
    return m_arrRecordingRecords;
}

CRecordingHeader CLoggerDownload::Header() const
{
    std::lock_guard lock(m_mutex);
    return m_header;
}

QList<LoggerListData> CLoggerDownload::FetchedEntries() const
{
    std::lock_guard lock(m_mutex);
    return m_arrFetched;
}

QList<LoggerListData> CLoggerDownload::MissingEntries() const
{
    std::lock_guard lock(m_mutex);
    QList<LoggerListData> missing;
    for (const LoggerListData& entry : m_arrLoggerEntries)
        if (!m_arrFetched.contains(entry))
            missing.append(entry);
    return missing;
}
