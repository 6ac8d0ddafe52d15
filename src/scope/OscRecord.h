#pragma once

#include <QMetaType>
#include <QString>

#include <array>

// One oscilloscope screen of the meter: the live screen (slot 0) or one of its
// ten stored waveforms (slots 1..10). A plain value: copies are cheap enough
// to hand across threads and into windows.
//
// Values are in the vertical unit m_unit ("V", or "mV" for the three smallest
// scales); a raw level is the meter's byte, 135 the zero line, 25 levels a
// division. Fields the decoder does not fill (m_spareInt, m_spareValue,
// m_spareText) are kept only for the ".osc" file.
struct OscRecord
{
    static constexpr int kSamples = 300; // 12 divisions of 25 samples
    static constexpr int kBars = 120;    // the meter's own spectrum display

    int m_slot = 0;
    quint8 m_valid = 0;                  // 1 once samples were stored
    std::array<float, kSamples> m_samples{};
    std::array<float, kBars> m_bars{};   // raw numbers
    int m_status = 0;                    // 1 HOLD, 2 REC, 3 FFT, 4 SINGLE
    QString m_rateText;
    int m_rateCode = 0;                  // time-base code 1..18
    double m_voltsPerDiv = 0.0;
    QString m_voltsText;
    double m_vpp = 0.0;
    QString m_vppText;
    int m_spareInt = 0;
    int m_speed = 0;                     // 0 Fast, else Slow
    int m_page = 0;
    int m_coupling = 0;                  // 0 AC, else DC
    int m_trigger = 0;                   // 1 up, 2 down, 3 single
    double m_maxValue = 0.0;
    double m_minValue = 0.0;
    double m_pos1 = 0.0;                 // crossings, in samples from the first stored one
    double m_pos2 = 0.0;
    QString m_unit;
    double m_period = 0.0;
    QString m_periodText;
    double m_freq = 0.0;                 // -1: the meter gave no frequency
    QString m_freqText;
    double m_spareValue = 0.0;
    QString m_spareText;
    int m_year = 0;
    int m_date1 = 0;
    int m_date2 = 0;
    int m_hour = 0;
    int m_minute = 0;
    int m_second = 0;
    int m_dateOrder = 0;                 // non-zero: m_date2 is written before m_date1
    int m_triggerLevel = 0;              // thousandths of the vertical unit

    bool operator==(const OscRecord&) const = default;
};

Q_DECLARE_METATYPE(OscRecord)
