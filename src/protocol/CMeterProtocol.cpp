#include "protocol/CMeterProtocol.h"
#include "base/CPrintf.h"
#include "base/CProgramInfo.h"

#include "link/CMeterCommandSender.h"
#include "link/CPrompt.h"
#include "protocol/CFrameReader.h"
#include "protocol/CMeterLayouts.h"

#include <QDateTime>

#include <array>

namespace {

constexpr std::array<quint8, 4> kAck = {0xf3, 0x00, 0x01, 0xf4};
constexpr int kRecordingHeaderChars = 52; // 26 bytes
constexpr int kOscilloscopeChars = 1028;  // 514 bytes, marker included
constexpr int kDirectoryHeadChars = 52;
constexpr int kBlockHeaderChars = 10;     // 5 bytes

struct CModeRow
{
    const char* pszUnit;
    int nMode;
};

constexpr CModeRow kDisplayModes[] = {
    {"uADC", 1}, {"mADC", 2}, {"ADC", 3}, {"℉", 4}, {"℃", 4}, {"VAC", 5}, {"VDC", 6},
    {"mVDC", 7}, {"mVAC", 7}, {"Ω", 8}, {"KΩ", 8}, {"MΩ", 8}, {"uF", 8}, {"nF", 8}, {"mF", 8},
    {"OSC", 11},
};

// The first occurrence of pszMarker at an even position (a byte boundary) at
// or after nFrom; an odd match straddles two bytes and is not the marker.
qsizetype FindEven(QByteArrayView text, const char* pszMarker, qsizetype nFrom = 0)
{
    for (qsizetype nPos = nFrom; (nPos = text.indexOf(pszMarker, nPos)) >= 0; ++nPos) {
        if ((nPos & 1) == 0)
            return nPos;
    }
    return -1;
}

} // namespace

CMeterProtocol::CMeterProtocol(CMeterCommandSender* pSender, CPrompt* pPrompt, QObject* pParent)
    : QObject(pParent), m_pSender(pSender), m_pPrompt(pPrompt)
{
    qRegisterMetaType<MeterReading>();
    qRegisterMetaType<CDecodedReading>();
}

void CMeterProtocol::ClearMeterHex()
{
    ClearText();
}

void CMeterProtocol::ClearText()
{
    m_strMeterHex.clear();
    m_scanFrom.fill(0);
}

qsizetype CMeterProtocol::Find(int nScan, const char* pszMarker)
{
    // The text before m_scanFrom held no marker when last searched, and text is
    // only appended behind it or cut from the front: searching on from there
    // (less a marker's length, which may have been completed since) keeps the
    // cost linear in the bytes however long the text waits.
    qsizetype& nFrom = m_scanFrom[size_t(nScan)];
    const qsizetype nStart = qMax<qsizetype>(0, nFrom - qsizetype(qstrlen(pszMarker))) & ~qsizetype(1);
    const qsizetype nPos = FindEven(m_strMeterHex, pszMarker, nStart);
    nFrom = nPos >= 0 ? nPos : m_strMeterHex.size();
    return nPos;
}

void CMeterProtocol::AppendMeterHex(const QByteArray& strHex)
{
    // Whatever the traffic, the text never outgrows the largest thing we wait
    // for (a full directory, a block); beyond the bound the old text is stale.
    if (m_strMeterHex.size() + strHex.size() > kMaxMeterHex)
        ClearText();
    if (strHex.size() > kMaxMeterHex)
        m_strMeterHex = strHex.right(kMaxMeterHex & ~1);
    else
        m_strMeterHex += strHex;
}

void CMeterProtocol::OnMeterData()
{
    DetectSeries();
    if (!IsBlockMode())
        TakeMeasurementFrame();
    HandleOtherTraffic();
    if (IsBlockMode())
        HandleBlocks();
}

