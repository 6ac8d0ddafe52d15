#pragma once

#include <QString>

#include <array>

// The fields of a stored recording's header frame (a0 a8, 26 bytes).
struct CRecordingHeader
{
    int m_nRecFunction = 0;       //!< function code
    QString m_strRecFunction;     //!< its name from the function table
    QString m_strRecUnit;         //!< its unit from the logger unit table
    QString m_strRecStart;        //!< "dd/mm/yy hh:mm:ss", the BCD bytes as sent
    //! The start as numbers read from the BCD bytes: year (2000-based), month, day, hour, minute, second.
    std::array<int, 6> m_arrStart{2000, 0, 0, 0, 0, 0};
    quint32 m_nRecInterval = 0;   //!< seconds between samples
    quint32 m_nRecField13 = 0;    //!< bytes 13-16, kept but not used
    quint32 m_nRecField17 = 0;    //!< bytes 17-20, kept but not used
    quint16 m_nBlockCount = 0;    //!< data blocks the recording is sent in
    float m_fRecRange = 1000.0f;  //!< range limit of the samples, from the function code

    // A day or month of 0 cannot be a date: the samples then get a fixed one.
    bool HasValidStart() const { return m_arrStart[1] != 0 && m_arrStart[2] != 0; }
};
