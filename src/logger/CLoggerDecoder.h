#pragma once

#include "document/CObData.h"
#include "logger/CRecordingHeader.h"
#include "logger/LoggerListData.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// The logger's frames as data: directory entries, the recording header and
// the samples of a data block. Pure functions over the hexadecimal meter text
// (two lowercase digits per byte); short input reads as zero bytes.
class CLoggerDecoder
{
public:
    static constexpr int kEntryBytes = 26;        //!< one directory entry
    static constexpr int kHeaderBytes = 26;       //!< recording header a0 a8 ...
    static constexpr int kSampleBytes = 8;        //!< float value, 32-bit offset in seconds

    // Unit text of a recording's function code; empty for codes without one.
    static QString RecordingUnit(int nFunction);
    // Range limit of a recording's samples.
    static float RecordingRange(int nFunction);
    // A sample's value in the unit it is shown in. Capacitance (5) and resistance (4)
    // move along their unit ladders, beyond +-fRange they become the overload values;
    // frequency (16, 31) moves along HZ/KHZ/MHZ without an overload test; every other
    // function keeps the value and strRecUnit.
    static void ScaleSample(int nFunction, float fRange, const QString& strRecUnit, float fValue,
                            double* pdValue, QString* pstrUnit);

    // Number of entries announced by the first directory entry (its byte 3).
    static int DirectoryCount(QByteArrayView strHex);
    // Every whole 26-byte entry of the directory text, in order.
    static QList<LoggerListData> DirectoryEntries(QByteArrayView strHex);

    // The recording header from its 26 bytes (raw bytes, not text).
    static CRecordingHeader RecordingHeader(QByteArrayView header);

    // The start of the samples: the header's start as local time (fields out of
    // range roll over into the next larger one), or FixedStart() when the header
    // has no valid date.
    static QDateTime RecordingStart(const CRecordingHeader& header);
    // 10 September 2010, 10:10:10 local time: what an undated recording starts at.
    static QDateTime FixedStart();
    // "d/m/yyyy h:m:s" of start + nOffset seconds.
    static QString SampleTime(const QDateTime& start, quint32 nOffset);

    // The nRecords samples at the front of a block's text (block header removed)
    // as records of the recording, each with record number nIndex.
    static QList<CObData> BlockRecords(QByteArrayView strHex, int nRecords, const CRecordingHeader& header,
                                       const QDateTime& start, qint32 nIndex);
};