qsizetype CMeterProtocol::FindNearFront(const char* pszMarker) const
{
    // The first occurrence is near the front exactly when one lies in this prefix.
    const qsizetype nSpan = qMin(m_strMeterHex.size(), kNearFront + qsizetype(qstrlen(pszMarker)));
    return FindEven(QByteArrayView(m_strMeterHex).first(nSpan), pszMarker);
}

void CMeterProtocol::DropFront(qsizetype nChars)
{
    if (nChars <= 0)
        return;
    m_strMeterHex.remove(0, nChars); // clamps when a handler has shortened the text
    for (qsizetype& nFrom : m_scanFrom)
        nFrom = qMax<qsizetype>(0, nFrom - nChars);
}

void CMeterProtocol::SendAck()
{
    if (m_pSender)
        m_pSender->SendKeyFrame(kAck);
}

void CMeterProtocol::SetReadSize(int nBytes)
{
    if (m_pSender)
        m_pSender->SetReadSize(nBytes);
}

void CMeterProtocol::DetectSeries()
{
    const qsizetype nArm = Find(kScanArm, "f8f8f8f8");
    if (nArm >= 0) {
        DropFront(nArm + 8);
        m_bSeries9Armed = true;
    } else if (FindNearFront("a08") >= 0) {
        m_bSeries9Armed = false;
        m_bSeries9 = false;
    }
    if (FindNearFront("a09") >= 0 && m_bSeries9Armed)
        m_bSeries9 = true;
}

void CMeterProtocol::TakeMeasurementFrame()
{
    for (int nLayout = 1; nLayout <= CMeterLayouts::kCount; ++nLayout) {
        // The series-9 header counts only when the series-8 one occurs nowhere.
        qsizetype nPos = Find(kScanHeader1 + nLayout - 1, CMeterLayouts::Header(nLayout, false));
        if (nPos < 0)
            nPos = FindNearFront(CMeterLayouts::Header(nLayout, true));
        if (nPos < 0 || nPos > kNearFront)
            continue;

        const qsizetype nChars = CMeterLayouts::FrameChars(nLayout);
        const QByteArrayView text(m_strMeterHex);
        const QByteArrayView end = text.size() >= nPos + nChars ? text.sliced(nPos + nChars - 2, 2) : text.last(2);
        if (end != "a1")
            return; // incomplete or damaged: it stays for the next call
        DropFront(nPos);
        if (m_strMeterHex.size() >= nChars) {
            Decode(m_strMeterHex.first(nChars), nLayout);
            DropFront(nChars);
        }
        return;
    }
}

void CMeterProtocol::HandleOtherTraffic()
{
    if (IsBlockMode())
        return; // none of these branches acts during a recording transfer
    qsizetype nPos = FindNearFront("a0a8");
    if (nPos >= 0)
        return TakeRecordingHeader(nPos);
    if ((nPos = Find(kScanOsc, "e0e0")) >= 0)
        return TakeOscilloscopeData(nPos);
    if ((nPos = Find(kScanLogger, "a0aa")) >= 0)
        return TakeLoggerData(nPos);
    if (Find(kScanOscMode, "a2a2") >= 0)
        return EnterOscilloscopeMode();
    TrimNoise();
}

void CMeterProtocol::TakeRecordingHeader(qsizetype nPos)
{
    emit StopRequestTimer();
    DropFront(nPos);
    if (m_strMeterHex.size() >= kRecordingHeaderChars) {
        {
            std::lock_guard lock(m_blockMutex);
            m_block.nReceived = 0;
            m_block.nRecords = 0; // no count of an earlier recording may leak into this one
        }
        emit RecordingHeader(QByteArray::fromHex(m_strMeterHex.first(kRecordingHeaderChars)));
        DropFront(kRecordingHeaderChars);
        {
            std::lock_guard lock(m_blockMutex);
            m_block.bAwaitHeader = true;
            m_block.bBlockMode = true;
        }
        if (m_nExpectedBytes == 0)
            emit ClearRecordingRecords();
        SendAck();
        emit TransferWaitDialog();
    }
    SetReadSize(1000);
}

