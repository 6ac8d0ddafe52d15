#pragma once

#include <QByteArray>

// An oscilloscope frame written byte by byte for the tests: payload offsets as
// the meter documents them, independent of the decoder's own constants.
class COscTestFrame
{
public:
    COscTestFrame() : m_payload(510, char(135)) // every level on the zero line
    {
        Set(0, 2).Set(1, 7).Set(2, 7); // REC, 0.5 ms/div, 1 V/div
        for (int k = 3; k < 80; ++k)
            Set(k, 0);
        for (int k = 390; k < 510; ++k)
            Set(k, 0);
        Set(7, 135).Set(8, 135);
        Word(30, 8).Word(32, 58);
    }

    COscTestFrame& Set(int k, int nByte)
    {
        m_payload[k] = char(quint8(nByte));
        return *this;
    }
    COscTestFrame& Word(int k, int nWord) { return Set(k, nWord >> 8).Set(k + 1, nWord & 0xff); }
    COscTestFrame& Sample(int i, int nLevel) { return Set(80 + i, nLevel); }
    COscTestFrame& Bar(int i, int nLevel) { return Set(390 + i, nLevel); }
    COscTestFrame& Date(int nYear, int nFirst, int nSecond, int nHour, int nMinute, int nSecond2, int nOrder)
    {
        return Set(40, nYear / 100).Set(41, nYear % 100).Set(42, nFirst).Set(43, nSecond).Set(44, nHour)
            .Set(45, nMinute).Set(46, nSecond2).Set(47, nOrder);
    }

    // "e0e0", the payload, and the two unused bytes.
    QByteArray Hex() const { return "e0e0" + m_payload.toHex() + "0000"; }

private:
    QByteArray m_payload;
};
