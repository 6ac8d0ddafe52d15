#pragma once

#include "document/CDocumentSeries.h"
#include "document/CMyTalvaDoc.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <cmath>

// A series of recording files as a recording to a folder leaves them (FILE.mLog, FILE-2.mLog,
// ...), written by the program's own writer: direct volts every nStepMs from
// 2026/03/02 08:00:00, a daily swing with a little noise. Reading i of the whole series
// (from 0) has Value(i) and Time(i).
class CSeriesFiles
{
public:
    CSeriesFiles(int nPerFile, int nStepMs)
        : m_nPerFile(nPerFile)
        , m_nStepMs(nStepMs)
    {
    }

    static double Value(qint64 i, int nStepMs)
    {
        const double dDay = double(i * nStepMs) / 86400000.0;
        const double dNoise = double((i * 2654435761LL) % 1000) / 1000.0 - 0.5;
        return std::round((4.0 + 0.6 * std::sin(2.0 * M_PI * dDay) + 0.02 * dNoise) * 10000.0) / 10000.0;
    }
    double Value(qint64 i) const { return Value(i, m_nStepMs); }
    QString Time(qint64 i) const
    {
        static const QDateTime start(QDate(2026, 3, 2), QTime(8, 0), QTimeZone::utc());
        return start.addMSecs(i * m_nStepMs).toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    }

    // File nPart (from 1) of the series strFirst; false with the reason when it was not written.
    bool WritePart(const QString& strFirst, int nPart, QString* pstrError) const
    {
        CMyTalvaDoc doc;
        const qint64 nFrom = qint64(nPart - 1) * m_nPerFile;
        for (int n = 0; n < m_nPerFile; ++n) {
            const double dValue = Value(nFrom + n);
            doc.AddReading(0, QStringLiteral("V"), n, Time(nFrom + n), QStringLiteral("VDC"), dValue, 0.0, 6.0f,
                           float(dValue));
        }
        doc.m_bLive = false;
        return doc.SaveFile(CDocumentSeries::PartPath(strFirst, nPart), pstrError);
    }

    bool Write(const QString& strFirst, int nFiles, QString* pstrError) const
    {
        for (int nPart = 1; nPart <= nFiles; ++nPart) {
            if (!WritePart(strFirst, nPart, pstrError))
                return false;
        }
        return true;
    }

private:
    int m_nPerFile;
    int m_nStepMs;
};