void CMeterProtocol::TakeOscilloscopeData(qsizetype nPos)
{
    DropFront(nPos);
    if (m_strMeterHex.size() >= kOscilloscopeChars) {
        // Only the oscilloscope sends screens: after a pause has blanked the panel, or when
        // the link came up with the meter already there, they bring its mode and list back.
        if (m_nLayout != kOscilloscopeLayout)
            ShowOscilloscopeMode();
        emit OscilloscopeData(m_strMeterHex.first(kOscilloscopeChars));
        DropFront(kOscilloscopeChars);
    }
    SetReadSize(512);
}

void CMeterProtocol::TakeLoggerData(qsizetype nPos)
{
    DropFront(nPos);
    if (m_nExpectedBytes == 0) {
        // No download pending: nobody consumes the marker, and left at the
        // front it would hide every later frame.
        ClearText();
    } else {
        // The handlers consume the text themselves (and may empty it), so each
        // test reads the text as the previous handler left it.
        if (m_strMeterHex.size() >= 2 * qsizetype(m_nExpectedBytes))
            emit DirectoryComplete(m_strMeterHex);
        if (m_strMeterHex.size() >= kDirectoryHeadChars && m_nExpectedBytes == kFullDirectoryBytes)
            emit DirectoryHead(m_strMeterHex.first(kDirectoryHeadChars));
    }
    SetReadSize(100);
    m_bSeries9Armed = true;
}

void CMeterProtocol::ShowOscilloscopeMode()
{
    m_nLayout = kOscilloscopeLayout;
    SetDisplayMode(QStringLiteral("OSC"));
    emit ShowOscList();
}

void CMeterProtocol::EnterOscilloscopeMode()
{
    ShowOscilloscopeMode();
    // Cut behind the last of a run of "a2a2a2a2" markers, searching on from
    // each cut exactly as repeated removals from the front would.
    qsizetype nCut = 0;
    for (qsizetype nPos; (nPos = FindEven(m_strMeterHex, "a2a2a2a2", nCut)) >= 0;)
        nCut = nPos + 8;
    DropFront(nCut);
    // A stray "a2a2" never completed to a marker would otherwise hold the
    // text (and block the noise trimming) for ever.
    if (m_strMeterHex.size() > kNoiseLimit)
        ClearText();
}

void CMeterProtocol::TrimNoise()
{
    const qsizetype nPos = FindEven(m_strMeterHex, "a0");
    if (nPos > 0)
        DropFront(nPos);
    if (m_strMeterHex.size() > kNoiseLimit)
        ClearText();
}

void CMeterProtocol::HandleBlocks()
{
    // Decided on a snapshot, changed under the lock, signalled outside it: a
    // handler may read the state (or the GUI thread leave block mode) meanwhile.
    CBlockState st = BlockState();
    if (st.bAwaitHeader && st.nReceived < st.nCount) {
        const qsizetype nPos = Find(kScanBlockHeader, "a0a9");
        if (nPos > 0)
            DropFront(nPos);
        if (m_strMeterHex.size() >= kBlockHeaderChars) {
            const QByteArray strHeader = m_strMeterHex.first(kBlockHeaderChars);
            DropFront(kBlockHeaderChars);
            const CFrameReader header(strHeader);
            if (header.Byte(0) == 0xa0 && header.Byte(1) == 0xa9 && header.Byte(3) == st.nReceived + 1) {
                std::lock_guard lock(m_blockMutex);
                if (!m_block.bBlockMode)
                    return; // left meanwhile
                m_block.nRecords = header.Byte(2);
                m_block.bAwaitHeader = false;
                ++m_block.nReceived;
                st = m_block;
            }
        }
    }

    const qsizetype nBlockChars = 16 * qsizetype(st.nRecords) + 6;
    if (st.nReceived < st.nCount) {
        // Only data behind an accepted header is a block: the samples that
        // follow a dropped (out-of-sequence) header are not taken.
        if (!st.bAwaitHeader && m_strMeterHex.size() >= nBlockChars
            && m_strMeterHex.size() >= kBlockHeaderChars && FindEven(m_strMeterHex, "a1", 2) >= 0) {
            emit Block(m_strMeterHex);
            ClearText();
            {
                std::lock_guard lock(m_blockMutex);
                m_block.bAwaitHeader = m_block.bBlockMode;
            }
            SendAck();
            emit BlockProgress(st.nReceived);
        }
    } else if (st.nReceived == st.nCount && m_strMeterHex.size() >= nBlockChars) {
        emit Block(m_strMeterHex);
        ClearText();
        {
            std::lock_guard lock(m_blockMutex);
            m_block.bAwaitHeader = false;
            m_block.bBlockMode = false;
        }
        emit RecordingComplete();
    }
}

CMeterProtocol::CBlockState CMeterProtocol::BlockState() const
{
    std::lock_guard lock(m_blockMutex);
    return m_block;
}

void CMeterProtocol::SetBlockCount(quint16 nBlocks)
{
    std::lock_guard lock(m_blockMutex);
    m_block.nCount = nBlocks;
}

void CMeterProtocol::EnterBlockMode()
{
    std::lock_guard lock(m_blockMutex);
    m_block.nReceived = 0;
    m_block.nRecords = 0;
    m_block.bAwaitHeader = true;
    m_block.bBlockMode = true;
}

void CMeterProtocol::LeaveBlockMode()
{
    std::lock_guard lock(m_blockMutex);
    m_block.bAwaitHeader = false;
    m_block.bBlockMode = false;
}

void CMeterProtocol::ResetDisplay()
{
    m_nDisplayMode = 0;
    m_nLayout = -1;
}

MeterReading CMeterProtocol::PanelReading() const
{
    std::lock_guard lock(m_panelMutex);
    return m_panelReading;
}

bool CMeterProtocol::DecodeLayout1(const QByteArray& strFrame) { return Decode(strFrame, 1); }
bool CMeterProtocol::DecodeLayout2(const QByteArray& strFrame) { return Decode(strFrame, 2); }
bool CMeterProtocol::DecodeLayout3(const QByteArray& strFrame) { return Decode(strFrame, 3); }
bool CMeterProtocol::DecodeLayout4(const QByteArray& strFrame) { return Decode(strFrame, 4); }
bool CMeterProtocol::DecodeLayout5(const QByteArray& strFrame) { return Decode(strFrame, 5); }
bool CMeterProtocol::DecodeLayout6(const QByteArray& strFrame) { return Decode(strFrame, 6); }
bool CMeterProtocol::DecodeLayout7(const QByteArray& strFrame) { return Decode(strFrame, 7); }

bool CMeterProtocol::Decode(const QByteArray& strFrame, int nLayout)
{
    if (!CMeterLayouts::IsFrame(nLayout, strFrame))
        return false;
    CMeterLayouts::ReadFields(nLayout, CFrameReader(strFrame), m_reading);
    const bool bPlusElapsed = CMeterLayouts::HasElapsedClock(nLayout);
    // Checked before the panel copy is taken, so the panel never sees the bad
    // date and the user is asked once per frame.
    if (bPlusElapsed)
        CheckClock();
    const int nKind = CMeterLayouts::Normalise(nLayout, m_reading);

    const MeterReading panel = m_reading;
    {
        std::lock_guard lock(m_panelMutex);
        m_panelReading = panel;
    }
    SetDisplayMode(m_reading.m_strUnit);
    // Layout 7 with flag E (and no pulse width to show) takes the picture of
    // mode 10; kept here so the mode compared by later frames is the one shown.
    if (nLayout == 7 && !panel.m_bIndicatorC && panel.m_bIndicatorE)
        ChangeDisplayMode(10);
    m_nLayout = nLayout;
    emit PanelShow(nLayout, panel.m_strUnit, panel.m_fValue, panel.m_nDecimals, panel);

    CDecodedReading decoded;
    decoded.reading = panel;
    decoded.strTime = TimeText(bPlusElapsed);
    decoded.nLayout = nLayout;
    decoded.nRecordKind = nKind;
    decoded.bSeries8Frame = strFrame.at(2) == '8';
    decoded.bSeries9 = m_bSeries9;
    emit ReadingDecoded(decoded);
    return true;
}

void CMeterProtocol::CheckClock()
{
    if (m_reading.m_nMonth != 0 && m_reading.m_nDay != 0)
        return;
    if (m_pPrompt)
        m_pPrompt->Message(QStringLiteral("DateTime is wrong, please correct datetime!"),
                           CProgramInfo::Name(), CPrompt::Information);
    m_reading.m_nMonth = 1;
    m_reading.m_nDay = 1;
}

QString CMeterProtocol::TimeText(bool bPlusElapsed) const
{
    const MeterReading& r = m_reading;
    int nYear = r.m_nYear, nMonth = r.m_nMonth, nDay = r.m_nDay;
    int nHour = r.m_nHour, nMinute = r.m_nMinute, nSecond = r.m_nSecond;
    if (bPlusElapsed) {
        // Out-of-range fields roll over into the next larger one, as a C
        // calendar conversion would, instead of giving an invalid date.
        const QDate date = QDate(2000 + nYear, 1, 1).addMonths(nMonth - 1).addDays(nDay - 1);
        qint64 nSeconds = r.m_nElapsedH * 3600 + r.m_nElapsedM * 60 + r.m_nElapsedS;
        QTime time(nHour, nMinute, nSecond);
        if (!time.isValid()) {
            nSeconds += nHour * 3600 + nMinute * 60 + nSecond;
            time = QTime(0, 0);
        }
        QDateTime when = QDateTime(date, time, Qt::LocalTime);
        if (!when.isValid()) // a local time skipped by a clock change
            when = QDateTime(date, time, Qt::UTC);
        when = when.addSecs(nSeconds);
        const QDate day = when.date();
        const QTime clock = when.time();
        nYear = day.year();
        nMonth = day.month();
        nDay = day.day();
        nHour = clock.hour();
        nMinute = clock.minute();
        nSecond = clock.second();
    }
    const int nFirst = r.m_bMonthFirst ? nMonth : nDay;
    const int nSecondField = r.m_bMonthFirst ? nDay : nMonth;
    return CPrintf::Format("%d/%d/%d %d:%d:%d", nFirst, nSecondField, nYear, nHour, nMinute, nSecond);
}

void CMeterProtocol::SetDisplayMode(const QString& strUnit)
{
    static const auto kModes = [] {
        std::array<std::pair<QString, int>, std::size(kDisplayModes)> modes;
        for (size_t i = 0; i < modes.size(); ++i)
            modes[i] = {QString::fromUtf8(kDisplayModes[i].pszUnit), kDisplayModes[i].nMode};
        return modes;
    }();

    int nMode = -1;
    for (const auto& [strKnown, nKnownMode] : kModes) {
        if (strUnit == strKnown) {
            nMode = nKnownMode;
            break;
        }
    }
    if (nMode < 0) {
        if (!m_reading.m_bIndicatorD)
            return;
        nMode = 10;
    }
    ChangeDisplayMode(nMode);
}

void CMeterProtocol::ChangeDisplayMode(int nMode)
{
    if (nMode == m_nDisplayMode)
        return;
    m_nDisplayMode = nMode;
    if (nMode != 11)
        emit CloseOscWindow();
    emit DisplayModeChanged(nMode);
}
